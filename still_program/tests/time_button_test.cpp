// The date and time button: every field's step, the wrap at both ends, the
// day brought into a shorter month, leap years, and the days the clocks change.
#include "TimeButton.h"
#include "resource.h"
#include "scoped_time_zone.h"

#include <gtest/gtest.h>

namespace {

using F = TimeField;
constexpr auto kTime = TimeLayout::Time;
constexpr auto kMonthFirst = TimeLayout::DateMonthFirst;
constexpr auto kDayFirst = TimeLayout::DateDayFirst;

CTime At(const CalendarFields& f) { return f.ToTime(); }

void ExpectFields(const CalendarFields& got, const CalendarFields& want)
{
    EXPECT_EQ(got.year, want.year);
    EXPECT_EQ(got.month, want.month);
    EXPECT_EQ(got.day, want.day);
    EXPECT_EQ(got.hour, want.hour);
    EXPECT_EQ(got.minute, want.minute);
    EXPECT_EQ(got.second, want.second);
}

class TimeButtonTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterSnapvoStrings(); }
    // Every row runs with summer time about, so no row passes by luck in UTC.
    ScopedTimeZone zone{"Europe/Berlin"};
};

struct StepRow {
    const char* what;
    TimeLayout layout;
    CalendarFields from;
    F field;
    int direction;
    CalendarFields to;
};

TEST_F(TimeButtonTest, EachStepMovesOneFieldAndWraps)
{
    const StepRow rows[] = {
        {"hour up past 23", kTime, {2026, 5, 10, 23, 15, 0}, F::Hour, +1, {2026, 5, 10, 0, 15, 0}},
        {"hour down past 0", kTime, {2026, 5, 10, 0, 15, 0}, F::Hour, -1, {2026, 5, 10, 23, 15, 0}},
        {"minute up past 59 leaves the hour", kTime, {2026, 5, 10, 8, 59, 0}, F::Minute, +1, {2026, 5, 10, 8, 0, 0}},
        {"minute down past 0", kTime, {2026, 5, 10, 8, 0, 0}, F::Minute, -1, {2026, 5, 10, 8, 59, 0}},
        {"AM to PM", kTime, {2026, 5, 10, 9, 30, 0}, F::AmPm, +1, {2026, 5, 10, 21, 30, 0}},
        {"PM to AM", kTime, {2026, 5, 10, 21, 30, 0}, F::AmPm, +1, {2026, 5, 10, 9, 30, 0}},
        {"AM to PM downwards", kTime, {2026, 5, 10, 0, 30, 0}, F::AmPm, -1, {2026, 5, 10, 12, 30, 0}},
        {"month up past December keeps the year", kMonthFirst, {2026, 12, 5, 8, 0, 0}, F::Month, +1,
         {2026, 1, 5, 8, 0, 0}},
        {"month down past January", kMonthFirst, {2026, 1, 5, 8, 0, 0}, F::Month, -1, {2026, 12, 5, 8, 0, 0}},
        {"day up past April's 30th", kMonthFirst, {2026, 4, 30, 8, 0, 0}, F::Day, +1, {2026, 4, 1, 8, 0, 0}},
        {"day down past the 1st of May", kMonthFirst, {2026, 5, 1, 8, 0, 0}, F::Day, -1, {2026, 5, 31, 8, 0, 0}},
        {"day down to 29 Feb 2024", kMonthFirst, {2024, 2, 1, 8, 0, 0}, F::Day, -1, {2024, 2, 29, 8, 0, 0}},
        {"day down to 29 Feb 2000", kDayFirst, {2000, 2, 1, 8, 0, 0}, F::Day, -1, {2000, 2, 29, 8, 0, 0}},
        {"no 29 Feb in 1900", kMonthFirst, {1900, 2, 28, 8, 0, 0}, F::Day, +1, {1900, 2, 1, 8, 0, 0}},
        {"no 29 Feb in 2026", kMonthFirst, {2026, 2, 28, 8, 0, 0}, F::Day, +1, {2026, 2, 1, 8, 0, 0}},
        {"31 Jan a month on is 28 Feb", kMonthFirst, {2026, 1, 31, 8, 0, 0}, F::Month, +1, {2026, 2, 28, 8, 0, 0}},
        {"31 Jan a month on is 29 Feb in 2024", kMonthFirst, {2024, 1, 31, 8, 0, 0}, F::Month, +1,
         {2024, 2, 29, 8, 0, 0}},
        {"31 Mar a month back is 29 Feb in 2000", kDayFirst, {2000, 3, 31, 8, 0, 0}, F::Month, -1,
         {2000, 2, 29, 8, 0, 0}},
        {"31 May a month on is 30 June", kMonthFirst, {2026, 5, 31, 8, 0, 0}, F::Month, +1, {2026, 6, 30, 8, 0, 0}},
        {"29 Feb a year on is 28 Feb", kMonthFirst, {2024, 2, 29, 8, 0, 0}, F::Year, +1, {2025, 2, 28, 8, 0, 0}},
        {"29 Feb a year back is 28 Feb", kMonthFirst, {2000, 2, 29, 8, 0, 0}, F::Year, -1, {1999, 2, 28, 8, 0, 0}},
        {"year up", kMonthFirst, {2026, 7, 4, 8, 0, 0}, F::Year, +1, {2027, 7, 4, 8, 0, 0}},
        {"no year before the first", kMonthFirst, {CTimeButton::kFirstYear, 7, 4, 8, 0, 0}, F::Year, -1,
         {CTimeButton::kFirstYear, 7, 4, 8, 0, 0}},
    };
    for (const StepRow& row : rows) {
        SCOPED_TRACE(row.what);
        CTimeButton button(row.layout, At(row.from));
        button.SelectField(row.field);
        ASSERT_EQ(button.SelectedField(), row.field);
        button.Step(row.direction);
        ExpectFields(button.Fields(), row.to);
        // What the button hands back is the same local reading.
        ExpectFields(CalendarFields::Of(button.GetTime()), row.to);
    }
}

