// GIF reader and writer: hand-built files, the code stream the writer makes,
// and broken input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "test_util.h"

using namespace vtest;

namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, int v)
{
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}

// Packs codes as a reader expects them: widths grow with the reader's table,
// least significant bit first, in sub-blocks of at most 255 bytes, then the
// zero-length block.
Bytes PackCodes(int minCodeSize, const std::vector<uint32_t>& codes)
{
    const uint32_t clear = 1u << minCodeSize;
    uint32_t width = minCodeSize + 1, next = clear + 2;
    bool first = true;
    Bytes data;
    uint64_t acc = 0;
    int count = 0;
    for (uint32_t c : codes) {
        acc |= uint64_t(c) << count;
        count += int(width);
        while (count >= 8) {
            data.push_back(uint8_t(acc));
            acc >>= 8;
            count -= 8;
        }
        if (c == clear) {
            width = minCodeSize + 1;
            next = clear + 2;
            first = true;
        } else if (!first && next < 4096 && ++next == (1u << width) && width < 12) {
            ++width;
        } else {
            first = false;
        }
    }
    if (count > 0)
        data.push_back(uint8_t(acc));
    Bytes out;
    for (size_t i = 0; i < data.size(); i += 255) {
        size_t n = std::min<size_t>(255, data.size() - i);
        out.push_back(uint8_t(n));
        out.insert(out.end(), data.begin() + long(i), data.begin() + long(i + n));
    }
    out.push_back(0);
    return out;
}

// Colour i of a test table.
RGBQUAD Entry(int i) { return RGBQUAD{uint8_t(i * 3), uint8_t(255 - i), uint8_t(i), 0}; }

void PutTable(Bytes& b, int entries, int shift = 0)
{
    for (int i = 0; i < entries; ++i) {
        RGBQUAD e = Entry(i + shift);
        b.insert(b.end(), {e.rgbRed, e.rgbGreen, e.rgbBlue});
    }
}

struct GifParts {
    const char* version = "89a";
    int width = 4, height = 3;
    int globalExponent = 1;   // -1: no global table
    Bytes beforeImage;        // extensions or stray bytes
    int localExponent = -1;
    bool interlaced = false;
    int minCodeSize = 2;
    std::vector<uint32_t> pixels;   // literal codes, one per pixel
    bool end = true;
};

Bytes BuildGif(const GifParts& p)
{
    Bytes b = {'G', 'I', 'F', uint8_t(p.version[0]), uint8_t(p.version[1]), uint8_t(p.version[2])};
    Put16(b, p.width);
    Put16(b, p.height);
    b.push_back(p.globalExponent >= 0 ? uint8_t(0x80 | p.globalExponent) : 0);
    b.insert(b.end(), {0, 0});
    if (p.globalExponent >= 0)
        PutTable(b, 2 << p.globalExponent);
    b.insert(b.end(), p.beforeImage.begin(), p.beforeImage.end());
    b.push_back(0x2C);
    Put16(b, 0);
    Put16(b, 0);
    Put16(b, p.width);
    Put16(b, p.height);
    uint8_t flags = p.interlaced ? 0x40 : 0;
    if (p.localExponent >= 0)
        flags |= uint8_t(0x80 | p.localExponent);
    b.push_back(flags);
    if (p.localExponent >= 0)
        PutTable(b, 2 << p.localExponent, 100);
    b.push_back(uint8_t(p.minCodeSize));
    std::vector<uint32_t> codes = {1u << p.minCodeSize};
    codes.insert(codes.end(), p.pixels.begin(), p.pixels.end());
    if (p.end)
        codes.push_back((1u << p.minCodeSize) + 1);
    Bytes data = PackCodes(p.minCodeSize, codes);
    b.insert(b.end(), data.begin(), data.end());
    b.push_back(0x3B);
    return b;
}

std::vector<uint32_t> Ramp(int count, int modulo)
{
    std::vector<uint32_t> v;
    for (int i = 0; i < count; ++i)
        v.push_back(uint32_t((i * 7 + i / 5) % modulo));
    return v;
}

uint32_t Rgb(RGBQUAD e) { return uint32_t(e.rgbRed) << 16 | uint32_t(e.rgbGreen) << 8 | e.rgbBlue; }

