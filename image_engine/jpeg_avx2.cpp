// The writer's colour conversion and its transform and quantisation in
// 256-bit registers, each 128-bit half doing what one 128-bit register does
// on the narrower paths: the same steps, so the same numbers. Built for
// processors with 256-bit integer operations and only called where the
// processor has them.
#include <cstddef>
#include <cstdint>
#include <immintrin.h>

#include "jpeg.h"

#if defined(__SSE2__)

// Everything below, and nothing the other units share, may use the wider
// instructions: the standard headers came in before this point.
#pragma GCC push_options
#pragma GCC target("avx2")

#include "jpeg_lanes.h"

namespace vantor::jpeg {

namespace {

// One 256-bit register: block a in the low half, block b in the high one.
struct V256 {
    using Int = __m256i;
    using Float = __m256;
    static Int Unpacklo16(Int a, Int b) { return _mm256_unpacklo_epi16(a, b); }
    static Int Unpackhi16(Int a, Int b) { return _mm256_unpackhi_epi16(a, b); }
    static Int Unpacklo32(Int a, Int b) { return _mm256_unpacklo_epi32(a, b); }
    static Int Unpackhi32(Int a, Int b) { return _mm256_unpackhi_epi32(a, b); }
    static Int Unpacklo64(Int a, Int b) { return _mm256_unpacklo_epi64(a, b); }
    static Int Unpackhi64(Int a, Int b) { return _mm256_unpackhi_epi64(a, b); }
    static Int Madd(Int a, Int b) { return _mm256_madd_epi16(a, b); }
    static Int Add16(Int a, Int b) { return _mm256_add_epi16(a, b); }
    static Int Sub16(Int a, Int b) { return _mm256_sub_epi16(a, b); }
    static Int Add32(Int a, Int b) { return _mm256_add_epi32(a, b); }
    static Int Sub32(Int a, Int b) { return _mm256_sub_epi32(a, b); }
    template <int Shift>
    static Int Srai32(Int a) { return _mm256_srai_epi32(a, Shift); }
    static Int Packs32(Int a, Int b) { return _mm256_packs_epi32(a, b); }
    static Int Min16(Int a, Int b) { return _mm256_min_epi16(a, b); }
    static Int Max16(Int a, Int b) { return _mm256_max_epi16(a, b); }
    static Int Set32(int32_t v) { return _mm256_set1_epi32(v); }
    static Int Set16(int16_t v) { return _mm256_set1_epi16(v); }
    static Int Zero() { return _mm256_setzero_si256(); }
    static Int Unpacklo8(Int a, Int b) { return _mm256_unpacklo_epi8(a, b); }
    static Int Unpackhi8(Int a, Int b) { return _mm256_unpackhi_epi8(a, b); }
    static Int Packus16(Int a, Int b) { return _mm256_packus_epi16(a, b); }
    static Int Load(const uint8_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
    static Int Factors(const int16_t* p)
    {
        return _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(p)));
    }
    static Float ToFloat(Int a) { return _mm256_cvtepi32_ps(a); }
    static Int Truncate(Float a) { return _mm256_cvttps_epi32(a); }
    static Float SetF(float v) { return _mm256_set1_ps(v); }
    static Float MinF(Float a, Float b) { return _mm256_min_ps(a, b); }
    static Float MaxF(Float a, Float b) { return _mm256_max_ps(a, b); }
    static Float MulF(Float a, Float b) { return _mm256_mul_ps(a, b); }
    static Float FactorsF(const float* p) { return _mm256_broadcast_ps(reinterpret_cast<const __m128*>(p)); }
    static int32_t Lane32(Int a, int block)
    {
        return block == 0 ? _mm256_extract_epi32(a, 0) : _mm256_extract_epi32(a, 4);
    }
    static void StoreRow(Int row, int16_t* const* blocks, size_t at)
    {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(blocks[0] + at), _mm256_castsi256_si128(row));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(blocks[1] + at), _mm256_extracti128_si256(row, 1));
    }
    static constexpr int kBlocks = 2;
};

}   // namespace

