// The camera's settings from the still program's view: the brightness slider
// and its timer, Camera Adjustments, Image Size and Quality with the switch
// into and out of full-screen mode, and the indicators' pictures.
#include "snapvo_test_util.h"

#include "BarPictures.h"
#include "Settings.h"
#include "capture/camera_dialogs.h"
#include "framework/StringTable.h"
#include "resource.h"

#include <QImage>

using namespace snapvo_test;

namespace {

constexpr WORD kCameraStart = 128;   // the test-pattern camera's brightness

CRect WindowRect(const CWnd& wnd)
{
    CRect r;
    wnd.GetWindowRect(&r);
    return r;
}

// The source dialog answered as the user would, with automatic brightness
// on or off; every other control stays as the camera filled it in.
void AnswerSourceDialog(TestUiService& ui, bool autoBrightness)
{
    ui.AnswerNextDialog([autoBrightness](CDialog& d) {
        static_cast<capture::CameraSourceDialog&>(d).settings.autoBrightness = autoBrightness;
        d.OnOK();
        return IDOK;
    });
}

void AnswerFormatDialog(TestUiService& ui, SIZE size)
{
    ui.AnswerNextDialog([size](CDialog& d) {
        static_cast<capture::CameraFormatDialog&>(d).size = size;
        d.OnOK();
        return IDOK;
    });
}

struct CameraSettings : SnapvoFixture {
    CSliderCtrl& Slider() { return View()->BrightnessSlider(); }
    CLumivex& Camera() { return *View()->Camera(); }
    int BrightnessBoxes()
    {
        int n = 0;
        for (const auto& box : ui->boxes)
            n += box.text == LoadStringText(IDS_AUTO_BRIGHTNESS_ON);
        return n;
    }
    void TurnOnAutoBrightness()
    {
        AnswerSourceDialog(*ui, true);
        ASSERT_TRUE(View()->ExecuteCommand(ID_CAMERA_ADJUSTMENTS));
        ASSERT_NE(View()->AutoBrightness(), 0);
    }
    bool RollShown() const { return CWnd::FindWindow("Film Roll") != nullptr; }
    // A run before this one in the same folder may have closed them.
    void ShowCompanions()
    {
        if (!View()->Viewer().IsWindowVisible()) {
            ASSERT_TRUE(Frame()->ExecuteCommand(ID_SHOW_VIEWER));
        }
        if (!RollShown()) {
            ASSERT_TRUE(Frame()->ExecuteCommand(ID_SHOW_FILMROLL));
        }
        ASSERT_TRUE(View()->Viewer().IsWindowVisible());
        ASSERT_TRUE(RollShown());
    }
    // Image Size and Quality with the picture size the user picks.
    void ChooseSize(SIZE size)
    {
        AnswerFormatDialog(*ui, size);
        ASSERT_TRUE(Frame()->ExecuteCommand(ID_IMAGE_SIZE));
    }
};

TEST_F(CameraSettings, TheSliderStartsAtTheCamerasBrightnessBesideTheButton)
{
    ASSERT_TRUE(Start());
    int low = 0, high = 0;
    Slider().GetScrollRange(&low, &high);
    EXPECT_EQ(low, 1);
    EXPECT_EQ(high, 254);
    EXPECT_EQ(Slider().GetPos(), kCameraStart);
    EXPECT_EQ(Slider().GetDlgCtrlID(), int(IDC_BRIGHTNESS));
    EXPECT_TRUE(Slider().IsWindowVisible());

    // Below the picture, left of the button, clear of both; the indicators
    // under the button, all inside the view.
    const CRect picture = WindowRect(Camera()), button = WindowRect(View()->TakePictureButton());
    const CRect slider = WindowRect(Slider());
    EXPECT_GT(slider.top, picture.bottom);
    EXPECT_LE(slider.right, button.left);
    EXPECT_GE(slider.Width(), 30);
    CRect client;
    View()->GetClientRect(&client);
    for (const CRect& area : {View()->SelfTimerDisplay().Area(), View()->AutoCaptureDisplay().Area()}) {
        CPoint corner = area.TopLeft();
        View()->ClientToScreen(&corner);
        EXPECT_GE(corner.y, button.bottom);
        EXPECT_GE(area.left, 0);
        EXPECT_LE(area.bottom, client.bottom);
    }
    EXPECT_FALSE(CRect().IntersectRect(View()->SelfTimerDisplay().Area(), View()->AutoCaptureDisplay().Area()))
        << "the two indicators overlap";
}

TEST_F(CameraSettings, WithoutAutoBrightnessTheSliderDrivesTheCamera)
{
    ASSERT_TRUE(Start());
    // Each row: a code, where the user left the thumb, the camera's brightness after.
    const struct {
        UINT code;
        int position;
        WORD camera;
    } rows[] = {
        {TB_THUMBTRACK, 0, 1},         {TB_THUMBTRACK, 300, 254},   // held to the slider's range
        {TB_THUMBTRACK, 200, 200},     {TB_LINEUP, 199, 199},  {TB_LINEDOWN, 200, 200},
        {TB_PAGEUP, 180, 180},         {TB_PAGEDOWN, 201, 201}, {TB_BOTTOM, 254, 254},
        {TB_THUMBPOSITION, 90, 254},   {TB_TOP, 1, 254},        {TB_ENDTRACK, 254, 254},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.code);
        Slider().Scroll(row.code, row.position);
        EXPECT_EQ(Camera().GetBrightness(), row.camera);
    }
    EXPECT_EQ(BrightnessBoxes(), 0);
}

