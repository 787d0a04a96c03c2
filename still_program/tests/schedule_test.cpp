// The auto-capture schedule under a fake clock, in a time zone with summer
// time, so that the days when the clocks change are part of every run.
#include "Schedule.h"
#include "Settings.h"
#include "framework/Clock.h"
#include "scoped_time_zone.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

namespace {

constexpr WORD kSunday = 1 << 0;
constexpr WORD kMonday = 1 << 1;
constexpr WORD kEveryDay = 0x7F;
constexpr int kHourEntry = 3;
constexpr DWORD kUntouched = 12345;

// A wall-clock reading in the test's time zone.
struct Local {
    int year, month, day, hour = 0, minute = 0, second = 0;
};

CTime At(const Local& l) { return CTime(l.year, l.month, l.day, l.hour, l.minute, l.second); }

class AutoCaptureSchedule : public ::testing::Test {
protected:
    AutoCaptureSchedule() { snapvo::ResetSettingsForTest(); }
    ~AutoCaptureSchedule() override { snapvo::ResetSettingsForTest(); }

    void SetUp() override
    {
        // Without the zone's rules every "summer" row would silently run in UTC.
        const time_t summer = At({2026, 7, 1, 12}).GetTime();
        struct tm local = {};
        localtime_r(&summer, &local);
        ASSERT_EQ(local.tm_gmtoff, 7200)
            << "time zone rules for Europe/Berlin are missing";
    }

    void SetNow(const Local& l) { clock->SetCurrentTime(At(l).GetTime()); }
    time_t Now() const { return CTime::GetCurrentTime().GetTime(); }

    // Runs the state machine's polling (every 500 ms) until `count` pictures
    // are taken, each delivery taking `deliveryMs`; the pictures' times as
    // seconds after `from`. Gives up after three days of clock time.
    std::vector<int64_t> Pictures(CAutoCaptureTimer& timer, const CAutoCaptureSchedule& schedule, size_t count,
                                  DWORD deliveryMs, time_t from)
    {
        std::vector<int64_t> taken;
        const time_t giveUp = Now() + 3 * 86400;
        while (taken.size() < count && Now() < giveUp) {
            clock->Advance(500);
            DWORD remaining = kUntouched;
            if (timer.PictureDue(schedule, remaining)) {
                taken.push_back(Now() - from);
                clock->Spend(deliveryMs);
            }
        }
        return taken;
    }

    ScopedTimeZone zone{"Europe/Berlin"};
    ScopedFakeClock clock;
};

using AutoCaptureScheduleTimer = AutoCaptureSchedule;

TEST_F(AutoCaptureSchedule, StartsEveryMinuteFromThisHourForAYear)
{
    SetNow({2026, 3, 23, 14, 25, 10});
    const CAutoCaptureSchedule s;
    EXPECT_EQ(s.begin, At({2026, 3, 23, 14, 0, 0}));
    EXPECT_EQ(s.end, At({2027, 3, 23, 14, 30, 0}));
    EXPECT_EQ(s.ListEntry(), 1);
    EXPECT_FALSE(s.otherEnabled);
    EXPECT_EQ(s.days, kEveryDay);
}

TEST_F(AutoCaptureSchedule, LoadsPresetsAndCustomIntervals)
{
    struct Row {
        WORD unit, interval;
        int other;
        WORD loadedUnit;
        int entry;
        BOOL otherEnabled;
    };
    const Row rows[] = {
        {0, 10, 0, 0, 0, FALSE},                          // 10 Seconds
        {1, 1, 0, 1, 1, FALSE},                           // 1 Minute
        {1, 30, 0, 1, 2, FALSE},                          // 30 Minutes
        {2, 1, 0, 2, 3, FALSE},                           // 1 Hour
        {1, 15, 0, 1, CAutoCaptureSchedule::kOtherEntry, TRUE},   // no preset: custom
        {0, 0, 0, 0, CAutoCaptureSchedule::kOtherEntry, TRUE},
        {2, 1, 1, 2, CAutoCaptureSchedule::kOtherEntry, TRUE},    // custom stays custom
        {9, 10, 0, 0, 0, FALSE},                          // unknown unit reads as seconds
    };
    snapvo::AutoCaptureSection& items = snapvo::AutoCaptureSettings();
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.unit << "/" << r.interval << " other " << r.other);
        items.everyType = r.unit;
        items.everyInterval = r.interval;
        items.otherEnabled = r.other;
        CAutoCaptureSchedule s;
        s.Load(items);
        EXPECT_EQ(s.unit, r.loadedUnit);
        EXPECT_EQ(s.interval, r.interval);
        EXPECT_EQ(s.otherEnabled, r.otherEnabled);
        EXPECT_EQ(s.ListEntry(), r.entry);
    }
}

