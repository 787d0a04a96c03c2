#include "TimeButton.h"

#include "framework/StringTable.h"
#include "resource.h"

#include <algorithm>
#include <ctime>

namespace {

constexpr TimeField kTimeOrder[] = {TimeField::Hour, TimeField::Minute, TimeField::AmPm};
constexpr TimeField kMonthFirstOrder[] = {TimeField::Month, TimeField::Day, TimeField::Year};
constexpr TimeField kDayFirstOrder[] = {TimeField::Day, TimeField::Month, TimeField::Year};

// `value` moved by `direction` within first..last, wrapping at either end.
int Wrap(int value, int direction, int first, int last)
{
    const int span = last - first + 1;
    return first + ((value - first + direction) % span + span) % span;
}

CString TwoDigits(int value)
{
    CString text;
    text.Format("%02d", value);
    return text;
}

CString FourDigits(int value)
{
    CString text;
    text.Format("%04d", value);
    return text;
}

// Hour 0 and 12 read as 12, as a twelve-hour clock shows them.
int TwelveHour(int hour) { return hour % 12 == 0 ? 12 : hour % 12; }

CTimeButton::Piece FieldPiece(TimeField field, const CString& text) { return {text, true, field}; }
CTimeButton::Piece Separator(const char* text) { return {text, false, TimeField::Hour}; }

} // namespace

CalendarFields CalendarFields::Of(CTime time)
{
    return {time.GetYear(), time.GetMonth(), time.GetDay(), time.GetHour(), time.GetMinute(), time.GetSecond()};
}

CTime CalendarFields::ToTime() const { return CTime(year, month, day, hour, minute, second); }

int DaysInMonth(int year, int month)
{
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    return month == 2 && leap ? 29 : kDays[std::clamp(month, 1, 12) - 1];
}

CTimeButton::CTimeButton(TimeLayout layout, CTime value)
    : m_layout(layout), m_fields(CalendarFields::Of(value)), m_selected(FieldOrder().front())
{
}

void CTimeButton::SetTime(CTime value) { m_fields = CalendarFields::Of(value); }

std::span<const TimeField> CTimeButton::FieldOrder() const
{
    switch (m_layout) {
    case TimeLayout::DateMonthFirst:
        return kMonthFirstOrder;
    case TimeLayout::DateDayFirst:
        return kDayFirstOrder;
    case TimeLayout::Time:
        break;
    }
    return kTimeOrder;
}

void CTimeButton::SelectField(TimeField field)
{
    const auto order = FieldOrder();
    if (std::find(order.begin(), order.end(), field) != order.end())
        m_selected = field;
}

void CTimeButton::SelectNeighbour(int direction)
{
    const auto order = FieldOrder();
    const auto at = std::find(order.begin(), order.end(), m_selected) - order.begin();
    m_selected = order[size_t(std::clamp<ptrdiff_t>(at + direction, 0, ptrdiff_t(order.size()) - 1))];
}

void CTimeButton::Step(int direction)
{
    direction = direction < 0 ? -1 : 1;
    CalendarFields& f = m_fields;
    switch (m_selected) {
    case TimeField::Hour:
        f.hour = Wrap(f.hour, direction, 0, 23);
        break;
    case TimeField::Minute:
        f.minute = Wrap(f.minute, direction, 0, 59);
        break;
    case TimeField::AmPm:
        f.hour = (f.hour + 12) % 24;
        break;
    case TimeField::Month:
        f.month = Wrap(f.month, direction, 1, 12);
        break;
    case TimeField::Day:
        f.day = Wrap(f.day, direction, 1, DaysInMonth(f.year, f.month));
        break;
    case TimeField::Year:
        f.year = std::clamp(f.year + direction, kFirstYear, kLastYear);
        break;
    }
    // 31 January a month on is the last day of February, not 3 March.
    f.day = std::min(f.day, DaysInMonth(f.year, f.month));
}

std::vector<CTimeButton::Piece> CTimeButton::Pieces() const
{
    const CalendarFields& f = m_fields;
    switch (m_layout) {
    case TimeLayout::Time:
        return {FieldPiece(TimeField::Hour, TwoDigits(TwelveHour(f.hour))), Separator(":"),
                FieldPiece(TimeField::Minute, TwoDigits(f.minute)),
                FieldPiece(TimeField::AmPm, LoadStringText(f.hour < 12 ? IDS_AM : IDS_PM))};
    case TimeLayout::DateMonthFirst:
        return {FieldPiece(TimeField::Month, TwoDigits(f.month)), Separator("/"),
                FieldPiece(TimeField::Day, TwoDigits(f.day)), Separator(" "),
                FieldPiece(TimeField::Year, FourDigits(f.year))};
    case TimeLayout::DateDayFirst:
        break;
    }
    return {FieldPiece(TimeField::Day, TwoDigits(f.day)), Separator("/"),
            FieldPiece(TimeField::Month, TwoDigits(f.month)), Separator(" "),
            FieldPiece(TimeField::Year, FourDigits(f.year))};
}

CString CTimeButton::Text() const
{
    CString text;
    for (const Piece& piece : Pieces())
        text += piece.text;
    return text;
}

CString CTimeButton::SizingMask() const { return m_layout == TimeLayout::Time ? "99:99MM" : "99/99 9999"; }

TimeField CTimeButton::FieldAtColumn(int column) const
{
    TimeField field = FieldOrder().front();
    int start = 0;
    for (const Piece& piece : Pieces()) {
        if (start > column)
            break;
        if (piece.isField)
            field = piece.field;
        start += piece.text.GetLength();
    }
    return field;
}
