// The whole program, started as main() starts it, offscreen, in a folder of
// its own: the window shows with its title, SPACE records into the workspace
// and SPACE stops, the close box ends it; SIGTERM ends it as File > Exit does.
#include "reelix_test_util.h"

#include "ReelixSettings.h"
#include "framework/StringTable.h"
#include "movie/movie_reader.h"
#include "resource.h"

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QTimer>
#include <QWidget>

#include <csignal>

using namespace reelix_test;

namespace {

int RunProgram(const std::function<void(CReelixApp&)>& whileRunning)
{
    SetReelixRunningHook(whileRunning);
    char name[] = "reelix32";
    char* argv[] = {name, nullptr};
    const int code = ReelixMain(1, argv);
    SetReelixRunningHook(nullptr);
    return code;
}

void Wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void PressSpace(QWidget* widget)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ");
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, " ");
    QApplication::sendEvent(widget, &release);
}

struct ProgramRun : ::testing::Test {
    ProgramRun() : folder("reelix-run")
    {
        velmora_test::UseFreshConfigHome("reelix-run-config");
        InstallCamera();
        reelix::ResetSettingsForTest();
    }
    ~ProgramRun() override { UninstallDrivers(); }
    WorkingFolder folder;
};

TEST_F(ProgramRun, TheWindowShowsAndSpaceRecordsAMovieWithSound)
{
    // Only the exit question is scripted: the movie is not kept.
    ScopedTestUi ui;
    ui->AnswerNextBox(IDNO);
    bool ran = false;
    QString title;
    bool visible = false;
    const int code = RunProgram([&](CReelixApp& app) {
        ran = true;
        QWidget* widget = app.MainFrame()->Widget();
        ASSERT_NE(widget, nullptr);
        visible = widget->isVisible();
        title = widget->windowTitle();
        PressSpace(widget);
        Wait(1500);
        PressSpace(widget);
        Wait(200);
        widget->close();   // the window manager's close box
    });
    EXPECT_EQ(code, 0);
    ASSERT_TRUE(ran);
    EXPECT_TRUE(visible);
    EXPECT_EQ(title.trimmed(), "Velmora Reelix");
    // SPACE reached the record button: there was a movie to ask about.
    ASSERT_EQ(ui->boxes.size(), 1u);
    EXPECT_EQ(ui->boxes[0].text, LoadStringText(IDS_UNSAVED_AT_EXIT));
    movie::MovieReader reader;
    ASSERT_EQ(reader.Open((folder.Path() / "workspac.avi").string()), 0) << "no readable workspace movie";
    EXPECT_GT(reader.Info().frames, 0u);
    EXPECT_TRUE(reader.Info().hasAudio);
    EXPECT_GT(reader.Info().audioSamples, 0u);
}

// The test-pattern camera's small picture would make a window too narrow for
// its own menus and prompts: every menu title, tool button and status prompt
// must be on show, none behind an overflow button or cut short.
TEST_F(ProgramRun, EveryMenuToolButtonAndStatusPromptFitsTheWindow)
{
    ScopedTestUi ui;
    bool ran = false;
    const int code = RunProgram([&](CReelixApp& app) {
        ran = true;
        auto* window = qobject_cast<QMainWindow*>(app.MainFrame()->Widget());
        ASSERT_NE(window, nullptr);
        QMenuBar* menus = window->menuBar();
        ASSERT_EQ(menus->actions().size(), 5);
        for (QAction* action : menus->actions())
            EXPECT_LE(menus->actionGeometry(action).right(), menus->width()) << action->text().toStdString();
        auto* tools = window->findChild<QToolBar*>();
        ASSERT_NE(tools, nullptr);
        for (QAction* action : tools->actions())
            EXPECT_TRUE(tools->widgetForAction(action) && tools->widgetForAction(action)->isVisible())
                << action->text().toStdString();
        const QFontMetrics status(window->statusBar()->font());
        for (UINT id : {IDS_PRESS_TO_RECORD, IDS_RECORDING, IDS_PRESS_TO_PLAY, IDS_PRESS_TO_STOP})
            EXPECT_LE(status.horizontalAdvance(QString::fromLocal8Bit(LoadStringText(id).GetString())),
                      window->statusBar()->width())
                << id;
        window->close();
    });
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(ran);
}

TEST_F(ProgramRun, SigtermEndsTheProgramAsExitDoesAndTheSettingsAreWritten)
{
    bool ran = false;
    const int code = RunProgram([&](CReelixApp& app) {
        ran = true;
        app.View()->Recorder().Settings().mode = kModeTimeLapse;
        std::raise(SIGTERM);
    });
    EXPECT_EQ(code, 0);
    ASSERT_TRUE(ran);
    EXPECT_EQ(StoredValue("Capture", "CaptureMode"), "TIMELAPSE");
    EXPECT_TRUE(StoredValue("Window", "Placement").has_value());
}

}  // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
