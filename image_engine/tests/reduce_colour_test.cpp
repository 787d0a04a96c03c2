// Known results of the grey conversion and the fixed-table colour methods.
#include "reduce_test_util.h"

namespace vantor::test {
namespace {

TEST(GreyReduction, IndexIsThe38_75_14Grey)
{
    // 4-bit, 3 wide: the padding nibble names entry 2 and must not be read.
    Dib dib = MakeDib(3, 1, 4);
    TableOf(dib)[1] = RGBQUAD{0, 0, 255, 0};
    TableOf(dib)[2] = RGBQUAD{0, 255, 0, 0};
    RowOf(dib, 0)[0] = 0x12;
    RowOf(dib, 0)[1] = 0x02;
    const Dib out = Reduced(ColorGray, dib);
    EXPECT_EQ(ByteAt(out, 0, 0), 75);
    EXPECT_EQ(ByteAt(out, 1, 0), (75 * 255) >> 7);
    EXPECT_EQ(ByteAt(out, 2, 0) | ByteAt(out, 3, 0), 0);
    EXPECT_EQ(TableOf(out)[75].rgbRed, 75);
    EXPECT_EQ(ByteAt(Reduced(ColorGray, Uniform24(1, 1, {10, 20, 30})), 0, 0), (38 * 10 + 75 * 20 + 14 * 30) >> 7);
}

TEST(BayerColour, RedIsTheRedCodeAndWhiteIsBrightBelowThreshold173)
{
    // Red beats every threshold, green and blue none, and the intensity 35 no
    // threshold + 40. Five wide: the last byte's low nibble stays 0.
    const Dib red = Reduced(BayerColor, Uniform24(5, 8, {255, 0, 0}));
    for (int y = 0; y < 8; ++y)
        EXPECT_EQ(std::vector<uint8_t>(RowOf(red, y), RowOf(red, y) + 4), (std::vector<uint8_t>{0x11, 0x11, 0x10, 0}));
    EXPECT_EQ(TableOf(red)[1].rgbRed, 128);
    EXPECT_EQ(TableOf(red)[9].rgbRed, 255);
    // White's intensity 253 - 40 = 213 beats threshold + 40 below 173.
    const Dib white = Reduced(BayerColor, Uniform24(8, 8, {255, 255, 255}));
    EXPECT_EQ(NibbleAt(white, 0, 7), 15);  // threshold 168
    EXPECT_EQ(NibbleAt(white, 4, 3), 15);  // 172
    EXPECT_EQ(NibbleAt(white, 1, 0), 7);   // 192
    EXPECT_EQ(NibbleAt(white, 2, 5), 7);   // 184
}

TEST(ColourDiffusion, PureColoursOfTheTablesAreExact)
{
    EXPECT_EQ(RowOf(Reduced(DiffusionColor, Uniform24(4, 3, {255, 255, 255})), 2)[1], 0xFF);
    EXPECT_EQ(RowOf(Reduced(DiffusionColor, Uniform24(4, 3, {0, 0, 0})), 2)[1], 0x00);
    EXPECT_EQ(ByteAt(Reduced(MedianCutColor, Uniform24(4, 3, {255, 255, 255})), 3, 2), 255);
    EXPECT_EQ(ByteAt(Reduced(MedianCutColor, Uniform24(4, 3, {255, 0, 0})), 3, 2), 0xE0);
    EXPECT_EQ(ByteAt(Reduced(MedianCutColor, Uniform24(4, 3, {0, 0, 255})), 3, 2), 0x03);
    EXPECT_EQ(TableOf(Reduced(MedianCutColor, Uniform24(1, 1, {0, 0, 0})))[0x92].rgbBlue, 170);
}

TEST(ColourDiffusion, SecondRowRunsRightToLeft)
{
    // Row 0 keeps 170 at its right end: 42, 21, 10 reach columns 3, 2, 1 of the
    // next row: 200 210 221 242. From the right: 242 bright white (-13), 217
    // white (89), 230 bright (-25), 204 white. From the left it would be
    // white, bright, bright, bright.
    const Dib out = Reduced(DiffusionColor, Grey24({{0, 0, 0, 170}, {200, 200, 200, 200}}));
    EXPECT_EQ(RowOf(out, 0)[0] | RowOf(out, 0)[1], 0);
    EXPECT_EQ(RowOf(out, 1)[0], 0x7F);
    EXPECT_EQ(RowOf(out, 1)[1], 0x7F);
}

TEST(ColourDiffusion, CubeErrorIsUnclampedAndShiftedTowardMinusInfinity)
{
    // Blue 200 255 0 67 in one row: 200 -> 255 leaves -55 (-14 and -7 on);
    // 241 -> 255 leaves -14 (-4 and -2 on); -11 picks entry 0 and passes on its
    // own -11 (-3), so the last pixel holds 67 - 2 - 3 = 62: index 0. An error
    // taken after clamping, or shares rounded toward zero, would make it 64 or
    // more: index 1.
    const int blue[4] = {200, 255, 0, 67};
    const Dib out = Reduced(MedianCutColor, Picture24(4, 1, [&blue](int x, int) { return Rgb{0, 0, blue[x]}; }));
    EXPECT_EQ(std::vector<uint8_t>(RowOf(out, 0), RowOf(out, 0) + 4), (std::vector<uint8_t>{3, 3, 0, 0}));
}

TEST(PaletteInput, ReadsTheColourTableLikeTrueColourPixels)
{
    // 7 wide, so the 4-bit rows end in a padding nibble.
    const Rgb colours[4] = {{200, 40, 10}, {90, 90, 250}, {20, 230, 120}, {250, 250, 30}};
    auto pick = [](int x, int y) { return (x * 3 + y) % 4; };
    const Dib direct = Picture24(7, 5, [&](int x, int y) { return colours[pick(x, y)]; });
    for (int bits : {4, 8}) {
        Dib dib = MakeDib(7, 5, bits);
        for (int i = 0; i < 4; ++i)
            TableOf(dib)[11 - i] = RGBQUAD{BYTE(colours[i].b), BYTE(colours[i].g), BYTE(colours[i].r), 0};
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x) {
                const int index = 11 - pick(x, y);
                if (bits == 8)
                    RowOf(dib, y)[x] = uint8_t(index);
                else
                    RowOf(dib, y)[x >> 1] |= uint8_t((x & 1) ? index : index << 4);
            }
        for (ReduceFn fn : {ColorGray, BayerMono, HalftoneMono, DiffusionMono, BayerColor, DiffusionColor, MedianCutColor})
            EXPECT_EQ(Reduced(fn, dib), Reduced(fn, direct)) << bits;
    }
}

}  // namespace
}  // namespace vantor::test
