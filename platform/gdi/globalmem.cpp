#include "gdi/globalmem.h"

#include <cstdlib>
#include <memory>
#include <new>

namespace {

struct FreeBytes {
    void operator()(uint8_t* p) const { std::free(p); }
};

}  // namespace

struct HGLOBAL__ {
    // calloc: large blocks come straight from fresh zero pages, so a picture
    // store its reader fills row by row is never cleared by hand first.
    std::unique_ptr<uint8_t, FreeBytes> raw;
    size_t rawSize = 0;
    std::vector<uint8_t> adopted;
    int locks = 0;

    uint8_t* Data() { return raw ? raw.get() : adopted.data(); }
    size_t Size() const { return raw ? rawSize : adopted.size(); }
};

HGLOBAL GlobalAlloc(UINT, size_t bytes)
{
    auto* block = new (std::nothrow) HGLOBAL__;
    if (!block)
        return nullptr;
    // One byte at least, so that a zero-sized block still has an address.
    block->raw.reset(static_cast<uint8_t*>(std::calloc(bytes ? bytes : 1, 1)));
    if (!block->raw) {
        delete block;
        return nullptr;
    }
    block->rawSize = bytes;
    return block;
}

HGLOBAL GlobalFree(HGLOBAL block)
{
    delete block;
    return nullptr;
}

void* GlobalLock(HGLOBAL block)
{
    if (!block)
        return nullptr;
    ++block->locks;
    return block->Data();
}

BOOL GlobalUnlock(HGLOBAL block)
{
    if (!block || block->locks == 0)
        return FALSE;
    return --block->locks > 0;
}

size_t GlobalSize(HGLOBAL block)
{
    return block ? block->Size() : 0;
}

std::span<uint8_t> GlobalBytes(HGLOBAL block)
{
    return {block->Data(), block->Size()};
}

HGLOBAL GlobalAdopt(std::vector<uint8_t>&& bytes)
{
    auto* block = new HGLOBAL__;
    block->adopted = std::move(bytes);
    return block;
}
