// WordPerfect graphic, version 1: a picture is written as one run-length coded
// bitmap record with its colour map; reading decodes the last bitmap record
// before the end record and passes over vector records.
#include <algorithm>

#include "codec_util.h"
#include "colour_reduce.h"

namespace vantor {

namespace {

constexpr uint32_t kFileHeader = 16;
constexpr uint8_t kColourMap = 0x0E;
constexpr uint8_t kStart = 0x0F;
constexpr uint8_t kEnd = 0x10;
constexpr uint8_t kBitmapOne = 0x0B;
constexpr uint8_t kBitmapTwo = 0x14;
constexpr uint16_t kPageWidth = 9600;    // 1/1200 inch
constexpr uint16_t kPageHeight = 13200;

struct Bitmap {
    uint64_t data = 0, end = 0;
    int32_t width = 0, height = 0;
    int depth = 0;
};

struct Walk {
    Bitmap bitmap;
    bool found = false;
    bool ended = false;   // the end record was read
    bool haveMap = false;
    RGBQUAD map[256] = {};
};

// Reads a record's type and length at the stream's position; false at the end
// of the stream, with `broken` set when the end cuts a record head short.
bool RecordHead(Stream& in, uint8_t& type, uint64_t& length, bool& broken)
{
    broken = false;
    if (!in.ReadExact(&type, 1))
        return false;
    broken = true;
    uint8_t b[4];
    if (!in.ReadExact(b, 1))
        return false;
    length = b[0];
    if (b[0] == 0xFF) {
        if (!in.ReadExact(b, 2))
            return false;
        length = Le16(b);
        if (length & 0x8000) {
            if (!in.ReadExact(b + 2, 2))
                return false;
            length = (length & 0x7FFF) << 16 | Le16(b + 2);
        }
    }
    broken = false;
    return true;
}

int ReadColourMap(Stream& in, uint64_t at, uint64_t length, Walk& walk)
{
    uint8_t data[4 + 3 * 256];
    const size_t want = size_t(std::min<uint64_t>(length, sizeof data));
    if (want < 4 || !in.Seek(at) || !in.ReadExact(data, want))
        return IMG_ERR_CONTENT;
    const uint32_t first = Le16(data), count = Le16(data + 2);
    for (uint32_t i = 0; i < count && 4 + 3 * (i + 1) <= want && first + i < 256; ++i) {
        const uint8_t* e = data + 4 + 3 * i;
        walk.map[first + i] = RGBQUAD{e[2], e[1], e[0], 0};
    }
    walk.haveMap = true;
    return IMG_OK;
}

int ReadBitmapHead(Stream& in, uint64_t at, uint64_t length, uint8_t type, Walk& walk)
{
    const uint32_t head = type == kBitmapOne ? 10 : 20;
    const uint32_t fields = type == kBitmapOne ? 0 : 10;
    uint8_t h[20];
    if (length < head || !in.Seek(at) || !in.ReadExact(h, head))
        return IMG_ERR_CONTENT;
    walk.bitmap = Bitmap{at + head, at + length, Le16(h + fields), Le16(h + fields + 2), Le16(h + fields + 4)};
    walk.found = true;
    return IMG_OK;
}

int WalkRecords(ReadJob& job, uint64_t first, Walk& walk)
{
    const uint64_t limit = job.end ? job.end : (job.in.LengthKnown() ? job.in.Length() : UINT64_MAX);
    for (uint64_t at = first;;) {
        uint8_t type = 0;
        uint64_t length = 0;
        bool broken = false;
        if (at >= limit || !job.in.Seek(at))
            return IMG_OK;
        if (!RecordHead(job.in, type, length, broken))
            return broken ? IMG_ERR_CONTENT : IMG_OK;
        const uint64_t data = job.in.Tell();
        if (data > limit || limit - data < length)
            return IMG_ERR_CONTENT;
        int r = IMG_OK;
        if (type == kColourMap)
            r = ReadColourMap(job.in, data, length, walk);
        else if (type == kBitmapOne || type == kBitmapTwo)
            r = ReadBitmapHead(job.in, data, length, type, walk);
        else if (type == kEnd)
            walk.ended = true;
        if (r < 0 || walk.ended)
            return r;
        at = data + length;
    }
}

// Fills rows from the run-length code and hands each finished row on.
class RowDecoder {
public:
    RowDecoder(ReadJob& job, const Bitmap& b, uint8_t* row, uint8_t* dib, uint32_t rowBytes, uint32_t stride)
        : job_(job), b_(b), row_(row), dib_(dib), rowBytes_(rowBytes), stride_(stride) {}

