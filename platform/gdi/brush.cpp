#include "gdi/gdi.h"
#include "gdi/gdi_objects.h"

#include <cstring>

namespace {

HBRUSH__* MakeStock(COLORREF colour, bool hollow)
{
    auto* b = new HBRUSH__;
    b->colour = colour;
    b->hollow = hollow;
    b->stock = true;
    return b;
}

// Biggest raster a bitmap may hold, as for CreateCompatibleBitmap.
constexpr int64_t kMaxPixels = int64_t(1) << 28;

void ReadMonoBits(HBITMAP__& b, const uint8_t* bits)
{
    const size_t stride = ((size_t(b.width) + 15) / 16) * 2;
    for (int y = 0; y < b.height; ++y)
        for (int x = 0; x < b.width; ++x) {
            bool white = (bits[size_t(y) * stride + size_t(x >> 3)] >> (7 - (x & 7))) & 1;
            b.pixels[size_t(y) * b.width + x] = white ? 0xFFFFFFu : 0u;
        }
}

} // namespace

HBRUSH CreateSolidBrush(COLORREF colour)
{
    auto* b = new HBRUSH__;
    b->colour = colour & 0x00FFFFFF;
    return b;
}

HBRUSH GetStockBrush(int which)
{
    // Made once and kept for the life of the process, as stock objects are.
    static HBRUSH__* const stock[] = {
        MakeStock(RGB(255, 255, 255), false), MakeStock(RGB(192, 192, 192), false),
        MakeStock(RGB(128, 128, 128), false), MakeStock(RGB(64, 64, 64), false),
        MakeStock(RGB(0, 0, 0), false),       MakeStock(0, true),
    };
    if (which < 0 || which >= int(sizeof stock / sizeof stock[0]))
        return nullptr;
    return stock[which];
}

BOOL DeleteObject(HBRUSH brush)
{
    if (!brush)
        return FALSE;
    if (brush->stock)
        return TRUE;
    if (brush->selectedIn > 0)
        return FALSE;
    delete brush;
    return TRUE;
}

HBRUSH SelectObject(HDC dc, HBRUSH brush)
{
    if (!dc || !brush)
        return nullptr;
    HBRUSH previous = dc->brush ? dc->brush : GetStockBrush(WHITE_BRUSH);
    if (dc->brush)
        --dc->brush->selectedIn;
    dc->brush = brush;
    ++brush->selectedIn;
    return previous;
}

void GdiReleaseDrawingObjects(HDC dc)
{
    if (dc && dc->brush) {
        --dc->brush->selectedIn;
        dc->brush = nullptr;
    }
}

COLORREF GdiBrushColour(HBRUSH brush)
{
    return brush && !brush->hollow ? brush->colour : CLR_INVALID;
}

COLORREF SetBkColor(HDC dc, COLORREF colour)
{
    if (!dc)
        return CLR_INVALID;
    COLORREF previous = dc->bkColor;
    dc->bkColor = colour & 0x00FFFFFF;
    return previous;
}

COLORREF GetBkColor(HDC dc)
{
    return dc ? dc->bkColor : CLR_INVALID;
}

COLORREF SetTextColor(HDC dc, COLORREF colour)
{
    if (!dc)
        return CLR_INVALID;
    COLORREF previous = dc->textColor;
    dc->textColor = colour & 0x00FFFFFF;
    return previous;
}

COLORREF GetTextColor(HDC dc)
{
    return dc ? dc->textColor : CLR_INVALID;
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits)
{
    if (planes != 1 || (bitsPerPixel != 1 && bitsPerPixel != 32) || width <= 0 || height <= 0 ||
        int64_t(width) * height > kMaxPixels)
        return nullptr;
    auto* b = new HBITMAP__;
    b->width = width;
    b->height = height;
    b->bitsPixel = bitsPerPixel == 1 ? 1 : 24;
    b->pixels.assign(size_t(width) * height, 0);
    if (bits && bitsPerPixel == 1)
        ReadMonoBits(*b, static_cast<const uint8_t*>(bits));
    else if (bits)
        for (size_t i = 0; i < b->pixels.size(); ++i) {
            uint32_t v;
            std::memcpy(&v, static_cast<const uint8_t*>(bits) + 4 * i, 4);
            b->pixels[i] = v & 0x00FFFFFF;
        }
    return b;
}
