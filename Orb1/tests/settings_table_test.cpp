#include "Mcfgtbl.h"
#include "Mcfgtype.h"
#include "Registry.h"
#include "store_fixture.h"

#include <string>

namespace {
const char* const kPath = "/home/user/pictures\\SNAPVO32.INI";

CString StoredText(HKEY hive, const char* section, const char* name, DWORD* type = nullptr, DWORD* size = nullptr)
{
    std::string path = std::string(kPath) + "\\" + section;
    HKEY key = nullptr;
    if (RegOpenKeyA(hive, path.c_str(), &key) != ERROR_SUCCESS)
        return "<no key>";
    char buffer[256] = {};
    DWORD length = sizeof buffer - 1;
    LONG rc = RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<LPBYTE>(buffer), &length);
    RegCloseKey(key);
    if (size)
        *size = length;
    return rc == ERROR_SUCCESS ? CString(buffer) : CString("<no value>");
}
}  // namespace

using SettingsTable = StoreFixture;

TEST_F(SettingsTable, SaveAndLoadRoundTripInTheStoreLayout)
{
    {
        MCfgINITable table;
        MCfgSection view("View", nullptr);
        MCfgSection capture("Capture", nullptr);
        MCfgBool preview(view, "Preview", TRUE);
        MCfgRect frame(view, "Frame", CRect(0, 0, 640, 480));
        MCfgUShort rate(capture, "Rate", 15, 1, 30);
        ASSERT_TRUE(table.Load(kPath));
        view.SetTable(&table);
        capture.SetTable(&table);
        rate = 25;
        ASSERT_TRUE(table.UpdateTable());
        ASSERT_TRUE(table.Save());
        EXPECT_FALSE(table.IsModified());
    }
    DWORD type = 0, size = 0;
    EXPECT_EQ(StoredText(HKEY_LOCAL_MACHINE, "View", "Frame", &type, &size), "0,0,640,480");
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 12u);   // the text and its NUL
    EXPECT_EQ(StoredText(HKEY_LOCAL_MACHINE, "Capture", "Rate"), "25");
    EXPECT_EQ(StoredText(HKEY_CLASSES_ROOT, "Capture", "Rate"), "<no key>");   // the other hive is separate

    CLocalMachineRegistry root(kPath);
    ASSERT_TRUE(root.RefreshInfo());
    CString cls;
    ASSERT_TRUE(root.GetSubKeyClassAt(0, cls));
    EXPECT_EQ(cls, "Section");

    MCfgINITable again;
    MCfgSection capture("capture", nullptr);
    MCfgUShort rate(capture, "RATE", 15, 1, 30);
    ASSERT_TRUE(again.Load(kPath));
    capture.SetTable(&again);
    EXPECT_EQ(rate, 25);
    EXPECT_FALSE(rate.IsChanged());
}

TEST_F(SettingsTable, ClassesRootVariantKeepsTheSameLayoutInItsOwnHive)
{
    MCfgClassesRootTable table;
    MCfgSection section("Movie", nullptr);
    MCfgString name(section, "File", "workspac.avi", 260);
    ASSERT_TRUE(table.Load(kPath));
    section.SetTable(&table);
    table.UpdateTable();
    ASSERT_TRUE(table.Save());
    EXPECT_EQ(StoredText(HKEY_CLASSES_ROOT, "Movie", "File"), "workspac.avi");
    EXPECT_EQ(StoredText(HKEY_LOCAL_MACHINE, "Movie", "File"), "<no key>");
}

TEST_F(SettingsTable, SaveNeedsALoadAndWritesOnlyWhenModified)
{
    MCfgINITable never;
    MCfgSection section("S", &never);
    MCfgShort item(section, "i", 3, 0, 9);
    never.UpdateTable();
    EXPECT_FALSE(never.Save());   // never loaded: nothing written
    EXPECT_EQ(StoredText(HKEY_LOCAL_MACHINE, "S", "i"), "<no key>");

    MCfgINITable table;
    ASSERT_TRUE(table.Load(kPath));
    EXPECT_EQ(table.GetLoadState(), MCfgStoreTable::kLoaded);
    // Nothing modified: TRUE without opening a key, so even an unreachable store will do.
    BreakStore();
    EXPECT_TRUE(table.Save());
}