TEST_F(CameraSettings, WithAutoBrightnessTheSliderSnapsBackAndSaysSoOncePerMove)
{
    ASSERT_TRUE(Start());
    TurnOnAutoBrightness();
    EXPECT_EQ(ui->dialogs.back(), capture::IDD_CAMERA_SOURCE);
    Camera().SetBrightness(100);   // the camera's own choice

    Slider().Scroll(TB_THUMBTRACK, 200);
    EXPECT_EQ(Slider().GetPos(), 100);
    EXPECT_EQ(Camera().GetBrightness(), 100);
    EXPECT_EQ(BrightnessBoxes(), 1);
    Slider().Scroll(TB_LINEDOWN, 101);
    EXPECT_EQ(BrightnessBoxes(), 2);
    // The end of a drag and the top are not moves: no box.
    Slider().Scroll(TB_THUMBPOSITION, 101);
    Slider().Scroll(TB_TOP, 1);
    EXPECT_EQ(BrightnessBoxes(), 2);

    // More moves while the box is up (a drag goes on under it): no second box.
    int nested = 0;
    ui->onMessageBox = [&](const TestUiService::ShownBox&) {
        if (nested++ < 3)
            Slider().Scroll(TB_THUMBTRACK, 30 + nested);
    };
    Slider().Scroll(TB_THUMBTRACK, 30);
    EXPECT_EQ(BrightnessBoxes(), 3);
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(Slider().GetPos(), 100);
    EXPECT_EQ(Camera().GetBrightness(), 100);
    ui->onMessageBox = nullptr;

    // Turned off again in the same dialog: the slider drives the camera.
    AnswerSourceDialog(*ui, false);
    ASSERT_TRUE(View()->ExecuteCommand(ID_CAMERA_ADJUSTMENTS));
    EXPECT_EQ(View()->AutoBrightness(), 0);
    Slider().Scroll(TB_THUMBTRACK, 60);
    EXPECT_EQ(Camera().GetBrightness(), 60);
    EXPECT_EQ(BrightnessBoxes(), 3);
}

TEST_F(CameraSettings, TheTimerFollowsTheCameraButNeverShowsFullBrightness)
{
    ASSERT_TRUE(Start());
    // Each row: what the camera reports, where the slider stands 10 s later.
    const struct {
        WORD camera;
        int shown;
    } rows[] = {{60, 60}, {255, 60}, {1, 1}, {254, 254}, {255, 254}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.camera);
        Camera().SetBrightness(row.camera);
        clock->Advance(View()->kBrightnessTimerMs - 1000);
        clock->Advance(1000);
        EXPECT_EQ(Slider().GetPos(), row.shown);
    }
    // The camera is read every 10 s, not more often.
    Camera().SetBrightness(77);
    clock->Advance(View()->kBrightnessTimerMs - 500);
    EXPECT_EQ(Slider().GetPos(), 254);
    clock->Advance(500);
    EXPECT_EQ(Slider().GetPos(), 77);
}

TEST_F(CameraSettings, ABrightnessTickDoesNotStepThePictureMachine)
{
    ASSERT_TRUE(Start());
    View()->m_modes.exposureMode = kExposureAuto;
    View()->m_modes.destination = kDestFile;
    ASSERT_TRUE(View()->ExecuteCommand(ID_START_CAPTURE));
    clock->Advance(600);
    ASSERT_TRUE(View()->AutoCaptureDisplay().IsShown());
    const int frame = View()->AutoCaptureDisplay().Frame();
    const int grabs = QuietableCamera::grabs;
    View()->MTimerUserOnTimer(CSnapvoView::BrightnessTimerTag());
    View()->MTimerUserOnTimer(CSnapvoView::BrightnessTimerTag());
    EXPECT_EQ(View()->AutoCaptureDisplay().Frame(), frame);
    EXPECT_EQ(QuietableCamera::grabs, grabs);
    ASSERT_TRUE(View()->ExecuteCommand(ID_STOP_CAPTURE));
}

