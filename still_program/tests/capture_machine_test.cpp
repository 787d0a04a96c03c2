// The capture state machine on its own: a fake host stands in for the view,
// the fake clock drives the step timer.
#include "CaptureMachine.h"

#include "Mwinapp.h"
#include "framework/Clock.h"
#include "framework/Messages.h"
#include "framework/TestUiService.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

struct FakeHost : CCaptureHost {
    BOOL HasCamera() const override { return camera; }
    BOOL ShutterOpen() const override { return shutterOpen; }
    void OpenShutter() override { shutterOpen = TRUE; }
    void CloseShutter() override { shutterOpen = FALSE; }
    BOOL Deliver() override
    {
        ++depth;
        deepest = std::max(deepest, depth);
        deliveredAt.push_back(CTime::GetCurrentTime().GetTime());
        if (clock && deliveryMs)
            clock->Spend(deliveryMs);
        if (duringDelivery)
            duringDelivery();
        --depth;
        const BOOL result = failAfter < 0 || int(deliveredAt.size()) <= failAfter;
        return result;
    }
    void PlaySoundFile(const char* name) override { sounds.emplace_back(name); }
    void EnableSelection(BOOL enable) override { selection = enable; }
    void RefreshTakePicture() override { ++refreshes; }
    void ShowMessage(UINT stringId) override { messages.push_back(stringId); }
    CSelfTimerDisplay& SelfTimerDisplay() override { return selfTimer; }
    CAutoCaptureDisplay& AutoCaptureDisplay() override { return autoDisplay; }

    int Sounds(const char* name) const { return int(std::count(sounds.begin(), sounds.end(), name)); }
    int Deliveries() const { return int(deliveredAt.size()); }

    FakeClock* clock = nullptr;
    BOOL camera = TRUE;
    BOOL shutterOpen = FALSE;
    BOOL selection = TRUE;
    int refreshes = 0;
    int depth = 0;
    int deepest = 0;
    int failAfter = -1;   // deliveries after this many fail; -1 never
    DWORD deliveryMs = 0;
    std::function<void()> duringDelivery;
    std::vector<time_t> deliveredAt;
    std::vector<std::string> sounds;
    std::vector<UINT> messages;
    CSelfTimerDisplay selfTimer;
    CAutoCaptureDisplay autoDisplay;
};

class CaptureMachineTest : public ::testing::Test {
protected:
    CaptureMachineTest()
    {
        ResetMessageQueue();
        EXPECT_TRUE(app.InitializeOrb());
        host.clock = &*clock;
        schedule.SelectPreset(0);   // every 10 seconds
    }
    ~CaptureMachineTest() override
    {
        machine.Silence();
        app.UninitializeOrb();
        ResetMessageQueue();
    }

    void Press() { machine.OnTakePictureButton(); }
    UINT ShownCommand() const
    {
        UINT label = 0, command = 0;
        return machine.TakePictureCommand(label, command) ? command : 0;
    }
    time_t Now() const { return CTime::GetCurrentTime().GetTime(); }

    ScopedFakeClock clock;
    ScopedTestUi ui;
    MWinApp app{"capturemachinetest"};
    FakeHost host;
    CViewModes modes;
    CAutoCaptureSchedule schedule;
    CCaptureMachine machine{host, modes, schedule};
};

// Every mode's button (and SPACE) path: what the first press shows and does,
// and what a second press does.
struct PressCase {
    const char* name;
    WORD exposure, shutter;
    BOOL selfTimer;
    WORD multi;
    UINT firstCommand;
    // After the first press:
    int state, deliveries;
    bool open, countdown, autoWait, running, busy;
    UINT secondCommand;
    // After the second press:
    int stateAfter, deliveriesAfter;
    bool openAfter, countdownAfter, runningAfter;
};

