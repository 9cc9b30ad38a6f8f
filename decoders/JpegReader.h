#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

// Decodes a complete JPEG (JFIF) file held in memory at full size into a 32-bit picture
// (QImage::Format_RGB32).
//
// Returns a null image when the bytes are not a decodable JPEG, or when the header declares more than
// MaxJpegPixels, or more than `largest` in either direction (when given): such pictures are refused
// from their header, before anything is allocated. Never raises; safe to call from several threads at
// once (each call uses its own decoder).
QImage DecodeJpeg(const QByteArray& bytes, QSize largest = QSize());

// Larger pictures are refused (null image) instead of allocated.
constexpr qint64 MaxJpegPixels = qint64(1) << 28;
