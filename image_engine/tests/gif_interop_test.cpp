// GIF interchange with independent programs, both ways: ImageMagick and the
// giflib tools write files the engine must read pixel-exact, and both decode
// every file the engine writes to the same colours the engine holds.
#include "test_util.h"

using namespace vtest;

namespace {

class GifInterop : public FileTest {
protected:
    void SetUp() override
    {
        if (ConvertProgram().empty() || !HaveProgram("/usr/bin/gif2rgb") || !HaveProgram("/usr/bin/gifbuild"))
            GTEST_SKIP() << "ImageMagick or the giflib tools are not installed";
        source_ = Temp("gif_interop_source.bmp");
        ASSERT_EQ(SaveDib(MakeDib(61, 37, 24, [](int x, int y) {
            if (x > 5 && x < 25 && y > 5 && y < 12)
                return 0xFFFF00u;
            return uint32_t(x * 4) << 16 | uint32_t(y * 6) << 8 | uint32_t(255 - x * 3);
        }), source_, IMG_TYPE_BMP), 0);
    }
    // ImageMagick's decoding of `path` as a 24-bit handle.
    IMG_HANDLE MagickReads(const std::string& path)
    {
        return MagickDecode(path, Temp("gif_reference.bmp"), "-alpha off");
    }
    // giflib's decoding of `path`, compared pixel by pixel with the handle.
    std::string GiflibDiffers(const std::string& path, IMG_HANDLE ours)
    {
        std::string rgb = Temp("gif_reference.rgb");
        if (!Shell("/usr/bin/gif2rgb -1 -o '" + rgb + "' '" + path + "'"))
            return "gif2rgb failed";
        Info info = InfoOf(ours);
        auto bytes = ReadFile(rgb);
        if (bytes.size() != size_t(info.width) * size_t(info.height) * 3)
            return "gif2rgb wrote " + std::to_string(bytes.size()) + " bytes";
        for (int y = 0; y < info.height; ++y)
            for (int x = 0; x < info.width; ++x) {
                const uint8_t* p = &bytes[(size_t(y) * size_t(info.width) + size_t(x)) * 3];
                uint32_t theirs = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
                if (theirs != ColourAt(ours, x, y))
                    return "pixel " + std::to_string(x) + "," + std::to_string(y);
            }
        return "";
    }
    // Both ImageMagick and giflib decode `path` to the colours of `ours`.
    void ExpectOthersReadAsOurs(const std::string& path, IMG_HANDLE ours, const std::string& label)
    {
        IMG_HANDLE reference = MagickReads(path);
        ASSERT_NE(reference, 0u) << label;
        EXPECT_EQ(CompareColours(ours, reference), "") << label;
        EXPECT_EQ(GiflibDiffers(path, ours), "") << label;
        IMG_delete_bitmap(reference);
    }

    std::string source_;
};

TEST_F(GifInterop, FilesOtherProgramsWriteLoadPixelExact)
{
    struct Made { const char* name; const char* options; int bits; };
    const Made cases[] = {
        {"m2.gif", "-colors 2", 1},
        {"m16.gif", "-colors 16", 4},
        {"m64.gif", "-colors 64", 8},
        {"m256.gif", "-colors 256", 8},
        {"minter.gif", "-colors 100 -interlace GIF", 8},
        {"mcomment.gif", "-colors 30 -comment 'made, with; commas'", 8},
        {"mgrey.gif", "-colorspace gray -colors 7", 4},
    };
    for (const Made& c : cases) {
        std::string path = Temp(c.name);
        ASSERT_TRUE(Shell(ConvertProgram() + " " + Quoted(source_) + " " + c.options + " GIF:" + Quoted(path))) << c.name;
        // giflib writes the same picture again through its own encoder.
        std::string text = Temp("giflib.txt"), rebuilt = Temp(std::string("g") + c.name);
        ASSERT_TRUE(Shell("/usr/bin/gifbuild -d '" + path + "' > '" + text + "'"));
        ASSERT_TRUE(Shell("/usr/bin/gifbuild '" + text + "' > '" + rebuilt + "'"));
        for (const std::string& file : {path, rebuilt}) {
            IMG_HANDLE ours = 0;
            ASSERT_EQ(IMG_decompress_bitmap(&ours, file.c_str()), 0) << file;
            EXPECT_EQ(InfoOf(ours).bits, c.bits) << file;
            ExpectOthersReadAsOurs(file, ours, file);
            IMG_delete_bitmap(ours);
        }
    }
}

TEST_F(GifInterop, EveryFileTheEngineWritesOpensPixelExact)
{
    struct Written { int bits, width, height; bool noise; };
    // The noisy one needs many table resets.
    for (Written c : {Written{4, 29, 13, false}, Written{8, 29, 13, false}, Written{8, 311, 207, true},
                      Written{4, 257, 190, true}}) {
        uint32_t seed = 99;
        IMG_HANDLE h = FromDib(MakeDib(c.width, c.height, c.bits, [&](int x, int y) {
            seed = seed * 1103515245 + 12345;
            uint32_t v = c.noise ? seed >> 16 : uint32_t((x / 4 + y) % 3 ? x + y : 0);
            return v & ((1u << c.bits) - 1);
        }));
        std::string label = std::to_string(c.bits) + " bits " + std::to_string(c.width);
        std::string path = Temp("ours.gif");
        ASSERT_EQ(IMG_save_bitmap(h, path.c_str(), IMG_TYPE_GIF), 0) << label;
        std::string report = Temp("giftext.txt");
        ASSERT_TRUE(Shell("/usr/bin/giftext '" + path + "' > '" + report + "'")) << label;
        auto text = ReadFile(report);
        EXPECT_NE(std::string(text.begin(), text.end()).find("GIF file terminated normally"), std::string::npos)
            << label;
        ExpectOthersReadAsOurs(path, h, label);
        IMG_delete_bitmap(h);
    }
}

}   // namespace
