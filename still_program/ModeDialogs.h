// The Settings menu's three small dialogs: a self-timer delay, a timed
// exposure and the number of pictures of an "Other" multiple exposure. Each
// asks for one whole number in a range; OK with anything else tells the user
// and leaves the dialog open.
#pragma once

#include "framework/Dialog.h"

// The texts around a number dialog's field. `unit` and `note` may be empty;
// without a unit the prompt stands above the field, with one before it.
struct CNumberDialogTexts {
    const char* caption;
    const char* prompt;
    const char* unit;
    const char* note;
};

// The text of a whole-number field checked as the framework's data exchange
// does: FALSE with message 61712 when it is no integer, or 61714 when it lies
// outside minimum..maximum; `value` is then unchanged.
BOOL ValidateInteger(const CString& text, long minimum, long maximum, long& value);

// Reads the whole number in control `id` of `dialog`. When the text is no
// integer (61712) or lies outside [minimum, maximum] (61714), the user is told
// and FALSE returned with `value` unchanged.
BOOL ExchangeInteger(const CWnd& dialog, int id, long minimum, long maximum, long& value);

class CNumberDialog : public CDialog {
public:
    static constexpr int IDC_NUMBER = 1024;

    CNumberDialog(UINT templateId, CWnd* parent, const CNumberDialogTexts& texts, long minimum, long maximum,
                  long value);

    // The number: the one shown when the dialog opens, and after OK the one
    // entered. Outside the range the field opens empty.
    long Value() const { return m_value; }
    long Minimum() const { return m_minimum; }
    long Maximum() const { return m_maximum; }
    const CNumberDialogTexts& Texts() const { return m_texts; }

    // The field's text, as the user has typed it (only while the dialog is up).
    CString FieldText() const;
    void SetFieldText(const char* text);

    BOOL OnInitDialog() override;
    void OnOK() override;
    int ShowModalWidget() override;

private:
    CNumberDialogTexts m_texts;
    long m_minimum;
    long m_maximum;
    long m_value;
    CWnd m_field;
};

// Dialog 176: the self timer's delay, 3 to 60 seconds.
class CSelfTimerDlg : public CNumberDialog {
public:
    static constexpr UINT IDD = 176;
    CSelfTimerDlg(CWnd* parent, long seconds);
};

// Dialog 183: how long a timed exposure keeps the shutter open, up to a day.
class CTimedExposureDlg : public CNumberDialog {
public:
    static constexpr UINT IDD = 183;
    CTimedExposureDlg(CWnd* parent, long seconds);
};

// Dialog 228: how many pictures an "Other" multiple exposure sends to the
// film roll, 1 to 36 (the roll's size).
class CMultipleOtherDlg : public CNumberDialog {
public:
    static constexpr UINT IDD = 228;
    CMultipleOtherDlg(CWnd* parent, long count);
};
