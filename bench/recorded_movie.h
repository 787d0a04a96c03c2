// The recorded movie the movie benchmarks start from: ten seconds of 640x480
// at 30 frames a second, full frames as the capture window writes them.
#pragma once

#include <cstdint>
#include <string>

namespace bench {

constexpr int kMovieWidth = 640, kMovieHeight = 480, kMovieFrames = 300;
constexpr uint32_t kMovieMicroSecPerFrame = 33333;

// ScratchDir()/recorded.avi, written once: moving gradients with some grain;
// "" when it cannot be written.
const std::string& RecordedMovie();

}  // namespace bench
