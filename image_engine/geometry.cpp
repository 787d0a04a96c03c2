// Mirroring and quarter turns of a handle's picture.
#include <algorithm>
#include <cstring>

#include "geometry.h"

namespace vantor {

HeldPicture::HeldPicture(IMG_HANDLE handle)
{
    Record* record = Lookup(handle);
    if (!record || !record->store)
        return;
    record_ = record;
    record_->headerPointer = GlobalBytes(record_->store).data();
}

HeldPicture::~HeldPicture()
{
    if (record_)
        record_->headerPointer = nullptr;
}

int NewStore(const Record& record, uint32_t width, uint32_t height, std::vector<uint8_t>& dib)
{
    const BITMAPINFOHEADER& old = record.Header();
    const uint64_t stride = DibRowBytes(LONG(width), old.biBitCount);
    if (width == 0 || height == 0 || width > 65535 || height > kMaxRows || stride > kMaxRowBytes)
        return IMG_ERR_UNSUPPORTED;
    const uint32_t table = record.TableBytes();
    const uint32_t rows = (height + 3) & ~3u;
    dib.assign(sizeof(BITMAPINFOHEADER) + table + size_t(stride) * rows, 0);
    BITMAPINFOHEADER h = old;
    h.biWidth = LONG(width);
    h.biHeight = LONG(height);
    h.biSizeImage = DWORD(stride * height);
    std::memcpy(dib.data(), &h, sizeof h);
    std::memcpy(dib.data() + sizeof h, GlobalBytes(record.store).data() + sizeof h, table);
    return IMG_OK;
}

namespace {

uint16_t MirroredStart(uint32_t extent, uint16_t size, uint16_t start)
{
    int64_t mirrored = int64_t(extent) - size - start;
    return uint16_t(std::max<int64_t>(mirrored, 0));
}

}   // namespace

void MirrorCropX(Record& record)
{
    record.cropLeft = MirroredStart(record.width, record.cropWidth, record.cropLeft);
}

void MirrorCropY(Record& record)
{
    record.cropTop = MirroredStart(record.height, record.cropHeight, record.cropTop);
}

namespace {

void MirrorRow(const uint8_t* src, uint8_t* dst, uint32_t width, int bits)
{
    switch (bits) {
    case 1:
        for (uint32_t x = 0; x < width; ++x)
            if (BitAt(src, width - 1 - x))
                SetBit(dst, x);
        break;
    case 4:
        for (uint32_t x = 0; x < width; ++x)
            PutNibble(dst, x, NibbleAt(src, width - 1 - x));
        break;
    case 8:
        std::reverse_copy(src, src + width, dst);
        break;
    default:
        for (uint32_t x = 0; x < width; ++x)
            std::memcpy(dst + 3 * x, src + 3 * (width - 1 - x), 3);
        break;
    }
}

int FlipX(HeldPicture& picture)
{
    Record& record = picture.Rec();
    std::vector<uint8_t> mirrored(record.stride + 10);
    for (uint32_t r = 0; r < record.height; ++r) {
        std::fill(mirrored.begin(), mirrored.end(), 0);
        MirrorRow(picture.Row(r), mirrored.data(), record.width, picture.Bits());
        std::memcpy(picture.Row(r), mirrored.data(), record.stride);
    }
    MirrorCropX(record);
    return IMG_OK;
}

// Top-bottom, and for a half turn left-right as well, into a new store: one pass,
// and a failure leaves the picture untouched.
int FlipY(HeldPicture& picture, bool alsoX)
{
    Record& record = picture.Rec();
    std::vector<uint8_t> dib;
    if (int r = NewStore(record, record.width, record.height, dib); r < 0)
        return r;
    uint8_t* rows = StoreRows(dib);
    for (uint32_t r = 0; r < record.height; ++r) {
        uint8_t* dst = rows + size_t(record.height - 1 - r) * record.stride;
        if (alsoX)
            MirrorRow(picture.Row(r), dst, record.width, picture.Bits());
        else
            std::memcpy(dst, picture.Row(r), record.stride);
    }
    if (int r = AdoptStore(record, std::move(dib)); r < 0)
        return r;
    if (alsoX)
        MirrorCropX(record);
    MirrorCropY(record);
    return IMG_OK;
}

// Rows of old picture per band: as many as fit in 32 KB, in multiples of 4 below
// 32 and of 32 above. Each band must start on a whole byte of the new rows, which
// 1-bit pictures wider than 8192 pixels need a multiple of 8 for.
uint32_t BandRows(uint32_t stride, int bits)
{
    uint32_t rows = 32768 / stride;
    rows = rows > 32 ? rows & ~31u : rows & ~3u;
    if (rows == 0)
        rows = 4;
    if (bits == 1)
        rows = (rows + 7) & ~7u;
    return rows;
}

// How a transposed picture is laid down: with its rows in reverse order (a
// quarter turn clockwise) or each row reversed (anticlockwise).
enum class Lay { RowsReversed, ColumnsReversed };

// The picture is walked in tiles of old rows by old columns small enough that
// the rows read and the rows written both stay in the first-level cache. Narrow
// bands are taken several at a time to make tiles of at least kTileRows rows.
constexpr uint32_t kTileColumns = 64;
constexpr uint32_t kTileRows = 64;

struct Transposer {
    HeldPicture& picture;
    uint8_t* newRows;
    uint32_t newStride;
    Lay lay;

