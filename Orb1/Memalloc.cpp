#include "Memalloc.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr DWORD kNearLimit = 0xFFFF;

size_t PageSize()
{
    static const size_t size = size_t(sysconf(_SC_PAGESIZE));
    return size;
}

// Locks work on whole pages: a locked block owns its pages, so unlocking one
// block can never unlock another.
bool OwnsPages(const void* pointer) { return reinterpret_cast<uintptr_t>(pointer) % PageSize() == 0; }

} // namespace

void* MemAlloc(DWORD bytes) { return bytes ? std::calloc(1, bytes) : nullptr; }
void* MemAllocHuge(DWORD bytes) { return MemAlloc(bytes); }

void* MemAllocFixed(DWORD bytes)
{
    if (!bytes)
        return nullptr;
    const size_t page = PageSize();
    const size_t rounded = (size_t(bytes) + page - 1) / page * page;
    void* block = std::aligned_alloc(page, rounded);
    if (!block)
        return nullptr;
    std::memset(block, 0, rounded);
    if (mlock(block, bytes) != 0) {
        std::free(block);
        return nullptr;
    }
    return block;
}

void* MemAllocNear(DWORD bytes) { return bytes <= kNearLimit ? MemAlloc(bytes) : nullptr; }

void MemFree(void* pointer, DWORD bytes)
{
    if (pointer && bytes && OwnsPages(pointer))
        munlock(pointer, bytes);
    std::free(pointer);
}

void MemFreeHuge(void* pointer, DWORD bytes) { MemFree(pointer, bytes); }
void MemFreeFixed(void* pointer, DWORD bytes) { MemFree(pointer, bytes); }
void MemFreeNear(void* pointer, DWORD bytes) { MemFree(pointer, bytes); }
