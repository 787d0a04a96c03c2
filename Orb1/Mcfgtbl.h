// The settings table: every item's text in memory, grouped by section, loaded
// from and saved to the key store. Items and store exchange text only.
#pragma once

#include "Mcfgparm.h"
#include "types/CObList.h"
#include "types/CObject.h"
#include "types/CString.h"

#include <memory>

#include "Registry.h"

// Implemented by the store-backed tables: receives a section's text on save.
class MCfgWriteUser {
public:
    virtual int WriteSection(const CString& section) const = 0;
    virtual int WriteParameter(const CString& section, const CString& name, const CString& value) const = 0;
    virtual ~MCfgWriteUser() = default;
};

class MCfgTableParameter : public CObject {
public:
    const char* GetClassName() const override { return "MCfgTableParameter"; }
    void Dump(CDumpContext& dc) const override;
    virtual void SetValue(const CString& value) { m_value = value; }
    virtual void Write(const MCfgWriteUser* user, const CString& section) const;
    const CString& GetName() const { return m_name; }
    const CString& GetValue() const { return m_value; }

private:
    friend class MCfgTableSection;
    MCfgTableParameter(const CString& name, const CString& value) : m_name(name), m_value(value) {}
    CString m_name;
    CString m_value;
};

class MCfgTableSection : public CObject {
public:
    explicit MCfgTableSection(const CString& name) : m_name(name) {}
    ~MCfgTableSection() override;
    const char* GetClassName() const override { return "MCfgTableSection"; }
    void Dump(CDumpContext& dc) const override;
    virtual void Write(const MCfgWriteUser* user) const;

    // Appends unless a parameter of that name (any case) exists: the first one stays.
    int AddParameter(const CString& name, const CString& value);
    MCfgTableParameter* FindParameter(const char* name) const;
    const CString& GetName() const { return m_name; }
    int GetParameterCount() const { return m_parameters.GetCount(); }

private:
    CString m_name;
    CObList m_parameters{10};
};

class MCfgTable : public MCfgWriteUser {
public:
    MCfgTable() = default;
    ~MCfgTable() override;
    MCfgTable(const MCfgTable&) = delete;
    MCfgTable& operator=(const MCfgTable&) = delete;

    virtual int Load(const CString& path) = 0;
    virtual int Unload();
    virtual int Save() = 0;

    int SetTableUser(MCfgTableUser* user, int add);
    // Every registered section writes its changed items into the table.
    int UpdateTable();
    // Every registered section re-reads all its items from the table.
    int UpdateSections();

    int IsOutOfDate() const { return m_outOfDate; }
    int IsModified() const { return m_modified; }
    int IsPending() const { return m_pending; }
    const CString& GetPath() const { return m_path; }
    const CObList& GetSections() const { return m_sections; }
    MCfgTableSection* FindSection(const char* name) const;
    void Dump(CDumpContext& dc) const;

protected:
    friend class MCfgSection;
    int Get(const MCfgSection* section, MCfgParameter& item) const;
    int Set(const MCfgSection* section, const MCfgParameter& item);
    MCfgTableSection* AddSection(const CString& name);
    // Calls `step` on every registered section; all must succeed.
    int ForEachUser(int (MCfgTableUser::*step)());

    mutable int m_outOfDate = FALSE;
    int m_modified = FALSE;
    CObList m_sections{10};
    CPtrList m_users{10};
    CString m_path;
    int m_pending = FALSE;
};

// Keeps the table under a path of one hive of the key store: a subkey per
// section (class "Section"), a text value per item.
class MCfgStoreTable : public MCfgTable {
public:
    ~MCfgStoreTable() override;
    int Load(const CString& path) override;
    int Unload() override;
    int Save() override;
    int WriteSection(const CString& section) const override;
    int WriteParameter(const CString& section, const CString& name, const CString& value) const override;

    enum { kLoaded = 0, kNeverLoaded = 2 };
    int GetLoadState() const { return m_loadState; }

protected:
    // Creates or opens the root key; the result may be closed on failure.
    virtual std::unique_ptr<CSubKey> OpenRoot(const char* path) const = 0;

private:
    void ReadSection(CSubKey& key, const CString& name);
    void ReleaseStore();

    int m_loadState = kNeverLoaded;
    std::unique_ptr<CSubKey> m_store;
};

// Despite its name it reads and writes no file: it keeps its table under the
// local-machine hive.
class MCfgINITable : public MCfgStoreTable {
protected:
    std::unique_ptr<CSubKey> OpenRoot(const char* path) const override;
};

class MCfgClassesRootTable : public MCfgStoreTable {
protected:
    std::unique_ptr<CSubKey> OpenRoot(const char* path) const override;
};
