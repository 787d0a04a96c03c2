// The playback function: what the frame and the status line show as movies
// open and close, SPACE and the commands playing and stopping in order, the
// window's place in the view, and the right button reaching the pop-up menu.
#include "player_fixture.h"

#include "framework/QtWnd.h"
#include "movie/playback_widget.h"

#include <QApplication>
#include <QWidget>

using namespace playertest;
using movie::PlaybackMode;

namespace {

TEST_F(PlayerTest, OpenAndCloseSetCaptionIdleTextAndFrame)
{
    const std::string full = WriteMovie(folder / "full.avi", 4);
    const std::string empty = WriteMovie(folder / "empty.avi", 0);
    const struct {
        const char* what;
        std::string name;   // chosen in Open; empty: Close
        const char* caption;
        UINT idle;
        bool fitted;
        int playBar;
    } rows[] = {
        {"a movie", full, "Reelix <%s>", IDS_PRESS_TO_PLAY, true, movie::PlaybackWindow::kPlayBarHeight},
        {"a movie without frames", empty, "Reelix <%s>", IDS_READY, true, kHeight + movie::PlaybackWindow::kPlayBarHeight},
        {"closed", "", "Reelix", IDS_READY, false, movie::PlaybackWindow::kPlayBarHeight},
    };
    for (const auto& row : rows) {
        host.fits.clear();
        host.settings.clear();
        const int stops = host.stops;
        if (row.name.empty()) {
            player.OnClose();
        } else {
            ui->AnswerNextFileDialog(CString(row.name.c_str()));
            player.OnOpen();
        }
        CString caption;
        caption.Format(row.caption, row.name.c_str());
        ASSERT_TRUE(player.HasWindow()) << row.what;
        EXPECT_EQ(host.captions.back(), caption) << row.what;
        EXPECT_EQ(host.idleTexts.back(), row.idle) << row.what;
        EXPECT_TRUE(host.playback) << row.what;
        EXPECT_GT(host.stops, stops) << row.what;
        EXPECT_EQ(host.fits.size(), row.fitted ? 1u : 0u) << row.what;
        if (row.fitted) {
            EXPECT_EQ(host.fits[0], CSize(kWidth, kHeight)) << row.what;
        }
        EXPECT_EQ(player.PlayBarHeight(), row.playBar) << row.what;
        ASSERT_EQ(host.settings.size(), 1u) << row.what;
        EXPECT_EQ(host.settings[0].first, 2) << row.what;
        EXPECT_EQ(host.settings[0].last, 3) << row.what;
        EXPECT_FALSE(host.settings[0].enable) << row.what;
    }
    const FileDialogRequest& asked = ui->fileDialogs.front();
    EXPECT_FALSE(asked.save);
    EXPECT_EQ(asked.flags, 0x1804u);
    EXPECT_EQ(asked.filter, "VFW|*.avi||");
    EXPECT_EQ(asked.defaultExt, "avi");
}

TEST_F(PlayerTest, OpenCancelledOrFailingKeepsTheUserInformed)
{
    player.OpenForPlayback(host.workspace);
    movie::PlaybackWindow* before = player.Window();
    ui->AnswerNextFileDialog(std::nullopt);
    player.OnOpen();
    EXPECT_EQ(player.Window(), before);   // nothing closed

    const std::string junk = folder / "junk.avi";
    std::ofstream(junk) << "not a movie at all";
    ui->AnswerNextFileDialog(CString(junk.c_str()));
    player.OnOpen();
    ASSERT_EQ(ui->boxes.size(), 1u);
    EXPECT_NE(ui->boxes[0].text.Find("junk.avi"), -1);
    EXPECT_FALSE(player.HasMovie());
    EXPECT_EQ(host.captions.back(), "Reelix");
    EXPECT_EQ(host.idleTexts.back(), IDS_READY);
}

TEST_F(PlayerTest, PlaybackSwitchAgainOnlyRefreshesTheIdleText)
{
    player.OpenForPlayback(host.workspace);
    movie::PlaybackWindow* window = player.Window();
    const size_t captions = host.captions.size();
    host.idleTexts.clear();
    player.OpenForPlayback(host.workspace);
    EXPECT_EQ(player.Window(), window);
    EXPECT_EQ(host.captions.size(), captions);
    EXPECT_EQ(host.idleTexts, std::vector<UINT>{IDS_PRESS_TO_PLAY});
}

TEST_F(PlayerTest, SpaceTogglesPlayAndStopOnlyInPlayback)
{
    std::vector<PlaybackMode> modes;
    // In Record function SPACE belongs to the recorder.
    player.OnSpace();
    EXPECT_FALSE(player.HasWindow());

    player.OpenForPlayback(host.workspace);
    auto* window = player.Window();
    ASSERT_NE(window, nullptr);
    host.idleTexts.clear();
    for (int press = 0; press < 4; ++press) {
        player.OnSpace();
        modes.push_back(window->Mode());
    }
    EXPECT_EQ(modes, (std::vector<PlaybackMode>{PlaybackMode::kPlaying, PlaybackMode::kStopped,
                                                PlaybackMode::kPlaying, PlaybackMode::kStopped}));
    EXPECT_EQ(host.idleTexts, (std::vector<UINT>{IDS_PRESS_TO_STOP, IDS_PRESS_TO_PLAY, IDS_PRESS_TO_STOP,
                                                 IDS_PRESS_TO_PLAY}));

    // Back in Record function the window may still exist: SPACE leaves it alone.
    host.playback = false;
    player.OnSpace();
    EXPECT_EQ(window->Mode(), PlaybackMode::kStopped);
}

TEST_F(PlayerTest, PlayAndStopCommandsNeedFramesAndPlayingRunsToTheEnd)
{
    player.OnClose();   // an empty window
    player.OnPlay();
    EXPECT_EQ(player.Window()->Mode(), PlaybackMode::kOpen);
    player.OnSpace();   // nothing to play either
    EXPECT_EQ(player.Window()->Mode(), PlaybackMode::kOpen);

    player.CloseWindow();
    player.OpenForPlayback(host.workspace);
    player.OnPlay();
    EXPECT_EQ(player.Window()->Mode(), PlaybackMode::kPlaying);
    player.OnStop();
    EXPECT_EQ(player.Window()->Mode(), PlaybackMode::kStopped);
    player.OnPlay();
    clock->Advance(2000);
    PumpMessages();
    EXPECT_EQ(player.Window()->Mode(), PlaybackMode::kStopped);
    EXPECT_EQ(player.Window()->Position(), player.Window()->Length());
    EXPECT_EQ(host.idleTexts.back(), IDS_PRESS_TO_PLAY);
}

TEST_F(PlayerTest, WindowSitsCentredTenPixelsHighAndRightClickReachesThePopupMenu)
{
    player.OpenForPlayback(host.workspace);
    const auto* window = player.Window();
    CRect rect;
    window->GetWindowRect(&rect);
    const int width = movie::PlaybackWindow::kMinWidth, height = kHeight + movie::PlaybackWindow::kPlayBarHeight;
    EXPECT_EQ(rect, CRect((640 - width) / 2, (480 - height) / 2 - 10, (640 + width) / 2, (480 - height) / 2 - 10 + height));

    player.LayOut(CRect(0, 0, 100, 20));   // too small a view: kept inside it
    window->GetWindowRect(&rect);
    EXPECT_EQ(rect.TopLeft(), CPoint(0, 0));

    player.LayOut(CRect(0, 0, 640, 480));
    window->GetWindowRect(&rect);
    player.Window()->onRightButton(POINT{5, 7});
    ASSERT_EQ(host.popups.size(), 1u);
    EXPECT_EQ(host.popups[0], CPoint(rect.left + 5, rect.top + 7));
}

// The widget class has no meta-object of its own: found by its C++ type.
std::vector<movie::PlaybackWidget*> PlaybackWidgets(const QWidget& view)
{
    std::vector<movie::PlaybackWidget*> found;
    for (QWidget* child : view.findChildren<QWidget*>())
        if (auto* widget = dynamic_cast<movie::PlaybackWidget*>(child))
            found.push_back(widget);
    return found;
}

TEST_F(PlayerTest, OnScreenTheWindowGetsAWidgetInsideTheViewsThatGoesWithIt)
{
    int argc = 1;
    char name[] = "player_test";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    CQtWnd view;
    QWidget viewWidget;
    view.Create(nullptr, "View", 0, CRect(0, 0, 640, 480));
    view.AttachWidget(&viewWidget);
    host.viewWnd = &view;
    player.OpenForPlayback(host.workspace);
    auto widgets = PlaybackWidgets(viewWidget);
    ASSERT_EQ(widgets.size(), 1u);
    EXPECT_FALSE(widgets[0]->Picture().isNull());
    EXPECT_EQ(widgets[0]->geometry().topLeft(), QPoint((640 - movie::PlaybackWindow::kMinWidth) / 2,
                                                       (480 - kHeight - movie::PlaybackWindow::kPlayBarHeight) / 2 - 10));
    player.OnClose();   // a new, empty window: one widget still
    EXPECT_EQ(PlaybackWidgets(viewWidget).size(), 1u);
    player.CloseWindow();
    EXPECT_TRUE(PlaybackWidgets(viewWidget).empty());
}

}  // namespace