TEST_F(CaptureMachineTest, EachModesButtonRunsWhatItShowsAndASecondPressNeverRestarts)
{
    const PressCase cases[] = {
        {"plain", kExposureSingle, kShutterNormal, FALSE, kMultiOne, ID_TAKE_PICTURE, csTakePicture, 1, false,
         false, false, false, false, ID_TAKE_PICTURE, csTakePicture, 2, false, false, false},
        {"burst", kExposureSingle, kShutterNormal, FALSE, kMultiThree, ID_TAKE_PICTURE, csTakePicture, 1, false,
         false, false, false, false, ID_TAKE_PICTURE, csTakePicture, 2, false, false, false},
        {"self timer", kExposureSingle, kShutterNormal, TRUE, kMultiOne, ID_START_SELF_TIMER, csSelfTimer, 0,
         false, true, false, true, true, ID_STOP_SELF_TIMER, csTakePicture, 1, false, false, false},
        {"bulb", kExposureSingle, kShutterBulb, FALSE, kMultiOne, ID_OPEN_SHUTTER, csBulbOpen, 0, true, false,
         false, false, true, ID_CLOSE_SHUTTER, csTakePicture, 1, false, false, false},
        {"timed", kExposureSingle, kShutterTimed, FALSE, kMultiOne, ID_OPEN_SHUTTER, csTimedExposure, 0, true,
         false, false, true, true, ID_CLOSE_SHUTTER, csTakePicture, 1, false, false, false},
        // Counting down to open the shutter, the button offers to close it:
        // the countdown ends at once and the shutter opens.
        {"bulb after self timer", kExposureSingle, kShutterBulb, TRUE, kMultiOne, ID_OPEN_SHUTTER, csSelfTimer, 0,
         false, true, false, true, true, ID_CLOSE_SHUTTER, csBulbOpen, 0, true, false, false},
        {"timed after self timer", kExposureSingle, kShutterTimed, TRUE, kMultiOne, ID_OPEN_SHUTTER, csSelfTimer,
         0, false, true, false, true, true, ID_CLOSE_SHUTTER, csTimedExposure, 0, true, false, true},
        {"auto capture", kExposureAuto, kShutterNormal, FALSE, kMultiOne, ID_START_CAPTURE, csAutoCaptureWait, 0,
         false, false, true, true, true, ID_STOP_CAPTURE, csStop, 0, false, false, false},
        {"auto capture after self timer", kExposureAuto, kShutterNormal, TRUE, kMultiOne, ID_START_CAPTURE,
         csSelfTimer, 0, false, true, false, true, true, ID_STOP_CAPTURE, csStop, 0, false, false, false},
    };
    for (const PressCase& c : cases) {
        SCOPED_TRACE(c.name);
        machine.Advance(csStop);
        host.deliveredAt.clear();
        modes.exposureMode = c.exposure;
        modes.shutterMode = c.shutter;
        modes.selfTimerOn = c.selfTimer;
        modes.selfTimerSeconds = 10;
        modes.timedExposureSeconds = 60;
        modes.multiExposureMode = c.multi;
        modes.destination = c.multi == kMultiOne ? kDestFile : kDestFilmroll;

        EXPECT_EQ(ShownCommand(), c.firstCommand);
        Press();
        EXPECT_EQ(machine.State(), c.state);
        EXPECT_EQ(host.Deliveries(), c.deliveries);
        EXPECT_EQ(bool(host.shutterOpen), c.open);
        EXPECT_EQ(host.selfTimer.IsShown(), c.countdown);
        EXPECT_EQ(host.autoDisplay.IsShown(), c.autoWait);
        EXPECT_EQ(bool(machine.IsStepTimerRunning()), c.running);
        EXPECT_EQ(bool(machine.IsBusy()), c.busy);

        clock->Advance(1000);
        EXPECT_EQ(ShownCommand(), c.secondCommand);
        Press();
        EXPECT_EQ(machine.State(), c.stateAfter);
        EXPECT_EQ(host.Deliveries(), c.deliveriesAfter);
        EXPECT_EQ(bool(host.shutterOpen), c.openAfter);
        EXPECT_EQ(host.selfTimer.IsShown(), c.countdownAfter);
        EXPECT_EQ(bool(machine.IsStepTimerRunning()), c.runningAfter);
        EXPECT_FALSE(host.autoDisplay.IsShown());
    }
}

