#include "Registry.h"
#include "store_fixture.h"

using Registry = StoreFixture;

TEST_F(Registry, PathConstructorCreatesOnceAndRecordsDisposition)
{
    {
        CLocalMachineRegistry root("Velmora\\Prog\\SNAPVO32.INI");
        ASSERT_TRUE(root.IsOpen());
        EXPECT_EQ(root.GetDisposition(), REG_CREATED_NEW_KEY);
        EXPECT_EQ(root.GetName(), "Velmora\\Prog\\SNAPVO32.INI");
    }
    CLocalMachineRegistry again("velmora\\prog\\snapvo32.ini");
    EXPECT_EQ(again.GetDisposition(), REG_OPENED_EXISTING_KEY);
    CLocalMachineRegistry hive;
    EXPECT_TRUE(hive.IsOpen());
    EXPECT_TRUE(CSubKey::GIsPredefinedKey(hive.GetHandle()));
    EXPECT_TRUE(hive.GetName().IsEmpty());
}

TEST_F(Registry, ChildrenAreOpenedOnceAndOwnedByTheirParent)
{
    CClassesRootRegistry root("Owned");
    CSubKey* a = root.CreateSubKey("Camera", "Section", nullptr, nullptr);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->GetDisposition(), REG_CREATED_NEW_KEY);
    EXPECT_EQ(root.OpenSubKey("Camera"), a);
    EXPECT_EQ(root.OpenSubKeyEx("Camera", nullptr), a);
    EXPECT_TRUE(root.IsSubKeyOpen());
    EXPECT_EQ(root.IsSubKeyOpen("Camera"), a);
    EXPECT_EQ(root.IsSubKeyOpen("camera"), nullptr);   // the list compares exactly

    // A child that closes itself with notice leaves the list; its owner is the caller now.
    ASSERT_TRUE(a->Close(TRUE));
    EXPECT_FALSE(root.IsSubKeyOpen());
    delete a;

    CSubKey* b = root.OpenSubKey("Camera");
    ASSERT_NE(b, nullptr);
    ASSERT_TRUE(root.DeleteSubKey("Camera"));   // closes the open child first
    EXPECT_EQ(root.IsSubKeyOpen("Camera"), nullptr);
    EXPECT_EQ(root.OpenSubKey("Camera"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
}

TEST_F(Registry, SetSubKeyValueReusesAnOpenSection)
{
    CLocalMachineRegistry root("Reuse");
    CSubKey* opened = root.CreateSubKey("View", "Section", nullptr, nullptr);
    ASSERT_NE(opened, nullptr);
    int serial = opened->GetSerial();
    ASSERT_TRUE(root.SetSubKeyValue("View", "Zoom", "2"));
    ASSERT_TRUE(root.SetSubKeyValue("Other", "Mode", "1"));
    EXPECT_EQ(root.IsSubKeyOpen("View")->GetSerial(), serial);
    CString text;
    EXPECT_TRUE(opened->GetValue("zoom", text));
    EXPECT_EQ(text, "2");
    EXPECT_EQ(opened->GetValueLength("Zoom"), 2u);   // text and its NUL
    EXPECT_EQ(opened->GetValueType("Zoom"), REG_SZ);
    CString cls;
    ASSERT_TRUE(root.RefreshInfo());
    ASSERT_TRUE(root.GetSubKeyClassAt(0, cls));
    EXPECT_EQ(cls, "Section");
}

TEST_F(Registry, EnumerationSurvivesStaleInformation)
{
    CLocalMachineRegistry root("Stale");
    ASSERT_TRUE(root.RefreshInfo());   // no subkeys yet: longest name 0
    ASSERT_NE(root.CreateSubKey("A-rather-long-section-name"), nullptr);
    CString name;
    ASSERT_TRUE(root.GetSubKeyNameAt(0, name));
    EXPECT_EQ(name, "A-rather-long-section-name");
    EXPECT_FALSE(root.GetSubKeyNameAt(1, name));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_MORE_ITEMS));

    CSubKey* key = root.OpenSubKeyAt(0);
    ASSERT_NE(key, nullptr);
    // No named values yet: nothing to list.
    ASSERT_TRUE(key->RefreshInfo());
    unsigned long type = 0;
    EXPECT_FALSE(key->GetValueNameAt(0, name, &type));
    ASSERT_TRUE(key->SetValue("Width", "640"));
    ASSERT_TRUE(key->SetValue("Bytes", reinterpret_cast<const BYTE*>("\x01\x02"), 2));
    ASSERT_TRUE(key->RefreshInfo());
    ASSERT_TRUE(key->GetValueNameAt(0, name, &type));
    EXPECT_EQ(name, "Width");
    EXPECT_EQ(type, REG_SZ);
    CString text;
    EXPECT_TRUE(key->GetValueAt(0, text));
    EXPECT_EQ(text, "640");
    EXPECT_FALSE(key->GetValueAt(1, text));   // not a text value
}

