#include "Mmtimer.h"

template class MMTimerBase<WORD, TYPE_MMTimerError>;
