#include "art.h"

#include "art/jgew32.h"
#include "gdi/DibView.h"
#include "readfile.h"
#include "types/SafeFile.h"
#include "types/wintypes.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// What the compressor needs from a packed bitmap, checked against its length.
struct PackedPicture {
    BITMAPINFOHEADER info {};
    uint8_t palette[1024] = {};
    const uint8_t* pixels = nullptr;
    size_t stride = 0;
};

bool Describe(const std::vector<uint8_t>& packed, PackedPicture& picture)
{
    DibView view;
    // The compressor takes 16-bit sizes and a 16-bit stride.
    if (ViewPackedDib(packed.data(), packed.size(), view, DibLimits {0xFFFF}) != DibCheck::Ok)
        return false;
    const WORD bits = view.bitCount;
    // Windows headers with bottom-up rows only.
    if (view.headerSize != 40 || view.topDown || !(bits == 1 || bits == 4 || bits == 8 || bits == 24) ||
        view.stride > 0x7FFF)
        return false;
    picture.info = view.Info();
    if (bits != 24)
        std::memcpy(picture.palette, view.colours, size_t(std::min<uint32_t>(view.colourCount, 256)) * 4);
    picture.pixels = view.bits;
    picture.stride = view.stride;
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
    std::string file;
    if (!ReadPictureFile(path, file) || file.size() < sizeof(BITMAPFILEHEADER) || file[0] != 'B' || file[1] != 'M')
        return false;
    packed.assign(file.begin() + sizeof(BITMAPFILEHEADER), file.end());
    return true;
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

bool WriteArtFile(const char* bmpPath, const char* outPath, int settingsChoice)
{
    std::vector<uint8_t> stream;
    if (!outPath || !Compress(bmpPath, stream, settingsChoice))
        return false;
    return velmora::WriteStreamAtomically(outPath, [&stream](FILE* out) {
        return std::fwrite(stream.data(), 1, stream.size(), out) == stream.size();
    });
}
