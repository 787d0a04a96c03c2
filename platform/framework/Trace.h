// The debugging output channel. It prints only in debug builds, unless a sink
// is installed (tests install one to read what would have been printed).
#pragma once

typedef void (*TraceSink)(const char* text);

void TraceOutput(const char* text);
void AfxTrace(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Null removes the sink. Returns the previous one.
TraceSink SetTraceSink(TraceSink sink);
