// Camera frames in every convertible pixel format: byte 0 chooses the format,
// bytes 1-4 the width and height, bytes 5-6 the row length's difference from
// the packed rows (0x8000 is none); the rest is the frame as a device sent it.
#include "capture/v4l2_frame.h"

#include <linux/videodev2.h>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static constexpr uint32_t kFormats[] = {V4L2_PIX_FMT_RGB24, V4L2_PIX_FMT_BGR24, V4L2_PIX_FMT_GREY,
                                            V4L2_PIX_FMT_YUYV,  V4L2_PIX_FMT_MJPEG, V4L2_PIX_FMT_JPEG,
                                            V4L2_PIX_FMT_H264};
    if (size < 7)
        return 0;
    capture::CameraFrameLayout layout;
    layout.fourcc = kFormats[data[0] % (sizeof kFormats / sizeof kFormats[0])];
    layout.width = uint32_t(data[1] | data[2] << 8);
    layout.height = uint32_t(data[3] | data[4] << 8);
    // Pictures this large only cost the fuzzer time; the sizes are checked by tests.
    if (uint64_t(layout.width) * layout.height > (1u << 22))
        return 0;
    layout.bytesPerLine = uint32_t(capture::PackedLineBytes(layout.fourcc, layout.width)) + uint32_t(data[5] | data[6] << 8) - 0x8000;
    capture::Frame frame;
    std::string error;
    if (capture::CameraFrameToDib(layout, data + 7, size - 7, frame, error)) {
        volatile BYTE sink = frame.bits.empty() ? 0 : frame.bits.back();
        (void)sink;
    }
    return 0;
}
