// The TIFF reader and writers on hand-built files, and the codecs beneath them.
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <unistd.h>

#include "test_util.h"
#include "tiff.h"

using namespace vtest;

namespace {

// A TIFF built field by field, in either byte order. Values that do not fit
// the entry go behind the IFD; `data` is the pixel data, placed at `dataAt`.
struct Field {
    uint16_t tag, type;
    std::vector<uint32_t> values;   // for ASCII, the bytes
};

struct TiffBuilder {
    bool big = false;
    std::vector<Field> fields;
    std::vector<uint8_t> data;

    void Add(uint16_t tag, uint16_t type, std::vector<uint32_t> values) { fields.push_back({tag, type, values}); }
    void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) const
    {
        b[at + (big ? 0 : 1)] = uint8_t(v >> 8);
        b[at + (big ? 1 : 0)] = uint8_t(v);
    }
    void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) const
    {
        Put16(b, at + (big ? 0 : 2), v >> 16);
        Put16(b, at + (big ? 2 : 0), v);
    }
    static uint32_t Size(uint16_t type) { return type == 3 ? 2 : type == 4 ? 4 : type == 5 ? 8 : 1; }
    // Offsets of pixel data are given relative to the data block: `dataTag` is patched.
    std::vector<uint8_t> Build(uint16_t dataTag = 273) const
    {
        const size_t n = fields.size(), ifd = 8, behind = ifd + 2 + 12 * n + 4;
        size_t extraBytes = 0;
        for (const Field& f : fields) {
            size_t bytes = Size(f.type) * f.values.size() / (f.type == 5 ? 2 : 1);
            if (bytes > 4)
                extraBytes += bytes + (bytes & 1);
        }
        const size_t dataAt = behind + extraBytes;
        std::vector<uint8_t> b(dataAt + data.size());
        b[0] = b[1] = big ? 'M' : 'I';
        Put16(b, 2, 42);
        Put32(b, 4, uint32_t(ifd));
        Put16(b, ifd, uint32_t(n));
        size_t e = ifd + 2, extra = behind;
        for (const Field& f : fields) {
            std::vector<uint32_t> v = f.values;
            if (f.tag == dataTag)
                for (auto& x : v)
                    x += uint32_t(dataAt);
            const uint32_t count = uint32_t(f.type == 5 ? v.size() / 2 : v.size());
            Put16(b, e, f.tag);
            Put16(b, e + 2, f.type);
            Put32(b, e + 4, count);
            const size_t bytes = Size(f.type) * count;
            size_t at = e + 8;
            if (bytes > 4) {
                Put32(b, e + 8, uint32_t(extra));
                at = extra;
                extra += bytes + (bytes & 1);
            }
            for (size_t i = 0; i < v.size(); ++i) {
                if (f.type == 3)
                    Put16(b, at + 2 * i, v[i]);
                else if (f.type == 4 || f.type == 5)
                    Put32(b, at + 4 * i, v[i]);
                else
                    b[at + i] = uint8_t(v[i]);
            }
            e += 12;
        }
        std::copy(data.begin(), data.end(), b.begin() + long(dataAt));
        return b;
    }
};

// An 8-bit grey picture width x height with the given rows, uncompressed.
TiffBuilder Grey(uint32_t width, uint32_t height, std::vector<uint8_t> pixels, uint32_t photometric = 1)
{
    TiffBuilder t;
    t.Add(256, 3, {width});
    t.Add(257, 3, {height});
    t.Add(258, 3, {8});
    t.Add(259, 3, {1});
    t.Add(262, 3, {photometric});
    t.Add(273, 4, {0});
    t.Add(279, 4, {uint32_t(pixels.size())});
    t.data = pixels;
    return t;
}

uint32_t ValueAt(int bits, int x, int y)
{
    if (bits == 24)
        return uint32_t(x * 37 & 255) << 16 | uint32_t(y * 23 & 255) << 8 | uint32_t((x ^ y) * 11 & 255);
    return uint32_t((x / 3 + y) % 4 == 0 ? 0 : x * 7 + y * 3) & ((1u << bits) - 1);
}

// 1-bit TIFF pictures are black and white: their table is not kept.
IMG_HANDLE Picture(int width, int height, int bits)
{
    std::vector<RGBQUAD> table;
    if (bits == 1)
        table = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
    return FromDib(MakeDib(width, height, bits, [&](int x, int y) { return ValueAt(bits, x, y); }, table));
}

uint16_t Le16At(const std::vector<uint8_t>& b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }
uint32_t Le32At(const std::vector<uint8_t>& b, size_t at) { return uint32_t(Le16At(b, at) | Le16At(b, at + 2) << 16); }

// The value field of `tag` in the IFD at `ifd` of a little-endian file.
uint32_t TagValue(const std::vector<uint8_t>& b, size_t ifd, uint16_t tag)
{
    for (size_t i = 0, n = Le16At(b, ifd); i < n; ++i)
        if (Le16At(b, ifd + 2 + 12 * i) == tag)
            return Le16At(b, ifd + 4 + 12 * i) == 3 && Le32At(b, ifd + 6 + 12 * i) == 1
                       ? Le16At(b, ifd + 10 + 12 * i)
                       : Le32At(b, ifd + 10 + 12 * i);
    return 0xFFFFFFFF;
}

