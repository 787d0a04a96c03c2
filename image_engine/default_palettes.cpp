// The engine's built-in colour tables, for pictures whose file brings none and
// for the results of the colour reductions.
#include <strings.h>

#include <array>
#include <cstring>

#include "colour_reduce.h"

namespace vantor {

namespace {

constexpr RGBQUAD Quad(int r, int g, int b) { return RGBQUAD{BYTE(b), BYTE(g), BYTE(r), 0}; }

RGBQUAD SixteenEntry(int i, int low)
{
    if (i >= 16)
        return Quad(0, 0, 0);
    const int level = i < 8 ? low : 255;
    return Quad((i & 1) ? level : 0, (i & 2) ? level : 0, (i & 4) ? level : 0);
}

RGBQUAD Entry(ColourTableKind kind, int i, int entries)
{
    switch (kind) {
    case ColourTableKind::GreyRamp: {
        const int v = i * (256 / entries);
        return Quad(v, v, v);
    }
    case ColourTableKind::Cube332:
        return Quad(((i >> 5) & 7) * 255 / 7, ((i >> 2) & 7) * 255 / 7, (i & 3) * 255 / 3);
    case ColourTableKind::SixteenLight:
        return SixteenEntry(i, 200);
    case ColourTableKind::Sixteen:
        break;
    }
    return SixteenEntry(i, 128);
}

int DepthSlot(int bitCount) { return bitCount == 1 ? 0 : bitCount == 4 ? 1 : bitCount == 8 ? 2 : -1; }

constexpr int kKinds = 4;

struct BuiltTables {
    std::array<RGBQUAD, 256> table[kKinds][3];

    BuiltTables()
    {
        static constexpr int kDepths[3] = {1, 4, 8};
        for (int k = 0; k < kKinds; ++k)
            for (int d = 0; d < 3; ++d)
                FillDefaultColourTable(table[k][d].data(), kDepths[d], ColourTableKind(k));
    }
};

}  // namespace

ColourTableKind ColourTableKindFromName(const char* name)
{
    if (name == nullptr)
        return ColourTableKind::Sixteen;
    if (strcasecmp(name, "tiff") == 0)
        return ColourTableKind::GreyRamp;
    if (strcasecmp(name, "targa") == 0)
        return ColourTableKind::Cube332;
    if (strcasecmp(name, "dither") == 0)
        return ColourTableKind::SixteenLight;
    return ColourTableKind::Sixteen;
}

int ColourTableEntries(int bitCount)
{
    switch (bitCount) {
    case 1:
        return 2;
    case 4:
        return 16;
    case 8:
        return 256;
    default:
        return 0;
    }
}

void FillDefaultColourTable(RGBQUAD* table, int bitCount, ColourTableKind kind)
{
    const int n = ColourTableEntries(bitCount);
    if (bitCount == 1) {
        table[0] = Quad(0, 0, 0);
        table[1] = Quad(255, 255, 255);
        return;
    }
    for (int i = 0; i < n; ++i)
        table[i] = Entry(kind, i, n);
}

int FillDefaultColourTable(uint8_t* dib, size_t size, const char* kindName)
{
    if (dib == nullptr || size < sizeof(BITMAPINFOHEADER))
        return kReduceInvalid;
    BITMAPINFOHEADER h;
    std::memcpy(&h, dib, sizeof h);
    const int bits = h.biBitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24)
        return kReduceBadDepth;
    const size_t entries = size_t(ColourTableEntries(bits));
    if ((size - sizeof h) / sizeof(RGBQUAD) < entries)
        return kReduceInvalid;
    RGBQUAD table[256];
    FillDefaultColourTable(table, bits, ColourTableKindFromName(kindName));
    std::memcpy(dib + sizeof h, table, entries * sizeof(RGBQUAD));
    return kReduceOk;
}

const RGBQUAD* DefaultColourTable(int bitCount, ColourTableKind kind)
{
    static const BuiltTables tables;
    const int slot = DepthSlot(bitCount);
    const int k = int(kind);
    if (slot < 0 || k < 0 || k >= kKinds)
        return nullptr;
    return tables.table[k][slot].data();
}

}  // namespace vantor
