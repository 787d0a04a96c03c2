// Known results of the three 1-bit methods on small hand-built pictures.
#include <gtest/gtest.h>

#include "reduce_test_util.h"

namespace vantor::test {
namespace {

std::vector<uint8_t> Reduced(ReduceFn fn, const std::vector<uint8_t>& dib)
{
    std::vector<uint8_t> out;
    EXPECT_EQ(Apply(fn, dib, out), kReduceOk);
    return out;
}

// Whites in the 16 x 16 picture, with (x, y) of each.
std::vector<std::pair<int, int>> Whites(const std::vector<uint8_t>& out, int w, int h)
{
    std::vector<std::pair<int, int>> set;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (BitAt(out, x, y))
                set.emplace_back(x, y);
    return set;
}

TEST(MonoReduction, WhiteIsAllOnesBlackAllZerosAndRowsArePaddedWithZero)
{
    // 11 wide: one full byte and three pixels of the second, whose low bits stay 0.
    for (ReduceFn fn : {BayerMono, HalftoneMono, DiffusionMono}) {
        const std::vector<uint8_t> white = Reduced(fn, Uniform24(11, 9, {255, 255, 255}));
        const std::vector<uint8_t> black = Reduced(fn, Uniform24(11, 9, {0, 0, 0}));
        for (int y = 0; y < 9; ++y) {
            EXPECT_EQ(RowOf(white, y)[0], 0xFF);
            EXPECT_EQ(RowOf(white, y)[1], 0xE0);
            EXPECT_EQ(RowOf(white, y)[2] | RowOf(white, y)[3], 0);
            EXPECT_EQ(RowOf(black, y)[0] | RowOf(black, y)[1], 0);
        }
        const RGBQUAD* table = TableOf(white);
        EXPECT_EQ(table[0].rgbRed | table[0].rgbGreen | table[0].rgbBlue, 0);
        EXPECT_EQ(table[1].rgbRed & table[1].rgbGreen & table[1].rgbBlue, 255);
    }
}

TEST(MonoReduction, BayerThresholdsCountAndLieByColumnThenRow)
{
    auto count = [](int grey) {
        return Whites(Reduced(BayerMono, Uniform24(16, 16, {grey, grey, grey})), 16, 16).size();
    };
    EXPECT_EQ(count(128), 4u * 32u);
    EXPECT_EQ(count(4), 0u);
    // Only the two thresholds of 4, at (0, 0) and (4, 4) of each 8 x 8 cell.
    const auto five = Whites(Reduced(BayerMono, Uniform24(16, 16, {5, 5, 5})), 16, 16);
    for (auto [x, y] : five)
        EXPECT_TRUE((x % 8 == 0 && y % 8 == 0) || (x % 8 == 4 && y % 8 == 4)) << x << "," << y;
    EXPECT_EQ(five.size(), 8u);
    // 129 passes the threshold 128 at column 0 of row 1, not 192 at column 1 of row 0.
    const std::vector<uint8_t> out = Reduced(BayerMono, Uniform24(8, 8, {129, 129, 129}));
    EXPECT_EQ(BitAt(out, 0, 1), 1);
    EXPECT_EQ(BitAt(out, 1, 0), 0);
}

TEST(MonoReduction, HalftoneUsesTheClusteredTable)
{
    // Grey 1 passes only the threshold 0, at column 6 of row 1.
    const auto one = Whites(Reduced(HalftoneMono, Uniform24(8, 8, {1, 1, 1})), 8, 8);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0], std::make_pair(6, 1));
    // 252 fails only the equal threshold, at column 6 of row 5.
    const std::vector<uint8_t> high = Reduced(HalftoneMono, Uniform24(8, 8, {252, 252, 252}));
    EXPECT_EQ(Whites(high, 8, 8).size(), 63u);
    EXPECT_EQ(BitAt(high, 6, 5), 0);
}

TEST(MonoReduction, GreyIsWeighted30_59_11)
{
    // (1, 8, 0) is grey 5 by these weights (4 by the 38/75/14 ones): two whites a cell.
    EXPECT_EQ(Whites(Reduced(BayerMono, Uniform24(8, 8, {1, 8, 0})), 8, 8).size(), 2u);
}

TEST(MonoReduction, PaletteInputsReadTheirColourTable)
{
    // A 4-bit picture 5 wide (odd: the last byte's low nibble is padding) and an
    // 8-bit one give the same pixels as the 24-bit picture of their colours.
    const Rgb colours[3] = {{200, 40, 10}, {90, 90, 250}, {20, 230, 120}};
    auto colourAt = [&colours](int x, int y) { return colours[(x + 2 * y) % 3]; };
    const std::vector<uint8_t> direct = Picture24(5, 6, colourAt);
    for (int bits : {4, 8}) {
        std::vector<uint8_t> dib = MakeDib(5, 6, bits);
        for (int i = 0; i < 3; ++i)
            SetTableEntry(dib, i + 5, colours[i]);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 5; ++x) {
                const int index = 5 + (x + 2 * y) % 3;
                if (bits == 8)
                    RowOf(dib, y)[x] = uint8_t(index);
                else
                    RowOf(dib, y)[x >> 1] |= uint8_t((x & 1) ? index : index << 4);
            }
        for (ReduceFn fn : {BayerMono, HalftoneMono, DiffusionMono})
            EXPECT_EQ(Reduced(fn, dib), Reduced(fn, direct)) << bits;
    }
}

TEST(MonoDiffusion, SecondRowRunsRightToLeft)
{
    // Row 0 leaves an error of 120 at its right end: the next row gets
    // 120/21 = 5, 4*120/42 = 11 and 8*120/42 = 22 at columns 1, 2, 3, giving
    // 110 115 121 132. Scanned from the right that is white, black, black, white;
    // scanned from the left it would be black, white, black, white.
    const std::vector<uint8_t> out = Reduced(DiffusionMono, Grey24({{0, 0, 0, 120}, {110, 110, 110, 110}}));
    EXPECT_EQ(RowOf(out, 0)[0], 0x00);
    EXPECT_EQ(RowOf(out, 1)[0], 0x90);
}

TEST(MonoDiffusion, ErrorReachesTwoRowsOn)
{
    // One column: 100 is black with error 100, giving 19 to the next row and 9
    // to the one after; 119 is black with error 119, giving 22 more. The third
    // row holds its grey plus 31, white from 97 up.
    EXPECT_EQ(BitAt(Reduced(DiffusionMono, Grey24({{100}, {100}, {97}})), 0, 2), 1);
    EXPECT_EQ(BitAt(Reduced(DiffusionMono, Grey24({{100}, {100}, {96}})), 0, 2), 0);
}

TEST(MonoDiffusion, KeepsTheMeanGreyOfLargeAreas)
{
    for (int grey : {32, 64, 128, 200}) {
        const std::vector<uint8_t> out = Reduced(DiffusionMono, Uniform24(64, 64, {grey, grey, grey}));
        const double share = double(Whites(out, 64, 64).size()) / (64.0 * 64.0);
        // Shares truncated toward zero and errors falling off the edges bias it a little.
        EXPECT_NEAR(share, grey / 255.0, 0.035) << grey;
    }
}

}  // namespace
}  // namespace vantor::test