TEST(GifRead, ExtensionsBeforeTheImageChangeNothing)
{
    GifParts plain;
    plain.version = "87a";
    plain.pixels = Ramp(12, 4);
    IMG_HANDLE reference = LoadMem(BuildGif(plain));
    ASSERT_NE(reference, 0u);

    // Graphic control, then a comment whose text holds separators and a trailer byte.
    const Bytes extensions = {0x21, 0xF9, 4, 1, 0, 0, 0, 0,
                              0x21, 0xFE, 5, ',', ';', ',', '!', 'x', 2, ',', ',', 0};
    for (const char* version : {"89a", "87a"}) {
        GifParts extended = plain;
        extended.version = version;
        extended.beforeImage = extensions;
        int result = 0;
        IMG_HANDLE h = LoadMem(BuildGif(extended), &result);
        ASSERT_EQ(result, 0) << version;
        EXPECT_EQ(CompareColours(h, reference), "") << version;
        IMG_delete_bitmap(h);
    }
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(ColourAt(reference, i % 4, i / 4), Rgb(Entry(int(plain.pixels[size_t(i)]))));
    IMG_delete_bitmap(reference);
}

std::vector<int> lines;
int16_t RecordHeader(BITMAPINFO*, void*) { return 0; }
int16_t RecordLine(const uint8_t* row, void*, int16_t line, int16_t)
{
    lines.push_back(line);
    // Every pixel of a row holds its position in the file's row order.
    EXPECT_EQ(row[0], uint8_t(lines.size() - 1));
    return 0;
}

TEST(GifRead, InterlacedLinesArriveInTheFourPasses)
{
    GifParts p;
    p.width = 1;
    p.height = 16;
    p.globalExponent = 7;
    p.minCodeSize = 8;
    p.interlaced = true;
    for (uint32_t i = 0; i < 16; ++i)
        p.pixels.push_back(i);
    Bytes gif = BuildGif(p);
    lines.clear();
    ASSERT_EQ(IMGLOW_decompress_bitmap_mem_len(nullptr, gif.data(), uint32_t(gif.size()), 0, RecordLine,
                                               nullptr, RecordHeader), 0);
    EXPECT_EQ(lines, (std::vector<int>{0, 8, 4, 12, 2, 6, 10, 14, 1, 3, 5, 7, 9, 11, 13, 15}));

    // Short pictures leave passes empty.
    for (int height : {1, 2, 3, 5}) {
        p.height = height;
        p.pixels.resize(size_t(height));
        for (int i = 0; i < height; ++i)
            p.pixels[size_t(i)] = uint32_t(i);
        gif = BuildGif(p);
        lines.clear();
        ASSERT_EQ(IMGLOW_decompress_bitmap_mem_len(nullptr, gif.data(), uint32_t(gif.size()), 0, RecordLine,
                                                   nullptr, RecordHeader), 0);
        std::vector<int> sorted = lines;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(sorted.size(), size_t(height));
        for (int i = 0; i < height; ++i)
            EXPECT_EQ(sorted[size_t(i)], i) << height;
    }
}

TEST(GifRead, DepthFollowsTheColourCount)
{
    struct Case { int exponent, bits; };
    for (Case c : {Case{0, 1}, Case{1, 4}, Case{3, 4}, Case{5, 8}, Case{7, 8}}) {
        GifParts p;
        p.width = 9;
        p.height = 5;
        p.globalExponent = c.exponent;
        p.minCodeSize = std::max(2, c.exponent + 1);
        p.pixels = Ramp(45, 2 << c.exponent);
        int result = 0;
        IMG_HANDLE h = LoadMem(BuildGif(p), &result);
        ASSERT_EQ(result, 0) << c.exponent;
        EXPECT_EQ(InfoOf(h).bits, c.bits) << c.exponent;
        for (int i = 0; i < 45; ++i)
            ASSERT_EQ(RawAt(h, i % 9, i / 9), p.pixels[size_t(i)]) << c.exponent << " pixel " << i;
        // Entries beyond the file's table are black.
        HGLOBAL store = nullptr;
        IMG_bitmap_info(&store, h, nullptr, nullptr, nullptr);
        const auto* table = reinterpret_cast<const RGBQUAD*>(GlobalBytes(store).data() + 40);
        const int entries = 2 << c.exponent;
        EXPECT_EQ(Rgb(table[entries - 1]), Rgb(Entry(entries - 1)));
        if (c.bits == 8 && entries < 256) {
            EXPECT_EQ(Rgb(table[entries]), 0u);
        }
        IMG_delete_bitmap(h);
    }
}

TEST(GifRead, ALocalTableReplacesTheGlobalOneAtItsOwnSize)
{
    GifParts p;
    p.globalExponent = 7;
    p.localExponent = 1;
    p.pixels = Ramp(12, 4);
    int result = 0;
    IMG_HANDLE h = LoadMem(BuildGif(p), &result);
    ASSERT_EQ(result, 0);
    EXPECT_EQ(InfoOf(h).bits, 4);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(ColourAt(h, i % 4, i / 4), Rgb(Entry(int(p.pixels[size_t(i)]) + 100)));
    IMG_delete_bitmap(h);
}

