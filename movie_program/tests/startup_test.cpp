#include "reelix_test_util.h"

#include "ReelixSettings.h"
#include "framework/StringTable.h"
#include "resource.h"

using namespace reelix_test;

namespace {

bool MenuHas(CMenu& menu, UINT id)
{
    CString text;
    return menu.GetMenuString(id, text, MF_BYCOMMAND) > 0;
}

TEST_F(ReelixFixture, FirstStartWithAnEmptyStoreStreamsAtTenWithSoundFromTheCamera)
{
    ASSERT_TRUE(Start());
    EXPECT_TRUE(ui->boxes.empty());
    // The first place: centred across, its top (height - 450) / 2 down.
    EXPECT_EQ(Frame()->NormalRect(), CRect(337, 159, 687, 559));
    EXPECT_EQ(Frame()->GetStyle() & 0x00FF0000u, 0x00CB0000u);
    EXPECT_EQ(Frame()->GetWindowText(), "Velmora Reelix");
    const CRecordSettings& s = View()->Recorder().Settings();
    EXPECT_EQ(s.mode, kModeStreaming);
    EXPECT_EQ(s.rate, kRateBetter);
    EXPECT_EQ(s.fps, 10);
    EXPECT_TRUE(s.audio);
    EXPECT_EQ(View()->DriverIndex(), 0);
    EXPECT_TRUE(View()->DriverConnected());
    EXPECT_EQ(View()->Function(), kFunctionRecord);
    EXPECT_TRUE(View()->RecordButton().IsWindowVisible());
    EXPECT_EQ(View()->RecordButton().GetWindowText(), "RECORD");
    EXPECT_EQ(View()->RecordButton().GetDlgCtrlID(), 1936);
    EXPECT_EQ(CWnd::GetFocus(), &View()->RecordButton());
    EXPECT_TRUE(View()->BrightnessSlider().IsWindowVisible());
    EXPECT_TRUE(View()->BrightnessTimerRunning());
    EXPECT_EQ(Frame()->StatusBar().GetPaneText(0), "Press SPACE bar to start recording");
    EXPECT_EQ(Frame()->StatusBar().GetCount(), 1);
    const std::vector<UINT> tools = {ID_FILE_OPEN,       ID_FILE_SAVE_AS,      ID_SEPARATOR, ID_EDIT_COPY,
                                     ID_SEPARATOR,       ID_FUNCTION_RECORD,   ID_FUNCTION_PLAYBACK,
                                     ID_SEPARATOR,       ID_CAMERA_ADJUSTMENTS, ID_IMAGE_SIZE};
    EXPECT_EQ(Frame()->ToolBar().Buttons(), tools);
    EXPECT_EQ(Frame()->ToolBar().GetBitmapId(), 2u);
    // The driver items are only commands now; maximise is greyed.
    for (UINT id = ID_DRIVER_FIRST; id <= ID_DRIVER_LAST; ++id)
        EXPECT_FALSE(MenuHas(Frame()->GetMenu(), id)) << id;
    EXPECT_EQ(Frame()->GetSystemMenu().GetMenuState(SC_MAXIMIZE, MF_BYCOMMAND) & MF_GRAYED, MF_GRAYED);
    EXPECT_EQ(View()->WorkspaceFile(), CString((folder.Path() / "workspac.avi").c_str()));
    EXPECT_EQ(std::filesystem::file_size(folder.Path() / "workspac.avi"), 5242880u);
}

TEST_F(ReelixFixture, AMenuPromptGivesWayToTheIdleTextNotToReady)
{
    ASSERT_TRUE(Start());
    Frame()->OnSetMessageString(ID_RATE_BEST);
    EXPECT_EQ(Frame()->StatusBar().GetPaneText(0), "Capture frames at the best rate");
    Frame()->OnSetMessageString(AFX_IDS_IDLEMESSAGE);
    EXPECT_EQ(Frame()->StatusBar().GetPaneText(0), "Press SPACE bar to start recording");
    View()->SetIdleText(IDS_RECORDING);
    Frame()->OnSetMessageString(ID_FILE_OPEN);
    Frame()->OnSetMessageString(AFX_IDS_IDLEMESSAGE);
    EXPECT_EQ(Frame()->StatusBar().GetPaneText(0), LoadStringText(IDS_RECORDING));
}

TEST_F(ReelixFixture, TheFrameFitsTheVideoAndKeepsItsCentre)
{
    ASSERT_TRUE(Start());
    CRect frame, client;
    Frame()->GetWindowRect(&frame);
    View()->GetClientRect(&client);
    CRect picture;
    CSize video;
    View()->Camera()->GetPictureRect(picture, video);
    ASSERT_GT(video.cx, 0);
    EXPECT_EQ(client.Size(), ClientSizeForVideo(video));
    EXPECT_EQ(frame.CenterPoint(), Frame()->NormalRect().CenterPoint());
}

TEST(ReelixClientSize, IsTheVideoWithItsBorderAndButtonRowNeverLessThanTheMinimum)
{
    struct Row {
        CSize video, client;
    };
    const Row rows[] = {{{320, 240}, {324, 294}}, {{160, 120}, {164, 174}}, {{80, 60}, {104, 134}},
                        {{100, 80}, {104, 134}},  {{101, 81}, {105, 135}}};
    for (const Row& row : rows)
        EXPECT_EQ(ClientSizeForVideo(row.video), row.client) << row.video.cx << "x" << row.video.cy;
}

TEST(ReelixPlacement, FallsBackToTheDefaultOnlyWhenEmptyOrOffEveryScreen)
{
    const CSize screen(1024, 768);
    const CRect fallback = CMainFrame::DefaultRect(screen);
    struct Row {
        CRect stored;
        bool kept;
    };
    const Row rows[] = {
        {CRect(30, 40, 380, 440), true},         {CRect(0, 0, 0, 0), false},
        {CRect(2000, 100, 2350, 500), false},    {CRect(-900, 100, -550, 500), false},
        {CRect(100, 900, 450, 1300), false},     {CRect(100, -800, 450, -400), false},
    };
    for (const Row& row : rows) {
        const CRect placed = CMainFrame::PlacementOnScreen(row.stored, screen);
        if (row.kept)
            EXPECT_EQ(placed, row.stored);
        else
            EXPECT_EQ(placed, fallback) << row.stored.left << "," << row.stored.top;
    }
    // Partly off the screen: kept where its title bar can be grabbed.
    const CRect partly = CMainFrame::PlacementOnScreen(CRect(-100, 50, 250, 450), screen);
    EXPECT_NE(partly, fallback);
    EXPECT_EQ(partly.Size(), CSize(350, 400));
}

TEST_F(ReelixFixture, AStoredPlacementOffEveryScreenStartsAtTheDefault)
{
    StoreValue("Window", "Placement", "3000,3000,3350,3400");
    ASSERT_TRUE(Start());
    EXPECT_EQ(Frame()->NormalRect(), CMainFrame::DefaultRect(CSize(1024, 768)));
}

TEST_F(ReelixFixture, StoredValuesAreClampedOrKeptAsTabled)
{
    StoreValue("Capture", "Other", "3");
    StoreValue("Capture", "CaptureRate", "otherrate");
    StoreValue("Capture", "CaptureDriver", "12");
    StoreValue("Capture", "CaptureMode", "timelapse");
    ASSERT_TRUE(Start());
    // A rate of 3 the dialog allowed is still 3, not raised to 5.
    EXPECT_EQ(View()->Recorder().Settings().rate, kRateOther);
    EXPECT_EQ(View()->Recorder().Settings().fps, 3);
    EXPECT_EQ(View()->Recorder().Settings().mode, kModeTimeLapse);
    EXPECT_EQ(reelix::CaptureSettings().driverIndex.Get(), 9);
    // The camera is chosen by its description, whatever the store said.
    EXPECT_EQ(View()->DriverIndex(), 0);
}

TEST_F(ReelixFixture, ALowerCaseBetterRateSelectsTheBetterRate)
{
    StoreValue("Capture", "CaptureRate", "better");
    ASSERT_TRUE(Start());
    EXPECT_EQ(CString(reelix::CaptureSettings().rate), "BETTER");
    EXPECT_EQ(View()->Recorder().Settings().rate, kRateBetter);
    EXPECT_EQ(View()->Recorder().Settings().fps, 10);
}

TEST_F(ReelixFixture, WithoutTheCameraItSaysSoOnceAndShowsNoRecordButton)
{
    InstallOtherCameraOnly();
    ASSERT_TRUE(Start());
    ASSERT_EQ(ui->boxes.size(), 1u);
    EXPECT_EQ(ui->boxes[0].text, LoadStringText(IDS_NO_DRIVER));
    EXPECT_EQ(View()->DriverIndex(), kNoDriver);
    EXPECT_FALSE(View()->DriverConnected());
    EXPECT_EQ(View()->Function(), kFunctionRecord);
    EXPECT_FALSE(View()->RecordButton().IsWindowVisible());
    EXPECT_FALSE(View()->BrightnessSlider().IsWindowVisible());
    EXPECT_EQ(Frame()->StatusBar().GetPaneText(0), "Ready");
    for (UINT id : {ID_MOVIE_RECORD, ID_RATE_NORMAL, ID_CAPTURE_AUDIO, ID_IMAGE_SIZE, ID_EDIT_COPY})
        EXPECT_FALSE(View()->QueryCommand(id).IsEnabled()) << id;
    // The stored driver index stays what it was.
    ASSERT_TRUE(Exit());
    EXPECT_EQ(StoredValue("Capture", "CaptureDriver"), "0");
}

TEST_F(ReelixFixture, ThePreviewIsPacedAndStopsWhileAnotherWindowIsActive)
{
    ASSERT_TRUE(Start());
    app->RunPendingAndIdle();
    CountingCamera::grabs = 0;
    // However many idle passes run, one frame per interval.
    const int passes = app->RunPendingAndIdle(100);
    EXPECT_LT(passes, 100);
    app->RunPendingAndIdle(100);
    EXPECT_EQ(CountingCamera::grabs, 0);
    clock->Advance(CReelixApp::kPreviewIntervalMs);
    app->RunPendingAndIdle(100);
    app->RunPendingAndIdle(100);
    EXPECT_EQ(CountingCamera::grabs, 1);

    CWnd other;
    ASSERT_TRUE(other.Create(nullptr, "Another program", WS_POPUP | WS_VISIBLE, CRect(0, 0, 50, 50)));
    other.SetActiveWindow();
    for (int i = 0; i < 5; ++i) {
        clock->Advance(CReelixApp::kPreviewIntervalMs);
        app->RunPendingAndIdle(100);
    }
    EXPECT_EQ(CountingCamera::grabs, 1);
    Frame()->SetActiveWindow();
    clock->Advance(CReelixApp::kPreviewIntervalMs);
    app->RunPendingAndIdle(100);
    app->RunPendingAndIdle(100);
    EXPECT_EQ(CountingCamera::grabs, 2);
}

}  // namespace
