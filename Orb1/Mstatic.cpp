#include "Mstatic.h"

#include "Mwinapp.h"
#include "framework/Trace.h"

#include <algorithm>
#include <vector>

namespace {

struct Table {
    bool open = false;
    std::vector<MStatic*> users;
};

Table g_tables[MStatic::kMaxInstances];

bool ValidIndex(int nIndex) { return nIndex >= 0 && nIndex < MStatic::kMaxInstances; }

} // namespace

BOOL MStatic::New(int nIndex)
{
    if (!ValidIndex(nIndex)) {
        TraceOutput("VNew(): incorrect nIndex\n");
        return FALSE;
    }
    if (m_new[nIndex])
        return TRUE;
    if (!VNew(nIndex))
        return FALSE;
    m_new[nIndex] = true;
    g_tables[nIndex].users.push_back(this);
    return TRUE;
}

void MStatic::Delete(int nIndex)
{
    if (!ValidIndex(nIndex)) {
        TraceOutput("VDelete(): incorrect nIndex\n");
        return;
    }
    if (!m_new[nIndex])
        return;
    VDelete(nIndex);
    m_new[nIndex] = false;
    std::erase(g_tables[nIndex].users, this);
}

BOOL MStatic::IsNew(int nIndex) const { return ValidIndex(nIndex) && m_new[nIndex]; }

BOOL MStatic::NewStatics(int nIndex)
{
    if (!ValidIndex(nIndex)) {
        TraceOutput("VNew(): incorrect nIndex\n");
        return FALSE;
    }
    g_tables[nIndex].open = true;
    return TRUE;
}

void MStatic::DeleteStatics(int nIndex)
{
    if (!ValidIndex(nIndex)) {
        TraceOutput("VDelete(): incorrect nIndex\n");
        return;
    }
    // Latest first, the reverse of creation.
    while (!g_tables[nIndex].users.empty())
        g_tables[nIndex].users.back()->Delete(nIndex);
    g_tables[nIndex].open = false;
}

BOOL MStatic::AreStaticsNew(int nIndex) { return ValidIndex(nIndex) && g_tables[nIndex].open; }

int OrbInstanceIndex()
{
    MWinApp* app = GetMWinApp();
    return app ? app->GetInstanceIndex() : 0;
}
