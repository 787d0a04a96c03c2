// Picture conversions between our DIB rows and a codec's pixel format.
#pragma once

extern "C" {
#include <libavutil/pixfmt.h>
}

struct SwsContext;

namespace movie {

// A new converter from `from` to `to` at one size (sws_freeContext it), or
// null. The full-range JPEG forms of YUV are asked for as their plain forms
// with the range set before the converter is made, which is how the scaler
// wants them: the colours keep their whole range and nothing is printed on
// the user's terminal.
SwsContext* MakeScaler(int width, int height, AVPixelFormat from, AVPixelFormat to, int flags);

}  // namespace movie
