// Writing half of the movie-file service: an AVI file of uncompressed DIB video
// frames and, optionally, PCM sound, as the capture service records it.
#pragma once

#include "types/wintypes.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace movie {

// Failure codes of the movie files; 0 is success.
enum MovieError : int {
    kMovieOk = 0,
    kMovieCannotCreate = -1,   // the file cannot be created or opened
    kMovieWriteFailed = -2,    // a write failed (disk full, file system gone)
    kMovieBadFormat = -3,      // a format the file cannot hold
    kMovieNotOpen = -4,
    kMovieBadFile = -5,        // not a movie file, or a damaged one
    kMovieNoFrame = -6,        // the movie has no such frame
    kMovieAborted = -7,        // the user stopped the save
};
const char* MovieErrorText(int code);

struct VideoFormat {
    BITMAPINFOHEADER header{};    // width, height (> 0: bottom-up rows), bit count 4/8/16/24
    std::vector<RGBQUAD> colours; // the colour table of 4- and 8-bit frames
    uint32_t microSecPerFrame = 66667;
};

struct AudioFormat {   // PCM only
    uint16_t channels = 1;
    uint32_t samplesPerSec = 11025;
    uint16_t bitsPerSample = 8;
    uint32_t BytesPerSecond() const { return samplesPerSec * channels * (bitsPerSample / 8u); }
};

class AviWriter {
public:
    AviWriter();
    ~AviWriter();   // closes an open file
    AviWriter(const AviWriter&) = delete;
    AviWriter& operator=(const AviWriter&) = delete;

    // Starts a new movie at `path`, replacing its contents (a pre-allocated file
    // keeps its place on disk where the system allows).
    int Open(const std::string& path, const VideoFormat& video, const AudioFormat* audio);
    // One frame of header.biSizeImage bytes (bottom-up DIB rows as captured).
    int WriteVideoFrame(const void* bits, size_t bytes);
    // A frame that was due but not captured: its place in the file stays empty and
    // players show the frame before it, so the pictures keep time with the sound.
    int SkipVideoFrame();
    // Interleaved PCM samples in the audio format given to Open.
    int WriteAudio(const void* samples, size_t bytes);
    // Finishes the indexes and headers; the file then opens in other players.
    int Close();

    bool IsOpen() const;
    uint32_t FramesWritten() const;   // every frame position, skipped ones included
    uint32_t FramesSkipped() const;
    uint64_t AudioBytesWritten() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// Reserves `bytes` of disk space for a capture file that does not hold a movie yet.
int Preallocate(const std::string& path, uint64_t bytes);

}  // namespace movie