TEST(Tiff, EveryDepthAndSaveTypeRoundTrips)
{
    struct Case { int type; std::vector<int> depths; };
    const Case cases[] = {{IMG_TYPE_TIFF, {1, 4, 8, 24}}, {IMG_TYPE_TIFF_LZW, {1, 4, 8, 24}},
                          {IMG_TYPE_TIFF_HUFFMAN, {1}}, {IMG_TYPE_TIFF_G3, {1}}, {IMG_TYPE_TIFF_G4, {1}}};
    for (const Case& c : cases)
        for (int bits : c.depths)
            for (int width : {1, 10, 17, 33, 300}) {
                IMG_HANDLE h = Picture(width, 9, bits);
                int result = 0;
                IMG_HANDLE back = LoadMem(SaveMem(h, c.type), &result);
                std::string label = "type " + std::to_string(c.type) + ", " + std::to_string(bits) +
                                    " bits, width " + std::to_string(width);
                ASSERT_EQ(result, 0) << label;
                EXPECT_EQ(InfoOf(back).bits, bits) << label;
                EXPECT_EQ(CompareColours(h, back), "") << label;
                IMG_delete_bitmap(back);
                IMG_delete_bitmap(h);
            }
}

TEST(Tiff, FaxTypesTakeOnlyOneBitPictures)
{
    IMG_HANDLE h = Picture(8, 8, 8);
    for (int type : {IMG_TYPE_TIFF_HUFFMAN, IMG_TYPE_TIFF_G3, IMG_TYPE_TIFF_G4}) {
        int result = 0;
        SaveMem(h, type, &result);
        EXPECT_EQ(result, IMG_ERR_UNSUPPORTED) << type;
    }
    IMG_delete_bitmap(h);
}

TEST(Tiff, WrittenIfdHoldsTheDocumentedEntries)
{
    IMG_HANDLE h8 = Picture(5, 3, 8), h24 = Picture(5, 3, 24), h1 = Picture(10, 2, 1);
    auto b8 = SaveMem(h8, IMG_TYPE_TIFF), b24 = SaveMem(h24, IMG_TYPE_TIFF), b1 = SaveMem(h1, IMG_TYPE_TIFF);
    EXPECT_EQ(Le16At(b8, 8), 19);
    EXPECT_EQ(Le16At(b24, 8), 18);
    EXPECT_EQ(Le16At(b1, 8), 18);
    EXPECT_EQ(TagValue(b1, 8, 279), 4u);                  // 2 rows of 2 bytes, unpadded
    EXPECT_EQ(b1.size(), TagValue(b1, 8, 273) + 4);
    // Resolution fields of 0 give 640/9 and 480/7.
    const uint32_t x = TagValue(b1, 8, 282), y = TagValue(b1, 8, 283);
    EXPECT_EQ(Le32At(b1, x), 640u);
    EXPECT_EQ(Le32At(b1, x + 4), 9u);
    EXPECT_EQ(Le32At(b1, y), 480u);
    EXPECT_EQ(Le32At(b1, y + 4), 7u);
    EXPECT_EQ(x, 8u + 12 * 18 + 6);
    // The colour map sits at 12n + 262, components scaled to 16 bits.
    EXPECT_EQ(TagValue(b8, 8, 320), 8u + 12 * 19 + 262);
    EXPECT_EQ(TagValue(b8, 8, 262), 3u);
    EXPECT_EQ(TagValue(b24, 8, 262), 2u);
    EXPECT_EQ(TagValue(b1, 8, 262), 1u);

    auto g3 = SaveMem(h1, IMG_TYPE_TIFF_G3);
    EXPECT_EQ(TagValue(g3, 8, 259), 3u);
    EXPECT_EQ(TagValue(g3, 8, 262), 0u);
    EXPECT_EQ(TagValue(g3, 8, 266), 2u);
    // The byte count is the coded strip's, which ends the file.
    EXPECT_EQ(g3.size(), TagValue(g3, 8, 273) + TagValue(g3, 8, 279));
    auto mh = SaveMem(h1, IMG_TYPE_TIFF_HUFFMAN);
    EXPECT_EQ(TagValue(mh, 8, 266), 1u);
    for (IMG_HANDLE h : {h8, h24, h1})
        IMG_delete_bitmap(h);
}

TEST(Tiff, LzwSplitsIntoStripsOfAtMost10000Bytes)
{
    IMG_HANDLE h = Picture(1000, 50, 24);   // 3000-byte rows: 3 rows a strip, 17 strips
    auto b = SaveMem(h, IMG_TYPE_TIFF_LZW);
    EXPECT_EQ(TagValue(b, 8, 278), 3u);
    const uint32_t offsets = TagValue(b, 8, 273), counts = TagValue(b, 8, 279);
    uint32_t last = Le32At(b, offsets + 4 * 16) + Le32At(b, counts + 4 * 16);
    EXPECT_EQ(last, b.size());
    int result = 0;
    IMG_HANDLE back = LoadMem(b, &result);
    ASSERT_EQ(result, 0);
    EXPECT_EQ(CompareColours(h, back), "");
    IMG_delete_bitmap(back);
    IMG_delete_bitmap(h);
}

class TiffFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path_ = TempPath("pages.tif");
        unlink(path_.c_str());
    }
    void TearDown() override { unlink(path_.c_str()); }
    std::string path_;
};

TEST_F(TiffFileTest, SavingTwiceAddsASecondPage)
{
    IMG_HANDLE a = Picture(7, 5, 24), b = Picture(11, 3, 1);
    ASSERT_EQ(IMG_save_bitmap(a, path_.c_str(), IMG_TYPE_TIFF), 0);
    const size_t firstSize = ReadFile(path_).size();
    ASSERT_EQ(IMG_save_bitmap(b, path_.c_str(), IMG_TYPE_TIFF_G4), 0);
    auto bytes = ReadFile(path_);
    const uint32_t next = Le32At(bytes, 8 + 2 + 12 * 18);
    EXPECT_EQ(next, firstSize + firstSize % 2);
    EXPECT_EQ(next % 2, 0u);
    int result = 0;
    for (int page = 0; page < 2; ++page) {
        IMG_HANDLE got = LoadMem(bytes, &result, int16_t(page));
        ASSERT_EQ(result, 0) << page;
        EXPECT_EQ(CompareColours(page ? b : a, got), "") << page;
        IMG_delete_bitmap(got);
    }
    LoadMem(bytes, &result, 2);
    EXPECT_EQ(result, IMG_ERR_TIFF_PAGE);
    // A new LZW file replaces the pages, shorter than before.
    ASSERT_EQ(IMG_save_bitmap(b, path_.c_str(), IMG_TYPE_TIFF_LZW), 0);
    bytes = ReadFile(path_);
    EXPECT_EQ(bytes.size(), TagValue(bytes, 8, 273) + TagValue(bytes, 8, 279));
    IMG_delete_bitmap(a);
    IMG_delete_bitmap(b);
}

TEST_F(TiffFileTest, PagesAddedToABigEndianFileStayBigEndian)
{
    TiffBuilder t = Grey(2, 2, {10, 20, 30, 40});
    t.big = true;
    WriteFile(path_, t.Build());
    IMG_HANDLE h = Picture(6, 4, 8);
    ASSERT_EQ(IMG_save_bitmap(h, path_.c_str(), IMG_TYPE_TIFF), 0);
    auto bytes = ReadFile(path_);
    EXPECT_EQ(bytes[0], 'M');
    int result = 0;
    IMG_HANDLE first = LoadMem(bytes, &result, 0), second = LoadMem(bytes, &result, 1);
    ASSERT_EQ(result, 0);
    EXPECT_EQ(ColourAt(first, 1, 1), 0x282828u);
    EXPECT_EQ(CompareColours(h, second), "");
    for (IMG_HANDLE x : {h, first, second})
        IMG_delete_bitmap(x);
}

