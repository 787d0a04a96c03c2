// The store under conditions that must never cost a saved setting: a file or
// folder that cannot be written, a full disk, another process's write lock.
// Every test saves the same settings first and finds every one of them last.
#include "keystore_fixture.h"
#include "keystore_values.h"

#include <sqlite3.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <sched.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

using keystore_test::AsideNames;
using keystore_test::Create;
using keystore_test::GetText;
using keystore_test::HasValue;
using keystore_test::SetText;

namespace {

constexpr const char* kKey = "Velmora\\Settings";
const std::vector<std::pair<std::string, std::string>> kSaved = {
    {"Window", "10,20,640,480"}, {"Folder", "/home/film"}, {"Quality", "85"}};

bool StoreAll()
{
    HKEY key = nullptr;
    bool ok = RegCreateKeyA(HKEY_CURRENT_USER, kKey, &key) == ERROR_SUCCESS;
    for (const auto& [name, text] : kSaved)
        ok = ok && SetText(key, name.c_str(), text) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

void ExpectAllSaved(const char* when)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, kKey, &key), ERROR_SUCCESS) << when;
    for (const auto& [name, text] : kSaved)
        EXPECT_EQ(GetText(key, name.c_str()), text) << name << " " << when;
    RegCloseKey(key);
}

// Reopens the store and reads one value of the settings key.
bool StoredHas(const char* name)
{
    keystore::Close();
    HKEY key = nullptr;
    bool has = RegOpenKeyA(HKEY_CURRENT_USER, kKey, &key) == ERROR_SUCCESS && HasValue(key, name);
    RegCloseKey(key);
    return has;
}

int Count(const std::string& text, const std::string& part)
{
    int n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

// Saves in a child process that ends without closing the store, as a crash
// would: the settings are then only in the log.
void SaveLeavingTheLog(const std::string& path)
{
    keystore::Close();   // no connection may cross the fork
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        _exit(StoreAll() ? 0 : 1);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    std::error_code ec;
    ASSERT_GT(std::filesystem::file_size(path + "-wal", ec), 0u);
}

// Makes a file or folder read-only for this process, root included: by its
// permission bits where they are honoured, else by the immutable attribute.
class ReadOnly {
public:
    ReadOnly(std::string path, bool folder) : m_path(std::move(path)), m_folder(folder)
    {
        struct stat st = {};
        if (stat(m_path.c_str(), &st) != 0)
            return;
        m_mode = st.st_mode & 07777;
        if (chmod(m_path.c_str(), m_mode & ~0222) == 0 && Refused()) {
            m_how = "permission bits";
            return;
        }
        chmod(m_path.c_str(), m_mode);
        if (SetImmutable(true) && Refused()) {
            m_how = "immutable attribute";
            return;
        }
        SetImmutable(false);
    }
    ~ReadOnly()
    {
        if (m_how && std::string(m_how) == "immutable attribute")
            SetImmutable(false);
        else if (m_how)
            chmod(m_path.c_str(), m_mode);
    }
    ReadOnly(const ReadOnly&) = delete;
    ReadOnly& operator=(const ReadOnly&) = delete;

    const char* how() const { return m_how; }   // null: not possible here

private:
    bool Refused() const
    {
        std::string target = m_folder ? m_path + "/probe" : m_path;
        int fd = m_folder ? open(target.c_str(), O_CREAT | O_EXCL | O_WRONLY, 0600) : open(target.c_str(), O_RDWR);
        if (fd < 0)
            return true;
        close(fd);
        if (m_folder)
            unlink(target.c_str());
        return false;
    }
    bool SetImmutable(bool on) const
    {
        int fd = open(m_path.c_str(), O_RDONLY | O_NONBLOCK);
        if (fd < 0)
            return false;
        int flags = 0;
        bool ok = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        ok = ok && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        close(fd);
        return ok;
    }

    std::string m_path;
    bool m_folder;
    mode_t m_mode = 0;
    const char* m_how = nullptr;
};

struct ReadOnlyCase {
    const char* name;
    bool folder;    // the folder, else the file, is read-only
    bool logLeft;   // the settings are still in the log of a process that crashed
    bool saves;     // a write still reaches the file
};

class KeyStoreReadOnly : public KeyStoreFixture, public testing::WithParamInterface<ReadOnlyCase> {};

void PrintTo(const ReadOnlyCase& c, std::ostream* os) { *os << c.name; }

}  // namespace

