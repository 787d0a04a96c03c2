#include "orb_fixture.h"

#include "Mcallbk.h"
#include "Mcallbkw.h"

#include <atomic>
#include <thread>
#include <vector>

namespace {

struct Log : MCallbackUser {
    std::vector<unsigned>* order;
    explicit Log(std::vector<unsigned>* o) : order(o) {}
    void VCallbackUserOnMessage(unsigned data) override { order->push_back(data); }
};

std::vector<unsigned> g_plain;
void Plain(unsigned data) { g_plain.push_back(data); }

using MCallbackTest = OrbFixture;

TEST_F(MCallbackTest, DeliveredInPostingOrderEvenWhenReceivedOutOfOrder)
{
    std::vector<unsigned> order;
    Log user(&order);
    ASSERT_NE(MCallback::GPost(&user, 1), nullptr);   // A
    ASSERT_NE(MCallback::GPost(&user, 2), nullptr);   // B
    MSG a, b;
    ASSERT_TRUE(PeekMessage(&a, nullptr, 0, 0, PM_REMOVE));
    ASSERT_TRUE(PeekMessage(&b, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(b.message, MCallback::kMessage);
    DispatchMessage(&b);
    EXPECT_EQ(order, (std::vector<unsigned>{1, 2}));
    DispatchMessage(&a);   // already run: its late message does nothing
    EXPECT_EQ(order.size(), 2u);
    EXPECT_EQ(MCallback::GInUse(), 0);
}

TEST_F(MCallbackTest, PlainFunctionsAndAbortedRecords)
{
    g_plain.clear();
    std::vector<unsigned> order;
    Log user(&order), other(&order);
    MCallback* aborted = MCallback::GPost(&user, 7);
    ASSERT_TRUE(MCallback::GPost(&Plain, 9));
    EXPECT_FALSE(aborted->AbortMessage(&other));
    EXPECT_FALSE(aborted->AbortMessage(&Plain));
    EXPECT_TRUE(aborted->AbortMessage(&user));
    EXPECT_EQ(MCallback::GInUse(), 1);
    PumpMessages();
    EXPECT_TRUE(order.empty());
    EXPECT_EQ(g_plain, (std::vector<unsigned>{9}));
}

TEST_F(MCallbackTest, PoolOfTwentyAndFailedPostsGiveTheirSlotBack)
{
    CWnd sink;
    sink.Create(nullptr, "", 0, CRect());
    std::vector<MCallback*> held;
    for (int i = 0; i < MCallback::kPoolSize; ++i) {
        EXPECT_FALSE(MCallback::GIsFull());
        held.push_back(MCallback::GPost(&Plain, unsigned(i), sink.m_hWnd));
        ASSERT_NE(held.back(), nullptr);
    }
    EXPECT_TRUE(MCallback::GIsFull());
    int result = -1;
    EXPECT_EQ(new MCallback(&Plain, 99, &result, sink.m_hWnd), nullptr);
    delete held.back();
    held.pop_back();

    CWnd gone;
    gone.Create(nullptr, "", 0, CRect());
    HWND stale = gone.m_hWnd;
    gone.DestroyWindow();
    result = -1;
    new MCallback(&Plain, 5, &result, stale);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(MCallback::GInUse(), MCallback::kPoolSize - 1);
    for (MCallback* r : held)
        delete r;
    EXPECT_EQ(MCallback::GInUse(), 0);
}

TEST_F(MCallbackTest, PostingFromAnotherThreadKeepsTheOrder)
{
    g_plain.clear();
    HWND window = MCallbackWindow::GGetCallbackHwnd();
    ASSERT_NE(window, nullptr);
    constexpr unsigned kCount = 300;
    std::atomic<bool> finished{false};
    std::thread poster([&] {
        for (unsigned i = 0; i < kCount;) {
            if (MCallback::GPost(&Plain, i, window))
                ++i;
            else
                std::this_thread::yield();   // pool full: the other thread drains it
        }
        finished = true;
    });
    while (!finished || PostedMessageCount() > 0)
        PumpMessages();
    poster.join();
    PumpMessages();
    ASSERT_EQ(g_plain.size(), kCount);
    for (unsigned i = 0; i < kCount; ++i)
        ASSERT_EQ(g_plain[i], i);
}

TEST_F(MCallbackTest, TheCallbackWindowBelongsToTheApplication)
{
    HWND window = MCallbackWindow::GGetCallbackHwnd();
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(MCallbackWindow::GGetCallbackHwnd(), window);
    CWnd* w = CWnd::FromHandle(window);
    CRect r;
    w->GetWindowRect(&r);
    EXPECT_EQ(r.Size(), CSize(100, 100));
    EXPECT_EQ(w->GetStyle(), WS_CHILD);
    app.UninitializeOrb();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(app.InitializeOrb());
}

} // namespace
