#include "movie/movie_save.h"

#include "movie/avi_streams.h"
#include "movie/movie_file.h"
#include "movie/scaler.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include "gdi/DibView.h"
#include "types/SafeFile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace movie {

namespace {

constexpr uint32_t kFullFrames = FourCC('D', 'I', 'B', ' ');

// Picture compressors by the codes a movie's header or the user's choice may
// name them with; the first code of each encoder is the one listed.
struct VideoCodec {
    uint32_t handler;
    const char* encoder;   // nullptr: frames stored as they are
    const char* name;      // as the user sees it in lists
};
constexpr VideoCodec kVideoCodecs[] = {
    {kFullFrames, nullptr, "Full frames (uncompressed)"},
    {FourCC('M', 'S', 'V', 'C'), "msvideo1", "Video-1"},
    {FourCC('C', 'R', 'A', 'M'), "msvideo1", "Video-1"},
    {FourCC('c', 'v', 'i', 'd'), "cinepak", "Cinepak"},
    {FourCC('M', 'J', 'P', 'G'), "mjpeg", "Motion JPEG"},
    {FourCC('F', 'M', 'P', '4'), "mpeg4", "MPEG-4 part 2"},
    {FourCC('X', 'V', 'I', 'D'), "mpeg4", "MPEG-4 part 2"},
    {FourCC('D', 'I', 'V', 'X'), "mpeg4", "MPEG-4 part 2"},
    {FourCC('H', '2', '6', '4'), "libx264", "H.264"},
    {FourCC('X', '2', '6', '4'), "libx264", "H.264"},
};

struct SoundCodec {
    uint16_t format;
    const char* encoder;   // nullptr: PCM stored as it is
    const char* name;
};
constexpr SoundCodec kSoundCodecs[] = {
    {kSoundPcm, nullptr, "PCM"},
    {kSoundImaAdpcm, "adpcm_ima_wav", "IMA ADPCM"},
    {kSoundAdpcm, "adpcm_ms", "ADPCM"},
};

uint32_t UpperCode(uint32_t code)
{
    uint32_t upper = 0;
    for (int shift = 0; shift < 32; shift += 8)
        upper |= uint32_t(std::toupper(int((code >> shift) & 0xFF))) << shift;
    return upper;
}

// The row for `handler` (compared without regard to case, 0 as full frames), or nullptr.
const VideoCodec* FindVideoCodec(uint32_t handler)
{
    const uint32_t wanted = UpperCode(handler ? handler : kFullFrames);
    for (const VideoCodec& c : kVideoCodecs)
        if (UpperCode(c.handler) == wanted)
            return &c;
    return nullptr;
}

}  // namespace

bool SameHandler(uint32_t a, uint32_t b) { return UpperCode(a) == UpperCode(b); }

namespace {

const SoundCodec* FindSoundCodec(uint16_t format)
{
    for (const SoundCodec& c : kSoundCodecs)
        if (c.format == (format ? format : uint16_t(kSoundPcm)))
            return &c;
    return nullptr;
}

bool HaveEncoder(const char* encoder) { return !encoder || avcodec_find_encoder_by_name(encoder) != nullptr; }

// Quality 1..10000 as the scale of the block-based compressors, 31 (coarsest) to 2 (finest).
int QuantiserFor(uint32_t quality)
{
    return 31 - int((std::min<uint32_t>(quality, 10000) * 29 + 5000) / 10000);
}

// Quality 1..10000 as a constant rate factor, 51 (coarsest) to 0 (lossless).
double RateFactorFor(uint32_t quality)
{
    return 51.0 * (10000 - std::min<uint32_t>(quality, 10000)) / 10000.0;
}

// Compressors with a constant rate factor take quality as that, the others as
// a fixed quantiser scale.
void SetQuality(AVCodecContext* enc, uint32_t quality)
{
    if (av_opt_set_double(enc->priv_data, "crf", RateFactorFor(quality), 0) >= 0)
        return;
    enc->flags |= AV_CODEC_FLAG_QSCALE;
    enc->global_quality = FF_QP2LAMBDA * QuantiserFor(quality);
}

// The 32-bit palette entries of the colour converter from a DIB colour table.
void PaletteOf(const DibView& view, uint32_t* palette)
{
    for (uint32_t i = 0; i < 256; ++i) {
        const RGBQUAD q = view.Colour(i);
        palette[i] = 0xFF000000u | uint32_t(q.rgbRed) << 16 | uint32_t(q.rgbGreen) << 8 | q.rgbBlue;
    }
}

}  // namespace

