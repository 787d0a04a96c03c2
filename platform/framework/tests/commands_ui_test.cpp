#include "framework/Clock.h"
#include "framework/CmdTarget.h"
#include "framework/QtCommands.h"
#include "framework/StringTable.h"
#include "framework/TestUiService.h"
#include "framework/Trace.h"
#include "framework/WinApp.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPushButton>

namespace {

TEST(Commands, HandlersUpdateHandlersAndRoutes)
{
    CCmdTarget view, frame;
    view.AddCommandRoute(&frame);
    frame.AddCommandRoute(&view);   // a loop must not hang the search
    int ran = 0;
    frame.OnCommand(100, [&] { ++ran; });
    view.OnUpdateCommand(101, [](CCmdUI* ui) {
        ui->Enable(FALSE);
        ui->SetText("Hide &Toolbar");
        ui->SetCheck(1);
    });
    view.OnCommand(101, [&] { ran += 10; });
    view.OnCommandRange(200, 209, [&](UINT id) { ran += int(id); });

    EXPECT_TRUE(view.QueryCommand(100).IsEnabled());
    EXPECT_FALSE(view.QueryCommand(999).IsEnabled());
    CCmdUI ui = view.QueryCommand(101);
    EXPECT_FALSE(ui.IsEnabled());
    EXPECT_EQ(ui.GetText(), "Hide &Toolbar");
    EXPECT_EQ(ui.GetCheck(), 1);

    EXPECT_TRUE(view.ExecuteCommand(100));
    EXPECT_FALSE(view.ExecuteCommand(101));   // disabled commands do not run
    EXPECT_FALSE(view.ExecuteCommand(999));
    EXPECT_TRUE(view.ExecuteCommand(203));
    EXPECT_EQ(ran, 1 + 203);
}

TEST(Commands, WmCommandRunsTheCommand)
{
    CWnd w;
    w.Create(nullptr, "", 0, CRect());
    int ran = 0;
    w.OnCommand(32811, [&] { ++ran; });
    w.SendMessage(WM_COMMAND, 32811);
    EXPECT_EQ(ran, 1);
}

TEST(UiServiceTest, DefaultButtonsFollowTheBoxType)
{
    EXPECT_EQ(DefaultButtonResult(MB_OK), IDOK);
    EXPECT_EQ(DefaultButtonResult(MB_YESNO | MB_DEFBUTTON2), IDNO);
    EXPECT_EQ(DefaultButtonResult(MB_YESNOCANCEL | MB_DEFBUTTON3 | MB_ICONQUESTION), IDCANCEL);
    EXPECT_EQ(DefaultButtonResult(MB_OKCANCEL | MB_DEFBUTTON3), IDOK);   // no third button
}

TEST(UiServiceTest, TestServiceScriptsAnswersAndRecords)
{
    ScopedTestUi ui;
    ProgramStrings().Add(7605, "Lumivex not plugged in");
    ui->AnswerNextBox(IDNO);
    EXPECT_EQ(AfxMessageBox("Save?", MB_YESNO), IDNO);
    EXPECT_EQ(AfxMessageBox(7605u), IDOK);
    ASSERT_EQ(ui->boxes.size(), 2u);
    EXPECT_EQ(ui->boxes[1].text, "Lumivex not plugged in");
    EXPECT_EQ(ui->boxes[1].helpId, 7605u);

    ui->AnswerNextFileDialog(CString("/tmp/a.bmp"));
    ui->AnswerNextFileDialog(std::nullopt);
    FileDialogRequest request;
    request.save = true;
    EXPECT_TRUE(Ui().GetFileName(request));
    EXPECT_EQ(request.fileName, "/tmp/a.bmp");
    EXPECT_FALSE(Ui().GetFileName(request));
    EXPECT_EQ(ui->fileDialogs.size(), 2u);

    // A folder that does not exist is refused under "path must exist"; without
    // the flag the name is taken as typed.
    const CString missing = (std::filesystem::temp_directory_path() / "no-such-folder-here" / "a.bmp").c_str();
    EXPECT_NE(FileDialogRefusal(request, missing).Find("Path does not exist"), -1);
    EXPECT_TRUE(FileDialogRefusal(request, "/tmp/b.bmp").IsEmpty());
    EXPECT_TRUE(FileDialogRefusal(request, "b.bmp").IsEmpty());   // the current folder
    request.flags = OFN_OVERWRITEPROMPT;
    EXPECT_TRUE(FileDialogRefusal(request, missing).IsEmpty());
    FileDialogRequest open;
    open.flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    EXPECT_NE(FileDialogRefusal(open, "/tmp/surely-absent-file.avi").Find("File not found"), -1);
    EXPECT_TRUE(FileDialogRefusal(open, "/tmp").GetLength() > 0);   // a folder is no file
    open.save = true;   // a save may name a new file
    EXPECT_TRUE(FileDialogRefusal(open, "/tmp/surely-absent-file.avi").IsEmpty());

    EXPECT_TRUE(sndPlaySound("CLICK.WAV", SND_ASYNC));
    EXPECT_TRUE(WinHelp(nullptr, "snapvo.hlp", HELP_CONTEXT, 24));
    EXPECT_EQ(ui->sounds.back(), "CLICK.WAV");
    EXPECT_EQ(ui->helpCalls.back().data, 24u);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
}

void PressLater(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    Ui().PressDefaultButton();
}

TEST(UiServiceTest, ABoxLeftOpenRunsTimersUntilTheProgramClosesIt)
{
    ScopedFakeClock clock;
    ScopedTestUi ui;
    ui->AnswerNextBox(TestUiService::kStayOpen);
    SetTimer(nullptr, 0, 3000, &PressLater);
    const DWORD start = GetTickCount();
    EXPECT_EQ(AfxMessageBox("Closing soon", MB_OKCANCEL | MB_DEFBUTTON2), IDCANCEL);
    EXPECT_EQ(GetTickCount() - start, 3000u);
    EXPECT_TRUE(ui->boxes.back().closedByProgram);
    EXPECT_EQ(ui->OpenMessageBoxes(), 0);
}

TEST(UiServiceTest, ScriptedFileDialogPressesTheExtraButtonAndTriesNamesUntilOneIsTaken)
{
    ScopedTestUi ui;
    FileDialogRequest request;
    request.save = true;
    int presses = 0;
    request.onExtraButton = [&] { ++presses; };
    request.validate = [](const char* path) { return CString(path) == "no.avi" ? CString("Refused.") : CString(); };
    using Step = TestUiService;
    struct Row {
        const char* what;
        const char* caption;   // of the extra button; empty: none
        std::vector<TestUiService::FileDialogStep> steps;
        BOOL result;
        const char* chosen;
        int presses;
        size_t refusals;
    } rows[] = {
        {"refused then taken", "More", {Step::ConfirmName("no.avi"), Step::ConfirmName("yes.avi")}, TRUE, "yes.avi", 0, 1},
        {"press then taken", "More", {Step::PressExtraButton(), Step::ConfirmName("yes.avi")}, TRUE, "yes.avi", 1, 0},
        {"only refused: cancelled", "More", {Step::PressExtraButton(), Step::ConfirmName("no.avi")}, FALSE, "", 1, 1},
        {"no button to press", "", {Step::PressExtraButton(), Step::ConfirmName("yes.avi")}, TRUE, "yes.avi", 0, 0},
        {"nothing done", "More", {}, FALSE, "", 0, 0},
    };
    for (const Row& row : rows) {
        presses = 0;
        ui->fileRefusals.clear();
        ui->extraButtonPresses = 0;
        request.extraButton = row.caption;
        request.fileName = "";
        ui->ScriptNextFileDialog(row.steps);
        EXPECT_EQ(Ui().GetFileName(request), row.result) << row.what;
        if (row.result) {
            EXPECT_EQ(request.fileName, row.chosen) << row.what;
        }
        EXPECT_EQ(presses, row.presses) << row.what;
        EXPECT_EQ(ui->extraButtonPresses, row.presses) << row.what;
        EXPECT_EQ(ui->fileRefusals.size(), row.refusals) << row.what;
    }
    // The flags' checks come first, the validator after them.
    request.flags = OFN_PATHMUSTEXIST;
    EXPECT_EQ(FileDialogRefusal(request, "no.avi"), "Refused.");
    EXPECT_NE(FileDialogRefusal(request, "/no-such-folder-here/no.avi").Find("Path does not exist"), -1);
}

TEST(UiServiceTest, WindowsFiltersBecomeQtFilters)
{
    EXPECT_EQ(QtFilterFromWindowsFilter("Bitmap (*.bmp)|*.bmp|JPEG|*.jpg;*.jpeg||"),
              "Bitmap (*.bmp) (*.bmp);;JPEG (*.jpg *.jpeg)");
    EXPECT_EQ(QtFilterFromWindowsFilter(""), "");
}

CString g_traced;
void Sink(const char* text) { g_traced += text; }

TEST(TraceTest, SinkReceivesFormattedOutput)
{
    SetTraceSink(&Sink);
    AfxTrace("%s,%d", "a", 5);
    SetTraceSink(nullptr);
    EXPECT_EQ(g_traced, "a,5");
}

TEST(QtCommandsTest, ActionsAndButtonsFollowUpdateHandlers)
{
    int argc = 1;
    char name[] = "framework_test";
    char* argv[] = {name, nullptr};
    QApplication qapp(argc, argv);
    CWinApp app;
    CCmdTarget target;
    bool recording = false;
    target.OnCommand(32774, [&] { recording = !recording; });
    target.OnUpdateCommand(32774, [&](CCmdUI* ui) { ui->SetText(recording ? "STOP" : "RECORD"); });
    target.OnUpdateCommand(32776, [&](CCmdUI* ui) { ui->Enable(recording); });

    CommandBinder binder(target, &app);
    QMenu menu;
    QAction* stop = menu.addAction("&Stop");
    QPushButton button;
    binder.Bind(stop, 32776);
    binder.Bind(&button, 32774);
    binder.WatchMenu(&menu);
    EXPECT_FALSE(stop->isEnabled());
    EXPECT_EQ(button.text(), "RECORD");

    button.click();
    EXPECT_TRUE(recording);
    app.RunPendingAndIdle();
    EXPECT_TRUE(stop->isEnabled());
    EXPECT_EQ(button.text(), "STOP");
}

} // namespace

#include "framework/Dialog.h"

namespace {

struct FullScreenWarning : CDialog {
    FullScreenWarning() : CDialog(175) {}
    bool dontShowAgain = false;
    bool initialised = false;
    BOOL OnInitDialog() override
    {
        initialised = true;
        return TRUE;
    }
};

TEST(Dialogs, TheTestServiceAnswersForTheUser)
{
    ScopedTestUi ui;
    FullScreenWarning dialog;
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);   // unscripted: cancelled
    EXPECT_TRUE(dialog.initialised);
    ui->AnswerNextDialog([](CDialog& d) {
        static_cast<FullScreenWarning&>(d).dontShowAgain = true;
        d.OnOK();
        return 0;
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_TRUE(dialog.dontShowAgain);
    EXPECT_EQ(ui->dialogs, (std::vector<UINT>{175, 175}));
    EXPECT_FALSE(IsWindow(dialog.m_hWnd));
}

} // namespace