TEST_F(CaptureMachineTest, WithoutACameraTheButtonDoesNothing)
{
    host.camera = FALSE;
    Press();
    EXPECT_EQ(host.Deliveries(), 0);
    EXPECT_EQ(host.refreshes, 1);
}

TEST_F(CaptureMachineTest, StartCommandsWhileSomethingRunsAreRefused)
{
    modes.shutterMode = kShutterTimed;
    modes.timedExposureSeconds = 10;
    machine.RunPictureCommand(ID_OPEN_SHUTTER);
    clock->Advance(6000);
    for (UINT id : {ID_OPEN_SHUTTER, ID_TAKE_PICTURE, ID_START_SELF_TIMER, ID_START_CAPTURE})
        machine.RunPictureCommand(id);
    EXPECT_EQ(host.Sounds("CLICK.WAV"), 1);
    EXPECT_EQ(machine.State(), csTimedExposure);
    // The exposure keeps its first start: it ends 10 s after it began.
    clock->Advance(4000);
    EXPECT_EQ(host.Deliveries(), 1);
    EXPECT_FALSE(host.shutterOpen);
}

struct WarningCase {
    const char* name;
    BOOL warning;
    WORD exposure;
    int low, high;
};

TEST_F(CaptureMachineTest, TheSelfTimerCountsDownAndWarnsOnceAtTwoAndOnceAtOne)
{
    const WarningCase cases[] = {
        {"warnings on", TRUE, kExposureSingle, 1, 1},
        {"warnings off", FALSE, kExposureSingle, 0, 0},
        {"auto capture never warns", TRUE, kExposureAuto, 0, 0},
    };
    for (const WarningCase& c : cases) {
        SCOPED_TRACE(c.name);
        machine.Advance(csStop);
        host.sounds.clear();
        host.deliveredAt.clear();
        schedule.warning = c.warning;
        modes.exposureMode = c.exposure;
        modes.selfTimerOn = TRUE;
        modes.selfTimerSeconds = 5;
        machine.RunPictureCommand(c.exposure == kExposureAuto ? ID_START_CAPTURE : ID_START_SELF_TIMER);
        EXPECT_EQ(host.selfTimer.ShownSeconds(), 5u);
        EXPECT_FALSE(host.selection);
        clock->Advance(2600);
        EXPECT_EQ(host.selfTimer.ShownSeconds(), 3u);
        EXPECT_EQ(host.Sounds("low.wav"), 0);
        clock->Advance(500);   // 3 s passed: 2 remain
        EXPECT_EQ(host.selfTimer.ShownSeconds(), 2u);
        EXPECT_EQ(host.Sounds("low.wav"), c.low);
        clock->Advance(1000);
        EXPECT_EQ(host.Sounds("high.wav"), c.high);
        EXPECT_EQ(host.Deliveries(), 0);
        clock->Advance(1000);
        EXPECT_EQ(host.Sounds("low.wav"), c.low);
        EXPECT_EQ(host.Sounds("high.wav"), c.high);
        EXPECT_FALSE(host.selfTimer.IsShown());
        if (c.exposure == kExposureAuto) {
            EXPECT_EQ(machine.State(), csAutoCaptureWait);
            EXPECT_TRUE(host.autoDisplay.IsShown());
        } else {
            EXPECT_EQ(host.Deliveries(), 1);
            EXPECT_FALSE(machine.IsStepTimerRunning());
        }
    }
}

