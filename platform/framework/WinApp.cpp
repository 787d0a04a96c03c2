#include "framework/WinApp.h"

#include "framework/StringTable.h"

namespace {
CWinApp* g_app = nullptr;
}

CWinApp::CWinApp(const char* appName)
{
    g_app = this;
    if (appName) {
        m_pszAppName = appName;
        AfxSetAppName(appName);
    }
}

CWinApp::~CWinApp()
{
    if (g_app == this)
        g_app = nullptr;
}

BOOL CWinApp::OnIdle(LONG count)
{
    if (count == 0) {
        for (auto& [token, refresh] : std::vector(m_idleRefresh))
            refresh();
    }
    return count < 1 ? TRUE : FALSE;
}

BOOL CWinApp::PreTranslateMessage(MSG* msg)
{
    CWnd* main = m_pMainWnd;
    for (CWnd* w = CWnd::FromHandle(msg->hwnd); w; w = w->GetParent()) {
        if (w->PreTranslateMessage(msg))
            return TRUE;
        if (w == main)
            return FALSE;
    }
    return main && main->m_hWnd && main->PreTranslateMessage(msg);
}

BOOL CWinApp::PumpMessage()
{
    MSG msg;
    if (!PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE))
        return FALSE;
    if (msg.message == WM_QUIT) {
        PostQuitMessage(int(msg.wParam));
        return FALSE;
    }
    if (!PreTranslateMessage(&msg)) {
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
    return TRUE;
}

int CWinApp::RunPendingAndIdle(int maxIdlePasses)
{
    while (PumpMessage()) {
    }
    int passes = 0;
    while (passes < maxIdlePasses) {
        if (!OnIdle(passes++))
            break;
        while (PumpMessage()) {
        }
    }
    return passes;
}

int CWinApp::AddIdleRefresh(std::function<void()> refresh)
{
    m_idleRefresh.emplace_back(++m_nextRefresh, std::move(refresh));
    return m_nextRefresh;
}

void CWinApp::RemoveIdleRefresh(int token)
{
    std::erase_if(m_idleRefresh, [token](const auto& r) { return r.first == token; });
}

CWinApp* AfxGetApp() { return g_app; }
CWnd* AfxGetMainWnd() { return g_app ? g_app->m_pMainWnd : nullptr; }
