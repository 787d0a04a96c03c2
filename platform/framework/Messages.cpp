#include "framework/Messages.h"

#include "framework/Clock.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <vector>

namespace {

constexpr UINT kMinimumTimerPeriod = 10;

int32_t TickDiff(DWORD a, DWORD b) { return int32_t(a - b); }

// The posted messages: a fixed ring, so that posting (from a timer thread too)
// never touches the heap. Like the platform's queue it has a limit; posting to
// a full queue fails.
class PostedRing {
public:
    static constexpr size_t kCapacity = 10000;

    PostedRing() : m_slots(kCapacity) {}
    bool push_back(const MSG& msg)
    {
        if (m_count == kCapacity)
            return false;
        m_slots[(m_head + m_count) % kCapacity] = msg;
        ++m_count;
        return true;
    }
    size_t size() const { return m_count; }
    void pop_front()
    {
        m_head = (m_head + 1) % kCapacity;
        --m_count;
    }
    bool empty() const { return m_count == 0; }
    void clear() { m_head = m_count = 0; }
    MSG& operator[](size_t i) { return m_slots[(m_head + i) % kCapacity]; }
    void erase(size_t index)
    {
        for (size_t i = index; i + 1 < m_count; ++i)
            (*this)[i] = (*this)[i + 1];
        --m_count;
    }
    template <typename Pred>
    void erase_if(Pred pred)
    {
        size_t kept = 0;
        for (size_t i = 0; i < m_count; ++i)
            if (!pred((*this)[i]))
                (*this)[kept++] = (*this)[i];
        m_count = kept;
    }

private:
    std::vector<MSG> m_slots;
    size_t m_head = 0;
    size_t m_count = 0;
};

struct Timer {
    HWND hwnd;
    UINT_PTR id;
    UINT period;
    DWORD due;
    TIMERPROC proc;
};

// The queue of the user-interface thread. Posting may come from any thread;
// everything else happens on the user-interface thread.
class Queue : public TimerSource {
public:
    Queue() { RegisterTimerSource(this); }
    ~Queue() override { UnregisterTimerSource(this); }

    HWND Register(MessageTarget* target)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_nextHandle += 2;
        HWND h = reinterpret_cast<HWND>(m_nextHandle);
        m_windows[h] = target;
        return h;
    }

    void Unregister(HWND hwnd)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_windows.erase(hwnd);
        m_posted.erase_if([hwnd](const MSG& m) { return m.hwnd == hwnd; });
        std::erase_if(m_timers, [hwnd](const Timer& t) { return t.hwnd == hwnd; });
    }

    MessageTarget* Target(HWND hwnd)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_windows.find(hwnd);
        return it == m_windows.end() ? nullptr : it->second;
    }

    BOOL Post(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (hwnd && !m_windows.count(hwnd))
                return FALSE;
            if (!m_posted.push_back(MSG{hwnd, message, wParam, lParam, GetTickCount()}))
                return FALSE;
        }
        Wake();
        return TRUE;
    }

    BOOL Peek(MSG* msg, HWND filter, UINT min, UINT max, UINT remove)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto matches = [&](HWND h, UINT message) {
            if (filter && h != filter)
                return false;
            return (min == 0 && max == 0) || (message >= min && message <= max);
        };
        for (size_t i = 0; i < m_posted.size(); ++i) {
            if (matches(m_posted[i].hwnd, m_posted[i].message)) {
                *msg = m_posted[i];
                if (remove & PM_REMOVE) {
                    if (i == 0)
                        m_posted.pop_front();
                    else
                        m_posted.erase(i);
                }
                return TRUE;
            }
        }
        // Quitting comes after what was posted before, as on the original platform.
        if (m_quit && !filter && matches(nullptr, WM_QUIT)) {
            *msg = MSG{nullptr, WM_QUIT, WPARAM(m_quitCode), 0, GetTickCount()};
            if (remove & PM_REMOVE)
                m_quit = false;
            return TRUE;
        }
        const DWORD now = GetTickCount();
        Timer* due = nullptr;
        for (Timer& t : m_timers)
            if (TickDiff(t.due, now) <= 0 && matches(t.hwnd, WM_TIMER) &&
                (!due || TickDiff(t.due, due->due) < 0))
                due = &t;
        if (!due)
            return FALSE;
        *msg = MSG{due->hwnd, WM_TIMER, due->id, LPARAM(reinterpret_cast<intptr_t>(due->proc)), now};
        if (remove & PM_REMOVE)
            due->due = now + due->period;   // what was missed is skipped
        return TRUE;
    }

    UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (hwnd && !m_windows.count(hwnd))
                return 0;
            if (!hwnd) {
                do {
                    m_nextTimerId = m_nextTimerId >= 0x7FFF ? 1 : m_nextTimerId + 1;
                } while (Find(nullptr, m_nextTimerId));
                id = m_nextTimerId;
            }
            UINT period = std::max(elapse, kMinimumTimerPeriod);
            if (Timer* t = Find(hwnd, id)) {
                t->period = period;
                t->due = GetTickCount() + period;
                t->proc = proc;
            } else {
                m_timers.push_back(Timer{hwnd, id, period, GetTickCount() + period, proc});
            }
        }
        Wake();
        return id;
    }

    BOOL KillTimer(HWND hwnd, UINT_PTR id)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = std::find_if(m_timers.begin(), m_timers.end(),
                               [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
        if (it == m_timers.end())
            return FALSE;
        m_timers.erase(it);
        // A WM_TIMER already taken from the queue still arrives: as on the
        // platform the suite comes from, only unqueued ticks are cancelled.
        return TRUE;
    }

    bool NextDue(DWORD& due) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        bool any = false;
        for (const Timer& t : m_timers)
            if (!any || TickDiff(t.due, due) < 0) {
                due = t.due;
                any = true;
            }
        return any;
    }

    bool RunDue(DWORD) override { return PumpMessages() > 0; }

    void SetHooks(const MessageLoopHooks& hooks)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_hooks = hooks;
    }

    void Wake()
    {
        void (*wake)();
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            wake = m_hooks.wake;
            ++m_wakeups;
        }
        m_cv.notify_all();
        if (wake)
            wake();
    }

    BOOL Wait()
    {
        ++m_modalWaits;
        struct Leave { int& n; ~Leave() { --n; } } leave{m_modalWaits};
        Clock& clock = ActiveClock();
        if (clock.IsFake())
            return HasPosted() || clock.AdvanceToNextDue(this) ? TRUE : FALSE;
        void (*block)();
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            block = m_hooks.block;
        }
        if (block) {
            block();
            return TRUE;
        }
        std::unique_lock<std::mutex> lock(m_mutex);
        if (!m_posted.empty() || m_quit)
            return TRUE;
        DWORD due = 0;
        bool any = false;
        for (const Timer& t : m_timers)
            if (!any || TickDiff(t.due, due) < 0) {
                due = t.due;
                any = true;
            }
        if (!any && m_windows.empty())
            return FALSE;
        const auto seen = m_wakeups;
        auto pred = [&] { return m_wakeups != seen || !m_posted.empty(); };
        if (any) {
            int32_t wait = std::max<int32_t>(0, TickDiff(due, GetTickCount()));
            m_cv.wait_for(lock, std::chrono::milliseconds(wait), pred);
        } else {
            m_cv.wait(lock, pred);
        }
        return TRUE;
    }

    bool HasPosted()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return !m_posted.empty() || m_quit;
    }

    void Quit(int code)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_quit = true;
            m_quitCode = code;
        }
        Wake();
    }

    size_t PostedCount()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_posted.size();
    }

    int TimerCount()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return int(m_timers.size());
    }

    bool InModalWait() const { return m_modalWaits > 0; }
    int& ModalWaits() { return m_modalWaits; }

    void Reset()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_posted.clear();
        m_timers.clear();
        m_quit = false;
    }

