#pragma once

#include <random>
#include <utility>
#include <vector>

// The list commands as position arithmetic, apart from any widget. Each returns the swaps of entry
// contents to make, in order; the caller applies them to its entries. Selection flags are per
// position and are updated in place where the command moves the selection.
using TSwapList = std::vector<std::pair<int, int>>;

// Visits the selected entries top-down and swaps each with the entry above it. The entry that arrives
// above is selected; the one that arrives below takes the state the upper position had. Nothing
// happens when no entry is selected or the first selected entry is already at the top.
TSwapList MoveSelectedUpSwaps(std::vector<bool>& selected);

// The mirror image: visits bottom-up and swaps each selected entry with the one below it.
TSwapList MoveSelectedDownSwaps(std::vector<bool>& selected);

// A uniform shuffle (Fisher-Yates) of `count` positions. Selection states stay with the positions.
TSwapList ShuffleSwaps(int count, std::mt19937& random);
