#include "Mtimer.h"

#include "Mstatic.h"

#include <memory>

namespace {

struct TimerData {
    CPtrList timers;
    WORD nextNumber = 0;
    int numbersInUse = 0;
    TIMERPROC proc = nullptr;
};

class TimerStatics : public MStatic {
public:
    TimerData* Data(int nIndex) { return IsNew(nIndex) ? m_data[nIndex].get() : nullptr; }

protected:
    BOOL VNew(int nIndex) override
    {
        m_data[nIndex] = std::make_unique<TimerData>();
        return TRUE;
    }
    void VDelete(int nIndex) override
    {
        if (TimerData* data = m_data[nIndex].get())
            while (!data->timers.IsEmpty()) {
                auto* timer = static_cast<MTimer*>(static_cast<MList*>(data->timers.GetHead()));
                timer->Stop();
                timer->SetList(nullptr);
            }
        m_data[nIndex].reset();
    }

private:
    std::unique_ptr<TimerData> m_data[kMaxInstances];
};

TimerStatics g_timerStatics;

TimerData* AppTimers() { return g_timerStatics.Data(OrbInstanceIndex()); }

} // namespace

MTimer::MTimer() : MList(AppTimers() ? &AppTimers()->timers : nullptr) {}

MTimer::MTimer(MTimerUser* user, unsigned short period, void* data)
    : MList(AppTimers() ? &AppTimers()->timers : nullptr)
{
    Initialize(user, period, data);
}

MTimer::~MTimer()
{
    if (m_pAlive)
        *m_pAlive = false;
    Stop();
}

BOOL MTimer::Initialize(MTimerUser* user, unsigned short period, void* data)
{
    if (!user)
        return FALSE;
    m_pUser = user;
    m_wPeriod = period;
    m_pData = data;
    m_bInitialized = TRUE;
    return TRUE;
}

BOOL MTimer::Start()
{
    if (IsStarted())
        return FALSE;
    TimerData* data = AppTimers();
    if (!data)
        return FALSE;
    if (GetList() != &data->timers)
        SetList(&data->timers);
    data->proc = &MTimer::TimerProc;
    m_wNumber = ++data->nextNumber ? data->nextNumber : ++data->nextNumber;
    ++data->numbersInUse;

    UINT_PTR id = ::SetTimer(nullptr, m_wNumber, m_wPeriod, data->proc);
    if (!id) {
        --data->numbersInUse;
        m_wNumber = 0;
        return FALSE;
    }
    if (!SetKey(WORD(id & 0xFFFF), 0L)) {
        ::KillTimer(nullptr, id);
        --data->numbersInUse;
        m_wNumber = 0;
        return FALSE;
    }
    m_systemId = id;
    m_wTimerId = WORD(id & 0xFFFF);
    return TRUE;
}

BOOL MTimer::Stop()
{
    if (!IsStarted())
        return TRUE;
    if (!::KillTimer(nullptr, m_systemId))
        return FALSE;
    ResetKey();
    m_wTimerId = 0;
    m_systemId = 0;
    if (TimerData* data = AppTimers())
        --data->numbersInUse;
    m_wNumber = 0;
    return TRUE;
}

void MTimer::TimerProc(HWND, UINT, UINT_PTR id, DWORD)
{
    TimerData* data = AppTimers();
    if (!data)
        return;
    auto* timer = static_cast<MTimer*>(MList::_FindFromKey(&data->timers, WORD(id & 0xFFFF), 0L));
    if (!timer || !timer->m_pUser || timer->m_bInCallback)
        return;
    // The user may destroy the timer from inside its callback.
    bool alive = true;
    timer->m_pAlive = &alive;
    timer->m_bInCallback = TRUE;
    timer->m_pUser->MTimerUserOnTimer(timer->m_pData);
    if (alive) {
        timer->m_bInCallback = FALSE;
        timer->m_pAlive = nullptr;
    }
}

BOOL MTimer::GTimer() { return g_timerStatics.New(OrbInstanceIndex()); }
void MTimer::GDeleteTimer() { g_timerStatics.Delete(OrbInstanceIndex()); }
