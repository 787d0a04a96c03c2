// GIF's variable-width LZW code stream, both directions.
#pragma once

#include <cstdint>

#include "codec_util.h"

namespace vantor {

constexpr int kGifMaxCodeBits = 12;
constexpr uint32_t kGifTableSize = 1u << kGifMaxCodeBits;
// The writer starts a new table when its next free code reaches this, short of
// the 4096 codes a table can hold, so no reader ever meets a full table.
constexpr uint32_t kGifWriterReset = 4080;

// Receives the decoded pixels one row (width bytes, one per pixel) at a time,
// rows counted in the order they are stored in the file.
class GifRowTarget {
public:
    virtual int Row(const uint8_t* pixels, uint32_t index) = 0;

protected:
    ~GifRowTarget() = default;
};

// Decodes the data sub-blocks that follow the minimum code size byte until
// `height` rows of `width` pixels are out. An End code before that finishes the
// picture with rows of index 0; data that runs out first, or a code the table
// does not hold yet, gives IMG_ERR_CONTENT.
int GifDecode(ByteSource& src, int minCodeSize, uint32_t width, uint32_t height, GifRowTarget& target);

// Packs codes least significant bit first into data sub-blocks of 253 or 254
// bytes behind their length byte.
class GifLzwEncoder {
public:
    GifLzwEncoder(ByteSink& sink, int minCodeSize) : sink_(sink), minCodeSize_(minCodeSize) {}
    bool Init();
    void Put(const uint8_t* pixels, uint32_t count);
    // Ends the stream: the last string, the End code, the last sub-block and the
    // zero-length block.
    void Finish();

private:
    void Emit(uint32_t code);
    void EmitData(uint32_t code);
    void Reset();

    ByteSink& sink_;
    int minCodeSize_;
    uint32_t clear_ = 0, width_ = 0;
    uint32_t free_ = 0;          // the next code this table will give out
    uint32_t readerNext_ = 0;    // the reader's next free code, one step behind
    uint32_t sinceClear_ = 0;
    int32_t prefix_ = -1;
    uint32_t* keys_ = nullptr;   // (prefix << 8 | byte) + 1 per slot, 0 = empty
    uint16_t* codes_ = nullptr;
    uint64_t bits_ = 0;
    int bitCount_ = 0;
    uint8_t block_[256] = {};
    uint32_t blockBytes_ = 0;
};

}   // namespace vantor
