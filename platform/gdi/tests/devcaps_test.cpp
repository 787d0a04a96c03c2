#include <gtest/gtest.h>

#include <string>

#include "gdi/gdi.h"

namespace {

TEST(DeviceCaps, MemoryAndPrinterDcsReportTheirDevice)
{
    struct Case { int bits, colours; bool palette; };
    for (Case c : {Case{1, 2, false}, Case{4, 16, false}, Case{8, 20, true}, Case{24, -1, false}}) {
        HDC dc = GdiCreateMemoryDC(c.bits, 30, 20);
        ASSERT_NE(dc, nullptr) << c.bits;
        EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), c.bits);
        EXPECT_EQ(GetDeviceCaps(dc, NUMCOLORS), c.colours) << c.bits;
        EXPECT_EQ(bool(GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE), c.palette) << c.bits;
        EXPECT_EQ(GetDeviceCaps(dc, TECHNOLOGY), DT_RASDISPLAY);
        EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 30);
        EXPECT_TRUE(DeleteDC(dc));
    }
    EXPECT_EQ(GdiCreateMemoryDC(7, 10, 10), nullptr);
    EXPECT_EQ(GdiCreateMemoryDC(24, 0, 10), nullptr);

    HDC printer = GdiCreateDeviceDC(GdiPrinterCaps(2550, 3300, 1));
    EXPECT_EQ(GetDeviceCaps(printer, TECHNOLOGY), DT_RASPRINTER);
    EXPECT_EQ(GetDeviceCaps(printer, LOGPIXELSY), 300);
    EXPECT_EQ(GetDeviceCaps(printer, HORZSIZE), 215);   // 8.5 inches
    // A memory DC made compatible with it reports the printer.
    HDC memory = CreateCompatibleDC(printer);
    EXPECT_EQ(GetDeviceCaps(memory, LOGPIXELSX), 300);
    DeleteDC(memory);
    DeleteDC(printer);
}

TEST(DeviceCaps, EscapesAnswerOnlyWhatTheDeviceSupports)
{
    int scaling = GETSCALINGFACTOR, technology = GETTECHNOLOGY, other = 4711;
    auto asks = [](int& n) { return reinterpret_cast<LPCSTR>(&n); };
    HDC display = GdiCreateMemoryDC(24, 4, 4);
    EXPECT_EQ(ExtEscape(display, QUERYESCSUPPORT, sizeof(int), asks(technology), 0, nullptr), 0);
    POINT p{9, 9};
    EXPECT_EQ(Escape(display, GETSCALINGFACTOR, 0, nullptr, &p), 0);
    DeleteDC(display);

    GdiDeviceCaps caps = GdiPrinterCaps(100, 100, 24);
    caps.scalingSupported = true;
    caps.scalingExponent = POINT{1, 2};
    std::string name = "PostScript";
    caps.technologyName = name.c_str();
    HDC printer = GdiCreateDeviceDC(caps);
    name = "changed";   // the DC keeps its own copy
    EXPECT_EQ(ExtEscape(printer, QUERYESCSUPPORT, sizeof(int), asks(scaling), 0, nullptr), 1);
    EXPECT_EQ(ExtEscape(printer, QUERYESCSUPPORT, sizeof(int), asks(other), 0, nullptr), 0);
    EXPECT_EQ(ExtEscape(printer, QUERYESCSUPPORT, 2, asks(scaling), 0, nullptr), -1);   // short input
    EXPECT_EQ(Escape(printer, GETSCALINGFACTOR, 0, nullptr, &p), 1);
    EXPECT_EQ(p.x, 1);
    EXPECT_EQ(p.y, 2);
    char text[64] = {};
    EXPECT_EQ(ExtEscape(printer, GETTECHNOLOGY, 0, nullptr, sizeof text, text), 1);
    EXPECT_STREQ(text, "PostScript");
    char small[10];
    EXPECT_EQ(ExtEscape(printer, GETTECHNOLOGY, 0, nullptr, sizeof small, small), -1);
    EXPECT_EQ(ExtEscape(nullptr, QUERYESCSUPPORT, sizeof(int), asks(scaling), 0, nullptr), -1);
    DeleteDC(printer);
}

