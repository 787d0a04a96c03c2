#include "BarPictures.h"

#include "Displays.h"
#include "resource.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <array>
#include <iterator>

namespace {

// The strips in button order: the picture of a button is found by its place
// among the buttons, separators not counted.
constexpr UINT kMailStrip[] = {ID_SEND_FILMROLL, ID_SEND_FILE, ID_SEND_CLIPBOARD, ID_SEND_MAIL,
                               ID_CAMERA_ADJUSTMENTS, ID_IMAGE_SIZE};
constexpr UINT kPlainStrip[] = {ID_SEND_FILMROLL, ID_SEND_FILE, ID_SEND_CLIPBOARD, ID_CAMERA_ADJUSTMENTS,
                                ID_IMAGE_SIZE};

// Pictures are drawn on a 24-unit grid: fills on whole units, one-unit lines
// on half units, so both one and two device pixels per unit land on pixels.
QPen Line(const QColor& colour, qreal width = 1.0)
{
    QPen pen(colour, width);
    pen.setJoinStyle(Qt::MiterJoin);
    pen.setCapStyle(Qt::SquareCap);
    return pen;
}

void Box(QPainter& p, const QRectF& r, const QColor& fill, const QColor& edge)
{
    p.fillRect(r, fill);
    p.setPen(Line(edge));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(0.5, 0.5, -0.5, -0.5));
}

// A small landscape: sky with a green hill, as a picture in a frame.
void Landscape(QPainter& p, const QRectF& r)
{
    p.fillRect(r, QColor(0x8e, 0xc9, 0xff));
    p.fillRect(QRectF(r.left(), r.bottom() - r.height() / 3, r.width(), r.height() / 3), QColor(0x4c, 0xa8, 0x3c));
}

void FilmStrip(QPainter& p)
{
    p.fillRect(QRectF(1, 5, 22, 14), QColor(0x2a, 0x2a, 0x2e));
    for (int x = 3; x <= 19; x += 4) {
        p.fillRect(QRectF(x, 6, 2, 2), Qt::white);
        p.fillRect(QRectF(x, 16, 2, 2), Qt::white);
    }
    Landscape(p, QRectF(3, 9, 8, 6));
    Landscape(p, QRectF(13, 9, 8, 6));
}

void Disk(QPainter& p)
{
    const QColor blue(0x2f, 0x5f, 0xb3), dark(0x1d, 0x3d, 0x78);
    QPainterPath body;
    body.moveTo(3.5, 3.5);
    body.lineTo(18.5, 3.5);
    body.lineTo(20.5, 5.5);
    body.lineTo(20.5, 20.5);
    body.lineTo(3.5, 20.5);
    body.closeSubpath();
    p.setPen(Line(dark));
    p.setBrush(blue);
    p.drawPath(body);
    p.fillRect(QRectF(7, 4, 10, 6), QColor(0xc8, 0xcc, 0xd2));
    p.fillRect(QRectF(13, 5, 2, 4), dark);
    p.fillRect(QRectF(6, 12, 12, 8), Qt::white);
    p.setPen(Line(QColor(0x9a, 0xa6, 0xb4)));
    for (qreal y : {14.5, 16.5, 18.5})
        p.drawLine(QPointF(8, y), QPointF(16, y));
}

void Clipboard(QPainter& p)
{
    Box(p, QRectF(4, 4, 16, 18), QColor(0xb5, 0x79, 0x3f), QColor(0x7a, 0x4f, 0x25));
    p.fillRect(QRectF(6, 7, 12, 13), Qt::white);
    p.setPen(Line(QColor(0x7a, 0x8e, 0xa8)));
    for (qreal y : {10.5, 13.5, 16.5})
        p.drawLine(QPointF(8, y), QPointF(15, y));
    Box(p, QRectF(9, 2, 6, 4), QColor(0xb8, 0xbe, 0xc6), QColor(0x5b, 0x61, 0x68));
}

void Envelope(QPainter& p)
{
    const QColor edge(0x6e, 0x5a, 0x30);
    Box(p, QRectF(2, 5, 20, 14), QColor(0xff, 0xf4, 0xd6), edge);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Line(QColor(0xb0, 0x98, 0x62)));
    p.drawLine(QPointF(2.5, 18.5), QPointF(9.5, 12.5));
    p.drawLine(QPointF(21.5, 18.5), QPointF(14.5, 12.5));
    p.setPen(Line(edge));
    p.drawPolyline(QPolygonF({QPointF(2.5, 5.5), QPointF(12, 14), QPointF(21.5, 5.5)}));
    p.setRenderHint(QPainter::Antialiasing, false);
}

void Sliders(QPainter& p)
{
    const QColor track(0x55, 0x5a, 0x60), knob(0xe0, 0x7b, 0x24), knobEdge(0x8a, 0x45, 0x10);
    const std::array<std::pair<int, int>, 3> knobs = {{{6, 14}, {12, 6}, {18, 16}}};
    for (auto [x, y] : knobs) {
        p.fillRect(QRectF(x, 3, 1, 18), track);
        Box(p, QRectF(x - 2, y, 5, 4), knob, knobEdge);
    }
}