TEST_F(CameraSettings, MovesWhileTheShutterIsOpenAreIgnored)
{
    for (bool autoBrightness : {false, true}) {
        SCOPED_TRACE(autoBrightness);
        ASSERT_TRUE(Start());
        if (autoBrightness)
            TurnOnAutoBrightness();
        View()->m_modes.shutterMode = kShutterBulb;
        ASSERT_TRUE(View()->ExecuteCommand(ID_OPEN_SHUTTER));
        ASSERT_TRUE(Camera().IsExposing());
        Slider().Scroll(TB_THUMBTRACK, 40);
        EXPECT_EQ(Slider().GetPos(), kCameraStart);
        EXPECT_EQ(Camera().GetBrightness(), 255);   // still exposing
        EXPECT_EQ(BrightnessBoxes(), 0);
        // Neither the camera's open-shutter value reaches the slider.
        clock->Advance(View()->kBrightnessTimerMs);
        EXPECT_EQ(Slider().GetPos(), kCameraStart);
        // Nor may the camera settings be changed meanwhile.
        EXPECT_FALSE(Frame()->QueryCommand(ID_CAMERA_ADJUSTMENTS).IsEnabled());
        EXPECT_FALSE(Frame()->QueryCommand(ID_IMAGE_SIZE).IsEnabled());
        ASSERT_TRUE(View()->ExecuteCommand(ID_CLOSE_SHUTTER));
        EXPECT_EQ(Camera().GetBrightness(), kCameraStart);
        EXPECT_TRUE(Frame()->QueryCommand(ID_IMAGE_SIZE).IsEnabled());
        Close();
    }
}

TEST_F(CameraSettings, CameraAdjustmentsShowsTheNewBrightnessAtOnce)
{
    ASSERT_TRUE(Start());
    BOOL liveUnderTheDialog = FALSE;
    ui->AnswerNextDialog([&](CDialog& d) {
        CAPSTATUS status{};
        Camera().GetStatus(&status);
        liveUnderTheDialog = status.fLiveWindow;
        static_cast<capture::CameraSourceDialog&>(d).settings.brightness = 90;
        d.OnOK();
        return IDOK;
    });
    ASSERT_TRUE(View()->ExecuteCommand(ID_CAMERA_ADJUSTMENTS));
    EXPECT_EQ(Camera().GetBrightness(), 90);
    EXPECT_EQ(Slider().GetPos(), 90);
    // The picture moves while the user adjusts, and stops again after.
    EXPECT_TRUE(liveUnderTheDialog);
    CAPSTATUS status{};
    Camera().GetStatus(&status);
    EXPECT_FALSE(status.fLiveWindow);
}

TEST_F(CameraSettings, AScreenSizedPictureHidesTheCompanionsAndASmallerOneBringsThemBack)
{
    // Each row: viewer and film roll shown before full-screen mode. Closed by
    // the user, they stay closed afterwards.
    for (bool viewer : {true, false}) {
        for (bool roll : {true, false}) {
            SCOPED_TRACE(testing::Message() << "viewer " << viewer << " roll " << roll);
            ASSERT_TRUE(Start());
            ShowCompanions();
            if (!viewer)
                View()->Viewer().OnCloseViewer();
            if (!roll) {
                ASSERT_TRUE(Frame()->ExecuteCommand(ID_SHOW_FILMROLL));
            }

            ChooseSize(Ui().ScreenSize());
            ASSERT_TRUE(View()->FullScreen());
            EXPECT_FALSE(View()->Viewer().IsWindowVisible());
            EXPECT_FALSE(RollShown());
            EXPECT_FALSE(Slider().IsWindowVisible());

            ChooseSize({320, 240});
            ASSERT_FALSE(View()->FullScreen());
            EXPECT_EQ(bool(View()->Viewer().IsWindowVisible()), viewer);
            EXPECT_EQ(RollShown(), roll);
            EXPECT_TRUE(Slider().IsWindowVisible());
            EXPECT_EQ(WindowRect(Camera()).Size(), CSize(320, 240));
            Close();
        }
    }
}

