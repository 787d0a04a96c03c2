#include "ModeDialogs.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>

#include "framework/Controls.h"
#include "framework/StringTable.h"
#include "framework/UiService.h"
#include "resource.h"

namespace {

constexpr CNumberDialogTexts kSelfTimerTexts{"Self Timer", "Enter a timer delay between 3 and 60 seconds:", "", ""};
constexpr CNumberDialogTexts kTimedExposureTexts{"Timed Exposure", "Keep shutter open for ", "seconds",
                                                 "Maximum Exposure Time 86,400 seconds (24 hours)"};
constexpr CNumberDialogTexts kMultipleOtherTexts{
    "Multiple Exposure Other", "Enter the number of images to send to the Film Roll (between 1 and 36):", "", ""};

CString NumberText(long value)
{
    CString text;
    text.Format("%ld", value);
    return text;
}

// "%1" and "%2" of a message filled with the two bounds.
CString RangeMessage(long minimum, long maximum)
{
    CString text = LoadStringText(IDS_ENTER_INTEGER_RANGE);
    text.Replace("%1", NumberText(minimum));
    text.Replace("%2", NumberText(maximum));
    return text;
}

}  // namespace

BOOL ValidateInteger(const CString& text, long minimum, long maximum, long& value)
{
    CString trimmed = text;
    trimmed.Trim();
    errno = 0;
    char* end = nullptr;
    const long long parsed = std::strtoll(trimmed, &end, 10);
    // What does not fit 32 bits is no integer, as for the framework's exchange.
    if (trimmed.IsEmpty() || *end != '\0' || errno == ERANGE || parsed > INT64_C(0xFFFFFFFF) ||
        parsed < INT32_MIN) {
        AfxMessageBox(IDS_ENTER_INTEGER, MB_OK | MB_ICONEXCLAMATION);
        return FALSE;
    }
    if (parsed < minimum || parsed > maximum) {
        AfxMessageBox(RangeMessage(minimum, maximum), MB_OK | MB_ICONEXCLAMATION);
        return FALSE;
    }
    value = long(parsed);
    return TRUE;
}

BOOL ExchangeInteger(const CWnd& dialog, int id, long minimum, long maximum, long& value)
{
    const CWnd* field = dialog.GetDlgItem(id);
    return ValidateInteger(field ? field->GetWindowText() : CString(), minimum, maximum, value);
}

CNumberDialog::CNumberDialog(UINT templateId, CWnd* parent, const CNumberDialogTexts& texts, long minimum,
                             long maximum, long value)
    : CDialog(templateId, parent), m_texts(texts), m_minimum(minimum), m_maximum(maximum), m_value(value)
{
}

CString CNumberDialog::FieldText() const { return m_field.GetWindowText(); }

void CNumberDialog::SetFieldText(const char* text) { m_field.SetWindowText(text); }

BOOL CNumberDialog::OnInitDialog()
{
    const bool shown = m_value >= m_minimum && m_value <= m_maximum;
    const CString text = shown ? NumberText(m_value) : CString();
    if (!m_field.m_hWnd)
        m_field.Create(this, text, WS_CHILD | WS_VISIBLE, CRect(), IDC_NUMBER);
    else
        m_field.SetWindowText(text);
    return TRUE;
}

void CNumberDialog::OnOK()
{
    if (ExchangeInteger(*this, IDC_NUMBER, m_minimum, m_maximum, m_value))
        EndDialog(IDOK);
}

CSelfTimerDlg::CSelfTimerDlg(CWnd* parent, long seconds) : CNumberDialog(IDD, parent, kSelfTimerTexts, 3, 60, seconds)
{
}

CTimedExposureDlg::CTimedExposureDlg(CWnd* parent, long seconds)
    : CNumberDialog(IDD, parent, kTimedExposureTexts, 1, 86400, seconds)
{
}

CMultipleOtherDlg::CMultipleOtherDlg(CWnd* parent, long count)
    : CNumberDialog(IDD, parent, kMultipleOtherTexts, 1, 36, count)
{
}
