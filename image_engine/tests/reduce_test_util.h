// Hand-built packed DIBs for the colour reduction tests, and readers of results.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "colour_reduce.h"

namespace vantor::test {

struct Rgb {
    int r, g, b;
};

// A packed DIB with a zeroed full colour table and zeroed rows, no spare rows.
inline std::vector<uint8_t> MakeDib(int width, int height, int bits)
{
    const size_t stride = DibRowBytes(width, WORD(bits));
    const size_t table = size_t(ColourTableEntries(bits)) * 4;
    std::vector<uint8_t> dib(40 + table + stride * size_t(height), 0);
    BITMAPINFOHEADER h{};
    h.biSize = 40;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = WORD(bits);
    h.biSizeImage = DWORD(stride * size_t(height));
    h.biXPelsPerMeter = 3780;
    h.biYPelsPerMeter = 2835;
    std::memcpy(dib.data(), &h, 40);
    return dib;
}

inline BITMAPINFOHEADER HeaderOf(const std::vector<uint8_t>& dib)
{
    BITMAPINFOHEADER h;
    std::memcpy(&h, dib.data(), 40);
    return h;
}

inline RGBQUAD* TableOf(std::vector<uint8_t>& dib) { return reinterpret_cast<RGBQUAD*>(dib.data() + 40); }

inline const RGBQUAD* TableOf(const std::vector<uint8_t>& dib)
{
    return reinterpret_cast<const RGBQUAD*>(dib.data() + 40);
}

inline size_t StrideOf(const std::vector<uint8_t>& dib)
{
    const BITMAPINFOHEADER h = HeaderOf(dib);
    return DibRowBytes(h.biWidth, h.biBitCount);
}

// DIB row y (0 is the bottom row).
inline const uint8_t* RowOf(const std::vector<uint8_t>& dib, int y)
{
    const BITMAPINFOHEADER h = HeaderOf(dib);
    return dib.data() + 40 + size_t(ColourTableEntries(h.biBitCount)) * 4 + StrideOf(dib) * size_t(y);
}

inline uint8_t* RowOf(std::vector<uint8_t>& dib, int y)
{
    return const_cast<uint8_t*>(RowOf(static_cast<const std::vector<uint8_t>&>(dib), y));
}

inline void SetTableEntry(std::vector<uint8_t>& dib, int i, Rgb c)
{
    TableOf(dib)[i] = RGBQUAD{BYTE(c.b), BYTE(c.g), BYTE(c.r), 0};
}

// A 24-bit picture whose pixel (x, DIB row y) is colour(x, y).
inline std::vector<uint8_t> Picture24(int width, int height, const std::function<Rgb(int, int)>& colour)
{
    std::vector<uint8_t> dib = MakeDib(width, height, 24);
    for (int y = 0; y < height; ++y) {
        uint8_t* p = RowOf(dib, y);
        for (int x = 0; x < width; ++x, p += 3) {
            const Rgb c = colour(x, y);
            p[0] = uint8_t(c.b);
            p[1] = uint8_t(c.g);
            p[2] = uint8_t(c.r);
        }
    }
    return dib;
}

inline std::vector<uint8_t> Uniform24(int width, int height, Rgb c)
{
    return Picture24(width, height, [c](int, int) { return c; });
}

// A 24-bit picture of grey levels given row by row, DIB row 0 first.
inline std::vector<uint8_t> Grey24(const std::vector<std::vector<int>>& rows)
{
    return Picture24(int(rows[0].size()), int(rows.size()), [&rows](int x, int y) {
        const int v = rows[size_t(y)][size_t(x)];
        return Rgb{v, v, v};
    });
}

inline int BitAt(const std::vector<uint8_t>& dib, int x, int y) { return (RowOf(dib, y)[x >> 3] >> (7 - (x & 7))) & 1; }

inline int NibbleAt(const std::vector<uint8_t>& dib, int x, int y)
{
    const uint8_t byte = RowOf(dib, y)[x >> 1];
    return (x & 1) ? byte & 15 : byte >> 4;
}

inline int ByteAt(const std::vector<uint8_t>& dib, int x, int y) { return RowOf(dib, y)[x]; }

using ReduceFn = int (*)(const uint8_t*, size_t, std::vector<uint8_t>&);

inline int Apply(ReduceFn fn, const std::vector<uint8_t>& dib, std::vector<uint8_t>& out)
{
    return fn(dib.data(), dib.size(), out);
}

}  // namespace vantor::test
