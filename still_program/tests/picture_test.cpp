#include "snapvo_test_util.h"

#include "Settings.h"

#include "framework/Keys.h"
#include "framework/StringTable.h"
#include "art.h"
#include "jpeg.h"
#include "jpegbmp.h"
#include "resource.h"
#include "writers.h"

#include <QApplication>
#include <QWidget>

#include <cstring>
#include <fstream>
#include <dlfcn.h>

using namespace snapvo_test;

namespace {

// The mail hand-off as the test program itself provides it (found by name in
// the program, as in the real library).
std::vector<std::string> g_mailed;
int g_mailAnswer = 1;
extern "C" __attribute__((visibility("default"))) int MovePictureToAolMail(const char* path)
{
    g_mailed.push_back(path);
    return g_mailAnswer;
}

TEST_F(SnapvoFixture, AFiveSecondSelfTimerWarnsOnceAtTwoAndOnceAtOne)
{
    ASSERT_TRUE(Start());
    View()->m_modes.selfTimerOn = TRUE;
    View()->m_modes.selfTimerSeconds = 5;
    ASSERT_TRUE(View()->ExecuteCommand(ID_START_SELF_TIMER));
    EXPECT_TRUE(View()->SelfTimerDisplay().IsShown());
    clock->Advance(2900);
    EXPECT_EQ(SoundsNamed("low.wav"), 0);
    clock->Advance(200);   // 3 s passed: 2 remain
    EXPECT_EQ(SoundsNamed("low.wav"), 1);
    EXPECT_EQ(SoundsNamed("high.wav"), 0);
    EXPECT_EQ(View()->SelfTimerDisplay().ShownSeconds(), 2);
    clock->Advance(1000);
    EXPECT_EQ(SoundsNamed("high.wav"), 1);
    EXPECT_EQ(RollEntries(), 0);
    clock->Advance(1500);
    EXPECT_EQ(SoundsNamed("low.wav"), 1);
    EXPECT_EQ(SoundsNamed("high.wav"), 1);
    EXPECT_EQ(SoundsNamed("CLICK.WAV"), 1);
    EXPECT_EQ(RollEntries(), 1);
    EXPECT_FALSE(View()->IsStepTimerRunning());
    EXPECT_FALSE(View()->SelfTimerDisplay().IsShown());
    clock->Advance(5000);
    EXPECT_EQ(RollEntries(), 1);
}

TEST_F(SnapvoFixture, StoppingTheSelfTimerTakesThePictureAtOnce)
{
    ASSERT_TRUE(Start());
    View()->m_modes.selfTimerOn = TRUE;
    View()->m_modes.selfTimerSeconds = 10;
    ASSERT_TRUE(View()->ExecuteCommand(ID_START_SELF_TIMER));
    clock->Advance(1000);
    ASSERT_TRUE(View()->ExecuteCommand(ID_STOP_SELF_TIMER));
    EXPECT_EQ(RollEntries(), 1);
    EXPECT_FALSE(View()->IsStepTimerRunning());
    EXPECT_EQ(SoundsNamed("low.wav") + SoundsNamed("high.wav"), 0);
    EXPECT_EQ(View()->TakePictureButton().GetWindowText(), "&Take Picture");
}

TEST_F(SnapvoFixture, AThreePictureExposureClicksThriceAndShowsOnlyTheLast)
{
    ASSERT_TRUE(Start());
    View()->m_modes.multiExposureMode = kMultiThree;
    View()->m_modes.destination = kDestFilmroll;
    ASSERT_TRUE(View()->ExecuteCommand(ID_TAKE_PICTURE));
    EXPECT_EQ(SoundsNamed("CLICK.WAV"), 3);
    EXPECT_EQ(RollEntries(), 3);
    EXPECT_EQ(View()->ViewerLoads(), 1);
    EXPECT_EQ(Frame()->StatusText(), "Last Picture sent to Film Roll");
    // The temporary picture was always written whole and renamed into place.
    EXPECT_TRUE(std::filesystem::exists(folder.Path() / "temp999.bmp"));
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "temp999.bmp.part"));
    Close();
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "temp999.bmp"));
    EXPECT_TRUE(std::filesystem::exists(folder.Path() / "film" / "film.ini"));
}

