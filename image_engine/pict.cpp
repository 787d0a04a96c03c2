// PICT version 2: a picture is written as one PackBitsRect (palette) or
// DirectBitsRect (true colour) opcode; reading walks the opcodes of version 1
// and 2 pictures to the first bitmap opcode and passes over everything else.
#include <algorithm>

#include "codec_util.h"

namespace vantor {

namespace {

constexpr uint32_t kLeadBytes = 512;   // the empty header before the picture
constexpr uint16_t kBitsRect = 0x0090, kBitsRgn = 0x0091, kPackBitsRect = 0x0098, kPackBitsRgn = 0x0099;
constexpr uint16_t kDirectBitsRect = 0x009A, kDirectBitsRgn = 0x009B;
constexpr uint16_t kEndPicture = 0x00FF;
constexpr uint32_t kResolution72 = 72u << 16;   // fixed-point dots per inch
constexpr uint32_t kPictMaxRowBytes = 0x3FFE;       // the row-bytes field keeps two flag bits

inline uint16_t Be16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }
inline uint32_t Be32(const uint8_t* p) { return uint32_t(Be16(p)) << 16 | Be16(p + 2); }

// Reads big-endian fields from the stream within the picture's bounds.
class Reader {
public:
    Reader(Stream& in, uint64_t limit) : in_(in), limit_(limit) {}
    bool Bytes(uint8_t* dst, size_t n) { return Fits(n) && in_.ReadExact(dst, n); }
    bool U8(uint32_t& v)
    {
        uint8_t b;
        return Bytes(&b, 1) && ((v = b), true);
    }
    bool U16(uint32_t& v)
    {
        uint8_t b[2];
        return Bytes(b, 2) && ((v = Be16(b)), true);
    }
    bool U32(uint32_t& v)
    {
        uint8_t b[4];
        return Bytes(b, 4) && ((v = Be32(b)), true);
    }
    bool Skip(uint64_t n) { return Fits(n) && in_.Seek(in_.Tell() + n); }
    bool SeekTo(uint64_t at) { return at <= limit_ && in_.Seek(at); }
    uint64_t Tell() const { return in_.Tell(); }
    uint64_t Limit() const { return limit_; }

private:
    bool Fits(uint64_t n) const { return in_.Tell() <= limit_ && limit_ - in_.Tell() >= n; }
    Stream& in_;
    uint64_t limit_;
};

// Skips the data of one opcode that is not a bitmap. Lengths follow the
// QuickDraw opcode table; reserved ranges carry their own length rules.
bool SkipOpcode(Reader& r, uint32_t op, bool version2)
{
    uint32_t n = 0;
    auto counted = [&](uint32_t fixed) { return r.Skip(fixed) && r.U8(n) && r.Skip(n); };
    switch (op) {
    case 0x0000: case 0x001C: case 0x001E: return true;
    case 0x0011: return r.Skip(version2 ? 2 : 1);
    case 0x0001:   // clip region: its size counts its own word
        return r.U16(n) && n >= 2 && r.Skip(n - 2);
    case 0x0003: case 0x0005: case 0x0008: case 0x000D: case 0x0015: case 0x0016: case 0x0023:
    case 0x00A0:
        return r.Skip(2);
    case 0x0004: return r.Skip(1);
    case 0x0006: case 0x0007: case 0x000B: case 0x000C: case 0x000E: case 0x000F: case 0x0021:
        return r.Skip(4);
    case 0x001A: case 0x001B: case 0x001D: case 0x001F: case 0x0022: return r.Skip(6);
    case 0x0002: case 0x0009: case 0x000A: case 0x0010: case 0x0020: return r.Skip(8);
    case 0x0028: return counted(4);
    case 0x0029: case 0x002A: return counted(1);
    case 0x002B: return counted(2);
    case 0x00A1: return r.Skip(2) && r.U16(n) && r.Skip(n);
    case 0x0012: case 0x0013: case 0x0014: return false;   // pixel patterns: see SkipPattern
    default: break;
    }
    if (op >= 0x0017 && op <= 0x0019)
        return true;
    if ((op >= 0x0024 && op <= 0x0027) || (op >= 0x002C && op <= 0x002F) || (op >= 0x0092 && op <= 0x0097) ||
        (op >= 0x009C && op <= 0x009F) || (op >= 0x00A2 && op <= 0x00AF))
        return r.U16(n) && r.Skip(n);
    if (op >= 0x0030 && op <= 0x008F) {
        const uint32_t kind = (op >> 3) & 1, group = op >> 4;
        if (group == 3 || group == 4 || group == 5)   // rectangles, rounded, ovals
            return kind ? true : r.Skip(8);
        if (group == 6)   // arcs
            return r.Skip(kind ? 4 : 12);
        if (kind)   // polygons and regions again
            return true;
        return r.U16(n) && n >= 2 && r.Skip(n - 2);
    }
    if (op >= 0x00B0 && op <= 0x00CF)
        return true;
    if (op >= 0x00D0 && op <= 0x00FE)
        return r.U32(n) && r.Skip(n);
    if (op >= 0x0100 && op <= 0x7FFF)
        return r.Skip(2 * (op >> 8));
    if (op >= 0x8000 && op <= 0x80FF)
        return true;
    return r.U32(n) && r.Skip(n);
}

struct PixMap {
    uint32_t rowBytes = 0;
    bool isPixMap = false;
    int32_t top = 0, left = 0, bottom = 0, right = 0;
    uint32_t packType = 0, pixelSize = 1, cmpCount = 1;
    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
};

int16_t Signed(uint32_t v) { return int16_t(uint16_t(v)); }

bool ReadPixMap(Reader& r, PixMap& pm)
{
    uint32_t t, l, b, rt;
    if (!r.U16(pm.rowBytes) || !r.U16(t) || !r.U16(l) || !r.U16(b) || !r.U16(rt))
        return false;
    pm.top = Signed(t), pm.left = Signed(l), pm.bottom = Signed(b), pm.right = Signed(rt);
    pm.isPixMap = pm.rowBytes & 0x8000;
    pm.rowBytes &= 0x3FFF;
    if (!pm.isPixMap)
        return true;
    uint32_t unused, pixelType, cmpSize;
    return r.U16(unused) && r.U16(pm.packType) && r.Skip(4 + 8) && r.U16(pixelType) && r.U16(pm.pixelSize) &&
           r.U16(pm.cmpCount) && r.U16(cmpSize) && r.Skip(12);
}

bool ReadColourTable(Reader& r, RGBQUAD* table)
{
    uint32_t seed, flags, size;
    if (!r.U32(seed) || !r.U16(flags) || !r.U16(size) || size > 255)
        return false;
    for (uint32_t i = 0; i <= size; ++i) {
        uint32_t value, red, green, blue;
        if (!r.U16(value) || !r.U16(red) || !r.U16(green) || !r.U16(blue))
            return false;
        const uint32_t index = (flags & 0x8000) ? i : (value & 0xFF);
        table[index] = RGBQUAD{uint8_t(blue >> 8), uint8_t(green >> 8), uint8_t(red >> 8), 0};
    }
    return true;
}

// How one row is stored.
enum class Coding { Raw, PackBytes, PackWords };

struct RowPlan {
    Coding coding = Coding::Raw;
    uint32_t stored = 0;     // bytes of one unpacked row
    bool wideCount = false;  // byte counts of two bytes
    bool planes = false;     // 32-bit rows as component planes
};

// The row storage QuickDraw's rules give: rows shorter than 8 bytes unpacked,
// byte counts of two bytes for rows longer than 250.
bool PlanRows(const PixMap& pm, RowPlan& plan)
{
    const uint32_t width = uint32_t(pm.Width());
    plan.wideCount = pm.rowBytes > 250;
    if (pm.pixelSize == 32) {
        if (pm.cmpCount != 3 && pm.cmpCount != 4)
            return false;
        if (pm.rowBytes < 8 || pm.packType == 1) {
            plan.stored = pm.rowBytes;
            return plan.stored >= 4 * width;
        }
        if (pm.packType == 2) {
            plan.stored = 3 * width;
            return true;
        }
        plan.coding = Coding::PackBytes;
        plan.planes = true;
        plan.stored = pm.cmpCount * width;
        return pm.packType == 0 || pm.packType == 4;
    }
    plan.stored = pm.rowBytes;
    if (pm.pixelSize == 16) {
        if (plan.stored < 2 * width)
            return false;
        if (pm.rowBytes >= 8 && pm.packType != 1)
            plan.coding = Coding::PackWords;
        return true;
    }
    if (plan.stored < (width * pm.pixelSize + 7) / 8)
        return false;
    if (pm.rowBytes >= 8)
        plan.coding = Coding::PackBytes;
    return true;
}

// Other writers pack rows that the rules leave unpacked, and choose the count
// size by the unpacked row's length: the plans worth trying after the first.
std::vector<RowPlan> AlternativePlans(const PixMap& pm, const RowPlan& plan)
{
    std::vector<RowPlan> out;
    if (plan.coding == Coding::Raw && pm.pixelSize != 16) {
        RowPlan packed = plan;
        packed.coding = Coding::PackBytes;
        packed.wideCount = false;
        if (pm.pixelSize == 32) {
            packed.planes = true;
            packed.stored = pm.cmpCount * uint32_t(pm.Width());
        }
        out.push_back(packed);
    } else if (plan.coding != Coding::Raw) {
        RowPlan other = plan;
        other.wideCount = !plan.wideCount;
        out.push_back(other);
    }
    return out;
}

// Unpacks PackBits code into exactly `want` bytes; false when the code would
// overrun the row or ends before the row is full. `used` tells how much code
// the row took.
bool Unpack(const uint8_t* code, uint32_t count, uint8_t* out, uint32_t want, bool words, uint32_t& used)
{
    const uint32_t unit = words ? 2 : 1;
    uint32_t got = 0;
    used = 0;
    while (used < count && got < want) {
        const uint8_t c = code[used++];
        if (c == 0x80)
            continue;
        const uint32_t n = (c < 0x80 ? c + 1u : 257u - c) * unit;
        const uint32_t take = c < 0x80 ? n : unit;
        if (got + n > want || used + take > count)
            return false;
        for (uint32_t i = 0; i < n; ++i)
            out[got + i] = c < 0x80 ? code[used + i] : code[used + i % unit];
        used += take;
        got += n;
    }
    return got == want;
}

// Reads and unpacks one row; `exact` also refuses code left over after the row.
bool NextRow(Reader& r, const RowPlan& plan, uint8_t* code, uint8_t* stored, bool exact)
{
    if (plan.coding == Coding::Raw)
        return r.Bytes(stored, plan.stored);
    uint32_t count = 0, used = 0;
    if (!(plan.wideCount ? r.U16(count) : r.U8(count)) || !r.Bytes(code, count))
        return false;
    return Unpack(code, count, stored, plan.stored, plan.coding == Coding::PackWords, used) &&
           (!exact || used == count);
}

uint8_t Widen5(uint32_t v) { return uint8_t(v << 3 | v >> 2); }

// Turns one stored row into a DIB row of the header's depth.
void ToDib(const PixMap& pm, const RowPlan& plan, const uint8_t* s, uint8_t* d)
{
    const uint32_t width = uint32_t(pm.Width());
    if (pm.pixelSize == 32) {
        for (uint32_t x = 0; x < width; ++x) {
            uint8_t red, green, blue;
            if (plan.planes) {
                const uint32_t skip = pm.cmpCount == 4 ? width : 0;
                red = s[skip + x], green = s[skip + width + x], blue = s[skip + 2 * width + x];
            } else if (plan.stored == 3 * width) {
                red = s[3 * x], green = s[3 * x + 1], blue = s[3 * x + 2];
            } else {
                red = s[4 * x + 1], green = s[4 * x + 2], blue = s[4 * x + 3];
            }
            d[3 * x] = blue, d[3 * x + 1] = green, d[3 * x + 2] = red;
        }
    } else if (pm.pixelSize == 16) {
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t v = Be16(s + 2 * x);
            d[3 * x] = Widen5(v & 31), d[3 * x + 1] = Widen5((v >> 5) & 31), d[3 * x + 2] = Widen5((v >> 10) & 31);
        }
    } else if (pm.pixelSize == 2) {
        WidenTwoBit(s, d, width);
    } else {
        std::memcpy(d, s, (width * pm.pixelSize + 7) / 8);
    }
}

