// V4L2 cameras through libv4l2. A camera starts in RGB24 (which libv4l2 makes
// from whatever the camera sends); the format dialog may choose a format the
// camera sends itself, which the driver then converts (v4l2_frame.h). The
// device calls go through a layer that tests replace with a fake.
#pragma once

#include "capture/driver.h"

#include <sys/types.h>

namespace capture {

class V4l2Device {
public:
    virtual ~V4l2Device() = default;
    // As ioctl: -1 with errno on failure.
    virtual int Ioctl(unsigned long request, void* arg) = 0;
    // As read on a non-blocking descriptor: -1 with errno EAGAIN when no frame is ready.
    virtual ssize_t Read(void* buffer, size_t bytes) = 0;
    // 1 when a frame can be read, 0 after `timeoutMs` without one, -1 with errno.
    virtual int WaitReadable(int timeoutMs) = 0;
};

class V4l2DeviceLayer {
public:
    virtual ~V4l2DeviceLayer() = default;
    virtual std::vector<std::string> DevicePaths() = 0;
    // null with errno when the device cannot be opened.
    virtual std::unique_ptr<V4l2Device> Open(const std::string& path) = 0;
};

// The machine's /dev/video devices through libv4l2. Lives for the whole process.
V4l2DeviceLayer& SystemDeviceLayer();

// One entry per device that captures video, in device order; devices that
// fail to answer are left out.
std::vector<DriverEntry> V4l2Entries(V4l2DeviceLayer& layer);

// The description the programs search: names the camera's driver stand-in,
// the card and the device path.
std::string V4l2Description(const std::string& card, const std::string& path);

// Turns one RGB24 frame as the device delivered it (top-down rows of
// `bytesPerLine`) into a bottom-up 24-bit DIB frame. False when the sizes do
// not add up or the data is short.
bool RgbFrameToDib(const BYTE* data, size_t size, uint32_t width, uint32_t height, uint32_t bytesPerLine, Frame& frame);

// How long a grab waits for a frame: longer for the first one after a
// (re)start, when cameras are slow to begin.
inline constexpr int kV4l2FirstFrameWaitMs = 1000;
inline constexpr int kV4l2FrameWaitMs = 250;

std::unique_ptr<Driver> MakeV4l2Driver(V4l2DeviceLayer& layer, const std::string& path);

}  // namespace capture
