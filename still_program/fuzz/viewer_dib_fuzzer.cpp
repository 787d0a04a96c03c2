// The viewer reads whatever picture file it is handed.
#include "ViewerDib.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ViewerDib dib;
    if (ParseViewerDib(data, size, dib) == 0)
        (void)ViewerDibPixels(dib);
    return 0;
}
