// Shut-down: every item written once, the question about an unsaved movie
// asked before anything is stopped or written, and the program left whole
// when the user cancels or the save does not happen.
#include "reelix_test_util.h"

#include "ReelixSettings.h"
#include "framework/StringTable.h"
#include "resource.h"

using namespace reelix_test;

namespace {

TEST_F(ReelixFixture, ExitAfterAFirstStartWritesEveryItemOfTheTable)
{
    ASSERT_TRUE(Start());
    CRect frame;
    Frame()->GetWindowRect(&frame);
    ASSERT_TRUE(Exit());
    EXPECT_TRUE(ui->boxes.empty());
    struct Row {
        const char* section;
        const char* item;
        const char* value;   // null: only its presence is checked
    };
    const Row rows[] = {
        {"Window", "Placement", nullptr},
        {"Window Mode", "Zoom", "FULL"},
        {"Window Mode", "Angle of View", "CONSTANT"},
        {"Window Mode", "Size of Capture", "FULL"},
        {"Capture", "CaptureRate", "BETTERRATE"},
        {"Capture", "Other", "5"},
        {"Capture", "CaptureDriver", "0"},
        {"Capture", "TimeLapseEditControl", nullptr},
        {"Capture", "Period", nullptr},
        {"Capture", "CaptureMode", "STREAMING"},
        {"Capture", "CaptureAudio", nullptr},
    };
    for (const Row& row : rows) {
        const auto stored = StoredValue(row.section, row.item);
        ASSERT_TRUE(stored.has_value()) << row.section << "/" << row.item;
        if (row.value)
            EXPECT_EQ(*stored, row.value) << row.section << "/" << row.item;
    }
    // The place comes back on the next start.
    Restart();
    EXPECT_EQ(Frame()->NormalRect().TopLeft(), frame.TopLeft());
}

TEST_F(ReelixFixture, SettingsChangedWhileRunningAreThereAfterARestart)
{
    ASSERT_TRUE(Start());
    CRecordSettings& s = View()->Recorder().Settings();
    s.rate = kRateOther;
    s.fps = 2;
    s.mode = kModeTimeLapse;
    s.timeLapseCount = 2;
    s.timeLapseUnit = "Minutes";
    ASSERT_TRUE(Exit());
    EXPECT_EQ(StoredValue("Capture", "Period"), "MINUTES");
    Restart();
    const CRecordSettings& back = View()->Recorder().Settings();
    EXPECT_EQ(back.rate, kRateOther);
    EXPECT_EQ(back.fps, 2);
    EXPECT_EQ(back.mode, kModeTimeLapse);
    EXPECT_EQ(back.timeLapseCount, 2u);
    EXPECT_EQ(back.timeLapseUnit, "MINUTES");
    EXPECT_EQ(back.timeLapseSeconds, TimeLapseSeconds(2, "MINUTES"));
}

// One single frame into the workspace: a movie that is not saved.
#define RECORD_ONE_FRAME()                                                              \
    do {                                                                                \
        View()->Recorder().Settings().mode = kModeSingle;                               \
        View()->Recorder().Toggle();                                                    \
        ASSERT_FALSE(View()->Recorder().MovieSaved());                                  \
    } while (0)

TEST_F(ReelixFixture, CancelAtTheExitQuestionLeavesTheProgramWhole)
{
    ASSERT_TRUE(Start());
    RECORD_ONE_FRAME();
    const BOOL brightnessTimer = View()->BrightnessTimerRunning();
    ui->AnswerNextBox(IDCANCEL);
    EXPECT_FALSE(Exit());
    ASSERT_EQ(ui->boxes.size(), 1u);
    EXPECT_EQ(ui->boxes[0].text, LoadStringText(IDS_UNSAVED_AT_EXIT));
    EXPECT_EQ(ui->boxes[0].type & MB_TYPEMASK, MB_YESNOCANCEL);
    // Nothing was stopped, released or written.
    ASSERT_NE(View()->Camera(), nullptr);
    EXPECT_TRUE(View()->DriverConnected());
    EXPECT_EQ(View()->BrightnessTimerRunning(), brightnessTimer);
    EXPECT_FALSE(StoredValue("Capture", "CaptureMode").has_value());
    EXPECT_TRUE(Frame()->QueryCommand(ID_FUNCTION_PLAYBACK).IsEnabled());
    EXPECT_TRUE(Frame()->QueryCommand(ID_FILE_SAVE_AS).IsEnabled());

    ui->AnswerNextBox(IDNO);
    EXPECT_TRUE(Exit());
    EXPECT_EQ(ui->boxes.size(), 2u);
    EXPECT_TRUE(StoredValue("Capture", "CaptureMode").has_value());
}

TEST_F(ReelixFixture, ASaveThatDoesNotHappenAtExitKeepsTheProgramRunning)
{
    ASSERT_TRUE(Start());
    RECORD_ONE_FRAME();
    ui->AnswerNextBox(IDYES);
    ui->AnswerNextFileDialog(std::nullopt);
    EXPECT_FALSE(Exit());
    EXPECT_FALSE(View()->Recorder().MovieSaved());
    EXPECT_TRUE(View()->DriverConnected());
    EXPECT_FALSE(StoredValue("Capture", "CaptureMode").has_value());
    // The next exit asks again.
    ui->AnswerNextBox(IDCANCEL);
    EXPECT_FALSE(Exit());
    EXPECT_EQ(ui->boxes.size(), 2u);
}

TEST_F(ReelixFixture, ASavedMovieExitsWithoutAQuestion)
{
    ASSERT_TRUE(Start());
    RECORD_ONE_FRAME();
    View()->Recorder().MarkSaved();
    EXPECT_TRUE(Exit());
    EXPECT_TRUE(ui->boxes.empty());
}

}  // namespace
