// The Time Lapse and Other Frame Rate dialogs through the Settings menu's
// commands, answered as a user answers them.
#include "recorder_test_util.h"

#include "RecordDialogs.h"
#include "resource.h"

#include <utility>

namespace rectest {
namespace {

using Entry = std::pair<const char*, const char*>;   // count, unit

// One shown dialog: the entries tried with OK in turn, until one is taken.
struct ShownTimeLapse {
    std::vector<Entry> entries;
};

// What each shown dialog started with, and how often it refused OK.
struct Seen {
    std::vector<Entry> opened;
    std::vector<std::pair<CString, CString>> openedTexts;
    int refusals = 0;
};

std::function<int(CDialog&)> TypeIn(const ShownTimeLapse& shown, Seen& seen)
{
    return [shown, &seen](CDialog& d) {
        auto& dialog = dynamic_cast<CTimeLapseDlg&>(d);
        seen.openedTexts.emplace_back(dialog.countText, dialog.unitText);
        for (const Entry& e : shown.entries) {
            dialog.countText = e.first;
            dialog.unitText = e.second;
            dialog.OnOK();
            if (dialog.IsEnded())
                return IDOK;
            ++seen.refusals;
        }
        return IDCANCEL;
    };
}

TEST_F(RecorderTest, TimeLapseDialogTakesOnlyACountAndAUnitItKnows)
{
    struct Case {
        const char* name;
        std::vector<ShownTimeLapse> dialogs;
        int refusals;
        DWORD count;
        const char* unit;
        DWORD seconds;
    };
    const Case cases[] = {
        {"2 Minutes", {{{{"2", "Minutes"}}}}, 0, 2, "Minutes", 120},
        {"count 0 refused in the dialog", {{{{"0", "Minutes"}, {"3", "Hours"}}}}, 1, 3, "Hours", 10800},
        {"count 61 refused", {{{{"61", "Seconds"}, {"60", "Seconds"}}}}, 1, 60, "Seconds", 60},
        {"no number refused", {{{{"two", "Seconds"}, {"", "Seconds"}, {" 9 ", "Seconds"}}}}, 2, 9, "Seconds", 9},
        {"an unknown unit shows it again", {{{{"5", "Fortnights"}}}, {{{"5", "seconds"}}}}, 0, 5, "seconds", 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ui->boxes.clear();
        ui->dialogs.clear();
        recorder.Settings().mode = kModeStreaming;
        Seen seen;
        for (const ShownTimeLapse& shown : c.dialogs)
            ui->AnswerNextDialog(TypeIn(shown, seen));
        recorder.OnTimeLapse();
        ASSERT_EQ(ui->dialogs, std::vector<UINT>(c.dialogs.size(), CTimeLapseDlg::IDD));
        EXPECT_EQ(seen.refusals, c.refusals);
        ASSERT_EQ(ui->boxes.size(), size_t(c.refusals));
        for (const TestUiService::ShownBox& box : ui->boxes)
            EXPECT_EQ(box.text, "Please enter a number between 1 and 60.");
        // Shown again, the dialog holds what was entered.
        if (c.dialogs.size() > 1)
            EXPECT_EQ(seen.openedTexts[1].first, "5");
        const CRecordSettings& s = recorder.Settings();
        EXPECT_EQ(s.mode, kModeTimeLapse);
        EXPECT_EQ(s.timeLapseCount, c.count);
        EXPECT_EQ(s.timeLapseUnit, c.unit);
        EXPECT_EQ(s.timeLapseSeconds, c.seconds);
    }
}

TEST_F(RecorderTest, TimeLapseDialogOpensOnTheCurrentIntervalAndCancelChangesNothing)
{
    struct Case {
        DWORD count;
        const char* unit;
        const char* countText;
        const char* unitText;
    };
    const Case cases[] = {
        {2, "MINUTES", "2", "Minutes"},
        {7, "hours", "7", "Hours"},
        {1, "", "1", "Seconds"},
        {5, "Weeks", "5", "Seconds"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.unit);
        CRecordSettings& s = recorder.Settings();
        s.mode = kModeSingle;
        s.timeLapseCount = c.count;
        s.timeLapseUnit = c.unit;
        s.timeLapseSeconds = 99;
        Seen seen;
        ui->AnswerNextDialog([&seen](CDialog& d) {
            auto& dialog = dynamic_cast<CTimeLapseDlg&>(d);
            seen.openedTexts.emplace_back(dialog.countText, dialog.unitText);
            dialog.countText = "3";
            dialog.unitText = "Hours";
            return IDCANCEL;
        });
        recorder.OnTimeLapse();
        ASSERT_EQ(seen.openedTexts.size(), 1u);
        EXPECT_EQ(seen.openedTexts[0].first, c.countText);
        EXPECT_EQ(seen.openedTexts[0].second, c.unitText);
        EXPECT_EQ(s.mode, kModeSingle);
        EXPECT_EQ(s.timeLapseCount, c.count);
        EXPECT_EQ(s.timeLapseUnit, c.unit);
        EXPECT_EQ(s.timeLapseSeconds, 99u);
    }
}

TEST_F(RecorderTest, OtherRateDialogTakesOneToThirty)
{
    struct Case {
        const char* typed;
        bool taken;
        int fps;
    };
    const Case cases[] = {
        {"0", false, 0}, {"31", false, 0}, {"-2", false, 0}, {"abc", false, 0}, {"2.5", false, 0},
        {"", false, 0},  {"2", true, 2},   {"1", true, 1},   {" 30 ", true, 30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        ui->boxes.clear();
        recorder.OnGoodRate();
        CString opened;
        bool ended = false;
        ui->AnswerNextDialog([&](CDialog& d) {
            auto& dialog = dynamic_cast<COtherRateDlg&>(d);
            opened = dialog.rateText;
            dialog.rateText = c.typed;
            dialog.OnOK();
            ended = dialog.IsEnded();
            return ended ? IDOK : IDCANCEL;
        });
        recorder.OnOtherRate();
        EXPECT_EQ(opened, "5");
        EXPECT_EQ(ended, c.taken);
        CAPTUREPARMS parms{};
        ASSERT_TRUE(view.camera.GetSequenceSetup(&parms));
        if (c.taken) {
            EXPECT_TRUE(ui->boxes.empty());
            EXPECT_EQ(recorder.Settings().rate, kRateOther);
            EXPECT_EQ(recorder.Settings().fps, c.fps);
            EXPECT_TRUE(recorder.OtherChecked());
            EXPECT_EQ(parms.dwRequestMicroSecPerFrame, DWORD(1000000 / c.fps));
        } else {
            ASSERT_EQ(ui->boxes.size(), 1u);
            EXPECT_EQ(ui->boxes[0].text, "Please enter a number between 1 and 30.");
            EXPECT_EQ(recorder.Settings().rate, kRateGood);
            EXPECT_EQ(parms.dwRequestMicroSecPerFrame, 200000u);
        }
        EXPECT_EQ(recorder.Settings().mode, kModeStreaming);
    }
}

TEST_F(RecorderTest, OtherRateHelpOpensItsPage)
{
    ui->AnswerNextDialog([](CDialog& d) {
        dynamic_cast<COtherRateDlg&>(d).OnHelp();
        return IDCANCEL;
    });
    recorder.OnOtherRate();
    ASSERT_EQ(ui->helpCalls.size(), 1u);
    EXPECT_EQ(ui->helpCalls[0].file, "reelix.hlp");
    EXPECT_EQ(ui->helpCalls[0].command, HELP_CONTEXT);
    EXPECT_EQ(ui->helpCalls[0].data, 24u);
}

}  // namespace
}  // namespace rectest