TEST(Mapping, FixedModesUseThePhysicalSizeAndTurnYUp)
{
    HDC dc = GdiCreateDeviceDC(GdiPrinterCaps(2550, 3300, 1));
    EXPECT_EQ(GetMapMode(dc), MM_TEXT);
    EXPECT_EQ(SetMapMode(dc, MM_LOENGLISH), MM_TEXT);
    POINT p{850, -1100};
    ASSERT_TRUE(LPtoDP(dc, &p, 1));
    EXPECT_EQ(p.x, 2550);
    EXPECT_EQ(p.y, 3300);
    ASSERT_TRUE(DPtoLP(dc, &p, 1));
    EXPECT_EQ(p.y, -1100);
    SetMapMode(dc, MM_TWIPS);
    POINT inch{1440, -1440};
    LPtoDP(dc, &inch, 1);
    EXPECT_EQ(inch.x, 300);
    EXPECT_EQ(inch.y, 300);
    // Extents are ignored outside the scalable modes.
    SetMapMode(dc, MM_TEXT);
    EXPECT_TRUE(SetWindowExtEx(dc, 10, 10, nullptr));
    SIZE e;
    GetWindowExtEx(dc, &e);
    EXPECT_EQ(e.cx, 1);
    DeleteDC(dc);
}

TEST(Mapping, AnisotropicAndIsotropicMappings)
{
    HDC dc = GdiCreateMemoryDC(24, 200, 100);
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowOrgEx(dc, 10, 20, nullptr);
    SetWindowExtEx(dc, 100, 100, nullptr);
    SetViewportExtEx(dc, 200, 50, nullptr);
    SetViewportOrgEx(dc, 5, 7, nullptr);
    POINT p{60, 40};
    LPtoDP(dc, &p, 1);
    EXPECT_EQ(p.x, 5 + (60 - 10) * 2);
    EXPECT_EQ(p.y, 7 + (40 - 20) / 2);
    DPtoLP(dc, &p, 1);
    EXPECT_EQ(p.x, 60);
    EXPECT_EQ(p.y, 40);
    EXPECT_FALSE(SetViewportExtEx(dc, 0, 5, nullptr));

    // Isotropic: the larger scale gives way, signs stay.
    SetMapMode(dc, MM_ISOTROPIC);
    SetWindowOrgEx(dc, 0, 0, nullptr);
    SetViewportOrgEx(dc, 0, 0, nullptr);
    SetWindowExtEx(dc, 100, 100, nullptr);
    SetViewportExtEx(dc, 200, -50, nullptr);
    SIZE v;
    GetViewportExtEx(dc, &v);
    EXPECT_EQ(v.cx, 50);
    EXPECT_EQ(v.cy, -50);
    DeleteDC(dc);
}

const BITMAPINFO* Info(const BITMAPINFOHEADER& h)
{
    return reinterpret_cast<const BITMAPINFO*>(&h);
}

TEST(Mapping, StretchDIBitsDrawsThroughTheMappingAndMirrorsNegativeExtents)
{
    // 2 x 1 24-bit DIB: red, blue.
    BITMAPINFOHEADER h{40, 2, 1, 1, 24, BI_RGB, 8, 0, 0, 0, 0};
    uint8_t bits[8] = {0, 0, 255, 255, 0, 0, 0, 0};
    HDC dc = GdiCreateMemoryDC(24, 8, 4);
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, 1, 1, nullptr);
    SetViewportExtEx(dc, 2, 2, nullptr);   // a logical unit is 2 x 2 pixels
    EXPECT_EQ(StretchDIBits(dc, 0, 0, 2, 1, 0, 0, 2, 1, bits, Info(h), DIB_RGB_COLORS, SRCCOPY), 2);
    const uint32_t* px = GdiBitmapPixels(GdiSelectedBitmap(dc), nullptr, nullptr);
    EXPECT_EQ(px[0], 0xFF0000u);
    EXPECT_EQ(px[1], 0xFF0000u);
    EXPECT_EQ(px[2], 0x0000FFu);
    EXPECT_EQ(px[8 + 3], 0x0000FFu);
    EXPECT_EQ(px[4], 0u);
    // A negative width mirrors: the right edge of the rectangle is x = 4.
    SetMapMode(dc, MM_TEXT);
    StretchDIBits(dc, 8, 3, -4, 1, 0, 0, 2, 1, bits, Info(h), DIB_RGB_COLORS, NOTSRCCOPY);
    EXPECT_EQ(px[3 * 8 + 4], 0xFFFF00u);   // inverted blue
    EXPECT_EQ(px[3 * 8 + 7], 0x00FFFFu);   // inverted red
    DeleteDC(dc);
}

}   // namespace
