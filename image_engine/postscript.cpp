// PostScript output (save type 14): the picture placed 8 inches wide at the top
// left of a letter page, its rows as hexadecimal data read by the image
// operators. 1-bit pictures go to `image`, 8-bit pictures through their colour
// table to `colorimage`; 4- and 24-bit pictures are written as plain 8-bit
// red, green, blue samples for `colorimage`.
#include <cstdio>
#include <string>

#include "codec_util.h"

namespace vantor {

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

class PsOut {
public:
    explicit PsOut(Stream& out) : out_(out) {}
    bool Line(const std::string& text)
    {
        std::string line = text + "\r\n";
        ok_ = ok_ && out_.Write(line.data(), line.size());
        return ok_;
    }
    bool Ok() const { return ok_; }

private:
    Stream& out_;
    bool ok_ = true;
};

std::string Format(const char* pattern, long a, long b = 0, long c = 0, long d = 0, long e = 0, long f = 0)
{
    char text[160];
    std::snprintf(text, sizeof text, pattern, a, b, c, d, e, f);
    return text;
}

void AppendHex(std::string& text, uint8_t byte)
{
    text += kHex[byte >> 4];
    text += kHex[byte & 15];
}

int Grey(const RGBQUAD& q)
{
    return 30 * q.rgbRed + 59 * q.rgbGreen + 11 * q.rgbBlue;
}

// The placement: 2400 pixels of 1/300 inch wide, a quarter inch in from the
// left and top of an 11-inch page. `rowBytes` sizes the string each read fills:
// one row, so every read ends where a row ends and none runs past the data.
void WritePlacement(PsOut& ps, long width, long height, long rowBytes)
{
    const long w = long(width * (2400.0 / width));
    const long h = long((2400.0 / width) * height);
    ps.Line("gsave");
    ps.Line("/inch { 72 mul } def");
    ps.Line(Format("/pixel { 72 mul %ld div } def", 300));
    ps.Line(Format("/imagetop { 10.75 inch %ld pixel sub } def", 0));
    ps.Line(Format("/imagebottom { imagetop %ld pixel sub } def", h));
    ps.Line(Format("/imageleft { 0.25 inch %ld pixel add } def", 0));
    ps.Line(Format("/picstr %ld string def", rowBytes));
    ps.Line("imageleft imagebottom translate");
    ps.Line(Format("%ld pixel %ld pixel scale", w, h));
}

void WritePalette(PsOut& ps, const RGBQUAD* table, int entries)
{
    ps.Line("/pal <");
    std::string line;
    for (int i = 0; i < entries; ++i) {
        AppendHex(line, table[i].rgbRed);
        AppendHex(line, table[i].rgbGreen);
        AppendHex(line, table[i].rgbBlue);
        if (i % 16 == 15 || i == entries - 1) {
            ps.Line(line);
            line.clear();
        } else {
            line += ' ';
        }
    }
    ps.Line("> def");
}

void WriteTableLookup(PsOut& ps, long rowBytes)
{
    ps.Line(Format("/rgbstr %ld string def", 3 * rowBytes));
    for (const char* line : {"/read_raw {currentfile picstr readhexstring pop} def", "/read8_24 {", "  read_raw",
                             "  /rgb_ndx 0 def", "  {",
                             "     3 mul pal exch 3 getinterval rgbstr exch rgb_ndx exch putinterval",
                             "     /rgb_ndx rgb_ndx 3 add def", "  } forall rgbstr", "} def"})
        ps.Line(line);
}

// One row as the hexadecimal text its reader expects.
void HexRow(const uint8_t* row, long width, int bits, const RGBQUAD* table, bool invert, std::string& text)
{
    text.clear();
    if (bits == 24) {
        for (long x = 0; x < width; ++x) {
            AppendHex(text, row[3 * x + 2]);
            AppendHex(text, row[3 * x + 1]);
            AppendHex(text, row[3 * x]);
        }
    } else if (bits == 4) {
        for (long x = 0; x < width; ++x) {
            const RGBQUAD& q = table[(x & 1) ? row[x >> 1] & 15 : row[x >> 1] >> 4];
            AppendHex(text, q.rgbRed);
            AppendHex(text, q.rgbGreen);
            AppendHex(text, q.rgbBlue);
        }
    } else {
        const long bytes = (bits * width + 7) / 8;
        for (long i = 0; i < bytes; ++i)
            AppendHex(text, invert ? uint8_t(~row[i]) : row[i]);
    }
}

}   // namespace

int WritePostScript(WriteJob& job)
{
    const BITMAPINFOHEADER& h = job.header->bmiHeader;
    const int bits = h.biBitCount;
    const long width = h.biWidth, height = h.biHeight;
    const RGBQUAD* table = TableOf(job.header);
    const uint32_t stride = DibRowBytes(h.biWidth, h.biBitCount);
    uint8_t* row = Scratch().Get(stride);
    if (!row)
        return IMG_ERR_MEMORY;
    const bool palette = bits == 1 || bits == 8;
    const long rowBytes = palette ? (bits * width + 7) / 8 : 3 * width;
    // `image` shows a 1 bit as white: a table whose first entry is the lighter
    // one is written inverted so the picture keeps its tones.
    const bool invert = bits == 1 && Grey(table[0]) > Grey(table[1]);

    PsOut ps(job.out);
    ps.Line(bits == 1 ? "%!PS-Adobe-2.0" : "%!PS-Adobe-3.0");
    WritePlacement(ps, width, height, rowBytes);
    if (bits == 1) {
        ps.Line(Format("%ld %ld %ld [%ld 0 0 %ld 0 %ld] {currentfile picstr readhexstring pop} image", width, height,
                       1, width, -height, height));
    } else if (bits == 8) {
        WritePalette(ps, table, 256);
        WriteTableLookup(ps, rowBytes);
        ps.Line(Format("%ld %ld %ld [%ld 0 0 %ld 0 %ld] {read8_24} false 3 colorimage", width, height, 8, width,
                       -height, height));
    } else {
        ps.Line(Format("%ld %ld %ld [%ld 0 0 %ld 0 %ld] {currentfile picstr readhexstring pop} false 3 colorimage",
                       width, height, 8, width, -height, height));
    }
    std::string text;
    for (long y = 0; y < height && ps.Ok(); ++y) {
        // Row 0 of the writer's source is the bottom row; PostScript wants the top first.
        int r = FetchRow(job, row, uint32_t(height - 1 - y), stride);
        if (r < 0)
            return r;
        HexRow(row, width, bits, table, invert, text);
        ps.Line(text);
    }
    ps.Line("grestore");
    ps.Line("showpage");
    return ps.Ok() ? IMG_OK : IMG_ERR_WRITE;
}

}   // namespace vantor
