// The framework's object root and its diagnostic dump channel.
#pragma once

#include "CString.h"

#include <ostream>

// Diagnostic output; with no stream attached everything written is dropped.
class CDumpContext {
public:
    explicit CDumpContext(std::ostream* out = nullptr) : m_out(out) {}
    CDumpContext& operator<<(const char* text);
    CDumpContext& operator<<(const CString& text) { return *this << text.GetString(); }
    CDumpContext& operator<<(long value);
    CDumpContext& operator<<(int value) { return *this << long(value); }

private:
    std::ostream* m_out;
};

class CObject {
public:
    CObject() = default;
    CObject(const CObject&) = delete;
    CObject& operator=(const CObject&) = delete;
    virtual ~CObject() = default;

    // Name of the most derived class, for diagnostics.
    virtual const char* GetClassName() const { return "CObject"; }
    virtual void AssertValid() const {}
    virtual void Dump(CDumpContext& dc) const { dc << GetClassName() << "\n"; }
};
