// A progress dialog for long work done on the user-interface thread: it runs
// its modal loop, the work runs inside that loop (usually started by a message
// the program posts itself just before), and the work's progress callback
// keeps the bar current and lets the user press Abort between steps.
#pragma once

#include "framework/Dialog.h"

#include <functional>

class QPainter;
class QRect;

constexpr UINT IDD_COMPRESSION_PROGRESS = 118;
constexpr UINT IDC_PROGRESS_BAR = 1018;

class CProgressDialog : public CDialog {
public:
    explicit CProgressDialog(CWnd* owner = nullptr, UINT templateId = IDD_COMPRESSION_PROGRESS,
                             const char* title = "File compression progress");

    BOOL OnInitDialog() override;
    // The Abort button: the work is told to stop at its next step; the dialog
    // stays until the work ends it.
    void OnCancel() override;
    void OnOK() override {}

    // The loop runs and Abort has not been pressed.
    bool IsActive() const { return m_active; }
    // The dialog is up and its loop runs: the work may start.
    bool IsReady() const { return m_ready && !IsEnded(); }
    int GetPercent() const { return m_percent; }
    // Kept within 0..100.
    void SetPercent(int percent);
    // Handles what is waiting: posted messages, timers and, on screen, the
    // user's input (so a press on Abort is seen).
    void PumpWaitingMessages();
    // For the work's progress callback: shows `percent`, handles what is
    // waiting and tells whether to go on. FALSE once Abort was pressed before
    // this step; a call made from within the messages it handles goes on.
    BOOL Continue(int percent);
    // The work is over: the dialog ends with IDOK on success, IDCANCEL otherwise.
    // Steps asked for after that stop.
    void Finish(bool succeeded);

    const CString& Title() const { return m_title; }
    // The widget side: repaint after a change, and handle the user's input.
    std::function<void()> onChanged;
    std::function<void()> pumpInput;

    int ShowModalWidget() override;   // in QtProgressDialog.cpp

private:
    CString m_title;
    int m_percent = 0;
    bool m_active = false;
    bool m_ready = false;
    bool m_inStep = false;
};

// The bar as the dialog draws it into `rect`: a black frame; from the left edge
// to percent x width / 100 blue with the text in white, the rest white with
// the text in blue; the text "%3d%%" centred. Percentages above 100 draw as 100.
void DrawProgressBar(QPainter& painter, const QRect& rect, int percent);
