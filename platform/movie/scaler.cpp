#include "movie/scaler.h"

extern "C" {
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace movie {

namespace {

// The plain form of a format; `fullRange` says whether it was a full-range one.
// Every other form keeps the scaler's default range: the flag means something
// only for YUV, and RGB left at 0 is what stretches a full-range target.
AVPixelFormat Plain(AVPixelFormat format, int& fullRange)
{
    fullRange = 1;
    switch (format) {
    case AV_PIX_FMT_YUVJ420P: return AV_PIX_FMT_YUV420P;
    case AV_PIX_FMT_YUVJ422P: return AV_PIX_FMT_YUV422P;
    case AV_PIX_FMT_YUVJ444P: return AV_PIX_FMT_YUV444P;
    case AV_PIX_FMT_YUVJ440P: return AV_PIX_FMT_YUV440P;
    case AV_PIX_FMT_YUVJ411P: return AV_PIX_FMT_YUV411P;
    default: fullRange = 0; return format;
    }
}

}  // namespace

SwsContext* MakeScaler(int width, int height, AVPixelFormat from, AVPixelFormat to, int flags)
{
    int fromFull = 0, toFull = 0;
    const AVPixelFormat plainFrom = Plain(from, fromFull);
    const AVPixelFormat plainTo = Plain(to, toFull);
    SwsContext* scaler = sws_alloc_context();
    if (!scaler)
        return nullptr;
    // The ranges must be known when the converter is made: set afterwards,
    // an RGB to YUV converter keeps the video range it was made with.
    const bool set = av_opt_set_int(scaler, "srcw", width, 0) >= 0 && av_opt_set_int(scaler, "srch", height, 0) >= 0 &&
                     av_opt_set_int(scaler, "dstw", width, 0) >= 0 && av_opt_set_int(scaler, "dsth", height, 0) >= 0 &&
                     av_opt_set_pixel_fmt(scaler, "src_format", plainFrom, 0) >= 0 &&
                     av_opt_set_pixel_fmt(scaler, "dst_format", plainTo, 0) >= 0 &&
                     av_opt_set_int(scaler, "sws_flags", flags, 0) >= 0 &&
                     av_opt_set_int(scaler, "src_range", fromFull, 0) >= 0 &&
                     av_opt_set_int(scaler, "dst_range", toFull, 0) >= 0;
    if (!set || sws_init_context(scaler, nullptr, nullptr) < 0) {
        sws_freeContext(scaler);
        return nullptr;
    }
    return scaler;
}

}  // namespace movie
