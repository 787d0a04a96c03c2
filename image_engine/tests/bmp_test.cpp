#include <gtest/gtest.h>
#include <cstring>

#include "test_util.h"

using namespace vtest;

namespace {

uint32_t Value(int bits, int x, int y)
{
    if (bits == 24)
        return uint32_t(x * 40 & 255) << 16 | uint32_t(y * 30 & 255) << 8 | uint32_t((x ^ y) & 255);
    uint32_t v = uint32_t((x / 3 + y) % 7 == 0 ? 0 : x * 3 + y * 5);
    return v & ((1u << bits) - 1);
}

// Hand-built BMP file: file header, a header of `headerSize` bytes, table, bits.
std::vector<uint8_t> BmpFile(uint32_t headerSize, int32_t w, int32_t h, int bits, uint32_t compression,
                             const std::vector<uint8_t>& table, const std::vector<uint8_t>& pixels,
                             uint32_t clrUsed = 0)
{
    std::vector<uint8_t> f(14 + std::max<uint32_t>(headerSize, 40), 0);
    f[0] = 'B';
    f[1] = 'M';
    auto put32 = [&](size_t at, uint32_t v) { for (int i = 0; i < 4; ++i) f[at + i] = uint8_t(v >> (8 * i)); };
    auto put16 = [&](size_t at, uint32_t v) { f[at] = uint8_t(v); f[at + 1] = uint8_t(v >> 8); };
    put32(10, uint32_t(14 + headerSize + table.size()));   // bits offset
    put32(14, headerSize);
    if (headerSize == 12) {
        put16(18, uint32_t(w));
        put16(20, uint32_t(h));
        put16(22, 1);
        put16(24, uint32_t(bits));
    } else {
        put32(18, uint32_t(w));
        put32(22, uint32_t(h));
        put16(26, 1);
        put16(28, uint32_t(bits));
        put32(30, compression);
        put32(46, clrUsed);
    }
    f.resize(14 + headerSize);
    f.insert(f.end(), table.begin(), table.end());
    f.insert(f.end(), pixels.begin(), pixels.end());
    put32(2, uint32_t(f.size()));
    return f;
}

TEST(Bmp, EveryDepthRoundTripsThroughBothWriters)
{
    for (int bits : {1, 4, 8, 24}) {
        for (int width : {1, 7, 33}) {
            IMG_HANDLE h = FromDib(MakeDib(width, 5, bits, [&](int x, int y) { return Value(bits, x, y); }));
            for (int type : {IMG_TYPE_BMP, IMG_TYPE_BMP_RLE}) {
                int result = 0;
                auto bytes = SaveMem(h, type, &result);
                if (type == IMG_TYPE_BMP_RLE && (bits == 1 || bits == 24)) {
                    EXPECT_EQ(result, IMG_ERR_UNSUPPORTED);
                    continue;
                }
                ASSERT_EQ(result, 0);
                IMG_HANDLE back = LoadMem(bytes, &result);
                ASSERT_EQ(result, 0) << bits << " bits, width " << width << ", type " << type;
                EXPECT_EQ(InfoOf(back).bits, bits);
                EXPECT_EQ(CompareColours(h, back), "") << bits << " bits, width " << width << ", type " << type;
                IMG_delete_bitmap(back);
            }
            IMG_delete_bitmap(h);
        }
    }
}

TEST(Bmp, Rle8RowUsesEncodedAndAbsoluteRuns)
{
    const uint8_t row[] = {5, 5, 5, 5, 1, 2, 3, 4};
    IMG_HANDLE h = FromDib(MakeDib(8, 1, 8, [&](int x, int) { return row[x]; }));
    auto bytes = SaveMem(h, IMG_TYPE_BMP_RLE);
    const size_t bits = 14 + 40 + 1024;
    ASSERT_GE(bytes.size(), bits);
    std::vector<uint8_t> data(bytes.begin() + bits, bytes.end());
    // The end-of-bitmap mark closes the only row: no end of line before it.
    EXPECT_EQ(data, (std::vector<uint8_t>{4, 5, 0, 4, 1, 2, 3, 4, 0, 1}));
    EXPECT_EQ(bytes[30], 1);   // compression RLE8
    IMG_delete_bitmap(h);
}

TEST(Bmp, LongRowsSplitRunsAt255AndPadOddAbsoluteRuns)
{
    IMG_HANDLE h = FromDib(MakeDib(300, 2, 8, [](int x, int y) { return y == 0 ? 9u : uint32_t(x % 251); }));
    auto bytes = SaveMem(h, IMG_TYPE_BMP_RLE);
    std::vector<uint8_t> data(bytes.begin() + 14 + 40 + 1024, bytes.end());
    // Bottom row (the picture's last line): an absolute run of at most 255, padded.
    EXPECT_EQ(data[0], 0);
    EXPECT_EQ(data[1], 255);
    EXPECT_EQ(data[2 + 255], 0);
    EXPECT_EQ(data[2 + 256], 0);      // the 45 left over, absolute again
    EXPECT_EQ(data[2 + 257], 45);
    IMG_HANDLE back = LoadMem(bytes);
    EXPECT_EQ(CompareColours(h, back), "");
    // Top row: 255 + 45 equal pixels.
    IMG_delete_bitmap(back);
    IMG_delete_bitmap(h);
}

TEST(Bmp, Rle4AbsoluteRunsHaveAnEvenLength)
{
    struct Case {
        std::vector<uint8_t> row;
        std::vector<uint8_t> data;
    };
    const Case cases[] = {
        // Seven different pixels: six absolute (three bytes, padded), one encoded.
        {{1, 2, 3, 4, 5, 6, 7}, {0, 6, 0x12, 0x34, 0x56, 0, 1, 0x77, 0, 1}},
        // Three different before a run: the absolute run takes the run's first pixel.
        {{1, 2, 3, 5, 5, 5, 5}, {0, 4, 0x12, 0x35, 3, 0x55, 0, 1}},
        // Four different: even already.
        {{1, 2, 3, 4, 9, 9}, {0, 4, 0x12, 0x34, 2, 0x99, 0, 1}},
    };
    for (const Case& c : cases) {
        IMG_HANDLE h = FromDib(MakeDib(int(c.row.size()), 1, 4, [&](int x, int) { return c.row[size_t(x)]; }));
        auto bytes = SaveMem(h, IMG_TYPE_BMP_RLE);
        ASSERT_GE(bytes.size(), 14u + 40 + 64);
        EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 14 + 40 + 64, bytes.end()), c.data) << c.row.size();
        IMG_HANDLE back = LoadMem(bytes);
        EXPECT_EQ(CompareColours(h, back), "");
        IMG_delete_bitmap(back);
        IMG_delete_bitmap(h);
    }
}

