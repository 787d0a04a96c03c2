#include "ViewerDib.h"

#include "gdi/DibView.h"
#include "types/SafeFile.h"

#include <cstring>
#include <string>

namespace {

constexpr int kInvalid = -3;
constexpr int kUnsupported = -6;
constexpr int32_t kLargestSide = 32767;
// Far more than any picture of the largest side at 32 bits needs in practice;
// a file beyond it is refused rather than read into memory.
constexpr size_t kLargestFile = size_t(1) << 30;

uint32_t Rgb(uint8_t r, uint8_t g, uint8_t b)
{
    return 0xFF000000u | (uint32_t(r) << 16) | (uint32_t(g) << 8) | b;
}

uint32_t Rgb(const RGBQUAD& q)
{
    return Rgb(q.rgbRed, q.rgbGreen, q.rgbBlue);
}

void Append(std::vector<uint8_t>& to, const void* bytes, size_t size)
{
    const auto* p = static_cast<const uint8_t*>(bytes);
    to.insert(to.end(), p, p + size);
}

// The packed bitmap in one plain form whatever the file held: a 40-byte
// header with its counts filled in, 4-byte colours, rows bottom-up.
void Pack(const DibView& view, ViewerDib& dib)
{
    dib.info = view.Info();
    dib.info.biHeight = view.height;
    dib.info.biClrUsed = view.colourCount;
    dib.stride = view.stride;
    dib.pixelOffset = sizeof dib.info + size_t(view.colourCount) * sizeof(RGBQUAD);
    dib.packed.clear();
    dib.packed.reserve(dib.pixelOffset + view.imageBytes);
    Append(dib.packed, &dib.info, sizeof dib.info);
    for (uint32_t i = 0; i < view.colourCount; ++i) {
        const RGBQUAD c = view.Colour(i);
        Append(dib.packed, &c, sizeof c);
    }
    for (int32_t y = view.height - 1; y >= 0; --y)
        Append(dib.packed, view.Row(y), view.stride);
}

uint32_t Pixel(const DibView& view, const uint8_t* row, int x)
{
    const WORD bits = view.bitCount;
    if (bits <= 8) {
        const int perByte = 8 / bits;
        const int shift = 8 - bits * (x % perByte + 1);
        // An index past a short colour table shows black.
        return Rgb(view.Colour((row[x / perByte] >> shift) & ((1u << bits) - 1)));
    }
    if (bits == 16) {
        const uint16_t v = uint16_t(row[x * 2] | (row[x * 2 + 1] << 8));
        return Rgb(uint8_t((v >> 7) & 0xF8), uint8_t((v >> 2) & 0xF8), uint8_t((v << 3) & 0xF8));
    }
    const uint8_t* p = row + size_t(x) * (bits / 8);
    return Rgb(p[2], p[1], p[0]);
}

} // namespace

int ParseViewerDib(const uint8_t* file, size_t size, ViewerDib& dib)
{
    DibView view;
    switch (ViewBmpFile(file, size, view, DibLimits {kLargestSide})) {
    case DibCheck::Ok:
        break;
    case DibCheck::Unsupported:
        return kUnsupported;
    default:
        return kInvalid;
    }
    Pack(view, dib);
    return 0;
}

bool ReadViewerDib(const char* path, ViewerDib& dib)
{
    std::string bytes;
    return path && velmora::ReadRegularFile(path, bytes, kLargestFile) &&
           ParseViewerDib(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), dib) == 0;
}

std::vector<uint32_t> ViewerDibPixels(const ViewerDib& dib)
{
    DibView view;
    if (ViewPackedDib(dib.packed.data(), dib.packed.size(), view) != DibCheck::Ok)
        return {};
    std::vector<uint32_t> out(size_t(view.width) * size_t(view.height));
    for (int32_t y = 0; y < view.height; ++y) {
        const uint8_t* row = view.Row(y);
        uint32_t* to = out.data() + size_t(y) * size_t(view.width);
        for (int x = 0; x < view.width; ++x)
            to[x] = Pixel(view, row, x);
    }
    return out;
}
