// The registry calls over the key database: handles, access rights, paths and
// the size-negotiating buffer conventions of the original calls.
#include "keystore.h"

#include "keydb.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <unistd.h>

namespace keystore {
namespace {

struct OpenKey {
    KeyId id;
    REGSAM access;
};

struct Store {
    std::recursive_mutex lock;
    std::string location;   // empty: the default
    std::unique_ptr<KeyDatabase> db;
    std::map<uintptr_t, OpenKey> handles;
    uintptr_t nextHandle = 0x1000;
    int busyTimeoutMs = kDefaultBusyTimeoutMs;
    int transactionDepth = 0;
    bool transactionFailed = false;
    bool exited = false;   // closed at exit: a later call opens and closes again
};

Store& TheStore()
{
    static Store* store = new Store;   // outlives every static object that may still close a key
    return *store;
}

bool IsPredefined(HKEY key) { return KeyDatabase::HiveId(reinterpret_cast<uintptr_t>(key)) != 0; }

// Folds the log back into the file when the program ends. A thread still inside
// a call keeps the connection; what it committed is durable in the log anyway.
void CloseAtExit()
{
    Store& s = TheStore();
    std::unique_lock<std::recursive_mutex> guard(s.lock, std::try_to_lock);
    if (!guard.owns_lock())
        return;
    s.exited = true;
    s.db.reset();
}

// A transaction scope is open on this thread (it holds the store's lock).
bool InScope(const Store& s) { return s.transactionDepth > 0; }

// Everything a call needs, under the store's lock.
class Call {
public:
    Call() : m_store(TheStore()), m_guard(m_store.lock) {}
    ~Call()
    {
        if (m_store.exited && !InScope(m_store))
            m_store.db.reset();
    }
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;

    LONG Open()
    {
        if (!m_store.db) {
            static const bool closesAtExit = std::atexit(CloseAtExit) == 0;
            (void)closesAtExit;
            m_store.db = std::make_unique<KeyDatabase>(Location(), m_store.busyTimeoutMs);
        }
        return m_store.db->Open();
    }
    KeyDatabase& db() { return *m_store.db; }
    Store& store() { return m_store; }

    // Resolves a handle, checks the key still exists and that the handle allows `need`.
    LONG Resolve(HKEY key, REGSAM need, KeyId& id)
    {
        uintptr_t h = reinterpret_cast<uintptr_t>(key);
        REGSAM access = KEY_ALL_ACCESS;
        if (KeyId hive = KeyDatabase::HiveId(h)) {
            id = hive;
        } else {
            auto it = m_store.handles.find(h);
            if (it == m_store.handles.end())
                return ERROR_INVALID_HANDLE;
            id = it->second.id;
            access = it->second.access;
        }
        if ((access & need & 0xFFFF) != (need & 0xFFFF))
            return ERROR_ACCESS_DENIED;
        if (LONG err = Open())
            return err;
        return db().Exists(id);
    }

