#include "framework/Trace.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <string>

namespace {
std::atomic<TraceSink> g_sink{nullptr};
}

void TraceOutput(const char* text)
{
    if (TraceSink sink = g_sink.load()) {
        sink(text);
        return;
    }
#ifndef NDEBUG
    std::fputs(text, stderr);
#else
    (void)text;
#endif
}

void AfxTrace(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    char buffer[1024];
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    TraceOutput(buffer);
}

TraceSink SetTraceSink(TraceSink sink) { return g_sink.exchange(sink); }
