// Drawing a picture's crop rectangle into a device context. The full path
// samples the picture into band pictures at the destination's size and adapts
// each band to the device: error-diffused 1 bit for monochrome devices, the
// 3-3-2 cube for 256-colour ones, an ordered dither for 16-colour ones. The
// fast print path hands the crop rectangle to the device in one stretch.
#include "draw.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
#include <vector>

#include "colour_reduce.h"
#include "reduce_frame.h"

namespace vantor {

namespace {

constexpr uint32_t kBandBytes = 36864;     // header, table and rows of one band
constexpr size_t kBandStoreBytes = 65472;  // the band picture's pixel store
constexpr int kMaxDeviceExtent = 32767;

struct Crop {
    uint32_t left, top, width, height;
};

// The crop rectangle limited to the picture, so no sample falls outside it.
Crop ClampedCrop(const Record& r)
{
    Crop c;
    c.left = std::min<uint32_t>(r.cropLeft, r.width - 1);
    c.top = std::min<uint32_t>(r.cropTop, r.height - 1);
    c.width = std::min<uint32_t>(r.cropWidth, r.width - c.left);
    c.height = std::min<uint32_t>(r.cropHeight, r.height - c.top);
    return c;
}

struct DeviceRect {
    int x, y, width, height;
};

DeviceRect ToDevice(HDC dc, int x, int y, int width, int height, bool logical)
{
    POINT corners[2] = {{x, y}, {x + width, y + height}};
    if (logical)
        LPtoDP(dc, corners, 2);
    return DeviceRect{int(std::min(corners[0].x, corners[1].x)), int(std::min(corners[0].y, corners[1].y)),
                      std::abs(int(corners[1].x - corners[0].x)), std::abs(int(corners[1].y - corners[0].y))};
}

// Draws in device pixels for its lifetime, then puts the caller's mapping back.
class DevicePixelsScope {
public:
    explicit DevicePixelsScope(HDC dc) : dc_(dc)
    {
        mode_ = GetMapMode(dc);
        GetWindowOrgEx(dc, &windowOrg_);
        GetViewportOrgEx(dc, &viewportOrg_);
        GetWindowExtEx(dc, &windowExt_);
        GetViewportExtEx(dc, &viewportExt_);
        SetMapMode(dc, MM_TEXT);
        SetWindowOrgEx(dc, 0, 0, nullptr);
        SetViewportOrgEx(dc, 0, 0, nullptr);
    }
    ~DevicePixelsScope()
    {
        SetMapMode(dc_, mode_);
        SetWindowExtEx(dc_, windowExt_.cx, windowExt_.cy, nullptr);
        SetViewportExtEx(dc_, viewportExt_.cx, viewportExt_.cy, nullptr);
        SetWindowOrgEx(dc_, windowOrg_.x, windowOrg_.y, nullptr);
        SetViewportOrgEx(dc_, viewportOrg_.x, viewportOrg_.y, nullptr);
    }
    DevicePixelsScope(const DevicePixelsScope&) = delete;
    DevicePixelsScope& operator=(const DevicePixelsScope&) = delete;

private:
    HDC dc_;
    int mode_ = MM_TEXT;
    POINT windowOrg_{}, viewportOrg_{};
    SIZE windowExt_{}, viewportExt_{};
};

const RGBQUAD* PictureTable(Record& record)
{
    return reinterpret_cast<const RGBQUAD*>(GlobalBytes(record.store).data() + sizeof(BITMAPINFOHEADER));
}

int Grey(int red, int green, int blue)
{
    return (30 * red + 59 * green + 11 * blue) / 100;
}

// Nearest-neighbour sampling of the crop rectangle in fixed point. 16 fraction
// bits: with 8 the truncated step loses up to 128 source columns over a wide
// enlargement, and more than 256-fold leaves a step of 0.
class Sampler {
public:
    Sampler(Record& record, const Crop& crop, int width, int height)
        : rows_(record.Rows()), stride_(record.stride), pictureHeight_(record.height), bits_(record.Header().biBitCount),
          top_(crop.top), rowStep_((int64_t(crop.height) << kFraction) / height), columns_(size_t(width))
    {
        const int64_t step = (int64_t(crop.width) << kFraction) / width;
        for (int i = 0; i < width; ++i)
            columns_[size_t(i)] = uint32_t(crop.left + ((step * i) >> kFraction));
    }

