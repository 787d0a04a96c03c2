#include "framework/Dialog.h"

#include "framework/UiService.h"

int CDialog::DoModal()
{
    m_ended = false;
    m_result = 0;
    const int result = Ui().RunDialog(*this);
    if (!m_ended)
        m_result = result;
    FinishModal();
    return m_result;
}

void CDialog::EndDialog(int result)
{
    m_result = result;
    m_ended = true;
}

void CDialog::BeginModal()
{
    if (!m_hWnd)
        Create(m_owner, "", WS_POPUP, CRect());
    OnInitDialog();
}

void CDialog::FinishModal() { DestroyWindow(); }
