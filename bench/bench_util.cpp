#include "bench_util.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sys/resource.h>
#include <unistd.h>

namespace bench {

namespace {

const char kConvert[] = "/usr/bin/convert";

struct Scratch {
    std::string dir;
    bool made = false;
};

const Scratch& TheScratch()
{
    static const Scratch scratch = [] {
        char name[] = "/tmp/velmora_bench_XXXXXX";
        const char* made = mkdtemp(name);
        return made ? Scratch{made, true} : Scratch{"/tmp", false};
    }();
    return scratch;
}

// Processor time of every finished child process so far.
double ChildSeconds()
{
    rusage use{};
    getrusage(RUSAGE_CHILDREN, &use);
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) * 1e-6; };
    return seconds(use.ru_utime) + seconds(use.ru_stime);
}

double WallSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Runs `command` once an iteration; the iteration's time is what `timing` says.
void TimeCommand(benchmark::State& state, const std::string& command, const std::string& failure, Timing timing)
{
    const auto now = timing == Timing::kWallTime ? WallSeconds : ChildSeconds;
    for (auto _ : state) {
        const double before = now();
        const int rc = std::system(command.c_str());
        const double used = now() - before;
        if (rc != 0) {
            state.SkipWithError(failure.c_str());
            break;
        }
        state.SetIterationTime(used);
    }
}

}  // namespace

const std::string& ScratchDir()
{
    return TheScratch().dir;
}

bool RemoveScratch()
{
    // Where no folder of its own could be made the run wrote into /tmp, which stays.
    if (!TheScratch().made)
        return true;
    std::error_code error;
    std::filesystem::remove_all(TheScratch().dir, error);
    return !error;
}

std::vector<uint8_t> NewDib(int bits)
{
    const uint32_t entries = bits <= 8 ? 1u << bits : 0, stride = uint32_t(DibRowBytes(kWidth, WORD(bits)));
    std::vector<uint8_t> dib(40 + 4 * entries + size_t(stride) * kHeight);
    BITMAPINFOHEADER h{40, kWidth, kHeight, 1, WORD(bits), BI_RGB, stride * kHeight, 0, 0, 0, 0};
    std::memcpy(dib.data(), &h, sizeof h);
    return dib;
}

std::vector<uint8_t> NoisePicture(int bits)
{
    std::vector<uint8_t> dib = NewDib(bits);
    const uint32_t entries = bits <= 8 ? 1u << bits : 0, stride = uint32_t(DibRowBytes(kWidth, WORD(bits)));
    for (uint32_t i = 0; i < entries; ++i)
        reinterpret_cast<RGBQUAD*>(dib.data() + 40)[i] = RGBQUAD{uint8_t(i), uint8_t(i * 3), uint8_t(255 - i), 0};
    uint8_t* rows = dib.data() + 40 + 4 * entries;
    uint32_t seed = 12345;
    for (int y = 0; y < kHeight; ++y)
        for (uint32_t x = 0; x < stride; ++x) {
            seed = seed * 1103515245 + 12345;
            rows[size_t(y) * stride + x] = uint8_t((x / 7 + y / 5) + ((seed >> 16) & 7));
        }
    return dib;
}

std::vector<uint8_t> GrainPicture()
{
    std::vector<uint8_t> dib = NewDib(24);
    const size_t stride = DibRowBytes(kWidth, 24);
    uint32_t seed = 12345;
    for (int y = 0; y < kHeight; ++y) {
        uint8_t* p = dib.data() + 40 + stride * size_t(y);
        for (int x = 0; x < kWidth; ++x, p += 3) {
            seed = seed * 1664525u + 1013904223u;
            const int grain = int(seed >> 28) - 8;
            p[0] = uint8_t(std::clamp(x * 255 / kWidth + grain, 0, 255));
            p[1] = uint8_t(std::clamp(y * 255 / kHeight + grain, 0, 255));
            p[2] = uint8_t(std::clamp(((x + y) / 16) % 256 + grain, 0, 255));
        }
    }
    return dib;
}

IMG_HANDLE HandleOf(const std::vector<uint8_t>& dib)
{
    IMG_HANDLE handle = 0;
    IMG_create_handle(&handle, reinterpret_cast<const BITMAPINFO*>(dib.data()));
    return handle;
}

