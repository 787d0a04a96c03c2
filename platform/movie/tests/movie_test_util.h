// Test helpers: frame formats, patterned frames and an independent look at a
// movie file through FFmpeg itself.
#pragma once

#include "movie/avi_writer.h"

#include <cstdint>
#include <string>
#include <vector>

namespace movietest {

std::string TempPath(const std::string& name);
movie::VideoFormat MakeFormat(int width, int height, int bitCount, uint32_t microSecPerFrame = 100000);
// A frame whose every byte depends on the frame number and its position.
std::vector<uint8_t> MakeFrame(const movie::VideoFormat& format, uint32_t number);

struct Probe {
    bool opened = false;
    int64_t headerFrames = 0;    // the stream header's frame count
    int64_t videoPackets = 0;    // frames actually found while reading
    int64_t audioBytes = 0;
    int64_t audioHeaderSamples = 0;
    double frameRate = 0;
    double durationSeconds = 0;
    int width = 0, height = 0, bitCount = 0;
    int sampleRate = 0, channels = 0;
};
Probe ProbeMovie(const std::string& path);

// Frame `index` as FFmpeg's own decoder sees it, as top-down BGR24 rows.
bool DecodeBgr24(const std::string& path, int index, std::vector<uint8_t>& rows, int& width, int& height);

// A movie of frames compressed by FFmpeg's `encoder` alone; frame n is
// MakeRgbPicture(width, height, n) before compression.
bool WriteCompressedMovie(const std::string& path, int width, int height, int frames, const char* encoder = "mjpeg");
// Top-down RGB24 rows.
std::vector<uint8_t> MakeRgbPicture(int width, int height, int number);

}  // namespace movietest
