#include "snapvo_test_util.h"

#include "About.h"
#include "Settings.h"
#include "framework/Keys.h"
#include "framework/StringTable.h"
#include "resource.h"

using namespace snapvo_test;

namespace {

CString FirstFileItem(CSnapvoView* view)
{
    CMenu* file = view->GetParentFrame()->GetMenu().GetSubMenu(0);
    CString text;
    file->GetMenuString(0, text, MF_BYPOSITION);
    return text;
}

UINT FirstFileId(CSnapvoView* view) { return view->GetParentFrame()->GetMenu().GetSubMenu(0)->GetMenuItemID(0); }

bool MenuHas(CMenu& menu, UINT id)
{
    CString text;
    return menu.GetMenuString(id, text, MF_BYCOMMAND) > 0;
}

TEST_F(SnapvoFixture, FirstStartWithAnEmptyStorePlacesEveryWindowByDefault)
{
    ASSERT_TRUE(Start());
    CRect frame;
    Frame()->GetWindowRect(&frame);
    EXPECT_EQ(frame.TopLeft(), CPoint(5, 5));
    EXPECT_EQ(Frame()->NormalRect(), CRect(5, 5, (1024 - 350) / 2 + 350, (768 - 550) / 2 + 450));
    EXPECT_TRUE(Frame()->IsWindowVisible());
    EXPECT_EQ(Frame()->GetStyle() & 0x00FF0000u, 0x00CB0000u);

    CRect viewer;
    View()->Viewer().GetWindowRect(&viewer);
    EXPECT_TRUE(View()->Viewer().IsWindowVisible());
    EXPECT_EQ(viewer.left, 1024 - viewer.Width() - 10);
    EXPECT_EQ(viewer.top, 10);

    CWnd* roll = CWnd::FindWindow("Film Roll");
    ASSERT_NE(roll, nullptr);
    CRect rollRect, client;
    roll->GetWindowRect(&rollRect);
    View()->GetClientRect(&client);
    EXPECT_EQ(View()->m_modes.destination, kDestFilmroll);
    EXPECT_EQ(Frame()->StatusText(), "Ready");
    EXPECT_EQ(Frame()->StatusBar().GetPaneText(0), "Ready");
    EXPECT_NE(View()->Camera(), nullptr);
    EXPECT_TRUE(View()->TakePictureButton().IsWindowVisible());
    EXPECT_EQ(View()->TakePictureButton().GetWindowText(), "&Take Picture");
    EXPECT_EQ(View()->TakePictureButton().GetDlgCtrlID(), 1418);

    // Both companion windows are reachable from the View menu.
    CMenu* viewMenu = Frame()->GetMenu().GetSubMenu(1);
    EXPECT_TRUE(MenuHas(*viewMenu, ID_GOTO_VIEWER));
    EXPECT_TRUE(MenuHas(*viewMenu, ID_GOTO_FILMROLL));
    CString max;
    Frame()->GetSystemMenu().GetMenuString(SC_MAXIMIZE, max, MF_BYCOMMAND);
    EXPECT_EQ(max, "&Maximize");
    EXPECT_TRUE(ui->boxes.empty());
}

TEST_F(SnapvoFixture, PlacementComesBackUnlessItIsOffTheTopOrLeft)
{
    ASSERT_TRUE(Start());
    Frame()->MoveWindow(30, 40, 500, 420);
    Close();
    snapvo::ResetSettingsForTest();
    ASSERT_TRUE(Start());
    EXPECT_EQ(Frame()->NormalRect(), CRect(30, 40, 530, 460));
    Frame()->MoveWindow(-20, 40, 500, 420);
    Close();
    snapvo::ResetSettingsForTest();
    ASSERT_TRUE(Start());
    EXPECT_EQ(Frame()->NormalRect(), CMainFrame::DefaultRect(CSize(1024, 768)));
}

TEST_F(SnapvoFixture, WithoutTheMailLibraryTheMailDestinationIsGone)
{
    snapvo::GeneralSettings().destination = kDestMail;
    ASSERT_TRUE(Start());
    EXPECT_EQ(Frame()->ToolBar().GetCount(), 7);
    EXPECT_EQ(Frame()->ToolBar().GetBitmapId(), 2u);
    const std::vector<UINT> expected{ID_SEND_FILMROLL, ID_SEND_FILE, ID_SEND_CLIPBOARD, 0, 0, ID_CAMERA_ADJUSTMENTS,
                                     ID_IMAGE_SIZE};
    EXPECT_EQ(Frame()->ToolBar().Buttons(), expected);
    CMenu* sendTo = Frame()->GetMenu().GetSubMenu(0)->GetSubMenu(1);
    ASSERT_NE(sendTo, nullptr);
    EXPECT_EQ(sendTo->GetMenuItemCount(), 3);
    EXPECT_EQ(View()->m_modes.destination, kDestFile);
    EXPECT_FALSE(View()->QueryCommand(ID_SEND_MAIL).IsEnabled());
    EXPECT_EQ(Frame()->ToolBar().GetBarStyle() & (CBRS_TOOLTIPS | CBRS_FLYBY), CBRS_TOOLTIPS | CBRS_FLYBY);
}

TEST_F(SnapvoFixture, WithTheMailLibraryTheToolBarHasEightEntries)
{
    ASSERT_TRUE(Start(AOLXFER_PATH));
    EXPECT_EQ(Frame()->ToolBar().GetCount(), 8);
    EXPECT_EQ(Frame()->ToolBar().GetBitmapId(), 220u);
    EXPECT_EQ(Frame()->ToolBar().GetItemID(3), ID_SEND_MAIL);
    EXPECT_EQ(Frame()->GetMenu().GetSubMenu(0)->GetSubMenu(1)->GetMenuItemCount(), 4);
    EXPECT_TRUE(View()->QueryCommand(ID_SEND_MAIL).IsEnabled());
}

TEST_F(SnapvoFixture, EachFolderHasItsOwnSettingsKey)
{
    ASSERT_TRUE(Start());
    const CString firstKey = Frame()->ChosenTable()->GetPath();
    EXPECT_EQ(firstKey, CString(folder.Path().string().c_str()) + "\\snapvo32.INI");
    ASSERT_TRUE(Frame()->ExecuteCommand(ID_SEND_CLIPBOARD));
    EXPECT_EQ(View()->m_modes.destination, kDestClipboard);
    Close();
    {
        WorkingFolder other("snapvo-other");
        snapvo::ResetSettingsForTest();
        ASSERT_TRUE(Start());
        EXPECT_NE(Frame()->ChosenTable()->GetPath(), firstKey);
        EXPECT_EQ(View()->m_modes.destination, kDestFilmroll);
        Close();
    }
    std::filesystem::current_path(folder.Path());
    snapvo::ResetSettingsForTest();
    ASSERT_TRUE(Start());
    EXPECT_EQ(View()->m_modes.destination, kDestClipboard);
}

struct LabelCase {
    WORD exposure, multi, shutter, destination;
    BOOL selfTimer;
    const char* label;
    UINT id;
};

TEST_F(SnapvoFixture, TheFirstFileItemAndTheButtonFollowTheModes)
{
    ASSERT_TRUE(Start());
    const LabelCase cases[] = {
        {kExposureAuto, kMultiOne, kShutterNormal, kDestFile, FALSE, "&Start Capture", ID_START_CAPTURE},
        {kExposureAuto, kMultiOne, kShutterTimed, kDestFile, TRUE, "&Start Capture", ID_START_CAPTURE},
        {kExposureSingle, kMultiOne, kShutterNormal, kDestFile, TRUE, "&Take Picture", ID_START_SELF_TIMER},
        {kExposureAuto, kMultiThree, kShutterNormal, kDestFilmroll, TRUE, "&Take Picture", ID_START_SELF_TIMER},
        {kExposureSingle, kMultiOne, kShutterBulb, kDestFile, FALSE, "&Open Shutter", ID_OPEN_SHUTTER},
        {kExposureSingle, kMultiFive, kShutterTimed, kDestFilmroll, TRUE, "&Open Shutter", ID_OPEN_SHUTTER},
        {kExposureSingle, kMultiThree, kShutterNormal, kDestFilmroll, FALSE, "&Take Pictures", ID_TAKE_PICTURE},
        {kExposureSingle, kMultiThree, kShutterNormal, kDestFile, FALSE, "&Take Picture", ID_TAKE_PICTURE},
        {kExposureSingle, kMultiOne, kShutterNormal, kDestClipboard, FALSE, "&Take Picture", ID_TAKE_PICTURE},
    };
    for (const LabelCase& c : cases) {
        SCOPED_TRACE(c.label);
        View()->m_modes.exposureMode = c.exposure;
        View()->m_modes.multiExposureMode = c.multi;
        View()->m_modes.shutterMode = c.shutter;
        View()->m_modes.destination = c.destination;
        View()->m_modes.selfTimerOn = c.selfTimer;
        View()->RefreshTakePicture();
        EXPECT_EQ(FirstFileItem(View()), CString(c.label) + "\tSPACE");
        EXPECT_EQ(FirstFileId(View()), c.id);
        EXPECT_EQ(View()->TakePictureButton().GetWindowText(), c.label);
        // Exactly one picture command is in the menu.
        int present = 0;
        for (UINT id : {ID_TAKE_PICTURE, ID_START_SELF_TIMER, ID_STOP_SELF_TIMER, ID_OPEN_SHUTTER, ID_CLOSE_SHUTTER,
                        ID_START_CAPTURE, ID_STOP_CAPTURE})
            present += MenuHas(*Frame()->GetMenu().GetSubMenu(0), id);
        EXPECT_EQ(present, 1);
    }
}

TEST_F(SnapvoFixture, RunningAndOpenStatesTurnTheCommandsAround)
{
    ASSERT_TRUE(Start());
    CSnapvoView* view = View();
    view->m_modes.exposureMode = kExposureAuto;
    view->m_modes.destination = kDestFile;
    ASSERT_TRUE(view->ExecuteCommand(ID_START_CAPTURE));
    EXPECT_TRUE(view->IsStepTimerRunning());
    EXPECT_EQ(FirstFileId(view), ID_STOP_CAPTURE);
    EXPECT_EQ(view->TakePictureButton().GetWindowText(), "&Stop Capture");
    view->OnTakePictureButton();   // the button runs what it shows
    EXPECT_FALSE(view->IsStepTimerRunning());
    EXPECT_EQ(FirstFileId(view), ID_START_CAPTURE);

    view->m_modes.exposureMode = kExposureSingle;
    view->m_modes.selfTimerOn = TRUE;
    view->m_modes.selfTimerSeconds = 10;
    ASSERT_TRUE(view->ExecuteCommand(ID_START_SELF_TIMER));
    EXPECT_EQ(FirstFileId(view), ID_STOP_SELF_TIMER);
    EXPECT_TRUE(view->SelfTimerDisplay().IsShown());
    view->Advance(csStop);
    EXPECT_FALSE(view->SelfTimerDisplay().IsShown());

    view->m_modes.selfTimerOn = FALSE;
    view->m_modes.shutterMode = kShutterBulb;
    ASSERT_TRUE(view->ExecuteCommand(ID_OPEN_SHUTTER));
    EXPECT_TRUE(view->Camera()->IsExposing());
    EXPECT_FALSE(view->TakePictureButton().IsWindowEnabled());
    EXPECT_EQ(FirstFileId(view), ID_CLOSE_SHUTTER);
    EXPECT_EQ(FirstFileItem(view), "&Close Shutter\tSPACE");
}

struct SpaceCase {
    const char* mode;
    WORD exposure, shutter;
    BOOL selfTimer;
    // After the first SPACE:
    int pictures;
    bool countdown, autoWait, exposing;
    // After a second SPACE, which runs whatever the first item now shows:
    int picturesAfterSecond;
};

TEST_F(SnapvoFixture, SpaceRunsWhicheverPictureCommandIsShown)
{
    ASSERT_TRUE(Start());
    const SpaceCase cases[] = {
        {"plain", kExposureSingle, kShutterNormal, FALSE, 1, false, false, false, 2},
        {"self timer", kExposureSingle, kShutterNormal, TRUE, 0, true, false, false, 1},
        {"auto capture", kExposureAuto, kShutterNormal, FALSE, 0, false, true, false, 0},
        {"bulb", kExposureSingle, kShutterBulb, FALSE, 0, false, false, true, 1},
        // The second press closes the open shutter early: the picture, no restart.
        {"timed", kExposureSingle, kShutterTimed, FALSE, 0, false, false, true, 1},
    };
    int taken = 0;
    for (const SpaceCase& c : cases) {
        SCOPED_TRACE(c.mode);
        CSnapvoView* view = View();
        view->m_modes.exposureMode = c.exposure;
        view->m_modes.shutterMode = c.shutter;
        view->m_modes.selfTimerOn = c.selfTimer;
        view->m_modes.selfTimerSeconds = 10;
        view->m_modes.timedExposureSeconds = 60;
        view->m_modes.destination = c.exposure == kExposureAuto ? kDestFile : kDestFilmroll;
        view->RefreshTakePicture();
        MSG space{Frame()->m_hWnd, WM_KEYDOWN, VK_SPACE, 1, 0};
        SetModifierState(false, false, false);
        EXPECT_TRUE(app->PreTranslateMessage(&space));
        EXPECT_EQ(RollEntries() - taken, c.pictures);
        EXPECT_EQ(view->SelfTimerDisplay().IsShown(), c.countdown);
        EXPECT_EQ(view->AutoCaptureDisplay().IsShown(), c.autoWait);
        EXPECT_EQ(bool(view->Camera()->IsExposing()), c.exposing);
        EXPECT_FALSE(std::filesystem::exists(folder.Path() / "latest.bmp"));
        EXPECT_TRUE(app->PreTranslateMessage(&space));
        EXPECT_EQ(RollEntries() - taken, c.picturesAfterSecond);
        taken = RollEntries();
        view->Advance(csStop);
    }
    EXPECT_TRUE(ui->boxes.empty());
}

TEST_F(SnapvoFixture, ClickingTheButtonRunsWhatItShows)
{
    ASSERT_TRUE(Start());
    View()->TakePictureButton().Click();
    EXPECT_EQ(RollEntries(), 1);
    View()->m_modes.selfTimerOn = TRUE;
    View()->m_modes.selfTimerSeconds = 10;
    View()->RefreshTakePicture();
    View()->TakePictureButton().Click();
    EXPECT_TRUE(View()->SelfTimerDisplay().IsShown());
    EXPECT_EQ(RollEntries(), 1);
}

TEST_F(SnapvoFixture, WithoutACameraTheProgramRunsAndPictureCommandsAreOff)
{
    capture::DriverCatalog::Install({});
    ASSERT_TRUE(Start());
    ASSERT_EQ(ui->boxes.size(), 1u);
    EXPECT_EQ(ui->boxes[0].text, LoadStringText(IDS_NO_CAMERA));
    EXPECT_EQ(View()->Camera(), nullptr);
    EXPECT_FALSE(View()->QueryCommand(ID_TAKE_PICTURE).IsEnabled());
    EXPECT_FALSE(Frame()->QueryCommand(ID_TAKE_PICTURE).IsEnabled());
    CRect client;
    View()->GetClientRect(&client);
    const CRect empty = View()->EmptyPictureRect();
    EXPECT_EQ(empty.Size(), CSize(168, 128));
    EXPECT_EQ(empty.left, (client.Width() - 160) / 2 - 4);
    // Closing without a camera still saves and deletes what it must.
    Close();
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "temp999.bmp"));
}

