// The JPEG writer's BMP input: uncompressed 8-bit colour-mapped and 24-bit
// pictures with a Windows (40 or 64-byte) or OS/2 (12-byte) header, as the
// sample compressor's reader takes them. Its failures are codes of the
// writer's message table, so the JPEG library can report them by number.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

enum BmpInputMessage {
    kBmpFirstMessage = 1000,
    kBmpBadColourMap,
    kBmpBadDepth,
    kBmpBadHeader,
    kBmpBadPlanes,
    kBmpCompressed,
    kBmpNotBmp,
    kBmpEmpty,
    kBmpTruncated,
    kBmpTooLarge,
    kBmpTraceWindows,
    kBmpTraceWindowsMapped,
    kBmpTraceOs2,
    kBmpTraceOs2Mapped,
    kBmpLastMessage,
};

// The texts, indexed by code - kBmpFirstMessage; the JPEG library's add-on table.
const char* const* BmpInputMessages();

struct BmpInput {
    uint32_t width = 0;
    uint32_t height = 0;
    int bitsPerPixel = 0;
    bool os2 = false;
    uint8_t colourMap[256][3] = {};   // red, green, blue
    const uint8_t* pixels = nullptr;  // bottom row first, `stride` bytes a row
    size_t stride = 0;
};

// Checks the whole file in memory; 0, or the message code that says why not.
// `picture` borrows `file`, which must outlive it.
int ReadBmpInput(const uint8_t* file, size_t size, BmpInput& picture);

// One row, counted from the top, as red-green-blue triples (width × 3 bytes).
void BmpInputRowRgb(const BmpInput& picture, uint32_t topRow, uint8_t* rgb);
