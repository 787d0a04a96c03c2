// The capture window's picture: a widget that shows the latest frame at the
// widget's size.
#pragma once

#include "capture/driver.h"

#include <QImage>
#include <QWidget>

namespace capture {

class CaptureWindow;

// A frame as a picture Qt can draw (null for a format it cannot hold).
QImage FrameToImage(const Frame& frame);

class CaptureView : public QWidget {
public:
    explicit CaptureView(QWidget* parent = nullptr);
    ~CaptureView() override;
    // Shows every frame the window grabs from now on (null detaches).
    void Attach(CaptureWindow* window);
    void ShowFrame(const Frame& frame);
    const QImage& Picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CaptureWindow* m_window = nullptr;
    QImage m_picture;
};

}  // namespace capture
