#include "movie/playback_widget.h"

#include "framework/QtFrame.h"
#include "gdi/DibView.h"
#include "movie/playback_window.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cstring>

namespace movie {

namespace {

// One row of `view` into an 8-bit index row (4- and 8-bit pictures).
void IndexRow(const DibView& view, int32_t top, uchar* out)
{
    const uint8_t* row = view.Row(top);
    for (int32_t x = 0; x < view.width; ++x)
        out[x] = view.bitCount == 8 ? row[x] : (x & 1) ? row[x >> 1] & 15 : row[x >> 1] >> 4;
}

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

}  // namespace

QImage DibToImage(const uint8_t* dib, size_t size)
{
    DibView view;
    if (ViewPackedDib(dib, size, view) != DibCheck::Ok)
        return {};
    const QImage::Format format = RowFormat(view.bitCount);
    if (format == QImage::Format_Invalid)
        return {};
    QImage image(view.width, view.height, format);
    if (image.isNull())
        return {};
    if (format == QImage::Format_Indexed8) {
        QVector<QRgb> table(256, qRgb(0, 0, 0));
        for (uint32_t i = 0; i < 256 && i < (1u << view.bitCount); ++i) {
            const RGBQUAD q = view.Colour(i);
            table[int(i)] = qRgb(q.rgbRed, q.rgbGreen, q.rgbBlue);
        }
        image.setColorTable(table);
    }
    const size_t rowBytes = std::min<size_t>(view.stride, size_t(image.bytesPerLine()));
    for (int32_t y = 0; y < view.height; ++y) {
        if (format == QImage::Format_Indexed8)
            IndexRow(view, y, image.scanLine(y));
        else
            std::memcpy(image.scanLine(y), view.Row(y), rowBytes);
    }
    return image;
}

PlaybackWidget::PlaybackWidget(PlaybackWindow& window, QWidget* parent) : QWidget(parent), m_window(window)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    MirrorButton(window.PlayButton(), this);
    MirrorSlider(window.Slider(), this);
    m_time = new QLabel(this);
    m_time->setAlignment(Qt::AlignCenter);
    window.onChanged = [this] { Sync(); };
    Sync();
}

PlaybackWidget::~PlaybackWidget()
{
    m_window.onChanged = nullptr;
    m_window.PlayButton().onChanged = nullptr;
    m_window.Slider().onChanged = nullptr;
}

QString PlaybackWidget::TimeText() const { return m_time->text(); }

void PlaybackWidget::Sync()
{
    setGeometry(GeometryInParent(m_window));
    setVisible(m_window.m_hWnd && m_window.IsWindowVisible());
    const int barTop = height() - PlaybackWindow::kPlayBarHeight;
    m_time->setGeometry(width() - PlaybackWindow::kTimeWidth, barTop, PlaybackWindow::kTimeWidth,
                        PlaybackWindow::kPlayBarHeight);
    m_time->setText(QString::fromStdString(m_window.TimeText()));
    const std::vector<uint8_t>& picture = m_window.Picture();
    // Converted once a frame, not on every repaint.
    if (m_window.PictureSerial() != m_imageSerial) {
        m_image = picture.empty() ? QImage() : DibToImage(picture.data(), picture.size());
        m_imageSerial = m_window.PictureSerial();
    }
    update();
}

void PlaybackWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    const CRect r = m_window.PictureRect();
    const QRect area(int(r.left), int(r.top), int(r.Width()), int(r.Height()));
    painter.fillRect(QRect(0, 0, width(), height() - PlaybackWindow::kPlayBarHeight), Qt::black);
    if (!m_image.isNull() && !area.isEmpty())
        painter.drawImage(area, m_image);
}

void PlaybackWidget::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::RightButton)
        return QWidget::mousePressEvent(event);
    const QPoint p = event->position().toPoint();
    m_window.SendMessage(WM_RBUTTONDOWN, 0, LPARAM(MAKELONG(WORD(p.x()), WORD(p.y()))));
}

}  // namespace movie
