#include "framework/Clock.h"
#include "framework/Messages.h"
#include "framework/WinApp.h"
#include "framework/Wnd.h"
#include "types/CTime.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

struct Fixture : ::testing::Test {
    Fixture() { ResetMessageQueue(); }
    ~Fixture() override { ResetMessageQueue(); }
    ScopedFakeClock clock;
};

struct Recorder : CWnd {
    Recorder()
    {
        Create(nullptr, "recorder", 0, CRect(0, 0, 10, 10));
        for (UINT m = WM_USER; m < WM_USER + 5; ++m)
            OnMessage(m, [this, m](WPARAM w, LPARAM l) {
                seen.push_back({m, w, l});
                return LRESULT(w * 2);
            });
    }
    struct Seen { UINT message; WPARAM w; LPARAM l; };
    std::vector<Seen> seen;
};

using ClockTest = Fixture;

TEST_F(ClockTest, FakeClockDrivesTickCountAndCalendarTime)
{
    const DWORD t0 = GetTickCount();
    const time_t c0 = CTime::GetCurrentTime().GetTime();
    clock->Advance(2500);
    EXPECT_EQ(GetTickCount() - t0, 2500u);
    EXPECT_EQ(CTime::GetCurrentTime().GetTime() - c0, 2);
    clock->Spend(600);
    EXPECT_EQ(CTime::GetCurrentTime().GetTime() - c0, 3);
    clock->SetCurrentTime(1000000);
    EXPECT_EQ(CTime::GetCurrentTime().GetTime(), 1000000);
}

TEST_F(ClockTest, RemovingTheFakeClockRestoresSystemTime)
{
    {
        ScopedFakeClock inner(12345);
        EXPECT_EQ(CTime::GetCurrentTime().GetTime(), 12345);
    }
    EXPECT_EQ(CTime::GetCurrentTime().GetTime(), clock->CurrentTime());
}

using MessageTest = Fixture;

TEST_F(MessageTest, PostedMessagesArriveInPostingOrderAndSendIsImmediate)
{
    Recorder w;
    EXPECT_TRUE(PostMessage(w.m_hWnd, WM_USER + 1, 1, 10));
    EXPECT_TRUE(w.PostMessage(WM_USER + 2, 2, 20));
    EXPECT_TRUE(PostMessage(w.m_hWnd, WM_USER + 1, 3, 30));
    EXPECT_EQ(SendMessage(w.m_hWnd, WM_USER + 4, 21, 0), 42);
    ASSERT_EQ(w.seen.size(), 1u);
    EXPECT_EQ(PumpMessages(), 3);
    ASSERT_EQ(w.seen.size(), 4u);
    EXPECT_EQ(w.seen[1].w, 1u);
    EXPECT_EQ(w.seen[2].message, WM_USER + 2);
    EXPECT_EQ(w.seen[3].l, 30);
}

TEST_F(MessageTest, MessagesFromOtherThreadsKeepTheirOrder)
{
    Recorder w;
    std::thread poster([&] {
        for (WPARAM i = 0; i < 200; ++i)
            PostMessage(w.m_hWnd, WM_USER, i, 0);
    });
    poster.join();
    PumpMessages();
    ASSERT_EQ(w.seen.size(), 200u);
    for (WPARAM i = 0; i < 200; ++i)
        EXPECT_EQ(w.seen[i].w, i);
}

TEST_F(MessageTest, DestroyedWindowsGetNothing)
{
    auto w = std::make_unique<Recorder>();
    HWND h = w->m_hWnd;
    PostMessage(h, WM_USER, 1, 0);
    w->SetTimer(1, 100);
    w.reset();
    EXPECT_FALSE(IsWindow(h));
    EXPECT_FALSE(PostMessage(h, WM_USER, 2, 0));
    EXPECT_EQ(SendMessage(h, WM_USER, 2, 0), 0);
    EXPECT_EQ(PumpMessages(), 0);
    EXPECT_EQ(ActiveTimerCount(), 0);
}

TEST_F(MessageTest, PeekFiltersByWindowAndRangeAndCanLeaveTheMessage)
{
    Recorder a, b;
    a.PostMessage(WM_USER + 1);
    b.PostMessage(WM_USER + 3);
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, b.m_hWnd, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, WM_USER + 3);
    ASSERT_TRUE(PeekMessage(&msg, nullptr, WM_USER + 2, WM_USER + 4, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, b.m_hWnd);
    EXPECT_FALSE(PeekMessage(&msg, b.m_hWnd, 0, 0, PM_REMOVE));
    EXPECT_EQ(PostedMessageCount(), 1u);
}

int g_threadTicks = 0;
DWORD g_spend = 0;
void CountTick(HWND, UINT, UINT_PTR, DWORD)
{
    ++g_threadTicks;
    if (g_spend) {
        static_cast<FakeClock&>(ActiveClock()).Spend(g_spend);
        g_spend = 0;
    }
}

TEST_F(MessageTest, ThreadTimerFiresEachPeriodUntilKilled)
{
    g_threadTicks = 0;
    g_spend = 0;
    UINT_PTR id = SetTimer(nullptr, 0, 100, &CountTick);
    ASSERT_NE(id, 0u);
    clock->Advance(99);
    EXPECT_EQ(g_threadTicks, 0);
    clock->Advance(1);
    EXPECT_EQ(g_threadTicks, 1);
    clock->Advance(900);
    EXPECT_EQ(g_threadTicks, 10);
    EXPECT_TRUE(KillTimer(nullptr, id));
    EXPECT_FALSE(KillTimer(nullptr, id));
    clock->Advance(1000);
    EXPECT_EQ(g_threadTicks, 10);
}

