// The still program's main frame: tool bar, status bar, menus, placement on
// the screen, and the orderly close that saves the film roll and settings.
#pragma once

#include "framework/DocView.h"

class MCfgTable;
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

    // The store path of the settings: working directory, "\", profile name.
    static CString StorePath(const CString& workingDirectory, const CString& profileName);
    // The first-start rectangle for a screen of that size.
    static CRect DefaultRect(CSize screen);
    // Which table a run uses. Linux keeps the settings of a user in the
    // user's own store, whose classes-root hive is the per-user one.
    static BOOL ChooseClassesRoot() { return TRUE; }

private:
    void BuildMenus();
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
};