TEST(GifRead, IndicesBeyondASmallTableStayInsideTheDepth)
{
    GifParts p;
    p.globalExponent = 0;   // two colours
    p.minCodeSize = 8;
    p.pixels = Ramp(12, 256);
    int result = 0;
    IMG_HANDLE h = LoadMem(BuildGif(p), &result);
    ASSERT_EQ(result, 0);
    EXPECT_EQ(InfoOf(h).bits, 1);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(RawAt(h, i % 4, i / 4), p.pixels[size_t(i)] & 1);
    IMG_delete_bitmap(h);
}

TEST(GifRead, BrokenFilesFailWithContentError)
{
    GifParts good;
    good.pixels = Ramp(12, 4);
    int result = 0;

    GifParts bad = good;
    bad.pixels[3] = 9;   // the reader's next free code is 8 here
    LoadMem(BuildGif(bad), &result);
    EXPECT_EQ(result, IMG_ERR_CONTENT);

    bad = good;
    bad.pixels.insert(bad.pixels.begin(), 6);   // a string code straight after Clear
    LoadMem(BuildGif(bad), &result);
    EXPECT_EQ(result, IMG_ERR_CONTENT);

    for (int size : {0, 9, 12}) {
        bad = good;
        bad.minCodeSize = size;
        LoadMem(BuildGif(bad), &result);
        EXPECT_EQ(result, IMG_ERR_CONTENT) << "minimum code size " << size;
    }

    // No image before the trailer.
    Bytes noImage = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0x21, 0xFE, 1, 'x', 0, 0x3B, 0x2C};
    LoadMem(noImage, &result);
    EXPECT_EQ(result, IMG_ERR_CONTENT);

    // Every cut before the last code is decoded fails cleanly.
    good.end = false;
    Bytes whole = BuildGif(good);
    const size_t dataEnd = whole.size() - 2;   // behind the last data byte: block end, trailer
    for (size_t n = 0; n < dataEnd; ++n) {
        Bytes cut(whole.begin(), whole.begin() + long(n));
        LoadMem(cut, &result);
        EXPECT_LT(result, 0) << n;
    }
    LoadMem(Bytes(whole.begin(), whole.begin() + long(dataEnd)), &result);
    EXPECT_EQ(result, 0);
}

TEST(GifRead, AnEarlyEndLeavesTheRestIndexZero)
{
    GifParts p;
    p.pixels = {1, 2, 3, 1, 2};
    int result = 0;
    IMG_HANDLE h = LoadMem(BuildGif(p), &result);
    ASSERT_EQ(result, 0);
    EXPECT_EQ(RawAt(h, 0, 1), 2u);
    for (int i = 5; i < 12; ++i)
        EXPECT_EQ(RawAt(h, i % 4, i / 4), 0u) << i;
    IMG_delete_bitmap(h);
}

TEST(GifRead, ClearCodesInTheMiddleRestartTheTable)
{
    GifParts p;
    p.width = 40;
    p.height = 1;
    for (int i = 0; i < 40; ++i) {
        if (i % 7 == 0)
            p.pixels.push_back(4);   // Clear
        p.pixels.push_back(uint32_t(i % 3));
    }
    int result = 0;
    IMG_HANDLE h = LoadMem(BuildGif(p), &result);
    ASSERT_EQ(result, 0);
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(RawAt(h, i, 0), uint32_t(i % 3)) << i;
    IMG_delete_bitmap(h);
}

// What a reader sees of a written file's code stream.
struct CodeStream {
    int minCodeSize = 0;
    std::vector<uint32_t> blockSizes;
    std::vector<uint32_t> nextAtClear;   // the reader's next free code at each Clear
    bool endsWithEnd = false;
    Bytes tail;                          // the bytes behind the last data block
};

CodeStream Walk(const Bytes& gif)
{
    CodeStream s;
    size_t at = 13 + ((gif[10] & 0x80) ? 3u * (2u << (gif[10] & 7)) : 0) + 10;
    s.minCodeSize = gif[at++];
    Bytes data;
    while (at < gif.size() && gif[at] != 0) {
        s.blockSizes.push_back(gif[at]);
        data.insert(data.end(), gif.begin() + long(at + 1), gif.begin() + long(at + 1 + gif[at]));
        at += 1 + gif[at];
    }
    s.tail.assign(gif.begin() + long(at), gif.end());
    const uint32_t clear = 1u << s.minCodeSize;
    uint32_t width = uint32_t(s.minCodeSize) + 1, next = clear + 2;
    bool first = true;
    size_t bit = 0;
    while (bit + width <= data.size() * 8) {
        uint32_t code = 0;
        for (uint32_t k = 0; k < width; ++k, ++bit)
            code |= uint32_t((data[bit / 8] >> (bit % 8)) & 1) << k;
        if (code == clear + 1) {
            s.endsWithEnd = data.size() * 8 - bit < 8;
            break;
        }
        if (code == clear) {
            s.nextAtClear.push_back(next);
            width = uint32_t(s.minCodeSize) + 1;
            next = clear + 2;
            first = true;
            continue;
        }
        if (!first && next < 4096 && ++next == (1u << width) && width < 12)
            ++width;
        first = false;
    }
    return s;
}

