// The section and parameter model of CConfiguration, and its Load and Save.
#include "Config.h"

#include <string>
#include <unordered_map>

namespace {
std::vector<CSection*> SectionsOf(const CSectionList& list)
{
    std::vector<CSection*> out;
    for (POSITION pos = list.GetHeadPosition(); pos;)
        out.push_back(static_cast<CSection*>(list.GetNext(pos)));
    return out;
}
} // namespace

CSection* CConfiguration::FindSection(const CString& name) const
{
    const CSectionList& list = *m_group.m_sections;
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        CSection* s = static_cast<CSection*>(list.GetNext(pos));
        if (s->m_name == name)
            return s;
    }
    return nullptr;
}

CParameter* CConfiguration::FindParameter(const CSection& section, const CString& name) const
{
    const CParameterList& list = *section.m_parameters;
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        CParameter* p = static_cast<CParameter*>(list.GetNext(pos));
        if (p->m_name == name)
            return p;
    }
    return nullptr;
}

BOOL CConfiguration::Close()
{
    CSectionList& list = *m_group.m_sections;
    while (!list.IsEmpty()) {
        CSection* first = static_cast<CSection*>(list.GetHead());
        while (!first->m_parameters->IsEmpty())
            delete first->m_parameters->RemoveHead();
        delete list.RemoveHead();
    }
    m_loaded = 0;
    return TRUE;
}

BOOL CConfiguration::AddSection(CString name)
{
    m_group.m_sections->AddTail(new CSection(name));
    return TRUE;
}

BOOL CConfiguration::RemoveSection(CString name)
{
    CSectionList& list = *m_group.m_sections;
    CSection* s = FindSection(name);
    if (!s)
        return FALSE;
    list.RemoveAt(list.Find(s));
    delete s;
    return TRUE;
}

BOOL CConfiguration::AddParameter(CString section, CString name, CString value)
{
    CSection* s = FindSection(section);
    if (!s)
        return FALSE;
    s->m_parameters->AddTail(new CParameter(name, value));
    return TRUE;
}

BOOL CConfiguration::RemoveParameter(CString section, CString name)
{
    CSection* s = FindSection(section);
    if (!s)
        return FALSE;
    BOOL removed = FALSE;
    CParameterList& list = *s->m_parameters;
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        POSITION here = pos;
        CParameter* p = static_cast<CParameter*>(list.GetNext(pos));
        if (p->m_name == name) {
            list.RemoveAt(here);
            delete p;
            removed = TRUE;
        }
    }
    return removed;
}

BOOL CConfiguration::GetParameterValue(CString section, CString name, CString& value) const
{
    CSection* s = FindSection(section);
    CParameter* p = s ? FindParameter(*s, name) : nullptr;
    if (!p)
        return FALSE;
    value = p->m_value;
    return TRUE;
}

BOOL CConfiguration::SetParameterValue(CString section, CString name, CString value)
{
    CSection* s = FindSection(section);
    CParameter* p = s ? FindParameter(*s, name) : nullptr;
    if (!p)
        return FALSE;
    p->m_value = value;
    return TRUE;
}

BOOL CConfiguration::RenameSection(CString oldName, CString newName)
{
    CSection* s = FindSection(oldName);
    if (!s)
        return FALSE;
    s->m_name = newName;
    return TRUE;
}

BOOL CConfiguration::RenameParameter(CString section, CString oldName, CString newName)
{
    CSection* s = FindSection(section);
    CParameter* p = s ? FindParameter(*s, oldName) : nullptr;
    if (!p)
        return FALSE;
    p->m_name = newName;
    return TRUE;
}

int CConfiguration::GetSectionCount() const
{
    return m_group.m_sections->GetCount();
}

int CConfiguration::GetParameterCount(CString section) const
{
    CSection* s = FindSection(section);
    return s ? s->m_parameters->GetCount() : -1;
}

CString CConfiguration::GetSectionNameAt(int index) const
{
    POSITION pos = m_group.m_sections->FindIndex(index);
    return pos ? m_group.m_sections->At(pos)->m_name : CString();
}

CString CConfiguration::GetParameterNameAt(CString section, int index) const
{
    CSection* s = FindSection(section);
    POSITION pos = s ? s->m_parameters->FindIndex(index) : nullptr;
    return pos ? s->m_parameters->At(pos)->m_name : CString();
}

BOOL CConfiguration::GetParameters(CString section, std::vector<const CParameter*>& out) const
{
    out.clear();
    CSection* s = FindSection(section);
    if (!s)
        return FALSE;
    for (POSITION pos = s->m_parameters->GetHeadPosition(); pos;)
        out.push_back(static_cast<const CParameter*>(s->m_parameters->GetNext(pos)));
    return TRUE;
}

BOOL CConfiguration::Load()
{
    if (m_loaded)
        return TRUE;
    if (!VLoadRecords()) {
        VFreeRecords();
        return FALSE;
    }
    // The lines of a repeated header land in the first section of that name;
    // the map finds it without a walk per line.
    std::unordered_map<std::string, CSection*> firstByName;
    for (CSection* s : SectionsOf(*m_group.m_sections))
        firstByName.emplace(s->m_name.str(), s);
    int count = 0;
    VGetRecordCount(&count);
    for (int i = 0; i < count; ++i) {
        CRecord* record = VGetRecordAtIndex(i);
        if (!record || !AddSection(record->GetName()))
            return FALSE;
        CSection* target = firstByName.emplace(record->GetName().str(),
                                               m_group.m_sections->At(m_group.m_sections->GetTailPosition())).first->second;
        int fields = 0;
        record->GetFieldCount(&fields);
        for (int f = 0; f < fields; ++f) {
            CString name, value;
            record->GetFieldName(f, &name);
            record->GetFieldValue(f, &value);
            target->m_parameters->AddTail(new CParameter(name, value));
        }
    }
    if (!VFreeRecords())
        return FALSE;
    m_loaded = 1;
    return TRUE;
}

BOOL CConfiguration::Save()
{
    if (!VFreeRecords())
        return FALSE;
    const CSectionList& sections = *m_group.m_sections;
    for (POSITION pos = sections.GetHeadPosition(); pos;) {
        CSection* s = static_cast<CSection*>(sections.GetNext(pos));
        if (s->m_name.IsEmpty())
            continue;
        CRecord* record = new CRecord(s->m_name);
        if (!VAddRecord(record)) {
            delete record;
            return FALSE;
        }
        // Filled backwards because the writer writes fields backwards.
        const CParameterList& params = *s->m_parameters;
        for (POSITION p = params.GetTailPosition(); p;) {
            CParameter* param = static_cast<CParameter*>(params.GetPrev(p));
            if (param->m_name.IsEmpty())
                continue;
            CString value;
            GetParameterValue(s->m_name, param->m_name, value);
            if (!record->AddField(param->m_name, value))
                return FALSE;
        }
    }
    BOOL saved = VSaveRecords();
    BOOL freed = VFreeRecords();
    return saved && freed;
}