// The working folder may be shared: a symlink planted at the temporary
// picture's name, or at any name beside it, is replaced, never written through.
TEST_F(SnapvoFixture, TheTemporaryPictureNeverWritesThroughAPlantedLink)
{
    namespace fs = std::filesystem;
    ASSERT_TRUE(Start());
    const fs::path victim = folder.Path() / "victim.txt";
    const fs::path temp = folder.Path() / "temp999.bmp";
    auto plant = [&] {
        std::ofstream(victim) << "keep";
        for (const char* tail : {"", ".part"}) {
            fs::remove(temp.string() + tail);
            fs::create_symlink(victim, temp.string() + tail);
        }
    };
    auto untouched = [&] {
        std::ifstream in(victim);
        EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), {}), "keep");
        EXPECT_FALSE(fs::is_symlink(temp));
    };
    for (WORD bits : {24, 16}) {
        SCOPED_TRACE(bits);
        SetCameraBits(bits);
        plant();
        ASSERT_TRUE(View()->ExecuteCommand(ID_TAKE_PICTURE));
        untouched();
    }
    plant();
    View()->VFilmrollOpenImage(CString((folder.Path() / "film" / "img1.bmp").c_str()));
    untouched();
    EXPECT_TRUE(View()->Viewer().IsWindowVisible());
}

TEST_F(SnapvoFixture, AFullRollDropsTheRestOfAnExposure)
{
    ASSERT_TRUE(Start());
    View()->m_modes.multiExposureMode = kMultiOther;
    View()->m_modes.otherCount = 36;
    ASSERT_TRUE(View()->ExecuteCommand(ID_TAKE_PICTURE));
    EXPECT_EQ(RollEntries(), 36);
    View()->m_modes.multiExposureMode = kMultiThree;
    ASSERT_TRUE(View()->ExecuteCommand(ID_TAKE_PICTURE));
    ASSERT_EQ(ui->boxes.size(), 1u);
    EXPECT_EQ(ui->boxes[0].text, LoadStringText(IDS_FILMROLL_FULL));
    EXPECT_EQ(RollEntries(), 36);
}

TEST_F(SnapvoFixture, SixteenGrayPicturesStopAutoCaptureOnlyWhenTheyCannotBeWritten)
{
    ASSERT_TRUE(Start());
    SetCameraBits(4);
    View()->m_modes.exposureMode = kExposureAuto;
    View()->m_modes.destination = kDestFile;
    View()->m_schedule.latestImageName = "latest.bmp";
    ASSERT_TRUE(View()->ExecuteCommand(ID_START_CAPTURE));
    clock->Advance(10500);
    EXPECT_TRUE(std::filesystem::exists(folder.Path() / "latest.bmp"));
    EXPECT_TRUE(View()->IsStepTimerRunning());
    clock->Advance(10000);
    EXPECT_TRUE(View()->IsStepTimerRunning());
    EXPECT_TRUE(ui->boxes.empty());
    ASSERT_TRUE(View()->ExecuteCommand(ID_STOP_CAPTURE));
    EXPECT_FALSE(View()->AutoCaptureDisplay().IsShown());

    View()->m_schedule.latestImageName = "latest.jpg";
    ASSERT_TRUE(View()->ExecuteCommand(ID_START_CAPTURE));
    EXPECT_TRUE(View()->AutoCaptureDisplay().IsShown());
    clock->Advance(10500);
    ASSERT_EQ(ui->boxes.size(), 1u);
    EXPECT_EQ(ui->boxes[0].text, LoadStringText(IDS_16GRAY_JPEG));
    EXPECT_FALSE(View()->IsStepTimerRunning());
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "latest.jpg"));
    EXPECT_EQ(View()->TakePictureButton().GetWindowText(), "&Start Capture");
}

