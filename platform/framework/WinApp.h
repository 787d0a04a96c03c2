// The application object: start-up and shut-down hooks, the main window, idle
// processing, and the Qt event loop that delivers posted messages and timers.
// Tests never call Run: they pump messages, run idle passes and advance a fake
// clock themselves.
#pragma once

#include "framework/CmdTarget.h"
#include "framework/Messages.h"
#include "framework/Wnd.h"
#include "types/CString.h"

#include <functional>
#include <vector>

class CWinApp : public CCmdTarget {
public:
    explicit CWinApp(const char* appName = nullptr);
    ~CWinApp() override;

    virtual BOOL InitInstance() { return TRUE; }
    virtual int ExitInstance() { return m_exitCode; }
    // Called while the event loop has nothing else to do, with a count that
    // starts at 0 after every message; return TRUE to be called again. The base
    // refreshes the command state of every registered control set at count 0.
    virtual BOOL OnIdle(LONG count);
    // First look at a message before it is dispatched; TRUE consumes it. The
    // base asks the message's window, then its parents, then the main window.
    virtual BOOL PreTranslateMessage(MSG* msg);

    // Runs the program under Qt: InitInstance, the event loop, ExitInstance.
    int Run(int argc, char** argv);

    // One pass as the event loop makes it: every waiting message, then idle
    // passes until OnIdle asks for no more (at most maxIdlePasses). Returns the
    // idle passes made.
    int RunPendingAndIdle(int maxIdlePasses = 100);
    // One message through PreTranslateMessage and dispatch; FALSE when none.
    BOOL PumpMessage();

    // Start-up calls of the programs. Dialogs take their colours from the Qt
    // palette and controls are always three-dimensional, so these only record.
    void SetDialogBkColor(COLORREF background = RGB(192, 192, 192), COLORREF text = RGB(0, 0, 0))
    {
        m_dialogBackground = background;
        m_dialogText = text;
    }
    BOOL Enable3dControls() { return TRUE; }
    void LoadStdProfileSettings(UINT maxRecentFiles = 4) { m_maxRecentFiles = maxRecentFiles; }
    COLORREF GetDialogBkColor() const { return m_dialogBackground; }

    // Called at idle count 0: the command-state refresh of tool bars and buttons.
    int AddIdleRefresh(std::function<void()> refresh);
    void RemoveIdleRefresh(int token);

    CWnd* m_pMainWnd = nullptr;
    int m_nCmdShow = SW_SHOWNORMAL;
    CString m_pszAppName;
    // The executable's base name followed by ".INI".
    CString m_pszProfileName;
    CString m_pszExeName;

protected:
    int m_exitCode = 0;
    COLORREF m_dialogBackground = RGB(192, 192, 192);
    COLORREF m_dialogText = RGB(0, 0, 0);
    UINT m_maxRecentFiles = 0;

private:
    std::vector<std::pair<int, std::function<void()>>> m_idleRefresh;
    int m_nextRefresh = 0;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
