// Camera frames of any claimed size against the bytes that arrived.
#include "Convert16.h"
#include "Memalloc.h"

#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 8)
        return 0;
    int32_t width, height;
    std::memcpy(&width, data, 4);
    std::memcpy(&height, data + 4, 4);
    // Keep the fuzzer on plausible pictures rather than gigabyte allocations.
    width %= 2048;
    height %= 2048;
    DWORD bytes = 0;
    if (void* bmp = ConvertFrame16To24(data + 8, size - 8, width, height, bytes))
        MemFreeHuge(bmp, bytes);
    return 0;
}
