// Modal waits that keep the message loop running: the constructor waits until
// the test is done or `limit` ticks of `period` ms have passed. At most two
// waits may be nested in one application; a third returns at once.
#pragma once

#include "Mtimer.h"

class MWait : public MTimerUser {
public:
    static constexpr int kMaxNested = 2;

    MWait(unsigned short limit, unsigned short period);
    ~MWait() override;

    BOOL IsConstructedOK() const { return m_bConstructedOK; }
    unsigned short GetTickCount() const { return m_wCount; }
    static BOOL GIsInUse();

    void MTimerUserOnTimer(void* data) override;
    virtual BOOL IsTestDone() { return FALSE; }

    // The per-application wait counters.
    static BOOL GWait();
    static void GDeleteWait();

protected:
    // For derived waits, whose IsTestDone the base constructor cannot reach:
    // they call Run from their own constructor.
    MWait(unsigned short limit, unsigned short period, bool deferred);
    void Run();

private:
    MTimer m_timer;
    unsigned short m_wPeriod;
    unsigned short m_wLimit;
    unsigned short m_wCount = 0;
    WPARAM m_nWaitNumber = 0;
    BOOL m_bPumping = FALSE;
    BOOL m_bDone = FALSE;
    BOOL m_bConstructedOK = FALSE;
    HWND m_target = nullptr;
};

class MWaitUntil : public MWait {
public:
    // Ends when *watched == value (or at the limit).
    MWaitUntil(int* watched, int value, unsigned short limit, unsigned short period);
    BOOL IsTestDone() override;

private:
    int* m_pWatched;
    int m_nValue;
};
