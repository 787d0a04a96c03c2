#include "framework/Bars.h"

BOOL CControlBar::CreateBar(CWnd* parent, DWORD style, UINT id, const char* title)
{
    if (!parent || !CWnd::Create(parent, title, style & 0xFFFF0000u, CRect(0, 0, 0, BarHeight()), id))
        return FALSE;
    m_barStyle = style & 0xFFFFu;
    return TRUE;
}

void CControlBar::OnVisibilityChanged()
{
    if (onVisibility)
        onVisibility(IsShown());
}

BOOL CToolBar::Create(CWnd* parent, DWORD style, UINT id) { return CreateBar(parent, style, id, "Toolbar"); }

BOOL CToolBar::LoadBitmap(UINT bitmapId)
{
    m_bitmap = bitmapId;
    return bitmapId != 0;
}

BOOL CToolBar::SetButtons(const UINT* ids, int count)
{
    if (count < 0 || (count > 0 && !ids))
        return FALSE;
    m_buttons.assign(ids, ids + count);
    return TRUE;
}

UINT CToolBar::GetItemID(int index) const
{
    return index >= 0 && index < GetCount() ? m_buttons[size_t(index)] : 0;
}

BOOL CStatusBar::Create(CWnd* parent, DWORD style, UINT id) { return CreateBar(parent, style, id, "Status"); }

BOOL CStatusBar::SetIndicators(const UINT* ids, int count)
{
    if (count < 0 || (count > 0 && !ids))
        return FALSE;
    m_panes.clear();
    for (int i = 0; i < count; ++i)
        m_panes.push_back({ids[i], CString()});
    return TRUE;
}

BOOL CStatusBar::SetPaneText(int index, const char* text)
{
    if (index < 0 || index >= GetCount())
        return FALSE;
    m_panes[size_t(index)].text = text;
    if (onPaneText)
        onPaneText(index, m_panes[size_t(index)].text);
    return TRUE;
}

CString CStatusBar::GetPaneText(int index) const
{
    return index >= 0 && index < GetCount() ? m_panes[size_t(index)].text : CString();
}

BOOL CButton::Create(const char* text, DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    return CWnd::Create(parent, text, style, rect, id);
}

void CButton::Click()
{
    if (IsWindowEnabled() && GetParent())
        GetParent()->SendMessage(WM_COMMAND, WPARAM(GetDlgCtrlID()), LPARAM(m_hWnd));
}

void CButton::Notify()
{
    if (onChanged)
        onChanged();
}

void CButton::OnGeometryChanged() { Notify(); }
void CButton::OnVisibilityChanged() { Notify(); }
void CButton::OnTextChanged() { Notify(); }
void CButton::OnEnableChanged() { Notify(); }
