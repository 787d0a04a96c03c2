// The Settings menu: how the next picture is taken. One table holds every
// mode command's effect and the rule that enables and checks its item; every
// rule asks for a camera and an idle machine first, so nothing changes the
// modes under a running countdown, exposure or auto capture.
#include "SnapvoView.h"

#include "AutoCaptureDialogs.h"
#include "ModeDialogs.h"
#include "framework/UiService.h"
#include "mail/loader.h"
#include "resource.h"

#include <algorithm>

namespace {

// What an item needs besides the camera and an idle machine.
enum : unsigned {
    kOnePicture = 1u << 0,       // multiple exposure "one"
    kSingleCapture = 1u << 1,    // no auto capture
    kNormalShutter = 1u << 2,
    kNoBulb = 1u << 3,
    kNoAutoCapture = 1u << 4,
    kMailLibrary = 1u << 5,      // the mail hand-off library is there
};

struct NeedTest {
    unsigned need;
    bool (*met)(const CViewModes& m);
};

const NeedTest kNeedTests[] = {
    {kOnePicture, [](const CViewModes& m) { return m.multiExposureMode == kMultiOne; }},
    {kSingleCapture, [](const CViewModes& m) { return m.exposureMode == kExposureSingle; }},
    {kNormalShutter, [](const CViewModes& m) { return m.shutterMode == kShutterNormal; }},
    {kNoBulb, [](const CViewModes& m) { return m.shutterMode != kShutterBulb; }},
    {kNoAutoCapture, [](const CViewModes& m) { return m.exposureMode != kExposureAuto; }},
    {kMailLibrary, [](const CViewModes&) { return mail::Available() != FALSE; }},
};

bool Meets(unsigned needs, const CViewModes& modes)
{
    return std::all_of(std::begin(kNeedTests), std::end(kNeedTests),
                       [&](const NeedTest& t) { return !(needs & t.need) || t.met(modes); });
}

using ModesTest = bool (*)(const CViewModes& m);

struct SettingsRule {
    UINT id;
    unsigned needs;
    ModesTest checked;            // null: the item has no check mark
    std::function<void()> run;    // null: another part of the view runs it
};

bool IsOtherDelay(const CViewModes& m)
{
    return m.selfTimerOn && m.selfTimerSeconds != 5 && m.selfTimerSeconds != 7;
}

}  // namespace

void CSnapvoView::RegisterSettingsCommands()
{
    auto delay = [this](WORD seconds) {
        return [this, seconds] {
            m_modes.selfTimerSeconds = seconds;
            m_modes.selfTimerOn = seconds != 0;
        };
    };
    auto burst = [this](WORD mode) {
        return [this, mode] {
            m_modes.multiExposureMode = mode;
            m_modes.destination = kDestFilmroll;
        };
    };
    auto set = [this](WORD CViewModes::*field, WORD value) { return [this, field, value] { m_modes.*field = value; }; };
    const SettingsRule rules[] = {
        {ID_SELF_TIMER_OFF, 0, [](const CViewModes& m) { return !m.selfTimerOn; }, delay(0)},
        {ID_SELF_TIMER_5, 0, [](const CViewModes& m) { return m.selfTimerOn && m.selfTimerSeconds == 5; }, delay(5)},
        {ID_SELF_TIMER_7, 0, [](const CViewModes& m) { return m.selfTimerOn && m.selfTimerSeconds == 7; }, delay(7)},
        {ID_SELF_TIMER_OTHER, 0, &IsOtherDelay, [this] { RunSelfTimerDialog(); }},
        {ID_SELF_TIMER_DELAY, 0, nullptr, [this] { RunSelfTimerDialog(); }},
        {ID_CAMERA_ADJUSTMENTS, 0, nullptr, nullptr},
        {ID_IMAGE_SIZE, 0, nullptr, nullptr},
        {ID_SINGLE_CAPTURE, kOnePicture, [](const CViewModes& m) { return m.exposureMode == kExposureSingle; },
         set(&CViewModes::exposureMode, kExposureSingle)},
        {ID_AUTO_CAPTURE, kOnePicture | kNoBulb, [](const CViewModes& m) { return m.exposureMode == kExposureAuto; },
         [this] { RunAutoCaptureCommand(); }},
        {ID_SHUTTER_NORMAL, kOnePicture, [](const CViewModes& m) { return m.shutterMode == kShutterNormal; },
         set(&CViewModes::shutterMode, kShutterNormal)},
        {ID_SHUTTER_BULB, kOnePicture | kNoAutoCapture,
         [](const CViewModes& m) { return m.shutterMode == kShutterBulb; }, set(&CViewModes::shutterMode, kShutterBulb)},
        {ID_TIMED_EXPOSURE, kOnePicture, [](const CViewModes& m) { return m.shutterMode == kShutterTimed; },
         [this] { RunTimedExposureDialog(); }},
        {ID_MULTI_ONE, kNormalShutter | kSingleCapture,
         [](const CViewModes& m) { return m.multiExposureMode == kMultiOne; }, burst(kMultiOne)},
        {ID_MULTI_THREE, kNormalShutter | kSingleCapture,
         [](const CViewModes& m) { return m.multiExposureMode == kMultiThree; }, burst(kMultiThree)},
        {ID_MULTI_FIVE, kNormalShutter | kSingleCapture,
         [](const CViewModes& m) { return m.multiExposureMode == kMultiFive; }, burst(kMultiFive)},
        {ID_MULTI_OTHER, kNormalShutter | kSingleCapture,
         [](const CViewModes& m) { return m.multiExposureMode == kMultiOther; }, [this] { RunMultipleOtherDialog(); }},
        {ID_SEND_FILMROLL, kNoAutoCapture, [](const CViewModes& m) { return m.destination == kDestFilmroll; },
         set(&CViewModes::destination, kDestFilmroll)},
        {ID_SEND_FILE, kOnePicture, [](const CViewModes& m) { return m.destination == kDestFile; },
         set(&CViewModes::destination, kDestFile)},
        {ID_SEND_CLIPBOARD, kOnePicture | kNoAutoCapture,
         [](const CViewModes& m) { return m.destination == kDestClipboard; },
         set(&CViewModes::destination, kDestClipboard)},
        {ID_SEND_MAIL, kOnePicture | kNoAutoCapture | kMailLibrary,
         [](const CViewModes& m) { return m.destination == kDestMail; }, set(&CViewModes::destination, kDestMail)},
    };
    for (const SettingsRule& rule : rules)
        AddSettingsRule(rule.id, rule.needs, rule.checked, rule.run);
}