TEST_F(AutoCaptureSchedule, EachPresetSelectedLeavesTheCustomSchedule)
{
    const DWORD seconds[] = {10, 60, 1800, 3600};
    for (int entry = 0; entry < CAutoCaptureSchedule::kOtherEntry; ++entry) {
        CAutoCaptureSchedule s;
        s.otherEnabled = TRUE;
        s.SelectPreset(entry);
        EXPECT_FALSE(s.otherEnabled) << entry;
        EXPECT_EQ(s.ListEntry(), entry);
        EXPECT_EQ(s.IntervalSeconds(), seconds[entry]);
    }
    CAutoCaptureSchedule custom;
    custom.otherEnabled = TRUE;
    custom.interval = 15;
    custom.SelectPreset(CAutoCaptureSchedule::kOtherEntry);
    EXPECT_TRUE(custom.otherEnabled);
    EXPECT_EQ(custom.interval, 15);
}

TEST_F(AutoCaptureSchedule, ABeginTimeNeverStoredStartsBothDatesNow)
{
    SetNow({2026, 3, 23, 14, 25, 10});
    snapvo::AutoCaptureSection& items = snapvo::AutoCaptureSettings();
    items.beginTime = 0;
    items.endTime = uint32_t(At({2030, 1, 1}).GetTime());
    CAutoCaptureSchedule s;
    s.Load(items);
    EXPECT_EQ(s.begin.GetTime(), Now());
    EXPECT_EQ(s.end.GetTime(), Now());
}

TEST_F(AutoCaptureSchedule, EveryFieldSavedLoadsBackUnchanged)
{
    CAutoCaptureSchedule saved;
    saved.unit = kUnitHours;
    saved.interval = 7;
    saved.otherEnabled = TRUE;
    saved.fileSeries = FALSE;
    saved.fileSeriesType = 3;
    saved.days = kMonday | kSunday;
    saved.allDay = TRUE;
    saved.begin = At({2026, 2, 1, 8, 15});
    saved.useEnd = TRUE;
    saved.end = At({2026, 9, 30, 18, 45});
    saved.warning = TRUE;
    saved.latestImageName = "/srv/www/cam.jpg";
    saved.incrementName = "Garden";
    saved.workingDirectory = "/srv/www";
    snapvo::AutoCaptureSection& items = snapvo::AutoCaptureSettings();
    saved.Save(items);
    EXPECT_EQ(uint32_t(items.beginTime), uint32_t(saved.begin.GetTime()));

    CAutoCaptureSchedule loaded;
    loaded.Load(items);
    EXPECT_EQ(loaded.unit, saved.unit);
    EXPECT_EQ(loaded.interval, saved.interval);
    EXPECT_EQ(loaded.otherEnabled, saved.otherEnabled);
    EXPECT_EQ(loaded.fileSeries, saved.fileSeries);
    EXPECT_EQ(loaded.fileSeriesType, saved.fileSeriesType);
    EXPECT_EQ(loaded.days, saved.days);
    EXPECT_EQ(loaded.allDay, saved.allDay);
    EXPECT_EQ(loaded.begin, saved.begin);
    EXPECT_EQ(loaded.useEnd, saved.useEnd);
    EXPECT_EQ(loaded.end, saved.end);
    EXPECT_EQ(loaded.warning, saved.warning);
    EXPECT_EQ(loaded.latestImageName, saved.latestImageName);
    EXPECT_EQ(loaded.incrementName, saved.incrementName);
    EXPECT_EQ(loaded.workingDirectory, saved.workingDirectory);
}

