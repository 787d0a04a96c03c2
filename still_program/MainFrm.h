// The still program's main frame: tool bar, status bar, menus, placement on
// the screen, and the orderly close that saves the film roll and settings.
#pragma once

#include "framework/DocView.h"

#include "framework/Dialog.h"

class MCfgTable;

// Dialog 175, "Full Screen Mode Warning", with its "Don't show me this
// message again" check box (1023).
class CFullScreenDlg : public CDialog {
public:
    static constexpr UINT IDD = 175;
    static constexpr UINT IDC_DONT_SHOW = 1023;
    static constexpr const char* kText =
        "To display the image in the size you have chosen, the menus and other areas of Snapvo will not appear on "
        "the screen.  To access the menus, move the mouse cursor to the top of the screen.";
    explicit CFullScreenDlg(CWnd* parent) : CDialog(IDD, parent) {}
    int ShowModalWidget() override;
    BOOL m_bDontShow = FALSE;
};
class CSnapvoView;

class CMainFrame : public CFrameWnd {
public:
    CMainFrame();
    ~CMainFrame() override;

    BOOL PreCreateWindow(CREATESTRUCT& cs) override;
    int OnCreate() override;
    void OnClose() override;
    void OnDestroy() override;
    void OnGetMinMaxInfo(MINMAXINFO* info) override;
    void OnSetMessageString(UINT id) override;

    void SetStatusText(const char* text);
    const CString& StatusText() const { return m_statusText; }
    const CString& WorkingDirectory() const { return m_workingDirectory; }
    BOOL UsesClassesRoot() const { return m_useClassesRoot; }
    BOOL FilmrollReady() const { return m_filmrollReady; }
    const CRect& NormalRect() const { return m_normalRect; }
    CToolBar& ToolBar() { return m_wndToolBar; }
    CStatusBar& StatusBar() { return m_wndStatusBar; }
    MCfgTable* ChosenTable() const;
    CSnapvoView* SnapvoView() const;

    // Full-screen mode: the picture fills the screen with the caption and
    // menu pushed above its top edge until the mouse comes near.
    void EnterFullScreen();
    void LeaveFullScreen();
    BOOL IsFullScreen() const { return m_fullScreen; }
    // Caption and menu on screen (TRUE) or above it.
    void ShowCaptionInFullScreen(BOOL show);
    BOOL CaptionShown() const { return m_captionShown; }
    // Height of the band at the picture's top that brings the caption down.
    static int CaptionBand();

    // The store path of the settings: working directory, "\", profile name.
    static CString StorePath(const CString& workingDirectory, const CString& profileName);
    // The first-start rectangle for a screen of that size.
    static CRect DefaultRect(CSize screen);
    // Which table a run uses. Linux keeps the settings of a user in the
    // user's own store, whose classes-root hive is the per-user one.
    static BOOL ChooseClassesRoot() { return TRUE; }

private:
    void BuildMenus();
    void BuildSettingsMenu(CMenu& settings);
    void SaveSettings();
    void ShutDownOnce(BOOL saveFilmroll);

    CToolBar m_wndToolBar;
    CStatusBar m_wndStatusBar;
    BOOL m_useClassesRoot = TRUE;
    CString m_workingDirectory;
    CRect m_normalRect;
    int m_nReserved = 0;
    CString m_statusText;
    BOOL m_filmrollReady = FALSE;
    BOOL m_shutDown = FALSE;
    BOOL m_fullScreen = FALSE;
    BOOL m_captionShown = FALSE;
};
