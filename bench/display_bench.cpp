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

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

#include "bench_util.h"
#include "vantor32.h"

namespace {

using bench::kHeight;
using bench::kWidth;

// Smooth gradients with some grain, as in a photograph.
IMG_HANDLE Picture()
{
    static IMG_HANDLE handle = [] {
        const size_t stride = DibRowBytes(kWidth, 24);
        std::vector<uint8_t> block(40 + stride * kHeight);
        BITMAPINFOHEADER h{40, kWidth, kHeight, 1, 24, BI_RGB, DWORD(stride * kHeight), 0, 0, 0, 0};
        std::memcpy(block.data(), &h, 40);
        uint32_t seed = 12345;
        for (int y = 0; y < kHeight; ++y) {
            uint8_t* p = block.data() + 40 + stride * size_t(y);
            for (int x = 0; x < kWidth; ++x, p += 3) {
                seed = seed * 1664525u + 1013904223u;
                const int grain = int(seed >> 28) - 8;
                p[0] = uint8_t(std::clamp(x * 255 / kWidth + grain, 0, 255));
                p[1] = uint8_t(std::clamp(y * 255 / kHeight + grain, 0, 255));
                p[2] = uint8_t(std::clamp(((x + y) / 16) % 256 + grain, 0, 255));
            }
        }
        IMG_HANDLE made = 0;
        IMG_create_handle(&made, reinterpret_cast<const BITMAPINFO*>(block.data()));
        return made;
    }();
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
    const std::string dir = bench::ScratchDir();
    if (access((dir + "/source.mpc").c_str(), F_OK) == 0)
        return true;
    const std::string bmp = dir + "/source.bmp";
    if (IMG_save_bitmap(Picture(), bmp.c_str(), IMG_TYPE_BMP) < 0)
        return false;
    const std::string cmd = "/usr/bin/convert '" + bmp + "' '" + dir + "/source.mpc'";
    return std::system(cmd.c_str()) == 0;
}

double ChildSeconds()
{
    rusage use{};
    getrusage(RUSAGE_CHILDREN, &use);
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) * 1e-6; };
    return seconds(use.ru_utime) + seconds(use.ru_stime);
}

void Magick(benchmark::State& state, std::string args)
{
    if (access("/usr/bin/convert", X_OK) != 0 || !MagickFiles()) {
        state.SkipWithError("ImageMagick is not installed");
        return;
    }
    const std::string cmd =
        "cd '" + bench::ScratchDir() + "' && MAGICK_THREAD_LIMIT=1 /usr/bin/convert " + args + " >/dev/null 2>&1";
    for (auto _ : state) {
        const double before = ChildSeconds();
        const int rc = std::system(cmd.c_str());
        const double used = ChildSeconds() - before;
        if (rc != 0) {
            state.SkipWithError(("convert failed: " + args).c_str());
            break;
        }
        state.SetIterationTime(used);
    }
}

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& r : runs)
            if (!r.error_occurred && r.iterations > 0) {
                const bool child = r.benchmark_name().rfind("magick/", 0) == 0;
                seconds_[r.benchmark_name()] =
                    (child ? r.real_accumulated_time : r.cpu_accumulated_time) / double(r.iterations);
            }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const double startup = Find("magick/startup");
        std::printf("\nengine time / ImageMagick time (less %.0f ms start-up):\n", startup * 1e3);
        const char* pairs[][2] = {{"engine/display_24bit_dc", "magick/export24"},
                                  {"engine/display_8bit_dc", "magick/posterize8"}};
        for (const auto& pair : pairs) {
            const double engine = Find(pair[0]), magick = Find(pair[1]) - startup;
            if (engine > 0 && magick > 0)
                std::printf("  %-24s %.2f\n", pair[0], engine / magick);
            else
                std::printf("  %-24s n/a\n", pair[0]);
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
    const auto ms = benchmark::kMillisecond;
    benchmark::RegisterBenchmark("engine/display_24bit_dc", EngineDisplay, 24)->Unit(ms);
    benchmark::RegisterBenchmark("engine/display_8bit_dc", EngineDisplay, 8)->Unit(ms);
    benchmark::RegisterBenchmark("magick/export24", Magick, std::string("source.mpc -depth 8 BGRA:/dev/null"))
        ->UseManualTime()->Unit(ms)->Iterations(3);
    benchmark::RegisterBenchmark("magick/posterize8", Magick,
                                 std::string("source.mpc +dither -posterize 8 -depth 8 BGRA:/dev/null"))
        ->UseManualTime()->Unit(ms)->Iterations(3);
    benchmark::RegisterBenchmark("magick/startup", Magick, std::string("source.mpc null:"))
        ->UseManualTime()->Unit(ms)->Iterations(3);
}

}   // namespace

int main(int argc, char** argv)
{
    Register();
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    IMG_delete_bitmap(Picture());
    const std::string cleanup = "rm -rf '" + bench::ScratchDir() + "'";
    return std::system(cleanup.c_str()) == 0 ? 0 : 1;
}
