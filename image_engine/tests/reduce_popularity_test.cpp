// Palette choice and pixel mapping of the popularity reduction.
#include <gtest/gtest.h>

#include "reduce_test_util.h"

namespace vantor::test {
namespace {

std::vector<uint8_t> Reduced(const std::vector<uint8_t>& dib)
{
    std::vector<uint8_t> out;
    EXPECT_EQ(Apply(PopularityColor, dib, out), kReduceOk);
    return out;
}

void ExpectEntry(const std::vector<uint8_t>& out, int i, Rgb c)
{
    const RGBQUAD q = TableOf(out)[i];
    EXPECT_EQ(q.rgbRed, c.r) << "entry " << i;
    EXPECT_EQ(q.rgbGreen, c.g) << "entry " << i;
    EXPECT_EQ(q.rgbBlue, c.b) << "entry " << i;
}

TEST(Popularity, EntriesByCountThenHigherBinAndEachPixelToItsOwn)
{
    const Rgb red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255}, grey{130, 135, 140};
    // Blue (bin 0x00F) and green (bin 0x0F0) tie at two; green's higher bin goes first.
    const Rgb row[8] = {blue, red, blue, green, red, grey, green, red};
    const std::vector<uint8_t> out = Reduced(Picture24(8, 1, [&row](int x, int) { return row[x]; }));
    ExpectEntry(out, 0, {0, 0, 0});
    ExpectEntry(out, 1, {240, 0, 0});
    ExpectEntry(out, 2, {0, 240, 0});
    ExpectEntry(out, 3, {0, 0, 240});
    ExpectEntry(out, 4, {128, 128, 128});
    // With every counted bin taken, the highest bin fills the rest.
    ExpectEntry(out, 5, {240, 240, 240});
    ExpectEntry(out, 255, {240, 240, 240});
    const int expected[8] = {3, 1, 3, 2, 1, 4, 2, 1};
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(ByteAt(out, x, 0), expected[x]) << x;
}

TEST(Popularity, BlackStaysEntryZeroEvenWhenItRanksAgain)
{
    const std::vector<uint8_t> out =
        Reduced(Picture24(4, 1, [](int x, int) { return x == 3 ? Rgb{255, 255, 255} : Rgb{5, 5, 5}; }));
    ExpectEntry(out, 1, {0, 0, 0});
    ExpectEntry(out, 2, {240, 240, 240});
    EXPECT_EQ(ByteAt(out, 0, 0), 0);
    EXPECT_EQ(ByteAt(out, 3, 0), 2);
}

TEST(Popularity, RareColoursGoToTheNearestEntry)
{
    // Bins 1-255 (red nibble 0) twice each fill the palette, highest bin first:
    // bin b is entry 256 - b. The one pixel of nibbles (1, 5, 7) is left out and
    // lands on bin 0x057, a red nibble away.
    auto colour = [](int x, int y) {
        if (x < 255)
            return Rgb{0, ((x + 1) >> 4) * 16 + 3, ((x + 1) & 15) * 16 + 9};
        return y == 0 ? Rgb{16, 80, 112} : Rgb{0, 0, 0};
    };
    const std::vector<uint8_t> out = Reduced(Picture24(256, 2, colour));
    ExpectEntry(out, 1, {0, 240, 240});
    ExpectEntry(out, 255, {0, 0, 16});
    EXPECT_EQ(ByteAt(out, 255, 0), 256 - 0x57);
    EXPECT_EQ(ByteAt(out, 255, 1), 0);
    EXPECT_EQ(ByteAt(out, 0, 1), 255);
    EXPECT_EQ(ByteAt(out, 254, 0), 1);
}

TEST(Popularity, CountsSaturateInsteadOfWrapping)
{
    // 65 546 red pixels against 182 green: a wrapping 16-bit count would leave
    // red at 10 and rank green first.
    const int width = 64, height = 1027;
    const std::vector<uint8_t> out = Reduced(Picture24(width, height, [width](int x, int y) {
        return y * width + x < 182 ? Rgb{0, 255, 0} : Rgb{255, 0, 0};
    }));
    ExpectEntry(out, 1, {240, 0, 0});
    ExpectEntry(out, 2, {0, 240, 0});
    EXPECT_EQ(ByteAt(out, 0, height - 1), 1);
    EXPECT_EQ(ByteAt(out, 0, 0), 2);
}

}  // namespace
}  // namespace vantor::test
