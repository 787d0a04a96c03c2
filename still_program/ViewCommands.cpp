// The picture commands of the File menu's first item and the button, and the
// View menu's window items.
#include "SnapvoView.h"

#include "framework/StringTable.h"
#include "framework/UiService.h"
#include "resource.h"

namespace {
const UINT kPictureCommands[] = {ID_TAKE_PICTURE,  ID_START_SELF_TIMER, ID_STOP_SELF_TIMER, ID_OPEN_SHUTTER,
                                 ID_CLOSE_SHUTTER, ID_START_CAPTURE,    ID_STOP_CAPTURE};
}  // namespace

BOOL CSnapvoView::TakePictureCommand(UINT& labelId, UINT& commandId) const
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
    if (m.shutterMode == kShutterBulb || m.shutterMode == kShutterTimed) {
        const BOOL open = m_camera && m_camera->IsExposing();
        const bool close = open && !running;
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

void CSnapvoView::RefreshTakePicture()
{
    UINT labelId = 0, commandId = 0;
    const BOOL found = TakePictureCommand(labelId, commandId);
    const CString label = found ? LoadStringText(labelId) : CString();
    CMenu* file = FileMenu();
    if (file) {
        const CString wanted = label + LoadStringText(IDS_SPACE_ACCEL);
        CString current;
        file->GetMenuString(0, current, MF_BYPOSITION);
        const bool same = found && file->GetMenuItemID(0) == commandId && current == wanted;
        if (!same) {
            for (UINT id : kPictureCommands)
                file->DeleteMenu(id, MF_BYCOMMAND);
            if (found)
                file->InsertMenu(0, MF_BYPOSITION | MF_STRING, commandId, wanted);
        }
    }
    if (found && m_button.m_hWnd && m_button.GetWindowText() != label)
        m_button.SetWindowText(label);
    RefreshCountdownDisplay();
}

void CSnapvoView::OnTakePictureButton()
{
    // Run here, not through the command route: the button and SPACE arrive
    // as a command themselves, and the route takes no second one meanwhile.
    UINT labelId = 0, commandId = 0;
    if (m_camera && TakePictureCommand(labelId, commandId))
        RunPictureCommand(commandId);
    RefreshTakePicture();
}

void CSnapvoView::RunPictureCommand(UINT id)
{
    switch (id) {
    case ID_TAKE_PICTURE:
        m_soundPhase = 1;
        Advance(csTakePicture);
        break;
    case ID_START_SELF_TIMER:
        m_soundPhase = 1;
        Advance(csStartSelfTimer);
        break;
    case ID_STOP_SELF_TIMER: Advance(csSelfTimerDone); break;
    case ID_OPEN_SHUTTER:
        m_soundPhase = 1;
        if (m_modes.selfTimerOn)
            Advance(csStartSelfTimer);
        else if (m_modes.shutterMode == kShutterBulb)
            Advance(csBulbOpen);
        else if (m_modes.shutterMode == kShutterTimed)
            Advance(csStartTimedExposure);
        break;
    case ID_CLOSE_SHUTTER: Advance(csTakePicture); break;
    case ID_START_CAPTURE:
        m_soundPhase = 1;
        if (!ExposureFitsInterval())
            AfxMessageBox(IDS_EXPOSURE_TOO_LONG, MB_OK);
        Advance(m_modes.selfTimerOn ? csStartSelfTimer : csStartAutoCapture);
        break;
    case ID_STOP_CAPTURE: Advance(csStop); break;
    default: break;
    }
}

void CSnapvoView::RegisterCommands()
{
    for (UINT id : kPictureCommands)
        OnCommand(id, [this, id] { RunPictureCommand(id); });
    for (UINT id : kPictureCommands)
        OnUpdateCommand(id, [this](CCmdUI* ui) {
            RefreshTakePicture();
            ui->Enable(m_camera != nullptr);
        });
    OnCommand(IDC_TAKE_PICTURE, [this] { OnTakePictureButton(); });
}

BOOL CSnapvoView::ExposureFitsInterval() const
{
    return !m_schedule.ExposureTooLong(m_modes.exposureMode, m_modes.shutterMode, m_modes.timedExposureSeconds);
}

void CSnapvoView::RegisterViewMenu()
{
    auto itemUpdate = [this](int& flag, UINT id, auto shown) {
        return [this, &flag, id, shown](CCmdUI* ui) {
            if (shown()) {
                ui->Enable(TRUE);
                return;
            }
            ui->Enable(FALSE);
            // Gone: the item goes too, once, outside the menu's own refresh.
            if (flag == 1) {
                flag = 99;
                if (CMenu* view = ViewMenu())
                    view->DeleteMenu(id, MF_BYCOMMAND);
                flag = 0;
            }
        };
    };
    auto viewerShown = [this] { return m_viewer->m_hWnd && m_viewer->IsWindowVisible(); };
    auto rollShown = [] { return CWnd::FindWindow("Film Roll") != nullptr; };
    OnUpdateCommand(ID_GOTO_VIEWER, itemUpdate(m_viewerItem, ID_GOTO_VIEWER, viewerShown));
    OnUpdateCommand(ID_GOTO_FILMROLL, itemUpdate(m_filmrollItem, ID_GOTO_FILMROLL, rollShown));
    OnCommand(ID_GOTO_VIEWER, [this] {
        if (CWnd::GetActiveWindow() != m_viewer.get())
            m_viewer->SetActiveWindow();
    });
    OnCommand(ID_GOTO_FILMROLL, [] {
        CWnd* roll = CWnd::FindWindow("Film Roll");
        if (roll && CWnd::GetActiveWindow() != roll)
            roll->SetActiveWindow();
    });
    OnUpdateCommand(ID_SHOW_VIEWER, [this, viewerShown](CCmdUI* ui) {
        ui->Enable(!m_fullScreen);
        ui->SetText(viewerShown() ? "Hide V&iewer" : "Show V&iewer");
    });
    OnCommand(ID_SHOW_VIEWER, [this, viewerShown] {
        if (viewerShown())
            m_viewer->OnCloseViewer();
        else
            ShowViewer();
    });
    OnUpdateCommand(ID_SHOW_FILMROLL, [this, rollShown](CCmdUI* ui) {
        ui->Enable(!m_fullScreen);
        ui->SetText(rollShown() ? "Hide Film &Roll" : "Show Film &Roll");
    });
    OnCommand(ID_SHOW_FILMROLL, [this, rollShown] {
        if (rollShown())
            HideFilmroll();
        else
            ShowFilmroll();
    });
}
