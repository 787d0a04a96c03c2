// Everything a user sees or answers outside the program's own windows: message
// boxes, file dialogs, sounds, the clipboard, help, the cursor, and what the
// screen looks like. Programs reach it only through Ui(); tests install a
// TestUiService that scripts the answers and records what was shown.
#pragma once

#include "framework/Messages.h"
#include "types/CString.h"
#include "types/geometry.h"

#include <cstddef>
#include <functional>
#include <vector>

class CDialog;
class CMenu;

constexpr UINT MB_OK = 0x0000;
constexpr UINT MB_OKCANCEL = 0x0001;
constexpr UINT MB_ABORTRETRYIGNORE = 0x0002;
constexpr UINT MB_YESNOCANCEL = 0x0003;
constexpr UINT MB_YESNO = 0x0004;
constexpr UINT MB_RETRYCANCEL = 0x0005;
constexpr UINT MB_TYPEMASK = 0x000F;
constexpr UINT MB_ICONHAND = 0x0010;
constexpr UINT MB_ICONSTOP = 0x0010;
constexpr UINT MB_ICONQUESTION = 0x0020;
constexpr UINT MB_ICONEXCLAMATION = 0x0030;
constexpr UINT MB_ICONASTERISK = 0x0040;
constexpr UINT MB_ICONINFORMATION = 0x0040;
constexpr UINT MB_ICONMASK = 0x00F0;
constexpr UINT MB_DEFBUTTON1 = 0x0000;
constexpr UINT MB_DEFBUTTON2 = 0x0100;
constexpr UINT MB_DEFBUTTON3 = 0x0200;
constexpr UINT MB_DEFMASK = 0x0F00;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// The results of a box's buttons, left to right, and the one its default gives.
std::vector<int> MessageBoxButtons(UINT type);
int DefaultButtonResult(UINT type);

// Help commands.
constexpr UINT HELP_CONTEXT = 0x0001;
constexpr UINT HELP_QUIT = 0x0002;
constexpr UINT HELP_CONTENTS = 0x0003;
constexpr UINT HELP_INDEX = 0x0003;

// Sound flags.
constexpr UINT SND_SYNC = 0x0000;
constexpr UINT SND_ASYNC = 0x0001;
constexpr UINT SND_NODEFAULT = 0x0002;

// System colour indexes the suite uses.
constexpr int COLOR_WINDOW = 5;
constexpr int COLOR_MENU = 4;
constexpr int COLOR_WINDOWTEXT = 8;
constexpr int COLOR_BTNFACE = 15;
constexpr int COLOR_BTNSHADOW = 16;
constexpr int COLOR_BTNTEXT = 18;
constexpr int COLOR_BTNHIGHLIGHT = 20;
constexpr int COLOR_HIGHLIGHT = 13;
constexpr int COLOR_HIGHLIGHTTEXT = 14;

enum class CursorShape { Arrow, Wait };

// File dialog flags.
constexpr UINT OFN_OVERWRITEPROMPT = 0x0002;
constexpr UINT OFN_HIDEREADONLY = 0x0004;
constexpr UINT OFN_PATHMUSTEXIST = 0x0800;
constexpr UINT OFN_FILEMUSTEXIST = 0x1000;

struct FileDialogRequest {
    bool save = false;
    // Callers that do not say get the careful dialog: asked before a file is
    // overwritten, and only into a folder that exists.
    UINT flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
    HWND owner = nullptr;     // the dialog stays above this window
    CString title;
    // "Description|*.ext;*.ex2|Other|*.oth||" as the programs write it.
    CString filter;
    int filterIndex = 1;      // 1-based; the chosen one on return
    CString defaultExt;
    CString initialDir;
    CString fileName;         // suggested name in, chosen path out
    // A button beside the file name (no caption: none). A press runs
    // onExtraButton with the dialog still open, the name as typed kept.
    CString extraButton;
    std::function<void()> onExtraButton;
    // Asked about each name the user confirms, after the flags' own checks:
    // a text refuses the name (the user is shown it and the dialog stays
    // open for another), an empty one takes it.
    std::function<CString(const char* path)> validate;
};