TEST(TiffRead, BigEndianReadsAsItsLittleEndianTwin)
{
    TiffBuilder t;
    t.Add(256, 4, {3});   // LONG width
    t.Add(257, 3, {2});
    t.Add(258, 3, {8, 8, 8});
    t.Add(262, 3, {2});
    t.Add(273, 3, {0});   // StripOffsets as a SHORT
    t.Add(277, 3, {3});
    t.Add(282, 5, {300, 1});
    t.Add(296, 3, {2});
    t.data = {255, 0, 0, 0, 255, 0, 0, 0, 255, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    int result = 0;
    IMG_HANDLE little = LoadMem(t.Build(), &result);
    ASSERT_EQ(result, 0);
    t.big = true;
    IMG_HANDLE big = LoadMem(t.Build(), &result);
    ASSERT_EQ(result, 0);
    EXPECT_EQ(ColourAt(little, 0, 0), 0xFF0000u);
    EXPECT_EQ(ColourAt(little, 2, 0), 0x0000FFu);
    EXPECT_EQ(ColourAt(little, 1, 1), 0x040506u);
    EXPECT_EQ(CompareColours(little, big), "");
    BITMAPINFOHEADER header;
    IMGLOW_get_bitmap_header(big, &header);
    EXPECT_EQ(header.biXPelsPerMeter, 300);
    IMG_delete_bitmap(little);
    IMG_delete_bitmap(big);
}

TEST(TiffRead, CentimetreResolutionIsScaledBy2567)
{
    TiffBuilder t = Grey(1, 1, {0});
    t.Add(282, 5, {100, 1});
    t.Add(283, 5, {50, 0});   // a zero denominator leaves the numerator
    t.Add(296, 3, {3});
    int result = 0;
    IMG_HANDLE h = LoadMem(t.Build(), &result);
    ASSERT_EQ(result, 0);
    alignas(4) uint8_t block[1064];
    IMGLOW_get_bitmap_header(h, block);
    BITMAPINFOHEADER header;
    std::memcpy(&header, block, sizeof header);
    EXPECT_EQ(header.biXPelsPerMeter, 256);
    EXPECT_EQ(header.biYPelsPerMeter, 128);
    IMG_delete_bitmap(h);
}

TEST(TiffRead, RowFinishing)
{
    int result = 0;
    // WhiteIsZero grey is inverted.
    IMG_HANDLE h = LoadMem(Grey(2, 1, {0, 200}, 0).Build(), &result);
    ASSERT_EQ(result, 0);
    EXPECT_EQ(ColourAt(h, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(ColourAt(h, 1, 0), 0x373737u);
    IMG_delete_bitmap(h);

    // CMYK multiplies what each ink and black leave; a fourth sample of RGB is dropped.
    TiffBuilder c;
    c.Add(256, 3, {2});
    c.Add(257, 3, {1});
    c.Add(258, 3, {8, 8, 8, 8});
    c.Add(262, 3, {5});
    c.Add(273, 4, {0});
    c.Add(277, 3, {4});
    c.data = {0, 255, 0, 128, 255, 0, 51, 0};
    h = LoadMem(c.Build(), &result);
    ASSERT_EQ(result, 0);
    EXPECT_EQ(ColourAt(h, 0, 0), 0x7F007Fu);
    EXPECT_EQ(ColourAt(h, 1, 0), 0x00FFCCu);
    IMG_delete_bitmap(h);
    c.fields[3].values = {2};
    h = LoadMem(c.Build(), &result);
    ASSERT_EQ(result, 0);
    EXPECT_EQ(ColourAt(h, 0, 0), 0x00FF00u);
    EXPECT_EQ(ColourAt(h, 1, 0), 0xFF0033u);
    IMG_delete_bitmap(h);

    // Horizontal differencing is undone per sample before colours are turned.
    TiffBuilder p;
    p.Add(256, 3, {3});
    p.Add(257, 3, {1});
    p.Add(258, 3, {8, 8, 8});
    p.Add(262, 3, {2});
    p.Add(273, 4, {0});
    p.Add(277, 3, {3});
    p.Add(317, 3, {2});
    p.data = {10, 20, 30, 1, 2, 3, 255, 0, 1};
    h = LoadMem(p.Build(), &result);
    ASSERT_EQ(result, 0);
    EXPECT_EQ(ColourAt(h, 0, 0), 0x0A141Eu);
    EXPECT_EQ(ColourAt(h, 1, 0), 0x0B1621u);
    EXPECT_EQ(ColourAt(h, 2, 0), 0x0A1622u);
    IMG_delete_bitmap(h);
}

// LZW strips are decoded straight into the picture's store; what comes out
// must be what the same pixels give uncompressed, row padding included.
TEST(TiffRead, LzwStripsLoadAsTheirUncompressedTwins)
{
    struct Case {
        const char* name;
        uint32_t spp, bps, photometric, predictor, rowsPerStrip;
    };
    const Case cases[] = {
        {"rgb", 3, 8, 2, 1, 1},          {"rgb strips of 4", 3, 8, 2, 1, 4},
        {"rgb one strip", 3, 8, 2, 1, 0}, {"rgb predictor", 3, 8, 2, 2, 3},
        {"rgb inverted", 3, 8, 0, 1, 2},  {"rgba", 4, 8, 2, 1, 2},
        {"grey", 1, 8, 1, 1, 2},         {"grey inverted", 1, 8, 0, 1, 5},
        {"grey predictor", 1, 8, 1, 2, 1}, {"4-bit", 1, 4, 1, 1, 3},
        {"1-bit", 1, 1, 0, 1, 2},
    };
    const uint32_t width = 13, height = 9;   // rows whose DIB stride has padding
    for (const Case& c : cases) {
        const uint32_t rowBytes = (width * c.spp * c.bps + 7) / 8;
        std::vector<uint8_t> pixels(size_t(rowBytes) * height);
        for (size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = uint8_t(i * 37 / 5 + (i % 11 == 0 ? 90 : 0));
        const uint32_t rps = c.rowsPerStrip ? c.rowsPerStrip : height;
        auto build = [&](bool lzw) {
            TiffBuilder t;
            t.Add(256, 3, {width});
            t.Add(257, 3, {height});
            t.Add(258, 3, std::vector<uint32_t>(c.spp, c.bps));
            t.Add(259, 3, {lzw ? 5u : 1u});
            t.Add(262, 3, {c.photometric});
            t.Add(277, 3, {c.spp});
            t.Add(278, 3, {rps});
            t.Add(317, 3, {lzw ? c.predictor : 1u});
            std::vector<uint32_t> offsets, counts;
            for (uint32_t y = 0; y < height; y += rps) {
                const uint32_t rows = std::min(rps, height - y);
                std::vector<uint8_t> strip(pixels.begin() + long(y * rowBytes),
                                           pixels.begin() + long((y + rows) * rowBytes));
                if (lzw && c.predictor == 2)   // differences of each sample from its left neighbour
                    for (uint32_t r = 0; r < rows; ++r)
                        for (uint32_t i = rowBytes - 1; i >= c.spp; --i)
                            strip[r * rowBytes + i] = uint8_t(strip[r * rowBytes + i] - strip[r * rowBytes + i - c.spp]);
                std::vector<uint8_t> coded;
                if (lzw)
                    vantor::tiff::EncodeLzw(strip.data(), strip.size(), coded);
                else
                    coded = strip;
                offsets.push_back(uint32_t(t.data.size()));
                counts.push_back(uint32_t(coded.size()));
                t.data.insert(t.data.end(), coded.begin(), coded.end());
            }
            t.Add(273, 4, offsets);
            t.Add(279, 4, counts);
            return t.Build();
        };
        int plainResult = 0, lzwResult = 0;
        IMG_HANDLE plain = LoadMem(build(false), &plainResult);
        IMG_HANDLE lzw = LoadMem(build(true), &lzwResult);
        ASSERT_EQ(plainResult, 0) << c.name;
        ASSERT_EQ(lzwResult, 0) << c.name;
        EXPECT_EQ(SaveMem(lzw, IMG_TYPE_BMP), SaveMem(plain, IMG_TYPE_BMP)) << c.name;
        IMG_delete_bitmap(plain);
        IMG_delete_bitmap(lzw);
    }
}

TEST(TiffRead, ColourMapAndGreyTables)
{
    TiffBuilder t;
    t.Add(256, 3, {2});
    t.Add(257, 3, {1});
    t.Add(258, 3, {4});
    t.Add(262, 3, {3});
    t.Add(273, 4, {0});
    std::vector<uint32_t> map(48, 0);
    map[1] = 0xFFFF;        // red of entry 1
    map[16 + 2] = 0x34F0;   // green of entry 2: 52.7 levels, shown as 53
    t.Add(320, 3, map);
    t.data = {0x12};
    int result = 0;
    IMG_HANDLE h = LoadMem(t.Build(), &result);
    ASSERT_EQ(result, 0);
    EXPECT_EQ(ColourAt(h, 0, 0), 0xFF0000u);
    EXPECT_EQ(ColourAt(h, 1, 0), 0x003500u);
    IMG_delete_bitmap(h);
    t.fields[3].values = {1};   // grey: the lightest level is white
    t.data = {0x0F};
    h = LoadMem(t.Build(), &result);
    EXPECT_EQ(ColourAt(h, 1, 0), 0xFFFFFFu);
    IMG_delete_bitmap(h);
}

TEST(TiffRead, UnknownCompressionsAreRefusedNotDeliveredBlank)
{
    for (uint32_t compression : {7u, 8u, 32946u, 0u}) {   // JPEG, Deflate twice, none known
        TiffBuilder t = Grey(3, 2, {9, 9, 9, 9, 9, 9});
        t.fields[3].values = {compression};
        int result = 0;
        EXPECT_EQ(LoadMem(t.Build(), &result), 0u);
        EXPECT_EQ(result, IMG_ERR_UNSUPPORTED) << compression;
    }
}

// Separate planes, `rowsPerStrip` rows a strip, plane after plane in the file;
// sample(p, x, y) gives plane p's value.
TiffBuilder Planar(uint32_t width, uint32_t height, uint32_t planes, uint32_t photometric, uint32_t rowsPerStrip,
                   const std::function<uint8_t(uint32_t, uint32_t, uint32_t)>& sample)
{
    TiffBuilder t;
    t.Add(256, 3, {width});
    t.Add(257, 3, {height});
    t.Add(258, 3, std::vector<uint32_t>(planes, 8));
    t.Add(259, 3, {1});
    t.Add(262, 3, {photometric});
    std::vector<uint32_t> offsets, counts;
    for (uint32_t p = 0; p < planes; ++p)
        for (uint32_t first = 0; first < height; first += rowsPerStrip) {
            offsets.push_back(uint32_t(t.data.size()));
            const uint32_t rows = std::min(rowsPerStrip, height - first);
            counts.push_back(rows * width);
            for (uint32_t y = first; y < first + rows; ++y)
                for (uint32_t x = 0; x < width; ++x)
                    t.data.push_back(sample(p, x, y));
        }
    t.Add(273, 4, offsets);
    t.Add(277, 3, {planes});
    t.Add(278, 3, {rowsPerStrip});
    t.Add(279, 4, counts);
    t.Add(284, 3, {2});
    return t;
}

TEST(TiffRead, SeparatePlanesAreInterleavedBandByBand)
{
    struct Case {
        uint32_t planes, photometric, rowsPerStrip;
    };
    // Each plane's strips hold different rows; planes beyond the colours are dropped.
    for (Case c : {Case{3, 2, 2}, {4, 2, 1}, {8, 2, 3}, {4, 5, 2}, {5, 5, 5}}) {
        const uint32_t width = 3, height = 5;
        auto sample = [](uint32_t p, uint32_t x, uint32_t y) { return uint8_t(p * 40 + y * 5 + x); };
        int result = 0;
        IMG_HANDLE h = LoadMem(Planar(width, height, c.planes, c.photometric, c.rowsPerStrip, sample).Build(), &result);
        ASSERT_EQ(result, 0) << c.planes << " planes, " << c.rowsPerStrip << " rows a strip";
        for (uint32_t y = 0; y < height; ++y)
            for (uint32_t x = 0; x < width; ++x) {
                uint32_t r = sample(0, x, y), g = sample(1, x, y), b = sample(2, x, y);
                if (c.photometric == 5) {   // inks scaled by what black leaves
                    const uint32_t white = 255 - sample(3, x, y);
                    r = ((255 - r) * white + 127) / 255;
                    g = ((255 - g) * white + 127) / 255;
                    b = ((255 - b) * white + 127) / 255;
                }
                EXPECT_EQ(ColourAt(h, int(x), int(y)), r << 16 | g << 8 | b)
                    << c.planes << " planes, photometric " << c.photometric << " at " << x << "," << y;
            }
        IMG_delete_bitmap(h);
    }
}

// A blank fax page: a one-bit vertical code for every row.
TiffBuilder BlankFaxPage(uint32_t width, uint32_t height)
{
    TiffBuilder fax;
    fax.Add(256, 4, {width});
    fax.Add(257, 4, {height});
    fax.Add(259, 3, {4});
    fax.Add(262, 3, {0});
    fax.Add(273, 4, {0});
    fax.Add(279, 4, {(height + 7) / 8});
    fax.data.assign((height + 7) / 8, 0xFF);
    return fax;
}

// The cases seen: eight LZW planes whose strips all share one offset asked for
// 4.2 GB, whole planes kept beside the picture; a fax page of 65535 x 32767
// for twice its store.
TEST(TiffRead, HugePicturesAreRefusedBeforeTheirStoreIsAllocated)
{
    auto sharedStrips = [](uint32_t width, uint32_t height, uint32_t rowsPerStrip) {
        TiffBuilder t = Planar(1, 1, 8, 2, 1, [](uint32_t, uint32_t, uint32_t) { return uint8_t(0); });
        const uint32_t strips = 8 * ((height + rowsPerStrip - 1) / rowsPerStrip);
        t.fields[0].values = {width};
        t.fields[1].values = {height};
        t.fields[3].values = {5};
        t.fields[5].values.assign(strips, 0);
        t.fields[7].values = {rowsPerStrip};
        t.fields[8].values.assign(strips, 0);
        std::vector<uint8_t> plane(size_t(width) * rowsPerStrip, 0);
        t.data.clear();
        vantor::tiff::EncodeLzw(plane.data(), plane.size(), t.data);
        t.fields[8].values.assign(strips, uint32_t(t.data.size()));
        return t;
    };
    ChildLoad load = LoadInChild(sharedStrips(10921, 32767, 32767).Build());
    EXPECT_EQ(load.result, IMG_ERR_MEMORY);   // store and one band of planes pass 1 GiB
    EXPECT_GE(load.peakRiseMb, 0);
    EXPECT_LT(load.peakRiseMb, 48);

    // Of eight planes in strips of 64 rows, the three colours are decoded a band
    // at a time: the store and little more, not eight whole planes beside it.
    load = LoadInChild(sharedStrips(3000, 3000, 64).Build());
    EXPECT_EQ(load.result, IMG_OK);
    const long storeMb = 3 * 3000 * 3000 / (1 << 20);
    EXPECT_GE(load.peakRiseMb, storeMb);
    EXPECT_LT(load.peakRiseMb, storeMb + 16);

    TiffBuilder fax = BlankFaxPage(65535, 32767);
    IMG_set_memory_limit(256 << 20);
    load = LoadInChild(fax.Build());
    IMG_set_memory_limit(0);
    EXPECT_EQ(load.result, IMG_ERR_MEMORY);
    EXPECT_GE(load.peakRiseMb, 0);
    EXPECT_LT(load.peakRiseMb, 48);
    // Rows cannot take less than a bit each.
    fax.data.resize(4095);
    fax.fields[5].values = {4095};
    load = LoadInChild(fax.Build());
    EXPECT_EQ(load.result, IMG_ERR_CONTENT);
    EXPECT_GE(load.peakRiseMb, 0);
    EXPECT_LT(load.peakRiseMb, 48);
}

// Streams a load through callbacks that only count: the result, and whether
// the header (after which the caller allocates) was delivered.
std::pair<int, int> HeadersDelivered(const std::vector<uint8_t>& file)
{
    static int headers;
    headers = 0;
    auto header = [](BITMAPINFO*, void*) -> int16_t {
        ++headers;
        return 0;
    };
    auto line = [](const uint8_t*, void*, int16_t, int16_t) -> int16_t { return 0; };
    const int result = IMGLOW_decompress_bitmap_mem_len(nullptr, file.data(), uint32_t(file.size()), 0, line,
                                                        nullptr, header);
    return {result, headers};
}

TEST(TiffRead, FaxPagesInOneStripTakeNoMoreThanTheirStore)
{
    const ChildLoad load = LoadInChild(BlankFaxPage(65535, 8192).Build());
    EXPECT_EQ(load.result, IMG_OK);
    const long storeMb = 8192L * 8192 / (1 << 20);
    EXPECT_GE(load.peakRiseMb, storeMb);
    EXPECT_LT(load.peakRiseMb, storeMb + 16);   // not a decoded strip as large beside it
    IMG_HANDLE h = LoadMem(BlankFaxPage(100, 3).Build());
    EXPECT_EQ(ColourAt(h, 99, 2), 0xFFFFFFu);
    IMG_delete_bitmap(h);
}

TEST(TiffRead, StripsTheFileCannotFillAreRefusedBeforeTheHeader)
{
    struct Case {
        uint32_t compression;
        size_t bytes;   // of a 40 x 64 grey strip, one less than the least it takes
    };
    for (Case c : {Case{1, 40 * 64 - 1}, {32773, 2 * 20 - 1}, {5, 1}, {4, 64 / 8 - 1}}) {
        TiffBuilder t = Grey(40, 64, std::vector<uint8_t>(c.bytes, 0));
        t.fields[3].values = {c.compression};
        if (c.compression == 4)
            t.fields[2].values = {1};
        EXPECT_EQ(HeadersDelivered(t.Build()), std::make_pair(int(IMG_ERR_CONTENT), 0)) << c.compression;
        // A count beyond the data there is no help.
        t.fields[6].values = {100000};
        EXPECT_EQ(HeadersDelivered(t.Build()), std::make_pair(int(IMG_ERR_CONTENT), 0)) << c.compression;
    }
}

TEST(TiffRead, BrokenFilesFailCleanly)
{
    int result = 0;
    LoadMem({'I', 'I', 42, 0, 8, 0, 0}, &result);
    EXPECT_EQ(result, IMG_ERR_CONTENT);   // header shorter than 8 bytes
    LoadMem({'I', 'I', 42, 0, 8, 0, 0, 0, 0, 0}, &result);
    EXPECT_LT(result, 0);

    // An IFD that names itself as the next one.
    auto loop = Grey(1, 1, {5}).Build();
    const size_t next = 8 + 2 + 12 * 7;
    loop[next] = 8;
    IMG_delete_bitmap(LoadMem(loop, &result, 0));
    EXPECT_EQ(result, 0);
    LoadMem(loop, &result, 3);
    EXPECT_EQ(result, IMG_ERR_TIFF_PAGE);

    // Every cut of a valid LZW file fails or loads, never reads beyond.
    IMG_HANDLE h = Picture(40, 30, 24);
    auto whole = SaveMem(h, IMG_TYPE_TIFF_LZW);
    for (size_t n = 0; n < whole.size(); n += 7) {
        std::vector<uint8_t> cut(whole.begin(), whole.begin() + long(n));
        IMG_HANDLE got = LoadMem(cut, &result);
        EXPECT_EQ(result, n < 2 ? IMG_ERR_UNSUPPORTED : IMG_ERR_CONTENT) << n;
        if (got)
            IMG_delete_bitmap(got);
    }
    IMG_delete_bitmap(h);

    // Strips missing for the rows declared.
    TiffBuilder few = Grey(1, 4, {1, 2, 3, 4});
    few.Add(278, 3, {1});
    LoadMem(few.Build(), &result);
    EXPECT_EQ(result, IMG_ERR_CONTENT);
}

TEST(TiffRead, DateAndArtistTravelIntoWrittenFiles)
{
    char oldText[200], oldDate[40];
    IMGLOW_get_bitmap_name(oldText, oldDate);
    TiffBuilder t = Grey(1, 1, {0});
    std::string artist = "Somebody else", date = "2026:12:08 01:00:00";
    t.Add(306, 2, std::vector<uint32_t>(date.begin(), date.end()));
    t.fields.back().values.push_back(0);
    t.Add(315, 2, std::vector<uint32_t>(artist.begin(), artist.end()));
    t.fields.back().values.push_back(0);
    int result = 0;
    IMG_HANDLE h = LoadMem(t.Build(), &result);
    ASSERT_EQ(result, 0);
    auto written = SaveMem(h, IMG_TYPE_TIFF);
    const uint32_t at = TagValue(written, 8, 315);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(written.data() + at)), artist);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(written.data() + TagValue(written, 8, 306))), date);
    IMG_delete_bitmap(h);
    IMGLOW_set_bitmap_name(oldText, oldDate);
}

