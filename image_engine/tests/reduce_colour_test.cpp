// Known results of the grey conversion and the fixed-table colour methods.
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

TEST(GreyReduction, IndexIsThe38_75_14Grey)
{
    // 4-bit, 3 wide: the padding nibble names entry 2 and must not be read.
    std::vector<uint8_t> dib = MakeDib(3, 1, 4);
    SetTableEntry(dib, 1, {255, 0, 0});
    SetTableEntry(dib, 2, {0, 255, 0});
    RowOf(dib, 0)[0] = 0x12;
    RowOf(dib, 0)[1] = 0x02;
    const std::vector<uint8_t> out = Reduced(ColorGray, dib);
    EXPECT_EQ(ByteAt(out, 0, 0), 75);
    EXPECT_EQ(ByteAt(out, 1, 0), (75 * 255) >> 7);
    EXPECT_EQ(ByteAt(out, 2, 0), 0);
    EXPECT_EQ(ByteAt(out, 3, 0), 0);
    EXPECT_EQ(TableOf(out)[75].rgbRed, 75);
    EXPECT_EQ(TableOf(out)[255].rgbBlue, 255);

    const std::vector<uint8_t> rgb = Reduced(ColorGray, Picture24(3, 1, [](int x, int) {
        return x == 0 ? Rgb{0, 0, 255} : x == 1 ? Rgb{255, 255, 255} : Rgb{10, 20, 30};
    }));
    EXPECT_EQ(ByteAt(rgb, 0, 0), (14 * 255) >> 7);
    EXPECT_EQ(ByteAt(rgb, 1, 0), 253);
    EXPECT_EQ(ByteAt(rgb, 2, 0), (38 * 10 + 75 * 20 + 14 * 30) >> 7);
}

TEST(BayerColour, PureRedIsTheRedCodeEverywhere)
{
    // Red beats every threshold, green and blue none, and the intensity 35 no
    // threshold + 40. Five wide: the last byte's low nibble stays 0.
    const std::vector<uint8_t> out = Reduced(BayerColor, Uniform24(5, 8, {255, 0, 0}));
    for (int y = 0; y < 8; ++y) {
        EXPECT_EQ(RowOf(out, y)[0], 0x11);
        EXPECT_EQ(RowOf(out, y)[1], 0x11);
        EXPECT_EQ(RowOf(out, y)[2], 0x10);
    }
    EXPECT_EQ(TableOf(out)[1].rgbRed, 128);
    EXPECT_EQ(TableOf(out)[9].rgbRed, 255);
}

TEST(BayerColour, WhiteIsBrightWhereIntensityBeatsThresholdPlus40)
{
    // Intensity 253 - 40 = 213: bright where the threshold is below 173.
    const std::vector<uint8_t> out = Reduced(BayerColor, Uniform24(8, 8, {255, 255, 255}));
    EXPECT_EQ(NibbleAt(out, 0, 0), 15);  // threshold 4
    EXPECT_EQ(NibbleAt(out, 0, 7), 15);  // 168
    EXPECT_EQ(NibbleAt(out, 1, 0), 7);   // 192
    EXPECT_EQ(NibbleAt(out, 2, 5), 7);   // 184
    EXPECT_EQ(NibbleAt(out, 4, 3), 15);  // 172
}

TEST(ColourDiffusion, WhiteAndBlackAreExact)
{
    EXPECT_EQ(RowOf(Reduced(DiffusionColor, Uniform24(4, 3, {255, 255, 255})), 2)[1], 0xFF);
    EXPECT_EQ(RowOf(Reduced(DiffusionColor, Uniform24(4, 3, {0, 0, 0})), 2)[1], 0x00);
    EXPECT_EQ(ByteAt(Reduced(MedianCutColor, Uniform24(4, 3, {255, 255, 255})), 3, 2), 255);
    EXPECT_EQ(ByteAt(Reduced(MedianCutColor, Uniform24(4, 3, {255, 0, 0})), 3, 2), 0xE0);
    EXPECT_EQ(ByteAt(Reduced(MedianCutColor, Uniform24(4, 3, {0, 0, 255})), 3, 2), 0x03);
}

