#include "Registry.h"

#include <algorithm>
#include <atomic>
#include <new>
#include <vector>

namespace {
std::atomic<int> g_nextSerial{1};

// Null mask: all access plus read, as every key of the suite is opened.
REGSAM MaskOrDefault(const CKeyAccessMask* mask)
{
    return mask ? REGSAM(mask->GetFlags()) : REGSAM(KEY_ALL_ACCESS | KEY_READ);
}
}  // namespace

CSubKey::CSubKey() : m_serial(g_nextSerial++) {}

CSubKey::CSubKey(HKEY key, const char* name, CSubKeyParent* parent, unsigned long disposition)
    : m_key(key), m_serial(g_nextSerial++), m_disposition(disposition), m_name(name), m_parent(parent)
{
}

CSubKey::~CSubKey()
{
    if (m_key)
        Close(FALSE);
    CloseSubKeys();
}

int CSubKey::Check(LONG result)
{
    if (result == ERROR_SUCCESS)
        return TRUE;
    SetLastError(DWORD(result));
    return FALSE;
}

void CSubKey::SetKey(HKEY key, const char* name, unsigned long disposition)
{
    m_key = key;
    m_name = name;
    m_disposition = disposition;
}

int CSubKey::VSubKeyParentOnCloseSubKey(CSubKey* child)
{
    POSITION pos = m_children.Find(child);
    if (!pos)
        return FALSE;
    m_children.RemoveAt(pos);
    return TRUE;
}

