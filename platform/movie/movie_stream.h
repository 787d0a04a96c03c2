// Editable streams of a movie: a picture or sound track of an open movie, or
// a range of one, held without copying its data, from which a save writes a
// new file and the clipboard takes a picture.
#pragma once

#include "movie/movie_reader.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace movie {

enum class StreamKind { kVideo, kAudio };

class MovieSource;   // the opened movie a stream's data comes from

class MovieStream {
public:
    MovieStream() = default;   // no stream
    MovieStream(std::shared_ptr<MovieSource> source, StreamKind kind, uint32_t length);

    bool IsValid() const { return m_source != nullptr; }
    StreamKind Kind() const { return m_kind; }
    // Positions: frames of a picture stream, sample frames of sound.
    uint32_t Length() const { return m_length; }
    // The movie the data comes from: picture size, depth, rate, sound format.
    const MovieInfo& Source() const;

    // A new stream of `length` positions from `start`, sharing this one's data;
    // kMovieNoFrame when the range is not inside this stream.
    int Copy(uint32_t start, uint32_t length, MovieStream& out) const;

    // Position `index` of a picture stream as a packed DIB (see MovieReader::ReadFrameDib).
    int ReadFrameDib(uint32_t index, std::vector<uint8_t>& dib) const;
    // `count` sample frames of PCM sound from `start`, interleaved as recorded.
    int ReadSamples(uint32_t start, uint32_t count, std::vector<uint8_t>& pcm) const;

private:
    std::shared_ptr<MovieSource> m_source;
    StreamKind m_kind = StreamKind::kVideo;
    uint32_t m_start = 0;
    uint32_t m_length = 0;
};

// Opens the movie at `path` and gives an editable stream of its pictures and,
// when it has sound, one of its sound, in that order. Only a regular file is
// opened; `followLinks` false refuses a symlink as well. Sound that cannot be
// read back as PCM makes the whole open fail (kMovieBadFormat) rather than
// letting a save drop it unnoticed.
int OpenMovieStreams(const std::string& path, std::vector<MovieStream>& streams, bool followLinks = true);

// A movie held in memory, made of streams of other movies (a single picture
// for the clipboard, say).
class MemoryMovie {
public:
    // kMovieBadFormat without a stream, or with an empty one.
    int Make(std::vector<MovieStream> streams);
    const std::vector<MovieStream>& Streams() const { return m_streams; }
    // The first picture stream's frame `index`; kMovieNoFrame without pictures.
    int ReadFrameDib(uint32_t index, std::vector<uint8_t>& dib) const;

private:
    std::vector<MovieStream> m_streams;
};

}  // namespace movie
