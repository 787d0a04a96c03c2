#include "Mcallbkw.h"

#include "Mcallbk.h"
#include "Mstatic.h"

#include <memory>

namespace {

class WindowStatics : public MStatic {
public:
    MCallbackWindow* Window(int nIndex) { return IsNew(nIndex) ? m_windows[nIndex].get() : nullptr; }

protected:
    BOOL VNew(int nIndex) override
    {
        auto window = std::make_unique<MCallbackWindow>();
        // A hidden 100 x 100 child-style window.
        if (!window->Create(nullptr, "", WS_CHILD, CRect(0, 0, 100, 100)))
            return FALSE;
        m_windows[nIndex] = std::move(window);
        return TRUE;
    }
    void VDelete(int nIndex) override { m_windows[nIndex].reset(); }

private:
    std::unique_ptr<MCallbackWindow> m_windows[kMaxInstances];
};

WindowStatics g_windowStatics;

} // namespace

MCallbackWindow::MCallbackWindow()
{
    OnMessage(MCallback::kMessage, [](WPARAM wParam, LPARAM lParam) {
        MCallback::GDeliver(wParam, lParam);
        return LRESULT(0);
    });
}

MCallbackWindow::~MCallbackWindow() { DestroyWindow(); }

BOOL MCallbackWindow::GCreate() { return g_windowStatics.New(OrbInstanceIndex()); }
BOOL MCallbackWindow::GCallbackWindow() { return GCreate(); }

HWND MCallbackWindow::GGetCallbackHwnd()
{
    if (!GCreate())
        return nullptr;
    MCallbackWindow* window = g_windowStatics.Window(OrbInstanceIndex());
    return window ? window->m_hWnd : nullptr;
}

void MCallbackWindow::GDestroy() { g_windowStatics.Delete(OrbInstanceIndex()); }
