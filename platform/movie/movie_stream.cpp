#include "movie/movie_stream.h"

#include <algorithm>

namespace movie {

// One open movie shared by every stream copied from it; its sound is read
// once, when the movie is opened, since playback and saves need all of it.
class MovieSource {
public:
    MovieReader reader;
    std::vector<uint8_t> pcm;
    size_t sampleBytes = 0;   // one sample frame of every channel
};

MovieStream::MovieStream(std::shared_ptr<MovieSource> source, StreamKind kind, uint32_t length)
    : m_source(std::move(source)), m_kind(kind), m_length(length)
{
}

const MovieInfo& MovieStream::Source() const
{
    static const MovieInfo kNone;
    return m_source ? m_source->reader.Info() : kNone;
}

int MovieStream::Copy(uint32_t start, uint32_t length, MovieStream& out) const
{
    if (!m_source)
        return kMovieNotOpen;
    if (start > m_length || length > m_length - start)
        return kMovieNoFrame;
    out = *this;
    out.m_start = m_start + start;
    out.m_length = length;
    return kMovieOk;
}

int MovieStream::ReadFrameDib(uint32_t index, std::vector<uint8_t>& dib) const
{
    if (!m_source)
        return kMovieNotOpen;
    if (m_kind != StreamKind::kVideo)
        return kMovieBadFormat;
    if (index >= m_length)
        return kMovieNoFrame;
    return m_source->reader.ReadFrameDib(m_start + index, dib);
}

int MovieStream::ReadSamples(uint32_t start, uint32_t count, std::vector<uint8_t>& pcm) const
{
    pcm.clear();
    if (!m_source)
        return kMovieNotOpen;
    if (m_kind != StreamKind::kAudio)
        return kMovieBadFormat;
    if (start > m_length || count > m_length - start)
        return kMovieNoFrame;
    const size_t step = m_source->sampleBytes;
    const auto from = m_source->pcm.begin() + ptrdiff_t((size_t(m_start) + start) * step);
    pcm.assign(from, from + ptrdiff_t(size_t(count) * step));
    return kMovieOk;
}

int OpenMovieStreams(const std::string& path, std::vector<MovieStream>& streams, bool followLinks)
{
    streams.clear();
    auto source = std::make_shared<MovieSource>();
    if (int rc = source->reader.Open(path, followLinks); rc != kMovieOk)
        return rc;
    const MovieInfo& info = source->reader.Info();
    std::vector<MovieStream> found{MovieStream(source, StreamKind::kVideo, info.frames)};
    if (info.hasAudio) {
        if (int rc = source->reader.ReadAllAudio(source->pcm); rc != kMovieOk)
            return rc == kMovieNoFrame ? kMovieBadFile : rc;
        source->sampleBytes = size_t(info.audio.channels) * (info.audio.bitsPerSample / 8u);
        if (source->sampleBytes == 0)
            return kMovieBadFormat;
        const size_t samples = std::min<size_t>(source->pcm.size() / source->sampleBytes, UINT32_MAX);
        found.emplace_back(source, StreamKind::kAudio, uint32_t(samples));
    }
    streams = std::move(found);
    return kMovieOk;
}

int MemoryMovie::Make(std::vector<MovieStream> streams)
{
    m_streams.clear();
    if (streams.empty())
        return kMovieBadFormat;
    for (const MovieStream& s : streams)
        if (!s.IsValid() || s.Length() == 0)
            return kMovieBadFormat;
    m_streams = std::move(streams);
    return kMovieOk;
}

int MemoryMovie::ReadFrameDib(uint32_t index, std::vector<uint8_t>& dib) const
{
    for (const MovieStream& s : m_streams)
        if (s.Kind() == StreamKind::kVideo)
            return s.ReadFrameDib(index, dib);
    return kMovieNoFrame;
}

}  // namespace movie