    HKEY NewHandle(KeyId id, REGSAM access)
    {
        uintptr_t h = m_store.nextHandle;
        m_store.nextHandle += 4;
        // Whatever was asked, an open key can always be queried for its own information.
        if (access & MAXIMUM_ALLOWED)
            access = KEY_ALL_ACCESS;
        m_store.handles[h] = OpenKey{id, access};
        return reinterpret_cast<HKEY>(h);
    }

private:
    Store& m_store;
    std::lock_guard<std::recursive_mutex> m_guard;
};

// Several statements that must land together: a savepoint inside a caller's
// transaction, else a write transaction of their own. Inside a caller's
// transaction that failed, or that SQLite already rolled back, nothing is
// written: it would land on its own, outside the transaction.
class WriteScope {
public:
    explicit WriteScope(Call& call) : m_db(call.db()), m_nested(InScope(call.store()))
    {
        if (!m_nested)
            m_status = m_db.Begin();
        else if (call.store().transactionFailed || !m_db.InTransaction())
            m_status = ERROR_CANTWRITE;
        else
            m_status = m_db.Savepoint();
    }
    ~WriteScope()
    {
        if (m_status == ERROR_SUCCESS && !m_finished)
            Finish(ERROR_CANTWRITE);
    }
    LONG status() const { return m_status; }
    LONG Finish(LONG result)
    {
        m_finished = true;
        if (result != ERROR_SUCCESS) {
            if (m_nested)
                m_db.RollbackSavepoint();
            else
                m_db.Rollback();
            return result;
        }
        LONG rc = m_nested ? m_db.Release() : m_db.Commit();
        if (rc != ERROR_SUCCESS && !m_nested)
            m_db.Rollback();
        return rc;
    }

private:
    KeyDatabase& m_db;
    bool m_nested;
    LONG m_status = ERROR_SUCCESS;
    bool m_finished = false;
};

// The result of a write call. A write that failed inside a transaction scope
// fails the whole scope: its other writes must not land without this one.
// Finding nothing to delete is not a failed write.
LONG Written(LONG result)
{
    if (result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND)
        return result;
    Store& s = TheStore();
    std::lock_guard<std::recursive_mutex> guard(s.lock);
    if (InScope(s))
        s.transactionFailed = true;
    return result;
}

// Splits a key path at backslashes. Empty components (doubled, leading or
// trailing separators) are ignored; an over-long component is refused.
LONG SplitPath(LPCSTR path, std::vector<std::string>& parts)
{
    parts.clear();
    if (!path)
        return ERROR_SUCCESS;
    const char* p = path;
    while (*p) {
        const char* end = std::strchr(p, '\\');
        size_t n = end ? size_t(end - p) : std::strlen(p);
        if (n > MAX_KEY_NAME)
            return ERROR_INVALID_PARAMETER;
        if (n)
            parts.emplace_back(p, n);
        p += n;
        if (*p)
            ++p;
    }
    return ERROR_SUCCESS;
}

LONG OpenPath(Call& call, KeyId start, LPCSTR path, KeyId& result)
{
    std::vector<std::string> parts;
    if (LONG err = SplitPath(path, parts))
        return err;
    KeyId id = start;
    for (const std::string& part : parts)
        if (LONG err = call.db().FindChild(id, part, id))
            return err;
    result = id;
    return ERROR_SUCCESS;
}

LONG CreatePath(Call& call, KeyId start, LPCSTR path, const std::string& keyClass, bool isVolatile,
                KeyId& result, DWORD& disposition)
{
    std::vector<std::string> parts;
    if (LONG err = SplitPath(path, parts))
        return err;
    WriteScope scope(call);
    if (scope.status())
        return scope.status();
    KeyId id = start;
    disposition = REG_OPENED_EXISTING_KEY;
    for (size_t i = 0; i < parts.size(); ++i) {
        KeyId next = 0;
        LONG err = call.db().FindChild(id, parts[i], next);
        if (err == ERROR_FILE_NOT_FOUND) {
            bool parentVolatile = false;
            if ((err = call.db().IsVolatile(id, parentVolatile)))
                return scope.Finish(err);
            if (parentVolatile && !isVolatile)
                return scope.Finish(ERROR_CHILD_MUST_BE_VOLATILE);
            bool last = i + 1 == parts.size();
            err = call.db().CreateChild(id, parts[i], last ? keyClass : std::string(), isVolatile, next);
            if (err == ERROR_SUCCESS && last)
                disposition = REG_CREATED_NEW_KEY;
        }
        if (err)
            return scope.Finish(err);
        id = next;
    }
    result = id;
    return scope.Finish(ERROR_SUCCESS);
}

// Copies a name into a caller's character buffer: capacity in, length out.
LONG CopyName(const std::string& name, LPSTR buffer, LPDWORD length)
{
    if (!length)
        return ERROR_INVALID_PARAMETER;
    if (!buffer || *length < name.size() + 1) {
        *length = DWORD(name.size() + (buffer ? 1 : 0));
        return buffer ? ERROR_MORE_DATA : ERROR_SUCCESS;
    }
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    *length = DWORD(name.size());
    return ERROR_SUCCESS;
}

// Copies value data into a caller's byte buffer: capacity in, size out. Without
// a buffer only the size is reported.
LONG CopyData(const std::vector<uint8_t>& data, LPBYTE buffer, LPDWORD length)
{
    if (!length)
        return buffer ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
    DWORD capacity = *length;
    *length = DWORD(data.size());
    if (!buffer)
        return ERROR_SUCCESS;
    if (capacity < data.size())
        return ERROR_MORE_DATA;
    if (!data.empty())
        std::memcpy(buffer, data.data(), data.size());
    return ERROR_SUCCESS;
}

std::string ThisHost()
{
    char name[256] = {};
    gethostname(name, sizeof name - 1);
    return name;
}

}  // namespace

std::string DefaultLocation()
{
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (xdg && *xdg == '/')
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::string(home) + "/.config";
    else
        base = ".config";
    return base + "/velmora/keystore.sqlite";
}

std::string Location()
{
    Store& s = TheStore();
    std::lock_guard<std::recursive_mutex> guard(s.lock);
    return s.location.empty() ? DefaultLocation() : s.location;
}

void SetBusyTimeout(int milliseconds)
{
    Store& s = TheStore();
    std::lock_guard<std::recursive_mutex> guard(s.lock);
    s.busyTimeoutMs = milliseconds;
}

void SetLocation(const std::string& path)
{
    Close();
    Store& s = TheStore();
    std::lock_guard<std::recursive_mutex> guard(s.lock);
    s.location = path;
}

void Close()
{
    Store& s = TheStore();
    std::lock_guard<std::recursive_mutex> guard(s.lock);
    s.handles.clear();
    s.db.reset();
}

Transaction::Transaction()
{
    Store& s = TheStore();
    s.lock.lock();
    if (s.transactionDepth++ > 0)
        return;
    s.transactionFailed = false;
    Call call;
    if (call.Open() != ERROR_SUCCESS || call.db().Begin() != ERROR_SUCCESS)
        s.transactionFailed = true;
}

BOOL Transaction::Commit()
{
    if (m_done)
        return FALSE;
    m_done = true;
    Store& s = TheStore();
    // A transaction SQLite already rolled back (a full disk, an I/O error) is
    // no longer open: nothing of it is stored.
    bool open = s.db && s.db->InTransaction();
    BOOL ok = !s.transactionFailed && open;
    if (--s.transactionDepth == 0) {
        if (open && (!ok || s.db->Commit() != ERROR_SUCCESS)) {
            s.db->Rollback();
            ok = FALSE;
        }
        if (s.exited)
            s.db.reset();
    }
    s.lock.unlock();
    return ok;
}

Transaction::~Transaction()
{
    if (!m_done)
        Commit();
}

}  // namespace keystore

