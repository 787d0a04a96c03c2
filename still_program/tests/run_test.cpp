// The whole program, started as main() starts it, offscreen, in a folder of
// its own: SPACE takes a picture, the close box ends it, and a second start
// finds the settings the first one left.
#include "snapvo_test_util.h"

#include "Settings.h"
#include "resource.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <QKeyEvent>
#include <QWidget>

#include <csignal>
#include <fstream>
#include <sstream>

using namespace snapvo_test;

namespace {

struct Seen {
    bool ran = false;
    WORD destination = 0;
    CRect placement;
    CRect frame;
    CRect viewer;
    CRect roll;
    int rollEntries = 0;
    int liveGrabs = 0;
};

int RunProgram(const std::function<void(CSnapvoApp&)>& whileRunning)
{
    SetSnapvoRunningHook(whileRunning);
    char name[] = "snapvo32";
    char* argv[] = {name, nullptr};
    const int code = SnapvoMain(1, argv);
    SetSnapvoRunningHook(nullptr);
    return code;
}

TEST(SnapvoProgram, SpaceTakesAPictureAndTheSettingsOutliveTheProgram)
{
    velmora_test::UseFreshConfigHome("snapvo-run-config");
    WorkingFolder folder("snapvo-run");
    capture::DriverCatalog::Install({{capture::kTestPatternDescription, capture::kTestPatternVersion,
                                      [] { return std::make_unique<QuietableCamera>(); }}});
    snapvo::ResetSettingsForTest();

    Seen first;
    const int code = RunProgram([&first](CSnapvoApp& app) {
        first.ran = true;
        CMainFrame* frame = app.MainFrame();
        QWidget* widget = frame->Widget();
        ASSERT_NE(widget, nullptr);
        EXPECT_TRUE(widget->isVisible());
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ");
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, " ");
        QApplication::sendEvent(widget, &release);
        first.rollEntries = std::filesystem::exists("film/img1.bmp") ? 1 : 0;
        // The live picture keeps coming while the program idles.
        const int grabs = QuietableCamera::grabs;
        QEventLoop idle;
        QTimer::singleShot(200, &idle, &QEventLoop::quit);
        idle.exec();
        first.liveGrabs = QuietableCamera::grabs - grabs;
        frame->ExecuteCommand(ID_SEND_CLIPBOARD);
        frame->MoveWindow(40, 50, 520, 460);
        CRect r;
        frame->GetWindowRect(&r);
        first.placement = r;
        // The companions go elsewhere too, as the user would drag them.
        app.View()->Viewer().MoveWindow(600, 70, 330, 260);
        app.View()->Viewer().GetWindowRect(&first.viewer);
        if (CWnd* roll = CWnd::FindWindow("Film Roll")) {
            CRect now;
            roll->GetWindowRect(&now);
            roll->MoveWindow(90, 480, now.Width(), now.Height());
            roll->GetWindowRect(&first.roll);
        }
        widget->close();   // the window manager's close box
    });
    EXPECT_EQ(code, 0);
    ASSERT_TRUE(first.ran);
    EXPECT_EQ(first.rollEntries, 1);
    EXPECT_GT(first.liveGrabs, 0);
    EXPECT_TRUE(std::filesystem::exists(folder.Path() / "film" / "img1.bmp"));
    std::ifstream ini(folder.Path() / "film" / "film.ini");
    std::stringstream text;
    text << ini.rdbuf();
    EXPECT_NE(text.str().find("img1.bmp"), std::string::npos) << text.str();
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "temp999.bmp"));

    // Second run: the settings come back from the store; SIGTERM ends it as
    // File > Exit would.
    snapvo::ResetSettingsForTest();
    Seen second;
    RunProgram([&second](CSnapvoApp& app) {
        second.ran = true;
        second.destination = app.View()->m_modes.destination;
        second.placement = app.MainFrame()->NormalRect();
        app.MainFrame()->GetWindowRect(&second.frame);
        app.View()->Viewer().GetWindowRect(&second.viewer);
        if (CWnd* roll = CWnd::FindWindow("Film Roll"))
            roll->GetWindowRect(&second.roll);
        app.View()->m_modes.destination = kDestFile;
        std::raise(SIGTERM);
    });
    ASSERT_TRUE(second.ran);
    EXPECT_EQ(second.destination, kDestClipboard);
    EXPECT_EQ(second.placement.TopLeft(), first.placement.TopLeft());
    // Every window is back where the first run left it; the frame keeps its
    // place and fits the picture again.
    EXPECT_EQ(second.frame.TopLeft(), first.placement.TopLeft());
    ASSERT_FALSE(first.viewer.IsRectEmpty());
    EXPECT_EQ(second.viewer, first.viewer);
    ASSERT_FALSE(first.roll.IsRectEmpty());
    EXPECT_EQ(second.roll, first.roll);
    EXPECT_EQ(int(snapvo::GeneralSettings().destination), int(kDestFile));
    capture::DriverCatalog::UseSystem();
}

}  // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
