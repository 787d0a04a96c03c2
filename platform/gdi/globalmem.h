// Movable global memory blocks. A block is a byte vector behind an opaque handle,
// so code that wants to adopt a buffer (std::vector) can swap it in without a copy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "types/wintypes.h"

struct HGLOBAL__;
typedef HGLOBAL__* HGLOBAL;

constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;

// Blocks are always zero-initialised; the flags are accepted for the callers' sake.
HGLOBAL GlobalAlloc(UINT flags, size_t bytes);
HGLOBAL GlobalFree(HGLOBAL block);   // returns nullptr on success
void* GlobalLock(HGLOBAL block);
BOOL GlobalUnlock(HGLOBAL block);
size_t GlobalSize(HGLOBAL block);

// The bytes of a block, for code of this suite that exchanges whole buffers.
std::vector<uint8_t>& GlobalBytes(HGLOBAL block);
// A new block that takes over the given bytes.
HGLOBAL GlobalAdopt(std::vector<uint8_t>&& bytes);
