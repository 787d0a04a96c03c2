// Stream headers of uncompressed DIB pictures and PCM sound, shared by the
// capture writer and the save-with-options path so that both write the same
// kind of file.
#pragma once

#include "movie/avi_writer.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace movie {

// Frames larger than this are not camera pictures; keeps every size an int for the muxer.
constexpr uint64_t kMaxWrittenFrameBytes = 256u << 20;

bool VideoFormatUsable(const VideoFormat& video);
bool AudioFormatUsable(const AudioFormat& audio);
// The pixel format of DIB rows of `bitCount` bits, AV_PIX_FMT_NONE when there is none.
AVPixelFormat PixelFormatForDib(WORD bitCount);
// Time base of one frame lasting `microSecPerFrame`.
AVRational FrameTimeBase(uint32_t microSecPerFrame);

// A new stream of `video` frames stored as they are (bottom-up DIB rows, colour table
// in the header); false when out of memory.
bool AddRawVideoStream(AVFormatContext* ctx, const VideoFormat& video, AVStream*& stream);
// A new stream of PCM sound in `audio`'s format; false when out of memory.
bool AddPcmStream(AVFormatContext* ctx, const AudioFormat& audio, AVStream*& stream);

}  // namespace movie
