#include "Mscrlval.h"

BOOL MScrollValue::Initialize(CWnd* dialog, int scrollBarId, int editId, int minimum, int maximum, int value)
{
    if (!dialog || minimum > maximum)
        return FALSE;
    m_pDialog = dialog;
    m_scrollBarId = scrollBarId;
    m_editId = editId;
    m_minimum = minimum;
    m_maximum = maximum;
    if (auto* bar = dynamic_cast<CScrollBar*>(dialog->GetDlgItem(scrollBarId)))
        bar->SetScrollRange(minimum, maximum);
    SetValue(value);
    return TRUE;
}

void MScrollValue::SetValue(int value)
{
    m_value = value < m_minimum ? m_minimum : value > m_maximum ? m_maximum : value;
    if (!m_pDialog)
        return;
    if (auto* bar = dynamic_cast<CScrollBar*>(m_pDialog->GetDlgItem(m_scrollBarId)))
        bar->SetScrollPos(m_value);
    SetDlgItemInt(m_pDialog, m_editId, UINT(m_value), TRUE);
}

void MScrollValue::OnHScroll(UINT code, int position)
{
    switch (code) {
    case SB_LINELEFT: SetValue(m_value - 1); break;
    case SB_LINERIGHT: SetValue(m_value + 1); break;
    case SB_PAGELEFT: SetValue(m_value - 10); break;
    case SB_PAGERIGHT: SetValue(m_value + 10); break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: SetValue(position); break;
    case SB_LEFT: SetValue(m_minimum); break;
    case SB_RIGHT: SetValue(m_maximum); break;
    default: break;
    }
}

void MScrollValue::OnKillFocus()
{
    BOOL ok = FALSE;
    int value = int(GetDlgItemInt(m_pDialog, m_editId, &ok, TRUE));
    SetValue(ok ? value : m_value);
}
