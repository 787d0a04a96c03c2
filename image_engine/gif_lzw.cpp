// GIF's LZW decoder and encoder.
#include "gif_lzw.h"

#include <cstring>
#include <vector>

namespace vantor {

namespace {

constexpr uint32_t kRefillBlocks = 30;
constexpr uint32_t kLongestString = kGifTableSize;
constexpr uint32_t kHashSlots = 8192;   // a power of two, twice the table

// Bits of the data sub-blocks, least significant first, a few blocks at a time.
class CodeReader {
public:
    explicit CodeReader(ByteSource& src) : src_(src) {}
    bool Init()
    {
        data_ = Scratch().Get(kRefillBlocks * 255);
        return data_ != nullptr;
    }
    bool Next(uint32_t width, uint32_t& code)
    {
        while (count_ < int(width)) {
            if (at_ == end_ && !Refill())
                return false;
            bits_ |= uint32_t(*at_++) << count_;
            count_ += 8;
        }
        code = bits_ & ((1u << width) - 1);
        bits_ >>= width;
        count_ -= int(width);
        return true;
    }

private:
    bool Refill()
    {
        uint32_t filled = 0;
        for (uint32_t i = 0; i < kRefillBlocks && !ended_; ++i) {
            uint8_t length = 0;
            if (!src_.Next(length) || length == 0) {
                ended_ = true;
                break;
            }
            if (!src_.Take(data_ + filled, length)) {
                ended_ = true;   // whatever the short block held is lost with it
                break;
            }
            filled += length;
        }
        at_ = data_;
        end_ = data_ + filled;
        return filled > 0;
    }

    ByteSource& src_;
    uint8_t* data_ = nullptr;
    const uint8_t* at_ = nullptr;
    const uint8_t* end_ = nullptr;
    uint32_t bits_ = 0;
    int count_ = 0;
    bool ended_ = false;
};

// Collects decoded strings and hands out whole rows.
class RowAssembler {
public:
    RowAssembler(uint32_t width, uint32_t height, GifRowTarget& target)
        : width_(width), height_(height), target_(target) {}
    // Beyond a scratch block for the widest 1-bit rows.
    bool Init()
    {
        storage_.resize(width_ + kLongestString);
        buffer_ = storage_.data();
        return true;
    }
    uint8_t* Tail() { return buffer_ + filled_; }
    bool Done() const { return row_ == height_; }
    // Takes `count` more pixels written at Tail() and delivers every complete row.
    int Grow(uint32_t count)
    {
        filled_ += count;
        uint32_t from = 0;
        while (filled_ - from >= width_ && row_ < height_) {
            if (int r = target_.Row(buffer_ + from, row_++); r < 0)
                return r;
            from += width_;
        }
        if (from) {
            std::memmove(buffer_, buffer_ + from, filled_ - from);
            filled_ -= from;
        }
        return IMG_OK;
    }
    // The rows the stream never reached are index 0.
    int PadToEnd()
    {
        while (row_ < height_) {
            std::memset(buffer_ + filled_, 0, width_ - filled_);
            filled_ = 0;
            if (int r = target_.Row(buffer_, row_++); r < 0)
                return r;
        }
        return IMG_OK;
    }

private:
    uint32_t width_, height_;
    GifRowTarget& target_;
    std::vector<uint8_t> storage_;
    uint8_t* buffer_ = nullptr;
    uint32_t filled_ = 0, row_ = 0;
};

struct StringTable {
    uint16_t* prefix;
    uint16_t* length;
    uint8_t* suffix;
    uint8_t* first;

