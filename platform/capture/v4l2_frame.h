// Turning the bytes a camera sends, in the pixel formats it offers, into the
// bottom-up 24-bit frames the rest of the capture service works with. Every
// converter checks the bytes it was given against the frame's size first; a
// frame that does not add up is refused with a reason, never half-read.
#pragma once

#include "capture/driver.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace capture {

// Sides longer than this are refused before anything is allocated.
inline constexpr uint32_t kMaxFrameSide = 16384;

// How one frame arrives: its pixel format (a V4L2 four-character code), its
// size, and for uncompressed formats the bytes from one row's start to the next.
struct CameraFrameLayout {
    uint32_t fourcc = 0;
    uint32_t width = 0, height = 0;
    uint32_t bytesPerLine = 0;
};

// The pixel formats frames can be converted from: YUYV 4:2:2, GREY, RGB24,
// BGR24, Motion-JPEG and JPEG.
bool CanConvertFrames(uint32_t fourcc);
bool IsJpegFormat(uint32_t fourcc);

// The least bytes a row of `width` pixels takes; 0 for compressed or unknown formats.
uint64_t PackedLineBytes(uint32_t fourcc, uint32_t width);

// Whether frames in `layout` can be converted at all: a known format, sides
// of 1..kMaxFrameSide, and rows neither shorter than their pixels nor so
// long that a frame buffer would be absurd. False with `error` saying why.
bool UsableLayout(const CameraFrameLayout& layout, std::string& error);

// Room for one frame as the device may send it: the rows for uncompressed
// formats; for compressed ones what the device asked for (`sizeImage`), kept
// within what a picture of that size could sensibly take.
size_t FrameBufferBytes(const CameraFrameLayout& layout, uint32_t sizeImage);

// One frame into `frame`. False with `error` ("a YUYV frame of 12 bytes, ...")
// when the layout is unusable or the bytes are short or corrupt; `frame` is
// then unspecified.
bool CameraFrameToDib(const CameraFrameLayout& layout, const BYTE* data, size_t size, Frame& frame, std::string& error);

// A width x height 24-bit frame of black, once its bytes are known to fit.
void StartFrame(uint32_t width, uint32_t height, Frame& frame);

// Decodes a JPEG of exactly width x height (each 1..kMaxFrameSide) into
// `frame`. False with `error` for anything else.
bool JpegFrameToDib(const BYTE* data, size_t size, uint32_t width, uint32_t height, Frame& frame, std::string& error);

}  // namespace capture
