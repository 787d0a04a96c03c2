// The library's bitmap resources by name: packed DIBs (info header, colour
// table, bottom-up rows) that buttons load as device-dependent bitmaps. The
// library's own pictures are made in code the first time one is asked for;
// callers may add more. Names compare without regard to case.
#pragma once

#include "gdi/gdi.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// The canister picture of the "Film Roll" window: 72 x 112, magenta around it.
constexpr const char* kCanisterResource = "IDB_CANISTER4";

// Adds or replaces a resource; FALSE (and nothing kept) when the bytes are not
// a whole packed DIB of 1, 4, 8 or 24 bits per pixel.
BOOL RegisterBitmapResource(const char* name, const void* packedDib, size_t length);
// The resource's bytes, or null when there is none of that name.
const std::vector<uint8_t>* FindBitmapResource(const char* name);
// A device-dependent bitmap of the resource, compatible with the screen; the
// caller deletes it. Null when there is none of that name.
HBITMAP LoadBitmapResource(const char* name);
// Where a packed DIB's parts lie, when it is whole.
struct PackedDibLayout {
    int width = 0, height = 0;
    size_t bitsOffset = 0;   // the rows, after the header and colour table
};
bool PackedDibFits(const uint8_t* dib, size_t length, PackedDibLayout* layout = nullptr);
