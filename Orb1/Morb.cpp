#include "Morb.h"

#include "Mcallbkw.h"
#include "Mlist.h"
#include "Mstatic.h"
#include "Mtimer.h"
#include "Mwait.h"
#include "Mxtimer.h"
#include "Orb.h"

namespace {

BOOL NewStaticsHere() { return MStatic::NewStatics(OrbInstanceIndex()); }

// In creation order; teardown runs the list backwards.
struct Step {
    BOOL (*create)();
    void (*destroy)();
};
const Step kSteps[] = {
    {&NewStaticsHere, [] { MStatic::DeleteStatics(OrbInstanceIndex()); }},
    {&MList::GList, &MList::GDeleteList},
    {&MTimer::GTimer, &MTimer::GDeleteTimer},
    {&MXTimer::GTimer, &MXTimer::GDeleteTimer},
    {&MCallbackWindow::GCallbackWindow, &MCallbackWindow::GDestroy},
    {&MWait::GWait, &MWait::GDeleteWait},
    {&InitOrbDLL, &UninitOrbDLL},
};
constexpr int kStepCount = int(sizeof kSteps / sizeof kSteps[0]);

} // namespace

MOrb::MOrb()
{
    for (m_created = 0; m_created < kStepCount; ++m_created)
        if (!kSteps[m_created].create()) {
            // Nothing half-made is left behind.
            DeleteStatics(m_created);
            m_created = 0;
            return;
        }
    m_bStaticsCreated = TRUE;
}

MOrb::~MOrb() { DeleteStatics(m_created); }

void MOrb::DeleteStatics(int created)
{
    for (int i = created - 1; i >= 0; --i)
        kSteps[i].destroy();
    m_created = 0;
    m_bStaticsCreated = FALSE;
}
