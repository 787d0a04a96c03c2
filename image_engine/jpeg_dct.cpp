// The 8 x 8 transforms: a Q15 matrix product in two passes each way. The
// inverse keeps four fractional bits between its passes, so that its result is
// within rounding of the exact transform, as other decoders' are.
#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "jpeg.h"

namespace vantor::jpeg {

namespace {

constexpr int kMiddleBits = 4;
constexpr int kMiddleLimit = 16383;   // keeps the second pass's sums within 32 bits
constexpr int kFirstShift = 15 - kMiddleBits;
constexpr int kSecondShift = 15 + kMiddleBits;

double Basis(int u, int x)
{
    const double a = u == 0 ? 1.0 / (2.0 * std::sqrt(2.0)) : 0.5;
    return a * std::cos((2 * x + 1) * u * M_PI / 16.0);
}

// The decoder's matrix, [u][x], rounded to the nearest Q15 value.
struct InverseMatrix {
    int16_t m[8][8];
    InverseMatrix()
    {
        for (int u = 0; u < 8; ++u)
            for (int x = 0; x < 8; ++x)
                m[u][x] = int16_t(std::lround(32768.0 * Basis(u, x)));
    }
};
const InverseMatrix kInverse;

int ClampSample(int32_t v)
{
    return std::clamp(v, -128, 127) + 128;
}

}   // namespace

// The writer's matrix is truncated toward zero.
ForwardMatrix::ForwardMatrix()
{
    for (int u = 0; u < 8; ++u)
        for (int x = 0; x < 8; ++x)
            m[u][x] = int16_t(32768.0 * Basis(u, x));
    for (int p = 0; p < 4; ++p) {
        for (int h = 0; h < 2; ++h)
            for (int i = 0; i < 4; ++i) {
                rowPairs[p][h][2 * i] = m[h * 4 + i][2 * p];
                rowPairs[p][h][2 * i + 1] = m[h * 4 + i][2 * p + 1];
            }
        for (int v = 0; v < 8; ++v)
            columnPairs[v][p] = uint32_t(uint16_t(m[v][2 * p])) | uint32_t(uint16_t(m[v][2 * p + 1])) << 16;
    }
}

void ForwardDctPortable(const ForwardMatrix& fm, const int16_t* s, int32_t* out)
{
    int32_t rows[64];
    for (int y = 0; y < 8; ++y)
        for (int u = 0; u < 8; ++u) {
            int32_t acc = 0x4000;
            for (int x = 0; x < 8; ++x)
                acc += s[y * 8 + x] * fm.m[u][x];
            rows[y * 8 + u] = acc >> 15;
        }
    for (int v = 0; v < 8; ++v) {
        int32_t acc[8];
        std::fill(acc, acc + 8, 0x4000);
        for (int y = 0; y < 8; ++y)
            for (int u = 0; u < 8; ++u)
                acc[u] += fm.m[v][y] * rows[y * 8 + u];
        for (int u = 0; u < 8; ++u)
            out[v * 8 + u] = acc[u] >> 15;
    }
}

void InverseDctPortable(const int16_t* in, unsigned rowMask, uint8_t* out, ptrdiff_t stride)
{
    int16_t mid[8][8] = {};
    for (int v = 0; v < 8; ++v) {
        if (!(rowMask >> v & 1))
            continue;
        for (int x = 0; x < 8; ++x) {
            int32_t acc = 1 << (kFirstShift - 1);
            for (int u = 0; u < 8; ++u)
                acc += in[v * 8 + u] * kInverse.m[u][x];
            mid[v][x] = int16_t(std::clamp(acc >> kFirstShift, -kMiddleLimit, kMiddleLimit));
        }
    }
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            int32_t acc = 1 << (kSecondShift - 1);
            for (int v = 0; v < 8; ++v)
                acc += kInverse.m[v][y] * mid[v][x];
            out[y * stride + x] = uint8_t(ClampSample(acc >> kSecondShift));
        }
}

