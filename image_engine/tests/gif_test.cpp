// GIF reader and writer: hand-built files, the code stream the writer makes,
// and broken input.
#include <gtest/gtest.h>

#include <algorithm>

#include "test_util.h"

using namespace vtest;

namespace {

using Bytes = std::vector<uint8_t>;

// Reader-side code widths: they grow when the table's next free code reaches a
// power of two; the first code after a Clear adds nothing.
struct Widths {
    uint32_t clear, width, next;
    bool first = true;
    explicit Widths(int minCodeSize) : clear(1u << minCodeSize) { Reset(); }
    void Reset() { width = __builtin_ctz(clear) + 1, next = clear + 2, first = true; }
    void After(uint32_t code)
    {
        if (code == clear)
            return Reset();
        if (!first && next < 4096 && ++next == (1u << width) && width < 12)
            ++width;
        first = false;
    }
};

// Codes packed least significant bit first into sub-blocks, then the zero-length block.
Bytes PackCodes(int minCodeSize, const std::vector<uint32_t>& codes)
{
    Widths w(minCodeSize);
    Bytes data, out;
    uint64_t acc = 0;
    int count = 0;
    for (uint32_t c : codes) {
        acc |= uint64_t(c) << count;
        for (count += int(w.width); count >= 8; count -= 8, acc >>= 8)
            data.push_back(uint8_t(acc));
        w.After(c);
    }
    if (count > 0)
        data.push_back(uint8_t(acc));
    for (size_t i = 0; i < data.size(); i += 255) {
        out.push_back(uint8_t(std::min<size_t>(255, data.size() - i)));
        out.insert(out.end(), data.begin() + long(i), data.begin() + long(i + out.back()));
    }
    out.push_back(0);
    return out;
}

RGBQUAD Entry(int i) { return RGBQUAD{uint8_t(i * 3), uint8_t(255 - i), uint8_t(i), 0}; }
uint32_t Rgb(RGBQUAD e) { return uint32_t(e.rgbRed) << 16 | uint32_t(e.rgbGreen) << 8 | e.rgbBlue; }

struct GifParts {
    char version = '9';       // "89a" or "87a"
    int width = 4, height = 3;
    int globalExponent = 1;   // -1: no global table
    Bytes beforeImage;        // extensions
    int localExponent = -1;
    bool interlaced = false;
    int minCodeSize = 2;
    std::vector<uint32_t> pixels;   // literal codes, or Clear
    bool end = true;
};

Bytes BuildGif(const GifParts& p)
{
    auto put16 = [](Bytes& b, int v) { b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8)}); };
    auto table = [](Bytes& b, int entries, int shift) {
        for (int i = 0; i < entries; ++i)
            b.insert(b.end(), {Entry(i + shift).rgbRed, Entry(i + shift).rgbGreen, Entry(i + shift).rgbBlue});
    };
    Bytes b = {'G', 'I', 'F', '8', uint8_t(p.version), 'a'};
    put16(b, p.width);
    put16(b, p.height);
    b.insert(b.end(), {p.globalExponent >= 0 ? uint8_t(0x80 | p.globalExponent) : uint8_t(0), 0, 0});
    if (p.globalExponent >= 0)
        table(b, 2 << p.globalExponent, 0);
    b.insert(b.end(), p.beforeImage.begin(), p.beforeImage.end());
    b.insert(b.end(), {0x2C, 0, 0, 0, 0});
    put16(b, p.width);
    put16(b, p.height);
    b.push_back(uint8_t((p.interlaced ? 0x40 : 0) | (p.localExponent >= 0 ? 0x80 | p.localExponent : 0)));
    if (p.localExponent >= 0)
        table(b, 2 << p.localExponent, 100);
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

