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

// Decoding factors in Q16, the precision decoders commonly use, so that a
// file's colours come out here as they do elsewhere.
constexpr int32_t Fix16(double x) { return int32_t(x * 65536 + 0.5); }
constexpr int32_t kCrRed = Fix16(1.40200), kCbGreen = Fix16(0.34414), kCrGreen = Fix16(0.71414),
                  kCbBlue = Fix16(1.77200);
constexpr int32_t kRound16 = 1 << 15;

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

// The factors beyond 16 bits are split into a whole multiple of the value,
// added as it is, and a remainder that fits: (v * f + r) >> 16 =
// w * v + ((v * (f - w * 65536) + r) >> 16) exactly.
constexpr int32_t kCrRedPart = kCrRed - 65536, kCbBluePart = kCbBlue - 2 * 65536,
                  kCrGreenPart = 65536 - kCrGreen;

__m128i Pair(int32_t first, int32_t second)
{
    return _mm_set1_epi32(int32_t(uint32_t(uint16_t(first)) | uint32_t(uint16_t(second)) << 16));
}

// (a, b) . factors >> 16 for eight lanes.
__m128i Dot16(__m128i a, __m128i b, __m128i factors, __m128i round)
{
    const __m128i lo = _mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(a, b), factors), round);
    const __m128i hi = _mm_add_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(a, b), factors), round);
    return _mm_packs_epi32(_mm_srai_epi32(lo, 16), _mm_srai_epi32(hi, 16));
}

struct Half {
    __m128i b, g, r;
};

Half ConvertHalf(__m128i y, __m128i cb, __m128i cr)
{
    const __m128i round = _mm_set1_epi32(kRound16), zero = _mm_setzero_si128();
    const __m128i red = Dot16(cr, zero, Pair(kCrRedPart, 0), round);
    const __m128i blue = Dot16(cb, zero, Pair(kCbBluePart, 0), round);
    const __m128i green = Dot16(cb, cr, Pair(-kCbGreen, kCrGreenPart), round);
    return Half{_mm_add_epi16(_mm_add_epi16(y, _mm_add_epi16(cb, cb)), blue),
                _mm_add_epi16(_mm_sub_epi16(y, cr), green), _mm_add_epi16(_mm_add_epi16(y, cr), red)};
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

void BgrRowToYcc(const uint8_t* bgr, size_t n, int16_t* y, int16_t* cbPairs, int16_t* crPairs)
{
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i one = _mm_set1_epi16(1);
    const __m128i bias = _mm_set1_epi16(128), top = _mm_set1_epi16(127);
    auto pair = [](int lo, int hi) { return _mm_set1_epi32(int32_t(uint32_t(uint16_t(hi)) << 16 | uint16_t(lo))); };
    const __m128i yRg = pair(9798, 19235), yB = pair(3736, 16384);
    const __m128i uRg = pair(-5529, -10855), uB = pair(16384, 16384);
    const __m128i vRg = pair(16384, -13720), vB = pair(-2664, 16384);
    // (r, g) . f + (b, 1) . g, the second pair carrying the rounding, >> 15.
    auto mix = [&](__m128i rg, __m128i b1, __m128i f, __m128i g) {
        return _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(rg, f), _mm_madd_epi16(b1, g)), 15);
    };
    auto evens = [](__m128i lo, __m128i hi) {
        return _mm_castps_si128(_mm_shuffle_ps(_mm_castsi128_ps(lo), _mm_castsi128_ps(hi), _MM_SHUFFLE(2, 0, 2, 0)));
    };
    for (; i + 8 <= n; i += 8) {
        const uint8_t* p = bgr + 3 * i;
        const __m128i b = _mm_setr_epi16(p[0], p[3], p[6], p[9], p[12], p[15], p[18], p[21]);
        const __m128i g = _mm_setr_epi16(p[1], p[4], p[7], p[10], p[13], p[16], p[19], p[22]);
        const __m128i r = _mm_setr_epi16(p[2], p[5], p[8], p[11], p[14], p[17], p[20], p[23]);
        const __m128i rgLo = _mm_unpacklo_epi16(r, g), rgHi = _mm_unpackhi_epi16(r, g);
        const __m128i bLo = _mm_unpacklo_epi16(b, one), bHi = _mm_unpackhi_epi16(b, one);
        const __m128i luma = _mm_packs_epi32(mix(rgLo, bLo, yRg, yB), mix(rgHi, bHi, yRg, yB));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(y + i), _mm_sub_epi16(luma, bias));
        const __m128i u = evens(mix(rgLo, bLo, uRg, uB), mix(rgHi, bHi, uRg, uB));
        const __m128i v = evens(mix(rgLo, bLo, vRg, vB), mix(rgHi, bHi, vRg, vB));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(cbPairs + i / 2), _mm_min_epi16(_mm_packs_epi32(u, u), top));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(crPairs + i / 2), _mm_min_epi16(_mm_packs_epi32(v, v), top));
    }
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
