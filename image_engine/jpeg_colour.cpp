// Full-range luminance / colour-difference conversion (the JFIF definition),
// in fixed point with rounding, both ways.
#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#include <tmmintrin.h>
#endif

#include "jpeg.h"
#include "jpeg_lanes.h"

namespace vantor::jpeg {

namespace {

uint8_t Clamp(int v)
{
    return uint8_t(std::clamp(v, 0, 255));
}

void PixelToBgr(int y, int cb, int cr, uint8_t* out)
{
    cb -= 128;
    cr -= 128;
    out[0] = Clamp(y + ((cb * kCbBlue + kRound16) >> 16));
    out[1] = Clamp(y + ((-cb * kCbGreen - cr * kCrGreen + kRound16) >> 16));
    out[2] = Clamp(y + ((cr * kCrRed + kRound16) >> 16));
}

#if defined(__SSE2__)

// Two BGR0 pixels in 64 bits to six bytes; writes eight.
[[gnu::always_inline]] inline void StoreTwo(uint8_t* out, uint64_t q)
{
    const uint64_t v = (q & 0xFFFFFFull) | ((q >> 8) & 0xFFFFFF000000ull);
    std::memcpy(out, &v, 8);
}

[[gnu::always_inline]] inline void StoreFour(uint8_t* out, __m128i px)
{
    StoreTwo(out, uint64_t(_mm_cvtsi128_si64(px)));
    StoreTwo(out + 6, uint64_t(_mm_cvtsi128_si64(_mm_srli_si128(px, 8))));
}

#endif

}   // namespace

#if defined(__SSE2__)

namespace {

using Pixels8 = Channels<V128>;

}   // namespace

// Eight pixels at a time, the channels picked out one by one.
size_t BgrRowToYccSse2(const uint8_t* bgr, size_t n, int16_t* y, int16_t* cbPairs, int16_t* crPairs)
{
    const EncodeFactors<V128> k;
    auto evens = [](__m128i a) { return _mm_shuffle_epi32(_mm_shufflehi_epi16(_mm_shufflelo_epi16(a, 0x08), 0x08), 0x08); };
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const uint8_t* p = bgr + 3 * i;
        const Pixels8 c{_mm_setr_epi16(p[0], p[3], p[6], p[9], p[12], p[15], p[18], p[21]),
                        _mm_setr_epi16(p[1], p[4], p[7], p[10], p[13], p[16], p[19], p[22]),
                        _mm_setr_epi16(p[2], p[5], p[8], p[11], p[14], p[17], p[20], p[23])};
        _mm_storeu_si128(reinterpret_cast<__m128i*>(y + i), Luma<V128>(c, k));
        __m128i u, v;
        Differences<V128>(Interleave<V128>(c, k), k, u, v);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(cbPairs + i / 2), evens(u));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(crPairs + i / 2), evens(v));
    }
    return i;
}

namespace {

GatherMasks BuildGatherMasks()
{
    GatherMasks g;
    auto build = [](__m128i (&masks)[3][3], auto byteOf) {
        for (int c = 0; c < 3; ++c)
            for (int reg = 0; reg < 3; ++reg) {
                alignas(16) uint8_t m[16];
                for (int lane = 0; lane < 8; ++lane) {
                    const int at = byteOf(lane) + c - 16 * reg;
                    m[2 * lane] = at >= 0 && at < 16 ? uint8_t(at) : 0x80;
                    m[2 * lane + 1] = 0x80;
                }
                masks[c][reg] = _mm_load_si128(reinterpret_cast<const __m128i*>(m));
            }
    };
    build(g.first, [](int lane) { return 3 * lane; });
    build(g.last, [](int lane) { return 24 + 3 * lane; });
    build(g.even, [](int lane) { return 6 * lane; });
    return g;
}

}   // namespace

const GatherMasks kGather = BuildGatherMasks();

namespace {

ScatterMasks BuildScatterMasks()
{
    ScatterMasks s;
    for (int reg = 0; reg < 3; ++reg)
        for (int c = 0; c < 3; ++c) {
            alignas(16) uint8_t m[16];
            for (int t = 0; t < 16; ++t)
                m[t] = (16 * reg + t) % 3 == c ? uint8_t((16 * reg + t) / 3) : 0x80;
            s.of[reg][c] = _mm_load_si128(reinterpret_cast<const __m128i*>(m));
        }
    return s;
}

}   // namespace

const ScatterMasks kScatter = BuildScatterMasks();

namespace {

[[gnu::target("ssse3")]] inline __m128i Pick(const __m128i* regs, const __m128i* masks)
{
    return _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(regs[0], masks[0]), _mm_shuffle_epi8(regs[1], masks[1])),
                        _mm_shuffle_epi8(regs[2], masks[2]));
}