TEST_P(KeyStoreReadOnly, StoredSettingsAreUsedAndNoneIsLost)
{
    const ReadOnlyCase& c = GetParam();
    if (c.logLeft) {
        SaveLeavingTheLog(path());
    } else {
        ASSERT_TRUE(StoreAll());
        keystore::Close();
    }
    {
        ReadOnly readOnly(c.folder ? dir() : path(), c.folder);
        if (!readOnly.how())
            GTEST_SKIP() << "neither permission bits nor the immutable attribute hold here";
        RecordProperty("made_read_only_by", readOnly.how());
        testing::internal::CaptureStderr();
        ExpectAllSaved("while read-only");
        // A write lands in the log, or in the copy in memory the program runs on.
        HKEY key = Create(HKEY_CURRENT_USER, kKey);
        EXPECT_EQ(SetText(key, "Added", "later"), ERROR_SUCCESS);
        EXPECT_EQ(GetText(key, "Added"), "later");
        RegCloseKey(key);
        keystore::Close();
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(Count(err, "will not be saved"), c.saves ? 0 : 1) << err;
        EXPECT_EQ(Count(err, "key store:"), c.saves ? 0 : 1) << err;
    }
    ExpectAllSaved("afterwards");
    EXPECT_EQ(StoredHas("Added"), c.saves);
    EXPECT_TRUE(AsideNames(dir()).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Conditions, KeyStoreReadOnly,
    testing::Values(ReadOnlyCase{"FileWithLog", false, true, false}, ReadOnlyCase{"File", false, false, false},
                    // The folder takes no new log, but a log already there still works.
                    ReadOnlyCase{"FolderWithLog", true, true, true}, ReadOnlyCase{"Folder", true, false, false}),
    [](const testing::TestParamInfo<ReadOnlyCase>& info) { return std::string(info.param.name); });

namespace {

// A disk with no room left: a small tmpfs over the test folder, filled up, when
// this process may mount one; else a file-size limit of zero for this process.
enum class Filler { Tmpfs, SizeLimit };

class FullDisk {
public:
    FullDisk(Filler filler, std::string dir) : m_filler(filler), m_dir(std::move(dir))
    {
        if (m_filler == Filler::SizeLimit) {
            m_ready = getrlimit(RLIMIT_FSIZE, &m_limit) == 0;
            return;
        }
        // A private mount namespace: the mount ends with this process whatever happens.
        m_ready = unshare(CLONE_NEWNS) == 0 && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                  mount("tmpfs", m_dir.c_str(), "tmpfs", 0, "size=512k") == 0;
        m_mounted = m_ready;
    }
    ~FullDisk()
    {
        Relieve();
        if (m_mounted)
            umount2(m_dir.c_str(), MNT_DETACH);
    }
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

    bool ready() const { return m_ready; }

    bool Fill()
    {
        m_full = true;
        if (m_filler == Filler::SizeLimit) {
            signal(SIGXFSZ, SIG_IGN);
            rlimit none = m_limit;
            none.rlim_cur = 0;
            return setrlimit(RLIMIT_FSIZE, &none) == 0;
        }
        int fd = open((m_dir + "/filler").c_str(), O_CREAT | O_WRONLY | O_APPEND, 0600);
        if (fd < 0)
            return false;
        std::vector<char> block(4096, 'f');
        while (write(fd, block.data(), block.size()) > 0) {
        }
        bool full = errno == ENOSPC;
        close(fd);
        return full;
    }

    void Relieve()
    {
        if (!m_full)
            return;
        m_full = false;
        if (m_filler == Filler::SizeLimit) {
            setrlimit(RLIMIT_FSIZE, &m_limit);
            signal(SIGXFSZ, SIG_DFL);
        } else {
            unlink((m_dir + "/filler").c_str());
        }
    }

private:
    Filler m_filler;
    std::string m_dir;
    rlimit m_limit = {};
    bool m_ready = false, m_mounted = false, m_full = false;
};

class KeyStoreDiskFull : public KeyStoreFixture, public testing::WithParamInterface<Filler> {};

const char* FillerName(Filler filler) { return filler == Filler::Tmpfs ? "Tmpfs" : "FileSizeLimit"; }
void PrintTo(Filler filler, std::ostream* os) { *os << FillerName(filler); }

}  // namespace

TEST_P(KeyStoreDiskFull, FailedSavesSayNoAndLoseNothing)
{
    FullDisk disk(GetParam(), dir());
    if (!disk.ready())
        GTEST_SKIP() << "this process may neither mount a tmpfs nor limit its file size";
    ASSERT_TRUE(StoreAll());
    keystore::Close();
    ExpectAllSaved("before");
    ASSERT_TRUE(disk.Fill());

    testing::internal::CaptureStderr();
    HKEY key = Create(HKEY_CURRENT_USER, kKey);
    // Larger than SQLite's page cache, so that it reaches the disk before the commit.
    std::string big(4 << 20, 'b');
    EXPECT_NE(SetText(key, "Big", big), ERROR_SUCCESS);
    {
        // All or nothing: the change that fit must not land without the one that did not.
        keystore::Transaction save;
        SetText(key, "Window", "0,0,1,1");
        EXPECT_NE(SetText(key, "Big", big), ERROR_SUCCESS);
        // With room again the transaction, which SQLite may already have rolled
        // back, stays failed: nothing more is written and nothing lands.
        disk.Relieve();
        EXPECT_EQ(SetText(key, "Folder", "/elsewhere"), ERROR_CANTWRITE);
        EXPECT_FALSE(save.Commit());
    }
    ExpectAllSaved("after the failed saves");
    ASSERT_TRUE(disk.Fill());
    RegCloseKey(key);
    keystore::Close();
    ASSERT_TRUE(disk.Fill());   // closing may have freed the room of the log
    ExpectAllSaved("reopened on the full disk");
    keystore::Close();
    disk.Relieve();
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.find("moved"), std::string::npos) << err;

    ExpectAllSaved("afterwards");
    EXPECT_FALSE(StoredHas("Big"));
    EXPECT_TRUE(AsideNames(dir()).empty());
}

