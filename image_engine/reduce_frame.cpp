#include "reduce_frame.h"

#include <cstring>
#include <limits>

namespace vantor::reduce {

const uint8_t kBayerTable[64] = {
    4,   128, 32,  160, 8,   136, 40,  168,  //
    192, 64,  224, 96,  200, 72,  232, 104,  //
    48,  176, 16,  144, 56,  184, 24,  152,  //
    240, 112, 208, 80,  248, 120, 216, 88,   //
    12,  140, 44,  172, 4,   132, 36,  164,  //
    204, 76,  236, 108, 196, 68,  228, 100,  //
    60,  188, 28,  156, 52,  180, 20,  148,  //
    252, 124, 220, 92,  244, 116, 212, 84,
};

const uint8_t kHalftoneTable[64] = {
    136, 192, 160, 128, 116, 60,  92,  124,  //
    168, 232, 224, 212, 84,  20,  28,  40,   //
    200, 248, 244, 180, 52,  4,   8,   72,   //
    152, 184, 216, 148, 100, 68,  36,  104,  //
    112, 56,  88,  120, 140, 196, 164, 132,  //
    80,  16,  24,  44,  172, 236, 228, 208,  //
    48,  0,   12,  76,  204, 252, 240, 176,  //
    96,  64,  32,  108, 156, 188, 220, 144,
};

namespace {

constexpr size_t kHeaderBytes = sizeof(BITMAPINFOHEADER);

size_t CheckedProduct(size_t a, size_t b)
{
    if (a != 0 && b > std::numeric_limits<size_t>::max() / a)
        throw std::bad_alloc();
    return a * b;
}

size_t CheckedSum(size_t a, size_t b)
{
    if (b > std::numeric_limits<size_t>::max() - a)
        throw std::bad_alloc();
    return a + b;
}

// Bytes of one row padded to 4, in 64 bits: DibRowBytes gives only 32 and would
// wrap for a wide enough header.
uint64_t RowBytes(int width, int bits) { return (uint64_t(width) * uint64_t(bits) + 31) / 32 * 4; }

}  // namespace

int ReadSource(const uint8_t* dib, size_t size, Accept accept, SourceDib& src)
{
    if (dib == nullptr || size < kHeaderBytes)
        return kReduceInvalid;
    BITMAPINFOHEADER h;
    std::memcpy(&h, dib, kHeaderBytes);

    const int bits = h.biBitCount;
    const bool palette = bits == 4 || bits == 8;
    if (bits != 24 && !(palette && accept == Accept::PaletteOrTrueColour))
        return kReduceBadDepth;
    // Compressed rows would be read as pixels; the engine never holds such a picture.
    if (h.biCompression != BI_RGB || h.biWidth <= 0 || h.biHeight <= 0)
        return kReduceInvalid;

    const size_t tableBytes = size_t(ColourTableEntries(bits)) * sizeof(RGBQUAD);
    const uint64_t stride = RowBytes(h.biWidth, bits);
    if (size - kHeaderBytes < tableBytes)
        return kReduceInvalid;
    const size_t rowRoom = size - kHeaderBytes - tableBytes;
    if (stride > rowRoom / uint64_t(h.biHeight))
        return kReduceInvalid;

    src.width = h.biWidth;
    src.height = h.biHeight;
    src.bits = bits;
    src.table = palette ? reinterpret_cast<const RGBQUAD*>(dib + kHeaderBytes) : nullptr;
    src.pixels = dib + kHeaderBytes + tableBytes;
    src.stride = size_t(stride);
    src.header = h;
    return kReduceOk;
}

void MakeTarget(const SourceDib& src, int bits, const RGBQUAD* table, TargetDib& dst)
{
    const size_t stride = size_t(RowBytes(src.width, bits));
    const size_t rows = (size_t(src.height) + 3) & ~size_t(3);
    const size_t entries = size_t(ColourTableEntries(bits));
    const size_t tableBytes = entries * sizeof(RGBQUAD);
    const size_t rowBytes = CheckedProduct(stride, rows);
    dst.block.assign(CheckedSum(kHeaderBytes + tableBytes, rowBytes), 0);

    BITMAPINFOHEADER h = src.header;
    h.biSize = kHeaderBytes;
    h.biPlanes = 1;
    h.biBitCount = WORD(bits);
    h.biCompression = BI_RGB;
    // Only the picture's own rows count, not the spare ones; a size beyond 32
    // bits is left 0, which uncompressed pictures allow.
    const uint64_t image = uint64_t(stride) * uint64_t(src.height);
    h.biSizeImage = image <= std::numeric_limits<DWORD>::max() ? DWORD(image) : 0;
    h.biClrUsed = 0;
    h.biClrImportant = 0;
    std::memcpy(dst.block.data(), &h, kHeaderBytes);

    dst.table = reinterpret_cast<RGBQUAD*>(dst.block.data() + kHeaderBytes);
    if (table != nullptr && entries != 0)
        std::memcpy(dst.table, table, tableBytes);
    dst.pixels = dst.block.data() + kHeaderBytes + tableBytes;
    dst.stride = stride;
}

const uint8_t* BgrRow(const SourceDib& src, int y, uint8_t* scratch)
{
    const uint8_t* p = src.Row(y);
    if (src.bits == 24)
        return p;
    const int w = src.width;
    uint8_t* o = scratch;
    auto put = [&o, &src](unsigned index) {
        const RGBQUAD& q = src.table[index];
        o[0] = q.rgbBlue;
        o[1] = q.rgbGreen;
        o[2] = q.rgbRed;
        o += 3;
    };
    if (src.bits == 8) {
        for (int x = 0; x < w; ++x)
            put(p[x]);
    } else {
        for (int x = 0; x < w; ++x)
            put((x & 1) ? (p[x >> 1] & 15u) : unsigned(p[x >> 1] >> 4));
    }
    return scratch;
}

}  // namespace vantor::reduce
