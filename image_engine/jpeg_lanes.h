// The transforms' steps on eight 16-bit lanes, written once for any register
// width whose operations work on 128-bit halves independently: with 128 bits
// one block at a time, with 256 bits two side by side, one in each half.
// Each unit that includes this gets its own copies (anonymous namespace), so
// a unit built for a wider instruction set cannot lend its code to another.
#pragma once

#if defined(__SSE2__)

#include <cstddef>
#include <cstdint>
#include <emmintrin.h>

#include "jpeg.h"

namespace vantor::jpeg {

// Byte shuffles that pick channels out of 48 bytes (sixteen pixels) held in
// three registers: [channel][register] for the first eight pixels, the last
// eight, and the eight even ones; 0x80 gives a zero byte. Built once, by a
// unit every processor can run.
struct GatherMasks {
    __m128i first[3][3], last[3][3], even[3][3];
};
extern const GatherMasks kGather;

// Byte shuffles that place sixteen pixels' channels into 48 bytes of BGR:
// [output register][channel]; 0x80 gives a zero byte. Built once, like the
// gathering ones.
struct ScatterMasks {
    __m128i of[3][3];
};
extern const ScatterMasks kScatter;

namespace {

// One 128-bit register: one block.
struct V128 {
    using Int = __m128i;
    using Float = __m128;
    static Int Unpacklo16(Int a, Int b) { return _mm_unpacklo_epi16(a, b); }
    static Int Unpackhi16(Int a, Int b) { return _mm_unpackhi_epi16(a, b); }
    static Int Unpacklo32(Int a, Int b) { return _mm_unpacklo_epi32(a, b); }
    static Int Unpackhi32(Int a, Int b) { return _mm_unpackhi_epi32(a, b); }
    static Int Unpacklo64(Int a, Int b) { return _mm_unpacklo_epi64(a, b); }
    static Int Unpackhi64(Int a, Int b) { return _mm_unpackhi_epi64(a, b); }
    static Int Madd(Int a, Int b) { return _mm_madd_epi16(a, b); }
    static Int Add16(Int a, Int b) { return _mm_add_epi16(a, b); }
    static Int Sub16(Int a, Int b) { return _mm_sub_epi16(a, b); }
    static Int Add32(Int a, Int b) { return _mm_add_epi32(a, b); }
    static Int Sub32(Int a, Int b) { return _mm_sub_epi32(a, b); }
    template <int Shift>
    static Int Srai32(Int a) { return _mm_srai_epi32(a, Shift); }
    static Int Packs32(Int a, Int b) { return _mm_packs_epi32(a, b); }
    static Int Min16(Int a, Int b) { return _mm_min_epi16(a, b); }
    static Int Max16(Int a, Int b) { return _mm_max_epi16(a, b); }
    static Int Set32(int32_t v) { return _mm_set1_epi32(v); }
    static Int Set16(int16_t v) { return _mm_set1_epi16(v); }
    static Int Zero() { return _mm_setzero_si128(); }
    static Int Unpacklo8(Int a, Int b) { return _mm_unpacklo_epi8(a, b); }
    static Int Unpackhi8(Int a, Int b) { return _mm_unpackhi_epi8(a, b); }
    static Int Packus16(Int a, Int b) { return _mm_packus_epi16(a, b); }
    static Int Load(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
    // Eight 16-bit factors, the same for every block.
    static Int Factors(const int16_t* p) { return _mm_load_si128(reinterpret_cast<const __m128i*>(p)); }
    static Float ToFloat(Int a) { return _mm_cvtepi32_ps(a); }
    static Int Truncate(Float a) { return _mm_cvttps_epi32(a); }
    static Float SetF(float v) { return _mm_set1_ps(v); }
    static Float MinF(Float a, Float b) { return _mm_min_ps(a, b); }
    static Float MaxF(Float a, Float b) { return _mm_max_ps(a, b); }
    static Float MulF(Float a, Float b) { return _mm_mul_ps(a, b); }
    // Four floats, the same for every block.
    static Float FactorsF(const float* p) { return _mm_loadu_ps(p); }
    // The first 32-bit lane of the (only) block.
    static int32_t Lane32(Int a, int) { return _mm_cvtsi128_si32(a); }
    static void StoreRow(Int row, int16_t* const* blocks, size_t at)
    {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(blocks[0] + at), row);
    }
    static constexpr int kBlocks = 1;
};

template <class V>
struct Wide {
    typename V::Int lo, hi;   // 32-bit values of lanes 0..3 and 4..7
};

template <class V>
[[gnu::always_inline]] inline Wide<V> Madd(typename V::Int a, typename V::Int b, typename V::Int factors)
{
    return {V::Madd(V::Unpacklo16(a, b), factors), V::Madd(V::Unpackhi16(a, b), factors)};
}
template <class V>
[[gnu::always_inline]] inline Wide<V> operator+(Wide<V> a, Wide<V> b)
{
    return {V::Add32(a.lo, b.lo), V::Add32(a.hi, b.hi)};
}
template <class V>
[[gnu::always_inline]] inline Wide<V> operator-(Wide<V> a, Wide<V> b)
{
    return {V::Sub32(a.lo, b.lo), V::Sub32(a.hi, b.hi)};
}
template <class V, int Shift>
[[gnu::always_inline]] inline typename V::Int Narrow(Wide<V> v)
{
    return V::Packs32(V::template Srai32<Shift>(v.lo), V::template Srai32<Shift>(v.hi));
}

template <class V>
[[gnu::always_inline]] inline void Transpose(typename V::Int* r)
{
    using I = typename V::Int;
    const I a0 = V::Unpacklo16(r[0], r[1]), a1 = V::Unpackhi16(r[0], r[1]);
    const I a2 = V::Unpacklo16(r[2], r[3]), a3 = V::Unpackhi16(r[2], r[3]);
    const I a4 = V::Unpacklo16(r[4], r[5]), a5 = V::Unpackhi16(r[4], r[5]);
    const I a6 = V::Unpacklo16(r[6], r[7]), a7 = V::Unpackhi16(r[6], r[7]);
    const I b0 = V::Unpacklo32(a0, a2), b1 = V::Unpackhi32(a0, a2);
    const I b2 = V::Unpacklo32(a1, a3), b3 = V::Unpackhi32(a1, a3);
    const I b4 = V::Unpacklo32(a4, a6), b5 = V::Unpackhi32(a4, a6);
    const I b6 = V::Unpacklo32(a5, a7), b7 = V::Unpackhi32(a5, a7);
    r[0] = V::Unpacklo64(b0, b4);
    r[1] = V::Unpackhi64(b0, b4);
    r[2] = V::Unpacklo64(b1, b5);
    r[3] = V::Unpackhi64(b1, b5);
    r[4] = V::Unpacklo64(b2, b6);
    r[5] = V::Unpackhi64(b2, b6);
    r[6] = V::Unpacklo64(b3, b7);
    r[7] = V::Unpackhi64(b3, b7);
}

// The input's symmetric halves folded together: sums of lines x and 7 - x for
// the even rows of the matrix, differences for the odd ones, as the pairs of
// lines (0, 1) and (2, 3) interleaved for the multiply-adds.
template <class V>
struct Folded {
    Wide<V> pairs[2][2];   // [odd][pair]
};

template <class V>
[[gnu::always_inline]] inline Folded<V> Fold(const typename V::Int* line)
{
    Folded<V> f;
    for (int p = 0; p < 2; ++p) {
        const auto a = line[2 * p], b = line[2 * p + 1], a7 = line[7 - 2 * p], b7 = line[6 - 2 * p];
        const auto sa = V::Add16(a, a7), sb = V::Add16(b, b7);
        const auto da = V::Sub16(a, a7), db = V::Sub16(b, b7);
        f.pairs[0][p] = {V::Unpacklo16(sa, sb), V::Unpackhi16(sa, sb)};
        f.pairs[1][p] = {V::Unpacklo16(da, db), V::Unpackhi16(da, db)};
    }
    return f;
}

// Row u of the matrix against every lane, rounded, before the shift.
template <class V>
[[gnu::always_inline]] inline Wide<V> MatrixRow(const Folded<V>& f, const ForwardMatrix& fm, int u)
{
    const auto round = V::Set32(0x4000);
    const Wide<V>* pairs = f.pairs[u & 1];
    const auto f01 = V::Factors(fm.halves[u][0]), f23 = V::Factors(fm.halves[u][1]);
    return {V::Add32(V::Add32(V::Madd(pairs[0].lo, f01), V::Madd(pairs[1].lo, f23)), round),
            V::Add32(V::Add32(V::Madd(pairs[0].hi, f01), V::Madd(pairs[1].hi, f23)), round)};
}

// The rows' pass of the forward transform on the transposed block; its
// results, transposed back, are folded for the columns' pass.
template <class V>
[[gnu::always_inline]] inline Folded<V> FirstPass(const ForwardMatrix& fm, typename V::Int* lines)
{
    Transpose<V>(lines);
    const Folded<V> columns = Fold<V>(lines);
    for (int u = 0; u < 8; ++u)
        lines[u] = Narrow<V, 15>(MatrixRow<V>(columns, fm, u));
    Transpose<V>(lines);
    return Fold<V>(lines);
}

// Truncation toward zero of coefficient / step as a multiplication by the
// step's reciprocal (raised so that exact quotients are not missed), the
// coefficient limited to +-4095 and the quotient to +-1023; the DC's quotient
// is limited to +-2047 instead.
template <class V>
[[gnu::always_inline]] inline typename V::Int QuantiseHalf(typename V::Int c, const float* reciprocal)
{
    const auto f = V::MaxF(V::MinF(V::ToFloat(c), V::SetF(4095.0f)), V::SetF(-4095.0f));
    return V::Truncate(V::MulF(f, V::FactorsF(reciprocal)));
}

// The forward transform of the samples in `lines` (line y of every block in
// lines[y]) and its quantisation by the steps' reciprocals (natural order)
// into each of `blocks`.
template <class V>
[[gnu::always_inline]] inline void ForwardQuantise(const ForwardMatrix& fm, typename V::Int* lines,
                                                   const float* reciprocal, int16_t* const* blocks)
{
    const Folded<V> rows = FirstPass<V>(fm, lines);
    const auto acLimit = V::Set16(1023), acLowest = V::Set16(-1023);
    int32_t dc[V::kBlocks];
    for (int v = 0; v < 8; ++v) {
        const Wide<V> w = MatrixRow<V>(rows, fm, v);
        const auto lo = V::template Srai32<15>(w.lo), hi = V::template Srai32<15>(w.hi);
        if (v == 0)
            for (int b = 0; b < V::kBlocks; ++b)
                dc[b] = V::Lane32(lo, b);
        const auto q = V::Packs32(QuantiseHalf<V>(lo, reciprocal + 8 * v), QuantiseHalf<V>(hi, reciprocal + 8 * v + 4));
        V::StoreRow(V::Max16(V::Min16(q, acLimit), acLowest), blocks, size_t(8 * v));
    }
    for (int b = 0; b < V::kBlocks; ++b)
        blocks[b][0] = QuantiseDc(dc[b], reciprocal[0]);
}

// Two 16-bit factors repeated over every pair of lanes.
template <class V>
typename V::Int Pair(int32_t first, int32_t second)
{
    return V::Set32(int32_t(uint32_t(uint16_t(first)) | uint32_t(uint16_t(second)) << 16));
}

// Eight pixels' blue, green and red as 16-bit lanes (per block of lanes).
template <class V>
struct Channels {
    typename V::Int b, g, r;
};

// The writer's factors in Q15 as (r, g) and (b, 1) pairs, the second pair
// carrying the rounding: (r, g) . f + (b, 1) . g >> 15.
// (A constructor of its own, so that it is built with the instruction set of
// the unit that includes this; an implicit one would not be.)
template <class V>
struct EncodeFactors {
    typename V::Int one, bias, top, yRg, yB, uRg, uB, vRg, vB;
    EncodeFactors()
        : one(V::Set16(1)), bias(V::Set16(128)), top(V::Set16(127)), yRg(Pair<V>(9798, 19235)),
          yB(Pair<V>(3736, 16384)), uRg(Pair<V>(-5529, -10855)), uB(Pair<V>(16384, 16384)),
          vRg(Pair<V>(16384, -13720)), vB(Pair<V>(-2664, 16384))
    {
    }
};

template <class V>
[[gnu::always_inline]] inline Wide<V> Mix(const Wide<V>& rg, const Wide<V>& b1, typename V::Int f,
                                          typename V::Int g)
{
    return {V::template Srai32<15>(V::Add32(V::Madd(rg.lo, f), V::Madd(b1.lo, g))),
            V::template Srai32<15>(V::Add32(V::Madd(rg.hi, f), V::Madd(b1.hi, g)))};
}

template <class V>
struct Interleaved {
    Wide<V> rg, b1;
};

template <class V>
[[gnu::always_inline]] inline Interleaved<V> Interleave(const Channels<V>& c, const EncodeFactors<V>& k)
{
    return {{V::Unpacklo16(c.r, c.g), V::Unpackhi16(c.r, c.g)},
            {V::Unpacklo16(c.b, k.one), V::Unpackhi16(c.b, k.one)}};
}

// Level-shifted luminance of eight pixels.
template <class V>
[[gnu::always_inline]] inline typename V::Int Luma(const Channels<V>& c, const EncodeFactors<V>& k)
{
    const Interleaved<V> in = Interleave<V>(c, k);
    const Wide<V> luma = Mix<V>(in.rg, in.b1, k.yRg, k.yB);
    return V::Sub16(V::Packs32(luma.lo, luma.hi), k.bias);
}

// Colour differences of eight pixels, each limited to 127 above.
template <class V>
[[gnu::always_inline]] inline void Differences(const Interleaved<V>& in, const EncodeFactors<V>& k,
                                               typename V::Int& u, typename V::Int& v)
{
    const Wide<V> wu = Mix<V>(in.rg, in.b1, k.uRg, k.uB), wv = Mix<V>(in.rg, in.b1, k.vRg, k.vB);
    u = V::Min16(V::Packs32(wu.lo, wu.hi), k.top);
    v = V::Min16(V::Packs32(wv.lo, wv.hi), k.top);
}

// The reader's factors beyond 16 bits split into a whole multiple of the
// value, added as it is, and a remainder that fits:
// (v * f + r) >> 16 = w * v + ((v * (f - w * 65536) + r) >> 16) exactly.
// (A constructor of its own for the same reason as the writer's.)
template <class V>
struct DecodeFactors {
    typename V::Int round, bias, red, blue, green;
    DecodeFactors()
        : round(V::Set32(kRound16)), bias(V::Set16(128)), red(Pair<V>(kCrRed - 65536, 0)),
          blue(Pair<V>(kCbBlue - 2 * 65536, 0)), green(Pair<V>(-kCbGreen, 65536 - kCrGreen))
    {
    }
};

// (a, b) . factors >> 16 for eight lanes, rounded.
template <class V>
[[gnu::always_inline]] inline typename V::Int Dot16(typename V::Int a, typename V::Int b, typename V::Int factors,
                                                    typename V::Int round)
{
    return Narrow<V, 16>(Madd<V>(a, b, factors) + Wide<V>{round, round});
}

// Eight pixels' blue, green and red (16-bit, not yet limited) from their
// luminance and centred colour differences.
template <class V>
[[gnu::always_inline]] inline Channels<V> ToBgr(typename V::Int y, typename V::Int cb, typename V::Int cr,
                                                const DecodeFactors<V>& k)
{
    const auto zero = V::Zero();
    const auto red = Dot16<V>(cr, zero, k.red, k.round);
    const auto blue = Dot16<V>(cb, zero, k.blue, k.round);
    const auto green = Dot16<V>(cb, cr, k.green, k.round);
    return {V::Add16(V::Add16(y, V::Add16(cb, cb)), blue), V::Add16(V::Sub16(y, cr), green),
            V::Add16(V::Add16(y, cr), red)};
}

// Sixteen pixels (per 128-bit half) from their planes' bytes to their
// channels' bytes, limited to 0..255.
template <class V>
[[gnu::always_inline]] inline Channels<V> DecodeSixteen(const uint8_t* y, const uint8_t* cb, const uint8_t* cr,
                                                        const DecodeFactors<V>& k)
{
    const auto zero = V::Zero();
    const auto yv = V::Load(y), bv = V::Load(cb), rv = V::Load(cr);
    const Channels<V> lo = ToBgr<V>(V::Unpacklo8(yv, zero), V::Sub16(V::Unpacklo8(bv, zero), k.bias),
                                    V::Sub16(V::Unpacklo8(rv, zero), k.bias), k);
    const Channels<V> hi = ToBgr<V>(V::Unpackhi8(yv, zero), V::Sub16(V::Unpackhi8(bv, zero), k.bias),
                                    V::Sub16(V::Unpackhi8(rv, zero), k.bias), k);
    return {V::Packus16(lo.b, hi.b), V::Packus16(lo.g, hi.g), V::Packus16(lo.r, hi.r)};
}

}   // namespace
}   // namespace vantor::jpeg

#endif
