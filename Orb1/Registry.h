// Object layer over the key store: a CSubKey wraps one open key and owns the
// subkeys opened through it; the root classes open a hive, optionally at a path
// below it. A failing store call passes its error number to SetLastError and
// makes the operation return FALSE (or null).
#pragma once

#include "keystore/keystore.h"
#include "types/CObList.h"
#include "types/CString.h"

#include <cstring>

class CSubKey;

class CSubKeyParent {
public:
    virtual int VSubKeyParentOnCloseSubKey(CSubKey* child) = 0;
    virtual ~CSubKeyParent() = default;
};

class CKeyAccessMask {
public:
    explicit CKeyAccessMask(unsigned long flags = 0) : m_flags(flags) {}
    unsigned long GetFlags() const { return m_flags; }
    void Reset() { m_flags = 0; }
    void AllowAll() { m_flags = KEY_ALL_ACCESS; }
    void AllowRead() { m_flags = KEY_READ; }
    void AllowWrite() { m_flags = KEY_WRITE; }
    void AllowExecute(int on) { set(KEY_EXECUTE, on); }
    void AllowQueryValue(int on) { set(KEY_QUERY_VALUE, on); }
    void AllowSetValue(int on) { set(KEY_SET_VALUE, on); }
    void AllowCreateSubKey(int on) { set(KEY_CREATE_SUB_KEY, on); }
    void AllowEnumSubKeys(int on) { set(KEY_ENUMERATE_SUB_KEYS, on); }
    void AllowNotify(int on) { set(KEY_NOTIFY, on); }
    void AllowCreateLink(int on) { set(KEY_CREATE_LINK, on); }
    int CanExecute() const { return has(KEY_EXECUTE); }
    int CanQueryValue() const { return has(KEY_QUERY_VALUE); }
    int CanSetValue() const { return has(KEY_SET_VALUE); }
    int CanCreateSubKey() const { return has(KEY_CREATE_SUB_KEY); }
    int CanEnumSubKeys() const { return has(KEY_ENUMERATE_SUB_KEYS); }
    int CanNotify() const { return has(KEY_NOTIFY); }
    int CanCreateLink() const { return has(KEY_CREATE_LINK); }

private:
    void set(unsigned long bits, int on) { m_flags = on ? (m_flags | bits) : (m_flags & ~bits); }
    int has(unsigned long bits) const { return (m_flags & bits) == bits; }
    unsigned long m_flags;
};

class CKeySecurityAttributes {
public:
    CKeySecurityAttributes() { Reset(); }
    void Reset() { m_attributes = SECURITY_ATTRIBUTES{}; }
    void SetDescriptor(void* descriptor) { m_attributes.lpSecurityDescriptor = descriptor; }
    void* GetDescriptor() const { return m_attributes.lpSecurityDescriptor; }
    void SetInheritHandle(int on) { m_attributes.bInheritHandle = on ? TRUE : FALSE; }
    int CanInheritHandle() const { return m_attributes.bInheritHandle; }
    const SECURITY_ATTRIBUTES* Get() const { return &m_attributes; }

private:
    SECURITY_ATTRIBUTES m_attributes;
};

class CKeySecurityDescriptor {
public:
    static constexpr unsigned long kLength = 20;
    CKeySecurityDescriptor() { Reset(); }
    void Reset() { std::memset(m_data, 0, sizeof m_data); }
    unsigned long GetLength() const { return kLength; }
    void SetDescriptor(const void* descriptor) { std::memcpy(m_data, descriptor, kLength); }
    void* GetDescriptor() { return m_data; }

private:
    BYTE m_data[kLength];
};

class CKeySecurityInformation {
public:
    explicit CKeySecurityInformation(unsigned long flags = 0) : m_flags(flags) {}
    unsigned long GetFlags() const { return m_flags; }
    void SetOwner(int on) { set(OWNER_SECURITY_INFORMATION, on); }
    void SetGroup(int on) { set(GROUP_SECURITY_INFORMATION, on); }
    void SetDACL(int on) { set(DACL_SECURITY_INFORMATION, on); }
    void SetSACL(int on) { set(SACL_SECURITY_INFORMATION, on); }
    int IsOwner() const { return (m_flags & OWNER_SECURITY_INFORMATION) != 0; }
    int IsGroup() const { return (m_flags & GROUP_SECURITY_INFORMATION) != 0; }
    int IsDACL() const { return (m_flags & DACL_SECURITY_INFORMATION) != 0; }
    int IsSACL() const { return (m_flags & SACL_SECURITY_INFORMATION) != 0; }

private:
    void set(unsigned long bit, int on) { m_flags = on ? (m_flags | bit) : (m_flags & ~bit); }
    unsigned long m_flags;
};

