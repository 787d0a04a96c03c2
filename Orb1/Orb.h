// The library's registration with the application it is loaded into.
#pragma once

#include "types/wintypes.h"

BOOL InitOrbDLL();
void UninitOrbDLL();
BOOL IsOrbDLLInitialized();
