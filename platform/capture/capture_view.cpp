#include "capture/capture_view.h"

#include "capture/capture_window.h"

#include <QPainter>

namespace capture {

QImage FrameToImage(const Frame& frame)
{
    const BITMAPINFOHEADER& h = frame.format.header;
    const int w = h.biWidth, ht = h.biHeight;
    const uint32_t stride = DibStride(w, h.biBitCount);
    if (w <= 0 || ht <= 0 || frame.bits.size() < size_t(stride) * ht)
        return {};
    QImage image;
    switch (h.biBitCount) {
    case 24:
        image = QImage(frame.bits.data(), w, ht, int(stride), QImage::Format_BGR888);
        break;
    case 16:
        image = QImage(frame.bits.data(), w, ht, int(stride), QImage::Format_RGB555);
        break;
    case 8:
    case 4: {
        image = QImage(w, ht, QImage::Format_Indexed8);
        QVector<QRgb> table;
        for (const RGBQUAD& q : frame.format.colours)
            table.push_back(qRgb(q.rgbRed, q.rgbGreen, q.rgbBlue));
        table.resize(h.biBitCount == 8 ? 256 : 16);
        image.setColorTable(table);
        for (int y = 0; y < ht; ++y) {
            const BYTE* src = frame.bits.data() + size_t(stride) * y;
            uchar* dst = image.scanLine(y);
            for (int x = 0; x < w; ++x)
                dst[x] = h.biBitCount == 8 ? src[x] : ((x & 1) ? src[x >> 1] & 15 : src[x >> 1] >> 4);
        }
        break;
    }
    default:
        return {};
    }
    // DIB rows run bottom-up; the copy also detaches from the frame's memory.
    return image.mirrored(false, true);
}

CaptureView::CaptureView(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

CaptureView::~CaptureView() { Attach(nullptr); }

void CaptureView::Attach(CaptureWindow* window)
{
    if (m_window)
        m_window->SetFrameShownHandler(nullptr);
    m_window = window;
    if (m_window)
        m_window->SetFrameShownHandler([this](const Frame& frame) { ShowFrame(frame); });
}

void CaptureView::ShowFrame(const Frame& frame)
{
    m_picture = FrameToImage(frame);
    update();
}

void CaptureView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_picture.isNull())
        painter.fillRect(rect(), Qt::black);
    else
        painter.drawImage(rect(), m_picture);
}

}  // namespace capture
