// A V4L2 device made of tables: controls with their menus and automatic modes,
// pixel formats with their sizes and intervals. It answers the control and
// format ioctls as a driver would, adjusts what it cannot do, and fails any
// call on any control or format on request. Every read gives `frame`.
#pragma once

#include "capture/v4l2_driver.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace capture::testing {

struct FakeControl {
    __u32 id = 0;
    std::string name;
    __u32 type = V4L2_CTRL_TYPE_INTEGER;
    __s32 minimum = 0, maximum = 0, step = 1, defaultValue = 0;
    __s32 value = 0;
    __u32 flags = 0;
    std::map<__u32, std::string> menu;   // index -> name; missing indices are gaps
};

// While `automatic` holds a value outside `manualValues`, the `owned` controls are inactive.
struct FakeAutomaticMode {
    __u32 automatic = 0;
    std::vector<__s32> manualValues;
    std::vector<__u32> owned;
};

struct FakeFormat {
    __u32 fourcc = 0;
    std::string description;
    __u32 flags = 0;
    std::vector<std::pair<__u32, __u32>> sizes;   // discrete sizes, or
    __u32 rangeType = 0;                          // V4L2_FRMSIZE_TYPE_STEPWISE / CONTINUOUS with
    v4l2_frmsize_stepwise range = {};
    std::vector<v4l2_fract> intervals;            // offered at every size
};

class FakeV4l2Device : public V4l2Device {
public:
    std::vector<FakeControl> controls;
    std::vector<FakeAutomaticMode> automaticModes;
    std::vector<FakeFormat> formats;
    // (request, control id or fourcc) -> errno the call fails with.
    std::map<std::pair<unsigned long, __u32>, int> failures;
    bool rateSettable = true;
    __u32 maxRate = 30;            // the fastest the device goes: shorter intervals are lengthened
    v4l2_pix_format current = {};
    v4l2_fract timePerFrame = {1, 30};
    std::vector<unsigned long> calls;
    std::vector<BYTE> frame;       // what every read delivers; empty: no frame comes
    size_t lastReadRoom = 0;       // the buffer size the last read offered

    FakeControl* Control(__u32 id)
    {
        auto c = std::find_if(controls.begin(), controls.end(), [id](const FakeControl& c) { return c.id == id; });
        return c == controls.end() ? nullptr : &*c;
    }

    int Ioctl(unsigned long request, void* arg) override
    {
        calls.push_back(request);
        switch (request) {
        case VIDIOC_QUERYCAP: {
            auto* cap = static_cast<v4l2_capability*>(arg);
            Copy(cap->driver, sizeof cap->driver, "fake");
            Copy(cap->card, sizeof cap->card, "Table Camera");
            cap->capabilities = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_READWRITE;
            return 0;
        }
        case VIDIOC_QUERYCTRL: return QueryControl(*static_cast<v4l2_queryctrl*>(arg));
        case VIDIOC_QUERYMENU: return QueryMenu(*static_cast<v4l2_querymenu*>(arg));
        case VIDIOC_G_CTRL: return GetControl(*static_cast<v4l2_control*>(arg));
        case VIDIOC_S_CTRL: return SetControl(*static_cast<v4l2_control*>(arg));
        case VIDIOC_ENUM_FMT: return EnumFormat(*static_cast<v4l2_fmtdesc*>(arg));
        case VIDIOC_ENUM_FRAMESIZES: return EnumSizes(*static_cast<v4l2_frmsizeenum*>(arg));
        case VIDIOC_ENUM_FRAMEINTERVALS: return EnumIntervals(*static_cast<v4l2_frmivalenum*>(arg));
        case VIDIOC_S_FMT: return SetFormat(*static_cast<v4l2_format*>(arg));
        case VIDIOC_G_PARM: return GetParm(*static_cast<v4l2_streamparm*>(arg));
        case VIDIOC_S_PARM: return SetParm(*static_cast<v4l2_streamparm*>(arg));
        }
        return errno = ENOTTY, -1;
    }
    ssize_t Read(void* buffer, size_t bytes) override
    {
        lastReadRoom = bytes;
        if (frame.empty())
            return errno = EAGAIN, -1;
        const size_t n = std::min(bytes, frame.size());
        std::memcpy(buffer, frame.data(), n);
        return ssize_t(n);
    }
    int WaitReadable(int) override { return frame.empty() ? 0 : 1; }

private:
    bool Fails(unsigned long request, __u32 key)
    {
        auto f = failures.find({request, key});
        return f != failures.end() && (errno = f->second, true);
    }
    static int Invalid() { return errno = EINVAL, -1; }
    static void Copy(void* to, size_t size, const std::string& from) { std::strncpy(static_cast<char*>(to), from.c_str(), size - 1); }

