#include "MainFrm.h"

#include "Settings.h"
#include "SnapvoView.h"
#include "film32.h"
#include "framework/Keys.h"
#include "framework/QtPlacement.h"
#include "framework/StringTable.h"
#include "framework/UiService.h"
#include "framework/WinApp.h"
#include "resource.h"

#include "types/SafeFile.h"

#include <unistd.h>

#include <climits>

namespace {

const UINT kToolBarWithMail[] = {ID_SEND_FILMROLL, ID_SEND_FILE, ID_SEND_CLIPBOARD, ID_SEND_MAIL,
                                 ID_SEPARATOR,     ID_SEPARATOR, ID_CAMERA_ADJUSTMENTS, ID_IMAGE_SIZE};
const UINT kToolBarPlain[] = {ID_SEND_FILMROLL, ID_SEND_FILE, ID_SEND_CLIPBOARD, ID_SEPARATOR,
                              ID_SEPARATOR,     ID_CAMERA_ADJUSTMENTS, ID_IMAGE_SIZE};
// Ctrl with a letter or digit, as the menu texts show it. The viewer and the
// film roll take their own Ctrl keys first while they have the keyboard.
struct ControlKey {
    UINT key;
    UINT command;
};
const ControlKey kControlKeys[] = {
    {'S', ID_SINGLE_CAPTURE},   {'T', ID_AUTO_CAPTURE},  {'1', ID_MULTI_ONE},       {'3', ID_MULTI_THREE},
    {'5', ID_MULTI_FIVE},       {'O', ID_MULTI_OTHER},   {'R', ID_SEND_FILMROLL},   {'D', ID_SEND_FILE},
    {'C', ID_SEND_CLIPBOARD},   {'M', ID_SEND_MAIL},     {'A', ID_CAMERA_ADJUSTMENTS}, {'I', ID_IMAGE_SIZE},
    {'V', ID_GOTO_VIEWER},      {'F', ID_GOTO_FILMROLL},
};

constexpr UINT kToolBarStyle = 0x50002800;
constexpr UINT kStatusBarStyle = 0x50008200;
constexpr DWORD kFrameStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;

}  // namespace

CString CMainFrame::StorePath(const CString& workingDirectory, const CString& profileName)
{
    return workingDirectory + "\\" + profileName;
}

CRect CMainFrame::DefaultRect(CSize screen)
{
    return CRect(5, 5, (screen.cx - 350) / 2 + 350, (screen.cy - 550) / 2 + 450);
}

CMainFrame::CMainFrame()
{
    m_workingDirectory = CString(velmora::CurrentFolder().c_str());
    const CString roll = m_workingDirectory + "/film";
    if (!FILM_Initialize(roll))
        return;
    m_filmrollReady = TRUE;
    m_useClassesRoot = ChooseClassesRoot();
    CString profile = "snapvo32.INI";
    if (CWinApp* app = AfxGetApp(); app && !app->m_pszProfileName.IsEmpty())
        profile = app->m_pszProfileName;
    ChosenTable()->Load(StorePath(m_workingDirectory, profile));
    snapvo::WindowSection& window = snapvo::WindowSettings();
    window.section.SetTable(ChosenTable());
    const CRect stored = window.placement;
    if (stored.IsRectEmpty() || stored.top < 0 || stored.left < 0)
        m_normalRect = DefaultRect(Ui().ScreenSize());
    else
        m_normalRect = KeepTitleBarOnScreen(stored, Ui().ScreenSize());
}

CMainFrame::~CMainFrame() = default;

MCfgTable* CMainFrame::ChosenTable() const
{
    if (m_useClassesRoot)
        return &snapvo::ClassesRootTable();
    return &snapvo::IniTable();
}

CSnapvoView* CMainFrame::SnapvoView() const { return dynamic_cast<CSnapvoView*>(GetActiveView()); }

BOOL CMainFrame::PreCreateWindow(CREATESTRUCT& cs)
{
    cs.style = kFrameStyle;
    cs.x = m_normalRect.left;
    cs.y = m_normalRect.top;
    cs.cx = m_normalRect.Width();
    cs.cy = m_normalRect.Height();
    return TRUE;
}

