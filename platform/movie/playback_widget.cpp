#include "movie/playback_widget.h"

#include "framework/QtDib.h"
#include "framework/QtFrame.h"
#include "gdi/DibView.h"
#include "movie/playback_window.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

namespace movie {

QImage DibToImage(const uint8_t* dib, size_t size)
{
    DibView view;
    return ViewPackedDib(dib, size, view) == DibCheck::Ok ? DibViewToImage(view) : QImage();
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