TEST(Bmp, HeaderCountsTheColourTableItWrites)
{
    struct Case {
        int bits, type;
        uint32_t listed;   // what the picture's own header says
        uint32_t written;  // what the file must say
    };
    const Case cases[] = {
        {1, IMG_TYPE_BMP, 1, 2},       {4, IMG_TYPE_BMP, 5, 16},     {8, IMG_TYPE_BMP, 0, 256},
        {24, IMG_TYPE_BMP, 7, 0},      {4, IMG_TYPE_BMP_RLE, 5, 16}, {8, IMG_TYPE_BMP_RLE, 300, 256},
    };
    for (const Case& c : cases) {
        auto dib = MakeDib(9, 2, c.bits, [](int x, int y) { return uint32_t(x + y); });
        BITMAPINFOHEADER h;
        std::memcpy(&h, dib.data(), sizeof h);
        h.biClrUsed = h.biClrImportant = c.listed;
        std::memcpy(dib.data(), &h, sizeof h);
        IMG_HANDLE handle = FromDib(dib);
        auto bytes = SaveMem(handle, c.type);
        ASSERT_GE(bytes.size(), 54u);
        const uint32_t used = bytes[46] | bytes[47] << 8 | bytes[48] << 16 | uint32_t(bytes[49]) << 24;
        const uint32_t important = bytes[50] | bytes[51] << 8 | bytes[52] << 16 | uint32_t(bytes[53]) << 24;
        EXPECT_EQ(used, c.written) << c.bits << " bits, type " << c.type;
        EXPECT_LE(important, c.written) << c.bits << " bits, type " << c.type;
        IMG_delete_bitmap(handle);
    }
}

