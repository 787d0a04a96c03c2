// A settings table kept only in memory, for tests of the items and sections.
#pragma once

#include "Mcfgtbl.h"

class MemoryTable : public MCfgTable {
public:
    int Load(const CString&) override { return TRUE; }
    int Save() override { return TRUE; }
    int WriteSection(const CString&) const override { return TRUE; }
    int WriteParameter(const CString&, const CString&, const CString&) const override { return TRUE; }

    // Puts stored text into the table as a load would.
    void Put(const char* section, const char* name, const char* value)
    {
        MCfgTableSection* s = FindSection(section);
        if (!s)
            s = AddSection(section);
        s->AddParameter(name, value);
    }
    CString Text(const char* section, const char* name) const
    {
        MCfgTableSection* s = FindSection(section);
        MCfgTableParameter* p = s ? s->FindParameter(name) : nullptr;
        return p ? p->GetValue() : CString("<none>");
    }
};
