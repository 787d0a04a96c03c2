#include "Orb1/Mmtimer.h"

template class MMTimerBase<WORD, TYPE_MMTimerError>;
