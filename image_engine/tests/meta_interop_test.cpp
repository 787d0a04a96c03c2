// Metafile, WPG and PICT interchange with ImageMagick: it must decode the
// engine's files to the colours the engine holds, and PICT files it writes must
// load pixel-exact. It writes neither metafiles nor WPG, and reads metafiles
// only through its metafile delegate, whose presence the metafile test checks.
#include "test_util.h"

using namespace vtest;

namespace {

uint32_t Value(int bits, int x, int y)
{
    if (bits == 24)
        return uint32_t(x * 37 & 255) << 16 | uint32_t(y * 50 & 255) << 8 | uint32_t((x * y) * 7 & 255);
    return uint32_t(x < 4 ? 1 : (x * 5 + y * 3) % 13) & ((1u << bits) - 1);
}

class MetaInterop : public FileTest {
protected:
    void SetUp() override
    {
        if (ConvertProgram().empty())
            GTEST_SKIP() << "ImageMagick is not installed";
    }
    // Saves a test picture as `type`, lets ImageMagick read it, compares colours.
    void ExpectMagickReadsOurs(int type, const char* ending, int width, int bits, const std::string& options = "")
    {
        IMG_HANDLE ours = FromDib(MakeDib(width, 5, bits, [&](int x, int y) { return Value(bits, x, y); }));
        std::string path = Temp(std::string("meta_ours.") + ending);
        ASSERT_EQ(IMG_save_bitmap(ours, path.c_str(), uint16_t(type)), 0);
        IMG_HANDLE theirs = MagickDecode(path, Temp("meta_reference.bmp"), "-alpha off", options);
        ASSERT_NE(theirs, 0u) << ending << ", " << bits << " bits, width " << width;
        EXPECT_EQ(CompareColours(ours, theirs), "") << ending << ", " << bits << " bits, width " << width;
        IMG_delete_bitmap(theirs);
        IMG_delete_bitmap(ours);
    }
};

TEST_F(MetaInterop, MagickReadsOurPictAtEveryDepthAndLayoutLimit)
{
    for (int bits : {1, 4, 8, 24})
        for (int width : {1, 2, 7, 51, 63, 66, 67, 220, 251})
            ExpectMagickReadsOurs(IMG_TYPE_PICT, "pct", width, bits);
}

TEST_F(MetaInterop, OurReaderTakesMagicksPictPixelExact)
{
    for (int bits : {1, 8, 24})
        for (int width : {1, 2, 5, 63, 220, 251}) {
            IMG_HANDLE source = FromDib(MakeDib(width, 6, bits, [&](int x, int y) { return Value(bits, x, y); }));
            std::string bmp = Temp("meta_source.bmp"), pict = Temp("meta_magick.pct");
            ASSERT_EQ(IMG_save_bitmap(source, bmp.c_str(), IMG_TYPE_BMP), 0);
            ASSERT_TRUE(Shell(ConvertProgram() + " " + Quoted(bmp) + " " + Quoted(pict)));
            IMG_HANDLE ours = 0;
            ASSERT_EQ(IMG_decompress_bitmap(&ours, pict.c_str()), 0) << bits << " bits, width " << width;
            EXPECT_EQ(CompareColours(source, ours), "") << bits << " bits, width " << width;
            IMG_delete_bitmap(ours);
            IMG_delete_bitmap(source);
        }
}

TEST_F(MetaInterop, MagickReadsOurWpg)
{
    for (int bits : {1, 4, 8})
        for (int width : {1, 9, 200})
            ExpectMagickReadsOurs(IMG_TYPE_WPG, "wpg", width, bits);
}

TEST_F(MetaInterop, MagickReadsOurMetafileAtItsUnitsPerInch)
{
    const std::string formats = Output(ConvertProgram() + " -list format");
    if (formats.find("WMF* WMF       r") == std::string::npos && formats.find("WMF  WMF       r") == std::string::npos)
        GTEST_SKIP() << "ImageMagick reads no metafiles here (no metafile delegate)";
    // 907 units per inch: rendered at 907 dots per inch it is one pixel a unit.
    for (int bits : {1, 4, 8, 24})
        for (int width : {1, 13, 64})
            ExpectMagickReadsOurs(IMG_TYPE_WMF, "wmf", width, bits, "-density 907");
}

}   // namespace
