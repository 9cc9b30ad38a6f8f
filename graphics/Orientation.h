#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QImage;

// Turns a picture upright from its EXIF orientation value (tag 0x0112):
//   1 as stored                  5 mirror left to right, then rotate 90 degrees counter-clockwise
//   2 mirror left to right       6 rotate 90 degrees clockwise
//   3 rotate 180 degrees         7 mirror left to right, then rotate 90 degrees clockwise
//   4 mirror top to bottom       8 rotate 90 degrees counter-clockwise
// Any other value (0 for a missing tag included) leaves the picture as it is. The pixel format is kept.
void ApplyExifOrientation(QImage& picture, int orientation);

// True for the orientations with a quarter turn (5 to 8): the upright picture is as wide as the stored
// one is high.
bool IsQuarterTurn(int orientation);

// The size of the upright picture of a picture stored at `stored` size.
QSize UprightSize(QSize stored, int orientation);

// The orientation that takes the upright picture back to the stored one: 6 and 8 undo each other, every
// other value undoes itself.
int InverseOrientation(int orientation);

// The stored picture's pixel that lands on pixel `upright` of the upright picture, and the stored
// picture's rectangle that lands on the rectangle `upright`.
QPoint StoredPoint(QPoint upright, QSize stored, int orientation);
QRect StoredRect(const QRect& upright, QSize stored, int orientation);
