#include "CTime.h"

#include <atomic>

namespace {
time_t SystemTime() { return std::time(nullptr); }
std::atomic<CTime::TimeSource> g_source{&SystemTime};
}

CTime::CTime(int year, int month, int day, int hour, int minute, int second)
{
    struct tm t = {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    m_time = mktime(&t);
}

CTime CTime::GetCurrentTime() { return CTime(g_source.load()()); }

void CTime::SetTimeSource(TimeSource source) { g_source.store(source ? source : &SystemTime); }

struct tm CTime::local() const
{
    struct tm t = {};
    localtime_r(&m_time, &t);
    return t;
}

CString CTime::Format(const char* format) const
{
    struct tm t = local();
    char buffer[256];
    size_t n = strftime(buffer, sizeof buffer, format ? format : "", &t);
    return CString(buffer, int(n));
}
