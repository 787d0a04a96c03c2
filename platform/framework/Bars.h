// The frame's control bars: a tool bar of command buttons and a status bar of
// text panes. The logic keeps their buttons, panes and visibility; a widget
// shows them by listening.
#pragma once

#include "framework/Wnd.h"

#include <functional>
#include <vector>

constexpr UINT ID_SEPARATOR = 0;
constexpr UINT AFX_IDW_TOOLBAR = 0xE800;
constexpr UINT AFX_IDW_STATUS_BAR = 0xE801;

constexpr DWORD CBRS_ALIGN_LEFT = 0x1000;
constexpr DWORD CBRS_ALIGN_TOP = 0x2000;
constexpr DWORD CBRS_ALIGN_RIGHT = 0x4000;
constexpr DWORD CBRS_ALIGN_BOTTOM = 0x8000;
constexpr DWORD CBRS_ALIGN_ANY = 0xF000;
constexpr DWORD CBRS_TOP = 0x2800;
constexpr DWORD CBRS_BOTTOM = 0x8200;
constexpr DWORD CBRS_TOOLTIPS = 0x0010;
constexpr DWORD CBRS_FLYBY = 0x0020;

class CControlBar : public CWnd {
public:
    DWORD GetBarStyle() const { return m_barStyle; }
    void SetBarStyle(DWORD style) { m_barStyle = style; }
    void EnableDocking(DWORD sides) { m_docking = sides; }
    DWORD GetDocking() const { return m_docking; }
    // Shown by its own state, whether or not the frame is on screen yet.
    bool IsShown() const { return GetShowState() != SW_HIDE; }
    // Height the frame reserves while the bar is visible.
    virtual int BarHeight() const = 0;

    // The widget's side: called after every visibility change.
    std::function<void(bool visible)> onVisibility;

protected:
    BOOL CreateBar(CWnd* parent, DWORD style, UINT id, const char* title);
    void OnVisibilityChanged() override;

private:
    DWORD m_barStyle = 0;
    DWORD m_docking = 0;
};

class CToolBar : public CControlBar {
public:
    BOOL Create(CWnd* parent, DWORD style, UINT id = AFX_IDW_TOOLBAR);
    // Which picture strip the buttons come from.
    BOOL LoadBitmap(UINT bitmapId);
    UINT GetBitmapId() const { return m_bitmap; }
    BOOL SetButtons(const UINT* ids, int count);
    int GetCount() const { return int(m_buttons.size()); }
    UINT GetItemID(int index) const;
    const std::vector<UINT>& Buttons() const { return m_buttons; }
    int BarHeight() const override { return 28; }

private:
    UINT m_bitmap = 0;
    std::vector<UINT> m_buttons;
};

class CStatusBar : public CControlBar {
public:
    BOOL Create(CWnd* parent, DWORD style, UINT id = AFX_IDW_STATUS_BAR);
    BOOL SetIndicators(const UINT* ids, int count);
    int GetCount() const { return int(m_panes.size()); }
    BOOL SetPaneText(int index, const char* text);
    CString GetPaneText(int index) const;
    int BarHeight() const override { return 20; }

    std::function<void(int index, const CString& text)> onPaneText;

private:
    struct Pane {
        UINT id;
        CString text;
    };
    std::vector<Pane> m_panes;
};

// A push button that sends WM_COMMAND with its control id to its parent.
class CButton : public CWnd {
public:
    BOOL Create(const char* text, DWORD style, const RECT& rect, CWnd* parent, UINT id);
    // What a click does: the parent hears of it as a command.
    void Click();
    void SetButtonFont(const char* face, int height)
    {
        m_face = face;
        m_fontHeight = height;
    }
    const CString& FontFace() const { return m_face; }
    int FontHeight() const { return m_fontHeight; }

    std::function<void()> onChanged;   // text, enabled, geometry or visibility

protected:
    void OnGeometryChanged() override;
    void OnVisibilityChanged() override;
    void OnTextChanged() override;
    void OnEnableChanged() override;

private:
    void Notify();
    CString m_face;
    int m_fontHeight = 0;
};