TEST(Bmp, RleEndingWithOrWithoutEndOfLineReadsAlike)
{
    std::vector<uint8_t> table(4 * 256, 0);
    const std::vector<uint8_t> endings[] = {
        {2, 7, 0, 0, 2, 9, 0, 1},         // end of bitmap closes the last row
        {2, 7, 0, 0, 2, 9, 0, 0, 0, 1},   // older files: end of line, then end of bitmap
        {2, 7, 0, 0, 2, 9, 0, 0},         // end of line only
    };
    for (const auto& rle : endings) {
        int result = 0;
        IMG_HANDLE h = LoadMem(BmpFile(40, 2, 2, 8, 1, table, rle), &result);
        ASSERT_EQ(result, 0) << rle.size();
        EXPECT_EQ(RawAt(h, 1, 1), 7u);
        EXPECT_EQ(RawAt(h, 1, 0), 9u);
        IMG_delete_bitmap(h);
    }
}

TEST(Bmp, RleDeltaAndEndOfBitmapLeaveSkippedPixelsZero)
{
    std::vector<uint8_t> table(4 * 256, 0);
    for (int i = 0; i < 256; ++i)
        table[4 * i] = table[4 * i + 1] = table[4 * i + 2] = uint8_t(i);
    // 4x3 RLE8: bottom row "2 7" then delta (1, 1), run "1 9", end of bitmap.
    std::vector<uint8_t> rle = {2, 7, 0, 2, 1, 1, 1, 9, 0, 1};
    auto file = BmpFile(40, 4, 3, 8, 1, table, rle);
    int result = 0;
    IMG_HANDLE h = LoadMem(file, &result);
    ASSERT_EQ(result, 0);
    EXPECT_EQ(RawAt(h, 0, 2), 7u);
    EXPECT_EQ(RawAt(h, 1, 2), 7u);
    EXPECT_EQ(RawAt(h, 2, 2), 0u);
    EXPECT_EQ(RawAt(h, 3, 1), 9u);   // after the delta: x 2 + 1, one row up
    EXPECT_EQ(RawAt(h, 2, 1), 0u);
    EXPECT_EQ(RawAt(h, 0, 0), 0u);
    IMG_delete_bitmap(h);

    // Runs past the row end are clipped; data ending early is an error.
    auto overlong = BmpFile(40, 2, 1, 8, 1, table, {200, 3, 0, 1});
    h = LoadMem(overlong, &result);
    EXPECT_EQ(result, 0);
    IMG_delete_bitmap(h);
    LoadMem(BmpFile(40, 2, 1, 8, 1, table, {2, 3, 0}), &result);
    EXPECT_EQ(result, IMG_ERR_CONTENT);
}

TEST(Bmp, Rle4RunsAlternateNibblesAndAbsoluteRunsArePadded)
{
    std::vector<uint8_t> table(4 * 16, 0);
    // 9x1 RLE4: run of 3 alternating 1,2; absolute run of 5 in 3 bytes plus one
    // byte of padding; run of 1 of 10; end of bitmap.
    std::vector<uint8_t> rle = {3, 0x12, 0, 5, 0x56, 0x78, 0x90, 0, 1, 0xAF, 0, 1};
    int result = 0;
    IMG_HANDLE h = LoadMem(BmpFile(40, 9, 1, 4, 2, table, rle), &result);
    ASSERT_EQ(result, 0);
    std::vector<uint32_t> row;
    for (int x = 0; x < 9; ++x)
        row.push_back(RawAt(h, x, 0));
    EXPECT_EQ(row, (std::vector<uint32_t>{1, 2, 1, 5, 6, 7, 8, 9, 10}));
    IMG_delete_bitmap(h);
}

