#include "types/CString.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(CString, CaseInsensitiveCompareFoldsAsciiOnly)
{
    CString s("Settings");
    EXPECT_EQ(s.CompareNoCase("SETTINGS"), 0);
    EXPECT_LT(s.CompareNoCase("settingsX"), 0);
    EXPECT_GT(CString("b").CompareNoCase("A"), 0);
    // Bytes above 0x7F are compared as they are, never folded into something else.
    EXPECT_NE(CString("\xC3\x84").CompareNoCase("\xC3\xA4"), 0);
    EXPECT_EQ(CString("\xC3\x84").CompareNoCase("\xC3\x84"), 0);
}

TEST(CString, FormatHandlesLongOutput)
{
    CString s;
    std::string big(5000, 'x');
    s.Format("%s-%d", big.c_str(), 42);
    EXPECT_EQ(s.GetLength(), 5003);
    EXPECT_STREQ(s.Right(3), "-42");
}

TEST(CString, BufferAccessAndRelease)
{
    CString s("abc");
    char* p = s.GetBuffer(10);
    std::strcpy(p, "hello");
    s.ReleaseBuffer();
    EXPECT_EQ(s, "hello");
    p = s.GetBufferSetLength(3);
    p[1] = 'E';
    s.ReleaseBuffer(3);
    EXPECT_EQ(s, "hEl");
}

TEST(CString, SubstringsClampOutOfRangeArguments)
{
    CString s("abcdef");
    EXPECT_EQ(s.Left(100), "abcdef");
    EXPECT_EQ(s.Mid(4, 100), "ef");
    EXPECT_EQ(s.Mid(10), "");
    EXPECT_EQ(s.Right(-1), "");
    EXPECT_EQ(s.Find('z'), -1);
    EXPECT_EQ(s.Find("cd"), 2);
    EXPECT_EQ(s.Find('a', 99), -1);
    EXPECT_EQ(CString("a\\b\\c").ReverseFind('\\'), 3);
}

TEST(CString, ReplaceDoesNotRescanReplacement)
{
    CString s("aaa");
    EXPECT_EQ(s.Replace("a", "aa"), 3);
    EXPECT_EQ(s, "aaaaaa");
    CString t("  padded \t");
    t.Trim();
    EXPECT_EQ(t, "padded");
}

TEST(CString, NullTextIsEmpty)
{
    CString s(static_cast<const char*>(nullptr));
    EXPECT_TRUE(s.IsEmpty());
    s = static_cast<const char*>(nullptr);
    EXPECT_TRUE(s == "");
    EXPECT_EQ(CString("abc", 2), "ab");
}
