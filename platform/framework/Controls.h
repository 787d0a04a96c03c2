// Control windows whose state the logic reads and writes; widgets mirror them.
#pragma once

#include "framework/Wnd.h"

#include <functional>

class CScrollBar : public CWnd {
public:
    void SetScrollRange(int minimum, int maximum, BOOL redraw = TRUE);
    void GetScrollRange(int* minimum, int* maximum) const;
    // Clamped to the range; returns the previous position.
    int SetScrollPos(int position, BOOL redraw = TRUE);
    int GetScrollPos() const { return m_position; }

protected:
    virtual void OnScrollChanged() {}

private:
    int m_minimum = 0;
    int m_maximum = 100;
    int m_position = 0;
};

// Slider codes carried in the low word of WM_HSCROLL's wParam.
constexpr UINT TB_LINEUP = 0;
constexpr UINT TB_LINEDOWN = 1;
constexpr UINT TB_PAGEUP = 2;
constexpr UINT TB_PAGEDOWN = 3;
constexpr UINT TB_THUMBPOSITION = 4;
constexpr UINT TB_THUMBTRACK = 5;
constexpr UINT TB_TOP = 6;
constexpr UINT TB_BOTTOM = 7;
constexpr UINT TB_ENDTRACK = 8;

// A horizontal slider: a position in a range, like a scroll bar. The user's
// moves arrive as Scroll, which moves the thumb and then tells the parent by
// WM_HSCROLL (the code in wParam, the slider's handle in lParam).
class CSliderCtrl : public CScrollBar {
public:
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
    void SetRange(int minimum, int maximum, BOOL redraw = FALSE) { SetScrollRange(minimum, maximum, redraw); }
    // Clamped to the range.
    void SetPos(int position) { SetScrollPos(position); }
    int GetPos() const { return GetScrollPos(); }
    void Scroll(UINT code, int position);

    std::function<void()> onChanged;   // range, position, geometry or visibility

protected:
    void OnScrollChanged() override { Notify(); }
    void OnGeometryChanged() override { Notify(); }
    void OnVisibilityChanged() override { Notify(); }
    void OnEnableChanged() override { Notify(); }

private:
    void Notify()
    {
        if (onChanged)
            onChanged();
    }
};

// A control's text as a number. *ok (when given) is FALSE when the text is not one.
UINT GetDlgItemInt(const CWnd* dialog, int id, BOOL* ok, BOOL isSigned);
void SetDlgItemInt(CWnd* dialog, int id, UINT value, BOOL isSigned);
