// A message-loop timer that calls a user object on the user-interface thread.
// A tick that arrives while the user is still inside its callback is dropped.
#pragma once

#include "Mlist.h"
#include "framework/Messages.h"

class MTimerUser {
public:
    virtual ~MTimerUser() = default;
    virtual void MTimerUserOnTimer(void* data) = 0;
};

class MTimer : public MList {
public:
    MTimer();
    MTimer(MTimerUser* user, unsigned short period, void* data);
    ~MTimer() override;

    // FALSE for a null user.
    BOOL Initialize(MTimerUser* user, unsigned short period, void* data);
    BOOL Start();
    // TRUE when not started; FALSE (still started) when the timer cannot be killed.
    BOOL Stop();
    BOOL IsStarted() const { return m_wTimerId != 0; }
    unsigned short GetPeriod() const { return m_wPeriod; }

    // The per-application timer lists and counters.
    static BOOL GTimer();
    static void GDeleteTimer();

private:
    static void TimerProc(HWND hwnd, UINT message, UINT_PTR id, DWORD tick);

    MTimerUser* m_pUser = nullptr;
    void* m_pData = nullptr;
    WORD m_wTimerId = 0;
    WORD m_wPeriod = 500;
    BOOL m_bInitialized = FALSE;
    BOOL m_bInCallback = FALSE;
    WORD m_wNumber = 0;
    UINT_PTR m_systemId = 0;
    bool* m_pAlive = nullptr;   // set while the user's callback runs
};
