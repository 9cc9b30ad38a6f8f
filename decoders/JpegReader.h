#pragma once

#include <QByteArray>
#include <QImage>

// Decodes a complete JPEG (JFIF) file held in memory at full size into a 32-bit picture
// (QImage::Format_RGB32). Returns a null image when the bytes are not a decodable JPEG. Never raises;
// safe to call from several threads at once (each call uses its own decoder).
QImage DecodeJpeg(const QByteArray& bytes);

// Larger pictures are refused (null image) instead of allocated.
constexpr qint64 MaxJpegPixels = qint64(1) << 28;
