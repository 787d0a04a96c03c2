// Drawing into memory DCs of each depth and the 300-dpi printer stand-in,
// checked pixel by pixel.
#include <gtest/gtest.h>

#include <memory>

#include "draw.h"
#include "engine.h"
#include "test_util.h"

using namespace vtest;

namespace {

struct DcDeleter {
    void operator()(HDC__* dc) const { DeleteDC(dc); }
};
using Dc = std::unique_ptr<HDC__, DcDeleter>;

Dc MemoryDc(int bits, int width, int height)
{
    return Dc(GdiCreateMemoryDC(bits, width, height));
}

uint32_t Px(HDC dc, int x, int y)
{
    int w = 0;
    const uint32_t* p = GdiBitmapPixels(GdiSelectedBitmap(dc), &w, nullptr);
    return p[size_t(y) * w + x];
}

struct Picture {
    explicit Picture(IMG_HANDLE h) : handle(h) {}
    ~Picture() { IMG_delete_bitmap(handle); }
    IMG_HANDLE handle;
};

// Each pixel's colour tells its place: red = column, green = row.
uint32_t PlaceColour(int x, int y)
{
    return uint32_t(x) << 16 | uint32_t(y) << 8 | 0x33;
}

// The 8 x 8 ordered-dither thresholds, row-major.
const uint8_t kBayer[64] = {4,   128, 32,  160, 8,   136, 40,  168, 192, 64,  224, 96,  200, 72,  232, 104,
                            48,  176, 16,  144, 56,  184, 24,  152, 240, 112, 208, 80,  248, 120, 216, 88,
                            12,  140, 44,  172, 4,   132, 36,  164, 204, 76,  236, 108, 196, 68,  228, 100,
                            60,  188, 28,  156, 52,  180, 20,  148, 252, 124, 220, 92,  244, 116, 212, 84};

TEST(Display, TrueColourDeviceShowsNearestNeighbourSamples)
{
    Picture pic(FromDib(MakeDib(4, 3, 24, PlaceColour)));
    Dc dc = MemoryDc(24, 20, 20);
    const uint32_t before = vantor::HandleTableSize();
    ASSERT_EQ(IMG_display_bitmap(pic.handle, dc.get(), 2, 1, 8, 6), 0);
    EXPECT_EQ(vantor::HandleTableSize(), before);   // the band picture is gone
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(Px(dc.get(), 2 + x, 1 + y), PlaceColour(x / 2, y / 2)) << x << "," << y;
    EXPECT_EQ(Px(dc.get(), 10, 1), 0u);

    // Only the crop rectangle is drawn; shrinking samples every third column.
    ASSERT_EQ(IMG_set_croprect(pic.handle, 1, 1, 3, 2), 0);
    ASSERT_EQ(IMG_display_bitmap(pic.handle, dc.get(), 0, 10, 1, 2), 0);
    EXPECT_EQ(Px(dc.get(), 0, 10), PlaceColour(1, 1));
    EXPECT_EQ(Px(dc.get(), 0, 11), PlaceColour(1, 2));
}

TEST(Display, DrawsInDevicePixelsAndRestoresTheCallersMapping)
{
    Picture pic(FromDib(MakeDib(2, 2, 24, PlaceColour)));
    Dc dc = MemoryDc(24, 20, 20);
    SetMapMode(dc.get(), MM_ANISOTROPIC);
    SetWindowExtEx(dc.get(), 1, 1, nullptr);
    SetViewportExtEx(dc.get(), 3, 3, nullptr);
    SetViewportOrgEx(dc.get(), 1, 2, nullptr);
    ASSERT_EQ(IMG_display_bitmap(pic.handle, dc.get(), 1, 1, 2, 2), 0);
    // (1,1)-(3,3) logical is (4,5)-(10,11) in device pixels, 3 pixels per source pixel.
    EXPECT_EQ(Px(dc.get(), 4, 5), PlaceColour(0, 0));
    EXPECT_EQ(Px(dc.get(), 9, 10), PlaceColour(1, 1));
    EXPECT_EQ(Px(dc.get(), 10, 10), 0u);
    EXPECT_EQ(GetMapMode(dc.get()), MM_ANISOTROPIC);
    SIZE ext;
    POINT org;
    GetViewportExtEx(dc.get(), &ext);
    GetViewportOrgEx(dc.get(), &org);
    EXPECT_EQ(ext.cx, 3);
    EXPECT_EQ(org.y, 2);
    const vantor::Record* r = vantor::Lookup(pic.handle);
    EXPECT_EQ(r->displayX, 1);
    EXPECT_EQ(r->displayWidth, 2);
}

TEST(Display, PaletteDeviceGetsTheCubeForTrueColourPictures)
{
    const uint32_t colours[3] = {0xFF8040, 0x123456, 0xFFFFFF};
    Picture pic(FromDib(MakeDib(3, 1, 24, [&](int x, int) { return colours[x]; })));
    Dc dc = MemoryDc(8, 3, 1);
    ASSERT_EQ(IMG_display_bitmap(pic.handle, dc.get(), 0, 0, 3, 1), 0);
    auto cube = [](int i) {
        return uint32_t(((i >> 5) & 7) * 255 / 7) << 16 | uint32_t(((i >> 2) & 7) * 255 / 7) << 8 | uint32_t((i & 3) * 255 / 3);
    };
    for (int x = 0; x < 3; ++x) {
        const int r = colours[x] >> 16, g = (colours[x] >> 8) & 255, b = colours[x] & 255;
        EXPECT_EQ(Px(dc.get(), x, 0), cube((r & 0xE0) | ((g >> 3) & 0x1C) | (b >> 6))) << x;
    }
    EXPECT_EQ(Px(dc.get(), 0, 0), 0xFF9155u);   // index 0xF1
}

TEST(Display, SixteenColourDeviceGetsTheOrderedDither)
{
    // Pure red: red is over every threshold, green and blue under all of them,
    // and the intensity (75 - 40 = 35) over the thresholds up to 32.
    Picture pic(FromDib(MakeDib(16, 16, 24, [](int, int) { return 0xFF0000u; })));
    Dc dc = MemoryDc(4, 16, 16);
    ASSERT_EQ(IMG_display_bitmap(pic.handle, dc.get(), 0, 0, 16, 16), 0);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ(Px(dc.get(), x, y), kBayer[8 * (y % 8) + x % 8] <= 35 ? 0xFF0000u : 0xC80000u) << x << "," << y;
    // An 8-bit picture goes through its table: pure blue, intensity 27 - 40 < 0.
    Picture blue(FromDib(MakeDib(8, 8, 8, [](int, int) { return 0u; }, {{255, 0, 0, 0}})));
    ASSERT_EQ(IMG_display_bitmap(blue.handle, dc.get(), 0, 0, 8, 8), 0);
    for (int i = 0; i < 64; ++i)
        ASSERT_EQ(Px(dc.get(), i % 8, i / 8), 0x0000C8u) << i;
}

TEST(Display, MonochromeDeviceMatchesTheEngineDiffusionAcrossBands)
{
    // 2000 columns give 1-bit bands of 146 rows: 300 rows cross two band edges.
    const int w = 2000, h = 300;
    auto value = [](int x, int y) {
        return uint32_t((x * 7 + y * 3) & 255) << 16 | uint32_t((x ^ y) & 255) << 8 | uint32_t((y * 5) & 255);
    };
    Picture pic(FromDib(MakeDib(w, h, 24, value)));
    // The diffusion runs from the bottom DIB row; the display from the top row.
    Picture flipped(FromDib(MakeDib(w, h, 24, [&](int x, int y) { return value(x, h - 1 - y); })));
    ASSERT_EQ(IMG_diffusion_mono(flipped.handle), 0);
    Dc dc = MemoryDc(1, w, h);
    ASSERT_EQ(IMG_display_bitmap(pic.handle, dc.get(), 0, 0, w, h), 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t expect = RawAt(flipped.handle, x, h - 1 - y) ? 0xFFFFFFu : 0u;
            ASSERT_EQ(Px(dc.get(), x, y), expect) << x << "," << y;
        }
}

TEST(Display, MonochromeOnlyForPicturesOfFourBitsOrMoreAndNotForPostScript)
{
    Picture pic(FromDib(MakeDib(4, 4, 24, [](int, int) { return 0x336699u; })));
    Dc mono = MemoryDc(1, 4, 4);
    ASSERT_EQ(IMG_display_bitmap(pic.handle, mono.get(), 0, 0, 4, 4), 0);
    EXPECT_TRUE(Px(mono.get(), 2, 2) == 0 || Px(mono.get(), 2, 2) == 0xFFFFFFu);

    GdiDeviceCaps caps = GdiPrinterCaps(4, 4, 1);
    caps.technologyName = "PostScript";
    Dc ps(GdiCreateDeviceDC(caps));
    ASSERT_EQ(IMG_print_bitmap(pic.handle, ps.get(), 0, 0, 4, 4), 0);
    EXPECT_EQ(Px(ps.get(), 2, 2), 0x336699u);

    // A 1-bit picture goes to a monochrome device as it is.
    std::vector<RGBQUAD> table = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    Picture bits(FromDib(MakeDib(4, 1, 1, [](int x, int) { return uint32_t(x & 1); }, table)));
    ASSERT_EQ(IMG_display_bitmap(bits.handle, mono.get(), 0, 0, 4, 1), 0);
    EXPECT_EQ(Px(mono.get(), 0, 0), 0u);
    EXPECT_EQ(Px(mono.get(), 1, 0), 0xFFFFFFu);
}

vantor::DeviceFacts Printer300()
{
    vantor::DeviceFacts device;
    device.colours = 2;
    device.bitsPixel = 1;
    device.logPixelsX = 300;
    return device;
}

TEST(ToneMap, LightensFor300DpiPrintersThatDoNotScale)
{
    BITMAPINFOHEADER h24{40, 1, 1, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    uint8_t tone[256];
    vantor::BuildToneMap(h24, nullptr, Printer300(), tone);
    EXPECT_EQ(tone[128], 198);
    EXPECT_EQ(tone[255], 244);
    EXPECT_EQ(tone[0], 24);

    vantor::DeviceFacts scaled = Printer300();
    scaled.scaling = true;
    scaled.exponent = POINT{0, 1};
    vantor::BuildToneMap(h24, nullptr, scaled, tone);
    EXPECT_EQ(tone[128], 198);   // no horizontal scaling: still lightened
    scaled.exponent = POINT{1, 0};
    vantor::BuildToneMap(h24, nullptr, scaled, tone);
    EXPECT_EQ(tone[128], 128);
    vantor::DeviceFacts fine = Printer300();
    fine.logPixelsX = 600;
    // Palette pictures: the 30/59/11 grey of each entry.
    BITMAPINFOHEADER h4{40, 1, 1, 1, 4, BI_RGB, 0, 0, 0, 0, 0};
    RGBQUAD table[16] = {{0, 0, 255, 0}, {128, 128, 128, 0}};
    vantor::BuildToneMap(h4, table, fine, tone);
    EXPECT_EQ(tone[0], 76);   // pure red
    EXPECT_EQ(tone[1], 128);
}

TEST(Print, MonochromePrinterDiffusesTheLightenedGrey)
{
    // Mid-grey 128 prints as 198: the same bits as the engine's diffusion of 198.
    const int w = 200, h = 120;
    Picture grey(FromDib(MakeDib(w, h, 24, [](int, int) { return 0x808080u; })));
    Picture lightened(FromDib(MakeDib(w, h, 24, [](int, int) { return 0xC6C6C6u; })));
    ASSERT_EQ(IMG_diffusion_mono(lightened.handle), 0);
    Dc printer(GdiCreateDeviceDC(GdiPrinterCaps(w, h, 1)));
    ASSERT_EQ(IMG_print_bitmap(grey.handle, printer.get(), 0, 0, w, h), 0);
    int white = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t expect = RawAt(lightened.handle, x, h - 1 - y) ? 0xFFFFFFu : 0u;
            ASSERT_EQ(Px(printer.get(), x, y), expect) << x << "," << y;
            white += expect != 0;
        }
    EXPECT_NEAR(double(white) / (w * h), 198.0 / 255.0, 0.03);
}

TEST(Display, LargeEnlargementsReachTheLastColumn)
{
    Picture pic(FromDib(MakeDib(1000, 1, 24, [](int x, int) { return uint32_t(x / 4) << 16; })));
    Dc dc = MemoryDc(24, 30000, 1);
    ASSERT_EQ(IMG_display_bitmap(pic.handle, dc.get(), 0, 0, 30000, 1), 0);
    EXPECT_EQ(Px(dc.get(), 29999, 0), uint32_t(999 / 4) << 16);
    EXPECT_EQ(Px(dc.get(), 15010, 0), uint32_t(500 / 4) << 16);
}

TEST(Print, ScalingExponentsStretchEveryBandWithoutGaps)
{
    // 2000 columns at 24 bits: bands of 6 rows, so 20 rows make 4 bands.
    Picture pic(FromDib(MakeDib(2000, 20, 24, [](int, int y) { return 0x010000u * uint32_t(y + 1); })));
    GdiDeviceCaps caps = GdiPrinterCaps(4000, 40, 24);
    caps.scalingSupported = true;
    caps.scalingExponent = POINT{1, 1};
    Dc printer(GdiCreateDeviceDC(caps));
    ASSERT_EQ(IMG_print_bitmap(pic.handle, printer.get(), 0, 0, 2000, 20), 0);
    for (int y = 0; y < 40; ++y) {
        ASSERT_EQ(Px(printer.get(), 0, y), 0x010000u * uint32_t(y / 2 + 1)) << y;
        ASSERT_EQ(Px(printer.get(), 3999, y), 0x010000u * uint32_t(y / 2 + 1)) << y;
    }
}

TEST(PrintFast, TakesTheCropRowsCountedFromTheBottom)
{
    Picture pic(FromDib(MakeDib(100, 100, 24, PlaceColour)));
    ASSERT_EQ(IMG_set_croprect(pic.handle, 10, 20, 30, 40), 0);
    Dc printer(GdiCreateDeviceDC(GdiPrinterCaps(30, 40, 24)));
    ASSERT_EQ(IMG_print_bitmap_fast(pic.handle, printer.get(), 0, 0, 30, 40), 0);
    // Source rows 40 to 79 from the bottom are picture lines 20 to 59 from the top.
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 30; ++x)
            ASSERT_EQ(Px(printer.get(), x, y), PlaceColour(10 + x, 20 + y)) << x << "," << y;

