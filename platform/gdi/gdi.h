// The least of the drawing services the image engine and the image object need:
// logical palettes, device-dependent bitmaps held as 32-bit rasters in memory,
// memory device contexts with device capabilities, StretchDIBits, BitBlt and
// GetDIBits. No window system is touched; a widget that wants to show a raster
// reads it with GdiBitmapPixels.
#pragma once

#include <cstdint>

#include "gdi/globalmem.h"
#include "types/wintypes.h"

struct GdiObject;
typedef GdiObject* HGDIOBJ;
struct HPALETTE__;
typedef HPALETTE__* HPALETTE;
struct HBITMAP__;
typedef HBITMAP__* HBITMAP;
struct HDC__;
typedef HDC__* HDC;

struct BITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    void* bmBits;
};

constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr DWORD NOTSRCCOPY = 0x00330008;
constexpr UINT DIB_RGB_COLORS = 0;
constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
constexpr int BITSPIXEL = 12;
constexpr int PLANES = 14;
constexpr int NUMCOLORS = 24;
constexpr int RASTERCAPS = 38;
constexpr int SIZEPALETTE = 104;
constexpr int RC_PALETTE = 0x0100;
constexpr int RC_STRETCHDIB = 0x2000;
constexpr int RC_DI_BITMAP = 0x0080;
constexpr int GDI_ERROR = -1;

HPALETTE CreatePalette(const LOGPALETTE* palette);
UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries);
HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL background);
UINT RealizePalette(HDC dc);
UINT GetSystemPaletteEntries(HDC dc, UINT start, UINT count, PALETTEENTRY* entries);

// Deletes a palette or bitmap; a bitmap selected into a DC is refused (FALSE).
BOOL DeleteObject(HPALETTE palette);
BOOL DeleteObject(HBITMAP bitmap);
int GetObject(HBITMAP bitmap, int bytes, void* out);

// The screen: one process-wide DC whose depth tests may change (24 by default;
// 8 makes it a palette device).
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
HWND GetActiveWindow();
void GdiSetScreen(int width, int height, int bitsPerPixel);

HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
HBITMAP SelectObject(HDC dc, HBITMAP bitmap);
int GetDeviceCaps(HDC dc, int index);

// ySrc counts rows from the bottom of the DIB, as for a bottom-up DIB.
int StretchDIBits(HDC dc, int xDst, int yDst, int wDst, int hDst, int xSrc, int ySrc, int wSrc,
                  int hSrc, const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop);
BOOL BitBlt(HDC dst, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, DWORD rop);
// With bits null: fills the header (when its bit count is 0) or the colour table
// for the requested depth. Otherwise copies rows start.. (counted from the bottom).
int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info,
              UINT usage);

// The raster of a bitmap, top row first, 0x00RRGGBB per pixel; null for no bitmap.
const uint32_t* GdiBitmapPixels(HBITMAP bitmap, int* width, int* height);
// The bitmap selected into a memory DC (null for none).
HBITMAP GdiSelectedBitmap(HDC dc);

// ---- Device capabilities, mapping modes, escapes and device stand-ins ----
// (devcaps.cpp). A DC carries its mapping and what its device reports; memory
// DCs of any depth, a printer stand-in (a raster with printer technology) and
// DCs over another drawing surface (a window, an image, a printed page).

constexpr int HORZSIZE = 4;
constexpr int VERTSIZE = 6;
constexpr int TECHNOLOGY = 2;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;
constexpr int DT_RASDISPLAY = 1;
constexpr int DT_RASPRINTER = 2;
constexpr int RC_BITBLT = 0x0001;
constexpr int RC_STRETCHBLT = 0x0800;

constexpr int MM_TEXT = 1;
constexpr int MM_LOMETRIC = 2;
constexpr int MM_HIMETRIC = 3;
constexpr int MM_LOENGLISH = 4;
constexpr int MM_HIENGLISH = 5;
constexpr int MM_TWIPS = 6;
constexpr int MM_ISOTROPIC = 7;
constexpr int MM_ANISOTROPIC = 8;

constexpr int QUERYESCSUPPORT = 8;
constexpr int GETSCALINGFACTOR = 14;
constexpr int GETTECHNOLOGY = 20;

int SetMapMode(HDC dc, int mode);   // the previous mode, 0 on failure
int GetMapMode(HDC dc);
BOOL SetWindowOrgEx(HDC dc, int x, int y, POINT* previous);
BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* previous);
BOOL GetWindowOrgEx(HDC dc, POINT* origin);
BOOL GetViewportOrgEx(HDC dc, POINT* origin);
// Extents only count in MM_ISOTROPIC and MM_ANISOTROPIC; elsewhere they are ignored.
BOOL SetWindowExtEx(HDC dc, int x, int y, SIZE* previous);
BOOL SetViewportExtEx(HDC dc, int x, int y, SIZE* previous);
BOOL GetWindowExtEx(HDC dc, SIZE* extent);
BOOL GetViewportExtEx(HDC dc, SIZE* extent);
BOOL LPtoDP(HDC dc, POINT* points, int count);
BOOL DPtoLP(HDC dc, POINT* points, int count);

