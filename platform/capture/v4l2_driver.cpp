#include "capture/v4l2_driver.h"

#include "capture/v4l2_dialogs.h"
#include "capture/v4l2_formats.h"
#include "capture/v4l2_frame.h"
#include "framework/Trace.h"
#include "framework/UiService.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace capture {

namespace {

std::string Text(const __u8* bytes, size_t n)
{
    return std::string(reinterpret_cast<const char*>(bytes), strnlen(reinterpret_cast<const char*>(bytes), n));
}

bool CapturesVideo(const v4l2_capability& cap)
{
    const __u32 caps = (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
    return (caps & V4L2_CAP_VIDEO_CAPTURE) != 0;
}

// A control's range, to map the programs' 1..255 scale onto it.
struct Control {
    __u32 id = 0;
    __s32 min = 0, max = 0, step = 1;
    bool present = false;
};

// Stepwise cameras: the usual sizes that fit their range and steps.
std::vector<SIZE> OfferedSizes(const FrameSizes& offered)
{
    std::vector<SIZE> sizes;
    for (const FrameSize& s : offered.discrete)
        sizes.push_back({LONG(s.width), LONG(s.height)});
    if (offered.ranged)
        for (FrameSize s : {FrameSize{160, 120}, FrameSize{320, 240}, FrameSize{640, 480}, FrameSize{1280, 720}})
            if (NearestSize(offered, s) == s)
                sizes.push_back({LONG(s.width), LONG(s.height)});
    std::sort(sizes.begin(), sizes.end(), [](SIZE a, SIZE b) { return a.cx * a.cy < b.cx * b.cy; });
    return sizes;
}

class V4l2Driver : public Driver {
public:
    V4l2Driver(V4l2DeviceLayer& layer, std::string path) : m_layer(layer), m_path(std::move(path)) {}

    bool Connect(std::string& error) override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_device = m_layer.Open(m_path);
        if (!m_device) {
            error = "Cannot open the camera " + m_path + ": " + std::strerror(errno);
            return false;
        }
        v4l2_capability cap{};
        if (m_device->Ioctl(VIDIOC_QUERYCAP, &cap) < 0 || !CapturesVideo(cap)) {
            error = "The device " + m_path + " does not capture video.";
            m_device.reset();
            return false;
        }
        m_brightness = QueryControl(V4L2_CID_BRIGHTNESS);
        m_contrast = QueryControl(V4L2_CID_CONTRAST);
        for (__u32 id : {__u32(V4L2_CID_AUTOBRIGHTNESS), __u32(V4L2_CID_AUTOGAIN)}) {
            m_auto = QueryControl(id);
            if (m_auto.present)
                break;
        }
        const std::vector<SIZE> sizes = OfferedSizes(CameraFormats(*m_device, m_path).Sizes(V4L2_PIX_FMT_RGB24));
        SIZE wanted = sizes.empty() ? SIZE{320, 240} : sizes.front();
        for (const SIZE& s : sizes)
            if (s.cx == 320 && s.cy == 240)
                wanted = s;
        m_layout = {};
        AppliedFormat applied;
        if (!ApplyFormat({V4L2_PIX_FMT_RGB24, {uint32_t(wanted.cx), uint32_t(wanted.cy)}, {}}, applied, error)) {
            m_device.reset();
            return false;
        }
        return true;
    }

    void Disconnect() override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_device.reset();
    }

