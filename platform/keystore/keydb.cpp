#include "keydb.h"

#include <sqlite3.h>

#include <cerrno>
#include <chrono>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fcntl.h>
#include <fstream>

namespace keystore {

namespace {

// Stores made before the version was recorded get their schema checked once.
constexpr int64_t kSchemaVersion = 1;

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
PRAGMA user_version = 1;
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

bool IsDamage(int rc) { return rc == SQLITE_CORRUPT || rc == SQLITE_NOTADB; }

// A URI naming `path` with `query`, every byte that could be read as URI syntax escaped.
std::string FileUri(const std::string& path, const char* query)
{
    std::string uri = "file:";
    for (unsigned char c : path) {
        if (std::isalnum(c) || std::strchr("/-._~", c))
            uri += char(c);
        else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            uri += hex;
        }
    }
    return uri + "?" + query;
}

// Closes a connection that failed to open the store, or only read it. Closing
// the last connection would otherwise fold the log into the file and delete it:
// into a damaged file, or taking with it the log a damaged file is moved with.
void Abandon(sqlite3*& db)
{
    if (!db)
        return;
    sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    sqlite3_close_v2(db);
    db = nullptr;
}

bool HasLogContent(const std::string& path)
{
    std::error_code ec;
    auto size = std::filesystem::file_size(path + "-wal", ec);
    return !ec && size > 0;
}

LONG ReadError(int rc) { return IsDamage(rc) ? ERROR_REGISTRY_CORRUPT : ERROR_CANTREAD; }
LONG WriteError(int rc) { return IsDamage(rc) ? ERROR_REGISTRY_CORRUPT : ERROR_CANTWRITE; }

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

KeyDatabase::~KeyDatabase()
{
    if (m_db) {
        Checkpoint();
        sqlite3_close_v2(m_db);   // the last connection anywhere also removes the emptied log
    }
}

KeyId KeyDatabase::HiveId(uintptr_t predefined)
{
    return (predefined >= 0x80000000u && predefined <= 0x80000003u) ? KeyId(predefined - 0x80000000u + 1) : 0;
}

void KeyDatabase::CloseDb() { Abandon(m_db); }

// Opens the file for writing and proves it sound and ready; SQLite's code.
int KeyDatabase::ConnectAndCheck()
{
    int rc = Connect(m_path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, m_db);
    if (rc == SQLITE_OK)
        rc = CheckFile();
    if (rc == SQLITE_OK)
        rc = Ready();
    return rc;
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

    int rc = ConnectAndCheck();
    if (rc == SQLITE_OK)
        return ERROR_SUCCESS;
    CloseDb();
    return IsDamage(rc) ? Recover(rc) : OpenCopy(rc);
}

int KeyDatabase::Connect(const std::string& name, int flags, sqlite3*& db) const
{
    int rc = sqlite3_open_v2(name.c_str(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        Abandon(db);
        return rc;
    }
    sqlite3_busy_timeout(db, m_busyTimeoutMs);
    sqlite3_extended_result_codes(db, 0);
    // NORMAL sync keeps every committed transaction across a crash of the process.
    return sqlite3_exec(db, "PRAGMA synchronous=NORMAL; PRAGMA foreign_keys=ON", nullptr, nullptr, nullptr);
}

// Reads only: whether the file is sound and this process may write it.
int KeyDatabase::CheckFile()
{
    {
        Statement check(m_db, "PRAGMA quick_check");
        int rc = check.ok() ? check.step() : sqlite3_errcode(m_db);
        if (rc != SQLITE_ROW)
            return rc;
        if (check.text(0) != "ok")
            return SQLITE_CORRUPT;
    }
    if (sqlite3_db_readonly(m_db, "main") == 1)
        return SQLITE_READONLY;
    // WAL lets readers go on while another process writes. A file that cannot
    // switch (its folder takes no log) answers with its old mode.
    Statement wal(m_db, "PRAGMA journal_mode=WAL");
    int rc = wal.ok() ? wal.step() : sqlite3_errcode(m_db);
    if (rc != SQLITE_ROW)
        return rc;
    return FoldName(wal.text(0)) == "wal" ? SQLITE_OK : SQLITE_READONLY;
}

// Writes only what is missing, so that a store another process is writing, or
// one that cannot be written, still opens when it needs nothing.
int KeyDatabase::Ready()
{
    int64_t version = 0;
    {
        Statement s(m_db, "PRAGMA user_version");
        int rc = s.ok() ? s.step() : sqlite3_errcode(m_db);
        if (rc != SQLITE_ROW)
            return rc;
        version = s.integer(0);
    }
    bool stale = false;
    if (version >= kSchemaVersion) {
        if (int rc = HasStaleKeys(stale))
            return rc;
        if (!stale)
            return SQLITE_OK;
    }
    int rc = Run("BEGIN IMMEDIATE");
    if (rc != SQLITE_OK)
        return rc;
    rc = Run(kSchema);
    if (rc == SQLITE_OK) {
        // One statement removes a volatile key with its volatile subkeys and values.
        Statement purge(m_db, "DELETE FROM keys WHERE boot IS NOT NULL AND boot <> ?1");
        rc = purge.ok() ? purge.bind(1, m_bootId).step() : sqlite3_errcode(m_db);
        rc = rc == SQLITE_DONE ? SQLITE_OK : rc;
    }
    if (rc == SQLITE_OK)
        rc = Run("COMMIT");
    if (rc != SQLITE_OK && !sqlite3_get_autocommit(m_db))
        Run("ROLLBACK");
    return rc;
}

int KeyDatabase::HasStaleKeys(bool& stale)
{
    Statement s(m_db, "SELECT EXISTS(SELECT 1 FROM keys WHERE boot IS NOT NULL AND boot <> ?1)");
    int rc = s.ok() ? s.bind(1, m_bootId).step() : sqlite3_errcode(m_db);
    if (rc != SQLITE_ROW)
        return rc;
    stale = s.integer(0) != 0;
    return SQLITE_OK;
}

LONG KeyDatabase::Recover(int why)
{
    std::string aside, failure;
    if (!MoveAside(aside, failure)) {
        std::fprintf(stderr,
                     "key store: %s is damaged (%s) and could not be moved aside (%s); it is left as it is and "
                     "settings will not be saved\n",
                     m_path.c_str(), sqlite3_errstr(why), failure.c_str());
        return StartEmptyInMemory();
    }
    std::fprintf(stderr, "key store: %s is damaged (%s); it was moved to %s and a fresh store started\n",
                 m_path.c_str(), sqlite3_errstr(why), aside.c_str());
    int rc = ConnectAndCheck();
    if (rc == SQLITE_OK)
        return ERROR_SUCCESS;
    CloseDb();
    std::fprintf(stderr, "key store: a fresh %s cannot be started (%s); settings will not be saved\n",
                 m_path.c_str(), sqlite3_errstr(rc));
    return StartEmptyInMemory();
}

LONG KeyDatabase::StartEmptyInMemory()
{
    if (Connect(":memory:", SQLITE_OPEN_READWRITE, m_db) == SQLITE_OK && Ready() == SQLITE_OK)
        return ERROR_SUCCESS;
    CloseDb();
    return ERROR_CANTOPEN;
}

// The file is sound but cannot be written now: the program runs on a copy of
// the stored settings in memory, and the file is left exactly as it is.
LONG KeyDatabase::OpenCopy(int why)
{
    int rc = CopyIntoMemory(FileUri(m_path, "mode=ro"));
    // Without a log the file alone holds every saved setting and can be read
    // without one; with a log such a view would miss what the log holds.
    if (rc != SQLITE_OK && !HasLogContent(m_path))
        rc = CopyIntoMemory(FileUri(m_path, "immutable=1"));
    if (rc == SQLITE_OK)
        rc = Ready();
    if (rc != SQLITE_OK) {
        CloseDb();
        std::fprintf(stderr, "key store: cannot open %s: %s\n", m_path.c_str(), sqlite3_errstr(why));
        return ERROR_CANTOPEN;
    }
    std::fprintf(stderr,
                 "key store: %s cannot be written (%s); the stored settings are used, but changes will not be "
                 "saved\n",
                 m_path.c_str(), sqlite3_errstr(why));
    return ERROR_SUCCESS;
}

int KeyDatabase::CopyIntoMemory(const std::string& uri)
{
    sqlite3* source = nullptr;
    int rc = Connect(uri, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, source);
    if (rc == SQLITE_OK)
        rc = Connect(":memory:", SQLITE_OPEN_READWRITE, m_db);
    if (rc == SQLITE_OK) {
        sqlite3_backup* copy = sqlite3_backup_init(m_db, "main", source, "main");
        rc = copy ? sqlite3_backup_step(copy, -1) : sqlite3_errcode(m_db);
        int finished = sqlite3_backup_finish(copy);
        rc = rc == SQLITE_DONE ? finished : rc;
    }
    Abandon(source);
    if (rc != SQLITE_OK)
        CloseDb();
    return rc;
}

// The log and the shared-memory index belong to the damaged file: the moved
// copy needs its log, and a fresh store must not replay it. Nothing is ever
// renamed over an existing file; a partial move is undone.
bool KeyDatabase::MoveAside(std::string& aside, std::string& failure)
{
    char stamp[32];
    std::time_t now = std::time(nullptr);
    struct tm t = {};
    localtime_r(&now, &t);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &t);
    for (int attempt = 0; attempt < 100; ++attempt) {
        aside = m_path + ".corrupt-" + stamp + (attempt ? "-" + std::to_string(attempt) : std::string());
        std::vector<std::string> moved;
        int err = 0;
        for (const char* suffix : {"", "-wal", "-shm"}) {
            std::string from = m_path + suffix;
            if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, (aside + suffix).c_str(), RENAME_NOREPLACE) == 0)
                moved.push_back(suffix);
            else if (*suffix == '\0' || errno != ENOENT) {
                err = errno;
                break;
            }
        }
        if (err == 0)
            return true;
        for (const std::string& suffix : moved)
            std::rename((aside + suffix).c_str(), (m_path + suffix).c_str());
        if (err != EEXIST) {
            failure = std::strerror(err);
            return false;
        }
    }
    failure = "no free name to move it to";
    return false;
}

int KeyDatabase::Run(const char* sql)
{
    return m_db ? sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) : SQLITE_MISUSE;
}

LONG KeyDatabase::Exec(const char* sql, LONG failure)
{
    if (!m_db)
        return ERROR_CANTOPEN;
    return Run(sql) == SQLITE_OK ? ERROR_SUCCESS : failure;
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
