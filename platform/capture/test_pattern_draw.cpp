// Drawing and packing of the test pattern.
#include "capture/test_pattern.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace capture {

namespace {

struct Rgb { BYTE r, g, b; };

constexpr Rgb kBars[7] = {{235, 235, 235}, {235, 235, 16}, {16, 235, 235}, {16, 235, 16},
                          {235, 16, 235}, {235, 16, 16}, {16, 16, 235}};

// 3 x 5 digits, one row of three bits per entry, top row first.
constexpr BYTE kDigits[10][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7}, {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 1, 1}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7}};

class Canvas {
public:
    Canvas(std::vector<BYTE>& rgb, int w, int h) : m_rgb(rgb), m_w(w), m_h(h) {}
    void Fill(int x0, int y0, int x1, int y1, Rgb c)
    {
        x0 = std::max(x0, 0), y0 = std::max(y0, 0);
        x1 = std::min(x1, m_w), y1 = std::min(y1, m_h);
        for (int y = y0; y < y1; ++y) {
            BYTE* p = &m_rgb[(size_t(y) * m_w + x0) * 3];
            for (int x = x0; x < x1; ++x, p += 3)
                p[0] = c.r, p[1] = c.g, p[2] = c.b;
        }
    }
    void Dot(int x, int y, int size, Rgb c) { Fill(x - size / 2, y - size / 2, x - size / 2 + size, y - size / 2 + size, c); }
    void Line(int x0, int y0, int x1, int y1, int size, Rgb c)
    {
        int steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
        for (int i = 0; i <= steps; ++i) {
            int x = steps ? x0 + (x1 - x0) * i / steps : x0;
            int y = steps ? y0 + (y1 - y0) * i / steps : y0;
            Dot(x, y, size, c);
        }
    }
    void Number(int x, int y, int scale, DWORD value, Rgb c)
    {
        char text[16];
        int n = std::snprintf(text, sizeof text, "%06u", unsigned(value % 1000000));
        for (int i = 0; i < n; ++i) {
            const BYTE* rows = kDigits[text[i] - '0'];
            for (int r = 0; r < 5; ++r)
                for (int b = 0; b < 3; ++b)
                    if (rows[r] & (4 >> b))
                        Fill(x + (i * 4 + b) * scale, y + r * scale, x + (i * 4 + b + 1) * scale, y + (r + 1) * scale, c);
        }
    }

private:
    std::vector<BYTE>& m_rgb;
    int m_w, m_h;
};

void DrawClock(Canvas& c, int cx, int cy, int radius, DWORD tickMs)
{
    const Rgb white{235, 235, 235}, black{16, 16, 16};
    const int thick = std::max(1, radius / 12);
    for (int i = 0; i < 12; ++i) {
        double a = i * M_PI / 6;
        c.Dot(cx + int(std::sin(a) * radius), cy - int(std::cos(a) * radius), thick * 2, white);
    }
    const double seconds = (tickMs % 60000) / 1000.0;
    const double minutes = (tickMs / 1000 % 3600) / 60.0;
    c.Line(cx, cy, cx + int(std::sin(minutes * M_PI / 30) * radius * 0.6), cy - int(std::cos(minutes * M_PI / 30) * radius * 0.6), thick * 2, white);
    c.Line(cx, cy, cx + int(std::sin(seconds * M_PI / 30) * radius * 0.9), cy - int(std::cos(seconds * M_PI / 30) * radius * 0.9), thick, {235, 16, 16});
    c.Dot(cx, cy, thick * 3, black);
}

}  // namespace

void DrawTestPattern(std::vector<BYTE>& rgb, int width, int height, DWORD number, DWORD tickMs)
{
    rgb.resize(size_t(width) * height * 3);
    Canvas c(rgb, width, height);
    const int barsBottom = height * 2 / 3;
    for (int i = 0; i < 7; ++i)
        c.Fill(width * i / 7, 0, width * (i + 1) / 7, barsBottom, kBars[i]);
    // A grey ramp under the bars shows what brightness and contrast do.
    for (int i = 0; i < 16; ++i) {
        BYTE v = BYTE(i * 17);
        c.Fill(width * i / 32, barsBottom, width * (i + 1) / 32, height, {v, v, v});
    }
    c.Fill(width / 2, barsBottom, width, height, {40, 40, 40});
    // The stripe sweeping over the bars makes motion visible at any rate.
    const int stripe = std::max(2, width / 40);
    const int x = int((number * DWORD(std::max(1, width / 64))) % DWORD(width));
    c.Fill(x, 0, x + stripe, barsBottom, {16, 16, 16});
    const int scale = std::max(1, height / 60);
    c.Fill(2, 2, 2 + scale * 25, 2 + scale * 7, {16, 16, 16});
    c.Number(2 + scale, 2 + scale, scale, number, {235, 235, 235});
    const int lower = height - barsBottom;
    DrawClock(c, width * 3 / 4, barsBottom + lower / 2, std::max(3, lower * 2 / 5), tickMs);
}

void MakeToneTable(const TestPatternSettings& s, BYTE tone[256])
{
    const int brightness = s.autoBrightness ? 128 : std::clamp<int>(s.brightness, 1, 255);
    const int contrast = std::clamp<int>(s.contrast, 1, 255);
    for (int v = 0; v < 256; ++v) {
        int out = (v - 128) * contrast / 128 + 128 + (brightness - 128) * 2;
        tone[v] = BYTE(std::clamp(out, 0, 255));
    }
}

std::vector<RGBQUAD> TestPatternDriver::Palette(WORD bits)
{
    std::vector<RGBQUAD> p;
    if (bits == 8) {
        p.resize(256);
        for (int i = 0; i < 256; ++i)
            p[i] = {BYTE((i & 3) * 255 / 3), BYTE((i >> 2 & 7) * 255 / 7), BYTE((i >> 5) * 255 / 7), 0};
    } else if (bits == 4) {
        p.resize(16);
        for (int i = 0; i < 16; ++i)
            p[i] = {BYTE(i * 17), BYTE(i * 17), BYTE(i * 17), 0};
    }
    return p;
}

void PackCanvas(const std::vector<BYTE>& rgb, const VideoFormat& format, const BYTE tone[256], std::vector<BYTE>& bits)
{
    const BITMAPINFOHEADER& h = format.header;
    const int w = h.biWidth, ht = h.biHeight;
    const uint32_t stride = DibStride(w, h.biBitCount);
    bits.assign(size_t(stride) * ht, 0);
    for (int y = 0; y < ht; ++y) {
        const BYTE* src = &rgb[size_t(y) * w * 3];
        BYTE* dst = &bits[size_t(ht - 1 - y) * stride];
        for (int x = 0; x < w; ++x, src += 3) {
            const BYTE r = tone[src[0]], g = tone[src[1]], b = tone[src[2]];
            switch (h.biBitCount) {
            case 24:
                dst[x * 3] = b, dst[x * 3 + 1] = g, dst[x * 3 + 2] = r;
                break;
            case 16: {
                const WORD v = WORD((r >> 3) << 10 | (g >> 3) << 5 | (b >> 3));
                dst[x * 2] = BYTE(v), dst[x * 2 + 1] = BYTE(v >> 8);
                break;
            }
            case 8:
                dst[x] = BYTE((r >> 5) << 5 | (g >> 5) << 2 | (b >> 6));
                break;
            case 4: {
                const BYTE grey = BYTE((77 * r + 150 * g + 29 * b) >> 12);
                dst[x >> 1] |= (x & 1) ? grey : BYTE(grey << 4);
                break;
            }
            }
        }
    }
}

}  // namespace capture