TEST(GifRead, ExtensionsBeforeTheImageChangeNothing)
{
    GifParts plain;
    plain.version = '7';
    plain.pixels = Ramp(12, 4);
    IMG_HANDLE reference = LoadMem(BuildGif(plain));
    ASSERT_NE(reference, 0u);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(ColourAt(reference, i % 4, i / 4), Rgb(Entry(int(plain.pixels[size_t(i)]))));
    // Graphic control, then a comment whose text holds separators and a trailer
    // byte; an 87a file is read the same way.
    GifParts extended = plain;
    extended.beforeImage = {0x21, 0xF9, 4, 1, 0, 0, 0, 0, 0x21, 0xFE, 5, ',', ';', ',', '!', 'x', 2, ',', ',', 0};
    for (char version : {'9', '7'}) {
        extended.version = version;
        int result = 0;
        IMG_HANDLE h = LoadMem(BuildGif(extended), &result);
        ASSERT_EQ(result, 0) << version;
        EXPECT_EQ(CompareColours(h, reference), "") << version;
        IMG_delete_bitmap(h);
    }
    IMG_delete_bitmap(reference);
}

std::vector<int> lines;
int16_t IgnoreHeader(BITMAPINFO*, void*) { return 0; }
int16_t RecordLine(const uint8_t* row, void*, int16_t line, int16_t)
{
    lines.push_back(line);
    EXPECT_EQ(row[0], uint8_t(lines.size() - 1));   // each row holds its place in the file
    return 0;
}

TEST(GifRead, InterlacedLinesArriveInTheFourPasses)
{
    GifParts p;
    p.width = 1;
    p.globalExponent = 7;
    p.minCodeSize = 8;
    p.interlaced = true;
    for (int height : {16, 1, 2, 3, 5}) {
        p.height = height;
        p.pixels = Ramp(height, 1);
        for (int i = 0; i < height; ++i)
            p.pixels[size_t(i)] = uint32_t(i);
        Bytes gif = BuildGif(p);
        lines.clear();
        ASSERT_EQ(IMGLOW_decompress_bitmap_mem_len(nullptr, gif.data(), uint32_t(gif.size()), 0, RecordLine,
                                                   nullptr, IgnoreHeader), 0);
        if (height == 16) {
            EXPECT_EQ(lines, (std::vector<int>{0, 8, 4, 12, 2, 6, 10, 14, 1, 3, 5, 7, 9, 11, 13, 15}));
        }
        std::sort(lines.begin(), lines.end());   // short pictures leave passes empty
        ASSERT_EQ(lines.size(), size_t(height));
        for (int i = 0; i < height; ++i)
            EXPECT_EQ(lines[size_t(i)], i) << height;
    }
}

TEST(GifRead, DepthFollowsTheColourTableInUse)
{
    struct Case { int global, local, bits; };
    // A local table counts at its own size, whatever the global one is.
    for (Case c : {Case{0, -1, 1}, Case{1, -1, 4}, Case{3, -1, 4}, Case{5, -1, 8}, Case{7, -1, 8}, Case{7, 1, 4}}) {
        const int exponent = c.local >= 0 ? c.local : c.global;
        GifParts p;
        p.width = 9;
        p.height = 5;
        p.globalExponent = c.global;
        p.localExponent = c.local;
        p.minCodeSize = std::max(2, exponent + 1);
        p.pixels = Ramp(45, 2 << exponent);
        int result = 0;
        IMG_HANDLE h = LoadMem(BuildGif(p), &result);
        ASSERT_EQ(result, 0) << c.global << " " << c.local;
        EXPECT_EQ(InfoOf(h).bits, c.bits) << c.global << " " << c.local;
        const int shift = c.local >= 0 ? 100 : 0;
        for (int i = 0; i < 45; ++i)
            ASSERT_EQ(ColourAt(h, i % 9, i / 9), Rgb(Entry(int(p.pixels[size_t(i)]) + shift))) << i;
        HGLOBAL store = nullptr;
        IMG_bitmap_info(&store, h, nullptr, nullptr, nullptr);
        const auto* table = reinterpret_cast<const RGBQUAD*>(GlobalBytes(store).data() + 40);
        if (c.bits == 8 && exponent < 7) {
            EXPECT_EQ(Rgb(table[2 << exponent]), 0u);   // entries beyond the file's table are black
        }
        IMG_delete_bitmap(h);
    }
}

