// The one place where bytes from a camera become a frame.
#include "capture/v4l2_driver.h"

#include <cstring>

namespace capture {

bool RgbFrameToDib(const BYTE* data, size_t size, uint32_t width, uint32_t height, uint32_t bytesPerLine, Frame& frame)
{
    constexpr uint32_t kMaxSide = 16384;
    if (!data || width == 0 || height == 0 || width > kMaxSide || height > kMaxSide)
        return false;
    const uint64_t rowBytes = uint64_t(width) * 3;
    if (bytesPerLine < rowBytes)
        return false;
    // The last row needs only its pixels, not its padding.
    if (uint64_t(bytesPerLine) * (height - 1) + rowBytes > size)
        return false;
    frame.format = MakeFormat(LONG(width), LONG(height), 24);
    const uint32_t stride = DibStride(LONG(width), 24);
    frame.bits.assign(size_t(stride) * height, 0);
    for (uint32_t y = 0; y < height; ++y) {
        const BYTE* src = data + size_t(bytesPerLine) * y;
        BYTE* dst = frame.bits.data() + size_t(stride) * (height - 1 - y);
        for (uint32_t x = 0; x < width; ++x, src += 3, dst += 3)
            dst[0] = src[2], dst[1] = src[1], dst[2] = src[0];
    }
    return true;
}

}  // namespace capture