void ForwardQuantisePairAvx2(const ForwardMatrix& fm, const int16_t* a, const int16_t* b, size_t stride,
                             const float* reciprocal, int16_t* qa, int16_t* qb)
{
    __m256i lines[8];
    for (int y = 0; y < 8; ++y)
        lines[y] = _mm256_setr_m128i(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + y * stride)),
                                     _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + y * stride)));
    int16_t* const blocks[2] = {qa, qb};
    ForwardQuantise<V256>(fm, lines, reciprocal, blocks);
}

namespace {

// One register's picked channel for sixteen pixels from each half's 48 bytes.
__m256i Pick(const __m256i* regs, const __m128i* masks)
{
    __m256i picked = _mm256_shuffle_epi8(regs[0], _mm256_broadcastsi128_si256(masks[0]));
    for (int reg = 1; reg < 3; ++reg)
        picked = _mm256_or_si256(picked, _mm256_shuffle_epi8(regs[reg], _mm256_broadcastsi128_si256(masks[reg])));
    return picked;
}

Channels<V256> PickAll(const __m256i* regs, const __m128i (&masks)[3][3])
{
    return {Pick(regs, masks[0]), Pick(regs, masks[1]), Pick(regs, masks[2])};
}

__m256i Load(const uint8_t* low, const uint8_t* high)
{
    return _mm256_setr_m128i(_mm_loadu_si128(reinterpret_cast<const __m128i*>(low)),
                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(high)));
}

}   // namespace

// Pixels 0..15 of each step in the low halves, 16..31 in the high ones; the
// luminance of 0..7 and 16..23 comes out in one register, of 8..15 and
// 24..31 in another.
size_t BgrRowToYccAvx2(const uint8_t* bgr, size_t n, int16_t* y, int16_t* cbPairs, int16_t* crPairs)
{
    const EncodeFactors<V256> k;
    size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        const uint8_t* p = bgr + 3 * i;
        const __m256i regs[3] = {Load(p, p + 48), Load(p + 16, p + 64), Load(p + 32, p + 80)};
        const __m256i first = Luma<V256>(PickAll(regs, kGather.first), k);
        const __m256i last = Luma<V256>(PickAll(regs, kGather.last), k);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(y + i), _mm256_permute2x128_si256(first, last, 0x20));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(y + i + 16), _mm256_permute2x128_si256(first, last, 0x31));
        __m256i u, v;
        Differences<V256>(Interleave<V256>(PickAll(regs, kGather.even), k), k, u, v);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(cbPairs + i / 2), u);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(crPairs + i / 2), v);
    }
    return i;
}

// Pixels 0..15 of each step in the low halves, 16..31 in the high ones: each
// output register's halves are 48 bytes apart, and three stores of 32 bytes
// put them in order.
size_t YccToBgrAvx2(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint8_t* bgr, size_t n)
{
    const DecodeFactors<V256> k;
    __m256i masks[3][3];
    for (int reg = 0; reg < 3; ++reg)
        for (int c = 0; c < 3; ++c)
            masks[reg][c] = _mm256_broadcastsi128_si256(kScatter.of[reg][c]);
    size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        const Channels<V256> p = DecodeSixteen<V256>(y + i, cb + i, cr + i, k);
        __m256i out[3];
        for (int reg = 0; reg < 3; ++reg)
            out[reg] = _mm256_or_si256(_mm256_or_si256(_mm256_shuffle_epi8(p.b, masks[reg][0]),
                                                       _mm256_shuffle_epi8(p.g, masks[reg][1])),
                                       _mm256_shuffle_epi8(p.r, masks[reg][2]));
        auto* to = reinterpret_cast<__m256i*>(bgr + 3 * i);
        _mm256_storeu_si256(to, _mm256_permute2x128_si256(out[0], out[1], 0x20));
        _mm256_storeu_si256(to + 1, _mm256_blend_epi32(out[2], out[0], 0xF0));
        _mm256_storeu_si256(to + 2, _mm256_permute2x128_si256(out[1], out[2], 0x31));
    }
    return i;
}

}   // namespace vantor::jpeg

#pragma GCC pop_options

#endif