    int QueryControl(v4l2_queryctrl& q)
    {
        const bool next = q.id & V4L2_CTRL_FLAG_NEXT_CTRL;
        const __u32 id = q.id & ~__u32(V4L2_CTRL_FLAG_NEXT_CTRL);
        const FakeControl* found = nullptr;
        for (const FakeControl& c : controls)   // ids ascend in the table
            if (next ? c.id > id && (!found || c.id < found->id) : c.id == id)
                found = &c;
        if (!found)
            return Invalid();
        if (Fails(VIDIOC_QUERYCTRL, found->id))
            return -1;
        q.id = found->id;
        q.type = found->type;
        Copy(q.name, sizeof q.name, found->name);
        q.minimum = found->minimum;
        q.maximum = found->maximum;
        q.step = found->step;
        q.default_value = found->defaultValue;
        q.flags = found->flags | (Owned(found->id) ? V4L2_CTRL_FLAG_INACTIVE : 0);
        return 0;
    }
    int QueryMenu(v4l2_querymenu& m)
    {
        const FakeControl* c = Control(m.id);
        if (!c || !c->menu.count(m.index))
            return Invalid();
        if (Fails(VIDIOC_QUERYMENU, m.id))
            return -1;
        if (c->type == V4L2_CTRL_TYPE_INTEGER_MENU)
            m.value = std::stoll(c->menu.at(m.index));
        else
            Copy(m.name, sizeof m.name, c->menu.at(m.index));
        return 0;
    }
    int GetControl(v4l2_control& v)
    {
        const FakeControl* c = Control(v.id);
        if (!c)
            return Invalid();
        if (Fails(VIDIOC_G_CTRL, v.id))
            return -1;
        v.value = c->value;
        return 0;
    }
    // A driver refuses values out of range or off the menu, and writes to
    // read-only controls.
    int SetControl(v4l2_control& v)
    {
        FakeControl* c = Control(v.id);
        if (!c || v.value < c->minimum || v.value > c->maximum || (c->step > 1 && (v.value - c->minimum) % c->step))
            return Invalid();
        if (c->flags & V4L2_CTRL_FLAG_READ_ONLY)
            return errno = EACCES, -1;
        if ((c->type == V4L2_CTRL_TYPE_MENU || c->type == V4L2_CTRL_TYPE_INTEGER_MENU) && !c->menu.count(__u32(v.value)))
            return Invalid();
        if (Fails(VIDIOC_S_CTRL, v.id))
            return -1;
        c->value = v.value;
        return 0;
    }
    bool Owned(__u32 id)
    {
        for (const FakeAutomaticMode& m : automaticModes) {
            const FakeControl* a = Control(m.automatic);
            if (a && std::count(m.owned.begin(), m.owned.end(), id)
                && !std::count(m.manualValues.begin(), m.manualValues.end(), a->value))
                return true;
        }
        return false;
    }

