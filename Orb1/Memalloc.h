// The library's memory blocks: zero-filled; "fixed" blocks are also locked
// into physical memory, "near" blocks are at most 0xFFFF bytes. Every
// allocation failure returns null.
#pragma once

#include "types/wintypes.h"

void* MemAlloc(DWORD bytes);
void* MemAllocHuge(DWORD bytes);
void* MemAllocFixed(DWORD bytes);
void* MemAllocNear(DWORD bytes);
void MemFree(void* pointer, DWORD bytes);
void MemFreeHuge(void* pointer, DWORD bytes);
void MemFreeFixed(void* pointer, DWORD bytes);
void MemFreeNear(void* pointer, DWORD bytes);
