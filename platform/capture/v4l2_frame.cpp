// The one place where bytes from a camera become a frame.
#include "capture/v4l2_frame.h"

#include "capture/v4l2_driver.h"
#include "capture/v4l2_formats.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <cstring>

namespace capture {

namespace {

// One row of `width` pixels from the device's layout into DIB order (blue, green, red).
using RowConverter = void (*)(const BYTE* src, BYTE* dst, uint32_t width);

void RgbRow(const BYTE* src, BYTE* dst, uint32_t width)
{
    for (uint32_t x = 0; x < width; ++x, src += 3, dst += 3)
        dst[0] = src[2], dst[1] = src[1], dst[2] = src[0];
}

void BgrRow(const BYTE* src, BYTE* dst, uint32_t width) { std::memcpy(dst, src, size_t(width) * 3); }

void GreyRow(const BYTE* src, BYTE* dst, uint32_t width)
{
    for (uint32_t x = 0; x < width; ++x, dst += 3)
        dst[0] = dst[1] = dst[2] = src[x];
}

BYTE Clamp(int v) { return BYTE(std::clamp(v, 0, 255)); }

// Cameras send studio-range BT.601: Y in 16..235, U and V around 128.
void YuvToBgr(int y, int u, int v, BYTE* dst)
{
    const int c = 298 * (y - 16) + 128, d = u - 128, e = v - 128;
    dst[0] = Clamp((c + 516 * d) >> 8);
    dst[1] = Clamp((c - 100 * d - 208 * e) >> 8);
    dst[2] = Clamp((c + 409 * e) >> 8);
}

// Y0 U Y1 V: two pixels share one U and V. An odd width's last pixel uses the
// first half of its pair, which the packed row still holds.
void YuyvRow(const BYTE* src, BYTE* dst, uint32_t width)
{
    for (uint32_t x = 0; x < width; x += 2, src += 4) {
        YuvToBgr(src[0], src[1], src[3], dst + size_t(x) * 3);
        if (x + 1 < width)
            YuvToBgr(src[2], src[1], src[3], dst + size_t(x + 1) * 3);
    }
}

struct RawFormat {
    uint32_t fourcc;
    uint32_t pixelsPerGroup, bytesPerGroup;   // YUYV packs two pixels in four bytes
    RowConverter convert;
};

constexpr RawFormat kRawFormats[] = {
    {V4L2_PIX_FMT_RGB24, 1, 3, RgbRow},
    {V4L2_PIX_FMT_BGR24, 1, 3, BgrRow},
    {V4L2_PIX_FMT_GREY, 1, 1, GreyRow},
    {V4L2_PIX_FMT_YUYV, 2, 4, YuyvRow},
};

const RawFormat* FindRaw(uint32_t fourcc)
{
    auto f = std::find_if(std::begin(kRawFormats), std::end(kRawFormats), [&](const RawFormat& r) { return r.fourcc == fourcc; });
    return f == std::end(kRawFormats) ? nullptr : f;
}

std::string SizeText(uint32_t width, uint32_t height) { return std::to_string(width) + " x " + std::to_string(height); }

std::string FrameText(const CameraFrameLayout& layout, size_t size)
{
    return "a " + FourccText(layout.fourcc) + " frame of " + std::to_string(size) + " bytes";
}

bool RawFrameToDib(const RawFormat& raw, const CameraFrameLayout& layout, const BYTE* data, size_t size, Frame& frame,
                   std::string& error)
{
    const uint64_t packed = PackedLineBytes(raw.fourcc, layout.width);
    // The last row needs only its pixels, not its padding.
    if (uint64_t(layout.bytesPerLine) * (layout.height - 1) + packed > size) {
        error = FrameText(layout, size) + ", too short for " + SizeText(layout.width, layout.height);
        return false;
    }
    StartFrame(layout.width, layout.height, frame);
    const uint32_t stride = DibStride(LONG(layout.width), 24);
    for (uint32_t y = 0; y < layout.height; ++y)
        raw.convert(data + size_t(layout.bytesPerLine) * y, frame.bits.data() + size_t(stride) * (layout.height - 1 - y),
                    layout.width);
    return true;
}

}  // namespace

void StartFrame(uint32_t width, uint32_t height, Frame& frame)
{
    frame.format = MakeFormat(LONG(width), LONG(height), 24);
    frame.bits.assign(size_t(DibStride(LONG(width), 24)) * height, 0);
}

bool IsJpegFormat(uint32_t fourcc) { return fourcc == V4L2_PIX_FMT_MJPEG || fourcc == V4L2_PIX_FMT_JPEG; }

bool CanConvertFrames(uint32_t fourcc) { return FindRaw(fourcc) || IsJpegFormat(fourcc); }

uint64_t PackedLineBytes(uint32_t fourcc, uint32_t width)
{
    const RawFormat* raw = FindRaw(fourcc);
    return raw ? (uint64_t(width) + raw->pixelsPerGroup - 1) / raw->pixelsPerGroup * raw->bytesPerGroup : 0;
}

bool UsableLayout(const CameraFrameLayout& layout, std::string& error)
{
    const std::string what = FourccText(layout.fourcc) + " " + SizeText(layout.width, layout.height);
    if (!CanConvertFrames(layout.fourcc)) {
        error = what + " pictures cannot be shown";
        return false;
    }
    if (layout.width == 0 || layout.height == 0 || layout.width > kMaxFrameSide || layout.height > kMaxFrameSide) {
        error = what + " is not a picture size that can be shown";
        return false;
    }
    // Drivers pad rows to an alignment, never to several times their length.
    const uint64_t packed = PackedLineBytes(layout.fourcc, layout.width);
    if (FindRaw(layout.fourcc) && (layout.bytesPerLine < packed || layout.bytesPerLine > packed * 4 + 4096)) {
        error = what + " with rows of " + std::to_string(layout.bytesPerLine) + " bytes cannot be read";
        return false;
    }
    return true;
}

size_t FrameBufferBytes(const CameraFrameLayout& layout, uint32_t sizeImage)
{
    const uint64_t pixels = uint64_t(layout.width) * layout.height;
    if (FindRaw(layout.fourcc))
        return size_t(std::max<uint64_t>(layout.bytesPerLine, PackedLineBytes(layout.fourcc, layout.width)) * layout.height);
    // A compressed frame larger than its picture uncompressed is not one to wait for.
    constexpr uint64_t kHeaders = 64 * 1024;
    return size_t(std::clamp<uint64_t>(sizeImage, pixels * 2, pixels * 3 + kHeaders));
}

bool CameraFrameToDib(const CameraFrameLayout& layout, const BYTE* data, size_t size, Frame& frame, std::string& error)
{
    if (!UsableLayout(layout, error))
        return false;
    if (!data) {
        error = FrameText(layout, 0);
        return false;
    }
    if (const RawFormat* raw = FindRaw(layout.fourcc))
        return RawFrameToDib(*raw, layout, data, size, frame, error);
    return JpegFrameToDib(data, size, layout.width, layout.height, frame, error);
}

bool RgbFrameToDib(const BYTE* data, size_t size, uint32_t width, uint32_t height, uint32_t bytesPerLine, Frame& frame)
{
    std::string ignored;
    return CameraFrameToDib({V4L2_PIX_FMT_RGB24, width, height, bytesPerLine}, data, size, frame, ignored);
}

}  // namespace capture
