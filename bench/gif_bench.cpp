// GIF read and write of a 12-megapixel 8-bit picture: the engine against giflib
// (in this process) and ImageMagick (a process per iteration, held to one
// thread). Every side reads the same file into one byte or less per pixel, and
// writes the same pixels with the same 256-entry colour table. ImageMagick's
// start-up and the read of its own pixel cache ("magick/startup") are taken off
// its times before the ratios (engine time / other time) are printed. Times are
// processor time, ImageMagick's that of its process, so that other work on a
// shared machine does not tilt the ratios.
#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench_util.h"
#include "vantor32.h"

namespace {

using bench::kHeight;
using bench::kWidth;

// A packed 8-bit DIB: smooth areas with some noise, as a reduced photograph has.
const std::vector<uint8_t>& Picture()
{
    static const std::vector<uint8_t> dib = bench::NoisePicture(8);
    return dib;
}

std::string SourceFile()
{
    return bench::SaveOnce("source.gif", IMG_TYPE_GIF, Picture);
}

void EngineRead(benchmark::State& state)
{
    bench::TimeLoads(state, SourceFile());
}

void EngineWrite(benchmark::State& state)
{
    IMG_HANDLE h = bench::HandleOf(Picture());
    bench::TimeSaves(state, h, bench::ScratchDir() + "/written.gif", IMG_TYPE_GIF);
    IMG_delete_bitmap(h);
}

void GiflibRead(benchmark::State& state)
{
    std::string path = SourceFile();
    for (auto _ : state) {
        int error = 0;
        GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
        if (!gif || DGifSlurp(gif) != GIF_OK) {
            state.SkipWithError("giflib could not read the file");
            if (gif)
                DGifCloseFile(gif, &error);
            break;
        }
        benchmark::DoNotOptimize(gif->SavedImages[0].RasterBits);
        DGifCloseFile(gif, &error);
    }
}

void GiflibWrite(benchmark::State& state)
{
    const auto& dib = Picture();
    const auto* table = reinterpret_cast<const RGBQUAD*>(dib.data() + 40);
    GifColorType colours[256];
    for (int i = 0; i < 256; ++i)
        colours[i] = GifColorType{table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue};
    const uint8_t* rows = dib.data() + 40 + 1024;
    const uint32_t stride = DibRowBytes(kWidth, 8);
    std::string path = bench::ScratchDir() + "/written_giflib.gif";
    for (auto _ : state) {
        int error = 0;
        GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
        ColorMapObject* map = GifMakeMapObject(256, colours);
        bool ok = gif && map && EGifPutScreenDesc(gif, kWidth, kHeight, 8, 0, map) == GIF_OK &&
                  EGifPutImageDesc(gif, 0, 0, kWidth, kHeight, false, nullptr) == GIF_OK;
        // The DIB's rows run bottom-up; giflib takes them top row first, as the engine does.
        for (int y = 0; ok && y < kHeight; ++y)
            ok = EGifPutLine(gif, const_cast<GifPixelType*>(rows + size_t(kHeight - 1 - y) * stride), kWidth) == GIF_OK;
        GifFreeMapObject(map);
        if (gif)
            ok = EGifCloseFile(gif, &error) == GIF_OK && ok;
        if (!ok) {
            state.SkipWithError("giflib could not write the file");
            break;
        }
    }
}

bool CacheFile()
{
    return !bench::MagickCache(SourceFile).empty();
}

class Ratios : public bench::RatioReporter {
public:
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const double startup = Find("magick/startup");
        std::printf("\nengine time / other time (ImageMagick less %.0f ms start-up):\n", startup * 1e3);
        for (const char* task : {"read_gif", "write_gif"}) {
            const double engine = Find(std::string("engine/") + task);
            const double giflib = Find(std::string("giflib/") + task);
            const double magick = Find(std::string("magick/") + task) - startup;
            std::printf("  %-10s giflib %s  ImageMagick %s\n", task, bench::Ratio(engine, giflib, "n/a ").c_str(),
                        bench::Ratio(engine, magick, "n/a ").c_str());
        }
    }
};

void Register()
{
    auto ms = benchmark::kMillisecond;
    benchmark::RegisterBenchmark("engine/read_gif", EngineRead)->Unit(ms);
    benchmark::RegisterBenchmark("giflib/read_gif", GiflibRead)->Unit(ms);
    benchmark::RegisterBenchmark("engine/write_gif", EngineWrite)->Unit(ms);
    benchmark::RegisterBenchmark("giflib/write_gif", GiflibWrite)->Unit(ms);
    bench::RegisterConvert("magick/read_gif", "source.gif null:", CacheFile);
    bench::RegisterConvert("magick/write_gif", "source.mpc written_magick.gif", CacheFile);
    bench::RegisterConvert("magick/startup", "source.mpc null:", CacheFile);
}

}   // namespace

int main(int argc, char** argv)
{
    Register();
    return bench::Main<Ratios>(argc, argv);
}
