#include "Convert16.h"
#include "Memalloc.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

struct Converted {
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    std::vector<BYTE> pixels;
};

bool Convert(const std::vector<BYTE>& frame, LONG w, LONG h, Converted& out)
{
    DWORD size = 0;
    auto* block = static_cast<BYTE*>(ConvertFrame16To24(frame.data(), frame.size(), w, h, size));
    if (!block)
        return false;
    std::memcpy(&out.file, block, sizeof out.file);
    std::memcpy(&out.info, block + 14, sizeof out.info);
    out.pixels.assign(block + out.file.bfOffBits, block + out.file.bfSize);
    EXPECT_GE(size, DWORD(out.file.bfSize) + 10240u);
    MemFreeHuge(block, size);
    return true;
}

TEST(Convert16, ChannelsSpreadFromFiveBitsEach)
{
    // 2 x 1: white (0x7FFF) and pure blue (0x001F); 4 bytes, no padding needed.
    const std::vector<BYTE> frame = {0xFF, 0x7F, 0x1F, 0x00};
    Converted c;
    ASSERT_TRUE(Convert(frame, 2, 1, c));
    EXPECT_EQ(WORD(c.file.bfType), 0x4D42);
    EXPECT_EQ(DWORD(c.file.bfOffBits), 54u);
    EXPECT_EQ(c.info.biBitCount, 24);
    EXPECT_EQ(c.info.biCompression, BI_RGB);
    ASSERT_EQ(c.pixels.size(), 8u);   // 6 bytes of pixels, padded to 8
    EXPECT_EQ(c.pixels[0], 0xF8);     // blue
    EXPECT_EQ(c.pixels[1], 0xF8);     // green
    EXPECT_EQ(c.pixels[2], 0xF8);     // red
    EXPECT_EQ(c.pixels[3], 0xF8);     // second pixel: blue only
    EXPECT_EQ(c.pixels[4], 0x00);
    EXPECT_EQ(c.pixels[5], 0x00);

    // Pure red 0x7C00 and pure green 0x03E0.
    Converted rg;
    ASSERT_TRUE(Convert({0x00, 0x7C, 0xE0, 0x03}, 2, 1, rg));
    EXPECT_EQ(rg.pixels[2], 0xF8);
    EXPECT_EQ(rg.pixels[0] | rg.pixels[1], 0);
    EXPECT_EQ(rg.pixels[4], 0xF8);
    EXPECT_EQ(rg.pixels[3] | rg.pixels[5], 0);
}

TEST(Convert16, OddWidthsKeepFourByteRowsOnBothSides)
{
    // 3 x 2: source rows are 6 bytes padded to 8; output rows 9 padded to 12.
    std::vector<BYTE> frame(16, 0);
    frame[8] = 0xFF;   // first pixel of the second row: white
    frame[9] = 0x7F;
    Converted c;
    ASSERT_TRUE(Convert(frame, 3, 2, c));
    EXPECT_EQ(c.info.biSizeImage, 24u);
    EXPECT_EQ(DWORD(c.file.bfSize), 54u + 24u);
    ASSERT_EQ(c.pixels.size(), 24u);
    EXPECT_EQ(c.pixels[0], 0);
    EXPECT_EQ(c.pixels[12], 0xF8);
    EXPECT_EQ(c.pixels[14], 0xF8);
}

TEST(Convert16, RefusesFramesShorterThanTheirSizeAndSillySizes)
{
    std::vector<BYTE> frame(15, 0);
    Converted c;
    EXPECT_FALSE(Convert(frame, 3, 2, c));
    EXPECT_FALSE(Convert(frame, 0, 2, c));
    EXPECT_FALSE(Convert(frame, -3, 2, c));
    DWORD size = 0;
    EXPECT_EQ(ConvertFrame16To24(nullptr, 100, 2, 2, size), nullptr);
    EXPECT_EQ(ConvertFrame16To24(frame.data(), frame.size(), 100000, 100000, size), nullptr);
}

}  // namespace