std::string SaveOnce(const std::string& name, int type, const std::function<std::vector<uint8_t>()>& dib)
{
    const std::string path = ScratchDir() + "/" + name;
    if (access(path.c_str(), F_OK) == 0)
        return path;
    IMG_HANDLE h = HandleOf(dib());
    const int32_t result = IMG_save_bitmap(h, path.c_str(), uint16_t(type));
    IMG_delete_bitmap(h);
    return result < 0 ? std::string() : path;
}

void TimeLoads(benchmark::State& state, const std::string& path)
{
    for (auto _ : state) {
        IMG_HANDLE h = 0;
        if (IMG_decompress_bitmap(&h, path.c_str()) < 0) {
            state.SkipWithError("load failed");
            break;
        }
        IMG_delete_bitmap(h);
    }
}

void TimeSaves(benchmark::State& state, IMG_HANDLE handle, const std::string& path, int type)
{
    for (auto _ : state)
        if (IMG_save_bitmap(handle, path.c_str(), uint16_t(type)) < 0) {
            state.SkipWithError("save failed");
            break;
        }
}

void TimeOperation(benchmark::State& state, const std::function<IMG_HANDLE()>& make,
                   int32_t (*operation)(IMG_HANDLE), const char* failure)
{
    for (auto _ : state) {
        state.PauseTiming();
        IMG_HANDLE h = make();
        state.ResumeTiming();
        const int32_t result = operation(h);
        state.PauseTiming();
        IMG_delete_bitmap(h);
        state.ResumeTiming();
        if (result < 0) {
            state.SkipWithError(failure);
            break;
        }
    }
}

std::string MagickCache(const std::function<std::string()>& source)
{
    const std::string path = ScratchDir() + "/source.mpc";
    if (access(path.c_str(), F_OK) == 0)
        return path;
    const std::string from = source();
    if (from.empty())
        return "";
    const std::string cmd = std::string(kConvert) + " '" + from + "' '" + path + "'";
    return std::system(cmd.c_str()) == 0 ? path : "";
}

benchmark::internal::Benchmark* RegisterConvert(const std::string& name, const std::string& args,
                                                const std::function<bool()>& prepare, Timing timing)
{
    auto run = [args, prepare, timing](benchmark::State& state) {
        if (access(kConvert, X_OK) != 0 || !prepare()) {
            state.SkipWithError("ImageMagick is not installed");
            return;
        }
        const std::string limit = timing == Timing::kProcessorTime ? "MAGICK_THREAD_LIMIT=1 " : "";
        const std::string cmd =
            "cd '" + ScratchDir() + "' && " + limit + kConvert + " " + args + " >/dev/null 2>&1";
        TimeCommand(state, cmd, "convert failed: " + args, timing);
    };
    return benchmark::RegisterBenchmark(name.c_str(), run)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
}

benchmark::internal::Benchmark* RegisterProcess(const std::string& name, const std::string& command,
                                                const std::function<bool()>& prepare, const std::string& missing)
{
    auto run = [command, prepare, missing](benchmark::State& state) {
        if (!prepare()) {
            state.SkipWithError(missing.c_str());
            return;
        }
        TimeCommand(state, "cd '" + ScratchDir() + "' && " + command + " >/dev/null 2>&1", "failed: " + command,
                    Timing::kProcessorTime);
    };
    return benchmark::RegisterBenchmark(name.c_str(), run)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
}

std::string Ratio(double engine, double other, const char* missing)
{
    if (engine <= 0 || other <= 0)
        return missing;
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", engine / other);
    return text;
}

void PrintRatio(const std::string& task, int width, double engine, double other, const char* missing)
{
    if (!missing && (engine <= 0 || other <= 0))
        return;
    std::printf("  %-*s %s\n", width, task.c_str(), Ratio(engine, other, missing ? missing : "").c_str());
}

void RatioReporter::ReportRuns(const std::vector<Run>& runs)
{
    for (const Run& r : runs)
        if (!r.error_occurred && r.iterations > 0)
            Record(r);
    ConsoleReporter::ReportRuns(runs);
}

void RatioReporter::Record(const Run& run)
{
    // ImageMagick's time, taken by hand, is its manual time.
    const bool manual = timing_ == Timing::kWallTime || run.benchmark_name().rfind("magick/", 0) == 0;
    seconds_[run.benchmark_name()] =
        (manual ? run.real_accumulated_time : run.cpu_accumulated_time) / double(run.iterations);
}

double RatioReporter::Find(const std::string& prefix) const
{
    for (const auto& [name, s] : seconds_)
        if (name.rfind(prefix, 0) == 0)
            return s;
    return 0;
}

}  // namespace bench