    // The picture row shown on destination row d, 0 = top.
    const uint8_t* Row(int d) const
    {
        const uint32_t line = top_ + uint32_t((rowStep_ * d) >> kFraction);
        return rows_ + size_t(pictureHeight_ - 1 - line) * stride_;
    }

    // Copies destination row d at the picture's depth.
    void CopyRow(int d, uint8_t* out) const
    {
        const uint8_t* in = Row(d);
        const size_t n = columns_.size();
        switch (bits_) {
        case 1:
            for (size_t i = 0; i < n; ++i) {
                uint32_t c = columns_[i];
                if ((in[c >> 3] >> (7 - (c & 7))) & 1)
                    out[i >> 3] |= uint8_t(0x80 >> (i & 7));
            }
            break;
        case 4:
            for (size_t i = 0; i < n; ++i)
                out[i >> 1] |= uint8_t(Index4(in, columns_[i]) << ((i & 1) ? 0 : 4));
            break;
        case 8:
            for (size_t i = 0; i < n; ++i)
                out[i] = in[columns_[i]];
            break;
        default:
            for (size_t i = 0; i < n; ++i)
                std::memcpy(out + 3 * i, in + 3 * size_t(columns_[i]), 3);
            break;
        }
    }

    // Grey levels of destination row d through the tone map.
    void ToneRow(int d, const uint8_t tone[256], uint8_t* out) const
    {
        const uint8_t* in = Row(d);
        const size_t n = columns_.size();
        for (size_t i = 0; i < n; ++i) {
            const uint32_t c = columns_[i];
            switch (bits_) {
            case 1: out[i] = tone[(in[c >> 3] >> (7 - (c & 7))) & 1]; break;
            case 4: out[i] = tone[Index4(in, c)]; break;
            case 8: out[i] = tone[in[c]]; break;
            default: out[i] = tone[Grey(in[3 * c + 2], in[3 * c + 1], in[3 * c])]; break;
            }
        }
    }

private:
    static constexpr int kFraction = 16;
    static int Index4(const uint8_t* row, uint32_t c) { return (c & 1) ? row[c >> 1] & 15 : row[c >> 1] >> 4; }

    const uint8_t* rows_;
    uint32_t stride_, pictureHeight_;
    int bits_;
    uint32_t top_;
    int64_t rowStep_;
    std::vector<uint32_t> columns_;
};

// Serpentine error diffusion over 42nds, carried from row to row (and so from
// band to band) in three accumulator rows.
class StuckiRows {
public:
    explicit StuckiRows(int width) : width_(width)
    {
        for (auto& r : acc_)
            r.assign(size_t(width) + 4, 0);
    }

    // One row of levels to bits, 1 = white, most significant bit first.
    void Row(const uint8_t* levels, uint8_t* bits)
    {
        int* cur = acc_[0].data() + 2;
        int* next = acc_[1].data() + 2;
        int* after = acc_[2].data() + 2;
        const int dir = (parity_ & 1) ? -1 : 1;
        for (int k = 0; k < width_; ++k) {
            const int x = dir > 0 ? k : width_ - 1 - k;
            const int v = levels[x] + cur[x];
            int e = v;
            if (v > 127) {
                bits[x >> 3] |= uint8_t(0x80 >> (x & 7));
                e = v - 255;
            }
            cur[x + dir] += 8 * e / 42;
            cur[x + 2 * dir] += 4 * e / 42;
            next[x - 2] += e / 21;
            next[x - 1] += 4 * e / 42;
            next[x] += 8 * e / 42;
            next[x + 1] += 4 * e / 42;
            next[x + 2] += e / 21;
            after[x - 2] += e / 42;
            after[x - 1] += e / 21;
            after[x] += 4 * e / 42;
            after[x + 1] += e / 21;
            after[x + 2] += e / 42;
        }
        std::rotate(acc_, acc_ + 1, acc_ + 3);
        std::fill(acc_[2].begin(), acc_[2].end(), 0);
        ++parity_;
    }

private:
    int width_;
    int parity_ = 0;
    std::vector<int> acc_[3];
};

// A packed DIB block: header, colour table, rows bottom-up.
struct DibBlock {
    uint8_t* bytes;
    BITMAPINFOHEADER& Header() const { return *reinterpret_cast<BITMAPINFOHEADER*>(bytes); }
    RGBQUAD* Table() const { return reinterpret_cast<RGBQUAD*>(bytes + sizeof(BITMAPINFOHEADER)); }
    uint8_t* Rows() const { return bytes + sizeof(BITMAPINFOHEADER) + 4 * ColourEntries(Header().biBitCount); }
    const BITMAPINFO* Info() const { return reinterpret_cast<const BITMAPINFO*>(bytes); }
};

void SetHeader(DibBlock block, int width, int rows, int bits)
{
    block.Header() = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), width, rows, 1, WORD(bits), BI_RGB,
                                      DWORD(DibRowBytes(width, bits) * DWORD(rows)), 0, 0, 0, 0};
}

