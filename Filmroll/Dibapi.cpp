#include "Dibapi.h"

#include "gdi/DibView.h"
#include "readfile.h"

#include <cstring>
#include <string>

namespace {
constexpr size_t kFileHeader = 14;
} // namespace

HGLOBAL DIBFromFileImage(std::string_view file)
{
    // A reader of the clipboard trusts the header; only a whole bitmap goes there.
    DibView view;
    const auto* bytes = reinterpret_cast<const uint8_t*>(file.data());
    if (ViewBmpFile(bytes, file.size(), view) != DibCheck::Ok)
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
    std::string bytes;
    return ReadPictureFile(path, bytes) ? DIBFromFileImage(bytes) : nullptr;
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
