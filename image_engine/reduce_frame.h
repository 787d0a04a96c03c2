// Shared frame of the colour reductions: checking the caller's packed DIB,
// building the new one, and reading source rows as grey or blue-green-red.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <stdexcept>
#include <vector>

#include "colour_reduce.h"

namespace vantor::reduce {

// A checked view of the caller's packed DIB; every row lies inside the block.
struct SourceDib {
    int width = 0;
    int height = 0;
    int bits = 0;
    const RGBQUAD* table = nullptr;  // 2^bits entries; nullptr for 24 bits
    const uint8_t* pixels = nullptr;  // DIB row 0, the bottom of the picture
    size_t stride = 0;
    BITMAPINFOHEADER header{};

    const uint8_t* Row(int y) const { return pixels + size_t(y) * stride; }
};

// The new packed DIB being built; the block starts zeroed.
struct TargetDib {
    std::vector<uint8_t> block;
    RGBQUAD* table = nullptr;
    uint8_t* pixels = nullptr;
    size_t stride = 0;

    uint8_t* Row(int y) { return pixels + size_t(y) * stride; }
};

enum class Accept { PaletteOrTrueColour, TrueColourOnly };

// 0, or -3 for a block too short or malformed, -6 for a depth not accepted.
int ReadSource(const uint8_t* dib, size_t size, Accept accept, SourceDib& src);

// Allocates and heads the new picture; copies `table` (2^bits entries) when
// given. Throws std::bad_alloc when the block cannot be had.
void MakeTarget(const SourceDib& src, int bits, const RGBQUAD* table, TargetDib& dst);

// Runs one reduction: check, allocate, convert row by row, hand the block over.
// `convert(const SourceDib&, TargetDib&)` may throw std::bad_alloc for its
// working buffers; `out` changes only on success.
template <class Convert>
int Reduce(const uint8_t* dib, size_t size, Accept accept, int newBits, const RGBQUAD* table,
           std::vector<uint8_t>& out, Convert&& convert)
{
    try {
        SourceDib src;
        if (int rc = ReadSource(dib, size, accept, src); rc != kReduceOk)
            return rc;
        TargetDib dst;
        MakeTarget(src, newBits, table, dst);
        convert(src, dst);
        out.swap(dst.block);
        return kReduceOk;
    } catch (const std::bad_alloc&) {
        return kReduceNoMemory;
    } catch (const std::length_error&) {
        return kReduceNoMemory;
    }
}

// Grey used by the 8-bit grey conversion and the colour methods' intensity (0-253).
inline int Grey38(int r, int g, int b) { return (38 * r + 75 * g + 14 * b) >> 7; }
// Grey used by the 1-bit conversions (0-255).
inline int Grey30(int r, int g, int b) { return (30 * r + 59 * g + 11 * b) / 100; }

using GreyFn = int (*)(int, int, int);

// Grey level of every colour table entry, so palette rows cost a lookup a pixel.
template <GreyFn Grey>
void GreyTable(const SourceDib& src, uint8_t lut[256])
{
    const int n = ColourTableEntries(src.bits);
    for (int i = 0; i < n; ++i) {
        const RGBQUAD& q = src.table[i];
        lut[i] = uint8_t(Grey(q.rgbRed, q.rgbGreen, q.rgbBlue));
    }
    for (int i = n; i < 256; ++i)
        lut[i] = 0;
}

// Grey value of each pixel of DIB row y into `grey` (width entries).
template <GreyFn Grey, class T>
void GreyRow(const SourceDib& src, int y, const uint8_t lut[256], T* grey)
{
    const uint8_t* p = src.Row(y);
    const int w = src.width;
    if (src.bits == 24) {
        for (int x = 0; x < w; ++x, p += 3)
            grey[x] = T(Grey(p[2], p[1], p[0]));
    } else if (src.bits == 8) {
        for (int x = 0; x < w; ++x)
            grey[x] = T(lut[p[x]]);
    } else {
        for (int x = 0; x + 1 < w; x += 2) {
            grey[x] = T(lut[p[x >> 1] >> 4]);
            grey[x + 1] = T(lut[p[x >> 1] & 15]);
        }
        if (w & 1)
            grey[w - 1] = T(lut[p[w >> 1] >> 4]);
    }
}

// Blue, green, red bytes of each pixel of DIB row y. A 24-bit row is returned as
// it lies; palette rows are expanded into `scratch` (3 x width bytes).
const uint8_t* BgrRow(const SourceDib& src, int y, uint8_t* scratch);

// The 8 x 8 threshold tables, read as T[8 * (x mod 8) + (y mod 8)].
extern const uint8_t kBayerTable[64];
extern const uint8_t kHalftoneTable[64];

// The 8 thresholds of DIB row y, indexed by x mod 8.
inline void RowThresholds(const uint8_t* table, int y, uint8_t thr[8])
{
    for (int a = 0; a < 8; ++a)
        thr[a] = table[8 * a + (y & 7)];
}

}  // namespace vantor::reduce
