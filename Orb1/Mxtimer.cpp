#include "Mxtimer.h"

#include "Critsect.h"
#include "Mcallbkw.h"
#include "Mtmbox.h"

namespace {

struct Record {
    DWORD due;
    WORD periodTicks;
    WORD id;
    MXTimer* owner;
    HWND window;
    MCallback* pending;
};

int32_t TickDiff(DWORD a, DWORD b) { return int32_t(a - b); }

// Touched by the tick thread: no heap, one lock.
struct Table {
    Record records[MXTimer::kRecords];
    int count = 0;            // records 1..count are in use
    DWORD tick = 0;
    int nextDue = 0;          // 0: none
    int reentry = 0;
    WORD nextId = 0;
    MCriticalSection lock;
};

Table& TheTable()
{
    static Table table;
    return table;
}

MMTimer2& Ticker()
{
    // Asks for 10 ms at 5 ms; the wrapper makes that 15 ms at 15 ms.
    static MMTimer2 ticker(nullptr, 10, 0, 5);
    return ticker;
}

void RecomputeNextDue(Table& t)
{
    t.nextDue = 0;
    for (int i = 1; i <= t.count; ++i)
        if (!t.nextDue || TickDiff(t.records[i].due, t.records[t.nextDue].due) < 0)
            t.nextDue = i;
}

int FindRecord(Table& t, WORD id)
{
    for (int i = 1; i <= t.count; ++i)
        if (t.records[i].id == id)
            return i;
    return 0;
}

void RemoveRecord(Table& t, int index)
{
    for (int i = index; i < t.count; ++i)
        t.records[i] = t.records[i + 1];
    t.records[t.count] = Record{};
    --t.count;
    RecomputeNextDue(t);
}

} // namespace

MXTimer::MXTimer() = default;

MXTimer::MXTimer(MXTimerUser* user, unsigned short period, void* data) { Initialize(user, period, data); }

// A timer left in the table would have callbacks posted to a dead owner.
MXTimer::~MXTimer()
{
    if (m_pAlive)
        *m_pAlive = false;
    Stop();
}

BOOL MXTimer::Initialize(MXTimerUser* user, unsigned short period, void* data)
{
    if (!user)
        return FALSE;
    m_pUser = user;
    m_wPeriod = period;
    m_pData = data;
    m_bInitialized = TRUE;
    return TRUE;
}

BOOL MXTimer::Start()
{
    if (IsStarted())
        return FALSE;
    HWND window = MCallbackWindow::GGetCallbackHwnd();
    if (!window)
        return FALSE;
    Table& t = TheTable();
    WORD id = 0;
    {
        MCriticalSection::Lock lock(t.lock);
        const WORD ticks = WORD(m_wPeriod / kTickMs);
        if (t.count >= kMaxTimers)
            return FALSE;
        do {
            id = ++t.nextId;
        } while (id == 0 || FindRecord(t, id));
        const Record record{t.tick + ticks, ticks, id, this, window, nullptr};
        // Sorted by due tick; only the search order depends on it.
        int at = t.count + 1;
        while (at > 1 && TickDiff(t.records[at - 1].due, record.due) > 0) {
            t.records[at] = t.records[at - 1];
            --at;
        }
        t.records[at] = record;
        ++t.count;
        RecomputeNextDue(t);
    }
    MMTimer2& ticker = Ticker();
    if (!ticker.IsRunning()) {
        ticker.Initialize(&MXTimer::TickProc, 10, 0, 5);
        if (!ticker.Start()) {
            OrbMessageBox("Failed To Start The Multimedia Timer", MB_OK, 0, 10000);
            MCriticalSection::Lock lock(t.lock);
            if (int index = FindRecord(t, id))
                RemoveRecord(t, index);
            return FALSE;
        }
    }
    m_wTimerId = id;
    return TRUE;
}

BOOL MXTimer::Stop()
{
    if (!IsStarted())
        return TRUE;
    Table& t = TheTable();
    bool last = false;
    {
        MCriticalSection::Lock lock(t.lock);
        int index = FindRecord(t, m_wTimerId);
        if (!index)
            return FALSE;
        if (MCallback* pending = t.records[index].pending)
            pending->AbortMessage(this);
        RemoveRecord(t, index);
        last = t.count == 0;
    }
    if (last)
        Ticker().Stop();
    m_wTimerId = 0;
    return TRUE;
}

void MXTimer::TickProc(UINT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR)
{
    Table& t = TheTable();
    MCriticalSection::Lock lock(t.lock);
    ++t.tick;
    if (t.reentry > 0)
        return;
    ++t.reentry;
    for (int round = 0; round < kMaxTimers && t.nextDue; ++round) {
        Record& r = t.records[t.nextDue];
        if (TickDiff(r.due, t.tick) > 0)
            break;
        if (!r.pending) {
            int result = 0;
            MCallback* callback = new MCallback(r.owner, r.id, &result, r.window);
            if (callback && result)
                r.pending = callback;
        }
        // A timer of 0 ticks still fires on every tick, but waits for the next
        // one: handled again at once, it would take all 32 turns from the others.
        r.due = t.tick + (r.periodTicks ? r.periodTicks : 1);
        RecomputeNextDue(t);
    }
    --t.reentry;
}

void MXTimer::VCallbackUserOnMessage(unsigned data)
{
    Table& t = TheTable();
    {
        // The record that brought this is gone already: a Stop from inside the
        // user's callback must not abort it again.
        MCriticalSection::Lock lock(t.lock);
        if (int index = FindRecord(t, WORD(data)))
            t.records[index].pending = nullptr;
    }
    if (IsStarted() && !m_bInCallback && m_pUser) {
        // The user may also destroy the timer from inside its callback.
        bool alive = true;
        m_pAlive = &alive;
        m_bInCallback = TRUE;
        m_pUser->MXTimerUserOnTimer(m_pData);
        if (alive) {
            m_bInCallback = FALSE;
            m_pAlive = nullptr;
        }
    }
    MCriticalSection::Lock lock(t.lock);
    if (int index = FindRecord(t, WORD(data))) {
        Record& r = t.records[index];
        r.due = t.tick + r.periodTicks;
        RecomputeNextDue(t);
    }
}

BOOL MXTimer::GTimer()
{
    Table& t = TheTable();
    MCriticalSection::Lock lock(t.lock);
    Ticker();
    return TRUE;
}

void MXTimer::GDeleteTimer()
{
    Table& t = TheTable();
    {
        MCriticalSection::Lock lock(t.lock);
        for (int i = t.count; i >= 1; --i) {
            if (MCallback* pending = t.records[i].pending)
                pending->AbortMessage(t.records[i].owner);
            t.records[i].owner->m_wTimerId = 0;
            RemoveRecord(t, i);
        }
    }
    Ticker().Stop();
}

int MXTimer::GCount()
{
    Table& t = TheTable();
    MCriticalSection::Lock lock(t.lock);
    return t.count;
}

DWORD MXTimer::GCurrentTick()
{
    Table& t = TheTable();
    MCriticalSection::Lock lock(t.lock);
    return t.tick;
}

BOOL MXTimer::GIsTickerRunning() { return Ticker().IsRunning(); }
