#pragma once

#include <QImage>

#include "LanczosTaps.h"

// The Lanczos resampler of radius 3 that every shown picture and every thumbnail goes through.
//
// Separable: one pass along the rows, one down the columns, each skipped when that side keeps its
// length, with the weights of LanczosTaps (LanczosTaps.h), made once per pass and shared by its threads.
// The four bytes of a pixel are filtered independently (alpha is straight and is not used for display),
// each result rounded and clamped to 0..255. Large pictures are split over the processor's cores. Its
// work is one pass over the source and the target's pixels, and its memory beyond the result is bounded
// by the target's size, whatever the source's shape.
//
// Takes any picture (it is first made a working picture, see Bitmap.h) and returns a 32-bit picture of
// width x height in the working picture's format; a null picture for a null source or a size that is
// not positive, and also when the memory for the result or the work cannot be had: it never raises, so
// a caller tells a failed fit by a null result for a non-null source. Safe to call from several threads
// at once.
//
// The pass along the side that shrinks most goes first (the width when both shrink alike). A caller
// that turns the result a quarter afterwards says so with `turnedAfter`: the passes then go in the
// order the turned source would have had them, so that fitting and then turning gives the pixels of
// turning and then fitting.
QImage ResampleLanczos(const QImage& source, int width, int height, bool turnedAfter = false);

// The same for a source that is the box-reduced copy (BoxReduce.h), by whole `factors`, of a picture of
// `original` size: the kernel is laid over the original's extent, so that boxes cut short at the right
// and bottom edges do not stretch the picture.
QImage ResampleLanczosReduced(const QImage& reduced, QSize original, QSize factors, int width, int height);
