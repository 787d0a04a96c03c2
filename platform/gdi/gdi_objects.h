// The drawing objects behind the gdi handles, shared by the units of this
// library only (never installed beside gdi.h).
#pragma once

#include "gdi/gdi.h"
#include "gdi/dcstate.h"

#include <vector>

enum class GdiKind { Palette, Bitmap, Brush };

struct GdiObject {
    explicit GdiObject(GdiKind k) : kind(k) {}
    virtual ~GdiObject() = default;
    GdiKind kind;
};

struct HPALETTE__ : GdiObject {
    HPALETTE__() : GdiObject(GdiKind::Palette) {}
    std::vector<PALETTEENTRY> entries;
};

// A bitsPixel of 1 makes a monochrome bitmap: its pixels are only ever
// 0x000000 or 0xFFFFFF.
struct HBITMAP__ : GdiObject {
    HBITMAP__() : GdiObject(GdiKind::Bitmap) {}
    int width = 0, height = 0, bitsPixel = 24;
    int selectedIn = 0;
    std::vector<uint32_t> pixels;   // top row first, 0x00RRGGBB
};

struct HBRUSH__ : GdiObject {
    HBRUSH__() : GdiObject(GdiKind::Brush) {}
    COLORREF colour = 0;
    bool hollow = false;
    bool stock = false;
    int selectedIn = 0;
};

struct HDC__ {
    bool screen = false;
    int bitsPixel = 24;
    int width = 0, height = 0;
    HBITMAP bitmap = nullptr;
    HPALETTE palette = nullptr;
    HPALETTE realized = nullptr;
    HBRUSH brush = nullptr;             // null draws as the stock white brush
    COLORREF bkColor = 0x00FFFFFF;
    COLORREF textColor = 0x00000000;
    GdiDcState state;                   // mapping, capabilities, surface
};

// Lets go of the drawing objects a DC holds before it is deleted.
void GdiReleaseDrawingObjects(HDC dc);
// BitBlt with every raster operation, colour and monochrome bitmaps mixed.
BOOL GdiRasterBlt(HDC dst, int x, int y, int width, int height, HDC src, int xSrc, int ySrc,
                  DWORD rop);
