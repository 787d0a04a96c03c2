#include "mmtimer2.h"

template class MMTimerBase<UINT, TYPE_MMTimer2Error>;
