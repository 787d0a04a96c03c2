// Hand-built packed DIBs for the colour reduction tests, and readers of results.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "colour_reduce.h"

namespace vantor::test {

struct Rgb {
    int r, g, b;
};

using Dib = std::vector<uint8_t>;
using ReduceFn = int (*)(const uint8_t*, size_t, std::vector<uint8_t>&);

inline BITMAPINFOHEADER HeaderOf(const Dib& dib)
{
    BITMAPINFOHEADER h;
    std::memcpy(&h, dib.data(), 40);
    return h;
}

inline void SetHeader(Dib& dib, const BITMAPINFOHEADER& h) { std::memcpy(dib.data(), &h, 40); }

// A packed DIB with a zeroed full colour table and zeroed rows, no spare rows.
inline Dib MakeDib(int width, int height, int bits)
{
    const size_t stride = DibRowBytes(width, WORD(bits));
    Dib dib(40 + size_t(ColourTableEntries(bits)) * 4 + stride * size_t(height), 0);
    BITMAPINFOHEADER h{40, width, height, 1, WORD(bits), BI_RGB, DWORD(stride * size_t(height)), 3780, 2835, 0, 0};
    SetHeader(dib, h);
    return dib;
}

inline RGBQUAD* TableOf(const Dib& dib) { return reinterpret_cast<RGBQUAD*>(const_cast<uint8_t*>(dib.data()) + 40); }

// DIB row y (0 is the bottom row).
inline uint8_t* RowOf(const Dib& dib, int y)
{
    const BITMAPINFOHEADER h = HeaderOf(dib);
    const size_t offset = 40 + size_t(ColourTableEntries(h.biBitCount)) * 4 + DibRowBytes(h.biWidth, h.biBitCount) * size_t(y);
    return const_cast<uint8_t*>(dib.data()) + offset;
}

// A 24-bit picture whose pixel (x, DIB row y) is colour(x, y).
inline Dib Picture24(int width, int height, const std::function<Rgb(int, int)>& colour)
{
    Dib dib = MakeDib(width, height, 24);
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

inline Dib Uniform24(int width, int height, Rgb c) { return Picture24(width, height, [c](int, int) { return c; }); }

// Grey levels given row by row, DIB row 0 first.
inline Dib Grey24(const std::vector<std::vector<int>>& rows)
{
    return Picture24(int(rows[0].size()), int(rows.size()), [&rows](int x, int y) {
        const int v = rows[size_t(y)][size_t(x)];
        return Rgb{v, v, v};
    });
}

inline int BitAt(const Dib& dib, int x, int y) { return (RowOf(dib, y)[x >> 3] >> (7 - (x & 7))) & 1; }
inline int NibbleAt(const Dib& dib, int x, int y) { return (RowOf(dib, y)[x >> 1] >> ((x & 1) ? 0 : 4)) & 15; }
inline int ByteAt(const Dib& dib, int x, int y) { return RowOf(dib, y)[x]; }

inline int Apply(ReduceFn fn, const Dib& dib, Dib& out) { return fn(dib.data(), dib.size(), out); }

inline Dib Reduced(ReduceFn fn, const Dib& dib)
{
    Dib out;
    EXPECT_EQ(Apply(fn, dib, out), kReduceOk);
    return out;
}

}  // namespace vantor::test
