#include "Mcfgparm.h"

#include "Mcfgtbl.h"

MCfgSection::MCfgSection(const char* name, MCfgTable* table) : m_name(name ? name : "")
{
    if (table)
        SetTable(table);
}

MCfgSection::~MCfgSection()
{
    if (m_table)
        m_table->SetTableUser(this, FALSE);
}

int MCfgSection::SetTable(MCfgTable* table)
{
    if (table == m_table)
        return TRUE;
    if (m_table && !m_table->SetTableUser(this, FALSE))
        return FALSE;
    m_changed = TRUE;
    m_table = table;
    if (m_table && !m_table->SetTableUser(this, TRUE))
        return FALSE;
    UpdateParameters();
    return TRUE;
}

int MCfgSection::SetUpdateSection(int doRegister)
{
    if (!m_table)
        return doRegister ? FALSE : TRUE;
    return m_table->SetTableUser(this, doRegister);
}

template <typename Step>
int MCfgSection::ForEachItem(Step step)
{
    int all = TRUE;
    for (POSITION pos = m_items.GetHeadPosition(); pos;) {
        auto* item = static_cast<MCfgSectionUser*>(m_items.GetNext(pos));
        if (!step(item))
            all = FALSE;
    }
    m_notified = FALSE;
    m_changed = all ? FALSE : TRUE;
    return all;
}

int MCfgSection::UpdateTable()
{
    return ForEachItem([](MCfgSectionUser* item) { return item->MCfgSectionUserOnUpdateSection(); });
}

int MCfgSection::UpdateParameters()
{
    return ForEachItem([](MCfgSectionUser* item) { return item->MCfgSectionUserOnUpdateParameter(); });
}

int mcfg::SetMembership(CPtrList& list, void* user, int add)
{
    POSITION pos = list.Find(user);
    if (add) {
        if (pos)
            return FALSE;
        list.AddTail(user);
        return TRUE;
    }
    if (!pos)
        return FALSE;
    list.RemoveAt(pos);
    return TRUE;
}

int MCfgSection::SetSectionUser(MCfgSectionUser* user, int add) { return mcfg::SetMembership(m_items, user, add); }

int MCfgSection::Set(const MCfgParameter* item) { return m_table ? m_table->Set(this, *item) : FALSE; }

int MCfgSection::Get(MCfgParameter* item) { return m_table ? m_table->Get(this, *item) : FALSE; }

void MCfgSection::SetChanged(int notify)
{
    if (m_notified)
        return;
    if (((m_nNotifyMode == 0 && notify) || m_nNotifyMode == 1) && m_table) {
        m_table->m_pending = TRUE;
        m_notified = TRUE;
    }
    if (!m_changed && m_table) {
        m_table->m_outOfDate = TRUE;
        m_changed = TRUE;
    }
}

MCfgParameter::MCfgParameter(MCfgSection& section, const char* name, int notify)
    : m_section(&section), m_name(name ? name : ""), m_notify(notify)
{
    m_section->SetSectionUser(this, TRUE);
}

MCfgParameter::~MCfgParameter() { m_section->SetSectionUser(this, FALSE); }

int MCfgParameter::SetUpdateParameter(int doRegister) { return m_section->SetSectionUser(this, doRegister); }

void MCfgParameter::SetChanged(int changed)
{
    if (!m_changed && changed)
        m_section->SetChanged(m_notify);
    m_changed = changed ? TRUE : FALSE;
}

int MCfgParameter::UpdateSection()
{
    if (!m_changed)
        return TRUE;
    m_changed = FALSE;
    return m_section->Set(this);
}

int MCfgParameter::UpdateParameter() { return m_section->Get(this); }
