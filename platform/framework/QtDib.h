// Pictures held as DIB rows, shown by Qt: the one conversion every widget
// uses that paints a camera frame, a movie frame or a packed DIB.
#pragma once

#include <QImage>

struct DibView;

// A top-down image of the view's rows: 24-bit BGR, 16-bit 5-5-5, and 8- and
// 4-bit rows through the colour table (black past its end). Null for other
// depths or when the image cannot be made.
QImage DibViewToImage(const DibView& view);
