// A window as the programs' logic sees it: a handle, messages by number, a
// place in the window tree, a rectangle, a title and a visible flag. Widgets
// that draw it mirror this state (OnGeometryChanged and friends); the logic
// and its tests never need a display.
#pragma once

#include "framework/CmdTarget.h"
#include "framework/Messages.h"
#include "types/CString.h"
#include "types/geometry.h"

#include <functional>
#include <map>
#include <vector>

typedef POINT* LPPOINT;

constexpr DWORD WS_CHILD = 0x40000000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr DWORD WS_POPUP = 0x80000000;
constexpr DWORD WS_CAPTION = 0x00C00000;
constexpr DWORD WS_SYSMENU = 0x00080000;
constexpr DWORD WS_MINIMIZEBOX = 0x00020000;
constexpr DWORD WS_MAXIMIZEBOX = 0x00010000;
constexpr DWORD WS_DISABLED = 0x08000000;

constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_SHOWMAXIMIZED = 3;
constexpr int SW_SHOW = 5;
constexpr int SW_MINIMIZE = 6;
constexpr int SW_RESTORE = 9;

class CWnd : public CCmdTarget, public MessageTarget {
public:
    using MessageHandler = std::function<LRESULT(WPARAM wParam, LPARAM lParam)>;

    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    // Destroys the window without running its handlers: derived windows that
    // want WM_DESTROY call DestroyWindow in their own destructors.
    ~CWnd() override;

    // rect is in the parent's client coordinates (screen coordinates without a parent).
    virtual BOOL Create(CWnd* parent, const char* title, DWORD style, const RECT& rect, UINT id = 0);
    virtual BOOL DestroyWindow();
    HWND GetSafeHwnd() const { return m_hWnd; }
    static CWnd* FromHandle(HWND hwnd);

    // Handlers by message number; a later registration replaces an earlier one.
    void OnMessage(UINT message, MessageHandler handler);
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // A first look at a message meant for this window or one of its children
    // (accelerators, shortcuts); TRUE uses it up.
    virtual BOOL PreTranslateMessage(MSG* msg) { return FALSE; }
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse, TIMERPROC proc = nullptr);
    BOOL KillTimer(UINT_PTR id);

    CWnd* GetParent() const { return m_parent; }
    int GetDlgCtrlID() const { return int(m_id); }
    CWnd* GetDlgItem(int id) const;
    const std::vector<CWnd*>& Children() const { return m_children; }
    BOOL IsChild(const CWnd* window) const;
    DWORD GetStyle() const { return m_style; }

    void GetWindowRect(LPRECT rect) const;   // screen coordinates
    void GetClientRect(LPRECT rect) const;   // (0, 0, width, height)
    void MoveWindow(const RECT& rect, BOOL repaint = TRUE);
    void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);
    void ClientToScreen(LPPOINT point) const;
    void ScreenToClient(LPPOINT point) const;

    BOOL ShowWindow(int command);
    BOOL IsWindowVisible() const;
    BOOL IsIconic() const { return m_showState == SW_SHOWMINIMIZED; }
    // This window's own state, whatever its parents' (SW_HIDE when hidden).
    int GetShowState() const { return m_showState; }
    void SetWindowText(const char* text);
    CString GetWindowText() const { return m_title; }
    BOOL EnableWindow(BOOL enable = TRUE);
    BOOL IsWindowEnabled() const { return m_enabled; }

    CWnd* SetFocus();
    static CWnd* GetFocus();
    CWnd* SetActiveWindow();
    static CWnd* GetActiveWindow();
    // The first top-level window with that title.
    static CWnd* FindWindow(const char* title);

    HWND m_hWnd = nullptr;

protected:
    // Hooks for the widget that shows this window.
    virtual void OnGeometryChanged() {}
    virtual void OnVisibilityChanged() {}
    virtual void OnTextChanged() {}
    virtual void OnEnableChanged() {}

private:
    std::map<UINT, MessageHandler> m_handlers;
    CWnd* m_parent = nullptr;
    std::vector<CWnd*> m_children;
    CRect m_rect;
    CString m_title;
    DWORD m_style = 0;
    UINT m_id = 0;
    int m_showState = SW_HIDE;
    BOOL m_enabled = TRUE;
};

