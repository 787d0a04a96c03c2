// The geometric and tone operations on small pictures of every depth, in any
// order and with any arguments: each must leave a picture whose header, stride
// and crop rectangle the rest of the engine can trust.
//
// Input: depth selector, width, height (one byte each, 1 to 64), then triples of
// (operation, argument low, argument high); the pixels come from the same bytes.
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine.h"

namespace {

const int kDepths[] = {1, 4, 8, 24};

std::vector<uint8_t> Picture(const uint8_t* data, size_t size)
{
    const int bits = kDepths[data[0] & 3];
    const int width = data[1] % 64 + 1, height = data[2] % 64 + 1;
    const uint32_t entries = bits <= 8 ? 1u << bits : 0, stride = uint32_t(DibRowBytes(width, WORD(bits)));
    std::vector<uint8_t> dib(40 + 4 * entries + size_t(stride) * height);
    BITMAPINFOHEADER h{40, width, height, 1, WORD(bits), BI_RGB, stride * uint32_t(height), 0, 0, 0, 0};
    std::memcpy(dib.data(), &h, sizeof h);
    // Grey tables when the first byte asks, so that sharpening accepts them.
    for (uint32_t i = 0; i < entries; ++i) {
        uint8_t g = uint8_t(i * 255 / (entries - 1));
        RGBQUAD q = (data[0] & 4) ? RGBQUAD{g, g, g, 0} : RGBQUAD{g, uint8_t(255 - g), uint8_t(i * 37), 0};
        std::memcpy(dib.data() + 40 + 4 * i, &q, 4);
    }
    for (size_t i = 40 + 4 * entries; i < dib.size(); ++i)
        dib[i] = data[i % size];
    return dib;
}

void Check(IMG_HANDLE handle)
{
    vantor::Record* record = vantor::Lookup(handle);
    const BITMAPINFOHEADER& h = record->Header();
    if (uint32_t(h.biWidth) != record->width || uint32_t(h.biHeight) != record->height ||
        DibRowBytes(h.biWidth, h.biBitCount) != record->stride ||
        GlobalSize(record->store) < 40 + record->TableBytes() + size_t(record->stride) * record->height)
        __builtin_trap();
}

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3)
        return 0;
    auto dib = Picture(data, size);
    IMG_HANDLE handle = 0;
    if (IMG_create_handle(&handle, reinterpret_cast<const BITMAPINFO*>(dib.data())) < 0)
        return 0;
    for (size_t i = 3; i + 2 < size && i < 3 + 3 * 12; i += 3) {
        const int16_t argument = int16_t(data[i + 1] | data[i + 2] << 8);
        switch (data[i] % 8) {
        case 0: IMG_flip_bitmapx(handle); break;
        case 1: IMG_flip_bitmapy(handle); break;
        case 2: IMG_rotate_bitmap(handle, uint16_t(argument)); break;
        case 3: IMG_resize_bitmap(handle, uint16_t(data[i + 1] % 96), int16_t(data[i + 2] % 96 - 8)); break;
        case 4: IMG_invert_bitmap(handle); break;
        case 5: IMG_set_lut(handle, argument, int8_t(data[i + 1])); break;
        case 6: IMG_sharpen_bitmap(handle, argument); break;
        default: IMG_set_croprect(handle, data[i + 1], data[i + 2], uint16_t(argument), data[i + 1]); break;
        }
        Check(handle);
    }
    static std::vector<uint8_t> out(1 << 20);
    uint32_t written = 0;
    IMG_save_bitmap_mem_len(handle, out.data(), uint32_t(out.size()), IMG_TYPE_BMP, &written);
    IMG_delete_bitmap(handle);
    return 0;
}