using namespace keystore;

namespace {
LONG CreateKey(HKEY key, LPCSTR subKey, LPCSTR keyClass, DWORD options, REGSAM access, PHKEY result,
               LPDWORD disposition)
{
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    if (options & ~REG_OPTION_VOLATILE)
        return ERROR_INVALID_PARAMETER;
    Call call;
    KeyId parent = 0;
    if (LONG err = call.Resolve(key, 0, parent))
        return err;
    KeyId id = 0;
    DWORD disp = REG_OPENED_EXISTING_KEY;
    LONG err = OpenPath(call, parent, subKey, id);
    if (err == ERROR_FILE_NOT_FOUND) {
        if ((err = call.Resolve(key, KEY_CREATE_SUB_KEY, parent)))
            return err;
        err = CreatePath(call, parent, subKey, keyClass ? keyClass : "", options & REG_OPTION_VOLATILE, id, disp);
    }
    if (err)
        return err;
    *result = call.NewHandle(id, access);
    if (disposition)
        *disposition = disp;
    return ERROR_SUCCESS;
}
}  // namespace

LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD, LPCSTR keyClass, DWORD options, REGSAM access,
                     const SECURITY_ATTRIBUTES*, PHKEY result, LPDWORD disposition)
{
    return Written(CreateKey(key, subKey, keyClass, options, access, result, disposition));
}

LONG RegCreateKeyA(HKEY key, LPCSTR subKey, PHKEY result)
{
    return RegCreateKeyExA(key, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, MAXIMUM_ALLOWED, nullptr, result,
                           nullptr);
}

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM access, PHKEY result)
{
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    Call call;
    KeyId parent = 0, id = 0;
    if (LONG err = call.Resolve(key, 0, parent))
        return err;
    if (LONG err = OpenPath(call, parent, subKey, id))
        return err;
    *result = call.NewHandle(id, access);
    return ERROR_SUCCESS;
}

LONG RegOpenKeyA(HKEY key, LPCSTR subKey, PHKEY result)
{
    return RegOpenKeyExA(key, subKey, 0, MAXIMUM_ALLOWED, result);
}