// QUERYESCSUPPORT (input: the escape number as an int), GETSCALINGFACTOR
// (output: POINT of exponents), GETTECHNOLOGY (output: the technology text).
// Positive when done, 0 when the escape is not supported, negative on error.
int ExtEscape(HDC dc, int escape, int inBytes, LPCSTR in, int outBytes, LPSTR out);
// The same without an output size: the output is trusted to be large enough
// (a POINT, or 64 bytes of text).
int Escape(HDC dc, int escape, int inBytes, LPCSTR in, LPVOID out);

// What a device reports. scalingSupported makes GETSCALINGFACTOR answer with
// scalingExponent; an empty technologyName leaves GETTECHNOLOGY unsupported.
struct GdiDeviceCaps {
    int width = 0, height = 0;   // HORZRES, VERTRES in device pixels
    int bitsPixel = 24;
    int technology = DT_RASDISPLAY;
    int logPixelsX = 96, logPixelsY = 96;
    bool scalingSupported = false;
    POINT scalingExponent{0, 0};
    const char* technologyName = "";
};
GdiDeviceCaps GdiDisplayCaps(int width, int height, int bitsPixel);
// A page of the given size at `dpi` with printer technology.
GdiDeviceCaps GdiPrinterCaps(int width, int height, int bitsPixel, int dpi = 300);

// A drawing surface behind a DC other than a memory raster. Pixels are top row
// first, 0x00RRGGBB, already through the raster operation.
class GdiSurface {
public:
    virtual ~GdiSurface() = default;
    virtual void StretchPixels(int x, int y, int width, int height, const uint32_t* pixels,
                               int sourceWidth, int sourceHeight) = 0;
};

// A DC with these capabilities. Without a surface it draws into a raster of
// caps.width x caps.height that it owns (DeleteDC frees it; GdiSelectedBitmap
// reads it); with one, drawing goes to the surface, which the caller keeps
// alive until DeleteDC. Null for a size or depth that cannot be held.
HDC GdiCreateDeviceDC(const GdiDeviceCaps& caps, GdiSurface* surface = nullptr);
// A memory DC of 1, 4, 8, 24 or 32 bits with its own raster.
HDC GdiCreateMemoryDC(int bitsPixel, int width, int height);

// ---- Brushes, monochrome bitmaps, DC colours and raster operations ----
// (brush.cpp, raster_ops.cpp). A monochrome bitmap holds black and white only.
// Blitting a colour source onto a monochrome bitmap turns the source DC's
// background colour white and every other colour black; blitting a monochrome
// source onto colour turns black into the destination DC's text colour and
// white into its background colour. A DC starts with a white brush, a white
// background colour and a black text colour.
struct HBRUSH__;
typedef HBRUSH__* HBRUSH;

constexpr DWORD SRCPAINT = 0x00EE0086;
constexpr DWORD SRCAND = 0x008800C6;
constexpr DWORD SRCINVERT = 0x00660046;
constexpr DWORD SRCERASE = 0x00440328;
constexpr DWORD NOTSRCERASE = 0x001100A6;
constexpr DWORD MERGECOPY = 0x00C000CA;
constexpr DWORD MERGEPAINT = 0x00BB0226;
constexpr DWORD PATCOPY = 0x00F00021;
constexpr DWORD PATPAINT = 0x00FB0A09;
constexpr DWORD PATINVERT = 0x005A0049;
constexpr DWORD DSTINVERT = 0x00550009;
constexpr DWORD BLACKNESS = 0x00000042;
constexpr DWORD WHITENESS = 0x00FF0062;
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;
constexpr int WHITE_BRUSH = 0;
constexpr int LTGRAY_BRUSH = 1;
constexpr int GRAY_BRUSH = 2;
constexpr int DKGRAY_BRUSH = 3;
constexpr int BLACK_BRUSH = 4;
constexpr int NULL_BRUSH = 5;
constexpr int HOLLOW_BRUSH = NULL_BRUSH;

HBRUSH CreateSolidBrush(COLORREF colour);
// A stock brush: never deleted (DeleteObject accepts it and does nothing).
HBRUSH GetStockBrush(int which);
// A brush still selected into a DC is refused (FALSE).
BOOL DeleteObject(HBRUSH brush);
// The brush used before, or null when dc or brush is null.
HBRUSH SelectObject(HDC dc, HBRUSH brush);
// A bare null deselects the bitmap, as it did before brushes came.
inline HBITMAP SelectObject(HDC dc, decltype(nullptr)) { return SelectObject(dc, HBITMAP(nullptr)); }
// The colour a brush paints with (CLR_INVALID for none or a hollow brush).
COLORREF GdiBrushColour(HBRUSH brush);
COLORREF SetBkColor(HDC dc, COLORREF colour);
COLORREF GetBkColor(HDC dc);
COLORREF SetTextColor(HDC dc, COLORREF colour);
COLORREF GetTextColor(HDC dc);
// Planes must be 1; 1 bit per pixel makes a monochrome bitmap (bits: rows top
// first, each padded to 16 bits, a set bit white), 32 a colour one (bits:
// 0x00RRGGBB per pixel). Bits may be null: all black.
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
// Fills with the DC's brush; raster operations that need a source are refused.
// A hollow brush paints nothing.
BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop);
