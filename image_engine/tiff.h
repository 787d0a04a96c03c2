// TIFF internals shared by its reader, its writers and the EPS front end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "engine.h"

namespace vantor::tiff {

enum Compression : uint32_t {
    kNone = 1,
    kHuffman = 2,   // CCITT modified Huffman, rows byte-aligned, no end-of-line codes
    kGroup3 = 3,    // T.4: an end-of-line code before every row
    kGroup4 = 4,    // T.6: two-dimensional against the row above
    kLzw = 5,
    kPackBits = 32773,
};

// Group 3 options (tag 292): two-dimensional rows, end-of-line codes byte-aligned.
constexpr uint32_t kT4TwoD = 1;
constexpr uint32_t kT4FillBits = 4;

// Decoders fill `out` with exactly `want` bytes. They return 0, or -3 when the
// data is broken or ends before `want` bytes were produced; they never read
// past `n` input bytes nor write past `want` output bytes.
int DecodeLzw(const uint8_t* in, size_t n, uint8_t* out, size_t want);
// The same into `count` rows of `rowBytes` each, wherever they lie: row i of
// the strip goes to rows[i].
int DecodeLzwRows(const uint8_t* in, size_t n, uint8_t* const* rows, uint32_t count, size_t rowBytes);
int DecodePackBits(const uint8_t* in, size_t n, uint8_t* out, size_t want);
// One independent LZW stream: Clear first, EndOfInformation last.
void EncodeLzw(const uint8_t* in, size_t n, std::vector<uint8_t>& out);

// CCITT rows hold 1 for black, most significant bit first; rowBytes >= (width + 7) / 8.
// The data is read most significant bit first: the caller reverses it for FillOrder 2.
int DecodeCcitt(uint32_t compression, uint32_t t4Options, const uint8_t* in, size_t n, uint32_t width,
                uint32_t rows, uint8_t* out, size_t rowBytes);
// The same rows one at a time, each handed to `take` as it is decoded, so a
// reader needs no strip of decoded rows; a negative result of `take` stops.
int DecodeCcittRows(uint32_t compression, uint32_t t4Options, const uint8_t* in, size_t n, uint32_t width,
                    uint32_t rows, size_t rowBytes, const std::function<int(uint8_t*)>& take);
void EncodeCcitt(uint32_t compression, const uint8_t* rows, uint32_t width, uint32_t height,
                 size_t rowBytes, std::vector<uint8_t>& out);
void ReverseBits(uint8_t* p, size_t n);

// Code tables of T.4: run lengths 0-63, then make-up codes 64, 128, ... 2560.
struct RunCode {
    uint16_t bits;   // the code, right-aligned
    uint8_t length;  // in bits
};
extern const RunCode kWhiteCodes[104];
extern const RunCode kBlackCodes[104];
int RunCodeIndex(uint32_t run);   // index of the make-up code for run >= 64

// One 12-byte IFD entry; `value` is the value field as it stands in the file.
struct Entry {
    uint16_t tag = 0, type = 0;
    uint32_t count = 0;
    uint8_t value[4] = {};
};

// A TIFF in a stream: its byte order, and the base that its offsets count from.
class TiffFile {
public:
    TiffFile(Stream& in, uint64_t base) : in_(in), base_(base) {}
    // -3 when fewer than 8 bytes are there; the first IFD offset otherwise.
    int ReadHeader(uint32_t& firstIfd);
    bool Big() const { return big_; }
    uint16_t U16(const uint8_t* p) const { return big_ ? uint16_t(p[0] << 8 | p[1]) : uint16_t(p[0] | p[1] << 8); }
    uint32_t U32(const uint8_t* p) const;
    // The entries of the IFD at `offset` and its next-IFD offset: -6 when the
    // entry count is beyond the scratch pool, -3 when the IFD cannot be read.
    int ReadIfd(uint32_t offset, std::vector<Entry>& entries, uint32_t& next);
    // Values `first` .. `first + n - 1` of a BYTE, SHORT or LONG entry, read by its
    // type, from the value field or from the file; false when not there.
    bool Values(const Entry& e, uint32_t first, uint32_t n, uint32_t* out);
    uint32_t Scalar(const Entry& e, uint32_t fallback);
    // False when the entry's values lie beyond the end of the stream.
    bool Readable(const Entry& e);
    // Up to n bytes of an entry's data (ASCII, RATIONAL); the number read.
    size_t Bytes(const Entry& e, uint8_t* out, size_t n);
    uint64_t At(uint32_t offset) const { return base_ + offset; }
    Stream& In() { return in_; }

private:
    Stream& in_;
    uint64_t base_;
    bool big_ = false;
};

}   // namespace vantor::tiff
