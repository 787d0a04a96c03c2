#include "framework/StringTable.h"

bool StringTable::Lookup(UINT id, CString& text) const
{
    auto it = m_strings.find(id);
    if (it == m_strings.end())
        return false;
    text = it->second;
    return true;
}

CString StringTable::Get(UINT id) const
{
    CString text;
    Lookup(id, text);
    return text;
}

StringTable& ProgramStrings()
{
    static StringTable table = [] {
        StringTable t;
        t.Add(AFX_IDS_IDLEMESSAGE, "Ready");
        return t;
    }();
    return table;
}

CString LoadStringText(UINT id) { return ProgramStrings().Get(id); }

namespace {
CString& AppName()
{
    static CString name;
    return name;
}
} // namespace

const char* AfxGetAppName() { return AppName(); }
void AfxSetAppName(const char* name) { AppName() = name; }
