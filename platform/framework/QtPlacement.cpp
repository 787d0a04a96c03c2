#include "framework/QtPlacement.h"

#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace {
// Enough of a title bar to take hold of, and the height of one.
constexpr LONG kGripWidth = 64;
constexpr LONG kTitleHeight = 32;
}  // namespace

QMargins FrameMargins(const QWidget* window)
{
    const QWindow* handle = window ? window->windowHandle() : nullptr;
    if (!handle)
        return {};
    return handle->frameMargins();
}

CRect OuterRect(const QWidget* window)
{
    const QRect inner = window->geometry();
    const QMargins m = FrameMargins(window);
    return CRect(inner.left() - m.left(), inner.top() - m.top(), inner.left() + inner.width() + m.right(),
                 inner.top() + inner.height() + m.bottom());
}

void PlaceOuterRect(QWidget* window, const CRect& outer, bool sizeToo)
{
    const QMargins m = FrameMargins(window);
    const QPoint corner(int(outer.left), int(outer.top));
    const QSize client = sizeToo ? QSize(std::max(1, int(outer.Width()) - m.left() - m.right()),
                                         std::max(1, int(outer.Height()) - m.top() - m.bottom()))
                                 : window->size();
    QWindow* handle = window->windowHandle();
    if (!handle) {
        // Not made yet: Qt asks the window manager to put the frame's corner
        // there (north-west gravity) when it makes the window.
        window->move(corner);
        window->resize(client);
    } else if (m.isNull()) {
        // Made, its frame (if any) still to come: the same request, now.
        handle->setFramePosition(corner);
        window->resize(client);
    } else {
        // Framed: the client inside the frame as the platform knows it now
        // (QWidget::move() may still go by the frame it knew before).
        window->setGeometry(QRect(corner + QPoint(m.left(), m.top()), client));
    }
}

CRect KeepTitleBarOnScreen(const CRect& outer, CSize screen)
{
    CRect r = outer;
    const LONG grip = std::min(kGripWidth, std::max<LONG>(r.Width(), 1));
    const LONG lowestTop = std::max<LONG>(0, screen.cy - kTitleHeight);
    const LONG top = std::clamp<LONG>(r.top, 0, lowestTop);
    const LONG left = std::clamp<LONG>(r.left, grip - r.Width(), std::max<LONG>(0, screen.cx - grip));
    r.OffsetRect(left - r.left, top - r.top);
    return r;
}
