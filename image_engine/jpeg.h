// Internals of the baseline JPEG codec shared by its units: tables, transforms,
// colour conversion and Huffman coding.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vantor::jpeg {

// Zig-zag position -> natural (row-major) index.
extern const uint8_t kZigzag[64];

// The engine-wide quantisation tables the writer uses, natural order:
// 0 luminance, 1 chrominance.
const uint8_t* QuantTable(int which);
void SetQuality(unsigned quality);
// Back to the example tables (the state of a fresh process).
void ResetQuantTables();

// Example Huffman tables of the standard: code counts per length 1..16 and values.
struct HuffSpec {
    uint8_t counts[16];
    const uint8_t* values;
};
extern const HuffSpec kLumaDc, kLumaAc, kChromaDc, kChromaAc;

// Forward transform of one block of level-shifted samples into coefficients,
// natural order, with the Q15 matrix the writer builds for each save.
struct ForwardMatrix {
    int16_t m[8][8];   // [u][x]
    // Row u's entries 0, 1 and 2, 3 as pairs repeated over a vector, for the
    // transform that folds the input's symmetric halves together first.
    alignas(16) int16_t halves[8][2][8];
    bool symmetric = true;   // m[u][7 - x] = (-1)^u m[u][x], which allows the folding
    ForwardMatrix();
};
void ForwardDctPortable(const ForwardMatrix& fm, const int16_t* samples, int32_t* coefficients);

// Quantisation: truncation toward zero of coefficient / step, as a
// multiplication by the step's reciprocal (see Reciprocal), the coefficient
// limited to +-4095; the quotient to +-1023, or +-2047 for the DC.
inline int16_t QuantiseAc(int32_t c, float reciprocal)
{
    const int32_t q = int32_t(float(c < -4095 ? -4095 : c > 4095 ? 4095 : c) * reciprocal);
    return int16_t(q < -1023 ? -1023 : q > 1023 ? 1023 : q);
}
inline int16_t QuantiseDc(int32_t c, float reciprocal)
{
    const int32_t q = int32_t(float(c < -4095 ? -4095 : c > 4095 ? 4095 : c) * reciprocal);
    return int16_t(q < -2047 ? -2047 : q > 2047 ? 2047 : q);
}
// The reciprocal is raised by 2^-20 so that exact quotients cannot fall short;
// for magnitudes up to 4095 the raise stays below the smallest fraction a
// step of at most 255 leaves, so every quotient is the truncated one.
inline float Reciprocal(unsigned step)
{
    return float((1.0 + 1.0 / (1 << 20)) / step);
}

// Transform and quantisation of the block whose rows start `stride` samples
// apart at `samples`, by the steps' reciprocals (natural order), into q
// (natural order).
void ForwardQuantise(const ForwardMatrix& fm, const int16_t* samples, size_t stride, const float* reciprocal,
                     int16_t* q);
// The same for two blocks of one table at once where the processor has the
// wide registers for it; false, with nothing done, where it has not.
bool ForwardQuantisePair(const ForwardMatrix& fm, const int16_t* a, const int16_t* b, size_t stride,
                         const float* reciprocal, int16_t* qa, int16_t* qb);
#if defined(__SSE2__)
// The pair with 256-bit registers, alone; only for processors that have them.
void ForwardQuantisePairAvx2(const ForwardMatrix& fm, const int16_t* a, const int16_t* b, size_t stride,
                             const float* reciprocal, int16_t* qa, int16_t* qb);
bool HaveAvx2();
#endif

// Inverse transform of dequantised coefficients (natural order, each within
// +-kMaxCoefficient) into 8 x 8 samples 0..255.
constexpr int kMaxCoefficient = 4095;
void InverseDct(const int16_t* coefficients, uint8_t* out, ptrdiff_t stride);
void InverseDctPortable(const int16_t* coefficients, uint8_t* out, ptrdiff_t stride);
// The value of every sample of a block whose only coefficient is this DC.
uint8_t FlatSample(int16_t dc);

// Decoding factors in Q16, the precision decoders commonly use, so that a
// file's colours come out here as they do elsewhere.
constexpr int32_t Fix16(double x) { return int32_t(x * 65536 + 0.5); }
constexpr int32_t kCrRed = Fix16(1.40200), kCbGreen = Fix16(0.34414), kCrGreen = Fix16(0.71414),
                  kCbBlue = Fix16(1.77200);
constexpr int32_t kRound16 = 1 << 15;

// Full-range colour conversion in fixed point, both ways.
void YccToBgr(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint8_t* bgr, size_t n);
#if defined(__SSE2__)
// The path for processors without byte shuffles, alone: returns how many
// pixels it converted.
size_t YccToBgrSse2(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint8_t* bgr, size_t n);
// The path with 256-bit registers, alone, thirty-two pixels a step; only for
// processors that have them.
size_t YccToBgrAvx2(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint8_t* bgr, size_t n);
#endif
// Level-shifted luminance and colour differences (-128..127) of one pixel,
// in Q15 fixed point with rounding.
inline void BgrToYcc(int b, int g, int r, int16_t& y, int16_t& cb, int16_t& cr)
{
    constexpr int32_t half = 1 << 14;
    y = int16_t(((9798 * r + 19235 * g + 3736 * b + half) >> 15) - 128);
    const int32_t u = (-5529 * r - 10855 * g + 16384 * b + half) >> 15;
    const int32_t v = (16384 * r - 13720 * g - 2664 * b + half) >> 15;
    cb = int16_t(u > 127 ? 127 : u);
    cr = int16_t(v > 127 ? 127 : v);
}
// A row of n BGR pixels: luminance of every pixel, colour differences of the
// even ones (the left of each pair).
void BgrRowToYcc(const uint8_t* bgr, size_t n, int16_t* y, int16_t* cbPairs, int16_t* crPairs);
#if defined(__SSE2__)
// The path for processors without byte shuffles, alone: returns how many
// pixels it converted (a multiple of eight).
size_t BgrRowToYccSse2(const uint8_t* bgr, size_t n, int16_t* y, int16_t* cbPairs, int16_t* crPairs);
// The path with 256-bit registers, alone, thirty-two pixels a step; only for
// processors that have them.
size_t BgrRowToYccAvx2(const uint8_t* bgr, size_t n, int16_t* y, int16_t* cbPairs, int16_t* crPairs);
#endif

}   // namespace vantor::jpeg

namespace vantor::jpeg {

// Code and length of every symbol of a table, for the writer.
struct HuffEncoder {
    uint16_t code[256] = {};
    uint8_t size[256] = {};
    void Build(const HuffSpec& spec);
};

// A table of a file's DHT segment, for the reader. Codes up to kLookBits long
// are found with one look-up; for AC tables fastAc also resolves the value
// that follows a short code.
struct HuffDecoder {
    static constexpr int kLookBits = 9;
    uint16_t fast[1 << kLookBits];      // length << 8 | symbol; 0 = longer code
    int32_t fastAc[1 << kLookBits];     // value << 16 | run << 8 | bits used; 0 = none
    int32_t maxCode[17];                // -1 where no code has that length
    int32_t minCode[17];
    int32_t firstIndex[17];
    uint8_t values[256];
    int count = 0;
    // The fewest bits any symbol takes: its code and the value bits that follow
    // it (the symbol's low four bits).
    int fewestBits = 0;
    bool defined = false;
    // False for counts that do not form a prefix code.
    bool Build(const uint8_t counts[16], const uint8_t* symbols, int n);
};

}   // namespace vantor::jpeg
