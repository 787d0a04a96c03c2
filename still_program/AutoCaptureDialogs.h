// The two auto-capture dialogs: the options (interval list, latest image,
// file series) and the custom schedule behind its "Other..." entry.
//
// Each dialog works on its own copy of the schedule and holds every rule;
// the widgets only show its state and pass the user's actions on, so tests
// drive the dialogs through the scripted UI service without a window.
#pragma once

#include "Schedule.h"
#include "TimeButton.h"
#include "framework/Dialog.h"

#include <array>
#include <span>

class CWnd;

// Runs the options dialog on `schedule`, which is changed only on OK.
// Returns IDOK or IDCANCEL.
int RunAutoCaptureDialog(CAutoCaptureSchedule& schedule, CWnd* owner);

// What an edit refuses to take as typed.
struct CEditFilter {
    const char* refused;   // characters dropped with a beep
    int limit;             // longest text
};
// The series base name: a plain name with no folder, drive or extension.
extern const CEditFilter kIncrementNameFilter;
// The latest image's path: folders are welcome, wildcards and quotes are not.
extern const CEditFilter kLatestImageFilter;
constexpr int kAutoCaptureEditLimit = 1024;

// Whether `ch`, typed into an edit holding `length` characters of which
// `selected` are selected (and so replaced), may go in. A refused character
// beeps. Control characters (erasing, moving, pasting) always pass.
BOOL AcceptTypedChar(const CEditFilter& filter, int length, int selected, unsigned char ch);

// Whether the latest image may be written under `name` without harming any
// file: an existing file must be a readable regular file that is not marked
// read-only, and its folder must take new files (the picture is written
// beside it and renamed into place). Where no file exists one is made with
// O_EXCL and removed again; nothing that was there before is opened for
// writing, truncated or deleted.
BOOL LatestImageNameUsable(const CString& name);

// Dialog 182: interval, unit, weekdays, daily window and dates.
class CAutoCaptureOtherDlg final : public CDialog {
public:
    static constexpr UINT IDD = 182;
    static constexpr int kMinInterval = 1;
    static constexpr int kMaxInterval = 60;

    // The controls start from `schedule` at once, and again when shown.
    explicit CAutoCaptureOtherDlg(const CAutoCaptureSchedule& schedule, CWnd* parent = nullptr);

    BOOL OnInitDialog() override;
    void OnOK() override;
    int ShowModalWidget() override;

    // The schedule as edited; complete once OK was accepted.
    CAutoCaptureSchedule schedule;

    // The controls' state, read and set by the widget and by tests.
    CString intervalText;
    int unitEntry = kUnitMinutes;          // "Seconds", "Minutes", "Hours"
    std::array<BOOL, 7> dayChecks{};       // Sunday first
    BOOL allDay = FALSE;
    BOOL useEnd = FALSE;
    BOOL warning = FALSE;
    CTimeButton beginTime{TimeLayout::Time};
    CTimeButton endTime{TimeLayout::Time};
    CTimeButton beginDate{TimeLayout::DateMonthFirst};
    CTimeButton endDate{TimeLayout::DateMonthFirst};

    BOOL TimeButtonsEnabled() const { return !allDay; }
    BOOL EndDateEnabled() const { return useEnd; }
    // Set when OK refused the interval: the widget puts the focus there.
    BOOL IntervalRefused() const { return m_intervalRefused; }

private:
    BOOL m_intervalRefused = FALSE;
};

// Dialog 188: the interval list, the latest image and the file series.
class CAutoCaptureDlg final : public CDialog {
public:
    static constexpr UINT IDD = 188;
    static constexpr UINT kHelpContext = 10;
    static constexpr int kFontWeight = 400;

    // Where OK sent the user back to.
    enum class Refusal { None, LatestImageName, IncrementName };

    // The controls start from `schedule` at once, and again when shown.
    explicit CAutoCaptureDlg(const CAutoCaptureSchedule& schedule, CWnd* parent = nullptr);

    BOOL OnInitDialog() override;
    void OnOK() override;
    int ShowModalWidget() override;

    // The interval list's texts, in order, the last one "Other...".
    static std::span<const UINT> ListStrings();
    // A preset sets the interval; "Other..." runs dialog 182 on a copy and
    // takes it over on OK. The selection then shows what is in force.
    void OnSelectEntry(int entry);
    void OnSeriesClicked(BOOL checked) { series = checked; }
    void OnBrowse();
    void OnHelp();

    BOOL IncrementEnabled() const { return series; }
    Refusal LastRefusal() const { return m_refusal; }

    // The schedule as edited; complete once OK was accepted.
    CAutoCaptureSchedule schedule;

    // The controls' state, read and set by the widget and by tests.
    int listEntry = 0;
    CString latestImageName;
    CString incrementName;
    BOOL series = TRUE;

private:
    Refusal m_refusal = Refusal::None;
};
