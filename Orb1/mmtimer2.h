// The 32-bit variant of MMTimer: interval, resolution and identifier in 32 bits.
#pragma once

#include "Mmtimer.h"

enum TYPE_MMTimer2Error {
    MMTimer2Error_None = 0,
    MMTimer2Error_AlreadyRunning = 1,
    MMTimer2Error_DevCaps = 2,
    MMTimer2Error_SetEvent = 3,
    MMTimer2Error_NoCallback = 4,
};

class MMTimer2 : public MMTimerBase<UINT, TYPE_MMTimer2Error> {
public:
    using MMTimerBase::MMTimerBase;
};
