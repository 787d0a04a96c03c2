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

__m128i Pair(int32_t first, int32_t second)
{
    return _mm_set1_epi32(int32_t(uint32_t(uint16_t(first)) | uint32_t(uint16_t(second)) << 16));
}

// Lanes' 32-bit values of eight lanes, low four and high four.
struct Wide {
    __m128i lo, hi;
};

Wide Madd(__m128i a, __m128i b, __m128i factors)
{
    return {_mm_madd_epi16(_mm_unpacklo_epi16(a, b), factors), _mm_madd_epi16(_mm_unpackhi_epi16(a, b), factors)};
}
Wide operator+(Wide a, Wide b) { return {_mm_add_epi32(a.lo, b.lo), _mm_add_epi32(a.hi, b.hi)}; }
Wide operator-(Wide a, Wide b) { return {_mm_sub_epi32(a.lo, b.lo), _mm_sub_epi32(a.hi, b.hi)}; }

template <int Shift>
__m128i Narrow(Wide v)
{
    return _mm_packs_epi32(_mm_srai_epi32(v.lo, Shift), _mm_srai_epi32(v.hi, Shift));
}

// The 1-D transform of eight lanes at once: v[i] holds input i of every lane.
template <int Shift>
void Butterflies(const __m128i* v, __m128i round, __m128i* out)
{
    const Wide bias{round, round};
    const Wide t0 = Madd(v[0], v[4], Pair(1 << kConstBits, 1 << kConstBits)) + bias;
    const Wide t1 = Madd(v[0], v[4], Pair(1 << kConstBits, -(1 << kConstBits))) + bias;
    const Wide e3 = Madd(v[2], v[6], Pair(kEven3[0], kEven3[1]));
    const Wide e2 = Madd(v[2], v[6], Pair(kEven2[0], kEven2[1]));
    Wide o[4];
    for (int i = 0; i < 4; ++i)
        o[i] = Madd(v[7], v[1], Pair(kOdd71[i][0], kOdd71[i][1])) + Madd(v[5], v[3], Pair(kOdd53[i][0], kOdd53[i][1]));
    const Wide t10 = t0 + e3, t13 = t0 - e3, t11 = t1 + e2, t12 = t1 - e2;
    out[0] = Narrow<Shift>(t10 + o[3]);
    out[7] = Narrow<Shift>(t10 - o[3]);
    out[1] = Narrow<Shift>(t11 + o[2]);
    out[6] = Narrow<Shift>(t11 - o[2]);
    out[2] = Narrow<Shift>(t12 + o[1]);
    out[5] = Narrow<Shift>(t12 - o[1]);
    out[3] = Narrow<Shift>(t13 + o[0]);
    out[4] = Narrow<Shift>(t13 - o[0]);
}

[[gnu::always_inline]] inline void Transpose(__m128i* r)
{
    const __m128i a0 = _mm_unpacklo_epi16(r[0], r[1]), a1 = _mm_unpackhi_epi16(r[0], r[1]);
    const __m128i a2 = _mm_unpacklo_epi16(r[2], r[3]), a3 = _mm_unpackhi_epi16(r[2], r[3]);
    const __m128i a4 = _mm_unpacklo_epi16(r[4], r[5]), a5 = _mm_unpackhi_epi16(r[4], r[5]);
    const __m128i a6 = _mm_unpacklo_epi16(r[6], r[7]), a7 = _mm_unpackhi_epi16(r[6], r[7]);
    const __m128i b0 = _mm_unpacklo_epi32(a0, a2), b1 = _mm_unpackhi_epi32(a0, a2);
    const __m128i b2 = _mm_unpacklo_epi32(a1, a3), b3 = _mm_unpackhi_epi32(a1, a3);
    const __m128i b4 = _mm_unpacklo_epi32(a4, a6), b5 = _mm_unpackhi_epi32(a4, a6);
    const __m128i b6 = _mm_unpacklo_epi32(a5, a7), b7 = _mm_unpackhi_epi32(a5, a7);
    r[0] = _mm_unpacklo_epi64(b0, b4);
    r[1] = _mm_unpackhi_epi64(b0, b4);
    r[2] = _mm_unpacklo_epi64(b1, b5);
    r[3] = _mm_unpackhi_epi64(b1, b5);
    r[4] = _mm_unpacklo_epi64(b2, b6);
    r[5] = _mm_unpackhi_epi64(b2, b6);
    r[6] = _mm_unpacklo_epi64(b3, b7);
    r[7] = _mm_unpackhi_epi64(b3, b7);
}

}   // namespace

