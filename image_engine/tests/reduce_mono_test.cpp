// Known results of the three 1-bit methods on small hand-built pictures.
#include "reduce_test_util.h"

namespace vantor::test {
namespace {

int Whites(const Dib& out, int w, int h)
{
    int n = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            n += BitAt(out, x, y);
    return n;
}

Dib BayerOfGrey(int grey, int size) { return Reduced(BayerMono, Uniform24(size, size, {grey, grey, grey})); }

TEST(MonoReduction, WhiteIsAllOnesBlackAllZerosAndRowsArePaddedWithZero)
{
    // 11 wide: one full byte and three pixels of the second, whose low bits stay 0.
    for (ReduceFn fn : {BayerMono, HalftoneMono, DiffusionMono}) {
        const Dib white = Reduced(fn, Uniform24(11, 9, {255, 255, 255}));
        const Dib black = Reduced(fn, Uniform24(11, 9, {0, 0, 0}));
        for (int y = 0; y < 9; ++y) {
            EXPECT_EQ(RowOf(white, y)[0], 0xFF);
            EXPECT_EQ(RowOf(white, y)[1], 0xE0);
            EXPECT_EQ(RowOf(white, y)[2] | RowOf(white, y)[3], 0);
            EXPECT_EQ(RowOf(black, y)[0] | RowOf(black, y)[1], 0);
        }
        EXPECT_EQ(TableOf(white)[0].rgbRed | TableOf(white)[0].rgbBlue, 0);
        EXPECT_EQ(TableOf(white)[1].rgbRed & TableOf(white)[1].rgbBlue, 255);
    }
}

TEST(MonoReduction, BayerThresholdsCountAndLieByColumnThenRow)
{
    EXPECT_EQ(Whites(BayerOfGrey(128, 16), 16, 16), 4 * 32);
    EXPECT_EQ(Whites(BayerOfGrey(4, 16), 16, 16), 0);
    // 5 passes only the two thresholds of 4, at (0, 0) and (4, 4) of each cell.
    const Dib five = BayerOfGrey(5, 16);
    EXPECT_EQ(Whites(five, 16, 16), 8);
    EXPECT_EQ(BitAt(five, 8, 8) & BitAt(five, 12, 4) & BitAt(five, 4, 12), 1);
    // 129 passes the threshold 128 at column 0 of row 1, not 192 at column 1 of row 0.
    const Dib out = BayerOfGrey(129, 8);
    EXPECT_EQ(BitAt(out, 0, 1), 1);
    EXPECT_EQ(BitAt(out, 1, 0), 0);
    // (1, 8, 0) is grey 5 by the 30/59/11 weights (4 by 38/75/14): two whites a cell.
    EXPECT_EQ(Whites(Reduced(BayerMono, Uniform24(8, 8, {1, 8, 0})), 8, 8), 2);
}

TEST(MonoReduction, HalftoneUsesTheClusteredTable)
{
    // Grey 1 passes only the threshold 0, at column 6 of row 1.
    const Dib one = Reduced(HalftoneMono, Uniform24(8, 8, {1, 1, 1}));
    EXPECT_EQ(Whites(one, 8, 8), 1);
    EXPECT_EQ(BitAt(one, 6, 1), 1);
    // 252 fails only the equal threshold, at column 6 of row 5.
    const Dib high = Reduced(HalftoneMono, Uniform24(8, 8, {252, 252, 252}));
    EXPECT_EQ(Whites(high, 8, 8), 63);
    EXPECT_EQ(BitAt(high, 6, 5), 0);
}

TEST(MonoDiffusion, SecondRowRunsRightToLeft)
{
    // Row 0 leaves an error of 120 at its right end: the next row gets
    // 120/21 = 5, 4*120/42 = 11 and 8*120/42 = 22 at columns 1, 2, 3, giving
    // 110 115 121 132. Scanned from the right that is white, black, black, white;
    // scanned from the left it would be black, white, black, white.
    const Dib out = Reduced(DiffusionMono, Grey24({{0, 0, 0, 120}, {110, 110, 110, 110}}));
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

}  // namespace
}  // namespace vantor::test
