#include "Mdragger.h"

#include "Mrect.h"
#include "framework/UiService.h"

MDragger::~MDragger() { End(); }

void MDragger::Begin(CPoint point, const CRect& rect, CWnd* window)
{
    End();
    m_pWindow = window;
    m_last = point;
    m_rect = rect;
    m_bDragging = TRUE;
    if (window && window->m_hWnd)
        Ui().CaptureMouse(window->m_hWnd);
}

const CRect& MDragger::OnMoveBegin(CPoint point)
{
    if (m_bDragging) {
        m_rect.OffsetRect(point.x - m_last.x, point.y - m_last.y);
        m_last = point;
    }
    return m_rect;
}

const CRect& MDragger::OnMoveEnd(CPoint point)
{
    OnMoveBegin(point);
    End();
    return m_rect;
}

void MDragger::SetClip(BOOL clip)
{
    if (!m_bDragging)
        return;
    GCursor::Clip(clip ? m_pWindow : nullptr);
    m_bClipped = clip;
}

void MDragger::End()
{
    if (!m_bDragging)
        return;
    if (m_bClipped)
        Ui().ClipCursor(nullptr);
    if (m_pWindow && Ui().MouseCapture() == m_pWindow->m_hWnd)
        Ui().CaptureMouse(nullptr);
    m_bClipped = FALSE;
    m_bDragging = FALSE;
    m_pWindow = nullptr;
}
