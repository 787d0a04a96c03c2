#include "capture/v4l2_driver.h"

#include "capture/camera_dialogs.h"

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

class V4l2Driver : public Driver {
public:
    V4l2Driver(V4l2DeviceLayer& layer, std::string path) : m_layer(layer), m_path(std::move(path)) {}

    bool Connect(std::string& error) override
    {
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
        m_sizes = QuerySizes();
        m_brightness = QueryControl(V4L2_CID_BRIGHTNESS);
        m_contrast = QueryControl(V4L2_CID_CONTRAST);
        for (__u32 id : {__u32(V4L2_CID_AUTOBRIGHTNESS), __u32(V4L2_CID_AUTOGAIN)}) {
            m_auto = QueryControl(id);
            if (m_auto.present)
                break;
        }
        SIZE wanted = m_sizes.empty() ? SIZE{320, 240} : m_sizes.front();
        for (const SIZE& s : m_sizes)
            if (s.cx == 320 && s.cy == 240)
                wanted = s;
        if (!ApplySize(wanted)) {
            error = "The camera " + m_path + " refuses an RGB picture.";
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
        return MakeFormat(LONG(m_width), LONG(m_height), 24);
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
            if (s.cx == header.biWidth && s.cy == header.biHeight)
                return ApplySize(s);
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
        m_buffer.resize(std::max<size_t>(m_sizeImage, size_t(m_bytesPerLine) * m_height));
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
        if (!RgbFrameToDib(m_buffer.data(), size_t(n), m_width, m_height, m_bytesPerLine, frame)) {
            error = "The camera " + m_path + " sent an incomplete picture.";
            return false;
        }
        frame.number = m_frames++;
        return true;
    }

    bool HasSourceDialog() const override { return true; }
    bool HasFormatDialog() const override { return true; }

    bool SourceDialog(CWnd* owner) override
    {
        CameraSourceDialog dialog(owner);
        {
            std::lock_guard<std::mutex> guard(m_lock);
            dialog.settings.brightness = GetScaled(m_brightness);
            dialog.settings.contrast = GetScaled(m_contrast);
            dialog.settings.autoBrightness = m_auto.present && GetRaw(m_auto) != 0;
        }
        if (dialog.DoModal() != 1)
            return false;
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_auto.present)
            SetRaw(m_auto, dialog.settings.autoBrightness ? 1 : 0);
        SetScaled(m_brightness, dialog.settings.brightness);
        SetScaled(m_contrast, dialog.settings.contrast);
        return true;
    }

    bool FormatDialog(CWnd* owner) override
    {
        CameraFormatDialog dialog(owner);
        {
            std::lock_guard<std::mutex> guard(m_lock);
            dialog.sizes = m_sizes;
            dialog.size = {LONG(m_width), LONG(m_height)};
            dialog.bits = 24;
            dialog.depths = {24};
        }
        if (dialog.DoModal() != 1)
            return false;
        VideoFormat wanted = MakeFormat(dialog.size.cx, dialog.size.cy, 24);
        return SetFormat(wanted.header, {});
    }

private:
    std::vector<SIZE> QuerySizes()
    {
        std::vector<SIZE> sizes;
        for (__u32 i = 0; i < 64; ++i) {
            v4l2_frmsizeenum e{};
            e.index = i;
            e.pixel_format = V4L2_PIX_FMT_RGB24;
            if (m_device->Ioctl(VIDIOC_ENUM_FRAMESIZES, &e) < 0)
                break;
            if (e.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
                sizes.push_back({LONG(e.discrete.width), LONG(e.discrete.height)});
            } else {
                // Stepwise cameras: offer the usual sizes that fit their range.
                for (SIZE s : {SIZE{160, 120}, SIZE{320, 240}, SIZE{640, 480}, SIZE{1280, 720}})
                    if (__u32(s.cx) >= e.stepwise.min_width && __u32(s.cx) <= e.stepwise.max_width
                        && __u32(s.cy) >= e.stepwise.min_height && __u32(s.cy) <= e.stepwise.max_height)
                        sizes.push_back(s);
                break;
            }
        }
        std::sort(sizes.begin(), sizes.end(), [](SIZE a, SIZE b) { return a.cx * a.cy < b.cx * b.cy; });
        return sizes;
    }

    bool ApplySize(SIZE size)
    {
        v4l2_format f{};
        f.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        f.fmt.pix.width = __u32(size.cx);
        f.fmt.pix.height = __u32(size.cy);
        f.fmt.pix.pixelformat = V4L2_PIX_FMT_RGB24;
        f.fmt.pix.field = V4L2_FIELD_ANY;
        if (m_device->Ioctl(VIDIOC_S_FMT, &f) < 0 || f.fmt.pix.pixelformat != V4L2_PIX_FMT_RGB24)
            return false;
        if (f.fmt.pix.width == 0 || f.fmt.pix.height == 0 || f.fmt.pix.width > 16384 || f.fmt.pix.height > 16384)
            return false;
        m_width = f.fmt.pix.width;
        m_height = f.fmt.pix.height;
        m_bytesPerLine = std::max<__u32>(f.fmt.pix.bytesperline, m_width * 3);
        m_sizeImage = std::max<size_t>(f.fmt.pix.sizeimage, size_t(m_bytesPerLine) * m_height);
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
    std::vector<SIZE> m_sizes;
    Control m_brightness, m_contrast, m_auto;
    uint32_t m_width = 0, m_height = 0, m_bytesPerLine = 0;
    size_t m_sizeImage = 0;
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
