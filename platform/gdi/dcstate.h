// What a DC knows beyond its raster: mapping, device capabilities and the
// surface it draws on. Internal to the drawing services.
#pragma once

#include <string>

#include "gdi/gdi.h"

struct GdiDcState {
    int mapMode = MM_TEXT;
    POINT windowOrg{0, 0}, viewportOrg{0, 0};
    SIZE windowExt{1, 1}, viewportExt{1, 1};
    // Set for DCs made by GdiCreateDeviceDC; others report from their depth.
    bool hasCaps = false;
    GdiDeviceCaps caps;
    std::string technologyName;   // caps.technologyName is not kept
    GdiSurface* surface = nullptr;
    HBITMAP owned = nullptr;   // raster freed with the DC
};

GdiDcState& GdiStateOf(HDC dc);

// Logical to device without the null checks of LPtoDP.
POINT GdiToDevice(const GdiDcState& state, POINT p);

// A memory DC of this depth with no raster selected.
HDC GdiNewDC(int bitsPixel);
