// Drawing a bitmap with one colour see-through: the canister picture and the
// counter's digits over the window's menu colour.
#pragma once

#include "gdi/gdi.h"

class CDIBBitmap {
public:
    // Draws bitmap at (x, y) in dc; its pixels of the transparent colour show
    // the brush (useBrush, a solid brush) or what dc already holds there (no
    // brush flag, or a hollow brush). FALSE when nothing could be drawn.
    static BOOL GTransparentPaint(HDC dc, int x, int y, HBITMAP bitmap, COLORREF transparent,
                                  BOOL useBrush, HBRUSH brush);
};
