// The recording settings' two dialogs: the time-lapse interval (a count and
// a unit) and the "Other" streaming rate. The rules live here and the
// widgets only mirror the control texts, so tests drive the dialogs through
// the scripted UI service without a window.
#pragma once

#include "framework/Dialog.h"
#include "types/CString.h"

// Whole-number text in minimum..maximum (blanks around it allowed). FALSE for
// anything else, `value` then unchanged.
BOOL ParseWholeNumber(const CString& text, long minimum, long maximum, long& value);

// Dialog 107: "Enter the amount of time to pause before taking another frame:".
class CTimeLapseDlg : public CDialog {
public:
    static constexpr UINT IDD = 107;
    static constexpr int IDC_COUNT = 1013;
    static constexpr int IDC_UNIT = 1023;
    static constexpr long kMinCount = 1;
    static constexpr long kMaxCount = 60;
    // The combo box's entries, in order.
    static constexpr const char* kUnits[3] = {"Seconds", "Minutes", "Hours"};

    CTimeLapseDlg(CWnd* parent, DWORD count, const char* unit);

    // The entry of kUnits matching `unit` ignoring case; 0 ("Seconds") for any other text.
    static int UnitEntry(const char* unit);

    BOOL OnInitDialog() override;
    // Refuses a count outside 1..60 with the range message (the dialog stays
    // open); the unit is taken as it stands in the combo box.
    void OnOK() override;
    int ShowModalWidget() override;

    // The controls' texts, read and set by the widget and by tests.
    CString countText;
    CString unitText;

    // After OK: the count and unit entered.
    DWORD Count() const { return m_count; }
    const CString& Unit() const { return m_unit; }

private:
    DWORD m_count;
    CString m_unit;
};

// Shows the Time Lapse dialog starting from `count` and `unit` until it is
// cancelled or ends with a count above 0 and one of the three units; a
// refused entry shows the dialog again with what was entered. TRUE with
// `count` and `unit` set on OK, FALSE (both unchanged) on Cancel.
BOOL AskTimeLapse(CWnd* owner, DWORD& count, CString& unit);

// Dialog 103: the highest streaming rate, 1..30 frames per second.
class COtherRateDlg : public CDialog {
public:
    static constexpr UINT IDD = 103;
    static constexpr int IDC_RATE = 1012;
    static constexpr long kMinFps = 1;
    static constexpr long kMaxFps = 30;
    static constexpr const char* kPrompt = "&Maximum Frame Rate:";
    static constexpr const char* kNote =
        "Depending on your system configuration, it may not be possible to achieve the frame rate you have "
        "entered.  Click the Help button for information on increasing your frame rates.";

    COtherRateDlg(CWnd* parent, int fps);

    BOOL OnInitDialog() override;
    // Refuses a rate outside 1..30 with the range message; the dialog stays open.
    void OnOK() override;
    // The Help button: the rate's page of the program's help.
    void OnHelp();
    int ShowModalWidget() override;

    CString rateText;
    int Fps() const { return m_fps; }

private:
    int m_fps;
};