std::vector<Compressor> AvailableCompressors()
{
    std::vector<Compressor> list;
    const char* last = "";
    for (const VideoCodec& c : kVideoCodecs) {
        const char* id = c.encoder ? c.encoder : "";
        if ((c.encoder && std::strcmp(id, last) == 0) || !HaveEncoder(c.encoder))
            continue;
        last = id;
        list.push_back({c.handler, 0, c.name, true});
    }
    for (const SoundCodec& c : kSoundCodecs)
        if (HaveEncoder(c.encoder))
            list.push_back({0, c.format, c.name, false});
    return list;
}

namespace {

// One stream being written: its source, its stream in the new file and,
// unless the data is stored as it is, the encoder and its input frame.
struct Track {
    const MovieStream* source = nullptr;
    AVStream* stream = nullptr;
    AVRational base{1, 1};   // of the positions we count in
    AVCodecContext* encoder = nullptr;
    AVFrame* frame = nullptr;
    uint32_t done = 0;       // positions of the source written
};

class Saver {
public:
    Saver(const SaveProgress& progress) : m_progress(progress) {}
    ~Saver();
    Saver(const Saver&) = delete;
    Saver& operator=(const Saver&) = delete;

    int Prepare(const std::vector<MovieStream>& streams, const std::vector<CompressOptions>& options);
    int Run(int fd);

private:
    int AddVideo(const MovieStream& source, const CompressOptions& options);
    int AddRawVideo(const VideoFormat& format);
    int AddEncodedVideo(const AVCodec* codec, const CompressOptions& options);
    int AddAudio(const MovieStream& source, const CompressOptions& options);
    int OpenSoundEncoder(const AVCodec* codec, const AudioFormat& format);
    int StartEncodedStream(Track& track);
    int WriteAll();
    int WriteVideoFrame();
    int FillVideoFrame(const std::vector<uint8_t>& dib);
    int WriteAudioUpTo(uint32_t end);
    int EncodeSoundBlock(const std::vector<uint8_t>& pcm, uint32_t count);
    int Encode(Track& track, const AVFrame* frame);
    int Mux(AVPacket* pkt, const Track& track, AVRational from);
    int Finish();
    bool Report();

