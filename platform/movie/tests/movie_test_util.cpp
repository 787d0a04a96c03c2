#include "movie_test_util.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace movietest {

std::string TempPath(const std::string& name)
{
    auto dir = std::filesystem::temp_directory_path() / ("velmora_movie_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    return (dir / name).string();
}

movie::VideoFormat MakeFormat(int width, int height, int bitCount, uint32_t microSecPerFrame)
{
    movie::VideoFormat f;
    f.header.biSize = sizeof(BITMAPINFOHEADER);
    f.header.biWidth = width;
    f.header.biHeight = height;
    f.header.biPlanes = 1;
    f.header.biBitCount = WORD(bitCount);
    f.header.biCompression = BI_RGB;
    f.header.biSizeImage = DWORD(DibRowBytes(width, WORD(bitCount)) * height);
    if (bitCount <= 8) {
        for (int i = 0; i < (1 << bitCount); ++i)
            f.colours.push_back(RGBQUAD{BYTE(i * 7), BYTE(255 - i), BYTE(i * 3), 0});
    }
    f.microSecPerFrame = microSecPerFrame;
    return f;
}

std::vector<uint8_t> MakeFrame(const movie::VideoFormat& format, uint32_t number)
{
    std::vector<uint8_t> bits(format.header.biSizeImage);
    for (size_t i = 0; i < bits.size(); ++i)
        bits[i] = uint8_t(i * 31 + number * 17 + (i >> 8));
    return bits;
}

Probe ProbeMovie(const std::string& path)
{
    Probe p;
    AVFormatContext* ctx = nullptr;
    if (avformat_open_input(&ctx, path.c_str(), nullptr, nullptr) < 0)
        return p;
    if (avformat_find_stream_info(ctx, nullptr) < 0) {
        avformat_close_input(&ctx);
        return p;
    }
    p.opened = true;
    int video = av_find_best_stream(ctx, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    int audio = av_find_best_stream(ctx, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (video >= 0) {
        AVStream* st = ctx->streams[video];
        p.headerFrames = st->nb_frames;
        p.frameRate = av_q2d(st->avg_frame_rate);
        p.width = st->codecpar->width;
        p.height = st->codecpar->height;
        p.bitCount = st->codecpar->bits_per_coded_sample;
    }
    if (audio >= 0) {
        AVStream* st = ctx->streams[audio];
        p.sampleRate = st->codecpar->sample_rate;
        p.channels = st->codecpar->ch_layout.nb_channels;
        // The stream header counts PCM in sample frames.
        p.audioHeaderSamples = st->nb_frames;
    }
    p.durationSeconds = ctx->duration > 0 ? double(ctx->duration) / AV_TIME_BASE : 0;
    AVPacket* pkt = av_packet_alloc();
    while (av_read_frame(ctx, pkt) >= 0) {
        if (pkt->stream_index == video)
            ++p.videoPackets;
        else if (pkt->stream_index == audio)
            p.audioBytes += pkt->size;
        av_packet_unref(pkt);
    }
    av_packet_free(&pkt);
    avformat_close_input(&ctx);
    return p;
}

bool DecodeBgr24(const std::string& path, int index, std::vector<uint8_t>& rows, int& width, int& height)
{
    AVFormatContext* ctx = nullptr;
    if (avformat_open_input(&ctx, path.c_str(), nullptr, nullptr) < 0)
        return false;
    bool ok = false;
    int video = av_find_best_stream(ctx, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const AVCodec* codec = video >= 0 ? avcodec_find_decoder(ctx->streams[video]->codecpar->codec_id) : nullptr;
    AVCodecContext* dec = codec ? avcodec_alloc_context3(codec) : nullptr;
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    if (dec && avcodec_parameters_to_context(dec, ctx->streams[video]->codecpar) >= 0 &&
        avcodec_open2(dec, codec, nullptr) >= 0) {
        int seen = 0;
        while (!ok && av_read_frame(ctx, pkt) >= 0) {
            if (pkt->stream_index == video && avcodec_send_packet(dec, pkt) >= 0) {
                while (!ok && avcodec_receive_frame(dec, frame) >= 0) {
                    if (seen++ == index) {
                        width = frame->width;
                        height = frame->height;
                        rows.assign(size_t(width) * 3 * height, 0);
                        SwsContext* sws = sws_getContext(width, height, AVPixelFormat(frame->format), width, height,
                                                         AV_PIX_FMT_BGR24, SWS_POINT, nullptr, nullptr, nullptr);
                        uint8_t* dst[1] = {rows.data()};
                        int stride[1] = {width * 3};
                        ok = sws && sws_scale(sws, frame->data, frame->linesize, 0, height, dst, stride) == height;
                        sws_freeContext(sws);
                    }
                    av_frame_unref(frame);
                }
            }
            av_packet_unref(pkt);
        }
    }
    av_frame_free(&frame);
    av_packet_free(&pkt);
    avcodec_free_context(&dec);
    avformat_close_input(&ctx);
    return ok;
}

std::vector<uint8_t> MakeRgbPicture(int width, int height, int number)
{
    std::vector<uint8_t> rgb(size_t(width) * height * 3);
    for (size_t i = 0; i < rgb.size(); ++i)
        rgb[i] = uint8_t(i * 13 + size_t(number) * 29);
    return rgb;
}

bool WriteCompressedMovie(const std::string& path, int width, int height, int frames, const char* encoder)
{
    AVFormatContext* ctx = nullptr;
    if (avformat_alloc_output_context2(&ctx, nullptr, "avi", path.c_str()) < 0)
        return false;
    const AVCodec* codec = avcodec_find_encoder_by_name(encoder);
    AVCodecContext* enc = codec ? avcodec_alloc_context3(codec) : nullptr;
    AVStream* st = avformat_new_stream(ctx, nullptr);
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    bool ok = enc && st && pkt && frame;
    if (ok) {
        enc->width = width;
        enc->height = height;
        enc->pix_fmt = codec->pix_fmts ? codec->pix_fmts[0] : AV_PIX_FMT_RGB24;
        enc->time_base = AVRational{1, 10};
        ok = avcodec_open2(enc, codec, nullptr) >= 0 && avcodec_parameters_from_context(st->codecpar, enc) >= 0;
        st->time_base = enc->time_base;
    }
    SwsContext* sws = ok ? sws_getContext(width, height, AV_PIX_FMT_RGB24, width, height, enc->pix_fmt, SWS_POINT,
                                          nullptr, nullptr, nullptr)
                         : nullptr;
    ok = ok && sws && avio_open(&ctx->pb, path.c_str(), AVIO_FLAG_WRITE) >= 0 &&
         avformat_write_header(ctx, nullptr) >= 0;
    for (int n = 0; ok && n < frames; ++n) {
        frame->format = enc->pix_fmt;
        frame->width = width;
        frame->height = height;
        ok = av_frame_get_buffer(frame, 0) >= 0;
        const auto rgb = MakeRgbPicture(width, height, n);
        const uint8_t* src[1] = {rgb.data()};
        const int srcStride[1] = {width * 3};
        ok = ok && sws_scale(sws, src, srcStride, 0, height, frame->data, frame->linesize) == height;
        frame->pts = n;
        ok = ok && avcodec_send_frame(enc, frame) >= 0;
        av_frame_unref(frame);
        while (ok && avcodec_receive_packet(enc, pkt) >= 0) {
            av_packet_rescale_ts(pkt, enc->time_base, st->time_base);
            pkt->stream_index = st->index;
            ok = av_interleaved_write_frame(ctx, pkt) >= 0;
        }
    }
    ok = ok && av_write_trailer(ctx) >= 0;
    if (ctx->pb)
        avio_closep(&ctx->pb);
    sws_freeContext(sws);
    av_frame_free(&frame);
    av_packet_free(&pkt);
    avcodec_free_context(&enc);
    avformat_free_context(ctx);
    return ok;
}

}  // namespace movietest

namespace {

// Leaves no movies behind in the temporary folder.
// and keeps the compressors' reports of their work out of the test output.
class TempCleanup : public ::testing::Environment {
public:
    void SetUp() override { av_log_set_level(AV_LOG_ERROR); }
    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::path(movietest::TempPath("x")).parent_path(), ignored);
    }
};

const auto* const kCleanup = ::testing::AddGlobalTestEnvironment(new TempCleanup);

}  // namespace
