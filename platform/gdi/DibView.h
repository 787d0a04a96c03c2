// One checked look at device-independent bitmap data: the info header, the
// colour table and the rows, each length proved against the bytes there
// before anything points into them. Every caller outside the image engine
// that reads BMP or packed-DIB bytes goes through this view.
#pragma once

#include <cstddef>
#include <cstdint>

#include "types/wintypes.h"

enum class DibCheck {
    Ok,
    NotBmp,       // no "BM" where a file starts
    Truncated,    // a header, the colour table or the rows run past the end
    BadHeader,    // sizes, planes or colour counts that cannot be
    Unsupported,  // a compression or depth the view does not give rows for
};

struct DibLimits {
    int32_t largestSide = 32767;
};

// Borrows the bytes it was made from; they must outlive it.
struct DibView {
    int32_t width = 0;
    int32_t height = 0;           // always positive
    bool topDown = false;         // a negative stored height
    WORD bitCount = 0;
    bool coreHeader = false;      // the 12-byte header with 3-byte colours
    DWORD headerSize = 0;
    const uint8_t* header = nullptr;   // as stored, headerSize bytes
    const uint8_t* colours = nullptr;  // colourCount entries of colourEntrySize bytes
    uint32_t colourCount = 0;
    uint32_t colourEntrySize = 4;
    const uint8_t* bits = nullptr;     // imageBytes bytes, stride a row
    size_t stride = 0;
    size_t imageBytes = 0;
    size_t packedBytes = 0;       // header + table + rows, from `header` on

    // Rows counted from the top of the picture.
    const uint8_t* Row(int32_t top) const
    {
        const int32_t stored = topDown ? top : height - 1 - top;
        return bits + size_t(stored) * stride;
    }
    // Entry `index` of the table, black past its end.
    RGBQUAD Colour(uint32_t index) const;
    // The info header as a 40-byte header, a core header widened.
    BITMAPINFOHEADER Info() const;
};

// Bytes in one row of `width` pixels of `bits` each, padded to 4 bytes.
uint64_t DibStride(int64_t width, int bits);

// A packed DIB: info header, colour table, rows.
DibCheck ViewPackedDib(const uint8_t* dib, size_t size, DibView& view, DibLimits limits = {});
// A BMP file: the 14-byte file header first; its pixel offset is honoured
// when it points past the colour table.
DibCheck ViewBmpFile(const uint8_t* file, size_t size, DibView& view, DibLimits limits = {});

const char* DibCheckText(DibCheck check);