    const FakeFormat* Format(__u32 fourcc)
    {
        auto f = std::find_if(formats.begin(), formats.end(), [fourcc](const FakeFormat& f) { return f.fourcc == fourcc; });
        return f == formats.end() ? nullptr : &*f;
    }
    int EnumFormat(v4l2_fmtdesc& d)
    {
        if (d.type != V4L2_BUF_TYPE_VIDEO_CAPTURE || d.index >= formats.size())
            return Invalid();
        const FakeFormat& f = formats[d.index];
        if (Fails(VIDIOC_ENUM_FMT, f.fourcc))
            return -1;
        d.pixelformat = f.fourcc;
        d.flags = f.flags;
        Copy(d.description, sizeof d.description, f.description);
        return 0;
    }
    int EnumSizes(v4l2_frmsizeenum& e)
    {
        const FakeFormat* f = Format(e.pixel_format);
        if (!f)
            return Invalid();
        if (Fails(VIDIOC_ENUM_FRAMESIZES, f->fourcc))
            return -1;
        if (f->rangeType) {
            if (e.index > 0)
                return Invalid();
            e.type = f->rangeType;
            e.stepwise = f->range;
            return 0;
        }
        if (e.index >= f->sizes.size())
            return Invalid();
        e.type = V4L2_FRMSIZE_TYPE_DISCRETE;
        e.discrete = {f->sizes[e.index].first, f->sizes[e.index].second};
        return 0;
    }
    int EnumIntervals(v4l2_frmivalenum& e)
    {
        const FakeFormat* f = Format(e.pixel_format);
        if (!f || e.index >= f->intervals.size())
            return Invalid();
        if (Fails(VIDIOC_ENUM_FRAMEINTERVALS, f->fourcc))
            return -1;
        e.type = V4L2_FRMIVAL_TYPE_DISCRETE;
        e.discrete = f->intervals[e.index];
        return 0;
    }
    // As drivers do: an unknown format becomes the first one, a size the
    // nearest the format offers.
    int SetFormat(v4l2_format& f)
    {
        if (f.type != V4L2_BUF_TYPE_VIDEO_CAPTURE || formats.empty())
            return Invalid();
        const FakeFormat* format = Format(f.fmt.pix.pixelformat);
        if (!format)
            format = &formats.front();
        if (Fails(VIDIOC_S_FMT, format->fourcc))
            return -1;
        v4l2_pix_format& p = f.fmt.pix;
        p.pixelformat = format->fourcc;
        if (format->rangeType) {
            const v4l2_frmsize_stepwise& r = format->range;
            const __u32 sw = std::max<__u32>(r.step_width, 1), sh = std::max<__u32>(r.step_height, 1);
            p.width = r.min_width + (std::clamp(p.width, r.min_width, r.max_width) - r.min_width) / sw * sw;
            p.height = r.min_height + (std::clamp(p.height, r.min_height, r.max_height) - r.min_height) / sh * sh;
        } else if (!format->sizes.empty()) {
            auto d = [&](const std::pair<__u32, __u32>& s) {
                return std::abs(int64_t(s.first) - p.width) + std::abs(int64_t(s.second) - p.height);
            };
            auto best = *std::min_element(format->sizes.begin(), format->sizes.end(),
                                          [&](const auto& a, const auto& b) { return d(a) < d(b); });
            p.width = best.first;
            p.height = best.second;
        }
        const bool rgb = p.pixelformat == V4L2_PIX_FMT_RGB24 || p.pixelformat == V4L2_PIX_FMT_BGR24;
        p.bytesperline = p.width * (rgb ? 3 : p.pixelformat == V4L2_PIX_FMT_GREY ? 1 : 2);
        p.sizeimage = p.bytesperline * p.height;
        p.field = V4L2_FIELD_NONE;
        current = p;
        return 0;
    }
    int GetParm(v4l2_streamparm& p)
    {
        if (p.type != V4L2_BUF_TYPE_VIDEO_CAPTURE)
            return Invalid();
        if (Fails(VIDIOC_G_PARM, 0))
            return -1;
        p.parm.capture.capability = rateSettable ? V4L2_CAP_TIMEPERFRAME : 0;
        p.parm.capture.timeperframe = timePerFrame;
        return 0;
    }
    int SetParm(v4l2_streamparm& p)
    {
        if (p.type != V4L2_BUF_TYPE_VIDEO_CAPTURE)
            return Invalid();
        if (Fails(VIDIOC_S_PARM, 0))
            return -1;
        if (rateSettable) {
            v4l2_fract& t = p.parm.capture.timeperframe;
            if (t.denominator == 0 || uint64_t(t.denominator) > uint64_t(t.numerator) * maxRate)
                t = {1, maxRate};
            timePerFrame = t;
        }
        p.parm.capture.timeperframe = timePerFrame;
        return 0;
    }
};

