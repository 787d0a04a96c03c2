// Turns an ART stream back into a packed bitmap. Every field is checked
// against the bytes that are there before anything is allocated or copied.
#include "jgew32.h"
#include "container.h"

#include "types/wintypes.h"

#include <cstdlib>
#include <cstring>

#define JGE_EXPORT __attribute__((visibility("default")))

namespace {

// No real picture of this suite comes near it; a forged header cannot make
// the decoder allocate more.
constexpr size_t kMaxPixelBytes = size_t(1) << 28;

bool Unpack(const art::Header& h, const uint8_t* payload, uint8_t* pixels, size_t rowBytes)
{
    size_t at = 0;
    // Rows arrive top first; a packed bitmap stores them bottom first.
    for (size_t y = 0; y < h.height; ++y) {
        uint8_t* row = pixels + (h.height - 1 - y) * rowBytes;
        if (!art::UnpackRow(payload, h.payloadLength, &at, row, rowBytes))
            return false;
    }
    return true;
}

bool DecodeJpegBottomUp(const art::Header& h, const uint8_t* payload, uint8_t* pixels, size_t rowBytes)
{
    // Top-first rows written from the last row backwards give a bottom-up bitmap.
    uint8_t* lastRow = pixels + (size_t(h.height) - 1) * rowBytes;
    return art::DecodeJpeg(payload, h.payloadLength, h.width, h.height, lastRow,
                           -ptrdiff_t(rowBytes));
}

} // namespace

extern "C" {

JGE_EXPORT int JgDDecode(const void* stream, size_t length, uint8_t** dib, size_t* dibLength)
{
    if (!dib || !dibLength)
        return JGE_ERR_ARGUMENT;
    *dib = nullptr;
    *dibLength = 0;
    art::Header h;
    const auto* bytes = static_cast<const uint8_t*>(stream);
    if (!art::ReadHeader(bytes, length, h))
        return JGE_ERR_FORMAT;
    size_t rowBytes = art::RowBytes(h.width, h.bitsPerPixel);
    size_t pixelBytes = rowBytes * h.height;
    if (pixelBytes > kMaxPixelBytes)
        return JGE_ERR_FORMAT;
    // PackBits gives at most 64 bytes per byte of payload.
    if (h.method == art::kMethodPacked && pixelBytes / 64 > h.payloadLength)
        return JGE_ERR_FORMAT;
    size_t paletteBytes = size_t(h.paletteEntries) * 4;
    size_t total = sizeof(BITMAPINFOHEADER) + paletteBytes + pixelBytes;
    auto* out = static_cast<uint8_t*>(std::calloc(1, total));
    if (!out)
        return JGE_ERR_MEMORY;
    BITMAPINFOHEADER info {};
    info.biSize = sizeof(BITMAPINFOHEADER);
    info.biWidth = h.width;
    info.biHeight = h.height;
    info.biPlanes = 1;
    info.biBitCount = h.bitsPerPixel;
    info.biCompression = BI_RGB;
    info.biSizeImage = DWORD(pixelBytes);
    info.biClrUsed = h.paletteEntries;
    std::memcpy(out, &info, sizeof info);
    std::memcpy(out + sizeof info, bytes + art::kHeaderSize, paletteBytes);
    const uint8_t* payload = bytes + art::kHeaderSize + paletteBytes;
    uint8_t* pixels = out + sizeof info + paletteBytes;
    bool ok = h.method == art::kMethodJpeg ? DecodeJpegBottomUp(h, payload, pixels, rowBytes)
                                           : Unpack(h, payload, pixels, rowBytes);
    if (!ok) {
        std::free(out);
        return JGE_ERR_FORMAT;
    }
    *dib = out;
    *dibLength = total;
    return JGE_OK;
}

JGE_EXPORT void JgDFree(void* block)
{
    std::free(block);
}

} // extern "C"
