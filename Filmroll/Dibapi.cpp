#include "Dibapi.h"

#include "types/wintypes.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {
constexpr size_t kFileHeader = 14;
// Nothing the camera or the roll makes comes near this; larger is not a picture of ours.
constexpr long kMaxFile = 256L << 20;
} // namespace

HGLOBAL DIBFromFileImage(std::string_view file)
{
    if (file.size() < kFileHeader + 4 || file[0] != 'B' || file[1] != 'M')
        return nullptr;
    uint32_t infoSize = 0;
    std::memcpy(&infoSize, file.data() + kFileHeader, 4);
    // A packed DIB is useless to a reader without its whole info header.
    if (infoSize < 12 || infoSize > file.size() - kFileHeader)
        return nullptr;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, file.size());
    if (!block)
        return nullptr;
    void* p = GlobalLock(block);
    std::memcpy(p, file.data() + kFileHeader, file.size() - kFileHeader);
    GlobalUnlock(block);
    return block;
}

HGLOBAL ReadDIBFile(const CString& path)
{
    FILE* f = std::fopen(path, "rb");
    if (!f)
        return nullptr;
    std::string bytes;
    long size = -1;
    if (std::fseek(f, 0, SEEK_END) == 0)
        size = std::ftell(f);
    if (size > 0 && size <= kMaxFile && std::fseek(f, 0, SEEK_SET) == 0) {
        bytes.resize(size_t(size));
        bytes.resize(std::fread(bytes.data(), 1, bytes.size(), f));
    }
    std::fclose(f);
    return DIBFromFileImage(bytes);
}

HGLOBAL CopyHandle(HGLOBAL block)
{
    if (!block)
        return nullptr;
    size_t size = GlobalSize(block);
    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (!copy)
        return nullptr;
    std::memcpy(GlobalLock(copy), GlobalLock(block), size);
    GlobalUnlock(copy);
    GlobalUnlock(block);
    return copy;
}