INSTANTIATE_TEST_SUITE_P(Conditions, KeyStoreDiskFull, testing::Values(Filler::Tmpfs, Filler::SizeLimit),
                         [](const testing::TestParamInfo<Filler>& info) { return std::string(FillerName(info.param)); });

namespace {

// Another process holding the store's write lock until told to let go.
class LockHolder {
public:
    explicit LockHolder(const std::string& path)
    {
        int locked[2], release[2];
        if (pipe(locked) != 0 || pipe(release) != 0)
            return;
        m_child = fork();
        if (m_child == 0) {
            close(locked[0]);
            close(release[1]);
            sqlite3* db = nullptr;
            char c = sqlite3_open(path.c_str(), &db) == SQLITE_OK &&
                             sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK
                         ? 'L'
                         : 'F';
            if (write(locked[1], &c, 1) != 1)
                _exit(1);
            (void)!read(release[0], &c, 1);   // returns when the parent closes its end
            _exit(0);                          // the lock goes with the process
        }
        close(locked[1]);
        close(release[0]);
        m_release = release[1];
        char c = 0;
        m_held = m_child > 0 && read(locked[0], &c, 1) == 1 && c == 'L';
        close(locked[0]);
    }
    ~LockHolder() { Release(); }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;

    bool held() const { return m_held; }
    void Release()
    {
        if (m_child <= 0)
            return;
        close(m_release);
        int status = 0;
        waitpid(m_child, &status, 0);
        m_child = -1;
    }

private:
    pid_t m_child = -1;
    int m_release = -1;
    bool m_held = false;
};

using KeyStoreLocked = KeyStoreFixture;

}  // namespace

