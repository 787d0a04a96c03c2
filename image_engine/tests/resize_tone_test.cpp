// Resizing picks, inversion, contrast and brightness, and sharpening.
#include <gtest/gtest.h>

#include "engine.h"
#include "test_util.h"

using namespace vtest;

namespace {

const int kDepths[] = {1, 4, 8, 24};

uint32_t Value(int i, int bits)
{
    switch (bits) {
    case 1: return uint32_t(i % 3 == 0);
    case 4: return uint32_t(i % 16);
    case 8: return uint32_t(i * 29 % 256);
    default: return uint32_t(i) * 0x0A0B0C + 0x010203;
    }
}

// Pixel (x, y) carries Value(x + 10 * y).
IMG_HANDLE Numbered(int width, int height, int bits)
{
    return FromDib(MakeDib(width, height, bits, [bits](int x, int y) { return Value(x + 10 * y, bits); }));
}

TEST(Resize, EnlargingRepeatsAndShrinkingSkips)
{
    for (int bits : kDepths) {
        IMG_HANDLE wide = Numbered(4, 1, bits);
        ASSERT_EQ(IMG_resize_bitmap(wide, 8, 1), 0);
        ASSERT_EQ(InfoOf(wide).width, 8);
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(RawAt(wide, x, 0), Value(x / 2, bits)) << bits << " bits, x " << x;

        IMG_HANDLE narrow = Numbered(8, 1, bits);
        ASSERT_EQ(IMG_resize_bitmap(narrow, 4, 1), 0);
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(RawAt(narrow, x, 0), Value(2 * x, bits)) << bits << " bits, x " << x;
        IMG_delete_bitmap(wide);
        IMG_delete_bitmap(narrow);
    }
}

TEST(Resize, RowsArePickedBottomUp)
{
    // Rows are counted from the bottom: of six rows, 6 -> 3 keeps bottom rows 0, 2
    // and 4, which are rows 5, 3 and 1 counted from the top.
    IMG_HANDLE h = Numbered(1, 6, 8);
    ASSERT_EQ(IMG_resize_bitmap(h, 1, 3), 0);
    EXPECT_EQ(RawAt(h, 0, 0), Value(10, 8));
    EXPECT_EQ(RawAt(h, 0, 1), Value(30, 8));
    EXPECT_EQ(RawAt(h, 0, 2), Value(50, 8));
    // 3 -> 7: steps of 768 / 7 = 109 pick bottom rows 0, 0, 0, 1, 1, 2, 2.
    ASSERT_EQ(IMG_resize_bitmap(h, 1, 7), 0);
    const int fromTop[] = {10, 10, 30, 30, 50, 50, 50};
    for (int y = 0; y < 7; ++y)
        EXPECT_EQ(RawAt(h, 0, y), Value(fromTop[y], 8)) << y;
    IMG_delete_bitmap(h);
}

TEST(Resize, ResetsCropAndDisplayAndKeepsPaddingClear)
{
    IMG_HANDLE h = FromDib(MakeDib(5, 5, 1, [](int, int) { return 1u; }));
    IMG_set_croprect(h, 1, 1, 2, 2);
    ASSERT_EQ(IMG_resize_bitmap(h, 13, 3), 0);
    uint16_t l = 9, t = 9, w = 0, ht = 0;
    IMG_get_croprect(h, &l, &t, &w, &ht);
    EXPECT_EQ(l, 0);
    EXPECT_EQ(t, 0);
    EXPECT_EQ(w, 13);
    EXPECT_EQ(ht, 3);
    EXPECT_EQ(vantor::Lookup(h)->displayWidth, 13);
    EXPECT_EQ(vantor::Lookup(h)->displayHeight, 3);
    HGLOBAL store = nullptr;
    IMG_bitmap_info(&store, h, nullptr, nullptr, nullptr);
    const uint8_t* row = GlobalBytes(store).data() + 40 + 8;
    EXPECT_EQ(row[0], 0xFF);
    EXPECT_EQ(row[1], 0xF8);   // 13 pixels set, the 3 past them clear
    EXPECT_EQ(row[2], 0);
    IMG_delete_bitmap(h);
}

TEST(Resize, RefusesSizesWithoutAPicture)
{
    IMG_HANDLE h = Numbered(4, 4, 24);
    EXPECT_EQ(IMG_resize_bitmap(h, 0, 4), IMG_ERR_UNSUPPORTED);
    EXPECT_EQ(IMG_resize_bitmap(h, 4, 0), IMG_ERR_UNSUPPORTED);
    EXPECT_EQ(IMG_resize_bitmap(h, 4, -3), IMG_ERR_UNSUPPORTED);
    EXPECT_EQ(IMG_resize_bitmap(h, 20000, 4), IMG_ERR_UNSUPPORTED);   // rows past 32767 bytes
    EXPECT_EQ(InfoOf(h).width, 4);
    IMG_delete_bitmap(h);
}

TEST(Invert, ComplementsIndicesAndColours)
{
    // (black, white): black pixels turn white.
    IMG_HANDLE mono = FromDib(MakeDib(9, 2, 1, [](int x, int) { return uint32_t(x % 2); },
                                      {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}}));
    ASSERT_EQ(IMG_invert_bitmap(mono), 0);
    EXPECT_EQ(ColourAt(mono, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(ColourAt(mono, 1, 0), 0u);
    EXPECT_EQ(ColourAt(mono, 8, 1), 0xFFFFFFu);

    IMG_HANDLE grey = FromDib(MakeDib(3, 1, 8, [](int x, int) { return uint32_t(x * 100); }));
    ASSERT_EQ(IMG_invert_bitmap(grey), 0);
    EXPECT_EQ(RawAt(grey, 2, 0), 55u);
    IMG_HANDLE colour = FromDib(MakeDib(2, 1, 24, [](int x, int) { return x ? 0x123456u : 0xFF0000u; }));
    ASSERT_EQ(IMG_invert_bitmap(colour), 0);
    EXPECT_EQ(RawAt(colour, 0, 0), 0x00FFFFu);
    EXPECT_EQ(RawAt(colour, 1, 0), 0xEDCBA9u);
    for (IMG_HANDLE h : {mono, grey, colour})
        IMG_delete_bitmap(h);
}

uint32_t Grey(uint8_t v) { return uint32_t(v) * 0x010101u; }

TEST(SetLut, TrueColourValues)
{
    struct Case {
        int contrast, brightness;
        uint8_t in, out;
    };
    const Case cases[] = {
        {0, 0, 100, 100}, {0, 0, 0, 0}, {0, 0, 255, 255},
        {-128, 0, 0, 128}, {-128, 0, 255, 128},   // no gain: everything mid grey
        {0, 128, 0, 255}, {0, 128, 100, 255},     // white
        {128, 0, 100, 72},                        // 100 * 512 >> 8 = 200, less 128
        {128, 0, 30, 0}, {0, -20, 30, 0}, {0, 10, 30, 50},
    };
    for (const Case& c : cases) {
        IMG_HANDLE h = FromDib(MakeDib(2, 2, 24, [&](int, int) { return Grey(c.in); }));
        ASSERT_EQ(IMG_set_lut(h, c.contrast, c.brightness), 0);
        EXPECT_EQ(RawAt(h, 1, 1), Grey(c.out)) << c.contrast << "," << c.brightness << " on " << int(c.in);
        IMG_delete_bitmap(h);
    }
    // True-colour pictures are changed in place, so calls accumulate.
    IMG_HANDLE h = FromDib(MakeDib(1, 1, 24, [](int, int) { return Grey(30); }));
    IMG_set_lut(h, 0, 10);
    IMG_set_lut(h, 0, 10);
    EXPECT_EQ(RawAt(h, 0, 0), Grey(70));
    IMG_delete_bitmap(h);
}

TEST(SetLut, PaletteStartsFromTheSavedTable)
{
    IMG_HANDLE h = FromDib(MakeDib(2, 1, 8, [](int x, int) { return uint32_t(x); }));
    const uint32_t before = ColourAt(h, 1, 0);
    ASSERT_EQ(IMG_set_lut(h, 0, 10), 0);
    ASSERT_EQ(IMG_set_lut(h, 0, 10), 0);
    auto lighter = [](uint32_t c, int by) {
        uint32_t out = 0;
        for (int shift : {0, 8, 16})
            out |= uint32_t(std::min(255, int((c >> shift) & 255) + by)) << shift;
        return out;
    };
    EXPECT_EQ(ColourAt(h, 1, 0), lighter(before, 20));   // once, not twice
    EXPECT_EQ(RawAt(h, 1, 0), 1u);                       // pixels untouched
    ASSERT_EQ(IMG_set_lut(h, 0, 0), 0);
    EXPECT_EQ(ColourAt(h, 1, 0), before);

    // A colour reduction replaces the table; the next change starts from the new one.
    ASSERT_EQ(IMG_set_lut(h, 0, 50), 0);
    ASSERT_EQ(IMG_color_gray(h), 0);
    const uint32_t reduced = ColourAt(h, 1, 0);
    ASSERT_EQ(IMG_set_lut(h, 0, 5), 0);
    EXPECT_EQ(ColourAt(h, 1, 0), lighter(reduced, 10));
    IMG_delete_bitmap(h);

    IMG_HANDLE four = FromDib(MakeDib(2, 1, 4, [](int x, int) { return uint32_t(x); }));
    ASSERT_EQ(IMG_set_lut(four, -128, 0), 0);
    EXPECT_EQ(ColourAt(four, 0, 0), Grey(128));
    IMG_delete_bitmap(four);

    IMG_HANDLE mono = FromDib(MakeDib(2, 1, 1, [](int x, int) { return uint32_t(x); }));
    EXPECT_EQ(IMG_set_lut(mono, 0, 10), IMG_ERR_UNSUPPORTED);
    IMG_delete_bitmap(mono);
}

std::vector<RGBQUAD> GreyTable(int entries)
{
    std::vector<RGBQUAD> table;
    for (int i = 0; i < entries; ++i) {
        auto g = uint8_t(i * 255 / (entries - 1));
        table.push_back(RGBQUAD{g, g, g, 0});
    }
    return table;
}

// A picture of the given value everywhere, or of an edge between two values.
IMG_HANDLE Edge(int bits, int width, int height, uint32_t dark, uint32_t light, int at)
{
    auto table = bits <= 8 ? GreyTable(1 << bits) : std::vector<RGBQUAD>{};
    return FromDib(MakeDib(width, height, bits, [=](int x, int) { return x < at ? dark : light; }, table));
}

TEST(Sharpen, FlatPicturesStayFlat)
{
    for (int strength : {0, 15, 16, 64, 128, -64, 32767, -32768}) {
        for (int bits : {4, 8, 24}) {
            uint32_t v = bits == 4 ? 9u : bits == 8 ? 120u : 0x4080C0u;
            IMG_HANDLE h = Edge(bits, 9, 7, v, v, 0);
            ASSERT_EQ(IMG_sharpen_bitmap(h, int16_t(strength)), 0);
            for (int y = 0; y < 7; ++y)
                for (int x = 0; x < 9; ++x)
                    ASSERT_EQ(RawAt(h, x, y), v) << bits << " bits, strength " << strength;
            IMG_delete_bitmap(h);
        }
    }
}

TEST(Sharpen, EdgesGainContrastAtEveryStrength)
{
    for (int strength : {0, 64, -64}) {
        IMG_HANDLE grey = Edge(8, 8, 5, 100, 150, 4);
        ASSERT_EQ(IMG_sharpen_bitmap(grey, int16_t(strength)), 0);
        EXPECT_LT(RawAt(grey, 3, 2), 100u) << strength;
        EXPECT_GT(RawAt(grey, 4, 2), 150u) << strength;
        EXPECT_EQ(RawAt(grey, 0, 2), 100u);   // far from the edge
        IMG_delete_bitmap(grey);

        IMG_HANDLE colour = Edge(24, 8, 5, 0x646464, 0x969696, 4);
        ASSERT_EQ(IMG_sharpen_bitmap(colour, int16_t(strength)), 0);
        EXPECT_LT(RawAt(colour, 3, 2) & 0xFF, 100u);
        EXPECT_GT(RawAt(colour, 4, 2) >> 16, 150u);
        IMG_delete_bitmap(colour);

        IMG_HANDLE sixteen = Edge(4, 8, 5, 6, 9, 4);
        ASSERT_EQ(IMG_sharpen_bitmap(sixteen, int16_t(strength)), 0);
        EXPECT_LT(RawAt(sixteen, 3, 2), 6u);
        EXPECT_GT(RawAt(sixteen, 4, 2), 9u);
        IMG_delete_bitmap(sixteen);
    }
    // A stronger request sharpens more.
    IMG_HANDLE mild = Edge(8, 8, 3, 100, 150, 4), strong = Edge(8, 8, 3, 100, 150, 4);
    IMG_sharpen_bitmap(mild, 0);
    IMG_sharpen_bitmap(strong, -112);
    EXPECT_LT(RawAt(strong, 3, 1), RawAt(mild, 3, 1));
    IMG_delete_bitmap(mild);
    IMG_delete_bitmap(strong);
}

// Bands of a wide picture are few rows high; the result must not depend on where
// their borders fall, so each column of a wide picture with a vertical profile
// matches a narrow picture filtered in one band.
TEST(Sharpen, BandBordersLeaveNoSeams)
{
    auto profile = [](int, int y) { return uint32_t((y * 53) % 200 + 20); };
    auto table = GreyTable(256);
    IMG_HANDLE wide = FromDib(MakeDib(4000, 29, 8, profile, table));
    IMG_HANDLE narrow = FromDib(MakeDib(3, 29, 8, profile, table));
    for (int16_t strength : {int16_t(0), int16_t(48)}) {
        ASSERT_EQ(IMG_sharpen_bitmap(wide, strength), 0);
        ASSERT_EQ(IMG_sharpen_bitmap(narrow, strength), 0);
        for (int y = 0; y < 29; ++y)
            ASSERT_EQ(RawAt(wide, 2000, y), RawAt(narrow, 1, y)) << "row " << y;
    }
    IMG_delete_bitmap(wide);
    IMG_delete_bitmap(narrow);
}

TEST(Sharpen, AcceptanceByDepthAndTable)
{
    IMG_HANDLE colours = FromDib(MakeDib(4, 4, 8, [](int x, int) { return uint32_t(x); }));   // not grey
    EXPECT_EQ(IMG_sharpen_bitmap(colours, 0), IMG_ERR_UNSUPPORTED);
    IMG_HANDLE mono = FromDib(MakeDib(9, 3, 1, [](int x, int) { return uint32_t(x > 4); }));
    const auto before = SaveMem(mono, IMG_TYPE_BMP);
    EXPECT_EQ(IMG_sharpen_bitmap(mono, 64), 0);
    EXPECT_EQ(SaveMem(mono, IMG_TYPE_BMP), before);
    IMG_delete_bitmap(colours);
    IMG_delete_bitmap(mono);
}

}   // namespace