TEST_F(CaptureMachineTest, TheBulbShutterStaysOpenUntilClosed)
{
    modes.shutterMode = kShutterBulb;
    machine.RunPictureCommand(ID_OPEN_SHUTTER);
    EXPECT_EQ(host.Sounds("CLICK.WAV"), 1);
    EXPECT_TRUE(host.shutterOpen);
    EXPECT_FALSE(host.selection);
    EXPECT_FALSE(machine.IsStepTimerRunning());
    clock->Advance(3600 * 1000);
    EXPECT_EQ(host.Deliveries(), 0);
    EXPECT_TRUE(machine.IsBusy());
    EXPECT_EQ(ShownCommand(), ID_CLOSE_SHUTTER);
    machine.RunPictureCommand(ID_CLOSE_SHUTTER);
    EXPECT_EQ(host.Deliveries(), 1);
    EXPECT_FALSE(host.shutterOpen);
    EXPECT_FALSE(machine.IsBusy());
    EXPECT_EQ(ShownCommand(), ID_OPEN_SHUTTER);
    // Closing what is not open takes no picture.
    machine.RunPictureCommand(ID_CLOSE_SHUTTER);
    EXPECT_EQ(host.Deliveries(), 1);
}

TEST_F(CaptureMachineTest, ATimedExposureRunsItsWholeLengthUpToADay)
{
    modes.shutterMode = kShutterTimed;
    for (DWORD seconds : {1u, 65535u, 65536u, 70000u, 86400u}) {
        SCOPED_TRACE(seconds);
        host.deliveredAt.clear();
        modes.timedExposureSeconds = seconds;
        machine.RunPictureCommand(ID_OPEN_SHUTTER);
        const time_t opened = Now();
        clock->Advance(seconds * 1000 - 500);
        EXPECT_EQ(host.Deliveries(), 0);
        EXPECT_TRUE(host.shutterOpen);
        clock->Advance(500);
        ASSERT_EQ(host.Deliveries(), 1);
        EXPECT_EQ(host.deliveredAt[0] - opened, time_t(seconds));
        EXPECT_FALSE(host.shutterOpen);
        EXPECT_FALSE(machine.IsStepTimerRunning());
    }
}

TEST_F(CaptureMachineTest, OneHourAutoCaptureTakesItsFirstPictureAtTheHourAndSlowDeliveriesDoNotDrift)
{
    modes.exposureMode = kExposureAuto;
    schedule.SelectPreset(3);
    ASSERT_EQ(schedule.IntervalSeconds(), 3600u);
    host.deliveryMs = 2000;
    const time_t start = Now();
    machine.RunPictureCommand(ID_START_CAPTURE);
    clock->Advance(3600 * 1000 - 500);
    EXPECT_EQ(host.Deliveries(), 0);
    clock->Advance(500);
    ASSERT_EQ(host.Deliveries(), 1);
    clock->Advance(9 * 3600 * 1000);
    ASSERT_EQ(host.Deliveries(), 10);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(host.deliveredAt[i] - start, 3600 * (i + 1)) << "picture " << i;
    EXPECT_EQ(machine.State(), csAutoCaptureWait);
}

TEST_F(CaptureMachineTest, AClockSetBackADayWaitsOneIntervalNotADay)
{
    modes.exposureMode = kExposureAuto;
    machine.RunPictureCommand(ID_START_CAPTURE);
    clock->Advance(10000);
    ASSERT_EQ(host.Deliveries(), 1);
    clock->SetCurrentTime(Now() - 86400);
    const time_t setBack = Now();
    clock->Advance(10000);
    ASSERT_EQ(host.Deliveries(), 2);
    EXPECT_LE(host.deliveredAt[1] - setBack, 10);
}

TEST_F(CaptureMachineTest, OnlyAStepTaggedTickStepsTheMachine)
{
    modes.shutterMode = kShutterTimed;
    modes.timedExposureSeconds = 3;
    machine.RunPictureCommand(ID_OPEN_SHUTTER);
    clock->Spend(5000);   // time passes with no tick delivered
    for (void* data : {TimerData(TimerTag::Brightness), static_cast<void*>(nullptr)})
        machine.MTimerUserOnTimer(data);
    EXPECT_EQ(host.Deliveries(), 0);
    EXPECT_EQ(machine.State(), csTimedExposure);
    machine.MTimerUserOnTimer(TimerData(TimerTag::Step));
    EXPECT_EQ(host.Deliveries(), 1);
}

