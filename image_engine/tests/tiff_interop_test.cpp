// TIFF interchange with independent programs: files that ImageMagick and the
// libtiff tools write load pixel-exact, and every TIFF the engine writes passes
// tiffinfo without a warning and opens pixel-exact in ImageMagick. ImageMagick's
// decoding, written out as a 24-bit BMP, is the reference.
#include "test_util.h"

using namespace vtest;

namespace {

class TiffInterop : public FileTest {
protected:
    TiffInterop() : FileTest("tiff_") {}
    void SetUp() override
    {
        if (ConvertProgram().empty() || !HaveProgram("/usr/bin/tiffcp") || !HaveProgram("/usr/bin/tiffinfo"))
            GTEST_SKIP() << "ImageMagick or the libtiff tools are not installed";
        colour_ = Temp("source.bmp");
        ASSERT_EQ(SaveDib(MakeDib(37, 23, 24, [](int x, int y) {
            if (x > 5 && x < 15 && y > 5 && y < 12)
                return 0xFF2000u;
            return uint32_t(x * 7) << 16 | uint32_t(y * 11) << 8 | uint32_t(255 - x * 6);
        }), colour_, IMG_TYPE_BMP), 0);
        mono_ = Temp("mono.tif");
        ASSERT_EQ(SaveDib(MakeDib(203, 61, 1, [](int x, int y) {
            return uint32_t((x - 60) * (x - 60) + (y - 30) * (y - 30) < 400 || (x > 120 && y % 9 < 3) ||
                            x == 2 * y);
        }, {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}}), mono_, IMG_TYPE_TIFF), 0);
    }
    IMG_HANDLE Reference(const std::string& path)
    {
        return MagickDecode(path, Temp("reference.bmp"), "-alpha off");
    }
    // page -1: a single-page file; otherwise that page of a multi-page one.
    void ExpectSameAsReference(const std::string& path, const std::string& label, int16_t page = -1)
    {
        int result = 0;
        IMG_HANDLE ours = LoadMem(ReadFile(path), &result, page < 0 ? 0 : page);
        ASSERT_EQ(result, 0) << label;
        IMG_HANDLE reference = Reference(page < 0 ? path : path + "[" + std::to_string(page) + "]");
        ASSERT_NE(reference, 0u) << label;
        EXPECT_EQ(CompareColours(ours, reference), "") << label;
        IMG_delete_bitmap(ours);
        IMG_delete_bitmap(reference);
    }

    std::string colour_, mono_;
};

TEST_F(TiffInterop, FilesImageMagickWritesLoadPixelExact)
{
    const char* cases[] = {
        "-compress none", "-compress lzw", "-compress lzw -define tiff:predictor=2", "-compress RLE",
        "-endian MSB -compress lzw", "-interlace plane", "-interlace plane -compress lzw",
        "-colorspace gray -type grayscale", "-colorspace gray -type grayscale -depth 4",
        "-colors 100 -type palette", "-colors 12 -type palette -depth 4", "-colorspace cmyk",
        "-alpha set -type truecolormatte", "-define tiff:rows-per-strip=3 -compress lzw",
        "-type bilevel -compress group4", "-type bilevel -compress fax", "-type bilevel",
    };
    for (const char* options : cases) {
        const std::string path = Temp("magick.tif");
        ASSERT_TRUE(Shell(ConvertProgram() + " " + Quoted(colour_) + " " + options + " " + Quoted(path))) << options;
        ExpectSameAsReference(path, options);
    }
}

TEST_F(TiffInterop, FilesTiffcpWritesLoadPixelExact)
{
    const char* mono[] = {"-c g3", "-c g3:2d", "-c g3:2d:fill", "-c g4", "-c none -f lsb2msb", "-c lzw",
                          "-c packbits", "-c g4 -B", "-c g3 -r 7"};
    for (const char* options : mono) {
        const std::string path = Temp("tiffcp.tif");
        ASSERT_TRUE(Shell("tiffcp " + std::string(options) + " " + Quoted(mono_) + " " + Quoted(path))) << options;
        ExpectSameAsReference(path, options);
    }
    const std::string ours = Temp("colour.tif");
    IMG_HANDLE h = 0;
    ASSERT_EQ(IMG_decompress_bitmap(&h, colour_.c_str()), 0);
    ASSERT_EQ(IMG_save_bitmap(h, ours.c_str(), IMG_TYPE_TIFF), 0);
    IMG_delete_bitmap(h);
    const char* colour[] = {"-c lzw:2", "-c packbits -p separate", "-c lzw -B -r 5", "-c none -p separate -L"};
    for (const char* options : colour) {
        const std::string path = Temp("tiffcp.tif");
        ASSERT_TRUE(Shell("tiffcp " + std::string(options) + " " + Quoted(ours) + " " + Quoted(path))) << options;
        ExpectSameAsReference(path, options);
    }
}

