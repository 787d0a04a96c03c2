// ART streams come from files the user opens; the decoder must refuse any of them cleanly.
#include "art/jgew32.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    uint8_t* dib = nullptr;
    size_t length = 0;
    if (JgDDecode(data, size, &dib, &length) == JGE_OK)
        JgDFree(dib);
    return 0;
}