TEST_F(SnapvoFixture, AutoCaptureRemembersTheLatestImageByItsFullPath)
{
    ASSERT_TRUE(Start());
    View()->m_modes.exposureMode = kExposureAuto;
    View()->m_modes.destination = kDestFile;
    View()->m_schedule.latestImageName = "latest.bmp";
    ASSERT_TRUE(View()->ExecuteCommand(ID_START_CAPTURE));
    clock->Advance(10500);
    ASSERT_TRUE(View()->ExecuteCommand(ID_STOP_CAPTURE));
    const auto latest = folder.Path() / "latest.bmp";
    ASSERT_TRUE(std::filesystem::exists(latest));
    Close();
    std::filesystem::remove(latest);

    snapvo::ResetSettingsForTest();
    ASSERT_TRUE(Start());
    EXPECT_EQ(View()->m_schedule.latestImageName, CString(latest.c_str()));
    // Started from elsewhere, the run still writes where it wrote before.
    WorkingFolder elsewhere("snapvo-elsewhere");
    ASSERT_TRUE(View()->ExecuteCommand(ID_START_CAPTURE));
    clock->Advance(10500);
    ASSERT_TRUE(View()->ExecuteCommand(ID_STOP_CAPTURE));
    EXPECT_TRUE(std::filesystem::exists(latest));
    EXPECT_FALSE(std::filesystem::exists(elsewhere.Path() / "latest.bmp"));
    EXPECT_TRUE(ui->boxes.empty());
}

TEST_F(SnapvoFixture, AColourPictureAfterASixteenGrayOneIsWrittenAsJpeg)
{
    ASSERT_TRUE(Start());
    View()->m_modes.destination = kDestFile;
    SetCameraBits(4);
    ui->AnswerNextFileDialog(CString((folder.Path() / "gray.bmp").c_str()));
    ASSERT_TRUE(View()->ExecuteCommand(ID_TAKE_PICTURE));
    EXPECT_TRUE(std::filesystem::exists(folder.Path() / "gray.bmp"));
    EXPECT_TRUE(View()->Is16Gray());

    SetCameraBits(24);
    ui->AnswerNextFileDialog(CString((folder.Path() / "colour.jpg").c_str()));
    ASSERT_TRUE(View()->ExecuteCommand(ID_TAKE_PICTURE));
    EXPECT_TRUE(ui->boxes.empty());
    EXPECT_TRUE(std::filesystem::exists(folder.Path() / "colour.jpg"));
    EXPECT_FALSE(View()->Is16Gray());
}

TEST_F(SnapvoFixture, ASixteenBitCameraReachesTheClipboardAsTwentyFourBits)
{
    ASSERT_TRUE(Start());
    SetCameraBits(16);
    View()->m_modes.destination = kDestClipboard;
    ASSERT_TRUE(View()->ExecuteCommand(ID_TAKE_PICTURE));
    ASSERT_GE(ui->clipboardDib.size(), sizeof(BITMAPINFOHEADER));
    BITMAPINFOHEADER header;
    std::memcpy(&header, ui->clipboardDib.data(), sizeof header);
    EXPECT_EQ(header.biBitCount, 24);
    EXPECT_EQ(header.biWidth, 160);
    EXPECT_EQ(header.biHeight, 120);
    EXPECT_EQ(ui->clipboardDib.size(), sizeof header + 160u * 3 * 120);
    EXPECT_EQ(Frame()->StatusText(), "Last Picture sent to Clipboard");
    // The colour bars survive: not every pixel is black.
    bool any = false;
    for (size_t i = sizeof header; i < ui->clipboardDib.size() && !any; ++i)
        any = ui->clipboardDib[i] != 0;
    EXPECT_TRUE(any);
}

TEST_F(SnapvoFixture, ACameraThatStopsAnsweringIsReportedInsteadOfAwaited)
{
    ASSERT_TRUE(Start());
    QuietableCamera::silent = true;
    QuietableCamera::grabs = 0;
    ASSERT_TRUE(View()->ExecuteCommand(ID_TAKE_PICTURE));
    EXPECT_LE(QuietableCamera::grabs, CSnapvoView::kFrameWaitAttempts);
    ASSERT_EQ(ui->boxes.size(), 1u);
    EXPECT_EQ(ui->boxes[0].text, CSnapvoView::kNoFrameText);
    EXPECT_EQ(RollEntries(), 0);

    // In auto capture the run ends at the first silent picture.
    View()->m_modes.exposureMode = kExposureAuto;
    View()->m_modes.destination = kDestFile;
    ASSERT_TRUE(View()->ExecuteCommand(ID_START_CAPTURE));
    clock->Advance(10500);
    EXPECT_FALSE(View()->IsStepTimerRunning());
    EXPECT_EQ(ui->boxes.size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "latest.bmp"));
}

