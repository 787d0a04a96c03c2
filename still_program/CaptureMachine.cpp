#include "CaptureMachine.h"

#include "framework/Clock.h"
#include "resource.h"

CCaptureMachine::CCaptureMachine(CCaptureHost& host, const CViewModes& modes, const CAutoCaptureSchedule& schedule)
    : m_host(host), m_modes(modes), m_schedule(schedule)
{
}

CCaptureMachine::~CCaptureMachine() { StopStepTimer(); }

void CCaptureMachine::MTimerUserOnTimer(void* data)
{
    if (data != TimerData(TimerTag::Step) || !m_stepTimerRunning)
        return;
    Advance(csContinue);
}

void CCaptureMachine::Advance(int state)
{
    // A tick let through by a message box inside a step would run the same
    // step twice; commands still get through (Stop Capture must).
    if (state == csContinue && m_running)
        return;
    if (state != csContinue)
        m_state = state;
    const bool outermost = !m_running;
    m_running = true;
    while (Step()) {
    }
    if (outermost)
        m_running = false;
}

BOOL CCaptureMachine::IsBusy() const
{
    return m_state == csAutoCaptureWait || (m_stepTimerRunning && AutoCapture()) || m_state == csSelfTimer ||
           m_state == csTimedExposure || m_host.ShutterOpen();
}

// One state's step; true runs the (new) state's step at once.
bool CCaptureMachine::Step()
{
    switch (m_state) {
    case csStartSelfTimer: return StartSelfTimer();
    case csSelfTimer: return SelfTimerTick();
    case csSelfTimerDone: return SelfTimerDone();
    case csBulbOpen:
        OpenShutter();
        Refresh();
        m_host.EnableSelection(FALSE);
        return false;   // until Close Shutter
    case csStartTimedExposure: return StartTimedExposure();
    case csTimedExposure:
        if (!m_timedExposure.Done(GetTickCount()))
            return false;
        m_state = csTimedExposureDone;
        return true;
    case csTimedExposureDone:
        m_state = csTakePicture;
        Refresh();
        m_host.EnableSelection(FALSE);
        return true;
    case csStartAutoCapture: return StartAutoCapture();
    case csAutoCaptureWait: return AutoCaptureWait();
    case csStop: return Halt();
    case csTakePicture: return TakePicture();
    default: return false;
    }
}

bool CCaptureMachine::StartSelfTimer()
{
    m_firstWarningPlayed = FALSE;
    StartStepTimer();
    m_host.EnableSelection(FALSE);
    m_state = csSelfTimer;
    m_countdown = CCountdown{GetTickCount(), m_modes.selfTimerSeconds};
    m_host.SelfTimerDisplay().Show(m_countdown);
    Refresh();
    return true;
}

bool CCaptureMachine::SelfTimerTick()
{
    const DWORD now = GetTickCount();
    if (m_countdown.Done(now)) {
        m_state = csSelfTimerDone;
        return true;
    }
    const DWORD remaining = m_countdown.Remaining(now);
    if (m_schedule.warning && !AutoCapture())
        PlayWarnings(remaining);
    m_host.SelfTimerDisplay().Redraw(remaining);
    return false;
}

void CCaptureMachine::PlayWarnings(DWORD remaining)
{
    if (!m_firstWarningPlayed && remaining == 2) {
        m_firstWarningPlayed = TRUE;
        m_host.PlaySoundFile("low.wav");
    } else if (m_soundPhase == 1 && remaining == 1) {
        m_soundPhase = 2;
        m_host.PlaySoundFile("high.wav");
    }
}

bool CCaptureMachine::SelfTimerDone()
{
    StopStepTimer();
    HideDisplays();
    if (AutoCapture())
        m_state = csStartAutoCapture;
    else if (m_modes.shutterMode == kShutterBulb)
        m_state = csBulbOpen;
    else if (m_modes.shutterMode == kShutterTimed)
        m_state = csStartTimedExposure;
    else
        m_state = csTakePicture;
    Refresh();
    return true;
}

bool CCaptureMachine::StartTimedExposure()
{
    StartStepTimer();
    m_host.EnableSelection(FALSE);
    // The whole length, up to a day: a 16-bit count would cut long ones short.
    m_timedExposure = CCountdown{GetTickCount(), m_modes.timedExposureSeconds};
    OpenShutter();
    m_state = csTimedExposure;
    Refresh();
    return true;
}

bool CCaptureMachine::StartAutoCapture()
{
    StartStepTimer();
    m_host.EnableSelection(FALSE);
    m_autoTimer.Start();
    m_state = csAutoCaptureWait;
    if (m_host.SelfTimerDisplay().IsShown())
        m_host.SelfTimerDisplay().Hide();
    m_host.AutoCaptureDisplay().Show();
    Refresh();
    m_firstWarningPlayed = FALSE;
    return true;
}

bool CCaptureMachine::AutoCaptureWait()
{
    m_host.AutoCaptureDisplay().Animate();
    DWORD remaining = 0;
    if (!m_autoTimer.PictureDue(m_schedule, remaining))
        return false;
    m_state = m_modes.shutterMode == kShutterNormal ? csTakePicture : csStartTimedExposure;
    m_firstWarningPlayed = FALSE;
    return true;
}

bool CCaptureMachine::Halt()
{
    CloseShutterIfOpen();
    StopStepTimer();
    Refresh();
    HideDisplays();
    return false;
}

