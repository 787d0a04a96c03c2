#include "Mwinapp.h"

#include "framework/UiService.h"

namespace {
MWinApp* g_app = nullptr;
}

MWinApp::MWinApp(const char* appName, int instance) : CWinApp(appName), m_nInstance(instance)
{
    g_app = this;
}

MWinApp::~MWinApp()
{
    m_pOrb.reset();
    if (g_app == this)
        g_app = nullptr;
}

BOOL MWinApp::InitializeOrb()
{
    if (m_pOrb && m_pOrb->AreStaticsCreated())
        return TRUE;
    m_pOrb = std::make_unique<MOrb>();
    if (!m_pOrb->AreStaticsCreated()) {
        m_pOrb.reset();
        AfxMessageBox("ORB Library Initialization Failed");
        return FALSE;
    }
    return TRUE;
}

BOOL MWinApp::UninitializeOrb()
{
    m_pOrb.reset();
    return TRUE;
}

MWinApp* GetMWinApp() { return g_app; }
