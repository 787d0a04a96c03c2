// Help > About: dialog 100 with the version line; Ctrl+Shift+J in it shows
// dialog 216, a picture at its own size.
#pragma once

#include "framework/Dialog.h"
#include "types/geometry.h"

class CReelixAboutDlg : public CDialog {
public:
    static constexpr UINT IDD = 100;
    static constexpr UINT IDC_VERSION = 1020;
    explicit CReelixAboutDlg(CWnd* parent = nullptr) : CDialog(IDD, parent) {}
    BOOL OnInitDialog() override;
    // "Version 2.0", from the string table.
    const CString& VersionLine() const { return m_version; }
    // The key that opens the picture: Ctrl+Shift+J, and nothing else.
    static bool OpensPicture(UINT key, bool control, bool shift);
    // Shows the picture dialog over this one.
    int ShowPicture();
    int ShowModalWidget() override;

private:
    CString m_version;
};

class CReelixPictureDlg : public CDialog {
public:
    static constexpr UINT IDD = 216;
    static constexpr UINT kPicture = 127;
    explicit CReelixPictureDlg(CWnd* parent = nullptr) : CDialog(IDD, parent) {}
    // The dialog is as large as the picture.
    static CSize PictureSize() { return CSize(240, 160); }
    int ShowModalWidget() override;
};
