#include "framework/Wnd.h"

#include <algorithm>

namespace {
CWnd* g_focus = nullptr;
CWnd* g_active = nullptr;
std::vector<CWnd*> g_topLevel;
} // namespace

CWnd::~CWnd()
{
    // The derived parts are gone: their handlers must not run any more.
    m_handlers.clear();
    DestroyWindow();
}

BOOL CWnd::Create(CWnd* parent, const char* title, DWORD style, const RECT& rect, UINT id)
{
    if (m_hWnd)
        return FALSE;
    m_parent = parent;
    m_title = title;
    m_style = style;
    m_rect = rect;
    m_id = id;
    m_enabled = (style & WS_DISABLED) ? FALSE : TRUE;
    m_showState = (style & WS_VISIBLE) ? SW_SHOWNORMAL : SW_HIDE;
    m_hWnd = RegisterWindow(this);
    if (parent)
        parent->m_children.push_back(this);
    else
        g_topLevel.push_back(this);
    SendMessage(WM_CREATE);
    return TRUE;
}

BOOL CWnd::DestroyWindow()
{
    if (!m_hWnd)
        return FALSE;
    SendMessage(WM_DESTROY);
    for (CWnd* child : std::vector<CWnd*>(m_children))
        child->DestroyWindow();
    if (m_parent)
        std::erase(m_parent->m_children, this);
    else
        std::erase(g_topLevel, this);
    if (g_focus == this)
        g_focus = nullptr;
    if (g_active == this)
        g_active = nullptr;
    UnregisterWindow(m_hWnd);
    m_hWnd = nullptr;
    m_parent = nullptr;
    return TRUE;
}

CWnd* CWnd::FromHandle(HWND hwnd) { return dynamic_cast<CWnd*>(TargetFromHandle(hwnd)); }

void CWnd::OnMessage(UINT message, MessageHandler handler) { m_handlers[message] = std::move(handler); }

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    auto it = m_handlers.find(message);
    if (it != m_handlers.end()) {
        MessageHandler handler = it->second;
        return handler(wParam, lParam);
    }
    if (message == WM_COMMAND)
        return ExecuteCommand(LOWORD(wParam));
    return DefWindowProc(message, wParam, lParam);
}

LRESULT CWnd::DefWindowProc(UINT, WPARAM, LPARAM) { return 0; }

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::PostMessage(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return m_hWnd ? WindowProc(message, wParam, lParam) : 0;
}

UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT elapse, TIMERPROC proc)
{
    return m_hWnd ? ::SetTimer(m_hWnd, id, elapse, proc) : 0;
}

BOOL CWnd::KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }

CWnd* CWnd::GetDlgItem(int id) const
{
    for (CWnd* child : m_children)
        if (child->GetDlgCtrlID() == id)
            return child;
    return nullptr;
}

BOOL CWnd::IsChild(const CWnd* window) const
{
    for (const CWnd* w = window ? window->m_parent : nullptr; w; w = w->m_parent)
        if (w == this)
            return TRUE;
    return FALSE;
}

void CWnd::GetWindowRect(LPRECT rect) const
{
    CRect r = m_rect;
    if (m_parent) {
        CPoint origin(0, 0);
        m_parent->ClientToScreen(&origin);
        r.OffsetRect(origin.x, origin.y);
    }
    *rect = r;
}

void CWnd::GetClientRect(LPRECT rect) const { *rect = CRect(0, 0, m_rect.Width(), m_rect.Height()); }

void CWnd::MoveWindow(const RECT& rect, BOOL)
{
    const bool moved = rect.left != m_rect.left || rect.top != m_rect.top;
    const bool sized = CRect(rect).Size() != m_rect.Size();
    m_rect = rect;
    OnGeometryChanged();
    if (moved)
        SendMessage(WM_MOVE, 0, MAKELONG(WORD(rect.left), WORD(rect.top)));
    if (sized)
        SendMessage(WM_SIZE, 0, MAKELONG(WORD(m_rect.Width()), WORD(m_rect.Height())));
}

void CWnd::MoveWindow(int x, int y, int width, int height, BOOL repaint)
{
    MoveWindow(CRect(x, y, x + width, y + height), repaint);
}

void CWnd::ClientToScreen(LPPOINT point) const
{
    CRect r;
    GetWindowRect(&r);
    point->x += r.left;
    point->y += r.top;
}

void CWnd::ScreenToClient(LPPOINT point) const
{
    CRect r;
    GetWindowRect(&r);
    point->x -= r.left;
    point->y -= r.top;
}

BOOL CWnd::ShowWindow(int command)
{
    const BOOL wasVisible = m_showState != SW_HIDE;
    switch (command) {
    case SW_HIDE: m_showState = SW_HIDE; break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE: m_showState = SW_SHOWMINIMIZED; break;
    case SW_SHOWMAXIMIZED: m_showState = SW_SHOWMAXIMIZED; break;
    default: m_showState = SW_SHOWNORMAL; break;
    }
    OnVisibilityChanged();
    return wasVisible;
}

BOOL CWnd::IsWindowVisible() const
{
    for (const CWnd* w = this; w; w = w->m_parent)
        if (w->m_showState == SW_HIDE)
            return FALSE;
    return m_hWnd != nullptr;
}

void CWnd::SetWindowText(const char* text)
{
    m_title = text;
    OnTextChanged();
}

BOOL CWnd::EnableWindow(BOOL enable)
{
    const BOOL wasDisabled = !m_enabled;
    m_enabled = enable ? TRUE : FALSE;
    OnEnableChanged();
    return wasDisabled;
}

CWnd* CWnd::SetFocus()
{
    CWnd* previous = g_focus;
    if (previous == this)
        return previous;
    if (previous)
        previous->SendMessage(WM_KILLFOCUS, WPARAM(reinterpret_cast<uintptr_t>(m_hWnd)));
    g_focus = this;
    SendMessage(WM_SETFOCUS, WPARAM(reinterpret_cast<uintptr_t>(previous ? previous->m_hWnd : nullptr)));
    return previous;
}

CWnd* CWnd::GetFocus() { return g_focus; }

CWnd* CWnd::SetActiveWindow()
{
    CWnd* previous = g_active;
    if (previous == this)
        return previous;
    g_active = this;
    // The window losing activation hears first, naming the one that gains it.
    if (previous && previous->m_hWnd)
        previous->SendMessage(WM_ACTIVATE, WA_INACTIVE, LPARAM(reinterpret_cast<uintptr_t>(m_hWnd)));
    if (m_hWnd)
        SendMessage(WM_ACTIVATE, WA_ACTIVE,
                    LPARAM(reinterpret_cast<uintptr_t>(previous ? previous->m_hWnd : nullptr)));
    return previous;
}

CWnd* CWnd::GetActiveWindow() { return g_active; }

CWnd* CWnd::FindWindow(const char* title)
{
    for (CWnd* w : g_topLevel)
        if (w->m_title == title)
            return w;
    return nullptr;
}
