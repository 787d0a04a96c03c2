#include "movie/movie_reader.h"
#include "movie/scaler.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avstring.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include "types/SafeFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace movie {

namespace {

// Pictures past these are no camera's; a damaged header naming more must not
// make the decoders reserve gigabytes.
constexpr int kMaxSide = 8192;
constexpr int64_t kMaxPixels = 4096 * 2304;
constexpr uint64_t kMaxFrameBytes = 256u << 20;
// The only codecs our movies are written with; anything else in a file from
// elsewhere is not decoded at all.
constexpr char kCodecWhitelist[] =
    "rawvideo,msvideo1,cinepak,mjpeg,mpeg4,h264,pcm_u8,pcm_s16le,adpcm_ima_wav,adpcm_ms";
constexpr int kIoBufferSize = 32 * 1024;
constexpr int kMaxStreams = 8;
constexpr int kMaxIndexBytes = 4 << 20;
constexpr char kBottomUpMark[] = "BottomUp";   // FFmpeg's note that DIB rows run bottom-up

struct MemorySource {
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t pos = 0;

    static int Read(void* opaque, uint8_t* buf, int want)
    {
        auto* m = static_cast<MemorySource*>(opaque);
        const size_t n = std::min(size_t(want), m->size - m->pos);
        if (n == 0)
            return AVERROR_EOF;
        std::memcpy(buf, m->data + m->pos, n);
        m->pos += n;
        return int(n);
    }

    static int64_t Seek(void* opaque, int64_t offset, int whence)
    {
        auto* m = static_cast<MemorySource*>(opaque);
        int64_t base = 0;
        switch (whence & ~AVSEEK_FORCE) {
        case AVSEEK_SIZE: return int64_t(m->size);
        case SEEK_SET: base = 0; break;
        case SEEK_CUR: base = int64_t(m->pos); break;
        case SEEK_END: base = int64_t(m->size); break;
        default: return AVERROR(EINVAL);
        }
        if (offset > int64_t(m->size) - base || offset < -base)
            return AVERROR(EINVAL);
        m->pos = size_t(base + offset);
        return int64_t(m->pos);
    }
};

// A movie file read through a descriptor opened by us, so the open itself
// can refuse what is not a regular file before FFmpeg sees it.
struct FileSource {
    int fd = -1;
    int64_t size = 0;
    int64_t pos = 0;

    static int Read(void* opaque, uint8_t* buf, int want)
    {
        auto* f = static_cast<FileSource*>(opaque);
        for (;;) {
            const ssize_t n = ::pread(f->fd, buf, size_t(want), off_t(f->pos));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return AVERROR(errno);
            if (n == 0)
                return AVERROR_EOF;
            f->pos += n;
            return int(n);
        }
    }

    static int64_t Seek(void* opaque, int64_t offset, int whence)
    {
        auto* f = static_cast<FileSource*>(opaque);
        int64_t base = 0;
        switch (whence & ~AVSEEK_FORCE) {
        case AVSEEK_SIZE: return f->size;
        case SEEK_SET: base = 0; break;
        case SEEK_CUR: base = f->pos; break;
        case SEEK_END: base = f->size; break;
        default: return AVERROR(EINVAL);
        }
        if (offset < -base || offset > INT64_MAX - base)
            return AVERROR(EINVAL);
        f->pos = base + offset;
        return f->pos;
    }
};

bool RawDepth(int bits) { return bits == 4 || bits == 8 || bits == 16 || bits == 24; }

bool Decodable(AVCodecID id)
{
    const AVCodec* codec = avcodec_find_decoder(id);
    return codec && av_match_list(codec->name, kCodecWhitelist, ',') > 0;
}

}  // namespace

struct MovieReader::Impl {
    AVFormatContext* ctx = nullptr;
    AVIOContext* io = nullptr;   // over `memory` or `file`
    MemorySource memory;
    FileSource file;
    AVCodecContext* decoder = nullptr;
    SwsContext* scaler = nullptr;
    int scalerFormat = AV_PIX_FMT_NONE;   // what `scaler` converts from
    int video = -1;
    int audio = -1;
    bool bottomUp = true;
    std::vector<RGBQUAD> palette;
    uint64_t frameBytes = 0;
    MovieInfo info;
    // The compressed frame the decoder reaches by reading on, without a seek
    // (-1: the read position has moved). Playback reads frame after frame, and
    // a seek back to the key frame for each would decode a whole group of
    // pictures per picture.
    int64_t nextDecoded = -1;

