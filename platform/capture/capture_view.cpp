#include "capture/capture_view.h"

#include "capture/capture_window.h"
#include "framework/QtDib.h"
#include "gdi/DibView.h"

#include <QPainter>

namespace capture {

QImage FrameToImage(const Frame& frame)
{
    const BITMAPINFOHEADER& h = frame.format.header;
    const uint32_t stride = DibStride(h.biWidth, h.biBitCount);
    if (h.biWidth <= 0 || h.biHeight <= 0 || frame.bits.size() < size_t(stride) * h.biHeight)
        return {};
    // Bottom-up rows with the format's colour table, as the frame holds them.
    DibView view;
    view.width = h.biWidth;
    view.height = h.biHeight;
    view.bitCount = h.biBitCount;
    view.colours = reinterpret_cast<const uint8_t*>(frame.format.colours.data());
    view.colourCount = uint32_t(frame.format.colours.size());
    view.bits = frame.bits.data();
    view.stride = stride;
    view.imageBytes = size_t(stride) * h.biHeight;
    return DibViewToImage(view);
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
