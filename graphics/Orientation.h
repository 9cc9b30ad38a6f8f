#pragma once

class QImage;

// Turns a picture upright from its EXIF orientation value (tag 0x0112):
//   1 as stored                  5 mirror left to right, then rotate 90 degrees counter-clockwise
//   2 mirror left to right       6 rotate 90 degrees clockwise
//   3 rotate 180 degrees         7 mirror left to right, then rotate 90 degrees clockwise
//   4 mirror top to bottom       8 rotate 90 degrees counter-clockwise
// Any other value (0 for a missing tag included) leaves the picture as it is. The pixel format is kept.
void ApplyExifOrientation(QImage& picture, int orientation);
