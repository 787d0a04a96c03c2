// Saving a recorded movie with compression: ten seconds of 640x480 at 30
// frames a second to Motion JPEG and to MPEG-4, against the ffmpeg command
// line doing the same from the same file. Both sides run on one thread at the
// same quantiser and are timed by the clock.
#include "bench_util.h"
#include "recorded_movie.h"

#include "movie/movie_save.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr uint32_t kQuality = 9000;   // quantiser 5 for both compressors
constexpr int kQuantiser = 5;

const std::string& Source() { return bench::RecordedMovie(); }

double Now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void OurSave(benchmark::State& state, uint32_t handler)
{
    const std::string target = bench::ScratchDir() + "/ours.avi";
    for (auto _ : state) {
        const double before = Now();
        std::vector<movie::MovieStream> streams;
        movie::CompressOptions options;
        options.handler = handler;
        options.quality = kQuality;
        if (Source().empty() || movie::OpenMovieStreams(Source(), streams) != movie::kMovieOk ||
            movie::SaveMovie(target, streams, {options}) != movie::kMovieOk) {
            state.SkipWithError("save failed");
            break;
        }
        state.SetIterationTime(Now() - before);
    }
}

void CommandLineSave(benchmark::State& state, const char* encoder)
{
    if (std::system("ffmpeg -version >/dev/null 2>&1") != 0 || Source().empty()) {
        state.SkipWithError("no ffmpeg command line");
        return;
    }
    const std::string command = "ffmpeg -y -loglevel error -threads 1 -i '" + Source() + "' -c:v " + encoder +
                                " -threads 1 -q:v " + std::to_string(kQuantiser) + " '" + bench::ScratchDir() +
                                "/theirs.avi'";
    for (auto _ : state) {
        const double before = Now();
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("ffmpeg failed");
            break;
        }
        state.SetIterationTime(Now() - before);
    }
}

class Ratios : public bench::RatioReporter {
public:
    Ratios() : RatioReporter(bench::Timing::kWallTime) {}
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        std::printf("\nour save time / ffmpeg command line time:\n");
        for (const char* task : {"mjpeg", "mpeg4"})
            bench::PrintRatio(task, 10, Find(std::string("ours/") + task), Find(std::string("ffmpeg/") + task));
    }
};

void Register()
{
    auto timed = [](benchmark::internal::Benchmark* b) {
        b->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
    };
    timed(benchmark::RegisterBenchmark("ours/mjpeg", OurSave, movie::FourCC('M', 'J', 'P', 'G')));
    timed(benchmark::RegisterBenchmark("ffmpeg/mjpeg", CommandLineSave, "mjpeg"));
    timed(benchmark::RegisterBenchmark("ours/mpeg4", OurSave, movie::FourCC('F', 'M', 'P', '4')));
    timed(benchmark::RegisterBenchmark("ffmpeg/mpeg4", CommandLineSave, "mpeg4"));
}

}  // namespace

int main(int argc, char** argv)
{
    Register();
    return bench::Main<Ratios>(argc, argv);
}
