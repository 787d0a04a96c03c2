#include "movie/avi_streams.h"

extern "C" {
#include <libavutil/channel_layout.h>
}

#include <cstring>

namespace movie {

AVPixelFormat PixelFormatForDib(WORD bitCount)
{
    switch (bitCount) {
    case 24: return AV_PIX_FMT_BGR24;
    case 16: return AV_PIX_FMT_RGB555LE;
    case 8:
    case 4: return AV_PIX_FMT_PAL8;
    default: return AV_PIX_FMT_NONE;
    }
}

bool VideoFormatUsable(const VideoFormat& video)
{
    const BITMAPINFOHEADER& h = video.header;
    if (h.biWidth <= 0 || h.biHeight <= 0 || h.biCompression != BI_RGB || video.microSecPerFrame == 0)
        return false;
    if (PixelFormatForDib(h.biBitCount) == AV_PIX_FMT_NONE)
        return false;
    if (DibRowBytes(h.biWidth, h.biBitCount) * uint64_t(h.biHeight) > kMaxWrittenFrameBytes)
        return false;
    if (h.biBitCount <= 8 && (video.colours.empty() || video.colours.size() > (1u << h.biBitCount)))
        return false;
    return true;
}

bool AudioFormatUsable(const AudioFormat& audio)
{
    return audio.channels >= 1 && audio.channels <= 8 && audio.samplesPerSec >= 1000 &&
           audio.samplesPerSec <= 192000 && (audio.bitsPerSample == 8 || audio.bitsPerSample == 16);
}

AVRational FrameTimeBase(uint32_t microSecPerFrame)
{
    AVRational base{1, 1};
    av_reduce(&base.num, &base.den, microSecPerFrame, 1000000, INT32_MAX);
    return base;
}

bool AddRawVideoStream(AVFormatContext* ctx, const VideoFormat& video, AVStream*& stream)
{
    const BITMAPINFOHEADER& h = video.header;
    stream = avformat_new_stream(ctx, nullptr);
    if (!stream)
        return false;
    AVCodecParameters* par = stream->codecpar;
    par->codec_type = AVMEDIA_TYPE_VIDEO;
    par->codec_id = AV_CODEC_ID_RAWVIDEO;
    par->codec_tag = 0;   // BI_RGB
    par->width = h.biWidth;
    par->height = h.biHeight;
    par->bits_per_coded_sample = h.biBitCount;
    par->format = PixelFormatForDib(h.biBitCount);
    if (h.biBitCount <= 8) {
        // The colour table goes into the stream header as it stands, padded to the full depth.
        const size_t entries = size_t(1) << h.biBitCount;
        par->extradata = static_cast<uint8_t*>(av_mallocz(entries * sizeof(RGBQUAD) + AV_INPUT_BUFFER_PADDING_SIZE));
        if (!par->extradata)
            return false;
        std::memcpy(par->extradata, video.colours.data(), video.colours.size() * sizeof(RGBQUAD));
        par->extradata_size = int(entries * sizeof(RGBQUAD));
    }
    stream->time_base = FrameTimeBase(video.microSecPerFrame);
    stream->avg_frame_rate = av_inv_q(stream->time_base);
    stream->r_frame_rate = stream->avg_frame_rate;
    return true;
}

bool AddPcmStream(AVFormatContext* ctx, const AudioFormat& audio, AVStream*& stream)
{
    stream = avformat_new_stream(ctx, nullptr);
    if (!stream)
        return false;
    AVCodecParameters* par = stream->codecpar;
    par->codec_type = AVMEDIA_TYPE_AUDIO;
    par->codec_id = audio.bitsPerSample == 8 ? AV_CODEC_ID_PCM_U8 : AV_CODEC_ID_PCM_S16LE;
    par->sample_rate = int(audio.samplesPerSec);
    av_channel_layout_default(&par->ch_layout, audio.channels);
    par->bits_per_coded_sample = audio.bitsPerSample;
    par->block_align = int(audio.channels * (audio.bitsPerSample / 8u));
    par->bit_rate = int64_t(audio.BytesPerSecond()) * 8;
    stream->time_base = av_make_q(1, int(audio.samplesPerSec));
    return true;
}

}  // namespace movie
