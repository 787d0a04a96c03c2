// The "Film Roll" window's icon (117): a strip of film with two pictures on it,
// drawn for any size so it stays sharp at every screen scale.
#pragma once

#include <QIcon>

class QPainter;
class QRectF;

// The icon's logical size when the minimised window draws it.
constexpr int kFilmIconSize = 32;

void PaintFilmRollIcon(QPainter& painter, const QRectF& box);
// The icon drawn at 16 to 64 pixels (so 32 at 2x), for the window's title and task bar.
QIcon FilmRollIcon();
