// Mirroring and quarter turns, checked pixel by pixel at every depth.
#include <gtest/gtest.h>

#include "engine.h"
#include "test_util.h"

using namespace vtest;

namespace {

const int kDepths[] = {1, 4, 8, 24};

// A pixel value distinct for each label at depths above 1; 1-bit pictures get
// a pattern of both values so that a misplaced pixel still shows.
uint32_t Label(int label, int bits)
{
    switch (bits) {
    case 1: return uint32_t(label * 5 + label / 3) % 2;
    case 4: return uint32_t(label + 3);
    case 8: return uint32_t(label * 40 + 7);
    default: return uint32_t(label * 0x2A1F13 + 0x102030) & 0xFFFFFF;
    }
}

// Rows top to bottom, pixels as letters A-F.
IMG_HANDLE Lettered(const std::vector<std::string>& rows, int bits)
{
    return FromDib(MakeDib(int(rows[0].size()), int(rows.size()), bits,
                           [&](int x, int y) { return Label(rows[size_t(y)][size_t(x)] - 'A', bits); }));
}

void ExpectLetters(IMG_HANDLE h, const std::vector<std::string>& rows, int bits)
{
    Info info = InfoOf(h);
    ASSERT_EQ(info.width, int(rows[0].size()));
    ASSERT_EQ(info.height, int(rows.size()));
    for (int y = 0; y < info.height; ++y)
        for (int x = 0; x < info.width; ++x)
            EXPECT_EQ(RawAt(h, x, y), Label(rows[size_t(y)][size_t(x)] - 'A', bits))
                << bits << " bits, pixel " << x << "," << y;
}

struct Turn {
    uint16_t angle;
    std::vector<std::string> rows;
};

TEST(Rotate, ThreeByTwoAtEveryDepth)
{
    const Turn turns[] = {
        {90, {"DA", "EB", "FC"}},
        {270, {"CF", "BE", "AD"}},
        {180, {"FED", "CBA"}},
        {450, {"DA", "EB", "FC"}},   // whole turns count for nothing
        {0, {"ABC", "DEF"}},
        {360, {"ABC", "DEF"}},
        {45, {"ABC", "DEF"}},        // refused below
    };
    for (int bits : kDepths)
        for (const Turn& turn : turns) {
            IMG_HANDLE h = Lettered({"ABC", "DEF"}, bits);
            ASSERT_EQ(IMG_rotate_bitmap(h, turn.angle), turn.angle == 45 ? IMG_ERR_UNSUPPORTED : 0);
            SCOPED_TRACE(turn.angle);
            ExpectLetters(h, turn.rows, bits);
            IMG_delete_bitmap(h);
        }
}

uint32_t Pattern(int x, int y, int bits)
{
    uint32_t v = uint32_t(x * 7 + y * 13 + (x * y) % 5);
    return bits == 24 ? (v * 0x10307) & 0xFFFFFF : v % (1u << bits);
}

struct Crop {
    uint16_t left, top, width, height;
    bool operator==(const Crop&) const = default;
};

Crop CropOf(IMG_HANDLE h)
{
    Crop c{};
    IMG_get_croprect(h, &c.left, &c.top, &c.width, &c.height);
    return c;
}

// Quarter turn clockwise: old (x, y) lands at (height - 1 - y, x).
void ExpectTurnedClockwise(IMG_HANDLE h, int oldWidth, int oldHeight, int bits)
{
    Info info = InfoOf(h);
    ASSERT_EQ(info.width, oldHeight);
    ASSERT_EQ(info.height, oldWidth);
    int wrong = 0;
    for (int y = 0; y < oldHeight; ++y)
        for (int x = 0; x < oldWidth; ++x)
            if (RawAt(h, oldHeight - 1 - y, x) != Pattern(x, y, bits) && ++wrong < 5)
                ADD_FAILURE() << bits << " bits: old pixel " << x << "," << y;
}

// Sizes that cross the band and tile boundaries of the rotation: narrow bands of
// 4 rows for wide 24-bit pictures, bands of a multiple of 8 rows for wide 1-bit
// ones, several groups of bands for the taller pictures.
TEST(Rotate, QuarterTurnAcrossBands)
{
    struct Size {
        int width, height, bits;
    };
    const Size sizes[] = {{3000, 11, 24}, {1000, 150, 24}, {37, 23, 24}, {70, 300, 1},
                         {8200, 60, 1}, {301, 145, 4}, {500, 90, 8}};
    for (const Size& s : sizes) {
        IMG_HANDLE h = FromDib(MakeDib(s.width, s.height, s.bits, [&](int x, int y) { return Pattern(x, y, s.bits); }));
        ASSERT_NE(h, 0u);
        IMG_HANDLE original = FromDib(MakeDib(s.width, s.height, s.bits, [&](int x, int y) { return Pattern(x, y, s.bits); }));
        ASSERT_EQ(IMG_rotate_bitmap(h, 90), 0);
        ExpectTurnedClockwise(h, s.width, s.height, s.bits);
        ASSERT_EQ(IMG_rotate_bitmap(h, 270), 0);
        EXPECT_EQ(CompareColours(h, original), "") << s.width << " x " << s.height;
        IMG_delete_bitmap(h);
        IMG_delete_bitmap(original);
    }
}

TEST(Rotate, FourQuarterTurnsAndHalfTurnsRestoreThePicture)
{
    for (int bits : kDepths) {
        auto dib = MakeDib(37, 23, bits, [&](int x, int y) { return Pattern(x, y, bits); });
        IMG_HANDLE original = FromDib(dib), turned = FromDib(dib), twice = FromDib(dib), half = FromDib(dib);
        const Crop crop{3, 5, 10, 7};
        for (IMG_HANDLE h : {turned, twice, half})
            IMG_set_croprect(h, crop.left, crop.top, crop.width, crop.height);

        for (int i = 0; i < 4; ++i)
            ASSERT_EQ(IMG_rotate_bitmap(turned, 90), 0);
        EXPECT_EQ(CompareColours(original, turned), "") << bits << " bits";
        EXPECT_EQ(CropOf(turned), crop);

        // 180 is two quarter turns, crop rectangle included.
        ASSERT_EQ(IMG_rotate_bitmap(twice, 90), 0);
        ASSERT_EQ(IMG_rotate_bitmap(twice, 90), 0);
        ASSERT_EQ(IMG_rotate_bitmap(half, 180), 0);
        EXPECT_EQ(CompareColours(twice, half), "") << bits << " bits";
        EXPECT_EQ(CropOf(twice), CropOf(half));
        // 90 then 270 is no turn.
        ASSERT_EQ(IMG_rotate_bitmap(half, 90), 0);
        ASSERT_EQ(IMG_rotate_bitmap(half, 270), 0);
        ASSERT_EQ(IMG_rotate_bitmap(half, 180), 0);
        EXPECT_EQ(CompareColours(original, half), "") << bits << " bits";
        EXPECT_EQ(CropOf(half), crop);
        for (IMG_HANDLE h : {original, turned, twice, half})
            IMG_delete_bitmap(h);
    }
}

TEST(Rotate, CropRectangleTurnsWithThePicture)
{
    IMG_HANDLE h = FromDib(MakeDib(37, 23, 24, [](int x, int y) { return Pattern(x, y, 24); }));
    IMG_set_croprect(h, 3, 5, 10, 7);
    ASSERT_EQ(IMG_rotate_bitmap(h, 90), 0);
    // The rectangle's old columns 3..12 are now rows 3..12, its old rows 5..11
    // the columns 23 - 12 .. 23 - 5.
    EXPECT_EQ(CropOf(h), (Crop{11, 3, 7, 10}));
    const vantor::Record* record = vantor::Lookup(h);
    EXPECT_EQ(record->displayWidth, 7);
    EXPECT_EQ(record->displayHeight, 10);

    // What is saved is the turned rectangle: its top-left is the old bottom-left.
    IMG_HANDLE saved = LoadMem(SaveMem(h, IMG_TYPE_BMP));
    ASSERT_NE(saved, 0u);
    EXPECT_EQ(InfoOf(saved).width, 7);
    EXPECT_EQ(InfoOf(saved).height, 10);
    EXPECT_EQ(RawAt(saved, 0, 0), Pattern(3, 11, 24));
    IMG_delete_bitmap(saved);

    ASSERT_EQ(IMG_rotate_bitmap(h, 270), 0);
    EXPECT_EQ(CropOf(h), (Crop{3, 5, 10, 7}));
    IMG_delete_bitmap(h);
}

// Bits and nibbles past the width stay 0 whatever the operation lays down.
void ExpectCleanPadding(IMG_HANDLE h)
{
    HGLOBAL store = nullptr;
    uint16_t w = 0, height = 0, bits = 0;
    IMG_bitmap_info(&store, h, &w, &height, &bits);
    const uint32_t stride = uint32_t(DibRowBytes(w, bits)), used = (uint32_t(w) * bits + 7) / 8;
    const uint8_t* rows = GlobalBytes(store).data() + 40 + 4 * (1u << bits);
    const uint8_t lastMask = uint8_t(0xFF >> ((uint32_t(w) * bits) % 8 ? (uint32_t(w) * bits) % 8 : 8));
    for (uint32_t r = 0; r < height; ++r) {
        const uint8_t* row = rows + size_t(r) * stride;
        EXPECT_EQ(row[used - 1] & lastMask, 0) << "row " << r;
        for (uint32_t i = used; i < stride; ++i)
            EXPECT_EQ(row[i], 0) << "row " << r << " byte " << i;
    }
}

TEST(Padding, OneAndFourBitRowsKeepTheirPaddingClear)
{
    // Every pixel set, so a mirrored or turned padding bit would show.
    IMG_HANDLE h = FromDib(MakeDib(10, 3, 1, [](int, int) { return 1u; }));
    ASSERT_EQ(IMG_flip_bitmapx(h), 0);
    ExpectCleanPadding(h);
    EXPECT_EQ(RawAt(h, 9, 0), 1u);
    ASSERT_EQ(IMG_rotate_bitmap(h, 90), 0);   // 3 wide now
    ExpectCleanPadding(h);
    ASSERT_EQ(IMG_rotate_bitmap(h, 270), 0);
    ExpectCleanPadding(h);
    IMG_delete_bitmap(h);

    IMG_HANDLE n = FromDib(MakeDib(5, 3, 4, [](int x, int) { return uint32_t(x + 10); }));
    ASSERT_EQ(IMG_flip_bitmapx(n), 0);
    ExpectCleanPadding(n);
    EXPECT_EQ(RawAt(n, 0, 0), 14u);
    EXPECT_EQ(RawAt(n, 4, 0), 10u);
    ASSERT_EQ(IMG_rotate_bitmap(n, 270), 0);
    ExpectCleanPadding(n);
    IMG_delete_bitmap(n);
}

TEST(Flip, MirrorsPixelsAndCropRectangle)
{
    for (int bits : kDepths) {
        IMG_HANDLE h = Lettered({"ABC", "DEF"}, bits);
        IMG_set_croprect(h, 1, 0, 2, 1);
        ASSERT_EQ(IMG_flip_bitmapx(h), 0);
        ExpectLetters(h, {"CBA", "FED"}, bits);
        EXPECT_EQ(CropOf(h), (Crop{0, 0, 2, 1}));
        ASSERT_EQ(IMG_flip_bitmapy(h), 0);
        ExpectLetters(h, {"FED", "CBA"}, bits);
        EXPECT_EQ(CropOf(h), (Crop{0, 1, 2, 1}));
        IMG_delete_bitmap(h);
    }
}

TEST(Flip, CropRectanglePastThePictureStaysInside)
{
    IMG_HANDLE h = Lettered({"ABC", "DEF"}, 8);
    IMG_set_croprect(h, 2, 1, 50, 40);
    ASSERT_EQ(IMG_flip_bitmapx(h), 0);
    ASSERT_EQ(IMG_flip_bitmapy(h), 0);
    EXPECT_EQ(CropOf(h), (Crop{0, 0, 50, 40}));
    IMG_delete_bitmap(h);
}

TEST(Geometry, BadHandlesAnswerMinusSeven)
{
    IMG_HANDLE h = Lettered({"AB"}, 8);
    IMG_HANDLE gone = Lettered({"AB"}, 8);
    IMG_delete_bitmap(gone);
    for (IMG_HANDLE bad : {IMG_HANDLE(0), IMG_HANDLE(9999), gone}) {
        EXPECT_EQ(IMG_flip_bitmapx(bad), IMG_ERR_HANDLE);
        EXPECT_EQ(IMG_flip_bitmapy(bad), IMG_ERR_HANDLE);
        EXPECT_EQ(IMG_rotate_bitmap(bad, 90), IMG_ERR_HANDLE);
        EXPECT_EQ(IMG_resize_bitmap(bad, 4, 4), IMG_ERR_HANDLE);
        EXPECT_EQ(IMG_invert_bitmap(bad), IMG_ERR_HANDLE);
        EXPECT_EQ(IMG_set_lut(bad, 0, 0), IMG_ERR_HANDLE);
        EXPECT_EQ(IMG_sharpen_bitmap(bad, 0), IMG_ERR_HANDLE);
    }
    IMG_delete_bitmap(h);
}

// A picture whose turned rows would pass the engine's 16-bit row limits is
// refused and left as it was.
TEST(Rotate, RefusesWhatTheEngineCannotHold)
{
    IMG_HANDLE h = FromDib(MakeDib(1, 12000, 24, [](int, int y) { return uint32_t(y); }));
    ASSERT_NE(h, 0u);
    EXPECT_EQ(IMG_rotate_bitmap(h, 90), IMG_ERR_UNSUPPORTED);
    EXPECT_EQ(InfoOf(h).width, 1);
    EXPECT_EQ(InfoOf(h).height, 12000);
    EXPECT_EQ(RawAt(h, 0, 11999), 11999u);
    IMG_delete_bitmap(h);
}

}   // namespace
