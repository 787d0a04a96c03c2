// The geometric and tone operations against ImageMagick where its result is
// exact: quarter and half turns, mirrors, negation and whole-factor enlarging.
#include <algorithm>

#include "test_util.h"

using namespace vtest;

namespace {

struct Operation {
    const char* magick;
    std::function<int(IMG_HANDLE)> engine;
    std::vector<int> depths;
};

class GeometryInterop : public FileTest {
protected:
    void SetUp() override
    {
        if (ConvertProgram().empty())
            GTEST_SKIP() << "ImageMagick's convert is not installed";
    }
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
        ASSERT_EQ(SaveDib(MakeDib(37, 23, bits, [bits](int x, int y) {
            uint32_t v = uint32_t(x * 7 + y * 11 + (x * y) % 13);
            return bits == 24 ? (v * 0x050309) & 0xFFFFFF : v % (1u << bits);
        }), source, IMG_TYPE_BMP), 0);
        for (const Operation& op : operations) {
            if (std::find(op.depths.begin(), op.depths.end(), bits) == op.depths.end())
                continue;
            // ImageMagick's result of the operation, read back as 24 bits.
            IMG_HANDLE reference = MagickDecode(source, Temp("geometry_reference.bmp"), op.magick);
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
