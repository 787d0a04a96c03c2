// Up to 32 logical timers multiplexed onto one multimedia timer with 15 ms
// ticks. Expiries are handed to the user-interface thread as callbacks, at most
// one undelivered callback per timer; an expiry that finds the callback pool
// full is lost.
#pragma once

#include "Mcallbk.h"
#include "mmtimer2.h"

class MXTimerUser {
public:
    virtual ~MXTimerUser() = default;
    virtual void MXTimerUserOnTimer(void* data) = 0;
};

class MXTimer : public MCallbackUser {
public:
    static constexpr int kMaxTimers = 32;
    static constexpr int kRecords = 34;     // record 0 is not used
    static constexpr unsigned kTickMs = 15;

    MXTimer();
    MXTimer(MXTimerUser* user, unsigned short period, void* data);
    ~MXTimer() override;
    MXTimer(const MXTimer&) = delete;
    MXTimer& operator=(const MXTimer&) = delete;

    // FALSE for a null user.
    BOOL Initialize(MXTimerUser* user, unsigned short period, void* data);
    BOOL Start();
    BOOL Stop();
    BOOL IsStarted() const { return m_wTimerId != 0; }

    // The process-wide timer table.
    static BOOL GTimer();
    static void GDeleteTimer();
    static int GCount();
    static DWORD GCurrentTick();
    static BOOL GIsTickerRunning();

    void VCallbackUserOnMessage(unsigned data) override;

private:
    static void TickProc(UINT id, UINT message, DWORD_PTR user, DWORD_PTR, DWORD_PTR);

    MXTimerUser* m_pUser = nullptr;
    void* m_pData = nullptr;
    WORD m_wTimerId = 0;
    WORD m_wPeriod = 500;
    BOOL m_bInitialized = FALSE;
    BOOL m_bInCallback = FALSE;
    bool* m_pAlive = nullptr;   // set while the user's callback runs
};
