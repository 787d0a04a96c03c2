#include "framework/QtDib.h"

#include "gdi/DibView.h"

#include <algorithm>
#include <cstring>

namespace {

QImage::Format RowFormat(WORD bitCount)
{
    switch (bitCount) {
    case 24: return QImage::Format_BGR888;
    case 16: return QImage::Format_RGB555;
    case 8:
    case 4: return QImage::Format_Indexed8;
    default: return QImage::Format_Invalid;
    }
}

// One row of `view` into an 8-bit index row (4- and 8-bit pictures).
void IndexRow(const DibView& view, int32_t top, uchar* out)
{
    const uint8_t* row = view.Row(top);
    for (int32_t x = 0; x < view.width; ++x)
        out[x] = view.bitCount == 8 ? row[x] : (x & 1) ? row[x >> 1] & 15 : row[x >> 1] >> 4;
}

}  // namespace

QImage DibViewToImage(const DibView& view)
{
    const QImage::Format format = RowFormat(view.bitCount);
    if (format == QImage::Format_Invalid || view.width <= 0 || view.height <= 0)
        return {};
    QImage image(view.width, view.height, format);
    if (image.isNull())
        return {};
    const bool indexed = format == QImage::Format_Indexed8;
    if (indexed) {
        QVector<QRgb> table(256, qRgb(0, 0, 0));
        for (uint32_t i = 0; i < 256 && i < (1u << view.bitCount); ++i) {
            const RGBQUAD q = view.Colour(i);
            table[int(i)] = qRgb(q.rgbRed, q.rgbGreen, q.rgbBlue);
        }
        image.setColorTable(table);
    }
    const size_t rowBytes = std::min<size_t>(view.stride, size_t(image.bytesPerLine()));
    for (int32_t y = 0; y < view.height; ++y) {
        if (indexed)
            IndexRow(view, y, image.scanLine(y));
        else
            std::memcpy(image.scanLine(y), view.Row(y), rowBytes);
    }
    return image;
}
