// Recording as the user does it: streaming with sound, time lapse, single
// frames, the overwrite question, and every way a recording ends.
#include "recorder_test_util.h"

#include "RecordDialogs.h"
#include "resource.h"
#include "temp_dir.h"

#include "framework/StringTable.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>

namespace rectest {
namespace {

constexpr uint64_t kSecond = 1000000;

bool Contains(const std::vector<UINT>& ids, UINT id) { return std::find(ids.begin(), ids.end(), id) != ids.end(); }

// Runs the message queue until `done` (a bound against a hang, not a timing).
bool PumpUntil(const std::function<bool()>& done)
{
    for (int i = 0; i < 20000; ++i) {
        PumpMessages();
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

class RecordFlow : public RecorderTest {
protected:
    void ExpectIdle(const char* after)
    {
        SCOPED_TRACE(after);
        EXPECT_FALSE(recorder.IsRunning());
        EXPECT_EQ(recorder.ButtonCaption(), "RECORD");
        ASSERT_FALSE(view.captions.empty());
        EXPECT_EQ(view.captions.back(), "RECORD");
        EXPECT_FALSE(recorder.Blinking());
        EXPECT_FALSE(recorder.TickRunning());
        EXPECT_FALSE(recorder.BlinkRunning());
        EXPECT_EQ(view.IdleText(), IDS_PRESS_TO_RECORD);
        EXPECT_TRUE(view.brightnessTimer);
        for (int item = 1; item <= 3; ++item)
            EXPECT_TRUE(view.ItemEnabled(item)) << item;
        EXPECT_FALSE(view.camera.Service()->IsCapturing());
    }
    void ExpectRecording()
    {
        EXPECT_TRUE(recorder.IsRunning());
        EXPECT_EQ(recorder.ButtonCaption(), "STOP");
        ASSERT_FALSE(view.captions.empty());
        EXPECT_EQ(view.captions.back(), "STOP");
        EXPECT_TRUE(recorder.Blinking());
        EXPECT_EQ(view.IdleText(), IDS_RECORDING);
        EXPECT_FALSE(view.brightnessTimer);
        for (int item = 1; item <= 3; ++item)
            EXPECT_FALSE(view.ItemEnabled(item)) << item;
    }
    // Whether the next Record asks about the movie in the workspace.
    bool WillAsk() const
    {
        return !recorder.MovieSaved() && !recorder.RecordingUnderWay() && recorder.FramesAdded() == 0 &&
               !recorder.DiscardChosen();
    }
    // Record, answering No to a question about an unsaved movie.
    void RecordDiscardingTheLast()
    {
        if (WillAsk())
            ui->AnswerNextBox(IDNO);
        recorder.Toggle();
    }
    void OtherRate(const char* fps)
    {
        ui->AnswerNextDialog([fps](CDialog& d) {
            auto& dialog = dynamic_cast<COtherRateDlg&>(d);
            dialog.rateText = fps;
            dialog.OnOK();
            return IDOK;
        });
        recorder.OnOtherRate();
    }
    DWORD Elapsed(DWORD start) const { return GetTickCount() - start; }
};

TEST_F(RecordFlow, StreamingThreeSecondsAtFifteenFramesWithSound)
{
    recorder.OnBestRate();
    ASSERT_TRUE(recorder.AudioChecked());
    view.studio.Arm(3 * kSecond);
    recorder.Toggle();
    ASSERT_TRUE(recorder.IsStreaming());
    ExpectRecording();
    EXPECT_TRUE(recorder.BlinkRunning());
    ASSERT_TRUE(view.studio.WaitUntilParked());
    // The status line blinks every five seconds while the capture runs on.
    clock->Advance(5000);
    EXPECT_EQ(view.IdleText(), IDS_RECORDING_BLANK);
    clock->Advance(5000);
    EXPECT_EQ(view.IdleText(), IDS_RECORDING);
    recorder.Toggle();
    ExpectIdle("stop");
    EXPECT_FALSE(recorder.MovieSaved());
    EXPECT_TRUE(recorder.WorkspaceHasMovie());
    EXPECT_TRUE(ui->boxes.empty());

    const MovieCount movie = ReadMovie(workspace);
    ASSERT_TRUE(movie.opened);
    EXPECT_NEAR(double(movie.frames), 45, 1);
    EXPECT_EQ(movie.microSecPerFrame, 66666u);
    ASSERT_TRUE(movie.hasAudio);
    EXPECT_NEAR(movie.audioSeconds, 3.0, 0.01);
}

TEST_F(RecordFlow, EachRateSetsTheFramePeriodAndTheDropsAllowed)
{
    struct Case {
        const char* name;
        std::function<void()> choose;
        DWORD microSecPerFrame;
        WORD dropAllowed;
        double framesInASecond;
        bool sound = true;
    };
    const Case cases[] = {
        {"normal", [&] { recorder.OnNormalRate(); }, 100000, 100, 10},
        {"best", [&] { recorder.OnBestRate(); }, 66666, 100, 15},
        {"good", [&] { recorder.OnGoodRate(); }, 200000, 100, 5},
        {"other 2", [&] { OtherRate("2"); }, 500000, 30, 2},
        {"other 30", [&] { OtherRate("30"); }, 33333, 30, 30},
        // What the settings say is written at the start, whatever the setup held.
        {"normal, sound off in the settings",
         [&] {
             recorder.OnNormalRate();
             recorder.Settings().audio = FALSE;
         },
         100000, 100, 10, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.choose();
        view.studio.Arm(kSecond);
        RecordDiscardingTheLast();
        ASSERT_TRUE(recorder.IsStreaming());
        CAPTUREPARMS parms{};
        ASSERT_TRUE(view.camera.GetSequenceSetup(&parms));
        EXPECT_EQ(parms.dwRequestMicroSecPerFrame, c.microSecPerFrame);
        EXPECT_EQ(parms.wPercentDropForError, c.dropAllowed);
        ASSERT_TRUE(view.studio.WaitUntilParked());
        recorder.Toggle();
        const MovieCount movie = ReadMovie(workspace);
        EXPECT_EQ(movie.microSecPerFrame, c.microSecPerFrame);
        EXPECT_NEAR(double(movie.frames), c.framesInASecond, 1);
        EXPECT_EQ(movie.hasAudio, c.sound);
    }
}

// Ticks come late by a little or by several seconds (the machine was busy);
// the frames still come at 120 s and 240 s after Record, not later, and
// none is skipped.
TEST_F(RecordFlow, TwoMinuteTimeLapseTakesItsFramesOnTimeWhateverTheTicks)
{
    struct Case {
        const char* name;
        std::vector<std::pair<DWORD, DWORD>> busy;   // at ms after Record, for ms
        DWORD firstBefore = 121000;                  // the first frame comes before this
    };
    const Case cases[] = {
        {"ticks on time", {}},
        {"ticks 700 ms late", {{50000, 700}}},
        {"five ticks lost", {{100000, 5500}}},
        {"late across each due time", {{119500, 1300}, {239800, 900}}},
        {"lost ticks across each due time", {{117000, 3500}, {238000, 2600}}},
        // The next frame is due 120 s after the last was due, not after it came.
        {"the first frame 1.5 s late", {{119500, 1900}}, 121600},
    };
    ChooseTimeLapse("2", "Minutes");
    ASSERT_EQ(recorder.Settings().timeLapseSeconds, 120u);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordDiscardingTheLast();
        const DWORD start = GetTickCount();
        ExpectRecording();
        EXPECT_TRUE(recorder.TickRunning());
        std::vector<DWORD> frameTimes;
        size_t next = 0;
        while (Elapsed(start) < 300000) {
            if (next < c.busy.size() && Elapsed(start) >= c.busy[next].first)
                clock->Spend(c.busy[next++].second);
            clock->Advance(100);
            if (recorder.FramesAdded() > frameTimes.size())
                frameTimes.push_back(Elapsed(start));
        }
        ASSERT_EQ(frameTimes.size(), 2u);
        EXPECT_GE(frameTimes[0], 120000u);
        EXPECT_LT(frameTimes[0], c.firstBefore);
        EXPECT_GE(frameTimes[1], 240000u);
        EXPECT_LT(frameTimes[1], 241000u);
        recorder.Toggle();
        ExpectIdle("stop");
        EXPECT_EQ(ReadMovie(workspace).frames, 2u);
    }
}

TEST_F(RecordFlow, EveryPressRecordsOneSingleFrameAndAsksAtMostOnce)
{
    struct Case {
        const char* name;
        int failures;        // grabs that fail from the first press on
        bool forwardErrors;  // the view passes the camera's errors on
        int presses;
        uint32_t frames;
    };
    const Case cases[] = {
        {"every press works", 0, true, 3, 3},
        {"the first frame fails", 1, true, 4, 3},
        {"the first frame fails, its error not passed on", 1, false, 4, 3},
        {"again after the mode changed", 0, true, 2, 2},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        const Case& c = cases[row];
        SCOPED_TRACE(c.name);
        recorder.OnSingleFrame();
        ui->boxes.clear();
        view.forwardErrors = c.forwardErrors;
        FlakyPatternDriver::failures = c.failures;
        if (row > 0)
            ui->AnswerNextBox(IDNO);
        for (int press = 0; press < c.presses; ++press) {
            recorder.Toggle();
            EXPECT_FALSE(recorder.IsRunning());
            EXPECT_EQ(recorder.ButtonCaption(), "RECORD");
        }
        EXPECT_EQ(recorder.FramesAdded(), c.frames);
        EXPECT_EQ(std::count(view.captions.begin(), view.captions.end(), "STOP"), 0);
        EXPECT_EQ(Questions(), row > 0 ? 1 : 0);
        recorder.StopCapture();
        EXPECT_EQ(ReadMovie(workspace).frames, c.frames);
    }
}

// A frame that fails once the session holds frames: the window closes the
// file with them; the next press does not open it again (that would empty
// it) without asking.
TEST_F(RecordFlow, ASingleFrameFailingAfterOthersKeepsThem)
{
    for (bool forward : {true, false}) {
        SCOPED_TRACE(forward ? "error passed on" : "error not passed on");
        recorder.OnSingleFrame();
        view.forwardErrors = forward;
        RecordDiscardingTheLast();
        recorder.Toggle();
        FlakyPatternDriver::failures = 1;
        recorder.Toggle();
        if (!forward)
            recorder.Toggle();   // finds the window closed and ends the session
        EXPECT_EQ(recorder.FramesAdded(), 0u);
        EXPECT_EQ(ReadMovie(workspace).frames, 2u);
        const int asked = Questions();
        ui->AnswerNextBox(IDCANCEL);
        recorder.Toggle();
        EXPECT_EQ(Questions(), asked + 1);
        EXPECT_EQ(ReadMovie(workspace).frames, 2u);
    }
}

TEST_F(RecordFlow, TheOverwriteQuestionsAnswers)
{
    struct Case {
        const char* name;
        int answer;
        BOOL saveSucceeds;
        bool started;
        int saves;
        BOOL discard;
        BOOL saved;
    };
    const Case cases[] = {
        {"cancel", IDCANCEL, TRUE, false, 0, FALSE, FALSE},
        {"no", IDNO, TRUE, true, 0, TRUE, FALSE},
        {"yes, saved", IDYES, TRUE, true, 1, FALSE, TRUE},
        {"yes, the save fails", IDYES, FALSE, false, 1, FALSE, FALSE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // One frame of an earlier recording, then a change of mode.
        recorder.OnSingleFrame();
        RecordDiscardingTheLast();
        ChooseTimeLapse("1", "Seconds");
        ASSERT_FALSE(recorder.MovieSaved());
        ui->boxes.clear();
        view.saves = 0;
        view.saveSucceeds = c.saveSucceeds;

        ui->AnswerNextBox(c.answer);
        recorder.Toggle();
        EXPECT_EQ(Questions(), 1);
        ASSERT_EQ(ui->boxes.size(), 1u);
        EXPECT_EQ(ui->boxes[0].type & MB_TYPEMASK, MB_YESNOCANCEL);
        EXPECT_EQ(bool(recorder.IsRunning()), c.started);
        EXPECT_EQ(view.saves, c.saves);
        EXPECT_EQ(recorder.DiscardChosen(), c.discard);
        EXPECT_EQ(recorder.MovieSaved(), c.saved);
        if (c.started) {
            clock->Advance(1000);
            EXPECT_EQ(recorder.FramesAdded(), 1u);
            EXPECT_FALSE(recorder.DiscardChosen());
            EXPECT_FALSE(recorder.MovieSaved());
            recorder.Toggle();
            continue;
        }
        EXPECT_EQ(recorder.ButtonCaption(), "RECORD");
        EXPECT_EQ(ReadMovie(workspace).frames, 1u);
        // Not started: the next press asks again.
        ui->AnswerNextBox(IDCANCEL);
        recorder.Toggle();
        EXPECT_EQ(Questions(), 2);
    }
}

// However a time lapse ends, its tick ends with it: a tick after that would
// open the workspace again and empty it.
TEST_F(RecordFlow, EndingATimeLapseAnyWayStopsItsTick)
{
    struct Case {
        const char* name;
        std::function<void()> end;
        bool forwardErrors = true;
    };
    const Case cases[] = {
        {"the button", [&] { recorder.Toggle(); }},
        {"Stop", [&] { recorder.OnStop(); }},
        {"Save As", [&] { recorder.StopCapture(); }},
        {"Playback", [&] { view.recordFunction = FALSE; recorder.StopCapture(); }},
        {"a camera error", [&] { FlakyPatternDriver::failures = 1; clock->Advance(2000); }},
        {"a camera error not passed on",
         [&] { FlakyPatternDriver::failures = 1; clock->Advance(4000); }, false},
    };
    ChooseTimeLapse("2", "Seconds");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        view.recordFunction = TRUE;
        view.forwardErrors = c.forwardErrors;
        RecordDiscardingTheLast();
        clock->Advance(4000);
        ASSERT_EQ(recorder.FramesAdded(), 2u);
        c.end();
        ExpectIdle("ended");
        EXPECT_FALSE(recorder.RecordingUnderWay());
        const size_t boxes = ui->boxes.size();
        view.recordFunction = TRUE;
        clock->Advance(60000);
        EXPECT_EQ(ui->boxes.size(), boxes);
        EXPECT_EQ(recorder.FramesAdded(), 0u);
        EXPECT_EQ(ReadMovie(workspace).frames, 2u);
    }
}

TEST_F(RecordFlow, EndingAStreamingRecordingAnyWayStopsItsBlink)
{
    struct Case {
        const char* name;
        std::function<void()> end;
        bool cameraFails = false;
    };
    const Case cases[] = {
        {"the button", [&] { recorder.Toggle(); }},
        {"Stop", [&] { recorder.OnStop(); }},
        {"Save As", [&] { recorder.StopCapture(); }},
        {"Playback", [&] { view.recordFunction = FALSE; recorder.StopCapture(); }},
        {"a camera error", [&] { ASSERT_TRUE(PumpUntil([&] { return !recorder.IsRunning(); })); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        view.recordFunction = TRUE;
        view.studio.Arm(kSecond);
        FlakyPatternDriver::failures = c.cameraFails ? 1 : 0;
        RecordDiscardingTheLast();
        ASSERT_TRUE(recorder.IsStreaming());
        if (!c.cameraFails)
            ASSERT_TRUE(view.studio.WaitUntilParked());
        c.end();
        ExpectIdle("ended");
        const size_t texts = view.idleTexts.size();
        clock->Advance(10000);
        EXPECT_EQ(view.idleTexts.size(), texts);
        EXPECT_EQ(ReadMovie(workspace).frames, c.cameraFails ? 0u : 10u);
    }
}

// A capture with a time limit of its own (set outside the recorder) ends by
// itself: inside the start when it does not yield, else while it blinks.
TEST_F(RecordFlow, ACaptureThatEndsByItselfEndsTheRecording)
{
    for (BOOL yield : {FALSE, TRUE}) {
        SCOPED_TRACE(yield ? "yielding" : "not yielding");
        CAPTUREPARMS parms{};
        ASSERT_TRUE(view.camera.GetSequenceSetup(&parms));
        parms.fYield = yield;
        parms.fLimitEnabled = TRUE;
        parms.wTimeLimit = 1;
        ASSERT_TRUE(view.camera.SetSequenceSetup(&parms));
        view.studio.Arm(10 * kSecond);
        view.captions.clear();
        RecordDiscardingTheLast();
        if (yield) {
            ExpectRecording();
            ASSERT_TRUE(PumpUntil([&] { return !view.camera.Service()->IsCapturing(); }));
            clock->Advance(5000);
        }
        ExpectIdle("the end of the capture");
        EXPECT_EQ(std::count(view.captions.begin(), view.captions.end(), "STOP"), yield ? 1 : 0);
        EXPECT_TRUE(recorder.WorkspaceHasMovie());
        EXPECT_FALSE(recorder.MovieSaved());
        EXPECT_FALSE(recorder.RecordingUnderWay());
        EXPECT_EQ(ReadMovie(workspace).frames, 10u);
    }
}

TEST_F(RecordFlow, ARefusedStartSaysSoAndStaysOnRecord)
{
    struct Case {
        const char* name;
        bool forwardErrors;
        bool cameraBusy;      // refused without any report from the window
        bool ownMessage;
    };
    const Case cases[] = {
        {"no folder for the workspace, error passed on", true, false, false},
        {"no folder for the workspace, error not passed on", false, false, true},
        {"the camera busy", true, true, true},
    };
    const std::string nowhere = ProcessTempDir() + "/missing/workspac.avi";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        view.forwardErrors = c.forwardErrors;
        ui->boxes.clear();
        view.captions.clear();
        view.idleTexts.clear();
        const BOOL savedBefore = recorder.MovieSaved();
        if (c.cameraBusy)
            ASSERT_TRUE(view.camera.Service()->CaptureSingleFrameOpen());
        else
            ASSERT_TRUE(view.camera.SetCaptureFile(nowhere.c_str()));
        RecordDiscardingTheLast();

        EXPECT_FALSE(recorder.IsRunning());
        EXPECT_FALSE(recorder.Blinking());
        EXPECT_FALSE(recorder.BlinkRunning());
        EXPECT_EQ(recorder.ButtonCaption(), "RECORD");
        EXPECT_EQ(std::count(view.captions.begin(), view.captions.end(), "STOP"), 0);
        EXPECT_FALSE(Contains(view.idleTexts, IDS_RECORDING));
        EXPECT_EQ(recorder.MovieSaved(), savedBefore);
        EXPECT_TRUE(view.brightnessTimer);
        for (int item = 1; item <= 3; ++item)
            EXPECT_TRUE(view.ItemEnabled(item)) << item;
        const CString own = LoadStringText(IDS_RECORD_NOT_STARTED);
        const auto ownBoxes = std::count_if(ui->boxes.begin(), ui->boxes.end(),
                                            [&](const TestUiService::ShownBox& b) { return b.text == own; });
        EXPECT_EQ(ownBoxes, c.ownMessage ? 1 : 0);
        EXPECT_EQ(ui->boxes.size() - size_t(Questions()), c.cameraBusy ? 1u : 2u - (c.forwardErrors ? 1 : 0));

        // Once the cause is gone the next press records.
        if (c.cameraBusy)
            view.camera.Service()->CaptureSingleFrameClose();
        ASSERT_TRUE(view.camera.SetCaptureFile(workspace.c_str()));
        view.studio.Arm(kSecond);
        RecordDiscardingTheLast();
        ASSERT_TRUE(recorder.IsStreaming());
        ASSERT_TRUE(view.studio.WaitUntilParked());
        recorder.Toggle();
        EXPECT_EQ(ReadMovie(workspace).frames, 10u);
    }
}

}  // namespace
}  // namespace rectest
