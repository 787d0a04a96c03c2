// The UI service of tests: answers come from a script, and everything the user
// would have seen or heard is recorded. Install it with ScopedTestUi.
#pragma once

#include "framework/UiService.h"

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

class TestUiService : public UiService {
public:
    // A scripted answer that keeps the box open until the program presses its
    // default button (or until nothing more can happen, which answers the default).
    static constexpr int kStayOpen = -1;

    struct ShownBox {
        CString text;
        CString caption;
        UINT type = 0;
        UINT helpId = 0;
        int result = 0;
        bool closedByProgram = false;
    };
    struct HelpCall {
        CString file;
        UINT command;
        DWORD_PTR data;
    };

    // Answers for the next boxes, in order; unscripted boxes get their default.
    void AnswerNextBox(int result) { m_boxAnswers.push_back(result); }
    // Runs while a box is up, before it is answered (the box counts as open).
    std::function<void(const ShownBox&)> onMessageBox;
    // Answers for the next program dialogs: set the dialog's controls, return
    // how it ends. Unscripted dialogs are cancelled. An answer of kStayOpen
    // keeps the dialog in its modal loop until the program ends it (a
    // progress dialog), or until nothing more can happen (then cancelled).
    void AnswerNextDialog(std::function<int(CDialog&)> answer) { m_dialogAnswers.push_back(std::move(answer)); }
    std::vector<UINT> dialogs;   // template ids, in the order shown

    // Answers for the next file dialogs: a path, or nullopt to cancel.
    void AnswerNextFileDialog(std::optional<CString> path);
    // What the user does inside one file dialog, step by step.
    struct FileDialogStep {
        bool pressExtraButton = false;
        CString name;   // confirmed when the step is no press
    };
    static FileDialogStep PressExtraButton() { return {true, CString()}; }
    static FileDialogStep ConfirmName(const CString& name) { return {false, name}; }
    // The next file dialog plays `steps` in turn: a press of the extra button
    // runs its callback (a dialog without one ignores it); a name the
    // request's validator refuses goes to fileRefusals and the dialog stays
    // open for the next step; the first name taken ends it. Steps that run
    // out without a name taken cancel the dialog.
    void ScriptNextFileDialog(std::vector<FileDialogStep> steps) { m_fileAnswers.push_back(std::move(steps)); }
    // Texts shown for refused names, in order; presses the extra buttons ran.
    std::vector<CString> fileRefusals;
    int extraButtonPresses = 0;

    std::vector<ShownBox> boxes;
    // As asked, flags and owner included. A scripted name is taken as the
    // user's final answer, whatever the flags (a real dialog would ask again).
    std::vector<FileDialogRequest> fileDialogs;
    std::vector<CString> sounds;
    std::vector<UINT> beeps;
    std::vector<HelpCall> helpCalls;
    // Pop-up menus: the item to choose from each next one (0: closed with
    // Escape; unscripted menus are closed). A grey or missing item cannot be
    // chosen, so the menu closes with nothing.
    void ChooseNextPopupItem(UINT id) { m_popupAnswers.push_back(id); }
    struct ShownPopupItem {
        UINT id;
        CString text;
        UINT flags;
        int depth;   // 0 in the menu itself, 1 in a pop-up of it, ...
    };
    struct ShownPopup {
        CPoint at;
        HWND owner;
        std::vector<ShownPopupItem> items;   // as they stood when shown
        UINT chosen;
    };
    std::vector<ShownPopup> popups;
    std::vector<BYTE> clipboardDib;
    CString clipboardText;
    std::map<std::string, std::vector<BYTE>> clipboardData;   // by MIME type
    CursorShape cursor = CursorShape::Arrow;
    HWND capture = nullptr;
    std::optional<CRect> cursorClip;
    CPoint cursorPos;
    CSize screen{1024, 768};
    std::map<int, COLORREF> colours;
    // FALSE: every sound fails to play (a missing file).
    bool soundsAvailable = true;

    int MessageBox(HWND owner, const char* text, const char* caption, UINT type, UINT helpId) override;
    int OpenMessageBoxes() const override { return m_open; }
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
    void SetCursorShape(CursorShape shape) override { cursor = shape; }
    CursorShape GetCursorShape() const override { return cursor; }
    void CaptureMouse(HWND hwnd) override { capture = hwnd; }
    HWND MouseCapture() const override { return capture; }
    void ClipCursor(const RECT* rect) override;
    CPoint CursorPos() const override { return cursorPos; }
    CSize ScreenSize() const override { return screen; }
    COLORREF SysColor(int index) const override;
    UINT TrackPopupMenu(const CMenu& menu, CPoint screen, HWND owner) override;

private:
    std::deque<UINT> m_popupAnswers;
    std::deque<int> m_boxAnswers;
    std::deque<std::function<int(CDialog&)>> m_dialogAnswers;
    std::deque<std::vector<FileDialogStep>> m_fileAnswers;
    int m_open = 0;
    std::vector<bool> m_pressed;   // one flag per open box, innermost last
};

class ScopedTestUi {
public:
    ScopedTestUi() { SetUi(&m_ui); }
    ~ScopedTestUi() { SetUi(nullptr); }
    TestUiService& operator*() { return m_ui; }
    TestUiService* operator->() { return &m_ui; }

private:
    TestUiService m_ui;
};
