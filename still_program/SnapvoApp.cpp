#include "SnapvoApp.h"

#include "About.h"
#include "MainFrm.h"
#include "Settings.h"
#include "SnapvoDoc.h"
#include "SnapvoView.h"
#include "film32.h"
#include "framework/Clock.h"
#include "framework/Keys.h"
#include "framework/StringTable.h"
#include "framework/UiService.h"
#include "mail/loader.h"
#include "resource.h"

namespace {
bool IsWithin(HWND hwnd, const CWnd* window)
{
    if (!window || !window->m_hWnd)
        return false;
    for (CWnd* w = CWnd::FromHandle(hwnd); w; w = w->GetParent())
        if (w == window)
            return true;
    return false;
}
bool Control() { return GetKeyState(VK_CONTROL) < 0; }
}  // namespace

CSnapvoApp::CSnapvoApp() : MWinApp("snapvo32")
{
    RegisterSnapvoStrings();
    OnCommand(ID_HELP_CONTENTS, [this] { OnHelpContents(); });
    OnCommand(ID_APP_ABOUT, [this] { OnAppAbout(); });
}

CSnapvoApp::~CSnapvoApp()
{
    if (m_template)
        m_template->CloseAll();
}

CMainFrame* CSnapvoApp::MainFrame() const
{
    return m_template ? dynamic_cast<CMainFrame*>(m_template->GetFrame()) : nullptr;
}

CSnapvoView* CSnapvoApp::View() const
{
    return m_template ? dynamic_cast<CSnapvoView*>(m_template->GetView()) : nullptr;
}

BOOL CSnapvoApp::InitInstance()
{
    SetDialogBkColor(GetSysColor(COLOR_MENU));
    Enable3dControls();
    LoadStdProfileSettings(4);
    if (m_pszProfileName.IsEmpty())
        m_pszProfileName = "snapvo32.INI";
    if (!InitializeOrb())
        return FALSE;
    mail::UseLibrary(m_aolLibraryName.IsEmpty() ? nullptr : m_aolLibraryName.GetString());
    m_nCmdShow = SW_HIDE;
    m_template = std::make_unique<CSingleDocTemplate>(
        2, [] { return std::make_unique<CSnapvoDoc>(); }, [] { return std::make_unique<CMainFrame>(); },
        [] { return std::make_unique<CSnapvoView>(); });
    if (!m_template->OpenDocumentFile(nullptr))
        return FALSE;
    CMainFrame* frame = MainFrame();
    CSnapvoView* view = View();
    if (!frame->FilmrollReady() ||
        !view->StartUp(snapvo::IniTable(), snapvo::ClassesRootTable(), frame->UsesClassesRoot()))
        return FALSE;
    if (onWindowsReady)
        onWindowsReady(*this);
    frame->ShowWindow(SW_SHOWNORMAL);
    frame->SetActiveWindow();
    return TRUE;
}

int CSnapvoApp::ExitInstance()
{
    UninitializeOrb();
    return MWinApp::ExitInstance();
}

BOOL CSnapvoApp::OnIdle(LONG count)
{
    const BOOL more = MWinApp::OnIdle(count);
    CWnd* main = m_pMainWnd;
    // At most one refresh per frame time: the idle loop must not spin.
    const DWORD now = GetTickCount();
    if (main && main->m_hWnd && (!m_refreshPosted || now - m_lastRefresh >= 40)) {
        CWnd* active = CWnd::GetActiveWindow();
        if (active == main || active == CWnd::FindWindow("Viewer") || active == CWnd::FindWindow("Film Roll"))
        {
            main->PostMessage(WM_PREVIEW_REFRESH);
            m_refreshPosted = true;
            m_lastRefresh = now;
        }
    }
    return more;
}

BOOL CSnapvoApp::FilmrollShortcut(const MSG& msg)
{
    const CSnapvoView* view = View();
    if (!view || !view->FilmrollWindow() || !IsWithin(msg.hwnd, CWnd::FromHandle(view->FilmrollWindow())))
        return FALSE;
    if (Control() && msg.wParam == 'F')
        FilmrollMenuClose();
    else if (Control() && msg.wParam == 'X')
        FilmrollEditCut();
    else if (Control() && msg.wParam == 'C')
        FilmrollEditCopy();
    else if (Control() && msg.wParam == VK_DELETE)
        FilmrollDeleteAll();
    else if (msg.wParam == VK_DELETE)
        FILM_DeleteSelected();
    else
        return FALSE;
    return TRUE;
}

BOOL CSnapvoApp::ViewerShortcut(const MSG& msg)
{
    CSnapvoView* view = View();
    if (!view || !IsWithin(msg.hwnd, CWnd::FindWindow("Viewer")) || !Control())
        return FALSE;
    if (msg.wParam == 'X')
        view->Viewer().OnCut();
    else if (msg.wParam == 'V')
        view->Viewer().OnCloseViewer();
    else if (msg.wParam == 'C')
        view->Viewer().OnCopy();
    else
        return FALSE;
    return TRUE;
}

BOOL CSnapvoApp::PreTranslateMessage(MSG* msg)
{
    if (msg->message == WM_KEYDOWN && (FilmrollShortcut(*msg) || ViewerShortcut(*msg)))
        return TRUE;
    return MWinApp::PreTranslateMessage(msg);
}

void CSnapvoApp::OnHelpContents()
{
    WinHelp(m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr, "snapvo.hlp", HELP_CONTENTS, 0);
}

void CSnapvoApp::OnAppAbout()
{
    CAboutDlg about(m_pMainWnd);
    about.DoModal();
}

BOOL CAboutDlg::OnInitDialog()
{
    m_version = LoadStringText(IDS_VERSION_WORD) + " " + LoadStringText(IDS_VERSION_NUMBER);
    m_weight = 400;
    return TRUE;
}
