// Exports whose operations belong to codecs and operations not built yet: they
// check the handle and answer -6 (unsupported) until their units land.
#include <algorithm>

#include "engine.h"

using namespace vantor;

namespace {
int Pending(IMG_HANDLE handle)
{
    return Lookup(handle) ? IMG_ERR_UNSUPPORTED : IMG_ERR_HANDLE;
}
}   // namespace

extern "C" {
int32_t IMG_flip_bitmapx(IMG_HANDLE h) { return Pending(h); }
int32_t IMG_flip_bitmapy(IMG_HANDLE h) { return Pending(h); }
int32_t IMG_rotate_bitmap(IMG_HANDLE h, uint16_t) { return Pending(h); }
int32_t IMG_resize_bitmap(IMG_HANDLE h, uint16_t, int16_t) { return Pending(h); }
int32_t IMG_invert_bitmap(IMG_HANDLE h) { return Pending(h); }
int32_t IMG_set_lut(IMG_HANDLE h, int32_t, int32_t) { return Pending(h); }
int32_t IMG_sharpen_bitmap(IMG_HANDLE h, int16_t) { return Pending(h); }

}
