#include "Mmemory.h"

#include "Memalloc.h"

BOOL MMemory::Allocate(DWORD size, int kind)
{
    if (m_pointer)
        return FALSE;
    void* block = nullptr;
    switch (kind) {
    case kGlobal: block = MemAlloc(size); break;
    case kNear: block = MemAllocNear(size); break;
    case kFixed: block = MemAllocFixed(size); break;
    case kHuge: block = MemAllocHuge(size); break;
    default: return FALSE;
    }
    if (!block)
        return FALSE;
    m_pointer = block;
    m_size = size;
    m_kind = kind;
    return TRUE;
}

void MMemory::Free()
{
    switch (m_kind) {
    case kGlobal: MemFree(m_pointer, m_size); break;
    case kNear: MemFreeNear(m_pointer, m_size); break;
    case kFixed: MemFreeFixed(m_pointer, m_size); break;
    case kHuge: MemFreeHuge(m_pointer, m_size); break;
    default: break;
    }
    m_pointer = nullptr;
    m_size = 0;
    m_kind = kNone;
}
