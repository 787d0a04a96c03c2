// The auto-capture schedule's decision, as the state machine asks it: a
// simulated week of polls, one a second (604 800), on a fake clock. The
// custom schedule (weekdays, a daily window, dates) reads the local calendar
// on every poll, so this is the cost that matters; the preset schedule beside
// it is the floor.
#include <benchmark/benchmark.h>

#include "Schedule.h"
#include "framework/Clock.h"

namespace {

constexpr int kWeekSeconds = 7 * 24 * 3600;

CAutoCaptureSchedule WorkingHours()
{
    CAutoCaptureSchedule s;
    s.SelectPreset(1);   // every minute
    s.otherEnabled = TRUE;
    s.days = 0x3E;       // Monday to Friday
    const CTime now = CTime::GetCurrentTime();
    s.begin = CTime(now.GetYear(), now.GetMonth(), now.GetDay(), 8, 0, 0);
    s.end = CTime(now.GetYear() + 1, now.GetMonth(), now.GetDay(), 18, 0, 0);
    s.useEnd = TRUE;
    return s;
}

void Week(benchmark::State& state, bool custom)
{
    ScopedFakeClock clock;
    CAutoCaptureSchedule schedule = WorkingHours();
    schedule.otherEnabled = custom;
    int64_t pictures = 0;
    for (auto _ : state) {
        CAutoCaptureTimer timer;
        timer.Start();
        for (int second = 0; second < kWeekSeconds; ++second) {
            clock->Spend(1000);
            DWORD remaining = 0;
            pictures += timer.PictureDue(schedule, remaining);
            benchmark::DoNotOptimize(remaining);
        }
    }
    state.SetItemsProcessed(state.iterations() * kWeekSeconds);
    state.counters["pictures_per_week"] = benchmark::Counter(double(pictures) / double(state.iterations()));
}

}  // namespace

BENCHMARK_CAPTURE(Week, custom_schedule, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Week, preset_only, false)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
