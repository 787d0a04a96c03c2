#include "ReelixSettings.h"

#include <gtest/gtest.h>

namespace {

TEST(ReelixSettingsText, RatesAndModesReadInAnyCaseAndUnknownTextsAreRefused)
{
    struct Row {
        const char* text;
        int rate;
        int mode;
    };
    const Row rows[] = {
        {"BESTRATE", kRateBest, -1},  {"betterrate", kRateBetter, -1}, {"GoodRate", kRateGood, -1},
        {"OTHERRATE", kRateOther, -1}, {"STREAMING", -1, kModeStreaming}, {"timelapse", -1, kModeTimeLapse},
        {"Single", -1, kModeSingle},   {"", -1, -1},                       {"FASTRATE", -1, -1},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(reelix::RateFromText(row.text), row.rate) << row.text;
        EXPECT_EQ(reelix::ModeFromText(row.text), row.mode) << row.text;
    }
    for (int rate : {kRateBest, kRateBetter, kRateGood, kRateOther})
        EXPECT_EQ(reelix::RateFromText(reelix::RateText(rate)), rate);
    // A mode the program does not know is saved as streaming.
    EXPECT_STREQ(reelix::ModeText(3), "STREAMING");
}

// Fresh settings items for one test: made before any member refers to them.
struct FreshSettings {
    FreshSettings() { reelix::ResetSettingsForTest(); }
    ~FreshSettings() { reelix::ResetSettingsForTest(); }
};

struct CaptureItems : ::testing::Test {
    FreshSettings fresh;
    reelix::CaptureSection& capture = reelix::CaptureSettings();
};

TEST_F(CaptureItems, EachStoredRateGivesItsFramesPerSecondAndAnUnknownOneKeepsTheRate)
{
    struct Row {
        const char* stored;
        int rate;
        int fps;
    };
    const Row rows[] = {{"BESTRATE", kRateBest, 15},   {"BETTERRATE", kRateBetter, 10}, {"GOODRATE", kRateGood, 5},
                        {"OTHERRATE", kRateOther, 3},  {"SLOWRATE", kRateBetter, 7}};
    capture.otherFps = 3;
    for (const Row& row : rows) {
        capture.rate = CString(row.stored);
        CRecordSettings current;
        current.fps = 7;
        current.rate = kRateOther;
        const CRecordSettings read = reelix::ReadRecordSettings(capture, current);
        EXPECT_EQ(read.rate, row.rate) << row.stored;
        EXPECT_EQ(read.fps, row.fps) << row.stored;
    }
}

TEST_F(CaptureItems, ALowerCaseTextIsUpperCasedAndAnUnknownOneMeansBetterAtTheRateBefore)
{
    capture.rate = CString("better");
    EXPECT_EQ(CString(capture.rate), "BETTER");
    CRecordSettings current;
    current.rate = kRateBest;
    current.fps = 15;
    const CRecordSettings read = reelix::ReadRecordSettings(capture, current);
    EXPECT_EQ(read.rate, kRateBetter);
    EXPECT_EQ(read.fps, 15);
    capture.mode = CString("sideways");
    EXPECT_EQ(reelix::ReadRecordSettings(capture, current).mode, kModeStreaming);
}

TEST_F(CaptureItems, WritingKeepsOtherUnlessThatRateIsChosenAndSavesUnknownModesAsStreaming)
{
    CRecordSettings s;
    s.rate = kRateBest;
    s.fps = 15;
    s.mode = kModeSingle;
    s.timeLapseCount = 2;
    s.timeLapseUnit = "Minutes";
    s.audio = FALSE;
    capture.otherFps = 12;
    reelix::WriteRecordSettings(s, capture);
    EXPECT_EQ(CString(capture.rate), "BESTRATE");
    EXPECT_EQ(capture.otherFps.Get(), 12);
    EXPECT_EQ(CString(capture.mode), "SINGLE");
    EXPECT_EQ(capture.timeLapseCount.Get(), 2u);
    EXPECT_EQ(CString(capture.period), "MINUTES");
    EXPECT_FALSE(bool(int(capture.audio)));

    s.rate = kRateOther;
    s.fps = 2;
    s.mode = 3;
    reelix::WriteRecordSettings(s, capture);
    EXPECT_EQ(capture.otherFps.Get(), 2);
    EXPECT_EQ(CString(capture.mode), "STREAMING");
}

TEST_F(CaptureItems, LimitsAreThoseOfTheTableWithOtherWidenedToTheDialogsRange)
{
    capture.otherFps = 0;
    EXPECT_EQ(capture.otherFps.Get(), 1);
    capture.otherFps = 40;
    EXPECT_EQ(capture.otherFps.Get(), 30);
    capture.driverIndex = 12;
    EXPECT_EQ(capture.driverIndex.Get(), 9);
    capture.timeLapseCount = 61;
    EXPECT_EQ(capture.timeLapseCount.Get(), 60u);
}

}  // namespace
