// Nearest-neighbour resizing in 8.8 fixed point.
#include <cstring>

#include "geometry.h"

namespace vantor {

namespace {

// Source positions advance by a fixed-point step from 0; the integer division
// keeps the last pick inside the old row.
void ResizeRow(const uint8_t* src, uint8_t* dst, uint32_t width, uint32_t step, int bits)
{
    uint64_t position = 0;
    switch (bits) {
    case 1:
        for (uint32_t x = 0; x < width; ++x, position += step)
            if (BitAt(src, uint32_t(position >> 8)))
                SetBit(dst, x);
        break;
    case 4: {
        // Half steps over a position in bytes x 256: bit 0x80 picks the low nibble.
        const uint32_t half = step >> 1;
        for (uint32_t x = 0; x < width; ++x, position += half) {
            const uint8_t byte = src[position >> 8];
            PutNibble(dst, x, (position & 0x80) ? byte & 0x0F : byte >> 4);
        }
        break;
    }
    case 8:
        for (uint32_t x = 0; x < width; ++x, position += step)
            dst[x] = src[position >> 8];
        break;
    default:
        for (uint32_t x = 0; x < width; ++x, position += step)
            std::memcpy(dst + 3 * x, src + 3 * (position >> 8), 3);
        break;
    }
}

int Resize(HeldPicture& picture, uint32_t width, uint32_t height)
{
    Record& record = picture.Rec();
    std::vector<uint8_t> dib;
    if (int r = NewStore(record, width, height, dib); r < 0)
        return r;
    const uint32_t xStep = record.width * 256 / width;
    const uint32_t yStep = record.height * 256 / height;
    const auto stride = uint32_t(DibRowBytes(LONG(width), WORD(picture.Bits())));
    uint8_t* rows = StoreRows(dib);
    uint64_t position = 0;
    for (uint32_t r = 0; r < height; ++r, position += yStep)
        ResizeRow(picture.Row(uint32_t(position >> 8)), rows + size_t(r) * stride, width, xStep, picture.Bits());
    if (int r = AdoptStore(record, std::move(dib)); r < 0)
        return r;
    record.displayWidth = uint16_t(width);
    record.displayHeight = uint16_t(height);
    record.cropLeft = record.cropTop = 0;
    record.cropWidth = uint16_t(width);
    record.cropHeight = uint16_t(height);
    return IMG_OK;
}

}   // namespace

}   // namespace vantor

using namespace vantor;

extern "C" int32_t IMG_resize_bitmap(IMG_HANDLE h, uint16_t width, int16_t height)
{
    return OnPicture(h, [&](HeldPicture& p) {
        // An empty or negative size has no picture to resample into.
        if (width == 0 || height <= 0)
            return int(IMG_ERR_UNSUPPORTED);
        return Resize(p, width, uint32_t(height));
    });
}
