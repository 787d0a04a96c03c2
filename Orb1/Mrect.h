// Window utilities: a rectangle taken from a window, placing a window beside
// its parent, colours and the system version, confining the cursor.
#pragma once

#include "framework/Wnd.h"
#include "types/geometry.h"

class MRect : public CRect {
public:
    using CRect::CRect;
    MRect() = default;
    MRect(const RECT& r) : CRect(r) {}
    // The window's rectangle in screen coordinates (empty without a window).
    explicit MRect(const CWnd* window);

    // Moves the point to the nearest place inside (right and bottom edges excluded).
    CPoint Capture(CPoint point) const;
    MRect& Normalize();
};

// Right of the parent when that fits on the screen, else left of it, else
// centred on the screen; top-aligned with the parent but kept on the screen.
void MPositionWindow(HWND hwnd);

// This is a "Windows 95 or later" system: version 4.0.
WORD MGetSystemVersion();
BOOL MIsWindows95();
// Light grey for the menu colour on systems up to 3.94, else the system colour.
COLORREF MGetSysColorVer(int index);

class GCursor {
public:
    // Confines the cursor to the window's client area; null frees it.
    static void Clip(CWnd* window);
};