TEST_F(Registry, ValuesAndDefaultValue)
{
    CLocalMachineRegistry root("Values");
    CString text;
    // Set and read back in full.
    ASSERT_TRUE(root.SetValue("the default text"));
    EXPECT_EQ(root.GetValueLength(), 17u);
    EXPECT_TRUE(root.GetValue(text));
    EXPECT_EQ(text, "the default text");

    // Raw bytes without a NUL still read as a bounded text.
    ASSERT_TRUE(root.SetValue("raw", reinterpret_cast<const BYTE*>("abc"), 3));
    EXPECT_TRUE(root.GetValue("raw", text));
    EXPECT_EQ(text, "abc");
    char none[4] = {'x', 0, 'y', 0};
    ASSERT_TRUE(root.SetValue("none", static_cast<void*>(none), 4));
    EXPECT_EQ(root.GetValueType("none"), REG_NONE);
    EXPECT_TRUE(root.GetValue("none", text));
    EXPECT_EQ(text, "x");
    char buffer[8] = {};
    EXPECT_EQ(root.GetValue("none", buffer, sizeof buffer), 4u);
    EXPECT_EQ(root.GetValue("none", buffer, 2), 0u);   // too small
    EXPECT_EQ(GetLastError(), DWORD(ERROR_MORE_DATA));

    // A value that is not there is a failure, not an empty text.
    EXPECT_FALSE(root.GetValue("missing", text));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(root.DeleteValue("raw"));
    EXPECT_FALSE(root.DeleteValue("raw"));
    EXPECT_TRUE(root.DeleteValue());
}

TEST_F(Registry, ClosedKeysFailWithoutTouchingTheStore)
{
    CUsersRegistry users;   // no key until it connects
    EXPECT_FALSE(users.IsOpen());
    SetLastError(12345);
    EXPECT_EQ(users.OpenSubKey("x"), nullptr);
    EXPECT_FALSE(users.SetValue("a", "b"));
    EXPECT_FALSE(users.RefreshInfo());
    EXPECT_EQ(users.GetValueLength("a"), 0u);
    EXPECT_FALSE(users.Close(TRUE));
    EXPECT_EQ(GetLastError(), 12345u);
    EXPECT_FALSE(users.Connect("\\\\elsewhere"));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_BAD_NETPATH));
    ASSERT_TRUE(users.Connect(nullptr));
    EXPECT_FALSE(users.Connect(nullptr));   // already open
    EXPECT_FALSE(users.LoadKey("hive", "/tmp/hive.dat"));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_SUPPORTED));
}

TEST(KeyClasses, SecurityInformationBitsAreIndependent)
{
    CKeySecurityInformation info;
    info.SetGroup(TRUE);
    info.SetSACL(TRUE);
    info.SetOwner(TRUE);
    EXPECT_TRUE(info.IsOwner());
    EXPECT_TRUE(info.IsGroup());
    EXPECT_FALSE(info.IsDACL());
    EXPECT_TRUE(info.IsSACL());
    info.SetOwner(FALSE);
    EXPECT_EQ(info.GetFlags(), 0xAu);

    CKeyAccessMask mask;
    mask.AllowRead();
    EXPECT_TRUE(mask.CanQueryValue());
    EXPECT_TRUE(mask.CanEnumSubKeys());
    EXPECT_FALSE(mask.CanSetValue());
    mask.AllowSetValue(TRUE);
    EXPECT_EQ(mask.GetFlags(), 0x2001Bu);
    mask.AllowExecute(FALSE);
    EXPECT_EQ(mask.GetFlags(), 0x2u);

    CKeySecurityDescriptor descriptor;
    EXPECT_EQ(descriptor.GetLength(), 20u);
    CKeySecurityAttributes attributes;
    EXPECT_EQ(attributes.Get()->lpSecurityDescriptor, nullptr);
    EXPECT_FALSE(attributes.CanInheritHandle());
}