TEST_F(AutoCaptureSchedule, RemainingCountsFromThePeriodStart)
{
    struct Row {
        WORD unit, interval;
        int64_t elapsed;
        BOOL due;
        DWORD remaining;
    };
    const Row rows[] = {
        {kUnitHours, 1, 0, TRUE, 3600},
        {kUnitHours, 1, 3599, TRUE, 1},
        {kUnitHours, 1, 3600, TRUE, 0},
        {kUnitHours, 1, 7300, TRUE, 0},
        {kUnitSeconds, 10, -86400, TRUE, 10},   // clock set back: a whole interval, not the jump
        {kUnitMinutes, 0, 100, FALSE, kUntouched},
    };
    SetNow({2026, 3, 23, 12});
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.unit << "/" << r.interval << " after " << r.elapsed);
        CAutoCaptureSchedule s;
        s.unit = r.unit;
        s.interval = r.interval;
        DWORD remaining = kUntouched;
        EXPECT_EQ(s.IsDue(CTime(Now() - r.elapsed), remaining), r.due);
        EXPECT_EQ(remaining, r.remaining);
    }
}

TEST_F(AutoCaptureSchedule, DaysWindowAndDatesFollowTheLocalCalendar)
{
    struct Row {
        const char* what;
        WORD days;
        BOOL allDay;
        Local begin, end;
        BOOL useEnd;
        Local now;
        BOOL due;
        BOOL other = TRUE;
    };
    // The window's times come from stamps taken in winter; 2026 moves the
    // clocks on Sunday 29 March and Sunday 25 October.
    const Local nine{2026, 1, 5, 9}, five{2026, 1, 5, 17};
    const Local ten{2026, 1, 5, 22}, six{2026, 1, 6, 6};
    const Local longAgo{2026, 1, 1}, nextYear{2027, 1, 1};
    const Row rows[] = {
        {"Monday only: Sunday", kMonday, FALSE, nine, five, FALSE, {2026, 3, 22, 12}, FALSE},
        {"Monday only: 17:01", kMonday, FALSE, nine, five, FALSE, {2026, 3, 23, 17, 1}, FALSE},
        {"Monday only: 17:00", kMonday, FALSE, nine, five, FALSE, {2026, 3, 23, 17, 0}, TRUE},
        {"Monday only: 09:00", kMonday, FALSE, nine, five, FALSE, {2026, 3, 23, 9, 0}, TRUE},
        {"Monday only: 08:59:59", kMonday, FALSE, nine, five, FALSE, {2026, 3, 23, 8, 59, 59}, FALSE},
        {"summer Monday: 09:00", kMonday, FALSE, nine, five, FALSE, {2026, 3, 30, 9, 0}, TRUE},
        {"summer Monday: 08:59", kMonday, FALSE, nine, five, FALSE, {2026, 3, 30, 8, 59}, FALSE},
        {"summer Monday: 16:59", kMonday, FALSE, nine, five, FALSE, {2026, 3, 30, 16, 59}, TRUE},
        {"summer Monday: 17:01", kMonday, FALSE, nine, five, FALSE, {2026, 3, 30, 17, 1}, FALSE},
        {"clocks forward: 09:00", kEveryDay, FALSE, nine, five, FALSE, {2026, 3, 29, 9, 0}, TRUE},
        {"clocks forward: 08:59:59", kEveryDay, FALSE, nine, five, FALSE, {2026, 3, 29, 8, 59, 59}, FALSE},
        {"clocks back: 08:59:59", kEveryDay, FALSE, nine, five, FALSE, {2026, 10, 25, 8, 59, 59}, FALSE},
        {"clocks back: 16:59", kEveryDay, FALSE, nine, five, FALSE, {2026, 10, 25, 16, 59}, TRUE},
        {"clocks back: 17:00:01", kEveryDay, FALSE, nine, five, FALSE, {2026, 10, 25, 17, 0, 1}, FALSE},
        {"22-06: 23:00", kEveryDay, FALSE, ten, six, FALSE, {2026, 3, 23, 23, 0}, TRUE},
        {"22-06: 05:59", kEveryDay, FALSE, ten, six, FALSE, {2026, 3, 24, 5, 59}, TRUE},
        {"22-06: 06:01", kEveryDay, FALSE, ten, six, FALSE, {2026, 3, 24, 6, 1}, FALSE},
        {"22-06: 21:59", kEveryDay, FALSE, ten, six, FALSE, {2026, 3, 23, 21, 59}, FALSE},
        {"22-06: noon", kEveryDay, FALSE, ten, six, FALSE, {2026, 3, 23, 12, 0}, FALSE},
        {"Monday nights: Tuesday 01:00", kMonday, FALSE, ten, six, FALSE, {2026, 3, 24, 1, 0}, TRUE},
        {"Monday nights: Monday 01:00", kMonday, FALSE, ten, six, FALSE, {2026, 3, 23, 1, 0}, FALSE},
        {"begins tomorrow", kEveryDay, TRUE, {2026, 3, 24}, nextYear, FALSE, {2026, 3, 23, 12}, FALSE},
        {"begins later today", kEveryDay, TRUE, {2026, 3, 23, 18}, nextYear, FALSE, {2026, 3, 23, 12}, TRUE},
        {"until today: today", kEveryDay, TRUE, longAgo, {2026, 3, 23, 8}, TRUE, {2026, 3, 23, 23, 30}, TRUE},
        {"until today: tomorrow", kEveryDay, TRUE, longAgo, {2026, 3, 23, 8}, TRUE, {2026, 3, 24, 0, 30}, FALSE},
        {"end date without until", kEveryDay, TRUE, longAgo, {2026, 3, 23, 8}, FALSE, {2026, 3, 24, 0, 30}, TRUE},
        {"preset ignores days and window", 0, FALSE, nine, five, FALSE, {2026, 3, 22, 20}, TRUE, FALSE},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        CAutoCaptureSchedule s;
        s.SelectPreset(0);
        s.otherEnabled = r.other;
        s.days = r.days;
        s.allDay = r.allDay;
        s.begin = At(r.begin);
        s.end = At(r.end);
        s.useEnd = r.useEnd;
        SetNow(r.now);
        DWORD remaining = kUntouched;
        const BOOL open = s.IsDue(CTime(Now() - 60), remaining);
        EXPECT_EQ(open && remaining == 0, r.due);
    }
}

