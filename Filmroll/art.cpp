#include "art.h"

#include "art/jgew32.h"
#include "types/wintypes.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr size_t kReadPiece = 32768;

// What the compressor needs from a packed bitmap, checked against its length.
struct PackedPicture {
    BITMAPINFOHEADER info {};
    uint8_t palette[1024] = {};
    const uint8_t* pixels = nullptr;
    size_t stride = 0;
};

bool Describe(const std::vector<uint8_t>& packed, PackedPicture& picture)
{
    if (packed.size() < sizeof(BITMAPINFOHEADER))
        return false;
    BITMAPINFOHEADER& info = picture.info;
    std::memcpy(&info, packed.data(), sizeof info);
    WORD bits = info.biBitCount;
    if (info.biSize != 40 || info.biCompression != BI_RGB ||
        !(bits == 1 || bits == 4 || bits == 8 || bits == 24))
        return false;
    // The compressor takes 16-bit sizes and a 16-bit stride; bottom-up rows only.
    if (info.biWidth <= 0 || info.biWidth > 0xFFFF || info.biHeight <= 0 || info.biHeight > 0xFFFF)
        return false;
    uint64_t stride = DibRowBytes(info.biWidth, bits);
    if (stride > 0x7FFF)
        return false;
    uint64_t colours = info.biClrUsed != 0 ? info.biClrUsed : (bits == 24 ? 0 : (uint64_t(1) << bits));
    uint64_t pixelStart = sizeof info + colours * 4;
    if (pixelStart > packed.size() || stride * uint64_t(info.biHeight) > packed.size() - pixelStart)
        return false;
    if (bits != 24)
        std::memcpy(picture.palette, packed.data() + sizeof info, size_t(std::min<uint64_t>(colours, 256)) * 4);
    picture.pixels = packed.data() + pixelStart;
    picture.stride = size_t(stride);
    return true;
}

int ApplySettings(JGE_HANDLE handle, int settingsChoice)
{
    static const char* const fast[] = {"EncodeType=0", "FinalQuality=8", "Preview=FAST"};
    static const char* const fine[] = {"EncodeType=1", "FinalQuality=10"};
    int result = JGE_OK;
    if (settingsChoice == 1) {
        for (const char* s : fast)
            result = result ? result : JgESet(handle, s);
    } else {
        for (const char* s : fine)
            result = result ? result : JgESet(handle, s);
    }
    return result;
}

// Rows top first: from the end of the bottom-up pixels backwards.
int FeedRows(JGE_HANDLE handle, const PackedPicture& picture)
{
    const uint8_t* p = picture.pixels + size_t(picture.info.biHeight) * picture.stride;
    int16_t stride = int16_t(-int(picture.stride));
    for (LONG i = 0; i < picture.info.biHeight; ++i, p -= picture.stride)
        if (int result = JgEInputImage(handle, p, stride, int16_t(i), 1))
            return result;
    return JGE_OK;
}

} // namespace

bool ReadBMP(const char* path, std::vector<uint8_t>& packed)
{
    packed.clear();
    FILE* in = path ? std::fopen(path, "rb") : nullptr;
    if (!in)
        return false;
    long length = std::fseek(in, 0, SEEK_END) == 0 ? std::ftell(in) : -1;
    BITMAPFILEHEADER header {};
    bool ok = length >= long(sizeof header) && std::fseek(in, 0, SEEK_SET) == 0 &&
              std::fread(&header, sizeof header, 1, in) == 1 && header.bfType == BMP_SIGNATURE;
    if (ok) {
        packed.resize(size_t(length) - sizeof header);
        for (size_t at = 0; ok && at < packed.size(); at += kReadPiece) {
            size_t piece = std::min(kReadPiece, packed.size() - at);
            ok = std::fread(packed.data() + at, 1, piece, in) == piece;
        }
    }
    std::fclose(in);
    if (!ok)
        packed.clear();
    return ok;
}

bool Compress(const char* bmpPath, std::vector<uint8_t>& stream, int settingsChoice)
{
    stream.clear();
    std::vector<uint8_t> packed;
    PackedPicture picture;
    if (!ReadBMP(bmpPath, packed) || !Describe(packed, picture))
        return false;
    JGE_IMAGE image {uint16_t(picture.info.biHeight), uint16_t(picture.info.biWidth), picture.info.biBitCount, 0,
                     picture.info.biBitCount == 24 ? nullptr : picture.palette};
    JGE_HANDLE handle = nullptr;
    int32_t length = 0;
    int result = JgEInit(&handle, &image);
    result = result ? result : ApplySettings(handle, settingsChoice);
    result = result ? result : FeedRows(handle, picture);
    result = result ? result : JgEDoCompress(handle, &length);
    if (result == JGE_OK && length > 0) {
        stream.resize(size_t(length));
        result = JgEGetARTStream(handle, stream.data(), length);
    }
    if (handle)
        JgEFreeHandle(handle);
    if (result != JGE_OK)
        stream.clear();
    return result == JGE_OK && !stream.empty();
}
