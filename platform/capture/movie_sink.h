// Where a sequence capture writes: the movie file by default; tests put in a
// sink that keeps frames in memory or fails like a full disk.
#pragma once

#include "capture/driver.h"

#include <functional>
#include <memory>
#include <string>

namespace capture {

class MovieSink {
public:
    virtual ~MovieSink() = default;
    // Results: 0 success, negative failure (ErrorText names it).
    virtual int Open(const std::string& path, const VideoFormat& video, DWORD microSecPerFrame, const WAVEFORMATEX* audio) = 0;
    virtual int WriteVideo(const void* bits, size_t bytes) = 0;
    // A frame that was due but not captured: players show the one before it.
    virtual int SkipVideo() = 0;
    virtual int WriteAudio(const void* samples, size_t bytes) = 0;
    virtual int Close() = 0;
    virtual std::string ErrorText(int code) const = 0;
};

using MovieSinkFactory = std::function<std::unique_ptr<MovieSink>()>;
// The AVI writer of the movie-file service; null when this build has none.
MovieSinkFactory AviSinkFactory();
// Reserves disk space for a capture file; false when it cannot.
bool PreallocateCaptureFile(const std::string& path, uint64_t bytes);
// Save-as: the copy replaces `to` only once it is whole.
bool CopyCaptureFile(const std::string& from, const std::string& to);

}  // namespace capture
