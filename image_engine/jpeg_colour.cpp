// Full-range luminance / colour-difference conversion (the JFIF definition),
// in 16-bit fixed point with rounding, both ways.
#include <algorithm>

#include "jpeg.h"

namespace vantor::jpeg {

namespace {

constexpr int32_t kHalf = 1 << 15;

struct InverseTables {
    int16_t crRed[256], cbBlue[256];
    int32_t crGreen[256], cbGreen[256];
    uint8_t limit[256 * 3];   // index value + 256, clamped to 0..255
    InverseTables()
    {
        for (int i = 0; i < 256; ++i) {
            const int32_t c = i - 128;
            crRed[i] = int16_t((91881 * c + kHalf) >> 16);
            cbBlue[i] = int16_t((116130 * c + kHalf) >> 16);
            crGreen[i] = -46802 * c;
            cbGreen[i] = -22554 * c + kHalf;
        }
        for (int i = 0; i < 256 * 3; ++i)
            limit[i] = uint8_t(std::clamp(i - 256, 0, 255));
    }
};
const InverseTables kTables;

}   // namespace

void YccToBgr(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint8_t* bgr, size_t n)
{
    const uint8_t* limit = kTables.limit + 256;
    for (size_t i = 0; i < n; ++i) {
        const int l = y[i], b = cb[i], r = cr[i];
        bgr[3 * i] = limit[l + kTables.cbBlue[b]];
        bgr[3 * i + 1] = limit[l + ((kTables.cbGreen[b] + kTables.crGreen[r]) >> 16)];
        bgr[3 * i + 2] = limit[l + kTables.crRed[r]];
    }
}

void BgrToYcc(uint8_t b, uint8_t g, uint8_t r, int16_t& y, int16_t& cb, int16_t& cr)
{
    y = int16_t(((19595 * r + 38470 * g + 7471 * b + kHalf) >> 16) - 128);
    cb = int16_t(std::min((-11059 * r - 21709 * g + 32768 * b + kHalf) >> 16, 127));
    cr = int16_t(std::min((32768 * r - 27439 * g - 5329 * b + kHalf) >> 16, 127));
}

}   // namespace vantor::jpeg