TEST_F(SnapvoFixture, TheFrameWaitEndsAfterAFewSecondsOfASlowSilentCamera)
{
    ASSERT_TRUE(Start());
    QuietableCamera::silent = true;
    QuietableCamera::busyMs = 700;
    QuietableCamera::grabs = 0;
    const DWORD before = GetTickCount();
    ASSERT_TRUE(View()->ExecuteCommand(ID_TAKE_PICTURE));
    EXPECT_EQ(QuietableCamera::grabs, 5);   // 0, 700, ..., 2800 ms; at 3500 it gives up
    EXPECT_LT(GetTickCount() - before, 4000u);
    ASSERT_EQ(ui->boxes.size(), 1u);
    EXPECT_EQ(ui->boxes[0].text, CSnapvoView::kNoFrameText);
}

TEST_F(SnapvoFixture, TimedAndBulbShuttersOpenThenTakeThePictureOnClosing)
{
    ASSERT_TRUE(Start());
    View()->m_modes.shutterMode = kShutterTimed;
    View()->m_modes.timedExposureSeconds = 3;
    ASSERT_TRUE(View()->ExecuteCommand(ID_OPEN_SHUTTER));
    EXPECT_TRUE(View()->Camera()->IsExposing());
    EXPECT_EQ(SoundsNamed("CLICK.WAV"), 1);
    clock->Advance(2600);
    EXPECT_EQ(RollEntries(), 0);
    clock->Advance(1000);
    EXPECT_EQ(RollEntries(), 1);
    EXPECT_FALSE(View()->Camera()->IsExposing());
    EXPECT_TRUE(View()->TakePictureButton().IsWindowEnabled());
    EXPECT_FALSE(View()->IsStepTimerRunning());

    View()->m_modes.shutterMode = kShutterBulb;
    ASSERT_TRUE(View()->ExecuteCommand(ID_OPEN_SHUTTER));
    clock->Advance(60000);
    EXPECT_EQ(RollEntries(), 1);
    ASSERT_TRUE(View()->ExecuteCommand(ID_CLOSE_SHUTTER));
    EXPECT_EQ(RollEntries(), 2);
    EXPECT_FALSE(View()->Camera()->IsExposing());
}

TEST_F(SnapvoFixture, AFilmRollPictureOpensInTheViewerThroughTheTemporaryFile)
{
    ASSERT_TRUE(Start());
    ASSERT_TRUE(View()->ExecuteCommand(ID_TAKE_PICTURE));
    std::filesystem::remove(folder.Path() / "temp999.bmp");
    View()->VFilmrollOpenImage(CString((folder.Path() / "film" / "img1.bmp").c_str()));
    EXPECT_TRUE(std::filesystem::exists(folder.Path() / "temp999.bmp"));
    EXPECT_TRUE(View()->Viewer().IsWindowVisible());
    View()->VFilmrollOpenImage("/nonexistent/img9.bmp");
    ASSERT_EQ(ui->boxes.size(), 1u);
    EXPECT_EQ(ui->boxes[0].text, LoadStringText(IDS_DISK_FULL));
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "temp999.bmp"));
}

// On screen the viewer's menu and scroll bars take room from its window: the
// page is the area inside them, or the last strip could never be reached.
TEST_F(SnapvoFixture, TheLastStripOfALargeFilmRollPictureScrollsIntoView)
{
    static int argc = 1;
    static char name[] = "snapvo_test";
    static char* argv[] = {name, nullptr};
    QApplication screen(argc, argv);
    ASSERT_TRUE(Start());
    SetCameraBits(24, 640, 480);
    ASSERT_TRUE(View()->ExecuteCommand(ID_TAKE_PICTURE));
    CViewerWnd& viewer = View()->Viewer();
    ASSERT_NE(viewer.Widget(), nullptr);
    View()->VFilmrollOpenImage(CString((folder.Path() / "film" / "img1.bmp").c_str()));
    QApplication::processEvents();
    const QWidget* area = viewer.Widget()->findChild<QWidget*>("picture");
    ASSERT_NE(area, nullptr);
    EXPECT_EQ(viewer.PageSize(), CSize(area->width(), area->height()));
    viewer.Scroll(TRUE, SB_RIGHT, 0);
    viewer.Scroll(FALSE, SB_RIGHT, 0);
    EXPECT_EQ(viewer.ScrollPosition(), CPoint(640 - area->width(), 480 - area->height()));
    Close();
}

