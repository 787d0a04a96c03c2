// The INI-style store behind film.ini: a model of named sections holding named
// parameters (CConfiguration) and a text back end (CIniConfiguration). The
// records and fields are the file-side copy, alive only while loading or saving.
#pragma once

#include "types/CObList.h"
#include "types/CObject.h"
#include "types/CString.h"
#include "types/wintypes.h"

#include <string_view>
#include <vector>

// Removes space, tab, line feed and form feed wherever they stand.
CString StripWhiteSpace(const CString& text);

class CField : public CObject {
public:
    CField(const CString& name, const CString& value) : m_name(name), m_value(value) {}
    CString m_name;
    CString m_value;
};

class CRecord : public CObject {
public:
    explicit CRecord(const CString& name) : m_name(name) {}
    ~CRecord() override { FreeFields(); }

    const CString& GetName() const { return m_name; }
    void SetName(const CString& name) { m_name = name; }
    BOOL GetFieldCount(int* count) const;
    BOOL GetFieldName(int index, CString* name) const;
    BOOL GetFieldValue(int index, CString* value) const;
    BOOL SetFieldName(int index, CString name);
    BOOL SetFieldValue(int index, CString value);
    BOOL AddField(const CString& name, const CString& value);
    BOOL RemoveFieldAtIndex(int index);
    void FreeFields();

private:
    CField* FieldAt(int index) const;

    CString m_name;
    // A vector, not a list: loading reads fields by index.
    std::vector<CField*> m_fields;
};

class CParameter : public CObject {
public:
    CParameter(const CString& name, const CString& value) : m_name(name), m_value(value) {}
    CString m_name;
    CString m_value;
};

// Owns its parameters; removing one deletes it.
class CParameterList : public CObList {
public:
    ~CParameterList();
    CParameter* At(POSITION pos) const { return static_cast<CParameter*>(GetAt(pos)); }
};

class CSection : public CObject {
public:
    explicit CSection(const CString& name) : m_name(name), m_parameters(new CParameterList) {}
    ~CSection() override { delete m_parameters; }
    CString m_name;
    CParameterList* m_parameters;
};

class CSectionList : public CObList {
public:
    ~CSectionList();
    CSection* At(POSITION pos) const { return static_cast<CSection*>(GetAt(pos)); }
};

class CGroup : public CObject {
public:
    explicit CGroup(const CString& name = "") : m_name(name), m_sections(new CSectionList) {}
    ~CGroup() override { delete m_sections; }
    CString m_name;
    CSectionList* m_sections;
};

class CConfiguration {
public:
    CConfiguration() = default;
    explicit CConfiguration(CString objectName) : m_group(objectName) {}
    CConfiguration(const CConfiguration&) = delete;
    CConfiguration& operator=(const CConfiguration&) = delete;

    void SetObjectName(CString name) { m_group.m_name = name; }
    BOOL Load();
    BOOL Save();
    BOOL Close();

    BOOL AddSection(CString name);
    BOOL RemoveSection(CString name);
    BOOL AddParameter(CString section, CString name, CString value);
    BOOL RemoveParameter(CString section, CString name);
    BOOL GetParameterValue(CString section, CString name, CString& value) const;
    BOOL SetParameterValue(CString section, CString name, CString value);
    BOOL RenameSection(CString oldName, CString newName);
    BOOL RenameParameter(CString section, CString oldName, CString newName);
    int GetSectionCount() const;
    int GetParameterCount(CString section) const;
    CString GetSectionNameAt(int index) const;
    CString GetParameterNameAt(CString section, int index) const;
    // Every parameter of the section in order; FALSE when it is missing.
    BOOL GetParameters(CString section, std::vector<const CParameter*>& out) const;

    virtual BOOL VLoadRecords() = 0;
    virtual BOOL VSaveRecords() const = 0;
    virtual BOOL VFreeRecords() = 0;
    virtual BOOL VGetRecordCount(int* count) const = 0;
    virtual CRecord* VGetRecordAtIndex(int index) const = 0;
    virtual BOOL VAddRecord(CRecord* record) = 0;

protected:
    // Not virtual: a store is always destroyed through its own type.
    ~CConfiguration() { Close(); }

private:
    CSection* FindSection(const CString& name) const;
    CParameter* FindParameter(const CSection& section, const CString& name) const;

    CGroup m_group;
    int m_loaded = 0;
};

class CIniConfiguration : public CConfiguration {
public:
    explicit CIniConfiguration(CString path);
    ~CIniConfiguration();

    const CString& GetPath() const { return m_path; }

    BOOL VLoadRecords() override;
    // Writes a temporary file beside the store and renames it into place, so
    // the old list survives a crash or a full disk.
    BOOL VSaveRecords() const override;
    BOOL VFreeRecords() override;
    BOOL VGetRecordCount(int* count) const override;
    CRecord* VGetRecordAtIndex(int index) const override;
    BOOL VAddRecord(CRecord* record) override;

    // The reading rules over text already in memory; VLoadRecords feeds it the file.
    void ParseRecords(std::string_view text);

    // More than this is never read: a roll's list is a few kilobytes at most.
    static constexpr size_t kMaxFileBytes = 1 << 20;

private:
    void ParseLine(const CString& line, CString& section);

    CString m_path;
    std::vector<CRecord*>* m_records;
};