TEST_F(SnapvoFixture, FrameBarsHelpAboutAndTheLimitsOfItsSize)
{
    ASSERT_TRUE(Start());
    EXPECT_EQ(Frame()->QueryCommand(ID_VIEW_STATUS_BAR).GetText(), "Hide &Status Bar");
    ASSERT_TRUE(Frame()->ExecuteCommand(ID_VIEW_STATUS_BAR));
    EXPECT_FALSE(Frame()->StatusBar().IsWindowVisible());
    EXPECT_EQ(Frame()->QueryCommand(ID_VIEW_STATUS_BAR).GetText(), "Show &Status Bar");
    ASSERT_TRUE(Frame()->ExecuteCommand(ID_VIEW_TOOLBAR));
    EXPECT_EQ(Frame()->QueryCommand(ID_VIEW_TOOLBAR).GetText(), "Show &Toolbar");

    // The idle prompt shows the last status text instead of "Ready".
    Frame()->SetStatusText("Last Picture sent to Disk");
    Frame()->SetMessageText("Opens the viewer");
    Frame()->SetMessageText(AFX_IDS_IDLEMESSAGE);
    EXPECT_EQ(Frame()->StatusBar().GetPaneText(0), "Last Picture sent to Disk");

    const MINMAXINFO info = Frame()->QueryMinMaxInfo();
    EXPECT_EQ(info.ptMaxSize.x, 1224);
    EXPECT_EQ(info.ptMaxSize.y, 1224);
    EXPECT_EQ(info.ptMaxTrackSize.y, 1224);

    ASSERT_TRUE(Frame()->ExecuteCommand(ID_HELP_CONTENTS));
    ASSERT_EQ(ui->helpCalls.size(), 1u);
    EXPECT_EQ(ui->helpCalls[0].file, "snapvo.hlp");
    EXPECT_EQ(ui->helpCalls[0].command, HELP_CONTENTS);

    CString version;
    int weight = 0;
    ui->AnswerNextDialog([&](CDialog& d) {
        version = static_cast<CAboutDlg&>(d).VersionLine();
        weight = static_cast<CAboutDlg&>(d).FontWeight();
        return IDOK;
    });
    ASSERT_TRUE(Frame()->ExecuteCommand(ID_APP_ABOUT));
    EXPECT_EQ(ui->dialogs, std::vector<UINT>{100});
    EXPECT_EQ(version, "Version 2.0");
    EXPECT_EQ(weight, 400);
}