TEST_F(AutoCaptureSchedule, ExposureTooLongOnlyForATimedShutterInAutoCapture)
{
    struct Row {
        WORD captureMode, shutterMode, unit, interval;
        DWORD timedSeconds;
        BOOL tooLong;
    };
    const Row rows[] = {
        {kExposureAuto, kShutterTimed, kUnitSeconds, 10, 11, TRUE},
        {kExposureAuto, kShutterTimed, kUnitSeconds, 10, 10, FALSE},
        {kExposureAuto, kShutterTimed, kUnitHours, 1, 3601, TRUE},
        {kExposureAuto, kShutterTimed, kUnitMinutes, 30, 1800, FALSE},
        {kExposureSingle, kShutterTimed, kUnitSeconds, 10, 60, FALSE},
        {kExposureAuto, kShutterNormal, kUnitSeconds, 10, 60, FALSE},
    };
    for (const Row& r : rows) {
        CAutoCaptureSchedule s;
        s.unit = r.unit;
        s.interval = r.interval;
        EXPECT_EQ(s.ExposureTooLong(r.captureMode, r.shutterMode, r.timedSeconds), r.tooLong)
            << r.captureMode << " " << r.shutterMode << " " << r.interval << " " << r.timedSeconds;
    }
}

TEST_F(AutoCaptureSchedule, AutoCaptureWithABurstOrBulbFallsBackToSingle)
{
    struct Row {
        WORD captureMode, multiExposureMode, shutterMode, normalised;
        BOOL changed;
    };
    const Row rows[] = {
        {kExposureAuto, kMultiOne, kShutterNormal, kExposureAuto, FALSE},
        {kExposureAuto, kMultiOne, kShutterTimed, kExposureAuto, FALSE},
        {kExposureAuto, kMultiOne, kShutterBulb, kExposureSingle, TRUE},
        {kExposureAuto, kMultiThree, kShutterNormal, kExposureSingle, TRUE},   // three pictures
        {kExposureAuto, kMultiOther, kShutterTimed, kExposureSingle, TRUE},    // the other count
        {kExposureSingle, kMultiThree, kShutterBulb, kExposureSingle, FALSE},
    };
    for (const Row& r : rows) {
        WORD mode = r.captureMode;
        EXPECT_EQ(NormaliseCaptureMode(mode, r.multiExposureMode, r.shutterMode), r.changed)
            << r.captureMode << " " << r.multiExposureMode << " " << r.shutterMode;
        EXPECT_EQ(mode, r.normalised);
    }
}