// 24-bit band rows to indices of the 3-3-2 cube.
void CubeRows(const uint8_t* in, uint32_t inStride, uint8_t* out, uint32_t outStride, int width, int rows)
{
    for (int r = 0; r < rows; ++r, in += inStride, out += outStride)
        for (int x = 0; x < width; ++x) {
            const uint8_t* p = in + 3 * x;
            out[x] = uint8_t((p[2] & 0xE0) | ((p[1] >> 3) & 0x1C) | (p[0] >> 6));
        }
}

// 8- or 24-bit band rows to the 16-colour light table by ordered dither; firstRow
// is the destination row of the band's top row, which keeps the pattern whole
// across bands.
void DitherRows(const uint8_t* in, uint32_t inStride, int bits, const RGBQUAD* table, uint8_t* out,
                uint32_t outStride, int width, int rows, int firstRow)
{
    for (int k = 0; k < rows; ++k) {
        // Band rows lie bottom-up: the band's top row is its last DIB row.
        const uint8_t* src = in + size_t(rows - 1 - k) * inStride;
        uint8_t* dst = out + size_t(rows - 1 - k) * outStride;
        const uint8_t* thresholds = reduce::kBayerTable + 8 * ((firstRow + k) & 7);
        for (int x = 0; x < width; ++x) {
            int red, green, blue;
            if (bits == 24) {
                blue = src[3 * x], green = src[3 * x + 1], red = src[3 * x + 2];
            } else {
                const RGBQUAD& q = table[src[x]];
                blue = q.rgbBlue, green = q.rgbGreen, red = q.rgbRed;
            }
            const int t = thresholds[x & 7];
            const int intensity = std::max(0, ((38 * red + 75 * green + 14 * blue) >> 7) - 40);
            const int code = (red >= t ? 1 : 0) | (green >= t ? 2 : 0) | (blue >= t ? 4 : 0) | (intensity >= t ? 8 : 0);
            dst[x >> 1] |= uint8_t(code << ((x & 1) ? 0 : 4));
        }
    }
}

// The band picture: a temporary handle whose store holds one band of rows.
class BandPicture {
public:
    ~BandPicture()
    {
        if (handle_)
            IMG_delete_bitmap(handle_);
    }
    bool Create(int width, int bits, const RGBQUAD* table, uint32_t rows)
    {
        const uint32_t tableBytes = 4 * ColourEntries(bits);
        const size_t needed = sizeof(BITMAPINFOHEADER) + tableBytes + size_t(DibRowBytes(width, bits)) * rows;
        auto* record = new (std::nothrow) Record;
        if (!record)
            return false;
        record->store = GlobalAlloc(GHND, std::max(kBandStoreBytes, needed));
        if (!record->store) {
            delete record;
            return false;
        }
        record->width = uint32_t(width);
        record->height = rows;
        record->stride = DibRowBytes(width, bits);
        block_ = DibBlock{GlobalBytes(record->store).data()};
        SetHeader(block_, width, int(rows), bits);
        if (tableBytes)
            std::memcpy(block_.Table(), table, tableBytes);
        handle_ = AllocateHandle(record);
        return true;
    }
    DibBlock Block() const { return block_; }

private:
    IMG_HANDLE handle_ = 0;
    DibBlock block_{nullptr};
};

struct Drawing {
    HDC dc;
    DeviceRect dest;
    DeviceFacts device;
    DWORD rop;
};