void FrameWithArrows(QPainter& p)
{
    Landscape(p, QRectF(7, 7, 10, 10));
    p.setPen(Line(QColor(0x40, 0x40, 0x40)));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(6.5, 6.5, 11, 11));
    const QColor arrow(0x1d, 0x5f, 0xbf);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setBrush(arrow);
    // Each corner: a head pointing out and a shaft back to the frame.
    for (int corner = 0; corner < 4; ++corner) {
        const qreal sx = (corner & 1) ? -1 : 1, sy = (corner & 2) ? -1 : 1;
        const QPointF tip(corner & 1 ? 23 : 1, corner & 2 ? 23 : 1);
        p.setPen(Qt::NoPen);
        p.drawPolygon(QPolygonF({tip, tip + QPointF(5 * sx, 0), tip + QPointF(0, 5 * sy)}));
        p.setPen(Line(arrow, 1.5));
        p.drawLine(tip + QPointF(2 * sx, 2 * sy), tip + QPointF(5 * sx, 5 * sy));
    }
    p.setRenderHint(QPainter::Antialiasing, false);
}

void DrawCommand(QPainter& p, UINT command)
{
    switch (command) {
    case ID_SEND_FILMROLL: FilmStrip(p); break;
    case ID_SEND_FILE: Disk(p); break;
    case ID_SEND_CLIPBOARD: Clipboard(p); break;
    case ID_SEND_MAIL: Envelope(p); break;
    case ID_CAMERA_ADJUSTMENTS: Sliders(p); break;
    case ID_IMAGE_SIZE: FrameWithArrows(p); break;
    default: break;
    }
}

QPixmap Render(UINT command, int ratio)
{
    QPixmap pixmap(kBarPictureSize * ratio, kBarPictureSize * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    DrawCommand(p, command);
    return pixmap;
}

} // namespace

int BarStripCount(UINT bitmapId)
{
    if (bitmapId == IDB_TOOLBAR_MAIL)
        return int(std::size(kMailStrip));
    if (bitmapId == IDB_TOOLBAR)
        return int(std::size(kPlainStrip));
    return 0;
}

UINT BarStripCommand(UINT bitmapId, int index)
{
    if (index < 0 || index >= BarStripCount(bitmapId))
        return 0;
    return bitmapId == IDB_TOOLBAR_MAIL ? kMailStrip[index] : kPlainStrip[index];
}

QIcon BarStripPicture(UINT bitmapId, int index)
{
    const UINT command = BarStripCommand(bitmapId, index);
    if (!command)
        return QIcon();
    QIcon icon;
    icon.addPixmap(Render(command, 1));
    icon.addPixmap(Render(command, 2));
    return icon;
}

void DrawNoCameraPicture(QPainter& p, const QRectF& area)
{
    p.save();
    p.fillRect(area, QColor(0x22, 0x25, 0x2a));
    p.translate(area.topLeft());
    p.scale(area.width() / 160.0, area.height() / 120.0);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QColor body(0x8a, 0x90, 0x98);
    p.setPen(Qt::NoPen);
    p.setBrush(body);
    p.drawRoundedRect(QRectF(46, 40, 68, 46), 6, 6);
    p.drawRect(QRectF(66, 32, 22, 10));
    p.setBrush(QColor(0x22, 0x25, 0x2a));
    p.drawEllipse(QPointF(80, 63), 16, 16);
    p.setBrush(body.darker(140));
    p.drawEllipse(QPointF(80, 63), 10, 10);
    QPen slash(QColor(0xd8, 0x3a, 0x2e), 7);
    slash.setCapStyle(Qt::RoundCap);
    p.setPen(slash);
    p.drawLine(QPointF(42, 96), QPointF(118, 26));
    p.restore();
}

