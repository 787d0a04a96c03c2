// The movie program's main frame: a fixed-size window placed where the user
// left it, its menus, pop-up menus, accelerators, tool bar and one-pane status
// bar, and the orderly close that asks about an unsaved movie first.
#pragma once

#include "framework/DocView.h"

class CReelixView;

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

    CReelixView* ReelixView() const;
    CToolBar& ToolBar() { return m_toolBar; }
    CStatusBar& StatusBar() { return m_statusBar; }
    CMenu& RecordPopup() { return m_recordPopup; }
    CMenu& PlaybackPopup() { return m_playbackPopup; }
    const CRect& NormalRect() const { return m_normalRect; }
    BOOL SettingsLoaded() const { return m_settingsLoaded; }
    // The view's idle text on the status line now.
    void ShowIdleText();
    // A close that arrived while a compressing save ran, once the save ended.
    void CloseIfPutOff();
    BOOL ClosePutOff() const { return m_closePutOff; }

    // The store path of the settings: working directory, "\", profile name.
    static CString StorePath(const CString& workingDirectory, const CString& profileName);
    // The first-start rectangle for a screen of that size.
    static CRect DefaultRect(CSize screen);
    // The stored rectangle where a window can be put on a screen of that
    // size: the default when it is empty or lies off the screen altogether.
    static CRect PlacementOnScreen(const CRect& stored, CSize screen);

private:
    void BuildMenus();
    void BuildPopups();
    void SaveSettings();
    void ShutDownOnce();

    CToolBar m_toolBar;
    CStatusBar m_statusBar;
    CMenu m_recordPopup;
    CMenu m_playbackPopup;
    CRect m_normalRect;
    BOOL m_settingsLoaded = FALSE;
    BOOL m_shutDown = FALSE;
    BOOL m_closePutOff = FALSE;
};