    const SaveProgress& m_progress;
    AVFormatContext* m_ctx = nullptr;
    MovieFile m_file;
    Track m_video, m_audio;
    SwsContext* m_scaler = nullptr;
    AVPixelFormat m_scalerFrom = AV_PIX_FMT_NONE;
    std::vector<uint8_t> m_dib;
    std::vector<uint8_t> m_pcm;
    int m_percent = -1;
};

Saver::~Saver()
{
    for (Track* t : {&m_video, &m_audio}) {
        avcodec_free_context(&t->encoder);
        av_frame_free(&t->frame);
    }
    sws_freeContext(m_scaler);
    if (m_ctx) {
        m_ctx->pb = nullptr;
        avformat_free_context(m_ctx);
    }
}

int Saver::Prepare(const std::vector<MovieStream>& streams, const std::vector<CompressOptions>& options)
{
    if (avformat_alloc_output_context2(&m_ctx, nullptr, "avi", nullptr) < 0 || !m_ctx)
        return kMovieCannotCreate;
    int rc = kMovieOk;
    for (size_t i = 0; i < streams.size() && rc == kMovieOk; ++i) {
        const CompressOptions chosen = i < options.size() ? options[i] : CompressOptions{};
        const bool video = streams[i].Kind() == StreamKind::kVideo;
        if (!streams[i].IsValid() || (video ? m_video.source : m_audio.source))
            return kMovieBadFormat;   // one stream of each kind at most
        rc = video ? AddVideo(streams[i], chosen) : AddAudio(streams[i], chosen);
    }
    return rc == kMovieOk && !m_video.source && !m_audio.source ? kMovieBadFormat : rc;
}

int Saver::AddVideo(const MovieStream& source, const CompressOptions& options)
{
    m_video.source = &source;
    const VideoCodec* row = FindVideoCodec(options.handler);
    if (!row || source.Length() == 0 || source.Source().microSecPerFrame == 0)
        return kMovieBadFormat;
    m_video.base = FrameTimeBase(source.Source().microSecPerFrame);
    // The first frame shows the depth and colour table every frame is stored with.
    DibView view;
    if (int rc = source.ReadFrameDib(0, m_dib); rc != kMovieOk)
        return rc;
    if (ViewPackedDib(m_dib.data(), m_dib.size(), view) != DibCheck::Ok)
        return kMovieBadFile;
    if (!row->encoder) {
        VideoFormat format;
        format.header = view.Info();
        format.header.biClrUsed = 0;
        for (uint32_t i = 0; view.bitCount <= 8 && i < (1u << view.bitCount); ++i)
            format.colours.push_back(view.Colour(i));
        format.microSecPerFrame = source.Source().microSecPerFrame;
        return AddRawVideo(format);
    }
    const AVCodec* codec = avcodec_find_encoder_by_name(row->encoder);
    return codec ? AddEncodedVideo(codec, options) : kMovieBadFormat;
}

int Saver::AddRawVideo(const VideoFormat& format)
{
    if (!VideoFormatUsable(format))
        return kMovieBadFormat;
    return AddRawVideoStream(m_ctx, format, m_video.stream) ? kMovieOk : kMovieCannotCreate;
}

int Saver::AddEncodedVideo(const AVCodec* codec, const CompressOptions& options)
{
    AVCodecContext* enc = m_video.encoder = avcodec_alloc_context3(codec);
    if (!enc)
        return kMovieCannotCreate;
    const MovieInfo& info = m_video.source->Source();
    enc->width = info.width;
    enc->height = info.height;
    // Some compressors take no time base past 16 bits: 66667/1000000 s becomes 1/15 s.
    av_reduce(&enc->time_base.num, &enc->time_base.den, m_video.base.num, m_video.base.den, 65535);
    enc->framerate = av_inv_q(enc->time_base);
    enc->pix_fmt = codec->pix_fmts ? codec->pix_fmts[0] : AV_PIX_FMT_BGR24;
    // Frames go out in the order they come in: the file's index has no room
    // for pictures stored ahead of their time.
    enc->max_b_frames = 0;
    if (options.keyFrameEvery > 0) {   // key frames at that interval, and only there
        enc->gop_size = int(std::min<uint32_t>(options.keyFrameEvery, INT32_MAX));
        // Video-1 counts its minimum as frames between key frames, not from one to the next.
        enc->keyint_min = std::strcmp(codec->name, "msvideo1") == 0 ? enc->gop_size - 1 : enc->gop_size;
        av_opt_set_int(enc->priv_data, "sc_threshold", 0, 0);
    }
    if (options.bytesPerSecond > 0) {
        enc->bit_rate = int64_t(options.bytesPerSecond) * 8;
    } else if (options.quality > 0) {
        SetQuality(enc, options.quality);
    }
    if (avcodec_open2(enc, codec, nullptr) < 0)
        return kMovieBadFormat;
    m_video.frame = av_frame_alloc();
    if (!m_video.frame)
        return kMovieCannotCreate;
    m_video.frame->format = enc->pix_fmt;
    m_video.frame->width = enc->width;
    m_video.frame->height = enc->height;
    if (av_frame_get_buffer(m_video.frame, 0) < 0)
        return kMovieCannotCreate;
    return StartEncodedStream(m_video);
}

int Saver::AddAudio(const MovieStream& source, const CompressOptions& options)
{
    m_audio.source = &source;
    const SoundCodec* row = FindSoundCodec(options.soundFormat);
    const AudioFormat& format = source.Source().audio;
    if (!row || !AudioFormatUsable(format))
        return kMovieBadFormat;
    m_audio.base = av_make_q(1, int(format.samplesPerSec));
    if (!row->encoder)
        return AddPcmStream(m_ctx, format, m_audio.stream) ? kMovieOk : kMovieCannotCreate;
    const AVCodec* codec = avcodec_find_encoder_by_name(row->encoder);
    if (!codec || format.channels > 2)
        return kMovieBadFormat;
    if (int rc = OpenSoundEncoder(codec, format); rc != kMovieOk)
        return rc;
    return StartEncodedStream(m_audio);
}

// Blocks of the usual size for the rate, halved until one block lasts no
// longer than a picture, so the sound ends within a frame of the pictures.
int Saver::OpenSoundEncoder(const AVCodec* codec, const AudioFormat& format)
{
    const uint32_t perFrame =
        m_video.source ? uint32_t(uint64_t(format.samplesPerSec) * m_video.source->Source().microSecPerFrame / 1000000)
                       : UINT32_MAX;
    const int smallest = 64 * format.channels;
    for (int block = 256 * format.channels * int(std::max(1u, format.samplesPerSec / 11025));; block /= 2) {
        avcodec_free_context(&m_audio.encoder);
        AVCodecContext* enc = m_audio.encoder = avcodec_alloc_context3(codec);
        if (!enc)
            return kMovieCannotCreate;
        enc->sample_fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
        enc->sample_rate = int(format.samplesPerSec);
        enc->time_base = m_audio.base;
        av_channel_layout_default(&enc->ch_layout, format.channels);
        av_opt_set_int(enc->priv_data, "block_size", block, 0);
        if (avcodec_open2(enc, codec, nullptr) < 0 || enc->frame_size <= 0)
            return kMovieBadFormat;
        if (uint32_t(enc->frame_size) <= perFrame || block / 2 < smallest)
            break;
    }
    AVFrame* frame = m_audio.frame = av_frame_alloc();
    if (!frame)
        return kMovieCannotCreate;
    frame->format = m_audio.encoder->sample_fmt;
    frame->nb_samples = m_audio.encoder->frame_size;
    frame->sample_rate = m_audio.encoder->sample_rate;
    if (av_channel_layout_copy(&frame->ch_layout, &m_audio.encoder->ch_layout) < 0 || av_frame_get_buffer(frame, 0) < 0)
        return kMovieCannotCreate;
    return kMovieOk;
}

int Saver::StartEncodedStream(Track& track)
{
    track.stream = avformat_new_stream(m_ctx, nullptr);
    if (!track.stream || avcodec_parameters_from_context(track.stream->codecpar, track.encoder) < 0)
        return kMovieCannotCreate;
    track.stream->time_base = track.encoder->time_base;
    if (track.encoder->codec_type == AVMEDIA_TYPE_VIDEO) {
        track.stream->avg_frame_rate = av_inv_q(track.encoder->time_base);
        track.stream->r_frame_rate = track.stream->avg_frame_rate;
    }
    return kMovieOk;
}

int Saver::Run(int fd)
{
    if (!m_file.Attach(fd))
        return kMovieCannotCreate;
    m_ctx->pb = m_file.Io();
    m_ctx->flags |= AVFMT_FLAG_CUSTOM_IO;
    m_ctx->max_interleave_delta = 1000000;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "flipped_raw_rgb", "1", 0);   // our DIB rows run bottom-up
    int rc = avformat_write_header(m_ctx, &options) < 0 ? kMovieWriteFailed : kMovieOk;
    av_dict_free(&options);
    if (rc == kMovieOk)
        rc = WriteAll();
    if (rc == kMovieOk)
        rc = Finish();
    m_ctx->pb = nullptr;
    const bool closed = m_file.Close();
    return rc == kMovieOk && !closed ? kMovieWriteFailed : rc;
}