TEST_F(SettingsTable, UnreachableStoreLeavesDefaultsAndKeepsTheChangeForLater)
{
    std::string good = keystore::Location();
    BreakStore();
    testing::internal::CaptureStderr();
    MCfgINITable table;
    MCfgSection section("S", nullptr);
    MCfgShort item(section, "i", 3, 0, 9);
    EXPECT_FALSE(table.Load(kPath));
    EXPECT_EQ(table.GetLoadState(), MCfgStoreTable::kNeverLoaded);
    EXPECT_TRUE(table.GetPath().IsEmpty());
    section.SetTable(&table);
    EXPECT_EQ(item, 3);

    // Loaded while the store worked, saved while it does not: still modified.
    keystore::SetLocation(good);
    ASSERT_TRUE(table.Load(kPath));
    item = 5;
    table.UpdateTable();
    BreakStore();
    EXPECT_FALSE(table.Save());
    EXPECT_TRUE(table.IsModified());
    keystore::SetLocation(good);
    EXPECT_TRUE(table.Save());
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(StoredText(HKEY_LOCAL_MACHINE, "S", "i"), "5");
}

TEST_F(SettingsTable, EmptySectionsLoadButAreNotWrittenBack)
{
    {
        CLocalMachineRegistry root(kPath);
        ASSERT_NE(root.CreateSubKey("Empty", "Section", nullptr, nullptr), nullptr);
        ASSERT_TRUE(root.SetSubKeyValue("Full", "a", "1"));
    }
    MCfgINITable table;
    ASSERT_TRUE(table.Load(kPath));
    MCfgTableSection* empty = table.FindSection("empty");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->GetParameterCount(), 0);

    ASSERT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string(kPath) + "\\Empty").c_str()), ERROR_SUCCESS);
    MCfgSection full("Full", &table);
    MCfgShort a(full, "a", 0, 0, 9);
    a = 2;
    table.UpdateTable();
    ASSERT_TRUE(table.Save());
    EXPECT_EQ(StoredText(HKEY_LOCAL_MACHINE, "Empty", "x"), "<no key>");
    EXPECT_EQ(StoredText(HKEY_LOCAL_MACHINE, "Full", "a"), "2");
}

TEST_F(SettingsTable, LoadingTwiceAppendsAndLookupsFindTheFirstCopy)
{
    {
        CLocalMachineRegistry root(kPath);
        ASSERT_TRUE(root.SetSubKeyValue("S", "v", "1"));
    }
    MCfgINITable table;
    ASSERT_TRUE(table.Load(kPath));
    {
        CLocalMachineRegistry root(kPath);
        ASSERT_TRUE(root.SetSubKeyValue("S", "v", "2"));
    }
    ASSERT_TRUE(table.Load(kPath));
    EXPECT_EQ(table.GetSections().GetCount(), 2);
    MCfgSection section("S", &table);
    MCfgShort v(section, "v", 0, 0, 9);
    EXPECT_EQ(v, 1);
}

TEST_F(SettingsTable, OddStoredValuesReadSafely)
{
    std::string path = std::string(kPath) + "\\Odd";
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, path.c_str(), &key), ERROR_SUCCESS);
    std::string huge(300000, '7');
    RegSetValueExA(key, "Huge", 0, REG_SZ, reinterpret_cast<const BYTE*>(huge.c_str()), DWORD(huge.size() + 1));
    const BYTE noNul[] = {'4', '2'};
    RegSetValueExA(key, "NoNul", 0, REG_BINARY, noNul, 2);
    const BYTE inner[] = {'1', 0, '9', '9'};
    RegSetValueExA(key, "InnerNul", 0, REG_BINARY, inner, 4);
    RegSetValueExA(key, "Empty", 0, REG_SZ, nullptr, 0);
    DWORD number = 7;
    RegSetValueExA(key, "Dword", 0, REG_DWORD, reinterpret_cast<BYTE*>(&number), 4);
    RegCloseKey(key);

    MCfgINITable table;
    ASSERT_TRUE(table.Load(kPath));
    MCfgSection section("Odd", &table);
    MCfgLong hugeItem(section, "Huge", 0, 0, 1000);
    MCfgShort noNulItem(section, "NoNul", 0, 0, 100);
    MCfgShort innerItem(section, "InnerNul", 0, 0, 100);
    MCfgString emptyItem(section, "Empty", "dflt", 10);
    MCfgString dword(section, "Dword", "dflt", 10);
    EXPECT_EQ(hugeItem, 1000);
    EXPECT_EQ(noNulItem, 42);
    EXPECT_EQ(innerItem, 1);   // text ends at the first NUL
    EXPECT_EQ(CString(emptyItem), "dflt");
    EXPECT_EQ(CString(dword), "\x07");
}
