#include <gtest/gtest.h>

#include "gdi/gdi.h"

namespace {

// A memory DC over its own bitmap, freed at the end of the test.
struct MemoryDc {
    MemoryDc(int w, int h, bool mono = false)
    {
        dc = CreateCompatibleDC(nullptr);
        bitmap = mono ? CreateBitmap(w, h, 1, 1, nullptr) : CreateCompatibleBitmap(GetDC(nullptr), w, h);
        SelectObject(dc, bitmap);
    }
    ~MemoryDc()
    {
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    void Fill(COLORREF c, int x = 0, int y = 0, int w = 1000, int h = 1000)
    {
        HBRUSH b = CreateSolidBrush(c);
        HBRUSH old = SelectObject(dc, b);
        PatBlt(dc, x, y, w, h, PATCOPY);
        SelectObject(dc, old);
        DeleteObject(b);
    }
    uint32_t At(int x, int y) const
    {
        int w = 0;
        return GdiBitmapPixels(bitmap, &w, nullptr)[y * w + x];
    }
    HDC dc;
    HBITMAP bitmap;
};

constexpr uint32_t kMask = 0xFFFFFF;

TEST(RasterOps, EachOperationCombinesPatternSourceAndDestination)
{
    // Distinct bit patterns in P, S and D, so every row of a truth table shows.
    const COLORREF p = RGB(0xF0, 0xCC, 0x0F), s = RGB(0xAA, 0x33, 0x5A), d = RGB(0xC3, 0x96, 0x71);
    const uint32_t P = 0xF0CC0F, S = 0xAA335A, D = 0xC39671;
    struct Case {
        const char* name;
        DWORD rop;
        uint32_t expected;
    } cases[] = {
        {"SRCCOPY", SRCCOPY, S},
        {"NOTSRCCOPY", NOTSRCCOPY, ~S & kMask},
        {"SRCAND", SRCAND, S & D},
        {"SRCPAINT", SRCPAINT, S | D},
        {"SRCINVERT", SRCINVERT, S ^ D},
        {"SRCERASE", SRCERASE, S & ~D & kMask},
        {"NOTSRCERASE", NOTSRCERASE, ~(S | D) & kMask},
        {"MERGECOPY", MERGECOPY, P & S},
        {"MERGEPAINT", MERGEPAINT, (~S | D) & kMask},
        {"PATCOPY", PATCOPY, P},
        {"PATPAINT", PATPAINT, (P | ~S | D) & kMask},
        {"PATINVERT", PATINVERT, P ^ D},
        {"DSTINVERT", DSTINVERT, ~D & kMask},
        {"BLACKNESS", BLACKNESS, 0},
        {"WHITENESS", WHITENESS, kMask},
    };
    MemoryDc source(2, 2);
    source.Fill(s);
    for (const Case& c : cases) {
        MemoryDc target(2, 2);
        target.Fill(d);
        HBRUSH brush = CreateSolidBrush(p);
        SelectObject(target.dc, brush);
        EXPECT_TRUE(BitBlt(target.dc, 0, 0, 2, 2, source.dc, 0, 0, c.rop)) << c.name;
        EXPECT_EQ(target.At(1, 1), c.expected) << c.name;
        SelectObject(target.dc, GetStockBrush(WHITE_BRUSH));
        EXPECT_TRUE(DeleteObject(brush));
    }
}

TEST(RasterOps, ColourToMonochromeTurnsTheSourceBackgroundWhite)
{
    MemoryDc picture(3, 1);
    picture.Fill(RGB(255, 0, 255));
    picture.Fill(RGB(10, 20, 30), 1, 0, 1, 1);
    picture.Fill(RGB(255, 255, 255), 2, 0, 1, 1);   // white is not the background here
    MemoryDc mask(3, 1, true);
    SetBkColor(picture.dc, RGB(255, 0, 255));
    ASSERT_TRUE(BitBlt(mask.dc, 0, 0, 3, 1, picture.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(mask.At(0, 0), 0xFFFFFFu);
    EXPECT_EQ(mask.At(1, 0), 0u);
    EXPECT_EQ(mask.At(2, 0), 0u);
    // A bitmap made compatible with a monochrome DC is monochrome too.
    HBITMAP more = CreateCompatibleBitmap(mask.dc, 2, 2);
    BITMAP info{};
    GetObject(more, sizeof info, &info);
    EXPECT_EQ(info.bmBitsPixel, 1);
    DeleteObject(more);
}

TEST(RasterOps, MonochromeToColourUsesTheDestinationColours)
{
    const uint8_t bits[] = {0x80, 0x00};   // one row: white, black (16-bit padded)
    HBITMAP mono = CreateBitmap(2, 1, 1, 1, bits);
    ASSERT_NE(mono, nullptr);
    HDC monoDc = CreateCompatibleDC(nullptr);
    SelectObject(monoDc, mono);
    MemoryDc target(2, 1);
    SetTextColor(target.dc, RGB(0, 0, 200));
    SetBkColor(target.dc, RGB(0, 150, 0));
    ASSERT_TRUE(BitBlt(target.dc, 0, 0, 2, 1, monoDc, 0, 0, SRCCOPY));
    EXPECT_EQ(target.At(0, 0), 0x009600u);   // set bit: background colour
    EXPECT_EQ(target.At(1, 0), 0x0000C8u);   // clear bit: text colour
    DeleteDC(monoDc);
    DeleteObject(mono);

    const uint32_t colour[] = {0x00123456, 0xFF654321};   // the top byte is not a colour
    HBITMAP made = CreateBitmap(2, 1, 1, 32, colour);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(GdiBitmapPixels(made, nullptr, nullptr)[1], 0x654321u);
    DeleteObject(made);
    EXPECT_EQ(CreateBitmap(2, 1, 2, 1, nullptr), nullptr);
    EXPECT_EQ(CreateBitmap(2, 1, 1, 8, nullptr), nullptr);
    EXPECT_EQ(CreateBitmap(1 << 16, 1 << 16, 1, 1, nullptr), nullptr);
}

TEST(RasterOps, BrushesPaintAndLiveAsLongAsTheyAreSelected)
{
    MemoryDc target(4, 4);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    EXPECT_EQ(SelectObject(target.dc, red), GetStockBrush(WHITE_BRUSH));
    EXPECT_TRUE(PatBlt(target.dc, 1, 1, 2, 2, PATCOPY));
    EXPECT_EQ(target.At(0, 0), 0u);
    EXPECT_EQ(target.At(1, 1), 0xFF0000u);
    EXPECT_EQ(target.At(2, 2), 0xFF0000u);
    EXPECT_EQ(target.At(3, 3), 0u);
    EXPECT_FALSE(PatBlt(target.dc, 0, 0, 4, 4, SRCCOPY));   // needs a source
    EXPECT_FALSE(DeleteObject(red));                          // still selected
    // A hollow brush paints nothing.
    SelectObject(target.dc, GetStockBrush(HOLLOW_BRUSH));
    EXPECT_TRUE(PatBlt(target.dc, 0, 0, 4, 4, PATCOPY));
    EXPECT_EQ(target.At(1, 1), 0xFF0000u);
    EXPECT_TRUE(DeleteObject(red));
    EXPECT_TRUE(DeleteObject(GetStockBrush(BLACK_BRUSH)));   // stock: kept
    EXPECT_EQ(GdiBrushColour(GetStockBrush(BLACK_BRUSH)), 0u);
    // Deleting the DC lets go of its brush.
    HDC dc = CreateCompatibleDC(nullptr);
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    SelectObject(dc, blue);
    DeleteDC(dc);
    EXPECT_TRUE(DeleteObject(blue));
}

TEST(RasterOps, BlitsAreClippedToBothBitmaps)
{
    MemoryDc source(2, 2);
    source.Fill(RGB(1, 2, 3));
    MemoryDc target(3, 3);
    // Partly off the target and reading past the source: only what both hold changes.
    EXPECT_TRUE(BitBlt(target.dc, -1, 1, 5, 5, source.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(target.At(0, 1), 0x010203u);
    EXPECT_EQ(target.At(0, 2), 0x010203u);
    EXPECT_EQ(target.At(1, 1), 0u);   // source column 2 does not exist
    EXPECT_EQ(target.At(0, 0), 0u);
    EXPECT_TRUE(BitBlt(target.dc, 1 << 30, 1 << 30, 1 << 30, 1 << 30, source.dc, 0, 0, SRCCOPY));
    EXPECT_TRUE(BitBlt(target.dc, 0, 0, -3, 3, source.dc, 0, 0, SRCCOPY));
    EXPECT_FALSE(BitBlt(target.dc, 0, 0, 3, 3, nullptr, 0, 0, SRCCOPY));
    EXPECT_TRUE(BitBlt(target.dc, 0, 0, 3, 3, nullptr, 0, 0, WHITENESS));
    EXPECT_EQ(target.At(2, 2), 0xFFFFFFu);
}

TEST(RasterOps, BlitWithinOneBitmapReadsTheOldPixels)
{
    MemoryDc dc(4, 1);
    dc.Fill(RGB(0, 0, 1), 0, 0, 1, 1);
    dc.Fill(RGB(0, 0, 2), 1, 0, 1, 1);
    dc.Fill(RGB(0, 0, 3), 2, 0, 1, 1);
    ASSERT_TRUE(BitBlt(dc.dc, 1, 0, 3, 1, dc.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(dc.At(1, 0), 1u);
    EXPECT_EQ(dc.At(2, 0), 2u);
    EXPECT_EQ(dc.At(3, 0), 3u);
}

} // namespace
