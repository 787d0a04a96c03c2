#include "Schedule.h"

#include "Settings.h"

#include <algorithm>
#include <cstdint>
#include <ctime>

namespace {

constexpr DWORD kSecondsPerUnit[] = {1, 60, 3600};

constexpr CIntervalPreset kPresets[] = {
    {kUnitSeconds, 10},
    {kUnitMinutes, 1},
    {kUnitMinutes, 30},
    {kUnitHours, 1},
};
static_assert(std::size(kPresets) == CAutoCaptureSchedule::kOtherEntry);

// A moment as the local calendar and wall clock show it. Windows and dates are
// compared on these fields, never on seconds counted from midnight, so the
// days with 23 or 25 hours open and close the window at the times on the clock.
struct CalendarFields {
    int date;      // yyyymmdd
    int weekday;   // 0 Sunday ... 6 Saturday
    int clock;     // hh * 3600 + mm * 60 + ss as the clock reads
};

CalendarFields FieldsOf(const struct tm& t)
{
    return {((t.tm_year + 1900) * 100 + t.tm_mon + 1) * 100 + t.tm_mday, t.tm_wday,
            (t.tm_hour * 60 + t.tm_min) * 60 + t.tm_sec};
}

CalendarFields FieldsOf(const CTime& when)
{
    const time_t t = when.GetTime();
    struct tm local = {};
    localtime_r(&t, &local);
    return FieldsOf(local);
}

// The calendar day before `when`, taken at noon so that no change of clocks
// in the night moves it to another day.
CalendarFields DayBefore(const CTime& when)
{
    const time_t t = when.GetTime();
    struct tm local = {};
    localtime_r(&t, &local);
    local.tm_mday -= 1;
    local.tm_hour = 12;
    local.tm_min = local.tm_sec = 0;
    local.tm_isdst = -1;
    const time_t noon = mktime(&local);
    localtime_r(&noon, &local);
    return FieldsOf(local);
}

// The stamp as stored: seconds since 1970 in 32 bits, 0 meaning "never set".
DWORD StoredStamp(const CTime& t)
{
    return DWORD(std::clamp<int64_t>(t.GetTime(), 1, UINT32_MAX));
}

}  // namespace

std::span<const CIntervalPreset> IntervalPresets() { return kPresets; }

CAutoCaptureSchedule::CAutoCaptureSchedule()
{
    const CTime now = CTime::GetCurrentTime();
    begin = CTime(now.GetYear(), now.GetMonth(), now.GetDay(), now.GetHour(), 0, 0);
    end = CTime(now.GetYear() + 1, now.GetMonth(), now.GetDay(), now.GetHour(), 30, 0);
}

void CAutoCaptureSchedule::Load(const snapvo::AutoCaptureSection& items)
{
    const WORD storedUnit = items.everyType;
    unit = storedUnit <= kUnitHours ? storedUnit : WORD(kUnitSeconds);
    interval = items.everyInterval;
    otherEnabled = int(items.otherEnabled) != 0;
    fileSeries = int(items.fileSeries) != 0;
    fileSeriesType = items.fileSeriesType;
    days = items.days;
    allDay = int(items.allDay) != 0;
    useEnd = int(items.useEndTime) != 0;
    warning = int(items.warning) != 0;
    latestImageName = CString(items.latestImageName);
    incrementName = CString(items.incrementName);
    workingDirectory = CString(items.workingDirectory);

    const uint32_t beginStamp = items.beginTime;
    if (beginStamp == 0) {
        begin = end = CTime::GetCurrentTime();
    } else {
        begin = CTime(time_t(beginStamp));
        end = CTime(time_t(uint32_t(items.endTime)));
    }
    if (!otherEnabled && ListEntry() == kOtherEntry)
        otherEnabled = TRUE;
}

