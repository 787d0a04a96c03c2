// The real event loop, offscreen and on the system clock: short real timers only.
#include "framework/Clock.h"
#include "framework/QtUiService.h"
#include "framework/WinApp.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

int g_ticks = 0;
void Tick(HWND, UINT, UINT_PTR id, DWORD)
{
    if (++g_ticks == 3) {
        KillTimer(nullptr, id);
        PostQuitMessage(7);
    }
}

struct LoopApp : CWinApp {
    CWnd window;
    std::vector<WPARAM> seen;
    int idlePasses = 0;
    BOOL InitInstance() override
    {
        window.Create(nullptr, "loop", 0, CRect());
        window.OnMessage(WM_USER + 1, [this](WPARAM w, LPARAM) {
            seen.push_back(w);
            return LRESULT(0);
        });
        for (WPARAM i = 0; i < 5; ++i)
            window.PostMessage(WM_USER + 1, i);
        SetTimer(nullptr, 0, 20, &Tick);
        return TRUE;
    }
    BOOL OnIdle(LONG count) override
    {
        CWinApp::OnIdle(count);
        ++idlePasses;
        return FALSE;
    }
};

TEST(QtEventLoop, DeliversPostedMessagesTimersAndIdleUntilQuit)
{
    ResetMessageQueue();
    g_ticks = 0;
    LoopApp app;
    char name[] = "event_loop";
    char* argv[] = {name, nullptr};
    EXPECT_EQ(app.Run(1, argv), 7);
    EXPECT_EQ(app.seen, (std::vector<WPARAM>{0, 1, 2, 3, 4}));
    EXPECT_EQ(g_ticks, 3);
    EXPECT_GT(app.idlePasses, 0);
    EXPECT_EQ(app.m_pszProfileName, "event_loop.INI");
}

} // namespace
