// Control windows whose state the logic reads and writes; widgets mirror them.
#pragma once

#include "framework/Wnd.h"

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

// A control's text as a number. *ok (when given) is FALSE when the text is not one.
UINT GetDlgItemInt(const CWnd* dialog, int id, BOOL* ok, BOOL isSigned);
void SetDlgItemInt(CWnd* dialog, int id, UINT value, BOOL isSigned);
