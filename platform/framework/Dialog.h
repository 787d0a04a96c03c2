// The logic of a modal dialog. DoModal goes through the UI service: the real
// one runs the dialog's widget (ShowModalWidget, defined beside the widget by
// the program), the test one runs a scripted answer against the same object.
#pragma once

#include "framework/Wnd.h"

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr) : m_templateId(templateId), m_owner(parent) {}

    virtual int DoModal();
    UINT GetTemplateId() const { return m_templateId; }
    CWnd* GetOwner() const { return m_owner; }

    // Called once the dialog's controls exist.
    virtual BOOL OnInitDialog() { return TRUE; }
    virtual void OnOK() { EndDialog(1); }
    virtual void OnCancel() { EndDialog(2); }
    void EndDialog(int result);
    bool IsEnded() const { return m_ended; }
    int GetResult() const { return m_result; }

    // The widget side: show the dialog modally and return how it ended.
    // Without one the dialog is cancelled.
    virtual int ShowModalWidget() { return 2; }

    // For UI services: the dialog's window exists, and OnInitDialog has run.
    void BeginModal();
    void FinishModal();

private:
    UINT m_templateId;
    CWnd* m_owner;
    int m_result = 0;
    bool m_ended = false;
};
