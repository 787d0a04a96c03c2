// The camera dialogs' models over a device whose every answer comes from the
// input: per call one byte chooses the outcome (0: EINVAL, the usual "no
// more"; 1: EIO; else success), then the call's structure is filled from the
// bytes that follow. The input running out ends every list.
#include "capture/v4l2_controls.h"
#include "capture/v4l2_formats.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

namespace {

class AnsweringDevice : public capture::V4l2Device {
public:
    AnsweringDevice(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    int Ioctl(unsigned long request, void* arg) override
    {
        if (m_size == 0)
            return errno = EINVAL, -1;
        const uint8_t outcome = Take(1)[0] % 4;
        if (outcome < 2)
            return errno = outcome == 0 ? EINVAL : EIO, -1;
        const size_t n = std::min<size_t>(_IOC_SIZE(request), m_size);
        std::memcpy(arg, Take(n), n);
        return 0;
    }
    ssize_t Read(void*, size_t) override { return errno = EAGAIN, -1; }
    int WaitReadable(int) override { return 0; }

private:
    const uint8_t* Take(size_t n)
    {
        const uint8_t* p = m_data;
        m_data += n;
        m_size -= n;
        return p;
    }
    const uint8_t* m_data;
    size_t m_size;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    AnsweringDevice device(data, size);
    capture::CameraControls controls(device, "/dev/fuzz");
    controls.Refresh();
    std::string error;
    if (!controls.Controls().empty())
        controls.Set(controls.Controls().front().id, INT32_MAX, error);
    controls.ResetToDefaults(error);

    capture::CameraFormats formats(device, "/dev/fuzz");
    for (const capture::PixelFormat& f : formats.List()) {
        const capture::FrameSize size = capture::NearestSize(f.sizes, {640, 480});
        formats.Intervals(f.fourcc, size);
        capture::AppliedFormat applied;
        formats.Apply({f.fourcc, size, {1, 30}}, applied, error);
    }
    return 0;
}
