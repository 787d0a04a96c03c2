// Periodic and one-shot timers on a high-resolution thread of their own. The
// callbacks run on that thread (with a fake clock: on the thread that advances
// it), never on the user-interface thread.
#pragma once

#include "framework/Messages.h"

typedef UINT MMRESULT;

constexpr MMRESULT TIMERR_NOERROR = 0;
constexpr MMRESULT TIMERR_NOCANDO = 97;
constexpr UINT TIME_ONESHOT = 0x0000;
constexpr UINT TIME_PERIODIC = 0x0001;

struct TIMECAPS {
    UINT wPeriodMin;
    UINT wPeriodMax;
};

typedef void (*LPTIMECALLBACK)(UINT id, UINT message, DWORD_PTR user, DWORD_PTR reserved1,
                               DWORD_PTR reserved2);

MMRESULT timeGetDevCaps(TIMECAPS* caps, UINT size);
MMRESULT timeBeginPeriod(UINT period);
MMRESULT timeEndPeriod(UINT period);
// 0 when refused (no callback, a delay outside the device's range, or a device
// told to refuse).
UINT timeSetEvent(UINT delay, UINT resolution, LPTIMECALLBACK callback, DWORD_PTR user, UINT flags);
// Once this returns, the callback is not running and will not run again,
// unless it is the callback itself that kills its event.
MMRESULT timeKillEvent(UINT id);
DWORD timeGetTime();

// What the timer device reports and allows; tests replace it.
struct MultimediaTimerDevice {
    bool capsReadable = true;
    TIMECAPS caps{1, 1000000};
    bool refuseEvents = false;
};
void SetMultimediaTimerDevice(const MultimediaTimerDevice& device);
void ResetMultimediaTimerDevice();
// Begun and not yet ended periods: 0 when every timeBeginPeriod was matched.
int OpenTimerPeriods();
int RunningTimerEvents();