TEST_F(MessageTest, BusyThreadSkipsTheTicksItMissed)
{
    g_threadTicks = 0;
    g_spend = 350;   // the first tick keeps the thread busy for 3.5 periods
    UINT_PTR id = SetTimer(nullptr, 0, 100, &CountTick);
    clock->Advance(1000);
    // 100, then one late tick at 450 for the three missed, then 550 .. 950.
    EXPECT_EQ(g_threadTicks, 7);
    KillTimer(nullptr, id);
}

TEST_F(MessageTest, WindowTimerArrivesAsWmTimer)
{
    Recorder w;
    int ticks = 0;
    w.OnMessage(WM_TIMER, [&](WPARAM id, LPARAM) {
        EXPECT_EQ(id, 7u);
        ++ticks;
        return LRESULT(0);
    });
    EXPECT_EQ(w.SetTimer(7, 500), 7u);
    clock->Advance(1600);
    EXPECT_EQ(ticks, 3);
}

TEST_F(MessageTest, ModalLoopRunsTimersUntilDoneAndGivesUpWhenNothingCanHappen)
{
    g_threadTicks = 0;
    g_spend = 0;
    UINT_PTR id = SetTimer(nullptr, 0, 250, &CountTick);
    const DWORD start = GetTickCount();
    EXPECT_TRUE(RunModalLoop([] { return g_threadTicks >= 4; }));
    EXPECT_EQ(GetTickCount() - start, 1000u);
    KillTimer(nullptr, id);
    EXPECT_FALSE(RunModalLoop([] { return false; }));
}

struct IdleApp : CWinApp {
    std::vector<LONG> counts;
    BOOL OnIdle(LONG count) override
    {
        CWinApp::OnIdle(count);
        counts.push_back(count);
        return count < 3;
    }
};

TEST_F(MessageTest, IdleRunsAfterMessagesWithGrowingCountsUntilItAsksForNoMore)
{
    IdleApp app;
    Recorder w;
    int refreshes = 0;
    int token = app.AddIdleRefresh([&] { ++refreshes; });
    w.PostMessage(WM_USER);
    EXPECT_EQ(app.RunPendingAndIdle(), 4);
    EXPECT_EQ(w.seen.size(), 1u);
    EXPECT_EQ(app.counts, (std::vector<LONG>{0, 1, 2, 3}));
    EXPECT_EQ(refreshes, 1);
    app.RemoveIdleRefresh(token);
    EXPECT_EQ(AfxGetApp(), &app);
}

TEST_F(MessageTest, QuitEndsPumpingAndStaysForTheOuterLoop)
{
    Recorder w;
    PostQuitMessage(3);
    w.PostMessage(WM_USER);
    EXPECT_EQ(PumpMessages(), 1);
    EXPECT_EQ(PumpMessages(), 0);
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 3u);
}

TEST_F(MessageTest, WindowTreeGeometryAndFocus)
{
    CWnd parent, child;
    parent.Create(nullptr, "Viewer", WS_VISIBLE, CRect(100, 50, 400, 300));
    child.Create(&parent, "", WS_CHILD | WS_VISIBLE, CRect(10, 20, 60, 40), 1420);
    EXPECT_EQ(parent.GetDlgItem(1420), &child);
    EXPECT_TRUE(parent.IsChild(&child));
    CRect r;
    child.GetWindowRect(&r);
    EXPECT_EQ(r, CRect(110, 70, 160, 90));
    EXPECT_EQ(CWnd::FindWindow("Viewer"), &parent);
    parent.ShowWindow(SW_HIDE);
    EXPECT_FALSE(child.IsWindowVisible());
    child.SetFocus();
    EXPECT_EQ(CWnd::GetFocus(), &child);
    parent.DestroyWindow();
    EXPECT_FALSE(IsWindow(child.m_hWnd));
    EXPECT_EQ(CWnd::GetFocus(), nullptr);
}

} // namespace

namespace {

TEST_F(MessageTest, AFullQueueRefusesPosts)
{
    Recorder w;
    int posted = 0;
    while (w.PostMessage(WM_USER, WPARAM(posted), 0))
        ++posted;
    EXPECT_EQ(posted, 10000);
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_TRUE(w.PostMessage(WM_USER + 1, 0, 0));   // room again, at the back
    EXPECT_EQ(PumpMessages(), 10000);
    EXPECT_EQ(w.seen.back().message, WM_USER + 1);
    EXPECT_EQ(w.seen.front().w, 1u);
}

} // namespace

namespace {

TEST_F(MessageTest, APendingQuitDoesNotHoldTheFakeClockStill)
{
    g_threadTicks = 0;
    g_spend = 0;
    UINT_PTR id = SetTimer(nullptr, 0, 100, &CountTick);
    PostQuitMessage(0);
    const DWORD start = GetTickCount();
    clock->Advance(1000);   // timers do not come while a quit waits
    EXPECT_EQ(GetTickCount() - start, 1000u);
    EXPECT_EQ(g_threadTicks, 0);
    KillTimer(nullptr, id);
}

} // namespace
