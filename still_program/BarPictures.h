// The still program's pictures: the tool bar strips (bitmap 220 with the mail
// button's picture, bitmap 2 without it), bitmap 230, which the view shows
// where the camera's picture would be when there is no camera, and the
// indicators' bitmaps. All are drawn here rather than loaded, so they stay
// sharp at any device pixel ratio.
#pragma once

#include "resource.h"

#include <QColor>
#include <QIcon>
#include <QImage>
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

// The indicators' bitmaps are clear where they hold this colour.
inline constexpr QRgb kClearColour = 0xffff00ff;
// Bitmap 200-202 (the auto-capture frames), 205 (the countdown's background)
// or 206-215 (its digits) at `ratio` device pixels per pixel; a null image
// for any other id.
QImage IndicatorBitmap(UINT bitmapId, int ratio);
// The bitmap of a digit 0-9 (0 when none).
UINT DigitBitmap(int digit);
// The countdown showing `seconds` (0-99): its background with the tens and
// units over it, `background` where all are clear.
QImage CountdownPicture(int seconds, const QColor& background, int ratio);
// Frame `frame` of the auto-capture animation, `background` where clear.
QImage AutoCapturePicture(int frame, const QColor& background, int ratio);