class UiService {
public:
    virtual ~UiService() = default;

    // Modal: timers and posted messages keep running while the box is up.
    virtual int MessageBox(HWND owner, const char* text, const char* caption, UINT type,
                           UINT helpId) = 0;
    virtual int OpenMessageBoxes() const = 0;
    // Presses the default button of the innermost open box; FALSE without one.
    virtual BOOL PressDefaultButton() = 0;

    // Runs a program dialog modally; returns how it ended (IDOK, IDCANCEL, ...).
    virtual int RunDialog(CDialog& dialog) = 0;

    // TRUE with request.fileName set when the user chose a file.
    virtual BOOL GetFileName(FileDialogRequest& request) = 0;

    virtual BOOL PlaySound(const char* path, UINT flags) = 0;
    virtual BOOL Beep(UINT type) = 0;

    // A packed device-independent bitmap: BITMAPINFOHEADER, colours, pixels.
    virtual BOOL SetClipboardDib(const void* dib, size_t size) = 0;
    virtual BOOL GetClipboardDib(std::vector<BYTE>& dib) = 0;
    virtual BOOL SetClipboardText(const char* text) = 0;
    virtual BOOL EmptyClipboard() = 0;
    // Adds `size` bytes under the MIME type `mime` beside what this program put
    // on the clipboard last (a picture from SetClipboardDib stays), so that
    // other programs find every form at once: one pastes the picture, another
    // the movie it came from. Data of the same type is replaced. Once another
    // program has taken the clipboard, the bytes go on a clipboard of their own.
    virtual BOOL SetClipboardData(const char* mime, const void* data, size_t size) = 0;
    // FALSE when the clipboard holds nothing under `mime`.
    virtual BOOL GetClipboardData(const char* mime, std::vector<BYTE>& data) = 0;

    virtual BOOL ShowHelp(const char* file, UINT command, DWORD_PTR data) = 0;

    virtual void SetCursorShape(CursorShape shape) = 0;
    virtual CursorShape GetCursorShape() const = 0;
    virtual void CaptureMouse(HWND hwnd) = 0;     // null releases
    virtual HWND MouseCapture() const = 0;
    virtual void ClipCursor(const RECT* rect) = 0; // null frees the cursor
    virtual CPoint CursorPos() const = 0;

    virtual CSize ScreenSize() const = 0;
    virtual COLORREF SysColor(int index) const = 0;

    // Shows `menu` as a pop-up at a screen point until the user chooses an
    // item (its command id is returned) or closes it (0).
    virtual UINT TrackPopupMenu(const CMenu& menu, CPoint screen, HWND owner) = 0;
};

// The installed service; without one, a service over Qt (headless answers when
// no Qt application runs). Null restores that default.
UiService& Ui();
void SetUi(UiService* ui);

// The framework's message box with text from the caller or the string table.
int AfxMessageBox(const char* text, UINT type = MB_OK, UINT helpId = 0);
int AfxMessageBox(UINT stringId, UINT type = MB_OK, UINT helpId = UINT(-1));
BOOL sndPlaySound(const char* path, UINT flags);
BOOL MessageBeep(UINT type);
BOOL WinHelp(HWND hwnd, const char* file, UINT command, DWORD_PTR data);
COLORREF GetSysColor(int index);

constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr int SM_CYCAPTION = 4;
constexpr int SM_CYMENU = 15;
int GetSystemMetrics(int index);

// Why a file dialog may not take `path` under the request's flags or its
// validator (the text the user is shown), or empty when it may.
CString FileDialogRefusal(const FileDialogRequest& request, const char* path);

// Converts "Text|*.a;*.b|..." into Qt's "Text (*.a *.b);;..." form.
CString QtFilterFromWindowsFilter(const char* filter);

// The wait cursor for as long as the object lives; the shape before comes back.
class CWaitCursor {
public:
    CWaitCursor() : m_old(Ui().GetCursorShape()) { Ui().SetCursorShape(CursorShape::Wait); }
    ~CWaitCursor() { Ui().SetCursorShape(m_old); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

private:
    CursorShape m_old;
};