int CMainFrame::OnCreate()
{
    const bool mail = mail::Available();
    if (!m_wndToolBar.Create(this, kToolBarStyle, AFX_IDW_TOOLBAR) || !m_wndToolBar.LoadBitmap(mail ? IDB_TOOLBAR_MAIL : IDB_TOOLBAR))
        return -1;
    const BOOL buttons = mail ? m_wndToolBar.SetButtons(kToolBarWithMail, int(std::size(kToolBarWithMail)))
                              : m_wndToolBar.SetButtons(kToolBarPlain, int(std::size(kToolBarPlain)));
    if (!buttons)
        return -1;
    const UINT pane = ID_SEPARATOR;
    if (!m_wndStatusBar.Create(this, kStatusBarStyle, AFX_IDW_STATUS_BAR) || !m_wndStatusBar.SetIndicators(&pane, 1))
        return -1;
    m_wndToolBar.EnableDocking(CBRS_ALIGN_ANY);
    EnableDocking(CBRS_ALIGN_ANY);
    DockControlBar(&m_wndToolBar);
    m_wndToolBar.SetBarStyle(m_wndToolBar.GetBarStyle() | CBRS_TOOLTIPS | CBRS_FLYBY);
    BuildMenus();

    OnCommand(ID_VIEW_TOOLBAR, [this] { OnBarCheck(AFX_IDW_TOOLBAR); });
    OnCommand(ID_VIEW_STATUS_BAR, [this] { OnBarCheck(AFX_IDW_STATUS_BAR); });
    OnUpdateCommand(ID_VIEW_TOOLBAR, [this](CCmdUI* ui) {
        ui->Enable(TRUE);
        ui->SetText(m_wndToolBar.IsShown() ? "Hide &Toolbar" : "Show &Toolbar");
    });
    OnUpdateCommand(ID_VIEW_STATUS_BAR, [this](CCmdUI* ui) {
        const CSnapvoView* view = SnapvoView();
        ui->Enable(!(view && view->FullScreen()));
        ui->SetText(m_wndStatusBar.IsShown() ? "Hide &Status Bar" : "Show &Status Bar");
    });
    OnCommand(ID_APP_EXIT, [this] { Close(); });
    OnMessage(WM_PREVIEW_REFRESH, [this](WPARAM, LPARAM) -> LRESULT {
        if (CSnapvoView* view = SnapvoView())
            view->RefreshPreview();
        return 0;
    });
    // The window manager framed the window inside its rectangle: the picture
    // needs its room back.
    OnMessage(WM_NCCALCSIZE, [this](WPARAM, LPARAM) -> LRESULT {
        if (CSnapvoView* view = SnapvoView())
            view->FitFrameToPicture();
        return 0;
    });
    OnMessage(WM_PALETTECHANGED, [this](WPARAM w, LPARAM l) -> LRESULT {
        if (CView* view = GetActiveView())
            view->SendMessage(WM_PALETTECHANGED, w, l);
        return 0;
    });
    // Coming to the front may have changed the colours the viewer can use.
    OnMessage(WM_ACTIVATE, [this](WPARAM, LPARAM) -> LRESULT {
        if (CWnd* viewer = CWnd::FindWindow("Viewer"))
            viewer->PostMessage(WM_PALETTECHANGED, WPARAM(reinterpret_cast<uintptr_t>(m_hWnd)));
        return 0;
    });
    return 0;
}