#if defined(__SSE2__)

namespace {

// Pairs of matrix rows interleaved for _mm_madd_epi16: first pass, per row
// pair p and output half h; second pass, per output row y and row pair p.
struct SseTables {
    __m128i first[4][2];
    __m128i second[8][4];
    SseTables()
    {
        for (int p = 0; p < 4; ++p)
            for (int h = 0; h < 2; ++h) {
                alignas(16) int16_t v[8];
                for (int i = 0; i < 4; ++i) {
                    v[2 * i] = kInverse.m[2 * p][h * 4 + i];
                    v[2 * i + 1] = kInverse.m[2 * p + 1][h * 4 + i];
                }
                first[p][h] = _mm_load_si128(reinterpret_cast<const __m128i*>(v));
            }
        for (int y = 0; y < 8; ++y)
            for (int p = 0; p < 4; ++p)
                second[y][p] = _mm_set1_epi32(int32_t(uint16_t(kInverse.m[2 * p][y])) |
                                              int32_t(uint32_t(uint16_t(kInverse.m[2 * p + 1][y])) << 16));
    }
};
const SseTables kSse;

}   // namespace

void InverseDct(const int16_t* in, unsigned rowMask, uint8_t* out, ptrdiff_t stride)
{
    const __m128i limit = _mm_set1_epi16(kMiddleLimit);
    const __m128i firstRound = _mm_set1_epi32(1 << (kFirstShift - 1));
    const __m128i secondRound = _mm_set1_epi32(1 << (kSecondShift - 1));
    __m128i mid[8];
    for (int v = 0; v < 8; ++v) {
        if (!(rowMask >> v & 1)) {
            mid[v] = _mm_setzero_si128();
            continue;
        }
        const __m128i row = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + v * 8));
        __m128i lo = firstRound, hi = firstRound;
        const __m128i p0 = _mm_shuffle_epi32(row, 0x00), p1 = _mm_shuffle_epi32(row, 0x55);
        const __m128i p2 = _mm_shuffle_epi32(row, 0xAA), p3 = _mm_shuffle_epi32(row, 0xFF);
        lo = _mm_add_epi32(lo, _mm_madd_epi16(p0, kSse.first[0][0]));
        hi = _mm_add_epi32(hi, _mm_madd_epi16(p0, kSse.first[0][1]));
        lo = _mm_add_epi32(lo, _mm_madd_epi16(p1, kSse.first[1][0]));
        hi = _mm_add_epi32(hi, _mm_madd_epi16(p1, kSse.first[1][1]));
        lo = _mm_add_epi32(lo, _mm_madd_epi16(p2, kSse.first[2][0]));
        hi = _mm_add_epi32(hi, _mm_madd_epi16(p2, kSse.first[2][1]));
        lo = _mm_add_epi32(lo, _mm_madd_epi16(p3, kSse.first[3][0]));
        hi = _mm_add_epi32(hi, _mm_madd_epi16(p3, kSse.first[3][1]));
        __m128i m = _mm_packs_epi32(_mm_srai_epi32(lo, kFirstShift), _mm_srai_epi32(hi, kFirstShift));
        mid[v] = _mm_max_epi16(_mm_min_epi16(m, limit), _mm_sub_epi16(_mm_setzero_si128(), limit));
    }
    __m128i pairsLo[4], pairsHi[4];
    int pairs[4], used = 0;
    for (int p = 0; p < 4; ++p) {
        if (!(rowMask >> (2 * p) & 3))
            continue;
        pairsLo[used] = _mm_unpacklo_epi16(mid[2 * p], mid[2 * p + 1]);
        pairsHi[used] = _mm_unpackhi_epi16(mid[2 * p], mid[2 * p + 1]);
        pairs[used++] = p;
    }
    const __m128i bias = _mm_set1_epi16(128);
    for (int y = 0; y < 8; ++y) {
        __m128i lo = secondRound, hi = secondRound;
        for (int i = 0; i < used; ++i) {
            lo = _mm_add_epi32(lo, _mm_madd_epi16(pairsLo[i], kSse.second[y][pairs[i]]));
            hi = _mm_add_epi32(hi, _mm_madd_epi16(pairsHi[i], kSse.second[y][pairs[i]]));
        }
        __m128i s = _mm_packs_epi32(_mm_srai_epi32(lo, kSecondShift), _mm_srai_epi32(hi, kSecondShift));
        s = _mm_adds_epi16(s, bias);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + y * stride), _mm_packus_epi16(s, s));
    }
}

