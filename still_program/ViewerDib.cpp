#include "ViewerDib.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr int kInvalid = -3;
constexpr int kUnsupported = -6;
constexpr size_t kFileHeader = 14;
constexpr int32_t kLargestSide = 32767;

bool DepthDrawn(WORD bits)
{
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

uint32_t Rgb(uint8_t r, uint8_t g, uint8_t b)
{
    return 0xFF000000u | (uint32_t(r) << 16) | (uint32_t(g) << 8) | b;
}

} // namespace

int ParseViewerDib(const uint8_t* file, size_t size, ViewerDib& dib)
{
    if (!file || size < kFileHeader + sizeof(BITMAPINFOHEADER) || file[0] != 'B' || file[1] != 'M')
        return kInvalid;
    BITMAPINFOHEADER info;
    std::memcpy(&info, file + kFileHeader, sizeof info);
    const size_t available = size - kFileHeader;
    if (info.biSize < sizeof info || info.biSize > available || info.biPlanes != 1)
        return kInvalid;
    if (info.biCompression != BI_RGB || !DepthDrawn(info.biBitCount))
        return kUnsupported;
    if (info.biWidth <= 0 || info.biWidth > kLargestSide || info.biHeight <= 0 || info.biHeight > kLargestSide)
        return kInvalid;
    const WORD bits = info.biBitCount;
    if (info.biClrUsed == 0 && bits <= 8)
        info.biClrUsed = DWORD(1) << bits;
    if (bits <= 8 && info.biClrUsed > (DWORD(1) << bits))
        return kInvalid;
    const uint64_t stride = (uint64_t(bits) * uint64_t(info.biWidth) + 31) / 32 * 4;
    const uint64_t image = stride * uint64_t(info.biHeight);
    if (info.biSizeImage == 0)
        info.biSizeImage = DWORD(image);
    const uint64_t pixelOffset = uint64_t(info.biSize) + uint64_t(info.biClrUsed) * 4;
    if (pixelOffset > available || image > available - pixelOffset)
        return kInvalid;
    dib.info = info;
    dib.stride = size_t(stride);
    dib.pixelOffset = size_t(pixelOffset);
    dib.packed.assign(file + kFileHeader, file + kFileHeader + size_t(pixelOffset + image));
    std::memcpy(dib.packed.data(), &info, sizeof info);
    return 0;
}

bool ReadViewerDib(const char* path, ViewerDib& dib)
{
    FILE* in = path ? std::fopen(path, "rb") : nullptr;
    if (!in)
        return false;
    std::vector<uint8_t> bytes;
    bool ok = std::fseek(in, 0, SEEK_END) == 0;
    long length = ok ? std::ftell(in) : -1;
    ok = length > 0 && std::fseek(in, 0, SEEK_SET) == 0;
    if (ok) {
        bytes.resize(size_t(length));
        ok = std::fread(bytes.data(), 1, bytes.size(), in) == bytes.size();
    }
    std::fclose(in);
    return ok && ParseViewerDib(bytes.data(), bytes.size(), dib) == 0;
}

std::vector<uint32_t> ViewerDibPixels(const ViewerDib& dib)
{
    const int width = dib.info.biWidth;
    const int height = dib.info.biHeight;
    const WORD bits = dib.info.biBitCount;
    std::vector<uint32_t> out(size_t(width) * size_t(height));
    const uint8_t* colours = dib.packed.data() + dib.info.biSize;
    const uint32_t colourCount = bits <= 8 ? dib.info.biClrUsed : 0;
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = dib.packed.data() + dib.pixelOffset + size_t(height - 1 - y) * dib.stride;
        uint32_t* to = out.data() + size_t(y) * size_t(width);
        for (int x = 0; x < width; ++x) {
            if (bits <= 8) {
                const int perByte = 8 / bits;
                const int shift = 8 - bits * (x % perByte + 1);
                uint32_t index = (row[x / perByte] >> shift) & ((1u << bits) - 1);
                // An index past a short colour table shows black.
                const uint8_t* c = index < colourCount ? colours + index * 4 : nullptr;
                to[x] = c ? Rgb(c[2], c[1], c[0]) : Rgb(0, 0, 0);
            } else if (bits == 16) {
                uint16_t v = uint16_t(row[x * 2] | (row[x * 2 + 1] << 8));
                to[x] = Rgb(uint8_t((v >> 7) & 0xF8), uint8_t((v >> 2) & 0xF8), uint8_t((v << 3) & 0xF8));
            } else {
                const uint8_t* p = row + size_t(x) * (bits / 8);
                to[x] = Rgb(p[2], p[1], p[0]);
            }
        }
    }
    return out;
}
