// Saved pictures are never left half-written: the writer fills a temporary
// file in the target's folder, which replaces the target only when complete.
#pragma once

#include <cstdio>
#include <functional>

// TRUE when `write` succeeded and the file is in place; otherwise the
// temporary file is removed and any earlier file at `path` stays.
bool WriteFileAtomically(const char* path, const std::function<bool(FILE*)>& write);
