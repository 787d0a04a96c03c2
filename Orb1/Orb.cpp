#include "Orb.h"

#include <atomic>

namespace {
std::atomic<int> g_registrations{0};
}

// A shared library needs no resource chain here: registration only counts users.
BOOL InitOrbDLL()
{
    ++g_registrations;
    return TRUE;
}

void UninitOrbDLL()
{
    if (g_registrations > 0)
        --g_registrations;
}

BOOL IsOrbDLLInitialized() { return g_registrations > 0; }