TEST_F(CameraSettings, TheCompanionsComeBackWhereTheyWere)
{
    ASSERT_TRUE(Start());
    View()->Viewer().MoveWindow(600, 50, 250, 200);
    CWnd* roll = CWnd::FindWindow("Film Roll");
    ASSERT_NE(roll, nullptr);
    roll->MoveWindow(40, 500, 300, 150);
    const CRect rollBefore = WindowRect(*roll);
    ChooseSize(Ui().ScreenSize());
    ChooseSize({160, 120});
    EXPECT_EQ(WindowRect(View()->Viewer()), CRect(600, 50, 850, 250));
    roll = CWnd::FindWindow("Film Roll");
    ASSERT_NE(roll, nullptr);
    EXPECT_EQ(WindowRect(*roll), rollBefore);
}

TEST_F(CameraSettings, ClosedInFullScreenModeTheNextStartShowsTheCompanionsAgain)
{
    for (bool viewer : {true, false}) {
        SCOPED_TRACE(viewer);
        ASSERT_TRUE(Start());
        ShowCompanions();
        if (!viewer)
            View()->Viewer().OnCloseViewer();
        ChooseSize(Ui().ScreenSize());
        ASSERT_TRUE(View()->FullScreen());
        Close();
        EXPECT_EQ(bool(snapvo::GeneralSettings().showViewer), viewer);
        EXPECT_TRUE(bool(snapvo::GeneralSettings().showFilmroll));

        ASSERT_TRUE(Start());   // the camera starts at its small size
        EXPECT_FALSE(View()->FullScreen());
        EXPECT_EQ(bool(View()->Viewer().IsWindowVisible()), viewer);
        EXPECT_TRUE(RollShown());
        Close();
    }
}

// A camera that keeps its format between runs: it starts at the screen's size.
class ScreenSizedCamera : public QuietableCamera {
public:
    ScreenSizedCamera()
    {
        const CSize screen = Ui().ScreenSize();
        BITMAPINFOHEADER header = capture::MakeFormat(screen.cx, screen.cy, 24).header;
        SetFormat(header, {});
    }
};

TEST_F(CameraSettings, StartedInFullScreenModeTheCompanionsComeBackWhereTheyWere)
{
    ASSERT_TRUE(Start());
    ShowCompanions();
    CWnd* roll = CWnd::FindWindow("Film Roll");
    roll->MoveWindow(40, 500, 300, 150);
    const CRect rollBefore = WindowRect(*roll);
    View()->Viewer().MoveWindow(600, 50, 250, 200);
    const CRect viewerBefore = WindowRect(View()->Viewer());
    Close();

    capture::DriverCatalog::Install({{capture::kTestPatternDescription, capture::kTestPatternVersion,
                                      [] { return std::make_unique<ScreenSizedCamera>(); }}});
    ASSERT_TRUE(Start());
    ASSERT_TRUE(View()->FullScreen());
    EXPECT_FALSE(View()->Viewer().IsWindowVisible());
    EXPECT_FALSE(RollShown());
    ChooseSize({320, 240});
    ASSERT_FALSE(View()->FullScreen());
    EXPECT_EQ(WindowRect(View()->Viewer()), viewerBefore);
    roll = CWnd::FindWindow("Film Roll");
    ASSERT_NE(roll, nullptr);
    EXPECT_EQ(WindowRect(*roll), rollBefore);
}

TEST_F(CameraSettings, ChangingOnlyTheDepthKeepsTheFrameAsItIs)
{
    ASSERT_TRUE(Start());
    Frame()->MoveWindow(30, 40, 700, 500);
    ui->AnswerNextDialog([](CDialog& d) {
        static_cast<capture::CameraFormatDialog&>(d).bits = 8;
        d.OnOK();
        return IDOK;
    });
    ASSERT_TRUE(Frame()->ExecuteCommand(ID_IMAGE_SIZE));
    EXPECT_EQ(WindowRect(*Frame()), CRect(30, 40, 730, 540));
    EXPECT_FALSE(View()->FullScreen());
    EXPECT_EQ(ui->dialogs, std::vector<UINT>{capture::IDD_CAMERA_FORMAT});
}

TEST(SnapvoNoCamera, TheCameraCommandsAreOffAndTheSliderDoesNothing)
{
    ScopedFakeClock clock;
    ScopedTestUi ui;
    WorkingFolder folder("snapvo-no-camera");
    snapvo::ResetSettingsForTest();
    capture::DriverCatalog::Install({});
    auto app = std::make_unique<CSnapvoApp>();
    app->m_pszProfileName = "snapvo32.INI";
    app->m_aolLibraryName = "libmissing-mail.so";
    ASSERT_TRUE(app->InitInstance());
    CSnapvoView* view = app->View();
    ASSERT_EQ(view->Camera(), nullptr);
    for (UINT id : {ID_CAMERA_ADJUSTMENTS, ID_IMAGE_SIZE})
        EXPECT_FALSE(app->MainFrame()->QueryCommand(id).IsEnabled()) << id;
    EXPECT_FALSE(view->BrightnessSlider().IsWindowVisible());
    const size_t boxes = ui->boxes.size();
    view->BrightnessSlider().Scroll(TB_THUMBTRACK, 50);
    EXPECT_EQ(ui->boxes.size(), boxes);
    app->MainFrame()->Close();
    app->ExitInstance();
    app.reset();
    capture::DriverCatalog::UseSystem();
    ResetMessageQueue();
}

