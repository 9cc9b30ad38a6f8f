#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

#include <functional>

// Decodes a complete JPEG (JFIF) file held in memory at full size into a 32-bit picture
// (QImage::Format_RGB32). A CMYK or YCCK file is decoded to its ink values and turned into RGB as Pillow
// does: the values are read in Adobe's inverted convention (what Photoshop writes, marked by its APP14
// segment, and what Pillow assumes also where that segment is missing), then red = (255 - k) -
// (255 - k) * c / 255, rounded as Pillow rounds, and so on for green and blue.
//
// The picture carries the colour space of the file's ICC profile (its APP2 segments) when it has one
// (QImage::colorSpace()); the pixels are as stored, to be converted where they are shown. A CMYK or YCCK
// file with a CMYK profile is turned into sRGB through that profile instead.
//
// Returns a null image when the bytes are not a decodable JPEG, or when the header declares more than
// MaxJpegPixels, or more than `largest` in either direction (when given): such pictures are refused
// from their header, before anything is allocated. A file with more scans than JpegScanLimit allows for
// its size counts as damaged too (a few hundred bytes can repeat an empty progressive scan tens of
// thousands of times, each costing a pass over the whole picture). Never raises; safe to call from
// several threads at once (each call uses its own decoder).
QImage DecodeJpeg(const QByteArray& bytes, QSize largest = QSize());

// Told as a decode goes on that the rows [0, rows) of `picture` are final, so that work on them can start
// before the rest is there. The decoder writes the other rows meanwhile, through a pointer it took
// before the first call: a copy of `picture` may be kept to read the final rows (constScanLine), and
// must never be written to, nor let go of later than the decode's caller lets go of the picture.
using TRowsDecoded = std::function<void(const QImage& picture, int rows)>;

// The same, telling `rowsDecoded` after every few rows (and once at the end with all of them) rather
// than only returning the picture. The pixels are those of DecodeJpeg.
QImage DecodeJpeg(const QByteArray& bytes, QSize largest, const TRowsDecoded& rowsDecoded);

// The ICC profile of a JPEG file's APP2 segments, read from its header only (the segments before the
// first scan); empty when there is none. Never raises.
QByteArray ReadJpegColourProfile(const QString& path);

// From now on every decode under way or to come gives up, with a null picture, within a few rows: the
// program is closing, and waits for no picture.
void AbandonJpegDecodes();

// Larger pictures are refused (null image) instead of allocated.
constexpr qint64 MaxJpegPixels = qint64(1) << 28;

// The scans a JPEG may have: progressive files of cameras and encoders have about ten. At most
// MaxJpegScans, and no more than MaxJpegScanPixels over all scans together (a second or two of work for
// scans that carry nothing): a 24-megapixel picture may have 100 scans, a picture of 2^28 pixels 16.
constexpr int MaxJpegScans = 100;
constexpr qint64 MaxJpegScanPixels = qint64(1) << 32;
int JpegScanLimit(int width, int height);
