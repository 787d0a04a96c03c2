// Saving streams to a new movie file, each with its own compression options,
// with progress reports that may stop the save.
#pragma once

#include "movie/movie_stream.h"

#include <cstdint>
#include <string>
#include <vector>

namespace movie {

constexpr uint32_t FourCC(char a, char b, char c, char d)
{
    return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 | uint32_t(uint8_t(d)) << 24;
}

// Sound formats a saved movie may hold (WAVE format tags).
enum SoundFormat : uint16_t {
    kSoundPcm = 1,
    kSoundAdpcm = 2,         // adaptive delta with coefficient tables
    kSoundImaAdpcm = 0x11,   // IMA adaptive delta
};

// How one stream is written. All zero keeps the stream as it is: pictures as
// uncompressed DIB frames, sound as PCM.
struct CompressOptions {
    uint32_t handler = 0;          // pictures: four-character code of the compressor
    uint32_t keyFrameEvery = 0;    // frames between key frames; 0: the compressor's choice
    uint32_t quality = 0;          // 1..10000, higher is better; 0: the compressor's default
    uint32_t bytesPerSecond = 0;   // data rate to aim at; 0: none (quality decides)
    uint16_t soundFormat = 0;      // sound: a SoundFormat; 0 as kSoundPcm
};

struct Compressor {
    uint32_t handler = 0;       // pictures: the code to put in CompressOptions::handler
    uint16_t soundFormat = 0;   // sound: the format to put in CompressOptions::soundFormat
    std::string name;           // for lists shown to the user
    bool video = true;
};

// Whether two compressor codes name the same code, letter case aside (a
// movie's header may spell a code in either case).
bool SameHandler(uint32_t a, uint32_t b);

// The compressors this system can save with, pictures first.
std::vector<Compressor> AvailableCompressors();

// Writes `streams` (at most one of pictures and one of sound) to `path`, the
// stream at i compressed as options[i] says (missing options count as all
// zero). The file appears whole or not at all: a failure or a stop keeps any
// older file at `path`. kMovieAborted when `progress` stopped the save,
// kMovieBadFormat for a compressor or format this system does not have.
int SaveMovie(const std::string& path, const std::vector<MovieStream>& streams,
              const std::vector<CompressOptions>& options, const SaveProgress& progress = {});

// The file SaveMovie would write, held in memory instead (the one-picture
// movie of the clipboard). `bytes` is left empty on failure.
int SaveMovieToMemory(const std::vector<MovieStream>& streams, const std::vector<CompressOptions>& options,
                      std::vector<uint8_t>& bytes);

}  // namespace movie