CSubKey* CSubKey::Adopt(HKEY key, const char* name, unsigned long disposition)
{
    CSubKey* child = new (std::nothrow) CSubKey(key, name, this, disposition);
    if (!child) {
        RegCloseKey(key);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    m_children.AddTail(child);
    return child;
}

CSubKey* CSubKey::IsSubKeyOpen(const char* name) const
{
    for (POSITION pos = m_children.GetHeadPosition(); pos;) {
        CSubKey* child = static_cast<CSubKey*>(m_children.GetNext(pos));
        if (child->m_name == name)
            return child;
    }
    return nullptr;
}

CSubKey* CSubKey::OpenSubKey(const char* name)
{
    if (!m_key)
        return nullptr;
    if (CSubKey* open = IsSubKeyOpen(name))
        return open;
    HKEY key = nullptr;
    if (!Check(RegOpenKeyA(m_key, name, &key)))
        return nullptr;
    return Adopt(key, name, REG_OPENED_EXISTING_KEY);
}

CSubKey* CSubKey::OpenSubKeyEx(const char* name, const CKeyAccessMask* mask)
{
    if (!m_key)
        return nullptr;
    if (CSubKey* open = IsSubKeyOpen(name))
        return open;
    HKEY key = nullptr;
    if (!Check(RegOpenKeyExA(m_key, name, 0, MaskOrDefault(mask), &key)))
        return nullptr;
    return Adopt(key, name, REG_OPENED_EXISTING_KEY);
}

CSubKey* CSubKey::OpenSubKeyAt(unsigned long index)
{
    CString name;
    if (!GetSubKeyNameAt(index, name))
        return nullptr;
    return OpenSubKeyEx(name, nullptr);
}

CSubKey* CSubKey::CreateSubKey(const char* name)
{
    if (!m_key)
        return nullptr;
    HKEY key = nullptr;
    if (!Check(RegCreateKeyA(m_key, name, &key)))
        return nullptr;
    return Adopt(key, name, REG_OPENED_EXISTING_KEY);
}

CSubKey* CSubKey::CreateSubKeyWith(const char* name, const char* keyClass, unsigned long options,
                                   const CKeyAccessMask* mask, const CKeySecurityAttributes* attributes)
{
    if (!m_key)
        return nullptr;
    unsigned long disposition = REG_OPENED_EXISTING_KEY;
    HKEY key = GCreateKeyEx(m_key, name, keyClass, options, mask, attributes, &disposition);
    if (!key)
        return nullptr;
    return Adopt(key, name, disposition);
}

CSubKey* CSubKey::CreateSubKey(const char* name, const char* keyClass, const CKeyAccessMask* mask,
                               const CKeySecurityAttributes* attributes)
{
    return CreateSubKeyWith(name, keyClass, REG_OPTION_NON_VOLATILE, mask, attributes);
}

CSubKey* CSubKey::CreateSubKeyVolatile(const char* name, const char* keyClass, const CKeyAccessMask* mask,
                                       const CKeySecurityAttributes* attributes)
{
    return CreateSubKeyWith(name, keyClass, REG_OPTION_VOLATILE, mask, attributes);
}

HKEY CSubKey::GCreateKeyEx(HKEY parent, const char* name, const char* keyClass, unsigned long options,
                           const CKeyAccessMask* mask, const CKeySecurityAttributes* attributes,
                           unsigned long* disposition)
{
    CKeySecurityAttributes zeroed;
    const SECURITY_ATTRIBUTES* sa = attributes ? attributes->Get() : zeroed.Get();
    HKEY key = nullptr;
    DWORD disp = REG_OPENED_EXISTING_KEY;
    if (!Check(RegCreateKeyExA(parent, name, 0, keyClass ? keyClass : "", DWORD(options), MaskOrDefault(mask), sa,
                               &key, &disp)))
        return nullptr;
    if (disposition)
        *disposition = disp;
    return key;
}

int CSubKey::GIsPredefinedKey(HKEY key)
{
    uintptr_t v = reinterpret_cast<uintptr_t>(key);
    return v >= 0x80000000u && v <= 0x80000003u;
}

void CSubKey::CloseSubKeys()
{
    while (!m_children.IsEmpty()) {
        CSubKey* child = static_cast<CSubKey*>(m_children.RemoveHead());
        child->m_parent = nullptr;   // already out of the list
        delete child;
    }
}

int CSubKey::Close(int notify)
{
    if (!m_key)
        return FALSE;
    CloseSubKeys();
    if (!Check(RegCloseKey(m_key)))
        return FALSE;
    m_key = nullptr;
    if (notify && m_parent) {
        m_parent->VSubKeyParentOnCloseSubKey(this);
        m_parent = nullptr;
    }
    return TRUE;
}

int CSubKey::DeleteSubKey(const char* name)
{
    if (!m_key)
        return FALSE;
    if (CSubKey* open = IsSubKeyOpen(name)) {
        VSubKeyParentOnCloseSubKey(open);
        open->m_parent = nullptr;
        delete open;
    }
    return Check(RegDeleteKeyA(m_key, name));
}

int CSubKey::RefreshInfo()
{
    if (!m_key)
        return FALSE;
    DWORD classLength = 0, subKeys = 0, maxSub = 0, maxClass = 0, values = 0, maxName = 0, maxValue = 0, sec = 0;
    FILETIME written = {};
    if (!Check(RegQueryInfoKeyA(m_key, nullptr, &classLength, nullptr, &subKeys, &maxSub, &maxClass, &values,
                                &maxName, &maxValue, &sec, &written)))
        return FALSE;
    std::vector<char> cls(classLength + 1, '\0');
    DWORD capacity = DWORD(cls.size());
    if (!Check(RegQueryInfoKeyA(m_key, cls.data(), &capacity, nullptr, &subKeys, &maxSub, &maxClass, &values,
                                &maxName, &maxValue, &sec, &written)))
        return FALSE;
    m_className = cls.data();
    m_subKeys = subKeys;
    m_maxSubKeyLength = maxSub;
    m_maxClassLength = maxClass;
    m_values = values;
    m_maxValueNameLength = maxName;
    m_maxValueLength = maxValue;
    m_securityLength = sec;
    m_lastWrite = written;
    return TRUE;
}

void CSubKey::ResetInfo()
{
    m_className.Empty();
    m_subKeys = m_maxSubKeyLength = m_maxClassLength = 0;
    m_values = m_maxValueNameLength = m_maxValueLength = 0;
    m_securityLength = 0;
    m_lastWrite = FILETIME{};
    m_disposition = REG_OPENED_EXISTING_KEY;
}

int CSubKey::EnumSubKey(unsigned long index, CString* name, DWORD nameCapacity, CString* keyClass, FILETIME* written)
{
    if (!m_key)
        return FALSE;
    std::vector<char> nameBuf(nameCapacity + 1, '\0');
    std::vector<char> classBuf(m_maxClassLength + 2, '\0');
    // The information read earlier may be out of date: one fresh look if a buffer is short.
    for (int attempt = 0; attempt < 2; ++attempt) {
        DWORD nameLength = DWORD(nameBuf.size() - 1);
        DWORD classLength = DWORD(classBuf.size() - 1);
        LONG rc = RegEnumKeyExA(m_key, DWORD(index), nameBuf.data(), &nameLength, nullptr,
                                keyClass ? classBuf.data() : nullptr, keyClass ? &classLength : nullptr, written);
        if (rc == ERROR_MORE_DATA && attempt == 0 && name != nullptr && RefreshInfo()) {
            nameBuf.assign(std::max<DWORD>(nameCapacity, DWORD(m_maxSubKeyLength + 2)) + 1, '\0');
            classBuf.assign(m_maxClassLength + 2, '\0');
            continue;
        }
        if (!Check(rc))
            return FALSE;
        if (name)
            *name = nameBuf.data();
        if (keyClass)
            *keyClass = classBuf.data();
        return TRUE;
    }
    return FALSE;
}

int CSubKey::GetSubKeyNameAt(unsigned long index, CString& name)
{
    return EnumSubKey(index, &name, DWORD(m_maxSubKeyLength + 2), nullptr, nullptr);
}

int CSubKey::_GetSubKeyNameAt(unsigned long index, CString& name)
{
    return EnumSubKey(index, &name, 261, nullptr, nullptr);
}

unsigned long CSubKey::GetSubKeyClassNameLengthAt(unsigned long index)
{
    CString cls;
    CString name;
    if (!EnumSubKey(index, &name, 261, &cls, nullptr))
        return 0;
    return static_cast<unsigned long>(cls.GetLength());
}

int CSubKey::GetSubKeyClassAt(unsigned long index, CString& keyClass)
{
    CString name;
    return EnumSubKey(index, &name, 261, &keyClass, nullptr);
}

int CSubKey::GetSubKeyLastWriteAt(unsigned long index, FILETIME& written)
{
    CString name;
    return EnumSubKey(index, &name, 261, nullptr, &written);
}

int CSubKey::GetValueNameAt(unsigned long index, CString& name, unsigned long* type)
{
    if (!m_key || m_maxValueNameLength == 0)
        return FALSE;
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::vector<char> buffer(m_maxValueNameLength + 1, '\0');
        DWORD length = DWORD(buffer.size());
        DWORD t = REG_NONE;
        LONG rc = RegEnumValueA(m_key, DWORD(index), buffer.data(), &length, nullptr, &t, nullptr, nullptr);
        if (rc == ERROR_MORE_DATA && attempt == 0 && RefreshInfo())
            continue;
        if (!Check(rc))
            return FALSE;
        name = buffer.data();
        if (type)
            *type = t;
        return TRUE;
    }
    return FALSE;
}

