// Any file on the roll may reach the JPEG writer's BMP reader.
#include "jpegbmp.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    BmpInput picture;
    if (ReadBmpInput(data, size, picture) != 0)
        return 0;
    std::vector<uint8_t> rgb(size_t(picture.width) * 3);
    for (uint32_t y = 0; y < picture.height; ++y)
        BmpInputRowRgb(picture, y, rgb.data());
    return 0;
}
