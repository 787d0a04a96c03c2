// The UI service over Qt Widgets. Without a running QApplication (a tool or a
// test that installed no service) boxes answer with their default button and
// everything else reports failure.
#pragma once

#include "framework/UiService.h"

#include <QPointer>

#include <vector>

class QMessageBox;
class QMimeData;

class QtUiService : public UiService {
public:
    int MessageBox(HWND owner, const char* text, const char* caption, UINT type, UINT helpId) override;
    int OpenMessageBoxes() const override { return int(m_boxes.size()); }
    BOOL PressDefaultButton() override;
    int RunDialog(CDialog& dialog) override;
    BOOL GetFileName(FileDialogRequest& request) override;
    BOOL PlaySound(const char* path, UINT flags) override;
    BOOL Beep(UINT type) override;
    BOOL SetClipboardDib(const void* dib, size_t size) override;
    BOOL GetClipboardDib(std::vector<BYTE>& dib) override;
    BOOL SetClipboardText(const char* text) override;
    BOOL EmptyClipboard() override;
    BOOL SetClipboardData(const char* mime, const void* data, size_t size) override;
    BOOL GetClipboardData(const char* mime, std::vector<BYTE>& data) override;
    BOOL ShowHelp(const char* file, UINT command, DWORD_PTR data) override;
    void SetCursorShape(CursorShape shape) override;
    CursorShape GetCursorShape() const override { return m_waitCursor ? CursorShape::Wait : CursorShape::Arrow; }
    void CaptureMouse(HWND hwnd) override { m_capture = hwnd; }
    HWND MouseCapture() const override { return m_capture; }
    // Qt cannot confine the pointer; the request is remembered only.
    void ClipCursor(const RECT* rect) override;
    CPoint CursorPos() const override;
    CSize ScreenSize() const override;
    COLORREF SysColor(int index) const override;
    UINT TrackPopupMenu(const CMenu& menu, CPoint screen, HWND owner) override;

private:
    std::vector<QMessageBox*> m_boxes;
    HWND m_capture = nullptr;
    // What this program put on the clipboard last; null once another program took it.
    QPointer<const QMimeData> m_placed;
    bool m_waitCursor = false;
};