    VideoFormat Format() const override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return MakeFormat(LONG(m_layout.width), LONG(m_layout.height), 24);
    }

    bool SetFormat(BITMAPINFOHEADER& header, const std::vector<RGBQUAD>&) override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (!m_device)
            return false;
        switch (DriverCommandCode(header)) {
        case kCmdSetBrightness:
            SetDriverResult(header, 0);
            return SetScaled(m_brightness, DriverCommandArgument(header));
        case kCmdGetBrightness:
            SetDriverResult(header, GetScaled(m_brightness));
            return true;
        case kCmdGetAutoBrightness:
            SetDriverResult(header, m_auto.present && GetRaw(m_auto) != 0 ? 1 : 0);
            return true;
        default:
            break;
        }
        if (header.biBitCount != 24 || header.biCompression != BI_RGB)
            return false;
        for (const SIZE& s : m_sizes)
            if (s.cx == header.biWidth && s.cy == header.biHeight) {
                AppliedFormat applied;
                std::string error;
                const FormatChoice choice{m_layout.fourcc, {uint32_t(s.cx), uint32_t(s.cy)}, {}};
                if (ApplyFormat(choice, applied, error))
                    return true;
                AfxTrace("%s\n", error.c_str());
                return false;
            }
        return false;
    }

    bool Grab(Frame& frame, std::string& error, bool& gone) override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        gone = false;
        if (!m_device) {
            gone = true;
            error = "The camera " + m_path + " is not connected.";
            return false;
        }
        m_buffer.resize(FrameBufferBytes(m_layout, m_sizeImage));
        const int wait = m_started ? kV4l2FrameWaitMs : kV4l2FirstFrameWaitMs;
        ssize_t n = m_device->Read(m_buffer.data(), m_buffer.size());
        if (n < 0 && errno == EAGAIN) {
            int ready = m_device->WaitReadable(wait);
            if (ready == 0) {
                error = "The camera " + m_path + " stopped sending pictures.";
                return false;
            }
            n = ready > 0 ? m_device->Read(m_buffer.data(), m_buffer.size()) : -1;
        }
        if (n < 0) {
            const int e = errno;
            gone = e == ENODEV || e == EIO || e == ENXIO;
            error = "The camera " + m_path + " failed: " + std::strerror(e);
            return false;
        }
        m_started = true;
        std::string why;
        if (!CameraFrameToDib(m_layout, m_buffer.data(), std::min(size_t(n), m_buffer.size()), frame, why)) {
            error = "The camera " + m_path + " sent " + why + ".";
            return false;
        }
        frame.number = m_frames++;
        return true;
    }

    bool HasSourceDialog() const override { return true; }
    bool HasFormatDialog() const override { return true; }

    bool SourceDialog(CWnd* owner) override
    {
        if (!Connected())
            return false;
        CameraControls controls(m_shared, m_path);
        V4l2SourceDialog dialog(owner, controls);
        return dialog.DoModal() == IDOK;
    }

    bool FormatDialog(CWnd* owner) override
    {
        FormatChoice current;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            if (!m_device)
                return false;
            current = {m_layout.fourcc, {m_layout.width, m_layout.height}, m_interval};
        }
        CameraFormats model(m_shared, m_path);
        V4l2FormatDialog dialog(owner, model, current, [this](const FormatChoice& c, AppliedFormat& a, std::string& e) {
            std::lock_guard<std::mutex> guard(m_lock);
            if (!m_device) {
                e = "The camera " + m_path + " is not connected.";
                return false;
            }
            return ApplyFormat(c, a, e);
        });
        return dialog.DoModal() == IDOK;
    }

