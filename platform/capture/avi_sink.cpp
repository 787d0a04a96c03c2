// Sequence capture into the movie-file service's AVI writer.
#include "capture/movie_sink.h"

#include "movie/avi_writer.h"
#include "movie/movie_reader.h"

namespace capture {

namespace {

class AviSink : public MovieSink {
public:
    int Open(const std::string& path, const VideoFormat& video, DWORD microSecPerFrame, const WAVEFORMATEX* audio) override
    {
        movie::VideoFormat v;
        v.header = video.header;
        v.colours = video.colours;
        v.microSecPerFrame = microSecPerFrame;
        movie::AudioFormat a;
        if (audio) {
            a.channels = audio->nChannels;
            a.samplesPerSec = audio->nSamplesPerSec;
            a.bitsPerSample = audio->wBitsPerSample;
        }
        return m_writer.Open(path, v, audio ? &a : nullptr);
    }
    int WriteVideo(const void* bits, size_t bytes) override { return m_writer.WriteVideoFrame(bits, bytes); }
    int SkipVideo() override { return m_writer.SkipVideoFrame(); }
    int WriteAudio(const void* samples, size_t bytes) override { return m_writer.WriteAudio(samples, bytes); }
    int Close() override { return m_writer.Close(); }
    std::string ErrorText(int code) const override { return movie::MovieErrorText(code); }

private:
    movie::AviWriter m_writer;
};

}  // namespace

MovieSinkFactory AviSinkFactory()
{
    return [] { return std::make_unique<AviSink>(); };
}

bool PreallocateCaptureFile(const std::string& path, uint64_t bytes)
{
    return movie::Preallocate(path, bytes) == movie::kMovieOk;
}

}  // namespace capture

namespace capture {

bool CopyCaptureFile(const std::string& from, const std::string& to)
{
    return movie::CopyMovie(from, to) == movie::kMovieOk;
}

}  // namespace capture
