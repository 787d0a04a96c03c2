// The still program's application object: start-up in the order the program
// needs (library, mail hand-off, frame, view, show), idle live refresh, the
// companion windows' keyboard shortcuts, help and About.
#pragma once

#include "Mwinapp.h"
#include "framework/DocView.h"

#include <functional>
#include <memory>

class CMainFrame;
class CSnapvoView;

class CSnapvoApp : public MWinApp {
public:
    CSnapvoApp();
    ~CSnapvoApp() override;

    BOOL InitInstance() override;
    int ExitInstance() override;
    BOOL OnIdle(LONG count) override;
    BOOL PreTranslateMessage(MSG* msg) override;

    CMainFrame* MainFrame() const;
    CSnapvoView* View() const;
    // Runs once the windows exist and before they show (the widgets' turn).
    std::function<void(CSnapvoApp&)> onWindowsReady;
    // Tests point the mail hand-off at a library that is missing or present.
    CString m_aolLibraryName;

private:
    void OnHelpContents();
    void OnAppAbout();
    BOOL FilmrollShortcut(const MSG& msg);
    BOOL ViewerShortcut(const MSG& msg);

    std::unique_ptr<CSingleDocTemplate> m_template;
    bool m_refreshPosted = false;
    DWORD m_lastRefresh = 0;
};

// The program's whole life: Qt, signals, start-up, event loop, shut-down.
int SnapvoMain(int argc, char** argv);
// Called once the program runs (tests drive the running program from here).
void SetSnapvoRunningHook(std::function<void(CSnapvoApp&)> hook);
