#include "temp_dir.h"
#include "capture_test_util.h"

#include "capture/test_pattern.h"
#include "framework/Clock.h"
#include "framework/TestUiService.h"

#include <gtest/gtest.h>

using namespace capture;
using namespace capture::testing;

namespace {

// The test pattern, but a grab can be made to fail and costs virtual time.
class ScriptedDriver : public TestPatternDriver {
public:
    bool Grab(Frame& frame, std::string& error, bool& gone) override
    {
        if (failGrabs) {
            error = "stopped answering";
            gone = unplugged;
            return false;
        }
        if (grabCost)
            *grabCost += costPerGrab;
        return TestPatternDriver::Grab(frame, error, gone);
    }
    static inline std::atomic<bool> failGrabs{false};
    static inline bool unplugged = false;
    static inline std::atomic<uint64_t>* grabCost = nullptr;
    static inline uint64_t costPerGrab = 0;
};

struct Events {
    std::vector<std::pair<int, std::string>> errors;
    std::vector<int> statuses;
    int yields = 0;
    int frames = 0;
    LONG_PTR userData = 0;
};
Events* g_events = nullptr;
CaptureWindow* g_window = nullptr;

LRESULT OnError(HWND, int id, LPCSTR text) { g_events->errors.emplace_back(id, text ? text : ""); return TRUE; }
LRESULT OnStatus(HWND, int id, LPCSTR) { g_events->statuses.push_back(id); return TRUE; }
LRESULT OnYield(HWND) { ++g_events->yields; return TRUE; }
LRESULT OnFrame(HWND, VIDEOHDR* h)
{
    ++g_events->frames;
    g_events->userData = g_window->GetUserData();
    EXPECT_EQ(h->dwBytesUsed, g_window->CurrentFrame()->bits.size());
    return TRUE;
}

struct WindowFixture : ::testing::Test {
    void SetUp() override
    {
        ResetMessageQueue();
        ScriptedDriver::failGrabs = false;
        ScriptedDriver::unplugged = false;
        ScriptedDriver::grabCost = &cost;
        ScriptedDriver::costPerGrab = 0;
        DriverCatalog::Install({{"Other Driver", "1", [] { return std::make_unique<TestPatternDriver>(); }},
                                {"Lumivex Scripted", "1", [] { return std::make_unique<ScriptedDriver>(); }}});
        window = std::make_unique<CaptureWindow>(nullptr);
        g_events = &events;
        g_window = window.get();
        window->SetCallbackOnError(OnError);
        window->SetCallbackOnStatus(OnStatus);
        window->SetCallbackOnYield(OnYield);
        window->SetCallbackOnFrame(OnFrame);
        window->SetMovieSinkFactory(MemorySinks(record));
        window->SetAudioSourceFactory([] { return std::make_unique<InstantSound>(3.0); });
        window->SetPacer(std::make_unique<VirtualPacer>(&cost));
        ASSERT_TRUE(window->DriverConnect(1));
        path = ProcessTempDir() + "/capture.avi";
        window->FileSetCaptureFile(path.c_str());
    }
    void TearDown() override
    {
        window.reset();
        DriverCatalog::UseSystem();
        ScriptedDriver::grabCost = nullptr;
    }
    CAPTUREPARMS Setup(DWORD usPerFrame, UINT seconds, BOOL audio, BOOL yield)
    {
        CAPTUREPARMS p{};
        window->CaptureGetSetup(&p, sizeof p);
        p.dwRequestMicroSecPerFrame = usPerFrame;
        p.fLimitEnabled = seconds != 0;
        p.wTimeLimit = seconds;
        p.fCaptureAudio = audio;
        p.fYield = yield;
        EXPECT_TRUE(window->CaptureSetSetup(&p, sizeof p));
        return p;
    }
    void RunUntilCaptureEnds()
    {
        for (int i = 0; i < 2000 && window->IsCapturing(); ++i) {
            PumpMessages();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_FALSE(window->IsCapturing());
    }

    ScopedTestUi ui;
    Events events;
    std::atomic<uint64_t> cost{0};
    std::shared_ptr<SinkRecord> record = std::make_shared<SinkRecord>();
    std::unique_ptr<CaptureWindow> window;
    std::string path;
};

TEST_F(WindowFixture, ConnectsOnceAndNamesTheDriver)
{
    EXPECT_FALSE(window->DriverConnect(0));   // already connected
    char name[260];
    ASSERT_TRUE(window->DriverGetName(name, sizeof name));
    EXPECT_STREQ(name, "Lumivex Scripted");
    CAPDRIVERCAPS caps{};
    ASSERT_TRUE(window->DriverGetCaps(&caps, sizeof caps));
    EXPECT_EQ(caps.wDeviceIndex, 1u);
    EXPECT_TRUE(caps.fHasDlgVideoSource);
    EXPECT_FALSE(caps.fHasOverlay);
    EXPECT_TRUE(window->DriverDisconnect());
    EXPECT_FALSE(window->DriverGetName(name, sizeof name));
    EXPECT_FALSE(window->DriverConnect(5));   // no such driver
    char description[400], version[400];
    EXPECT_TRUE(capGetDriverDescription(0, description, 400, version, 400));
    EXPECT_STREQ(description, "Other Driver");
    EXPECT_FALSE(capGetDriverDescription(2, description, 400, version, 400));
}

TEST_F(WindowFixture, GrabCallsTheFrameCallbackWithTheUserData)
{
    window->SetUserData(0x1234);
    ASSERT_TRUE(window->GrabFrame());
    EXPECT_EQ(events.frames, 1);
    EXPECT_EQ(events.userData, 0x1234);
    window->SetCallbackOnFrame(nullptr);
    ASSERT_TRUE(window->GrabFrameNoStop());
    EXPECT_EQ(events.frames, 1);
}

TEST_F(WindowFixture, SilentCameraEndsTheGrabWithAnError)
{
    ScriptedDriver::failGrabs = true;
    EXPECT_FALSE(window->GrabFrame());
    ASSERT_EQ(events.errors.size(), 1u);
    EXPECT_EQ(events.errors[0].first, IDS_CAP_NO_FRAME);
    ScriptedDriver::unplugged = true;
    EXPECT_FALSE(window->GrabFrame());
    EXPECT_EQ(events.errors.back().first, IDS_CAP_DEVICE_GONE);
    // SaveDIB needs a frame and reports through its result, not a second error box.
    EXPECT_FALSE(window->FileSaveDIB((ProcessTempDir() + "/none.bmp").c_str()));
}

TEST_F(WindowFixture, PreviewGrabsAtItsRateOnTheFrameworkClock)
{
    ScopedFakeClock clock;
    window->SetPreviewRate(100);
    ASSERT_TRUE(window->SetPreview(TRUE));
    clock->Advance(1000);
    EXPECT_GE(events.frames, 9);
    EXPECT_LE(events.frames, 11);
    CAPSTATUS status{};
    ASSERT_TRUE(window->GetStatus(&status, sizeof status));
    EXPECT_TRUE(status.fLiveWindow);
    EXPECT_EQ(status.uiImageWidth, 160u);
    // GrabFrame stops the preview; GrabFrameNoStop would not.
    window->GrabFrame();
    const int frames = events.frames;
    clock->Advance(1000);
    EXPECT_EQ(events.frames, frames);
}

TEST_F(WindowFixture, ThreeSecondsAtTenFramesPerSecondWithSound)
{
    Setup(100000, 3, TRUE, TRUE);
    ASSERT_TRUE(window->CaptureSequence());
    EXPECT_EQ(events.statuses, std::vector<int>{IDS_CAP_BEGIN});
    RunUntilCaptureEnds();
    EXPECT_EQ(events.statuses, (std::vector<int>{IDS_CAP_BEGIN, IDS_CAP_END}));
    EXPECT_GE(events.yields, 1);
    EXPECT_TRUE(events.errors.empty());
    EXPECT_EQ(record->path, path);
    EXPECT_EQ(record->frames.size(), 30u);
    EXPECT_EQ(record->microSecPerFrame, 100000u);
    EXPECT_TRUE(record->audio);
    EXPECT_EQ(record->audioBytes, 3u * 11025);
    EXPECT_TRUE(record->closed);
    CAPSTATUS status{};
    window->GetStatus(&status, sizeof status);
    EXPECT_EQ(status.dwCurrentVideoFrame, 30u);
    EXPECT_EQ(status.dwCurrentVideoFramesDropped, 0u);
    EXPECT_EQ(status.dwCurrentWaveSamples, 3u * 11025);
}

TEST_F(WindowFixture, WithoutYieldTheCallReturnsWhenTheCaptureEnds)
{
    Setup(100000, 1, FALSE, FALSE);
    ASSERT_TRUE(window->CaptureSequence());
    EXPECT_FALSE(window->IsCapturing());
    EXPECT_EQ(record->frames.size(), 10u);
    EXPECT_FALSE(record->audio);
}

// Another window of the program that closes the capture window when it
// hears WM_CLOSE, as a main window closing with a capture under way does.
struct ClosingWindow : MessageTarget {
    explicit ClosingWindow(std::unique_ptr<CaptureWindow>& w) : window(w), self(RegisterWindow(this)) {}
    ~ClosingWindow() override { UnregisterWindow(self); }
    LRESULT WindowProc(UINT message, WPARAM, LPARAM) override
    {
        if (message == WM_CLOSE)
            window.reset();
        return 0;
    }
    std::unique_ptr<CaptureWindow>& window;
    HWND self;
};

TEST_F(WindowFixture, TheWaitingCallSurvivesItsWindowBeingDestroyed)
{
    Setup(100000, 0, FALSE, FALSE);   // endless and without yielding: the call waits
    window->SetPacer(std::make_unique<VirtualPacer>());
    ClosingWindow closer(window);
    ASSERT_TRUE(::PostMessage(closer.self, WM_CLOSE, 0, 0));
    CaptureWindow* waiting = window.get();
    EXPECT_FALSE(waiting->CaptureSequence());
    EXPECT_EQ(window, nullptr);
    EXPECT_TRUE(record->closed);
}

// The yield callback destroys the window, then answers "go on" or "abort".
struct DestroyingYield : WindowFixture, ::testing::WithParamInterface<bool> {
    static inline std::unique_ptr<CaptureWindow>* s_window = nullptr;
    static inline bool s_answer = true;
    static LRESULT Yield(HWND)
    {
        s_window->reset();
        return s_answer;
    }
};

TEST_P(DestroyingYield, EndsTheWaitingCallSafely)
{
    Setup(100000, 0, FALSE, FALSE);
    window->SetPacer(std::make_unique<VirtualPacer>());
    DestroyingYield::s_window = &window;
    DestroyingYield::s_answer = GetParam();
    window->SetCallbackOnYield(&DestroyingYield::Yield);
    CaptureWindow* waiting = window.get();
    EXPECT_FALSE(waiting->CaptureSequence());
    EXPECT_EQ(window, nullptr);
    EXPECT_TRUE(record->closed);
}
INSTANTIATE_TEST_SUITE_P(Answers, DestroyingYield, ::testing::Bool());

TEST_F(WindowFixture, WriteFailureIsReportedAndEndsTheCapture)
{
    window->SetMovieSinkFactory(MemorySinks(record, 5));
    Setup(100000, 3, FALSE, TRUE);
    ASSERT_TRUE(window->CaptureSequence());
    RunUntilCaptureEnds();
    ASSERT_EQ(events.errors.size(), 1u);
    EXPECT_EQ(events.errors[0].first, IDS_CAP_FILE_WRITE);
    EXPECT_NE(events.errors[0].second.find("disk full"), std::string::npos);
    EXPECT_EQ(record->frames.size(), 5u);
    EXPECT_EQ(events.statuses.back(), IDS_CAP_END);
}

TEST_F(WindowFixture, LateFramesCountAsDroppedAgainstTheAllowedShare)
{
    // Each grab takes two and a half frame times: two of every three slots are missed.
    ScriptedDriver::costPerGrab = 250000;
    CAPTUREPARMS p = Setup(100000, 3, FALSE, TRUE);
    p.wPercentDropForError = 10;
    window->CaptureSetSetup(&p, sizeof p);
    ASSERT_TRUE(window->CaptureSequence());
    RunUntilCaptureEnds();
    CAPSTATUS status{};
    window->GetStatus(&status, sizeof status);
    EXPECT_EQ(status.dwCurrentVideoFrame + status.dwCurrentVideoFramesDropped, 30u);
    EXPECT_GE(status.dwCurrentVideoFramesDropped, 18u);
    EXPECT_EQ(record->frames.size(), 30u);   // the movie keeps its length
    EXPECT_EQ(record->skipped, status.dwCurrentVideoFramesDropped);
    ASSERT_FALSE(events.errors.empty());
    EXPECT_EQ(events.errors.back().first, IDS_CAP_TOO_MANY_DROPPED);
}

TEST_F(WindowFixture, StopEndsAnEndlessCapture)
{
    Setup(100000, 0, FALSE, TRUE);
    window->SetPacer(std::make_unique<VirtualPacer>());
    ASSERT_TRUE(window->CaptureSequence());
    EXPECT_FALSE(window->GrabFrame());   // the sequence owns the camera
    EXPECT_FALSE(window->CaptureSetSetup(nullptr, 0));
    ASSERT_TRUE(window->CaptureStop());
    EXPECT_FALSE(window->IsCapturing());
    EXPECT_EQ(events.statuses, (std::vector<int>{IDS_CAP_BEGIN, IDS_CAP_END}));
    EXPECT_TRUE(record->closed);
    EXPECT_FALSE(window->CaptureStop());
}

TEST_F(WindowFixture, YieldAnsweringFalseAbortsTheCapture)
{
    Setup(100000, 0, FALSE, TRUE);
    window->SetPacer(std::make_unique<VirtualPacer>());
    window->SetCallbackOnYield([](HWND) -> LRESULT { ++g_events->yields; return FALSE; });
    ASSERT_TRUE(window->CaptureSequence());
    RunUntilCaptureEnds();
    EXPECT_EQ(events.yields, 1);
    EXPECT_EQ(events.statuses.back(), IDS_CAP_END);
    EXPECT_TRUE(record->closed);
}

TEST_F(WindowFixture, RealTimeSequenceStopsPromptlyOnRequest)
{
    window->SetPacer(MakeRealPacer());
    Setup(50000, 0, FALSE, TRUE);
    ASSERT_TRUE(window->CaptureSequence());
    for (int i = 0; i < 40 && record->frames.size() < 2; ++i) {
        PumpMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(window->CaptureStop());
    EXPECT_FALSE(window->IsCapturing());
    EXPECT_GE(record->frames.size(), 1u);
    EXPECT_TRUE(record->closed);
}

TEST_F(WindowFixture, SingleFrameCaptureAddsOneFramePerCall)
{
    EXPECT_FALSE(window->CaptureSingleFrame());   // not open
    ASSERT_TRUE(window->CaptureSingleFrameOpen());
    EXPECT_EQ(events.statuses, std::vector<int>{IDS_CAP_BEGIN});
    for (size_t i = 1; i <= 3; ++i) {
        ASSERT_TRUE(window->CaptureSingleFrame());
        EXPECT_EQ(record->frames.size(), i);
    }
    ASSERT_TRUE(window->CaptureSingleFrameClose());
    EXPECT_TRUE(record->closed);
    EXPECT_EQ(events.statuses.back(), IDS_CAP_END);
    EXPECT_FALSE(window->CaptureSingleFrameClose());
}

TEST_F(WindowFixture, SequenceNeedsACaptureFile)
{
    CaptureWindow fresh(nullptr);
    fresh.SetCallbackOnError(OnError);
    ASSERT_TRUE(fresh.DriverConnect(0));
    EXPECT_FALSE(fresh.CaptureSequence());
    EXPECT_EQ(events.errors.back().first, IDS_CAP_FILE_OPEN);
    // Without a file the sequence still runs: nothing is written.
    fresh.SetPacer(std::make_unique<VirtualPacer>());
    CAPTUREPARMS p{};
    fresh.CaptureGetSetup(&p, sizeof p);
    p.fLimitEnabled = TRUE;
    p.wTimeLimit = 1;
    p.fYield = FALSE;
    fresh.CaptureSetSetup(&p, sizeof p);
    EXPECT_TRUE(fresh.CaptureSequenceNoFile());
    CAPSTATUS status{};
    fresh.GetStatus(&status, sizeof status);
    EXPECT_EQ(status.dwCurrentVideoFrame, 15u);
}

}  // namespace
