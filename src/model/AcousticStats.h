#pragma once

#include "model/RecordList.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// The levels acousticians judge noise by, beside the arithmetic average the
// summary boxes show. A percentile level Ln is the level exceeded during N % of
// the readings; with the readings sorted from the highest down it is the k-th
// of them, k = ceil(N * count / 100) and at least 1 (the nearest-rank rule).
struct AcousticSummary {
    static constexpr std::array<int, 5> percentiles = {5, 10, 50, 90, 95};

    std::size_t count = 0;
    double leq = 0.0;           // energy average, dB
    double lmax = 0.0;          // highest reading
    double lmin = 0.0;          // lowest reading
    double sel = 0.0;           // sound exposure level: leq + 10 lg(count * interval / 1 s)
    std::array<double, 5> ln{}; // L5, L10, L50, L90, L95
    std::string weighting;      // "dBA", "dBC", "mixed", or empty with no readings

    // Exceedance of the limit, when one is set.
    std::size_t aboveCount = 0;
    double aboveSeconds = 0.0;
    std::size_t longestRunAbove = 0; // consecutive readings above the limit
    double longestRunSeconds = 0.0;
};

// What the summary calls readings of which a are A- and c are C-weighted.
std::string weightingLabel(std::size_t a, std::size_t c);

// The nearest rank of Ln among count readings sorted from the highest down (1-based).
std::size_t percentileRank(int n, std::size_t count);

// The summary of records [first, last) read at the given interval in seconds;
// limit is the exceedance limit in dB, if any.
AcousticSummary summarize(const RecordList& records, std::size_t first, std::size_t last,
                          double interval, std::optional<double> limit);

// Keeps the summary of a growing series: each reading costs O(log B) with B the
// number of 0.1 dB steps the meter can show, so a recording of any length is
// never re-scanned. Readings are counted on the meter's 0.1 dB grid, which is
// exact for what the meter sends.
class RunningAcousticStats {
  public:
    explicit RunningAcousticStats(double interval = 1.0, std::optional<double> limit = {});

    void add(double level, const std::string& unit);
    void clear();
    void setInterval(double interval);
    void setLimit(std::optional<double> limit); // re-counts nothing: set it before adding
    AcousticSummary summary() const;
    std::size_t count() const { return count_; }

  private:
    static constexpr int steps = 10000;         // 0.0 .. 999.9 dB, the four BCD digits
    std::size_t kthLowest(std::size_t k) const; // bin of the k-th lowest reading, 1-based

    double interval_;
    std::optional<double> limit_;
    std::vector<std::size_t> tree_; // Fenwick tree of counts per 0.1 dB bin
    std::size_t count_ = 0;
    double energy_ = 0.0;
    double max_ = 0.0;
    double min_ = 0.0;
    std::size_t unitA_ = 0;
    std::size_t unitC_ = 0;
    std::size_t above_ = 0;
    std::size_t run_ = 0;
    std::size_t longestRun_ = 0;
};
