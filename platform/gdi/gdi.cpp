#include "gdi/gdi.h"
#include "gdi/gdi_objects.h"

#include "gdi/dcstate.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

namespace {

HDC__& Screen()
{
    static HDC__ screen{true, 24, 1024, 768};
    return screen;
}

// The system palette of a palette device: the 3-3-2 colour cube.
PALETTEENTRY SystemEntry(UINT i)
{
    return PALETTEENTRY{BYTE(((i >> 5) & 7) * 255 / 7), BYTE(((i >> 2) & 7) * 255 / 7),
                        BYTE((i & 3) * 255 / 3), 0};
}

uint32_t FromQuad(const RGBQUAD& q)
{
    return (uint32_t(q.rgbRed) << 16) | (uint32_t(q.rgbGreen) << 8) | q.rgbBlue;
}

int TableEntries(const BITMAPINFOHEADER& h)
{
    if (h.biBitCount > 8)
        return 0;
    int full = 1 << h.biBitCount;
    return (h.biClrUsed > 0 && h.biClrUsed < DWORD(full)) ? int(h.biClrUsed) : full;
}

uint32_t DibPixel(const uint8_t* row, int x, const BITMAPINFOHEADER& h, const RGBQUAD* table,
                  int entries)
{
    int index;
    switch (h.biBitCount) {
    case 1: index = (row[x >> 3] >> (7 - (x & 7))) & 1; break;
    case 4: index = (x & 1) ? (row[x >> 1] & 15) : (row[x >> 1] >> 4); break;
    case 8: index = row[x]; break;
    case 24: return (uint32_t(row[3 * x + 2]) << 16) | (uint32_t(row[3 * x + 1]) << 8) | row[3 * x];
    case 32: return (uint32_t(row[4 * x + 2]) << 16) | (uint32_t(row[4 * x + 1]) << 8) | row[4 * x];
    default: return 0;
    }
    return index < entries ? FromQuad(table[index]) : 0;
}

int Nearest(uint32_t rgb, const RGBQUAD* table, int entries)
{
    int best = 0, bestDistance = INT_MAX;
    int r = (rgb >> 16) & 255, g = (rgb >> 8) & 255, b = rgb & 255;
    for (int i = 0; i < entries; ++i) {
        int dr = r - table[i].rgbRed, dg = g - table[i].rgbGreen, db = b - table[i].rgbBlue;
        int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
            if (d == 0)
                break;
        }
    }
    return best;
}

void PutDibPixel(uint8_t* row, int x, int bits, uint32_t rgb, const RGBQUAD* table, int entries)
{
    switch (bits) {
    case 1: {
        int bit = Nearest(rgb, table, entries) & 1;
        row[x >> 3] = uint8_t((row[x >> 3] & ~(0x80 >> (x & 7))) | (bit << (7 - (x & 7))));
        break;
    }
    case 4: {
        int v = Nearest(rgb, table, entries) & 15;
        row[x >> 1] = (x & 1) ? uint8_t((row[x >> 1] & 0xF0) | v) : uint8_t((row[x >> 1] & 0x0F) | (v << 4));
        break;
    }
    case 8: row[x] = uint8_t(Nearest(rgb, table, entries)); break;
    case 24:
        row[3 * x] = uint8_t(rgb);
        row[3 * x + 1] = uint8_t(rgb >> 8);
        row[3 * x + 2] = uint8_t(rgb >> 16);
        break;
    }
}

HDC__* Target(HDC dc)
{
    return dc;
}

// Memory DCs alive, so a deleted palette is taken out of every one that holds it.
std::set<HDC__*>& LiveDcs()
{
    static std::set<HDC__*> dcs;
    return dcs;
}

void ForgetPalette(HDC__* dc, HPALETTE palette)
{
    if (dc->palette == palette)
        dc->palette = nullptr;
    if (dc->realized == palette)
        dc->realized = nullptr;
}

}   // namespace

HPALETTE CreatePalette(const LOGPALETTE* palette)
{
    if (!palette || palette->palVersion != 0x300 || palette->palNumEntries == 0)
        return nullptr;
    auto* p = new HPALETTE__;
    p->entries.assign(palette->palPalEntry, palette->palPalEntry + palette->palNumEntries);
    return p;
}

UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries)
{
    if (!palette)
        return 0;
    if (!entries)
        return UINT(palette->entries.size());
    UINT n = 0;
    for (UINT i = start; i < palette->entries.size() && n < count; ++i, ++n)
        entries[n] = palette->entries[i];
    return n;
}

HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL)
{
    if (!dc)
        return nullptr;
    HPALETTE previous = dc->palette;
    dc->palette = palette;
    return previous;
}

UINT RealizePalette(HDC dc)
{
    if (!dc)
        return UINT(GDI_ERROR);
    dc->realized = dc->palette;
    return dc->palette ? UINT(dc->palette->entries.size()) : 0;
}

UINT GetSystemPaletteEntries(HDC dc, UINT start, UINT count, PALETTEENTRY* entries)
{
    if (!dc || !entries)
        return 0;
    UINT n = 0;
    for (UINT i = start; i < 256 && n < count; ++i, ++n)
        entries[n] = SystemEntry(i);
    return n;
}

BOOL DeleteObject(HPALETTE palette)
{
    if (!palette)
        return FALSE;
    ForgetPalette(&Screen(), palette);
    for (HDC__* dc : LiveDcs())
        ForgetPalette(dc, palette);
    delete palette;
    return TRUE;
}

BOOL DeleteObject(HBITMAP bitmap)
{
    if (!bitmap || bitmap->selectedIn > 0)
        return FALSE;
    delete bitmap;
    return TRUE;
}

int GetObject(HBITMAP bitmap, int bytes, void* out)
{
    if (!bitmap || !out || bytes < int(sizeof(BITMAP)))
        return 0;
    BITMAP b{};
    b.bmWidth = bitmap->width;
    b.bmHeight = bitmap->height;
    b.bmWidthBytes = LONG(((bitmap->width * bitmap->bitsPixel + 15) / 16) * 2);
    b.bmPlanes = 1;
    b.bmBitsPixel = WORD(bitmap->bitsPixel);
    std::memcpy(out, &b, sizeof b);
    return sizeof b;
}

HDC GetDC(HWND)
{
    return &Screen();
}

int ReleaseDC(HWND, HDC)
{
    return 1;
}

HWND GetActiveWindow()
{
    return nullptr;
}

void GdiSetScreen(int width, int height, int bitsPerPixel)
{
    Screen().width = width;
    Screen().height = height;
    Screen().bitsPixel = bitsPerPixel;
}

HDC CreateCompatibleDC(HDC dc)
{
    auto* memory = new HDC__;
    memory->bitsPixel = dc ? dc->bitsPixel : Screen().bitsPixel;
    if (dc && dc->state.hasCaps) {
        memory->state.hasCaps = true;
        memory->state.caps = dc->state.caps;
        memory->state.technologyName = dc->state.technologyName;
    }
    LiveDcs().insert(memory);
    return memory;
}

BOOL DeleteDC(HDC dc)
{
    if (!dc || dc->screen)
        return FALSE;
    if (dc->bitmap)
        --dc->bitmap->selectedIn;
    if (dc->state.owned && dc->state.owned->selectedIn == 0)
        delete dc->state.owned;
    GdiReleaseDrawingObjects(dc);
    LiveDcs().erase(dc);
    delete dc;
    return TRUE;
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height)
{
    if (!dc || width <= 0 || height <= 0 || int64_t(width) * height > (int64_t(1) << 28))
        return nullptr;
    auto* b = new HBITMAP__;
    b->width = width;
    b->height = height;
    // A memory DC holding a monochrome bitmap makes monochrome bitmaps.
    b->bitsPixel = dc->bitmap && dc->bitmap->bitsPixel == 1 ? 1 : dc->bitsPixel;
    b->pixels.assign(size_t(width) * height, 0);
    return b;
}

HBITMAP SelectObject(HDC dc, HBITMAP bitmap)
{
    if (!dc || dc->screen)
        return nullptr;
    HBITMAP previous = dc->bitmap;
    if (previous)
        --previous->selectedIn;
    dc->bitmap = bitmap;
    if (bitmap)
        ++bitmap->selectedIn;
    return previous;
}

