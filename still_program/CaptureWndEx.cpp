#include "CaptureWnd.h"

namespace {
CPoint PointOf(LPARAM l) { return CPoint(SHORT(LOWORD(l)), SHORT(LOWORD(uintptr_t(l) >> 16))); }
}  // namespace

CCaptureWndEx::CCaptureWndEx()
{
    OnMessage(WM_MOUSEMOVE, [this](WPARAM w, LPARAM l) -> LRESULT {
        if (m_pListener)
            m_pListener->CCaptureWndUserOnMouseMove(UINT(w), PointOf(l));
        return DefWindowProc(WM_MOUSEMOVE, w, l);
    });
    OnMessage(WM_RBUTTONDOWN, [this](WPARAM w, LPARAM l) -> LRESULT {
        if (!m_pListener)
            return DefWindowProc(WM_RBUTTONDOWN, w, l);
        m_pListener->CCaptureWndUserOnRButtonDown(UINT(w), PointOf(l));
        return 0;
    });
}

BOOL CCaptureWndEx::OnCaptureError(int id, const char* text)
{
    BOOL r = CCaptureWnd::OnCaptureError(id, text);
    return r && m_pListener ? m_pListener->CCaptureWndUserOnError(id, text) : r;
}

BOOL CCaptureWndEx::OnCaptureStatus(int id, const char* text)
{
    BOOL r = CCaptureWnd::OnCaptureStatus(id, text);
    return r && m_pListener ? m_pListener->CCaptureWndUserOnStatus(id, text) : r;
}

BOOL CCaptureWndEx::OnCaptureYield()
{
    BOOL r = CCaptureWnd::OnCaptureYield();
    return r && m_pListener ? m_pListener->CCaptureWndUserOnYield() : r;
}

BOOL CCaptureWndEx::OnCaptureFrame(VIDEOHDR* header)
{
    BOOL r = CCaptureWnd::OnCaptureFrame(header);
    return r && m_pListener ? m_pListener->CCaptureWndUserOnFrame(header) : r;
}

BOOL CCaptureWndEx::OnCaptureVideoStream(VIDEOHDR* header)
{
    BOOL r = CCaptureWnd::OnCaptureVideoStream(header);
    return r && m_pListener ? m_pListener->CCaptureWndUserOnVideoStream(header) : r;
}

BOOL CCaptureWndEx::OnCaptureWaveStream(WAVEHDR* header)
{
    BOOL r = CCaptureWnd::OnCaptureWaveStream(header);
    return r && m_pListener ? m_pListener->CCaptureWndUserOnWaveStream(header) : r;
}
