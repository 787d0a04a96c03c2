#include "jpegbmp.h"

#include "gdi/DibView.h"
#include "types/wintypes.h"

#include <cstring>

static const char* const kBmpInputMessages[] = {
    nullptr,
    "Unsupported BMP colour map format",
    "Only 8- and 24-bit BMP files are supported",
    "Invalid BMP file: bad header length",
    "Invalid BMP file: the number of planes is not 1",
    "Compressed BMP files are not supported",
    "Not a BMP file: it does not start with BM",
    "Empty BMP picture",
    "BMP file is shorter than its header says",
    "BMP picture is too large",
    "%ux%u 24-bit BMP picture",
    "%ux%u 8-bit colour-mapped BMP picture",
    "%ux%u 24-bit OS/2 BMP picture",
    "%ux%u 8-bit colour-mapped OS/2 BMP picture",
    nullptr,
};
static_assert(sizeof(kBmpInputMessages) / sizeof(kBmpInputMessages[0]) == kBmpLastMessage - kBmpFirstMessage + 1);

const char* const* BmpInputMessages()
{
    return kBmpInputMessages;
}

namespace {

// The JPEG format's own limit on each side.
constexpr int32_t kMaxSide = 65500;

bool HeaderSizeKnown(DWORD size)
{
    return size == 12 || size == 40 || size == 64;
}

// What is wrong with a header the view kept (it has proved its bytes are
// there), in the order this reader has always named faults; 0 when nothing.
int HeaderFault(const DibView& view)
{
    if (!HeaderSizeKnown(view.headerSize))
        return kBmpBadHeader;
    int64_t width = 0, height = 0;
    WORD planes = 0;
    DWORD used = 0;
    if (view.coreHeader) {
        BITMAPCOREHEADER h {};
        std::memcpy(&h, view.header, sizeof h);
        width = h.bcWidth, height = h.bcHeight, planes = h.bcPlanes;
    } else {
        BITMAPINFOHEADER h {};
        std::memcpy(&h, view.header, sizeof h);
        width = h.biWidth, height = h.biHeight, planes = h.biPlanes, used = h.biClrUsed;
    }
    if (planes != 1)
        return kBmpBadPlanes;
    if (view.bitCount != 8 && view.bitCount != 24)
        return kBmpBadDepth;
    if (width <= 0 || height <= 0)
        return kBmpEmpty;
    if (width > kMaxSide || height > kMaxSide)
        return kBmpTooLarge;
    return used > 256 && view.bitCount == 8 ? kBmpBadColourMap : 0;
}

int ViewFault(DibCheck check, const DibView& view)
{
    if (check == DibCheck::Ok)
        return 0;
    if (view.header)
        if (int fault = HeaderFault(view))
            return fault;
    switch (check) {
    case DibCheck::NotBmp: return kBmpNotBmp;
    case DibCheck::Truncated: return kBmpTruncated;
    case DibCheck::Unsupported: return kBmpCompressed;
    default: return kBmpBadHeader;
    }
}

uint32_t PixelOffset(const uint8_t* file)
{
    return uint32_t(file[10]) | uint32_t(file[11]) << 8 | uint32_t(file[12]) << 16 | uint32_t(file[13]) << 24;
}

} // namespace

int ReadBmpInput(const uint8_t* file, size_t size, BmpInput& picture)
{
    picture = BmpInput {};
    DibView view;
    const DibCheck check = ViewBmpFile(file, size, view, DibLimits {kMaxSide});
    if (int fault = ViewFault(check, view))
        return fault;
    if (int fault = HeaderFault(view))
        return fault;
    if (view.topDown)
        return kBmpEmpty;
    // The pixels may start after a gap, never inside the headers or the map:
    // the view sets aside an offset that points there.
    if (view.bits != file + PixelOffset(file))
        return kBmpBadHeader;
    picture.os2 = view.coreHeader;
    for (uint32_t i = 0; i < view.colourCount && i < 256; ++i) {
        const RGBQUAD c = view.Colour(i);
        picture.colourMap[i][0] = c.rgbRed;
        picture.colourMap[i][1] = c.rgbGreen;
        picture.colourMap[i][2] = c.rgbBlue;
    }
    picture.width = uint32_t(view.width);
    picture.height = uint32_t(view.height);
    picture.bitsPerPixel = view.bitCount;
    picture.pixels = view.bits;
    picture.stride = view.stride;
    return 0;
}

void BmpInputRowRgb(const BmpInput& picture, uint32_t topRow, uint8_t* rgb)
{
    const uint8_t* row = picture.pixels + size_t(picture.height - 1 - topRow) * picture.stride;
    if (picture.bitsPerPixel == 24) {
        for (uint32_t x = 0; x < picture.width; ++x, row += 3, rgb += 3) {
            rgb[0] = row[2];
            rgb[1] = row[1];
            rgb[2] = row[0];
        }
        return;
    }
    for (uint32_t x = 0; x < picture.width; ++x, rgb += 3)
        std::memcpy(rgb, picture.colourMap[row[x]], 3);
}
