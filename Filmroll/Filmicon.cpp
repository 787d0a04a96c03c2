#include "Filmicon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <algorithm>
#include <cmath>

namespace {

// One picture on the strip: sky, a sun and a green hill.
void PaintFramePicture(QPainter& p, const QRectF& r)
{
    QLinearGradient sky(r.topLeft(), r.bottomLeft());
    sky.setColorAt(0, QColor(70, 140, 230));
    sky.setColorAt(1, QColor(170, 215, 250));
    p.fillRect(r, sky);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 205, 40));
    const double sun = r.height() * 0.26;
    p.drawEllipse(QPointF(r.right() - sun * 1.2, r.top() + sun * 1.2), sun * 0.8, sun * 0.8);
    QPainterPath hill;
    hill.moveTo(r.left(), r.bottom());
    hill.lineTo(r.left(), r.top() + r.height() * 0.7);
    hill.quadTo(r.left() + r.width() * 0.45, r.top() + r.height() * 0.3, r.right(), r.top() + r.height() * 0.75);
    hill.lineTo(r.right(), r.bottom());
    hill.closeSubpath();
    p.setBrush(QColor(60, 160, 70));
    p.drawPath(hill);
}

} // namespace

// Edges on whole pixels keep the small sizes crisp.
QRectF Snapped(double x, double y, double w, double h)
{
    double left = std::round(x), top = std::round(y);
    return QRectF(left, top, std::max(1.0, std::round(x + w) - left), std::max(1.0, std::round(y + h) - top));
}

void PaintFilmRollIcon(QPainter& p, const QRectF& box)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const double s = std::min(box.width(), box.height());
    const QRectF strip = Snapped(box.left() + s * 0.03, box.top() + s * 0.2, s * 0.94, s * 0.6);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(25, 25, 28));
    p.drawRoundedRect(strip, s * 0.06, s * 0.06);

    // Sprocket holes: a row along each edge, in step with the frames.
    const double hole = std::max(2.0, std::round(s * 0.07)), edge = std::round(strip.height() * 0.2);
    p.setBrush(QColor(225, 225, 225));
    for (int i = 0; i < 6; ++i) {
        double x = strip.left() + strip.width() * (i + 0.5) / 6 - hole / 2;
        double radius = hole * 0.25;
        p.drawRoundedRect(Snapped(x, strip.top() + (edge - hole) / 2, hole, hole), radius, radius);
        p.drawRoundedRect(Snapped(x, strip.bottom() - (edge + hole) / 2, hole, hole), radius, radius);
    }
    const double gap = std::max(1.0, std::round(s * 0.05));
    const double w = (strip.width() - 3 * gap) / 2;
    for (int k = 0; k < 2; ++k)
        PaintFramePicture(p, Snapped(strip.left() + gap + k * (w + gap), strip.top() + edge, w, strip.height() - 2 * edge));
    p.restore();
}

QIcon FilmRollIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        PaintFilmRollIcon(p, QRectF(0, 0, size, size));
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
