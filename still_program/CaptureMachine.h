// The capture state machine: the self timer, the bulb and timed shutters, the
// auto-capture waits, and the picture at the end of each. A plain class with
// no window: it reads the view's modes and schedule, keeps its own state and
// 500 ms step timer, and reaches the camera, the sounds and the screen through
// CCaptureHost, which the view implements and tests fake.
#pragma once

#include "CaptureModes.h"
#include "Displays.h"
#include "Mtimer.h"
#include "Schedule.h"

#include <cstdint>

enum CaptureState : int {
    csStartSelfTimer = 0,
    csSelfTimer = 1,
    csSelfTimerDone = 2,
    csBulbOpen = 3,
    csStartTimedExposure = 4,
    csTimedExposure = 5,
    csTimedExposureDone = 6,
    csStartAutoCapture = 7,
    csAutoCaptureWait = 8,
    csStop = 9,
    csTakePicture = 10,
    csContinue = 11,
};

// The `data` each of the view's MTimers carries, so that one callback can tell
// them apart: only the step timer may move the machine.
enum class TimerTag : std::uintptr_t { Step = 1, Brightness = 2 };
inline void* TimerData(TimerTag tag) { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(tag)); }

// What the machine needs from the program around it.
class CCaptureHost {
public:
    virtual ~CCaptureHost() = default;
    virtual BOOL HasCamera() const = 0;
    // The camera's shutter is held open (bulb or timed exposure).
    virtual BOOL ShutterOpen() const = 0;
    // Opens the camera's shutter and greys the "Take Picture" button.
    virtual void OpenShutter() = 0;
    virtual void CloseShutter() = 0;
    // Grabs the picture and sends it to its destination; FALSE when it could
    // not be delivered.
    virtual BOOL Deliver() = 0;
    virtual void PlaySoundFile(const char* name) = 0;
    // The camera picture's mouse selection.
    virtual void EnableSelection(BOOL enable) = 0;
    // The File menu's first item and the button, as the machine now stands.
    virtual void RefreshTakePicture() = 0;
    virtual void ShowMessage(UINT stringId) = 0;
    virtual CSelfTimerDisplay& SelfTimerDisplay() = 0;
    virtual CAutoCaptureDisplay& AutoCaptureDisplay() = 0;
};

class CCaptureMachine : public MTimerUser {
public:
    static constexpr unsigned short kStepMs = 500;

    CCaptureMachine(CCaptureHost& host, const CViewModes& modes, const CAutoCaptureSchedule& schedule);
    ~CCaptureMachine() override;
    CCaptureMachine(const CCaptureMachine&) = delete;
    CCaptureMachine& operator=(const CCaptureMachine&) = delete;

    // Makes `state` current (unless it is csContinue) and runs the machine
    // until it has to wait.
    void Advance(int state);
    int State() const { return m_state; }
    BOOL IsStepTimerRunning() const { return m_stepTimerRunning; }
    // A self timer, an exposure or an auto-capture run is under way, or the
    // shutter is open: the mode commands wait until it ends.
    BOOL IsBusy() const;
    // The self timer's countdown is running.
    BOOL CountingDown() const { return m_state == csSelfTimer && m_stepTimerRunning; }
    const CCountdown& SelfTimerCountdown() const { return m_countdown; }
    const CAutoCaptureTimer& AutoCaptureTimer() const { return m_autoTimer; }

    // The label id and command id that fit the modes now; FALSE when none.
    BOOL TakePictureCommand(UINT& labelId, UINT& commandId) const;
    // One of the seven picture commands of the File menu and the button.
    void RunPictureCommand(UINT id);
    // The button and SPACE: the command the File menu shows, then a refresh.
    void OnTakePictureButton();
    BOOL ExposureFitsInterval() const;
    // The program closes: no further step runs, nothing else is touched.
    void Silence() { StopStepTimer(); }

    // MTimerUser: a step timer tick; any other timer's tick is not ours.
    void MTimerUserOnTimer(void* data) override;

private:
    bool Step();
    bool StartSelfTimer();
    bool SelfTimerTick();
    bool SelfTimerDone();
    bool StartTimedExposure();
    bool StartAutoCapture();
    bool AutoCaptureWait();
    bool TakePicture();
    bool Halt();
    void PlayWarnings(DWORD remaining);
    void StartStepTimer();
    void StopStepTimer();
    void OpenShutter();
    void CloseShutterIfOpen();
    void HideDisplays();
    void Refresh();
    bool AutoCapture() const { return m_modes.exposureMode == kExposureAuto; }
    bool HeldShutter() const { return m_modes.shutterMode == kShutterBulb || m_modes.shutterMode == kShutterTimed; }

    CCaptureHost& m_host;
    const CViewModes& m_modes;
    const CAutoCaptureSchedule& m_schedule;
    MTimer m_stepTimer;
    BOOL m_stepTimerRunning = FALSE;
    int m_state = csStartSelfTimer;
    int m_soundPhase = 0;
    BOOL m_firstWarningPlayed = FALSE;
    CCountdown m_countdown;
    CCountdown m_timedExposure;
    CAutoCaptureTimer m_autoTimer;
    // Set while the machine runs: a tick that arrives meanwhile (through the
    // modal loop of a message box during a delivery) is dropped, not run twice.
    bool m_running = false;
};
