#include "jpegbmp.h"

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
constexpr uint32_t kMaxSide = 65500;

uint16_t Get16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t* p) { return Get16(p) | (uint32_t(Get16(p + 2)) << 16); }

struct InfoFields {
    uint32_t headerSize;
    int64_t width, height;
    uint32_t planes, bits, compression, coloursUsed;
};

// The info header after the 14-byte file header; `size` bytes are there.
int ReadInfo(const uint8_t* file, size_t size, InfoFields& f, bool& os2)
{
    if (size < 14 + 4)
        return kBmpTruncated;
    f.headerSize = Get32(file + 14);
    if (f.headerSize != 12 && f.headerSize != 40 && f.headerSize != 64)
        return kBmpBadHeader;
    if (size < 14 + size_t(f.headerSize))
        return kBmpTruncated;
    const uint8_t* h = file + 18;
    os2 = f.headerSize == 12;
    if (os2) {
        f.width = Get16(h);
        f.height = Get16(h + 2);
        f.planes = Get16(h + 4);
        f.bits = Get16(h + 6);
        f.compression = 0;
        f.coloursUsed = 0;
    } else {
        f.width = int32_t(Get32(h));
        f.height = int32_t(Get32(h + 4));
        f.planes = Get16(h + 8);
        f.bits = Get16(h + 10);
        f.compression = Get32(h + 12);
        f.coloursUsed = Get32(h + 28);
    }
    return 0;
}

int CheckInfo(const InfoFields& f)
{
    if (f.planes != 1)
        return kBmpBadPlanes;
    if (f.bits != 8 && f.bits != 24)
        return kBmpBadDepth;
    if (f.compression != BI_RGB)
        return kBmpCompressed;
    if (f.width <= 0 || f.height <= 0)
        return kBmpEmpty;
    if (f.width > kMaxSide || f.height > kMaxSide)
        return kBmpTooLarge;
    return 0;
}

// The colour map follows the info header: 3 bytes an entry for OS/2, 4 for Windows.
int ReadColourMap(const uint8_t* file, size_t size, const InfoFields& f, bool os2, BmpInput& picture,
                  size_t& mapEnd)
{
    mapEnd = 14 + size_t(f.headerSize);
    if (f.bits != 8)
        return 0;
    uint32_t entries = f.coloursUsed == 0 ? 256 : f.coloursUsed;
    if (entries > 256)
        return kBmpBadColourMap;
    size_t entrySize = os2 ? 3 : 4;
    if (size - mapEnd < entries * entrySize)
        return kBmpTruncated;
    for (uint32_t i = 0; i < entries; ++i) {
        const uint8_t* e = file + mapEnd + i * entrySize;
        picture.colourMap[i][0] = e[2];
        picture.colourMap[i][1] = e[1];
        picture.colourMap[i][2] = e[0];
    }
    mapEnd += entries * entrySize;
    return 0;
}

} // namespace

int ReadBmpInput(const uint8_t* file, size_t size, BmpInput& picture)
{
    picture = BmpInput{};
    if (!file || size < 14)
        return size < 2 ? kBmpNotBmp : kBmpTruncated;
    if (file[0] != 'B' || file[1] != 'M')
        return kBmpNotBmp;
    uint32_t pixelOffset = Get32(file + 10);
    InfoFields f {};
    if (int error = ReadInfo(file, size, f, picture.os2))
        return error;
    if (int error = CheckInfo(f))
        return error;
    size_t mapEnd = 0;
    if (int error = ReadColourMap(file, size, f, picture.os2, picture, mapEnd))
        return error;
    // The pixels may start after a gap, never inside the headers or the map.
    if (pixelOffset < mapEnd)
        return kBmpBadHeader;
    uint64_t stride = ((uint64_t(f.width) * f.bits + 31) / 32) * 4;
    if (pixelOffset > size || stride * uint64_t(f.height) > size - pixelOffset)
        return kBmpTruncated;
    picture.width = uint32_t(f.width);
    picture.height = uint32_t(f.height);
    picture.bitsPerPixel = int(f.bits);
    picture.pixels = file + pixelOffset;
    picture.stride = size_t(stride);
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
