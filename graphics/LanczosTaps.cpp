#include "LanczosTaps.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace {

constexpr double Radius = 3.0;

// A box is never wider than this fraction of the widened kernel's scale, so that averaging in boxes
// first changes nothing that can be seen.
constexpr double MinimumBoxedScale = 16.0;

// Weights per output pixel for a side scaled by `scale` (in taps).
int StrideFor(double scale) {
    return int(std::ceil(Radius * std::max(scale, 1.0))) * 2 + 2;
}

bool FitsBudget(int targetLength, double scale) {
    return double(targetLength) * StrideFor(scale) <= double(LanczosWeightBudget);
}

int BoxFor(int sourceLength, int targetLength) {
    const double scale = double(sourceLength) / targetLength;
    const int widest = int(scale / MinimumBoxedScale);
    if (FitsBudget(targetLength, scale) || widest < 2) {
        return 1;
    }
    // The table holds 2 * ceil(Radius * scale / box) + 2 weights per output pixel: the narrowest box
    // that keeps it within the budget, unless the target is too long for any box to do that.
    const double halfTaps = std::floor((double(LanczosWeightBudget) / targetLength - 2.0) / 2.0);
    if (halfTaps < 1.0) {
        return widest;
    }
    int box = std::clamp(int(std::min(std::ceil(Radius * scale / halfTaps), double(widest))), 2, widest);
    while (box < widest && !FitsBudget(targetLength, scale / box)) {
        ++box;  // only where the rounding up of the taps needs a little more
    }
    return box;
}

}  // namespace

double LanczosKernel(double x) {
    x = std::abs(x);
    if (x >= Radius) {
        return 0.0;
    }
    if (x < 1e-12) {
        return 1.0;
    }
    const double pix = std::numbers::pi * x;
    return Radius * std::sin(pix) * std::sin(pix / Radius) / (pix * pix);
}

TLanczosTaps LanczosTaps(int sourceLength, int targetLength, double sourceExtent) {
    TLanczosTaps taps;
    taps.Box = BoxFor(sourceLength, targetLength);
    const int boxes = int((std::int64_t(sourceLength) + taps.Box - 1) / taps.Box);
    // In boxes: box j covers [j, j + 1) and is sampled at its middle, j + 0.5.
    const double extent = sourceExtent > 0.0 ? sourceExtent : double(sourceLength);
    const double scale = extent / targetLength / taps.Box;
    const double widening = std::max(scale, 1.0);
    const double support = Radius * widening;
    taps.Stride = StrideFor(scale);
    taps.First.resize(targetLength);
    taps.Count.resize(targetLength);
    taps.Weights.assign(std::size_t(targetLength) * taps.Stride, 0.0f);
    std::vector<double> weights(taps.Stride);
    for (int i = 0; i < targetLength; ++i) {
        const double centre = (i + 0.5) * scale;
        const int first = std::max(int(std::floor(centre - support - 0.5)) + 1, 0);
        const int last = std::min(int(std::ceil(centre + support - 0.5)) - 1, boxes - 1);
        int count = std::clamp(last - first + 1, 0, taps.Stride);
        double sum = 0.0;
        for (int k = 0; k < count; ++k) {
            weights[k] = LanczosKernel((first + k + 0.5 - centre) / widening);
            sum += weights[k];
        }
        if (count == 0 || sum == 0.0) {
            // Cannot happen for a kernel this wide, but a zero sum would turn the pixel black.
            weights[0] = 1.0;
            sum = 1.0;
            count = 1;
        }
        taps.First[i] = std::min(first, boxes - 1);
        taps.Count[i] = count;
        for (int k = 0; k < count; ++k) {
            taps.Weights[std::size_t(i) * taps.Stride + k] = float(weights[k] / sum);
        }
    }
    return taps;
}
