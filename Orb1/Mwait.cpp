#include "Mwait.h"

#include "Mstatic.h"
#include "framework/WinApp.h"

namespace {

struct WaitData {
    int running = 0;
    WPARAM lastNumber = 0;
};

class WaitStatics : public MStatic {
public:
    WaitData* Data(int nIndex) { return IsNew(nIndex) ? &m_data[nIndex] : nullptr; }

protected:
    BOOL VNew(int nIndex) override
    {
        m_data[nIndex] = WaitData{};
        return TRUE;
    }
    void VDelete(int nIndex) override { m_data[nIndex] = WaitData{}; }

private:
    WaitData m_data[kMaxInstances];
};

WaitStatics g_waitStatics;

WaitData* AppWaits() { return g_waitStatics.Data(OrbInstanceIndex()); }

} // namespace

MWait::MWait(unsigned short limit, unsigned short period) : m_wPeriod(period), m_wLimit(limit) { Run(); }

MWait::MWait(unsigned short limit, unsigned short period, bool) : m_wPeriod(period), m_wLimit(limit) {}

MWait::~MWait() { m_timer.Stop(); }

void MWait::Run()
{
    WaitData* data = AppWaits();
    if (!data || data->running >= kMaxNested)
        return;
    if (!m_timer.Initialize(this, m_wPeriod, nullptr) || !m_timer.Start())
        return;
    ++data->running;
    m_nWaitNumber = ++data->lastNumber;
    CWnd* main = AfxGetMainWnd();
    m_target = main ? main->m_hWnd : nullptr;

    m_bPumping = TRUE;
    MSG msg;
    for (;;) {
        if (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_RBUTTONUP && msg.hwnd == m_target && msg.wParam == m_nWaitNumber &&
                msg.lParam == 0)
                break;   // our own end mark: not dispatched
            if (msg.message == WM_QUIT) {
                PostQuitMessage(int(msg.wParam));
                break;
            }
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        } else if (!WaitMessage()) {
            break;   // nothing can ever arrive
        }
    }
    m_bPumping = FALSE;
    --data->running;
    m_bConstructedOK = m_timer.Stop();
    // Marks from later ticks must not reach the window as right-button clicks.
    while (PeekMessage(&msg, m_target, WM_RBUTTONUP, WM_RBUTTONUP, PM_NOREMOVE) &&
           msg.hwnd == m_target && msg.wParam == m_nWaitNumber && msg.lParam == 0)
        PeekMessage(&msg, m_target, WM_RBUTTONUP, WM_RBUTTONUP, PM_REMOVE);
}

void MWait::MTimerUserOnTimer(void*)
{
    if (!m_bDone) {
        ++m_wCount;
        m_bDone = IsTestDone() || m_wCount >= m_wLimit;
    }
    if (m_bDone && m_bPumping && !PostMessage(m_target, WM_RBUTTONUP, m_nWaitNumber, 0) && m_target) {
        // The main window went away during the wait: end it through the thread.
        m_target = nullptr;
        PostMessage(nullptr, WM_RBUTTONUP, m_nWaitNumber, 0);
    }
}

BOOL MWait::GIsInUse()
{
    WaitData* data = AppWaits();
    return data && data->running > 0;
}

BOOL MWait::GWait() { return g_waitStatics.New(OrbInstanceIndex()); }
void MWait::GDeleteWait() { g_waitStatics.Delete(OrbInstanceIndex()); }

MWaitUntil::MWaitUntil(int* watched, int value, unsigned short limit, unsigned short period)
    : MWait(limit, period, true), m_pWatched(watched), m_nValue(value)
{
    Run();
}

BOOL MWaitUntil::IsTestDone() { return m_pWatched && *m_pWatched == m_nValue; }
