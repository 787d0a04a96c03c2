// One memory block of a known kind, freed by the matching call.
#pragma once

#include "types/wintypes.h"

class MMemory {
public:
    enum Kind { kNone = 0, kGlobal = 1, kNear = 2, kFixed = 3, kHuge = 5 };

    MMemory() = default;
    ~MMemory() { Free(); }
    MMemory(const MMemory&) = delete;
    MMemory& operator=(const MMemory&) = delete;

    // FALSE when a block is already held, the kind is unknown or memory is short.
    BOOL Allocate(DWORD size, int kind);
    void Free();

    void* GetPointer() const { return m_pointer; }
    DWORD GetSize() const { return m_size; }
    int GetKind() const { return m_kind; }

private:
    void* m_pointer = nullptr;
    DWORD m_size = 0;
    int m_kind = kNone;
};