TEST(ColourDiffusion, SixteenColourSecondRowRunsRightToLeft)
{
    // Row 0 keeps 170 at its right end: 42, 21, 10 reach columns 3, 2, 1 of the
    // next row: 200 210 221 242. From the right: 242 bright white (-13), 217
    // white (89), 230 bright (-25), 204 white. From the left it would be
    // white, bright, bright, bright.
    const std::vector<uint8_t> out = Reduced(DiffusionColor, Grey24({{0, 0, 0, 170}, {200, 200, 200, 200}}));
    EXPECT_EQ(RowOf(out, 0)[0] | RowOf(out, 0)[1], 0);
    EXPECT_EQ(RowOf(out, 1)[0], 0x7F);
    EXPECT_EQ(RowOf(out, 1)[1], 0x7F);
}

TEST(ColourDiffusion, CubeSecondRowRunsRightToLeft)
{
    // Blue only. Row 0 keeps 60: 15, 7, 3 reach the next row: 120 123 127 135.
    // From the right: 135 -> 170 (-35), 118 -> 85 (33), 126 -> 85 (41), 134 -> 170.
    auto blue = [](int x, int y) { return Rgb{0, 0, y == 0 ? (x == 3 ? 60 : 0) : 120}; };
    const std::vector<uint8_t> out = Reduced(MedianCutColor, Picture24(4, 2, blue));
    EXPECT_EQ(ByteAt(out, 0, 1), 2);
    EXPECT_EQ(ByteAt(out, 1, 1), 1);
    EXPECT_EQ(ByteAt(out, 2, 1), 1);
    EXPECT_EQ(ByteAt(out, 3, 1), 2);
    EXPECT_EQ(TableOf(out)[0x92].rgbBlue, 170);
}

TEST(ColourDiffusion, CubeErrorIsUnclampedAndShiftedTowardMinusInfinity)
{
    // Blue 200 255 0 67 in one row: 200 -> 255 leaves -55 (-14 and -7 on);
    // 241 -> 255 leaves -14 (-4 and -2 on); -11 picks entry 0 and passes on its
    // own -11 (-3), so the last pixel holds 67 - 2 - 3 = 62: index 0. An error
    // taken after clamping, or shares rounded toward zero, would make it 64 or
    // more: index 1.
    auto blue = [](int x, int) { return Rgb{0, 0, x == 0 ? 200 : x == 1 ? 255 : x == 2 ? 0 : 67}; };
    const std::vector<uint8_t> out = Reduced(MedianCutColor, Picture24(4, 1, blue));
    EXPECT_EQ(ByteAt(out, 0, 0), 3);
    EXPECT_EQ(ByteAt(out, 1, 0), 3);
    EXPECT_EQ(ByteAt(out, 2, 0), 0);
    EXPECT_EQ(ByteAt(out, 3, 0), 0);
}

TEST(ColourDiffusion, PaletteInputsMatchTheirTrueColourPicture)
{
    const Rgb colours[4] = {{200, 40, 10}, {90, 90, 250}, {20, 230, 120}, {250, 250, 30}};
    auto pick = [](int x, int y) { return (x * 3 + y) % 4; };
    const std::vector<uint8_t> direct = Picture24(7, 5, [&](int x, int y) { return colours[pick(x, y)]; });
    for (int bits : {4, 8}) {
        std::vector<uint8_t> dib = MakeDib(7, 5, bits);
        for (int i = 0; i < 4; ++i)
            SetTableEntry(dib, 11 - i, colours[i]);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x) {
                const int index = 11 - pick(x, y);
                if (bits == 8)
                    RowOf(dib, y)[x] = uint8_t(index);
                else
                    RowOf(dib, y)[x >> 1] |= uint8_t((x & 1) ? index : index << 4);
            }
        for (ReduceFn fn : {ColorGray, BayerColor, DiffusionColor, MedianCutColor})
            EXPECT_EQ(Reduced(fn, dib), Reduced(fn, direct)) << bits;
    }
}

TEST(ColourDiffusion, KeepsTheMeanOfLargeAreas)
{
    // Mean red of the cube result over a uniform 100-red area.
    const std::vector<uint8_t> out = Reduced(MedianCutColor, Uniform24(64, 64, {100, 0, 0}));
    const RGBQUAD* table = TableOf(out);
    double sum = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            sum += table[ByteAt(out, x, y)].rgbRed;
    // Shifts round the errors down and the edges lose some: a few levels low.
    EXPECT_NEAR(sum / (64 * 64), 100.0, 5.0);
}

}  // namespace
}  // namespace vantor::test
