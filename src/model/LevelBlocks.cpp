#include "model/LevelBlocks.h"

#include <algorithm>

namespace {

constexpr double none = std::numeric_limits<double>::infinity();

// r followed by a level, joined to r's last level by a pair that reaches pair.
void extend(LevelRange& r, double level, double pair) {
    r.lowest = std::min(r.lowest, level);
    r.highest = std::max(r.highest, level);
    r.lowestPair = std::min(r.lowestPair, pair);
}

// A run of one level. Built by extend as every other step, so that a level
// that compares with nothing (NaN) is left out wherever it lies.
LevelRange single(double level) {
    LevelRange r;
    extend(r, level, none);
    return r;
}

// r followed by the run b, joined to it by a pair that reaches pair.
void extend(LevelRange& r, const LevelRange& b, double pair) {
    r.lowest = std::min(r.lowest, b.lowest);
    r.highest = std::max(r.highest, b.highest);
    r.lowestPair = std::min({r.lowestPair, b.lowestPair, pair});
}

} // namespace

void LevelBlocks::grew(const std::vector<double>& levels) {
    const std::size_t k = levels.size() - 1;
    const double level = levels[k];
    if (k == 0) {
        blocks_.assign(1, {single(level)});
        return;
    }
    const double pair = std::max(levels[k - 1], level);
    std::size_t size = leafSize;
    for (auto& depth : blocks_) {
        if (k % size == 0)
            depth.push_back(single(level));
        else
            extend(depth.back(), level, pair);
        size *= fanOut;
    }
    // The top depth has just begun its second block: a depth above it holds
    // both in one.
    if (const auto& top = blocks_.back(); top.size() == 2) {
        LevelRange both = top.front();
        extend(both, level, pair);
        blocks_.push_back({both});
    }
}

LevelRange LevelBlocks::range(const std::vector<double>& levels, std::size_t first,
                              std::size_t last) const {
    LevelRange r;
    std::size_t pos = first;
    // The pair that joins a piece to the one before it, none before the first.
    const auto joining = [&](std::size_t at) {
        return at > first ? std::max(levels[at - 1], levels[at]) : none;
    };
    while (pos < last) {
        if (pos % leafSize != 0 || last - pos < leafSize) {
            const std::size_t end = std::min(last, (pos / leafSize + 1) * leafSize);
            for (; pos < end; ++pos)
                extend(r, levels[pos], joining(pos));
            continue;
        }
        // the largest whole block that starts here and ends by last
        std::size_t depth = 0;
        std::size_t size = leafSize;
        while (depth + 1 < blocks_.size() && pos % (size * fanOut) == 0 &&
               last - pos >= size * fanOut) {
            ++depth;
            size *= fanOut;
        }
        extend(r, blocks_[depth][pos / size], joining(pos));
        pos += size;
    }
    return r;
}