TEST_F(SnapvoFixture, ATimedExposureLongerThanSixteenBitsOfSecondsRunsItsWholeLength)
{
    ASSERT_TRUE(Start());
    View()->m_modes.shutterMode = kShutterTimed;
    View()->m_modes.timedExposureSeconds = 70000;
    ASSERT_TRUE(View()->ExecuteCommand(ID_OPEN_SHUTTER));
    clock->Advance((70000 - 65536 + 10) * 1000);
    EXPECT_EQ(RollEntries(), 0);
    EXPECT_TRUE(View()->Camera()->IsExposing());
    clock->Advance(65536 * 1000);
    EXPECT_EQ(RollEntries(), 1);
    EXPECT_FALSE(View()->Camera()->IsExposing());
}

TEST_F(SnapvoFixture, AFilePictureGoesWhereTheUserSaysAndTheStatusBarSaysSo)
{
    ASSERT_TRUE(Start());
    View()->m_modes.destination = kDestFile;
    const auto target = folder.Path() / "mine.bmp";
    ui->AnswerNextFileDialog(CString(target.c_str()));
    ASSERT_TRUE(View()->ExecuteCommand(ID_TAKE_PICTURE));
    EXPECT_TRUE(std::filesystem::exists(target));
    EXPECT_EQ(Frame()->StatusText(), "Last Picture sent to Disk");
    EXPECT_EQ(RollEntries(), 0);
    // Asked above the view: hide read-only, prompt before overwriting, only
    // into a folder that exists.
    ASSERT_EQ(ui->fileDialogs.size(), 1u);
    EXPECT_EQ(ui->fileDialogs[0].flags, 0x806u);
    EXPECT_EQ(ui->fileDialogs[0].owner, View()->m_hWnd);
    // The viewer's own Save Image asks the same way, above the viewer.
    const auto again = folder.Path() / "again.tif";
    ui->AnswerNextFileDialog(CString(again.c_str()));
    View()->Viewer().OnSaveImage();
    ASSERT_EQ(ui->fileDialogs.size(), 2u);
    EXPECT_EQ(ui->fileDialogs[1].flags, 0x806u);
    EXPECT_EQ(ui->fileDialogs[1].owner, View()->Viewer().m_hWnd);
    EXPECT_TRUE(std::filesystem::exists(again));
    // Cancelled: nothing delivered, the status stays.
    ui->AnswerNextFileDialog(std::nullopt);
    ASSERT_TRUE(View()->ExecuteCommand(ID_TAKE_PICTURE));
    EXPECT_EQ(Frame()->StatusText(), "Last Picture sent to Disk");
}

TEST_F(SnapvoFixture, AutoCaptureIntoTheFilmRollGrabsEveryPicture)
{
    ASSERT_TRUE(Start());
    View()->m_modes.exposureMode = kExposureAuto;
    View()->m_modes.multiExposureMode = kMultiThree;
    View()->m_modes.destination = kDestFilmroll;
    ASSERT_TRUE(View()->ExecuteCommand(ID_START_CAPTURE));
    clock->Advance(10500);
    EXPECT_EQ(RollEntries(), 3);
    clock->Advance(10000);
    EXPECT_EQ(RollEntries(), 6);
    EXPECT_TRUE(View()->IsStepTimerRunning());
}

