// The capture state machine: self timer, shutters, auto-capture waits, and
// the picture at the end of each.
#include "SnapvoView.h"

#include "types/wintypes.h"   // Sounds.h names BOOL without it
#include "Sounds.h"
#include "framework/Clock.h"

namespace {
// One timer callback at a time across the program: a delivery that shows a
// box lets further ticks through the modal loop.
bool g_inStepCallback = false;
}  // namespace

void CSnapvoView::MTimerUserOnTimer(void* data)
{
    if (data == BrightnessTimerTag()) {
        FollowCameraBrightness();
        return;
    }
    if (g_inStepCallback)
        return;
    g_inStepCallback = true;
    if (m_stepTimerRunning)
        Advance(csContinue);
    g_inStepCallback = false;
}

BOOL CSnapvoView::IsBusy() const
{
    const bool autoCapture = m_modes.exposureMode == kExposureAuto;
    return m_state == csAutoCaptureWait || (m_stepTimerRunning && autoCapture) || m_state == csSelfTimer ||
           m_state == csTimedExposure || (m_camera && m_camera->IsExposing());
}

void CSnapvoView::StartStepTimer()
{
    if (m_stepTimerRunning)
        return;
    if (m_stepTimer.Initialize(this, 500, nullptr) && m_stepTimer.Start())
        m_stepTimerRunning = TRUE;
}

void CSnapvoView::StopStepTimer()
{
    if (!m_stepTimerRunning)
        return;
    m_stepTimer.Stop();
    m_stepTimerRunning = FALSE;
}

void CSnapvoView::EnableSelection(BOOL enable)
{
    if (m_camera)
        m_camera->EnableSelection(enable);
}

void CSnapvoView::PlaySoundFile(const char* name) { PlayProgramSound(name, m_workingDirectory); }

void CSnapvoView::OpenShutter()
{
    PlaySoundFile("CLICK.WAV");
    if (m_camera)
        m_camera->OpenShutter();
    m_button.EnableWindow(FALSE);
    m_soundPhase = 1;
}

void CSnapvoView::CloseShutter()
{
    if (m_camera)
        m_camera->CloseShutter();
    m_button.EnableWindow(TRUE);
}

void CSnapvoView::HideDisplays()
{
    if (m_selfTimerDisplay.IsShown())
        m_selfTimerDisplay.Hide();
    if (m_autoDisplay.IsShown())
        m_autoDisplay.Hide();
}

void CSnapvoView::Refresh()
{
    RefreshTakePicture();
    if (m_selfTimerDisplay.IsShown())
        m_selfTimerDisplay.Redraw(m_selfTimerDisplay.Countdown().Remaining(GetTickCount()));
}

void CSnapvoView::Advance(int state)
{
    if (state != csContinue)
        m_state = state;
    while (Step()) {
    }
}

// One state's step; true runs the (new) state's step at once.
bool CSnapvoView::Step()
{
    const bool autoCapture = m_modes.exposureMode == kExposureAuto;
    const DWORD now = GetTickCount();
    switch (m_state) {
    case csStartSelfTimer:
        m_firstWarningPlayed = FALSE;
        StartStepTimer();
        EnableSelection(FALSE);
        m_state = csSelfTimer;
        m_selfTimerDisplay.Show(CCountdown{now, m_modes.selfTimerSeconds});
        Refresh();
        [[fallthrough]];
    case csSelfTimer: {
        const CCountdown& countdown = m_selfTimerDisplay.Countdown();
        if (!countdown.Done(GetTickCount())) {
            if (m_schedule.warning && !autoCapture) {
                const DWORD remaining = countdown.Remaining(GetTickCount());
                if (!m_firstWarningPlayed && remaining == 2) {
                    m_firstWarningPlayed = TRUE;
                    PlaySoundFile("low.wav");
                } else if (m_soundPhase == 1 && remaining == 1) {
                    m_soundPhase = 2;
                    PlaySoundFile("high.wav");
                }
            }
            m_selfTimerDisplay.Redraw(countdown.Remaining(GetTickCount()));
            return false;
        }
        m_state = csSelfTimerDone;
    }
        [[fallthrough]];
    case csSelfTimerDone:
        StopStepTimer();
        HideDisplays();
        if (autoCapture)
            m_state = csStartAutoCapture;
        else if (m_modes.shutterMode == kShutterBulb)
            m_state = csBulbOpen;
        else if (m_modes.shutterMode == kShutterTimed)
            m_state = csStartTimedExposure;
        else
            m_state = csTakePicture;
        Refresh();
        return true;
    case csBulbOpen:
        OpenShutter();
        Refresh();
        EnableSelection(FALSE);
        return false;
    case csStartTimedExposure:
        StartStepTimer();
        EnableSelection(FALSE);
        // The whole length, up to a day: a 16-bit count would cut long ones short.
        m_timedExposure = CCountdown{now, m_modes.timedExposureSeconds};
        OpenShutter();
        m_state = csTimedExposure;
        Refresh();
        [[fallthrough]];
    case csTimedExposure:
        if (!m_timedExposure.Done(GetTickCount()))
            return false;
        m_state = csTimedExposureDone;
        [[fallthrough]];
    case csTimedExposureDone:
        m_state = csTakePicture;
        Refresh();
        EnableSelection(FALSE);
        return true;
    case csStartAutoCapture:
        StartStepTimer();
        EnableSelection(FALSE);
        m_autoTimer.Start();
        m_state = csAutoCaptureWait;
        if (m_selfTimerDisplay.IsShown())
            m_selfTimerDisplay.Hide();
        m_autoDisplay.Show();
        Refresh();
        m_firstWarningPlayed = FALSE;
        [[fallthrough]];
    case csAutoCaptureWait: {
        m_autoDisplay.Animate();
        DWORD remaining = 0;
        if (!m_autoTimer.PictureDue(m_schedule, remaining))
            return false;
        m_state = m_modes.shutterMode == kShutterNormal ? csTakePicture : csStartTimedExposure;
        m_firstWarningPlayed = FALSE;
        return true;
    }
    case csStop:
        if (m_camera && m_camera->IsExposing())
            CloseShutter();
        StopStepTimer();
        Refresh();
        HideDisplays();
        return false;
    case csTakePicture: {
        BOOL result = FALSE;
        if (m_modes.shutterMode == kShutterBulb || m_modes.shutterMode == kShutterTimed) {
            StopStepTimer();
            if (m_camera && m_camera->IsExposing())
                result = Deliver();
            if (m_modes.shutterMode == kShutterTimed && autoCapture)
                StartStepTimer();
        } else {
            result = Deliver();
        }
        if (autoCapture) {
            if (m_b16Gray) {
                m_state = csStop;
                m_soundPhase = 1;
                return true;
            }
            m_state = csAutoCaptureWait;
            if (m_camera && m_camera->IsExposing())
                CloseShutter();
            if (!result)
                m_state = csStop;
            Refresh();
            return true;
        }
        if (m_camera && m_camera->IsExposing())
            CloseShutter();
        StopStepTimer();
        Refresh();
        HideDisplays();
        return false;
    }
    default:
        return false;
    }
}
