#include "framework/TestUiService.h"

#include "framework/Dialog.h"
#include "framework/Menu.h"
#include "framework/Messages.h"

int TestUiService::MessageBox(HWND, const char* text, const char* caption, UINT type, UINT helpId)
{
    ShownBox box{text, caption, type, helpId, 0, false};
    int answer = DefaultButtonResult(type);
    if (!m_boxAnswers.empty()) {
        answer = m_boxAnswers.front();
        m_boxAnswers.pop_front();
    }
    ++m_open;
    m_pressed.push_back(false);
    const size_t mine = m_pressed.size() - 1;
    if (onMessageBox)
        onMessageBox(box);
    if (answer == kStayOpen) {
        RunModalLoop([&] { return bool(m_pressed[mine]); });
        box.closedByProgram = m_pressed[mine];
        answer = DefaultButtonResult(type);
    }
    m_pressed.pop_back();
    --m_open;
    box.result = answer;
    boxes.push_back(box);
    return answer;
}

BOOL TestUiService::PressDefaultButton()
{
    if (m_pressed.empty())
        return FALSE;
    m_pressed.back() = true;
    return TRUE;
}

int TestUiService::RunDialog(CDialog& dialog)
{
    dialogs.push_back(dialog.GetTemplateId());
    dialog.BeginModal();
    if (m_dialogAnswers.empty())
        return IDCANCEL;
    auto answer = std::move(m_dialogAnswers.front());
    m_dialogAnswers.pop_front();
    const int result = answer(dialog);
    if (result != kStayOpen)
        return result;
    return RunModalLoop([&] { return dialog.IsEnded(); }) ? dialog.GetResult() : IDCANCEL;
}

void TestUiService::AnswerNextFileDialog(std::optional<CString> path)
{
    std::vector<FileDialogStep> steps;
    if (path)
        steps.push_back(ConfirmName(*path));
    m_fileAnswers.push_back(std::move(steps));
}

BOOL TestUiService::GetFileName(FileDialogRequest& request)
{
    fileDialogs.push_back(request);
    if (m_fileAnswers.empty())
        return FALSE;
    const std::vector<FileDialogStep> steps = std::move(m_fileAnswers.front());
    m_fileAnswers.pop_front();
    for (const FileDialogStep& step : steps) {
        if (step.pressExtraButton) {
            if (!request.extraButton.IsEmpty() && request.onExtraButton) {
                ++extraButtonPresses;
                request.onExtraButton();
            }
            continue;
        }
        const CString refusal = request.validate ? request.validate(step.name) : CString();
        if (!refusal.IsEmpty()) {
            fileRefusals.push_back(refusal);
            continue;
        }
        request.fileName = step.name;
        return TRUE;
    }
    return FALSE;
}

BOOL TestUiService::PlaySound(const char* path, UINT)
{
    sounds.push_back(path ? path : "");
    return soundsAvailable ? TRUE : FALSE;
}

BOOL TestUiService::Beep(UINT type)
{
    beeps.push_back(type);
    return TRUE;
}

BOOL TestUiService::SetClipboardDib(const void* dib, size_t size)
{
    if (!dib || size < sizeof(BITMAPINFOHEADER))
        return FALSE;
    auto bytes = static_cast<const BYTE*>(dib);
    clipboardDib.assign(bytes, bytes + size);
    clipboardText.Empty();
    clipboardData.clear();
    return TRUE;
}

BOOL TestUiService::GetClipboardDib(std::vector<BYTE>& dib)
{
    if (clipboardDib.empty())
        return FALSE;
    dib = clipboardDib;
    return TRUE;
}

BOOL TestUiService::SetClipboardText(const char* text)
{
    clipboardDib.clear();
    clipboardData.clear();
    clipboardText = text;
    return TRUE;
}

BOOL TestUiService::EmptyClipboard()
{
    clipboardDib.clear();
    clipboardText.Empty();
    clipboardData.clear();
    return TRUE;
}

BOOL TestUiService::SetClipboardData(const char* mime, const void* data, size_t size)
{
    if (!mime || !*mime || (!data && size > 0))
        return FALSE;
    auto bytes = static_cast<const BYTE*>(data);
    clipboardData[mime].assign(bytes, bytes + size);
    return TRUE;
}

BOOL TestUiService::GetClipboardData(const char* mime, std::vector<BYTE>& data)
{
    auto found = mime ? clipboardData.find(mime) : clipboardData.end();
    if (found == clipboardData.end())
        return FALSE;
    data = found->second;
    return TRUE;
}

BOOL TestUiService::ShowHelp(const char* file, UINT command, DWORD_PTR data)
{
    helpCalls.push_back(HelpCall{file, command, data});
    return TRUE;
}

void TestUiService::ClipCursor(const RECT* rect)
{
    if (rect)
        cursorClip = CRect(*rect);
    else
        cursorClip.reset();
}

COLORREF TestUiService::SysColor(int index) const
{
    auto it = colours.find(index);
    return it != colours.end() ? it->second : RGB(0xC0, 0xC0, 0xC0);
}

namespace {

void ListItems(const CMenu& menu, int depth, std::vector<TestUiService::ShownPopupItem>& out)
{
    for (const CMenu::Item& item : menu.Items()) {
        out.push_back({item.id, item.text, item.flags, depth});
        if (item.popup)
            ListItems(*item.popup, depth + 1, out);
    }
}

}  // namespace

UINT TestUiService::TrackPopupMenu(const CMenu& menu, CPoint screen, HWND owner)
{
    ShownPopup shown{screen, owner, {}, 0};
    ListItems(menu, 0, shown.items);
    UINT wanted = 0;
    if (!m_popupAnswers.empty()) {
        wanted = m_popupAnswers.front();
        m_popupAnswers.pop_front();
    }
    for (const ShownPopupItem& item : shown.items)
        if (wanted && item.id == wanted && !(item.flags & (MF_POPUP | MF_SEPARATOR | MF_GRAYED | MF_DISABLED)))
            shown.chosen = wanted;
    popups.push_back(shown);
    return shown.chosen;
}
