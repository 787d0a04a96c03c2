// The engine's codecs and colour reductions on a 12-megapixel picture, timed
// against ImageMagick doing the same work. ImageMagick runs as a process per
// iteration; its start-up and the read of its own pixel cache ("magick/startup") are taken off its
// times before the ratios (engine time / ImageMagick time) are printed.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

#include "bench_util.h"
#include "vantor32.h"

namespace {

using bench::kHeight;
using bench::kWidth;

std::vector<uint8_t> MakePicture(int bits)
{
    const uint32_t entries = bits <= 8 ? 1u << bits : 0, stride = DibRowBytes(kWidth, WORD(bits));
    std::vector<uint8_t> dib(40 + 4 * entries + size_t(stride) * kHeight);
    BITMAPINFOHEADER h{40, kWidth, kHeight, 1, WORD(bits), BI_RGB, stride * kHeight, 0, 0, 0, 0};
    std::memcpy(dib.data(), &h, sizeof h);
    for (uint32_t i = 0; i < entries; ++i)
        reinterpret_cast<RGBQUAD*>(dib.data() + 40)[i] = RGBQUAD{uint8_t(i), uint8_t(i * 3), uint8_t(255 - i), 0};
    uint8_t* rows = dib.data() + 40 + 4 * entries;
    uint32_t seed = 12345;
    for (int y = 0; y < kHeight; ++y)
        for (uint32_t x = 0; x < stride; ++x) {
            seed = seed * 1103515245 + 12345;
            // Smooth areas with some noise, as a photograph has.
            rows[size_t(y) * stride + x] = uint8_t((x / 7 + y / 5) + ((seed >> 16) & 7));
        }
    return dib;
}

IMG_HANDLE Handle(int bits)
{
    auto dib = MakePicture(bits);
    IMG_HANDLE h = 0;
    IMG_create_handle(&h, reinterpret_cast<const BITMAPINFO*>(dib.data()));
    return h;
}

struct Format {
    const char* name;
    int type;
    const char* ext;
};
const Format kFormats[] = {{"bmp", IMG_TYPE_BMP, "bmp"}, {"pcx", IMG_TYPE_PCX, "pcx"}, {"tga", IMG_TYPE_TARGA, "tga"}};

std::string SourceFile(const Format& f)
{
    std::string path = bench::ScratchDir() + "/source." + f.ext;
    if (access(path.c_str(), F_OK) != 0) {
        IMG_HANDLE h = Handle(24);
        IMG_save_bitmap(h, path.c_str(), uint16_t(f.type));
        IMG_delete_bitmap(h);
    }
    return path;
}

std::string CacheFile()
{
    std::string path = bench::ScratchDir() + "/source.mpc";
    if (access(path.c_str(), F_OK) != 0) {
        std::string cmd = "/usr/bin/convert '" + SourceFile(kFormats[0]) + "' '" + path + "'";
        if (std::system(cmd.c_str()) != 0)
            return "";
    }
    return path;
}

void EngineRead(benchmark::State& state, Format f)
{
    std::string path = SourceFile(f);
    for (auto _ : state) {
        IMG_HANDLE h = 0;
        if (IMG_decompress_bitmap(&h, path.c_str()) < 0) {
            state.SkipWithError("load failed");
            break;
        }
        IMG_delete_bitmap(h);
    }
}

void EngineWrite(benchmark::State& state, Format f)
{
    IMG_HANDLE h = Handle(24);
    std::string path = bench::ScratchDir() + "/written." + f.ext;
    for (auto _ : state)
        if (IMG_save_bitmap(h, path.c_str(), uint16_t(f.type)) < 0) {
            state.SkipWithError("save failed");
            break;
        }
    IMG_delete_bitmap(h);
}

void EngineReduce(benchmark::State& state, int32_t (*reduce)(IMG_HANDLE))
{
    for (auto _ : state) {
        state.PauseTiming();
        IMG_HANDLE h = Handle(24);
        state.ResumeTiming();
        int result = reduce(h);
        state.PauseTiming();
        IMG_delete_bitmap(h);
        state.ResumeTiming();
        if (result < 0) {
            state.SkipWithError("reduction not available");
            break;
        }
    }
}

void Magick(benchmark::State& state, std::string args)
{
    if (access("/usr/bin/convert", X_OK) != 0 || CacheFile().empty()) {
        state.SkipWithError("ImageMagick is not installed");
        return;
    }
    for (const Format& f : kFormats)
        SourceFile(f);
    std::string cmd = "cd '" + bench::ScratchDir() + "' && /usr/bin/convert " + args + " >/dev/null 2>&1";
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        int rc = std::system(cmd.c_str());
        auto end = std::chrono::steady_clock::now();
        if (rc != 0) {
            state.SkipWithError(("convert failed: " + args).c_str());
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
}

// Collects each benchmark's time per iteration, then prints the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& r : runs)
            if (!r.error_occurred && r.iterations > 0)
                seconds_[r.benchmark_name()] = r.real_accumulated_time / double(r.iterations);
        ConsoleReporter::ReportRuns(runs);
    }
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
            if (magick <= 0)
                std::printf("  %-22s no comparison\n", task.c_str());
            else
                std::printf("  %-22s %.2f\n", task.c_str(), engine / std::max(magick - startup, 1e-6));
        }
    }

private:
    double Find(const std::string& prefix) const
    {
        for (const auto& [name, s] : seconds_)
            if (name.rfind(prefix, 0) == 0)
                return s;
        return 0;
    }
    std::map<std::string, double> seconds_;
};

void Register()
{
    for (const Format& f : kFormats) {
        benchmark::RegisterBenchmark((std::string("engine/read_") + f.name).c_str(), EngineRead, f)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("engine/write_") + f.name).c_str(), EngineWrite, f)
            ->Unit(benchmark::kMillisecond);
        std::string ext = f.ext;
        benchmark::RegisterBenchmark((std::string("magick/read_") + f.name).c_str(), Magick,
                                     "source." + ext + " null:")
            ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
        benchmark::RegisterBenchmark((std::string("magick/write_") + f.name).c_str(), Magick,
                                     "source.mpc " + std::string(f.name == std::string("bmp") ? "BMP3:" : "") +
                                         "written_magick." + ext)
            ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
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
        benchmark::RegisterBenchmark((std::string("magick/") + r.name).c_str(), Magick,
                                     std::string("source.mpc ") + r.magick + " null:")
            ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
    }
    benchmark::RegisterBenchmark("magick/startup", Magick, std::string("source.mpc null:"))
        ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
}

}   // namespace

int main(int argc, char** argv)
{
    Register();
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::string cleanup = "rm -rf '" + bench::ScratchDir() + "'";
    return std::system(cleanup.c_str()) == 0 ? 0 : 1;
}
