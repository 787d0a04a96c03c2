// Playing a saved movie back: ten seconds of 640x480 at 30 frames a second in
// Motion JPEG and in MPEG-4, through the playback window's logic on the real
// clock, each picture turned into the image the widget paints. Reports the
// processor time used as a share of one core (goal: under 25 %) and the
// pictures passed over because they came too late (goal: none).
#include "bench_util.h"
#include "recorded_movie.h"

#include "framework/Messages.h"
#include "movie/movie_save.h"
#include "movie/playback_widget.h"
#include "movie/playback_window.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <map>

namespace {

constexpr double kCoreShareGoal = 25.0;   // percent of one core

double WallSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double ProcessorSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// The recorded movie saved once with `handler`; "" when that fails.
std::string Compressed(uint32_t handler)
{
    static std::map<uint32_t, std::string> saved;
    auto it = saved.find(handler);
    if (it != saved.end())
        return it->second;
    std::string path = bench::ScratchDir() + "/playback_" + std::to_string(handler) + ".avi";
    std::vector<movie::MovieStream> streams;
    movie::CompressOptions options;
    options.handler = handler;
    if (bench::RecordedMovie().empty() || movie::OpenMovieStreams(bench::RecordedMovie(), streams) != movie::kMovieOk ||
        movie::SaveMovie(path, streams, {options}) != movie::kMovieOk)
        path.clear();
    return saved[handler] = path;
}

void Playback(benchmark::State& state, uint32_t handler)
{
    const std::string path = Compressed(handler);
    for (auto _ : state) {
        movie::PlaybackWindow window;
        window.Create(nullptr, POINT{0, 0});
        if (path.empty() || window.Open(path) != movie::kMovieOk) {
            state.SkipWithError("no movie to play");
            break;
        }
        uint64_t pictures = 0, serial = window.PictureSerial();
        // The longest wait between two pictures: a drop that comes with a wait of
        // several frames is the machine not running the thread, not the decoding.
        double lastPicture = WallSeconds(), longestGap = 0;
        window.onChanged = [&] {
            if (window.PictureSerial() == serial)
                return;
            serial = window.PictureSerial();
            const double now = WallSeconds();
            longestGap = std::max(longestGap, now - lastPicture);
            lastPicture = now;
            const std::vector<uint8_t>& dib = window.Picture();
            if (!movie::DibToImage(dib.data(), dib.size()).isNull())
                ++pictures;
        };
        const double wall = WallSeconds(), processor = ProcessorSeconds();
        lastPicture = wall;
        window.Play();
        RunModalLoop([&] { return window.Mode() != movie::PlaybackMode::kPlaying; });
        const double wallUsed = WallSeconds() - wall, processorUsed = ProcessorSeconds() - processor;
        state.SetIterationTime(wallUsed);
        state.counters["core_%"] = 100.0 * processorUsed / wallUsed;
        state.counters["dropped"] = window.FramesDropped();
        state.counters["pictures"] = double(pictures);
        state.counters["longest_gap_ms"] = 1000 * longestGap;
    }
}

// Prints each playback against the goals after the usual table.
class Goals : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (!run.error_occurred && run.counters.count("core_%"))
                m_lines.push_back(Verdict(run));
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        std::printf("\nplayback against its goals (< %.0f %% of one core, no frame dropped):\n", kCoreShareGoal);
        for (const std::string& line : m_lines)
            std::printf("%s\n", line.c_str());
    }

private:
    static std::string Verdict(const Run& run)
    {
        const double share = run.counters.at("core_%"), dropped = run.counters.at("dropped");
        char line[160];
        std::snprintf(line, sizeof line, "  %-18s %5.1f %% of a core, %3.0f dropped: %s", run.benchmark_name().c_str(),
                      share, dropped, share < kCoreShareGoal && dropped == 0 ? "met" : "MISSED");
        return line;
    }
    std::vector<std::string> m_lines;
};

void Register()
{
    auto once = [](benchmark::internal::Benchmark* b) {
        b->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
    };
    once(benchmark::RegisterBenchmark("playback/mjpeg", Playback, movie::FourCC('M', 'J', 'P', 'G')));
    once(benchmark::RegisterBenchmark("playback/mpeg4", Playback, movie::FourCC('F', 'M', 'P', '4')));
}

}  // namespace

int main(int argc, char** argv)
{
    Register();
    return bench::Main<Goals>(argc, argv);
}
