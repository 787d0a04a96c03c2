// The geometric and tone operations against ImageMagick where its result is
// exact: quarter and half turns, mirrors, negation and whole-factor enlarging.
#include <cstdlib>
#include <gtest/gtest.h>
#include <unistd.h>

#include "test_util.h"

using namespace vtest;

namespace {

const char kConvert[] = "/usr/bin/convert";

struct Operation {
    const char* magick;
    std::function<int(IMG_HANDLE)> engine;
    std::vector<int> depths;
};

class GeometryInterop : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (access(kConvert, X_OK) != 0)
            GTEST_SKIP() << "ImageMagick's convert is not installed";
    }
    void TearDown() override
    {
        for (const auto& f : made_)
            unlink(f.c_str());
    }
    std::string Temp(const std::string& name)
    {
        made_.push_back(TempPath(name));
        return made_.back();
    }
    // ImageMagick's result of `options` on `source`, read back as 24 bits.
    IMG_HANDLE Magick(const std::string& source, const std::string& options)
    {
        std::string out = Temp("geometry_reference.bmp");
        std::string command = std::string(kConvert) + " '" + source + "' " + options +
                              " -type truecolor BMP3:'" + out + "' 2>/dev/null";
        if (std::system(command.c_str()) != 0)
            return 0;
        IMG_HANDLE h = 0;
        return IMG_decompress_bitmap(&h, out.c_str()) < 0 ? 0 : h;
    }
    std::vector<std::string> made_;
};

TEST_F(GeometryInterop, MatchesImageMagickPixelForPixel)
{
    const Operation operations[] = {
        {"-rotate 90", [](IMG_HANDLE h) { return IMG_rotate_bitmap(h, 90); }, {1, 4, 8, 24}},
        {"-rotate 270", [](IMG_HANDLE h) { return IMG_rotate_bitmap(h, 270); }, {1, 4, 8, 24}},
        {"-rotate 180", [](IMG_HANDLE h) { return IMG_rotate_bitmap(h, 180); }, {1, 4, 8, 24}},
        {"-flop", IMG_flip_bitmapx, {1, 4, 8, 24}},
        {"-flip", IMG_flip_bitmapy, {1, 4, 8, 24}},
        {"-negate", IMG_invert_bitmap, {24}},
        {"-sample 200%", [](IMG_HANDLE h) { return IMG_resize_bitmap(h, 74, 46); }, {8, 24}},
    };
    for (int bits : {1, 4, 8, 24}) {
        std::string source = Temp("geometry_source_" + std::to_string(bits) + ".bmp");
        IMG_HANDLE original = FromDib(MakeDib(37, 23, bits, [bits](int x, int y) {
            uint32_t v = uint32_t(x * 7 + y * 11 + (x * y) % 13);
            return bits == 24 ? (v * 0x050309) & 0xFFFFFF : v % (1u << bits);
        }));
        ASSERT_EQ(IMG_save_bitmap(original, source.c_str(), IMG_TYPE_BMP), 0);
        IMG_delete_bitmap(original);
        for (const Operation& op : operations) {
            if (std::find(op.depths.begin(), op.depths.end(), bits) == op.depths.end())
                continue;
            IMG_HANDLE reference = Magick(source, op.magick);
            ASSERT_NE(reference, 0u) << op.magick;
            IMG_HANDLE ours = 0;
            ASSERT_EQ(IMG_decompress_bitmap(&ours, source.c_str()), 0);
            ASSERT_EQ(op.engine(ours), 0) << op.magick;
            EXPECT_EQ(CompareColours(ours, reference), "") << op.magick << " at " << bits << " bits";
            IMG_delete_bitmap(ours);
            IMG_delete_bitmap(reference);
        }
    }
}

}   // namespace
