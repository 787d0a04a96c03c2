#include "Mhourgla.h"

MHourglass::MHourglass(CWnd* window)
    : m_previousCursor(Ui().GetCursorShape()), m_previousCapture(Ui().MouseCapture())
{
    Ui().SetCursorShape(CursorShape::Wait);
    if (window && window->m_hWnd) {
        Ui().CaptureMouse(window->m_hWnd);
        m_captured = true;
    }
}

MHourglass::~MHourglass()
{
    Ui().SetCursorShape(m_previousCursor);
    if (m_captured)
        Ui().CaptureMouse(m_previousCapture);
}
