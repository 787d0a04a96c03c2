#include "keydb.h"

#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>

namespace keystore {

namespace {

constexpr int kBusyTimeoutMs = 10000;

const char* const kSchema = R"sql(
CREATE TABLE IF NOT EXISTS keys(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  parent INTEGER REFERENCES keys(id),
  name TEXT NOT NULL,
  fold TEXT NOT NULL,
  class TEXT NOT NULL DEFAULT '',
  boot TEXT,
  written INTEGER NOT NULL,
  UNIQUE(parent, fold));
CREATE TABLE IF NOT EXISTS vals(
  seq INTEGER PRIMARY KEY AUTOINCREMENT,
  key INTEGER NOT NULL REFERENCES keys(id) ON DELETE CASCADE,
  name TEXT NOT NULL,
  fold TEXT NOT NULL,
  type INTEGER NOT NULL,
  data BLOB NOT NULL,
  UNIQUE(key, fold));
INSERT OR IGNORE INTO keys(id, parent, name, fold, written) VALUES
  (1, NULL, 'HKEY_CLASSES_ROOT', 'hkey_classes_root', 0),
  (2, NULL, 'HKEY_CURRENT_USER', 'hkey_current_user', 0),
  (3, NULL, 'HKEY_LOCAL_MACHINE', 'hkey_local_machine', 0),
  (4, NULL, 'HKEY_USERS', 'hkey_users', 0);
)sql";

// Finalizes on every path out of a primitive.
class Statement {
public:
    Statement(sqlite3* db, const char* sql)
    {
        if (db && sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr) != SQLITE_OK)
            m_stmt = nullptr;
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool ok() const { return m_stmt != nullptr; }
    Statement& bind(int i, int64_t v) { sqlite3_bind_int64(m_stmt, i, v); return *this; }
    Statement& bind(int i, const std::string& v)
    {
        sqlite3_bind_text(m_stmt, i, v.data(), int(v.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Statement& bindBlob(int i, const uint8_t* data, size_t n)
    {
        static const uint8_t empty = 0;
        sqlite3_bind_blob64(m_stmt, i, n ? data : &empty, n, SQLITE_TRANSIENT);
        return *this;
    }
    Statement& bindNull(int i) { sqlite3_bind_null(m_stmt, i); return *this; }
    int step() { return m_stmt ? sqlite3_step(m_stmt) : SQLITE_ERROR; }
    int64_t integer(int col) const { return sqlite3_column_int64(m_stmt, col); }
    bool isNull(int col) const { return sqlite3_column_type(m_stmt, col) == SQLITE_NULL; }
    std::string text(int col) const
    {
        const unsigned char* p = sqlite3_column_text(m_stmt, col);
        return p ? std::string(reinterpret_cast<const char*>(p), size_t(sqlite3_column_bytes(m_stmt, col))) : std::string();
    }
    std::vector<uint8_t> blob(int col) const
    {
        const uint8_t* p = static_cast<const uint8_t*>(sqlite3_column_blob(m_stmt, col));
        int n = sqlite3_column_bytes(m_stmt, col);
        return p ? std::vector<uint8_t>(p, p + n) : std::vector<uint8_t>();
    }

private:
    sqlite3_stmt* m_stmt = nullptr;
};

// Volatile keys belong to one boot of the machine; the next boot starts without them.
std::string ReadBootId()
{
    std::ifstream in("/proc/sys/kernel/random/boot_id");
    std::string id;
    std::getline(in, id);
    return id.empty() ? std::string("unknown-boot") : id;
}

LONG ReadError(int rc) { return rc == SQLITE_CORRUPT || rc == SQLITE_NOTADB ? ERROR_REGISTRY_CORRUPT : ERROR_CANTREAD; }
LONG WriteError(int rc) { return rc == SQLITE_CORRUPT || rc == SQLITE_NOTADB ? ERROR_REGISTRY_CORRUPT : ERROR_CANTWRITE; }

// Steps a (name, type, data) query into `entry`; no row gives `none`.
LONG ReadValueRow(Statement& s, LONG none, ValueEntry& entry)
{
    int rc = s.step();
    if (rc != SQLITE_ROW)
        return rc == SQLITE_DONE ? none : ReadError(rc);
    entry.name = s.text(0);
    entry.type = DWORD(s.integer(1));
    entry.data = s.blob(2);
    return ERROR_SUCCESS;
}

}  // namespace

std::string FoldName(const std::string& name)
{
    std::string out(name);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return out;
}

int64_t NowNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

FILETIME ToFileTime(int64_t unixNanoseconds)
{
    // 100-ns ticks between 1601-01-01 and 1970-01-01.
    constexpr uint64_t kEpochDelta = 116444736000000000ULL;
    uint64_t ticks = kEpochDelta + uint64_t(unixNanoseconds / 100);
    return FILETIME{DWORD(ticks & 0xFFFFFFFFu), DWORD(ticks >> 32)};
}

KeyDatabase::~KeyDatabase() { CloseDb(); }

KeyId KeyDatabase::HiveId(uintptr_t predefined)
{
    return (predefined >= 0x80000000u && predefined <= 0x80000003u) ? KeyId(predefined - 0x80000000u + 1) : 0;
}

void KeyDatabase::CloseDb()
{
    if (m_db)
        sqlite3_close_v2(m_db);
    m_db = nullptr;
}

LONG KeyDatabase::Open()
{
    if (m_db)
        return ERROR_SUCCESS;
    if (m_bootId.empty())
        m_bootId = ReadBootId();
    std::error_code ec;
    std::filesystem::path parent = std::filesystem::path(m_path).parent_path();
    if (!parent.empty())
        std::filesystem::create_directories(parent, ec);

    LONG rc = OpenFile();
    if (rc == ERROR_SUCCESS && CheckSchema())
        return ERROR_SUCCESS;
    if (rc == ERROR_CANTOPEN)
        return rc;   // nothing there to move aside: the folder or file cannot be reached
    MoveAside("it is damaged or not a key store");
    rc = OpenFile();
    if (rc == ERROR_SUCCESS && CheckSchema())
        return ERROR_SUCCESS;
    CloseDb();
    return rc == ERROR_SUCCESS ? ERROR_CANTOPEN : rc;
}

LONG KeyDatabase::OpenFile()
{
    CloseDb();
    int rc = sqlite3_open_v2(m_path.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                             nullptr);
    if (rc != SQLITE_OK) {
        std::fprintf(stderr, "key store: cannot open %s: %s\n", m_path.c_str(),
                     m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc));
        CloseDb();
        return ERROR_CANTOPEN;
    }
    sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
    sqlite3_extended_result_codes(m_db, 0);
    return ERROR_SUCCESS;
}

bool KeyDatabase::CheckSchema()
{
    // WAL lets readers go on while another process writes; NORMAL sync keeps every
    // committed transaction across a crash of the process.
    if (Exec("PRAGMA journal_mode=WAL", ERROR_CANTOPEN) != ERROR_SUCCESS)
        return false;
    if (Exec("PRAGMA synchronous=NORMAL; PRAGMA foreign_keys=ON", ERROR_CANTOPEN) != ERROR_SUCCESS)
        return false;
    {
        Statement check(m_db, "PRAGMA quick_check");
        if (!check.ok() || check.step() != SQLITE_ROW || check.text(0) != "ok")
            return false;
    }
    if (Exec(kSchema, ERROR_CANTOPEN) != ERROR_SUCCESS)
        return false;
    Statement purge(m_db, "DELETE FROM keys WHERE boot IS NOT NULL AND boot <> ?1");
    if (!purge.ok())
        return false;
    purge.bind(1, m_bootId);
    // One statement removes a volatile key with its volatile subkeys and values.
    Exec("BEGIN IMMEDIATE", ERROR_CANTOPEN);
    int rc = purge.step();
    Exec(rc == SQLITE_DONE ? "COMMIT" : "ROLLBACK", ERROR_CANTOPEN);
    return true;
}

void KeyDatabase::MoveAside(const char* why)
{
    CloseDb();
    char stamp[32];
    std::time_t now = std::time(nullptr);
    struct tm t = {};
    localtime_r(&now, &t);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &t);
    std::string aside = m_path + ".corrupt-" + stamp;
    std::error_code ec;
    std::filesystem::rename(m_path, aside, ec);
    for (const char* suffix : {"-wal", "-shm"})
        std::filesystem::remove(m_path + suffix, ec);
    std::fprintf(stderr, "key store: %s could not be used (%s); it was moved to %s and a fresh store started\n",
                 m_path.c_str(), why, aside.c_str());
}

LONG KeyDatabase::Exec(const char* sql, LONG failure)
{
    if (!m_db)
        return ERROR_CANTOPEN;
    return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK ? ERROR_SUCCESS : failure;
}

LONG KeyDatabase::Exists(KeyId key)
{
    Statement s(m_db, "SELECT 1 FROM keys WHERE id = ?1");
    if (!s.ok())
        return ERROR_CANTREAD;
    int rc = s.bind(1, key).step();
    if (rc == SQLITE_ROW)
        return ERROR_SUCCESS;
    return rc == SQLITE_DONE ? ERROR_KEY_DELETED : ReadError(rc);
}

LONG KeyDatabase::FindChild(KeyId parent, const std::string& name, KeyId& child)
{
    Statement s(m_db, "SELECT id FROM keys WHERE parent = ?1 AND fold = ?2");
    if (!s.ok())
        return ERROR_CANTREAD;
    int rc = s.bind(1, parent).bind(2, FoldName(name)).step();
    if (rc == SQLITE_ROW) {
        child = s.integer(0);
        return ERROR_SUCCESS;
    }
    return rc == SQLITE_DONE ? ERROR_FILE_NOT_FOUND : ReadError(rc);
}

LONG KeyDatabase::IsVolatile(KeyId key, bool& isVolatile)
{
    Statement s(m_db, "SELECT boot FROM keys WHERE id = ?1");
    if (!s.ok())
        return ERROR_CANTREAD;
    int rc = s.bind(1, key).step();
    if (rc != SQLITE_ROW)
        return rc == SQLITE_DONE ? ERROR_KEY_DELETED : ReadError(rc);
    isVolatile = !s.isNull(0);
    return ERROR_SUCCESS;
}

LONG KeyDatabase::CreateChild(KeyId parent, const std::string& name, const std::string& keyClass,
                              bool isVolatile, KeyId& child)
{
    Statement s(m_db, "INSERT INTO keys(parent, name, fold, class, boot, written) VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
    if (!s.ok())
        return ERROR_CANTWRITE;
    s.bind(1, parent).bind(2, name).bind(3, FoldName(name)).bind(4, keyClass);
    if (isVolatile)
        s.bind(5, m_bootId);
    else
        s.bindNull(5);
    int rc = s.bind(6, NowNanoseconds()).step();
    if (rc != SQLITE_DONE)
        return WriteError(rc);
    child = sqlite3_last_insert_rowid(m_db);
    return Touch(parent);
}

LONG KeyDatabase::Touch(KeyId key)
{
    Statement s(m_db, "UPDATE keys SET written = ?2 WHERE id = ?1");
    if (!s.ok())
        return ERROR_CANTWRITE;
    int rc = s.bind(1, key).bind(2, NowNanoseconds()).step();
    return rc == SQLITE_DONE ? ERROR_SUCCESS : WriteError(rc);
}

LONG KeyDatabase::Info(KeyId key, KeyInfo& info)
{
    Statement k(m_db, "SELECT class, written FROM keys WHERE id = ?1");
    Statement c(m_db, "SELECT count(*), coalesce(max(length(CAST(name AS BLOB))), 0), "
                      "coalesce(max(length(CAST(class AS BLOB))), 0) FROM keys WHERE parent = ?1");
    Statement v(m_db, "SELECT count(*), coalesce(max(length(CAST(name AS BLOB))), 0), "
                      "coalesce(max(length(data)), 0) FROM vals WHERE key = ?1");
    if (!k.ok() || !c.ok() || !v.ok())
        return ERROR_CANTREAD;
    int rc = k.bind(1, key).step();
    if (rc != SQLITE_ROW)
        return rc == SQLITE_DONE ? ERROR_KEY_DELETED : ReadError(rc);
    if ((rc = c.bind(1, key).step()) != SQLITE_ROW || (rc = v.bind(1, key).step()) != SQLITE_ROW)
        return ReadError(rc);
    info.keyClass = k.text(0);
    info.written = k.integer(1);
    info.subKeys = DWORD(c.integer(0));
    info.maxSubKeyLength = DWORD(c.integer(1));
    info.maxClassLength = DWORD(c.integer(2));
    info.values = DWORD(v.integer(0));
    info.maxValueNameLength = DWORD(v.integer(1));
    info.maxValueLength = DWORD(v.integer(2));
    return ERROR_SUCCESS;
}

LONG KeyDatabase::ChildAt(KeyId key, DWORD index, ChildEntry& entry)
{
    // Subkeys enumerate in name order, ignoring case, as the system store does.
    Statement s(m_db, "SELECT name, class, written FROM keys WHERE parent = ?1 ORDER BY fold LIMIT 1 OFFSET ?2");
    if (!s.ok())
        return ERROR_CANTREAD;
    int rc = s.bind(1, key).bind(2, int64_t(index)).step();
    if (rc != SQLITE_ROW)
        return rc == SQLITE_DONE ? ERROR_NO_MORE_ITEMS : ReadError(rc);
    entry.name = s.text(0);
    entry.keyClass = s.text(1);
    entry.written = s.integer(2);
    return ERROR_SUCCESS;
}

LONG KeyDatabase::ValueAt(KeyId key, DWORD index, ValueEntry& entry)
{
    // Values enumerate in the order they were first set.
    Statement s(m_db, "SELECT name, type, data FROM vals WHERE key = ?1 ORDER BY seq LIMIT 1 OFFSET ?2");
    if (!s.ok())
        return ERROR_CANTREAD;
    return ReadValueRow(s.bind(1, key).bind(2, int64_t(index)), ERROR_NO_MORE_ITEMS, entry);
}

LONG KeyDatabase::GetValue(KeyId key, const std::string& name, ValueEntry& entry)
{
    Statement s(m_db, "SELECT name, type, data FROM vals WHERE key = ?1 AND fold = ?2");
    if (!s.ok())
        return ERROR_CANTREAD;
    return ReadValueRow(s.bind(1, key).bind(2, FoldName(name)), ERROR_FILE_NOT_FOUND, entry);
}

LONG KeyDatabase::SetValue(KeyId key, const std::string& name, DWORD type, const uint8_t* data, size_t length)
{
    // An existing value keeps its place and the spelling of its name.
    Statement s(m_db, "INSERT INTO vals(key, name, fold, type, data) VALUES (?1, ?2, ?3, ?4, ?5) "
                      "ON CONFLICT(key, fold) DO UPDATE SET type = excluded.type, data = excluded.data");
    if (!s.ok())
        return ERROR_CANTWRITE;
    int rc = s.bind(1, key).bind(2, name).bind(3, FoldName(name)).bind(4, int64_t(type)).bindBlob(5, data, length).step();
    if (rc != SQLITE_DONE)
        return WriteError(rc);
    return Touch(key);
}

LONG KeyDatabase::DeleteValue(KeyId key, const std::string& name)
{
    Statement s(m_db, "DELETE FROM vals WHERE key = ?1 AND fold = ?2");
    if (!s.ok())
        return ERROR_CANTWRITE;
    int rc = s.bind(1, key).bind(2, FoldName(name)).step();
    if (rc != SQLITE_DONE)
        return WriteError(rc);
    if (sqlite3_changes(m_db) == 0)
        return ERROR_FILE_NOT_FOUND;
    return Touch(key);
}

LONG KeyDatabase::DeleteKey(KeyId parent, const std::string& name)
{
    KeyId child = 0;
    LONG err = FindChild(parent, name, child);
    if (err != ERROR_SUCCESS)
        return err;
    Statement kids(m_db, "SELECT 1 FROM keys WHERE parent = ?1 LIMIT 1");
    if (!kids.ok())
        return ERROR_CANTREAD;
    int rc = kids.bind(1, child).step();
    if (rc == SQLITE_ROW)
        return ERROR_ACCESS_DENIED;   // a key with subkeys is never deleted wholesale
    if (rc != SQLITE_DONE)
        return ReadError(rc);
    Statement del(m_db, "DELETE FROM keys WHERE id = ?1");
    if (!del.ok())
        return ERROR_CANTWRITE;
    rc = del.bind(1, child).step();   // its values go with it (cascade)
    if (rc != SQLITE_DONE)
        return WriteError(rc);
    return Touch(parent);
}

LONG KeyDatabase::Checkpoint() { return Exec("PRAGMA wal_checkpoint(PASSIVE)", ERROR_CANTWRITE); }

LONG KeyDatabase::Begin() { return Exec("BEGIN IMMEDIATE", ERROR_CANTWRITE); }
LONG KeyDatabase::Commit() { return Exec("COMMIT", ERROR_CANTWRITE); }
void KeyDatabase::Rollback() { Exec("ROLLBACK", ERROR_CANTWRITE); }
bool KeyDatabase::InTransaction() const { return m_db && !sqlite3_get_autocommit(m_db); }
LONG KeyDatabase::Savepoint() { return Exec("SAVEPOINT keystore_op", ERROR_CANTWRITE); }
LONG KeyDatabase::Release() { return Exec("RELEASE keystore_op", ERROR_CANTWRITE); }
void KeyDatabase::RollbackSavepoint()
{
    Exec("ROLLBACK TO keystore_op", ERROR_CANTWRITE);
    Exec("RELEASE keystore_op", ERROR_CANTWRITE);
}

}  // namespace keystore
