// Internals shared by the engine's frame and its format codecs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "vantor32.h"

namespace vantor {

// Row lengths and row numbers travel as 16-bit signed values.
constexpr uint32_t kMaxRowBytes = 32767;
constexpr uint32_t kMaxRows = 32767;
constexpr uint32_t kPageFlag = 0xC0000000u;
constexpr size_t kHeaderBlock = 1064;   // 40-byte header + 256 colour entries
// Length of a memory block whose caller gave none.
constexpr size_t kUnknownLength = SIZE_MAX / 2;

// A byte stream over a file descriptor, a caller's memory block, or a growing
// vector. Reads and writes never pass the block's length; a short read returns
// what there was.
class Stream {
public:
    static Stream OverFile(int fd);
    static Stream OverMemory(uint8_t* base, size_t length);
    static Stream OverVector(std::vector<uint8_t>* bytes);

    bool Seek(uint64_t position);
    uint64_t Tell() const { return pos_; }
    size_t Read(void* dst, size_t n);
    bool ReadExact(void* dst, size_t n) { return Read(dst, n) == n; }
    bool Write(const void* src, size_t n);
    // Total length for reading: file length, memory length, or vector size.
    uint64_t Length();
    // End of what is there: file length, or for memory the furthest byte written.
    uint64_t Size();
    bool IsFile() const { return kind_ == Kind::File; }
    bool LengthKnown() { return Length() < kUnknownLength; }
    bool Truncate(uint64_t length);

private:
    enum class Kind { File, Memory, Vector };
    Kind kind_ = Kind::File;
    int fd_ = -1;
    uint8_t* base_ = nullptr;
    size_t length_ = 0;
    size_t extent_ = 0;
    std::vector<uint8_t>* vector_ = nullptr;
    uint64_t pos_ = 0;
};

// The process-wide pool of temporary blocks for codecs: at most 20 blocks of
// at most 65535 bytes, zeroed, all released when a load or save entry returns.
class ScratchPool {
public:
    static constexpr int kSlots = 20;
    static constexpr size_t kMaxBlock = 65535;
    uint8_t* Get(size_t bytes);
    void Release(uint8_t* block);
    void ReleaseAll();
    int InUse() const;

private:
    std::vector<uint8_t> blocks_[kSlots];
    bool used_[kSlots] = {};
};
ScratchPool& Scratch();

// Releases every scratch block when an entry returns, on every path.
struct ScratchScope {
    ~ScratchScope() { Scratch().ReleaseAll(); }
};

struct ReadJob {
    Stream& in;
    uint32_t start;   // byte offset, or page | kPageFlag
    IMG_LINE_CB line;
    void* user;
    IMG_HEADER_CB header;
    uint64_t end = 0;   // where this picture's bytes end, 0 = end of stream
    // Set when the frame itself is loading: the store's row for picture line
    // `line` (0 the top), or null beyond it. A reader may finish rows straight
    // into it instead of handing them to `line` one by one; it then writes
    // every byte of each row, padding included.
    uint8_t* (*rowAt)(void* user, uint32_t line) = nullptr;
};

struct WriteJob {
    Stream& out;
    const BITMAPINFO* header;
    IMG_ROW_CB row;
    void* user;
    // Set when the rows `row` gives lie in memory just as they are fetched,
    // bottom row first, each of the DIB stride: a writer may take them from
    // there in one piece.
    const uint8_t* rows = nullptr;
};

// 1, 4, 8 or 24 bits.
bool DepthHeld(int bits);
uint32_t ColourEntries(int bits);
// Checks the picture fits the engine (16-bit rows and row numbers), builds the
// header block from scratch memory and calls the header callback. Resolutions
// are in pixels per metre (0: not known).
int DeliverHeader(ReadJob& job, int32_t width, int32_t height, int bits, const RGBQUAD* table,
                  int32_t xPelsPerMeter = 0, int32_t yPelsPerMeter = 0);
// 0 when a picture of this size and depth fits the engine; -3 for an empty one,
// -6 beyond the 16-bit row limits or for a depth not held, -1 when its store and
// the reader's own buffers (`working` bytes) would pass the memory limit.
int PictureFits(int32_t width, int32_t height, int bits, uint64_t working = 0);
// The memory limit for one picture, its store and the reader's buffers together:
// a small file must not make the engine ask for gigabytes.
constexpr uint64_t kDefaultMemoryLimit = uint64_t(1) << 30;
uint64_t MemoryLimit();
// Bytes of the packed DIB the frame keeps for a picture: header, full colour
// table, rows (their count rounded up to 4).
uint64_t StoreBytes(uint32_t width, uint32_t height, int bits);
// -1 when `bytes` would pass the memory limit, else 0.
int WithinBudget(uint64_t bytes);
// False when the stream is known to hold fewer than `bytes` bytes from `at` on,
// so a reader can refuse a picture before its pixel store is allocated.
bool CanHold(Stream& in, uint64_t at, uint64_t bytes, uint64_t end = 0);
// True when start names a page beyond the first for a single-page format.
bool IsLaterPage(uint32_t start);
uint32_t StartOffset(uint32_t start);

int ReadBmp(ReadJob& job);
int ReadPcx(ReadJob& job);
int ReadDcx(ReadJob& job);
int ReadTarga(ReadJob& job);
int ReadGif(ReadJob& job);
int ReadJpeg(ReadJob& job);
int WriteBmp(WriteJob& job);
int WriteBmpRle(WriteJob& job);
int WritePcx(WriteJob& job);
int WriteDcx(WriteJob& job);
int WriteTarga(WriteJob& job);
int WriteGif(WriteJob& job);
int WriteJpeg(WriteJob& job);
// The rows of a device-independent bitmap at the stream's position, uncompressed
// or RLE8/RLE4, as the BMP reader takes them; metafiles carry the same rows.
int ReadDibRows(ReadJob& job, int32_t width, int32_t height, int bits, uint32_t compression, bool topDown);
// The fewest bytes such rows can take: all of them uncompressed; run-length
// rows end each with a two-byte mark, as every common writer puts them.
uint64_t LeastDibBytes(int32_t width, int32_t height, int bits, uint32_t compression);
int ReadWmf(ReadJob& job);
int WriteWmf(WriteJob& job);
int ReadWpg(ReadJob& job);
int WriteWpg(WriteJob& job);
int ReadPict(ReadJob& job);
int WritePict(WriteJob& job);
int ReadTiff(ReadJob& job);
int ReadEps(ReadJob& job);
int WriteTiff(WriteJob& job);          // uncompressed, adds a page to a TIFF file
int WriteTiffHuffman(WriteJob& job);   // CCITT modified Huffman, 1 bit
int WriteTiffGroup3(WriteJob& job);    // CCITT T.4, 1 bit
int WriteTiffGroup4(WriteJob& job);    // CCITT T.6, 1 bit
int WriteTiffLzw(WriteJob& job);       // LZW, always a new single-page file
int WritePostScript(WriteJob& job);    // type 14

// Detection by content from the stream's current picture start; -6 when nothing matches.
int DetectType(Stream& in, uint64_t start);

// The record behind a bitmap handle.
struct Record {
    uint16_t displayX = 0, displayY = 0, displayWidth = 0, displayHeight = 0;
    uint16_t cropLeft = 0, cropTop = 0, cropWidth = 0, cropHeight = 0;
    uint16_t reserved = 0;
    HGLOBAL savedTable = nullptr;
    HGLOBAL store = nullptr;
    uint32_t rop = SRCCOPY;
    HPALETTE palette = nullptr;
    void* savedTableAddress = nullptr;
    uint8_t* headerPointer = nullptr;
    uint32_t width = 0, height = 0, stride = 0;
    uint16_t drawing = 0;

    const BITMAPINFOHEADER& Header() const;
    uint8_t* Rows();
    uint32_t TableBytes() const;
};

// Handle table: slot 0 unused, grows by one slot, shrinks when its last slot empties.
IMG_HANDLE AllocateHandle(Record* record);
void FreeHandle(IMG_HANDLE handle);
Record* Lookup(IMG_HANDLE handle);   // null for 0, beyond the table, or an empty slot
uint32_t HandleTableSize();

// Replaces a record's pixel store by a packed DIB (header, full colour table, rows).
int AdoptStore(Record& record, std::vector<uint8_t>&& dib);

// The frame's own callbacks; user is the Record.
int16_t FrameHeader(BITMAPINFO* header, void* user);
int16_t FrameLine(const uint8_t* row, void* user, int16_t line, int16_t bytes);
uint8_t* FrameRow(void* user, uint32_t line);

}   // namespace vantor