// True when every row decodes exactly under the plan; the stream is put back.
bool PlanFits(Reader& r, uint32_t height, const RowPlan& plan, uint8_t* code, uint8_t* stored)
{
    const uint64_t at = r.Tell();
    bool ok = true;
    for (uint32_t y = 0; y < height && ok; ++y)
        ok = NextRow(r, plan, code, stored, true);
    return r.SeekTo(at) && ok;
}

int DecodeRows(ReadJob& job, Reader& r, const PixMap& pm, RowPlan plan, int outBits, bool probe)
{
    const uint32_t width = uint32_t(pm.Width()), height = uint32_t(pm.Height());
    const uint32_t stride = DibRowBytes(int32_t(width), WORD(outBits));
    uint8_t* code = Scratch().Get(65535);
    uint8_t* stored = Scratch().Get(std::max({plan.stored, pm.rowBytes, 4 * width, 1u}));
    uint8_t* dib = Scratch().Get(stride);
    if (!code || !stored || !dib)
        return IMG_ERR_MEMORY;
    // The rules' plan unless its rows do not decode and another plan's do; a
    // raw plan cannot fail, so a packed reading of the same rows goes first.
    std::vector<RowPlan> plans = probe ? AlternativePlans(pm, plan) : std::vector<RowPlan>{};
    if (plan.coding == Coding::Raw)
        plans.push_back(plan);
    else
        plans.insert(plans.begin(), plan);
    for (const RowPlan& p : plans)
        if (PlanFits(r, height, p, code, stored)) {
            plan = p;
            break;
        }
    for (uint32_t y = 0; y < height; ++y) {
        if (!NextRow(r, plan, code, stored, false))
            return IMG_ERR_CONTENT;
        std::memset(dib, 0, stride);
        ToDib(pm, plan, stored, dib);
        if (int d = Deliver(job, dib, y, stride); d < 0)
            return d;
    }
    return IMG_OK;
}

