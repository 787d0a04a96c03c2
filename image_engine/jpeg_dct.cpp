// The 8 x 8 transforms. Forward: a Q15 matrix product in two passes, rows
// then columns. Inverse: the factorisation of Loeffler, Ligtenberg and
// Moschytz in 13-bit fixed point, columns then rows, with two extra bits
// between the passes. Decoders commonly use exactly this arithmetic, so a
// file decodes here as it does elsewhere; a more exact transform would not
// (their error grows with the coefficients, up to several levels with coarse
// tables, which no rounding of ours can follow).
#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "jpeg.h"
#include "jpeg_lanes.h"

namespace vantor::jpeg {

namespace {

double Basis(int u, int x)
{
    const double a = u == 0 ? 1.0 / (2.0 * std::sqrt(2.0)) : 0.5;
    return a * std::cos((2 * x + 1) * u * M_PI / 16.0);
}

// The factorisation's multipliers, x 2^13 rounded.
constexpr int kConstBits = 13, kPassBits = 2;
constexpr int32_t Fix(double x) { return int32_t(x * (1 << kConstBits) + 0.5); }
constexpr int32_t k0298 = Fix(0.298631336), k0390 = Fix(0.390180644), k0541 = Fix(0.541196100),
                  k0765 = Fix(0.765366865), k0899 = Fix(0.899976223), k1175 = Fix(1.175875602),
                  k1501 = Fix(1.501321110), k1847 = Fix(1.847759065), k1961 = Fix(1.961570560),
                  k2053 = Fix(2.053119869), k2562 = Fix(2.562915447), k3072 = Fix(3.072711026);

// The rotations multiplied out: each butterfly input is a sum of products of
// the 1-D inputs, which in integers equals the factorised form exactly.
// Even part: e2 = (in2, in6) . kEven2, e3 = (in2, in6) . kEven3.
constexpr int32_t kEven3[2] = {k0541 + k0765, k0541};
constexpr int32_t kEven2[2] = {k0541, k0541 - k1847};
// Odd part: o[i] = (in7, in1) . kOdd71[i] + (in5, in3) . kOdd53[i].
constexpr int32_t kOdd71[4][2] = {{k0298 - k0899 - k1961 + k1175, k1175 - k0899},
                                  {k1175, k1175 - k0390},
                                  {k1175 - k1961, k1175},
                                  {k1175 - k0899, k1501 - k0899 - k0390 + k1175}};
constexpr int32_t kOdd53[4][2] = {{k1175, k1175 - k1961},
                                  {k2053 - k2562 - k0390 + k1175, k1175 - k2562},
                                  {k1175 - k2562, k3072 - k2562 - k1961 + k1175},
                                  {k1175 - k0390, k1175}};

constexpr int kFirstShift = kConstBits - kPassBits;
constexpr int kSecondShift = kConstBits + kPassBits + 3;

// One 1-D transform of eight values at in[0], in[step], ...; results before
// the final shift, rounding included.
void Butterflies(const int32_t* in, int step, int32_t round, int32_t* sums)
{
    auto at = [&](int i) { return in[i * step]; };
    const int32_t t0 = (at(0) + at(4)) * (1 << kConstBits) + round;
    const int32_t t1 = (at(0) - at(4)) * (1 << kConstBits) + round;
    const int32_t e3 = at(2) * kEven3[0] + at(6) * kEven3[1];
    const int32_t e2 = at(2) * kEven2[0] + at(6) * kEven2[1];
    int32_t o[4];
    for (int i = 0; i < 4; ++i)
        o[i] = at(7) * kOdd71[i][0] + at(1) * kOdd71[i][1] + at(5) * kOdd53[i][0] + at(3) * kOdd53[i][1];
    sums[0] = t0 + e3 + o[3];
    sums[7] = t0 + e3 - o[3];
    sums[1] = t1 + e2 + o[2];
    sums[6] = t1 + e2 - o[2];
    sums[2] = t1 - e2 + o[1];
    sums[5] = t1 - e2 - o[1];
    sums[3] = t0 - e3 + o[0];
    sums[4] = t0 - e3 - o[0];
}

int32_t Saturate16(int32_t v)
{
    return std::clamp(v, -32768, 32767);
}

}   // namespace

// The transform of a block with only a DC: the first pass makes 4 x dc, the
// second rounds it by 32.
uint8_t FlatSample(int16_t dc)
{
    return uint8_t(std::clamp((dc + 4) >> 3, -128, 127) + 128);
}

// The writer's matrix is truncated toward zero.
ForwardMatrix::ForwardMatrix()
{
    for (int u = 0; u < 8; ++u)
        for (int x = 0; x < 8; ++x)
            m[u][x] = int16_t(32768.0 * Basis(u, x));
    for (int u = 0; u < 8; ++u) {
        for (int x = 0; x < 4; ++x)
            symmetric = symmetric && m[u][7 - x] == (u & 1 ? -m[u][x] : m[u][x]);
        for (int h = 0; h < 2; ++h)
            for (int i = 0; i < 8; ++i)
                halves[u][h][i] = m[u][2 * h + (i & 1)];
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

void InverseDctPortable(const int16_t* in, uint8_t* out, ptrdiff_t stride)
{
    int32_t coefficients[64], middle[64], sums[8];
    std::copy(in, in + 64, coefficients);
    for (int u = 0; u < 8; ++u) {
        Butterflies(coefficients + u, 8, 1 << (kFirstShift - 1), sums);
        for (int y = 0; y < 8; ++y)
            middle[y * 8 + u] = Saturate16(sums[y] >> kFirstShift);
    }
    for (int y = 0; y < 8; ++y) {
        Butterflies(middle + y * 8, 1, 1 << (kSecondShift - 1), sums);
        for (int x = 0; x < 8; ++x)
            out[y * stride + x] = uint8_t(std::clamp(Saturate16(sums[x] >> kSecondShift), -128, 127) + 128);
    }
}

#if defined(__SSE2__)

namespace {

using Lanes = Wide<V128>;

// The 1-D transform of eight lanes at once: v[i] holds input i of every lane.
template <int Shift>
void Butterflies(const __m128i* v, __m128i round, __m128i* out)
{
    const Lanes bias{round, round};
    const Lanes t0 = Madd<V128>(v[0], v[4], Pair<V128>(1 << kConstBits, 1 << kConstBits)) + bias;
    const Lanes t1 = Madd<V128>(v[0], v[4], Pair<V128>(1 << kConstBits, -(1 << kConstBits))) + bias;
    const Lanes e3 = Madd<V128>(v[2], v[6], Pair<V128>(kEven3[0], kEven3[1]));
    const Lanes e2 = Madd<V128>(v[2], v[6], Pair<V128>(kEven2[0], kEven2[1]));
    Lanes o[4];
    for (int i = 0; i < 4; ++i)
        o[i] = Madd<V128>(v[7], v[1], Pair<V128>(kOdd71[i][0], kOdd71[i][1])) +
               Madd<V128>(v[5], v[3], Pair<V128>(kOdd53[i][0], kOdd53[i][1]));
    const Lanes t10 = t0 + e3, t13 = t0 - e3, t11 = t1 + e2, t12 = t1 - e2;
    out[0] = Narrow<V128, Shift>(t10 + o[3]);
    out[7] = Narrow<V128, Shift>(t10 - o[3]);
    out[1] = Narrow<V128, Shift>(t11 + o[2]);
    out[6] = Narrow<V128, Shift>(t11 - o[2]);
    out[2] = Narrow<V128, Shift>(t12 + o[1]);
    out[5] = Narrow<V128, Shift>(t12 - o[1]);
    out[3] = Narrow<V128, Shift>(t13 + o[0]);
    out[4] = Narrow<V128, Shift>(t13 - o[0]);
}

}   // namespace

// Columns first: row v of the block holds coefficient v of every column.
void InverseDct(const int16_t* in, uint8_t* out, ptrdiff_t stride)
{
    __m128i rows[8], middle[8];
    for (int v = 0; v < 8; ++v)
        rows[v] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + v * 8));
    Butterflies<kFirstShift>(rows, _mm_set1_epi32(1 << (kFirstShift - 1)), middle);
    Transpose<V128>(middle);
    Butterflies<kSecondShift>(middle, _mm_set1_epi32(1 << (kSecondShift - 1)), rows);
    Transpose<V128>(rows);
    const __m128i bias = _mm_set1_epi16(128);
    for (int y = 0; y < 8; y += 2) {
        const __m128i both = _mm_packus_epi16(_mm_adds_epi16(rows[y], bias), _mm_adds_epi16(rows[y + 1], bias));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + y * stride), both);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + (y + 1) * stride), _mm_srli_si128(both, 8));
    }
}