TEST(Eps, PreviewLoadsAndOtherFilesFail)
{
    IMG_HANDLE h = Picture(9, 4, 8);
    auto tiff = SaveMem(h, IMG_TYPE_TIFF);
    std::vector<uint8_t> eps(32 + 5, 'x');
    const uint32_t words[] = {0xC6D3D0C5u, 32, 5, 0, 0, 37, uint32_t(tiff.size()), 0xFFFF};
    std::memcpy(eps.data(), words, sizeof words);
    eps.insert(eps.end(), tiff.begin(), tiff.end());
    int result = 0;
    IMG_HANDLE got = LoadMem(eps, &result, 1);   // the page is ignored
    ASSERT_EQ(result, 0);
    EXPECT_EQ(CompareColours(h, got), "");
    IMG_delete_bitmap(got);
    eps[20] = eps[24] = 0;   // no preview
    LoadMem(eps, &result);
    EXPECT_EQ(result, IMG_ERR_CONTENT);
    IMG_delete_bitmap(h);
}

TEST(TiffCodecs, LzwWidensAndStartsAnewAcrossLongData)
{
    std::mt19937 rng(7);
    for (size_t size : {0, 1, 300, 5000, 200000}) {
        std::vector<uint8_t> in(size);
        for (size_t i = 0; i < size; ++i)
            in[i] = uint8_t(i % 3 == 0 ? rng() : i / 97);
        std::vector<uint8_t> coded, out(size);
        vantor::tiff::EncodeLzw(in.data(), in.size(), coded);
        ASSERT_EQ(vantor::tiff::DecodeLzw(coded.data(), coded.size(), out.data(), size), 0) << size;
        EXPECT_EQ(in, out) << size;
    }
    // 9-bit Clear, 'A', then code 300 beyond the next free code 258.
    const uint8_t bad[] = {0x80, 0x10, 0x69, 0x60, 0x00};
    uint8_t out[8];
    EXPECT_EQ(vantor::tiff::DecodeLzw(bad, sizeof bad, out, 3), IMG_ERR_CONTENT);
}