// Skips a pixel pattern: its 8-byte fallback, and for a colour pattern its
// pixel map, colour table and rows, which carry no length of their own.
bool SkipPattern(Reader& r)
{
    uint32_t type;
    if (!r.U16(type) || !r.Skip(8))
        return false;
    if (type == 2)   // dithered colour
        return r.Skip(6);
    if (type != 1)
        return type == 0;
    PixMap pm;
    RGBQUAD table[256];
    RowPlan plan;
    if (!ReadPixMap(r, pm) || !pm.isPixMap || pm.Width() <= 0 || pm.Height() <= 0 ||
        (pm.pixelSize != 16 && pm.pixelSize != 32 && !ReadColourTable(r, table)) || !PlanRows(pm, plan))
        return false;
    uint8_t* code = Scratch().Get(65535);
    uint8_t* stored = Scratch().Get(std::max({plan.stored, pm.rowBytes, 1u}));
    bool ok = code && stored;
    for (int32_t y = 0; ok && y < pm.Height(); ++y)
        ok = NextRow(r, plan, code, stored, false);
    Scratch().Release(code);
    Scratch().Release(stored);
    return ok;
}

int ReadBitmapOpcode(ReadJob& job, Reader& r, uint32_t op)
{
    if ((op == kDirectBitsRect || op == kDirectBitsRgn) && !r.Skip(4))
        return IMG_ERR_CONTENT;
    PixMap pm;
    if (!ReadPixMap(r, pm))
        return IMG_ERR_CONTENT;
    const bool direct = op == kDirectBitsRect || op == kDirectBitsRgn;
    RGBQUAD table[256] = {};
    if (!pm.isPixMap) {   // an old bitmap: one bit, set bits black
        if (direct)
            return IMG_ERR_CONTENT;
        table[0] = RGBQUAD{255, 255, 255, 0};
    } else if (!direct && !ReadColourTable(r, table)) {
        return IMG_ERR_CONTENT;
    }
    if (direct != (pm.pixelSize == 16 || pm.pixelSize == 32))
        return IMG_ERR_UNSUPPORTED;
    if (!direct && pm.pixelSize != 1 && pm.pixelSize != 2 && pm.pixelSize != 4 && pm.pixelSize != 8)
        return IMG_ERR_UNSUPPORTED;
    uint32_t mode, region;
    if (!r.Skip(16) || !r.U16(mode))
        return IMG_ERR_CONTENT;
    if ((op == kBitsRgn || op == kPackBitsRgn || op == kDirectBitsRgn) &&
        !(r.U16(region) && region >= 2 && r.Skip(region - 2)))
        return IMG_ERR_CONTENT;
    const int outBits = direct ? 24 : pm.pixelSize == 2 ? 4 : int(pm.pixelSize);
    if (int f = PictureFits(pm.Width(), pm.Height(), outBits); f < 0)
        return f;
    RowPlan plan;
    if (!PlanRows(pm, plan))
        return IMG_ERR_CONTENT;
    const bool unpacked = op == kBitsRect || op == kBitsRgn;   // these never pack their rows
    if (unpacked)
        plan.coding = Coding::Raw;
    // Every row takes at least a byte, however it turns out to be stored.
    const uint64_t least = uint64_t(pm.Height());
    if (!CanHold(job.in, r.Tell(), least, r.Limit()))
        return IMG_ERR_CONTENT;
    if (int h = DeliverHeader(job, pm.Width(), pm.Height(), outBits, table); h < 0)
        return h;
    return DecodeRows(job, r, pm, plan, outBits, !unpacked);
}

