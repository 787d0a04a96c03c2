#include "audio/wave_file.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    audio::WaveInfo info;
    if (audio::ParseWave(data, size, info) == audio::kWaveOk) {
        // What the parser hands out must lie inside what it was given.
        if (info.dataOffset > size || info.dataBytes > size - info.dataOffset)
            std::abort();
        volatile uint8_t sink = 0;
        for (size_t i = 0; i < info.dataBytes; ++i)
            sink = sink + data[info.dataOffset + i];
    }
    return 0;
}
