// Mapping modes, escapes and the device stand-ins: memory DCs of any depth, the
// printer raster, DCs over another surface.
#include <cstdlib>
#include <cstring>

#include "gdi/dcstate.h"

namespace {

// a * b / c rounded to the nearest, halves away from zero.
LONG MulDivRound(int64_t a, int64_t b, int64_t c)
{
    if (c == 0)
        return 0;
    int64_t n = a * b;
    bool negative = (n < 0) != (c < 0);
    int64_t q = (std::llabs(n) + std::llabs(c) / 2) / std::llabs(c);
    return LONG(negative ? -q : q);
}

// Logical units per inch of the fixed mapping modes; 0 for the others.
int UnitsPerInch(int mode)
{
    switch (mode) {
    case MM_LOMETRIC: return 254;
    case MM_HIMETRIC: return 2540;
    case MM_LOENGLISH: return 100;
    case MM_HIENGLISH: return 1000;
    case MM_TWIPS: return 1440;
    default: return 0;
    }
}

bool Scalable(int mode)
{
    return mode == MM_ISOTROPIC || mode == MM_ANISOTROPIC;
}

// An isotropic mapping keeps one logical unit the same size both ways: the
// larger of the two scales gives way.
void MakeIsotropic(GdiDcState& s)
{
    if (s.mapMode != MM_ISOTROPIC || s.windowExt.cx == 0 || s.windowExt.cy == 0)
        return;
    int64_t ax = std::llabs(int64_t(s.viewportExt.cx)) * std::llabs(int64_t(s.windowExt.cy));
    int64_t ay = std::llabs(int64_t(s.viewportExt.cy)) * std::llabs(int64_t(s.windowExt.cx));
    if (ax > ay) {
        LONG v = MulDivRound(std::llabs(int64_t(s.windowExt.cx)), std::llabs(int64_t(s.viewportExt.cy)),
                             std::llabs(int64_t(s.windowExt.cy)));
        s.viewportExt.cx = s.viewportExt.cx < 0 ? -v : v;
    } else if (ay > ax) {
        LONG v = MulDivRound(std::llabs(int64_t(s.windowExt.cy)), std::llabs(int64_t(s.viewportExt.cx)),
                             std::llabs(int64_t(s.windowExt.cx)));
        s.viewportExt.cy = s.viewportExt.cy < 0 ? -v : v;
    }
}

bool Supports(const GdiDcState& s, int escape)
{
    switch (escape) {
    case QUERYESCSUPPORT: return true;
    case GETSCALINGFACTOR: return s.hasCaps && s.caps.scalingSupported;
    case GETTECHNOLOGY: return !s.technologyName.empty();
    default: return false;
    }
}

}   // namespace

POINT GdiToDevice(const GdiDcState& s, POINT p)
{
    if (s.windowExt.cx == 0 || s.windowExt.cy == 0)
        return p;
    return POINT{MulDivRound(int64_t(p.x) - s.windowOrg.x, s.viewportExt.cx, s.windowExt.cx) + s.viewportOrg.x,
                 MulDivRound(int64_t(p.y) - s.windowOrg.y, s.viewportExt.cy, s.windowExt.cy) + s.viewportOrg.y};
}

int SetMapMode(HDC dc, int mode)
{
    if (!dc || mode < MM_TEXT || mode > MM_ANISOTROPIC)
        return 0;
    GdiDcState& s = GdiStateOf(dc);
    const int previous = s.mapMode;
    s.mapMode = mode;
    if (mode == MM_TEXT) {
        s.windowExt = SIZE{1, 1};
        s.viewportExt = SIZE{1, 1};
    } else if (int units = UnitsPerInch(mode)) {
        // Fixed modes: y grows upwards, units of a fixed physical size.
        s.windowExt = SIZE{units, units};
        s.viewportExt = SIZE{GetDeviceCaps(dc, LOGPIXELSX), -GetDeviceCaps(dc, LOGPIXELSY)};
    }
    MakeIsotropic(s);
    return previous;
}

int GetMapMode(HDC dc)
{
    return dc ? GdiStateOf(dc).mapMode : 0;
}

BOOL SetWindowOrgEx(HDC dc, int x, int y, POINT* previous)
{
    if (!dc)
        return FALSE;
    GdiDcState& s = GdiStateOf(dc);
    if (previous)
        *previous = s.windowOrg;
    s.windowOrg = POINT{x, y};
    return TRUE;
}

BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* previous)
{
    if (!dc)
        return FALSE;
    GdiDcState& s = GdiStateOf(dc);
    if (previous)
        *previous = s.viewportOrg;
    s.viewportOrg = POINT{x, y};
    return TRUE;
}

BOOL GetWindowOrgEx(HDC dc, POINT* origin)
{
    if (!dc || !origin)
        return FALSE;
    *origin = GdiStateOf(dc).windowOrg;
    return TRUE;
}

BOOL GetViewportOrgEx(HDC dc, POINT* origin)
{
    if (!dc || !origin)
        return FALSE;
    *origin = GdiStateOf(dc).viewportOrg;
    return TRUE;
}

