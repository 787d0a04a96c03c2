#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "test_util.h"

using namespace vtest;

namespace {

uint32_t Value(int bits, int x, int y)
{
    if (bits == 24)
        return uint32_t(x * 40 & 255) << 16 | uint32_t(y * 30 & 255) << 8 | uint32_t((x ^ y) * 9 & 255);
    return uint32_t((x / 3 + y) % 5 == 0 ? 0 : x * 3 + y * 5) & ((1u << bits) - 1);
}

IMG_HANDLE Picture(int width, int height, int bits)
{
    return FromDib(MakeDib(width, height, bits, [&](int x, int y) { return Value(bits, x, y); }));
}

std::vector<uint8_t> PcxHeader(int version, int bitsPerPlane, int planes, int width, int height, int bpl,
                               std::vector<uint8_t> palette = {}, int paletteType = 1)
{
    std::vector<uint8_t> h(128, 0);
    h[0] = 10;
    h[1] = uint8_t(version);
    h[2] = 1;
    h[3] = uint8_t(bitsPerPlane);
    h[8] = uint8_t(width - 1);
    h[10] = uint8_t(height - 1);
    std::copy(palette.begin(), palette.end(), h.begin() + 16);
    h[65] = uint8_t(planes);
    h[66] = uint8_t(bpl);
    h[68] = uint8_t(paletteType);
    return h;
}

TEST(Pcx, EveryDepthRoundTrips)
{
    for (int bits : {1, 4, 8, 24})
        for (int width : {1, 9, 70}) {
            IMG_HANDLE h = Picture(width, 6, bits);
            int result = 0;
            IMG_HANDLE back = LoadMem(SaveMem(h, IMG_TYPE_PCX), &result);
            ASSERT_EQ(result, 0) << bits << " bits, width " << width;
            EXPECT_EQ(InfoOf(back).bits, bits);
            EXPECT_EQ(CompareColours(h, back), "") << bits << " bits, width " << width;
            IMG_delete_bitmap(back);
            IMG_delete_bitmap(h);
        }
}

TEST(Pcx, RunsStopAt63AndHighBytesAreAlwaysCounted)
{
    std::vector<RGBQUAD> grey(256);
    for (int i = 0; i < 256; ++i)
        grey[i] = RGBQUAD{uint8_t(i), uint8_t(i), uint8_t(i), 0};
    IMG_HANDLE h = FromDib(MakeDib(100, 1, 8, [](int, int) { return 7u; }, grey));
    auto bytes = SaveMem(h, IMG_TYPE_PCX);
    ASSERT_EQ(bytes.size(), 128u + 4 + 769);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 128, bytes.begin() + 133),
              (std::vector<uint8_t>{0xFF, 7, 0xE5, 7, 12}));
    EXPECT_EQ(bytes[1], 5);
    EXPECT_EQ(bytes[133 + 3 * 200], 200);   // palette red of entry 200
    IMG_delete_bitmap(h);

    h = FromDib(MakeDib(1, 1, 8, [](int, int) { return 0xC5u; }));
    bytes = SaveMem(h, IMG_TYPE_PCX);
    EXPECT_EQ(bytes[128], 0xC1);
    EXPECT_EQ(bytes[129], 0xC5);
    IMG_delete_bitmap(h);
}

TEST(Pcx, TrueColourPlanesAreRedGreenBlueInTheFile)
{
    IMG_HANDLE h = FromDib(MakeDib(1, 1, 24, [](int, int) { return 0x010203u; }));
    auto bytes = SaveMem(h, IMG_TYPE_PCX);
    ASSERT_EQ(bytes.size(), 131u);
    EXPECT_EQ((std::vector<int>{bytes[1], bytes[3], bytes[65], bytes[66]}), (std::vector<int>{3, 8, 3, 1}));
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 128, bytes.end()), (std::vector<uint8_t>{1, 2, 3}));
    IMG_delete_bitmap(h);
}

