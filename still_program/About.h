// Help > About: dialog 100 with the program's version line.
#pragma once

#include "framework/Dialog.h"

class CAboutDlg : public CDialog {
public:
    static constexpr UINT IDD = 100;
    static constexpr UINT IDC_VERSION = 1020;
    explicit CAboutDlg(CWnd* parent = nullptr) : CDialog(IDD, parent) {}
    BOOL OnInitDialog() override;
    // "Version 2.0", from the string table.
    const CString& VersionLine() const { return m_version; }
    // Every control's font weight (normal).
    int FontWeight() const { return m_weight; }
    int ShowModalWidget() override;

private:
    CString m_version;
    int m_weight = 700;
};
