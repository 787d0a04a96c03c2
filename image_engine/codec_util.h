// Small helpers shared by the format codecs.
#pragma once

#include <cstring>

#include "engine.h"

namespace vantor {

inline uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
inline uint32_t Le32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline void PutLe16(uint8_t* p, uint32_t v) { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); }
inline void PutLe32(uint8_t* p, uint32_t v)
{
    PutLe16(p, v);
    PutLe16(p + 2, v >> 16);
}

// Buffered byte-at-a-time reading of encoded data through a scratch block.
class ByteSource {
public:
    ByteSource(Stream& in, uint64_t limit) : in_(in), limit_(limit) {}
    bool Init(size_t bytes = 10000)
    {
        buf_ = Scratch().Get(bytes);
        size_ = bytes;
        return buf_ != nullptr;
    }
    bool Next(uint8_t& b)
    {
        if (pos_ == len_ && !Fill())
            return false;
        b = buf_[pos_++];
        return true;
    }
    bool Take(uint8_t* dst, size_t n)
    {
        for (size_t i = 0; i < n; ++i)
            if (!Next(dst[i]))
                return false;
        return true;
    }
    // Stream position of the next byte this source would hand out.
    uint64_t Position() const { return in_.Tell() - (len_ - pos_); }

private:
    bool Fill()
    {
        uint64_t at = in_.Tell();
        if (limit_ && at >= limit_)
            return false;
        size_t want = size_;
        if (limit_ && limit_ - at < want)
            want = size_t(limit_ - at);
        len_ = in_.Read(buf_, want);
        pos_ = 0;
        return len_ > 0;
    }
    Stream& in_;
    uint64_t limit_;
    uint8_t* buf_ = nullptr;
    size_t size_ = 0, pos_ = 0, len_ = 0;
};

// Collects encoded bytes and writes them to the stream in one go.
class ByteSink {
public:
    explicit ByteSink(Stream& out) : out_(out) {}
    void Put(uint8_t b) { bytes_.push_back(b); }
    void Put(const uint8_t* p, size_t n) { bytes_.insert(bytes_.end(), p, p + n); }
    bool Flush()
    {
        bool ok = bytes_.empty() || out_.Write(bytes_.data(), bytes_.size());
        bytes_.clear();
        return ok;
    }
    size_t Pending() const { return bytes_.size(); }

private:
    Stream& out_;
    std::vector<uint8_t> bytes_;
};

inline int Deliver(ReadJob& job, const uint8_t* row, uint32_t line, uint32_t bytes)
{
    int r = job.line(row, job.user, int16_t(line), int16_t(bytes));
    return r < 0 ? r : IMG_OK;
}

inline int FetchRow(WriteJob& job, uint8_t* dest, uint32_t row, uint32_t bytes)
{
    int r = job.row(job.user, dest, int16_t(row), int16_t(bytes));
    return r < 0 ? r : IMG_OK;
}

inline const RGBQUAD* TableOf(const BITMAPINFO* info)
{
    return reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const uint8_t*>(info) + sizeof(BITMAPINFOHEADER));
}

// Widens 2-bit pixels to 4 bits, which the engine holds; the high pair of a
// byte is the leftmost pixel in both depths.
inline void WidenTwoBit(const uint8_t* src, uint8_t* dst, uint32_t width)
{
    for (uint32_t x = 0; x < width; x += 2) {
        const uint32_t a = (src[x / 4] >> (6 - 2 * (x % 4))) & 3;
        const uint32_t b = x + 1 < width ? (src[(x + 1) / 4] >> (6 - 2 * ((x + 1) % 4))) & 3 : 0;
        dst[x / 2] = uint8_t(a << 4 | b);
    }
}

}   // namespace vantor