// Big-endian output helpers.
void Put16(ByteSink& s, uint32_t v)
{
    s.Put(uint8_t(v >> 8));
    s.Put(uint8_t(v));
}
void Put32(ByteSink& s, uint32_t v)
{
    Put16(s, v >> 16);
    Put16(s, v);
}
void PutRect(ByteSink& s, uint32_t width, uint32_t height)
{
    Put16(s, 0);
    Put16(s, 0);
    Put16(s, height);
    Put16(s, width);
}

// PackBits: runs of 3 to 128 equal bytes as (257 - n, value), the rest in
// literal runs of up to 128 bytes as (n - 1, bytes).
void PackRow(std::vector<uint8_t>& out, const uint8_t* p, uint32_t n)
{
    uint32_t i = 0;
    while (i < n) {
        uint32_t run = 1;
        while (i + run < n && run < 128 && p[i + run] == p[i])
            ++run;
        if (run >= 3) {
            out.push_back(uint8_t(257 - run));
            out.push_back(p[i]);
            i += run;
            continue;
        }
        uint32_t lit = 0;
        while (i + lit < n && lit < 128 &&
               !(i + lit + 2 < n && p[i + lit] == p[i + lit + 1] && p[i + lit] == p[i + lit + 2]))
            ++lit;
        out.push_back(uint8_t(lit - 1));
        out.insert(out.end(), p + i, p + i + lit);
        i += lit;
    }
}

