#include "Mcfgtbl.h"

#include "Registry.h"
#include "keystore/keystore.h"

void MCfgTableParameter::Dump(CDumpContext& dc) const { dc << m_name << "=" << m_value << "\n"; }

void MCfgTableParameter::Write(const MCfgWriteUser* user, const CString& section) const
{
    user->WriteParameter(section, m_name, m_value);
}

MCfgTableSection::~MCfgTableSection()
{
    while (!m_parameters.IsEmpty())
        delete m_parameters.RemoveHead();
}

void MCfgTableSection::Dump(CDumpContext& dc) const
{
    dc << "[" << m_name << "]\n";
    for (POSITION pos = m_parameters.GetHeadPosition(); pos;)
        m_parameters.GetNext(pos)->Dump(dc);
}

void MCfgTableSection::Write(const MCfgWriteUser* user) const
{
    user->WriteSection(m_name);
    for (POSITION pos = m_parameters.GetHeadPosition(); pos;)
        static_cast<const MCfgTableParameter*>(m_parameters.GetNext(pos))->Write(user, m_name);
}

MCfgTableParameter* MCfgTableSection::FindParameter(const char* name) const
{
    for (POSITION pos = m_parameters.GetHeadPosition(); pos;) {
        auto* p = static_cast<MCfgTableParameter*>(m_parameters.GetNext(pos));
        if (p->GetName().CompareNoCase(name) == 0)
            return p;
    }
    return nullptr;
}

int MCfgTableSection::AddParameter(const CString& name, const CString& value)
{
    if (FindParameter(name))
        return FALSE;
    m_parameters.AddTail(new MCfgTableParameter(name, value));
    return TRUE;
}

MCfgTable::~MCfgTable()
{
    MCfgTable::Unload();
}

int MCfgTable::Unload()
{
    while (!m_sections.IsEmpty())
        delete m_sections.RemoveHead();
    return TRUE;
}

int MCfgTable::SetTableUser(MCfgTableUser* user, int add) { return mcfg::SetMembership(m_users, user, add); }

int MCfgTable::ForEachUser(int (MCfgTableUser::*step)())
{
    int all = TRUE;
    for (POSITION pos = m_users.GetHeadPosition(); pos;)
        if (!(static_cast<MCfgTableUser*>(m_users.GetNext(pos))->*step)())
            all = FALSE;
    m_outOfDate = !all;
    return all;
}

int MCfgTable::UpdateTable() { return ForEachUser(&MCfgTableUser::MCfgTableUserOnUpdateTable); }

int MCfgTable::UpdateSections() { return ForEachUser(&MCfgTableUser::MCfgTableUserOnUpdateSection); }

MCfgTableSection* MCfgTable::FindSection(const char* name) const
{
    for (POSITION pos = m_sections.GetHeadPosition(); pos;) {
        auto* s = static_cast<MCfgTableSection*>(m_sections.GetNext(pos));
        if (s->GetName().CompareNoCase(name) == 0)
            return s;
    }
    return nullptr;
}

MCfgTableSection* MCfgTable::AddSection(const CString& name)
{
    auto* section = new MCfgTableSection(name);
    m_sections.AddTail(section);
    return section;
}

void MCfgTable::Dump(CDumpContext& dc) const
{
    for (POSITION pos = m_sections.GetHeadPosition(); pos;)
        m_sections.GetNext(pos)->Dump(dc);
}

int MCfgTable::Get(const MCfgSection* section, MCfgParameter& item) const
{
    MCfgTableSection* stored = FindSection(section->GetName());
    if (!stored) {
        m_outOfDate = TRUE;
        return FALSE;
    }
    MCfgTableParameter* p = stored->FindParameter(item.GetName());
    if (!p)
        return FALSE;
    item.SetString(p->GetValue());
    return TRUE;
}

int MCfgTable::Set(const MCfgSection* section, const MCfgParameter& item)
{
    m_modified = TRUE;
    MCfgTableSection* stored = FindSection(section->GetName());
    if (!stored)
        stored = AddSection(section->GetName());
    CString text;
    item.GetString(text);
    if (MCfgTableParameter* p = stored->FindParameter(item.GetName()))
        p->SetValue(text);
    else
        stored->AddParameter(item.GetName(), text);
    return TRUE;
}

MCfgStoreTable::~MCfgStoreTable() { ReleaseStore(); }

void MCfgStoreTable::ReleaseStore() { m_store.reset(); }

int MCfgStoreTable::Unload()
{
    ReleaseStore();
    return MCfgTable::Unload();
}

int MCfgStoreTable::Load(const CString& path)
{
    // One transaction: a save by another process lands wholly before or after.
    keystore::Transaction snapshot;
    m_store = OpenRoot(path);
    if (!m_store || !m_store->IsOpen() || !m_store->RefreshInfo()) {
        ReleaseStore();
        return FALSE;
    }
    m_path = path;
    unsigned long count = m_store->GetSubKeyCount();
    for (unsigned long i = 0; i < count; ++i) {
        CString name;
        if (!m_store->GetSubKeyNameAt(i, name))
            continue;
        CSubKey* key = m_store->OpenSubKeyEx(name, nullptr);
        if (!key)
            continue;
        ReadSection(*key, name);
    }
    ReleaseStore();
    m_loadState = kLoaded;
    m_modified = FALSE;
    return TRUE;
}

void MCfgStoreTable::ReadSection(CSubKey& key, const CString& name)
{
    MCfgTableSection* section = AddSection(name);
    if (!key.RefreshInfo())
        return;
    unsigned long values = key.GetValueCount();
    for (unsigned long v = 0; v < values; ++v) {
        CString valueName, text;
        unsigned long type = 0;
        if (!key.GetValueNameAt(v, valueName, &type))
            continue;
        // Text up to the first NUL whatever the type; a value gone since the
        // listing is skipped rather than read as an empty text.
        if (!key.GetValue(valueName, text))
            continue;
        section->AddParameter(valueName, text);
    }
}

int MCfgStoreTable::Save()
{
    if (m_loadState != kLoaded)
        return FALSE;
    if (!m_modified)
        return TRUE;
    keystore::Transaction transaction;
    m_store = OpenRoot(m_path);
    if (!m_store || !m_store->IsOpen()) {
        ReleaseStore();
        return FALSE;
    }
    for (POSITION pos = m_sections.GetHeadPosition(); pos;)
        static_cast<const MCfgTableSection*>(m_sections.GetNext(pos))->Write(this);
    ReleaseStore();
    // All sections land together or not at all; a save that did not land keeps
    // the table marked modified so the next save tries again.
    if (!transaction.Commit())
        return FALSE;
    m_modified = FALSE;
    return TRUE;
}

int MCfgStoreTable::WriteSection(const CString&) const { return TRUE; }

int MCfgStoreTable::WriteParameter(const CString& section, const CString& name, const CString& value) const
{
    if (!m_store)
        return FALSE;
    CSubKey* key = m_store->IsSubKeyOpen(section);
    if (!key)
        key = m_store->CreateSubKey(section, "Section", nullptr, nullptr);
    return key ? key->SetValue(name, value) : FALSE;
}

std::unique_ptr<CSubKey> MCfgINITable::OpenRoot(const char* path) const
{
    return std::make_unique<CLocalMachineRegistry>(path);
}

std::unique_ptr<CSubKey> MCfgClassesRootTable::OpenRoot(const char* path) const
{
    return std::make_unique<CClassesRootRegistry>(path);
}
