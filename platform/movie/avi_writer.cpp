#include "movie/avi_writer.h"

#include "movie/avi_streams.h"
#include "movie/movie_file.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace movie {

const char* MovieErrorText(int code)
{
    switch (code) {
    case kMovieOk: return "no error";
    case kMovieCannotCreate: return "the movie file cannot be created";
    case kMovieWriteFailed: return "writing the movie file failed";
    case kMovieBadFormat: return "the movie file cannot hold this format";
    case kMovieNotOpen: return "no movie file is open";
    case kMovieBadFile: return "the file is not a readable movie";
    case kMovieNoFrame: return "the movie has no such frame";
    case kMovieAborted: return "the save was stopped";
    default: return "unknown movie error";
    }
}


struct AviWriter::Impl {
    std::mutex lock;   // video and sound arrive on different threads
    MovieFile file;
    AVFormatContext* ctx = nullptr;
    AVStream* videoStream = nullptr;
    AVStream* audioStream = nullptr;
    AVRational videoBase{1, 1};
    AVRational audioBase{1, 1};
    size_t frameBytes = 0;
    unsigned audioBlock = 0;
    std::vector<uint8_t> partialBlock;   // a sample frame split across two calls
    uint32_t frames = 0;
    uint32_t skipped = 0;
    uint32_t pendingSkips = 0;   // skipped positions not yet followed by a picture
    uint64_t audioBytes = 0;
    int64_t audioSamples = 0;
    bool failed = false;

    int Open(const std::string& path, const VideoFormat& video, const AudioFormat* audio);
    int AddVideoStream(const VideoFormat& video);
    int AddAudioStream(const AudioFormat& audio);
    int Write(AVStream* stream, AVRational base, int64_t pts, int64_t duration, const void* data, size_t bytes);
    int Close();
    void Release();
};

int AviWriter::Impl::AddVideoStream(const VideoFormat& video)
{
    if (!AddRawVideoStream(ctx, video, videoStream))
        return kMovieCannotCreate;
    videoBase = videoStream->time_base;
    frameBytes = size_t(DibRowBytes(video.header.biWidth, video.header.biBitCount) * uint64_t(video.header.biHeight));
    return kMovieOk;
}

int AviWriter::Impl::AddAudioStream(const AudioFormat& audio)
{
    if (!AddPcmStream(ctx, audio, audioStream))
        return kMovieCannotCreate;
    audioBlock = unsigned(audioStream->codecpar->block_align);
    audioBase = audioStream->time_base;
    return kMovieOk;
}

int AviWriter::Impl::Open(const std::string& path, const VideoFormat& video, const AudioFormat* audio)
{
    if (!VideoFormatUsable(video) || (audio && !AudioFormatUsable(*audio)))
        return kMovieBadFormat;
    if (avformat_alloc_output_context2(&ctx, nullptr, "avi", nullptr) < 0 || !ctx)
        return kMovieCannotCreate;
    int rc = AddVideoStream(video);
    if (rc == kMovieOk && audio)
        rc = AddAudioStream(*audio);
    if (rc != kMovieOk) {
        Release();
        return rc;
    }
    if (!file.Open(path)) {
        Release();
        return kMovieCannotCreate;
    }
    ctx->pb = file.Io();
    ctx->flags |= AVFMT_FLAG_CUSTOM_IO;
    // A capture that stalls one stream must not hold the other's frames in memory for long.
    ctx->max_interleave_delta = 1000000;
    AVDictionary* options = nullptr;
    // Our rows come bottom-up, as every DIB player expects them.
    av_dict_set(&options, "flipped_raw_rgb", "1", 0);
    rc = avformat_write_header(ctx, &options);
    av_dict_free(&options);
    if (rc < 0) {
        Release();
        return kMovieCannotCreate;
    }
    frames = skipped = pendingSkips = 0;
    audioBytes = 0;
    audioSamples = 0;
    partialBlock.clear();
    failed = false;
    return kMovieOk;
}

int AviWriter::Impl::Write(AVStream* stream, AVRational base, int64_t pts, int64_t duration, const void* data,
                           size_t bytes)
{
    if (failed)
        return kMovieWriteFailed;
    AVPacket* pkt = av_packet_alloc();
    if (!pkt || av_new_packet(pkt, int(bytes)) < 0) {
        av_packet_free(&pkt);
        failed = true;
        return kMovieWriteFailed;
    }
    if (bytes)
        std::memcpy(pkt->data, data, bytes);
    pkt->stream_index = stream->index;
    pkt->pts = pkt->dts = av_rescale_q(pts, base, stream->time_base);
    pkt->duration = av_rescale_q(duration, base, stream->time_base);
    pkt->flags |= AV_PKT_FLAG_KEY;
    int rc = av_interleaved_write_frame(ctx, pkt);
    av_packet_free(&pkt);
    if (rc < 0 || file.Failed()) {
        failed = true;
        return kMovieWriteFailed;
    }
    return kMovieOk;
}

