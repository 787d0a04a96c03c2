#include "Mstring.h"

#include <cstdarg>
#include <cstdio>

void MString::printf(const char* format, ...)
{
    char buffer[kBufferSize];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    *this = buffer;
}
