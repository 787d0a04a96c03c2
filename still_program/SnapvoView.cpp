#include "SnapvoView.h"

#include "MainFrm.h"
#include "Settings.h"
#include "framework/QtPlacement.h"
#include "framework/StringTable.h"
#include "framework/UiService.h"
#include "resource.h"
#include "types/SafeFile.h"

#include <cstdio>

namespace {
constexpr int kButtonWidth = 150;
constexpr int kButtonHeight = 25;
constexpr int kBelowPicture = 80;
// Room above the picture (and as much below the row under it), so the picture
// does not touch the tool bar.
constexpr int kPictureMargin = 8;
}  // namespace

CSnapvoView::CSnapvoView()
    : m_viewer(std::make_unique<CViewerWnd>()), m_files(this), m_brightness(m_brightnessSlider, IDS_AUTO_BRIGHTNESS_ON)
{
    OnMessage(WM_SIZE, [this](WPARAM, LPARAM) -> LRESULT {
        LayOut();
        return 0;
    });
    OnMessage(WM_MOVE, [this](WPARAM, LPARAM) -> LRESULT {
        LayOut();
        return 0;
    });
    RegisterCommands();
    RegisterSettingsCommands();
    RegisterViewMenu();
    RegisterCameraCommands();
}

CSnapvoView::~CSnapvoView()
{
    m_machine.Silence();
    if (m_camera)
        m_camera->DestroyWindow();
}

CString CSnapvoView::TempPicturePath() const { return m_workingDirectory + "/" + kTempName; }

CMenu* CSnapvoView::FileMenu() const
{
    CFrameWnd* frame = GetParentFrame();
    return frame ? frame->GetMenu().GetSubMenu(0) : nullptr;
}

CMenu* CSnapvoView::ViewMenu() const
{
    CFrameWnd* frame = GetParentFrame();
    return frame ? frame->GetMenu().GetSubMenu(1) : nullptr;
}

BOOL CSnapvoView::ReadSettings(MCfgINITable& iniTable, MCfgClassesRootTable& classesRootTable, BOOL useClassesRoot)
{
    MCfgTable* table = useClassesRoot ? static_cast<MCfgTable*>(&classesRootTable) : &iniTable;
    snapvo::CaptureSection& capture = snapvo::CaptureSettings();
    snapvo::GeneralSection& general = snapvo::GeneralSettings();
    if (!capture.section.SetTable(table) || !general.section.SetTable(table))
        return FALSE;
    m_modes.driverIndex = capture.driverIndex;
    m_modes.selfTimerOn = general.useSelfTimer;
    m_modes.showViewer = general.showViewer;
    m_modes.showFilmroll = general.showFilmroll;
    m_modes.viewerRect = general.viewerPlacement;
    m_modes.filmrollRect = general.filmrollPlacement;
    m_modes.selfTimerSeconds = general.selfTimerSeconds;
    m_modes.otherCount = general.multipleExposureCount;
    m_modes.exposureMode = general.exposureMode;
    m_modes.multiExposureMode = general.multiExposureMode;
    m_modes.shutterMode = general.shutterMode;
    m_modes.timedExposureSeconds = general.timedExposureSeconds;
    m_modes.destination = general.destination;

    snapvo::AutoCaptureSection& a = snapvo::AutoCaptureSettings();
    a.section.SetTable(table);
    m_schedule.Load(a);
    NormaliseCaptureMode(m_modes.exposureMode, m_modes.multiExposureMode, m_modes.shutterMode);
    return TRUE;
}