TEST_F(SnapvoFixture, IdleRefreshesTheLivePictureWhileTheProgramIsActive)
{
    ASSERT_TRUE(Start());
    const int before = QuietableCamera::grabs;
    app->RunPendingAndIdle(3);
    EXPECT_GT(QuietableCamera::grabs, before);
    // Another program's window is active: no refresh.
    CWnd other;
    other.Create(nullptr, "Other", 0, CRect(0, 0, 10, 10));
    other.SetActiveWindow();
    clock->Advance(100);
    const int idle = QuietableCamera::grabs;
    app->RunPendingAndIdle(3);
    EXPECT_EQ(QuietableCamera::grabs, idle);

    // Back in front: refreshing again, unless the view has suspended it or
    // an open shutter holds the picture.
    Frame()->SetActiveWindow();
    View()->SuspendRefresh(TRUE);
    View()->SuspendRefresh(TRUE);
    View()->SuspendRefresh(FALSE);
    clock->Advance(100);
    const int suspended = QuietableCamera::grabs;
    app->RunPendingAndIdle(3);
    EXPECT_EQ(QuietableCamera::grabs, suspended);
    View()->SuspendRefresh(FALSE);
    View()->m_modes.shutterMode = kShutterBulb;
    ASSERT_TRUE(View()->ExecuteCommand(ID_OPEN_SHUTTER));
    ASSERT_TRUE(View()->Camera()->IsExposing());
    clock->Advance(100);
    const int open = QuietableCamera::grabs;
    app->RunPendingAndIdle(3);
    EXPECT_EQ(QuietableCamera::grabs, open);
    ASSERT_TRUE(View()->ExecuteCommand(ID_CLOSE_SHUTTER));
    clock->Advance(100);
    const int closed = QuietableCamera::grabs;
    app->RunPendingAndIdle(3);
    EXPECT_GT(QuietableCamera::grabs, closed);
}

