#include "keystore_fixture.h"
#include "keystore_values.h"

#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using KeyStoreRecovery = KeyStoreFixture;

namespace {

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace

TEST_F(KeyStoreRecovery, DamagedFileIsMovedAsideWithItsLogAndAFreshStoreStarts)
{
    // Twice within the same second: the second move must not overwrite the first.
    for (int round = 1; round <= 2; ++round) {
        std::string junk = "this is not a database at all, just some text left behind by something, round ";
        junk += char('0' + round);
        for (int i = 0; i < 200; ++i)
            junk += char(i);
        WriteAll(path(), junk);
        WriteAll(path() + "-wal", "the log of round " + std::to_string(round));
        WriteAll(path() + "-shm", "the index of round " + std::to_string(round));
        testing::internal::CaptureStderr();
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "After\\Recovery", &key), ERROR_SUCCESS);
        std::string err = testing::internal::GetCapturedStderr();
        RegCloseKey(key);
        keystore::Close();

        std::string aside = path() + ".corrupt-";
        size_t at = err.find("moved to " + aside);
        ASSERT_NE(at, std::string::npos) << err;
        aside = err.substr(at + 9, err.find(' ', at + 9) - at - 9);
        EXPECT_EQ(ReadAll(aside), junk);   // the old bytes are kept, never overwritten
        EXPECT_EQ(ReadAll(aside + "-wal"), "the log of round " + std::to_string(round));
        EXPECT_TRUE(std::filesystem::exists(aside + "-shm"));   // an index SQLite rebuilds: only moved
        EXPECT_EQ(keystore_test::AsideNames(dir()).size(), size_t(3 * round));
    }
}

namespace {

// Reads the main file alone, ignoring any log, as a copy of it would be read.
std::vector<std::string> NamesInFileAlone(const std::string& path)
{
    std::vector<std::string> names;
    sqlite3* db = nullptr;
    std::string uri = "file:" + path + "?immutable=1";
    if (sqlite3_open_v2(uri.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT name FROM vals ORDER BY name", -1, &st, nullptr) == SQLITE_OK)
            while (sqlite3_step(st) == SQLITE_ROW)
                names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return names;
}

struct ExitCase {
    const char* mode;
    std::vector<std::string> values;
};

class KeyStoreAtExit : public KeyStoreFixture, public testing::WithParamInterface<ExitCase> {};

void PrintTo(const ExitCase& c, std::ostream* os) { *os << c.mode; }

}  // namespace

TEST_P(KeyStoreAtExit, NormalEndLeavesNothingOnlyInTheLog)
{
    keystore::Close();
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        execl(EXIT_CHILD, EXIT_CHILD, path().c_str(), GetParam().mode, static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);
    std::error_code ec;
    uintmax_t log = std::filesystem::file_size(path() + "-wal", ec);
    EXPECT_TRUE(ec || log == 0) << log << " bytes left in the log";
    EXPECT_EQ(NamesInFileAlone(path()), GetParam().values);
}

INSTANTIATE_TEST_SUITE_P(Store, KeyStoreAtExit,
                         testing::Values(ExitCase{"return", {"early"}}, ExitCase{"late", {"early", "late"}}),
                         [](const testing::TestParamInfo<ExitCase>& info) { return std::string(info.param.mode); });

TEST_F(KeyStoreRecovery, UnreachableLocationFailsEveryCall)
{
    std::string blocker = dir() + "/not-a-folder";
    std::ofstream(blocker) << "x";
    keystore::SetLocation(blocker + "/keystore.sqlite");
    testing::internal::CaptureStderr();
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "Anything", &key), ERROR_CANTOPEN);
    EXPECT_EQ(key, nullptr);
    testing::internal::GetCapturedStderr();
    EXPECT_TRUE(std::filesystem::is_regular_file(blocker));
}

TEST(KeyStoreLocation, FollowsXdgConfigHome)
{
    const char* old = getenv("XDG_CONFIG_HOME");
    std::string saved = old ? old : "";
    setenv("XDG_CONFIG_HOME", "/somewhere/config", 1);
    EXPECT_EQ(keystore::DefaultLocation(), "/somewhere/config/velmora/keystore.sqlite");
    setenv("XDG_CONFIG_HOME", "relative/ignored", 1);   // only absolute paths count
    setenv("HOME", getenv("HOME") ? getenv("HOME") : "/root", 1);
    EXPECT_EQ(keystore::DefaultLocation(), std::string(getenv("HOME")) + "/.config/velmora/keystore.sqlite");
    if (old)
        setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}