// Rows of a strip decoded wherever they lie (bottom-up, with gaps) hold what
// one block holds, and nothing beyond a row is touched: strings that cross row
// ends, repeat their own start, or end within eight bytes of a row's end.
TEST(TiffCodecs, LzwIntoScatteredRowsMatchesOneBlock)
{
    std::mt19937 rng(11);
    const std::function<uint8_t(size_t)> kinds[] = {
        [&](size_t) { return uint8_t(rng()); },                    // literals, short strings
        [](size_t i) { return uint8_t(i / 5000); },                // long runs: strings of thousands
        [&](size_t i) { return uint8_t(i % 7 ? i / 40 : rng()); }, // strings of every length
    };
    constexpr size_t kGap = 11;
    constexpr uint8_t kGuard = 0xA5;
    for (const auto& kind : kinds) {
        for (uint32_t rowBytes : {1u, 3u, 7u, 8u, 9u, 15u, 4000u}) {
            const uint32_t rows = uint32_t(60000 / rowBytes + 1);
            std::vector<uint8_t> in(size_t(rows) * rowBytes);
            for (size_t i = 0; i < in.size(); ++i)
                in[i] = kind(i);
            std::vector<uint8_t> coded;
            vantor::tiff::EncodeLzw(in.data(), in.size(), coded);
            std::vector<uint8_t> store(size_t(rows) * (rowBytes + kGap) + kGap, kGuard);
            std::vector<uint8_t*> at(rows);
            for (uint32_t i = 0; i < rows; ++i)   // the last row first, as a store keeps them
                at[i] = store.data() + kGap + size_t(rows - 1 - i) * (rowBytes + kGap);
            ASSERT_EQ(vantor::tiff::DecodeLzwRows(coded.data(), coded.size(), at.data(), rows, rowBytes), 0)
                << rowBytes;
            for (uint32_t i = 0; i < rows; ++i) {
                ASSERT_EQ(std::memcmp(at[i], in.data() + size_t(i) * rowBytes, rowBytes), 0)
                    << "row " << i << " of " << rowBytes;
                for (size_t g = 1; g <= kGap; ++g)
                    ASSERT_EQ(at[i][-std::ptrdiff_t(g)], kGuard) << "before row " << i << " of " << rowBytes;
            }
            // Cut short, the rows cannot be filled.
            EXPECT_EQ(vantor::tiff::DecodeLzwRows(coded.data(), coded.size() / 2, at.data(), rows, rowBytes),
                      IMG_ERR_CONTENT);
        }
    }
}

