// Reading half of the movie-file service: what a movie holds, and any of its
// frames as a packed DIB, for playback, the clipboard and tests.
#pragma once

#include "movie/avi_writer.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace movie {

struct MovieInfo {
    uint32_t frames = 0;
    int32_t width = 0;
    int32_t height = 0;
    uint16_t bitCount = 0;          // of the frames ReadFrameDib returns
    bool uncompressed = false;      // DIB frames stored as they are
    uint32_t microSecPerFrame = 0;
    bool hasAudio = false;
    AudioFormat audio;              // meaningful for PCM sound
    uint64_t audioSamples = 0;      // sample frames
    double VideoSeconds() const { return double(frames) * microSecPerFrame / 1e6; }
    double AudioSeconds() const { return audio.samplesPerSec ? double(audioSamples) / audio.samplesPerSec : 0; }
};

class MovieReader {
public:
    MovieReader();
    ~MovieReader();
    MovieReader(const MovieReader&) = delete;
    MovieReader& operator=(const MovieReader&) = delete;

    // Only a regular file is opened (a FIFO or device named like a movie is
    // refused at once); `followLinks` false refuses a symlink as well.
    int Open(const std::string& path, bool followLinks = true);
    // The same from an open descriptor, which the reader takes over.
    int OpenFile(int fd);
    // A movie held in memory; the bytes must stay valid while the reader is open.
    int OpenMemory(const uint8_t* data, size_t size);
    void Close();
    bool IsOpen() const;
    const MovieInfo& Info() const;

    // Frame `index` (from 0) as BITMAPINFOHEADER, colour table and bottom-up rows.
    // Uncompressed frames come back in their own depth, others as 24-bit.
    int ReadFrameDib(uint32_t index, std::vector<uint8_t>& dib);

    // The whole PCM sound track, interleaved as recorded; kMovieBadFormat for
    // compressed sound, kMovieNoFrame when the movie has none.
    int ReadAllAudio(std::vector<uint8_t>& pcm);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// Called with 0..100 as a save goes on; false stops it.
using SaveProgress = std::function<bool(int percent)>;

// Save-as: copies a readable movie to `dst` byte for byte, so that empty
// (skipped) positions stay empty. `dst` appears whole or not at all; a stop
// from `progress` gives kMovieAborted and keeps an older `dst`.
// `src` is the capture file: a symlink there is refused, not followed.
int CopyMovie(const std::string& src, const std::string& dst, const SaveProgress& progress = {});

}  // namespace movie
