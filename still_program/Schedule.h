// The auto-capture schedule: how often a picture is taken and, with a custom
// ("Other...") schedule, on which weekdays, within which daily window and
// between which dates. Plain data and rules with no window of their own; the
// view's state machine asks it whether a picture is due, and the two
// auto-capture dialogs edit a copy of it.
#pragma once

#include "CaptureModes.h"
#include "types/CString.h"
#include "types/CTime.h"
#include "types/wintypes.h"

#include <span>

namespace snapvo {
struct AutoCaptureSection;
}

enum : WORD { kUnitSeconds = 0, kUnitMinutes = 1, kUnitHours = 2 };

// One fixed choice of the interval list, before its "Other..." entry.
struct CIntervalPreset {
    WORD unit;
    WORD interval;
};

// "10 Seconds", "1 Minute", "30 Minutes", "1 Hour", in list order.
std::span<const CIntervalPreset> IntervalPresets();

class CAutoCaptureSchedule {
public:
    // The list entry after the presets.
    static constexpr int kOtherEntry = 4;

    // Every minute, all week, from the start of this hour today until half
    // past this hour a year from now.
    CAutoCaptureSchedule();

    // Every field from its item. A stored value with no meaning is read as
    // the item's default; an interval that is no preset is a custom schedule.
    void Load(const snapvo::AutoCaptureSection& items);
    void Save(snapvo::AutoCaptureSection& items) const;

    // The interval list's entry: the matching preset, else kOtherEntry.
    int ListEntry() const;
    // A preset from the list; the custom schedule is left.
    void SelectPreset(int entry);
    // 0 while the interval is 0.
    DWORD IntervalSeconds() const;

    // FALSE when the schedule takes nothing now (outside the custom days,
    // window or dates, or with an interval of 0); `remaining` is then left as
    // it was. Otherwise TRUE with the seconds from now until the next picture
    // of the period that began at `periodStart`: 0 when one is due now, a
    // whole interval when the clock has gone back past `periodStart`.
    BOOL IsDue(CTime periodStart, DWORD& remaining) const;
    // Whether the custom days, window and dates let a picture be taken at
    // `when`, read on the local calendar and clock. A window that closes
    // before it opens runs across midnight; its small hours belong to the
    // day it opened for the weekday and the dates.
    BOOL IsOpenAt(CTime when) const;

    // A timed exposure longer than the interval, in auto capture: the user is
    // warned and the setting stays.
    BOOL ExposureTooLong(WORD captureMode, WORD shutterMode, DWORD timedExposureSeconds) const;

    WORD unit = kUnitMinutes;
    WORD interval = 1;
    BOOL otherEnabled = FALSE;   // the custom schedule: days, window and dates apply
    BOOL fileSeries = TRUE;
    WORD fileSeriesType = 0;     // kept and written back; nothing reads it
    WORD days = 0x7F;            // bit 0 Sunday ... bit 6 Saturday
    BOOL allDay = FALSE;         // no daily window
    CTime begin;                 // first date, and the window's opening time of day
    BOOL useEnd = FALSE;         // the "until" date applies
    CTime end;                   // last date, and the window's closing time of day
    BOOL warning = FALSE;
    CString latestImageName = "latest.bmp";
    CString incrementName = "Series";
    CString workingDirectory;
};

// The view's capture, multiple exposure and shutter modes, as stored in
// "General Settings".
// Auto capture takes single pictures with a normal or timed shutter: a burst
// or a bulb shutter in auto capture would leave the program waiting for ever
// with nothing to end the wait. Such stored modes fall back to single capture,
// keeping the burst or bulb the user chose. TRUE when the mode was changed.
BOOL NormaliseCaptureMode(WORD& captureMode, WORD multiExposureMode, WORD shutterMode);

// One auto-capture run's time line. Periods are counted from the start of the
// run, not from the end of each delivery, so a long exposure or a slow disk
// does not push every later picture back; a clock set back starts the
// interval again instead of waiting out the jump.
class CAutoCaptureTimer {
public:
    // Start Capture: the first picture falls due one interval from now.
    void Start();
    // TRUE when a picture is due now; the time line then moves to the period
    // that has just fallen due. `remaining` as CAutoCaptureSchedule::IsDue.
    BOOL PictureDue(const CAutoCaptureSchedule& schedule, DWORD& remaining);
    CTime PeriodStart() const { return m_periodStart; }

private:
    CTime m_periodStart;
};