TEST_F(SnapvoFixture, ActivatingTheFrameTellsTheViewerItsColoursMayHaveChanged)
{
    ASSERT_TRUE(Start());
    CWnd other;
    other.Create(nullptr, "Other", 0, CRect(0, 0, 10, 10));
    other.SetActiveWindow();
    ResetMessageQueue();
    Frame()->SetActiveWindow();
    MSG msg{};
    ASSERT_TRUE(PeekMessage(&msg, View()->Viewer().m_hWnd, WM_PALETTECHANGED, WM_PALETTECHANGED, PM_REMOVE));
    EXPECT_EQ(msg.wParam, WPARAM(reinterpret_cast<uintptr_t>(Frame()->m_hWnd)));
    // Losing the front posts it too; the viewer takes it quietly.
    other.SetActiveWindow();
    EXPECT_TRUE(PeekMessage(&msg, View()->Viewer().m_hWnd, WM_PALETTECHANGED, WM_PALETTECHANGED, PM_NOREMOVE));
    app->RunPendingAndIdle(1);
    EXPECT_FALSE(PeekMessage(&msg, View()->Viewer().m_hWnd, WM_PALETTECHANGED, WM_PALETTECHANGED, PM_NOREMOVE));
}

TEST_F(SnapvoFixture, CompanionWindowItemsComeAndGoWithTheirWindows)
{
    ASSERT_TRUE(Start());
    CMenu* viewMenu = Frame()->GetMenu().GetSubMenu(1);
    ASSERT_TRUE(Frame()->ExecuteCommand(ID_SHOW_VIEWER));   // hides it
    EXPECT_FALSE(View()->Viewer().IsWindowVisible());
    viewMenu->UpdateCommands(*Frame());
    EXPECT_FALSE(MenuHas(*viewMenu, ID_GOTO_VIEWER));
    EXPECT_TRUE(MenuHas(*viewMenu, ID_GOTO_FILMROLL));

    // Ctrl+F in the film roll closes it; its item goes at the next refresh.
    CWnd* roll = CWnd::FindWindow("Film Roll");
    ASSERT_NE(roll, nullptr);
    ASSERT_EQ(View()->FilmrollWindow(), roll->m_hWnd);
    SetModifierState(true, false, false);
    MSG ctrlF{roll->m_hWnd, WM_KEYDOWN, 'F', 1, 0};
    EXPECT_TRUE(app->PreTranslateMessage(&ctrlF));
    SetModifierState(false, false, false);
    EXPECT_EQ(CWnd::FindWindow("Film Roll"), nullptr);
    viewMenu->UpdateCommands(*Frame());
    EXPECT_FALSE(MenuHas(*viewMenu, ID_GOTO_FILMROLL));
    EXPECT_EQ(Frame()->QueryCommand(ID_SHOW_FILMROLL).GetText(), "Show Film &Roll");

    // Closing writes the windows' state: viewer closed by the user, roll shut.
    Close();
    EXPECT_EQ(int(snapvo::GeneralSettings().showViewer), 0);
}

