#include "Resource.h"

#include "gdi/DibView.h"
#include "types/CString.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <string>

namespace {

std::string Key(const char* name)
{
    std::string key(name);
    for (char& c : key)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return key;
}

// A 24-bit picture being drawn, top row first, turned into a packed DIB at the end.
class PixelArt {
public:
    PixelArt(int w, int h, uint32_t background) : m_w(w), m_h(h), m_px(size_t(w) * h, background) {}

    void Fill(int x0, int y0, int x1, int y1, uint32_t rgb)
    {
        for (int y = std::max(y0, 0); y < std::min(y1, m_h); ++y)
            for (int x = std::max(x0, 0); x < std::min(x1, m_w); ++x)
                m_px[size_t(y) * m_w + x] = rgb;
    }
    // A 1-pixel outline inside the rectangle.
    void Frame(int x0, int y0, int x1, int y1, uint32_t rgb)
    {
        Fill(x0, y0, x1, y0 + 1, rgb);
        Fill(x0, y1 - 1, x1, y1, rgb);
        Fill(x0, y0, x0 + 1, y1, rgb);
        Fill(x1 - 1, y0, x1, y1, rgb);
    }
    std::vector<uint8_t> PackedDib() const
    {
        const size_t stride = DibRowBytes(m_w, 24);
        std::vector<uint8_t> dib(sizeof(BITMAPINFOHEADER) + stride * size_t(m_h), 0);
        BITMAPINFOHEADER h{};
        h.biSize = sizeof h;
        h.biWidth = m_w;
        h.biHeight = m_h;
        h.biPlanes = 1;
        h.biBitCount = 24;
        h.biSizeImage = DWORD(stride * size_t(m_h));
        std::memcpy(dib.data(), &h, sizeof h);
        for (int y = 0; y < m_h; ++y) {
            uint8_t* row = dib.data() + sizeof h + size_t(m_h - 1 - y) * stride;
            for (int x = 0; x < m_w; ++x) {
                uint32_t c = m_px[size_t(y) * m_w + x];
                row[3 * x] = uint8_t(c);
                row[3 * x + 1] = uint8_t(c >> 8);
                row[3 * x + 2] = uint8_t(c >> 16);
            }
        }
        return dib;
    }

private:
    int m_w, m_h;
    std::vector<uint32_t> m_px;
};

uint32_t Shade(int v)
{
    v = std::clamp(v, 0, 255);
    return uint32_t(v) << 16 | uint32_t(v) << 8 | uint32_t(v);
}

// The film canister: a metal can lit from the left, ribbed caps, a red label
// with a yellow band and a tongue of film leader with sprocket holes.
std::vector<uint8_t> Canister()
{
    PixelArt art(72, 112, 0xFF00FF);
    for (int x = 4; x < 56; ++x) {
        int t = x - 4;   // bright a little left of the middle, dark at the edges
        int v = t < 23 ? 40 + t * 110 / 23 : 150 - (t - 23) * 120 / 29;
        art.Fill(x, 12, x + 1, 100, Shade(v));
    }
    art.Frame(4, 12, 56, 100, 0x000000);
    art.Fill(8, 34, 52, 76, 0xC8281E);
    art.Fill(8, 50, 52, 58, 0xFADC50);
    art.Frame(8, 34, 52, 76, 0x000000);
    for (int top : {2, 100}) {
        art.Fill(8, top, 52, top + 10, 0x46464C);
        art.Frame(8, top, 52, top + 10, 0x000000);
        for (int x = 12; x < 52; x += 4)
            art.Fill(x, top + 1, x + 1, top + 9, 0x000000);
    }
    art.Fill(56, 24, 72, 84, 0x3C2814);
    art.Frame(56, 24, 72, 84, 0x000000);
    for (int y = 28; y + 4 <= 82; y += 8)
        art.Fill(66, y, 70, y + 4, 0xC0C0C0);
    return art.PackedDib();
}

std::map<std::string, std::vector<uint8_t>>& Registry()
{
    static std::map<std::string, std::vector<uint8_t>> registry = [] {
        std::map<std::string, std::vector<uint8_t>> builtIn;
        builtIn[Key(kCanisterResource)] = Canister();
        return builtIn;
    }();
    return registry;
}

} // namespace

bool PackedDibFits(const uint8_t* dib, size_t length, PackedDibLayout* layout)
{
    DibView view;
    if (ViewPackedDib(dib, length, view) != DibCheck::Ok)
        return false;
    // The drawing calls take Windows headers, bottom-up rows and these depths.
    const WORD bits = view.bitCount;
    if (view.coreHeader || view.topDown || !(bits == 1 || bits == 4 || bits == 8 || bits == 24))
        return false;
    if (layout)
        *layout = PackedDibLayout {view.width, view.height, size_t(view.bits - dib)};
    return true;
}

BOOL RegisterBitmapResource(const char* name, const void* packedDib, size_t length)
{
    const auto* bytes = static_cast<const uint8_t*>(packedDib);
    if (!name || !*name || !PackedDibFits(bytes, length))
        return FALSE;
    Registry()[Key(name)].assign(bytes, bytes + length);
    return TRUE;
}

const std::vector<uint8_t>* FindBitmapResource(const char* name)
{
    if (!name)
        return nullptr;
    auto it = Registry().find(Key(name));
    return it == Registry().end() ? nullptr : &it->second;
}

HBITMAP LoadBitmapResource(const char* name)
{
    const std::vector<uint8_t>* dib = FindBitmapResource(name);
    PackedDibLayout layout;
    if (!dib || !PackedDibFits(dib->data(), dib->size(), &layout))
        return nullptr;
    const int w = layout.width, h = layout.height;
    HBITMAP bitmap = CreateCompatibleBitmap(GetDC(nullptr), w, h);
    HDC dc = CreateCompatibleDC(nullptr);
    if (!bitmap || !dc) {
        DeleteDC(dc);
        DeleteObject(bitmap);
        return nullptr;
    }
    HBITMAP old = SelectObject(dc, bitmap);
    const auto* info = reinterpret_cast<const BITMAPINFO*>(dib->data());
    const uint8_t* bits = dib->data() + layout.bitsOffset;
    int drawn = StretchDIBits(dc, 0, 0, w, h, 0, 0, w, h, bits, info, DIB_RGB_COLORS, SRCCOPY);
    SelectObject(dc, old);
    DeleteDC(dc);
    if (drawn != h) {
        DeleteObject(bitmap);
        return nullptr;
    }
    return bitmap;
}
