#include "gdi/globalmem.h"

struct HGLOBAL__ {
    std::vector<uint8_t> bytes;
    int locks = 0;
};

HGLOBAL GlobalAlloc(UINT, size_t bytes)
{
    try {
        auto* block = new HGLOBAL__;
        block->bytes.assign(bytes, 0);
        return block;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
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
    return block->bytes.data();
}

BOOL GlobalUnlock(HGLOBAL block)
{
    if (!block || block->locks == 0)
        return FALSE;
    return --block->locks > 0;
}

size_t GlobalSize(HGLOBAL block)
{
    return block ? block->bytes.size() : 0;
}

std::vector<uint8_t>& GlobalBytes(HGLOBAL block)
{
    return block->bytes;
}

HGLOBAL GlobalAdopt(std::vector<uint8_t>&& bytes)
{
    auto* block = new HGLOBAL__;
    block->bytes = std::move(bytes);
    return block;
}
