#include "capture/v4l2_dialogs.h"

#include "framework/Trace.h"
#include "framework/UiService.h"

namespace capture {

BOOL V4l2SourceDialog::OnInitDialog()
{
    controls.Refresh();
    m_opened = controls.Controls();
    restoreError.clear();
    return TRUE;
}

int V4l2SourceDialog::DoModal()
{
    const int result = CDialog::DoModal();
    if (result == IDOK)
        return IDOK;
    if (!controls.Restore(m_opened, restoreError))
        AfxTrace("%s\n", restoreError.c_str());
    return result;
}

BOOL V4l2FormatDialog::OnInitDialog()
{
    formats = model.List();
    choice = m_opened;
    error.clear();
    m_changed = m_accepted = false;
    return TRUE;
}

bool V4l2FormatDialog::Apply(const FormatChoice& wanted, AppliedFormat& result, std::string& why)
{
    m_changed = true;   // even a refusal may leave the camera changed
    return m_apply(wanted, result, why);
}

void V4l2FormatDialog::OnOK()
{
    if (!Apply(choice, applied, error)) {
        AfxMessageBox(error.c_str(), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    m_accepted = true;
    EndDialog(IDOK);
}

int V4l2FormatDialog::DoModal()
{
    const int result = CDialog::DoModal();
    if (result == IDOK && m_accepted)
        return IDOK;
    AppliedFormat ignored;
    std::string why;
    if (m_changed && !m_apply(m_opened, ignored, why))
        AfxTrace("%s\n", why.c_str());
    return IDCANCEL;
}

}  // namespace capture
