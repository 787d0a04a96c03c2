#include "framework/MultimediaTimer.h"

#include "framework/Clock.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

namespace {

int32_t TickDiff(DWORD a, DWORD b) { return int32_t(a - b); }

struct Event {
    UINT delay;
    LPTIMECALLBACK callback;
    DWORD_PTR user;
    bool periodic;
    DWORD due;
    bool fake;   // driven by the fake clock rather than the worker thread
};

class Device : public TimerSource {
public:
    Device() { RegisterTimerSource(this); }
    ~Device() override
    {
        UnregisterTimerSource(this);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_quit = true;
        }
        m_cv.notify_all();
        if (m_worker.joinable())
            m_worker.join();
    }

    MMRESULT Caps(TIMECAPS* caps, UINT size)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!caps || size < sizeof(TIMECAPS) || !m_device.capsReadable)
            return TIMERR_NOCANDO;
        *caps = m_device.caps;
        return TIMERR_NOERROR;
    }

    MMRESULT Begin(UINT period, int delta)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (period < m_device.caps.wPeriodMin || period > m_device.caps.wPeriodMax)
            return TIMERR_NOCANDO;
        if (delta < 0 && m_openPeriods == 0)
            return TIMERR_NOCANDO;
        m_openPeriods += delta;
        return TIMERR_NOERROR;
    }

    UINT Set(UINT delay, LPTIMECALLBACK callback, DWORD_PTR user, UINT flags)
    {
        const bool fake = ActiveClock().IsFake();
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (!callback || m_device.refuseEvents || delay < m_device.caps.wPeriodMin ||
                delay > m_device.caps.wPeriodMax)
                return 0;
            do {
                m_nextId = m_nextId >= 0xFFFF ? 1 : m_nextId + 1;
            } while (m_events.count(m_nextId));
            m_events[m_nextId] = Event{delay, callback, user, (flags & TIME_PERIODIC) != 0,
                                       ActiveClock().TickCount() + delay, fake};
            if (!fake && !m_worker.joinable())
                m_worker = std::thread([this] { Work(); });
        }
        m_cv.notify_all();
        return m_nextId;
    }

    MMRESULT Kill(UINT id)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (!m_events.erase(id))
            return TIMERR_NOCANDO;
        // Wait out a callback in flight, unless we are that callback.
        if (m_firing == id && m_firingThread != std::this_thread::get_id())
            m_cv.wait(lock, [&] { return m_firing != id; });
        return TIMERR_NOERROR;
    }

    void SetDevice(const MultimediaTimerDevice& device)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_device = device;
    }

    int Open()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_openPeriods;
    }

    int Running()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return int(m_events.size());
    }

    bool NextDue(DWORD& due) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return Earliest(true, due) != 0;
    }

    bool RunDue(DWORD now) override { return FireDue(true, now); }

private:
    UINT Earliest(bool fake, DWORD& due)
    {
        UINT id = 0;
        for (auto& [eid, e] : m_events)
            if (e.fake == fake && (!id || TickDiff(e.due, due) < 0)) {
                id = eid;
                due = e.due;
            }
        return id;
    }

    // Fires each due event once; an event that fell behind skips what it missed.
    bool FireDue(bool fake, DWORD now)
    {
        for (bool fired = false;; fired = true) {
            std::unique_lock<std::mutex> lock(m_mutex);
            DWORD due = 0;
            UINT id = Earliest(fake, due);
            if (!id || TickDiff(due, now) > 0)
                return fired;
            Event e = m_events[id];
            if (e.periodic) {
                DWORD next = due + e.delay;
                m_events[id].due = TickDiff(next, now) > 0 ? next : now + e.delay;
            } else
                m_events.erase(id);
            m_firing = id;
            m_firingThread = std::this_thread::get_id();
            lock.unlock();
            e.callback(id, 0, e.user, 0, 0);
            lock.lock();
            m_firing = 0;
            lock.unlock();
            m_cv.notify_all();
        }
    }

    void Work()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        while (!m_quit) {
            DWORD due = 0;
            UINT id = Earliest(false, due);
            if (!id) {
                m_cv.wait(lock);
                continue;
            }
            int32_t wait = TickDiff(due, SystemClock().TickCount());
            if (wait > 0) {
                m_cv.wait_for(lock, std::chrono::milliseconds(wait));
                continue;
            }
            lock.unlock();
            FireDue(false, SystemClock().TickCount());
            lock.lock();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::map<UINT, Event> m_events;
    MultimediaTimerDevice m_device;
    UINT m_nextId = 0;
    int m_openPeriods = 0;
    UINT m_firing = 0;
    std::thread::id m_firingThread;
    bool m_quit = false;
    std::thread m_worker;
};

// Never destroyed: timer wrappers held in other libraries' statics may stop
// their events during exit.
Device& TheDevice()
{
    static Device* device = new Device;
    return *device;
}

} // namespace

MMRESULT timeGetDevCaps(TIMECAPS* caps, UINT size) { return TheDevice().Caps(caps, size); }
MMRESULT timeBeginPeriod(UINT period) { return TheDevice().Begin(period, +1); }
MMRESULT timeEndPeriod(UINT period) { return TheDevice().Begin(period, -1); }

UINT timeSetEvent(UINT delay, UINT resolution, LPTIMECALLBACK callback, DWORD_PTR user, UINT flags)
{
    return TheDevice().Set(delay, callback, user, flags);
}

MMRESULT timeKillEvent(UINT id) { return TheDevice().Kill(id); }
DWORD timeGetTime() { return ActiveClock().TickCount(); }
void SetMultimediaTimerDevice(const MultimediaTimerDevice& device) { TheDevice().SetDevice(device); }
void ResetMultimediaTimerDevice() { TheDevice().SetDevice(MultimediaTimerDevice{}); }
int OpenTimerPeriods() { return TheDevice().Open(); }
int RunningTimerEvents() { return TheDevice().Running(); }
