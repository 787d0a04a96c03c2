#include "CObject.h"

CDumpContext& CDumpContext::operator<<(const char* text)
{
    if (m_out && text)
        *m_out << text;
    return *this;
}

CDumpContext& CDumpContext::operator<<(long value)
{
    if (m_out)
        *m_out << value;
    return *this;
}