    int OpenCustom(void* source, int (*read)(void*, uint8_t*, int), int64_t (*seek)(void*, int64_t, int));
    int Finish();
    void ReadStreams();
    int OpenDecoder();
    int RawFrame(uint32_t index, std::vector<uint8_t>& dib);
    int ScanRaw(uint32_t index, AVPacket* pkt, AVPacket* best);
    int DecodedFrame(uint32_t index, std::vector<uint8_t>& dib, bool readOn);
    int FrameToDib(const AVFrame* frame, std::vector<uint8_t>& dib);
    void TakePalette(const AVPacket* pkt);
    void StartDib(std::vector<uint8_t>& dib, uint16_t bits, size_t colours) const;
    void Close();
};

void MovieReader::Impl::Close()
{
    sws_freeContext(scaler);
    scaler = nullptr;
    avcodec_free_context(&decoder);
    avformat_close_input(&ctx);
    if (io) {
        av_freep(&io->buffer);
        avio_context_free(&io);
    }
    if (file.fd >= 0)
        ::close(file.fd);
    file = FileSource{};
    info = MovieInfo{};
    palette.clear();
    video = audio = -1;
    nextDecoded = -1;
}

int MovieReader::Impl::Finish()
{
    video = av_find_best_stream(ctx, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (video < 0)
        return kMovieBadFile;
    const AVStream* st = ctx->streams[video];
    const AVCodecParameters* par = st->codecpar;
    if (par->width <= 0 || par->height <= 0 || par->width > kMaxSide || par->height > kMaxSide ||
        int64_t(par->width) * par->height > kMaxPixels)
        return kMovieBadFile;
    info.width = par->width;
    info.height = par->height;
    info.uncompressed = par->codec_id == AV_CODEC_ID_RAWVIDEO && par->codec_tag == 0 &&
                        RawDepth(par->bits_per_coded_sample);
    if (!info.uncompressed && !Decodable(par->codec_id))
        return kMovieBadFile;
    info.bitCount = uint16_t(info.uncompressed ? par->bits_per_coded_sample : 24);
    frameBytes = DibRowBytes(info.width, info.bitCount) * uint64_t(info.height);
    if (frameBytes > kMaxFrameBytes)
        return kMovieBadFile;
    int64_t frames = st->nb_frames > 0 ? st->nb_frames : avformat_index_get_entries_count(st);
    info.frames = uint32_t(std::clamp<int64_t>(frames, 0, INT32_MAX));
    if (st->time_base.num > 0 && st->time_base.den > 0)
        info.microSecPerFrame = uint32_t(std::clamp<int64_t>(av_rescale(1000000, st->time_base.num, st->time_base.den), 0, UINT32_MAX));

    const size_t extra = par->extradata && par->extradata_size > 0 ? size_t(par->extradata_size) : 0;
    bottomUp = !info.uncompressed ||
               (extra >= sizeof kBottomUpMark &&
                std::memcmp(par->extradata + extra - sizeof kBottomUpMark, kBottomUpMark, sizeof kBottomUpMark) == 0);
    if (info.uncompressed && info.bitCount <= 8) {
        palette.assign(size_t(1) << info.bitCount, RGBQUAD{0, 0, 0, 0});
        const size_t have = std::min(palette.size() * sizeof(RGBQUAD), extra);
        if (have >= sizeof(RGBQUAD))   // a header without a colour table leaves it black
            std::memcpy(palette.data(), par->extradata, have - have % sizeof(RGBQUAD));
        for (RGBQUAD& q : palette)
            q.rgbReserved = 0;
    }
    ReadStreams();
    return kMovieOk;
}

void MovieReader::Impl::ReadStreams()
{
    audio = av_find_best_stream(ctx, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (audio < 0)
        return;
    const AVStream* st = ctx->streams[audio];
    const AVCodecParameters* par = st->codecpar;
    info.hasAudio = true;
    info.audio.channels = uint16_t(std::clamp(par->ch_layout.nb_channels, 0, 0xFFFF));
    info.audio.samplesPerSec = uint32_t(std::max(par->sample_rate, 0));
    info.audio.bitsPerSample = uint16_t(std::clamp(par->bits_per_coded_sample, 0, 0xFFFF));
    const bool pcm = par->codec_id == AV_CODEC_ID_PCM_U8 || par->codec_id == AV_CODEC_ID_PCM_S16LE;
    if (pcm && st->nb_frames > 0)   // PCM streams count sample frames in their header
        info.audioSamples = uint64_t(st->nb_frames);
    else if (st->duration > 0 && par->sample_rate > 0)
        info.audioSamples = uint64_t(av_rescale_q(st->duration, st->time_base, AVRational{1, par->sample_rate}));
}

void MovieReader::Impl::TakePalette(const AVPacket* pkt)
{
    size_t size = 0;
    const uint8_t* side = av_packet_get_side_data(pkt, AV_PKT_DATA_PALETTE, &size);
    if (!side || palette.empty())
        return;
    const size_t entries = std::min(palette.size(), size / 4);
    for (size_t i = 0; i < entries; ++i)   // native 0xAARRGGBB words
        palette[i] = RGBQUAD{side[i * 4], side[i * 4 + 1], side[i * 4 + 2], 0};
}

void MovieReader::Impl::StartDib(std::vector<uint8_t>& dib, uint16_t bits, size_t colours) const
{
    BITMAPINFOHEADER h{};
    h.biSize = sizeof h;
    h.biWidth = info.width;
    h.biHeight = info.height;
    h.biPlanes = 1;
    h.biBitCount = bits;
    h.biCompression = BI_RGB;
    h.biSizeImage = DWORD(frameBytes);
    h.biClrUsed = DWORD(colours);
    dib.resize(sizeof h + colours * sizeof(RGBQUAD) + frameBytes);
    std::memcpy(dib.data(), &h, sizeof h);
    if (colours)
        std::memcpy(dib.data() + sizeof h, palette.data(), colours * sizeof(RGBQUAD));
}

int MovieReader::Impl::RawFrame(uint32_t index, std::vector<uint8_t>& dib)
{
    AVPacket* pkt = av_packet_alloc();
    AVPacket* best = av_packet_alloc();
    if (!pkt || !best) {
        av_packet_free(&pkt);
        av_packet_free(&best);
        return kMovieBadFile;
    }
    // An empty position shows the picture before it; seeking further back each
    // round finds that picture across any run of empty positions.
    int rc = kMovieNoFrame;
    for (int64_t target = index, step = 1;; step *= 2) {
        if (target != int64_t(index) && av_seek_frame(ctx, video, target, AVSEEK_FLAG_BACKWARD) < 0)
            break;
        rc = ScanRaw(index, pkt, best);
        if (rc != kMovieNoFrame || target == 0)
            break;
        target = std::max<int64_t>(0, target - step);
    }
    if (rc == kMovieOk) {
        StartDib(dib, info.bitCount, palette.size());
        uint8_t* rows = dib.data() + dib.size() - frameBytes;
        if (bottomUp) {
            std::memcpy(rows, best->data, frameBytes);
        } else {
            const size_t stride = size_t(frameBytes / uint64_t(info.height));
            for (int y = 0; y < info.height; ++y)
                std::memcpy(rows + size_t(info.height - 1 - y) * stride, best->data + size_t(y) * stride, stride);
        }
    }
    av_packet_free(&pkt);
    av_packet_free(&best);
    return rc;
}

int MovieReader::Impl::ScanRaw(uint32_t index, AVPacket* pkt, AVPacket* best)
{
    av_packet_unref(best);
    int rc = kMovieNoFrame;
    while (av_read_frame(ctx, pkt) >= 0) {
        if (pkt->stream_index != video || pkt->size == 0) {
            av_packet_unref(pkt);
            continue;
        }
        TakePalette(pkt);
        const int64_t at = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts;
        if (at > int64_t(index)) {
            av_packet_unref(pkt);
            break;
        }
        if (uint64_t(pkt->size) < frameBytes) {
            av_packet_unref(pkt);
            return kMovieBadFile;
        }
        av_packet_unref(best);
        av_packet_move_ref(best, pkt);
        rc = kMovieOk;
        if (at == int64_t(index))
            break;
    }
    return rc;
}

int MovieReader::Impl::OpenDecoder()
{
    if (decoder)
        return kMovieOk;
    const AVCodecParameters* par = ctx->streams[video]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(par->codec_id);
    if (!codec)
        return kMovieBadFile;
    decoder = avcodec_alloc_context3(codec);
    AVDictionary* options = nullptr;
    av_dict_set(&options, "codec_whitelist", kCodecWhitelist, 0);
    // A picture inside a packet may claim another size than the stream header.
    av_dict_set_int(&options, "max_pixels", kMaxPixels, 0);
    av_dict_set_int(&options, "threads", 1, 0);
    const bool opened = decoder && avcodec_parameters_to_context(decoder, par) >= 0 &&
                        avcodec_open2(decoder, codec, &options) >= 0;
    av_dict_free(&options);
    if (!opened) {
        avcodec_free_context(&decoder);
        return kMovieBadFile;
    }
    return kMovieOk;
}

int MovieReader::Impl::FrameToDib(const AVFrame* frame, std::vector<uint8_t>& dib)
{
    if (frame->width != info.width || frame->height != info.height)
        return kMovieBadFile;
    // Every frame has the movie's size (checked above): only a change of
    // format needs another converter.
    if (!scaler || frame->format != scalerFormat) {
        sws_freeContext(scaler);
        scaler = MakeScaler(frame->width, frame->height, AVPixelFormat(frame->format), AV_PIX_FMT_BGR24, SWS_POINT);
        scalerFormat = frame->format;
    }
    if (!scaler)
        return kMovieBadFile;
    StartDib(dib, 24, 0);
    const int stride = int(DibRowBytes(info.width, 24));
    // Writing the last row first with a negative stride turns the picture bottom-up.
    uint8_t* dst[4] = {dib.data() + dib.size() - size_t(stride), nullptr, nullptr, nullptr};
    int dstStride[4] = {-stride, 0, 0, 0};
    return sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, dst, dstStride) == frame->height
               ? kMovieOk
               : kMovieBadFile;
}

int MovieReader::Impl::DecodedFrame(uint32_t index, std::vector<uint8_t>& dib, bool readOn)
{
    if (int rc = OpenDecoder(); rc != kMovieOk)
        return rc;
    if (!readOn)
        avcodec_flush_buffers(decoder);
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    int rc = kMovieNoFrame;
    bool draining = false;
    while (pkt && frame && rc == kMovieNoFrame) {
        if (!draining) {
            const int read = av_read_frame(ctx, pkt);
            if (read < 0) {
                draining = true;
                avcodec_send_packet(decoder, nullptr);
            } else if (pkt->stream_index != video || avcodec_send_packet(decoder, pkt) < 0) {
                av_packet_unref(pkt);
                continue;
            }
            av_packet_unref(pkt);
        }
        int got = 0;
        while (rc == kMovieNoFrame && (got = avcodec_receive_frame(decoder, frame)) >= 0) {
            if (frame->best_effort_timestamp >= int64_t(index))
                rc = frame->best_effort_timestamp == int64_t(index) ? FrameToDib(frame, dib) : kMovieNoFrame;
            const bool passed = frame->best_effort_timestamp > int64_t(index);
            av_frame_unref(frame);
            if (passed)
                break;
        }
        if (draining && got < 0)
            break;
    }
    av_frame_free(&frame);
    av_packet_free(&pkt);
    return rc;
}

MovieReader::MovieReader() : m_impl(std::make_unique<Impl>()) {}
MovieReader::~MovieReader() { m_impl->Close(); }

int MovieReader::Impl::OpenCustom(void* source, int (*read)(void*, uint8_t*, int),
                                  int64_t (*seek)(void*, int64_t, int))
{
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
    io = buffer ? avio_alloc_context(buffer, kIoBufferSize, 0, source, read, nullptr, seek) : nullptr;
    ctx = io ? avformat_alloc_context() : nullptr;
    if (!ctx) {
        if (!io)
            av_free(buffer);
        Close();
        return kMovieBadFile;
    }
    ctx->pb = io;
    ctx->flags |= AVFMT_FLAG_CUSTOM_IO;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "codec_whitelist", kCodecWhitelist, 0);
    av_dict_set(&options, "format_whitelist", "avi", 0);
    av_dict_set_int(&options, "max_streams", kMaxStreams, 0);
    av_dict_set_int(&options, "indexmem", kMaxIndexBytes, 0);
    const int opened = avformat_open_input(&ctx, nullptr, av_find_input_format("avi"), &options);
    av_dict_free(&options);
    if (opened < 0) {
        Close();   // the context is already freed on failure
        return kMovieBadFile;
    }
    int rc = Finish();
    if (rc != kMovieOk)
        Close();
    return rc;
}