private:
    // The dialogs' models reach the camera through this, so their calls take
    // turns with grabs and find out when the camera was disconnected.
    class SharedDevice : public V4l2Device {
    public:
        explicit SharedDevice(V4l2Driver& driver) : m_driver(driver) {}
        int Ioctl(unsigned long request, void* arg) override
        {
            std::lock_guard<std::mutex> guard(m_driver.m_lock);
            return m_driver.m_device ? m_driver.m_device->Ioctl(request, arg) : (errno = ENODEV, -1);
        }
        ssize_t Read(void*, size_t) override { return errno = EBUSY, -1; }   // frames are the driver's
        int WaitReadable(int) override { return errno = EBUSY, -1; }

    private:
        V4l2Driver& m_driver;
    };

    bool Connected() const
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_device != nullptr;
    }

    // Puts `choice` into effect (m_lock held) and makes what the driver chose
    // the layout grabs convert. A format no converter knows is not kept: the
    // camera goes back to the one before.
    bool ApplyFormat(const FormatChoice& choice, AppliedFormat& applied, std::string& error)
    {
        CameraFormats formats(*m_device, m_path);
        if (!formats.Apply(choice, applied, error))
            return false;
        const FormatChoice& got = applied.chosen;
        // Some drivers leave the row length out; their rows are packed.
        const uint64_t rows = std::max<uint64_t>(applied.bytesPerLine, PackedLineBytes(got.fourcc, got.size.width));
        const CameraFrameLayout layout{got.fourcc, got.size.width, got.size.height, uint32_t(std::min<uint64_t>(rows, UINT32_MAX))};
        std::string why;
        if (!UsableLayout(layout, why)) {
            error = "The camera " + m_path + " chose " + why + ".";
            if (m_layout.fourcc) {
                AppliedFormat back;
                std::string ignored;
                formats.Apply({m_layout.fourcc, {m_layout.width, m_layout.height}, m_interval}, back, ignored);
            }
            return false;
        }
        if (got.fourcc != m_layout.fourcc)
            m_sizes = OfferedSizes(formats.Sizes(got.fourcc));
        m_layout = layout;
        m_sizeImage = applied.sizeImage;
        m_interval = got.interval;
        m_started = false;
        return true;
    }

    Control QueryControl(__u32 id)
    {
        Control c;
        v4l2_queryctrl q{};
        q.id = id;
        if (m_device->Ioctl(VIDIOC_QUERYCTRL, &q) < 0 || (q.flags & V4L2_CTRL_FLAG_DISABLED))
            return c;
        c.id = id;
        c.min = q.minimum;
        c.max = q.maximum;
        c.step = q.step > 0 ? q.step : 1;
        c.present = c.max > c.min;
        return c;
    }

    __s32 GetRaw(const Control& c)
    {
        v4l2_control v{};
        v.id = c.id;
        return m_device && m_device->Ioctl(VIDIOC_G_CTRL, &v) == 0 ? v.value : 0;
    }

    bool SetRaw(const Control& c, __s32 value)
    {
        v4l2_control v{};
        v.id = c.id;
        v.value = value;
        return m_device && m_device->Ioctl(VIDIOC_S_CTRL, &v) == 0;
    }

    // 1..255 on the programs' side.
    WORD GetScaled(const Control& c)
    {
        if (!c.present)
            return 128;
        const int64_t raw = std::clamp<int64_t>(GetRaw(c), c.min, c.max);
        return WORD(1 + (raw - c.min) * 254 / (int64_t(c.max) - c.min));
    }

    // Drivers refuse values between their steps, so the scaled value lands on one.
    bool SetScaled(const Control& c, WORD value)
    {
        if (!c.present)
            return true;
        const int64_t v = std::clamp<int>(value, 1, 255);
        const int64_t raw = ((v - 1) * (int64_t(c.max) - c.min) + 127) / 254;
        int64_t snapped = (raw + c.step / 2) / c.step * c.step;
        if (c.min + snapped > c.max)
            snapped -= c.step;
        return SetRaw(c, __s32(c.min + snapped));
    }

    V4l2DeviceLayer& m_layer;
    std::string m_path;
    mutable std::mutex m_lock;
    std::unique_ptr<V4l2Device> m_device;
    SharedDevice m_shared{*this};
    std::vector<SIZE> m_sizes;   // the current pixel format's, for the programs' plain format requests
    Control m_brightness, m_contrast, m_auto;
    CameraFrameLayout m_layout;
    uint32_t m_sizeImage = 0;
    FrameInterval m_interval;
    bool m_started = false;
    std::vector<BYTE> m_buffer;
    DWORD m_frames = 0;
};

}  // namespace

std::string V4l2Description(const std::string& card, const std::string& path)
{
    return "Lumivex V4L2 Camera Driver: " + card + " (" + path + ")";
}

std::unique_ptr<Driver> MakeV4l2Driver(V4l2DeviceLayer& layer, const std::string& path)
{
    return std::make_unique<V4l2Driver>(layer, path);
}

std::vector<DriverEntry> V4l2Entries(V4l2DeviceLayer& layer)
{
    std::vector<DriverEntry> entries;
    for (const std::string& path : layer.DevicePaths()) {
        std::unique_ptr<V4l2Device> device = layer.Open(path);
        if (!device)
            continue;
        v4l2_capability cap{};
        if (device->Ioctl(VIDIOC_QUERYCAP, &cap) < 0 || !CapturesVideo(cap))
            continue;
        const std::string driver = Text(cap.driver, sizeof cap.driver);
        char version[64];
        std::snprintf(version, sizeof version, "Version %u.%u.%u (%s)", (cap.version >> 16) & 0xFF,
                      (cap.version >> 8) & 0xFF, cap.version & 0xFF, driver.c_str());
        V4l2DeviceLayer* l = &layer;
        entries.push_back({V4l2Description(Text(cap.card, sizeof cap.card), path), version,
                           [l, path] { return MakeV4l2Driver(*l, path); }});
    }
    return entries;
}

}  // namespace capture
