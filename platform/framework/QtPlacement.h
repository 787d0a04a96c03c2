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

// Puts the frame's outer corner at `outer`'s top-left and, with `sizeToo`, makes
// the frame's outer size `outer`'s size for the frame known now. A window not
// yet shown asks the window manager to put its frame's corner there.
void PlaceOuterRect(QWidget* window, const CRect& outer, bool sizeToo = true);

// The rectangle moved, not resized, so that its title bar can be grabbed on a
// screen of that size: its top on the screen, and at least a grip's width of
// it across the screen.
CRect KeepTitleBarOnScreen(const CRect& outer, CSize screen);