// A webcam as such cameras usually answer. Controls: automatic white balance
// on (its default is off), manual exposure (its default is aperture priority).
// Formats: raw frames at three sizes, compressed ones in 16 x 8 steps, and an
// RGB format the library makes at any size.
inline FakeV4l2Device Webcam()
{
    FakeV4l2Device d;
    d.controls = {
        {V4L2_CID_USER_CLASS, "User Controls", V4L2_CTRL_TYPE_CTRL_CLASS, 0, 0, 0, 0, 0, V4L2_CTRL_FLAG_READ_ONLY, {}},
        {V4L2_CID_BRIGHTNESS, "Brightness", V4L2_CTRL_TYPE_INTEGER, -64, 64, 1, 0, 10, 0, {}},
        {V4L2_CID_CONTRAST, "Contrast", V4L2_CTRL_TYPE_INTEGER, 0, 98, 5, 30, 45, 0, {}},
        {V4L2_CID_SATURATION, "Saturation", V4L2_CTRL_TYPE_INTEGER, 0, 100, 1, 50, 50, V4L2_CTRL_FLAG_DISABLED, {}},
        {V4L2_CID_AUTO_WHITE_BALANCE, "White Balance, Automatic", V4L2_CTRL_TYPE_BOOLEAN, 0, 1, 1, 0, 1, V4L2_CTRL_FLAG_UPDATE, {}},
        {V4L2_CID_GAMMA, "Gamma", V4L2_CTRL_TYPE_INTEGER, 72, 500, 1, 100, 100, V4L2_CTRL_FLAG_READ_ONLY, {}},
        {V4L2_CID_POWER_LINE_FREQUENCY, "Power Line Frequency", V4L2_CTRL_TYPE_MENU, 0, 2, 1, 1, 2, 0, {{0, "Disabled"}, {1, "50 Hz"}, {2, "60 Hz"}}},
        {V4L2_CID_WHITE_BALANCE_TEMPERATURE, "White Balance Temperature", V4L2_CTRL_TYPE_INTEGER, 2800, 6500, 10, 4600, 5000, 0, {}},
        {V4L2_CID_EXPOSURE_AUTO, "Auto Exposure", V4L2_CTRL_TYPE_MENU, 0, 3, 1, 3, 1, V4L2_CTRL_FLAG_UPDATE, {{1, "Manual Mode"}, {3, "Aperture Priority Mode"}}},
        {V4L2_CID_EXPOSURE_ABSOLUTE, "Exposure Time, Absolute", V4L2_CTRL_TYPE_INTEGER, 3, 2047, 1, 250, 300, 0, {}},
        {V4L2_CID_LINK_FREQ, "Link Frequency", V4L2_CTRL_TYPE_INTEGER_MENU, 0, 1, 1, 0, 1, 0, {{0, "100000000"}, {1, "200000000"}}},
    };
    d.automaticModes = {{V4L2_CID_AUTO_WHITE_BALANCE, {0}, {V4L2_CID_WHITE_BALANCE_TEMPERATURE}},
                        {V4L2_CID_EXPOSURE_AUTO, {V4L2_EXPOSURE_MANUAL, V4L2_EXPOSURE_SHUTTER_PRIORITY}, {V4L2_CID_EXPOSURE_ABSOLUTE}}};
    d.formats = {
        {V4L2_PIX_FMT_YUYV, "YUYV 4:2:2", 0, {{640, 480}, {320, 240}, {160, 120}}, 0, {}, {{1, 30}, {1, 15}, {2, 15}}},
        {V4L2_PIX_FMT_MJPEG, "Motion-JPEG", V4L2_FMT_FLAG_COMPRESSED, {}, V4L2_FRMSIZE_TYPE_STEPWISE,
         {160, 1280, 16, 120, 720, 8}, {{1, 60}}},
        {V4L2_PIX_FMT_RGB24, "RGB3", V4L2_FMT_FLAG_EMULATED, {}, V4L2_FRMSIZE_TYPE_CONTINUOUS, {2, 4096, 0, 2, 2160, 0}, {}},
    };
    return d;
}

// Opens the one table device under any path, however often asked.
class FakeV4l2Layer : public V4l2DeviceLayer {
public:
    explicit FakeV4l2Layer(FakeV4l2Device& device) : m_device(device) {}
    std::vector<std::string> DevicePaths() override { return {"/dev/video0"}; }
    std::unique_ptr<V4l2Device> Open(const std::string&) override { return std::make_unique<Forward>(m_device); }

private:
    struct Forward : V4l2Device {
        explicit Forward(FakeV4l2Device& to) : to(to) {}
        int Ioctl(unsigned long request, void* arg) override { return to.Ioctl(request, arg); }
        ssize_t Read(void* buffer, size_t bytes) override { return to.Read(buffer, bytes); }
        int WaitReadable(int timeoutMs) override { return to.WaitReadable(timeoutMs); }
        FakeV4l2Device& to;
    };
    FakeV4l2Device& m_device;
};

}  // namespace capture::testing
