// Ternary raster operations: each result bit is looked up in the operation's
// truth table, indexed by the pattern, source and destination bits.
#include "gdi/gdi.h"
#include "gdi/gdi_objects.h"

#include <algorithm>
#include <vector>

namespace {

uint32_t PixelOf(COLORREF c)
{
    return ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}

BYTE Code(DWORD rop)
{
    return BYTE(rop >> 16);
}

bool UsesPattern(DWORD rop)
{
    return ((Code(rop) >> 4) ^ Code(rop)) & 0x0F;
}

bool UsesSource(DWORD rop)
{
    return ((Code(rop) >> 2) ^ Code(rop)) & 0x33;
}

uint32_t Ternary(BYTE code, uint32_t p, uint32_t s, uint32_t d)
{
    uint32_t out = 0;
    for (int i = 0; i < 8; ++i)
        if ((code >> i) & 1)
            out |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
    return out & 0x00FFFFFF;
}

bool IsMono(HBITMAP b)
{
    return b->bitsPixel == 1;
}

// The brush as the destination's pixels hold it.
uint32_t PatternFor(HDC dst)
{
    HBRUSH brush = dst->brush ? dst->brush : GetStockBrush(WHITE_BRUSH);
    uint32_t colour = PixelOf(GdiBrushColour(brush));
    if (!IsMono(dst->bitmap))
        return colour;
    int luminance = (int((colour >> 16) & 255) * 30 + int((colour >> 8) & 255) * 59 + int(colour & 255) * 11) / 100;
    return luminance >= 128 ? 0xFFFFFFu : 0u;
}

// Converts one source pixel into the destination's format.
struct SourceConversion {
    enum { None, ToMono, ToColour } kind = None;
    uint32_t background = 0;   // ToMono: the source colour that becomes white
    uint32_t black = 0, white = 0;   // ToColour: what 0 and 1 become

    uint32_t operator()(uint32_t s) const
    {
        switch (kind) {
        case ToMono: return s == background ? 0xFFFFFFu : 0u;
        case ToColour: return s ? white : black;
        default: return s;
        }
    }
};

SourceConversion ConversionFor(HDC dst, HDC src)
{
    SourceConversion c;
    if (IsMono(dst->bitmap) && !IsMono(src->bitmap)) {
        c.kind = SourceConversion::ToMono;
        c.background = PixelOf(src->bkColor);
    } else if (!IsMono(dst->bitmap) && IsMono(src->bitmap)) {
        c.kind = SourceConversion::ToColour;
        c.black = PixelOf(dst->textColor);
        c.white = PixelOf(dst->bkColor);
    }
    return c;
}

struct Span {
    int64_t x0, y0, x1, y1;   // destination, clipped, end exclusive
};

// The destination rectangle that both bitmaps cover.
Span Clip(HBITMAP d, HBITMAP s, int x, int y, int width, int height, int xSrc, int ySrc)
{
    Span r{std::max<int64_t>(x, 0), std::max<int64_t>(y, 0), std::min<int64_t>(int64_t(x) + width, d->width),
           std::min<int64_t>(int64_t(y) + height, d->height)};
    if (s) {
        int64_t dx = int64_t(x) - xSrc, dy = int64_t(y) - ySrc;
        r.x0 = std::max(r.x0, dx);
        r.y0 = std::max(r.y0, dy);
        r.x1 = std::min(r.x1, dx + s->width);
        r.y1 = std::min(r.y1, dy + s->height);
    }
    return r;
}

} // namespace

BOOL GdiRasterBlt(HDC dst, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, DWORD rop)
{
    const bool needSource = UsesSource(rop);
    if (!dst || !dst->bitmap || (needSource && (!src || !src->bitmap)))
        return FALSE;
    if (UsesPattern(rop) && dst->brush && dst->brush->hollow)
        return TRUE;
    HBITMAP d = dst->bitmap;
    HBITMAP s = needSource ? src->bitmap : nullptr;
    if (width <= 0 || height <= 0)
        return TRUE;
    const Span span = Clip(d, s, x, y, width, height, xSrc, ySrc);
    if (span.x0 >= span.x1 || span.y0 >= span.y1)
        return TRUE;
    const BYTE code = Code(rop);
    const uint32_t pattern = UsesPattern(rop) ? PatternFor(dst) : 0;
    const SourceConversion convert = s ? ConversionFor(dst, src) : SourceConversion{};
    // A blit within one bitmap reads the source as it was before the blit.
    std::vector<uint32_t> copy;
    const uint32_t* sourcePixels = nullptr;
    if (s) {
        if (s == d)
            copy = s->pixels;
        sourcePixels = s == d ? copy.data() : s->pixels.data();
    }
    const int64_t sxOff = int64_t(xSrc) - x, syOff = int64_t(ySrc) - y;
    for (int64_t ty = span.y0; ty < span.y1; ++ty) {
        uint32_t* row = d->pixels.data() + size_t(ty) * size_t(d->width);
        const uint32_t* srow = s ? sourcePixels + size_t(ty + syOff) * size_t(s->width) : nullptr;
        for (int64_t tx = span.x0; tx < span.x1; ++tx) {
            uint32_t sp = srow ? convert(srow[tx + sxOff]) : 0;
            row[tx] = code == 0xCC ? sp : Ternary(code, pattern, sp, row[tx]);
        }
    }
    return TRUE;
}

BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop)
{
    if (UsesSource(rop))
        return FALSE;
    return GdiRasterBlt(dc, x, y, width, height, nullptr, 0, 0, rop);
}