TEST_F(TimeButtonTest, MonthLengthsFollowTheLeapYearRule)
{
    const struct {
        int year, month, days;
    } rows[] = {{2026, 1, 31}, {2026, 4, 30}, {2026, 6, 30}, {2026, 9, 30}, {2026, 11, 30}, {2026, 12, 31},
                {2026, 2, 28}, {2024, 2, 29}, {2000, 2, 29}, {1900, 2, 28}, {2100, 2, 28}};
    for (const auto& row : rows)
        EXPECT_EQ(DaysInMonth(row.year, row.month), row.days) << row.year << "-" << row.month;
}

TEST_F(TimeButtonTest, TextShowsEachLayout)
{
    const struct {
        TimeLayout layout;
        CalendarFields at;
        const char* text;
    } rows[] = {
        {kTime, {2026, 5, 10, 0, 5, 0}, "12:05AM"},   {kTime, {2026, 5, 10, 9, 7, 0}, "09:07AM"},
        {kTime, {2026, 5, 10, 12, 0, 0}, "12:00PM"},  {kTime, {2026, 5, 10, 23, 59, 0}, "11:59PM"},
        {kMonthFirst, {2026, 1, 31, 8, 0, 0}, "01/31 2026"}, {kDayFirst, {2026, 1, 31, 8, 0, 0}, "31/01 2026"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(CTimeButton(row.layout, At(row.at)).Text(), row.text);
}

TEST_F(TimeButtonTest, ColumnsMapToTheFieldDrawnThere)
{
    const CTimeButton time(kTime, At({2026, 5, 10, 9, 5, 0}));   // "09:05AM"
    const F timeColumns[] = {F::Hour, F::Hour, F::Hour, F::Minute, F::Minute, F::AmPm, F::AmPm};
    for (int column = 0; column < 7; ++column)
        EXPECT_EQ(time.FieldAtColumn(column), timeColumns[column]) << column;
    EXPECT_EQ(time.FieldAtColumn(-3), F::Hour);
    EXPECT_EQ(time.FieldAtColumn(40), F::AmPm);

    const CTimeButton date(kDayFirst, At({2026, 1, 31, 8, 0, 0}));   // "31/01 2026"
    const F dateColumns[] = {F::Day, F::Day, F::Day, F::Month, F::Month, F::Month, F::Year, F::Year, F::Year, F::Year};
    for (int column = 0; column < 10; ++column)
        EXPECT_EQ(date.FieldAtColumn(column), dateColumns[column]) << column;
}

TEST_F(TimeButtonTest, FieldSelectionStaysWithinTheLayout)
{
    CTimeButton date(kDayFirst, At({2026, 1, 31, 8, 0, 0}));
    EXPECT_EQ(date.SelectedField(), F::Day);
    date.SelectNeighbour(-1);
    EXPECT_EQ(date.SelectedField(), F::Day);
    date.SelectNeighbour(+1);
    EXPECT_EQ(date.SelectedField(), F::Month);
    date.SelectNeighbour(+1);
    date.SelectNeighbour(+1);
    EXPECT_EQ(date.SelectedField(), F::Year);
    date.SelectField(F::Hour);   // not shown on a date button
    EXPECT_EQ(date.SelectedField(), F::Year);
}

// 29 March 2026 has no 02:00-03:00 in Berlin; 25 October has it twice.
TEST_F(TimeButtonTest, StepsKeepTheWallClockAcrossClockChanges)
{
    CTimeButton time(kTime, At({2026, 3, 29, 1, 30, 0}));
    time.Step(+1);
    EXPECT_EQ(time.Fields().hour, 2);
    time.Step(+1);
    EXPECT_EQ(time.Fields().hour, 3);
    time.Step(-1);
    time.Step(-1);
    EXPECT_EQ(time.Fields().hour, 1) << "stepping back must not stick at the skipped hour";
    EXPECT_EQ(time.Fields().minute, 30);

    const struct {
        CalendarFields from;
        int64_t seconds;
    } days[] = {{{2026, 3, 28, 12, 0, 0}, 23 * 3600}, {{2026, 10, 24, 12, 0, 0}, 25 * 3600}};
    for (const auto& day : days) {
        CTimeButton date(kMonthFirst, At(day.from));
        date.SelectField(F::Day);
        date.Step(+1);
        EXPECT_EQ(date.Fields().hour, 12);
        EXPECT_EQ((date.GetTime() - At(day.from)).GetTotalSeconds(), day.seconds);
    }
}

} // namespace
