// Drawing a picture into a device context: the display path, the banded print
// path and the fast print path, with what they ask of the device.
#pragma once

#include <cstdint>

#include "engine.h"

namespace vantor {

enum class DrawPath {
    Display,     // destination in logical units, banded and adapted to the device
    Print,       // destination as given, banded and adapted to the device
    PrintFast,   // destination in logical units, one stretch of the crop rectangle
};

int DrawPicture(IMG_HANDLE handle, HDC dc, int16_t x, int16_t y, int16_t width, int16_t height,
                DrawPath path);

// What a drawing needs to know of its device.
struct DeviceFacts {
    int colours = -1;            // NUMCOLORS; -1 for more than 256
    int bitsPixel = 24;          // BITSPIXEL x PLANES
    int logPixelsX = 96;
    bool scaling = false;        // GETSCALINGFACTOR supported
    POINT exponent{0, 0};        // its answer, 0..15
    bool postScript = false;     // GETTECHNOLOGY answers "PostScript"
};
DeviceFacts AskDevice(HDC dc);

// Monochrome devices (fewer than 4 colours, not PostScript) get a 1-bit
// rendering of pictures of 4 bits or more.
bool MonochromeDrawing(const DeviceFacts& device, int pictureBits);

// Grey level per colour-table index (per grey level for 24 bits), lightened for
// 300-dpi printers that do not scale horizontally.
void BuildToneMap(const BITMAPINFOHEADER& header, const RGBQUAD* table, const DeviceFacts& device,
                  uint8_t tone[256]);

// Rows a band holds: what fits in 36864 bytes beside header and colour table,
// never fewer than one.
uint32_t BandRows(uint32_t bandStride, uint32_t tableBytes);

}   // namespace vantor
