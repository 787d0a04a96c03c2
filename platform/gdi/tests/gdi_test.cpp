#include <gtest/gtest.h>

#include <algorithm>

#include "gdi/clipboard.h"
#include "gdi/globalmem.h"
#include "gdi/gdi.h"

namespace {

TEST(Gdi, StretchDIBitsCountsSourceRowsFromTheBottom)
{
    // 2x2 24-bit DIB: bottom row red, green; top row blue, white.
    alignas(4) uint8_t info[40] = {};
    auto* h = reinterpret_cast<BITMAPINFOHEADER*>(info);
    *h = BITMAPINFOHEADER{40, 2, 2, 1, 24, BI_RGB, 16, 0, 0, 0, 0};
    uint8_t bits[16] = {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0};
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP b = CreateCompatibleBitmap(GetDC(nullptr), 4, 4);
    SelectObject(dc, b);
    ASSERT_EQ(StretchDIBits(dc, 0, 0, 4, 4, 0, 0, 2, 2, bits, reinterpret_cast<BITMAPINFO*>(info),
                            DIB_RGB_COLORS, SRCCOPY), 4);
    const uint32_t* px = GdiBitmapPixels(b, nullptr, nullptr);
    EXPECT_EQ(px[0], 0x0000FFu);        // top-left: blue
    EXPECT_EQ(px[3], 0xFFFFFFu);
    EXPECT_EQ(px[3 * 4 + 0], 0xFF0000u);   // bottom-left: red
    // One source row, counted from the bottom: the green/red row only.
    StretchDIBits(dc, 0, 0, 2, 1, 0, 0, 2, 1, bits, reinterpret_cast<BITMAPINFO*>(info), DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(px[1], 0x00FF00u);
    EXPECT_FALSE(DeleteObject(b));   // still selected
    SelectObject(dc, nullptr);
    EXPECT_TRUE(DeleteObject(b));
    DeleteDC(dc);
}

TEST(Gdi, DeletingAPaletteTakesItOutOfItsDc)
{
    LOGPALETTE lp{0x300, 1, {{1, 2, 3, 0}}};
    HPALETTE p = CreatePalette(&lp);
    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(SelectPalette(dc, p, FALSE), nullptr);
    EXPECT_EQ(RealizePalette(dc), 1u);
    EXPECT_TRUE(DeleteObject(p));
    EXPECT_EQ(SelectPalette(dc, nullptr, FALSE), nullptr);
    EXPECT_EQ(RealizePalette(dc), 0u);
    DeleteDC(dc);
}

TEST(Gdi, DeviceCapsFollowTheScreenDepth)
{
    GdiSetScreen(800, 600, 8);
    HDC dc = CreateCompatibleDC(GetDC(nullptr));
    EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), 8);
    EXPECT_TRUE(GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE);
    EXPECT_EQ(GetDeviceCaps(dc, SIZEPALETTE), 256);
    DeleteDC(dc);
    GdiSetScreen(1024, 768, 24);
    EXPECT_FALSE(GetDeviceCaps(GetDC(nullptr), RASTERCAPS) & RC_PALETTE);
}

// A block reads as zero until written, also where freed memory was dirty
// before: a reader that leaves rows unwritten must not show old heap bytes.
TEST(Gdi, GlobalBlocksReadAsZeroWhateverTheirSize)
{
    for (size_t size : {size_t(0), size_t(10), size_t(4096), size_t(40) << 20}) {
        for (int round = 0; round < 2; ++round) {
            HGLOBAL block = GlobalAlloc(GHND, size);
            ASSERT_NE(block, nullptr) << size;
            ASSERT_EQ(GlobalSize(block), size);
            auto* bytes = static_cast<uint8_t*>(GlobalLock(block));
            ASSERT_NE(bytes, nullptr);
            for (size_t i = 0; i < size; i += 4093)
                ASSERT_EQ(bytes[i], 0) << size << " at " << i;
            if (size)
                ASSERT_EQ(bytes[size - 1], 0);
            std::fill(bytes, bytes + size, uint8_t(0xA5));
            GlobalUnlock(block);
            GlobalFree(block);
        }
    }
}

TEST(Gdi, ClipboardOwnsWhatIsSetAndNeedsOpening)
{
    EXPECT_EQ(GetClipboardData(CF_DIB), nullptr);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_FALSE(OpenClipboard(nullptr));
    HGLOBAL g = GlobalAlloc(GHND, 10);
    EXPECT_EQ(SetClipboardData(CF_DIB, g), g);
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_DIB));
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_BITMAP));
    EXPECT_TRUE(EmptyClipboard());
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_DIB));
    EXPECT_TRUE(CloseClipboard());
}

}   // namespace
