#include "Mcfgtype.h"
#include "memory_table.h"

#include <gtest/gtest.h>

// Static-construction order of a program: sections without a table, items
// reading nothing, then the table attached at start-up.
TEST(SettingsItems, ClampedDefaultIsRewrittenAfterAnOutOfRangeRead)
{
    MemoryTable table;
    MCfgSection section("Capture", nullptr);
    MCfgUShort rate(section, "Rate", 1, 5, 30);
    EXPECT_EQ(rate, 5);
    EXPECT_TRUE(rate.IsChanged());

    table.Put("Capture", "Rate", "3");
    ASSERT_TRUE(section.SetTable(&table));
    EXPECT_EQ(rate, 5);
    EXPECT_TRUE(rate.IsChanged());   // out of range: must be written back
    ASSERT_TRUE(table.UpdateTable());
    EXPECT_EQ(table.Text("Capture", "Rate"), "5");
    EXPECT_TRUE(table.IsModified());
}

TEST(SettingsItems, NumbersCutToSixteenBitsBeforeClamping)
{
    MemoryTable table;
    table.Put("N", "a", "65541");    // low 16 bits: 5
    table.Put("N", "b", "-65536");   // low 16 bits: 0
    table.Put("N", "c", "40000");    // as signed 16 bits: -25536, below the limit
    table.Put("N", "d", "  12abc");  // leading blanks and trailing junk as atoi
    table.Put("N", "e", "junk");     // no digits: 0, then clamped
    MCfgSection section("N", &table);
    MCfgShort a(section, "a", 50, -100, 100);
    MCfgShort b(section, "b", 50, -100, 100);
    MCfgShort c(section, "c", 50, -100, 100);
    MCfgShort d(section, "d", 50, -100, 100);
    MCfgUShort e(section, "e", 50, 10, 100);
    EXPECT_EQ(a, 5);
    EXPECT_FALSE(a.IsChanged());
    EXPECT_EQ(b, 0);
    EXPECT_EQ(c, -100);
    EXPECT_TRUE(c.IsChanged());
    EXPECT_EQ(d, 12);
    EXPECT_EQ(e, 10);
    EXPECT_TRUE(e.IsChanged());
}

TEST(SettingsItems, WideNumbersRoundTrip)
{
    MemoryTable table;
    MCfgSection section("W", &table);
    MCfgULong big(section, "Big", 0);
    MCfgLong neg(section, "Neg", 0);
    MCfgFloat ratio(section, "Ratio", 0.0f, -1.0f, 10.0f);
    big = 3000000000u;
    neg = -2000000000;
    EXPECT_EQ(ratio = 12.5f, 12.5f);   // returns the argument unclamped
    EXPECT_EQ(ratio, 10.0f);
    table.UpdateTable();
    EXPECT_EQ(table.Text("W", "Big"), "3000000000");
    EXPECT_EQ(table.Text("W", "Ratio"), "10.000000");

    // Values above 2^31 come back whole; a negative text wraps as a 32-bit number.
    MCfgULong again(section, "Big", 0);
    EXPECT_EQ(again, 3000000000u);
    MCfgLong negAgain(section, "Neg", 0);
    EXPECT_EQ(negAgain, -2000000000);
    table.Put("X", "u", "-1");
    table.Put("X", "l", "99999999999");
    table.Put("X", "f", "nan");
    MCfgSection x("X", &table);
    MCfgULong u(x, "u", 0);
    MCfgLong l(x, "l", 0);
    MCfgFloat f(x, "f", 1.0f, -5.0f, 5.0f);
    EXPECT_EQ(u, 0xFFFFFFFFu);
    EXPECT_EQ(l, INT32_MAX);
    EXPECT_EQ(f, 0.0f);
}

TEST(SettingsItems, BooleanWords)
{
    MemoryTable table;
    const char* words[] = {"yes", "ON", "True", "tRuE", "1", "no", "", "yes please"};
    const int expected[] = {TRUE, TRUE, TRUE, TRUE, FALSE, FALSE, FALSE, FALSE};
    MCfgSection section("B", &table);
    for (size_t i = 0; i < std::size(words); ++i) {
        table.Put("B", "flag", words[i]);
        MCfgBool flag(section, "flag", !expected[i]);
        EXPECT_EQ(int(flag), expected[i]) << words[i];
        EXPECT_FALSE(flag.IsChanged());
        CString text;
        EXPECT_EQ(flag.GetString(text), expected[i] ? "TRUE" : "FALSE");
        EXPECT_STREQ(static_cast<const char*>(flag), expected[i] ? "TRUE" : "FALSE");
        table.Unload();
    }
    MCfgBool flag(section, "other", TRUE, 1);
    flag.MCfgSectionUserOnUpdateSection();   // written: unchanged now
    flag = CString("on");                    // same value, but a text assignment always counts
    EXPECT_TRUE(flag.IsChanged());
}

TEST(SettingsItems, RectanglesAndSizesFillMissingFieldsWithZero)
{
    MemoryTable table;
    table.Put("Frame", "Window", "10,20");
    table.Put("Frame", "Flipped", "30,40,10,5");
    table.Put("Frame", "Size", "7");
    MCfgSection section("Frame", &table);
    MCfgRect window(section, "Window", CRect(1, 2, 3, 4));
    MCfgRect flipped(section, "Flipped", CRect());
    MCfgSize size(section, "Size", CSize(320, 240));
    EXPECT_EQ(CRect(window), CRect(10, 20, 0, 0));
    EXPECT_FALSE(window.IsChanged());
    EXPECT_EQ(CRect(flipped), CRect(30, 40, 10, 5));   // kept as stored, not normalised
    EXPECT_EQ(CSize(size), CSize(7, 0));
    window = CRect(10, 20, 0, 0);
    EXPECT_FALSE(window.IsChanged());
    window = CRect(-1, -2, 640, 480);
    EXPECT_TRUE(window.IsChanged());
    CString text;
    EXPECT_EQ(window.GetString(text), "-1,-2,640,480");
}

