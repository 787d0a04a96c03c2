#include "Afbitbut.h"

#include "Resource.h"

CAfxBitmapButton::~CAfxBitmapButton()
{
    FreeBitmaps();
}

void CAfxBitmapButton::FreeBitmaps()
{
    for (HBITMAP& b : m_bitmaps) {
        if (b)
            DeleteObject(b);
        b = nullptr;
    }
}

BOOL CAfxBitmapButton::LoadBitmaps(const char* name, const char* selected, const char* focus,
                                   const char* disabled)
{
    FreeBitmaps();
    m_bitmaps[kUp] = LoadBitmapResource(name);
    BOOL all = m_bitmaps[kUp] != nullptr;
    const char* others[] = {selected, focus, disabled};
    for (int i = 0; i < 3; ++i) {
        if (!others[i])
            continue;
        m_bitmaps[size_t(i + 1)] = LoadBitmapResource(others[i]);
        all = all && m_bitmaps[size_t(i + 1)] != nullptr;
    }
    return all;
}

void CAfxBitmapButton::SizeToContent()
{
    BITMAP bm{};
    if (!m_bitmaps[kUp] || !GetObject(m_bitmaps[kUp], sizeof bm, &bm))
        return;
    CRect r;
    GetWindowRect(&r);
    POINT topLeft{r.left, r.top};
    if (CWnd* parent = GetParent())
        parent->ScreenToClient(&topLeft);
    MoveWindow(topLeft.x, topLeft.y, bm.bmWidth, bm.bmHeight);
}

HBITMAP CAfxBitmapButton::BitmapFor(UINT state) const
{
    if ((state & ODS_SELECTED) && m_bitmaps[kSelected])
        return m_bitmaps[kSelected];
    if ((state & ODS_FOCUS) && m_bitmaps[kFocus])
        return m_bitmaps[kFocus];
    if ((state & ODS_DISABLED) && m_bitmaps[kDisabled])
        return m_bitmaps[kDisabled];
    return m_bitmaps[kUp];
}

BOOL CAfxBitmapButton::DrawItem(HDC dc, const RECT& rect, UINT state) const
{
    HBITMAP bitmap = BitmapFor(state);
    if (!dc || !bitmap)
        return FALSE;
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP old = SelectObject(memory, bitmap);
    BOOL ok = BitBlt(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    return ok;
}
