#include "framework/Clock.h"

#include "types/CTime.h"

#include <algorithm>
#include <atomic>
#include <chrono>

namespace {

SystemClock g_systemClock;
std::atomic<Clock*> g_clock{&g_systemClock};

std::mutex g_sourcesMutex;
std::vector<TimerSource*>& Sources()
{
    static std::vector<TimerSource*> sources;
    return sources;
}

time_t ClockTimeSource() { return ActiveClock().CurrentTime(); }

// Signed distance between two wrapping tick counts.
int32_t TickDiff(DWORD a, DWORD b) { return int32_t(a - b); }

} // namespace

DWORD SystemClock::TickCount() const
{
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    return DWORD(ms.count());
}

time_t SystemClock::CurrentTime() const { return time(nullptr); }

FakeClock::FakeClock(time_t now, DWORD tick) : m_tick(tick), m_start(now) {}

DWORD FakeClock::TickCount() const { return m_tick; }

time_t FakeClock::CurrentTime() const { return m_start + time_t(m_elapsedMs / 1000); }

void FakeClock::SetCurrentTime(time_t now)
{
    m_start = now - time_t(m_elapsedMs / 1000);
}

void FakeClock::Spend(DWORD ms)
{
    m_tick += ms;
    m_elapsedMs += ms;
}

void FakeClock::Step(DWORD to)
{
    DWORD delta = DWORD(TickDiff(to, m_tick));
    Spend(delta);
}

void FakeClock::Advance(DWORD ms)
{
    const DWORD target = m_tick + ms;
    // A source still due after its turn cannot run its work (a quit is
    // pending, say): it must not hold time still for ever.
    std::vector<TimerSource*> stuck;
    auto isStuck = [&](TimerSource* s) { return std::find(stuck.begin(), stuck.end(), s) != stuck.end(); };
    for (;;) {
        DWORD earliest = target;
        bool any = false;
        for (TimerSource* s : TimerSources()) {
            DWORD due;
            if (!isStuck(s) && s->NextDue(due) && TickDiff(due, target) <= 0) {
                if (!any || TickDiff(due, earliest) < 0)
                    earliest = due;
                any = true;
            }
        }
        if (!any)
            break;
        if (TickDiff(earliest, m_tick) > 0)
            Step(earliest);
        RunAllDue(nullptr);
        for (TimerSource* s : TimerSources()) {
            DWORD due;
            if (!isStuck(s) && s->NextDue(due) && TickDiff(due, m_tick) <= 0)
                stuck.push_back(s);
        }
    }
    if (TickDiff(target, m_tick) > 0)
        Step(target);
    RunAllDue(nullptr);
}

bool FakeClock::RunAllDue(TimerSource* except)
{
    // The work of one source (a callback posted from a timer thread, say) may
    // be what another runs at the same tick.
    bool ranAny = false;
    bool any;
    do {
        any = false;
        for (TimerSource* s : TimerSources())
            if (s != except)
                any = s->RunDue(m_tick) || any;
        ranAny = ranAny || any;
    } while (any);
    return ranAny;
}

bool FakeClock::AdvanceToNextDue(TimerSource* caller)
{
    bool any = false;
    DWORD earliest = 0;
    const auto sources = TimerSources();
    for (TimerSource* s : sources) {
        DWORD due;
        if (s->NextDue(due) && (!any || TickDiff(due, earliest) < 0)) {
            earliest = due;
            any = true;
        }
    }
    if (!any)
        return false;
    if (TickDiff(earliest, m_tick) > 0)
        Step(earliest);
    RunAllDue(caller);
    return true;
}

Clock& ActiveClock() { return *g_clock.load(); }

void SetClock(Clock* clock)
{
    g_clock.store(clock ? clock : &g_systemClock);
    CTime::SetTimeSource(clock ? &ClockTimeSource : nullptr);
}

void RegisterTimerSource(TimerSource* source)
{
    std::lock_guard<std::mutex> lock(g_sourcesMutex);
    Sources().push_back(source);
}

void UnregisterTimerSource(TimerSource* source)
{
    std::lock_guard<std::mutex> lock(g_sourcesMutex);
    auto& v = Sources();
    v.erase(std::remove(v.begin(), v.end(), source), v.end());
}

std::vector<TimerSource*> TimerSources()
{
    std::lock_guard<std::mutex> lock(g_sourcesMutex);
    return Sources();
}

DWORD GetTickCount() { return ActiveClock().TickCount(); }

ScopedFakeClock::ScopedFakeClock(time_t now) : m_clock(now), m_previous(&ActiveClock())
{
    SetClock(&m_clock);
}

ScopedFakeClock::~ScopedFakeClock()
{
    SetClock(m_previous);
}
