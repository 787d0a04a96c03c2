// Input checking, result layout and default colour tables shared by every reduction.
#include <gtest/gtest.h>

#include <string>

#include "reduce_test_util.h"

namespace vantor::test {
namespace {

struct Reduction {
    const char* name;
    ReduceFn fn;
    int bits;  // depth of the result
};

const Reduction kAll[] = {
    {"ColorGray", ColorGray, 8},           {"BayerMono", BayerMono, 1},
    {"HalftoneMono", HalftoneMono, 1},     {"DiffusionMono", DiffusionMono, 1},
    {"BayerColor", BayerColor, 4},         {"DiffusionColor", DiffusionColor, 4},
    {"PopularityColor", PopularityColor, 8}, {"MedianCutColor", MedianCutColor, 8},
};

const std::vector<uint8_t> kSentinel = {0xAB, 0xCD};

TEST(ReduceInput, OneBitAndForeignDepthsAreRefusedAndLeaveOutAlone)
{
    for (const Reduction& r : kAll) {
        for (int bits : {1, 2, 16, 32, 0}) {
            std::vector<uint8_t> dib = MakeDib(9, 3, bits == 1 ? 1 : 24);
            BITMAPINFOHEADER h = HeaderOf(dib);
            h.biBitCount = WORD(bits);
            std::memcpy(dib.data(), &h, 40);
            std::vector<uint8_t> out = kSentinel;
            EXPECT_EQ(Apply(r.fn, dib, out), kReduceBadDepth) << r.name << " bits " << bits;
            EXPECT_EQ(out, kSentinel) << r.name;
        }
    }
}

TEST(ReduceInput, PopularityTakesOnlyTrueColour)
{
    for (int bits : {4, 8}) {
        const std::vector<uint8_t> dib = MakeDib(4, 4, bits);
        std::vector<uint8_t> out = kSentinel;
        EXPECT_EQ(Apply(PopularityColor, dib, out), kReduceBadDepth);
        EXPECT_EQ(out, kSentinel);
    }
}

TEST(ReduceInput, EveryShortBlockIsInvalidAndNothingOutsideIsRead)
{
    for (int bits : {4, 8, 24}) {
        const std::vector<uint8_t> dib = MakeDib(5, 3, bits);
        for (const Reduction& r : kAll) {
            if (bits != 24 && r.fn == PopularityColor)
                continue;
            for (size_t size = 0; size < dib.size(); ++size) {
                // A copy of exactly `size` bytes, so a read past it trips the sanitizer.
                const std::vector<uint8_t> cut(dib.begin(), dib.begin() + std::ptrdiff_t(size));
                std::vector<uint8_t> out = kSentinel;
                ASSERT_EQ(r.fn(cut.data(), cut.size(), out), kReduceInvalid)
                    << r.name << " bits " << bits << " size " << size;
                ASSERT_EQ(out, kSentinel);
            }
            std::vector<uint8_t> out;
            EXPECT_EQ(r.fn(nullptr, 0, out), kReduceInvalid);
            EXPECT_EQ(Apply(r.fn, dib, out), kReduceOk) << r.name << " bits " << bits;
        }
    }
}

TEST(ReduceInput, MalformedHeadersAreInvalid)
{
    auto withHeader = [](auto edit) {
        std::vector<uint8_t> dib = MakeDib(4, 4, 24);
        BITMAPINFOHEADER h = HeaderOf(dib);
        edit(h);
        std::memcpy(dib.data(), &h, 40);
        return dib;
    };
    const std::vector<std::vector<uint8_t>> bad = {
        withHeader([](BITMAPINFOHEADER& h) { h.biWidth = 0; }),
        withHeader([](BITMAPINFOHEADER& h) { h.biWidth = -4; }),
        withHeader([](BITMAPINFOHEADER& h) { h.biHeight = 0; }),
        withHeader([](BITMAPINFOHEADER& h) { h.biHeight = -4; }),
        withHeader([](BITMAPINFOHEADER& h) { h.biCompression = BI_RLE8; }),
        // Sizes whose row bytes overflow 32 bits must not wrap into a small block.
        withHeader([](BITMAPINFOHEADER& h) { h.biWidth = 0x7FFFFFFF; h.biHeight = 0x7FFFFFFF; }),
        withHeader([](BITMAPINFOHEADER& h) { h.biWidth = 0x55555556; h.biHeight = 1; }),
    };
    for (const Reduction& r : kAll) {
        for (const std::vector<uint8_t>& dib : bad) {
            std::vector<uint8_t> out = kSentinel;
            EXPECT_EQ(Apply(r.fn, dib, out), kReduceInvalid) << r.name;
            EXPECT_EQ(out, kSentinel);
        }
    }
}

TEST(ReduceOutput, HeaderAndBlockFollowTheEngineLayout)
{
    // 5 rows: the block carries 8, the 3 spare ones zero.
    const std::vector<uint8_t> dib = Uniform24(7, 5, {255, 255, 255});
    for (const Reduction& r : kAll) {
        std::vector<uint8_t> out;
        ASSERT_EQ(Apply(r.fn, dib, out), kReduceOk) << r.name;
        const BITMAPINFOHEADER h = HeaderOf(out);
        const size_t stride = DibRowBytes(7, WORD(r.bits));
        const size_t table = size_t(ColourTableEntries(r.bits)) * 4;
        EXPECT_EQ(h.biSize, 40u);
        EXPECT_EQ(h.biWidth, 7);
        EXPECT_EQ(h.biHeight, 5);
        EXPECT_EQ(h.biPlanes, 1);
        EXPECT_EQ(h.biBitCount, r.bits) << r.name;
        EXPECT_EQ(h.biCompression, BI_RGB);
        EXPECT_EQ(h.biSizeImage, stride * 5);
        EXPECT_EQ(h.biXPelsPerMeter, 3780);
        EXPECT_EQ(h.biYPelsPerMeter, 2835);
        EXPECT_EQ(h.biClrUsed, 0u);
        EXPECT_EQ(h.biClrImportant, 0u);
        ASSERT_EQ(out.size(), 40 + table + stride * 8) << r.name;
        for (size_t i = 40 + table + stride * 5; i < out.size(); ++i)
            ASSERT_EQ(out[i], 0) << r.name << " spare byte " << i;
    }
}

TEST(ReduceOutput, ResultMayReplaceTheBlockItWasMadeFrom)
{
    std::vector<uint8_t> pic = Uniform24(3, 2, {255, 0, 0});
    ASSERT_EQ(ColorGray(pic.data(), pic.size(), pic), kReduceOk);
    EXPECT_EQ(HeaderOf(pic).biBitCount, 8);
    EXPECT_EQ(ByteAt(pic, 2, 1), 75);
}

TEST(DefaultColourTables, EntriesOfEachKind)
{
    const RGBQUAD* grey4 = DefaultColourTable(4, ColourTableKind::GreyRamp);
    EXPECT_EQ(grey4[1].rgbRed, 16);
    EXPECT_EQ(grey4[15].rgbBlue, 240);
    const RGBQUAD* grey8 = DefaultColourTable(8, ColourTableKind::GreyRamp);
    EXPECT_EQ(grey8[200].rgbGreen, 200);
    EXPECT_EQ(grey8[255].rgbRed, 255);

    const RGBQUAD* cube = DefaultColourTable(8, ColourTableKind::Cube332);
    // 0x92 = red 4, green 4, blue 2.
    EXPECT_EQ(cube[0x92].rgbRed, 4 * 255 / 7);
    EXPECT_EQ(cube[0x92].rgbGreen, 4 * 255 / 7);
    EXPECT_EQ(cube[0x92].rgbBlue, 170);
    EXPECT_EQ(cube[0xFF].rgbRed, 255);
    EXPECT_EQ(cube[0xFF].rgbBlue, 255);
    EXPECT_EQ(cube[0x01].rgbBlue, 85);

    const RGBQUAD* pcx = DefaultColourTable(8, ColourTableKind::Sixteen);
    EXPECT_EQ(pcx[1].rgbRed, 128);
    EXPECT_EQ(pcx[1].rgbGreen, 0);
    EXPECT_EQ(pcx[6].rgbGreen, 128);
    EXPECT_EQ(pcx[6].rgbBlue, 128);
    EXPECT_EQ(pcx[6].rgbRed, 0);
    EXPECT_EQ(pcx[9].rgbRed, 255);
    EXPECT_EQ(pcx[16].rgbRed | pcx[255].rgbGreen, 0);
    const RGBQUAD* light = DefaultColourTable(4, ColourTableKind::SixteenLight);
    EXPECT_EQ(light[7].rgbRed, 200);
    EXPECT_EQ(light[15].rgbRed, 255);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(light[i].rgbReserved | pcx[i].rgbReserved, 0);

    for (auto kind : {ColourTableKind::GreyRamp, ColourTableKind::Cube332, ColourTableKind::Sixteen,
                      ColourTableKind::SixteenLight}) {
        const RGBQUAD* mono = DefaultColourTable(1, kind);
        EXPECT_EQ(mono[0].rgbRed | mono[0].rgbGreen | mono[0].rgbBlue, 0);
        EXPECT_EQ(mono[1].rgbRed & mono[1].rgbGreen & mono[1].rgbBlue, 255);
    }
    EXPECT_EQ(DefaultColourTable(24), nullptr);
}

TEST(DefaultColourTables, KindNamesAndFillingAHeader)
{
    EXPECT_EQ(ColourTableKindFromName("TIFF"), ColourTableKind::GreyRamp);
    EXPECT_EQ(ColourTableKindFromName("Targa"), ColourTableKind::Cube332);
    EXPECT_EQ(ColourTableKindFromName("dither"), ColourTableKind::SixteenLight);
    EXPECT_EQ(ColourTableKindFromName("pcx"), ColourTableKind::Sixteen);
    EXPECT_EQ(ColourTableKindFromName("gif"), ColourTableKind::Sixteen);
    EXPECT_EQ(ColourTableKindFromName(nullptr), ColourTableKind::Sixteen);

    std::vector<uint8_t> dib = MakeDib(2, 2, 4);
    ASSERT_EQ(FillDefaultColourTable(dib.data(), dib.size(), "tiff"), kReduceOk);
    EXPECT_EQ(TableOf(dib)[3].rgbRed, 48);
    EXPECT_EQ(FillDefaultColourTable(dib.data(), 40 + 16 * 4 - 1, "tiff"), kReduceInvalid);
    EXPECT_EQ(FillDefaultColourTable(dib.data(), 39, "tiff"), kReduceInvalid);

    std::vector<uint8_t> deep = MakeDib(2, 2, 24);
    const std::vector<uint8_t> before = deep;
    EXPECT_EQ(FillDefaultColourTable(deep.data(), 40, "targa"), kReduceOk);
    EXPECT_EQ(deep, before);
    BITMAPINFOHEADER h = HeaderOf(deep);
    h.biBitCount = 16;
    std::memcpy(deep.data(), &h, 40);
    EXPECT_EQ(FillDefaultColourTable(deep.data(), deep.size(), "targa"), kReduceBadDepth);
}

}  // namespace
}  // namespace vantor::test