int GetDeviceCaps(HDC dc, int index)
{
    if (!dc)
        return 0;
    const GdiDcState& state = dc->state;
    const int bits = dc->bitsPixel;
    const bool palette = bits == 8;
    const int dpiX = state.hasCaps ? state.caps.logPixelsX : 96;
    const int dpiY = state.hasCaps ? state.caps.logPixelsY : 96;
    const int width = dc->bitmap ? dc->bitmap->width : state.hasCaps ? state.caps.width : dc->width;
    const int height = dc->bitmap ? dc->bitmap->height : state.hasCaps ? state.caps.height : dc->height;
    switch (index) {
    case HORZRES: return width;
    case VERTRES: return height;
    case HORZSIZE: return dpiX > 0 ? int(int64_t(width) * 254 / (10 * int64_t(dpiX))) : 0;
    case VERTSIZE: return dpiY > 0 ? int(int64_t(height) * 254 / (10 * int64_t(dpiY))) : 0;
    case BITSPIXEL: return bits;
    case PLANES: return 1;
    // Devices of more than 256 colours answer -1.
    case NUMCOLORS: return bits == 1 ? 2 : bits == 4 ? 16 : bits == 8 ? 20 : -1;
    case SIZEPALETTE: return palette ? 1 << bits : 0;
    case RASTERCAPS:
        return RC_BITBLT | RC_STRETCHBLT | RC_STRETCHDIB | RC_DI_BITMAP | (palette ? RC_PALETTE : 0);
    case TECHNOLOGY: return state.hasCaps ? state.caps.technology : DT_RASDISPLAY;
    case LOGPIXELSX: return dpiX;
    case LOGPIXELSY: return dpiY;
    default: return 0;
    }
}

namespace {

// One axis of a stretch: for each destination pixel the source index it shows.
std::vector<int> StretchMap(int destination, int sourceStart, int sourceLength, bool mirrored)
{
    std::vector<int> map(static_cast<size_t>(destination));
    for (int i = 0; i < destination; ++i) {
        int64_t u = mirrored ? destination - 1 - i : i;
        map[size_t(i)] = int(sourceStart + u * sourceLength / destination);
    }
    return map;
}

uint32_t ApplyRop(uint32_t rgb, DWORD rop)
{
    return rop == NOTSRCCOPY ? (~rgb & 0xFFFFFF) : rgb;
}

}   // namespace

int StretchDIBits(HDC dc, int xDst, int yDst, int wDst, int hDst, int xSrc, int ySrc, int wSrc,
                  int hSrc, const void* bits, const BITMAPINFO* info, UINT, DWORD rop)
{
    HDC__* target = Target(dc);
    if (!target || (!target->bitmap && !target->state.surface) || !bits || !info || wSrc <= 0 ||
        hSrc <= 0)
        return 0;
    const BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biWidth <= 0 || h.biHeight <= 0)
        return 0;
    // The destination in device pixels; a negative extent mirrors the picture.
    const POINT a = GdiToDevice(target->state, POINT{xDst, yDst});
    const POINT b = GdiToDevice(target->state, POINT{xDst + wDst, yDst + hDst});
    const int w = std::abs(int(b.x - a.x)), hd = std::abs(int(b.y - a.y));
    if (w == 0 || hd == 0)
        return 0;
    const int x0 = std::min(a.x, b.x), y0 = std::min(a.y, b.y);
    const auto* table = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const uint8_t*>(info) + h.biSize);
    const int entries = TableEntries(h);
    const size_t stride = DibRowBytes(h.biWidth, h.biBitCount);
    const auto* base = static_cast<const uint8_t*>(bits);
    const std::vector<int> columns = StretchMap(w, xSrc, wSrc, b.x < a.x);
    const std::vector<int> rows = StretchMap(hd, 0, hSrc, b.y < a.y);
    auto sourceRow = [&](int i) -> const uint8_t* {
        // Rows from the top of the source rectangle; the DIB counts from the bottom.
        int64_t dibRow = int64_t(ySrc) + (hSrc - 1 - rows[size_t(i)]);
        return dibRow < 0 || dibRow >= h.biHeight ? nullptr : base + size_t(dibRow) * stride;
    };
    if (GdiSurface* surface = target->state.surface) {
        std::vector<uint32_t> pixels(size_t(w) * hd, 0);
        for (int j = 0; j < hd; ++j) {
            const uint8_t* row = sourceRow(j);
            for (int i = 0; row && i < w; ++i) {
                int sx = columns[size_t(i)];
                if (sx >= 0 && sx < h.biWidth)
                    pixels[size_t(j) * w + i] = ApplyRop(DibPixel(row, sx, h, table, entries), rop);
            }
        }
        surface->StretchPixels(x0, y0, w, hd, pixels.data(), w, hd);
        return hd;
    }
    HBITMAP raster = target->bitmap;
    for (int j = 0; j < hd; ++j) {
        const int ty = y0 + j;
        const uint8_t* row = sourceRow(j);
        if (ty < 0 || ty >= raster->height || !row)
            continue;
        uint32_t* out = raster->pixels.data() + size_t(ty) * raster->width;
        for (int i = 0; i < w; ++i) {
            const int tx = x0 + i, sx = columns[size_t(i)];
            if (tx >= 0 && tx < raster->width && sx >= 0 && sx < h.biWidth)
                out[tx] = ApplyRop(DibPixel(row, sx, h, table, entries), rop);
        }
    }
    return hd;
}