TEST(Bmp, Os2CoreHeaderWidensThreeByteColours)
{
    // 2x2, 1 bit: entries (b,g,r) = (10,20,30) and (40,50,60).
    auto file = BmpFile(12, 2, 2, 1, 0, {10, 20, 30, 40, 50, 60}, {0x40, 0, 0, 0, 0x80, 0, 0, 0});
    int result = 0;
    IMG_HANDLE h = LoadMem(file, &result);
    ASSERT_EQ(result, 0);
    EXPECT_EQ(ColourAt(h, 0, 0), 0x3C3228u);   // top row is the file's second row
    EXPECT_EQ(ColourAt(h, 1, 0), 0x1E140Au);
    EXPECT_EQ(ColourAt(h, 1, 1), 0x3C3228u);
    IMG_delete_bitmap(h);
}

TEST(Bmp, ShortColourTableAndTopDownRowsReadRight)
{
    // 8-bit with two colours listed; the pixels follow straight after them.
    auto file = BmpFile(40, 2, 1, 8, 0, {1, 2, 3, 0, 4, 5, 6, 0}, {1, 0, 0, 0}, 2);
    int result = 0;
    IMG_HANDLE h = LoadMem(file, &result);
    ASSERT_EQ(result, 0);
    EXPECT_EQ(ColourAt(h, 0, 0), 0x060504u);
    EXPECT_EQ(ColourAt(h, 1, 0), 0x030201u);
    IMG_delete_bitmap(h);

    auto topDown = BmpFile(40, 1, -2, 24, 0, {}, {1, 1, 1, 0, 2, 2, 2, 0});
    h = LoadMem(topDown, &result);
    ASSERT_EQ(result, 0);
    EXPECT_EQ(ColourAt(h, 0, 0), 0x010101u);
    IMG_delete_bitmap(h);
}

TEST(Bmp, RefusesWhatItCannotHold)
{
    int result = 0;
    LoadMem(BmpFile(40, 2, 2, 16, 0, {}, std::vector<uint8_t>(8)), &result);
    EXPECT_EQ(result, IMG_ERR_UNSUPPORTED);
    LoadMem(BmpFile(40, 2, 2, 24, 3, {}, std::vector<uint8_t>(16)), &result);
    EXPECT_EQ(result, IMG_ERR_UNSUPPORTED);   // bit fields would give a blank picture
    LoadMem(BmpFile(40, 40000, 1, 8, 0, std::vector<uint8_t>(1024), {}), &result);
    EXPECT_EQ(result, IMG_ERR_UNSUPPORTED);   // beyond 16-bit rows
    LoadMem(BmpFile(40, 1, 40000, 8, 0, std::vector<uint8_t>(1024), {}), &result);
    EXPECT_EQ(result, IMG_ERR_UNSUPPORTED);
    LoadMem(BmpFile(20, 1, 1, 8, 0, {}, {}), &result);
    EXPECT_EQ(result, IMG_ERR_CONTENT);
    LoadMem(BmpFile(40, 0, 1, 8, 0, {}, {}), &result);
    EXPECT_EQ(result, IMG_ERR_CONTENT);
}

TEST(Bmp, EveryTruncationFailsCleanly)
{
    IMG_HANDLE h = FromDib(MakeDib(9, 4, 4, [](int x, int y) { return uint32_t(x + y); }));
    for (int type : {IMG_TYPE_BMP, IMG_TYPE_BMP_RLE}) {
        auto bytes = SaveMem(h, type);
        // A run-length file whose last row is complete needs no end-of-bitmap mark.
        size_t complete = type == IMG_TYPE_BMP ? bytes.size() : bytes.size() - 2;
        for (size_t cut = 0; cut < complete; ++cut) {
            int result = 0;
            IMG_HANDLE back = LoadMem(std::vector<uint8_t>(bytes.begin(), bytes.begin() + cut), &result);
            EXPECT_EQ(result, cut < 2 ? IMG_ERR_UNSUPPORTED : IMG_ERR_CONTENT) << "type " << type << " cut at " << cut;
            if (back)
                IMG_delete_bitmap(back);
        }
    }
    IMG_delete_bitmap(h);
}

}   // namespace
