// Owned top-level windows: the window manager keeps an owned window above its
// owner and minimises it with it.
#pragma once

class QWidget;

// Makes `owner`'s top-level window the owner of the top-level `window`, also
// when `window` is already on screen. Qt hands a transient parent to the X
// server only when a window is shown, so for a shown window the owner hint is
// written directly, at every call: a window manager that did not manage the
// owner yet when first told needs telling again. Nothing happens while either
// has no native window.
void SetWindowOwner(QWidget* window, QWidget* owner);
