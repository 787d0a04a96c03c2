// The date and time button of the custom auto-capture schedule: one moment
// shown as a time of day or as a date, changed one field at a time.
//
// The button keeps the local calendar fields the user sees, not a count of
// seconds: a step moves one field and leaves the others as they were, so the
// days when the clocks change neither shift the hour nor swallow a step.
#pragma once

#include "types/CString.h"
#include "types/CTime.h"

#include <span>
#include <vector>

enum class TimeLayout { Time, DateMonthFirst, DateDayFirst };
enum class TimeField { Hour, Minute, AmPm, Month, Day, Year };

// The local calendar reading of a moment.
struct CalendarFields {
    int year = 1970, month = 1, day = 1, hour = 0, minute = 0, second = 0;

    static CalendarFields Of(CTime time);
    // Local time; a reading the clocks skip is normalised as mktime does.
    CTime ToTime() const;
};

// 28..31; February has 29 days in years divisible by 4, except centuries
// not divisible by 400.
int DaysInMonth(int year, int month);

class CTimeButton {
public:
    // One run of the text: a field, or the separator between two.
    struct Piece {
        CString text;
        bool isField = false;
        TimeField field = TimeField::Hour;
    };

    // Years the button steps through; a step past either end is refused.
    static constexpr int kFirstYear = 1970;
    static constexpr int kLastYear = 9999;

    explicit CTimeButton(TimeLayout layout = TimeLayout::Time, CTime value = CTime());

    void SetTime(CTime value);
    CTime GetTime() const { return m_fields.ToTime(); }
    const CalendarFields& Fields() const { return m_fields; }
    TimeLayout Layout() const { return m_layout; }

    // The fields of the layout, left to right.
    std::span<const TimeField> FieldOrder() const;
    TimeField SelectedField() const { return m_selected; }
    // A field the layout does not show is ignored.
    void SelectField(TimeField field);
    // The next field to the right (+1) or left (-1); stops at either end.
    void SelectNeighbour(int direction);

    // The selected field one up (+1) or down (-1), wrapping within its range;
    // a month or year step brings the day into the new month.
    void Step(int direction);

    // "09:05AM", "01/31 2026" or, day first, "31/01 2026".
    CString Text() const;
    std::vector<Piece> Pieces() const;
    // The widest text of the layout, for sizing: "99:99MM" or "99/99 9999".
    CString SizingMask() const;
    // The field drawn at character `column` of Text(); a separator belongs to
    // the field on its left. Columns outside the text take the nearest field.
    TimeField FieldAtColumn(int column) const;

private:
    TimeLayout m_layout;
    CalendarFields m_fields;
    TimeField m_selected;
};