bool Saver::Report()
{
    const Track& lead = m_video.source ? m_video : m_audio;
    const int percent = int(uint64_t(lead.done) * 100 / std::max<uint32_t>(lead.source->Length(), 1));
    if (percent == m_percent)
        return true;
    m_percent = percent;
    return !m_progress || m_progress(percent);
}

int Saver::WriteAll()
{
    if (!m_video.source) {   // sound alone: a tenth of a second at a time
        const uint32_t step = std::max(1u, m_audio.source->Source().audio.samplesPerSec / 10);
        while (m_audio.done < m_audio.source->Length()) {
            if (!Report())
                return kMovieAborted;
            const uint32_t left = m_audio.source->Length() - m_audio.done;
            if (int rc = WriteAudioUpTo(m_audio.done + std::min(step, left)); rc != kMovieOk)
                return rc;
        }
        return Report() ? kMovieOk : kMovieAborted;
    }
    const uint32_t rate = m_audio.source ? m_audio.source->Source().audio.samplesPerSec : 0;
    const uint64_t usPerFrame = m_video.source->Source().microSecPerFrame;
    while (m_video.done < m_video.source->Length()) {
        if (!Report())
            return kMovieAborted;
        if (int rc = WriteVideoFrame(); rc != kMovieOk)
            return rc;
        if (m_audio.source) {   // the sound that plays with the pictures so far
            const uint64_t due = uint64_t(m_video.done) * usPerFrame * rate / 1000000;
            if (int rc = WriteAudioUpTo(uint32_t(std::min<uint64_t>(due, m_audio.source->Length()))); rc != kMovieOk)
                return rc;
        }
    }
    if (m_audio.source)
        if (int rc = WriteAudioUpTo(m_audio.source->Length()); rc != kMovieOk)
            return rc;
    return Report() ? kMovieOk : kMovieAborted;
}

