#include "capture/v4l2_formats.h"

#include "framework/Trace.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace capture {

namespace {

// A faulty driver that never says "no more" must not hang the dialog.
constexpr __u32 kMaxEntries = 256;

// Ranged answers pass only when they make sense: a positive minimum, not above
// the maximum, a step of at least 1 (continuous ranges report step 1 or 0).
bool SaneRange(uint32_t minimum, uint32_t maximum) { return minimum > 0 && minimum <= maximum; }

uint32_t Snap(uint32_t wanted, uint32_t minimum, uint32_t maximum, uint32_t step)
{
    const uint64_t s = std::max<uint32_t>(step, 1);
    const uint64_t v = std::clamp(wanted, minimum, maximum);
    uint64_t snapped = minimum + (v - minimum + s / 2) / s * s;
    if (snapped > maximum)
        snapped -= s;
    return uint32_t(snapped);
}

FrameInterval Fraction(const v4l2_fract& f) { return {f.numerator, f.denominator}; }

}  // namespace

std::string FourccText(uint32_t fourcc)
{
    std::string text;
    for (int shift = 0; shift < 32; shift += 8) {
        const char c = char((fourcc >> shift) & 0xFF);
        text += (c >= 0x20 && c < 0x7F) ? c : '?';
    }
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

FrameSize NearestSize(const FrameSizes& sizes, FrameSize wanted)
{
    if (sizes.ranged)
        return {Snap(wanted.width, sizes.minimum.width, sizes.maximum.width, sizes.step.width),
                Snap(wanted.height, sizes.minimum.height, sizes.maximum.height, sizes.step.height)};
    if (sizes.discrete.empty())
        return wanted;
    auto distance = [&](const FrameSize& s) {
        return std::abs(int64_t(s.width) - wanted.width) + std::abs(int64_t(s.height) - wanted.height);
    };
    return *std::min_element(sizes.discrete.begin(), sizes.discrete.end(),
                             [&](const FrameSize& a, const FrameSize& b) { return distance(a) < distance(b); });
}

void CameraFormats::Log(const char* call, uint32_t fourcc, int error) const
{
    const std::string what = fourcc ? " for " + FourccText(fourcc) : std::string();
    AfxTrace("%s: %s%s failed: %s\n", m_path.c_str(), call, what.c_str(), std::strerror(error));
}

FrameSizes CameraFormats::Sizes(uint32_t fourcc)
{
    FrameSizes sizes;
    for (__u32 i = 0; i < kMaxEntries; ++i) {
        v4l2_frmsizeenum e = {};
        e.index = i;
        e.pixel_format = fourcc;
        if (m_device.Ioctl(VIDIOC_ENUM_FRAMESIZES, &e) < 0) {
            if (errno != EINVAL)   // EINVAL is the normal end of the list
                Log("VIDIOC_ENUM_FRAMESIZES", fourcc, errno);
            break;
        }
        if (e.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
            if (e.discrete.width > 0 && e.discrete.height > 0)
                sizes.discrete.push_back({e.discrete.width, e.discrete.height});
            continue;
        }
        // Stepwise and continuous come as one answer at index 0.
        const v4l2_frmsize_stepwise& r = e.stepwise;
        if (i == 0 && SaneRange(r.min_width, r.max_width) && SaneRange(r.min_height, r.max_height)) {
            sizes.ranged = true;
            sizes.minimum = {r.min_width, r.min_height};
            sizes.maximum = {r.max_width, r.max_height};
            const bool continuous = e.type == V4L2_FRMSIZE_TYPE_CONTINUOUS;
            sizes.step = {continuous ? 1 : std::max<uint32_t>(r.step_width, 1),
                          continuous ? 1 : std::max<uint32_t>(r.step_height, 1)};
        } else {
            AfxTrace("%s: VIDIOC_ENUM_FRAMESIZES for %s gave a range that makes no sense\n", m_path.c_str(),
                     FourccText(fourcc).c_str());
        }
        break;
    }
    return sizes;
}

std::vector<PixelFormat> CameraFormats::List()
{
    std::vector<PixelFormat> formats;
    for (__u32 i = 0; i < kMaxEntries; ++i) {
        v4l2_fmtdesc d = {};
        d.index = i;
        d.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        if (m_device.Ioctl(VIDIOC_ENUM_FMT, &d) < 0) {
            if (errno != EINVAL)
                Log("VIDIOC_ENUM_FMT", 0, errno);
            break;
        }
        PixelFormat f;
        f.fourcc = d.pixelformat;
        f.description = std::string(reinterpret_cast<const char*>(d.description),
                                    strnlen(reinterpret_cast<const char*>(d.description), sizeof d.description));
        f.compressed = d.flags & V4L2_FMT_FLAG_COMPRESSED;
        f.emulated = d.flags & V4L2_FMT_FLAG_EMULATED;
        f.sizes = Sizes(f.fourcc);
        formats.push_back(std::move(f));
    }
    return formats;
}

FrameIntervals CameraFormats::Intervals(uint32_t fourcc, FrameSize size)
{
    FrameIntervals intervals;
    for (__u32 i = 0; i < kMaxEntries; ++i) {
        v4l2_frmivalenum e = {};
        e.index = i;
        e.pixel_format = fourcc;
        e.width = size.width;
        e.height = size.height;
        if (m_device.Ioctl(VIDIOC_ENUM_FRAMEINTERVALS, &e) < 0) {
            if (errno != EINVAL)
                Log("VIDIOC_ENUM_FRAMEINTERVALS", fourcc, errno);
            break;
        }
        if (e.type == V4L2_FRMIVAL_TYPE_DISCRETE) {
            if (e.discrete.numerator > 0 && e.discrete.denominator > 0)
                intervals.discrete.push_back(Fraction(e.discrete));
            continue;
        }
        const v4l2_frmival_stepwise& r = e.stepwise;
        if (i == 0 && r.min.numerator > 0 && r.min.denominator > 0 && r.max.numerator > 0 && r.max.denominator > 0) {
            intervals.ranged = true;
            intervals.minimum = Fraction(r.min);
            intervals.maximum = Fraction(r.max);
            intervals.step = Fraction(r.step);
        }
        break;
    }
    return intervals;
}

bool CameraFormats::ApplyInterval(FrameInterval wanted, AppliedFormat& applied, std::string& error)
{
    v4l2_streamparm p = {};
    p.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (m_device.Ioctl(VIDIOC_G_PARM, &p) < 0) {
        Log("VIDIOC_G_PARM", applied.chosen.fourcc, errno);
        return true;   // a device without rates still has its format
    }
    applied.rateSettable = p.parm.capture.capability & V4L2_CAP_TIMEPERFRAME;
    applied.chosen.interval = Fraction(p.parm.capture.timeperframe);
    if (!applied.rateSettable || wanted.numerator == 0 || wanted.denominator == 0)
        return true;
    p.parm.capture.timeperframe = {wanted.numerator, wanted.denominator};
    if (m_device.Ioctl(VIDIOC_S_PARM, &p) < 0) {
        const int e = errno;
        Log("VIDIOC_S_PARM", applied.chosen.fourcc, e);
        error = "The camera " + m_path + " refused the frame rate: " + std::strerror(e);
        return false;
    }
    applied.chosen.interval = Fraction(p.parm.capture.timeperframe);
    return true;
}

bool CameraFormats::Apply(const FormatChoice& choice, AppliedFormat& applied, std::string& error)
{
    applied = {};
    v4l2_format f = {};
    f.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    f.fmt.pix.width = choice.size.width;
    f.fmt.pix.height = choice.size.height;
    f.fmt.pix.pixelformat = choice.fourcc;
    f.fmt.pix.field = V4L2_FIELD_ANY;
    if (m_device.Ioctl(VIDIOC_S_FMT, &f) < 0) {
        const int e = errno;
        Log("VIDIOC_S_FMT", choice.fourcc, e);
        error = "The camera " + m_path + " refused " + FourccText(choice.fourcc) + " " +
                std::to_string(choice.size.width) + "x" + std::to_string(choice.size.height) + ": " + std::strerror(e);
        return false;
    }
    if (f.fmt.pix.width == 0 || f.fmt.pix.height == 0) {
        error = "The camera " + m_path + " answered with an empty picture size.";
        return false;
    }
    applied.chosen.fourcc = f.fmt.pix.pixelformat;
    applied.chosen.size = {f.fmt.pix.width, f.fmt.pix.height};
    applied.bytesPerLine = f.fmt.pix.bytesperline;
    applied.sizeImage = f.fmt.pix.sizeimage;
    return ApplyInterval(choice.interval, applied, error);
}

}  // namespace capture
