#include "Mrect.h"

#include "framework/UiService.h"

MRect::MRect(const CWnd* window)
{
    if (window && window->m_hWnd)
        window->GetWindowRect(this);
}

CPoint MRect::Capture(CPoint point) const
{
    if (IsRectEmpty())
        return TopLeft();
    if (point.x < left)
        point.x = left;
    if (point.x >= right)
        point.x = right - 1;
    if (point.y < top)
        point.y = top;
    if (point.y >= bottom)
        point.y = bottom - 1;
    return point;
}

MRect& MRect::Normalize()
{
    NormalizeRect();
    return *this;
}

void MPositionWindow(HWND hwnd)
{
    CWnd* window = CWnd::FromHandle(hwnd);
    if (!window || !window->GetParent())
        return;
    CRect own, parent;
    window->GetWindowRect(&own);
    window->GetParent()->GetWindowRect(&parent);
    const CSize screen = Ui().ScreenSize();
    const LONG width = own.Width();
    const LONG height = own.Height();

    LONG x;
    if (parent.right + width <= screen.cx)
        x = parent.right;
    else if (parent.left - width >= 0)
        x = parent.left - width;
    else
        x = (screen.cx - width) / 2;
    LONG y = parent.top;
    if (y + height > screen.cy)
        y = screen.cy - height;
    if (y < 0)
        y = 0;

    // MoveWindow takes the parent's client coordinates.
    CPoint at(x, y);
    window->GetParent()->ScreenToClient(&at);
    window->MoveWindow(at.x, at.y, width, height);
}

WORD MGetSystemVersion() { return MAKEWORD(4, 0); }

BOOL MIsWindows95()
{
    const WORD version = MGetSystemVersion();
    return LOBYTE(version) > 3 || HIBYTE(version) > 94;
}

COLORREF MGetSysColorVer(int index)
{
    if (index == COLOR_MENU && !MIsWindows95())
        return RGB(0xC0, 0xC0, 0xC0);
    return GetSysColor(index);
}

void GCursor::Clip(CWnd* window)
{
    if (!window || !window->m_hWnd) {
        Ui().ClipCursor(nullptr);
        return;
    }
    CRect client;
    window->GetClientRect(&client);
    CPoint origin(0, 0);
    window->ClientToScreen(&origin);
    client.OffsetRect(origin.x, origin.y);
    Ui().ClipCursor(&client);
}
