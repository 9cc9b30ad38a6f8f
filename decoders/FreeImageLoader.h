#pragma once

#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>

// The generic decoder: the FreeImage library, run in decoder processes of its own (orvalis-decoder,
// beside the program) so that a damaged file that crashes or hangs it, or makes it allocate gigabytes,
// costs nothing but that file's picture. The program works without the library or the executable;
// every file is then undecodable by this route. Every function here may be called from any thread.

// The executable, as found beside the program: in the same folder (the build tree), else in
// ../lib/orvalis (an installation). Empty when neither is there.
QString GenericDecoderExecutable();

// Makes the program's pool of decoder processes on the first call (as many as the threads that may
// decode at once) and asks a first process whether its library is there; later calls reuse that pool.
// Called once at start-up, before any thread that decodes exists. Returns GenericDecoderLoaded().
bool InitGenericDecoder();

// True when InitGenericDecoder found the executable and its library.
bool GenericDecoderLoaded();

// The file's FreeImage format code, or -1 (always -1 before InitGenericDecoder). ".ico" and ".ani"
// files are never given to the library.
int GenericFileType(const QString& path);

// Decodes the file into an opaque 32-bit picture (QImage::Format_RGB32) of the same size; false, with
// `picture` untouched, for any failure, also when the decoder crashed, hung or ran out of memory on it.
bool LoadWithGenericDecoder(const QString& path, QImage& picture);

class TGenericDecode;

// The same, as `call` says: its own deadline, and abandoned when another thread asks (GenericDecoderPool.h).
bool LoadWithGenericDecoder(const QString& path, QImage& picture, TGenericDecode& call);

// A decode of the file in a decoder process ran out of time lately: a decoder in the program's own
// process is not to try it either.
bool GenericDecoderGaveUpOn(const QString& path);

// The same picture fitted into `box` on `background` as FitThumbnail fits it; the fit is done in the
// decoder process, so only the thumbnail comes back.
bool LoadThumbnailWithGenericDecoder(const QString& path, QSize box, const QColor& background,
                                     QImage& thumbnail);

// Kills the decoder processes busy with a file now; their callers get "not decodable" at once. Used
// when the thumbnails being made are no longer wanted.
void AbortGenericDecodes();

// Kills every decoder process and decodes nothing more: the program is closing, and no thread is to
// wait for a decoder that hangs.
void ShutdownGenericDecoders();
