#include "ListOperations.h"

#include <algorithm>

namespace {

int FirstSelected(const std::vector<bool>& selected) {
    const auto it = std::find(selected.begin(), selected.end(), true);
    return it == selected.end() ? -1 : static_cast<int>(it - selected.begin());
}

int LastSelected(const std::vector<bool>& selected) {
    const auto it = std::find(selected.rbegin(), selected.rend(), true);
    return it == selected.rend() ? -1 : static_cast<int>(selected.rend() - it) - 1;
}

// Swaps position p with its neighbour at p + step: the moved entry stays selected at the neighbour's
// position, and p takes the state that the neighbour's position had.
void SwapWithNeighbour(std::vector<bool>& selected, TSwapList& swaps, int p, int step) {
    const int q = p + step;
    swaps.emplace_back(std::min(p, q), std::max(p, q));
    selected[p] = selected[q];
    selected[q] = true;
}

}  // namespace

TSwapList MoveSelectedUpSwaps(std::vector<bool>& selected) {
    TSwapList swaps;
    const int first = FirstSelected(selected);
    if (first <= 0) {
        return swaps;
    }
    for (int p = first; p < static_cast<int>(selected.size()); ++p) {
        if (selected[p]) {
            SwapWithNeighbour(selected, swaps, p, -1);
        }
    }
    return swaps;
}

TSwapList MoveSelectedDownSwaps(std::vector<bool>& selected) {
    TSwapList swaps;
    const int last = LastSelected(selected);
    if (last < 0 || last == static_cast<int>(selected.size()) - 1) {
        return swaps;
    }
    for (int p = last; p >= 0; --p) {
        if (selected[p]) {
            SwapWithNeighbour(selected, swaps, p, +1);
        }
    }
    return swaps;
}

TSwapList ShuffleSwaps(int count, std::mt19937& random) {
    TSwapList swaps;
    for (int i = count - 1; i > 0; --i) {
        std::uniform_int_distribution<int> draw(0, i);
        const int j = draw(random);
        if (j != i) {
            swaps.emplace_back(j, i);
        }
    }
    return swaps;
}