int DrawBands(Record& record, const Drawing& drawing)
{
    const BITMAPINFOHEADER& h = record.Header();
    const int bits = h.biBitCount;
    const RGBQUAD* table = PictureTable(record);
    const int width = drawing.dest.width, height = drawing.dest.height;
    const bool mono = MonochromeDrawing(drawing.device, bits);
    const bool cube = !mono && drawing.device.bitsPixel == 8 && bits == 24;
    const bool dither = !mono && drawing.device.bitsPixel == 4 && (bits == 8 || bits == 24);

    uint8_t tone[256];
    BuildToneMap(h, table, drawing.device, tone);
    const RGBQUAD blackWhite[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    const int bandBits = mono ? 1 : bits;
    const uint32_t bandStride = DibRowBytes(width, bandBits);
    const uint32_t bandRows = std::min<uint32_t>(BandRows(bandStride, 4 * ColourEntries(bandBits)), uint32_t(height));
    BandPicture band;
    if (!band.Create(width, bandBits, mono ? blackWhite : table, bandRows))
        return IMG_ERR_MEMORY;

    // Working blocks: the device-specific band, grey levels for the diffusion.
    const int outBits = cube ? 8 : dither ? 4 : 0;
    const uint32_t outStride = outBits ? DibRowBytes(width, outBits) : 0;
    std::vector<uint8_t> converted, levels;
    std::optional<StuckiRows> stucki;
    try {
        if (outBits)
            converted.resize(sizeof(BITMAPINFOHEADER) + 4 * ColourEntries(outBits) + size_t(outStride) * bandRows);
        if (mono) {
            levels.resize(size_t(width));
            stucki.emplace(width);
        }
    } catch (const std::bad_alloc&) {
        return IMG_ERR_MEMORY;
    }
    DibBlock out{converted.data()};
    if (outBits)
        std::memcpy(out.Table(), DefaultColourTable(outBits, cube ? ColourTableKind::Cube332 : ColourTableKind::SixteenLight),
                    4 * ColourEntries(outBits));

    const Crop crop = ClampedCrop(record);
    const Sampler sampler(record, crop, width, height);
    const DibBlock in = band.Block();
    const int ex = drawing.device.exponent.x, ey = drawing.device.exponent.y;
    int y = drawing.dest.y;
    for (int first = 0; first < height; first += int(bandRows)) {
        const int rows = std::min(int(bandRows), height - first);
        SetHeader(in, width, rows, bandBits);
        std::memset(in.Rows(), 0, size_t(bandStride) * rows);
        for (int k = 0; k < rows; ++k) {
            uint8_t* row = in.Rows() + size_t(rows - 1 - k) * bandStride;
            if (mono) {
                sampler.ToneRow(first + k, tone, levels.data());
                stucki->Row(levels.data(), row);
            } else {
                sampler.CopyRow(first + k, row);
            }
        }
        DibBlock drawn = in;
        if (outBits) {
            SetHeader(out, width, rows, outBits);
            std::memset(out.Rows(), 0, size_t(outStride) * rows);
            if (cube)
                CubeRows(in.Rows(), bandStride, out.Rows(), outStride, width, rows);
            else
                DitherRows(in.Rows(), bandStride, bits, table, out.Rows(), outStride, width, rows, first);
            drawn = out;
        }
        if (StretchDIBits(drawing.dc, drawing.dest.x, y, width << ex, rows << ey, 0, 0, width, rows, drawn.Rows(),
                          drawn.Info(), DIB_RGB_COLORS, drawing.rop) == 0)
            return IMG_ERR_DEVICE;
        y += rows << ey;
    }
    return IMG_OK;
}

int DrawFast(Record& record, const Drawing& drawing)
{
    const Crop crop = ClampedCrop(record);
    const int ex = drawing.device.exponent.x, ey = drawing.device.exponent.y;
    const int drawn = StretchDIBits(drawing.dc, drawing.dest.x, drawing.dest.y, drawing.dest.width << ex,
                                    drawing.dest.height << ey, int(crop.left),
                                    int(record.height - crop.height - crop.top), int(crop.width), int(crop.height),
                                    record.Rows(), reinterpret_cast<const BITMAPINFO*>(GlobalBytes(record.store).data()),
                                    DIB_RGB_COLORS, drawing.rop);
    return drawn == 0 ? IMG_ERR_DEVICE : IMG_OK;
}

}   // namespace