// How the writer lays out the rows of one picture.
struct Layout {
    uint32_t rowBytes = 0;
    uint32_t components = 3;   // 24-bit pictures: 3, or 4 with an opaque alpha plane
};

// Readers differ on when a row's byte count takes two bytes: QuickDraw's rule
// is row bytes above 250, other readers go by the unpacked row above 200. The
// layout keeps to sizes on which both readings agree: palette rows between 201
// and 250 bytes are padded to 252, and 24-bit rows get a fourth (alpha) plane
// where three planes would fall between the two limits or below 8 bytes.
Layout LayOut(uint32_t width, int bits)
{
    Layout l;
    if (bits != 24) {
        l.rowBytes = (width * uint32_t(bits) + 15) / 16 * 2;
        if (l.rowBytes > 200 && l.rowBytes <= 250)
            l.rowBytes = 252;
        return l;
    }
    l.rowBytes = 4 * width;
    const bool wideByRule = l.rowBytes > 250, wideByLength = 3 * width > 200;
    if (width <= 2 || wideByRule != wideByLength)
        l.components = 4;
    return l;
}

void PutPixMap(ByteSink& s, const Layout& l, uint32_t width, uint32_t height, int bits)
{
    const bool direct = bits == 24;
    Put16(s, l.rowBytes | 0x8000);
    PutRect(s, width, height);
    Put16(s, 0);                    // version
    Put16(s, direct ? 4 : 0);       // pack type: component planes, or the default
    Put32(s, 0);                    // pack size
    Put32(s, kResolution72);
    Put32(s, kResolution72);
    Put16(s, direct ? 16 : 0);      // pixel type: direct RGB, or indexed
    Put16(s, direct ? 32 : uint32_t(bits));
    Put16(s, direct ? l.components : 1);
    Put16(s, direct ? 8 : uint32_t(bits));
    Put32(s, 0);                    // plane bytes
    Put32(s, 0);                    // colour table handle
    Put32(s, 0);                    // reserved
}

