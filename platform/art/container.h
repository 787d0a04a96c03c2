// The ART stream's container: header layout, row packing and the JPEG payload.
#pragma once

#include <cstddef>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace art {

constexpr uint8_t kMagic[4] = {'V', 'A', 'R', 'T'};
constexpr uint8_t kVersion = 1;
constexpr size_t kHeaderSize = 20;
constexpr uint8_t kMethodPacked = 0;
constexpr uint8_t kMethodJpeg = 1;

struct Header {
    uint8_t method = kMethodPacked;
    uint8_t quality = 0;
    uint8_t preview = 0;
    uint16_t width = 0;
    uint16_t height = 0;
    uint16_t bitsPerPixel = 0;
    uint16_t paletteEntries = 0;
    uint32_t payloadLength = 0;
};

// Padded bytes in one row, as a packed bitmap stores it.
inline size_t RowBytes(uint16_t width, uint16_t bits) { return ((size_t(width) * bits + 31) / 32) * 4; }
inline bool ValidDepth(uint16_t bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 24; }

void WriteHeader(const Header& header, std::vector<uint8_t>& out);
// False when the bytes are too short or the fields do not describe a picture.
bool ReadHeader(const uint8_t* data, size_t length, Header& header);

// PackBits, one row after another.
void PackRow(const uint8_t* row, size_t length, std::vector<uint8_t>& out);
// Unpacks exactly `length` bytes from data[*at...]; false on a short or
// overlong run.
bool UnpackRow(const uint8_t* data, size_t size, size_t* at, uint8_t* row, size_t length);

// 24-bit rows, top first, blue-green-red, each `stride` bytes apart.
bool EncodeJpeg(const uint8_t* rows, size_t stride, uint16_t width, uint16_t height, int quality,
                std::vector<uint8_t>& out);
// Decodes into top-first blue-green-red rows `stride` bytes apart; the picture
// must be exactly width x height with three components.
bool DecodeJpeg(const uint8_t* data, size_t size, uint16_t width, uint16_t height, uint8_t* rows, ptrdiff_t stride);

} // namespace art
