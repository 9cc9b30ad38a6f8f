#pragma once

#include <cstddef>
#include <vector>

// The weights of one side of a Lanczos resampling of radius 3: for each output pixel, the run of source
// pixels it takes and their weights, computed once per side and shared, read only, by every thread of
// the resampling.
//
// Output pixel i of a side scaled by s = source length / target length is centred at (i + 0.5) * s in
// the source; when reducing (s > 1) the kernel is widened by s, so that every source pixel contributes
// and nothing aliases. The weights of each output pixel are normalised to sum 1, also where the window
// is cut off at the picture's edge.
//
// The table has about 6 * s weights per output pixel, which for an ordinary picture is small. For an
// extreme reduction (a picture millions of pixels long fitted to a screen) that would be six weights per
// source pixel, so the source is then first averaged in boxes of Box pixels and the kernel runs over the
// boxes: the table then holds at most LanczosWeightBudget weights, or about 100 per output pixel where
// the target is too long for that. The box stays below a sixteenth of the kernel's width, far too narrow
// to be seen. Box is 1, and the weights those of the plain kernel, whenever the table fits the budget.
struct TLanczosTaps {
    // Source pixels averaged into one tap: 1, or more for an extreme reduction. The taps, First and
    // Count, count in boxes; box j covers source pixels j * Box .. j * Box + Box - 1 (the last one may be
    // shorter).
    int Box = 1;
    // The taps of output pixel i: boxes First[i] .. First[i] + Count[i] - 1 with the weights
    // Weights[i * Stride ..]. Stride is even and the weights past Count are 0, so the taps can be taken
    // two at a time.
    std::vector<int> First;
    std::vector<int> Count;
    std::vector<float> Weights;
    int Stride = 0;
};

// Above this many weights in a table, the source is averaged in boxes first.
inline constexpr std::size_t LanczosWeightBudget = std::size_t(1) << 20;

// The taps of a side of `sourceLength` pixels resampled to `targetLength` (both positive). May raise
// std::bad_alloc. `sourceExtent`, when given, is where the side ends, in pixels, when its last pixel
// stands for less than a whole one (a box-reduced picture whose last box was cut short): s is then
// sourceExtent / targetLength.
TLanczosTaps LanczosTaps(int sourceLength, int targetLength, double sourceExtent = 0.0);

// The Lanczos kernel of radius 3: sinc(x) * sinc(x / 3) for |x| < 3, else 0.
double LanczosKernel(double x);
