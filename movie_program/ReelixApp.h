// The movie program's application object: start-up in the order the program
// needs (library, frame, view, show), the paced live preview at idle time,
// help and About.
#pragma once

#include "Mwinapp.h"
#include "framework/DocView.h"
#include "framework/Messages.h"

#include <functional>
#include <memory>

class CMainFrame;
class CReelixView;

// Posted to the frame at most once per preview interval: one live frame.
constexpr UINT WM_REELIX_PREVIEW = WM_USER + 0x2A1;


class CReelixApp : public MWinApp {
public:
    // The shortest time between two live frames of the idle preview.
    static constexpr DWORD kPreviewIntervalMs = 40;

    CReelixApp();
    ~CReelixApp() override;

    BOOL InitInstance() override;
    int ExitInstance() override;
    BOOL OnIdle(LONG count) override;

    CMainFrame* MainFrame() const;
    CReelixView* View() const;
    // Runs once the windows exist and before they show (the widgets' turn).
    std::function<void(CReelixApp&)> onWindowsReady;

private:
    void OnHelpContents();
    void OnAppAbout();

    std::unique_ptr<CSingleDocTemplate> m_template;
    bool m_previewPosted = false;
    DWORD m_lastPreview = 0;
};

// The program's whole life: Qt, signals, start-up, event loop, shut-down.
int ReelixMain(int argc, char** argv);
// Called once the program runs (tests drive the running program from here).
void SetReelixRunningHook(std::function<void(CReelixApp&)> hook);