[[gnu::target("ssse3")]] inline Pixels8 PickAll(const __m128i* regs, const __m128i (&masks)[3][3])
{
    return {Pick(regs, masks[0]), Pick(regs, masks[1]), Pick(regs, masks[2])};
}

// Sixteen pixels at a time with byte shuffles; the colour differences only
// for the even pixels, the only ones kept.
[[gnu::target("ssse3")]] size_t RowSsse3(const uint8_t* bgr, size_t n, int16_t* y, int16_t* cbPairs,
                                         int16_t* crPairs)
{
    const EncodeFactors<V128> k;
    size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        const uint8_t* p = bgr + 3 * i;
        const __m128i regs[3] = {_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)),
                                 _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16)),
                                 _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32))};
        _mm_storeu_si128(reinterpret_cast<__m128i*>(y + i), Luma<V128>(PickAll(regs, kGather.first), k));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(y + i + 8), Luma<V128>(PickAll(regs, kGather.last), k));
        __m128i u, v;
        Differences<V128>(Interleave<V128>(PickAll(regs, kGather.even), k), k, u, v);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(cbPairs + i / 2), u);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(crPairs + i / 2), v);
    }
    return i;
}

const bool kHaveSsse3 = (__builtin_cpu_init(), __builtin_cpu_supports("ssse3"));

}   // namespace

#endif

void BgrRowToYcc(const uint8_t* bgr, size_t n, int16_t* y, int16_t* cbPairs, int16_t* crPairs)
{
    size_t i = 0;
#if defined(__SSE2__)
    if (HaveAvx2())
        i = BgrRowToYccAvx2(bgr, n, y, cbPairs, crPairs);
    i += kHaveSsse3 ? RowSsse3(bgr + 3 * i, n - i, y + i, cbPairs + i / 2, crPairs + i / 2)
                    : BgrRowToYccSse2(bgr + 3 * i, n - i, y + i, cbPairs + i / 2, crPairs + i / 2);
#endif
    for (; i < n; ++i) {
        int16_t u, v;
        BgrToYcc(bgr[3 * i], bgr[3 * i + 1], bgr[3 * i + 2], y[i], u, v);
        if (!(i & 1)) {
            cbPairs[i / 2] = u;
            crPairs[i / 2] = v;
        }
    }
}

#if defined(__SSE2__)

namespace {

// Sixteen pixels' channels as bytes.
using Planes8 = Channels<V128>;

[[gnu::target("ssse3")]] size_t YccRowSsse3(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint8_t* bgr,
                                            size_t n)
{
    const DecodeFactors<V128> k;
    size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        const Planes8 p = DecodeSixteen<V128>(y + i, cb + i, cr + i, k);
        for (int reg = 0; reg < 3; ++reg) {
            const __m128i* m = kScatter.of[reg];
            const __m128i out = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(p.b, m[0]), _mm_shuffle_epi8(p.g, m[1])),
                                             _mm_shuffle_epi8(p.r, m[2]));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(bgr + 3 * i + 16 * reg), out);
        }
    }
    return i;
}

}   // namespace

size_t YccToBgrSse2(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint8_t* bgr, size_t n)
{
    const DecodeFactors<V128> k;
    const __m128i zero = _mm_setzero_si128();
    size_t i = 0;
    // Sixteen pixels a step; the last eight-byte store needs two bytes beyond.
    for (; i + 17 <= n; i += 16) {
        const Planes8 p = DecodeSixteen<V128>(y + i, cb + i, cr + i, k);
        const __m128i bgLo = _mm_unpacklo_epi8(p.b, p.g), bgHi = _mm_unpackhi_epi8(p.b, p.g);
        const __m128i rLo = _mm_unpacklo_epi8(p.r, zero), rHi = _mm_unpackhi_epi8(p.r, zero);
        uint8_t* out = bgr + 3 * i;
        StoreFour(out, _mm_unpacklo_epi16(bgLo, rLo));
        StoreFour(out + 12, _mm_unpackhi_epi16(bgLo, rLo));
        StoreFour(out + 24, _mm_unpacklo_epi16(bgHi, rHi));
        StoreFour(out + 36, _mm_unpackhi_epi16(bgHi, rHi));
    }
    return i;
}

#endif

void YccToBgr(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint8_t* bgr, size_t n)
{
    size_t i = 0;
#if defined(__SSE2__)
    if (HaveAvx2())
        i = YccToBgrAvx2(y, cb, cr, bgr, n);
    i += kHaveSsse3 ? YccRowSsse3(y + i, cb + i, cr + i, bgr + 3 * i, n - i)
                    : YccToBgrSse2(y + i, cb + i, cr + i, bgr + 3 * i, n - i);
#endif
    for (; i < n; ++i)
        PixelToBgr(y[i], cb[i], cr[i], bgr + 3 * i);
}

}   // namespace vantor::jpeg
