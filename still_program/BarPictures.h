// The still program's pictures: the tool bar strips (bitmap 220 with the mail
// button's picture, bitmap 2 without it) and bitmap 230, which the view shows
// where the camera's picture would be when there is no camera. All are drawn
// here rather than loaded, so they stay sharp at any device pixel ratio.
#pragma once

#include "resource.h"

#include <QIcon>
#include <QPixmap>

class QPainter;
class QRectF;

// Logical size of one tool bar picture.
constexpr int kBarPictureSize = 24;

// How many pictures the strip holds (0 for an unknown strip).
int BarStripCount(UINT bitmapId);
// The command whose picture sits at `index` of the strip, 0 when none.
UINT BarStripCommand(UINT bitmapId, int index);
// Picture `index` of the strip, drawn for one and two device pixels per
// pixel; a null icon past the strip's end.
QIcon BarStripPicture(UINT bitmapId, int index);

// Bitmap 230 drawn into `area` (its natural size is 160 x 120).
void DrawNoCameraPicture(QPainter& painter, const QRectF& area);