bool CCaptureMachine::TakePicture()
{
    BOOL delivered = FALSE;
    m_soundPhase = 1;
    if (HeldShutter()) {
        StopStepTimer();
        if (m_host.ShutterOpen())
            delivered = m_host.Deliver();
    } else {
        delivered = m_host.Deliver();
    }
    // Stop Capture chosen while a box of the delivery was up has had its say.
    if (m_state != csTakePicture)
        return false;
    if (m_modes.shutterMode == kShutterTimed && AutoCapture())
        StartStepTimer();
    if (AutoCapture()) {
        // Only a picture that could not be delivered ends the run.
        CloseShutterIfOpen();
        m_state = delivered ? csAutoCaptureWait : csStop;
        Refresh();
        return true;
    }
    CloseShutterIfOpen();
    StopStepTimer();
    Refresh();
    HideDisplays();
    return false;
}

void CCaptureMachine::StartStepTimer()
{
    if (m_stepTimerRunning)
        return;
    if (m_stepTimer.Initialize(this, kStepMs, TimerData(TimerTag::Step)) && m_stepTimer.Start())
        m_stepTimerRunning = TRUE;
}

void CCaptureMachine::StopStepTimer()
{
    if (!m_stepTimerRunning)
        return;
    m_stepTimer.Stop();
    m_stepTimerRunning = FALSE;
}

void CCaptureMachine::OpenShutter()
{
    m_host.PlaySoundFile("CLICK.WAV");
    m_host.OpenShutter();
    m_soundPhase = 1;
}

void CCaptureMachine::CloseShutterIfOpen()
{
    if (m_host.ShutterOpen())
        m_host.CloseShutter();
}

void CCaptureMachine::HideDisplays()
{
    if (m_host.SelfTimerDisplay().IsShown())
        m_host.SelfTimerDisplay().Hide();
    if (m_host.AutoCaptureDisplay().IsShown())
        m_host.AutoCaptureDisplay().Hide();
}

void CCaptureMachine::Refresh()
{
    m_host.RefreshTakePicture();
    if (CountingDown() && m_host.SelfTimerDisplay().IsShown())
        m_host.SelfTimerDisplay().Redraw(m_countdown.Remaining(GetTickCount()));
}

BOOL CCaptureMachine::TakePictureCommand(UINT& labelId, UINT& commandId) const
{
    const BOOL running = m_stepTimerRunning;
    const CViewModes& m = m_modes;
    if (m.exposureMode == kExposureAuto && m.multiExposureMode == kMultiOne) {
        labelId = running ? IDS_STOP_CAPTURE : IDS_START_CAPTURE;
        commandId = running ? ID_STOP_CAPTURE : ID_START_CAPTURE;
        return TRUE;
    }
    if (m.shutterMode == kShutterNormal && m.selfTimerOn) {
        labelId = running ? IDS_STOP_SELF_TIMER : IDS_START_SELF_TIMER;
        commandId = running ? ID_STOP_SELF_TIMER : ID_START_SELF_TIMER;
        return TRUE;
    }
    if (HeldShutter()) {
        // While the self timer counts towards opening the shutter, and while
        // it is open, the one thing left to do is close it.
        const bool close = m_host.ShutterOpen() || CountingDown();
        labelId = close ? IDS_CLOSE_SHUTTER : IDS_OPEN_SHUTTER;
        commandId = close ? ID_CLOSE_SHUTTER : ID_OPEN_SHUTTER;
        return TRUE;
    }
    if (m.multiExposureMode != kMultiOne && m.destination == kDestFilmroll) {
        labelId = IDS_TAKE_PICTURES;
        commandId = ID_TAKE_PICTURE;
        return TRUE;
    }
    if (m.shutterMode == kShutterNormal && !m.selfTimerOn) {
        labelId = IDS_TAKE_PICTURE;
        commandId = ID_TAKE_PICTURE;
        return TRUE;
    }
    return FALSE;
}

void CCaptureMachine::RunPictureCommand(UINT id)
{
    // A command that starts something is refused while something runs: a
    // second press must never restart a countdown, an exposure or a run.
    const bool start = id == ID_TAKE_PICTURE || id == ID_START_SELF_TIMER || id == ID_OPEN_SHUTTER ||
                       id == ID_START_CAPTURE;
    if (start && IsBusy())
        return;
    if (start)
        m_soundPhase = 1;
    switch (id) {
    case ID_TAKE_PICTURE: Advance(csTakePicture); break;
    case ID_START_SELF_TIMER: Advance(csStartSelfTimer); break;
    case ID_STOP_SELF_TIMER:
        if (CountingDown())
            Advance(csSelfTimerDone);
        break;
    case ID_OPEN_SHUTTER:
        if (m_modes.selfTimerOn)
            Advance(csStartSelfTimer);
        else if (m_modes.shutterMode == kShutterBulb)
            Advance(csBulbOpen);
        else if (m_modes.shutterMode == kShutterTimed)
            Advance(csStartTimedExposure);
        break;
    case ID_CLOSE_SHUTTER:
        // During the countdown: the countdown ends now and the shutter opens.
        if (CountingDown())
            Advance(csSelfTimerDone);
        else if (m_host.ShutterOpen())
            Advance(csTakePicture);
        break;
    case ID_START_CAPTURE:
        if (!ExposureFitsInterval())
            m_host.ShowMessage(IDS_EXPOSURE_TOO_LONG);
        Advance(m_modes.selfTimerOn ? csStartSelfTimer : csStartAutoCapture);
        break;
    case ID_STOP_CAPTURE: Advance(csStop); break;
    default: break;
    }
}

void CCaptureMachine::OnTakePictureButton()
{
    UINT labelId = 0, commandId = 0;
    if (m_host.HasCamera() && TakePictureCommand(labelId, commandId))
        RunPictureCommand(commandId);
    m_host.RefreshTakePicture();
}

BOOL CCaptureMachine::ExposureFitsInterval() const
{
    return !m_schedule.ExposureTooLong(m_modes.exposureMode, m_modes.shutterMode, m_modes.timedExposureSeconds);
}
