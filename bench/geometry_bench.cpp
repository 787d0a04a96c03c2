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
#include <string>

#include "bench_util.h"
#include "vantor32.h"

namespace {

constexpr int kResizeWidth = 3000, kResizeHeight = 2250;

const std::string& SourceFile()
{
    static const std::string path =
        bench::SaveOnce("source.bmp", IMG_TYPE_BMP, [] { return bench::NoisePicture(24); });
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
    auto load = [] {
        IMG_HANDLE h = 0;
        IMG_decompress_bitmap(&h, SourceFile().c_str());
        return h;
    };
    bench::TimeOperation(state, load, operation, "operation failed");
}

class Ratios : public bench::RatioReporter {
public:
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        std::printf("\nengine CPU time / ImageMagick CPU time, file to file:\n");
        for (const char* task : {"rotate90", "resize"})
            bench::PrintRatio(task, 10, Find(std::string("engine/") + task + "_file"),
                              Find(std::string("magick/") + task + "_file"));
    }
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
        bench::RegisterConvert(std::string("magick/") + t.name + "_file",
                               "source.bmp " + t.magick + " BMP3:magick_out.bmp",
                               [] {
                                   SourceFile();
                                   return true;
                               });
    }
}

}   // namespace

int main(int argc, char** argv)
{
    Register();
    return bench::Main<Ratios>(argc, argv);
}