TEST(GifRead, AFullTableStaysInUseUntilAClear)
{
    GifParts p;
    p.globalExponent = 7;
    p.minCodeSize = 8;
    p.width = 100;
    p.height = 60;
    p.pixels = Ramp(6000, 256);
    std::vector<uint32_t> expected = p.pixels;
    p.pixels.insert(p.pixels.begin() + 4500, 256);   // long after the table filled up
    int result = 0;
    IMG_HANDLE h = LoadMem(BuildGif(p), &result);
    ASSERT_EQ(result, 0);
    for (int i = 0; i < 6000; ++i)
        ASSERT_EQ(RawAt(h, i % 100, i / 100), expected[size_t(i)]) << i;
    IMG_delete_bitmap(h);
}

TEST(GifRead, MinimumCodeSizeOneWidensAtTheFirstCode)
{
    const Bytes gif = {
        'G', 'I', 'F', '8', '9', 'a', 4, 0, 1, 0, 0x80, 0, 0,   // 4 x 1, two global colours
        0, 0, 0, 255, 255, 255,                               // black, white
        0x2C, 0, 0, 0, 0, 4, 0, 1, 0, 0,                      // the image, no local table
        1,                                                    // minimum code size 1
        2, 0x12, 0x64, 0,   // Clear, 0 in 2 bits; 1, 0, 1, End in 3 bits (so giflib reads it)
        0x3B};
    int result = 0;
    IMG_HANDLE h = LoadMem(gif, &result);
    ASSERT_EQ(result, 0);
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(RawAt(h, x, 0), uint32_t(x % 2)) << x;
    IMG_delete_bitmap(h);
}

TEST(GifRead, OneBitRowsWiderThanAScratchBlock)
{
    GifParts p;
    p.globalExponent = 0;
    p.width = 65000;
    p.height = 2;
    p.pixels = Ramp(130000, 2);
    int result = 0;
    IMG_HANDLE h = LoadMem(BuildGif(p), &result);
    ASSERT_EQ(result, 0);
    EXPECT_EQ(RawAt(h, 64999, 1), p.pixels.back());
    IMG_delete_bitmap(h);
}

