// JPEG interchange with independent programs: files cjpeg writes load close to
// djpeg's own decoding of them, and every file the engine writes decodes in
// djpeg without a warning and as the engine decodes it. djpeg runs
// without chroma interpolation, which is what the engine does.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "jpeg.h"
#include "test_util.h"

using namespace vtest;

namespace {

struct Difference {
    double psnr = 0;
    int maxDiff = 0;
    double withinOne = 0;   // share of samples that differ by at most 1
};

Difference Compare(IMG_HANDLE a, IMG_HANDLE b)
{
    Difference d;
    Info ia = InfoOf(a), ib = InfoOf(b);
    if (ia.width != ib.width || ia.height != ib.height)
        return d;
    double squares = 0;
    size_t close = 0, samples = 0;
    for (int y = 0; y < ia.height; ++y)
        for (int x = 0; x < ia.width; ++x) {
            uint32_t ca = ColourAt(a, x, y), cb = ColourAt(b, x, y);
            for (int s : {0, 8, 16}) {
                int diff = std::abs(int(ca >> s & 255) - int(cb >> s & 255));
                squares += diff * diff;
                d.maxDiff = std::max(d.maxDiff, diff);
                close += diff <= 1;
                ++samples;
            }
        }
    const double mse = squares / double(samples);
    d.psnr = mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
    d.withinOne = double(close) / double(samples);
    return d;
}

class JpegInterop : public FileTest {
protected:
    JpegInterop() : FileTest("jpeg_") {}
    void SetUp() override
    {
        if (!HaveProgram("/usr/bin/cjpeg") || !HaveProgram("/usr/bin/djpeg"))
            GTEST_SKIP() << "cjpeg and djpeg (libjpeg-turbo-progs) are not installed";
        source_ = Temp("source.bmp");
        ASSERT_EQ(SaveDib(MakeDib(61, 37, 24, [](int x, int y) {
            if (x > 20 && x < 33 && y > 9 && y < 25)
                return 0xE02010u;
            return uint32_t(x * 4) << 16 | uint32_t(y * 6) << 8 | uint32_t(200 - x * 2 - y);
        }), source_, IMG_TYPE_BMP), 0);
    }
    // djpeg's decoding, as a handle of the engine; its warnings in `warnings` if given.
    IMG_HANDLE Reference(const std::string& jpg, const std::string& bmp, std::string* warnings = nullptr)
    {
        if (!Shell("/usr/bin/djpeg -nosmooth -bmp -outfile " + Quoted(bmp) + " " + Quoted(jpg), warnings))
            return 0;
        return LoadFile(bmp);
    }
    std::string source_;
};

TEST_F(JpegInterop, FilesCjpegWritesLoadCloseToDjpeg)
{
    struct Made {
        const char* name;
        const char* options;
        int bits;
    };
    const Made cases[] = {
        {"420", "-sample 2x2", 24},          {"422", "-sample 2x1", 24},
        {"444", "-sample 1x1", 24},          {"440", "-sample 1x2", 24},
        {"grey", "-grayscale", 8},           {"restart1", "-restart 1", 24},
        {"restart3b", "-restart 3B -sample 2x2", 24},
        {"greyrestart", "-grayscale -restart 1", 8},
        {"optimised", "-optimize -sample 1x1", 24},
        {"q95", "-quality 95", 24},          {"q30", "-quality 30 -sample 2x1", 24},
        {"q100", "-quality 100 -sample 1x1", 24},
    };
    for (const Made& c : cases) {
        std::string jpg = Temp(std::string(c.name) + ".jpg");
        ASSERT_TRUE(Shell(std::string("/usr/bin/cjpeg ") + c.options + " -outfile '" + jpg + "' '" + source_ + "'"))
            << c.name;
        IMG_HANDLE ours = LoadFile(jpg);
        ASSERT_NE(ours, 0u) << c.name;
        EXPECT_EQ(InfoOf(ours).bits, c.bits) << c.name;
        IMG_HANDLE reference = Reference(jpg, Temp("reference.bmp"));
        ASSERT_NE(reference, 0u) << c.name;
        Difference d = Compare(ours, reference);
        EXPECT_GE(d.psnr, 45.0) << c.name;
        EXPECT_LE(d.maxDiff, 1) << c.name;
        std::printf("  cjpeg %-12s PSNR %.1f dB, largest difference %d, within 1: %.2f%%\n", c.name, d.psnr,
                    d.maxDiff, 100 * d.withinOne);
        IMG_delete_bitmap(ours);
        IMG_delete_bitmap(reference);
    }
}

TEST_F(JpegInterop, CoarseTablesMakeAnExtendedFrameWhichIsRefused)
{
    // Steps beyond 255 need 16-bit tables, which cjpeg marks as an extended frame.
    std::string jpg = Temp("q20.jpg");
    ASSERT_TRUE(Shell("/usr/bin/cjpeg -quality 20 -outfile '" + jpg + "' '" + source_ + "'"));
    IMG_HANDLE h = 0;
    EXPECT_EQ(IMG_decompress_bitmap(&h, jpg.c_str()), IMG_ERR_CONTENT);
}

// A photograph-like picture: shading, noise, and a sharp-edged saturated
// patch that drives the colour conversion to its limits.
uint32_t Photo(int x, int y, uint32_t& seed)
{
    seed = seed * 1103515245 + 12345;
    const int noise = int(seed >> 16 & 31) - 16;
    if ((x / 5 + y / 4) % 7 == 3)
        return (x & 8) ? 0xFF00FFu : 0x00FF20u;
    auto level = [&](int v) { return uint32_t(std::clamp(v + noise, 0, 255)); };
    return level(x * 9 + y) << 16 | level(255 - y * 7) << 8 | level(60 + x * 3 - y * 2);
}

// Every file the engine writes, whatever its tables, decodes in djpeg as in
// the engine: within one level in every sample (in practice identically).
TEST_F(JpegInterop, FilesTheEngineWritesDecodeInDjpegLikeInTheEngine)
{
    std::vector<RGBQUAD> grey(256);
    for (int i = 0; i < 256; ++i)
        grey[i] = RGBQUAD{uint8_t(i), uint8_t(i), uint8_t(i), 0};
    struct Picture {
        const char* name;
        IMG_HANDLE handle;
    };
    std::vector<Picture> pictures = {{"colour61x37", LoadFile(source_)}};
    for (auto [w, h] : {std::pair{17, 13}, std::pair{97, 41}, std::pair{3, 5}}) {
        uint32_t seed = uint32_t(w * h);
        pictures.push_back({"photo", FromDib(MakeDib(w, h, 24, [&](int x, int y) { return Photo(x, y, seed); }))});
    }
    pictures.push_back({"grey45x19", FromDib(MakeDib(45, 19, 8, [](int x, int y) {
                            return uint32_t((x * 5 + y) % 7 == 0 ? 255 : x * 5 + y);
                        }, grey))});
    pictures.push_back({"palette33x17", FromDib(MakeDib(33, 17, 8, [](int x, int y) { return uint32_t(x * 7 + y); }))});
    // 0: the example tables; 17: the ramp's steps reach 256, kept as 255;
    // 200: beyond the top, taken as 100.
    for (int quality : {0, 1, 3, 17, 50, 75, 95, 100, 200}) {
        if (quality)
            IMGLOW_set_comp_quality(uint16_t(quality));
        for (const Picture& p : pictures) {
            ASSERT_NE(p.handle, 0u) << p.name;
            const std::string name = std::string(p.name) + "_q" + std::to_string(quality);
            std::string jpg = Temp(name + ".jpg");
            ASSERT_EQ(IMG_save_bitmap(p.handle, jpg.c_str(), IMG_TYPE_JPEG), 0) << name;
            std::string said;
            IMG_HANDLE theirs = Reference(jpg, Temp(name + ".bmp"), &said), ours = LoadFile(jpg);
            EXPECT_TRUE(said.empty()) << name << ": " << said;
            ASSERT_NE(theirs, 0u) << name;
            ASSERT_NE(ours, 0u) << name;
            ASSERT_EQ(InfoOf(ours).width, InfoOf(p.handle).width) << name;
            const Difference d = Compare(ours, theirs);
            EXPECT_LE(d.maxDiff, 1) << name;
            if (d.maxDiff)
                std::printf("  engine %-18s largest difference %d, within 1: %.2f%%\n", name.c_str(), d.maxDiff,
                            100 * d.withinOne);
            IMG_delete_bitmap(theirs);
            IMG_delete_bitmap(ours);
        }
    }
    vantor::jpeg::ResetQuantTables();
    for (const Picture& p : pictures)
        IMG_delete_bitmap(p.handle);
}

TEST_F(JpegInterop, ImageMagickOpensWhatTheEngineWrites)
{
    if (ConvertProgram().empty())
        GTEST_SKIP() << "ImageMagick is not installed";
    IMG_HANDLE colour = LoadFile(source_);
    std::string jpg = Temp("magick.jpg");
    ASSERT_EQ(IMG_save_bitmap(colour, jpg.c_str(), IMG_TYPE_JPEG), 0);
    IMG_HANDLE theirs = MagickDecode(jpg, Temp("magick.bmp"), ""), ours = LoadFile(jpg);
    ASSERT_NE(theirs, 0u);
    // ImageMagick interpolates the chroma, so only the overall likeness is compared.
    EXPECT_GE(Compare(ours, theirs).psnr, 30.0);
    IMG_delete_bitmap(theirs);
    IMG_delete_bitmap(ours);
    IMG_delete_bitmap(colour);
}

}   // namespace