// Stores one top-first DIB row in the file's row order and coding.
void CodeRow(std::vector<uint8_t>& out, const uint8_t* dib, uint32_t width, int bits, const Layout& l,
             std::vector<uint8_t>& plane, std::vector<uint8_t>& packed)
{
    const uint32_t first = l.components == 4 ? width : 0;
    plane.assign(bits == 24 ? l.components * width : l.rowBytes, 0xFF);
    if (bits == 24) {
        for (uint32_t x = 0; x < width; ++x) {
            plane[first + x] = dib[3 * x + 2];
            plane[first + width + x] = dib[3 * x + 1];
            plane[first + 2 * width + x] = dib[3 * x];
        }
    } else {
        std::fill(plane.begin(), plane.end(), 0);
        std::memcpy(plane.data(), dib, (width * uint32_t(bits) + 7) / 8);
    }
    // Short rows are stored unpacked; a 1-pixel 24-bit row is then one 32-bit
    // pixel, alpha, red, green, blue, the same bytes as its four planes.
    if (l.rowBytes < 8) {
        out.insert(out.end(), plane.begin(), plane.end());
        return;
    }
    packed.clear();
    if (bits == 24)
        for (uint32_t c = 0; c < l.components; ++c)
            PackRow(packed, plane.data() + size_t(c) * width, width);
    else
        PackRow(packed, plane.data(), l.rowBytes);
    if (l.rowBytes > 250)
        out.push_back(uint8_t(packed.size() >> 8));
    out.push_back(uint8_t(packed.size()));
    out.insert(out.end(), packed.begin(), packed.end());
}

}   // namespace

int ReadPict(ReadJob& job)
{
    if (IsLaterPage(job.start))
        return IMG_ERR_OPEN;
    const uint64_t picture = uint64_t(StartOffset(job.start)) + kLeadBytes;
    const uint64_t limit = job.end ? job.end : (job.in.LengthKnown() ? job.in.Length() : UINT64_MAX);
    Reader r(job.in, limit);
    uint8_t h[12];
    if (!r.SeekTo(picture) || !r.Bytes(h, sizeof h))
        return IMG_ERR_CONTENT;
    bool version2 = false;
    uint64_t at = picture + 12;
    if (h[10] == 0x11 && h[11] == 0x01) {
        at = picture + 12;
    } else if (h[10] == 0x00 && h[11] == 0x11) {
        uint8_t v[2];
        if (!r.Bytes(v, 2) || v[0] != 0x02 || v[1] != 0xFF)
            return IMG_ERR_CONTENT;
        version2 = true;
        at = picture + 14;
    } else {
        return IMG_ERR_CONTENT;
    }
    for (;;) {
        if (version2 && ((at - picture) & 1))
            ++at;   // version 2 opcodes start on even offsets
        uint32_t op = 0;
        if (!r.SeekTo(at) || !(version2 ? r.U16(op) : r.U8(op)))
            return IMG_ERR_CONTENT;
        if (op == kEndPicture)
            return IMG_ERR_CONTENT;
        if (op == kBitsRect || op == kBitsRgn || op == kPackBitsRect || op == kPackBitsRgn ||
            op == kDirectBitsRect || op == kDirectBitsRgn) {
            int result = ReadBitmapOpcode(job, r, op);
            return result < 0 ? result : 1;
        }
        const bool pattern = op >= 0x0012 && op <= 0x0014;
        if (pattern ? !SkipPattern(r) : !SkipOpcode(r, op, version2))
            return IMG_ERR_CONTENT;
        at = r.Tell();
    }
}