void CAutoCaptureSchedule::Save(snapvo::AutoCaptureSection& items) const
{
    items.everyType = unit;
    items.everyInterval = interval;
    items.otherEnabled = otherEnabled ? 1 : 0;
    items.fileSeries = fileSeries ? 1 : 0;
    items.fileSeriesType = fileSeriesType;
    items.days = days;
    items.allDay = allDay ? 1 : 0;
    items.beginTime = StoredStamp(begin);
    items.useEndTime = useEnd ? 1 : 0;
    items.endTime = StoredStamp(end);
    items.warning = warning ? 1 : 0;
    items.latestImageName = latestImageName;
    items.incrementName = incrementName;
    items.workingDirectory = workingDirectory;
}

int CAutoCaptureSchedule::ListEntry() const
{
    if (otherEnabled)
        return kOtherEntry;
    const auto match = std::find_if(std::begin(kPresets), std::end(kPresets), [this](const CIntervalPreset& p) {
        return p.unit == unit && p.interval == interval;
    });
    return int(match - std::begin(kPresets));
}

void CAutoCaptureSchedule::SelectPreset(int entry)
{
    if (entry < 0 || entry >= kOtherEntry)
        return;
    unit = kPresets[entry].unit;
    interval = kPresets[entry].interval;
    otherEnabled = FALSE;
}

DWORD CAutoCaptureSchedule::IntervalSeconds() const
{
    return DWORD(interval) * (unit <= kUnitHours ? kSecondsPerUnit[unit] : 1);
}

BOOL CAutoCaptureSchedule::IsOpenAt(CTime when) const
{
    if (!otherEnabled)
        return TRUE;
    const CalendarFields now = FieldsOf(when);
    const CalendarFields first = FieldsOf(begin);
    const CalendarFields last = FieldsOf(end);
    // The day whose window is open: a window that closes before it opens runs
    // across midnight, and its small hours belong to the evening before.
    CalendarFields day = now;
    if (!allDay) {
        if (first.clock <= last.clock) {
            if (now.clock < first.clock || now.clock > last.clock)
                return FALSE;
        } else if (now.clock <= last.clock) {
            day = DayBefore(when);
        } else if (now.clock < first.clock) {
            return FALSE;
        }
    }
    if ((days & (1u << day.weekday)) == 0)
        return FALSE;
    if (day.date < first.date)
        return FALSE;
    return !(useEnd && day.date > last.date);
}

BOOL CAutoCaptureSchedule::IsDue(CTime periodStart, DWORD& remaining) const
{
    const CTime now = CTime::GetCurrentTime();
    const DWORD length = IntervalSeconds();
    if (length == 0 || !IsOpenAt(now))
        return FALSE;
    const int64_t elapsed = (now - periodStart).GetTotalSeconds();
    if (elapsed < 0)
        remaining = length;
    else
        remaining = elapsed >= int64_t(length) ? 0 : DWORD(length - elapsed);
    return TRUE;
}

BOOL CAutoCaptureSchedule::ExposureTooLong(WORD captureMode, WORD shutterMode, DWORD timedExposureSeconds) const
{
    return captureMode == kExposureAuto && shutterMode == kShutterTimed &&
           IntervalSeconds() < timedExposureSeconds;
}

BOOL NormaliseCaptureMode(WORD& captureMode, WORD multiExposureMode, WORD shutterMode)
{
    if (captureMode != kExposureAuto)
        return FALSE;
    if (multiExposureMode == kMultiOne && shutterMode != kShutterBulb)
        return FALSE;
    captureMode = kExposureSingle;
    return TRUE;
}

void CAutoCaptureTimer::Start() { m_periodStart = CTime::GetCurrentTime(); }

BOOL CAutoCaptureTimer::PictureDue(const CAutoCaptureSchedule& schedule, DWORD& remaining)
{
    const CTime now = CTime::GetCurrentTime();
    if (now < m_periodStart)
        m_periodStart = now;
    if (!schedule.IsDue(m_periodStart, remaining) || remaining != 0)
        return FALSE;
    // On time, the next period follows this one. After a pause of more than a
    // period (window or days closed, clock set forward, a delivery longer than
    // the interval) it is counted from this picture instead.
    const CTimeSpan length(int64_t(schedule.IntervalSeconds()));
    const CTime next = m_periodStart + length;
    m_periodStart = now - next < length ? next : now;
    return TRUE;
}