TEST(TiffCodecs, PackBitsRunsLiteralsAndNoOps)
{
    const uint8_t in[] = {2, 'a', 'b', 'c', 0xFE, 'z', 128, 0};
    uint8_t out[7] = {};
    ASSERT_EQ(vantor::tiff::DecodePackBits(in, sizeof in - 1, out, 6), 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), 6), "abczzz");
    EXPECT_EQ(vantor::tiff::DecodePackBits(in, 3, out, 3), IMG_ERR_CONTENT);   // literal cut short
    EXPECT_EQ(vantor::tiff::DecodePackBits(in, sizeof in, out, 7), IMG_ERR_CONTENT);
}

TEST(TiffCodecs, FaxCodeTablesArePrefixFree)
{
    for (const auto* table : {vantor::tiff::kWhiteCodes, vantor::tiff::kBlackCodes})
        for (int i = 0; i < 104; ++i)
            for (int j = 0; j < 104; ++j) {
                if (i == j)
                    continue;
                const auto &a = table[i], &b = table[j];
                ASSERT_GE(a.length, 2);
                if (a.length <= b.length) {
                    EXPECT_NE(a.bits, b.bits >> (b.length - a.length)) << i << " prefixes " << j;
                }
            }
}

TEST(TiffCodecs, FaxRowsRoundTripWithLongRuns)
{
    std::mt19937 rng(3);
    const uint32_t width = 6000, height = 12, rowBytes = width / 8;
    std::vector<uint8_t> rows(rowBytes * height, 0);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            bool black = y % 4 == 1 ? x > 2600 : y % 4 == 2 ? rng() % 5 == 0 : (x / (y + 3)) % 2;
            if (black)
                rows[y * rowBytes + x / 8] |= uint8_t(0x80 >> (x % 8));
        }
    for (uint32_t c : {2u, 3u, 4u}) {
        std::vector<uint8_t> coded, out(rows.size());
        vantor::tiff::EncodeCcitt(c, rows.data(), width, height, rowBytes, coded);
        ASSERT_EQ(vantor::tiff::DecodeCcitt(c, 0, coded.data(), coded.size(), width, height, out.data(), rowBytes), 0) << c;
        EXPECT_EQ(rows, out) << c;
        coded.resize(coded.size() / 2);
        EXPECT_EQ(vantor::tiff::DecodeCcitt(c, 0, coded.data(), coded.size(), width, height, out.data(), rowBytes),
                  IMG_ERR_CONTENT) << c;
    }
}

}   // namespace
