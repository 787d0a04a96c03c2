// The SQLite side of the key store: one connection, the schema, recovery from a
// damaged file, a stand-in copy when the file cannot be written, and the key and
// value primitives the registry calls are made of.
// Not thread-safe on its own: the registry layer serialises every call.
#pragma once

#include "keystore.h"

#include <cstdint>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace keystore {

typedef int64_t KeyId;   // 0 = none

struct KeyInfo {
    std::string keyClass;
    DWORD subKeys = 0, maxSubKeyLength = 0, maxClassLength = 0;
    DWORD values = 0, maxValueNameLength = 0, maxValueLength = 0;
    int64_t written = 0;   // nanoseconds since 1970
};

struct ChildEntry {
    std::string name, keyClass;
    int64_t written = 0;
};

struct ValueEntry {
    std::string name;
    DWORD type = REG_NONE;
    std::vector<uint8_t> data;
};

class KeyDatabase {
public:
    KeyDatabase(std::string path, int busyTimeoutMs) : m_path(std::move(path)), m_busyTimeoutMs(busyTimeoutMs) {}
    ~KeyDatabase();   // checkpoints, so the log is folded back into the file
    KeyDatabase(const KeyDatabase&) = delete;
    KeyDatabase& operator=(const KeyDatabase&) = delete;

    // Opens on first use. Only a file SQLite finds damaged (or that fails its
    // check) is renamed aside, with its log, and a fresh store started. A sound
    // file that cannot be written now (read-only, full disk, locked, folder
    // closed to the log) is copied into memory: the stored settings are read,
    // nothing reaches the file, and stderr says so once. Nothing is deleted.
    LONG Open();
    bool IsOpen() const { return m_db != nullptr; }

    static KeyId HiveId(uintptr_t predefined);   // 1..4 for the four hives, else 0

    LONG Exists(KeyId key);
    LONG FindChild(KeyId parent, const std::string& name, KeyId& child);
    LONG CreateChild(KeyId parent, const std::string& name, const std::string& keyClass,
                     bool isVolatile, KeyId& child);
    LONG IsVolatile(KeyId key, bool& isVolatile);
    LONG Info(KeyId key, KeyInfo& info);
    LONG ChildAt(KeyId key, DWORD index, ChildEntry& entry);
    LONG ValueAt(KeyId key, DWORD index, ValueEntry& entry);
    LONG GetValue(KeyId key, const std::string& name, ValueEntry& entry);
    LONG SetValue(KeyId key, const std::string& name, DWORD type, const uint8_t* data, size_t length);
    LONG DeleteValue(KeyId key, const std::string& name);
    LONG DeleteKey(KeyId parent, const std::string& name);
    LONG Checkpoint();

    // Transactions. Savepoints nest inside an outer transaction or stand alone.
    LONG Begin();
    LONG Commit();
    void Rollback();
    bool InTransaction() const;
    LONG Savepoint();
    LONG Release();
    void RollbackSavepoint();

private:
    int Connect(const std::string& name, int flags, sqlite3*& db) const;
    int ConnectAndCheck();
    int CheckFile();
    int Ready();
    int HasStaleKeys(bool& stale);
    LONG Recover(int why);
    LONG OpenCopy(int why);
    int CopyIntoMemory(const std::string& uri);
    LONG StartEmptyInMemory();
    bool MoveAside(std::string& aside, std::string& failure);
    void CloseDb();
    int Run(const char* sql);
    LONG Exec(const char* sql, LONG failure);
    sqlite3_stmt* Prepare(const char* sql);
    LONG Touch(KeyId key);

    std::string m_path;
    int m_busyTimeoutMs;
    sqlite3* m_db = nullptr;
    std::string m_bootId;
};

// Case folding of key and value names (ASCII letters only).
std::string FoldName(const std::string& name);
int64_t NowNanoseconds();
FILETIME ToFileTime(int64_t unixNanoseconds);

}  // namespace keystore
