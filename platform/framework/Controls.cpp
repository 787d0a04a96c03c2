#include "framework/Controls.h"

#include <cerrno>
#include <cstdlib>

void CScrollBar::SetScrollRange(int minimum, int maximum, BOOL)
{
    m_minimum = minimum;
    m_maximum = maximum;
    SetScrollPos(m_position);
}

void CScrollBar::GetScrollRange(int* minimum, int* maximum) const
{
    if (minimum)
        *minimum = m_minimum;
    if (maximum)
        *maximum = m_maximum;
}

int CScrollBar::SetScrollPos(int position, BOOL)
{
    const int previous = m_position;
    const int low = m_minimum < m_maximum ? m_minimum : m_maximum;
    const int high = m_minimum < m_maximum ? m_maximum : m_minimum;
    m_position = position < low ? low : position > high ? high : position;
    OnScrollChanged();
    return previous;
}

BOOL CSliderCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    return CWnd::Create(parent, "", style, rect, id);
}

void CSliderCtrl::Scroll(UINT code, int position)
{
    if (code != TB_ENDTRACK)
        SetPos(position);
    if (CWnd* parent = GetParent())
        parent->SendMessage(WM_HSCROLL, WPARAM(DWORD(MAKELONG(WORD(code), WORD(GetPos())))), LPARAM(m_hWnd));
}

UINT GetDlgItemInt(const CWnd* dialog, int id, BOOL* ok, BOOL isSigned)
{
    if (ok)
        *ok = FALSE;
    CWnd* item = dialog ? dialog->GetDlgItem(id) : nullptr;
    if (!item)
        return 0;
    CString text = item->GetWindowText();
    text.Trim();
    if (text.IsEmpty())
        return 0;
    char* end = nullptr;
    errno = 0;
    long long value = std::strtoll(text, &end, 10);
    if (errno || !end || *end || (!isSigned && value < 0) || value > 0xFFFFFFFFLL || value < -0x80000000LL)
        return 0;
    if (ok)
        *ok = TRUE;
    return UINT(value);
}

void SetDlgItemInt(CWnd* dialog, int id, UINT value, BOOL isSigned)
{
    CWnd* item = dialog ? dialog->GetDlgItem(id) : nullptr;
    if (!item)
        return;
    CString text;
    if (isSigned)
        text.Format("%d", int(value));
    else
        text.Format("%u", value);
    item->SetWindowText(text);
}
