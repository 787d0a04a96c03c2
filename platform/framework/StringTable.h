// The running program's string table: message texts, prompts and labels by id.
#pragma once

#include "types/CString.h"
#include "types/wintypes.h"

#include <map>

constexpr UINT AFX_IDS_IDLEMESSAGE = 57345;

class StringTable {
public:
    void Add(UINT id, const char* text) { m_strings[id] = text; }
    bool Lookup(UINT id, CString& text) const;
    // Empty when the id is unknown.
    CString Get(UINT id) const;
    void Clear() { m_strings.clear(); }
    size_t Count() const { return m_strings.size(); }

private:
    std::map<UINT, CString> m_strings;
};

// One table per program: a process runs one program.
StringTable& ProgramStrings();
CString LoadStringText(UINT id);

const char* AfxGetAppName();
void AfxSetAppName(const char* name);
