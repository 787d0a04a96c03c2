// A quarter turn and a resize of a 12-megapixel 24-bit BMP, file to file, against
// ImageMagick doing the same work on one core.
//
// What is compared: each side reads the same BMP file, applies the operation and
// writes a BMP file. The engine's time covers load, operation and save in this
// process; ImageMagick's covers the whole `convert` command (process start-up,
// read, operation, write) with MAGICK_THREAD_LIMIT=1. Both resizes pick nearest
// pixels (`-sample`). The times compared are CPU times (user + system; for
// ImageMagick those of the child process), so that other work on a shared
// machine does not tilt the ratios. The printed ratios are engine CPU time /
// ImageMagick CPU time; "engine/..._only" times the operation alone on a picture
// already loaded.
#include <benchmark/benchmark.h>

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

constexpr int kResizeWidth = 3000, kResizeHeight = 2250;
const char kConvert[] = "/usr/bin/convert";

IMG_HANDLE MakePicture()
{
    const uint32_t stride = uint32_t(DibRowBytes(kWidth, 24));
    std::vector<uint8_t> dib(40 + size_t(stride) * kHeight);
    BITMAPINFOHEADER h{40, kWidth, kHeight, 1, 24, BI_RGB, stride * kHeight, 0, 0, 0, 0};
    std::memcpy(dib.data(), &h, sizeof h);
    uint8_t* rows = dib.data() + 40;
    uint32_t seed = 12345;
    for (int y = 0; y < kHeight; ++y)
        for (uint32_t x = 0; x < stride; ++x) {
            seed = seed * 1103515245 + 12345;
            rows[size_t(y) * stride + x] = uint8_t((x / 7 + y / 5) + ((seed >> 16) & 7));
        }
    IMG_HANDLE handle = 0;
    IMG_create_handle(&handle, reinterpret_cast<const BITMAPINFO*>(dib.data()));
    return handle;
}

const std::string& SourceFile()
{
    static const std::string path = [] {
        std::string p = bench::ScratchDir() + "/source.bmp";
        IMG_HANDLE h = MakePicture();
        IMG_save_bitmap(h, p.c_str(), IMG_TYPE_BMP);
        IMG_delete_bitmap(h);
        return p;
    }();
    return path;
}

using Operation = int32_t (*)(IMG_HANDLE);

int32_t Rotate90(IMG_HANDLE h) { return IMG_rotate_bitmap(h, 90); }
int32_t Resize(IMG_HANDLE h) { return IMG_resize_bitmap(h, kResizeWidth, kResizeHeight); }

void EngineFileToFile(benchmark::State& state, Operation operation)
{
    const std::string out = bench::ScratchDir() + "/engine_out.bmp";
    for (auto _ : state) {
        IMG_HANDLE h = 0;
        if (IMG_decompress_bitmap(&h, SourceFile().c_str()) < 0 || operation(h) < 0 ||
            IMG_save_bitmap(h, out.c_str(), IMG_TYPE_BMP) < 0) {
            state.SkipWithError("engine failed");
            break;
        }
        IMG_delete_bitmap(h);
    }
}

void EngineOnly(benchmark::State& state, Operation operation)
{
    for (auto _ : state) {
        state.PauseTiming();
        IMG_HANDLE h = 0;
        IMG_decompress_bitmap(&h, SourceFile().c_str());
        state.ResumeTiming();
        int result = operation(h);
        state.PauseTiming();
        IMG_delete_bitmap(h);
        state.ResumeTiming();
        if (result < 0) {
            state.SkipWithError("operation failed");
            break;
        }
    }
}

// User and system time of the child processes that have ended.
double ChildrenCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) * 1e-6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void Magick(benchmark::State& state, std::string options)
{
    if (access(kConvert, X_OK) != 0) {
        state.SkipWithError("ImageMagick is not installed");
        return;
    }
    const std::string cmd = "MAGICK_THREAD_LIMIT=1 " + std::string(kConvert) + " '" + SourceFile() + "' " +
                            options + " BMP3:'" + bench::ScratchDir() + "/magick_out.bmp' >/dev/null 2>&1";
    for (auto _ : state) {
        const double start = ChildrenCpuSeconds();
        int rc = std::system(cmd.c_str());
        const double end = ChildrenCpuSeconds();
        if (rc != 0) {
            state.SkipWithError(("convert failed: " + options).c_str());
            break;
        }
        state.SetIterationTime(end - start);
    }
}

// Collects each benchmark's time per iteration, then prints the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& r : runs)
            if (!r.error_occurred && r.iterations > 0)
                seconds_[r.benchmark_name()] =
                    (r.run_name.str().rfind("magick/", 0) == 0 ? r.real_accumulated_time : r.cpu_accumulated_time) / double(r.iterations);
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        std::printf("\nengine CPU time / ImageMagick CPU time, file to file:\n");
        for (const char* task : {"rotate90", "resize"}) {
            double engine = Find(std::string("engine/") + task + "_file"),
                   magick = Find(std::string("magick/") + task + "_file");
            if (engine <= 0 || magick <= 0)
                std::printf("  %-10s no comparison\n", task);
            else
                std::printf("  %-10s %.2f\n", task, engine / magick);
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
    struct Task {
        const char* name;
        Operation operation;
        std::string magick;
    };
    const Task tasks[] = {
        {"rotate90", Rotate90, "-rotate 90"},
        {"resize", Resize, "-sample " + std::to_string(kResizeWidth) + "x" + std::to_string(kResizeHeight) + "!"},
    };
    for (const Task& t : tasks) {
        benchmark::RegisterBenchmark((std::string("engine/") + t.name + "_file").c_str(), EngineFileToFile, t.operation)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("engine/") + t.name + "_only").c_str(), EngineOnly, t.operation)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("magick/") + t.name + "_file").c_str(), Magick, t.magick)
            ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
    }
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