class CSubKey : public CSubKeyParent {
public:
    CSubKey();
    // Takes ownership of an open handle; `parent` hears when this key closes.
    CSubKey(HKEY key, const char* name, CSubKeyParent* parent, unsigned long disposition = REG_OPENED_EXISTING_KEY);
    ~CSubKey() override;
    CSubKey(const CSubKey&) = delete;
    CSubKey& operator=(const CSubKey&) = delete;

    int VSubKeyParentOnCloseSubKey(CSubKey* child) override;

    // Two objects are the same key object when their serial numbers match.
    bool operator==(const CSubKey& other) const { return m_serial == other.m_serial; }
    int GetSerial() const { return m_serial; }

    HKEY GetHandle() const { return m_key; }
    int IsOpen() const { return m_key != nullptr; }
    const CString& GetName() const { return m_name; }
    const CString& GetClassName() const { return m_className; }
    unsigned long GetDisposition() const { return m_disposition; }
    unsigned long GetSubKeyCount() const { return m_subKeys; }
    unsigned long GetMaxSubKeyLength() const { return m_maxSubKeyLength; }
    unsigned long GetMaxClassLength() const { return m_maxClassLength; }
    unsigned long GetValueCount() const { return m_values; }
    unsigned long GetMaxValueNameLength() const { return m_maxValueNameLength; }
    unsigned long GetMaxValueLength() const { return m_maxValueLength; }
    unsigned long GetSecurityDescriptorLength() const { return m_securityLength; }
    const FILETIME& GetLastWriteTime() const { return m_lastWrite; }

    // Opening and creating: the child belongs to this key (null on failure).
    CSubKey* OpenSubKey(const char* name);
    CSubKey* OpenSubKeyEx(const char* name, const CKeyAccessMask* mask);
    CSubKey* OpenSubKeyAt(unsigned long index);
    CSubKey* CreateSubKey(const char* name);
    CSubKey* CreateSubKey(const char* name, const char* keyClass, const CKeyAccessMask* mask,
                          const CKeySecurityAttributes* attributes);
    CSubKey* CreateSubKeyVolatile(const char* name, const char* keyClass, const CKeyAccessMask* mask,
                                  const CKeySecurityAttributes* attributes);
    static HKEY GCreateKeyEx(HKEY key, const char* name, const char* keyClass, unsigned long options,
                             const CKeyAccessMask* mask, const CKeySecurityAttributes* attributes,
                             unsigned long* disposition);
    static int GIsPredefinedKey(HKEY key);

    int IsSubKeyOpen() const { return !m_children.IsEmpty(); }
    CSubKey* IsSubKeyOpen(const char* name) const;
    void CloseSubKeys();
    // Closes the children, then the key. With `notify` the parent drops this key
    // from its children, and the caller owns the object from then on.
    int Close(int notify = TRUE);
    int DeleteSubKey(const char* name);

    // Enumeration and information.
    int RefreshInfo();
    void ResetInfo();
    int GetSubKeyNameAt(unsigned long index, CString& name);
    int _GetSubKeyNameAt(unsigned long index, CString& name);
    unsigned long GetSubKeyClassNameLengthAt(unsigned long index);
    int GetSubKeyClassAt(unsigned long index, CString& keyClass);
    int GetSubKeyLastWriteAt(unsigned long index, FILETIME& written);
    int GetValueNameAt(unsigned long index, CString& name, unsigned long* type);
    int GetValueAt(unsigned long index, CString& value);

