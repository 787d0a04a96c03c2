// The display path on a 12-megapixel 24-bit picture: drawn 1:1 into a 24-bit
// memory DC, and into an 8-bit one (the 3-3-2 cube path), against ImageMagick
// (a process per iteration, held to one thread) turning the same picture into
// a 32-bit pixel raster: "export24" exports its pixels as BGRA, "posterize8"
// first cuts each channel to 8 levels without dithering (the engine's cube has
// 8, 8 and 4), as the 3-3-2 index cuts bits. Both sides end with every pixel in
// a 32-bit raster. (A true remap onto the cube, "+dither -remap cube.gif", is a
// nearest-colour search that takes ImageMagick some 12 s: no fair match.) ImageMagick's start-up and the read of its own pixel cache
// ("magick/startup") are taken off its times before the ratios (engine time /
// ImageMagick time) are printed; times are processor time, ImageMagick's that of
// its process.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "bench_util.h"
#include "vantor32.h"

namespace {

using bench::kHeight;
using bench::kWidth;

IMG_HANDLE Picture()
{
    static IMG_HANDLE handle = bench::HandleOf(bench::GrainPicture());
    return handle;
}

void EngineDisplay(benchmark::State& state, int deviceBits)
{
    HDC dc = GdiCreateMemoryDC(deviceBits, kWidth, kHeight);
    for (auto _ : state)
        if (IMG_display_bitmap(Picture(), dc, 0, 0, kWidth, kHeight) < 0) {
            state.SkipWithError("display failed");
            break;
        }
    DeleteDC(dc);
    state.SetItemsProcessed(state.iterations() * int64_t(kWidth) * kHeight);
}

// The source as ImageMagick's own pixel cache.
bool MagickFiles()
{
    return !bench::MagickCache([] { return bench::SaveOnce("source.bmp", IMG_TYPE_BMP, bench::GrainPicture); })
                .empty();
}

class Ratios : public bench::RatioReporter {
public:
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const double startup = Find("magick/startup");
        std::printf("\nengine time / ImageMagick time (less %.0f ms start-up):\n", startup * 1e3);
        const char* pairs[][2] = {{"engine/display_24bit_dc", "magick/export24"},
                                  {"engine/display_8bit_dc", "magick/posterize8"}};
        for (const auto& pair : pairs)
            bench::PrintRatio(pair[0], 24, Find(pair[0]), Find(pair[1]) - startup, "n/a");
    }
};

void Register()
{
    const auto ms = benchmark::kMillisecond;
    benchmark::RegisterBenchmark("engine/display_24bit_dc", EngineDisplay, 24)->Unit(ms);
    benchmark::RegisterBenchmark("engine/display_8bit_dc", EngineDisplay, 8)->Unit(ms);
    bench::RegisterConvert("magick/export24", "source.mpc -depth 8 BGRA:/dev/null", MagickFiles);
    bench::RegisterConvert("magick/posterize8", "source.mpc +dither -posterize 8 -depth 8 BGRA:/dev/null",
                           MagickFiles);
    bench::RegisterConvert("magick/startup", "source.mpc null:", MagickFiles);
}

}   // namespace

int main(int argc, char** argv)
{
    Register();
    const int status = bench::Main<Ratios>(argc, argv);
    IMG_delete_bitmap(Picture());
    return status;
}
