#include "jpeg.h"
#include "jpegbmp.h"
#include "writers_test_util.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

using namespace filmtest;
namespace fs = std::filesystem;

namespace {

struct Ppm {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
};

// Decodes with the independent decoder; an empty picture when it fails.
Ppm DecodeWithDjpeg(const fs::path& jpeg, const fs::path& ppm)
{
    std::string command = std::string(DJPEG_PROGRAM) + " -pnm -outfile '" + ppm.string() + "' '" + jpeg.string() + "'";
    Ppm out;
    if (std::system(command.c_str()) != 0)
        return out;
    std::vector<uint8_t> bytes = ReadBytes(ppm);
    std::string text(bytes.begin(), bytes.end());
    std::istringstream in(text);
    std::string magic;
    int maxValue = 0;
    in >> magic >> out.width >> out.height >> maxValue;
    size_t start = size_t(in.tellg()) + 1;
    if (magic != "P6" || maxValue != 255 || bytes.size() < start + size_t(out.width) * out.height * 3)
        return Ppm{};
    out.rgb.assign(bytes.begin() + long(start), bytes.end());
    return out;
}

double MeanError(const Ppm& picture, const std::function<void(int, int, uint8_t*)>& expected)
{
    long total = 0;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            uint8_t want[3];
            expected(x, y, want);
            for (int c = 0; c < 3; ++c)
                total += std::abs(int(picture.rgb[(size_t(y) * picture.width + x) * 3 + c]) - int(want[c]));
        }
    return double(total) / (double(picture.width) * picture.height * 3);
}

TEST(JpegWriter, WritesWhatTheIndependentDecoderReadsBackClose)
{
    TempFolder dir;
    struct Case { int bits; bool os2; };
    for (Case c : {Case{24, false}, Case{24, true}, Case{8, false}, Case{8, true}}) {
        SCOPED_TRACE(std::to_string(c.bits) + (c.os2 ? " OS/2" : " Windows"));
        WriteBytes(dir / "in.bmp", MakeBmp(33, 21, c.bits, c.os2));
        ASSERT_NE(SaveJPEG((dir / "in.bmp").c_str(), (dir / "out.jpg").c_str()) & 0xFFFF, 0);
        Ppm picture = DecodeWithDjpeg(dir / "out.jpg", dir / "out.ppm");
        ASSERT_EQ(picture.width, 33);
        ASSERT_EQ(picture.height, 21);
        // Top row first, channels in order: a flip or a swap would be far off.
        EXPECT_LT(MeanError(picture, [&](int x, int y, uint8_t* rgb) {
                      if (c.bits == 24)
                          BlendAt(x, y, rgb);
                      else
                          rgb[0] = rgb[1] = rgb[2] = uint8_t(x + y);
                  }),
                  4.0);
    }
}

TEST(JpegWriter, RefusalsLeaveNoFileAndKeepAnOldOne)
{
    TempFolder dir;
    std::vector<uint8_t> rle = MakeBmp(8, 8, 8);
    rle[30] = 1;                                       // compression: RLE8
    std::vector<uint8_t> truncated = MakeBmp(8, 8, 24);
    truncated.resize(truncated.size() - 1);
    for (const auto& bad : {MakeBmp(8, 8, 4), rle, truncated, std::vector<uint8_t>{'B', 'M'}}) {
        WriteBytes(dir / "in.bmp", bad);
        EXPECT_EQ(SaveJPEG((dir / "in.bmp").c_str(), (dir / "new.jpg").c_str()) & 0xFFFF, 0);
        WriteBytes(dir / "old.jpg", {1, 2, 3});
        EXPECT_EQ(SaveJPEG((dir / "in.bmp").c_str(), (dir / "old.jpg").c_str()) & 0xFFFF, 0);
        EXPECT_EQ(ReadBytes(dir / "old.jpg"), (std::vector<uint8_t>{1, 2, 3}));
        EXPECT_EQ(dir.Files(), (std::vector<std::string>{"in.bmp", "old.jpg"}));
    }
    EXPECT_EQ(SaveJPEG((dir / "missing.bmp").c_str(), (dir / "x.jpg").c_str()) & 0xFFFF, 0);
    EXPECT_EQ(SaveJPEG((dir / "in.bmp").c_str(), (dir / "no" / "x.jpg").c_str()) & 0xFFFF, 0);
}

TEST(BmpInput, NamesWhatIsWrongWithAFile)
{
    std::vector<uint8_t> good = MakeBmp(5, 4, 8);
    BmpInput picture;
    ASSERT_EQ(ReadBmpInput(good.data(), good.size(), picture), 0);

    auto withByte = [&](size_t at, uint8_t value) {
        std::vector<uint8_t> f = good;
        f[at] = value;
        return ReadBmpInput(f.data(), f.size(), picture);
    };
    EXPECT_EQ(withByte(0, 'X'), kBmpNotBmp);
    EXPECT_EQ(withByte(14, 108), kBmpBadHeader);      // header length not 12, 40 or 64
    EXPECT_EQ(withByte(26, 2), kBmpBadPlanes);
    EXPECT_EQ(withByte(28, 16), kBmpBadDepth);
    EXPECT_EQ(withByte(30, 1), kBmpCompressed);
    EXPECT_EQ(withByte(18, 0), kBmpEmpty);            // width 0
    EXPECT_EQ(withByte(48, 1), kBmpBadColourMap);     // 65536 colours used
    EXPECT_EQ(withByte(10, 20), kBmpBadHeader);       // pixels inside the headers
    EXPECT_EQ(withByte(12, 1), kBmpTruncated);        // pixels past the end

    for (size_t cut = 0; cut < good.size(); ++cut)
        EXPECT_NE(ReadBmpInput(good.data(), cut, picture), 0) << cut;
}

} // namespace
