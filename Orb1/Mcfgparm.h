// Program-side settings: a named section of typed items, attached to one
// settings table. Items register with their section; sections with the table.
#pragma once

#include "types/CObList.h"
#include "types/CString.h"
#include "types/wintypes.h"

class MCfgTable;
class MCfgParameter;

namespace mcfg {
// Adds `user` to `list` unless present (FALSE), or removes it (FALSE if absent).
int SetMembership(CPtrList& list, void* user, int add);
}

// Implemented by MCfgSection; the table calls it to push or pull every item.
class MCfgTableUser {
public:
    virtual int MCfgTableUserOnUpdateTable() = 0;
    virtual int MCfgTableUserOnUpdateSection() = 0;
    virtual ~MCfgTableUser() = default;
};

// Implemented by MCfgParameter; the section calls it for each item.
class MCfgSectionUser {
public:
    virtual int MCfgSectionUserOnUpdateParameter() = 0;
    virtual int MCfgSectionUserOnUpdateSection() = 0;
    virtual ~MCfgSectionUser() = default;
};

class MCfgSection : public MCfgTableUser {
public:
    // `name` is not copied: it must outlive the section (a static string).
    MCfgSection(const char* name, MCfgTable* table = nullptr);
    ~MCfgSection() override;
    MCfgSection(const MCfgSection&) = delete;
    MCfgSection& operator=(const MCfgSection&) = delete;

    // 0: an item's notify flag decides whether the table's pending flag is set;
    // 1: always set it; anything else: never.
    int m_nNotifyMode = 0;

    int SetTable(MCfgTable* table);
    MCfgTable* GetTable() const { return m_table; }
    const char* GetName() const { return m_name; }
    int SetUpdateSection(int doRegister);
    int UpdateTable();
    int UpdateParameters();
    int IsChanged() const { return m_changed; }
    int SetSectionUser(MCfgSectionUser* user, int add);

    int MCfgTableUserOnUpdateTable() override { return UpdateTable(); }
    int MCfgTableUserOnUpdateSection() override { return UpdateParameters(); }

private:
    friend class MCfgParameter;
    int Set(const MCfgParameter* item);
    int Get(MCfgParameter* item);
    void SetChanged(int notify);
    template <typename Step>
    int ForEachItem(Step step);

    CPtrList m_items{10};
    const char* m_name;
    MCfgTable* m_table = nullptr;
    int m_changed = FALSE;
    int m_notified = FALSE;
};

class MCfgParameter : public MCfgSectionUser {
public:
    // `name` is not copied: it must outlive the item (a static string).
    MCfgParameter(MCfgSection& section, const char* name, int notify);
    ~MCfgParameter() override;
    MCfgParameter(const MCfgParameter&) = delete;
    MCfgParameter& operator=(const MCfgParameter&) = delete;

    int MCfgSectionUserOnUpdateParameter() override { return UpdateParameter(); }
    int MCfgSectionUserOnUpdateSection() override { return UpdateSection(); }

    // The value's text form, written into `text` and returned.
    virtual CString& GetString(CString& text) const = 0;

    int SetUpdateParameter(int doRegister);
    const char* GetName() const { return m_name; }
    MCfgSection* GetSection() const { return m_section; }
    int IsChanged() const { return m_changed; }

    // Writes a changed value into the table. The changed mark is cleared first,
    // so a write that fails (no table attached) is not tried again.
    int UpdateSection();
    // Reads the value from the table.
    int UpdateParameter();

protected:
    friend class MCfgTable;
    virtual void SetString(const CString& text) = 0;
    void SetChanged(int changed);

private:
    MCfgSection* m_section;
    const char* m_name;
    int m_notify;
    int m_changed = TRUE;
};