    bool Done() const { return y_ >= uint32_t(b_.height); }
    int Put(uint8_t v)
    {
        if (Done())
            return IMG_OK;
        row_[filled_++] = v;
        if (filled_ < rowBytes_)
            return IMG_OK;
        filled_ = 0;
        if (b_.depth == 2)
            WidenTwoBit(row_, dib_, uint32_t(b_.width));
        else
            std::memcpy(dib_, row_, rowBytes_);
        haveRow_ = true;
        return Deliver(job_, dib_, y_++, stride_);
    }
    int RepeatRow(uint32_t times)
    {
        if (!haveRow_ || filled_ != 0)
            return IMG_ERR_CONTENT;
        for (uint32_t i = 0; i < times && !Done(); ++i)
            if (int r = Deliver(job_, dib_, y_++, stride_); r < 0)
                return r;
        return IMG_OK;
    }

private:
    ReadJob& job_;
    const Bitmap& b_;
    uint8_t* row_;
    uint8_t* dib_;
    uint32_t rowBytes_, stride_;
    uint32_t filled_ = 0, y_ = 0;
    bool haveRow_ = false;
};

int DecodeRows(ReadJob& job, const Bitmap& b, int outBits)
{
    const uint32_t rowBytes = b.depth == 24 ? 3 * uint32_t(b.width) : (uint32_t(b.width) * uint32_t(b.depth) + 7) / 8;
    const uint32_t stride = DibRowBytes(b.width, WORD(outBits));
    uint8_t* row = Scratch().Get(rowBytes);
    uint8_t* dib = Scratch().Get(stride);
    ByteSource src(job.in, b.end);
    if (!row || !dib || !src.Init())
        return IMG_ERR_MEMORY;
    if (!job.in.Seek(b.data))
        return IMG_ERR_CONTENT;
    RowDecoder rows(job, b, row, dib, rowBytes, stride);
    while (!rows.Done()) {
        uint8_t c, v;
        if (!src.Next(c))
            return IMG_ERR_CONTENT;
        uint32_t n = c & 0x7F;
        int r = IMG_OK;
        if (c & 0x80) {
            if (!src.Next(v))
                return IMG_ERR_CONTENT;
            if (n == 0) {   // a counted run of 0xFF
                n = v;
                v = 0xFF;
            }
            for (uint32_t i = 0; i < n && r >= 0; ++i)
                r = rows.Put(v);
        } else if (n == 0) {
            if (!src.Next(v))
                return IMG_ERR_CONTENT;
            r = rows.RepeatRow(v);
        } else {
            for (uint32_t i = 0; i < n && r >= 0; ++i)
                r = src.Next(v) ? rows.Put(v) : IMG_ERR_CONTENT;
        }
        if (r < 0)
            return r;
    }
    return IMG_OK;
}

void DefaultTable(int depth, RGBQUAD* table)
{
    if (depth == 1) {
        table[1] = RGBQUAD{255, 255, 255, 0};
    } else if (depth == 2) {
        for (uint8_t i = 0; i < 4; ++i)
            table[i] = RGBQUAD{uint8_t(85 * i), uint8_t(85 * i), uint8_t(85 * i), 0};
    } else if (depth != 24) {
        std::memcpy(table, DefaultColourTable(depth, ColourTableKind::GreyRamp), 4 * ColourEntries(depth));
    }
}

// Equal-byte runs of 2 to 127 as (0x80 | count, value); everything else in
// literal runs of up to 127 that stop before two equal bytes.
void EncodeRow(ByteSink& sink, const uint8_t* row, uint32_t n)
{
    uint32_t i = 0;
    while (i < n) {
        uint32_t run = 1;
        while (i + run < n && run < 127 && row[i + run] == row[i])
            ++run;
        if (run >= 2) {
            sink.Put(uint8_t(0x80 | run));
            sink.Put(row[i]);
            i += run;
            continue;
        }
        uint32_t lit = 1;
        while (i + lit < n && lit < 127 && !(i + lit + 1 < n && row[i + lit] == row[i + lit + 1]))
            ++lit;
        sink.Put(uint8_t(lit));
        sink.Put(row + i, lit);
        i += lit;
    }
}

void PutRecordHead(ByteSink& sink, uint8_t type, uint32_t length)
{
    uint8_t b[3] = {type, uint8_t(length)};
    if (length < 0xFF) {
        sink.Put(b, 2);
        return;
    }
    b[1] = 0xFF;
    sink.Put(b, 2);
    PutLe16(b, length);
    sink.Put(b, 2);
}

void PutWords(ByteSink& sink, std::initializer_list<uint16_t> words)
{
    for (uint16_t w : words) {
        uint8_t b[2];
        PutLe16(b, w);
        sink.Put(b, 2);
    }
}

}   // namespace

int ReadWpg(ReadJob& job)
{
    if (IsLaterPage(job.start))
        return IMG_ERR_OPEN;
    const uint64_t start = StartOffset(job.start);
    uint8_t h[kFileHeader];
    if (!job.in.Seek(start) || !job.in.ReadExact(h, sizeof h) || h[0] != 0xFF || std::memcmp(h + 1, "WPC", 3) != 0)
        return IMG_ERR_CONTENT;
    if (h[10] != 1)   // the second version's records are another language
        return IMG_ERR_UNSUPPORTED;
    Walk walk;
    if (int r = WalkRecords(job, start + std::max<uint32_t>(kFileHeader, Le32(h + 4)), walk); r < 0)
        return r;
    // Without a bitmap, a file cut short is broken; a whole one holds vectors only.
    if (!walk.found)
        return walk.ended ? IMG_ERR_UNSUPPORTED : IMG_ERR_CONTENT;
    const Bitmap& b = walk.bitmap;
    if (b.depth != 1 && b.depth != 2 && b.depth != 4 && b.depth != 8 && b.depth != 24)
        return IMG_ERR_UNSUPPORTED;
    const int outBits = b.depth == 2 ? 4 : b.depth;
    if (int r = PictureFits(b.width, b.height, outBits); r < 0)
        return r;
    // Every row takes at least one two-byte run code; the code that repeats a row
    // could stand for 255 of them, but a file that leans on it that far is refused.
    if (!CanHold(job.in, b.data, 2 * uint64_t(b.height), b.end))
        return IMG_ERR_CONTENT;
    RGBQUAD table[256] = {};
    // Our own 1-bit files carry their two colours in the map; without one the
    // bitmap is black on white.
    if (walk.haveMap && b.depth != 24)
        std::memcpy(table, walk.map, sizeof table);
    else
        DefaultTable(b.depth, table);
    if (int r = DeliverHeader(job, b.width, b.height, outBits, table); r < 0)
        return r;
    if (int r = DecodeRows(job, b, outBits); r < 0)
        return r;
    return 1;
}

int WriteWpg(WriteJob& job)
{
    const BITMAPINFOHEADER& bh = job.header->bmiHeader;
    const int bits = bh.biBitCount;
    if (bits == 24)
        return IMG_ERR_UNSUPPORTED;
    if (bh.biWidth > 65535 || bh.biHeight > 65535)
        return IMG_ERR_UNSUPPORTED;
    const uint32_t width = uint32_t(bh.biWidth), height = uint32_t(bh.biHeight);
    const uint64_t begin = job.out.Tell();
    ByteSink sink(job.out);
    uint8_t fh[kFileHeader] = {0xFF, 'W', 'P', 'C'};
    PutLe32(fh + 4, kFileHeader);
    fh[8] = 1;
    fh[9] = 22;
    fh[10] = 1;
    sink.Put(fh, sizeof fh);
    PutRecordHead(sink, kStart, 6);
    sink.Put(1);
    sink.Put(0);
    PutWords(sink, {kPageWidth, kPageHeight});
    PutRecordHead(sink, 0x19, 5);
    sink.Put(0);
    PutWords(sink, {2, 15});

    const uint32_t colours = ColourEntries(bits);
    sink.Put(kColourMap);
    sink.Put(0xFF);   // always the 16-bit length form
    PutWords(sink, {uint16_t(3 * colours + 4)});
    PutWords(sink, {0, uint16_t(colours)});
    const RGBQUAD* table = TableOf(job.header);
    for (uint32_t i = 0; i < colours; ++i) {
        sink.Put(table[i].rgbRed);
        sink.Put(table[i].rgbGreen);
        sink.Put(table[i].rgbBlue);
    }

    sink.Put(kBitmapTwo);
    sink.Put(0xFF);
    const uint64_t lengthAt = begin + sink.Pending();
    PutWords(sink, {0x8000, 0});   // filled in once the rows are coded
    const uint64_t dataAt = lengthAt + 4;
    PutWords(sink, {0, 0, 0, uint16_t(width * 16), uint16_t(height * 16), uint16_t(width), uint16_t(height),
                    uint16_t(bits), kPageWidth, kPageHeight});
    const uint32_t stride = DibRowBytes(bh.biWidth, WORD(bits));
    const uint32_t rowBytes = (width * uint32_t(bits) + 7) / 8;
    uint8_t* row = Scratch().Get(stride);
    if (!row)
        return IMG_ERR_MEMORY;
    for (uint32_t y = 0; y < height; ++y) {
        if (int f = FetchRow(job, row, height - 1 - y, stride); f < 0)
            return f;
        EncodeRow(sink, row, rowBytes);
        if (sink.Pending() > 60000 && !sink.Flush())
            return IMG_ERR_WRITE;
    }
    if (!sink.Flush())
        return IMG_ERR_WRITE;
    const uint64_t dataEnd = job.out.Tell();
    PutRecordHead(sink, kEnd, 0);
    if (!sink.Flush())
        return IMG_ERR_WRITE;
    const uint64_t end = job.out.Tell();
    const uint64_t length = dataEnd - dataAt;
    if (length > 0x7FFFFFFF)
        return IMG_ERR_UNSUPPORTED;
    uint8_t l[4];
    PutLe16(l, uint32_t(0x8000 | (length >> 16)));
    PutLe16(l + 2, uint32_t(length & 0xFFFF));
    if (!job.out.Seek(lengthAt) || !job.out.Write(l, 4) || !job.out.Seek(end))
        return IMG_ERR_WRITE;
    return IMG_OK;
}

}   // namespace vantor