int Saver::WriteVideoFrame()
{
    if (int rc = m_video.source->ReadFrameDib(m_video.done, m_dib); rc != kMovieOk)
        return rc;
    int rc = kMovieOk;
    if (m_video.encoder) {
        rc = FillVideoFrame(m_dib);
        if (rc == kMovieOk)
            rc = Encode(m_video, m_video.frame);
    } else {
        DibView view;
        AVPacket* pkt = av_packet_alloc();
        if (ViewPackedDib(m_dib.data(), m_dib.size(), view) != DibCheck::Ok ||
            view.bitCount != m_video.stream->codecpar->bits_per_coded_sample)
            rc = kMovieBadFile;   // the source changed depth on the way
        else if (!pkt || av_new_packet(pkt, int(view.imageBytes)) < 0)
            rc = kMovieCannotCreate;
        if (rc == kMovieOk) {
            std::memcpy(pkt->data, view.bits, view.imageBytes);
            pkt->pts = pkt->dts = m_video.done;
            pkt->duration = 1;
            pkt->flags |= AV_PKT_FLAG_KEY;
            rc = Mux(pkt, m_video, m_video.base);
        }
        av_packet_free(&pkt);
    }
    m_video.done += rc == kMovieOk;
    return rc;
}

int Saver::FillVideoFrame(const std::vector<uint8_t>& dib)
{
    DibView view;
    if (ViewPackedDib(dib.data(), dib.size(), view) != DibCheck::Ok || view.width != m_video.encoder->width ||
        view.height != m_video.encoder->height)
        return kMovieBadFile;
    std::vector<uint8_t> indexes;   // 4-bit rows widened to a byte a pixel
    const uint8_t* top = view.Row(0);
    ptrdiff_t stride = view.topDown ? ptrdiff_t(view.stride) : -ptrdiff_t(view.stride);
    if (view.bitCount == 4) {
        indexes.resize(size_t(view.width) * size_t(view.height));
        for (int32_t y = 0; y < view.height; ++y)
            for (int32_t x = 0; x < view.width; ++x)
                indexes[size_t(y) * size_t(view.width) + size_t(x)] =
                    uint8_t(view.Row(y)[x / 2] >> (x % 2 ? 0 : 4) & 0x0F);
        top = indexes.data();
        stride = view.width;
    }
    const AVPixelFormat from = PixelFormatForDib(view.bitCount);
    if (from == AV_PIX_FMT_NONE)
        return kMovieBadFormat;
    if (!m_scaler || from != m_scalerFrom) {
        sws_freeContext(m_scaler);
        m_scaler = MakeScaler(view.width, view.height, from, m_video.encoder->pix_fmt, SWS_BICUBIC);
        m_scalerFrom = from;
    }
    uint32_t palette[256];
    PaletteOf(view, palette);
    const uint8_t* src[4] = {top, reinterpret_cast<const uint8_t*>(palette), nullptr, nullptr};
    const int srcStride[4] = {int(stride), 0, 0, 0};
    AVFrame* frame = m_video.frame;
    if (!m_scaler || av_frame_make_writable(frame) < 0)
        return kMovieCannotCreate;
    if (sws_scale(m_scaler, src, srcStride, 0, view.height, frame->data, frame->linesize) != view.height)
        return kMovieBadFormat;
    frame->pts = m_video.done;
    frame->quality = m_video.encoder->global_quality;
    return kMovieOk;
}