// The indicators' pictures.

int PixelsOtherThan(const QImage& image, QRgb colour)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixel(x, y) != colour;
    return n;
}

TEST(IndicatorPictures, DrawnSharpAtOneAndTwoPixelsWithTheViewBehindTheClearParts)
{
    const QColor view(0xe8, 0xe8, 0xe8);
    const struct {
        const char* name;
        std::function<QImage(int ratio)> draw;
        CSize size;
    } pictures[] = {
        {"countdown 7", [&](int r) { return CountdownPicture(7, view, r); }, kCountdownSize},
        {"countdown 60", [&](int r) { return CountdownPicture(60, view, r); }, kCountdownSize},
        {"frame 0", [&](int r) { return AutoCapturePicture(0, view, r); }, kAutoCaptureSize},
        {"frame 2", [&](int r) { return AutoCapturePicture(2, view, r); }, kAutoCaptureSize},
    };
    for (const auto& picture : pictures) {
        SCOPED_TRACE(picture.name);
        const QImage one = picture.draw(1), two = picture.draw(2);
        ASSERT_EQ(one.size(), QSize(int(picture.size.cx), int(picture.size.cy)));
        ASSERT_EQ(two.size(), one.size() * 2);
        EXPECT_EQ(two.devicePixelRatio(), 2.0);
        for (const QImage* image : {&one, &two}) {
            EXPECT_EQ(PixelsOtherThan(*image, kClearColour), image->width() * image->height())
                << "the clear colour shows";
            EXPECT_EQ(image->pixel(0, 0), view.rgb()) << "the corner is not the view's";
        }
        const int inked = PixelsOtherThan(one, view.rgb());
        EXPECT_GT(inked, one.width() * one.height() / 4);
        // Drawn afresh on whole pixels, not scaled up or smoothed.
        EXPECT_EQ(PixelsOtherThan(two, view.rgb()), 4 * inked);
    }
}

TEST(IndicatorPictures, TheCountdownShowsTensAndUnitsAndTheAnimationThreeFrames)
{
    const QColor view(Qt::white);
    EXPECT_NE(CountdownPicture(12, view, 1), CountdownPicture(21, view, 1));
    EXPECT_NE(CountdownPicture(10, view, 1), CountdownPicture(0, view, 1));
    EXPECT_NE(CountdownPicture(8, view, 1), CountdownPicture(9, view, 1));
    // A digit's clear parts show the countdown's background, not the view.
    const QImage eight = CountdownPicture(88, view, 1);
    const QRgb panel = eight.pixel(1, 1);
    EXPECT_NE(panel, view.rgb());
    EXPECT_EQ(eight.pixel(kDigitWidth, int(kCountdownSize.cy) / 2), panel);
    EXPECT_EQ(eight.pixel(2 * kDigitWidth, int(kCountdownSize.cy) / 2), panel);
    // Over 99 the display cannot say more.
    EXPECT_EQ(CountdownPicture(150, view, 1), CountdownPicture(99, view, 1));
    // The digits' bitmaps: 0 and 1 after the others.
    const std::pair<int, UINT> digits[] = {{0, 214}, {1, 215}, {2, 206}, {9, 213}, {10, 0}, {-1, 0}};
    for (auto [digit, id] : digits)
        EXPECT_EQ(DigitBitmap(digit), id) << digit;
    EXPECT_TRUE(IndicatorBitmap(204, 1).isNull());
    EXPECT_FALSE(IndicatorBitmap(205, 1).isNull());

    EXPECT_NE(AutoCapturePicture(0, view, 1), AutoCapturePicture(1, view, 1));
    EXPECT_NE(AutoCapturePicture(1, view, 1), AutoCapturePicture(2, view, 1));
    CAutoCaptureDisplay display;
    display.Show();
    std::vector<int> frames;
    for (int i = 0; i < 4; ++i) {
        frames.push_back(display.Frame());
        display.Animate();
    }
    EXPECT_EQ(frames, (std::vector<int>{0, 1, 2, 0}));
}

}  // namespace