TEST_F(SnapvoFixture, AMailPictureIsHandedOverAndAFailedHandOffIsSaidSo)
{
    ASSERT_TRUE(Start(AOLXFER_PATH));
    mail::UseHandOff(&MovePictureToAolMail);
    g_mailed.clear();
    g_mailAnswer = 1;
    View()->m_modes.destination = kDestMail;
    // The mail picture is saved first, under the name the user gives.
    ui->AnswerNextFileDialog(CString((folder.Path() / "mail1.jpg").c_str()));
    ASSERT_TRUE(View()->ExecuteCommand(ID_TAKE_PICTURE));
    ASSERT_EQ(g_mailed.size(), 1u);
    EXPECT_TRUE(std::filesystem::exists(g_mailed[0]));
    EXPECT_EQ(Frame()->StatusText(), "Last Picture sent to AOL Mail");
    EXPECT_TRUE(ui->boxes.empty());

    g_mailAnswer = 0;
    Frame()->SetStatusText("Ready");
    ui->AnswerNextFileDialog(CString((folder.Path() / "mail2.jpg").c_str()));
    ASSERT_TRUE(View()->ExecuteCommand(ID_TAKE_PICTURE));
    EXPECT_EQ(g_mailed.size(), 2u);
    ASSERT_EQ(ui->boxes.size(), 1u);
    EXPECT_EQ(ui->boxes[0].text, CSnapvoView::kMailFailedText);
    EXPECT_EQ(Frame()->StatusText(), "Ready");
    mail::UseHandOff(nullptr);
}

TEST_F(SnapvoFixture, ASixteenGrayPictureRefusedAsJpegIsNotMailed)
{
    ASSERT_TRUE(Start(AOLXFER_PATH));
    mail::UseHandOff(&MovePictureToAolMail);
    g_mailed.clear();
    g_mailAnswer = 1;
    SetCameraBits(4);
    View()->m_modes.destination = kDestMail;
    Frame()->SetStatusText("Ready");
    ui->AnswerNextFileDialog(CString((folder.Path() / "gray.jpg").c_str()));
    View()->ExecuteCommand(ID_TAKE_PICTURE);
    EXPECT_TRUE(g_mailed.empty());
    ASSERT_EQ(ui->boxes.size(), 1u);
    EXPECT_EQ(ui->boxes[0].text, LoadStringText(IDS_16GRAY_JPEG));
    EXPECT_EQ(Frame()->StatusText(), "Ready");
    mail::UseHandOff(nullptr);
}

// The film roll window offers mail from the same library the program found,
// never from one of its own.
TEST_F(SnapvoFixture, TheFilmRollOffersMailExactlyWhenTheProgramDoes)
{
    ASSERT_TRUE(Start(AOLXFER_PATH));
    EXPECT_TRUE(mail::Available());
    EXPECT_NE(FilmMailAvailable(), 0);
    Close();
    ASSERT_TRUE(Start("libmissing-mail.so"));
    EXPECT_FALSE(mail::Available());
    EXPECT_EQ(FilmMailAvailable(), 0);
}

TEST_F(SnapvoFixture, ControlVInTheViewerClosesIt)
{
    ASSERT_TRUE(Start());
    CViewerWnd& viewer = View()->Viewer();
    ASSERT_TRUE(viewer.IsWindowVisible());
    SetModifierState(true, false, false);
    MSG ctrlV{viewer.m_hWnd, WM_KEYDOWN, 'V', 1, 0};
    EXPECT_TRUE(app->PreTranslateMessage(&ctrlV));
    SetModifierState(false, false, false);
    EXPECT_FALSE(viewer.IsWindowVisible());
    EXPECT_TRUE(viewer.ClosedByUser());
    // The next picture leaves it closed.
    ASSERT_TRUE(View()->ExecuteCommand(ID_TAKE_PICTURE));
    EXPECT_FALSE(viewer.IsWindowVisible());
}

}  // namespace

// The still program and the film roll share one build of the JPEG and ART
// writers: each writer exists once in the process, in the shared library.
TEST(FilmWriters, ComeFromTheOneSharedLibrary)
{
    for (void* writer : {reinterpret_cast<void*>(&SaveJPEG), reinterpret_cast<void*>(&ReadBmpInput),
                         reinterpret_cast<void*>(&WriteArtFile)}) {
        Dl_info where {};
        ASSERT_NE(dladdr(writer, &where), 0);
        ASSERT_NE(where.dli_fname, nullptr);
        EXPECT_NE(std::strstr(where.dli_fname, "libfilm_writers"), nullptr) << where.dli_fname;
    }
}
