#include "capture/dib.h"

#include "types/SafeFile.h"

#include <cstdio>
#include <cstring>

namespace capture {

std::vector<BYTE> PackedDib(const Frame& frame)
{
    const BITMAPINFOHEADER& h = frame.format.header;
    if (h.biWidth <= 0 || h.biHeight <= 0 || frame.bits.size() < size_t(DibStride(h.biWidth, h.biBitCount)) * size_t(h.biHeight))
        return {};
    BITMAPINFOHEADER out = h;
    out.biSizeImage = DibStride(h.biWidth, h.biBitCount) * uint32_t(h.biHeight);
    out.biClrUsed = DWORD(frame.format.colours.size());
    out.biXPelsPerMeter = out.biYPelsPerMeter = 0;
    std::vector<BYTE> dib(sizeof out + frame.format.colours.size() * sizeof(RGBQUAD) + out.biSizeImage);
    BYTE* p = dib.data();
    std::memcpy(p, &out, sizeof out);
    p += sizeof out;
    if (!frame.format.colours.empty())
        std::memcpy(p, frame.format.colours.data(), frame.format.colours.size() * sizeof(RGBQUAD));
    p += frame.format.colours.size() * sizeof(RGBQUAD);
    std::memcpy(p, frame.bits.data(), out.biSizeImage);
    return dib;
}

std::vector<BYTE> BmpFileImage(const Frame& frame)
{
    std::vector<BYTE> dib = PackedDib(frame);
    if (dib.empty())
        return {};
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;   // "BM"
    fh.bfSize = DWORD(sizeof fh + dib.size());
    fh.bfOffBits = DWORD(sizeof fh + sizeof(BITMAPINFOHEADER) + frame.format.colours.size() * sizeof(RGBQUAD));
    std::vector<BYTE> file(sizeof fh);
    std::memcpy(file.data(), &fh, sizeof fh);
    file.insert(file.end(), dib.begin(), dib.end());
    return file;
}

bool WriteBmpFile(const Frame& frame, const std::string& path)
{
    std::vector<BYTE> file = BmpFileImage(frame);
    if (file.empty() || path.empty())
        return false;
    return velmora::WriteStreamAtomically(path, [&file](FILE* out) {
        return std::fwrite(file.data(), 1, file.size(), out) == file.size();
    });
}

}  // namespace capture
