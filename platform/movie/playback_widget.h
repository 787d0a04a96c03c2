// The playback window on screen: the picture scaled into the window above a
// play bar of Qt controls that mirror the window's button and slider, and
// right-button presses passed to the window.
#pragma once

#include <QImage>
#include <QWidget>

class QLabel;

namespace movie {

class PlaybackWindow;

// A packed DIB (header, colour table, bottom-up or top-down rows) as a Qt
// picture; null for bytes that do not hold one.
QImage DibToImage(const uint8_t* dib, size_t size);

class PlaybackWidget : public QWidget {
public:
    // Shows `window` inside `parent` (the widget of the window's parent) from
    // now on; the window must outlive the widget.
    PlaybackWidget(PlaybackWindow& window, QWidget* parent = nullptr);
    ~PlaybackWidget() override;

    const QImage& Picture() const { return m_image; }
    QString TimeText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void Sync();

    PlaybackWindow& m_window;
    QLabel* m_time = nullptr;
    QImage m_image;
    uint64_t m_imageSerial = UINT64_MAX;   // the window's picture m_image was made from
};

}  // namespace movie