void CSnapvoView::WriteSettings()
{
    snapvo::GeneralSection& general = snapvo::GeneralSettings();
    snapvo::CaptureSettings().driverIndex = m_modes.driverIndex;
    general.useSelfTimer = m_modes.selfTimerOn;
    general.selfTimerSeconds = m_modes.selfTimerSeconds;
    general.multipleExposureCount = m_modes.otherCount;
    general.exposureMode = m_modes.exposureMode;
    general.multiExposureMode = m_modes.multiExposureMode;
    general.shutterMode = m_modes.shutterMode;
    general.timedExposureSeconds = m_modes.timedExposureSeconds;
    general.destination = m_modes.destination;

    BOOL showViewer = m_modes.showViewer && !m_viewer->ClosedByUser();
    BOOL showFilmroll = m_modes.showFilmroll;
    // Hidden only for full-screen mode: the next start shows them again.
    if (m_fullScreen) {
        showViewer = m_viewerShownBeforeFullScreen;
        showFilmroll = m_filmrollShownBeforeFullScreen;
    }
    if (m_viewer->m_hWnd && m_viewer->IsWindowVisible()) {
        CRect r;
        m_viewer->GetWindowRect(&r);
        m_modes.viewerRect = r;
    }
    if (m_modes.showFilmroll) {
        if (CWnd* roll = CWnd::FindWindow("Film Roll")) {
            if (roll->IsIconic())
                roll->ShowWindow(SW_RESTORE);
            m_modes.filmrollRect = FilmrollWindowRect();
        }
    }
    general.showViewer = showViewer;
    general.showFilmroll = showFilmroll;
    general.viewerPlacement = m_modes.viewerRect;
    general.filmrollPlacement = m_modes.filmrollRect;

    m_schedule.Save(snapvo::AutoCaptureSettings());
}

CRect CSnapvoView::FilmrollWindowRect() const
{
    CRect r;
    if (CWnd* roll = CWnd::FindWindow("Film Roll"))
        roll->GetWindowRect(&r);
    return r;
}

void CSnapvoView::CreateCamera()
{
    if (m_camera)
        return;
    m_camera = std::make_unique<CLumivex>();
    if (!m_camera->Create(this, this, WS_CHILD | WS_VISIBLE, IDC_CAPTURE_WINDOW)) {
        AfxMessageBox(IDS_NO_CAMERA, MB_OK);
        m_camera->DestroyWindow();
        m_camera.reset();
    }
}

BOOL CSnapvoView::StartUp(MCfgINITable& iniTable, MCfgClassesRootTable& classesRootTable, BOOL useClassesRoot)
{
    m_iniTable = &iniTable;
    m_classesRootTable = &classesRootTable;
    m_useClassesRoot = useClassesRoot;
    if (!ReadSettings(iniTable, classesRootTable, useClassesRoot))
        return FALSE;
    if (m_camera)
        return TRUE;
    CreateCamera();

    if (!mail::Available()) {
        if (CMenu* file = FileMenu())
            file->DeleteMenu(ID_SEND_MAIL, MF_BYCOMMAND);
        if (m_modes.destination == kDestMail)
            m_modes.destination = kDestFile;
    }

    m_button.Create(LoadStringText(IDS_TAKE_PICTURE), WS_CHILD, CRect(0, 0, kButtonWidth, kButtonHeight), this,
                    IDC_TAKE_PICTURE);
    m_button.SetButtonFont("Arial", 17);
    RefreshTakePicture();

    if (CFrameWnd* frame = GetParentFrame())
        frame->GetSystemMenu().ModifyMenu(SC_MAXIMIZE, MF_BYCOMMAND | MF_STRING, SC_MAXIMIZE, "&Maximize");

    if (m_camera && PictureIsFullScreen()) {
        if (auto* frame = dynamic_cast<CMainFrame*>(GetParentFrame())) {
            // Started in full-screen mode: what leaving it brings back.
            m_viewerShownBeforeFullScreen = m_modes.showViewer;
            m_filmrollShownBeforeFullScreen = m_modes.showFilmroll;
            m_fullScreen = TRUE;
            frame->EnterFullScreen();
        }
    }
    FitFrameToPicture();
    if (m_modes.exposureMode == kExposureAuto)
        m_modes.destination = kDestFile;

    if (auto* frame = dynamic_cast<CMainFrame*>(GetParentFrame()))
        m_workingDirectory = frame->WorkingDirectory();

    if (m_modes.multiExposureMode != kMultiOne)
        m_modes.destination = kDestFilmroll;
    StartBrightnessControl();

    m_viewer->Create(this, m_workingDirectory);
    PlaceViewer();
    OpenFilmroll();
    SetStatus(IDS_READY);
    m_pictureBitmap = IDB_NO_CAMERA;
    m_started = true;
    LayOut();
    return TRUE;
}