    bool Init(uint32_t clear)
    {
        prefix = reinterpret_cast<uint16_t*>(Scratch().Get(kGifTableSize * 2));
        length = reinterpret_cast<uint16_t*>(Scratch().Get(kGifTableSize * 2));
        suffix = Scratch().Get(kGifTableSize);
        first = Scratch().Get(kGifTableSize);
        if (!prefix || !length || !suffix || !first)
            return false;
        for (uint32_t i = 0; i < clear; ++i) {
            length[i] = 1;
            suffix[i] = first[i] = uint8_t(i);
        }
        return true;
    }
    void Add(uint32_t code, uint32_t before, uint8_t last)
    {
        prefix[code] = uint16_t(before);
        suffix[code] = last;
        first[code] = first[before];
        length[code] = uint16_t(length[before] + 1);
    }
    // Writes the string of `code` to dst; returns its length.
    uint32_t Write(uint32_t code, uint8_t* dst, uint32_t clear) const
    {
        const uint32_t n = length[code];
        uint8_t* q = dst + n - 1;
        while (code > clear) {
            *q-- = suffix[code];
            code = prefix[code];
        }
        *q = uint8_t(code);
        return n;
    }
};

// Codes widen once the next free code no longer fits. With a minimum code size
// of 1 that happens at the first code after a Clear already, as other readers do.
void Widen(uint32_t& width, uint32_t next)
{
    if (next >= (1u << width) && width < uint32_t(kGifMaxCodeBits))
        ++width;
}

}   // namespace

int GifDecode(ByteSource& src, int minCodeSize, uint32_t width, uint32_t height, GifRowTarget& target)
{
    if (minCodeSize < 1 || minCodeSize > 8)
        return IMG_ERR_CONTENT;
    const uint32_t clear = 1u << minCodeSize, end = clear + 1;
    CodeReader reader(src);
    RowAssembler rows(width, height, target);
    StringTable table;
    if (!reader.Init() || !rows.Init() || !table.Init(clear))
        return IMG_ERR_MEMORY;

    uint32_t codeWidth = uint32_t(minCodeSize) + 1, next = clear + 2;
    int32_t previous = -1;
    while (!rows.Done()) {
        uint32_t code;
        if (!reader.Next(codeWidth, code))
            return IMG_ERR_CONTENT;
        if (code == clear) {
            codeWidth = uint32_t(minCodeSize) + 1;
            next = clear + 2;
            previous = -1;
            continue;
        }
        if (code == end)
            return rows.PadToEnd();
        if (previous < 0) {
            if (code > clear)
                return IMG_ERR_CONTENT;
            *rows.Tail() = uint8_t(code);
            previous = int32_t(code);
            Widen(codeWidth, next);
            if (int r = rows.Grow(1); r < 0)
                return r;
            continue;
        }
        if (code > next || (code == next && next == kGifTableSize))
            return IMG_ERR_CONTENT;
        const bool adding = next < kGifTableSize;
        if (code == next)
            table.Add(next, uint32_t(previous), table.first[previous]);
        const uint32_t n = table.Write(code, rows.Tail(), clear);
        if (adding) {
            if (code != next)
                table.Add(next, uint32_t(previous), table.first[code]);
            ++next;
            Widen(codeWidth, next);
        }
        previous = int32_t(code);
        if (int r = rows.Grow(n); r < 0)
            return r;
    }
    return IMG_OK;
}

bool GifLzwEncoder::Init()
{
    keys_ = reinterpret_cast<uint32_t*>(Scratch().Get(kHashSlots * 4));
    codes_ = reinterpret_cast<uint16_t*>(Scratch().Get(kHashSlots * 2));
    if (!keys_ || !codes_)
        return false;
    clear_ = 1u << minCodeSize_;
    Reset();
    Emit(clear_);
    return true;
}

void GifLzwEncoder::Reset()
{
    std::memset(keys_, 0, kHashSlots * 4);
    width_ = uint32_t(minCodeSize_) + 1;
    free_ = clear_ + 2;
    readerNext_ = clear_ + 2;
    sinceClear_ = 0;
}

void GifLzwEncoder::Emit(uint32_t code)
{
    bits_ |= uint64_t(code) << bitCount_;
    bitCount_ += int(width_);
    while (bitCount_ >= 8) {
        block_[blockBytes_++] = uint8_t(bits_);
        bits_ >>= 8;
        bitCount_ -= 8;
    }
    if (blockBytes_ * 8 + uint32_t(bitCount_) >= 2024) {
        sink_.Put(uint8_t(blockBytes_));
        sink_.Put(block_, blockBytes_);
        blockBytes_ = 0;
    }
}

// A string's code; the reader adds its table entry one code later, and widens
// its codes when its own next free code reaches the next power of two.
void GifLzwEncoder::EmitData(uint32_t code)
{
    Emit(code);
    if (sinceClear_++ > 0 && ++readerNext_ == (1u << width_) && width_ < uint32_t(kGifMaxCodeBits))
        ++width_;
}

void GifLzwEncoder::Put(const uint8_t* pixels, uint32_t count)
{
    uint32_t i = 0;
    if (prefix_ < 0 && count > 0)
        prefix_ = pixels[i++];
    uint32_t prefix = uint32_t(prefix_);
    for (; i < count; ++i) {
        const uint32_t key = (prefix << 8 | pixels[i]) + 1;
        uint32_t slot = (key * 2654435761u) >> (32 - 13);
        while (keys_[slot] && keys_[slot] != key)
            slot = (slot + 1) & (kHashSlots - 1);
        if (keys_[slot]) {
            prefix = codes_[slot];
            continue;
        }
        EmitData(prefix);
        keys_[slot] = key;
        codes_[slot] = uint16_t(free_++);
        if (free_ == kGifWriterReset) {
            Emit(clear_);
            Reset();
        }
        prefix = pixels[i];
    }
    prefix_ = int32_t(prefix);
}

void GifLzwEncoder::Finish()
{
    if (prefix_ >= 0)
        EmitData(uint32_t(prefix_));
    // Every bit left goes into the last block, a partial byte as a whole one.
    const uint32_t lastBits = width_;
    bits_ |= uint64_t(clear_ + 1) << bitCount_;
    bitCount_ += int(lastBits);
    while (bitCount_ > 0) {
        block_[blockBytes_++] = uint8_t(bits_);
        bits_ >>= 8;
        bitCount_ -= 8;
    }
    bitCount_ = 0;
    sink_.Put(uint8_t(blockBytes_));
    sink_.Put(block_, blockBytes_);
    sink_.Put(0);
    blockBytes_ = 0;
}

}   // namespace vantor