TEST(GifRead, BrokenFilesFailWithContentErrorAndAnEarlyEndPadsWithZero)
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
    LoadMem({'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0x21, 0xFE, 1, ',', 0, 0x3B, 0x2C}, &result);
    EXPECT_EQ(result, IMG_ERR_CONTENT);   // no image before the trailer

    // Every cut before the last code fails; the codes alone are enough.
    good.end = false;
    Bytes whole = BuildGif(good);
    const size_t dataEnd = whole.size() - 2;   // behind the last data byte: block end, trailer
    for (size_t n = 0; n < dataEnd; ++n) {
        LoadMem(Bytes(whole.begin(), whole.begin() + long(n)), &result);
        EXPECT_LT(result, 0) << n;
    }
    IMG_HANDLE h = LoadMem(Bytes(whole.begin(), whole.begin() + long(dataEnd)), &result);
    EXPECT_EQ(result, 0);
    IMG_delete_bitmap(h);

    good.end = true;
    good.pixels = {1, 2, 3, 1, 2};
    h = LoadMem(BuildGif(good), &result);
    ASSERT_EQ(result, 0);
    EXPECT_EQ(RawAt(h, 0, 1), 2u);
    for (int i = 5; i < 12; ++i)
        EXPECT_EQ(RawAt(h, i % 4, i / 4), 0u) << i;
    IMG_delete_bitmap(h);
}

// The reader's next free code at every Clear of a written file, its data block
// sizes, and what follows the data.
struct CodeStream {
    int minCodeSize = 0;
    std::vector<uint32_t> blockSizes, nextAtClear;
    bool endsWithEnd = false;
    Bytes tail;
};

CodeStream Walk(const Bytes& gif)
{
    CodeStream s;
    size_t at = 13 + ((gif[10] & 0x80) ? 3u * (2u << (gif[10] & 7)) : 0) + 10;
    s.minCodeSize = gif[at++];
    Bytes data;
    for (; at < gif.size() && gif[at] != 0; at += 1 + gif[at]) {
        s.blockSizes.push_back(gif[at]);
        data.insert(data.end(), gif.begin() + long(at + 1), gif.begin() + long(at + 1 + gif[at]));
    }
    s.tail.assign(gif.begin() + long(at), gif.end());
    Widths w(s.minCodeSize);
    for (size_t bit = 0; bit + w.width <= data.size() * 8;) {
        uint32_t code = 0;
        for (uint32_t k = 0; k < w.width; ++k, ++bit)
            code |= uint32_t((data[bit / 8] >> (bit % 8)) & 1) << k;
        if (code == w.clear + 1) {
            s.endsWithEnd = data.size() * 8 - bit < 8;
            break;
        }
        if (code == w.clear)
            s.nextAtClear.push_back(w.next);
        w.After(code);
    }
    return s;
}

TEST(GifWrite, LargePictureSurvivesTableResetsAt4080)
{
    const int w = 523, h = 301;
    uint32_t seed = 7;
    IMG_HANDLE source = FromDib(MakeDib(w, h, 8, [&](int x, int y) {
        seed = seed * 1103515245 + 12345;
        return y < 100 ? uint32_t(x / 9 + y / 4) : seed >> 16;
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

TEST(GifWrite, FourBitsUseCodeSizeFourAndOneOrTwentyFourBitsAreRefused)
{
    IMG_HANDLE source = FromDib(MakeDib(17, 9, 4, [](int x, int y) { return uint32_t(x * y + x) % 16; }));
    int result = 0;
    Bytes gif = SaveMem(source, IMG_TYPE_GIF, &result);
    ASSERT_EQ(result, 0);
    ASSERT_GT(gif.size(), 13u + 48 + 11);
    EXPECT_EQ(std::string(gif.begin(), gif.begin() + 6), "GIF87a");
    EXPECT_EQ(gif[10], 0x83);             // a global table of 16 entries
    EXPECT_EQ(gif[13 + 48], 0x2C);
    EXPECT_EQ(gif[13 + 48 + 9], 0x03);    // no local table, not interlaced
    EXPECT_EQ(gif[13 + 48 + 10], 4);      // minimum code size
    IMG_HANDLE back = LoadMem(gif, &result);
    ASSERT_EQ(result, 0);
    EXPECT_EQ(InfoOf(back).bits, 4);
    EXPECT_EQ(CompareColours(back, source), "");
    IMG_delete_bitmap(source);
    IMG_delete_bitmap(back);
    for (int bits : {1, 24}) {
        IMG_HANDLE h = FromDib(MakeDib(8, 8, bits, [](int x, int) { return uint32_t(x); }));
        SaveMem(h, IMG_TYPE_GIF, &result);
        EXPECT_EQ(result, IMG_ERR_UNSUPPORTED) << bits;
        IMG_delete_bitmap(h);
    }
}

TEST(GifWrite, LongRunsAndSinglePixelsRoundTrip)
{
    // One colour throughout makes every string one longer than the last, so the
    // reader keeps meeting the code it is about to add.
    struct Case { int w, h; };
    for (Case c : {Case{1, 1}, Case{1, 700}, Case{2000, 30}, Case{3, 2}}) {
        IMG_HANDLE source = FromDib(MakeDib(c.w, c.h, 8, [&](int x, int y) {
            return c.w == 3 ? uint32_t(x + y) : 200u;
        }));
        int result = 0;
        IMG_HANDLE back = LoadMem(SaveMem(source, IMG_TYPE_GIF, &result), &result);
        ASSERT_EQ(result, 0) << c.w << "x" << c.h;
        EXPECT_EQ(CompareColours(back, source), "") << c.w << "x" << c.h;
        IMG_delete_bitmap(source);
        IMG_delete_bitmap(back);
    }
}

}   // namespace