    uint8_t* NewRow(uint32_t column) const
    {
        const uint32_t last = picture.Rec().width - 1;
        return newRows + size_t(lay == Lay::RowsReversed ? last - column : column) * newStride;
    }
    uint32_t NewPosition(uint32_t row) const
    {
        return lay == Lay::ColumnsReversed ? picture.Rec().height - 1 - row : row;
    }

    // The old rows of the group of bands being laid down, and their positions in the new rows.
    std::vector<const uint8_t*> sources;
    std::vector<uint32_t> positions;

    // Each old column of the tile becomes a run of one new row, written in order.
    template <class Move>
    void Tiles(uint32_t count, Move move)
    {
        const uint32_t width = picture.Rec().width;
        for (uint32_t c0 = 0; c0 < width; c0 += kTileColumns) {
            const uint32_t c1 = std::min(width, c0 + kTileColumns);
            for (uint32_t c = c0; c < c1; ++c) {
                uint8_t* dst = NewRow(c);
                for (uint32_t i = 0; i < count; ++i)
                    move(sources[i], c, dst, positions[i]);
            }
        }
    }

    // Whole-byte pixels walk the new row by a fixed step: no per-pixel positions.
    template <uint32_t Bytes>
    void ByteTiles(uint32_t first, uint32_t count)
    {
        const uint32_t width = picture.Rec().width;
        const ptrdiff_t step = lay == Lay::ColumnsReversed ? -ptrdiff_t(Bytes) : ptrdiff_t(Bytes);
        const size_t start = size_t(NewPosition(first)) * Bytes;
        const uint8_t* const* rows = sources.data();
        for (uint32_t c0 = 0; c0 < width; c0 += kTileColumns) {
            const uint32_t c1 = std::min(width, c0 + kTileColumns);
            for (uint32_t c = c0; c < c1; ++c) {
                uint8_t* dst = NewRow(c) + start;
                const size_t at = size_t(c) * Bytes;
                for (uint32_t i = 0; i < count; ++i, dst += step) {
                    std::memcpy(dst, rows[i] + at, Bytes);
                }
            }
        }
    }

    // Runs the tiles of each group of bands.
    template <class Group>
    void Run(Group tiles)
    {
        Record& record = picture.Rec();
        const uint32_t band = BandRows(record.stride, picture.Bits());
        const uint32_t group = band >= kTileRows ? band : (kTileRows + band - 1) / band * band;
        sources.resize(group);
        positions.resize(group);
        for (uint32_t first = 0; first < record.height; first += group) {
            const uint32_t count = std::min(group, record.height - first);
            for (uint32_t i = 0; i < count; ++i) {
                sources[i] = picture.Row(first + i);
                positions[i] = NewPosition(first + i);
            }
            tiles(first, count);
        }
    }

    void Run()
    {
        switch (picture.Bits()) {
        case 1:
            Run([this](uint32_t first, uint32_t count) {
                Tiles(count, [](const uint8_t* s, uint32_t c, uint8_t* d, uint32_t at) {
                    if (BitAt(s, c))
                        SetBit(d, at);
                });
            });
            break;
        case 4:
            Run([this](uint32_t first, uint32_t count) {
                Tiles(count, [](const uint8_t* s, uint32_t c, uint8_t* d, uint32_t at) {
                    PutNibble(d, at, NibbleAt(s, c));
                });
            });
            break;
        case 8:
            Run([this](uint32_t first, uint32_t count) { ByteTiles<1>(first, count); });
            break;
        default:
            Run([this](uint32_t first, uint32_t count) { ByteTiles<3>(first, count); });
            break;
        }
    }
};

// The crop rectangle of a transposed picture of the given new size.
void TransposeCrop(Record& record)
{
    std::swap(record.cropLeft, record.cropTop);
    std::swap(record.cropWidth, record.cropHeight);
    MirrorCropX(record);
    MirrorCropY(record);
    record.displayWidth = record.cropWidth;
    record.displayHeight = record.cropHeight;
}

int Transpose(HeldPicture& picture, Lay lay)
{
    Record& record = picture.Rec();
    std::vector<uint8_t> dib;
    if (int r = NewStore(record, record.height, record.width, dib); r < 0)
        return r;
    const auto newStride = uint32_t(DibRowBytes(LONG(record.height), WORD(picture.Bits())));
    Transposer{picture, StoreRows(dib), newStride, lay, {}, {}}.Run();
    if (int r = AdoptStore(record, std::move(dib)); r < 0)
        return r;
    TransposeCrop(record);
    if (lay == Lay::RowsReversed)
        MirrorCropY(record);
    else
        MirrorCropX(record);
    return IMG_OK;
}

}   // namespace

}   // namespace vantor

using namespace vantor;

extern "C" {

int32_t IMG_flip_bitmapx(IMG_HANDLE h)
{
    return OnPicture(h, [](HeldPicture& p) { return FlipX(p); });
}

int32_t IMG_flip_bitmapy(IMG_HANDLE h)
{
    return OnPicture(h, [](HeldPicture& p) { return FlipY(p, false); });
}

// Angles count clockwise, whole turns dropped. An angle that is no multiple of a
// quarter turn is refused rather than answered with a transposed picture.
int32_t IMG_rotate_bitmap(IMG_HANDLE h, uint16_t angle)
{
    return OnPicture(h, [angle](HeldPicture& p) {
        switch (angle % 360) {
        case 0: return int(IMG_OK);
        case 90: return Transpose(p, Lay::RowsReversed);
        case 180: return FlipY(p, true);
        case 270: return Transpose(p, Lay::ColumnsReversed);
        default: return int(IMG_ERR_UNSUPPORTED);
        }
    });
}

}   // extern "C"
