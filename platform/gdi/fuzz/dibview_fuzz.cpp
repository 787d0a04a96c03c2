// Any bytes, as a packed DIB and as a BMP file: every row and colour the
// view hands out must lie inside the input.
#include "gdi/DibView.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    DibView view;
    volatile uint32_t sink = 0;
    for (int asFile = 0; asFile < 2; ++asFile) {
        DibCheck check = asFile ? ViewBmpFile(data, size, view) : ViewPackedDib(data, size, view);
        if (check != DibCheck::Ok)
            continue;
        for (int32_t y = 0; y < view.height; ++y) {
            const uint8_t* row = view.Row(y);
            sink = sink + row[0] + row[view.stride - 1];
        }
        for (uint32_t i = 0; i <= view.colourCount; ++i)
            sink = sink + view.Colour(i).rgbRed;
    }
    return 0;
}
