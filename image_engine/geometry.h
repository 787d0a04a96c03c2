// What the geometric and tone operations share: the picture of a handle held
// locked while an operation runs, pixel access below a byte, and new pixel
// stores built beside the old one so that a failure leaves the picture as it was.
#pragma once

#include <cstdint>
#include <new>
#include <vector>

#include "engine.h"

namespace vantor {

// The record of a handle, its header pointer set for the life of the object.
class HeldPicture {
public:
    explicit HeldPicture(IMG_HANDLE handle);
    ~HeldPicture();
    HeldPicture(const HeldPicture&) = delete;
    HeldPicture& operator=(const HeldPicture&) = delete;

    bool Valid() const { return record_ != nullptr; }
    Record& Rec() { return *record_; }
    int Bits() const { return record_->Header().biBitCount; }
    // DIB row r (0 = bottom row).
    uint8_t* Row(uint32_t r) { return record_->Rows() + size_t(r) * record_->stride; }

private:
    Record* record_ = nullptr;
};

// Runs an operation, turning a failed allocation into the engine's -1.
template <class Operation>
int Guarded(Operation operation)
{
    try {
        return operation();
    } catch (const std::bad_alloc&) {
        return IMG_ERR_MEMORY;
    }
}

// Runs an operation on the picture of a handle: -7 for a bad handle.
template <class Operation>
int OnPicture(IMG_HANDLE handle, Operation operation)
{
    HeldPicture picture(handle);
    if (!picture.Valid())
        return IMG_ERR_HANDLE;
    return Guarded([&] { return operation(picture); });
}

// A packed DIB of width x height with the record's header and colour table and
// zeroed rows (spare rows up to a multiple of 4 included): -6 when the size is
// beyond the engine's 16-bit rows, -1 when memory is short.
int NewStore(const Record& record, uint32_t width, uint32_t height, std::vector<uint8_t>& dib);
inline uint8_t* StoreRows(std::vector<uint8_t>& dib)
{
    const auto* h = reinterpret_cast<const BITMAPINFOHEADER*>(dib.data());
    return dib.data() + sizeof(BITMAPINFOHEADER) + 4 * ColourEntries(h->biBitCount);
}

// The crop rectangle follows a mirrored picture. A rectangle reaching past the
// picture is kept inside it rather than wrapped round 16 bits.
void MirrorCropX(Record& record);
void MirrorCropY(Record& record);

// Pixels of 1- and 4-bit rows, leftmost in the most significant bits.
inline uint8_t BitAt(const uint8_t* row, uint32_t x) { return (row[x >> 3] >> (7 - (x & 7))) & 1; }
inline void SetBit(uint8_t* row, uint32_t x) { row[x >> 3] |= uint8_t(0x80 >> (x & 7)); }
inline uint8_t NibbleAt(const uint8_t* row, uint32_t x)
{
    return (x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4;
}
// The destination nibble must be clear.
inline void PutNibble(uint8_t* row, uint32_t x, uint8_t v)
{
    row[x >> 1] |= (x & 1) ? uint8_t(v & 0x0F) : uint8_t(v << 4);
}

}   // namespace vantor
