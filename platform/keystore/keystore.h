// The hierarchical key store: four hives of keys, each key holding named, typed
// values and subkeys, reached through the registry calls below. Everything lives
// in one SQLite database shared by every process of the suite. Key and value
// names compare ignoring ASCII case; `\` separates keys in a path.
//
// A store that is sound but cannot be written (read-only, full disk, locked
// while it needed tidying) is used from a copy in memory, said once on stderr;
// only a file SQLite finds damaged is moved aside, never deleted.
//
// Every call returns ERROR_SUCCESS or a system error number; it never throws.
#pragma once

#include "types/wintypes.h"

#include <string>

inline HKEY const HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(uintptr_t(0x80000000));
inline HKEY const HKEY_CURRENT_USER = reinterpret_cast<HKEY>(uintptr_t(0x80000001));
inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(uintptr_t(0x80000002));
inline HKEY const HKEY_USERS = reinterpret_cast<HKEY>(uintptr_t(0x80000003));

// Value types.
constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;

// Creation options and dispositions.
constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_OPTION_VOLATILE = 1;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// Access rights.
constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_NOTIFY = 0x0010;
constexpr REGSAM KEY_CREATE_LINK = 0x0020;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_EXECUTE = 0x20019;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;
constexpr REGSAM MAXIMUM_ALLOWED = 0x02000000;

// Security information flags.
typedef DWORD SECURITY_INFORMATION;
constexpr SECURITY_INFORMATION OWNER_SECURITY_INFORMATION = 0x1;
constexpr SECURITY_INFORMATION GROUP_SECURITY_INFORMATION = 0x2;
constexpr SECURITY_INFORMATION DACL_SECURITY_INFORMATION = 0x4;
constexpr SECURITY_INFORMATION SACL_SECURITY_INFORMATION = 0x8;
typedef void* PSECURITY_DESCRIPTOR;

// Longest key name (one path component) and value name, in characters.
constexpr DWORD MAX_KEY_NAME = 255;
constexpr DWORD MAX_VALUE_NAME = 16383;

LONG RegOpenKeyA(HKEY key, LPCSTR subKey, PHKEY result);
LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result);
LONG RegCreateKeyA(HKEY key, LPCSTR subKey, PHKEY result);
LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPCSTR keyClass, DWORD options,
                     REGSAM access, const SECURITY_ATTRIBUTES* security, PHKEY result,
                     LPDWORD disposition);
LONG RegCloseKey(HKEY key);
LONG RegFlushKey(HKEY key);
LONG RegDeleteKeyA(HKEY key, LPCSTR subKey);
LONG RegDeleteValueA(HKEY key, LPCSTR valueName);

// Sizes are in/out: on entry the buffer's capacity (characters including the
// NUL for names, bytes for data), on return what was stored or is needed.
// A buffer that is too small gives ERROR_MORE_DATA with the size needed.
LONG RegQueryInfoKeyA(HKEY key, LPSTR keyClass, LPDWORD classLength, LPDWORD reserved,
                      LPDWORD subKeys, LPDWORD maxSubKeyLength, LPDWORD maxClassLength,
                      LPDWORD values, LPDWORD maxValueNameLength, LPDWORD maxValueLength,
                      LPDWORD securityDescriptorSize, FILETIME* lastWriteTime);
LONG RegEnumKeyA(HKEY key, DWORD index, LPSTR name, DWORD nameCapacity);
LONG RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameLength, LPDWORD reserved,
                   LPSTR keyClass, LPDWORD classLength, FILETIME* lastWriteTime);
LONG RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameLength, LPDWORD reserved,
                   LPDWORD type, LPBYTE data, LPDWORD dataLength);
LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                      LPDWORD dataLength);
LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                    DWORD dataLength);
// The default (unnamed) value of a subkey, as text. Querying a key whose default
// value was never set gives an empty text; setting creates the subkey if needed.
LONG RegQueryValueA(HKEY key, LPCSTR subKey, LPSTR data, LONG* dataLength);
LONG RegSetValueA(HKEY key, LPCSTR subKey, DWORD type, LPCSTR data, DWORD dataLength);

// Another machine's hive cannot be reached from here: only the local machine
// (a null or empty name, or this host's own name) connects.
LONG RegConnectRegistryA(LPCSTR machine, HKEY key, PHKEY result);

// Hive files, security descriptors and change notification have no counterpart
// in this store: they check the handle, then answer ERROR_NOT_SUPPORTED.
LONG RegLoadKeyA(HKEY key, LPCSTR subKey, LPCSTR file);
LONG RegUnLoadKeyA(HKEY key, LPCSTR subKey);
LONG RegSaveKeyA(HKEY key, LPCSTR file, const SECURITY_ATTRIBUTES* security);
LONG RegRestoreKeyA(HKEY key, LPCSTR file, DWORD flags);
LONG RegReplaceKeyA(HKEY key, LPCSTR subKey, LPCSTR newFile, LPCSTR oldFile);
LONG RegGetKeySecurity(HKEY key, SECURITY_INFORMATION info, PSECURITY_DESCRIPTOR descriptor,
                       LPDWORD length);
LONG RegSetKeySecurity(HKEY key, SECURITY_INFORMATION info, PSECURITY_DESCRIPTOR descriptor);
LONG RegNotifyChangeKeyValue(HKEY key, BOOL watchSubtree, DWORD filter, HANDLE event,
                             BOOL asynchronous);

namespace keystore {

// The database file: $XDG_CONFIG_HOME/velmora/keystore.sqlite, or
// ~/.config/velmora/keystore.sqlite. SetLocation (tests, tools) closes the open
// store, if any, and uses `path` from the next call on; an empty path restores
// the default.
std::string DefaultLocation();
std::string Location();
void SetLocation(const std::string& path);

// How long a write waits for another process's transaction before it fails
// (tests, tools); from the next open of the store on.
constexpr int kDefaultBusyTimeoutMs = 10000;
void SetBusyTimeout(int milliseconds);

// Closes the database and forgets every open handle (they become invalid).
// The store is also checkpointed and closed when the program ends, so the log
// is folded back into the file.
void Close();

// Makes every write of this thread until Commit (or destruction) one
// transaction: all of it reaches the store or none of it. Nested scopes join the
// outermost one. Other threads' calls wait until the scope ends.
class Transaction {
public:
    Transaction();
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // TRUE when everything written in the scope is stored. Only the outermost
    // scope commits; inner ones report whether the transaction is still sound.
    // Any write call that fails inside the scope fails the whole transaction,
    // and once it has failed no further write of the scope runs.
    BOOL Commit();

private:
    bool m_done = false;
};

}  // namespace keystore