DeviceFacts AskDevice(HDC dc)
{
    DeviceFacts facts;
    facts.colours = GetDeviceCaps(dc, NUMCOLORS);
    facts.bitsPixel = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
    facts.logPixelsX = GetDeviceCaps(dc, LOGPIXELSX);
    int escape = GETSCALINGFACTOR;
    POINT exponent{0, 0};
    if (ExtEscape(dc, QUERYESCSUPPORT, sizeof escape, reinterpret_cast<LPCSTR>(&escape), 0, nullptr) > 0 &&
        ExtEscape(dc, GETSCALINGFACTOR, 0, nullptr, sizeof exponent, reinterpret_cast<LPSTR>(&exponent)) > 0) {
        facts.scaling = true;
        // An exponent beyond 15 would overflow the device sizes; no device scales that far.
        facts.exponent = POINT{std::clamp<LONG>(exponent.x, 0, 15), std::clamp<LONG>(exponent.y, 0, 15)};
    }
    escape = GETTECHNOLOGY;
    char technology[64] = {};
    if (ExtEscape(dc, QUERYESCSUPPORT, sizeof escape, reinterpret_cast<LPCSTR>(&escape), 0, nullptr) > 0 &&
        ExtEscape(dc, GETTECHNOLOGY, 0, nullptr, sizeof technology - 1, technology) > 0)
        facts.postScript = std::strcmp(technology, "PostScript") == 0;
    return facts;
}

bool MonochromeDrawing(const DeviceFacts& device, int pictureBits)
{
    // NUMCOLORS is -1 on devices of more than 256 colours: those are not monochrome.
    return device.colours >= 0 && device.colours < 4 && pictureBits >= 4 && !device.postScript;
}

void BuildToneMap(const BITMAPINFOHEADER& header, const RGBQUAD* table, const DeviceFacts& device, uint8_t tone[256])
{
    const int bits = header.biBitCount;
    const int n = bits == 24 ? 256 : int(ColourEntries(bits));
    const bool lighten = device.logPixelsX == 300 && (!device.scaling || device.exponent.x == 0);
    std::fill(tone, tone + 256, 0);
    for (int i = 0; i < n; ++i) {
        int g = bits == 24 ? i : Grey(table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue);
        if (lighten)
            g = int(std::pow(g / 255.0, 0.33333333) * 220) + 24;
        tone[i] = uint8_t(std::min(g, 255));
    }
}

uint32_t BandRows(uint32_t bandStride, uint32_t tableBytes)
{
    const uint32_t room = kBandBytes - tableBytes - sizeof(BITMAPINFOHEADER);
    // A band wider than the room still draws, one row at a time.
    return std::max<uint32_t>(1, room / std::max<uint32_t>(bandStride, 1));
}

int DrawPicture(IMG_HANDLE handle, HDC dc, int16_t x, int16_t y, int16_t width, int16_t height, DrawPath path)
{
    Record* record = Lookup(handle);
    if (!record || !record->store)
        return IMG_ERR_HANDLE;
    record->displayX = uint16_t(x);
    record->displayY = uint16_t(y);
    record->displayWidth = uint16_t(width);
    record->displayHeight = uint16_t(height);
    record->drawing = 0;
    if (!dc)
        return IMG_ERR_DEVICE;
    Drawing drawing{dc, ToDevice(dc, x, y, width, height, path != DrawPath::Print), AskDevice(dc), record->rop};
    const Crop crop = ClampedCrop(*record);
    if (drawing.dest.width == 0 || drawing.dest.height == 0 || crop.width == 0 || crop.height == 0)
        return IMG_OK;
    if (drawing.dest.width > kMaxDeviceExtent || drawing.dest.height > kMaxDeviceExtent)
        return IMG_ERR_MEMORY;
    record->headerPointer = GlobalBytes(record->store).data();
    int result;
    if (path == DrawPath::Print) {
        result = DrawBands(*record, drawing);
    } else {
        DevicePixelsScope scope(dc);
        result = path == DrawPath::Display ? DrawBands(*record, drawing) : DrawFast(*record, drawing);
    }
    record->headerPointer = nullptr;
    return result;
}

}   // namespace vantor