    // No tone map, no dithering on a monochrome printer; scaling doubles the sides.
    GdiDeviceCaps caps = GdiPrinterCaps(60, 80, 1);
    caps.scalingSupported = true;
    caps.scalingExponent = POINT{1, 1};
    Dc scaled(GdiCreateDeviceDC(caps));
    ASSERT_EQ(IMG_print_bitmap_fast(pic.handle, scaled.get(), 0, 0, 30, 40), 0);
    EXPECT_EQ(Px(scaled.get(), 59, 79), PlaceColour(39, 59));
    EXPECT_EQ(Px(scaled.get(), 0, 0), PlaceColour(10, 20));
}

TEST(Display, BadHandlesAndDevices)
{
    Dc dc = MemoryDc(24, 4, 4);
    EXPECT_EQ(IMG_display_bitmap(0, dc.get(), 0, 0, 4, 4), IMG_ERR_HANDLE);
    EXPECT_EQ(IMG_print_bitmap_fast(12345, dc.get(), 0, 0, 4, 4), IMG_ERR_HANDLE);
    IMG_HANDLE h = FromDib(MakeDib(2, 2, 24, PlaceColour));
    IMG_delete_bitmap(h);
    EXPECT_EQ(IMG_display_bitmap(h, dc.get(), 0, 0, 4, 4), IMG_ERR_HANDLE);
    Picture pic(FromDib(MakeDib(2, 2, 24, PlaceColour)));
    EXPECT_EQ(IMG_display_bitmap(pic.handle, nullptr, 0, 0, 4, 4), IMG_ERR_DEVICE);
    // A DC with nothing to draw on fails rather than pretending.
    Dc empty(CreateCompatibleDC(nullptr));
    EXPECT_EQ(IMG_display_bitmap(pic.handle, empty.get(), 0, 0, 4, 4), IMG_ERR_DEVICE);
    EXPECT_EQ(IMG_display_bitmap(pic.handle, dc.get(), 0, 0, 0, 4), 0);   // nothing to draw
}

TEST(Display, RowsWiderThanABandStillDraw)
{
    EXPECT_EQ(vantor::BandRows(40000, 0), 1u);
    EXPECT_EQ(vantor::BandRows(8, 8), 4602u);
    Picture pic(FromDib(MakeDib(2, 2, 24, PlaceColour)));
    Dc dc = MemoryDc(24, 13000, 2);
    ASSERT_EQ(IMG_display_bitmap(pic.handle, dc.get(), 0, 0, 13000, 2), 0);
    EXPECT_EQ(Px(dc.get(), 12999, 1), PlaceColour(1, 1));
    EXPECT_EQ(Px(dc.get(), 0, 0), PlaceColour(0, 0));
}

}   // namespace
