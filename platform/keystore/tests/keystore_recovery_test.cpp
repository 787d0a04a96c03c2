#include "keystore_fixture.h"

#include <filesystem>
#include <fstream>

using KeyStoreRecovery = KeyStoreFixture;

TEST_F(KeyStoreRecovery, DamagedFileIsMovedAsideAndAFreshStoreStarts)
{
    {
        std::ofstream out(path(), std::ios::binary);
        out << "this is not a database at all, just some text left behind by something";
        for (int i = 0; i < 200; ++i)
            out << char(i);
    }
    testing::internal::CaptureStderr();
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "After\\Recovery", &key), ERROR_SUCCESS);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("moved to"), std::string::npos) << err;
    RegCloseKey(key);

    int aside = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir()))
        if (entry.path().filename().string().rfind("keystore.sqlite.corrupt-", 0) == 0)
            ++aside;
    EXPECT_EQ(aside, 1);   // the old bytes are kept, never overwritten
}

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
