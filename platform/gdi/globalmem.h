// Movable global memory blocks behind an opaque handle. A block either comes
// from GlobalAlloc, zeroed by the system as its pages are first touched (a
// 36 MB picture store is not cleared once by us and again by the kernel), or
// takes over a std::vector handed to GlobalAdopt without a copy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "types/wintypes.h"

struct HGLOBAL__;
typedef HGLOBAL__* HGLOBAL;

constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;

// Blocks always read as zero until written; the flags are accepted for the callers' sake.
HGLOBAL GlobalAlloc(UINT flags, size_t bytes);
HGLOBAL GlobalFree(HGLOBAL block);   // returns nullptr on success
void* GlobalLock(HGLOBAL block);
BOOL GlobalUnlock(HGLOBAL block);
size_t GlobalSize(HGLOBAL block);

// The bytes of a block, for code of this suite that exchanges whole buffers.
std::span<uint8_t> GlobalBytes(HGLOBAL block);
// A new block that takes over the given bytes.
HGLOBAL GlobalAdopt(std::vector<uint8_t>&& bytes);