TEST_F(KeyStoreLocked, WritesFailWhileAnotherProcessHoldsTheLockAndNothingIsLost)
{
    ASSERT_TRUE(StoreAll());
    keystore::Close();
    keystore::SetBusyTimeout(20);
    LockHolder lock(path());
    ASSERT_TRUE(lock.held());

    testing::internal::CaptureStderr();
    ExpectAllSaved("while locked");   // opening needs no write, so it opens as usual
    HKEY key = Create(HKEY_CURRENT_USER, kKey);
    EXPECT_EQ(SetText(key, "Window", "0,0,1,1"), ERROR_CANTWRITE);
    {
        keystore::Transaction save;   // cannot begin while the lock is held
        lock.Release();
        // The lock is free now, but a write of a transaction that never began
        // must not land on its own.
        EXPECT_EQ(SetText(key, "Window", "0,0,1,1"), ERROR_CANTWRITE);
        EXPECT_FALSE(save.Commit());
    }
    RegCloseKey(key);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(err.empty()) << err;

    ExpectAllSaved("afterwards");
    EXPECT_TRUE(AsideNames(dir()).empty());
}

TEST_F(KeyStoreLocked, StoreThatMustBeTidiedWhileLockedRunsOnACopy)
{
    ASSERT_TRUE(StoreAll());
    HKEY session = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Session", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                              &session, nullptr),
              ERROR_SUCCESS);
    keystore::Close();
    // A volatile key of an earlier boot: the next open must remove it.
    PretendRebooted();
    keystore::SetBusyTimeout(20);
    {
        LockHolder lock(path());
        ASSERT_TRUE(lock.held());
        testing::internal::CaptureStderr();
        ExpectAllSaved("while locked");
        EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Session", &session), ERROR_FILE_NOT_FOUND);
        HKEY key = Create(HKEY_CURRENT_USER, kKey);
        EXPECT_EQ(SetText(key, "Added", "in memory"), ERROR_SUCCESS);
        RegCloseKey(key);
        keystore::Close();
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(Count(err, "will not be saved"), 1) << err;
    }
    ExpectAllSaved("afterwards");
    EXPECT_FALSE(StoredHas("Added"));
    EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Session", &session), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(AsideNames(dir()).empty());
}

TEST_F(KeyStoreFixture, DamagedStoreInAReadOnlyFolderIsLeftAsItIsAndNotSaidToBeMoved)
{
    const std::string junk = "not a database, and it cannot be moved either";
    std::ofstream(path(), std::ios::binary) << junk;
    ReadOnly readOnly(dir(), true);
    if (!readOnly.how())
        GTEST_SKIP() << "neither permission bits nor the immutable attribute hold here";
    RecordProperty("made_read_only_by", readOnly.how());
    testing::internal::CaptureStderr();
    // The program runs on an empty store in memory.
    HKEY key = Create(HKEY_CURRENT_USER, kKey);
    EXPECT_EQ(SetText(key, "Added", "in memory"), ERROR_SUCCESS);
    RegCloseKey(key);
    keystore::Close();
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("could not be moved aside"), std::string::npos) << err;
    EXPECT_EQ(err.find("moved to"), std::string::npos) << err;
    std::ifstream in(path(), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), junk);
    EXPECT_TRUE(AsideNames(dir()).empty());
}
