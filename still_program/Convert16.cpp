#include "Convert16.h"

#include "Memalloc.h"

#include <cstdint>
#include <cstring>

namespace {
// Room the block keeps beyond the picture, as the writers expect.
constexpr uint64_t kSlack = 10240;
constexpr uint64_t kHeaders = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
}  // namespace

void* ConvertFrame16To24(const BYTE* pixels, size_t available, LONG width, LONG height, DWORD& size)
{
    size = 0;
    if (!pixels || width <= 0 || height == 0 || width > 65536 || height > 65536 || height < -65536)
        return nullptr;
    const uint64_t rows = uint64_t(height < 0 ? -int64_t(height) : height);
    const uint64_t inStride = ((uint64_t(width) * 16 + 31) / 32) * 4;
    const uint64_t outStride = (uint64_t(width) * 3 + 3) & ~uint64_t(3);
    if (inStride * rows > available)
        return nullptr;
    const uint64_t image = outStride * rows;
    const uint64_t total = kHeaders + image + kSlack;
    if (total > 0x7FFFFFFF)
        return nullptr;
    auto* block = static_cast<BYTE*>(MemAllocHuge(DWORD(total)));
    if (!block)
        return nullptr;
    std::memset(block, 0, size_t(total));

    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfSize = DWORD(kHeaders + image);
    file.bfOffBits = DWORD(kHeaders);
    BITMAPINFOHEADER info{};
    info.biSize = sizeof(BITMAPINFOHEADER);
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = DWORD(image);
    std::memcpy(block, &file, sizeof file);
    std::memcpy(block + sizeof file, &info, sizeof info);

    // Rows keep the frame's order; only their width changes.
    BYTE* out = block + kHeaders;
    for (uint64_t y = 0; y < rows; ++y) {
        const BYTE* in = pixels + y * inStride;
        BYTE* row = out + y * outStride;
        for (LONG x = 0; x < width; ++x) {
            const unsigned v = unsigned(in[2 * x]) | unsigned(in[2 * x + 1]) << 8;
            row[3 * x] = BYTE((v << 3) & 0xF8);
            row[3 * x + 1] = BYTE((v >> 2) & 0xF8);
            row[3 * x + 2] = BYTE((v >> 7) & 0xF8);
        }
    }
    size = DWORD(total);
    return block;
}