// Whether the processor has 256-bit integer operations, asked once.
bool HaveAvx2()
{
    static const bool have = (__builtin_cpu_init(), __builtin_cpu_supports("avx2"));
    return have;
}

#else

void InverseDct(const int16_t* in, uint8_t* out, ptrdiff_t stride)
{
    InverseDctPortable(in, out, stride);
}

#endif

void ForwardQuantise(const ForwardMatrix& fm, const int16_t* samples, size_t stride, const float* reciprocal,
                     int16_t* q)
{
#if defined(__SSE2__)
    if (fm.symmetric) {
        __m128i lines[8];
        for (int y = 0; y < 8; ++y)
            lines[y] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(samples + y * stride));
        int16_t* const blocks[1] = {q};
        ForwardQuantise<V128>(fm, lines, reciprocal, blocks);
        return;
    }
#endif
    int16_t block[64];
    for (int y = 0; y < 8; ++y)
        std::copy(samples + y * stride, samples + y * stride + 8, block + 8 * y);
    int32_t coefficients[64];
    ForwardDctPortable(fm, block, coefficients);
    for (int n = 0; n < 64; ++n)
        q[n] = QuantiseAc(coefficients[n], reciprocal[n]);
    q[0] = QuantiseDc(coefficients[0], reciprocal[0]);
}

bool ForwardQuantisePair(const ForwardMatrix& fm, const int16_t* a, const int16_t* b, size_t stride,
                         const float* reciprocal, int16_t* qa, int16_t* qb)
{
#if defined(__SSE2__)
    if (fm.symmetric && HaveAvx2()) {
        ForwardQuantisePairAvx2(fm, a, b, stride, reciprocal, qa, qb);
        return true;
    }
#endif
    return false;
}

}   // namespace vantor::jpeg
