// Stands in for the colour reduction units until they are merged.
#include "colour_reduce.h"

namespace vantor {
int ColorGray(const uint8_t*, size_t, std::vector<uint8_t>&) { return -6; }
int BayerMono(const uint8_t*, size_t, std::vector<uint8_t>&) { return -6; }
int HalftoneMono(const uint8_t*, size_t, std::vector<uint8_t>&) { return -6; }
int DiffusionMono(const uint8_t*, size_t, std::vector<uint8_t>&) { return -6; }
int BayerColor(const uint8_t*, size_t, std::vector<uint8_t>&) { return -6; }
int DiffusionColor(const uint8_t*, size_t, std::vector<uint8_t>&) { return -6; }
int PopularityColor(const uint8_t*, size_t, std::vector<uint8_t>&) { return -6; }
int MedianCutColor(const uint8_t*, size_t, std::vector<uint8_t>&) { return -6; }
const RGBQUAD* DefaultColourTable(int) { return nullptr; }
}   // namespace vantor
