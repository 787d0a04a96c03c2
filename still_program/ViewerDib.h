// The viewer's own reading of a BMP file, checked through the one DIB view:
// the packed bitmap it draws and copies, always with a 40-byte header whose
// colour count and image size are filled in, 4-byte colours and bottom-up rows.
#pragma once

#include "types/wintypes.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct ViewerDib {
    BITMAPINFOHEADER info {};
    // Info header, colour table and rows, as the clipboard takes them.
    std::vector<uint8_t> packed;
    size_t pixelOffset = 0;   // into packed
    size_t stride = 0;
};

// 0, or the engine's code for why not: -3 not a usable BMP file, -6 a
// compression the viewer does not draw. Every length is checked.
int ParseViewerDib(const uint8_t* file, size_t size, ViewerDib& dib);
// Only a regular file is read: a FIFO or device named like a picture fails at once.
bool ReadViewerDib(const char* path, ViewerDib& dib);

// The picture as 0xAARRGGBB pixels, top row first (width × height).
std::vector<uint32_t> ViewerDibPixels(const ViewerDib& dib);
