// MString: a CString that formats printf-style. GetDefaultMin/Max: the limits
// of each integer type, picked by the type of the argument.
#pragma once

#include "types/CString.h"

#include <limits>

class MString : public CString {
public:
    using CString::CString;
    using CString::operator=;
    MString() = default;
    MString(const CString& other) : CString(other) {}

    static constexpr int kBufferSize = 512;
    // Formats into a 512-byte buffer (longer results are cut at 511 characters)
    // and assigns the result.
    void printf(const char* format, ...) __attribute__((format(printf, 2, 3)));
};

template <typename T>
constexpr T GetDefaultMin(T) { return std::numeric_limits<T>::min(); }
template <typename T>
constexpr T GetDefaultMax(T) { return std::numeric_limits<T>::max(); }
