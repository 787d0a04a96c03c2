#include "Config.h"

CString StripWhiteSpace(const CString& text)
{
    std::string out;
    out.reserve(size_t(text.GetLength()));
    for (char ch : text.str())
        if (ch != ' ' && ch != '\t' && ch != '\n' && ch != '\f')
            out += ch;
    return CString(out);
}

// ---- records ----

CField* CRecord::FieldAt(int index) const
{
    return index >= 0 && size_t(index) < m_fields.size() ? m_fields[size_t(index)] : nullptr;
}

BOOL CRecord::GetFieldCount(int* count) const
{
    if (!count)
        return FALSE;
    *count = int(m_fields.size());
    return TRUE;
}

BOOL CRecord::GetFieldName(int index, CString* name) const
{
    CField* f = FieldAt(index);
    if (!f || !name)
        return FALSE;
    *name = f->m_name;
    return TRUE;
}

BOOL CRecord::GetFieldValue(int index, CString* value) const
{
    CField* f = FieldAt(index);
    if (!f || !value)
        return FALSE;
    *value = f->m_value;
    return TRUE;
}

BOOL CRecord::SetFieldName(int index, CString name)
{
    CField* f = FieldAt(index);
    if (!f)
        return FALSE;
    f->m_name = name;
    return TRUE;
}

BOOL CRecord::SetFieldValue(int index, CString value)
{
    CField* f = FieldAt(index);
    if (!f)
        return FALSE;
    f->m_value = value;
    return TRUE;
}

BOOL CRecord::AddField(const CString& name, const CString& value)
{
    m_fields.push_back(new CField(name, value));
    return TRUE;
}

BOOL CRecord::RemoveFieldAtIndex(int index)
{
    CField* f = FieldAt(index);
    if (!f)
        return FALSE;
    delete f;
    m_fields.erase(m_fields.begin() + index);
    return TRUE;
}

void CRecord::FreeFields()
{
    for (CField* f : m_fields)
        delete f;
    m_fields.clear();
}

// ---- model lists ----

CParameterList::~CParameterList()
{
    while (!IsEmpty())
        delete RemoveHead();
}

CSectionList::~CSectionList()
{
    while (!IsEmpty())
        delete RemoveHead();
}