int CSubKey::GetValueAt(unsigned long index, CString& value)
{
    CString name;
    unsigned long type = REG_NONE;
    if (!GetValueNameAt(index, name, &type))
        return FALSE;
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return FALSE;
    return GetValue(name, value);
}

LONG CSubKey::QueryValueEx(const char* name, unsigned long* type, void* data, unsigned long* length)
{
    DWORD t = REG_NONE;
    DWORD len = length ? DWORD(*length) : 0;
    LONG rc = RegQueryValueExA(m_key, name, nullptr, &t, static_cast<LPBYTE>(data), length ? &len : nullptr);
    if (type)
        *type = t;
    if (length)
        *length = len;
    return rc;
}

unsigned long CSubKey::GetValueType(const char* name)
{
    if (!m_key)
        return (unsigned long)-1;
    unsigned long type = REG_NONE;
    if (!Check(QueryValueEx(name, &type, nullptr, nullptr)))
        return (unsigned long)-1;
    return type;
}

unsigned long CSubKey::GetValueLength(const char* name)
{
    if (!m_key)
        return 0;
    unsigned long length = 0;
    if (!Check(QueryValueEx(name, nullptr, nullptr, &length)))
        return 0;
    return length;
}

int CSubKey::GetValue(const char* name, CString& value)
{
    value.Empty();
    if (!m_key)
        return FALSE;
    unsigned long length = 0;
    if (!Check(QueryValueEx(name, nullptr, nullptr, &length)))
        return FALSE;   // a value that is not there is no empty text
    if (length == 0)
        return TRUE;
    // One spare byte: stored text need not end in a NUL.
    std::vector<char> buffer(length + 1, '\0');
    if (!Check(QueryValueEx(name, nullptr, buffer.data(), &length)))
        return FALSE;
    value = CString(buffer.data());
    return TRUE;
}

unsigned long CSubKey::GetValue(const char* name, void* buffer, unsigned long length)
{
    if (!m_key || !buffer)
        return 0;
    if (!Check(QueryValueEx(name, nullptr, buffer, &length)))
        return 0;
    return length;
}

unsigned long CSubKey::GetValueLength()
{
    if (!m_key)
        return 0;
    LONG length = 0;
    if (!Check(RegQueryValueA(m_key, nullptr, nullptr, &length)))
        return 0;
    return static_cast<unsigned long>(length);
}

int CSubKey::GetValue(CString& value)
{
    value.Empty();
    unsigned long length = GetValueLength();
    if (length == 0)
        return FALSE;
    std::vector<char> buffer(length + 1, '\0');
    LONG size = LONG(length);
    if (!Check(RegQueryValueA(m_key, nullptr, buffer.data(), &size)))
        return FALSE;
    value = CString(buffer.data());
    return TRUE;
}