int Saver::WriteAudioUpTo(uint32_t end)
{
    if (!m_audio.encoder) {
        if (end <= m_audio.done)
            return kMovieOk;
        AVPacket* pkt = av_packet_alloc();
        int rc = pkt ? m_audio.source->ReadSamples(m_audio.done, end - m_audio.done, m_pcm) : kMovieCannotCreate;
        if (rc == kMovieOk && av_new_packet(pkt, int(m_pcm.size())) < 0)
            rc = kMovieCannotCreate;
        if (rc == kMovieOk) {
            std::memcpy(pkt->data, m_pcm.data(), m_pcm.size());
            pkt->pts = pkt->dts = m_audio.done;
            pkt->duration = end - m_audio.done;
            pkt->flags |= AV_PKT_FLAG_KEY;
            rc = Mux(pkt, m_audio, m_audio.base);
        }
        av_packet_free(&pkt);
        m_audio.done = rc == kMovieOk ? end : m_audio.done;
        return rc;
    }
    // Whole blocks only, but the very last, which is filled out with silence.
    const uint32_t block = uint32_t(m_audio.encoder->frame_size);
    const bool last = end == m_audio.source->Length();
    while (m_audio.done + block <= end || (last && m_audio.done < end)) {
        const uint32_t count = std::min(block, end - m_audio.done);
        if (int rc = m_audio.source->ReadSamples(m_audio.done, count, m_pcm); rc != kMovieOk)
            return rc;
        if (int rc = EncodeSoundBlock(m_pcm, count); rc != kMovieOk)
            return rc;
        m_audio.done += count;
    }
    return kMovieOk;
}

