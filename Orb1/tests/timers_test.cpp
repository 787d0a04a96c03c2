#include "orb_fixture.h"

#include "Mmtimer.h"
#include "Mtimer.h"
#include "Mxtimer.h"
#include "mmtimer2.h"

#include <atomic>
#include <cstdlib>
#include <new>
#include <thread>
#include <vector>

// Counts heap allocations made on this thread while counting is on.
thread_local bool t_countAllocations = false;
std::atomic<int> g_allocations{0};

void* operator new(std::size_t size)
{
    if (t_countAllocations)
        ++g_allocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

// One multimedia tick without the user-interface side: the multimedia device is
// the only timer source with work scheduled when no window timer runs.
TimerSource* MultimediaSource()
{
    for (TimerSource* s : TimerSources()) {
        DWORD due;
        if (s->NextDue(due))
            return s;
    }
    return nullptr;
}

void RunOneTickAlone(FakeClock& clock, TimerSource* source = MultimediaSource())
{
    clock.Spend(MXTimer::kTickMs);
    source->RunDue(GetTickCount());
}

struct Counter : MTimerUser, MXTimerUser {
    std::vector<DWORD> at;
    std::function<void()> during;
    void MTimerUserOnTimer(void*) override { Hit(); }
    void MXTimerUserOnTimer(void*) override { Hit(); }
    void Hit()
    {
        at.push_back(GetTickCount());
        if (during)
            during();
    }
};

using MTimerTest = OrbFixture;

TEST_F(MTimerTest, StartsOnlyWithAUserAndFiresEachPeriodUntilStopped)
{
    Counter user;
    MTimer timer;
    EXPECT_FALSE(timer.Initialize(nullptr, 100, nullptr));
    ASSERT_TRUE(timer.Initialize(&user, 100, nullptr));
    ASSERT_TRUE(timer.Start());
    EXPECT_TRUE(timer.IsStarted());
    EXPECT_FALSE(timer.Start());
    clock->Advance(1000);
    EXPECT_EQ(user.at.size(), 10u);
    EXPECT_TRUE(timer.Stop());
    EXPECT_TRUE(timer.Stop());
    clock->Advance(1000);
    EXPECT_EQ(user.at.size(), 10u);
}

TEST_F(MTimerTest, DestructorStopsTheTimer)
{
    Counter user;
    {
        MTimer timer(&user, 100, nullptr);
        ASSERT_TRUE(timer.Start());
        EXPECT_EQ(ActiveTimerCount(), 1);
    }
    EXPECT_EQ(ActiveTimerCount(), 0);
    clock->Advance(500);
    EXPECT_TRUE(user.at.empty());
}

TEST_F(MTimerTest, TicksArrivingDuringALongCallbackAreDropped)
{
    Counter user;
    MTimer timer(&user, 100, nullptr);
    ASSERT_TRUE(timer.Start());
    // The first callback runs a nested loop for three periods.
    user.during = [&] {
        user.during = nullptr;
        clock->Advance(300);
    };
    clock->Advance(1000);
    // 100 (busy until 400: 200, 300, 400 dropped), then 500 .. 1000.
    ASSERT_EQ(user.at.size(), 7u);
    EXPECT_EQ(user.at[1] - start, 500u);
}

TEST(MTimerWithoutLibrary, CannotStartBeforeTheLibraryIsInitialised)
{
    struct : MTimerUser {
        void MTimerUserOnTimer(void*) override {}
    } user;
    MTimer timer(&user, 100, nullptr);
    EXPECT_FALSE(timer.Start());
}

void Noop(UINT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) {}

struct MMTimerTest : OrbFixture {
    void Device(UINT min, UINT max, bool readable = true, bool refuse = false)
    {
        MultimediaTimerDevice d;
        d.caps = TIMECAPS{min, max};
        d.capsReadable = readable;
        d.refuseEvents = refuse;
        SetMultimediaTimerDevice(d);
    }
};

TEST_F(MMTimerTest, ResolutionIsAtLeast15msAndTheIntervalAtLeastTheResolution)
{
    Device(1, 1000000);
    MMTimer timer(&Noop, 10, 0, 1);
    ASSERT_TRUE(timer.Start());
    EXPECT_EQ(timer.GetResolution(), 15);
    EXPECT_EQ(timer.GetInterval(), 15);
    EXPECT_FALSE(timer.Initialize(&Noop, 50, 0, 15));   // not while running
    EXPECT_TRUE(timer.Stop());
    EXPECT_EQ(OpenTimerPeriods(), 0);

    Device(20, 1000000);
    timer.SetInterval(100);
    ASSERT_TRUE(timer.Start());
    EXPECT_EQ(timer.GetResolution(), 20);
    EXPECT_EQ(timer.GetInterval(), 100);
    timer.Stop();

    Device(1, 10);   // a device that cannot go as coarse as 15 ms
    timer.SetInterval(5);
    ASSERT_TRUE(timer.Start());
    EXPECT_EQ(timer.GetResolution(), 10);
    EXPECT_EQ(timer.GetInterval(), 10);
}

TEST_F(MMTimerTest, ErrorsNameTheFailure)
{
    MMTimer uninitialised;
    EXPECT_FALSE(uninitialised.Start());

    MMTimer noCallback(nullptr, 50, 0, 15);
    EXPECT_FALSE(noCallback.Start());
    EXPECT_EQ(noCallback.GetError(), MMTimerError_NoCallback);

    MMTimer timer(&Noop, 50, 0, 15);
    ASSERT_TRUE(timer.Start());
    EXPECT_FALSE(timer.Start());
    EXPECT_EQ(timer.GetError(), MMTimerError_AlreadyRunning);
    timer.Stop();

    Device(1, 1000000, false);
    EXPECT_FALSE(timer.Start());
    EXPECT_EQ(timer.GetError(), MMTimerError_DevCaps);

    Device(1, 1000000, true, true);
    EXPECT_FALSE(timer.Start());
    EXPECT_EQ(timer.GetError(), MMTimerError_SetEvent);
    EXPECT_EQ(OpenTimerPeriods(), 0);   // the refused start ended its period
}

int g_mmTicks = 0;
void CountMm(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) { g_mmTicks += int(user); }

TEST_F(MMTimerTest, TheWideVariantRunsLongIntervals)
{
    g_mmTicks = 0;
    MMTimer2 timer(&CountMm, 70000, 2, 15);
    ASSERT_TRUE(timer.Start());
    EXPECT_EQ(timer.GetInterval(), 70000u);
    clock->Advance(140000);
    EXPECT_EQ(g_mmTicks, 4);
    {
        MMTimer2 scoped(&CountMm, 100, 1, 15);
        scoped.Start();
    }
    EXPECT_EQ(RunningTimerEvents(), 1);   // the destructor stopped its own event
}

using MXTimerTest = OrbFixture;

void Ignore(unsigned) {}

TEST_F(MXTimerTest, PeriodsAreWholeTicksOf15ms)
{
    Counter every, hundred;
    MXTimer fast(&every, 10, nullptr);    // 0 ticks: every tick
    MXTimer slow(&hundred, 100, nullptr); // 6 ticks: 90 ms
    ASSERT_TRUE(fast.Start());
    ASSERT_TRUE(slow.Start());
    EXPECT_TRUE(MXTimer::GIsTickerRunning());
    clock->Advance(89);
    EXPECT_TRUE(hundred.at.empty());
    clock->Advance(1);
    ASSERT_EQ(hundred.at.size(), 1u);
    EXPECT_EQ(hundred.at[0] - start, 90u);
    EXPECT_EQ(every.at.size(), 6u);
    clock->Advance(90);
    EXPECT_EQ(hundred.at.size(), 2u);
    EXPECT_EQ(every.at.size(), 12u);
}

TEST_F(MXTimerTest, TheThirtyThirdTimerCannotStart)
{
    Counter user;
    std::vector<std::unique_ptr<MXTimer>> timers;
    for (int i = 0; i < 32; ++i) {
        timers.push_back(std::make_unique<MXTimer>(&user, 500, nullptr));
        ASSERT_TRUE(timers.back()->Start()) << i;
    }
    MXTimer extra(&user, 500, nullptr);
    EXPECT_FALSE(extra.Start());
    EXPECT_FALSE(extra.IsStarted());
    EXPECT_TRUE(timers[5]->Stop());
    EXPECT_TRUE(extra.Start());
    EXPECT_EQ(MXTimer::GCount(), 32);
}

TEST_F(MXTimerTest, StoppingTheLastTimerStopsTheTickerAndItsPendingCallback)
{
    Counter user;
    MXTimer timer(&user, 10, nullptr);   // due on every tick
    ASSERT_TRUE(timer.Start());
    RunOneTickAlone(*clock);   // posted, not delivered
    EXPECT_EQ(MCallback::GInUse(), 1);
    EXPECT_TRUE(timer.Stop());
    EXPECT_EQ(MCallback::GInUse(), 0);
    EXPECT_FALSE(MXTimer::GIsTickerRunning());
    EXPECT_EQ(OpenTimerPeriods(), 0);
    PumpMessages();   // the stale message finds its record gone
    EXPECT_TRUE(user.at.empty());
}

TEST_F(MXTimerTest, TheTickNeverTouchesTheHeap)
{
    Counter user;
    MXTimer a(&user, 10, nullptr), b(&user, 10, nullptr);
    ASSERT_TRUE(a.Start());
    ASSERT_TRUE(b.Start());
    TimerSource* source = MultimediaSource();
    ASSERT_NE(source, nullptr);
    g_allocations = 0;
    t_countAllocations = true;
    RunOneTickAlone(*clock, source);
    RunOneTickAlone(*clock, source);
    t_countAllocations = false;
    EXPECT_EQ(g_allocations, 0);
    EXPECT_EQ(PostedMessageCount(), 2u);   // one pending callback per timer
    PumpMessages();
    EXPECT_EQ(user.at.size(), 2u);
}

TEST_F(MXTimerTest, AFullCallbackPoolLosesTheExpiry)
{
    Counter user;
    CWnd sink;   // takes the filler callbacks and never answers them
    sink.Create(nullptr, "", 0, CRect());
    std::vector<MCallback*> fillers;
    for (int i = 0; i < MCallback::kPoolSize; ++i)
        fillers.push_back(MCallback::GPost(&Ignore, unsigned(i), sink.m_hWnd));
    ASSERT_TRUE(MCallback::GIsFull());
    MXTimer timer(&user, 30, nullptr);
    ASSERT_TRUE(timer.Start());
    clock->Advance(100);
    EXPECT_TRUE(user.at.empty());
    for (MCallback* f : fillers)
        delete f;
    clock->Advance(30);
    EXPECT_EQ(user.at.size(), 1u);
}

TEST_F(MXTimerTest, ATickerThatCannotStartShowsATimedMessageAndFails)
{
    MultimediaTimerDevice refuse;
    refuse.refuseEvents = true;
    SetMultimediaTimerDevice(refuse);
    ui->AnswerNextBox(TestUiService::kStayOpen);
    Counter user;
    MXTimer timer(&user, 100, nullptr);
    EXPECT_FALSE(timer.Start());
    EXPECT_EQ(MXTimer::GCount(), 0);
    ASSERT_EQ(ui->boxes.size(), 1u);
    EXPECT_EQ(ui->boxes[0].text, "Failed To Start The Multimedia Timer");
    EXPECT_TRUE(ui->boxes[0].closedByProgram);
    EXPECT_EQ(Elapsed(), 10000u);
}

} // namespace