int CSubKey::SetValueEx(const char* name, unsigned long type, const void* data, unsigned long length)
{
    if (!m_key)
        return FALSE;
    return Check(RegSetValueExA(m_key, name, 0, DWORD(type), static_cast<const BYTE*>(data), DWORD(length)));
}

int CSubKey::SetValue(const char* text)
{
    if (!m_key || !text)
        return FALSE;
    return Check(RegSetValueA(m_key, nullptr, REG_SZ, text, DWORD(std::strlen(text))));
}

int CSubKey::SetValue(const char* name, const char* text)
{
    if (!text)
        return FALSE;
    return SetValueEx(name, REG_SZ, text, static_cast<unsigned long>(std::strlen(text) + 1));
}

int CSubKey::SetValue(const char* name, const BYTE* bytes, unsigned long length)
{
    return SetValueEx(name, REG_BINARY, bytes, length);
}

int CSubKey::SetValue(const char* name, void* data, unsigned long length)
{
    return SetValueEx(name, REG_NONE, data, length);
}

int CSubKey::DeleteValue() { return DeleteValue(""); }

int CSubKey::DeleteValue(const char* name)
{
    if (!m_key)
        return FALSE;
    return Check(RegDeleteValueA(m_key, name));
}

int CSubKey::Flush() { return m_key ? Check(RegFlushKey(m_key)) : FALSE; }

int CSubKey::GetSecurity(const CKeySecurityInformation& information, CKeySecurityDescriptor& descriptor)
{
    if (!m_key)
        return FALSE;
    DWORD length = descriptor.GetLength();
    return Check(RegGetKeySecurity(m_key, information.GetFlags(), descriptor.GetDescriptor(), &length));
}

int CSubKey::SetSecurity(const CKeySecurityInformation& information, CKeySecurityDescriptor& descriptor)
{
    if (!m_key)
        return FALSE;
    return Check(RegSetKeySecurity(m_key, information.GetFlags(), descriptor.GetDescriptor()));
}

int CSubKey::NotifyChanges(int watchSubtree, unsigned long filter, HANDLE event, int asynchronous)
{
    if (!m_key)
        return FALSE;
    return Check(RegNotifyChangeKeyValue(m_key, watchSubtree, DWORD(filter), event, asynchronous));
}

int CSubKey::ReplaceSubKey(const char* subKey, const char* newFile, const char* oldFile)
{
    return m_key ? Check(RegReplaceKeyA(m_key, subKey, newFile, oldFile)) : FALSE;
}

int CSubKey::Restore(const char* file, unsigned long flags)
{
    return m_key ? Check(RegRestoreKeyA(m_key, file, DWORD(flags))) : FALSE;
}

int CSubKey::Save(const char* file, const CKeySecurityAttributes* attributes)
{
    return m_key ? Check(RegSaveKeyA(m_key, file, attributes ? attributes->Get() : nullptr)) : FALSE;
}

void CRootRegistry::OpenRoot(const char* path)
{
    if (!path) {
        SetKey(m_hive, "", REG_OPENED_EXISTING_KEY);
        return;
    }
    unsigned long disposition = REG_OPENED_EXISTING_KEY;
    HKEY key = GCreateKeyEx(m_hive, path, "", REG_OPTION_NON_VOLATILE, nullptr, nullptr, &disposition);
    if (key)
        SetKey(key, path, disposition);
}

int CRootRegistry::Connect(const char* machine)
{
    if (IsOpen())
        return FALSE;
    HKEY key = nullptr;
    if (!Check(RegConnectRegistryA(machine, m_hive, &key)))
        return FALSE;
    SetKey(key, "", REG_OPENED_EXISTING_KEY);
    return TRUE;
}

int CRootRegistry::SetSubKeyValue(const char* subKey, const char* name, const char* value)
{
    if (!IsOpen())
        return FALSE;
    CSubKey* section = IsSubKeyOpen(subKey);
    if (!section)
        section = CreateSubKey(subKey, "Section", nullptr, nullptr);
    return section ? section->SetValue(name, value) : FALSE;
}

int CRootRegistry::LoadKey(const char* subKey, const char* file)
{
    return IsOpen() ? Check(RegLoadKeyA(GetHandle(), subKey, file)) : FALSE;
}

int CRootRegistry::UnLoadKey(const char* subKey)
{
    return IsOpen() ? Check(RegUnLoadKeyA(GetHandle(), subKey)) : FALSE;
}