int AviWriter::Impl::Close()
{
    // Positions skipped at the very end are kept as one more empty chunk, so the
    // movie lasts as long as its sound.
    if (pendingSkips > 0 && !failed)
        Write(videoStream, videoBase, frames - 1, 1, nullptr, 0);
    // The trailer is attempted even after a failure: space may have come back,
    // and the descriptor must be released either way.
    int rc = av_write_trailer(ctx);
    bool ok = rc >= 0 && !failed && !file.Failed();
    ctx->pb = nullptr;
    if (!file.Close())
        ok = false;
    Release();
    return ok ? kMovieOk : kMovieWriteFailed;
}

void AviWriter::Impl::Release()
{
    if (ctx) {
        ctx->pb = nullptr;
        avformat_free_context(ctx);
        ctx = nullptr;
    }
    file.Close();
    videoStream = audioStream = nullptr;
}

AviWriter::AviWriter() : m_impl(std::make_unique<Impl>()) {}

AviWriter::~AviWriter()
{
    Close();
}

int AviWriter::Open(const std::string& path, const VideoFormat& video, const AudioFormat* audio)
{
    std::lock_guard guard(m_impl->lock);
    if (m_impl->ctx)
        m_impl->Close();
    return m_impl->Open(path, video, audio);
}

int AviWriter::WriteVideoFrame(const void* bits, size_t bytes)
{
    std::lock_guard guard(m_impl->lock);
    Impl& d = *m_impl;
    if (!d.ctx)
        return kMovieNotOpen;
    if (!bits || bytes < d.frameBytes)
        return kMovieBadFormat;
    // The muxer fills the positions between two pictures with empty chunks.
    int rc = d.Write(d.videoStream, d.videoBase, d.frames, 1, bits, d.frameBytes);
    if (rc == kMovieOk) {
        ++d.frames;
        d.pendingSkips = 0;
    }
    return rc;
}

int AviWriter::SkipVideoFrame()
{
    std::lock_guard guard(m_impl->lock);
    Impl& d = *m_impl;
    if (!d.ctx)
        return kMovieNotOpen;
    if (d.failed)
        return kMovieWriteFailed;
    ++d.frames;
    ++d.skipped;
    ++d.pendingSkips;
    return kMovieOk;
}

int AviWriter::WriteAudio(const void* samples, size_t bytes)
{
    std::lock_guard guard(m_impl->lock);
    Impl& d = *m_impl;
    if (!d.ctx)
        return kMovieNotOpen;
    if (!d.audioStream)
        return kMovieBadFormat;
    if (bytes == 0)
        return kMovieOk;
    if (!samples)
        return kMovieBadFormat;
    // Only whole sample frames go into the file; a split one waits for its rest.
    std::vector<uint8_t> joined;
    const uint8_t* data = static_cast<const uint8_t*>(samples);
    if (!d.partialBlock.empty()) {
        joined = d.partialBlock;
        joined.insert(joined.end(), data, data + bytes);
        data = joined.data();
        bytes = joined.size();
    }
    const size_t whole = bytes - bytes % d.audioBlock;
    int rc = kMovieOk;
    for (size_t done = 0; done < whole && rc == kMovieOk;) {
        const size_t chunk = std::min<size_t>(whole - done, 1u << 20);
        const int64_t count = int64_t(chunk / d.audioBlock);
        rc = d.Write(d.audioStream, d.audioBase, d.audioSamples, count, data + done, chunk);
        if (rc == kMovieOk) {
            d.audioSamples += count;
            d.audioBytes += chunk;
            done += chunk;
        }
    }
    if (rc == kMovieOk)
        d.partialBlock.assign(data + whole, data + bytes);
    return rc;
}

int AviWriter::Close()
{
    std::lock_guard guard(m_impl->lock);
    if (!m_impl->ctx)
        return kMovieNotOpen;
    return m_impl->Close();
}

bool AviWriter::IsOpen() const
{
    std::lock_guard guard(m_impl->lock);
    return m_impl->ctx != nullptr;
}

uint32_t AviWriter::FramesWritten() const
{
    std::lock_guard guard(m_impl->lock);
    return m_impl->frames;
}

uint32_t AviWriter::FramesSkipped() const
{
    std::lock_guard guard(m_impl->lock);
    return m_impl->skipped;
}

uint64_t AviWriter::AudioBytesWritten() const
{
    std::lock_guard guard(m_impl->lock);
    return m_impl->audioBytes;
}

int Preallocate(const std::string& path, uint64_t bytes)
{
    const int fd = OpenCaptureFile(path);
    if (fd < 0)
        return kMovieCannotCreate;
    int rc = kMovieOk;
    if (bytes > 0) {
        int err = ::posix_fallocate(fd, 0, off_t(bytes));
        if (err != 0)
            rc = kMovieWriteFailed;
    }
    if (::close(fd) != 0)
        rc = kMovieWriteFailed;
    return rc;
}

}  // namespace movie
