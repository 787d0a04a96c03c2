// Palette choice and pixel mapping of the popularity reduction.
#include "reduce_test_util.h"

namespace vantor::test {
namespace {

std::vector<int> Entry(const Dib& out, int i)
{
    const RGBQUAD q = TableOf(out)[i];
    return {q.rgbRed, q.rgbGreen, q.rgbBlue};
}

using V = std::vector<int>;

TEST(Popularity, EntriesByCountThenHigherBinAndEachPixelToItsOwn)
{
    const Rgb red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255}, grey{130, 135, 140}, dark{5, 5, 5};
    // Blue (bin 0x00F) and green (bin 0x0F0) tie at two; green's higher bin goes
    // first. Black (bin 0) is entry 0 and still ranks for entry 4.
    const Rgb row[10] = {blue, red, blue, green, red, grey, green, red, dark, dark};
    const Dib out = Reduced(PopularityColor, Picture24(10, 1, [&row](int x, int) { return row[x]; }));
    EXPECT_EQ(Entry(out, 0), (V{0, 0, 0}));
    EXPECT_EQ(Entry(out, 1), (V{240, 0, 0}));
    EXPECT_EQ(Entry(out, 2), (V{0, 240, 0}));
    EXPECT_EQ(Entry(out, 3), (V{0, 0, 240}));
    EXPECT_EQ(Entry(out, 4), (V{0, 0, 0}));
    EXPECT_EQ(Entry(out, 5), (V{128, 128, 128}));
    // With every counted bin taken, the highest bin fills the rest.
    EXPECT_EQ(Entry(out, 6), (V{240, 240, 240}));
    EXPECT_EQ(Entry(out, 255), (V{240, 240, 240}));
    const std::vector<uint8_t> want = {3, 1, 3, 2, 1, 5, 2, 1, 0, 0};
    EXPECT_EQ(std::vector<uint8_t>(RowOf(out, 0), RowOf(out, 0) + 10), want);
}

TEST(Popularity, RareColoursGoToTheNearestEntry)
{
    // Bins 1-255 (red nibble 0) twice each fill the palette, highest bin first:
    // bin b is entry 256 - b. The one pixel of nibbles (1, 5, 7) is left out and
    // lands on bin 0x057, a red nibble away.
    const Dib out = Reduced(PopularityColor, Picture24(256, 2, [](int x, int y) {
        if (x < 255)
            return Rgb{0, ((x + 1) >> 4) * 16 + 3, ((x + 1) & 15) * 16 + 9};
        return y == 0 ? Rgb{16, 80, 112} : Rgb{0, 0, 0};
    }));
    EXPECT_EQ(Entry(out, 1), (V{0, 240, 240}));
    EXPECT_EQ(Entry(out, 255), (V{0, 0, 16}));
    EXPECT_EQ(ByteAt(out, 255, 0), 256 - 0x57);
    EXPECT_EQ(ByteAt(out, 255, 1), 0);
    EXPECT_EQ(ByteAt(out, 0, 1), 255);
}

TEST(Popularity, CountsSaturateInsteadOfWrapping)
{
    // 65 546 red pixels against 182 green: a wrapping 16-bit count would leave
    // red at 10 and rank green first.
    const Dib out = Reduced(PopularityColor, Picture24(64, 1027, [](int x, int y) {
        return y * 64 + x < 182 ? Rgb{0, 255, 0} : Rgb{255, 0, 0};
    }));
    EXPECT_EQ(Entry(out, 1), (V{240, 0, 0}));
    EXPECT_EQ(Entry(out, 2), (V{0, 240, 0}));
    EXPECT_EQ(ByteAt(out, 0, 1026), 1);
}

}  // namespace
}  // namespace vantor::test