LONG RegCloseKey(HKEY key)
{
    if (IsPredefined(key))
        return ERROR_SUCCESS;
    Call call;
    return call.store().handles.erase(reinterpret_cast<uintptr_t>(key)) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegFlushKey(HKEY key)
{
    Call call;
    KeyId id = 0;
    if (LONG err = call.Resolve(key, 0, id))
        return err;
    // Every committed write is already durable; this only folds the log back.
    return call.db().InTransaction() ? ERROR_SUCCESS : call.db().Checkpoint();
}

namespace {
LONG DeleteKey(HKEY key, LPCSTR subKey)
{
    if (!subKey || !*subKey)
        return ERROR_INVALID_PARAMETER;   // never the key itself
    Call call;
    KeyId parent = 0, id = 0;
    if (LONG err = call.Resolve(key, 0, parent))
        return err;
    std::vector<std::string> parts;
    if (LONG err = SplitPath(subKey, parts))
        return err;
    if (parts.empty())
        return ERROR_INVALID_PARAMETER;
    std::string leaf = parts.back();
    std::string head;
    for (size_t i = 0; i + 1 < parts.size(); ++i)
        head += parts[i] + "\\";
    if (LONG err = OpenPath(call, parent, head.c_str(), id))
        return err;
    WriteScope scope(call);
    if (scope.status())
        return scope.status();
    return scope.Finish(call.db().DeleteKey(id, leaf));
}
}  // namespace

LONG RegDeleteKeyA(HKEY key, LPCSTR subKey)
{
    return Written(DeleteKey(key, subKey));
}

namespace {
LONG DeleteValue(HKEY key, LPCSTR valueName)
{
    Call call;
    KeyId id = 0;
    if (LONG err = call.Resolve(key, KEY_SET_VALUE, id))
        return err;
    WriteScope scope(call);
    if (scope.status())
        return scope.status();
    return scope.Finish(call.db().DeleteValue(id, valueName ? valueName : ""));
}
}  // namespace

LONG RegDeleteValueA(HKEY key, LPCSTR valueName)
{
    return Written(DeleteValue(key, valueName));
}

LONG RegQueryInfoKeyA(HKEY key, LPSTR keyClass, LPDWORD classLength, LPDWORD, LPDWORD subKeys,
                      LPDWORD maxSubKeyLength, LPDWORD maxClassLength, LPDWORD values,
                      LPDWORD maxValueNameLength, LPDWORD maxValueLength, LPDWORD securityDescriptorSize,
                      FILETIME* lastWriteTime)
{
    Call call;
    KeyId id = 0;
    if (LONG err = call.Resolve(key, KEY_QUERY_VALUE, id))
        return err;
    KeyInfo info;
    if (LONG err = call.db().Info(id, info))
        return err;
    LONG rc = ERROR_SUCCESS;
    if (keyClass || classLength) {
        if (keyClass && !classLength)
            return ERROR_INVALID_PARAMETER;
        rc = CopyName(info.keyClass, keyClass, classLength);
    }
    if (subKeys) *subKeys = info.subKeys;
    if (maxSubKeyLength) *maxSubKeyLength = info.maxSubKeyLength;
    if (maxClassLength) *maxClassLength = info.maxClassLength;
    if (values) *values = info.values;
    if (maxValueNameLength) *maxValueNameLength = info.maxValueNameLength;
    if (maxValueLength) *maxValueLength = info.maxValueLength;
    if (securityDescriptorSize) *securityDescriptorSize = 0;
    if (lastWriteTime) *lastWriteTime = ToFileTime(info.written);
    return rc;
}

LONG RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameLength, LPDWORD, LPSTR keyClass,
                   LPDWORD classLength, FILETIME* lastWriteTime)
{
    if (!name || !nameLength)
        return ERROR_INVALID_PARAMETER;
    Call call;
    KeyId id = 0;
    if (LONG err = call.Resolve(key, KEY_ENUMERATE_SUB_KEYS, id))
        return err;
    ChildEntry entry;
    if (LONG err = call.db().ChildAt(id, index, entry))
        return err;
    if (LONG err = CopyName(entry.name, name, nameLength))
        return err;
    if (keyClass && classLength)
        if (LONG err = CopyName(entry.keyClass, keyClass, classLength))
            return err;
    if (lastWriteTime)
        *lastWriteTime = ToFileTime(entry.written);
    return ERROR_SUCCESS;
}

LONG RegEnumKeyA(HKEY key, DWORD index, LPSTR name, DWORD nameCapacity)
{
    DWORD length = nameCapacity;
    return RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
}

LONG RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameLength, LPDWORD, LPDWORD type,
                   LPBYTE data, LPDWORD dataLength)
{
    if (!name || !nameLength)
        return ERROR_INVALID_PARAMETER;
    Call call;
    KeyId id = 0;
    if (LONG err = call.Resolve(key, KEY_QUERY_VALUE, id))
        return err;
    ValueEntry entry;
    if (LONG err = call.db().ValueAt(id, index, entry))
        return err;
    if (LONG err = CopyName(entry.name, name, nameLength))
        return err;
    if (type)
        *type = entry.type;
    return CopyData(entry.data, data, dataLength);
}

LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD dataLength)
{
    if (data && !dataLength)
        return ERROR_INVALID_PARAMETER;
    Call call;
    KeyId id = 0;
    if (LONG err = call.Resolve(key, KEY_QUERY_VALUE, id))
        return err;
    ValueEntry entry;
    if (LONG err = call.db().GetValue(id, valueName ? valueName : "", entry))
        return err;
    if (type)
        *type = entry.type;
    return CopyData(entry.data, data, dataLength);
}

