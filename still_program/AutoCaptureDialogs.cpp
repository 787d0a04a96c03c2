#include "AutoCaptureDialogs.h"

#include "PictureFiles.h"
#include "ModeDialogs.h"
#include "PictureIo.h"
#include "framework/StringTable.h"
#include "framework/UiService.h"
#include "resource.h"
#include "types/SafeFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

const CEditFilter kIncrementNameFilter{"\\:*?\"<>|/.", kAutoCaptureEditLimit};
// The folder separator is '/' here, so unlike the series name it is typed freely.
const CEditFilter kLatestImageFilter{"*?\"<>|", kAutoCaptureEditLimit};

namespace {

constexpr UINT kListStrings[] = {IDS_EVERY_10_SECONDS, IDS_EVERY_MINUTE, IDS_EVERY_30_MINUTES, IDS_EVERY_HOUR,
                                 IDS_EVERY_OTHER};
static_assert(std::size(kListStrings) == CAutoCaptureSchedule::kOtherEntry + 1);

// A folder the program may add a file to: present, writable to this process
// and not marked read-only (which even a privileged user is meant to respect).
bool FolderTakesNewFiles(const CString& folder)
{
    const CString path = folder.IsEmpty() ? CString(".") : folder;
    struct stat info {};
    return stat(path, &info) == 0 && S_ISDIR(info.st_mode) && (info.st_mode & 0222) != 0 &&
           access(path, W_OK | X_OK) == 0;
}

// Proves a file can be made under `path` by making it. It is removed again
// only while the name still holds that very file, so a file someone else put
// there in the meantime stays.
bool CanCreate(const CString& path)
{
    const int fd = velmora::CreateNewFile(path.str());
    if (fd < 0)
        return false;
    struct stat made {}, now {};
    const bool ours = fstat(fd, &made) == 0 && lstat(path, &now) == 0 && made.st_dev == now.st_dev &&
                      made.st_ino == now.st_ino;
    ::close(fd);
    if (ours)
        ::unlink(path);
    return true;
}

bool ExistingFileReplaceable(const CString& path)
{
    const int fd = velmora::OpenRegularFile(path.str());
    if (fd < 0)
        return false;
    ::close(fd);
    return TargetReplaceable(path);
}

WORD DayBit(size_t day) { return WORD(1u << day); }

// The date of `date` at the time of day of `time`, on the local calendar.
CTime DateAt(const CTimeButton& date, const CTimeButton& time)
{
    CalendarFields f = date.Fields();
    f.hour = time.Fields().hour;
    f.minute = time.Fields().minute;
    f.second = time.Fields().second;
    return f.ToTime();
}

} // namespace

BOOL AcceptTypedChar(const CEditFilter& filter, int length, int selected, unsigned char ch)
{
    if (ch < 0x20 || ch == 0x7F)
        return TRUE;
    const bool refused = ch != '\0' && std::strchr(filter.refused, ch) != nullptr;
    const bool full = length >= filter.limit && selected == 0;
    if (!refused && !full)
        return TRUE;
    MessageBeep(0);
    return FALSE;
}

BOOL LatestImageNameUsable(const CString& name)
{
    // The name is checked as the capture will write it: with no extension
    // the picture goes out as a bitmap.
    const SplitPath parts = SplitPicturePath(name);
    if (parts.name.IsEmpty() || !FolderTakesNewFiles(parts.folder))
        return FALSE;
    const CString path = parts.extension.IsEmpty() ? name + ".bmp" : name;
    struct stat info {};
    if (lstat(path, &info) == 0)
        return ExistingFileReplaceable(path);
    return errno == ENOENT && CanCreate(path);
}

// ---- Dialog 182 ----

CAutoCaptureOtherDlg::CAutoCaptureOtherDlg(const CAutoCaptureSchedule& s, CWnd* parent)
    : CDialog(IDD, parent), schedule(s)
{
    OnInitDialog();
}