BOOL BitBlt(HDC dst, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, DWORD rop)
{
    return GdiRasterBlt(dst, x, y, width, height, src, xSrc, ySrc, rop);
}

int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT)
{
    if (!dc || !bitmap || !info)
        return 0;
    BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biBitCount == 0) {
        h.biWidth = bitmap->width;
        h.biHeight = bitmap->height;
        h.biPlanes = 1;
        h.biBitCount = WORD(bitmap->bitsPixel);
        h.biCompression = BI_RGB;
        h.biSizeImage = DibRowBytes(h.biWidth, h.biBitCount) * DWORD(h.biHeight);
        if (!bits)
            return bitmap->height;
    }
    if (h.biBitCount != 1 && h.biBitCount != 4 && h.biBitCount != 8 && h.biBitCount != 24)
        return 0;
    auto* table = reinterpret_cast<RGBQUAD*>(reinterpret_cast<uint8_t*>(info) + h.biSize);
    const int entries = h.biBitCount <= 8 ? 1 << h.biBitCount : 0;
    if (!bits) {
        for (int i = 0; i < entries; ++i) {
            PALETTEENTRY e = SystemEntry(UINT(i * 256 / entries));
            if (dc->palette && size_t(i) < dc->palette->entries.size())
                e = dc->palette->entries[i];
            if (h.biBitCount == 1)
                e = i ? PALETTEENTRY{255, 255, 255, 0} : PALETTEENTRY{0, 0, 0, 0};
            table[i] = RGBQUAD{e.peBlue, e.peGreen, e.peRed, 0};
        }
        h.biSizeImage = DibRowBytes(h.biWidth, h.biBitCount) * DWORD(std::abs(h.biHeight));
        return bitmap->height;
    }
    const size_t stride = DibRowBytes(bitmap->width, h.biBitCount);
    auto* out = static_cast<uint8_t*>(bits);
    UINT done = 0;
    for (UINT r = start; r < start + lines && r < UINT(bitmap->height); ++r, ++done) {
        uint8_t* row = out + size_t(done) * stride;
        std::memset(row, 0, stride);
        const uint32_t* src = bitmap->pixels.data() + size_t(bitmap->height - 1 - int(r)) * bitmap->width;
        for (int x = 0; x < bitmap->width; ++x)
            PutDibPixel(row, x, h.biBitCount, src[x], table, entries);
    }
    return int(done);
}

const uint32_t* GdiBitmapPixels(HBITMAP bitmap, int* width, int* height)
{
    if (!bitmap)
        return nullptr;
    if (width)
        *width = bitmap->width;
    if (height)
        *height = bitmap->height;
    return bitmap->pixels.data();
}

GdiDcState& GdiStateOf(HDC dc)
{
    return dc->state;
}

HDC GdiNewDC(int bitsPixel)
{
    HDC dc = CreateCompatibleDC(nullptr);
    dc->bitsPixel = bitsPixel;
    return dc;
}

HBITMAP GdiSelectedBitmap(HDC dc)
{
    return dc ? dc->bitmap : nullptr;
}