TEST_F(AutoCaptureScheduleTimer, OneHourStartsAfterAnHourAndSlowDeliveriesDoNotDrift)
{
    CAutoCaptureSchedule s;
    s.SelectPreset(kHourEntry);
    SetNow({2026, 3, 23, 10});
    CAutoCaptureTimer timer;
    timer.Start();
    const std::vector<int64_t> taken = Pictures(timer, s, 11, 2000, Now());
    ASSERT_EQ(taken.size(), 11u);
    for (size_t k = 0; k < taken.size(); ++k)
        EXPECT_EQ(taken[k], int64_t(3600 * (k + 1))) << "picture " << k;
}

TEST_F(AutoCaptureScheduleTimer, ClockChangesStartTheIntervalAgain)
{
    struct Row {
        const char* what;
        int64_t jump;
        std::vector<int64_t> afterJump;
    };
    const Row rows[] = {
        {"back a day", -86400, {3600, 7200}},
        {"back a minute", -60, {1860, 5460}},   // the period start is still behind
        {"forward a day", 86400, {0, 3600}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        CAutoCaptureSchedule s;
        s.SelectPreset(kHourEntry);
        SetNow({2026, 3, 23, 10});
        CAutoCaptureTimer timer;
        timer.Start();
        clock->Advance(30 * 60 * 1000);
        clock->SetCurrentTime(Now() + r.jump);
        const time_t jumped = Now();
        std::vector<int64_t> taken = Pictures(timer, s, r.afterJump.size(), 0, jumped);
        EXPECT_EQ(taken, r.afterJump);
    }
}

TEST_F(AutoCaptureScheduleTimer, AfterANightClosedTheIntervalCountsFromTheFirstPicture)
{
    CAutoCaptureSchedule s;
    s.SelectPreset(kHourEntry);
    s.otherEnabled = TRUE;
    s.begin = At({2026, 1, 5, 9});
    s.end = At({2026, 1, 5, 17});
    SetNow({2026, 3, 23, 8, 37});
    CAutoCaptureTimer timer;
    timer.Start();
    const time_t start = Now();
    std::vector<int64_t> expected;
    for (int hour = 9; hour <= 16; ++hour)
        expected.push_back(At({2026, 3, 23, hour, 37}).GetTime() - start);
    expected.push_back(At({2026, 3, 24, 9, 0}).GetTime() - start);
    expected.push_back(At({2026, 3, 24, 10, 0}).GetTime() - start);
    EXPECT_EQ(Pictures(timer, s, expected.size(), 2000, start), expected);
}

}  // namespace