BOOL CAutoCaptureOtherDlg::OnInitDialog()
{
    intervalText.Format("%u", unsigned(schedule.interval));
    unitEntry = schedule.unit <= kUnitHours ? int(schedule.unit) : int(kUnitMinutes);
    for (size_t day = 0; day < dayChecks.size(); ++day)
        dayChecks[day] = (schedule.days & DayBit(day)) != 0;
    allDay = schedule.allDay;
    useEnd = schedule.useEnd;
    warning = schedule.warning;
    beginTime.SetTime(schedule.begin);
    beginDate.SetTime(schedule.begin);
    endTime.SetTime(schedule.end);
    endDate.SetTime(schedule.end);
    m_intervalRefused = FALSE;
    return TRUE;
}

void CAutoCaptureOtherDlg::OnOK()
{
    long value = 0;
    m_intervalRefused = !ValidateInteger(intervalText, kMinInterval, kMaxInterval, value);
    if (m_intervalRefused)
        return;
    schedule.interval = WORD(value);
    schedule.unit = WORD(unitEntry);
    schedule.days = 0;
    for (size_t day = 0; day < dayChecks.size(); ++day)
        if (dayChecks[day])
            schedule.days |= DayBit(day);
    schedule.allDay = allDay;
    schedule.useEnd = useEnd;
    schedule.warning = warning;
    schedule.begin = DateAt(beginDate, beginTime);
    schedule.end = DateAt(endDate, endTime);
    EndDialog(IDOK);
}

// ---- Dialog 188 ----

CAutoCaptureDlg::CAutoCaptureDlg(const CAutoCaptureSchedule& s, CWnd* parent) : CDialog(IDD, parent), schedule(s)
{
    OnInitDialog();
}

std::span<const UINT> CAutoCaptureDlg::ListStrings() { return kListStrings; }

BOOL CAutoCaptureDlg::OnInitDialog()
{
    listEntry = schedule.ListEntry();
    latestImageName = schedule.latestImageName;
    incrementName = schedule.incrementName;
    series = schedule.fileSeries;
    m_refusal = Refusal::None;
    return TRUE;
}

void CAutoCaptureDlg::OnSelectEntry(int entry)
{
    if (entry == CAutoCaptureSchedule::kOtherEntry) {
        CAutoCaptureOtherDlg other(schedule, this);
        if (other.DoModal() == IDOK) {
            schedule = other.schedule;
            schedule.otherEnabled = TRUE;
        }
    } else {
        schedule.SelectPreset(entry);
    }
    // A cancelled "Other..." leaves the list on what is still in force.
    listEntry = schedule.ListEntry();
}

void CAutoCaptureDlg::OnBrowse()
{
    CSaveDialogSetup setup = SaveDialogSetup(PathExtensionLower(latestImageName), TRUE);
    if (!latestImageName.IsEmpty())
        setup.fileName = latestImageName;
    CString chosen;
    if (AskSavePath(setup, this, chosen))
        latestImageName = chosen;
}

void CAutoCaptureDlg::OnHelp() { WinHelp(m_hWnd, "snapvo.hlp", HELP_CONTEXT, kHelpContext); }

void CAutoCaptureDlg::OnOK()
{
    m_refusal = Refusal::None;
    if (!LatestImageNameUsable(latestImageName)) {
        AfxMessageBox(IDS_BAD_LATEST_IMAGE);
        m_refusal = Refusal::LatestImageName;
        return;
    }
    schedule.latestImageName = latestImageName;
    if (series && incrementName.IsEmpty()) {
        m_refusal = Refusal::IncrementName;
        return;
    }
    schedule.incrementName = incrementName;
    schedule.fileSeries = series;
    EndDialog(IDOK);
}

int RunAutoCaptureDialog(CAutoCaptureSchedule& schedule, CWnd* owner)
{
    CAutoCaptureDlg dialog(schedule, owner);
    if (dialog.DoModal() != IDOK)
        return IDCANCEL;
    schedule = dialog.schedule;
    return IDOK;
}
