#include "wintypes.h"

namespace {
thread_local DWORD t_lastError = 0;
}

void SetLastError(DWORD error) { t_lastError = error; }
DWORD GetLastError() { return t_lastError; }
