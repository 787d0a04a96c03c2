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
    return m_machine.TakePictureCommand(labelId, commandId);
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
    m_machine.OnTakePictureButton();
}

void CSnapvoView::RunPictureCommand(UINT id) { m_machine.RunPictureCommand(id); }

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

BOOL CSnapvoView::ExposureFitsInterval() const { return m_machine.ExposureFitsInterval(); }

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
