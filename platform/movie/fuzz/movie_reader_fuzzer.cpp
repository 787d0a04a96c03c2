#include "movie/movie_reader.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    movie::MovieReader reader;
    if (reader.OpenMemory(data, size) != movie::kMovieOk)
        return 0;
    const movie::MovieInfo info = reader.Info();
    std::vector<uint8_t> dib;
    for (uint32_t index : {0u, info.frames / 2, info.frames ? info.frames - 1 : 0u}) {
        if (reader.ReadFrameDib(index, dib) != movie::kMovieOk)
            continue;
        // A frame handed out must be as large as its own header says.
        const auto* h = reinterpret_cast<const BITMAPINFOHEADER*>(dib.data());
        if (dib.size() < sizeof *h + h->biClrUsed * sizeof(RGBQUAD) + h->biSizeImage)
            std::abort();
    }
    reader.ReadAllAudio(dib);
    return 0;
}