int Saver::EncodeSoundBlock(const std::vector<uint8_t>& pcm, uint32_t count)
{
    AVFrame* frame = m_audio.frame;
    if (av_frame_make_writable(frame) < 0)
        return kMovieCannotCreate;
    const int channels = frame->ch_layout.nb_channels;
    const bool planar = av_sample_fmt_is_planar(AVSampleFormat(frame->format));
    const bool eightBit = m_audio.source->Source().audio.bitsPerSample == 8;
    for (int i = 0; i < frame->nb_samples; ++i) {
        for (int c = 0; c < channels; ++c) {
            const size_t at = size_t(i) * size_t(channels) + size_t(c);
            int16_t v = 0;
            if (uint32_t(i) < count)
                v = eightBit ? int16_t((pcm[at] - 128) * 256) : int16_t(pcm[at * 2] | pcm[at * 2 + 1] << 8);
            int16_t* out = reinterpret_cast<int16_t*>(frame->data[planar ? c : 0]);
            out[planar ? size_t(i) : at] = v;
        }
    }
    frame->pts = m_audio.done;
    return Encode(m_audio, frame);
}

int Saver::Encode(Track& track, const AVFrame* frame)
{
    if (avcodec_send_frame(track.encoder, frame) < 0)
        return kMovieBadFormat;
    AVPacket* pkt = av_packet_alloc();
    int rc = pkt ? kMovieOk : kMovieCannotCreate;
    while (rc == kMovieOk) {
        const int got = avcodec_receive_packet(track.encoder, pkt);
        if (got == AVERROR(EAGAIN) || got == AVERROR_EOF)
            break;
        rc = got < 0 ? kMovieBadFormat : Mux(pkt, track, track.encoder->time_base);
    }
    av_packet_free(&pkt);
    return rc;
}

int Saver::Mux(AVPacket* pkt, const Track& track, AVRational from)
{
    pkt->stream_index = track.stream->index;
    av_packet_rescale_ts(pkt, from, track.stream->time_base);
    const int rc = av_interleaved_write_frame(m_ctx, pkt);
    return rc < 0 || m_file.Failed() ? kMovieWriteFailed : kMovieOk;
}

int Saver::Finish()
{
    for (Track* t : {&m_video, &m_audio})
        if (t->encoder)
            if (int rc = Encode(*t, nullptr); rc != kMovieOk)
                return rc;
    return av_write_trailer(m_ctx) < 0 || m_file.Failed() ? kMovieWriteFailed : kMovieOk;
}

}  // namespace

int SaveMovie(const std::string& path, const std::vector<MovieStream>& streams,
              const std::vector<CompressOptions>& options, const SaveProgress& progress)
{
    Saver saver(progress);
    if (int rc = saver.Prepare(streams, options); rc != kMovieOk)
        return rc;
    int result = kMovieCannotCreate;   // stays so when no temporary file could be made
    const bool saved = velmora::WriteFileAtomically(path, [&](int fd) {
        result = saver.Run(fd);
        return result == kMovieOk;
    });
    if (saved)
        return kMovieOk;
    return result == kMovieOk ? kMovieWriteFailed : result;
}

namespace {

// The whole of an in-memory file, read from its start.
bool ReadBack(int fd, std::vector<uint8_t>& bytes)
{
    struct stat st{};
    if (::fstat(fd, &st) != 0 || st.st_size < 0)
        return false;
    bytes.resize(size_t(st.st_size));
    for (size_t done = 0; done < bytes.size();) {
        const ssize_t got = ::pread(fd, bytes.data() + done, bytes.size() - done, off_t(done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        done += size_t(got);
    }
    return true;
}

}  // namespace

int SaveMovieToMemory(const std::vector<MovieStream>& streams, const std::vector<CompressOptions>& options,
                      std::vector<uint8_t>& bytes)
{
    bytes.clear();
    const SaveProgress noProgress;   // the saver keeps a reference to it
    Saver saver(noProgress);
    if (int rc = saver.Prepare(streams, options); rc != kMovieOk)
        return rc;
    const int fd = ::memfd_create("velmora-movie", MFD_CLOEXEC);
    if (fd < 0)
        return kMovieCannotCreate;
    int rc = saver.Run(fd);
    if (rc == kMovieOk && !ReadBack(fd, bytes))
        rc = kMovieWriteFailed;
    ::close(fd);
    if (rc != kMovieOk)
        bytes.clear();
    return rc;
}

}  // namespace movie