void CSnapvoView::FitFrameToPicture()
{
    CFrameWnd* frame = GetParentFrame();
    if (!m_camera || m_fullScreen || !frame)
        return;
    CRect rect;
    CSize size;
    m_camera->GetPictureRect(rect, size);
    const LONG w = std::max<LONG>(size.cx, 240);
    const LONG h = std::max<LONG>(size.cy, 120) + kBelowPicture + 2 * kPictureMargin;
    // Whatever the frame puts around the view (bars, menu) stays as it is.
    CRect frameRect, client;
    frame->GetWindowRect(&frameRect);
    GetClientRect(&client);
    const LONG extraW = frameRect.Width() - client.Width();
    const LONG extraH = frameRect.Height() - client.Height();
    frame->MoveWindow(frameRect.left, frameRect.top, std::max(frameRect.Width(), w + extraW), h + extraH);
}

void CSnapvoView::PlaceViewer()
{
    if (!m_modes.showViewer)
        return;
    if (m_fullScreen) {
        m_viewer->ShowWindow(SW_HIDE);
        return;
    }
    // Placed before it shows: the window manager puts a new window's frame
    // where it is asked to, and may read a later move otherwise.
    if (!m_modes.viewerRect.IsRectEmpty()) {
        m_viewer->MoveWindow(KeepTitleBarOnScreen(m_modes.viewerRect, Ui().ScreenSize()));
    } else {
        CRect r;
        m_viewer->GetWindowRect(&r);
        const LONG x = Ui().ScreenSize().cx - r.Width() - 10;
        m_viewer->MoveWindow(x, 10, r.Width(), r.Height());
    }
    m_viewer->ShowWindow(SW_SHOW);
    ViewerMenuChanged();
}

void CSnapvoView::OpenFilmroll()
{
    if (!m_modes.showFilmroll)
        return;
    FILM_OpenDialog(this);
    m_filmrollShown = TRUE;
    if (m_fullScreen) {
        FILM_CloseDialog();
        m_filmrollShown = FALSE;
        return;
    }
    CWnd* roll = CWnd::FindWindow("Film Roll");
    if (!roll)
        return;
    CRect r;
    roll->GetWindowRect(&r);
    if (!m_modes.filmrollRect.IsRectEmpty()) {
        roll->MoveWindow(KeepTitleBarOnScreen(m_modes.filmrollRect, Ui().ScreenSize()));
    } else {
        CRect client;
        GetClientRect(&client);
        roll->MoveWindow(client.Width() + 10, client.Height() - 10, r.Width(), r.Height());
    }
    if (m_filmrollItem == 0) {
        if (CMenu* view = ViewMenu())
            view->AppendMenu(MF_STRING, ID_GOTO_FILMROLL, "&Film Roll\tCtrl + F");
        m_filmrollItem = 1;
    }
}

void CSnapvoView::ViewerMenuChanged()
{
    if (m_viewer->m_hWnd && m_viewer->IsWindowVisible() && m_viewerItem == 0) {
        if (CMenu* view = ViewMenu())
            view->AppendMenu(MF_STRING, ID_GOTO_VIEWER, "&Viewer\tCtrl + V");
        m_viewerItem = 1;
    }
}

BOOL CSnapvoView::ShutDown()
{
    m_machine.Silence();
    m_brightnessTimer.Stop();
    WriteSettings();
    std::remove(TempPicturePath());
    if (m_camera) {
        m_camera->DestroyWindow();
        m_camera.reset();
    }
    return TRUE;
}

void CSnapvoView::SetStatus(UINT stringId)
{
    if (auto* frame = dynamic_cast<CMainFrame*>(GetParentFrame()))
        frame->SetStatusText(LoadStringText(stringId));
}

