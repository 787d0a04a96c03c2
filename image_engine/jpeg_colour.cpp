// Full-range luminance / colour-difference conversion (the JFIF definition),
// in fixed point with rounding, both ways.
#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "jpeg.h"

namespace vantor::jpeg {

namespace {

// Decoding factors in Q14: 1.402, 0.344136, 0.714136, 1.772.
constexpr int kCrRed = 22970, kCbGreen = 5638, kCrGreen = 11700, kCbBlue = 29032;
constexpr int kRound14 = 1 << 13;

uint8_t Clamp(int v)
{
    return uint8_t(std::clamp(v, 0, 255));
}

void PixelToBgr(int y, int cb, int cr, uint8_t* out)
{
    cb -= 128;
    cr -= 128;
    out[0] = Clamp(y + ((cb * kCbBlue + kRound14) >> 14));
    out[1] = Clamp(y + ((-cb * kCbGreen - cr * kCrGreen + kRound14) >> 14));
    out[2] = Clamp(y + ((cr * kCrRed + kRound14) >> 14));
}

#if defined(__SSE2__)

// (v * factor + rounding) >> 14 for eight 16-bit values, through pairs (v, 1).
__m128i Scaled(__m128i v, __m128i factorAndRound)
{
    const __m128i one = _mm_set1_epi16(1);
    const __m128i lo = _mm_madd_epi16(_mm_unpacklo_epi16(v, one), factorAndRound);
    const __m128i hi = _mm_madd_epi16(_mm_unpackhi_epi16(v, one), factorAndRound);
    return _mm_packs_epi32(_mm_srai_epi32(lo, 14), _mm_srai_epi32(hi, 14));
}

__m128i GreenDelta(__m128i cb, __m128i cr)
{
    const __m128i factors = _mm_set1_epi32(int32_t(uint32_t(uint16_t(-kCrGreen)) << 16 | uint16_t(-kCbGreen)));
    const __m128i round = _mm_set1_epi32(kRound14);
    const __m128i lo = _mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(cb, cr), factors), round);
    const __m128i hi = _mm_add_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(cb, cr), factors), round);
    return _mm_packs_epi32(_mm_srai_epi32(lo, 14), _mm_srai_epi32(hi, 14));
}

struct Half {
    __m128i b, g, r;
};

Half ConvertHalf(__m128i y, __m128i cb, __m128i cr)
{
    const __m128i red = _mm_set1_epi32(kRound14 << 16 | kCrRed);
    const __m128i blue = _mm_set1_epi32(kRound14 << 16 | kCbBlue);
    return Half{_mm_add_epi16(y, Scaled(cb, blue)), _mm_add_epi16(y, GreenDelta(cb, cr)),
                _mm_add_epi16(y, Scaled(cr, red))};
}

// Two BGR0 pixels in 64 bits to six bytes; writes eight.
void StoreTwo(uint8_t* out, uint64_t q)
{
    const uint64_t v = (q & 0xFFFFFFull) | ((q >> 8) & 0xFFFFFF000000ull);
    std::memcpy(out, &v, 8);
}

void StoreFour(uint8_t* out, __m128i px)
{
    StoreTwo(out, uint64_t(_mm_cvtsi128_si64(px)));
    StoreTwo(out + 6, uint64_t(_mm_cvtsi128_si64(_mm_srli_si128(px, 8))));
}

#endif

}   // namespace

void YccToBgr(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint8_t* bgr, size_t n)
{
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128(), bias = _mm_set1_epi16(128);
    // Sixteen pixels a step; the last eight-byte store needs two bytes beyond.
    for (; i + 17 <= n; i += 16) {
        const __m128i yv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(y + i));
        const __m128i bv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cb + i));
        const __m128i rv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cr + i));
        const Half lo = ConvertHalf(_mm_unpacklo_epi8(yv, zero), _mm_sub_epi16(_mm_unpacklo_epi8(bv, zero), bias),
                                    _mm_sub_epi16(_mm_unpacklo_epi8(rv, zero), bias));
        const Half hi = ConvertHalf(_mm_unpackhi_epi8(yv, zero), _mm_sub_epi16(_mm_unpackhi_epi8(bv, zero), bias),
                                    _mm_sub_epi16(_mm_unpackhi_epi8(rv, zero), bias));
        const __m128i b8 = _mm_packus_epi16(lo.b, hi.b);
        const __m128i g8 = _mm_packus_epi16(lo.g, hi.g);
        const __m128i r8 = _mm_packus_epi16(lo.r, hi.r);
        const __m128i bgLo = _mm_unpacklo_epi8(b8, g8), bgHi = _mm_unpackhi_epi8(b8, g8);
        const __m128i rLo = _mm_unpacklo_epi8(r8, zero), rHi = _mm_unpackhi_epi8(r8, zero);
        uint8_t* out = bgr + 3 * i;
        StoreFour(out, _mm_unpacklo_epi16(bgLo, rLo));
        StoreFour(out + 12, _mm_unpackhi_epi16(bgLo, rLo));
        StoreFour(out + 24, _mm_unpacklo_epi16(bgHi, rHi));
        StoreFour(out + 36, _mm_unpackhi_epi16(bgHi, rHi));
    }
#endif
    for (; i < n; ++i)
        PixelToBgr(y[i], cb[i], cr[i], bgr + 3 * i);
}


}   // namespace vantor::jpeg
