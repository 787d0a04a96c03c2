#include "framework/Clock.h"
#include "framework/MultimediaTimer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

struct MultimediaTimerTest : ::testing::Test {
    ~MultimediaTimerTest() override { ResetMultimediaTimerDevice(); }
};

std::vector<DWORD> g_fired;
void Record(UINT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) { g_fired.push_back(GetTickCount()); }

TEST_F(MultimediaTimerTest, DeviceCapabilitiesCanBeReplacedOrMadeUnreadable)
{
    MultimediaTimerDevice device;
    device.caps = TIMECAPS{20, 500};
    SetMultimediaTimerDevice(device);
    TIMECAPS caps{};
    ASSERT_EQ(timeGetDevCaps(&caps, sizeof caps), TIMERR_NOERROR);
    EXPECT_EQ(caps.wPeriodMin, 20u);
    EXPECT_EQ(caps.wPeriodMax, 500u);
    EXPECT_EQ(timeBeginPeriod(10), TIMERR_NOCANDO);   // below the device's minimum
    EXPECT_EQ(timeGetDevCaps(&caps, 4), TIMERR_NOCANDO);
    device.capsReadable = false;
    SetMultimediaTimerDevice(device);
    EXPECT_EQ(timeGetDevCaps(&caps, sizeof caps), TIMERR_NOCANDO);
}

TEST_F(MultimediaTimerTest, PeriodsMustBeBalanced)
{
    EXPECT_EQ(timeEndPeriod(15), TIMERR_NOCANDO);
    EXPECT_EQ(timeBeginPeriod(15), TIMERR_NOERROR);
    EXPECT_EQ(OpenTimerPeriods(), 1);
    EXPECT_EQ(timeEndPeriod(15), TIMERR_NOERROR);
    EXPECT_EQ(OpenTimerPeriods(), 0);
}

TEST_F(MultimediaTimerTest, FakeClockFiresPeriodicAndOneShotEvents)
{
    ScopedFakeClock clock;
    g_fired.clear();
    const DWORD start = GetTickCount();
    UINT periodic = timeSetEvent(15, 15, &Record, 0, TIME_PERIODIC);
    ASSERT_NE(periodic, 0u);
    clock->Advance(60);
    ASSERT_EQ(g_fired.size(), 4u);
    EXPECT_EQ(g_fired[0] - start, 15u);
    EXPECT_EQ(g_fired[3] - start, 60u);
    EXPECT_EQ(timeKillEvent(periodic), TIMERR_NOERROR);
    EXPECT_EQ(timeKillEvent(periodic), TIMERR_NOCANDO);

    g_fired.clear();
    UINT once = timeSetEvent(40, 1, &Record, 0, TIME_ONESHOT);
    clock->Advance(200);
    EXPECT_EQ(g_fired.size(), 1u);
    EXPECT_EQ(timeKillEvent(once), TIMERR_NOCANDO);
    EXPECT_EQ(RunningTimerEvents(), 0);
}

TEST_F(MultimediaTimerTest, RefusedEventsAndMissingCallbacksGiveZero)
{
    ScopedFakeClock clock;
    EXPECT_EQ(timeSetEvent(15, 15, nullptr, 0, TIME_PERIODIC), 0u);
    MultimediaTimerDevice device;
    device.refuseEvents = true;
    SetMultimediaTimerDevice(device);
    EXPECT_EQ(timeSetEvent(15, 15, &Record, 0, TIME_PERIODIC), 0u);
}

std::mutex g_mutex;
std::condition_variable g_cv;
int g_realTicks = 0;
std::thread::id g_tickThread;
void RealTick(UINT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    ++g_realTicks;
    g_tickThread = std::this_thread::get_id();
    g_cv.notify_all();
}

TEST_F(MultimediaTimerTest, RealEventsRunOnTheirOwnThreadAndStopWhenKilled)
{
    UINT id = timeSetEvent(2, 1, &RealTick, 0, TIME_PERIODIC);
    ASSERT_NE(id, 0u);
    {
        std::unique_lock<std::mutex> lock(g_mutex);
        ASSERT_TRUE(g_cv.wait_for(lock, std::chrono::seconds(5), [] { return g_realTicks >= 3; }));
        EXPECT_NE(g_tickThread, std::this_thread::get_id());
    }
    EXPECT_EQ(timeKillEvent(id), TIMERR_NOERROR);
    int after;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        after = g_realTicks;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::lock_guard<std::mutex> lock(g_mutex);
    EXPECT_EQ(g_realTicks, after);
}

} // namespace