int MovieReader::Open(const std::string& path, bool followLinks)
{
    const int fd = velmora::OpenRegularFile(path, followLinks);
    return fd < 0 ? kMovieBadFile : OpenFile(fd);
}

int MovieReader::OpenFile(int fd)
{
    Close();
    Impl& d = *m_impl;
    struct stat st = {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (fd >= 0)
            ::close(fd);
        return kMovieBadFile;
    }
    d.file = FileSource{fd, int64_t(st.st_size), 0};
    return d.OpenCustom(&d.file, &FileSource::Read, &FileSource::Seek);
}

int MovieReader::OpenMemory(const uint8_t* data, size_t size)
{
    Close();
    Impl& d = *m_impl;
    d.memory = MemorySource{data, data ? size : 0, 0};
    return d.OpenCustom(&d.memory, &MemorySource::Read, &MemorySource::Seek);
}

void MovieReader::Close() { m_impl->Close(); }
bool MovieReader::IsOpen() const { return m_impl->ctx != nullptr; }
const MovieInfo& MovieReader::Info() const { return m_impl->info; }

int MovieReader::ReadFrameDib(uint32_t index, std::vector<uint8_t>& dib)
{
    Impl& d = *m_impl;
    if (!d.ctx)
        return kMovieNotOpen;
    if (index >= d.info.frames)
        return kMovieNoFrame;
    const bool readOn = !d.info.uncompressed && int64_t(index) == d.nextDecoded;
    d.nextDecoded = -1;
    if (!readOn && av_seek_frame(d.ctx, d.video, index, AVSEEK_FLAG_BACKWARD) < 0 &&
        av_seek_frame(d.ctx, d.video, 0, AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_ANY) < 0)
        return kMovieBadFile;
    if (d.info.uncompressed)
        return d.RawFrame(index, dib);
    const int rc = d.DecodedFrame(index, dib, readOn);
    if (rc == kMovieOk)
        d.nextDecoded = int64_t(index) + 1;
    return rc;
}

