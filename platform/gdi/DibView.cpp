#include "DibView.h"

#include <cstring>

namespace {

constexpr size_t kFileHeader = 14;
constexpr size_t kCoreHeader = 12;

uint32_t Le32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t Le16(const uint8_t* p)
{
    return uint16_t(p[0] | p[1] << 8);
}

bool DepthKnown(WORD bits)
{
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// Reads the header's fields into `view`; the table and rows come after.
DibCheck ReadHeader(const uint8_t* dib, size_t size, DibView& view, DibLimits limits)
{
    if (size < 4)
        return DibCheck::Truncated;
    const DWORD headerSize = Le32(dib);
    if (headerSize != kCoreHeader && headerSize < sizeof(BITMAPINFOHEADER))
        return DibCheck::BadHeader;
    if (headerSize > size)
        return DibCheck::Truncated;
    view.header = dib;
    view.headerSize = headerSize;
    view.coreHeader = headerSize == kCoreHeader;
    int64_t width = 0, height = 0;
    WORD planes = 0;
    DWORD compression = BI_RGB, used = 0;
    if (view.coreHeader) {
        width = Le16(dib + 4);
        height = Le16(dib + 6);
        planes = Le16(dib + 8);
        view.bitCount = Le16(dib + 10);
    } else {
        width = int32_t(Le32(dib + 4));
        height = int32_t(Le32(dib + 8));
        planes = Le16(dib + 12);
        view.bitCount = Le16(dib + 14);
        compression = Le32(dib + 16);
        used = Le32(dib + 32);
    }
    view.topDown = height < 0;
    height = height < 0 ? -height : height;
    if (planes != 1 || width <= 0 || height <= 0 || width > limits.largestSide || height > limits.largestSide)
        return DibCheck::BadHeader;
    if (!DepthKnown(view.bitCount))
        return DibCheck::BadHeader;
    if (compression != BI_RGB)
        return DibCheck::Unsupported;
    view.width = int32_t(width);
    view.height = int32_t(height);
    const uint32_t full = view.bitCount <= 8 ? 1u << view.bitCount : 0;
    if (full && used > full)
        return DibCheck::BadHeader;
    // Deeper pictures may carry an optional table of `used` entries.
    view.colourCount = full ? (used ? used : full) : used;
    view.colourEntrySize = view.coreHeader ? 3 : 4;
    return DibCheck::Ok;
}

// The table from `tableAt`, the rows from `bitsAt` (0: right after the table).
DibCheck PlaceTableAndRows(const uint8_t* dib, size_t size, size_t bitsAt, DibView& view)
{
    const uint64_t table = uint64_t(view.colourCount) * view.colourEntrySize;
    if (table > size - view.headerSize)
        return DibCheck::Truncated;
    view.colours = dib + view.headerSize;
    const uint64_t tableEnd = view.headerSize + table;
    if (bitsAt == 0 || bitsAt < tableEnd)
        bitsAt = size_t(tableEnd);
    view.stride = size_t(DibStride(view.width, view.bitCount));
    const uint64_t image = uint64_t(view.stride) * uint64_t(view.height);
    if (bitsAt > size || image > size - bitsAt)
        return DibCheck::Truncated;
    view.bits = dib + bitsAt;
    view.imageBytes = size_t(image);
    view.packedBytes = size_t(bitsAt + image);
    return DibCheck::Ok;
}

} // namespace

uint64_t DibStride(int64_t width, int bits)
{
    return (uint64_t(width) * uint64_t(bits) + 31) / 32 * 4;
}

RGBQUAD DibView::Colour(uint32_t index) const
{
    RGBQUAD c {};
    if (index >= colourCount)
        return c;
    const uint8_t* p = colours + size_t(index) * colourEntrySize;
    c.rgbBlue = p[0];
    c.rgbGreen = p[1];
    c.rgbRed = p[2];
    return c;
}

BITMAPINFOHEADER DibView::Info() const
{
    BITMAPINFOHEADER h {};
    if (!coreHeader && header)
        std::memcpy(&h, header, sizeof h);
    h.biSize = sizeof h;
    h.biWidth = width;
    h.biHeight = topDown ? -height : height;
    h.biPlanes = 1;
    h.biBitCount = bitCount;
    h.biCompression = BI_RGB;
    h.biSizeImage = DWORD(imageBytes);
    h.biClrUsed = bitCount <= 8 ? colourCount : h.biClrUsed;
    return h;
}

DibCheck ViewPackedDib(const uint8_t* dib, size_t size, DibView& view, DibLimits limits)
{
    view = DibView {};
    if (!dib)
        return DibCheck::Truncated;
    DibCheck check = ReadHeader(dib, size, view, limits);
    return check == DibCheck::Ok ? PlaceTableAndRows(dib, size, 0, view) : check;
}

DibCheck ViewBmpFile(const uint8_t* file, size_t size, DibView& view, DibLimits limits)
{
    view = DibView {};
    if (!file || size < 2 || file[0] != 'B' || file[1] != 'M')
        return DibCheck::NotBmp;
    if (size < kFileHeader)
        return DibCheck::Truncated;
    const uint32_t offBits = Le32(file + 10);
    const uint8_t* dib = file + kFileHeader;
    const size_t rest = size - kFileHeader;
    DibCheck check = ReadHeader(dib, rest, view, limits);
    if (check != DibCheck::Ok)
        return check;
    // An offset that points into the headers is ignored, as readers commonly do.
    const size_t bitsAt = offBits > kFileHeader ? size_t(offBits - kFileHeader) : 0;
    if (bitsAt > rest)
        return DibCheck::Truncated;
    return PlaceTableAndRows(dib, rest, bitsAt, view);
}

const char* DibCheckText(DibCheck check)
{
    switch (check) {
    case DibCheck::Ok:
        return "a usable bitmap";
    case DibCheck::NotBmp:
        return "not a BMP file";
    case DibCheck::Truncated:
        return "the bitmap is cut short";
    case DibCheck::BadHeader:
        return "the bitmap's header is damaged";
    case DibCheck::Unsupported:
        return "a kind of bitmap that cannot be read here";
    }
    return "?";
}
