#include "RecordDialogs.h"

#include "Recorder.h"
#include "resource.h"

#include "framework/StringTable.h"
#include "framework/UiService.h"

#include <cerrno>
#include <cstdlib>

namespace {

CString NumberText(long value)
{
    CString text;
    text.Format("%ld", value);
    return text;
}

void RefuseNumber(long minimum, long maximum)
{
    CString text = LoadStringText(IDS_ENTER_NUMBER_RANGE);
    text.Replace("%1", NumberText(minimum));
    text.Replace("%2", NumberText(maximum));
    AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace

BOOL ParseWholeNumber(const CString& text, long minimum, long maximum, long& value)
{
    CString trimmed = text;
    trimmed.Trim();
    if (trimmed.IsEmpty())
        return FALSE;
    errno = 0;
    char* end = nullptr;
    const long long parsed = std::strtoll(trimmed, &end, 10);
    if (*end != '\0' || errno == ERANGE || parsed < minimum || parsed > maximum)
        return FALSE;
    value = long(parsed);
    return TRUE;
}

// --- time lapse ---------------------------------------------------------------

CTimeLapseDlg::CTimeLapseDlg(CWnd* parent, DWORD count, const char* unit)
    : CDialog(IDD, parent), m_count(count), m_unit(unit)
{
}

int CTimeLapseDlg::UnitEntry(const char* unit)
{
    for (int i = 0; i < 3; ++i)
        if (CString(kUnits[i]).CompareNoCase(unit ? unit : "") == 0)
            return i;
    return 0;
}

BOOL CTimeLapseDlg::OnInitDialog()
{
    countText.Format("%lu", static_cast<unsigned long>(m_count));
    unitText = kUnits[UnitEntry(m_unit)];
    return TRUE;
}

void CTimeLapseDlg::OnOK()
{
    long count = 0;
    if (!ParseWholeNumber(countText, kMinCount, kMaxCount, count)) {
        RefuseNumber(kMinCount, kMaxCount);
        return;
    }
    m_count = DWORD(count);
    m_unit = unitText;
    m_unit.Trim();
    EndDialog(IDOK);
}

BOOL AskTimeLapse(CWnd* owner, DWORD& count, CString& unit)
{
    DWORD shownCount = count;
    CString shownUnit = unit;
    for (;;) {
        CTimeLapseDlg dialog(owner, shownCount, shownUnit);
        if (dialog.DoModal() != IDOK)
            return FALSE;
        shownCount = dialog.Count();
        shownUnit = dialog.Unit();
        if (IsTimeLapseUnit(shownUnit) && shownCount != 0) {
            count = shownCount;
            unit = shownUnit;
            return TRUE;
        }
    }
}

// --- other rate ---------------------------------------------------------------

COtherRateDlg::COtherRateDlg(CWnd* parent, int fps) : CDialog(IDD, parent), m_fps(fps) {}

BOOL COtherRateDlg::OnInitDialog()
{
    rateText = NumberText(m_fps);
    return TRUE;
}

void COtherRateDlg::OnOK()
{
    long fps = 0;
    if (!ParseWholeNumber(rateText, kMinFps, kMaxFps, fps)) {
        RefuseNumber(kMinFps, kMaxFps);
        return;
    }
    m_fps = int(fps);
    EndDialog(IDOK);
}

void COtherRateDlg::OnHelp()
{
    CWnd* owner = GetOwner();
    WinHelp(owner ? owner->GetSafeHwnd() : GetSafeHwnd(), kHelpFile, HELP_CONTEXT, kOtherRateHelpContext);
}
