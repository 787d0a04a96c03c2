// The progress dialog's protocol as the movie program drives it: the work is
// started by a message posted before the dialog runs, steps through Continue,
// and ends the dialog; Abort (a message handled between steps) stops it at
// the following step. The bar is checked pixel by pixel offscreen.
#include "framework/Clock.h"
#include "framework/ProgressDialog.h"
#include "framework/TestUiService.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

#include <vector>

namespace {

constexpr UINT kStartWork = 1967;

// A view that runs ten steps of work when told to, as the save does.
struct Program {
    CWnd view;
    CProgressDialog dialog{&view};
    std::vector<int> steps;       // percentages shown, step by step
    std::vector<BOOL> answers;    // what Continue said at each step
    int notReadyPosts = 0;

    Program()
    {
        view.Create(nullptr, "view", WS_POPUP, CRect());
        view.OnMessage(kStartWork, [this](WPARAM, LPARAM) -> LRESULT {
            if (!dialog.IsReady()) {
                ++notReadyPosts;
                view.PostMessage(kStartWork);
                return 0;
            }
            bool ok = true;
            for (int percent = 0; percent <= 100 && ok; percent += 10) {
                ok = dialog.Continue(percent);
                answers.push_back(ok);
                steps.push_back(dialog.GetPercent());
            }
            dialog.Finish(ok);
            return 0;
        });
    }

    int Run()
    {
        view.PostMessage(kStartWork);
        return dialog.DoModal();
    }
};

class ProgressDialogTest : public ::testing::Test {
protected:
    void SetUp() override { ResetMessageQueue(); }
    ScopedFakeClock clock;
    ScopedTestUi ui;
};

TEST_F(ProgressDialogTest, WorkRunsInsideTheLoopAndEndsItWithOne)
{
    Program program;
    ui->AnswerNextDialog([](CDialog&) { return TestUiService::kStayOpen; });
    EXPECT_EQ(program.Run(), IDOK);
    EXPECT_EQ(ui->dialogs, std::vector<UINT>{IDD_COMPRESSION_PROGRESS});
    EXPECT_EQ(program.steps, (std::vector<int>{0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
    EXPECT_EQ(program.notReadyPosts, 0);
    EXPECT_FALSE(program.dialog.IsActive());
    EXPECT_FALSE(program.dialog.Continue(100));   // a step after the end stops
}

TEST_F(ProgressDialogTest, AbortPressedAtHalfWayStopsTheNextStepAndEndsWithTwo)
{
    Program program;
    bool pressed = false;
    ui->AnswerNextDialog([&](CDialog& d) {
        auto& dialog = static_cast<CProgressDialog&>(d);
        // The press arrives as a message while the bar shows 50.
        dialog.onChanged = [&] {
            if (dialog.GetPercent() == 50 && !pressed)
                pressed = dialog.PostMessage(WM_COMMAND, IDCANCEL);
        };
        return TestUiService::kStayOpen;
    });
    EXPECT_EQ(program.Run(), IDCANCEL);
    EXPECT_TRUE(pressed);
    EXPECT_EQ(program.steps, (std::vector<int>{0, 10, 20, 30, 40, 50, 50}));
    EXPECT_EQ(program.answers.back(), FALSE);
    EXPECT_EQ(std::count(program.answers.begin(), program.answers.end(), FALSE), 1);
}

TEST_F(ProgressDialogTest, WorkPostedBeforeTheDialogIsUpWaitsForIt)
{
    Program program;
    // The start message is handled once before the dialog exists (as when the
    // program's own loop drains first): the view posts it again.
    program.view.PostMessage(kStartWork);
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    DispatchMessage(&msg);
    EXPECT_EQ(program.notReadyPosts, 1);
    ui->AnswerNextDialog([](CDialog&) { return TestUiService::kStayOpen; });
    EXPECT_EQ(program.dialog.DoModal(), IDOK);
    EXPECT_EQ(program.steps.size(), 11u);
}

TEST_F(ProgressDialogTest, PercentIsKeptWithinZeroToHundredAndNestedStepsOnlyGoOn)
{
    CProgressDialog dialog;
    dialog.BeginModal();
    for (auto [given, kept] : {std::pair{37, 37}, {150, 100}, {-5, 0}, {100, 100}}) {
        dialog.SetPercent(given);
        EXPECT_EQ(dialog.GetPercent(), kept) << given;
    }
    // A message handled during a step that itself asks for a step (a nested
    // callback) is told to go on and changes nothing.
    BOOL nested = FALSE;
    CWnd other;
    other.Create(nullptr, "other", WS_POPUP, CRect());
    other.OnMessage(WM_USER, [&](WPARAM, LPARAM) -> LRESULT {
        nested = dialog.Continue(99);
        return 0;
    });
    other.PostMessage(WM_USER);
    EXPECT_TRUE(dialog.Continue(20));
    EXPECT_TRUE(nested);
    EXPECT_EQ(dialog.GetPercent(), 20);
    dialog.OnCancel();
    EXPECT_FALSE(dialog.Continue(30));
    EXPECT_EQ(dialog.GetPercent(), 20);
    dialog.FinishModal();
}

QApplication& App()
{
    static int argc = 1;
    static char name[] = "progress_dialog_test";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

QImage Bar(int percent)
{
    QImage image(200, 30, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    QPainter painter(&image);
    DrawProgressBar(painter, image.rect(), percent);
    return image;
}

TEST(ProgressBarDrawing, BlueToPercentOfTheWidthWhiteBeyondInABlackFrame)
{
    App();
    const QRgb blue = qRgb(0, 0, 255), white = qRgb(255, 255, 255), black = qRgb(0, 0, 0);
    for (int percent : {0, 37, 100, 150}) {
        const QImage image = Bar(percent);
        const int edge = std::min(percent, 100) * image.width() / 100;
        for (int x = 1; x < image.width() - 1; ++x)
            ASSERT_EQ(image.pixel(x, 2), x < edge ? blue : white) << percent << "% at x " << x;
        for (QPoint corner : {QPoint(0, 0), QPoint(199, 29), QPoint(0, 15), QPoint(100, 0), QPoint(100, 29)})
            EXPECT_EQ(image.pixel(corner), black) << percent << "%";
        // The text sits in the middle: ink of the other colour inside each part.
        int whiteInk = 0, blueInk = 0;
        for (int y = 3; y < 27; ++y)
            for (int x = 60; x < 140; ++x) {
                const QRgb p = image.pixel(x, y);
                whiteInk += x < edge && p != blue;
                blueInk += x >= edge && p != white;
            }
        // (a short text: at 37 % it stands wholly in the white part)
        EXPECT_EQ(whiteInk > 0, percent >= 100) << percent << "%";
        EXPECT_EQ(blueInk > 0, percent < 100) << percent << "%";
    }
}

TEST(ProgressDialogWidget, AbortOnScreenStopsTheWorkAndTheDialogEndsWithTwo)
{
    App();
    ScopedFakeClock clock;
    ResetMessageQueue();
    Program program;
    QString title;
    QTimer::singleShot(0, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* abort = w->findChild<QPushButton*>("abort"); abort && w->isVisible()) {
                title = w->windowTitle();
                abort->click();
            }
    });
    program.view.PostMessage(kStartWork);
    program.dialog.BeginModal();
    EXPECT_EQ(program.dialog.ShowModalWidget(), IDCANCEL);
    program.dialog.FinishModal();
    EXPECT_EQ(title, "File compression progress");
    ASSERT_FALSE(program.steps.empty());
    EXPECT_LT(program.steps.size(), 11u);
    EXPECT_EQ(program.answers.back(), FALSE);
}

}  // namespace
