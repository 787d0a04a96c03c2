// The capture service's speed goals:
//  - live view of the 640x480 test pattern (grab, convert, show) at 30 frames
//    per second or more, using under a quarter of one core;
//  - a 10-second 640x480 sequence at 30 frames per second with sound drops no frame;
//  - the still program's live view at the camera's largest format keeps the
//    camera's rate while its step timer, a brightness timer and the
//    auto-capture indicator run beside it.
#include "MainFrm.h"
#include "qt_app.h"
#include "SnapvoApp.h"
#include "SnapvoView.h"
#include "capture/capture_view.h"
#include "capture/capture_window.h"
#include "capture/test_pattern.h"
#include "framework/Messages.h"
#include "framework/TestUiService.h"
#include "resource.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <unistd.h>

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

// The program's brightness timer, ten times as often as the program's own so
// that a short run sees it: it reads the camera and hands its tick to the
// view, where the capture machine must let it pass.
struct BrightnessTimer : MTimerUser {
    explicit BrightnessTimer(CSnapvoView& v) : view(v) {}
    void MTimerUserOnTimer(void* data) override
    {
        if (view.Camera())
            view.Camera()->GetBrightness();
        view.MTimerUserOnTimer(data);
        ++ticks;
    }
    CSnapvoView& view;
    int ticks = 0;
};

BOOL UseLargestFormat(CLumivex& camera)
{
    const SIZE largest = TestPatternDriver::Sizes().back();
    VideoFormat format = MakeFormat(largest.cx, largest.cy, 24);
    return camera.SetVideoFormat(&format.header, sizeof format.header);
}

// The still program started in a folder of its own with the test-pattern
// camera at its largest format, closed and cleaned away afterwards.
class StillProgram {
public:
    StillProgram()
        : m_folder(std::filesystem::temp_directory_path() / ("capture_bench_" + std::to_string(getpid()))),
          m_previous(std::filesystem::current_path())
    {
        EnsureQtApplication("capture_bench");
        m_ui->screen = CSize(1920, 1080);
        std::filesystem::create_directories(m_folder);
        setenv("XDG_CONFIG_HOME", m_folder.c_str(), 1);
        std::filesystem::current_path(m_folder);
        DriverCatalog::Install({TestPatternEntry()});
        ResetMessageQueue();   // the quit a previous run's close left behind
        m_app.m_pszProfileName = "snapvo32.INI";
        m_started = m_app.InitInstance() && m_app.View() && m_app.View()->Camera() &&
                    UseLargestFormat(*m_app.View()->Camera());
    }
    ~StillProgram()
    {
        if (CMainFrame* frame = m_app.MainFrame(); frame && frame->m_hWnd)
            frame->Close();
        m_app.ExitInstance();
        DriverCatalog::UseSystem();
        std::filesystem::current_path(m_previous);
        std::filesystem::remove_all(m_folder);
    }
    CSnapvoView* View() { return m_started ? m_app.View() : nullptr; }

private:
    std::filesystem::path m_folder;
    std::filesystem::path m_previous;
    ScopedTestUi m_ui;   // no box may wait for a person
    CSnapvoApp m_app;
    bool m_started = false;
};

// Auto capture waiting for its hour: the step timer and the indicator run,
// and no picture is taken.
void StartWaitingAutoCapture(CSnapvoView& view)
{
    view.m_modes.exposureMode = kExposureAuto;
    view.m_modes.destination = kDestFile;
    view.m_schedule.SelectPreset(3);
    view.ExecuteCommand(ID_START_CAPTURE);
}

void BM_StillLiveViewLargestWithTimers(benchmark::State& state)
{
    StillProgram program;
    CSnapvoView* view = program.View();
    if (!view) {
        state.SkipWithError("the still program did not start with the test-pattern camera");
        return;
    }
    CAPTUREPARMS parms{};
    view->Camera()->GetSequenceSetup(&parms);
    BrightnessTimer brightness(*view);
    MTimer brightnessTimer;
    if (state.range(0) != 0) {
        StartWaitingAutoCapture(*view);
        brightnessTimer.Initialize(&brightness, 1000, TimerData(TimerTag::Brightness));
        brightnessTimer.Start();
    }
    int indicatorDraws = 0;
    CAutoCaptureDisplay& indicator = view->AutoCaptureDisplay();
    const std::function<void()> drawIndicator = indicator.onChanged;
    indicator.onChanged = [&indicatorDraws, &drawIndicator] {
        ++indicatorDraws;
        if (drawIndicator)
            drawIndicator();
    };
    for (auto _ : state) {
        view->RefreshPreview();
        QCoreApplication::processEvents();
        PumpMessages();
    }
    // The live view keeps up when it shows at least as many frames as the
    // camera sends.
    state.counters["frames_per_second"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["camera_fps"] = parms.dwRequestMicroSecPerFrame ? 1e6 / parms.dwRequestMicroSecPerFrame : 0;
    state.counters["brightness_ticks"] = brightness.ticks;
    state.counters["indicator_draws"] = indicatorDraws;
    brightnessTimer.Stop();
    view->ExecuteCommand(ID_STOP_CAPTURE);
    indicator.onChanged = drawIndicator;
}
// 0: the live view alone; 1: with the timers and the indicator running.
BENCHMARK(BM_StillLiveViewLargestWithTimers)->Arg(0)->Arg(1)->MinTime(3.0)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