int WritePict(WriteJob& job)
{
    const BITMAPINFOHEADER& bh = job.header->bmiHeader;
    const int bits = bh.biBitCount;
    const uint32_t width = uint32_t(bh.biWidth), height = uint32_t(bh.biHeight);
    const Layout layout = LayOut(width, bits);
    if (width > 32767 || height > 32767 || layout.rowBytes > kPictMaxRowBytes)
        return IMG_ERR_UNSUPPORTED;
    const uint64_t begin = job.out.Tell();
    ByteSink s(job.out);
    for (uint32_t i = 0; i < kLeadBytes; ++i)
        s.Put(0);
    Put16(s, 0);   // picture size, filled in at the end
    PutRect(s, width, height);
    Put16(s, 0x0011);
    Put16(s, 0x02FF);
    Put16(s, 0x0C00);
    Put32(s, 0xFFFFFFFF);   // version -1: the bounds follow in fixed point
    Put32(s, 0);
    Put32(s, 0);
    Put32(s, width << 16);
    Put32(s, height << 16);
    Put32(s, 0);
    Put16(s, 0x001E);
    Put16(s, 0x0001);
    Put16(s, 10);
    PutRect(s, width, height);
    if (bits == 24) {
        Put16(s, kDirectBitsRect);
        Put32(s, 0x000000FF);   // base address, unused in a file
        PutPixMap(s, layout, width, height, bits);
    } else {
        Put16(s, kPackBitsRect);
        PutPixMap(s, layout, width, height, bits);
        const uint32_t colours = ColourEntries(bits);
        const RGBQUAD* table = TableOf(job.header);
        Put32(s, 0);
        Put16(s, 0);
        Put16(s, colours - 1);
        for (uint32_t i = 0; i < colours; ++i) {
            Put16(s, i);
            Put16(s, table[i].rgbRed * 257u);
            Put16(s, table[i].rgbGreen * 257u);
            Put16(s, table[i].rgbBlue * 257u);
        }
    }
    PutRect(s, width, height);   // source
    PutRect(s, width, height);   // destination
    Put16(s, 0);                 // transfer mode: copy
    const uint32_t stride = DibRowBytes(bh.biWidth, WORD(bits));
    uint8_t* row = Scratch().Get(stride);
    if (!row)
        return IMG_ERR_MEMORY;
    std::vector<uint8_t> coded, plane, packed;
    for (uint32_t y = 0; y < height; ++y) {
        if (int f = FetchRow(job, row, height - 1 - y, stride); f < 0)
            return f;
        coded.clear();
        CodeRow(coded, row, width, bits, layout, plane, packed);
        s.Put(coded.data(), coded.size());
        if (s.Pending() > 60000 && !s.Flush())
            return IMG_ERR_WRITE;
    }
    if (!s.Flush())
        return IMG_ERR_WRITE;
    if ((job.out.Tell() - begin) & 1)
        s.Put(0);
    Put16(s, kEndPicture);
    if (!s.Flush())
        return IMG_ERR_WRITE;
    const uint64_t end = job.out.Tell();
    uint8_t size[2] = {uint8_t((end - begin - kLeadBytes) >> 8), uint8_t(end - begin - kLeadBytes)};
    if (!job.out.Seek(begin + kLeadBytes) || !job.out.Write(size, 2) || !job.out.Seek(end))
        return IMG_ERR_WRITE;
    return IMG_OK;
}

}   // namespace vantor
