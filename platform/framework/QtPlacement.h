// Top-level windows on the screen. The logic's rectangle of a window without a
// parent is the outer rectangle of the frame the window manager draws around
// it, title bar included, as every stored placement is; Qt's own geometry of a
// window is its client area inside that frame.
#pragma once

#include "types/geometry.h"

#include <QMargins>

class QWidget;

// The frame around the widget's window as far as it is known: none before the
// window is shown, offscreen, or without a window manager.
QMargins FrameMargins(const QWidget* window);

// The window's outer rectangle on the screen.
CRect OuterRect(const QWidget* window);

// One top-level window's place on the screen, kept by its frame's outer corner.
class TopLevelPlacement {
public:
    // Puts the frame's outer corner at `outer`'s top-left and, with `sizeToo`,
    // makes the frame's outer size `outer`'s size for the frame known now.
    // `evenIfThere` asks for the place even when Qt has the window there
    // already (a window just made, whose place Qt has not passed on).
    void Place(QWidget* window, const CRect& outer, bool sizeToo = true, bool evenIfThere = false);

    // The frame's outer size `outer` for the frame known now.
    void Resize(QWidget* window, CSize outer);

    enum class Moved {
        ByUser,   // moved by the user, or by the window manager on its own: the new place
        Framed,   // the window manager framed it (or framed it anew)
    };
    // Every move or resize of the window comes here first.
    Moved OnMoved(const QWidget* window);

private:
    QMargins m_frame;   // the frame around the window when last seen
};

// The rectangle moved, not resized, so that its title bar can be grabbed on a
// screen of that size: its top on the screen, and at least a grip's width of
// it across the screen.
CRect KeepTitleBarOnScreen(const CRect& outer, CSize screen);
