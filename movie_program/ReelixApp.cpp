#include "ReelixApp.h"

#include "ReelixAbout.h"
#include "ReelixDoc.h"
#include "ReelixFrame.h"
#include "ReelixView.h"
#include "framework/Clock.h"
#include "framework/StringTable.h"
#include "framework/UiService.h"
#include "resource.h"

CReelixApp::CReelixApp() : MWinApp("reelix32")
{
    RegisterReelixStrings();
    OnCommand(ID_HELP_CONTENTS, [this] { OnHelpContents(); });
    OnCommand(ID_APP_ABOUT_MOVIE, [this] { OnAppAbout(); });
    OnUpdateCommand(ID_HELP_CONTENTS, [](CCmdUI* ui) { ui->Enable(TRUE); });
    OnUpdateCommand(ID_APP_ABOUT_MOVIE, [](CCmdUI* ui) { ui->Enable(TRUE); });
}

CReelixApp::~CReelixApp()
{
    if (m_template)
        m_template->CloseAll();
}

CMainFrame* CReelixApp::MainFrame() const
{
    return m_template ? dynamic_cast<CMainFrame*>(m_template->GetFrame()) : nullptr;
}

CReelixView* CReelixApp::View() const
{
    return m_template ? dynamic_cast<CReelixView*>(m_template->GetView()) : nullptr;
}

BOOL CReelixApp::InitInstance()
{
    SetDialogBkColor(GetSysColor(COLOR_MENU));
    Enable3dControls();
    LoadStdProfileSettings(4);
    if (m_pszProfileName.IsEmpty())
        m_pszProfileName = "reelix32.INI";
    if (!InitializeOrb())
        return FALSE;
    m_nCmdShow = SW_HIDE;
    m_template = std::make_unique<CSingleDocTemplate>(
        IDR_MAINFRAME, [] { return std::make_unique<CReelixDoc>(); }, [] { return std::make_unique<CMainFrame>(); },
        [] { return std::make_unique<CReelixView>(); });
    if (!m_template->OpenDocumentFile(nullptr))
        return FALSE;
    CMainFrame* frame = MainFrame();
    CReelixView* view = View();
    if (!frame || !view || !view->StartUp())
        return FALSE;
    if (onWindowsReady)
        onWindowsReady(*this);
    // The caption before the window shows, so that it never appears under
    // the document's title first.
    frame->SetWindowText("Velmora Reelix");
    frame->ShowWindow(SW_SHOWNORMAL);
    view->FitFrameToVideo();
    frame->SetActiveWindow();
    return TRUE;
}

int CReelixApp::ExitInstance()
{
    UninitializeOrb();
    return MWinApp::ExitInstance();
}

BOOL CReelixApp::OnIdle(LONG count)
{
    const BOOL more = MWinApp::OnIdle(count);
    CWnd* main = m_pMainWnd;
    const CReelixView* view = View();
    if (!main || !main->m_hWnd || !view || !view->WantsPreview() || CWnd::GetActiveWindow() != main)
        return more;
    // At most one live frame per interval, posted: an idle pass never asks
    // for another just to grab again, so the loop does not spin.
    const DWORD now = GetTickCount();
    if (m_previewPosted && now - m_lastPreview < kPreviewIntervalMs)
        return more;
    main->PostMessage(WM_REELIX_PREVIEW);
    m_previewPosted = true;
    m_lastPreview = now;
    return more;
}

void CReelixApp::OnHelpContents()
{
    WinHelp(m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr, kHelpFile, HELP_CONTENTS, 0);
}

void CReelixApp::OnAppAbout()
{
    CReelixAboutDlg about(m_pMainWnd);
    about.DoModal();
}

BOOL CReelixAboutDlg::OnInitDialog()
{
    m_version = LoadStringText(IDS_VERSION_WORD) + " " + LoadStringText(IDS_VERSION_NUMBER);
    return TRUE;
}

bool CReelixAboutDlg::OpensPicture(UINT key, bool control, bool shift) { return key == 'J' && control && shift; }

int CReelixAboutDlg::ShowPicture()
{
    CReelixPictureDlg picture(this);
    return picture.DoModal();
}