void CSnapvoView::LayOut()
{
    if (!m_started)
        return;
    CRect client;
    GetClientRect(&client);
    if (!m_camera) {
        const LONG left = (client.Width() - 160) / 2 - 4;
        const LONG top = (client.Height() - 120) / 2 - 4;
        m_emptyPicture = CRect(left, top, left + 168, top + 128);
        return;
    }
    CRect rect;
    CSize size;
    m_camera->GetPictureRect(rect, size);
    if (m_fullScreen) {
        m_camera->MoveWindow(0, 0, size.cx, size.cy);
        m_camera->ShowWindow(SW_SHOW);
        m_button.ShowWindow(SW_HIDE);
        PlaceOverPicture(CRect(0, 0, size.cx, size.cy));
        return;
    }
    const LONG x = (client.Width() - size.cx) / 2;
    const LONG y = (client.Height() - size.cy - kBelowPicture) / 2;
    m_camera->MoveWindow(x, y, size.cx, size.cy);
    m_camera->ShowWindow(SW_SHOW);
    const LONG buttonLeft = (client.Width() - kButtonWidth) / 2;
    const LONG buttonTop = y + size.cy + 10;
    const CRect button(buttonLeft, buttonTop, buttonLeft + kButtonWidth, buttonTop + kButtonHeight);
    m_button.MoveWindow(button);
    m_button.ShowWindow(SW_SHOW);
    PlaceAroundButton(button);
}

void CSnapvoView::RefreshPreview()
{
    if (m_camera && !RefreshSuspended() && !m_camera->IsExposing() && !m_camera->IsCapturing())
        m_camera->GrabFrameNoStop();
}

void CSnapvoView::SuspendRefresh(BOOL suspend)
{
    if (suspend)
        ++m_refreshSuspended;
    else if (m_refreshSuspended > 0)
        --m_refreshSuspended;
}

void CSnapvoView::VFilmrollOpenImage(const CString& path)
{
    const CString temp = TempPicturePath();
    // Replaces whatever is at the temporary name, a planted symlink
    // included, without writing through it; a FIFO as the source is refused.
    if (!velmora::CopyFileAtomically(path.str(), temp.str())) {
        std::remove(temp);
        AfxMessageBox(IDS_DISK_FULL, MB_OK);
        return;
    }
    if (m_viewer->LoadPicture(temp)) {
        m_viewer->ShowWindow(SW_SHOW);
        CRect r;
        m_viewer->GetWindowRect(&r);
        m_viewer->MoveWindow(r);
        const CSize client = m_viewer->ClientSize();
        m_viewer->SendMessage(WM_SIZE, 0, LPARAM(MAKELONG(WORD(client.cx), WORD(client.cy))));
        m_modes.showViewer = TRUE;
        m_viewer->SetClosedByUser(FALSE);
        ViewerMenuChanged();
    }
}

void CSnapvoView::VFilmrollWindowRect(int flag, int left, int top, int right, int bottom)
{
    m_filmrollShown = flag != 0;
    m_modes.showFilmroll = flag != 0;
    m_modes.filmrollRect = CRect(left, top, right, bottom);
}

void CSnapvoView::VFilmrollWindowHandle(HWND hwnd) { m_hFilmroll = hwnd; }

BOOL CSnapvoView::SaveFilmroll()
{
    // A closed roll has nothing unsaved; its export answers 0 then too.
    if (!m_hFilmroll || FILM_SaveConfigFile())
        return TRUE;
    AfxMessageBox(kFilmrollNotSavedText, MB_OK | MB_ICONEXCLAMATION);
    return FALSE;
}

void CSnapvoView::VFilmrollSendToAOLMail(CString path)
{
    if (!mail::MovePicture(path))
        AfxMessageBox(kMailFailedText, MB_OK);
}

BOOL CSnapvoView::PictureIsFullScreen() const
{
    if (!m_camera)
        return FALSE;
    CRect rect;
    CSize size;
    m_camera->GetPictureRect(rect, size);
    return size == Ui().ScreenSize();
}

void CSnapvoView::CCaptureWndUserOnMouseMove(UINT, CPoint point)
{
    auto* frame = dynamic_cast<CMainFrame*>(GetParentFrame());
    if (!m_fullScreen || !frame || RefreshSuspended())
        return;
    const bool near = point.y < CMainFrame::CaptionBand();
    if (near == bool(frame->CaptionShown()))
        return;
    // Moving the frame moves the picture under the pointer: the mouse moves
    // that causes are not the user's.
    SuspendRefresh(TRUE);
    frame->ShowCaptionInFullScreen(near);
    SuspendRefresh(FALSE);
}