TEST_F(SnapvoFixture, AScreenSizedPictureFillsTheScreenAndHidesTheCompanions)
{
    ASSERT_TRUE(Start());
    Frame()->MoveWindow(30, 40, 500, 420);
    SetCameraBits(24, 1024, 768);
    ui->AnswerNextDialog([](CDialog& d) {
        static_cast<CFullScreenDlg&>(d).m_bDontShow = TRUE;
        return IDOK;
    });
    View()->UpdateFullScreen();
    EXPECT_TRUE(Frame()->IsFullScreen());
    EXPECT_EQ(ui->dialogs, std::vector<UINT>{175});
    EXPECT_EQ(int(snapvo::WindowSettings().showFullScreenPrompt), 0);
    EXPECT_EQ(CRect(snapvo::WindowSettings().placement), CRect(30, 40, 530, 460));
    EXPECT_FALSE(Frame()->StatusBar().IsShown());
    EXPECT_FALSE(View()->Viewer().IsWindowVisible());
    EXPECT_EQ(CWnd::FindWindow("Film Roll"), nullptr);
    for (UINT id : {ID_SHOW_VIEWER, ID_SHOW_FILMROLL, ID_VIEW_STATUS_BAR})
        EXPECT_FALSE(Frame()->QueryCommand(id).IsEnabled()) << id;
    // The picture starts at the screen's top; the caption comes down near it.
    CRect picture;
    View()->Camera()->GetWindowRect(&picture);
    EXPECT_EQ(picture.top, 0);
    EXPECT_EQ(picture.Size(), CSize(1024, 768));
    View()->CCaptureWndUserOnMouseMove(0, CPoint(300, 5));
    EXPECT_TRUE(Frame()->CaptionShown());
    CRect frame;
    Frame()->GetWindowRect(&frame);
    EXPECT_EQ(frame.top, 0);
    View()->CCaptureWndUserOnMouseMove(0, CPoint(300, 400));
    EXPECT_FALSE(Frame()->CaptionShown());
    // Suspended, the frame stays where it is.
    View()->SuspendRefresh(TRUE);
    View()->CCaptureWndUserOnMouseMove(0, CPoint(300, 5));
    EXPECT_FALSE(Frame()->CaptionShown());
    View()->SuspendRefresh(FALSE);

    SetCameraBits(24, 320, 240);
    View()->UpdateFullScreen();
    EXPECT_FALSE(Frame()->IsFullScreen());
    EXPECT_TRUE(Frame()->StatusBar().IsShown());
    Frame()->GetWindowRect(&frame);
    EXPECT_EQ(frame, CRect(30, 40, 530, 460));
    EXPECT_TRUE(View()->Viewer().IsWindowVisible());
    EXPECT_NE(CWnd::FindWindow("Film Roll"), nullptr);
    EXPECT_TRUE(Frame()->QueryCommand(ID_SHOW_VIEWER).IsEnabled());
    // No second warning once the user asked for none.
    SetCameraBits(24, 1024, 768);
    View()->UpdateFullScreen();
    EXPECT_EQ(ui->dialogs.size(), 1u);
}

}  // namespace