TEST(Pcx, OneBitPaletteRules)
{
    // Entry 0 white, entry 1 black: black-and-white table, bits inverted.
    auto file = PcxHeader(5, 1, 1, 8, 1, 1, {255, 255, 255, 0, 0, 0});
    file.push_back(0x0F);
    int result = 0;
    IMG_HANDLE h = LoadMem(file, &result);
    ASSERT_EQ(result, 0);
    EXPECT_EQ(RawAt(h, 0, 0), 1u);
    EXPECT_EQ(ColourAt(h, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(ColourAt(h, 7, 0), 0u);
    IMG_delete_bitmap(h);
    // Both black: black-and-white table, bits as stored.
    file = PcxHeader(5, 1, 1, 8, 1, 1);
    file.push_back(0x0F);
    h = LoadMem(file, &result);
    EXPECT_EQ(ColourAt(h, 0, 0), 0u);
    EXPECT_EQ(ColourAt(h, 7, 0), 0xFFFFFFu);
    IMG_delete_bitmap(h);
    // Any other pair is taken from the header.
    file = PcxHeader(5, 1, 1, 8, 1, 1, {10, 20, 30, 40, 50, 60});
    file.push_back(0x0F);
    h = LoadMem(file, &result);
    EXPECT_EQ(ColourAt(h, 0, 0), 0x0A141Eu);
    EXPECT_EQ(ColourAt(h, 7, 0), 0x28323Cu);
    IMG_delete_bitmap(h);
}

TEST(Pcx, VersionsWithoutPaletteTakeTheSixteenColourTable)
{
    // Four bit planes, 2 pixels: pixel 0 = 9 (planes 0 and 3), pixel 1 = 6.
    auto file = PcxHeader(0, 1, 4, 2, 1, 1);
    for (uint8_t b : {0x80, 0x40, 0x40, 0x80})
        file.push_back(b);
    int result = 0;
    IMG_HANDLE h = LoadMem(file, &result);
    ASSERT_EQ(result, 0);
    EXPECT_EQ(RawAt(h, 0, 0), 9u);
    EXPECT_EQ(RawAt(h, 1, 0), 6u);
    EXPECT_EQ(ColourAt(h, 0, 0), 0xFF0000u);   // bright red
    EXPECT_EQ(ColourAt(h, 1, 0), 0x008080u);   // green and blue at half
    IMG_delete_bitmap(h);
}

TEST(Pcx, BadHeadersAndShortData)
{
    int result = 0;
    LoadMem(std::vector<uint8_t>{10, 5, 1, 8}, &result);
    EXPECT_EQ(result, IMG_ERR_CONTENT);   // a header cut short is bad content, as for BMP
    LoadMem(PcxHeader(5, 2, 1, 4, 1, 1), &result);
    EXPECT_EQ(result, IMG_ERR_UNSUPPORTED);
    LoadMem(PcxHeader(5, 8, 1, 40, 1, 2), &result);   // 2 bytes cannot hold 40 pixels
    EXPECT_EQ(result, IMG_ERR_CONTENT);
    auto file = PcxHeader(5, 1, 1, 8, 4, 1);
    file.push_back(0xC2);   // a run covering two lines is cut at the first
    file.push_back(0xAA);
    LoadMem(file, &result);
    EXPECT_EQ(result, IMG_ERR_CONTENT);
}

TEST(Dcx, PagesAppendToTheTableAndLoadByNumber)
{
    std::string path = TempPath("pages.dcx");
    unlink(path.c_str());
    IMG_HANDLE a = Picture(12, 5, 8), b = Picture(7, 3, 24);
    ASSERT_EQ(IMG_save_bitmap(a, path.c_str(), IMG_TYPE_BY_EXTENSION), 0);
    size_t first = ReadFile(path).size() - 404;
    ASSERT_EQ(IMG_save_bitmap(b, path.c_str(), IMG_TYPE_DCX), 0);
    auto bytes = ReadFile(path);
    auto entry = [&](int i) { return bytes[4 + 4 * i] | bytes[5 + 4 * i] << 8 | bytes[6 + 4 * i] << 16; };
    EXPECT_EQ(entry(0), 404);
    EXPECT_EQ(size_t(entry(1)), 404 + first);
    EXPECT_EQ(entry(2), 0);
    int result = 0;
    IMG_HANDLE p0 = LoadMem(bytes, &result, 0), p1 = LoadMem(bytes, &result, 1);
    EXPECT_EQ(CompareColours(a, p0), "");
    EXPECT_EQ(CompareColours(b, p1), "");
    LoadMem(bytes, &result, 2);
    EXPECT_EQ(result, IMG_ERR_OPEN);
    bytes[0] ^= 1;
    EXPECT_EQ(IMGLOW_decompress_bitmap_mem_len(nullptr, bytes.data(), uint32_t(bytes.size()), 0,
                                               [](const uint8_t*, void*, int16_t, int16_t) -> int16_t { return 0; },
                                               nullptr, [](BITMAPINFO*, void*) -> int16_t { return 0; }),
              IMG_ERR_UNSUPPORTED);   // no longer detected as DCX at all
    // A file that is not a DCX is replaced, not appended to.
    WriteFile(path, std::vector<uint8_t>(5000, 0x55));
    ASSERT_EQ(IMG_save_bitmap(b, path.c_str(), IMG_TYPE_DCX), 0);
    EXPECT_EQ(ReadFile(path).size(), 404 + ReadFile(path).size() - 404);
    EXPECT_LT(ReadFile(path).size(), 5000u);
    unlink(path.c_str());
    for (IMG_HANDLE x : {a, b, p0, p1})
        IMG_delete_bitmap(x);
}

TEST(Dcx, AFullTableRefusesFurtherPages)
{
    IMG_HANDLE h = Picture(2, 2, 1);
    std::string path = TempPath("full.dcx");
    unlink(path.c_str());
    for (int i = 0; i < 99; ++i)
        ASSERT_EQ(IMG_save_bitmap(h, path.c_str(), IMG_TYPE_DCX), 0) << i;
    EXPECT_EQ(IMG_save_bitmap(h, path.c_str(), IMG_TYPE_DCX), IMG_ERR_WRITE);
    int result = 0;
    IMG_HANDLE last = LoadMem(ReadFile(path), &result, 98);
    EXPECT_EQ(result, 0);
    IMG_delete_bitmap(last);
    unlink(path.c_str());
    IMG_delete_bitmap(h);
}

TEST(Targa, DepthsRoundTripAndGreyNeedsNoMap)
{
    for (int bits : {8, 24}) {
        IMG_HANDLE h = Picture(13, 4, bits);
        int result = 0;
        auto bytes = SaveMem(h, IMG_TYPE_TARGA, &result);
        ASSERT_EQ(result, 0);
        EXPECT_EQ(bytes[2], bits == 8 ? 1 : 2);
        EXPECT_EQ(bytes[17], 0);
        IMG_HANDLE back = LoadMem(bytes, &result);
        ASSERT_EQ(result, 0);
        EXPECT_EQ(CompareColours(h, back), "");
        IMG_delete_bitmap(back);
        IMG_delete_bitmap(h);
    }
    std::vector<RGBQUAD> grey(256), reversed(256);
    for (int i = 0; i < 256; ++i) {
        grey[i] = RGBQUAD{uint8_t(i), uint8_t(i), uint8_t(i), 0};
        reversed[i] = RGBQUAD{uint8_t(255 - i), uint8_t(255 - i), uint8_t(255 - i), 0};
    }
    IMG_HANDLE g = FromDib(MakeDib(3, 2, 8, [](int x, int) { return uint32_t(x * 100); }, grey));
    auto bytes = SaveMem(g, IMG_TYPE_TARGA);
    EXPECT_EQ(bytes[2], 3);
    EXPECT_EQ(bytes[1], 0);
    EXPECT_EQ(bytes.size(), 18u + 6);
    IMG_HANDLE r = FromDib(MakeDib(3, 2, 8, [](int x, int) { return uint32_t(x * 100); }, reversed));
    bytes = SaveMem(r, IMG_TYPE_TARGA);
    EXPECT_EQ(bytes[2], 1);   // a grey map out of order keeps its map
    IMG_HANDLE back = LoadMem(bytes);
    EXPECT_EQ(CompareColours(r, back), "");
    int result = 0;
    IMG_HANDLE mono = Picture(3, 3, 1), nibble = Picture(3, 3, 4);
    SaveMem(mono, IMG_TYPE_TARGA, &result);
    EXPECT_EQ(result, IMG_ERR_UNSUPPORTED);
    SaveMem(nibble, IMG_TYPE_TARGA, &result);
    EXPECT_EQ(result, IMG_ERR_UNSUPPORTED);
    for (IMG_HANDLE x : {g, r, back, mono, nibble})
        IMG_delete_bitmap(x);
}

std::vector<uint8_t> TgaHeader(int type, int width, int height, int depth, int descriptor)
{
    std::vector<uint8_t> h(18, 0);
    h[2] = uint8_t(type);
    h[12] = uint8_t(width);
    h[14] = uint8_t(height);
    h[16] = uint8_t(depth);
    h[17] = uint8_t(descriptor);
    return h;
}

TEST(Targa, IdentificationPastTheEndIsBadContent)
{
    auto file = TgaHeader(3, 2, 1, 8, 0);
    file[0] = 200;   // an identification field longer than the file
    file.insert(file.end(), {1, 2});
    int result = 0;
    LoadMem(file, &result);
    EXPECT_EQ(result, IMG_ERR_CONTENT);
}

TEST(Targa, OriginRunsAndSixteenBitPixels)
{
    // Two grey lines, top-left origin: the first stored line is the top.
    auto file = TgaHeader(3, 2, 2, 8, 0x20);
    for (uint8_t b : {1, 2, 3, 4})
        file.push_back(b);
    int result = 0;
    IMG_HANDLE h = LoadMem(file, &result);
    ASSERT_EQ(result, 0);
    EXPECT_EQ(RawAt(h, 0, 0), 1u);
    EXPECT_EQ(RawAt(h, 1, 1), 4u);
    IMG_delete_bitmap(h);
    file[17] = 0;
    h = LoadMem(file, &result);
    EXPECT_EQ(RawAt(h, 0, 0), 3u);
    IMG_delete_bitmap(h);

    // Run-length, 3x2: one repeat packet of 4 crossing the line end, then 2 literals.
    file = TgaHeader(11, 3, 2, 8, 0x20);
    for (uint8_t b : {0x83, 9, 0x01, 5, 6})
        file.push_back(b);
    h = LoadMem(file, &result);
    ASSERT_EQ(result, 0);
    EXPECT_EQ((std::vector<uint32_t>{RawAt(h, 0, 0), RawAt(h, 2, 0), RawAt(h, 0, 1), RawAt(h, 1, 1), RawAt(h, 2, 1)}),
              (std::vector<uint32_t>{9, 9, 9, 5, 6}));
    IMG_delete_bitmap(h);

    // 16-bit pixel 0x7C1F: red and blue full, green none.
    file = TgaHeader(2, 1, 1, 16, 0);
    file.push_back(0x1F);
    file.push_back(0x7C);
    h = LoadMem(file, &result);
    ASSERT_EQ(result, 0);
    EXPECT_EQ(ColourAt(h, 0, 0), 0xF800F8u);
    IMG_delete_bitmap(h);

    // 32-bit pixels lose their fourth byte.
    file = TgaHeader(2, 1, 1, 32, 0);
    for (uint8_t b : {1, 2, 3, 4})
        file.push_back(b);
    h = LoadMem(file, &result);
    EXPECT_EQ(ColourAt(h, 0, 0), 0x030201u);
    IMG_delete_bitmap(h);
}

TEST(Formats, EveryTruncationFailsCleanly)
{
    // Shorter than its signature a file is of no known type; longer, of bad content.
    struct Case { int bits, type; size_t signature; };
    for (Case c : {Case{1, IMG_TYPE_PCX, 1}, {4, IMG_TYPE_PCX, 1}, {8, IMG_TYPE_PCX, 1}, {24, IMG_TYPE_PCX, 1},
                   {8, IMG_TYPE_TARGA, 3}, {24, IMG_TYPE_TARGA, 3}, {8, IMG_TYPE_DCX, 4}}) {
        IMG_HANDLE h = Picture(11, 4, c.bits);
        auto bytes = SaveMem(h, c.type);
        for (size_t cut = 0; cut < bytes.size(); ++cut) {
            int result = 0;
            IMG_HANDLE back = LoadMem(std::vector<uint8_t>(bytes.begin(), bytes.begin() + cut), &result);
            EXPECT_EQ(result, cut < c.signature ? IMG_ERR_UNSUPPORTED : IMG_ERR_CONTENT)
                << c.bits << " bits, type " << c.type << ", cut at " << cut;
            if (back)
                IMG_delete_bitmap(back);
        }
        IMG_delete_bitmap(h);
    }
}

}   // namespace

namespace {

TEST(Formats, PicturesBeyondSixteenBitRowsAreRefused)
{
    int result = 0;
    // 24-bit Targa 20000 wide: rows of 60000 bytes.
    auto tga = TgaHeader(2, 0, 1, 24, 0);
    tga[12] = 0x20;
    tga[13] = 0x4E;
    LoadMem(tga, &result);
    EXPECT_EQ(result, IMG_ERR_UNSUPPORTED);
    // PCX 40000 lines.
    auto pcx = PcxHeader(5, 8, 1, 1, 1, 1);
    pcx[10] = uint8_t(39999 & 255);
    pcx[11] = uint8_t(39999 >> 8);
    LoadMem(pcx, &result);
    EXPECT_EQ(result, IMG_ERR_UNSUPPORTED);
    // A huge raw Targa whose data is not there is refused before any allocation.
    auto big = TgaHeader(3, 0, 0, 8, 0);
    big[12] = big[13] = big[14] = big[15] = 0x7F;
    LoadMem(big, &result);
    EXPECT_EQ(result, IMG_ERR_CONTENT);
}

}   // namespace