void CSnapvoView::AddSettingsRule(UINT id, unsigned needs, bool (*checked)(const CViewModes&),
                                  std::function<void()> run)
{
    OnUpdateCommand(id, [this, needs, checked](CCmdUI* ui) {
        ui->Enable(m_camera && !IsBusy() && Meets(needs, m_modes));
        if (checked)
            ui->SetCheck(checked(m_modes) ? 1 : 0);
    });
    if (!run)
        return;
    OnCommand(id, [this, run = std::move(run)] {
        run();
        SettingsChanged();
    });
}

void CSnapvoView::SettingsChanged()
{
    RefreshTakePicture();
    RefreshCountdownDisplay();
}

void CSnapvoView::RefreshCountdownDisplay()
{
    // A running countdown and an auto-capture wait draw themselves.
    if (m_selfTimerDisplay.IsShown() || m_autoDisplay.IsShown())
        return;
    if (m_modes.selfTimerOn)
        m_selfTimerDisplay.ShowDelay(m_modes.selfTimerSeconds);
    else
        m_selfTimerDisplay.HideDelay();
}

void CSnapvoView::RunSelfTimerDialog()
{
    // The self timer counts as on while its delay is being chosen.
    const BOOL wasOn = m_modes.selfTimerOn;
    m_modes.selfTimerOn = TRUE;
    CSelfTimerDlg dialog(this, m_modes.selfTimerSeconds);
    if (dialog.DoModal() == IDOK)
        m_modes.selfTimerSeconds = WORD(dialog.Value());
    else
        m_modes.selfTimerOn = wasOn;
}

void CSnapvoView::WarnWhenExposureTooLong()
{
    if (!ExposureFitsInterval())
        AfxMessageBox(IDS_EXPOSURE_TOO_LONG, MB_OK);
}

void CSnapvoView::RunAutoCaptureCommand()
{
    CAutoCaptureSchedule edited = m_schedule;
    if (RunAutoCaptureDialog(edited, this) != IDOK)
        return;
    m_schedule = edited;
    m_modes.exposureMode = kExposureAuto;
    m_modes.destination = kDestFile;
    SettingsChanged();
    WarnWhenExposureTooLong();
}

void CSnapvoView::RunTimedExposureDialog()
{
    CTimedExposureDlg dialog(this, long(m_modes.timedExposureSeconds));
    if (dialog.DoModal() != IDOK)
        return;
    m_modes.shutterMode = kShutterTimed;
    m_modes.timedExposureSeconds = DWORD(dialog.Value());
    SettingsChanged();
    WarnWhenExposureTooLong();
}

void CSnapvoView::RunMultipleOtherDialog()
{
    CMultipleOtherDlg dialog(this, m_modes.otherCount);
    if (dialog.DoModal() != IDOK)
        return;
    m_modes.otherCount = WORD(dialog.Value());
    m_modes.multiExposureMode = m_modes.otherCount == 1 ? kMultiOne : kMultiOther;
    m_modes.destination = kDestFilmroll;
}
