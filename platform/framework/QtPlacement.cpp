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

namespace {
QPoint Corner(const QWidget* window)
{
    const CRect r = OuterRect(window);
    return QPoint(int(r.left), int(r.top));
}
}  // namespace

void TopLevelPlacement::Place(QWidget* window, const CRect& outer, bool sizeToo, bool evenIfThere)
{
    m_frame = FrameMargins(window);
    const QPoint corner(int(outer.left), int(outer.top));
    // Already there: nothing to ask for. A window manager may take a request
    // for a window on screen as one for its client area.
    if (evenIfThere || Corner(window) != corner) {
        // Qt asks the window manager to put the frame's corner there
        // (north-west gravity, chosen when the window is shown): before the
        // window is made through move(), afterwards through its QWindow.
        // QWidget::move() on a made window asks for the client's place by the
        // frame Qt last knew; a hidden one still needs it, or showing it
        // would put Qt's older idea of its place back.
        QWindow* handle = window->windowHandle();
        const bool made = handle && handle->handle();
        if (!made || !window->isVisible())
            window->move(corner);
        if (made)
            handle->setFramePosition(corner);
    }
    if (sizeToo)
        Resize(window, outer.Size());
}

void TopLevelPlacement::Resize(QWidget* window, CSize outer)
{
    m_frame = FrameMargins(window);
    window->resize(std::max(1, int(outer.cx) - m_frame.left() - m_frame.right()),
                   std::max(1, int(outer.cy) - m_frame.top() - m_frame.bottom()));
}

TopLevelPlacement::Moved TopLevelPlacement::OnMoved(const QWidget* window)
{
    const QMargins frame = FrameMargins(window);
    if (frame == m_frame)
        return Moved::ByUser;
    m_frame = frame;
    return Moved::Framed;
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
