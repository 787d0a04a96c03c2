// A number shown twice in a dialog: a horizontal scroll bar and an edit field,
// kept in step and within [minimum, maximum].
#pragma once

#include "framework/Controls.h"

class MScrollValue {
public:
    BOOL Initialize(CWnd* dialog, int scrollBarId, int editId, int minimum, int maximum, int value);
    // Clamps, then updates both controls.
    void SetValue(int value);
    int GetValue() const { return m_value; }
    // WM_HSCROLL from the scroll bar: code and thumb position.
    void OnHScroll(UINT code, int position);
    // The edit field lost the focus: take its number (non-numbers restore the value).
    void OnKillFocus();

private:
    CWnd* m_pDialog = nullptr;
    int m_scrollBarId = 0;
    int m_editId = 0;
    int m_minimum = 0;
    int m_maximum = 0;
    int m_value = 0;
};
