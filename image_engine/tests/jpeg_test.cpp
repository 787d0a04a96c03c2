// The JPEG codec: quantisation tables, the written stream's structure, round
// trips of colour and grey pictures, and the reader's handling of broken and
// unusual files.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <random>
#include <unistd.h>

#include "codec_util.h"
#include "jpeg.h"
#include "test_util.h"

using namespace vtest;
namespace jpeg = vantor::jpeg;

namespace {

class Jpeg : public ::testing::Test {
protected:
    void TearDown() override { jpeg::ResetQuantTables(); }
};

int Channel(uint32_t rgb, int shift) { return int(rgb >> shift & 255); }

int MaxChannelDiff(uint32_t a, uint32_t b)
{
    int d = 0;
    for (int s : {0, 8, 16})
        d = std::max(d, std::abs(Channel(a, s) - Channel(b, s)));
    return d;
}

// Offset of the first segment with this marker, or 0.
size_t FindMarker(const std::vector<uint8_t>& f, uint8_t marker)
{
    for (size_t i = 2; i + 3 < f.size();) {
        if (f[i] != 0xFF)
            return 0;
        if (f[i + 1] == marker)
            return i;
        i += 2 + (size_t(f[i + 2]) << 8 | f[i + 3]);
    }
    return 0;
}

int CountMarkers(const std::vector<uint8_t>& f, uint8_t marker)
{
    int n = 0;
    for (size_t i = 2; i + 3 < f.size() && f[i] == 0xFF && f[i + 1] != 0xDA;) {
        n += f[i + 1] == marker;
        i += 2 + (size_t(f[i + 2]) << 8 | f[i + 3]);
    }
    return n;
}

// Colour patches with soft edges: red, green, blue and white quadrants.
uint32_t Quadrants(int x, int y, int w, int h)
{
    const bool right = x >= w / 2, bottom = y >= h / 2;
    if (!right && !bottom)
        return 0xFF0000;
    if (right && !bottom)
        return 0x00FF00;
    if (!right)
        return 0x0000FF;
    return 0xFFFFFF;
}

std::vector<uint8_t> SaveJpeg(const std::vector<uint8_t>& dib, int* result = nullptr)
{
    IMG_HANDLE h = FromDib(dib);
    auto bytes = SaveMem(h, IMG_TYPE_JPEG, result);
    IMG_delete_bitmap(h);
    return bytes;
}

TEST_F(Jpeg, QualityRampsFollowTheDiagonalAndWrapInEightBits)
{
    IMGLOW_set_comp_quality(1);
    EXPECT_EQ(jpeg::QuantTable(0)[0], 2);
    EXPECT_EQ(jpeg::QuantTable(0)[63], 16);
    EXPECT_EQ(jpeg::QuantTable(1)[0], 3);
    EXPECT_EQ(jpeg::QuantTable(1)[63], 31);

    IMGLOW_set_comp_quality(200);   // taken as 100
    EXPECT_EQ(jpeg::QuantTable(0)[0], 101);
    EXPECT_EQ(jpeg::QuantTable(0)[2], 45);   // 301 kept in 8 bits
    EXPECT_EQ(jpeg::QuantTable(1)[2], 45);

    // 1 + 17 x 15 = 256 would be a zero step: the largest one is used instead.
    IMGLOW_set_comp_quality(17);
    EXPECT_EQ(jpeg::QuantTable(0)[63], 255);
    auto bytes = SaveJpeg(MakeDib(16, 8, 24, [](int x, int y) { return uint32_t(x * 15) << 8; }));
    ASSERT_FALSE(bytes.empty());
    IMG_HANDLE back = LoadMem(bytes);
    EXPECT_NE(back, 0u);
    IMG_delete_bitmap(back);
}

TEST_F(Jpeg, WrittenTablesAreTheOnesInForceInZigzagOrder)
{
    auto dib = MakeDib(8, 8, 24, [](int, int) { return 0x808080u; });
    auto example = SaveJpeg(dib);
    size_t dqt = FindMarker(example, 0xDB);
    ASSERT_NE(dqt, 0u);
    EXPECT_EQ(example[dqt + 2] << 8 | example[dqt + 3], 132);
    EXPECT_EQ(example[dqt + 4], 0);
    EXPECT_EQ(example[dqt + 5], 16);   // luminance (0, 0)
    EXPECT_EQ(example[dqt + 6], 11);   // (0, 1)
    EXPECT_EQ(example[dqt + 7], 12);   // (1, 0)
    EXPECT_EQ(example[dqt + 69], 1);
    EXPECT_EQ(example[dqt + 70], 17);   // chrominance (0, 0)

    IMGLOW_set_comp_quality(5);
    auto ramp = SaveJpeg(dib);
    dqt = FindMarker(ramp, 0xDB);
    EXPECT_EQ(ramp[dqt + 5], 6);
    EXPECT_EQ(ramp[dqt + 6], 11);
    EXPECT_EQ(ramp[dqt + 68], 76);   // (7, 7): 1 + 5 x 15
    EXPECT_EQ(ramp[dqt + 70], 11);   // chrominance step 10
}

TEST_F(Jpeg, GreyRampPictureIsWrittenWithOneComponent)
{
    auto dib = MakeDib(40, 20, 8, [](int x, int y) { return uint32_t(x * 6 + y); }, [] {
        std::vector<RGBQUAD> t(256);
        for (int i = 0; i < 256; ++i)
            t[i] = RGBQUAD{uint8_t(i), uint8_t(i), uint8_t(i), 0};
        return t;
    }());
    auto bytes = SaveJpeg(dib);
    size_t sof = FindMarker(bytes, 0xC0);
    ASSERT_NE(sof, 0u);
    EXPECT_EQ(bytes[sof + 9], 1);                    // components
    EXPECT_EQ(bytes[sof + 11], 0x11);                // sampling
    EXPECT_EQ(CountMarkers(bytes, 0xC4), 2);
    size_t sos = FindMarker(bytes, 0xDA);
    ASSERT_NE(sos, 0u);
    EXPECT_EQ(bytes[sos + 3], 8);                    // length 6 + 2
    EXPECT_EQ(bytes[sos + 4], 1);

    IMG_HANDLE back = LoadMem(bytes);
    ASSERT_NE(back, 0u);
    EXPECT_EQ(InfoOf(back).bits, 8);
    for (int y = 0; y < 20; y += 3)
        for (int x = 0; x < 40; x += 3)
            EXPECT_LE(std::abs(int(RawAt(back, x, y)) - (x * 6 + y)), 6) << x << "," << y;
    EXPECT_EQ(ColourAt(back, 0, 0) & 0xFF, RawAt(back, 0, 0));   // grey ramp table
    IMG_delete_bitmap(back);
}

TEST_F(Jpeg, GreyTableOutOfOrderUsesTheGreyLevelsNotTheIndices)
{
    std::vector<RGBQUAD> inverted(256);
    for (int i = 0; i < 256; ++i)
        inverted[i] = RGBQUAD{uint8_t(255 - i), uint8_t(255 - i), uint8_t(255 - i), 0};
    auto bytes = SaveJpeg(MakeDib(16, 16, 8, [](int, int) { return 10u; }, inverted));
    IMG_HANDLE back = LoadMem(bytes);
    ASSERT_NE(back, 0u);
    EXPECT_NEAR(int(RawAt(back, 5, 5)), 245, 2);
    IMG_delete_bitmap(back);
}

TEST_F(Jpeg, PrimariesSurviveTheRoundTrip)
{
    auto bytes = SaveJpeg(MakeDib(64, 32, 24, [](int x, int y) { return Quadrants(x, y, 64, 32); }));
    size_t sof = FindMarker(bytes, 0xC0);
    ASSERT_NE(sof, 0u);
    EXPECT_EQ(bytes[sof + 9], 3);
    EXPECT_EQ(bytes[sof + 11], 0x21);
    EXPECT_EQ(bytes[sof + 14], 0x11);
    EXPECT_EQ(CountMarkers(bytes, 0xC4), 4);
    IMG_HANDLE back = LoadMem(bytes);
    ASSERT_NE(back, 0u);
    EXPECT_EQ(InfoOf(back).bits, 24);
    for (auto [x, y] : {std::pair{5, 5}, {40, 5}, {5, 20}, {40, 20}})
        EXPECT_LE(MaxChannelDiff(ColourAt(back, x, y), Quadrants(x, y, 64, 32)), 6)
            << x << "," << y << std::hex << " got " << ColourAt(back, x, y);
    IMG_delete_bitmap(back);
}

TEST_F(Jpeg, SeventeenPixelsWideIsCodedAsTwoMcusAndReadBackSeventeenWide)
{
    auto bytes = SaveJpeg(MakeDib(17, 9, 24, [](int x, int) { return x == 16 ? 0xFFFFFFu : 0x202020u; }));
    size_t sof = FindMarker(bytes, 0xC0);
    ASSERT_NE(sof, 0u);
    EXPECT_EQ(bytes[sof + 7] << 8 | bytes[sof + 8], 17);
    EXPECT_EQ(bytes[sof + 5] << 8 | bytes[sof + 6], 9);
    IMG_HANDLE back = LoadMem(bytes);
    ASSERT_NE(back, 0u);
    EXPECT_EQ(InfoOf(back).width, 17);
    EXPECT_EQ(InfoOf(back).height, 9);
    // The padding repeats the last column, so the white column stays white.
    EXPECT_LE(MaxChannelDiff(ColourAt(back, 16, 8), 0xFFFFFF), 8);
    EXPECT_LE(MaxChannelDiff(ColourAt(back, 3, 3), 0x202020), 8);
    IMG_delete_bitmap(back);
}

TEST_F(Jpeg, PalettePicturesAreWrittenInColourThroughTheirTable)
{
    std::vector<RGBQUAD> table(256, RGBQUAD{0, 0, 0, 0});
    table[3] = RGBQUAD{0, 0, 255, 0};   // red
    table[7] = RGBQUAD{255, 0, 0, 0};   // blue
    auto bytes = SaveJpeg(MakeDib(32, 16, 8, [](int x, int) { return x < 16 ? 3u : 7u; }, table));
    IMG_HANDLE back = LoadMem(bytes);
    ASSERT_NE(back, 0u);
    EXPECT_EQ(InfoOf(back).bits, 24);
    EXPECT_LE(MaxChannelDiff(ColourAt(back, 4, 8), 0xFF0000), 10);
    EXPECT_LE(MaxChannelDiff(ColourAt(back, 27, 8), 0x0000FF), 10);
    IMG_delete_bitmap(back);
}

TEST_F(Jpeg, LowDepthsAreRefused)
{
    for (int bits : {1, 4}) {
        int result = 0;
        SaveJpeg(MakeDib(9, 9, bits, [](int x, int) { return uint32_t(x & 1); }), &result);
        EXPECT_EQ(result, IMG_ERR_UNSUPPORTED) << bits;
    }
}

TEST_F(Jpeg, SaveJpgFileWritesToAFile)
{
    auto dib = MakeDib(20, 12, 24, [](int x, int y) { return uint32_t(x * 10) << 16 | uint32_t(y * 20); });
    std::string path = TempPath("direct.jpg");
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    struct Rows {
        const std::vector<uint8_t>* dib;
        static int16_t Fetch(void* user, uint8_t* dest, int16_t row, int16_t bytes)
        {
            auto* d = static_cast<Rows*>(user)->dib;
            std::memcpy(dest, d->data() + 40 + size_t(row) * 60, size_t(bytes));
            return 0;
        }
    } rows{&dib};
    EXPECT_EQ(save_jpg_file(fd, reinterpret_cast<BITMAPINFO*>(dib.data()), Rows::Fetch, &rows), 0);
    close(fd);
    IMG_HANDLE back = 0;
    ASSERT_EQ(IMG_decompress_bitmap(&back, path.c_str()), 0);
    EXPECT_LE(MaxChannelDiff(ColourAt(back, 19, 11), 0xBE00DC), 12);
    IMG_delete_bitmap(back);
    unlink(path.c_str());
}

// A 24-bit picture written by the engine, for the reader's tests to alter.
std::vector<uint8_t> Sample()
{
    return SaveJpeg(MakeDib(35, 21, 24, [](int x, int y) { return Quadrants(x, y, 35, 21) ^ uint32_t(x * 3); }));
}

TEST_F(Jpeg, TruncatedFilesFailWithoutHarm)
{
    auto whole = Sample();
    IMG_HANDLE full = LoadMem(whole);
    ASSERT_NE(full, 0u);
    IMG_delete_bitmap(full);
    size_t sos = FindMarker(whole, 0xDA);
    for (size_t n = 0; n + 2 < whole.size(); n += (n < sos + 20 ? 1 : 7)) {
        std::vector<uint8_t> part(whole.begin(), whole.begin() + long(n));
        int result = 0;
        IMG_HANDLE h = LoadMem(part, &result);
        EXPECT_EQ(result, n < 2 ? IMG_ERR_UNSUPPORTED : IMG_ERR_CONTENT) << n;
        IMG_delete_bitmap(h);
    }
    // The end marker itself is not needed.
    std::vector<uint8_t> noEnd(whole.begin(), whole.end() - 2);
    int result = -1;
    IMG_delete_bitmap(LoadMem(noEnd, &result));
    EXPECT_EQ(result, 0);
}

TEST_F(Jpeg, OtherFrameKindsAreRefused)
{
    auto bytes = Sample();
    size_t sof = FindMarker(bytes, 0xC0);
    for (uint8_t kind : {0xC1, 0xC2, 0xC3, 0xC9}) {
        bytes[sof + 1] = kind;
        int result = 0;
        LoadMem(bytes, &result);
        EXPECT_EQ(result, IMG_ERR_CONTENT) << int(kind);
    }
}

TEST_F(Jpeg, BrokenTableSegmentsAreRefused)
{
    auto good = Sample();
    auto dqt = good;
    dqt[FindMarker(dqt, 0xDB) + 4] = 0x05;   // slot 5
    auto dht = good;
    size_t at = FindMarker(dht, 0xC4);
    dht[at + 5] = 3;   // three codes of length 1
    auto sampling = good;
    sampling[FindMarker(sampling, 0xC0) + 11] = 0x31;   // luminance 3, blue difference 2: no whole ratio
    sampling[FindMarker(sampling, 0xC0) + 14] = 0x21;
    auto result = [](const std::vector<uint8_t>& bytes) {
        int r = 0;
        LoadMem(bytes, &r);
        return r;
    };
    EXPECT_EQ(result(dqt), IMG_ERR_CONTENT);
    EXPECT_EQ(result(dht), IMG_ERR_CONTENT);
    EXPECT_EQ(result(sampling), IMG_ERR_UNSUPPORTED);
}

TEST_F(Jpeg, SecondStartInsideAnAppSegmentIsSkipped)
{
    auto bytes = Sample();
    const uint8_t app[] = {0xFF, 0xE1, 0x00, 0x08, 0xFF, 0xD8, 0xFF, 0xC2, 0x00, 0x00};
    bytes.insert(bytes.begin() + 2, app, app + sizeof app);
    int result = -1;
    IMG_HANDLE h = LoadMem(bytes, &result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(InfoOf(h).width, 35);
    IMG_delete_bitmap(h);
}

TEST_F(Jpeg, ReaderSearchesForTheStartAndStopsAtTheEnd)
{
    auto bytes = Sample();
    std::vector<uint8_t> prefixed = {1, 2, 0xFF, 3};
    prefixed.insert(prefixed.end(), bytes.begin(), bytes.end());
    vantor::Record record;
    {
        vantor::ScratchScope scope;
        vantor::Stream in = vantor::Stream::OverMemory(prefixed.data(), prefixed.size());
        vantor::ReadJob job{in, 0, vantor::FrameLine, &record, vantor::FrameHeader};
        EXPECT_EQ(vantor::ReadJpeg(job), 0);
        EXPECT_EQ(record.width, 35u);
    }
    if (record.store)
        GlobalFree(record.store);
    std::vector<uint8_t> none(5000, 0xFF);
    vantor::ScratchScope scope;
    vantor::Stream in = vantor::Stream::OverMemory(none.data(), none.size());
    vantor::Record unused;
    vantor::ReadJob job{in, 0, vantor::FrameLine, &unused, vantor::FrameHeader};
    EXPECT_EQ(vantor::ReadJpeg(job), IMG_ERR_CONTENT);
}

TEST(JpegTransform, VectorAndPortableInverseAgree)
{
    std::mt19937 random(7);
    for (int trial = 0; trial < 2000; ++trial) {
        alignas(16) int16_t block[64] = {};
        const int used = trial % 64 + 1;
        for (int i = 0; i < used; ++i) {
            const int n = jpeg::kZigzag[random() % 64];
            const int range = trial < 1000 ? 300 : jpeg::kMaxCoefficient;
            block[n] = int16_t(int(random() % (2 * range + 1)) - range);
        }
        uint8_t a[64], b[64];
        jpeg::InverseDct(block, a, 8);
        jpeg::InverseDctPortable(block, b, 8);
        ASSERT_EQ(std::memcmp(a, b, 64), 0) << trial;
    }
}

TEST(JpegTransform, FlatBlocksTakeTheTransformsOwnValue)
{
    for (int dc = -jpeg::kMaxCoefficient; dc <= jpeg::kMaxCoefficient; ++dc) {
        alignas(16) int16_t block[64] = {int16_t(dc)};
        uint8_t out[64];
        jpeg::InverseDct(block, out, 8);
        for (uint8_t v : out)
            ASSERT_EQ(v, jpeg::FlatSample(int16_t(dc))) << dc;
    }
}

TEST(JpegTransform, InverseUndoesForwardWithinRounding)
{
    jpeg::ForwardMatrix fm;
    std::mt19937 random(3);
    for (int trial = 0; trial < 200; ++trial) {
        int16_t samples[64];
        for (int i = 0; i < 64; ++i)
            samples[i] = int16_t(int(random() % 256) - 128);
        int32_t coefficients[64];
        jpeg::ForwardDctPortable(fm, samples, coefficients);
        alignas(16) int16_t block[64];
        for (int i = 0; i < 64; ++i)
            block[i] = int16_t(coefficients[i]);
        uint8_t out[64];
        jpeg::InverseDct(block, out, 8);
        for (int i = 0; i < 64; ++i)
            ASSERT_LE(std::abs(out[i] - 128 - samples[i]), 2) << trial << " " << i;
    }
}

TEST(JpegColour, ConversionFollowsTheFullRangeDefinition)
{
    int16_t y, cb, cr;
    jpeg::BgrToYcc(0, 0, 255, y, cb, cr);   // pure red
    EXPECT_EQ(y, 76 - 128);
    EXPECT_EQ(cb, -43);
    EXPECT_EQ(cr, 127);
    uint8_t l = uint8_t(y + 128), u = uint8_t(cb + 128), v = uint8_t(cr + 128), bgr[3];
    jpeg::YccToBgr(&l, &u, &v, bgr, 1);
    EXPECT_LE(bgr[0], 1);
    EXPECT_LE(bgr[1], 1);
    EXPECT_GE(bgr[2], 253);
    jpeg::BgrToYcc(255, 255, 255, y, cb, cr);
    EXPECT_EQ(y, 127);
    EXPECT_EQ(cb, 0);
    EXPECT_EQ(cr, 0);
}

}   // namespace

namespace {

TEST(JpegColour, WholeRowsConvertAsSinglePixelsDo)
{
    std::mt19937 random(11);
    std::vector<uint8_t> y(101), cb(101), cr(101);
    for (size_t i = 0; i < y.size(); ++i) {
        y[i] = uint8_t(random());
        cb[i] = uint8_t(i < 20 ? 0 : i < 40 ? 255 : random());
        cr[i] = uint8_t(i < 30 ? 255 : random());
    }
    std::vector<uint8_t> row(3 * y.size()), single(3);
    auto sameAsSingles = [&](size_t n) {
        for (size_t i = 0; i < n; ++i) {
            jpeg::YccToBgr(&y[i], &cb[i], &cr[i], single.data(), 1);
            ASSERT_EQ(std::memcmp(single.data(), row.data() + 3 * i, 3), 0) << i;
        }
    };
#if defined(__SSE2__)
    // Each narrower path alone (three steps at least), then the one in use.
    using RowToBgr = size_t (*)(const uint8_t*, const uint8_t*, const uint8_t*, uint8_t*, size_t);
    std::vector<std::pair<const char*, RowToBgr>> paths = {{"without byte shuffles", jpeg::YccToBgrSse2}};
    if (jpeg::HaveAvx2())
        paths.push_back({"256-bit", jpeg::YccToBgrAvx2});
    for (const auto& [name, convert] : paths) {
        SCOPED_TRACE(name);
        const size_t done = convert(y.data(), cb.data(), cr.data(), row.data(), y.size());
        ASSERT_GE(done, 80u);
        sameAsSingles(done);
    }
#endif
    jpeg::YccToBgr(y.data(), cb.data(), cr.data(), row.data(), y.size());
    sameAsSingles(y.size());
}

}   // namespace

namespace {

using RowToYcc = size_t (*)(const uint8_t*, size_t, int16_t*, int16_t*, int16_t*);

size_t WholeRow(const uint8_t* bgr, size_t n, int16_t* y, int16_t* cb, int16_t* cr)
{
    jpeg::BgrRowToYcc(bgr, n, y, cb, cr);
    return n;
}

// Every path alone, and the row as the writer converts it: what a path
// converts is what single pixels give, and it converts whole steps of its own.
TEST(JpegColour, RowsOfPixelsEncodeAsSinglePixelsDo)
{
    std::mt19937 random(13);
    const size_t n = 125;   // three steps of 32, one of 16, and a rest of 13
    std::vector<uint8_t> bgr(3 * n);
    for (size_t i = 0; i < bgr.size(); ++i)
        bgr[i] = uint8_t(i < 24 ? (i % 3 == 0 ? 255 : 0) : random());
    struct Path {
        const char* name;
        RowToYcc convert;
        size_t step;
    };
    std::vector<Path> paths = {{"whole row", WholeRow, 1}};
#if defined(__SSE2__)
    paths.push_back({"without byte shuffles", jpeg::BgrRowToYccSse2, 8});
    if (jpeg::HaveAvx2())
        paths.push_back({"256-bit", jpeg::BgrRowToYccAvx2, 32});
#endif
    for (const Path& path : paths) {
        std::vector<int16_t> y(n, 999), cb((n + 1) / 2, 999), cr((n + 1) / 2, 999);
        const size_t done = path.convert(bgr.data(), n, y.data(), cb.data(), cr.data());
        ASSERT_EQ(done, n / path.step * path.step) << path.name;
        for (size_t i = 0; i < n; ++i) {
            int16_t l, u, v;
            jpeg::BgrToYcc(bgr[3 * i], bgr[3 * i + 1], bgr[3 * i + 2], l, u, v);
            if (i >= done) {
                // What a path leaves is left as it was.
                ASSERT_EQ(y[i], 999) << path.name << " " << i;
                continue;
            }
            ASSERT_EQ(y[i], l) << path.name << " " << i;
            if (i % 2 == 0) {
                ASSERT_EQ(cb[i / 2], u) << path.name << " " << i;
                ASSERT_EQ(cr[i / 2], v) << path.name << " " << i;
            }
        }
    }
}

}   // namespace

namespace {

// cjpeg's files in the seed corpus: a 24 x 16 shading from yellow to navy
// with a red square from (3, 3) to (9, 9).
std::vector<uint8_t> CorpusFile(const char* name)
{
    return ReadFile(std::string(JPEG_CORPUS) + "/" + name);
}

TEST_F(Jpeg, RestartIntervalsResetThePredictionsAndMustHoldRestartMarkers)
{
    for (const char* name : {"cjpeg_422_restart.jpg", "cjpeg_grey_restart.jpg"}) {
        auto bytes = CorpusFile(name);
        ASSERT_FALSE(bytes.empty()) << name;
        IMG_HANDLE h = LoadMem(bytes);
        ASSERT_NE(h, 0u) << name;
        EXPECT_EQ(InfoOf(h).width, 24);
        EXPECT_EQ(InfoOf(h).height, 16);
        IMG_delete_bitmap(h);
        // A restart marker replaced by another marker breaks the scan.
        size_t sos = FindMarker(bytes, 0xDA);
        size_t at = sos;
        while (at + 1 < bytes.size() && !(bytes[at] == 0xFF && bytes[at + 1] >= 0xD0 && bytes[at + 1] <= 0xD7))
            ++at;
        ASSERT_LT(at + 1, bytes.size()) << name;
        bytes[at + 1] = 0xC8;
        int result = 0;
        LoadMem(bytes, &result);
        EXPECT_EQ(result, IMG_ERR_CONTENT) << name;
    }
    IMG_HANDLE colour = LoadMem(CorpusFile("cjpeg_422_restart.jpg"));
    EXPECT_LE(MaxChannelDiff(ColourAt(colour, 6, 6), 0xFF0000), 40) << std::hex << ColourAt(colour, 6, 6);
    IMG_delete_bitmap(colour);
}

// The rows a caller's line callback is handed, top first, each with its
// length; the frame's own load finishes its rows elsewhere.
struct StreamedRows {
    std::vector<std::vector<uint8_t>> rows;
    int headers = 0;
};

StreamedRows StreamRows(const std::vector<uint8_t>& file)
{
    StreamedRows got;
    auto header = [](BITMAPINFO* info, void* user) -> int16_t {
        auto* g = static_cast<StreamedRows*>(user);
        ++g->headers;
        g->rows.assign(size_t(info->bmiHeader.biHeight), {});
        return 0;
    };
    auto line = [](const uint8_t* row, void* user, int16_t at, int16_t bytes) -> int16_t {
        auto& rows = static_cast<StreamedRows*>(user)->rows;
        if (at < 0 || size_t(at) >= rows.size())
            return IMG_ERR_CONTENT;
        rows[size_t(at)].assign(row, row + bytes);
        return 0;
    };
    EXPECT_EQ(IMGLOW_decompress_bitmap_mem_len(nullptr, file.data(), uint32_t(file.size()), 0, line, &got, header),
              IMG_OK);
    return got;
}

TEST_F(Jpeg, StreamedRowsAreTheRowsOfTheLoadedPicture)
{
    for (const char* name : {"cjpeg_420.jpg", "cjpeg_grey_restart.jpg", "cjpeg_1x2.jpg"}) {
        SCOPED_TRACE(name);
        const auto bytes = CorpusFile(name);
        IMG_HANDLE h = LoadMem(bytes);
        ASSERT_NE(h, 0u);
        const Info info = InfoOf(h);
        const StreamedRows got = StreamRows(bytes);
        ASSERT_EQ(got.headers, 1);
        ASSERT_EQ(got.rows.size(), size_t(info.height));
        const size_t pixel = size_t(info.bits / 8), used = pixel * size_t(info.width);
        for (int y = 0; y < info.height; ++y) {
            const std::vector<uint8_t>& row = got.rows[size_t(y)];
            ASSERT_EQ(row.size(), (used + 3) / 4 * 4) << y;
            for (int x = 0; x < info.width; ++x) {
                uint32_t v = 0;
                for (size_t c = 0; c < pixel; ++c)
                    v |= uint32_t(row[size_t(x) * pixel + c]) << (8 * c);
                ASSERT_EQ(v, RawAt(h, x, y)) << x << "," << y;
            }
            EXPECT_TRUE(std::all_of(row.begin() + long(used), row.end(), [](uint8_t b) { return b == 0; })) << y;
        }
        IMG_delete_bitmap(h);
    }
}

TEST_F(Jpeg, EverySamplingOfTheCorpusShowsTheSamePicture)
{
    IMG_HANDLE reference = LoadMem(CorpusFile("cjpeg_444_optimised.jpg"));
    ASSERT_NE(reference, 0u);
    for (const char* name : {"cjpeg_420.jpg", "cjpeg_422_restart.jpg", "cjpeg_1x2.jpg"}) {
        IMG_HANDLE h = LoadMem(CorpusFile(name));
        ASSERT_NE(h, 0u) << name;
        for (auto [x, y] : {std::pair{1, 1}, {6, 6}, {20, 3}, {22, 14}, {12, 12}})
            EXPECT_LE(MaxChannelDiff(ColourAt(h, x, y), ColourAt(reference, x, y)), 40) << name << " " << x << "," << y;
        IMG_delete_bitmap(h);
    }
    IMG_delete_bitmap(reference);
    int result = 0;
    LoadMem(CorpusFile("cjpeg_progressive.jpg"), &result);
    EXPECT_EQ(result, IMG_ERR_CONTENT);
}

}   // namespace

namespace {

uint64_t Fnv1a(const std::vector<uint8_t>& bytes, uint64_t h)
{
    for (uint8_t b : bytes)
        h = (h ^ b) * 0x100000001B3ull;
    return h;
}

// The writer's vector paths must not change a byte of what it writes: the
// files of noisy, sharp-edged colour, palette and grey pictures under several
// tables, hashed together, are those the plain arithmetic wrote.
TEST_F(Jpeg, WrittenBytesStayThoseOfThePlainArithmetic)
{
    std::mt19937 random(17);
    std::vector<RGBQUAD> grey(256);
    for (int i = 0; i < 256; ++i)
        grey[i] = RGBQUAD{uint8_t(i), uint8_t(i), uint8_t(i), 0};
    const auto photo = MakeDib(203, 77, 24, [&](int x, int y) {
        const uint32_t noise = random() % 48;
        if ((x / 9 + y / 6) % 5 == 2)
            return (x & 4) ? 0xFFFFFFu : 0x0000FFu;
        return (uint32_t(x + noise) & 255) << 16 | (uint32_t(y * 3 + noise) & 255) << 8 | ((200 - x + noise) & 255);
    });
    const auto palette = MakeDib(37, 29, 8, [&](int x, int y) { return uint32_t(x * 7 + y * 3 + random() % 9) & 255; });
    const auto greyPicture = MakeDib(41, 23, 8, [&](int x, int y) { return uint32_t(x * 6 + random() % 30 + y) & 255; },
                                     grey);
    uint64_t h = 0xCBF29CE484222325ull;
    for (int quality : {0, 1, 50, 100}) {
        if (quality)
            IMGLOW_set_comp_quality(uint16_t(quality));
        for (const auto* dib : {&photo, &palette, &greyPicture}) {
            const auto bytes = SaveJpeg(*dib);
            ASSERT_FALSE(bytes.empty());
            h = Fnv1a(bytes, h);
        }
    }
    EXPECT_EQ(h, 0x781400C24A40A854ull) << std::hex << h;
}

}   // namespace
