// Input checking, result layout and default colour tables shared by every reduction.
#include "reduce_test_util.h"

namespace vantor::test {
namespace {

struct Reduction {
    const char* name;
    ReduceFn fn;
    int bits;  // depth of the result
};

const Reduction kAll[] = {
    {"ColorGray", ColorGray, 8},       {"BayerMono", BayerMono, 1},           {"HalftoneMono", HalftoneMono, 1},
    {"DiffusionMono", DiffusionMono, 1}, {"BayerColor", BayerColor, 4},       {"DiffusionColor", DiffusionColor, 4},
    {"PopularityColor", PopularityColor, 8}, {"MedianCutColor", MedianCutColor, 8},
};

const Dib kSentinel = {0xAB, 0xCD};

TEST(ReduceInput, RefusedDepthsGiveMinus6AndLeaveOutAlone)
{
    for (const Reduction& r : kAll) {
        for (int bits : {1, 2, 16, 32, 4, 8}) {
            const bool accepted = (bits == 4 || bits == 8) && r.fn != PopularityColor;
            Dib dib = MakeDib(9, 3, bits);
            Dib out = kSentinel;
            EXPECT_EQ(Apply(r.fn, dib, out), accepted ? kReduceOk : kReduceBadDepth) << r.name << " " << bits;
            if (!accepted) {
                EXPECT_EQ(out, kSentinel) << r.name;
            }
        }
    }
}

TEST(ReduceInput, ShortOrMalformedBlocksGiveMinus3AndNothingOutsideIsRead)
{
    for (const Reduction& r : kAll) {
        for (int bits : {4, 8, 24}) {
            const Dib dib = MakeDib(5, 3, bits);
            if (bits != 24 && r.fn == PopularityColor)
                continue;
            for (size_t size = 0; size < dib.size(); ++size) {
                // An exact-size copy, so a read past its end trips the sanitizer.
                const Dib cut(dib.begin(), dib.begin() + std::ptrdiff_t(size));
                Dib out = kSentinel;
                ASSERT_EQ(r.fn(cut.data(), cut.size(), out), kReduceInvalid) << r.name << " " << bits << " " << size;
                ASSERT_EQ(out, kSentinel);
            }
        }
        auto edited = [](auto edit) {
            Dib dib = MakeDib(4, 4, 24);
            BITMAPINFOHEADER h = HeaderOf(dib);
            edit(h);
            SetHeader(dib, h);
            return dib;
        };
        const Dib bad[] = {
            edited([](BITMAPINFOHEADER& h) { h.biWidth = 0; }),
            edited([](BITMAPINFOHEADER& h) { h.biWidth = -4; }),
            edited([](BITMAPINFOHEADER& h) { h.biHeight = -4; }),
            edited([](BITMAPINFOHEADER& h) { h.biCompression = BI_RLE8; }),
            // Row bytes beyond 32 bits must not wrap round to a small row.
            edited([](BITMAPINFOHEADER& h) { h.biWidth = 0x55555556; h.biHeight = 1; }),
            edited([](BITMAPINFOHEADER& h) { h.biWidth = 0x7FFFFFFF; h.biHeight = 0x7FFFFFFF; }),
        };
        for (const Dib& dib : bad) {
            Dib out = kSentinel;
            EXPECT_EQ(Apply(r.fn, dib, out), kReduceInvalid) << r.name;
            EXPECT_EQ(out, kSentinel);
        }
        Dib out;
        EXPECT_EQ(r.fn(nullptr, 0, out), kReduceInvalid);
    }
}

TEST(ReduceOutput, HeaderAndBlockFollowTheEngineLayout)
{
    // 5 rows: the block carries 8, the 3 spare ones zero.
    const Dib dib = Uniform24(7, 5, {255, 255, 255});
    for (const Reduction& r : kAll) {
        const Dib out = Reduced(r.fn, dib);
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
        EXPECT_EQ(h.biClrUsed | h.biClrImportant, 0u);
        ASSERT_EQ(out.size(), 40 + table + stride * 8) << r.name;
        for (size_t i = 40 + table + stride * 5; i < out.size(); ++i)
            ASSERT_EQ(out[i], 0) << r.name << " spare byte " << i;
    }
    // The result may replace the very block it was made from.
    Dib pic = Uniform24(3, 2, {255, 0, 0});
    ASSERT_EQ(ColorGray(pic.data(), pic.size(), pic), kReduceOk);
    EXPECT_EQ(ByteAt(pic, 2, 1), 75);
}

TEST(DefaultColourTables, EntriesOfEachKind)
{
    auto rgb = [](const RGBQUAD& q) { return std::vector<int>{q.rgbRed, q.rgbGreen, q.rgbBlue, q.rgbReserved}; };
    using V = std::vector<int>;
    EXPECT_EQ(rgb(DefaultColourTable(4)[15]), (V{240, 240, 240, 0}));
    EXPECT_EQ(rgb(DefaultColourTable(8)[200]), (V{200, 200, 200, 0}));
    const RGBQUAD* cube = DefaultColourTable(8, ColourTableKind::Cube332);
    EXPECT_EQ(rgb(cube[0x92]), (V{145, 145, 170, 0}));  // red 4, green 4, blue 2
    EXPECT_EQ(rgb(cube[0xFF]), (V{255, 255, 255, 0}));
    const RGBQUAD* pcx = DefaultColourTable(8, ColourTableKind::Sixteen);
    EXPECT_EQ(rgb(pcx[1]), (V{128, 0, 0, 0}));
    EXPECT_EQ(rgb(pcx[6]), (V{0, 128, 128, 0}));
    EXPECT_EQ(rgb(pcx[9]), (V{255, 0, 0, 0}));
    EXPECT_EQ(rgb(pcx[16]), (V{0, 0, 0, 0}));
    EXPECT_EQ(rgb(DefaultColourTable(4, ColourTableKind::SixteenLight)[7]), (V{200, 200, 200, 0}));
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(rgb(DefaultColourTable(1, ColourTableKind(k))[0]), (V{0, 0, 0, 0}));
        EXPECT_EQ(rgb(DefaultColourTable(1, ColourTableKind(k))[1]), (V{255, 255, 255, 0}));
    }
    EXPECT_EQ(DefaultColourTable(24), nullptr);

    EXPECT_EQ(ColourTableKindFromName("TIFF"), ColourTableKind::GreyRamp);
    EXPECT_EQ(ColourTableKindFromName("Targa"), ColourTableKind::Cube332);
    EXPECT_EQ(ColourTableKindFromName("dither"), ColourTableKind::SixteenLight);
    EXPECT_EQ(ColourTableKindFromName("gif"), ColourTableKind::Sixteen);

    Dib dib = MakeDib(2, 2, 4);
    ASSERT_EQ(FillDefaultColourTable(dib.data(), dib.size(), "tiff"), kReduceOk);
    EXPECT_EQ(TableOf(dib)[3].rgbRed, 48);
    EXPECT_EQ(FillDefaultColourTable(dib.data(), 40 + 16 * 4 - 1, "tiff"), kReduceInvalid);
    BITMAPINFOHEADER h = HeaderOf(dib);
    h.biBitCount = 16;
    SetHeader(dib, h);
    EXPECT_EQ(FillDefaultColourTable(dib.data(), dib.size(), "tiff"), kReduceBadDepth);
}

}  // namespace
}  // namespace vantor::test