namespace {
LONG SetValue(HKEY key, LPCSTR valueName, DWORD type, const BYTE* data, DWORD dataLength)
{
    if (!data && dataLength)
        return ERROR_INVALID_PARAMETER;
    if (valueName && std::strlen(valueName) > MAX_VALUE_NAME)
        return ERROR_INVALID_PARAMETER;
    Call call;
    KeyId id = 0;
    if (LONG err = call.Resolve(key, KEY_SET_VALUE, id))
        return err;
    WriteScope scope(call);
    if (scope.status())
        return scope.status();
    return scope.Finish(call.db().SetValue(id, valueName ? valueName : "", type, data, dataLength));
}
}  // namespace

LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD dataLength)
{
    return Written(SetValue(key, valueName, type, data, dataLength));
}

LONG RegQueryValueA(HKEY key, LPCSTR subKey, LPSTR data, LONG* dataLength)
{
    if (data && !dataLength)
        return ERROR_INVALID_PARAMETER;
    Call call;
    KeyId parent = 0, id = 0;
    if (LONG err = call.Resolve(key, KEY_QUERY_VALUE, parent))
        return err;
    if (LONG err = OpenPath(call, parent, subKey, id))
        return err;
    ValueEntry entry;
    LONG err = call.db().GetValue(id, "", entry);
    if (err == ERROR_FILE_NOT_FOUND)
        entry.data.clear();
    else if (err)
        return err;
    // The text with exactly one terminating NUL, whatever was stored.
    std::vector<uint8_t> text(entry.data.begin(),
                              std::find(entry.data.begin(), entry.data.end(), uint8_t(0)));
    text.push_back(0);
    DWORD length = dataLength ? DWORD(*dataLength < 0 ? 0 : *dataLength) : 0;
    LONG rc = CopyData(text, reinterpret_cast<LPBYTE>(data), dataLength ? &length : nullptr);
    if (dataLength)
        *dataLength = LONG(length);
    return rc;
}

LONG RegSetValueA(HKEY key, LPCSTR subKey, DWORD type, LPCSTR data, DWORD)
{
    if (type != REG_SZ || !data)
        return ERROR_INVALID_PARAMETER;
    HKEY target = nullptr;
    LONG err = RegCreateKeyA(key, subKey, &target);
    if (err)
        return err;
    err = RegSetValueExA(target, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(data), DWORD(std::strlen(data) + 1));
    RegCloseKey(target);
    return err;
}

LONG RegConnectRegistryA(LPCSTR machine, HKEY key, PHKEY result)
{
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    if (machine && *machine) {
        std::string name(machine);
        if (name.rfind("\\\\", 0) == 0)
            name.erase(0, 2);
        if (FoldName(name) != FoldName(ThisHost()) && FoldName(name) != "localhost")
            return ERROR_BAD_NETPATH;
    }
    if (key != HKEY_LOCAL_MACHINE && key != HKEY_USERS)
        return ERROR_INVALID_HANDLE;
    Call call;
    KeyId id = 0;
    if (LONG err = call.Resolve(key, 0, id))
        return err;
    *result = call.NewHandle(id, KEY_ALL_ACCESS);
    return ERROR_SUCCESS;
}

namespace {
LONG NotSupported(HKEY key)
{
    Call call;
    KeyId id = 0;
    if (LONG err = call.Resolve(key, 0, id))
        return err;
    return ERROR_NOT_SUPPORTED;
}
}  // namespace

LONG RegLoadKeyA(HKEY key, LPCSTR, LPCSTR) { return NotSupported(key); }
LONG RegUnLoadKeyA(HKEY key, LPCSTR) { return NotSupported(key); }
LONG RegSaveKeyA(HKEY key, LPCSTR, const SECURITY_ATTRIBUTES*) { return NotSupported(key); }
LONG RegRestoreKeyA(HKEY key, LPCSTR, DWORD) { return NotSupported(key); }
LONG RegReplaceKeyA(HKEY key, LPCSTR, LPCSTR, LPCSTR) { return NotSupported(key); }
LONG RegGetKeySecurity(HKEY key, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR, LPDWORD) { return NotSupported(key); }
LONG RegSetKeySecurity(HKEY key, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR) { return NotSupported(key); }
LONG RegNotifyChangeKeyValue(HKEY key, BOOL, DWORD, HANDLE, BOOL) { return NotSupported(key); }