// film.ini that cannot be written is said, where the program saves the roll:
// hiding the film roll and closing the program; a closed roll says nothing.
TEST_F(SnapvoFixture, AFilmListThatCannotBeWrittenIsReported)
{
    ASSERT_TRUE(Start());
    ASSERT_NE(View()->FilmrollWindow(), nullptr);
    // A folder where the list belongs: no file can replace it.
    std::filesystem::create_directories(folder.Path() / "film" / "film.ini");
    ASSERT_TRUE(Frame()->ExecuteCommand(ID_SHOW_FILMROLL));   // hides it, saving first
    ASSERT_EQ(ui->boxes.size(), 1u);
    EXPECT_EQ(ui->boxes[0].text, CSnapvoView::kFilmrollNotSavedText);

    ASSERT_TRUE(Frame()->ExecuteCommand(ID_SHOW_FILMROLL));   // shows it again
    Close();
    ASSERT_EQ(ui->boxes.size(), 2u);
    EXPECT_EQ(ui->boxes[1].text, CSnapvoView::kFilmrollNotSavedText);
}

TEST_F(SnapvoFixture, AWrittenFilmListSaysNothing)
{
    ASSERT_TRUE(Start());
    ASSERT_TRUE(Frame()->ExecuteCommand(ID_SHOW_FILMROLL));
    EXPECT_TRUE(std::filesystem::is_regular_file(folder.Path() / "film" / "film.ini"));
    Close();   // the roll is closed: nothing to save, nothing to say
    EXPECT_TRUE(ui->boxes.empty());
}