TEST_F(CaptureMachineTest, ATickDuringAModalBoxOfADeliveryDoesNotStepAgain)
{
    modes.exposureMode = kExposureAuto;
    // The box's modal loop lets the step timer through, late enough that
    // another picture would be due.
    host.duringDelivery = [this, once = true]() mutable {
        if (!std::exchange(once, false))
            return;
        clock->Spend(20000);
        machine.MTimerUserOnTimer(TimerData(TimerTag::Step));
    };
    machine.RunPictureCommand(ID_START_CAPTURE);
    clock->Advance(10000);
    // The picture due after the box is taken by the next tick, not inside it.
    EXPECT_EQ(host.deepest, 1);
    EXPECT_GE(host.Deliveries(), 1);
    EXPECT_EQ(machine.State(), csAutoCaptureWait);
}

TEST_F(CaptureMachineTest, StopCaptureChosenDuringADeliveryEndsTheRun)
{
    modes.exposureMode = kExposureAuto;
    host.duringDelivery = [this] { machine.RunPictureCommand(ID_STOP_CAPTURE); };
    machine.RunPictureCommand(ID_START_CAPTURE);
    clock->Advance(10000);
    EXPECT_EQ(host.Deliveries(), 1);
    EXPECT_EQ(machine.State(), csStop);
    EXPECT_FALSE(machine.IsStepTimerRunning());
    EXPECT_FALSE(host.autoDisplay.IsShown());
    clock->Advance(30000);
    EXPECT_EQ(host.Deliveries(), 1);
}

TEST_F(CaptureMachineTest, AutoCaptureRunsUntilAPictureCannotBeDelivered)
{
    modes.exposureMode = kExposureAuto;
    host.failAfter = 3;
    machine.RunPictureCommand(ID_START_CAPTURE);
    clock->Advance(30000);
    EXPECT_EQ(host.Deliveries(), 3);
    EXPECT_TRUE(machine.IsStepTimerRunning());
    clock->Advance(10000);
    EXPECT_EQ(host.Deliveries(), 4);
    EXPECT_EQ(machine.State(), csStop);
    EXPECT_FALSE(machine.IsStepTimerRunning());
    EXPECT_FALSE(host.autoDisplay.IsShown());
    EXPECT_EQ(ShownCommand(), ID_START_CAPTURE);
}

TEST_F(CaptureMachineTest, TimedAutoCaptureOpensTheShutterEachPeriodAndWarnsWhenItDoesNotFit)
{
    modes.exposureMode = kExposureAuto;
    modes.shutterMode = kShutterTimed;
    modes.timedExposureSeconds = 4;
    machine.RunPictureCommand(ID_START_CAPTURE);
    EXPECT_TRUE(host.messages.empty());
    clock->Advance(10000);
    EXPECT_TRUE(host.shutterOpen);
    clock->Advance(4000);
    EXPECT_EQ(host.Deliveries(), 1);
    EXPECT_FALSE(host.shutterOpen);
    EXPECT_TRUE(machine.IsStepTimerRunning());
    EXPECT_EQ(machine.State(), csAutoCaptureWait);
    machine.RunPictureCommand(ID_STOP_CAPTURE);

    // Longer than the interval: said so, and the run starts anyway.
    modes.timedExposureSeconds = 60;
    machine.RunPictureCommand(ID_START_CAPTURE);
    EXPECT_EQ(host.messages, std::vector<UINT>{IDS_EXPOSURE_TOO_LONG});
    EXPECT_EQ(machine.State(), csAutoCaptureWait);
}

}  // namespace
