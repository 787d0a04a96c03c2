// The capture service's speed goals:
//  - live view of the 640x480 test pattern (grab, convert, show) at 30 frames
//    per second or more, using under a quarter of one core;
//  - a 10-second 640x480 sequence at 30 frames per second with sound drops no frame.
#include "capture/capture_view.h"
#include "capture/capture_window.h"
#include "capture/test_pattern.h"
#include "framework/Messages.h"

#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>

#include <chrono>
#include <filesystem>
#include <thread>

using namespace capture;

namespace {

void ConnectPattern(CaptureWindow& window)
{
    DriverCatalog::Install({TestPatternEntry()});
    window.DriverConnect(0);
    VideoFormat f = MakeFormat(640, 480, 24);
    window.SetVideoFormat(&f.header, sizeof f.header);
}

void BM_LiveView640(benchmark::State& state)
{
    CaptureWindow window(nullptr);
    ConnectPattern(window);
    QImage screen(640, 480, QImage::Format_RGB32);
    window.SetFrameShownHandler([&screen](const Frame& frame) {
        QPainter painter(&screen);
        painter.drawImage(screen.rect(), FrameToImage(frame));
    });
    for (auto _ : state)
        benchmark::DoNotOptimize(window.GrabFrameNoStop());
    state.counters["frames_per_second"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    DriverCatalog::UseSystem();
}
BENCHMARK(BM_LiveView640)->Unit(benchmark::kMillisecond);

// Reported: frames, dropped frames, and the share of one core the whole
// process used while it recorded.
void BM_Sequence640At30WithSound(benchmark::State& state)
{
    const std::string path = (std::filesystem::temp_directory_path() / "capture_bench.avi").string();
    for (auto _ : state) {
        ResetMessageQueue();
        CaptureWindow window(nullptr);
        ConnectPattern(window);
        window.FileSetCaptureFile(path.c_str());
        CAPTUREPARMS p{};
        window.CaptureGetSetup(&p, sizeof p);
        p.dwRequestMicroSecPerFrame = 33333;
        p.fYield = TRUE;
        p.fCaptureAudio = TRUE;
        p.fLimitEnabled = TRUE;
        p.wTimeLimit = 10;
        p.wPercentDropForError = 100;
        window.CaptureSetSetup(&p, sizeof p);
        const std::clock_t cpu0 = std::clock();
        const auto wall0 = std::chrono::steady_clock::now();
        if (!window.CaptureSequence()) {
            state.SkipWithError("the sequence did not start (no movie writer in this build?)");
            break;
        }
        while (window.IsCapturing()) {
            PumpMessages();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
        const double cpu = double(std::clock() - cpu0) / CLOCKS_PER_SEC;
        CAPSTATUS s{};
        window.GetStatus(&s, sizeof s);
        state.counters["frames"] = s.dwCurrentVideoFrame;
        state.counters["dropped"] = s.dwCurrentVideoFramesDropped;
        state.counters["wave_samples"] = s.dwCurrentWaveSamples;
        state.counters["core_share"] = cpu / wall;
    }
    std::filesystem::remove(path);
    DriverCatalog::UseSystem();
}
BENCHMARK(BM_Sequence640At30WithSound)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
