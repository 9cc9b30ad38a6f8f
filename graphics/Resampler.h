#pragma once

#include <QImage>

// The Lanczos resampler of radius 3 that every shown picture and every thumbnail goes through.
//
// Separable: one pass along the rows, one down the columns, each skipped when that side keeps its
// length. Output pixel i of a side scaled by s = source length / target length is centred at
// (i + 0.5) * s in the source; when reducing (s > 1) the kernel is widened by s, so every source pixel
// contributes and nothing aliases. The weights of each output pixel are computed once per call and
// normalised to sum 1, also where the window is cut off at the picture's edge. The four bytes of a
// pixel are filtered independently (alpha is straight and is not used for display), each result
// rounded and clamped to 0..255. Large pictures are split over the processor's cores.
//
// Takes any picture (it is first made a working picture, see Bitmap.h) and returns a 32-bit picture of
// width x height in the working picture's format; a null picture for a null source or a size that is
// not positive. Safe to call from several threads at once.
QImage ResampleLanczos(const QImage& source, int width, int height);

// The Lanczos kernel of radius 3: sinc(x) * sinc(x / 3) for |x| < 3, else 0.
double LanczosKernel(double x);
