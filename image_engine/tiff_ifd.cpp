// TIFF structure: the header, IFDs and entry values in either byte order.
#include <algorithm>
#include <cstring>

#include "tiff.h"

namespace vantor::tiff {

namespace {
uint32_t TypeSize(uint16_t type)
{
    switch (type) {
    case 1: case 2: case 6: case 7: return 1;   // BYTE, ASCII, SBYTE, UNDEFINED
    case 3: case 8: return 2;                   // SHORT, SSHORT
    case 4: case 9: case 11: return 4;          // LONG, SLONG, FLOAT
    case 5: case 10: case 12: return 8;         // RATIONAL, SRATIONAL, DOUBLE
    default: return 0;
    }
}
}   // namespace

uint32_t TiffFile::U32(const uint8_t* p) const
{
    return big_ ? uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]
                : uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

int TiffFile::ReadHeader(uint32_t& firstIfd)
{
    uint8_t h[8];
    if (!in_.Seek(base_) || !in_.ReadExact(h, sizeof h))
        return IMG_ERR_CONTENT;
    big_ = h[0] == 'M' && h[1] == 'M';
    firstIfd = U32(h + 4);
    return IMG_OK;
}

int TiffFile::ReadIfd(uint32_t offset, std::vector<Entry>& entries, uint32_t& next)
{
    uint8_t two[2];
    if (!in_.Seek(At(offset)) || !in_.ReadExact(two, 2))
        return IMG_ERR_CONTENT;
    const uint32_t count = U16(two);
    const size_t bytes = size_t(count) * 12 + 100;
    if (!CanHold(in_, in_.Tell(), size_t(count) * 12 + 4))
        return IMG_ERR_CONTENT;
    if (bytes > ScratchPool::kMaxBlock)
        return IMG_ERR_UNSUPPORTED;
    uint8_t* block = Scratch().Get(bytes);
    if (!block)
        return IMG_ERR_MEMORY;
    uint8_t four[4];
    const bool ok = in_.ReadExact(block, size_t(count) * 12) && in_.ReadExact(four, 4);
    if (ok) {
        entries.resize(count);
        for (uint32_t i = 0; i < count; ++i) {
            const uint8_t* p = block + 12 * i;
            entries[i].tag = U16(p);
            entries[i].type = U16(p + 2);
            entries[i].count = U32(p + 4);
            std::memcpy(entries[i].value, p + 8, 4);
        }
        next = U32(four);
    }
    Scratch().Release(block);
    return ok ? IMG_OK : IMG_ERR_CONTENT;
}

bool TiffFile::Values(const Entry& e, uint32_t first, uint32_t n, uint32_t* out)
{
    const uint32_t size = TypeSize(e.type);
    if ((size != 1 && size != 2 && size != 4) || e.type == 2 || uint64_t(first) + n > e.count)
        return false;
    const uint64_t total = uint64_t(e.count) * size;
    const uint8_t* p = e.value;
    std::vector<uint8_t> buf;
    if (total > 4) {
        buf.resize(size_t(n) * size);
        if (!in_.Seek(At(U32(e.value)) + uint64_t(first) * size) || !in_.ReadExact(buf.data(), buf.size()))
            return false;
        p = buf.data();
    } else {
        p += first * size;
    }
    for (uint32_t i = 0; i < n; ++i)
        out[i] = size == 1 ? p[i] : size == 2 ? U16(p + 2 * i) : U32(p + 4 * i);
    return true;
}

uint32_t TiffFile::Scalar(const Entry& e, uint32_t fallback)
{
    uint32_t v;
    return e.count >= 1 && Values(e, 0, 1, &v) ? v : fallback;
}

bool TiffFile::Readable(const Entry& e)
{
    const uint64_t total = uint64_t(e.count) * TypeSize(e.type);
    return total <= 4 || CanHold(in_, At(U32(e.value)), total);
}

size_t TiffFile::Bytes(const Entry& e, uint8_t* out, size_t n)
{
    const uint32_t size = TypeSize(e.type);
    const uint64_t total = uint64_t(e.count) * size;
    n = size_t(std::min<uint64_t>(n, total));
    if (total <= 4) {
        std::memcpy(out, e.value, n);
        return n;
    }
    return in_.Seek(At(U32(e.value))) ? in_.Read(out, n) : 0;
}

}   // namespace vantor::tiff
