#include "keystore_fixture.h"
#include "keystore_values.h"

#include <sqlite3.h>
#include <sys/wait.h>

#include <cstring>
#include <string>
#include <vector>

using keystore_test::Create;
using keystore_test::GetText;
using keystore_test::SetText;

using KeyStore = KeyStoreFixture;

TEST_F(KeyStore, CreateReportsDispositionAndNamesIgnoreCase)
{
    DWORD disposition = 0;
    HKEY key = Create(HKEY_LOCAL_MACHINE, "Velmora\\Test\\Leaf", &disposition, "Section");
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    RegCloseKey(key);
    key = Create(HKEY_LOCAL_MACHINE, "VELMORA\\test\\LEAF", &disposition);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    RegCloseKey(key);

    // Doubled and trailing separators name the same key.
    HKEY again = nullptr;
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "velmora\\\\Test\\leaf\\", &again), ERROR_SUCCESS);
    char cls[16];
    DWORD clsLen = sizeof cls;
    ASSERT_EQ(RegQueryInfoKeyA(again, cls, &clsLen, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_STREQ(cls, "Section");
    EXPECT_EQ(clsLen, 7u);
    RegCloseKey(again);

    // Hives are separate trees.
    HKEY other = nullptr;
    EXPECT_EQ(RegOpenKeyA(HKEY_CLASSES_ROOT, "Velmora", &other), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(other, nullptr);
}

TEST_F(KeyStore, ValuesNegotiateBufferSizesAndKeepTheirPlace)
{
    HKEY key = Create(HKEY_CURRENT_USER, "Values");
    ASSERT_EQ(SetText(key, "First", "one"), ERROR_SUCCESS);
    ASSERT_EQ(SetText(key, "Second", "two"), ERROR_SUCCESS);
    const BYTE raw[] = {1, 0, 255};
    ASSERT_EQ(RegSetValueExA(key, "Raw", 0, REG_BINARY, raw, sizeof raw), ERROR_SUCCESS);

    // Size first, then a buffer too small, then a fitting one.
    DWORD type = 0, size = 0;
    ASSERT_EQ(RegQueryValueExA(key, "first", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 4u);
    char small[2];
    size = sizeof small;
    EXPECT_EQ(RegQueryValueExA(key, "First", nullptr, nullptr, reinterpret_cast<LPBYTE>(small), &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 4u);

    // Rewriting under another spelling changes the data, not the name or the order.
    ASSERT_EQ(SetText(key, "FIRST", "uno"), ERROR_SUCCESS);
    char name[32];
    DWORD nameLen = sizeof name;
    BYTE data[32];
    DWORD dataLen = sizeof data;
    ASSERT_EQ(RegEnumValueA(key, 0, name, &nameLen, nullptr, &type, data, &dataLen), ERROR_SUCCESS);
    EXPECT_STREQ(name, "First");
    EXPECT_STREQ(reinterpret_cast<char*>(data), "uno");
    nameLen = sizeof name;
    dataLen = sizeof data;
    ASSERT_EQ(RegEnumValueA(key, 2, name, &nameLen, nullptr, &type, data, &dataLen), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_BINARY);
    EXPECT_EQ(dataLen, 3u);
    EXPECT_EQ(data[2], 255);
    nameLen = sizeof name;
    EXPECT_EQ(RegEnumValueA(key, 3, name, &nameLen, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);

    ASSERT_EQ(RegDeleteValueA(key, "second"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(key, "second"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(GetText(key, "Second"), "<missing>");

    // A zero-length value exists and is empty.
    ASSERT_EQ(RegSetValueExA(key, "Empty", 0, REG_NONE, nullptr, 0), ERROR_SUCCESS);
    size = 99;
    EXPECT_EQ(RegQueryValueExA(key, "Empty", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(type, REG_NONE);
    RegCloseKey(key);
}

TEST_F(KeyStore, InformationAndSubkeyEnumeration)
{
    HKEY root = Create(HKEY_LOCAL_MACHINE, "Info");
    RegCloseKey(Create(root, "beta"));
    RegCloseKey(Create(root, "Alpha", nullptr, "LongClassName"));
    RegCloseKey(Create(root, "GAMMA-longest"));
    ASSERT_EQ(SetText(root, "LongestValueName", "x"), ERROR_SUCCESS);
    ASSERT_EQ(SetText(root, "v", "twelve chars"), ERROR_SUCCESS);

    DWORD subKeys = 0, maxSub = 0, maxClass = 0, values = 0, maxValueName = 0, maxValue = 0;
    FILETIME written = {};
    ASSERT_EQ(RegQueryInfoKeyA(root, nullptr, nullptr, nullptr, &subKeys, &maxSub, &maxClass, &values, &maxValueName,
                               &maxValue, nullptr, &written),
              ERROR_SUCCESS);
    EXPECT_EQ(subKeys, 3u);
    EXPECT_EQ(maxSub, 13u);
    EXPECT_EQ(maxClass, 13u);
    EXPECT_EQ(values, 2u);
    EXPECT_EQ(maxValueName, 16u);
    EXPECT_EQ(maxValue, 13u);
    EXPECT_GT(written.dwHighDateTime, 0u);

    std::vector<std::string> names;
    char name[64];
    for (DWORD i = 0; RegEnumKeyA(root, i, name, sizeof name) == ERROR_SUCCESS; ++i)
        names.push_back(name);
    EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "beta", "GAMMA-longest"}));

    // A name buffer one short is refused with the size needed.
    DWORD len = 13;
    EXPECT_EQ(RegEnumKeyExA(root, 2, name, &len, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    RegCloseKey(root);
}

TEST_F(KeyStore, AccessRightsAndHandles)
{
    RegCloseKey(Create(HKEY_LOCAL_MACHINE, "Rights"));
    HKEY readOnly = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Rights", 0, KEY_READ, &readOnly), ERROR_SUCCESS);
    EXPECT_EQ(SetText(readOnly, "x", "y"), ERROR_ACCESS_DENIED);
    HKEY child = nullptr;
    EXPECT_EQ(RegCreateKeyExA(readOnly, "New", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegCloseKey(readOnly), ERROR_SUCCESS);

    // A closed or invented handle is refused; the hives cannot be closed away.
    EXPECT_EQ(SetText(readOnly, "x", "y"), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(readOnly), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(reinterpret_cast<HKEY>(uintptr_t(0x1234567))), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
    EXPECT_EQ(SetText(HKEY_LOCAL_MACHINE, "hive value", "ok"), ERROR_SUCCESS);
}

TEST_F(KeyStore, DeletingKeys)
{
    HKEY parent = Create(HKEY_LOCAL_MACHINE, "Del\\Child\\Grandchild");
    RegCloseKey(parent);
    HKEY child = nullptr;
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Del\\Child", &child), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Del\\Child"), ERROR_ACCESS_DENIED);   // has a subkey
    ASSERT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Del\\Child\\Grandchild"), ERROR_SUCCESS);
    ASSERT_EQ(SetText(child, "v", "gone soon"), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Del\\child"), ERROR_SUCCESS);
    // The handle outlives its key but every use of it says so.
    EXPECT_EQ(SetText(child, "v", "x"), ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(child), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Del\\Child"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, ""), ERROR_INVALID_PARAMETER);
}

TEST_F(KeyStore, DefaultValues)
{
    char text[32];
    LONG len = sizeof text;
    RegCloseKey(Create(HKEY_CLASSES_ROOT, "Defaults"));
    // Never set: an empty text.
    ASSERT_EQ(RegQueryValueA(HKEY_CLASSES_ROOT, "Defaults", text, &len), ERROR_SUCCESS);
    EXPECT_EQ(len, 1);
    EXPECT_STREQ(text, "");
    ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, "Defaults\\Made", REG_SZ, "hello", 5), ERROR_SUCCESS);
    len = 0;
    ASSERT_EQ(RegQueryValueA(HKEY_CLASSES_ROOT, "Defaults\\Made", nullptr, &len), ERROR_SUCCESS);
    EXPECT_EQ(len, 6);
    len = sizeof text;
    ASSERT_EQ(RegQueryValueA(HKEY_CLASSES_ROOT, "Defaults\\Made", text, &len), ERROR_SUCCESS);
    EXPECT_STREQ(text, "hello");
    EXPECT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, "Defaults", REG_BINARY, "x", 1), ERROR_INVALID_PARAMETER);
}

TEST_F(KeyStore, CallsWithoutMeaningHereFailCleanly)
{
    HKEY remote = nullptr;
    EXPECT_EQ(RegConnectRegistryA("\\\\faraway-host", HKEY_LOCAL_MACHINE, &remote), ERROR_BAD_NETPATH);
    EXPECT_EQ(remote, nullptr);
    HKEY local = nullptr;
    ASSERT_EQ(RegConnectRegistryA(nullptr, HKEY_USERS, &local), ERROR_SUCCESS);
    EXPECT_EQ(RegConnectRegistryA(nullptr, HKEY_CLASSES_ROOT, &remote), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegLoadKeyA(local, "x", "/tmp/hive"), ERROR_NOT_SUPPORTED);
    EXPECT_EQ(RegUnLoadKeyA(local, "x"), ERROR_NOT_SUPPORTED);
    EXPECT_EQ(RegSaveKeyA(local, "/tmp/out", nullptr), ERROR_NOT_SUPPORTED);
    EXPECT_EQ(RegNotifyChangeKeyValue(local, TRUE, 0, nullptr, TRUE), ERROR_NOT_SUPPORTED);
    DWORD size = 0;
    EXPECT_EQ(RegGetKeySecurity(local, OWNER_SECURITY_INFORMATION, nullptr, &size), ERROR_NOT_SUPPORTED);
    RegCloseKey(local);
    EXPECT_EQ(RegGetKeySecurity(local, OWNER_SECURITY_INFORMATION, nullptr, &size), ERROR_INVALID_HANDLE);
}

TEST_F(KeyStore, NamesOfAnyLengthOrContentAreSafe)
{
    std::string tooLong(MAX_KEY_NAME + 1, 'k');
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, tooLong.c_str(), &key), ERROR_INVALID_PARAMETER);
    HKEY odd = Create(HKEY_LOCAL_MACHINE, "/work/main/with spaces/\xC3\xA9t\xC3\xA9\\SNAPVO32.INI");
    std::string big(1 << 20, 'v');
    EXPECT_EQ(SetText(odd, "big", big), ERROR_SUCCESS);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(odd, "big", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, big.size() + 1);
    EXPECT_EQ(SetText(odd, "quote'\"; DROP TABLE keys; --", "safe"), ERROR_SUCCESS);
    EXPECT_EQ(GetText(odd, "QUOTE'\"; drop table keys; --"), "safe");
    RegCloseKey(odd);
}

TEST_F(KeyStore, TransactionLandsWholeOrNotAtAll)
{
    HKEY key = Create(HKEY_LOCAL_MACHINE, "Tx");
    {
        keystore::Transaction tx;
        ASSERT_EQ(SetText(key, "a", "1"), ERROR_SUCCESS);
        ASSERT_EQ(SetText(key, "b", "2"), ERROR_SUCCESS);
        // Another connection sees nothing before the commit.
        sqlite3* peer = nullptr;
        ASSERT_EQ(sqlite3_open(path().c_str(), &peer), SQLITE_OK);
        sqlite3_stmt* st = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(peer, "SELECT count(*) FROM vals", -1, &st, nullptr), SQLITE_OK);
        ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
        EXPECT_EQ(sqlite3_column_int(st, 0), 0);
        sqlite3_finalize(st);
        sqlite3_close(peer);
        EXPECT_TRUE(tx.Commit());
    }
    EXPECT_EQ(GetText(key, "b"), "2");
    RegCloseKey(key);
}

TEST_F(KeyStore, VolatileKeysDoNotOutliveTheBoot)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Session", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    HKEY stable = nullptr;
    EXPECT_EQ(RegCreateKeyExA(key, "Stable", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &stable,
                              nullptr),
              ERROR_CHILD_MUST_BE_VOLATILE);
    RegCloseKey(Create(HKEY_LOCAL_MACHINE, "Kept"));
    keystore::Close();

    // Pretend the machine rebooted since the key was made.
    PretendRebooted();

    EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Session", &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Kept", &key), ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST_F(KeyStore, TwoProcessesLoseNoUpdate)
{
    RegCloseKey(Create(HKEY_LOCAL_MACHINE, "Shared"));
    keystore::Close();   // no connection may cross the fork
    constexpr int kRounds = 100;
    pid_t children[2];
    for (pid_t& child : children) {
        child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            HKEY key = nullptr;
            if (RegOpenKeyA(HKEY_LOCAL_MACHINE, "Shared", &key) != ERROR_SUCCESS)
                _exit(2);
            for (int i = 0; i < kRounds; ++i) {
                keystore::Transaction tx;
                DWORD counter = 0, size = sizeof counter;
                RegQueryValueExA(key, "counter", nullptr, nullptr, reinterpret_cast<LPBYTE>(&counter), &size);
                ++counter;
                if (RegSetValueExA(key, "counter", 0, REG_DWORD, reinterpret_cast<BYTE*>(&counter), sizeof counter))
                    _exit(3);
                if (!tx.Commit())
                    _exit(4);
            }
            _exit(0);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Shared", &key), ERROR_SUCCESS);
    DWORD counter = 0, size = sizeof counter;
    ASSERT_EQ(RegQueryValueExA(key, "counter", nullptr, nullptr, reinterpret_cast<LPBYTE>(&counter), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(counter, DWORD(2 * kRounds));
    RegCloseKey(key);
}

namespace {

struct FailedWriteCase {
    const char* name;
    LONG (*write)(HKEY key, HKEY readOnly);
    LONG result;
    bool sound;   // the transaction still commits
};

class KeyStoreFailedWrite : public KeyStoreFixture, public testing::WithParamInterface<FailedWriteCase> {};

void PrintTo(const FailedWriteCase& c, std::ostream* os) { *os << c.name; }

}  // namespace

TEST_P(KeyStoreFailedWrite, FailsTheWholeTransaction)
{
    const FailedWriteCase& c = GetParam();
    HKEY key = Create(HKEY_LOCAL_MACHINE, "Tx");
    HKEY readOnly = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Tx", 0, KEY_READ, &readOnly), ERROR_SUCCESS);
    {
        keystore::Transaction tx;
        ASSERT_EQ(SetText(key, "before", "1"), ERROR_SUCCESS);
        EXPECT_EQ(c.write(key, readOnly), c.result);
        // Once the transaction has failed, nothing more of it is written.
        EXPECT_EQ(SetText(key, "after", "2"), c.sound ? ERROR_SUCCESS : ERROR_CANTWRITE);
        EXPECT_EQ(tx.Commit(), c.sound ? TRUE : FALSE);
    }
    EXPECT_EQ(GetText(key, "before"), c.sound ? "1" : "<missing>");
    EXPECT_EQ(GetText(key, "after"), c.sound ? "2" : "<missing>");
    RegCloseKey(readOnly);
    RegCloseKey(key);
}

INSTANTIATE_TEST_SUITE_P(
    Transaction, KeyStoreFailedWrite,
    testing::Values(
        FailedWriteCase{"NothingToDelete", [](HKEY key, HKEY) { return RegDeleteValueA(key, "absent"); },
                        ERROR_FILE_NOT_FOUND, true},
        FailedWriteCase{"ReadOnlyHandle", [](HKEY, HKEY readOnly) { return SetText(readOnly, "x", "y"); },
                        ERROR_ACCESS_DENIED, false},
        FailedWriteCase{"ClosedHandle",
                        [](HKEY, HKEY) { return SetText(reinterpret_cast<HKEY>(uintptr_t(0x1234567)), "x", "y"); },
                        ERROR_INVALID_HANDLE, false},
        FailedWriteCase{"NameTooLong",
                        [](HKEY key, HKEY) {
                            HKEY child = nullptr;
                            return RegCreateKeyA(key, std::string(MAX_KEY_NAME + 1, 'k').c_str(), &child);
                        },
                        ERROR_INVALID_PARAMETER, false},
        FailedWriteCase{"KeyWithSubkeys",
                        [](HKEY key, HKEY) {
                            HKEY child = nullptr;
                            RegCreateKeyA(key, "Parent\\Child", &child);
                            RegCloseKey(child);
                            return RegDeleteKeyA(key, "Parent");
                        },
                        ERROR_ACCESS_DENIED, false}),
    [](const testing::TestParamInfo<FailedWriteCase>& info) { return std::string(info.param.name); });