TEST(SettingsItems, StringsUseTheirDefaultAndLimit)
{
    MemoryTable table;
    table.Put("S", "Name", "much too long for four");
    table.Put("S", "Upper", "lower case");
    MCfgSection section("S", &table);
    MCfgString name(section, "Name", "dflt", 4);
    EXPECT_EQ(CString(name), "much");
    EXPECT_TRUE(name.IsChanged());   // cut: must be rewritten

    MCfgString empty(section, "Empty", "fallback", 20);
    empty = CString("");
    EXPECT_EQ(CString(empty), "fallback");
    CString text;
    EXPECT_EQ(empty.GetString(text), "fallback");
    EXPECT_STREQ(static_cast<const char*>(empty), "fallback");

    // Upper-cased in memory but not counted as a change: the store keeps its text.
    MCfgUpperString upper(section, "Upper", "X", 40);
    EXPECT_EQ(CString(upper), "LOWER CASE");
    EXPECT_FALSE(upper.IsChanged());
    table.UpdateTable();
    EXPECT_EQ(table.Text("S", "Upper"), "lower case");
    upper = CString("Mixed");
    EXPECT_EQ(CString(upper), "MIXED");
    MCfgLowerString lower(section, "Lower", "Q", 3, 1);
    CString bound("ABCDEF");
    EXPECT_EQ(lower.Bound(bound), "abc");
}

TEST(SettingsItems, BinaryTextForm)
{
    MemoryTable table;
    MCfgSection section("Bin", &table);
    MCfgBinary bin(section, "Data", "9 ");
    const unsigned char bytes[] = {1, 2, 255};
    ASSERT_TRUE(bin.SetBinary(bytes, 3));
    CString text;
    EXPECT_EQ(bin.GetString(text), "1 2 255 ");
    EXPECT_EQ(bin.GetBinaryLength(), 3u);
    EXPECT_FALSE(bin.SetBinary(nullptr, 2));

    bin.SetString("4\t5\n6  7");
    unsigned long length = 10;
    EXPECT_TRUE(bin.GetBinary(nullptr, length));   // counts only
    EXPECT_EQ(length, 4u);
    unsigned char out[2] = {};
    length = 2;
    EXPECT_TRUE(bin.GetBinary(out, length));
    EXPECT_EQ(length, 2u);
    EXPECT_EQ(out[0], 4);
    EXPECT_EQ(out[1], 5);
    // Only spaces separate for the length count.
    EXPECT_EQ(bin.GetBinaryLength(), 2u);

    bin.SetString("");
    EXPECT_EQ(bin.GetString(text), "9 ");   // empty reads as the default
}

TEST(SettingsItems, LookupsIgnoreCaseAndMissingSectionsMarkTheTableOutOfDate)
{
    MemoryTable table;
    table.Put("capture settings", "DRIVER", "2");
    MCfgSection section("Capture Settings", &table);
    MCfgShort driver(section, "Driver", 0, 0, 9);
    EXPECT_EQ(driver, 2);
    EXPECT_FALSE(table.IsOutOfDate());

    MCfgSection absent("Absent", &table);
    MCfgShort lonely(absent, "Lonely", 7, 0, 9);
    EXPECT_TRUE(table.IsOutOfDate());
    EXPECT_EQ(lonely, 7);
    EXPECT_TRUE(lonely.IsChanged());
    EXPECT_TRUE(table.UpdateTable());
    EXPECT_FALSE(table.IsOutOfDate());
    EXPECT_EQ(table.Text("ABSENT", "lonely"), "7");
}

TEST(SettingsItems, ChangesNotifyTheTableByMode)
{
    MemoryTable table;
    MCfgSection quiet("Quiet", &table);
    quiet.m_nNotifyMode = 2;
    MCfgShort q(quiet, "q", 1, 0, 9);
    table.UpdateTable();
    EXPECT_FALSE(table.IsOutOfDate());
    q = 3;
    EXPECT_FALSE(table.IsPending());   // mode 2 never raises the pending flag
    EXPECT_TRUE(table.IsOutOfDate());  // but the section did gain a change

    MCfgSection loud("Loud", &table);
    MCfgShort l(loud, "l", 1, 0, 9);
    table.UpdateTable();
    l = 1;   // same value: no change at all
    EXPECT_FALSE(l.IsChanged());
    l = 2;
    EXPECT_TRUE(table.IsPending());
}

TEST(SettingsItems, ItemsWithoutTableHoldDefaultsAndDestructorsWriteOnlyToMemory)
{
    MemoryTable table;
    MCfgSection section("Life", nullptr);
    {
        MCfgShort item(section, "Gone", 1, 0, 10);
        EXPECT_FALSE(item.UpdateSection());   // no table: fails, and is not retried
        EXPECT_FALSE(item.IsChanged());
        item = 4;
        ASSERT_TRUE(section.SetTable(&table));   // the table has no text: keeps 4
        EXPECT_EQ(item, 4);
    }
    // Destroyed while changed: the change reached the in-memory table only.
    EXPECT_EQ(table.Text("Life", "Gone"), "4");
    EXPECT_TRUE(table.IsModified());
}