namespace {

// The indicators are drawn in whole units with no smoothing, so every pixel
// is either the picture's or exactly the clear colour at any ratio.
QImage ClearCanvas(CSize size, int ratio)
{
    QImage image(int(size.cx) * ratio, int(size.cy) * ratio, QImage::Format_ARGB32);
    image.fill(kClearColour);
    return image;
}

// Segments a-g of each digit, a the top, then clockwise, g the middle.
constexpr unsigned char kSegments[10] = {0x3f, 0x06, 0x5b, 0x4f, 0x66, 0x6d, 0x7d, 0x07, 0x7f, 0x6f};

void Digit(QPainter& p, int digit)
{
    const QColor lit(0xff, 0xd8, 0x40);
    const QRect segments[7] = {{3, 2, 6, 2},  {8, 3, 2, 7},  {8, 10, 2, 7}, {3, 16, 6, 2},
                               {2, 10, 2, 7}, {2, 3, 2, 7},  {3, 9, 6, 2}};
    for (int i = 0; i < 7; ++i)
        if (kSegments[digit] & (1u << i))
            p.fillRect(segments[i], lit);
}

void CountdownBackground(QPainter& p)
{
    const int w = int(kCountdownSize.cx), h = int(kCountdownSize.cy);
    p.fillRect(QRect(0, 0, w, h), QColor(0x5c, 0x62, 0x6a));
    p.fillRect(QRect(1, 1, w - 2, h - 2), QColor(0x1e, 0x20, 0x24));
    // Cut corners: the view shows through them.
    for (QPoint corner : {QPoint(0, 0), QPoint(w - 1, 0), QPoint(0, h - 1), QPoint(w - 1, h - 1)})
        p.fillRect(QRect(corner, QSize(1, 1)), QColor::fromRgb(kClearColour));
    // A stopwatch in the first digit's place.
    const QColor face(0xd8, 0xdc, 0xe0);
    p.fillRect(QRect(5, 5, 2, 2), face);
    p.fillRect(QRect(3, 8, 6, 10), face);
    p.fillRect(QRect(5, 10, 2, 4), QColor(0x1e, 0x20, 0x24));
}

void AutoCaptureFrame(QPainter& p, int frame)
{
    const QColor body(0x9a, 0xa0, 0xa8), dark(0x2a, 0x2d, 0x32), dim(0x55, 0x58, 0x5e), lit(0xe8, 0x3a, 0x2e);
    p.fillRect(QRect(2, 9, 20, 13), body);
    p.fillRect(QRect(8, 7, 8, 2), body);
    p.fillRect(QRect(8, 12, 8, 8), dark);
    p.fillRect(QRect(10, 14, 4, 4), QColor(0x4a, 0x7a, 0xc0));
    // One light a frame, moving left to right: the program is waiting.
    for (int i = 0; i < kAutoCaptureFrames; ++i)
        p.fillRect(QRect(5 + 6 * i, 2, 3, 3), i == frame ? lit : dim);
}

// Copies the picture's own pixels of `piece` onto `out` at `at` (in units).
void Overlay(QImage& out, const QImage& piece, QPoint at, int ratio)
{
    const int ox = at.x() * ratio, oy = at.y() * ratio;
    for (int y = 0; y < piece.height() && oy + y < out.height(); ++y)
        for (int x = 0; x < piece.width() && ox + x < out.width(); ++x)
            if (piece.pixel(x, y) != kClearColour)
                out.setPixel(ox + x, oy + y, piece.pixel(x, y));
}

QImage OnBackground(QImage image, const QColor& background, int ratio)
{
    const QRgb fill = background.rgba();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == kClearColour)
                image.setPixel(x, y, fill);
    image.setDevicePixelRatio(ratio);
    return image;
}

}  // namespace

UINT DigitBitmap(int digit)
{
    if (digit < 0 || digit > 9)
        return 0;
    return digit < 2 ? IDB_DIGIT_0 + UINT(digit) : IDB_DIGIT_2 + UINT(digit - 2);
}

QImage IndicatorBitmap(UINT bitmapId, int ratio)
{
    QImage image;
    if (bitmapId >= IDB_AUTO_FRAME_1 && bitmapId <= IDB_AUTO_FRAME_3)
        image = ClearCanvas(kAutoCaptureSize, ratio);
    else if (bitmapId == IDB_COUNTDOWN)
        image = ClearCanvas(kCountdownSize, ratio);
    else if (bitmapId >= IDB_DIGIT_2 && bitmapId <= IDB_DIGIT_1)
        image = ClearCanvas(CSize(kDigitWidth, kDigitHeight), ratio);
    else
        return image;
    QPainter p(&image);
    p.scale(ratio, ratio);
    if (bitmapId == IDB_COUNTDOWN)
        CountdownBackground(p);
    else if (bitmapId <= IDB_AUTO_FRAME_3)
        AutoCaptureFrame(p, int(bitmapId - IDB_AUTO_FRAME_1));
    else
        Digit(p, bitmapId >= IDB_DIGIT_0 ? int(bitmapId - IDB_DIGIT_0) : int(bitmapId - IDB_DIGIT_2) + 2);
    return image;
}

QImage CountdownPicture(int seconds, const QColor& background, int ratio)
{
    seconds = std::clamp(seconds, 0, 99);
    QImage out = ClearCanvas(kCountdownSize, ratio);
    const int top = (int(kCountdownSize.cy) - kDigitHeight) / 2;
    Overlay(out, IndicatorBitmap(IDB_COUNTDOWN, ratio), QPoint(0, 0), ratio);
    Overlay(out, IndicatorBitmap(DigitBitmap(seconds / 10), ratio), QPoint(kDigitWidth, top), ratio);
    Overlay(out, IndicatorBitmap(DigitBitmap(seconds % 10), ratio), QPoint(2 * kDigitWidth, top), ratio);
    return OnBackground(out, background, ratio);
}

QImage AutoCapturePicture(int frame, const QColor& background, int ratio)
{
    QImage out = ClearCanvas(kAutoCaptureSize, ratio);
    const UINT id = IDB_AUTO_FRAME_1 + UINT(((frame % kAutoCaptureFrames) + kAutoCaptureFrames) % kAutoCaptureFrames);
    Overlay(out, IndicatorBitmap(id, ratio), QPoint(0, 0), ratio);
    return OnBackground(out, background, ratio);
}