private:
    Timer* Find(HWND hwnd, UINT_PTR id)
    {
        for (Timer& t : m_timers)
            if (t.hwnd == hwnd && t.id == id)
                return &t;
        return nullptr;
    }

    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::map<HWND, MessageTarget*> m_windows;
    PostedRing m_posted;
    std::vector<Timer> m_timers;
    uintptr_t m_nextHandle = 0x1000;
    UINT_PTR m_nextTimerId = 0;
    uint64_t m_wakeups = 0;
    MessageLoopHooks m_hooks;
    int m_modalWaits = 0;   // user-interface thread only
    bool m_quit = false;
    int m_quitCode = 0;
};

// Never destroyed: windows held by other libraries' statics may unregister
// during exit, after this unit's statics would be gone.
Queue& TheQueue()
{
    static Queue* queue = new Queue;
    return *queue;
}

} // namespace

HWND RegisterWindow(MessageTarget* target) { return TheQueue().Register(target); }
void UnregisterWindow(HWND hwnd) { TheQueue().Unregister(hwnd); }
MessageTarget* TargetFromHandle(HWND hwnd) { return hwnd ? TheQueue().Target(hwnd) : nullptr; }
BOOL IsWindow(HWND hwnd) { return TargetFromHandle(hwnd) ? TRUE : FALSE; }

BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return TheQueue().Post(hwnd, message, wParam, lParam);
}

LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    MessageTarget* target = TargetFromHandle(hwnd);
    return target ? target->WindowProc(message, wParam, lParam) : 0;
}

void PostQuitMessage(int exitCode) { TheQueue().Quit(exitCode); }

BOOL PeekMessage(MSG* msg, HWND filter, UINT min, UINT max, UINT remove)
{
    return TheQueue().Peek(msg, filter, min, max, remove);
}

BOOL TranslateMessage(const MSG*) { return FALSE; }

LRESULT DispatchMessage(const MSG* msg)
{
    // A modal wait further out must not keep this handler's own loops from
    // being served by the Qt side.
    int& waits = TheQueue().ModalWaits();
    const int saved = waits;
    waits = 0;
    struct Restore { int& w; int v; ~Restore() { w = v; } } restore{waits, saved};

    if (msg->message == WM_TIMER && msg->lParam) {
        auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
        proc(msg->hwnd, WM_TIMER, UINT_PTR(msg->wParam), msg->time);
        return 0;
    }
    if (!msg->hwnd)
        return 0;
    return SendMessage(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL WaitMessage() { return TheQueue().Wait(); }

int PumpMessages()
{
    int count = 0;
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Left for the outermost loop, which ends on it.
            PostQuitMessage(int(msg.wParam));
            break;
        }
        DispatchMessage(&msg);
        ++count;
    }
    return count;
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc)
{
    return TheQueue().SetTimer(hwnd, id, elapse, proc);
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) { return TheQueue().KillTimer(hwnd, id); }
int ActiveTimerCount() { return TheQueue().TimerCount(); }
void SetMessageLoopHooks(const MessageLoopHooks& hooks) { TheQueue().SetHooks(hooks); }
bool NextTimerDue(DWORD& due) { return TheQueue().NextDue(due); }
size_t PostedMessageCount() { return TheQueue().PostedCount(); }
bool IsInModalWait() { return TheQueue().InModalWait(); }
void ResetMessageQueue() { TheQueue().Reset(); }