void CMainFrame::BuildMenus()
{
    CMenu* file = m_menu.AppendPopup("&File");
    CMenu* sendTo = file->AppendPopup("Send &To");
    sendTo->AppendMenu(MF_STRING, ID_SEND_FILMROLL, "Film &Roll\tCtrl + R");
    sendTo->AppendMenu(MF_STRING, ID_SEND_FILE, "&File\tCtrl + D");
    sendTo->AppendMenu(MF_STRING, ID_SEND_CLIPBOARD, "&Clipboard\tCtrl + C");
    sendTo->AppendMenu(MF_STRING, ID_SEND_MAIL, "AOL &Mail\tCtrl + M");
    file->AppendMenu(MF_SEPARATOR);
    file->AppendMenu(MF_STRING, ID_APP_EXIT, "E&xit");
    CMenu* view = m_menu.AppendPopup("&View");
    view->AppendMenu(MF_STRING, ID_VIEW_TOOLBAR, "Hide &Toolbar");
    view->AppendMenu(MF_STRING, ID_VIEW_STATUS_BAR, "Hide &Status Bar");
    view->AppendMenu(MF_SEPARATOR);
    view->AppendMenu(MF_STRING, ID_SHOW_VIEWER, "Hide V&iewer");
    view->AppendMenu(MF_STRING, ID_SHOW_FILMROLL, "Hide Film &Roll");
    BuildSettingsMenu(*m_menu.AppendPopup("&Settings"));
    CMenu* help = m_menu.AppendPopup("&Help");
    help->AppendMenu(MF_STRING, ID_HELP_CONTENTS, "&Contents");
    help->AppendMenu(MF_STRING, ID_APP_ABOUT, "&About Snapvo...");
    m_systemMenu.AppendMenu(MF_STRING, SC_MAXIMIZE, "Ma&ximize");

    // SPACE presses the button: one entry, so the key runs whichever picture
    // command the modes now show, never simply the first one listed.
    m_accelerators.Add({FVIRTKEY, WORD(VK_SPACE), WORD(IDC_TAKE_PICTURE)});
    // The keys the menu texts name after their tab.
    for (const ControlKey& key : kControlKeys)
        m_accelerators.Add({FVIRTKEY | FCONTROL, WORD(key.key), WORD(key.command)});
}

void CMainFrame::BuildSettingsMenu(CMenu& settings)
{
    CMenu* selfTimer = settings.AppendPopup("Se&lf Timer");
    selfTimer->AppendMenu(MF_STRING, ID_SELF_TIMER_OFF, "O&ff");
    selfTimer->AppendMenu(MF_STRING, ID_SELF_TIMER_5, "&5 Seconds");
    selfTimer->AppendMenu(MF_STRING, ID_SELF_TIMER_7, "&7 Seconds");
    selfTimer->AppendMenu(MF_STRING, ID_SELF_TIMER_OTHER, "&Other...");
    settings.AppendMenu(MF_SEPARATOR);
    settings.AppendMenu(MF_STRING, ID_SINGLE_CAPTURE, "&Single\tCtrl + S");
    settings.AppendMenu(MF_STRING, ID_AUTO_CAPTURE, "&Auto Capture...\tCtrl + T");
    settings.AppendMenu(MF_SEPARATOR);
    settings.AppendMenu(MF_STRING, ID_SHUTTER_NORMAL, "&Normal");
    settings.AppendMenu(MF_STRING, ID_SHUTTER_BULB, "&Bulb");
    settings.AppendMenu(MF_STRING, ID_TIMED_EXPOSURE, "&Timed Exposure...");
    settings.AppendMenu(MF_SEPARATOR);
    CMenu* multiple = settings.AppendPopup("&Multiple Exposure");
    multiple->AppendMenu(MF_STRING, ID_MULTI_ONE, "&One\tCtrl + 1");
    multiple->AppendMenu(MF_STRING, ID_MULTI_THREE, "&Three\tCtrl + 3");
    multiple->AppendMenu(MF_STRING, ID_MULTI_FIVE, "&Five\tCtrl + 5");
    multiple->AppendMenu(MF_STRING, ID_MULTI_OTHER, "O&ther...\tCtrl + O");
    settings.AppendMenu(MF_SEPARATOR);
    settings.AppendMenu(MF_STRING, ID_CAMERA_ADJUSTMENTS, "&Camera Adjustments...\tCtrl + A");
    settings.AppendMenu(MF_STRING, ID_IMAGE_SIZE, "&Image Size and Quality...\tCtrl + I");
}

