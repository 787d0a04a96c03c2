// Metafile, WordPerfect graphic and PICT: round trips, the files' layouts, other
// writers' variants, and hostile or cut files.
#include <gtest/gtest.h>

#include <cstring>
#include <unistd.h>

#include "test_util.h"

using namespace vtest;

namespace {

using Bytes = std::vector<uint8_t>;

// SaveMem with a buffer sized for these small pictures.
Bytes Save(IMG_HANDLE handle, int type, int* result = nullptr)
{
    Bytes out(1 << 20);
    uint32_t written = 0;
    int r = IMG_save_bitmap_mem_len(handle, out.data(), uint32_t(out.size()), int16_t(type), &written);
    if (result)
        *result = r;
    out.resize(r < 0 ? 0 : written);
    return out;
}

uint32_t Value(int bits, int x, int y)
{
    if (bits == 24)
        return uint32_t(x * 40 & 255) << 16 | uint32_t(y * 30 & 255) << 8 | uint32_t((x ^ y) * 9 & 255);
    // Runs and noise, so both kinds of code appear.
    return uint32_t(x < 5 ? 3 : (x * 7 + y * 13) % 11) & ((1u << bits) - 1);
}

IMG_HANDLE Picture(int width, int height, int bits)
{
    return FromDib(MakeDib(width, height, bits, [&](int x, int y) { return Value(bits, x, y); }));
}

void ExpectRoundTrip(int type, int width, int height, int bits)
{
    IMG_HANDLE h = Picture(width, height, bits);
    int result = 0;
    IMG_HANDLE back = LoadMem(Save(h, type), &result);
    ASSERT_EQ(result, 0) << "type " << type << ", " << bits << " bits, width " << width;
    EXPECT_EQ(InfoOf(back).bits, bits);
    EXPECT_EQ(CompareColours(h, back), "") << "type " << type << ", " << bits << " bits, width " << width;
    IMG_delete_bitmap(back);
    IMG_delete_bitmap(h);
}

// Every cut short of `complete` bytes must fail without reading past the cut.
// With `signature` given, a cut shorter than it is of no known type and a
// longer one of bad content.
void ExpectEveryCutFails(const Bytes& bytes, size_t complete, const char* what, size_t signature = 0)
{
    for (size_t cut = 0; cut < complete; ++cut) {
        int result = 0;
        IMG_HANDLE back = LoadMem(Bytes(bytes.begin(), bytes.begin() + cut), &result);
        EXPECT_LT(result, 0) << what << " cut at " << cut;
        if (signature)
            EXPECT_EQ(result, cut < signature ? IMG_ERR_UNSUPPORTED : IMG_ERR_CONTENT) << what << " cut at " << cut;
        if (back)
            IMG_delete_bitmap(back);
    }
}

int LoadResult(const Bytes& bytes)
{
    int result = 0;
    IMG_HANDLE h = LoadMem(bytes, &result);
    if (h)
        IMG_delete_bitmap(h);
    return result;
}

void Le16(Bytes& b, uint32_t v) { b.push_back(uint8_t(v)), b.push_back(uint8_t(v >> 8)); }
void Le32(Bytes& b, uint32_t v) { Le16(b, v), Le16(b, v >> 16); }
void Be16(Bytes& b, uint32_t v) { b.push_back(uint8_t(v >> 8)), b.push_back(uint8_t(v)); }
uint16_t Read16(const Bytes& b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }

// Metafile pieces.
Bytes MetaHeader(size_t bodyBytes)
{
    Bytes h;
    Le16(h, 1), Le16(h, 9), Le16(h, 0x0300), Le32(h, uint32_t((18 + bodyBytes) / 2)), Le16(h, 0), Le32(h, 0), Le16(h, 0);
    return h;
}

Bytes Record(uint16_t function, const Bytes& params)
{
    Bytes r;
    Le32(r, uint32_t((6 + params.size() + 1) / 2));
    Le16(r, function);
    r.insert(r.end(), params.begin(), params.end());
    if (r.size() & 1)
        r.push_back(0);
    return r;
}

Bytes Metafile(const Bytes& records)
{
    Bytes f = MetaHeader(records.size());
    f.insert(f.end(), records.begin(), records.end());
    return f;
}

// An 8-bit DIB of 3 x 2 pixels with a 2-entry table; pixel values 0 and 1.
Bytes SmallDib(uint32_t compression = BI_RGB, const Bytes& rle = {})
{
    Bytes d;
    Le32(d, 40), Le32(d, 3), Le32(d, 2), Le16(d, 1), Le16(d, 8), Le32(d, compression), Le32(d, 0);
    Le32(d, 0), Le32(d, 0), Le32(d, 2), Le32(d, 0);
    Le32(d, 0x0000FF), Le32(d, 0x00FF00);   // blue, then green
    if (compression == BI_RGB) {
        Bytes rows = {1, 0, 1, 0, 0, 1, 0, 0};   // bottom row first
        d.insert(d.end(), rows.begin(), rows.end());
    } else {
        d.insert(d.end(), rle.begin(), rle.end());
    }
    return d;
}

TEST(Metafile, EveryDepthRoundTrips)
{
    for (int bits : {1, 4, 8, 24})
        for (int width : {1, 3, 33})
            ExpectRoundTrip(IMG_TYPE_WMF, width, 5, bits);
}

TEST(Metafile, WritesThePublishedPlaceableHeaderAndConsistentSizes)
{
    IMG_HANDLE h = Picture(5, 3, 8);
    Bytes f = Save(h, IMG_TYPE_WMF);
    IMG_delete_bitmap(h);
    ASSERT_GT(f.size(), 40u);
    EXPECT_EQ(Read16(f, 0) | Read16(f, 2) << 16, 0x9AC6CDD7);
    EXPECT_EQ(Read16(f, 10), 5);   // right
    EXPECT_EQ(Read16(f, 12), 3);   // bottom
    EXPECT_EQ(Read16(f, 14), 907);
    uint16_t sum = 0;
    for (int i = 0; i < 10; ++i)
        sum ^= Read16(f, size_t(2 * i));
    EXPECT_EQ(Read16(f, 20), sum);
    // The metafile header follows at 22 and states the file's real size.
    EXPECT_EQ(Read16(f, 22), 1);
    EXPECT_EQ(Read16(f, 24), 9);
    EXPECT_EQ(size_t(Read16(f, 28) | Read16(f, 30) << 16) * 2, f.size() - 22);
    const uint32_t n = (8 * 3 + 1024 + 68) / 2;
    EXPECT_EQ(Read16(f, 34) | Read16(f, 36) << 16, n);   // largest record
    EXPECT_EQ(Read16(f, 22 + 18 + 28 + 4), 0x0F43);      // StretchDIB after three records
    EXPECT_EQ(Bytes(f.end() - 6, f.end()), (Bytes{3, 0, 0, 0, 0, 0}));
}

TEST(Metafile, ReadsTheOlderTwentyFourBytePlaceableHeader)
{
    IMG_HANDLE h = Picture(7, 4, 4);
    Bytes f = Save(h, IMG_TYPE_WMF);
    f.insert(f.begin() + 22, {0, 0});
    IMG_HANDLE back = LoadMem(f);
    ASSERT_NE(back, 0u);
    EXPECT_EQ(CompareColours(h, back), "");
    IMG_delete_bitmap(back);
    IMG_delete_bitmap(h);
}

TEST(Metafile, FindsBitmapsBehindVectorRecordsInEveryBitmapRecordKind)
{
    const Bytes vector = Record(0x041B, Bytes(8, 1));   // a rectangle
    struct Case {
        uint16_t function;
        size_t params;   // bytes between the record head and the bitmap header
    } cases[] = {{0x0940, 16}, {0x0940, 14}, {0x0D33, 18}, {0x0D33, 16}, {0x0B41, 20}, {0x0F43, 22}};
    for (const Case& c : cases) {
        Bytes params(c.params, 0);
        Bytes dib = SmallDib();
        params.insert(params.end(), dib.begin(), dib.end());
        Bytes records = vector;
        Bytes r = Record(c.function, params);
        records.insert(records.end(), r.begin(), r.end());
        Bytes end = Record(0, {});
        records.insert(records.end(), end.begin(), end.end());
        IMG_HANDLE back = LoadMem(Metafile(records));
        ASSERT_NE(back, 0u) << std::hex << c.function << " +" << std::dec << c.params;
        // The DIB's second row (0 1 0) is the top one; entry 0 is blue, entry 1 green.
        EXPECT_EQ(ColourAt(back, 0, 0), 0x0000FFu);
        EXPECT_EQ(ColourAt(back, 1, 0), 0x00FF00u);
        EXPECT_EQ(ColourAt(back, 2, 0), 0x0000FFu);
        EXPECT_EQ(ColourAt(back, 0, 1), 0x00FF00u);
        IMG_delete_bitmap(back);
    }
}

TEST(Metafile, RunLengthBitmapsStayInsideTheirRecord)
{
    // RLE8: row of 1 0 1, end of line, row of 0 0 1, end of bitmap.
    const Bytes rle = {1, 1, 1, 0, 1, 1, 0, 0, 2, 0, 1, 1, 0, 1};
    Bytes params(22, 0), dib = SmallDib(BI_RLE8, rle);
    params.insert(params.end(), dib.begin(), dib.end());
    IMG_HANDLE back = LoadMem(Metafile(Record(0x0F43, params)));
    ASSERT_NE(back, 0u);
    EXPECT_EQ(RawAt(back, 0, 1), 1u);
    EXPECT_EQ(RawAt(back, 1, 1), 0u);
    EXPECT_EQ(RawAt(back, 2, 0), 1u);
    IMG_delete_bitmap(back);
    // The same code cut off by the record's end, with more bytes after it in the file.
    Bytes shortParams(22, 0), shortDib = SmallDib(BI_RLE8, Bytes(rle.begin(), rle.begin() + 6));
    shortParams.insert(shortParams.end(), shortDib.begin(), shortDib.end());
    Bytes f = Metafile(Record(0x0F43, shortParams));
    f.insert(f.end(), {0, 0, 2, 0, 1, 1, 0, 1, 0, 0});
    EXPECT_EQ(LoadResult(f), IMG_ERR_CONTENT);
    // A huge run-length bitmap in a few bytes is refused before its store is
    // allocated: every row takes at least its end mark.
    Bytes hugeParams(22, 0), hugeDib = SmallDib(BI_RLE8, {0, 0, 0, 1});
    hugeDib[4] = 0xFC, hugeDib[5] = 0x7F;   // 32764 wide
    hugeDib[8] = 0xFF, hugeDib[9] = 0x7F;   // 32767 high
    hugeParams.insert(hugeParams.end(), hugeDib.begin(), hugeDib.end());
    const ChildLoad load = LoadInChild(Metafile(Record(0x0F43, hugeParams)));
    EXPECT_EQ(load.result, IMG_ERR_CONTENT);
    EXPECT_GE(load.peakRiseMb, 0);
    EXPECT_LT(load.peakRiseMb, 48);
}

TEST(Metafile, VectorOnlyAndHostileFilesFailCleanly)
{
    const Bytes vector = Record(0x041B, Bytes(8, 1));
    Bytes end = Record(0, {});
    Bytes vectorOnly = vector;
    vectorOnly.insert(vectorOnly.end(), end.begin(), end.end());
    EXPECT_EQ(LoadResult(Metafile(vectorOnly)), IMG_ERR_UNSUPPORTED);
    EXPECT_EQ(LoadResult(Metafile(vector)), IMG_ERR_UNSUPPORTED);   // no end record either
    // A record claiming fewer words than its own head.
    Bytes zero = {0, 0, 0, 0, 0x1B, 0x04};
    EXPECT_EQ(LoadResult(Metafile(zero)), IMG_ERR_CONTENT);
    // A vector record claiming four gigawords.
    Bytes huge = {0xFF, 0xFF, 0xFF, 0xFF, 0x1B, 0x04};
    EXPECT_EQ(LoadResult(Metafile(huge)), IMG_ERR_UNSUPPORTED);
    // A bitmap record shorter than the rows its header promises.
    Bytes params(22, 0), dib = SmallDib();
    params.insert(params.end(), dib.begin(), dib.end() - 4);
    Bytes cut = Record(0x0F43, params);
    cut.insert(cut.end(), {1, 2, 3, 4, 5, 6, 7, 8});
    EXPECT_EQ(LoadResult(Metafile(cut)), IMG_ERR_CONTENT);
    // Bit-field and compressed formats the engine does not hold.
    Bytes fields(22, 0), fdib = SmallDib(BI_BITFIELDS, Bytes(16, 0));
    fields.insert(fields.end(), fdib.begin(), fdib.end());
    EXPECT_EQ(LoadResult(Metafile(Record(0x0F43, fields))), IMG_ERR_UNSUPPORTED);
}

TEST(Metafile, PlainMetafileIsNotTakenForTarga)
{
    Bytes params(22, 0), dib = SmallDib();
    params.insert(params.end(), dib.begin(), dib.end());
    Bytes f = Metafile(Record(0x0F43, params));
    std::string path = TempPath("plain.wmf");
    WriteFile(path, f);
    EXPECT_EQ(IMGLOW_get_filetype(path.c_str()), IMG_TYPE_WMF);
    unlink(path.c_str());
    EXPECT_EQ(LoadResult(f), 0);
}

TEST(Metafile, EveryTruncationFails)
{
    IMG_HANDLE h = Picture(9, 4, 4);
    Bytes f = Save(h, IMG_TYPE_WMF);
    IMG_delete_bitmap(h);
    ExpectEveryCutFails(f, f.size() - 6, "metafile");   // the end record is not needed
}

// WordPerfect graphic.
TEST(Wpg, PaletteDepthsRoundTripAndTrueColourIsRefused)
{
    for (int bits : {1, 4, 8})
        for (int width : {1, 9, 130, 300})
            ExpectRoundTrip(IMG_TYPE_WPG, width, 4, bits);
    IMG_HANDLE h = Picture(4, 4, 24);
    int result = 0;
    Save(h, IMG_TYPE_WPG, &result);
    EXPECT_EQ(result, IMG_ERR_UNSUPPORTED);
    IMG_delete_bitmap(h);
}

TEST(Wpg, WritesHeaderRecordsAndRunCodes)
{
    IMG_HANDLE h = FromDib(MakeDib(10, 1, 8, [](int x, int) { return x < 6 ? 7u : uint32_t(x); }));
    Bytes f = Save(h, IMG_TYPE_WPG);
    IMG_delete_bitmap(h);
    ASSERT_GT(f.size(), 16u);
    EXPECT_EQ(Bytes(f.begin(), f.begin() + 16), (Bytes{0xFF, 'W', 'P', 'C', 16, 0, 0, 0, 1, 22, 1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Bytes(f.begin() + 16, f.begin() + 24), (Bytes{0x0F, 6, 1, 0, 0x80, 0x25, 0x90, 0x33}));
    const size_t map = 16 + 8 + 7;
    EXPECT_EQ(Bytes(f.begin() + long(map), f.begin() + long(map) + 4), (Bytes{0x0E, 0xFF, 0x04, 0x03}));
    const size_t bitmap = map + 4 + 772;
    ASSERT_EQ(f[bitmap], 0x14);
    ASSERT_EQ(f[bitmap + 1], 0xFF);
    const uint32_t length = uint32_t(Read16(f, bitmap + 2) & 0x7FFF) << 16 | Read16(f, bitmap + 4);
    EXPECT_EQ(bitmap + 6 + length + 2, f.size());
    EXPECT_EQ(Read16(f, bitmap + 6 + 10), 10);   // width
    // One run of six 7s, then a literal run of four.
    EXPECT_EQ(Bytes(f.begin() + long(bitmap) + 26, f.end()), (Bytes{0x86, 7, 4, 6, 7, 8, 9, 0x10, 0}));
}

Bytes WpgFile(const Bytes& records)
{
    Bytes f = {0xFF, 'W', 'P', 'C', 16, 0, 0, 0, 1, 22, 1, 0, 0, 0, 0, 0};
    f.insert(f.end(), records.begin(), records.end());
    return f;
}

Bytes WpgBitmapOne(int width, int height, int depth, const Bytes& code)
{
    Bytes r = {0x0B, uint8_t(10 + code.size())};
    Le16(r, uint32_t(width)), Le16(r, uint32_t(height)), Le16(r, uint32_t(depth)), Le16(r, 75), Le16(r, 75);
    r.insert(r.end(), code.begin(), code.end());
    return r;
}

TEST(Wpg, DecodesEveryRunCodeAndTakesTheLastBitmap)
{
    // 8 pixels of 1 bit: literal, repeat, counted 0xFF run, row repeat.
    Bytes first = WpgBitmapOne(8, 1, 1, {0x81, 0x00});
    Bytes second = WpgBitmapOne(16, 4, 1, {0x01, 0xF0, 0x81, 0x0F, 0x80, 0x02, 0x00, 0x01, 0x81, 0x55, 0x01, 0x3C});
    Bytes records = first;
    records.insert(records.end(), second.begin(), second.end());
    records.insert(records.end(), {0x10, 0});
    IMG_HANDLE h = LoadMem(WpgFile(records));
    ASSERT_NE(h, 0u);
    ASSERT_EQ(InfoOf(h).width, 16);
    const uint32_t rows[4][2] = {{0xF0, 0x0F}, {0xFF, 0xFF}, {0xFF, 0xFF}, {0x55, 0x3C}};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 16; ++x)
            EXPECT_EQ(RawAt(h, x, y), (rows[y][x / 8] >> (7 - x % 8)) & 1) << x << "," << y;
    EXPECT_EQ(ColourAt(h, 0, 0), 0xFFFFFFu);   // no map: white on black
    IMG_delete_bitmap(h);
}

TEST(Wpg, TwoBitBitmapsWidenToFourBits)
{
    Bytes records = WpgBitmapOne(5, 1, 2, {0x02, 0x1B, 0xC0});
    records.insert(records.end(), {0x10, 0});
    IMG_HANDLE h = LoadMem(WpgFile(records));
    ASSERT_NE(h, 0u);
    EXPECT_EQ(InfoOf(h).bits, 4);
    const uint32_t want[5] = {0, 1, 2, 3, 3};
    for (int x = 0; x < 5; ++x)
        EXPECT_EQ(RawAt(h, x, 0), want[x]);
    EXPECT_EQ(ColourAt(h, 3, 0), 0xFFFFFFu);
    IMG_delete_bitmap(h);
}

TEST(Wpg, HostileFilesFailCleanly)
{
    Bytes end = {0x10, 0};
    auto with = [&](Bytes r) {
        r.insert(r.end(), end.begin(), end.end());
        return LoadResult(WpgFile(r));
    };
    EXPECT_EQ(with({0x07, 8, 0, 0, 0, 0, 0, 0, 0, 0}), IMG_ERR_UNSUPPORTED);        // vector only
    EXPECT_EQ(with({0x07, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0}), IMG_ERR_CONTENT);      // length past the end
    EXPECT_EQ(with(WpgBitmapOne(8, 2, 1, {0x00, 0x02})), IMG_ERR_CONTENT);          // repeat before a row
    EXPECT_EQ(with(WpgBitmapOne(8, 2, 1, {0x81, 0x00})), IMG_ERR_CONTENT);          // too few rows
    EXPECT_EQ(with(WpgBitmapOne(8, 2, 1, {0x05, 1})), IMG_ERR_CONTENT);             // literal past the record
    EXPECT_EQ(with(WpgBitmapOne(0, 2, 1, {0x81, 0x00})), IMG_ERR_CONTENT);
    EXPECT_EQ(with(WpgBitmapOne(8, 2, 16, {0x81, 0x00})), IMG_ERR_UNSUPPORTED);
    Bytes second = WpgFile({0x10, 0});
    second[10] = 2;
    EXPECT_EQ(LoadResult(second), IMG_ERR_UNSUPPORTED);
}

TEST(Wpg, EveryTruncationFails)
{
    IMG_HANDLE h = Picture(21, 5, 4);
    Bytes f = Save(h, IMG_TYPE_WPG);
    IMG_delete_bitmap(h);
    ExpectEveryCutFails(f, f.size() - 2, "WPG", 4);
}

// PICT.
TEST(Pict, EveryDepthRoundTripsAtWidthsAroundEveryLayoutLimit)
{
    for (int bits : {1, 4, 8, 24})
        for (int width : {1, 2, 3, 7, 8, 50, 51, 62, 63, 66, 67, 201, 250, 251, 1000})
            ExpectRoundTrip(IMG_TYPE_PICT, width, 3, bits);
}

TEST(Pict, WritesAVersionTwoPictureOnEvenOpcodes)
{
    IMG_HANDLE h = Picture(5, 3, 8);
    Bytes f = Save(h, IMG_TYPE_PICT);
    IMG_delete_bitmap(h);
    ASSERT_GT(f.size(), 600u);
    EXPECT_EQ(Bytes(f.begin(), f.begin() + 512), Bytes(512, 0));
    auto be = [&](size_t at) { return uint32_t(f[at] << 8 | f[at + 1]); };
    EXPECT_EQ(be(512), (f.size() - 512) & 0xFFFF);
    EXPECT_EQ(be(518), 3u);
    EXPECT_EQ(be(520), 5u);
    EXPECT_EQ(be(522), 0x0011u);
    EXPECT_EQ(be(524), 0x02FFu);
    EXPECT_EQ(be(526), 0x0C00u);
    EXPECT_EQ(be(528), 0xFFFFu);
    EXPECT_EQ(be(552), 0x001Eu);
    EXPECT_EQ(be(554), 0x0001u);
    EXPECT_EQ(be(556), 10u);
    EXPECT_EQ(be(566), 0x0098u);
    EXPECT_EQ(be(568), 0x8006u);   // row bytes, even, with the pixel map flag
    EXPECT_EQ(f.size() % 2, 0u);
    EXPECT_EQ(be(f.size() - 2), 0x00FFu);
}

// A version 2 picture holding `body` after the header opcodes.
Bytes PictFile(int width, int height, const Bytes& body)
{
    Bytes f(512, 0);
    Be16(f, 0), Be16(f, 0), Be16(f, 0), Be16(f, uint32_t(height)), Be16(f, uint32_t(width));
    Be16(f, 0x0011), Be16(f, 0x02FF);
    f.insert(f.end(), body.begin(), body.end());
    Be16(f, 0x00FF);
    return f;
}

// PackBitsRect of 8 bits with a 2-entry table and the given row bytes and rows.
Bytes PackBits8(int width, int height, uint32_t rowBytes, const Bytes& rows)
{
    Bytes b;
    Be16(b, 0x0098), Be16(b, rowBytes | 0x8000);
    Be16(b, 0), Be16(b, 0), Be16(b, uint32_t(height)), Be16(b, uint32_t(width));
    Bytes pm(36, 0);
    pm[16] = 0, pm[17] = 0, pm[18] = 0, pm[19] = 8, pm[20] = 0, pm[21] = 1, pm[22] = 0, pm[23] = 8;
    b.insert(b.end(), pm.begin(), pm.end());
    Be16(b, 0), Be16(b, 0), Be16(b, 0), Be16(b, 1);   // seed, flags, size - 1
    for (uint32_t i = 0; i < 2; ++i)
        Be16(b, i), Be16(b, i ? 0xFFFF : 0), Be16(b, 0), Be16(b, i ? 0 : 0xFFFF);
    for (int i = 0; i < 2; ++i)
        Be16(b, 0), Be16(b, 0), Be16(b, uint32_t(height)), Be16(b, uint32_t(width));
    Be16(b, 0);
    b.insert(b.end(), rows.begin(), rows.end());
    if (b.size() & 1)
        b.push_back(0);
    return b;
}

TEST(Pict, SkipsVectorOpcodesAndReadsOtherRowCodings)
{
    Bytes vector;
    Be16(vector, 0x0001), Be16(vector, 10), vector.insert(vector.end(), 8, 0);   // clip
    Be16(vector, 0x00A1), Be16(vector, 100), Be16(vector, 3), vector.insert(vector.end(), {1, 2, 3, 0});
    Be16(vector, 0x0031), vector.insert(vector.end(), 8, 0);                      // paintRect
    Be16(vector, 0x0070), Be16(vector, 12), vector.insert(vector.end(), 10, 0);  // polygon
    Be16(vector, 0x002C), Be16(vector, 5), vector.insert(vector.end(), {1, 2, 3, 4, 5, 0});  // font name, padded
    Be16(vector, 0x0012), Be16(vector, 2), vector.insert(vector.end(), 14, 0);      // dithered pattern
    // A colour pattern: its pixel map, colour table and one packed row come from
    // a bitmap opcode's layout, without the rectangles and mode.
    const Bytes patternBits = PackBits8(8, 1, 8, {2, 0xF9, 1});
    Be16(vector, 0x0013), Be16(vector, 1), vector.insert(vector.end(), 8, 0);
    vector.insert(vector.end(), patternBits.begin() + 2, patternBits.begin() + 2 + 46 + 24);
    vector.insert(vector.end(), {2, 0xF9, 1, 0});
    // Packed rows of 10 bytes: a run and a literal, then a row whose leftover code is passed over.
    Bytes rows = {4, 0xFC, 1, 0xFC, 0, 3, 0xF7, 0, 0x01};
    Bytes body = vector;
    Bytes pixels = PackBits8(10, 2, 10, rows);
    body.insert(body.end(), pixels.begin(), pixels.end());
    IMG_HANDLE h = LoadMem(PictFile(10, 2, body));
    ASSERT_NE(h, 0u);
    EXPECT_EQ(RawAt(h, 0, 0), 1u);
    EXPECT_EQ(RawAt(h, 4, 0), 1u);
    EXPECT_EQ(RawAt(h, 5, 0), 0u);
    EXPECT_EQ(RawAt(h, 9, 1), 0u);
    EXPECT_EQ(ColourAt(h, 0, 0), 0xFF0000u);
    IMG_delete_bitmap(h);
    // Short rows stored packed although the rules leave them unpacked.
    h = LoadMem(PictFile(3, 2, PackBits8(3, 2, 4, {2, 0xFD, 1, 2, 0xFD, 0})));
    ASSERT_NE(h, 0u);
    EXPECT_EQ(RawAt(h, 2, 0), 1u);
    EXPECT_EQ(RawAt(h, 2, 1), 0u);
    IMG_delete_bitmap(h);
    // BitsRect rows are never packed, however long.
    Bytes bits = PackBits8(10, 1, 10, {0xFE, 1, 1, 1, 1, 1, 1, 1, 1, 0xFE});
    bits[1] = 0x90;
    h = LoadMem(PictFile(10, 1, bits));
    ASSERT_NE(h, 0u);
    EXPECT_EQ(RawAt(h, 0, 0), 0xFEu);
    EXPECT_EQ(RawAt(h, 9, 0), 0xFEu);
    IMG_delete_bitmap(h);
    // The same short rows stored unpacked, as the rules say.
    h = LoadMem(PictFile(3, 2, PackBits8(3, 2, 4, {1, 0, 1, 0, 0, 1, 1, 0})));
    ASSERT_NE(h, 0u);
    EXPECT_EQ(RawAt(h, 1, 0), 0u);
    EXPECT_EQ(RawAt(h, 1, 1), 1u);
    IMG_delete_bitmap(h);
}

TEST(Pict, SixteenBitDirectPixelsWidenToTrueColour)
{
    Bytes b;
    Be16(b, 0x009A), Be16(b, 0), Be16(b, 0xFF);   // base address
    Be16(b, 8 | 0x8000), Be16(b, 0), Be16(b, 0), Be16(b, 2), Be16(b, 4);
    Bytes pm(36, 0);
    pm[3] = 3;                        // pack type: runs of 16-bit words
    pm[17] = 16, pm[19] = 16, pm[21] = 3, pm[23] = 5;
    b.insert(b.end(), pm.begin(), pm.end());
    for (int i = 0; i < 2; ++i)
        Be16(b, 0), Be16(b, 0), Be16(b, 2), Be16(b, 4);
    Be16(b, 0);
    // A run of four red pixels, then green, blue, white and black as literals.
    b.insert(b.end(), {3, 0xFD, 0x7C, 0x00, 9, 0x03, 0x03, 0xE0, 0x00, 0x1F, 0x7F, 0xFF, 0x00, 0x00, 0});
    IMG_HANDLE h = LoadMem(PictFile(4, 2, b));
    ASSERT_NE(h, 0u);
    EXPECT_EQ(InfoOf(h).bits, 24);
    EXPECT_EQ(ColourAt(h, 3, 0), 0xFF0000u);
    const uint32_t second[4] = {0x00FF00, 0x0000FF, 0xFFFFFF, 0};
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(ColourAt(h, x, 1), second[x]) << x;
    IMG_delete_bitmap(h);
}

TEST(Pict, HostileFilesFailCleanly)
{
    auto body = [](std::initializer_list<uint8_t> b) { return Bytes(b); };
    EXPECT_EQ(LoadResult(PictFile(4, 4, {})), IMG_ERR_CONTENT);                     // no bitmap
    EXPECT_EQ(LoadResult(PictFile(4, 4, body({0, 1, 0, 1}))), IMG_ERR_CONTENT);    // clip size below 2
    EXPECT_EQ(LoadResult(PictFile(4, 4, body({0, 0xA1, 0, 1, 0x7F, 0xFF}))), IMG_ERR_CONTENT);
    EXPECT_EQ(LoadResult(PictFile(4, 4, body({0x81, 0, 0xFF, 0xFF, 0xFF, 0xF0}))), IMG_ERR_CONTENT);
    // Code that runs past its row, a count past the file, rows too short for the width.
    EXPECT_EQ(LoadResult(PictFile(10, 1, PackBits8(10, 1, 10, {2, 0xF0, 1}))), IMG_ERR_CONTENT);
    EXPECT_EQ(LoadResult(PictFile(10, 1, PackBits8(10, 1, 10, {200, 0xF7, 1}))), IMG_ERR_CONTENT);
    EXPECT_EQ(LoadResult(PictFile(10, 1, PackBits8(10, 1, 8, {2, 0xF9, 1}))), IMG_ERR_CONTENT);
    EXPECT_EQ(LoadResult(PictFile(0, 1, PackBits8(0, 1, 8, {2, 0xF9, 1}))), IMG_ERR_CONTENT);
    Bytes f = PictFile(4, 4, {});
    f[522] = f[523] = 0x12;   // no version opcode: not found as a picture at all
    EXPECT_EQ(LoadResult(f), IMG_ERR_UNSUPPORTED);
    f[523] = 0x11;   // found, but no known version follows
    EXPECT_EQ(LoadResult(f), IMG_ERR_CONTENT);
}

TEST(Pict, EveryTruncationFails)
{
    for (int bits : {8, 24}) {
        IMG_HANDLE h = Picture(70, 3, bits);
        Bytes f = Save(h, IMG_TYPE_PICT);
        IMG_delete_bitmap(h);
        // The end opcode and its padding are not needed.
        ExpectEveryCutFails(f, f.size() - 3, "PICT", 524);
    }
}

}   // namespace