// Columns first: row v of the block holds coefficient v of every column.
void InverseDct(const int16_t* in, uint8_t* out, ptrdiff_t stride)
{
    __m128i rows[8], middle[8];
    for (int v = 0; v < 8; ++v)
        rows[v] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + v * 8));
    Butterflies<kFirstShift>(rows, _mm_set1_epi32(1 << (kFirstShift - 1)), middle);
    Transpose(middle);
    Butterflies<kSecondShift>(middle, _mm_set1_epi32(1 << (kSecondShift - 1)), rows);
    Transpose(rows);
    const __m128i bias = _mm_set1_epi16(128);
    for (int y = 0; y < 8; y += 2) {
        const __m128i both = _mm_packus_epi16(_mm_adds_epi16(rows[y], bias), _mm_adds_epi16(rows[y + 1], bias));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + y * stride), both);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + (y + 1) * stride), _mm_srli_si128(both, 8));
    }
}

namespace {

// The input's symmetric halves folded together: sums of lines x and 7 - x for
// the even rows of the matrix, differences for the odd ones, as the pairs of
// lines (0, 1) and (2, 3) interleaved for _mm_madd_epi16.
struct Folded {
    Wide pairs[2][2];   // [odd][pair]
};

Folded Fold(const __m128i* line)
{
    Folded f;
    for (int p = 0; p < 2; ++p) {
        const __m128i a = line[2 * p], b = line[2 * p + 1], a7 = line[7 - 2 * p], b7 = line[6 - 2 * p];
        const __m128i sa = _mm_add_epi16(a, a7), sb = _mm_add_epi16(b, b7);
        const __m128i da = _mm_sub_epi16(a, a7), db = _mm_sub_epi16(b, b7);
        f.pairs[0][p] = {_mm_unpacklo_epi16(sa, sb), _mm_unpackhi_epi16(sa, sb)};
        f.pairs[1][p] = {_mm_unpacklo_epi16(da, db), _mm_unpackhi_epi16(da, db)};
    }
    return f;
}

// Row u of the matrix against every lane, rounded, before the shift.
Wide MatrixRow(const Folded& f, const ForwardMatrix& fm, int u)
{
    const __m128i round = _mm_set1_epi32(0x4000);
    const Wide* pairs = f.pairs[u & 1];
    const __m128i f01 = _mm_load_si128(reinterpret_cast<const __m128i*>(fm.halves[u][0]));
    const __m128i f23 = _mm_load_si128(reinterpret_cast<const __m128i*>(fm.halves[u][1]));
    return {_mm_add_epi32(_mm_add_epi32(_mm_madd_epi16(pairs[0].lo, f01), _mm_madd_epi16(pairs[1].lo, f23)), round),
            _mm_add_epi32(_mm_add_epi32(_mm_madd_epi16(pairs[0].hi, f01), _mm_madd_epi16(pairs[1].hi, f23)), round)};
}

}   // namespace

// The writer's transform on columns of lanes: the rows' pass works on the
// transposed block, its results transposed back give the columns' pass.
void ForwardDct(const ForwardMatrix& fm, const int16_t* s, int32_t* out)
{
    if (!fm.symmetric) {
        ForwardDctPortable(fm, s, out);
        return;
    }
    __m128i lines[8];
    for (int y = 0; y < 8; ++y)
        lines[y] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + y * 8));
    Transpose(lines);
    const Folded columns = Fold(lines);
    for (int u = 0; u < 8; ++u)
        lines[u] = Narrow<15>(MatrixRow(columns, fm, u));
    Transpose(lines);
    const Folded rows = Fold(lines);
    for (int v = 0; v < 8; ++v) {
        const Wide w = MatrixRow(rows, fm, v);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + v * 8), _mm_srai_epi32(w.lo, 15));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + v * 8 + 4), _mm_srai_epi32(w.hi, 15));
    }
}

#else

void ForwardDct(const ForwardMatrix& fm, const int16_t* s, int32_t* out)
{
    ForwardDctPortable(fm, s, out);
}

void InverseDct(const int16_t* in, uint8_t* out, ptrdiff_t stride)
{
    InverseDctPortable(in, out, stride);
}

#endif

}   // namespace vantor::jpeg