// The writer's transform the same way: pairs of samples against pairs of
// matrix columns for the rows, pairs of row results for the columns.
void ForwardDct(const ForwardMatrix& fm, const int16_t* s, int32_t* out)
{
    __m128i first[4][2], second[8][4];
    for (int p = 0; p < 4; ++p)
        for (int h = 0; h < 2; ++h)
            first[p][h] = _mm_load_si128(reinterpret_cast<const __m128i*>(fm.rowPairs[p][h]));
    for (int v = 0; v < 8; ++v)
        for (int p = 0; p < 4; ++p)
            second[v][p] = _mm_set1_epi32(int32_t(fm.columnPairs[v][p]));
    const __m128i round = _mm_set1_epi32(0x4000);
    __m128i rows[8];
    for (int y = 0; y < 8; ++y) {
        const __m128i row = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + y * 8));
        __m128i lo = round, hi = round;
        const __m128i p0 = _mm_shuffle_epi32(row, 0x00), p1 = _mm_shuffle_epi32(row, 0x55);
        const __m128i p2 = _mm_shuffle_epi32(row, 0xAA), p3 = _mm_shuffle_epi32(row, 0xFF);
        lo = _mm_add_epi32(lo, _mm_madd_epi16(p0, first[0][0]));
        hi = _mm_add_epi32(hi, _mm_madd_epi16(p0, first[0][1]));
        lo = _mm_add_epi32(lo, _mm_madd_epi16(p1, first[1][0]));
        hi = _mm_add_epi32(hi, _mm_madd_epi16(p1, first[1][1]));
        lo = _mm_add_epi32(lo, _mm_madd_epi16(p2, first[2][0]));
        hi = _mm_add_epi32(hi, _mm_madd_epi16(p2, first[2][1]));
        lo = _mm_add_epi32(lo, _mm_madd_epi16(p3, first[3][0]));
        hi = _mm_add_epi32(hi, _mm_madd_epi16(p3, first[3][1]));
        rows[y] = _mm_packs_epi32(_mm_srai_epi32(lo, 15), _mm_srai_epi32(hi, 15));
    }
    __m128i pairsLo[4], pairsHi[4];
    for (int p = 0; p < 4; ++p) {
        pairsLo[p] = _mm_unpacklo_epi16(rows[2 * p], rows[2 * p + 1]);
        pairsHi[p] = _mm_unpackhi_epi16(rows[2 * p], rows[2 * p + 1]);
    }
    for (int v = 0; v < 8; ++v) {
        __m128i lo = round, hi = round;
        for (int p = 0; p < 4; ++p) {
            lo = _mm_add_epi32(lo, _mm_madd_epi16(pairsLo[p], second[v][p]));
            hi = _mm_add_epi32(hi, _mm_madd_epi16(pairsHi[p], second[v][p]));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + v * 8), _mm_srai_epi32(lo, 15));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + v * 8 + 4), _mm_srai_epi32(hi, 15));
    }
}

#else

void ForwardDct(const ForwardMatrix& fm, const int16_t* s, int32_t* out)
{
    ForwardDctPortable(fm, s, out);
}

void InverseDct(const int16_t* in, unsigned rowMask, uint8_t* out, ptrdiff_t stride)
{
    InverseDctPortable(in, rowMask, out, stride);
}

#endif

}   // namespace vantor::jpeg