BOOL SetWindowExtEx(HDC dc, int x, int y, SIZE* previous)
{
    if (!dc)
        return FALSE;
    GdiDcState& s = GdiStateOf(dc);
    if (previous)
        *previous = s.windowExt;
    if (!Scalable(s.mapMode))
        return TRUE;
    if (x == 0 || y == 0)
        return FALSE;
    s.windowExt = SIZE{x, y};
    MakeIsotropic(s);
    return TRUE;
}

BOOL SetViewportExtEx(HDC dc, int x, int y, SIZE* previous)
{
    if (!dc)
        return FALSE;
    GdiDcState& s = GdiStateOf(dc);
    if (previous)
        *previous = s.viewportExt;
    if (!Scalable(s.mapMode))
        return TRUE;
    if (x == 0 || y == 0)
        return FALSE;
    s.viewportExt = SIZE{x, y};
    MakeIsotropic(s);
    return TRUE;
}

BOOL GetWindowExtEx(HDC dc, SIZE* extent)
{
    if (!dc || !extent)
        return FALSE;
    *extent = GdiStateOf(dc).windowExt;
    return TRUE;
}

BOOL GetViewportExtEx(HDC dc, SIZE* extent)
{
    if (!dc || !extent)
        return FALSE;
    *extent = GdiStateOf(dc).viewportExt;
    return TRUE;
}

BOOL LPtoDP(HDC dc, POINT* points, int count)
{
    if (!dc || (!points && count > 0) || count < 0)
        return FALSE;
    const GdiDcState& s = GdiStateOf(dc);
    for (int i = 0; i < count; ++i)
        points[i] = GdiToDevice(s, points[i]);
    return TRUE;
}

BOOL DPtoLP(HDC dc, POINT* points, int count)
{
    if (!dc || (!points && count > 0) || count < 0)
        return FALSE;
    const GdiDcState& s = GdiStateOf(dc);
    if (s.viewportExt.cx == 0 || s.viewportExt.cy == 0)
        return FALSE;
    for (int i = 0; i < count; ++i) {
        POINT& p = points[i];
        p = POINT{MulDivRound(int64_t(p.x) - s.viewportOrg.x, s.windowExt.cx, s.viewportExt.cx) + s.windowOrg.x,
                  MulDivRound(int64_t(p.y) - s.viewportOrg.y, s.windowExt.cy, s.viewportExt.cy) + s.windowOrg.y};
    }
    return TRUE;
}

int ExtEscape(HDC dc, int escape, int inBytes, LPCSTR in, int outBytes, LPSTR out)
{
    if (!dc)
        return -1;
    const GdiDcState& s = GdiStateOf(dc);
    if (!Supports(s, escape))
        return 0;
    switch (escape) {
    case QUERYESCSUPPORT: {
        int asked = 0;
        if (!in || inBytes < int(sizeof asked))
            return -1;
        std::memcpy(&asked, in, sizeof asked);
        return Supports(s, asked) ? 1 : 0;
    }
    case GETSCALINGFACTOR:
        if (!out || outBytes < int(sizeof(POINT)))
            return -1;
        std::memcpy(out, &s.caps.scalingExponent, sizeof(POINT));
        return 1;
    case GETTECHNOLOGY:
        if (!out || outBytes <= int(s.technologyName.size()))
            return -1;
        std::memcpy(out, s.technologyName.c_str(), s.technologyName.size() + 1);
        return 1;
    default:
        return 0;
    }
}

int Escape(HDC dc, int escape, int inBytes, LPCSTR in, LPVOID out)
{
    const int outBytes = escape == GETSCALINGFACTOR ? int(sizeof(POINT)) : escape == GETTECHNOLOGY ? 64 : 0;
    return ExtEscape(dc, escape, inBytes, in, outBytes, static_cast<LPSTR>(out));
}

GdiDeviceCaps GdiDisplayCaps(int width, int height, int bitsPixel)
{
    GdiDeviceCaps caps;
    caps.width = width;
    caps.height = height;
    caps.bitsPixel = bitsPixel;
    return caps;
}

GdiDeviceCaps GdiPrinterCaps(int width, int height, int bitsPixel, int dpi)
{
    GdiDeviceCaps caps = GdiDisplayCaps(width, height, bitsPixel);
    caps.technology = DT_RASPRINTER;
    caps.logPixelsX = dpi;
    caps.logPixelsY = dpi;
    return caps;
}

HDC GdiCreateDeviceDC(const GdiDeviceCaps& caps, GdiSurface* surface)
{
    const int bits = caps.bitsPixel;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return nullptr;
    if (caps.width <= 0 || caps.height <= 0 || caps.logPixelsX <= 0 || caps.logPixelsY <= 0)
        return nullptr;
    HDC dc = GdiNewDC(bits);
    GdiDcState& s = GdiStateOf(dc);
    s.hasCaps = true;
    s.caps = caps;
    s.technologyName = caps.technologyName ? caps.technologyName : "";
    s.caps.technologyName = nullptr;
    s.surface = surface;
    if (!surface) {
        HBITMAP raster = CreateCompatibleBitmap(dc, caps.width, caps.height);
        if (!raster) {
            DeleteDC(dc);
            return nullptr;
        }
        SelectObject(dc, raster);
        s.owned = raster;
    }
    return dc;
}

HDC GdiCreateMemoryDC(int bitsPixel, int width, int height)
{
    return GdiCreateDeviceDC(GdiDisplayCaps(width, height, bitsPixel));
}
