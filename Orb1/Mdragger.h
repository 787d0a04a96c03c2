// Drags a rectangle with the mouse: the window holds the capture while the
// rectangle follows the pointer.
#pragma once

#include "framework/Wnd.h"
#include "types/geometry.h"

class MDragger {
public:
    MDragger() = default;
    ~MDragger();

    void Begin(CPoint point, const CRect& rect, CWnd* window);
    // Offsets the rectangle by the movement since the last step; returns it.
    const CRect& OnMoveBegin(CPoint point);
    const CRect& OnMoveEnd(CPoint point);
    // Confines the cursor to the window's client area while dragging.
    void SetClip(BOOL clip);
    void End();
    BOOL IsDragging() const { return m_bDragging; }
    const CRect& GetRect() const { return m_rect; }

private:
    CWnd* m_pWindow = nullptr;
    CPoint m_last;
    CRect m_rect;
    BOOL m_bDragging = FALSE;
    BOOL m_bClipped = FALSE;
};