    // Values. The unnamed forms work on the key's default value.
    unsigned long GetValueType(const char* name);   // (unsigned long)-1 when unreadable
    unsigned long GetValueLength(const char* name);
    int GetValue(const char* name, CString& value);
    unsigned long GetValue(const char* name, void* buffer, unsigned long length);
    unsigned long GetValueLength();
    int GetValue(CString& value);
    int SetValue(const char* text);
    int SetValue(const char* name, const char* text);
    int SetValue(const char* name, const BYTE* bytes, unsigned long length);
    int SetValue(const char* name, void* data, unsigned long length);
    int DeleteValue();
    int DeleteValue(const char* name);

    // Calls the store has no counterpart for fail with their error number.
    int Flush();
    int GetSecurity(const CKeySecurityInformation& information, CKeySecurityDescriptor& descriptor);
    int SetSecurity(const CKeySecurityInformation& information, CKeySecurityDescriptor& descriptor);
    int NotifyChanges(int watchSubtree, unsigned long filter, HANDLE event, int asynchronous);
    int ReplaceSubKey(const char* subKey, const char* newFile, const char* oldFile);
    int Restore(const char* file, unsigned long flags);
    int Save(const char* file, const CKeySecurityAttributes* attributes);

protected:
    int SetValueEx(const char* name, unsigned long type, const void* data, unsigned long length);
    LONG QueryValueEx(const char* name, unsigned long* type, void* data, unsigned long* length);
    // Records a store result: TRUE for success, else FALSE with the last error set.
    static int Check(LONG result);
    CSubKey* Adopt(HKEY key, const char* name, unsigned long disposition);
    void SetKey(HKEY key, const char* name, unsigned long disposition);

private:
    CSubKey* CreateSubKeyWith(const char* name, const char* keyClass, unsigned long options,
                              const CKeyAccessMask* mask, const CKeySecurityAttributes* attributes);
    int EnumSubKey(unsigned long index, CString* name, DWORD nameCapacity, CString* keyClass, FILETIME* written);

    HKEY m_key = nullptr;
    CPtrList m_children{10};
    int m_serial;
    unsigned long m_disposition = REG_OPENED_EXISTING_KEY;
    CString m_name;
    CString m_className;
    unsigned long m_subKeys = 0, m_maxSubKeyLength = 0, m_maxClassLength = 0;
    unsigned long m_values = 0, m_maxValueNameLength = 0, m_maxValueLength = 0;
    unsigned long m_securityLength = 0;
    FILETIME m_lastWrite = {};
    CSubKeyParent* m_parent = nullptr;
};

// Shared behaviour of the hive classes; each exposes the operations its hive has.
class CRootRegistry : public CSubKey {
protected:
    explicit CRootRegistry(HKEY hive) : m_hive(hive) {}
    // Opens the hive itself (null path) or creates/opens the path below it.
    void OpenRoot(const char* path);
    int Connect(const char* machine);
    int SetSubKeyValue(const char* subKey, const char* name, const char* value);
    int LoadKey(const char* subKey, const char* file);
    int UnLoadKey(const char* subKey);

private:
    HKEY m_hive;
};

class CLocalMachineRegistry : public CRootRegistry {
public:
    CLocalMachineRegistry() : CRootRegistry(HKEY_LOCAL_MACHINE) { OpenRoot(nullptr); }
    explicit CLocalMachineRegistry(const char* path) : CRootRegistry(HKEY_LOCAL_MACHINE) { OpenRoot(path); }
    using CRootRegistry::Connect;
    using CRootRegistry::LoadKey;
    using CRootRegistry::SetSubKeyValue;
    using CRootRegistry::UnLoadKey;
};

class CClassesRootRegistry : public CRootRegistry {
public:
    CClassesRootRegistry() : CRootRegistry(HKEY_CLASSES_ROOT) { OpenRoot(nullptr); }
    explicit CClassesRootRegistry(const char* path) : CRootRegistry(HKEY_CLASSES_ROOT) { OpenRoot(path); }
    using CRootRegistry::SetSubKeyValue;
};

class CCurrentUserRegistry : public CRootRegistry {
public:
    CCurrentUserRegistry() : CRootRegistry(HKEY_CURRENT_USER) { OpenRoot(nullptr); }
};

// Holds no key until Connect.
class CUsersRegistry : public CRootRegistry {
public:
    CUsersRegistry() : CRootRegistry(HKEY_USERS) {}
    using CRootRegistry::Connect;
    using CRootRegistry::LoadKey;
    using CRootRegistry::UnLoadKey;
};
