// The one source of time for the whole suite. Everything that waits, counts
// ticks or stamps a picture reads this clock, so a test can install a FakeClock
// and run an hour of scheduled work in a few milliseconds.
#pragma once

#include "types/wintypes.h"

#include <cstdint>
#include <ctime>
#include <mutex>
#include <vector>

// Something that has work due at a tick: the user-interface timers and posted
// messages, the multimedia timers. A real clock leaves them to wake themselves;
// the fake clock runs them as it advances.
class TimerSource {
public:
    virtual ~TimerSource() = default;
    // The tick at which work is next due; false when nothing is scheduled.
    virtual bool NextDue(DWORD& due) = 0;
    // Run everything due at or before `now`; true when anything ran.
    virtual bool RunDue(DWORD now) = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds on a monotonic counter that wraps at 2^32.
    virtual DWORD TickCount() const = 0;
    // Seconds since 1970-01-01 00:00 UTC.
    virtual time_t CurrentTime() const = 0;
    // True when time moves only by Advance: timer sources then stay passive.
    virtual bool IsFake() const { return false; }
    // Lets a modal loop with nothing to do move time on to the next due work;
    // every source but the caller runs (the caller serves itself). A real clock
    // has nothing to do here. False when nothing is scheduled at all.
    virtual bool AdvanceToNextDue(TimerSource* caller) { return false; }
};

class SystemClock : public Clock {
public:
    DWORD TickCount() const override;
    time_t CurrentTime() const override;
};

// Time that moves only when told. Advancing runs every timer source whose work
// falls due on the way, in time order, on the calling thread.
class FakeClock : public Clock {
public:
    explicit FakeClock(time_t now = 946728000 /* 2000-01-01 12:00 UTC */, DWORD tick = 100000);

    DWORD TickCount() const override;
    time_t CurrentTime() const override;
    bool IsFake() const override { return true; }
    bool AdvanceToNextDue(TimerSource* caller) override;

    // Moves time forward by `ms`, stopping at each tick where work is due.
    void Advance(DWORD ms);
    // Moves time forward without running anything: the calling thread was busy.
    void Spend(DWORD ms);
    void SetCurrentTime(time_t now);

private:
    void Step(DWORD to);
    bool RunAllDue(TimerSource* except);
    DWORD m_tick;
    uint64_t m_elapsedMs = 0;     // since construction, for the calendar time
    time_t m_start;
};

// The installed clock (a SystemClock until something else is installed). The
// clock also drives CTime::GetCurrentTime. Passing null restores the system clock.
Clock& ActiveClock();
void SetClock(Clock* clock);

// Timer sources announce themselves so the fake clock can drive them.
void RegisterTimerSource(TimerSource* source);
void UnregisterTimerSource(TimerSource* source);
std::vector<TimerSource*> TimerSources();

DWORD GetTickCount();

// Installs a fake clock for one scope (typically one test) and restores the
// previous clock afterwards.
class ScopedFakeClock {
public:
    explicit ScopedFakeClock(time_t now = 946728000);
    ~ScopedFakeClock();
    FakeClock& operator*() { return m_clock; }
    FakeClock* operator->() { return &m_clock; }

private:
    FakeClock m_clock;
    Clock* m_previous;
};
