// Camera bytes into a frame: the first 6 bytes choose width, height and row
// padding, the rest is the picture as a device delivered it.
#include "capture/v4l2_driver.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 6)
        return 0;
    const uint32_t width = uint32_t(data[0] | data[1] << 8);
    const uint32_t height = uint32_t(data[2] | data[3] << 8);
    const uint32_t bytesPerLine = width * 3 + uint32_t(data[4] | data[5] << 8) - 0x8000;
    capture::Frame frame;
    if (capture::RgbFrameToDib(data + 6, size - 6, width, height, bytesPerLine, frame)) {
        volatile BYTE sink = frame.bits.empty() ? 0 : frame.bits.back();
        (void)sink;
    }
    return 0;
}
