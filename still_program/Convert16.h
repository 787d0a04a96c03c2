// A 16-bit (5-5-5) camera frame as a 24-bit BMP file image in memory.
#pragma once

#include "types/wintypes.h"

#include <cstddef>

// Reads `width` x `height` pixels of bottom-up rows padded to 4 bytes from
// `pixels` (`available` bytes) and returns a whole BMP file image from
// MemAllocHuge (free it with MemFreeHuge and `size`). Its rows are padded to
// 4 bytes as every BMP reader expects. Null for sizes that do not fit.
void* ConvertFrame16To24(const BYTE* pixels, size_t available, LONG width, LONG height, DWORD& size);
