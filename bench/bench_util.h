// What every benchmark of the suite shares: the picture size, the test pictures,
// a scratch folder, the engine's load and save loops, ImageMagick run as a
// process per iteration, and the reporter that prints engine / other ratios.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "vantor32.h"

namespace bench {

// 12 megapixels, the size the speed goals are stated for.
constexpr int kWidth = 4000, kHeight = 3000;

// A folder of this run's own for the files the benchmarks write and read.
const std::string& ScratchDir();
// Removes the scratch folder, if this run made one; false when that fails.
bool RemoveScratch();

// A packed kWidth x kHeight DIB of `bits` per pixel, all zero but its header.
std::vector<uint8_t> NewDib(int bits);
// Smooth areas with some noise, as a photograph has; at 8 bits and less with a
// colour table running from blue to red.
std::vector<uint8_t> NoisePicture(int bits);
// 24 bits of smooth gradients with some grain, so that diffusions and histograms
// see a spread of colours as in a photograph.
std::vector<uint8_t> GrainPicture();

IMG_HANDLE HandleOf(const std::vector<uint8_t>& dib);
// ScratchDir()/name saved as `type` from the DIB `dib()` gives, unless it is
// there already; "" when the save fails.
std::string SaveOnce(const std::string& name, int type, const std::function<std::vector<uint8_t>()>& dib);

// The engine loading `path`, once an iteration.
void TimeLoads(benchmark::State& state, const std::string& path);
// The engine saving `handle` to `path` as `type`, once an iteration.
void TimeSaves(benchmark::State& state, IMG_HANDLE handle, const std::string& path, int type);
// `operation` on a fresh picture from `make`, once an iteration; making and
// deleting the picture are not timed.
void TimeOperation(benchmark::State& state, const std::function<IMG_HANDLE()>& make,
                   int32_t (*operation)(IMG_HANDLE), const char* failure);

// How the other side is timed. kProcessorTime: ImageMagick held to one thread
// and every side timed by its processor time (ImageMagick's that of its
// process), which other work on a shared machine disturbs less. kWallTime:
// ImageMagick free to use its threads, every side timed by the clock.
enum class Timing { kProcessorTime, kWallTime };

// `convert` with ImageMagick's own pixel cache of the source, ScratchDir()/source.mpc,
// made from the file `source()` writes unless it is there; "" when that fails.
std::string MagickCache(const std::function<std::string()>& source);
// Registers `name`: three runs of `convert args` in the scratch folder, a
// process each, timed as `timing` says. `prepare` makes the files the arguments
// name; false from it, or no ImageMagick, skips the benchmark.
benchmark::internal::Benchmark* RegisterConvert(const std::string& name, const std::string& args,
                                                const std::function<bool()>& prepare,
                                                Timing timing = Timing::kProcessorTime);

// Registers `name`: three runs of the command line `command` in the scratch
// folder, a process each, every run timed by the processor time of its
// processes (a manual time). `prepare` makes the files the command names;
// false from it skips the benchmark, saying `missing`.
benchmark::internal::Benchmark* RegisterProcess(const std::string& name, const std::string& command,
                                                const std::function<bool()>& prepare, const std::string& missing);

// "%.2f" of engine / other, or `missing` when either time is unknown.
std::string Ratio(double engine, double other, const char* missing);
// "  task ratio", the task left-aligned in `width`; with `missing` null nothing
// is printed when either time is unknown.
void PrintRatio(const std::string& task, int width, double engine, double other,
                const char* missing = "no comparison");

// Collects each benchmark's time per iteration for the ratios a subclass prints
// in Finalize: ImageMagick's ("magick/...") is its manual time, the others'
// their processor time, or with kWallTime every side's wall time.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    explicit RatioReporter(Timing timing = Timing::kProcessorTime) : timing_(timing) {}
    void ReportRuns(const std::vector<Run>& runs) override;

protected:
    // Called for each run that finished without an error.
    virtual void Record(const Run& run);
    // The time of the first benchmark whose name starts with `prefix`, 0 if none.
    double Find(const std::string& prefix) const;

    std::map<std::string, double> seconds_;

private:
    Timing timing_;
};

// Runs the registered benchmarks with `Reporter` and removes the scratch
// folder; the process's exit status.
template <class Reporter>
int Main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    Reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return RemoveScratch() ? 0 : 1;
}

}  // namespace bench
