// Calendar time in whole seconds, read and broken down in local time.
#pragma once

#include "CString.h"

#include <cstdint>
#include <ctime>

class CTimeSpan {
public:
    CTimeSpan() = default;
    explicit CTimeSpan(int64_t seconds) : m_seconds(seconds) {}
    CTimeSpan(long days, int hours, int minutes, int seconds)
        : m_seconds(((int64_t(days) * 24 + hours) * 60 + minutes) * 60 + seconds) {}
    int64_t GetTotalSeconds() const { return m_seconds; }
    int64_t GetTotalMinutes() const { return m_seconds / 60; }
    int64_t GetDays() const { return m_seconds / 86400; }
    auto operator<=>(const CTimeSpan&) const = default;

private:
    int64_t m_seconds = 0;
};

class CTime {
public:
    CTime() = default;
    explicit CTime(time_t t) : m_time(t) {}
    // Local time; out-of-range fields are normalised as mktime does.
    CTime(int year, int month, int day, int hour, int minute, int second);

    // The current time, from the replaceable source below.
    static CTime GetCurrentTime();
    // Tests and the framework clock install their own source; null restores the system's.
    using TimeSource = time_t (*)();
    static void SetTimeSource(TimeSource source);

    time_t GetTime() const { return m_time; }
    int GetYear() const { return local().tm_year + 1900; }
    int GetMonth() const { return local().tm_mon + 1; }
    int GetDay() const { return local().tm_mday; }
    int GetHour() const { return local().tm_hour; }
    int GetMinute() const { return local().tm_min; }
    int GetSecond() const { return local().tm_sec; }
    // 1 = Sunday .. 7 = Saturday.
    int GetDayOfWeek() const { return local().tm_wday + 1; }
    CString Format(const char* format) const;

    CTime operator+(CTimeSpan s) const { return CTime(m_time + time_t(s.GetTotalSeconds())); }
    CTime operator-(CTimeSpan s) const { return CTime(m_time - time_t(s.GetTotalSeconds())); }
    CTimeSpan operator-(CTime other) const { return CTimeSpan(int64_t(m_time) - int64_t(other.m_time)); }
    auto operator<=>(const CTime&) const = default;

private:
    struct tm local() const;
    time_t m_time = 0;
};
