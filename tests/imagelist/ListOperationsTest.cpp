#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

#include "ListOperations.h"

namespace {

struct TMoveCase {
    const char* Name;
    std::string Entries;   // one letter an entry
    std::string Selected;  // 'x' where selected
    bool Up;
    std::string ExpectedEntries;
    std::string ExpectedSelected;
};

void PrintTo(const TMoveCase& c, std::ostream* out) {
    *out << c.Name;
}

std::vector<bool> Flags(const std::string& marks) {
    std::vector<bool> flags;
    for (const char mark : marks) {
        flags.push_back(mark == 'x');
    }
    return flags;
}

std::string Marks(const std::vector<bool>& flags) {
    std::string marks;
    for (const bool flag : flags) {
        marks += flag ? 'x' : '.';
    }
    return marks;
}

std::string Apply(std::string entries, const TSwapList& swaps) {
    for (const auto& [a, b] : swaps) {
        std::swap(entries[a], entries[b]);
    }
    return entries;
}

class MoveSelectedTest : public ::testing::TestWithParam<TMoveCase> {};

TEST_P(MoveSelectedTest, MovesEntriesAndSelection) {
    const TMoveCase& c = GetParam();
    std::vector<bool> selected = Flags(c.Selected);
    const TSwapList swaps = c.Up ? MoveSelectedUpSwaps(selected) : MoveSelectedDownSwaps(selected);
    EXPECT_EQ(Apply(c.Entries, swaps), c.ExpectedEntries);
    EXPECT_EQ(Marks(selected), c.ExpectedSelected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MoveSelectedTest,
    ::testing::Values(TMoveCase{"UpTwoApart", "ABCDE", ".x.x.", true, "BADCE", "x.x.."},
                      TMoveCase{"UpWithFirstSelected", "ABCDE", "x.x..", true, "ABCDE", "x.x.."},
                      TMoveCase{"UpAdjacentRun", "ABCDE", ".xx.x", true, "BCAED", "xx.x."},
                      TMoveCase{"UpNothingSelected", "ABC", "...", true, "ABC", "..."},
                      TMoveCase{"UpLastOnly", "ABC", "..x", true, "ACB", ".x."},
                      TMoveCase{"DownTwoApart", "ABCDE", ".x.x.", false, "ACBED", "..x.x"},
                      TMoveCase{"DownWithLastSelected", "ABCDE", ".x..x", false, "ABCDE", ".x..x"},
                      TMoveCase{"DownAdjacentRun", "ABCDE", "xx.x.", false, "CABED", ".xx.x"},
                      TMoveCase{"DownNothingSelected", "ABC", "...", false, "ABC", "..."},
                      TMoveCase{"EmptyList", "", "", false, "", ""}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(ShuffleTest, KeepsTheEntriesAndLeavesShortListsAlone) {
    std::mt19937 random(7);
    EXPECT_TRUE(ShuffleSwaps(0, random).empty());
    EXPECT_TRUE(ShuffleSwaps(1, random).empty());

    const std::string entries = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::string shuffled = Apply(entries, ShuffleSwaps(static_cast<int>(entries.size()), random));
    EXPECT_NE(shuffled, entries);
    std::sort(shuffled.begin(), shuffled.end());
    EXPECT_EQ(shuffled, entries);
}

TEST(ShuffleTest, EveryOrderOfThreeIsAboutEquallyLikely) {
    // A two-entry list must sometimes stay as it was, and each of the six orders of three entries must
    // come up about a sixth of the time.
    std::mt19937 random(12345);
    std::map<std::string, int> seen;
    constexpr int Draws = 60000;
    for (int i = 0; i < Draws; ++i) {
        ++seen[Apply("ABC", ShuffleSwaps(3, random))];
    }
    ASSERT_EQ(seen.size(), 6u);
    for (const auto& [order, count] : seen) {
        EXPECT_NEAR(count, Draws / 6, Draws / 60) << order;
    }
    int unchanged = 0;
    for (int i = 0; i < 1000; ++i) {
        unchanged += Apply("AB", ShuffleSwaps(2, random)) == "AB";
    }
    EXPECT_GT(unchanged, 400);
    EXPECT_LT(unchanged, 600);
}

}  // namespace