TEST(GifWrite, LargePictureSurvivesTableResetsAt4080)
{
    const int w = 523, h = 301;
    uint32_t seed = 7;
    std::vector<uint8_t> noise(size_t(w) * h);
    for (auto& v : noise) {
        seed = seed * 1103515245 + 12345;
        v = uint8_t(seed >> 16);
    }
    IMG_HANDLE source = FromDib(MakeDib(w, h, 8, [&](int x, int y) {
        return y < 100 ? uint32_t(x / 9 + y / 4) : noise[size_t(y) * w + size_t(x)];
    }));
    int result = 0;
    Bytes gif = SaveMem(source, IMG_TYPE_GIF, &result);
    ASSERT_EQ(result, 0);
    IMG_HANDLE back = LoadMem(gif, &result);
    ASSERT_EQ(result, 0);
    EXPECT_EQ(InfoOf(back).bits, 8);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            ASSERT_EQ(RawAt(back, x, y), RawAt(source, x, y)) << x << "," << y;
    EXPECT_EQ(CompareColours(back, source), "");

    CodeStream s = Walk(gif);
    EXPECT_EQ(s.minCodeSize, 8);
    ASSERT_GT(s.nextAtClear.size(), 10u);
    EXPECT_EQ(s.nextAtClear[0], 258u);   // the opening Clear
    for (size_t i = 1; i < s.nextAtClear.size(); ++i)
        ASSERT_EQ(s.nextAtClear[i], 4079u) << i;   // the writer's own next code is one ahead: 4080
    EXPECT_TRUE(s.endsWithEnd);
    for (size_t i = 0; i + 1 < s.blockSizes.size(); ++i)
        ASSERT_TRUE(s.blockSizes[i] == 253 || s.blockSizes[i] == 254) << i << ": " << s.blockSizes[i];
    EXPECT_EQ(s.tail, (Bytes{0, 0x3B}));
    IMG_delete_bitmap(source);
    IMG_delete_bitmap(back);
}

TEST(GifWrite, FourBitPicturesUseCodeSizeFourAndSixteenColours)
{
    IMG_HANDLE source = FromDib(MakeDib(17, 9, 4, [](int x, int y) { return uint32_t(x * y + x) % 16; }));
    int result = 0;
    Bytes gif = SaveMem(source, IMG_TYPE_GIF, &result);
    ASSERT_EQ(result, 0);
    ASSERT_GT(gif.size(), 13u + 48 + 11);
    EXPECT_EQ(std::string(gif.begin(), gif.begin() + 6), "GIF87a");
    EXPECT_EQ(gif[10], 0x83);
    EXPECT_EQ(gif[13 + 48], 0x2C);
    EXPECT_EQ(gif[13 + 48 + 9], 0x03);   // no local table, not interlaced
    EXPECT_EQ(gif[13 + 48 + 10], 4);
    IMG_HANDLE back = LoadMem(gif, &result);
    ASSERT_EQ(result, 0);
    EXPECT_EQ(InfoOf(back).bits, 4);
    EXPECT_EQ(CompareColours(back, source), "");
    for (IMG_HANDLE x : {source, back})
        IMG_delete_bitmap(x);
}

TEST(GifWrite, OneAndTwentyFourBitPicturesAreRefused)
{
    for (int bits : {1, 24}) {
        IMG_HANDLE h = FromDib(MakeDib(8, 8, bits, [](int x, int) { return uint32_t(x); }));
        int result = 0;
        SaveMem(h, IMG_TYPE_GIF, &result);
        EXPECT_EQ(result, IMG_ERR_UNSUPPORTED) << bits;
        IMG_delete_bitmap(h);
    }
}

TEST(GifWrite, LongRunsAndSinglePixelsRoundTrip)
{
    // One colour throughout makes every string one longer than the last: the
    // code the reader is about to add comes in at each step.
    struct Case { int w, h; };
    for (Case c : {Case{1, 1}, Case{1, 700}, Case{2000, 30}, Case{3, 2}}) {
        IMG_HANDLE source = FromDib(MakeDib(c.w, c.h, 8, [&](int x, int y) {
            return c.w == 3 ? uint32_t(x + y) : 200u;
        }));
        int result = 0;
        IMG_HANDLE back = LoadMem(SaveMem(source, IMG_TYPE_GIF, &result), &result);
        ASSERT_EQ(result, 0) << c.w << "x" << c.h;
        EXPECT_EQ(CompareColours(back, source), "") << c.w << "x" << c.h;
        for (IMG_HANDLE x : {source, back})
            IMG_delete_bitmap(x);
    }
}

}   // namespace
