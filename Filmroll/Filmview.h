// The "Film Roll" window on screen: a Qt widget that draws the strip from the
// window's paint plan and turns clicks, the scroll bar, Esc and the close box
// into the window's own input.
#pragma once

#include <QWidget>

class CFilmSnapDlg;

// The strip's drawing, for a widget or an image of any scale.
void PaintFilmStrip(QPainter& painter, CFilmSnapDlg& dialog);