TEST_F(TiffInterop, EveryTiffTheEngineWritesPassesTiffinfoAndOpensPixelExact)
{
    struct Written { int bits, type; };
    const Written cases[] = {
        {1, IMG_TYPE_TIFF}, {4, IMG_TYPE_TIFF}, {8, IMG_TYPE_TIFF}, {24, IMG_TYPE_TIFF},
        {1, IMG_TYPE_TIFF_LZW}, {4, IMG_TYPE_TIFF_LZW}, {8, IMG_TYPE_TIFF_LZW}, {24, IMG_TYPE_TIFF_LZW},
        {1, IMG_TYPE_TIFF_HUFFMAN}, {1, IMG_TYPE_TIFF_G3}, {1, IMG_TYPE_TIFF_G4},
    };
    for (const Written& c : cases) {
        // White on black and black on white tables must both come out as they look.
        for (bool inverted : {false, true}) {
            std::vector<RGBQUAD> table;
            if (c.bits == 1)
                table = inverted ? std::vector<RGBQUAD>{{255, 255, 255, 0}, {0, 0, 0, 0}}
                                 : std::vector<RGBQUAD>{{0, 0, 0, 0}, {255, 255, 255, 0}};
            else if (inverted)
                continue;
            IMG_HANDLE h = FromDib(MakeDib(1029, 13, c.bits, [&](int x, int y) {
                if (c.bits == 24)
                    return uint32_t(x * 9) << 16 | uint32_t(y * 19) << 8 | uint32_t(x * y);
                return uint32_t((x / 4 + y) % 3 ? x / 5 + y : 0) & ((1u << c.bits) - 1);
            }, table));
            const std::string label = std::to_string(c.bits) + " bits, type " + std::to_string(c.type) +
                                      (inverted ? ", inverted table" : "");
            const std::string path = Temp("ours.tif");
            ASSERT_EQ(IMG_save_bitmap(h, path.c_str(), uint16_t(c.type)), 0) << label;
            std::string warnings;
            EXPECT_TRUE(Shell("tiffinfo -D " + Quoted(path) + " >/dev/null", &warnings)) << label;
            EXPECT_EQ(warnings, "") << label;
            IMG_HANDLE reference = Reference(path);
            ASSERT_NE(reference, 0u) << label;
            EXPECT_EQ(CompareColours(h, reference), "") << label;
            IMG_delete_bitmap(reference);
            IMG_delete_bitmap(h);
        }
    }
}

TEST_F(TiffInterop, AddedPagesAreSeenByOtherReaders)
{
    const std::string path = Temp("pages.tif");
    IMG_HANDLE colour = 0, mono = 0;
    ASSERT_EQ(IMG_decompress_bitmap(&colour, colour_.c_str()), 0);
    ASSERT_EQ(IMG_decompress_bitmap(&mono, mono_.c_str()), 0);
    ASSERT_EQ(IMG_save_bitmap(mono, path.c_str(), IMG_TYPE_TIFF_G3), 0);
    ASSERT_EQ(IMG_save_bitmap(colour, path.c_str(), IMG_TYPE_TIFF), 0);
    ASSERT_EQ(IMG_save_bitmap(mono, path.c_str(), IMG_TYPE_TIFF_G4), 0);
    std::string warnings;
    EXPECT_TRUE(Shell("tiffinfo -D " + Quoted(path) + " >/dev/null", &warnings));
    EXPECT_EQ(warnings, "");
    for (int16_t page = 0; page < 3; ++page)
        ExpectSameAsReference(path, "page " + std::to_string(page), page);
    IMG_delete_bitmap(colour);
    IMG_delete_bitmap(mono);
}

}   // namespace
