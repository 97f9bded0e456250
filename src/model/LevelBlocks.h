#pragma once

#include <cstddef>
#include <limits>
#include <vector>

// The extremes of a run of consecutive levels, as a crowded pixel column of
// the curve needs them.
struct LevelRange {
    double lowest = std::numeric_limits<double>::infinity();
    double highest = -std::numeric_limits<double>::infinity();
    // The lowest level that two neighbours in the run both reach (the smaller
    // of the larger of each neighbouring pair); infinity for a single level.
    double lowestPair = std::numeric_limits<double>::infinity();
    bool operator==(const LevelRange&) const = default;
};

// A summary of a growing series of levels by blocks of 8, 64, 512, ...
// readings, so the extremes of any run cost a few dozen steps however long it
// is: a redraw of a long recording reads the blocks of its pixel columns, not
// every level. The levels themselves stay with the owner, which hands them to
// every call; the summary only keeps up with them.
class LevelBlocks {
  public:
    // The levels have grown by their last one; appended in O(1) amortised.
    void grew(const std::vector<double>& levels);
    void clear() { blocks_.clear(); }

    // The extremes of levels [first, last); first < last <= levels.size().
    LevelRange range(const std::vector<double>& levels, std::size_t first, std::size_t last) const;

    static constexpr std::size_t leafSize = 8;
    static constexpr std::size_t fanOut = 8;

  private:
    // [0]: leafSize readings each, then fanOut blocks of the depth before each;
    // the last block of every depth may still be filling.
    std::vector<std::vector<LevelRange>> blocks_;
};