void CMainFrame::OnGetMinMaxInfo(MINMAXINFO* info)
{
    // Room for picture sizes as large as the screen, with the frame around them.
    const LONG wide = Ui().ScreenSize().cx + 200;
    info->ptMaxSize = {wide, wide};
    info->ptMaxTrackSize = {wide, wide};
    CFrameWnd::OnGetMinMaxInfo(info);
}

void CMainFrame::OnSetMessageString(UINT id)
{
    if (id == AFX_IDS_IDLEMESSAGE) {
        SetMessageText(m_statusText.GetString());
        return;
    }
    CFrameWnd::OnSetMessageString(id);
}

void CMainFrame::SetStatusText(const char* text)
{
    m_statusText = text;
    SetMessageText(text);
}

void CMainFrame::SaveSettings()
{
    WINDOWPLACEMENT placement;
    if (GetWindowPlacement(&placement))
        snapvo::WindowSettings().placement = CRect(placement.rcNormalPosition);
    if (MCfgTable* table = ChosenTable()) {
        table->UpdateTable();
        table->Save();
    }
}

void CMainFrame::ShutDownOnce(BOOL saveFilmroll)
{
    // Close and destroy both arrive when the window manager or a signal ends
    // the program: the settings are written once.
    if (m_shutDown)
        return;
    m_shutDown = TRUE;
    if (!m_filmrollReady)
        return;
    CSnapvoView* view = SnapvoView();
    if (saveFilmroll && view)
        view->SaveFilmroll();
    if (view)
        view->ShutDown();
    FILM_Uninitialize();
    SaveSettings();
}

void CMainFrame::OnClose()
{
    ShutDownOnce(TRUE);
    CFrameWnd::OnClose();
}

void CMainFrame::OnDestroy()
{
    ShutDownOnce(FALSE);
    CFrameWnd::OnDestroy();
}

int CMainFrame::CaptionBand() { return 2 * GetSystemMetrics(SM_CYMENU) + GetSystemMetrics(SM_CYCAPTION); }

void CMainFrame::EnterFullScreen()
{
    if (m_fullScreen)
        return;
    CRect now;
    GetWindowRect(&now);
    m_normalRect = now;
    snapvo::WindowSection& window = snapvo::WindowSettings();
    window.placement = now;
    if (window.showFullScreenPrompt) {
        // The picture is about to change places: no live refresh under the prompt.
        CSnapvoView* view = SnapvoView();
        if (view)
            view->SuspendRefresh(TRUE);
        CFullScreenDlg prompt(this);
        prompt.DoModal();
        window.showFullScreenPrompt = prompt.m_bDontShow ? 0 : 1;
        if (view)
            view->SuspendRefresh(FALSE);
    }
    m_fullScreen = TRUE;
    ShowControlBar(&m_wndStatusBar, FALSE, FALSE);
    ShowCaptionInFullScreen(FALSE);
}

void CMainFrame::ShowCaptionInFullScreen(BOOL show)
{
    if (!m_fullScreen)
        return;
    m_captionShown = show;
    // Everything above the view's client area goes above the screen's top
    // edge; the picture then starts at the screen's top.
    const CSize screen = Ui().ScreenSize();
    CRect frame, view;
    GetWindowRect(&frame);
    int above = CaptionBand();
    if (CView* v = GetActiveView()) {
        v->GetWindowRect(&view);
        above = view.top - frame.top;
    }
    const int top = show ? 0 : -above;
    MoveWindow(0, top, screen.cx, screen.cy + above);
    if (CView* v = GetActiveView())
        v->SendMessage(WM_SIZE);
}

void CMainFrame::LeaveFullScreen()
{
    if (!m_fullScreen)
        return;
    m_fullScreen = FALSE;
    m_captionShown = FALSE;
    ShowControlBar(&m_wndStatusBar, TRUE, FALSE);
    const CRect stored = snapvo::WindowSettings().placement;
    const CSize screen = Ui().ScreenSize();
    const bool off = stored.IsRectEmpty() || stored.left < 0 || stored.top < 0 || stored.left >= screen.cx ||
                     stored.top >= screen.cy;
    m_normalRect = off ? DefaultRect(screen) : KeepTitleBarOnScreen(stored, screen);
    MoveWindow(m_normalRect);
}
