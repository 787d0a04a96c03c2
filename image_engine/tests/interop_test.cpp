// Interchange with an independent implementation: ImageMagick writes files the
// engine must read pixel-exact, and reads every file the engine writes. Its own
// decoding, written out as a 24-bit BMP, is the reference in both directions.
#include "test_util.h"

using namespace vtest;

namespace {

bool Magick(const std::string& args)
{
    return Shell(ConvertProgram() + " " + args);
}

class Interop : public FileTest {
protected:
    void SetUp() override
    {
        if (ConvertProgram().empty())
            GTEST_SKIP() << "ImageMagick's convert is not installed";
        source_ = Temp("interop_source.bmp");
        ASSERT_EQ(SaveDib(MakeDib(37, 23, 24, [](int x, int y) {
            if (x > 5 && x < 15 && y > 5 && y < 12)
                return 0xFFFF00u;
            return uint32_t(x * 7) << 16 | uint32_t(y * 11) << 8 | uint32_t(255 - x * 6);
        }), source_, IMG_TYPE_BMP), 0);
    }
    // ImageMagick's reading of `path`, as a handle of the engine.
    IMG_HANDLE Reference(const std::string& path)
    {
        return MagickDecode(path, Temp("reference.bmp"), "-auto-orient -alpha off");
    }

    std::string source_;
};

struct Made {
    const char* name;
    const char* options;   // ImageMagick options and output format
    int bits;              // depth the engine should hold
};

TEST_F(Interop, FilesImageMagickWritesLoadPixelExact)
{
    const Made cases[] = {
        {"b1.bmp", "-type bilevel BMP3:", 1},
        {"b4.bmp", "-colors 16 -type palette -compress none BMP3:", 4},
        {"b8.bmp", "-colors 200 -type palette -compress none BMP3:", 8},
        {"b24.bmp", "-type truecolor BMP3:", 24},
        {"rle8.bmp", "-colors 200 -type palette -compress RLE BMP3:", 8},
        {"os2_8.bmp", "-colors 200 -type palette BMP2:", 8},
        {"os2_24.bmp", "-type truecolor BMP2:", 24},
        {"v5.bmp", "-type truecolor BMP:", 24},
        {"p8.pcx", "-colors 200 -type palette PCX:", 8},
        {"p24.pcx", "-type truecolor PCX:", 24},
        {"d.dcx", "-colors 100 DCX:", 8},
        {"tgrey.tga", "-type grayscale TGA:", 8},
        {"tmap.tga", "-colors 100 -type palette TGA:", 8},
        {"t24.tga", "-type truecolor TGA:", 24},
        {"t32.tga", "-alpha set -type truecolormatte TGA:", 24},
        {"t24rle.tga", "-type truecolor -compress RLE TGA:", 24},
        {"tmaprle.tga", "-colors 100 -type palette -compress RLE TGA:", 8},
        {"tgreyrle.tga", "-type grayscale -compress RLE TGA:", 8},
        {"ttl.tga", "-orient TopLeft -type truecolor TGA:", 24},
    };
    for (const Made& c : cases) {
        std::string path = Temp(c.name);
        ASSERT_TRUE(Magick("'" + source_ + "' " + c.options + "'" + path + "'")) << c.name;
        IMG_HANDLE ours = 0;
        ASSERT_EQ(IMG_decompress_bitmap(&ours, path.c_str()), 0) << c.name;
        EXPECT_EQ(InfoOf(ours).bits, c.bits) << c.name;
        IMG_HANDLE reference = Reference(path);
        ASSERT_NE(reference, 0u) << c.name;
        EXPECT_EQ(CompareColours(ours, reference), "") << c.name;
        IMG_delete_bitmap(ours);
        IMG_delete_bitmap(reference);
    }
}

TEST_F(Interop, DcxPagesImageMagickWritesLoadByNumber)
{
    std::string path = Temp("two.dcx");
    ASSERT_TRUE(Magick("'" + source_ + "' -colors 50 '" + source_ + "' -flip DCX:'" + path + "'"));
    for (int page = 0; page < 2; ++page) {
        auto bytes = ReadFile(path);
        int result = 0;
        IMG_HANDLE ours = LoadMem(bytes, &result, int16_t(page));
        ASSERT_EQ(result, 0) << page;
        IMG_HANDLE reference = Reference(path + "[" + std::to_string(page) + "]");
        EXPECT_EQ(CompareColours(ours, reference), "") << page;
        IMG_delete_bitmap(ours);
        IMG_delete_bitmap(reference);
    }
}

TEST_F(Interop, EveryFileTheEngineWritesOpensPixelExact)
{
    struct Written { int bits, type; const char* ext; };
    const Written cases[] = {
        {1, IMG_TYPE_BMP, "bmp"}, {4, IMG_TYPE_BMP, "bmp"}, {8, IMG_TYPE_BMP, "bmp"}, {24, IMG_TYPE_BMP, "bmp"},
        {4, IMG_TYPE_BMP_RLE, "bmp"}, {8, IMG_TYPE_BMP_RLE, "bmp"},
        // Not 1-bit PCX: ImageMagick ignores its palette and shows set bits black,
        // where the palette written (and other readers) say white.
        {4, IMG_TYPE_PCX, "pcx"}, {8, IMG_TYPE_PCX, "pcx"}, {24, IMG_TYPE_PCX, "pcx"},
        {8, IMG_TYPE_DCX, "dcx"}, {24, IMG_TYPE_DCX, "dcx"},
        {8, IMG_TYPE_TARGA, "tga"}, {24, IMG_TYPE_TARGA, "tga"},
    };
    for (const Written& c : cases) {
        IMG_HANDLE h = FromDib(MakeDib(29, 13, c.bits, [&](int x, int y) {
            if (c.bits == 24)
                return uint32_t(x * 9) << 16 | uint32_t(y * 19) << 8 | uint32_t(x * y);
            return uint32_t((x / 4 + y) % 3 ? x + y : 0) & ((1u << c.bits) - 1);
        }));
        std::string label = std::to_string(c.bits) + " bits, type " + std::to_string(c.type);
        std::string path = Temp(std::string("ours.") + c.ext);
        ASSERT_EQ(IMG_save_bitmap(h, path.c_str(), uint16_t(c.type)), 0) << label;
        IMG_HANDLE reference = Reference(c.type == IMG_TYPE_DCX ? path + "[0]" : path);
        ASSERT_NE(reference, 0u) << label;
        EXPECT_EQ(CompareColours(h, reference), "") << label;
        IMG_delete_bitmap(reference);
        IMG_delete_bitmap(h);
    }
}

}   // namespace
