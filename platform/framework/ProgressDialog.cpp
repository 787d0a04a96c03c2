#include "framework/ProgressDialog.h"

#include "framework/UiService.h"

#include <algorithm>

CProgressDialog::CProgressDialog(CWnd* owner, UINT templateId, const char* title)
    : CDialog(templateId, owner), m_title(title ? title : "")
{
    OnCommand(IDCANCEL, [this] { OnCancel(); });
}

BOOL CProgressDialog::OnInitDialog()
{
    m_percent = 0;
    m_active = true;
    m_ready = true;
    return TRUE;
}

void CProgressDialog::OnCancel()
{
    m_active = false;
}

void CProgressDialog::SetPercent(int percent)
{
    const int clamped = std::clamp(percent, 0, 100);
    if (clamped == m_percent)
        return;
    m_percent = clamped;
    if (onChanged)
        onChanged();
}

void CProgressDialog::PumpWaitingMessages()
{
    if (pumpInput)
        pumpInput();
    PumpMessages();
}

BOOL CProgressDialog::Continue(int percent)
{
    if (m_inStep)
        return TRUE;
    if (!m_active)
        return FALSE;
    m_inStep = true;
    SetPercent(percent);
    PumpWaitingMessages();
    m_inStep = false;
    return TRUE;
}

void CProgressDialog::Finish(bool succeeded)
{
    m_active = false;
    EndDialog(succeeded ? IDOK : IDCANCEL);
}
