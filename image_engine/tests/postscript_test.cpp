// PostScript output: exact text of headers and rows, and pictures rendered by
// Ghostscript compared pixel by pixel with the source.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "test_util.h"

using namespace vtest;

namespace {

std::string SavePs(IMG_HANDLE h, int* result = nullptr)
{
    std::vector<uint8_t> buffer(1 << 20);
    uint32_t written = 0;
    int r = IMG_save_bitmap_mem_len(h, buffer.data(), uint32_t(buffer.size()), IMG_TYPE_EPS, &written);
    if (result)
        *result = r;
    return std::string(reinterpret_cast<const char*>(buffer.data()), r == 0 ? written : 0);
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find("\r\n", at);
        if (end == std::string::npos) {
            lines.push_back(text.substr(at) + "<no line end>");
            break;
        }
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

const std::vector<RGBQUAD> kBlackWhite = {{0, 0, 0, 0}, {255, 255, 255, 0}};

TEST(PostScript, OneBitPictureIsAnImageWithRowSizedReads)
{
    // Width 10: two bytes a row; top row 1010101010, bottom row all 0.
    IMG_HANDLE h = FromDib(MakeDib(10, 2, 1, [](int x, int y) { return y == 0 ? uint32_t(~x & 1) : 0u; }, kBlackWhite));
    int result = -99;
    const std::string text = SavePs(h, &result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(text,
              "%!PS-Adobe-2.0\r\n"
              "gsave\r\n"
              "/inch { 72 mul } def\r\n"
              "/pixel { 72 mul 300 div } def\r\n"
              "/imagetop { 10.75 inch 0 pixel sub } def\r\n"
              "/imagebottom { imagetop 480 pixel sub } def\r\n"
              "/imageleft { 0.25 inch 0 pixel add } def\r\n"
              "/picstr 2 string def\r\n"
              "imageleft imagebottom translate\r\n"
              "2400 pixel 480 pixel scale\r\n"
              "10 2 1 [10 0 0 -2 0 2] {currentfile picstr readhexstring pop} image\r\n"
              "AA80\r\n"
              "0000\r\n"
              "grestore\r\n"
              "showpage\r\n");
    // A table with white first is written inverted, so white stays white.
    IMG_HANDLE inverted = FromDib(MakeDib(10, 1, 1, [](int x, int) { return uint32_t(x < 8); },
                                          {{255, 255, 255, 0}, {0, 0, 0, 0}}));
    EXPECT_EQ(Lines(SavePs(inverted))[11], "00FF");
    IMG_delete_bitmap(h);
    IMG_delete_bitmap(inverted);
}

TEST(PostScript, EightBitPictureLooksUpItsColourTable)
{
    std::vector<RGBQUAD> table(256);
    for (int i = 0; i < 256; ++i)
        table[size_t(i)] = RGBQUAD{uint8_t(i), uint8_t(255 - i), uint8_t(i ^ 0x5A), 0};
    IMG_HANDLE h = FromDib(MakeDib(3, 2, 8, [](int x, int y) { return uint32_t(16 * y + x + 0xA0); }, table));
    const std::vector<std::string> lines = Lines(SavePs(h));
    ASSERT_GE(lines.size(), 40u);
    EXPECT_EQ(lines[0], "%!PS-Adobe-3.0");
    EXPECT_EQ(lines[7], "/picstr 3 string def");
    EXPECT_EQ(lines[10], "/pal <");
    // 16 lines of 16 entries, red green blue.
    EXPECT_EQ(lines[11].substr(0, 20), "5AFF00 5BFE01 58FD02");
    EXPECT_EQ(lines[11].size(), 16u * 7 - 1);
    EXPECT_EQ(lines[26].substr(lines[26].size() - 6), "A500FF");
    EXPECT_EQ(lines[27], "> def");
    EXPECT_EQ(lines[28], "/rgbstr 9 string def");
    EXPECT_EQ(lines[34], "     3 mul pal exch 3 getinterval rgbstr exch rgb_ndx exch putinterval");
    EXPECT_EQ(lines[38], "3 2 8 [3 0 0 -2 0 2] {read8_24} false 3 colorimage");
    EXPECT_EQ(lines[39], "A0A1A2");
    EXPECT_EQ(lines[40], "B0B1B2");
    IMG_delete_bitmap(h);
}

TEST(PostScript, FourAndTwentyFourBitPicturesArePlainColourSamples)
{
    IMG_HANDLE rgb = FromDib(MakeDib(2, 1, 24, [](int x, int) { return x ? 0x0A0B0Cu : 0xFF8001u; }));
    std::vector<std::string> lines = Lines(SavePs(rgb));
    EXPECT_EQ(lines[0], "%!PS-Adobe-3.0");
    EXPECT_EQ(lines[7], "/picstr 6 string def");
    EXPECT_EQ(lines[10], "2 1 8 [2 0 0 -1 0 1] {currentfile picstr readhexstring pop} false 3 colorimage");
    EXPECT_EQ(lines[11], "FF80010A0B0C");
    std::vector<RGBQUAD> table(16, RGBQUAD{0, 0, 0, 0});
    table[3] = RGBQUAD{0x33, 0x22, 0x11, 0};
    IMG_HANDLE four = FromDib(MakeDib(3, 1, 4, [](int x, int) { return x == 1 ? 3u : 0u; }, table));
    lines = Lines(SavePs(four));
    EXPECT_EQ(lines[7], "/picstr 9 string def");
    EXPECT_EQ(lines[11], "000000112233000000");
    IMG_delete_bitmap(rgb);
    IMG_delete_bitmap(four);
}

TEST(PostScript, ShortBufferAndBadHandle)
{
    IMG_HANDLE h = FromDib(MakeDib(20, 20, 24, [](int x, int y) { return uint32_t(x) << 16 | uint32_t(y) << 8; }));
    std::vector<uint8_t> small(200);
    EXPECT_EQ(IMG_save_bitmap_mem_len(h, small.data(), uint32_t(small.size()), IMG_TYPE_EPS, nullptr), IMG_ERR_WRITE);
    EXPECT_EQ(IMG_save_bitmap_mem_len(0, small.data(), uint32_t(small.size()), IMG_TYPE_EPS, nullptr), IMG_ERR_HANDLE);
    IMG_delete_bitmap(h);
}

// Ghostscript renders the page at 30 dpi: the picture is 240 pixels wide, a
// quarter inch (7.5 pixels) in from the left and top. Colours must come back exactly.
struct Rendered {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
    uint32_t At(int x, int y) const
    {
        const uint8_t* p = rgb.data() + 3 * (size_t(y) * width + x);
        return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    }
};

bool Render(const std::string& ps, Rendered& out)
{
    const std::string in = TempPath("render.eps"), ppm = TempPath("render.ppm");
    WriteFile(in, std::vector<uint8_t>(ps.begin(), ps.end()));
    const std::string cmd = "gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=ppmraw -r30 -sPAPERSIZE=letter -sOutputFile='" +
                            ppm + "' '" + in + "' >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0)
        return false;
    const std::vector<uint8_t> bytes = ReadFile(ppm);
    // "P6", width, height, maxval, each after white space or a # comment line.
    size_t at = 2;
    int fields[3] = {};
    for (int& field : fields) {
        while (at < bytes.size() && (std::isspace(bytes[at]) || bytes[at] == '#')) {
            if (bytes[at] == '#')
                while (at < bytes.size() && bytes[at] != '\n')
                    ++at;
            ++at;
        }
        while (at < bytes.size() && std::isdigit(bytes[at]))
            field = field * 10 + (bytes[at++] - '0');
    }
    out.width = fields[0];
    out.height = fields[1];
    if (bytes.size() < 2 || bytes[0] != 'P' || bytes[1] != '6' || fields[2] != 255)
        return false;
    out.rgb.assign(bytes.begin() + long(at) + 1, bytes.end());
    return out.rgb.size() == size_t(out.width) * out.height * 3;
}

void ExpectRendersAsSource(IMG_HANDLE h, int w, int hgt)
{
    Rendered page;
    ASSERT_TRUE(Render(SavePs(h), page));
    ASSERT_EQ(page.width, 255);
    const double cell = 240.0 / w;
    for (int y = 0; y < hgt; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t want = ColourAt(h, x, y);
            const uint32_t got = page.At(int(7.5 + (x + 0.5) * cell), int(7.5 + (y + 0.5) * cell));
            ASSERT_EQ(got, want) << "pixel " << x << "," << y << " got " << std::hex << got << " want " << want;
        }
    // Outside the picture the page stays white.
    EXPECT_EQ(page.At(3, 3), 0xFFFFFFu);
    EXPECT_EQ(page.At(250, int(7.5 + hgt * cell + 3)), 0xFFFFFFu);
}

class Ghostscript : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (std::system("gs --version >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "Ghostscript is not installed";
    }
};

uint32_t Mixed(int x, int y)
{
    return uint32_t((x * 53 + y * 11) & 255) << 16 | uint32_t((x * 7 + y * 97) & 255) << 8 | uint32_t((x * y * 29) & 255);
}

TEST_F(Ghostscript, RendersEveryDepthAsTheSourcePicture)
{
    // Odd widths and heights, so rows end inside a byte and the data length is
    // not a multiple of any string size but the row's.
    IMG_HANDLE rgb = FromDib(MakeDib(7, 5, 24, Mixed));
    ExpectRendersAsSource(rgb, 7, 5);
    std::vector<RGBQUAD> table(256);
    for (int i = 0; i < 256; ++i)
        table[size_t(i)] = RGBQUAD{uint8_t(i * 3), uint8_t(255 - i), uint8_t(i * 7), 0};
    IMG_HANDLE indexed = FromDib(MakeDib(9, 3, 8, [](int x, int y) { return uint32_t(x * 29 + y * 5) & 255; }, table));
    ExpectRendersAsSource(indexed, 9, 3);
    IMG_HANDLE four = FromDib(MakeDib(5, 3, 4, [](int x, int y) { return uint32_t(x + 5 * y) & 15; }));
    ExpectRendersAsSource(four, 5, 3);
    IMG_HANDLE mono = FromDib(MakeDib(11, 3, 1, [](int x, int y) { return uint32_t((x + y) % 3 == 0); }, kBlackWhite));
    ExpectRendersAsSource(mono, 11, 3);
    for (IMG_HANDLE h : {rgb, indexed, four, mono})
        IMG_delete_bitmap(h);
}

}   // namespace
