// Colour reductions over packed DIBs (40-byte header, full colour table, bottom-up
// rows). Placeholder interface until the reduction units land; each returns 0 and
// fills `out` with a new packed DIB, or a negative engine code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "types/wintypes.h"

namespace vantor {
int ColorGray(const uint8_t* dib, size_t size, std::vector<uint8_t>& out);
int BayerMono(const uint8_t* dib, size_t size, std::vector<uint8_t>& out);
int HalftoneMono(const uint8_t* dib, size_t size, std::vector<uint8_t>& out);
int DiffusionMono(const uint8_t* dib, size_t size, std::vector<uint8_t>& out);
int BayerColor(const uint8_t* dib, size_t size, std::vector<uint8_t>& out);
int DiffusionColor(const uint8_t* dib, size_t size, std::vector<uint8_t>& out);
int PopularityColor(const uint8_t* dib, size_t size, std::vector<uint8_t>& out);
int MedianCutColor(const uint8_t* dib, size_t size, std::vector<uint8_t>& out);
const RGBQUAD* DefaultColourTable(int bitCount);
}   // namespace vantor