int MovieReader::ReadAllAudio(std::vector<uint8_t>& pcm)
{
    Impl& d = *m_impl;
    pcm.clear();
    if (!d.ctx)
        return kMovieNotOpen;
    if (d.audio < 0)
        return kMovieNoFrame;
    d.nextDecoded = -1;   // the read position moves
    const AVCodecID codec = d.ctx->streams[d.audio]->codecpar->codec_id;
    if (codec != AV_CODEC_ID_PCM_U8 && codec != AV_CODEC_ID_PCM_S16LE)
        return kMovieBadFormat;
    if (av_seek_frame(d.ctx, -1, 0, AVSEEK_FLAG_BACKWARD) < 0)
        return kMovieBadFile;
    AVPacket* pkt = av_packet_alloc();
    if (!pkt)
        return kMovieBadFile;
    int rc = kMovieOk;
    while (rc == kMovieOk && av_read_frame(d.ctx, pkt) >= 0) {
        if (pkt->stream_index == d.audio) {
            if (pcm.size() + size_t(pkt->size) > kMaxFrameBytes)
                rc = kMovieBadFile;   // more sound than any recording of ours holds
            else
                pcm.insert(pcm.end(), pkt->data, pkt->data + pkt->size);
        }
        av_packet_unref(pkt);
    }
    av_packet_free(&pkt);
    if (rc != kMovieOk)
        pcm.clear();
    return rc;
}

}  // namespace movie
