// The format dialog's model for a V4L2 camera: every pixel format, frame size
// and frame interval the device offers, and applying a choice, reporting what
// the driver made of it. Plain logic over a V4l2Device.
#pragma once

#include "capture/v4l2_driver.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace capture {

struct FrameSize {
    uint32_t width = 0, height = 0;
    bool operator==(const FrameSize&) const = default;
};

// A fraction of a second between frames (1/30 is thirty frames a second).
struct FrameInterval {
    uint32_t numerator = 0, denominator = 0;
    bool operator==(const FrameInterval&) const = default;
};

// Either a list (discrete) or a range: stepwise, or continuous (step 1).
template <typename T>
struct Offered {
    std::vector<T> discrete;
    bool ranged = false;
    T minimum{}, maximum{}, step{};
};

using FrameSizes = Offered<FrameSize>;
using FrameIntervals = Offered<FrameInterval>;

struct PixelFormat {
    uint32_t fourcc = 0;
    std::string description;
    bool compressed = false;
    bool emulated = false;   // converted by the library, not sent by the camera
    FrameSizes sizes;
};

// "YUYV", "MJPG", ... from a four-character code.
std::string FourccText(uint32_t fourcc);

// The size in a ranged `sizes` nearest `wanted`: inside the range, on its steps.
FrameSize NearestSize(const FrameSizes& sizes, FrameSize wanted);

struct FormatChoice {
    uint32_t fourcc = 0;
    FrameSize size;
    FrameInterval interval;   // 0/0: leave the rate as it is
};

// What the driver actually set; it may adjust every part of the choice.
struct AppliedFormat {
    FormatChoice chosen;
    uint32_t bytesPerLine = 0;
    uint32_t sizeImage = 0;      // the most one frame takes, as the driver says
    bool rateSettable = false;   // false: the device keeps its own rate
};

// Puts a choice into effect, saying what the driver made of it; false with
// `error` when the camera refused. Lets a driver route a dialog's choice
// through itself so its grabs follow.
using FormatApplier = std::function<bool(const FormatChoice&, AppliedFormat&, std::string&)>;

class CameraFormats {
public:
    // `path` names the device in log lines and messages.
    CameraFormats(V4l2Device& device, std::string path) : m_device(device), m_path(std::move(path)) {}

    // Every capture pixel format with its sizes. A format whose sizes cannot be
    // listed is kept with no sizes (logged); the others are unaffected.
    std::vector<PixelFormat> List();
    // The sizes offered for one format.
    FrameSizes Sizes(uint32_t fourcc);
    // The intervals offered for one format at one size (empty when none are reported).
    FrameIntervals Intervals(uint32_t fourcc, FrameSize size);
    // S_FMT, then S_PARM when an interval is chosen. False with `error` when
    // the device refuses; `applied` holds what the driver chose otherwise.
    bool Apply(const FormatChoice& choice, AppliedFormat& applied, std::string& error);

private:
    bool ApplyInterval(FrameInterval wanted, AppliedFormat& applied, std::string& error);
    void Log(const char* call, uint32_t fourcc, int error) const;   // fourcc 0: no format in question

    V4l2Device& m_device;
    std::string m_path;
};

}  // namespace capture
