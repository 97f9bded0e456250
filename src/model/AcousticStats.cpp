#include "model/AcousticStats.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

double energyOf(double level) {
    return std::pow(10.0, level / 10.0);
}

void finish(AcousticSummary& s, double energy, double interval) {
    if (s.count == 0)
        return;
    s.leq = 10.0 * std::log10(energy / static_cast<double>(s.count));
    const double seconds = static_cast<double>(s.count) * interval;
    s.sel = seconds > 0 ? s.leq + 10.0 * std::log10(seconds) : s.leq;
    s.aboveSeconds = static_cast<double>(s.aboveCount) * interval;
    s.longestRunSeconds = static_cast<double>(s.longestRunAbove) * interval;
}

} // namespace

std::string weightingLabel(std::size_t a, std::size_t c) {
    if (a && c)
        return "mixed";
    if (a)
        return "dBA";
    if (c)
        return "dBC";
    return {};
}

std::size_t percentileRank(int n, std::size_t count) {
    const std::size_t k = (static_cast<std::size_t>(n) * count + 99) / 100;
    return std::max<std::size_t>(k, 1);
}

AcousticSummary summarize(const RecordList& records, std::size_t first, std::size_t last,
                          double interval, std::optional<double> limit) {
    AcousticSummary s;
    last = std::min(last, records.size());
    if (first >= last)
        return s;
    std::vector<double> levels;
    levels.reserve(last - first);
    double energy = 0.0;
    std::size_t a = 0, c = 0, run = 0;
    for (std::size_t i = first; i < last; ++i) {
        const double v = records[i].value();
        levels.push_back(v);
        energy += energyOf(v);
        (records[i].unit() == "dBA" ? a : c) += 1;
        if (limit && v > *limit) {
            ++s.aboveCount;
            s.longestRunAbove = std::max(s.longestRunAbove, ++run);
        } else {
            run = 0;
        }
    }
    std::sort(levels.begin(), levels.end(), std::greater<>());
    s.count = levels.size();
    s.lmax = levels.front();
    s.lmin = levels.back();
    for (std::size_t i = 0; i < s.ln.size(); ++i)
        s.ln[i] = levels[percentileRank(AcousticSummary::percentiles[i], s.count) - 1];
    s.weighting = weightingLabel(a, c);
    finish(s, energy, interval);
    return s;
}

RunningAcousticStats::RunningAcousticStats(double interval, std::optional<double> limit)
    : interval_(interval), limit_(limit), tree_(steps + 1, 0) {}

void RunningAcousticStats::clear() {
    std::fill(tree_.begin(), tree_.end(), 0);
    count_ = 0;
    energy_ = 0.0;
    unitA_ = unitC_ = above_ = run_ = longestRun_ = 0;
}

void RunningAcousticStats::setInterval(double interval) {
    interval_ = interval;
}
void RunningAcousticStats::setLimit(std::optional<double> limit) {
    limit_ = limit;
}

void RunningAcousticStats::add(double level, const std::string& unit) {
    const long bin = std::clamp(std::lround(level * 10.0), 0L, static_cast<long>(steps - 1));
    for (std::size_t i = static_cast<std::size_t>(bin) + 1; i <= steps; i += i & (~i + 1))
        ++tree_[i];
    max_ = count_ ? std::max(max_, level) : level;
    min_ = count_ ? std::min(min_, level) : level;
    ++count_;
    energy_ += energyOf(level);
    (unit == "dBA" ? unitA_ : unitC_) += 1;
    if (limit_ && level > *limit_) {
        ++above_;
        longestRun_ = std::max(longestRun_, ++run_);
    } else {
        run_ = 0;
    }
}

std::size_t RunningAcousticStats::kthLowest(std::size_t k) const {
    // Descends the Fenwick tree to the first bin whose prefix count reaches k.
    std::size_t pos = 0;
    std::size_t step = 1;
    while (step * 2 <= steps)
        step *= 2;
    for (; step; step /= 2) {
        if (pos + step <= steps && tree_[pos + step] < k) {
            pos += step;
            k -= tree_[pos];
        }
    }
    return pos; // 0-based bin
}

AcousticSummary RunningAcousticStats::summary() const {
    AcousticSummary s;
    s.count = count_;
    if (!count_)
        return s;
    s.lmax = max_;
    s.lmin = min_;
    for (std::size_t i = 0; i < s.ln.size(); ++i) {
        const std::size_t fromTop = percentileRank(AcousticSummary::percentiles[i], count_);
        s.ln[i] = static_cast<double>(kthLowest(count_ - fromTop + 1)) / 10.0;
    }
    s.weighting = weightingLabel(unitA_, unitC_);
    s.aboveCount = above_;
    s.longestRunAbove = longestRun_;
    finish(s, energy_, interval_);
    return s;
}
