#include "recorded_movie.h"

#include "bench_util.h"
#include "movie/avi_writer.h"

#include <vector>

namespace bench {

const std::string& RecordedMovie()
{
    static const std::string path = [] {
        const std::string file = ScratchDir() + "/recorded.avi";
        movie::VideoFormat format;
        format.header.biSize = sizeof(BITMAPINFOHEADER);
        format.header.biWidth = kMovieWidth;
        format.header.biHeight = kMovieHeight;
        format.header.biPlanes = 1;
        format.header.biBitCount = 24;
        format.header.biCompression = BI_RGB;
        format.header.biSizeImage = DWORD(DibRowBytes(kMovieWidth, 24) * kMovieHeight);
        format.microSecPerFrame = kMovieMicroSecPerFrame;
        movie::AviWriter writer;
        if (writer.Open(file, format, nullptr) != movie::kMovieOk)
            return std::string();
        std::vector<uint8_t> bits(format.header.biSizeImage);
        for (int n = 0; n < kMovieFrames; ++n) {
            for (size_t i = 0; i < bits.size(); ++i)
                bits[i] = uint8_t((i / 3 % kMovieWidth) / 3 + i / (kMovieWidth * 3) / 2 + size_t(n) * 2 +
                                  (i * 2654435761u >> 28));
            writer.WriteVideoFrame(bits.data(), bits.size());
        }
        return writer.Close() == movie::kMovieOk ? file : std::string();
    }();
    return path;
}

}  // namespace bench
