// The engine's codecs and colour reductions on a 12-megapixel picture, timed
// against ImageMagick doing the same work. ImageMagick runs as a process per
// iteration; its start-up and the read of its own pixel cache ("magick/startup") are taken off its
// times before the ratios (engine time / ImageMagick time) are printed.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "bench_util.h"
#include "vantor32.h"

namespace {

IMG_HANDLE Handle(int bits)
{
    return bench::HandleOf(bench::NoisePicture(bits));
}

struct Format {
    const char* name;
    int type;
    const char* ext;
};
const Format kFormats[] = {{"bmp", IMG_TYPE_BMP, "bmp"}, {"pcx", IMG_TYPE_PCX, "pcx"}, {"tga", IMG_TYPE_TARGA, "tga"}};

std::string SourceFile(const Format& f)
{
    return bench::SaveOnce(std::string("source.") + f.ext, f.type, [] { return bench::NoisePicture(24); });
}

// ImageMagick's pixel cache of the source and the source in every format.
bool MagickFiles()
{
    if (bench::MagickCache([] { return SourceFile(kFormats[0]); }).empty())
        return false;
    for (const Format& f : kFormats)
        SourceFile(f);
    return true;
}

void EngineRead(benchmark::State& state, Format f)
{
    bench::TimeLoads(state, SourceFile(f));
}

void EngineWrite(benchmark::State& state, Format f)
{
    IMG_HANDLE h = Handle(24);
    bench::TimeSaves(state, h, bench::ScratchDir() + "/written." + f.ext, f.type);
    IMG_delete_bitmap(h);
}

void EngineReduce(benchmark::State& state, int32_t (*reduce)(IMG_HANDLE))
{
    bench::TimeOperation(state, [] { return Handle(24); }, reduce, "reduction not available");
}

// Times here are wall times, ImageMagick's with all its threads.
class Ratios : public bench::RatioReporter {
public:
    Ratios() : RatioReporter(bench::Timing::kWallTime) {}
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        double startup = Find("magick/startup");
        std::printf("\nengine time / ImageMagick time (ImageMagick less %.0f ms start-up):\n", startup * 1e3);
        for (const auto& [name, engine] : seconds_) {
            if (name.rfind("engine/", 0) != 0)
                continue;
            std::string task = name.substr(7);
            double magick = Find("magick/" + task);
            bench::PrintRatio(task, 22, engine, magick > 0 ? std::max(magick - startup, 1e-6) : 0);
        }
    }
};

void Register()
{
    const auto wall = bench::Timing::kWallTime;
    for (const Format& f : kFormats) {
        benchmark::RegisterBenchmark((std::string("engine/read_") + f.name).c_str(), EngineRead, f)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("engine/write_") + f.name).c_str(), EngineWrite, f)
            ->Unit(benchmark::kMillisecond);
        std::string ext = f.ext;
        bench::RegisterConvert(std::string("magick/read_") + f.name, "source." + ext + " null:", MagickFiles, wall);
        bench::RegisterConvert(std::string("magick/write_") + f.name,
                               "source.mpc " + std::string(f.name == std::string("bmp") ? "BMP3:" : "") +
                                   "written_magick." + ext,
                               MagickFiles, wall);
    }
    struct Reduction {
        const char* name;
        int32_t (*run)(IMG_HANDLE);
        const char* magick;
    };
    const Reduction reductions[] = {
        {"gray", IMG_color_gray, "-colorspace gray -depth 8"},
        {"bayer", IMG_bayer_mono, "-colorspace gray -ordered-dither o8x8 -monochrome"},
        {"halftone", IMG_halftone_mono, "-colorspace gray -ordered-dither h8x8a -monochrome"},
        {"diffusion", IMG_diffusion_mono, "-dither FloydSteinberg -monochrome"},
        {"bayer_color", IMG_bayer_color, "-ordered-dither o8x8,2"},
        {"diffusion_color", IMG_diffusion_color, "-dither FloydSteinberg -posterize 2"},
        {"popularity", IMG_popularity_color, "+dither -colors 256"},
        {"mediancut", IMG_mediancut_color, "-dither FloydSteinberg -posterize 8"},
    };
    for (const Reduction& r : reductions) {
        benchmark::RegisterBenchmark((std::string("engine/") + r.name).c_str(), EngineReduce, r.run)
            ->Unit(benchmark::kMillisecond);
        bench::RegisterConvert(std::string("magick/") + r.name, std::string("source.mpc ") + r.magick + " null:",
                               MagickFiles, wall);
    }
    bench::RegisterConvert("magick/startup", "source.mpc null:", MagickFiles, wall);
}

}   // namespace

int main(int argc, char** argv)
{
    Register();
    return bench::Main<Ratios>(argc, argv);
}
