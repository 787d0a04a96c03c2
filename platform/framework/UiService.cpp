#include "framework/UiService.h"

#include "framework/QtUiService.h"
#include "framework/StringTable.h"

#include <atomic>
#include <filesystem>

namespace {

std::atomic<UiService*> g_ui{nullptr};

UiService& DefaultUi()
{
    static QtUiService ui;
    return ui;
}

} // namespace

std::vector<int> MessageBoxButtons(UINT type)
{
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE: return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO: return {IDYES, IDNO};
    case MB_RETRYCANCEL: return {IDRETRY, IDCANCEL};
    default: return {IDOK};
    }
}

int DefaultButtonResult(UINT type)
{
    std::vector<int> buttons = MessageBoxButtons(type);
    size_t index = (type & MB_DEFMASK) >> 8;
    return index < buttons.size() ? buttons[index] : buttons.front();
}

UiService& Ui()
{
    UiService* ui = g_ui.load();
    return ui ? *ui : DefaultUi();
}

void SetUi(UiService* ui) { g_ui.store(ui); }

int AfxMessageBox(const char* text, UINT type, UINT helpId)
{
    return Ui().MessageBox(nullptr, text, AfxGetAppName(), type, helpId);
}

int AfxMessageBox(UINT stringId, UINT type, UINT helpId)
{
    CString text = LoadStringText(stringId);
    return Ui().MessageBox(nullptr, text, AfxGetAppName(), type,
                           helpId == UINT(-1) ? stringId : helpId);
}

BOOL sndPlaySound(const char* path, UINT flags) { return Ui().PlaySound(path, flags); }
BOOL MessageBeep(UINT type) { return Ui().Beep(type); }

BOOL WinHelp(HWND, const char* file, UINT command, DWORD_PTR data)
{
    return Ui().ShowHelp(file, command, data);
}

COLORREF GetSysColor(int index) { return Ui().SysColor(index); }

int GetSystemMetrics(int index)
{
    switch (index) {
    case SM_CXSCREEN: return Ui().ScreenSize().cx;
    case SM_CYSCREEN: return Ui().ScreenSize().cy;
    case SM_CYCAPTION: return 19;
    case SM_CYMENU: return 19;
    default: return 0;
    }
}

CString QtFilterFromWindowsFilter(const char* filter)
{
    CString out;
    if (!filter)
        return out;
    std::vector<CString> parts;
    CString current;
    for (const char* p = filter; *p; ++p) {
        if (*p == '|') {
            parts.push_back(current);
            current.Empty();
        } else {
            current += *p;
        }
    }
    if (!current.IsEmpty())
        parts.push_back(current);
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].IsEmpty())
            break;
        CString patterns = parts[i + 1];
        patterns.Replace(";", " ");
        if (!out.IsEmpty())
            out += ";;";
        out += parts[i] + " (" + patterns + ")";
    }
    return out;
}

CString FileDialogRefusal(const FileDialogRequest& request, const char* path)
{
    namespace fs = std::filesystem;
    if (!path || !*path)
        return CString();
    std::error_code error;
    const fs::path chosen(path);
    if ((request.flags & OFN_FILEMUSTEXIST) && !request.save && !fs::is_regular_file(chosen, error))
        return CString(path) + "\nFile not found.\nCheck the file name and try again.";
    const fs::path folder = chosen.has_parent_path() ? chosen.parent_path() : fs::current_path(error);
    if ((request.flags & (OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST)) && !fs::is_directory(folder, error))
        return CString(path) + "\nPath does not exist.\nCheck the path and try again.";
    return request.validate ? request.validate(path) : CString();
}