namespace {

// The multiplexed timer on its real thread, handing expiries to the Qt loop.
struct RealTickApp : MWinApp, MXTimerUser {
    MXTimer timer;
    int ticks = 0;
    std::thread::id uiThread;
    bool allOnUiThread = true;
    BOOL InitInstance() override
    {
        uiThread = std::this_thread::get_id();
        return InitializeOrb() && timer.Initialize(this, 30, nullptr) && timer.Start();
    }
    void MXTimerUserOnTimer(void*) override
    {
        allOnUiThread = allOnUiThread && std::this_thread::get_id() == uiThread;
        if (++ticks == 3) {
            timer.Stop();
            PostQuitMessage(0);
        }
    }
    int ExitInstance() override
    {
        UninitializeOrb();
        return 0;
    }
};

TEST(RealEventLoop, MultiplexedTimerExpiriesArriveOnTheUserInterfaceThread)
{
    ResetMessageQueue();
    ResetMultimediaTimerDevice();
    RealTickApp app;
    char name[] = "orbtest";
    char* argv[] = {name, nullptr};
    EXPECT_EQ(app.Run(1, argv), 0);
    EXPECT_EQ(app.ticks, 3);
    EXPECT_TRUE(app.allOnUiThread);
    EXPECT_FALSE(MXTimer::GIsTickerRunning());
}

} // namespace

namespace {

struct StopInside : MXTimerUser {
    MXTimer* timer = nullptr;
    std::unique_ptr<MXTimer> owned;
    int calls = 0;
    void MXTimerUserOnTimer(void*) override
    {
        ++calls;
        if (owned)
            owned.reset();
        else
            timer->Stop();
    }
};

TEST_F(MXTimerTest, AUserMayStopItsTimerFromItsCallback)
{
    StopInside user;
    MXTimer timer(&user, 30, nullptr);
    user.timer = &timer;
    ASSERT_TRUE(timer.Start());
    clock->Advance(300);
    EXPECT_EQ(user.calls, 1);
    EXPECT_FALSE(timer.IsStarted());
    EXPECT_EQ(MCallback::GInUse(), 0);
    EXPECT_FALSE(MXTimer::GIsTickerRunning());

    StopInside destroyer;
    destroyer.owned = std::make_unique<MXTimer>(&destroyer, 30, nullptr);
    ASSERT_TRUE(destroyer.owned->Start());
    clock->Advance(300);
    EXPECT_EQ(destroyer.calls, 1);
    EXPECT_EQ(MXTimer::GCount(), 0);
}

} // namespace
