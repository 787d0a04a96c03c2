// Saved pictures are never left half-written: the writer fills a temporary
// file in the target's folder, which replaces the target only when complete.
#pragma once

#include <cstdio>
#include <functional>

// TRUE when `write` succeeded and the file is in place; otherwise the
// temporary file is removed and any earlier file at `path` stays.
bool WriteFileAtomically(const char* path, const std::function<bool(FILE*)>& write);
// Copies `from` to `to` the same way: `to` is replaced only by a complete copy.
bool CopyFileAtomically(const char* from, const char* to);
