#include "survey/SeriesStore.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>

namespace {

// 10^(L/10) of every level in hundredths of a dB: a look-up where a reading
// would otherwise cost a pow().
struct EnergyTable {
    EnergyTable() {
        for (std::size_t i = 0; i < values.size(); ++i)
            values[i] = std::pow(10.0, static_cast<double>(i) / (10.0 * centibelsPerDb));
    }
    std::array<double, 0x10000> values;
};

const EnergyTable& energyTable() {
    static const auto table = std::make_unique<EnergyTable>();
    return *table;
}

template <typename T> std::size_t capacityBytes(const std::vector<T>& v) {
    return v.capacity() * sizeof(T);
}

} // namespace

double centibelEnergy(Centibel level) {
    return energyTable().values[level];
}

void LevelSum::add(const LevelSum& other) {
    count += other.count;
    energySeconds += other.energySeconds;
    seconds += other.seconds;
    min = std::min(min, other.min);
    max = std::max(max, other.max);
}

std::optional<double> LevelSum::leq() const {
    if (count == 0 || seconds <= 0)
        return std::nullopt;
    return 10.0 * std::log10(energySeconds / seconds);
}

std::optional<double> LevelSum::lmax() const {
    if (count == 0)
        return std::nullopt;
    return max / centibelsPerDb;
}

std::optional<double> LevelSum::lmin() const {
    if (count == 0)
        return std::nullopt;
    return min / centibelsPerDb;
}

void SeriesStore::startRun(SeriesMs start, std::int32_t intervalMs, char weighting) {
    SeriesRun run;
    run.start = start;
    run.intervalMs = intervalMs;
    run.first = levels_.size();
    run.weighting = weighting;
    runs_.push_back(run);
}

void SeriesStore::append(SeriesMs stamp, Centibel level, std::int32_t intervalMs, char weighting) {
    appendStamp(stamp, &level, 1, intervalMs, weighting);
}

void SeriesStore::appendStamp(SeriesMs stamp, const Centibel* levels, std::size_t count,
                              std::int32_t intervalMs, char weighting) {
    if (count == 0)
        return;
    if (runs_.empty() || !continuesRun(runs_.back(), stamp))
        startRun(stamp, intervalMs, weighting);
    else if (runs_.back().intervalMs != intervalMs || runs_.back().weighting != weighting)
        startRun(end(), intervalMs, weighting);
    if (pendingShift_) {
        shifts_.push_back({end(), *pendingShift_});
        pendingShift_.reset();
    }
    runs_.back().count += static_cast<std::uint32_t>(count);
    levels_.insert(levels_.end(), levels, levels + count);
}

void SeriesStore::setClockShift(std::int64_t shiftMs) {
    pendingShift_ = shiftMs;
}

void SeriesStore::reserve(std::size_t readings) {
    levels_.reserve(readings);
}

void SeriesStore::finish() {
    extend();
    levels_.shrink_to_fit();
    runs_.shrink_to_fit();
}

void SeriesStore::extend() {
    // Blocks are summed in the order a build over everything sums them, from
    // the first block the new readings touch, so the figures come out the
    // same to the last bit however the series grew.
    const auto& energy = energyTable().values;
    const Block empty{0, 0, 0xFFFF, 0};
    if (blocks_.empty())
        blocks_.emplace_back();
    std::vector<Block>& leaves = blocks_[0];
    std::size_t changed = summarised_ / leafSize;
    leaves.resize((levels_.size() + leafSize - 1) / leafSize);
    std::fill(leaves.begin() + static_cast<std::ptrdiff_t>(changed), leaves.end(), empty);
    const std::size_t from = changed * leafSize;
    auto run = std::upper_bound(runs_.begin(), runs_.end(), static_cast<std::uint64_t>(from),
                                [](std::uint64_t v, const SeriesRun& r) { return v < r.first; });
    if (run != runs_.begin())
        --run;
    for (; run != runs_.end(); ++run) {
        const double dt = run->intervalMs / 1000.0;
        const std::size_t last = run->first + run->count;
        for (std::size_t i = std::max<std::size_t>(run->first, from); i < last;) {
            Block& b = leaves[i / leafSize];
            const std::size_t stop = std::min(last, (i / leafSize + 1) * leafSize);
            double e = 0;
            Centibel lo = b.min, hi = b.max;
            for (std::size_t j = i; j < stop; ++j) {
                const Centibel l = levels_[j];
                e += energy[l];
                lo = std::min(lo, l);
                hi = std::max(hi, l);
            }
            b.energySeconds += e * dt;
            b.seconds += static_cast<double>(stop - i) * dt;
            b.min = lo;
            b.max = hi;
            i = stop;
        }
    }
    for (std::size_t level = 0; blocks_[level].size() > 1; ++level) {
        if (level + 1 == blocks_.size())
            blocks_.emplace_back();
        const std::vector<Block>& below = blocks_[level];
        std::vector<Block>& above = blocks_[level + 1];
        changed /= fanOut;
        above.resize((below.size() + fanOut - 1) / fanOut);
        std::fill(above.begin() + static_cast<std::ptrdiff_t>(changed), above.end(), empty);
        for (std::size_t i = changed * fanOut; i < below.size(); ++i) {
            Block& a = above[i / fanOut];
            a.energySeconds += below[i].energySeconds;
            a.seconds += below[i].seconds;
            a.min = std::min(a.min, below[i].min);
            a.max = std::max(a.max, below[i].max);
        }
    }
    counts_.resize(0x10000);
    for (std::size_t i = summarised_; i < levels_.size(); ++i)
        ++counts_[levels_[i]];
    summarised_ = levels_.size();

    // Only a run begun since the last call can have a gap before it.
    for (std::size_t r = std::max<std::size_t>(1, runsWithGaps_); r < runs_.size(); ++r)
        if (runs_[r].start > runs_[r - 1].end())
            gaps_.push_back({runs_[r - 1].end(), runs_[r].start, {}, {}});
    runsWithGaps_ = runs_.size();
}

void SeriesStore::attachEvents(const std::vector<SeriesGap>& events) {
    // A gap takes the cause of the event that overlaps it most; the events
    // are few, so every gap looks at every event.
    for (SeriesGap& gap : gaps_) {
        SeriesMs best = 0;
        for (const SeriesGap& e : events) {
            const SeriesMs overlap = std::min(gap.end, e.end) - std::max(gap.start, e.start);
            if (overlap > best) {
                best = overlap;
                gap.cause = e.cause;
                gap.detail = e.detail;
            }
        }
    }
}

const SeriesRun& SeriesStore::runOf(std::size_t i) const {
    auto it = std::upper_bound(runs_.begin(), runs_.end(), static_cast<std::uint64_t>(i),
                               [](std::uint64_t v, const SeriesRun& r) { return v < r.first; });
    return *(it - 1);
}

SeriesMs SeriesStore::timeAt(std::size_t i) const {
    const SeriesRun& r = runOf(i);
    return r.start + static_cast<SeriesMs>(i - r.first) * r.intervalMs;
}

std::size_t SeriesStore::indexAt(SeriesMs t) const {
    const auto it = std::partition_point(runs_.begin(), runs_.end(),
                                         [t](const SeriesRun& r) { return r.end() <= t; });
    if (it == runs_.end())
        return levels_.size();
    if (t <= it->start)
        return it->first;
    const SeriesMs k = (t - it->start + it->intervalMs - 1) / it->intervalMs;
    return it->first + static_cast<std::size_t>(k);
}

std::int64_t SeriesStore::localOf(SeriesMs t) const {
    std::int64_t shift = 0;
    for (const ClockShift& s : shifts_)
        if (s.from <= t)
            shift = s.shiftMs;
    return t - shift;
}

SeriesMs SeriesStore::seriesOfLocal(std::int64_t localMs, bool later) const {
    // The wall clock of segment k runs from shifts_[k-1].from to shifts_[k].from
    // of the series; a time it shows in two segments is taken from the first
    // or, asked for, the last.
    std::optional<SeriesMs> found;
    for (std::size_t k = 0; k <= shifts_.size(); ++k) {
        const std::int64_t shift = k == 0 ? 0 : shifts_[k - 1].shiftMs;
        const SeriesMs t = localMs + shift;
        const bool afterStart = k == 0 || t >= shifts_[k - 1].from;
        const bool beforeEnd = k == shifts_.size() || t < shifts_[k].from;
        if (afterStart && beforeEnd) {
            found = t;
            if (!later)
                break;
        }
    }
    return found ? *found : localMs + (shifts_.empty() ? 0 : shifts_.back().shiftMs);
}

void SeriesStore::sumReadings(std::size_t first, std::size_t last, LevelSum& out) const {
    if (first >= last)
        return;
    const auto& energy = energyTable().values;
    auto run = std::upper_bound(runs_.begin(), runs_.end(), static_cast<std::uint64_t>(first),
                                [](std::uint64_t v, const SeriesRun& r) { return v < r.first; }) -
               1;
    for (std::size_t i = first; i < last; ++run) {
        const std::size_t stop = std::min<std::size_t>(last, run->first + run->count);
        double e = 0;
        for (std::size_t j = i; j < stop; ++j) {
            const Centibel l = levels_[j];
            e += energy[l];
            out.min = std::min(out.min, l);
            out.max = std::max(out.max, l);
        }
        const double dt = run->intervalMs / 1000.0;
        out.energySeconds += e * dt;
        out.seconds += static_cast<double>(stop - i) * dt;
        out.count += stop - i;
        i = stop;
    }
}

LevelSum SeriesStore::sumOf(std::size_t first, std::size_t last) const {
    LevelSum out;
    last = std::min(last, levels_.size());
    if (first >= last)
        return out;
    std::size_t b0 = (first + leafSize - 1) / leafSize;
    std::size_t b1 = last / leafSize;
    if (b0 >= b1 || blocks_.empty()) {
        sumReadings(first, last, out);
        return out;
    }
    sumReadings(first, b0 * leafSize, out);
    sumReadings(b1 * leafSize, last, out);
    out.count += (b1 - b0) * leafSize;
    auto take = [&out](const Block& b) {
        out.energySeconds += b.energySeconds;
        out.seconds += b.seconds;
        out.min = std::min(out.min, b.min);
        out.max = std::max(out.max, b.max);
    };
    for (std::size_t level = 0; b0 < b1; ++level) {
        const std::vector<Block>& blocks = blocks_[level];
        while (b0 < b1 && b0 % fanOut != 0)
            take(blocks[b0++]);
        while (b1 > b0 && b1 % fanOut != 0)
            take(blocks[--b1]);
        b0 /= fanOut;
        b1 /= fanOut;
    }
    return out;
}

std::vector<LevelSum> SeriesStore::columns(SeriesMs t0, SeriesMs t1, std::size_t n) const {
    std::vector<LevelSum> out(n);
    if (n == 0 || t1 <= t0)
        return out;
    const SeriesMs span = t1 - t0;
    std::size_t first = indexAt(t0);
    for (std::size_t c = 0; c < n; ++c) {
        const SeriesMs edge =
            t0 + static_cast<SeriesMs>(static_cast<double>(span) * static_cast<double>(c + 1) /
                                       static_cast<double>(n));
        const std::size_t last = c + 1 == n ? indexAt(t1) : indexAt(edge);
        out[c] = sumOf(first, last);
        first = last;
    }
    return out;
}

void SeriesStore::countLevels(const std::vector<std::pair<std::size_t, std::size_t>>& ranges,
                              std::vector<std::uint32_t>& histogram) const {
    std::size_t inside = 0;
    for (const auto& [first, last] : ranges)
        inside += std::min(last, levels_.size()) - std::min(first, last);
    if (summarised_ < levels_.size() || inside <= levels_.size() / 2) {
        histogram.assign(0x10000, 0);
        for (const auto& [first, last] : ranges)
            for (std::size_t i = first; i < std::min(last, levels_.size()); ++i)
                ++histogram[levels_[i]];
        return;
    }
    histogram = counts_;
    std::size_t from = 0;
    const auto takeOut = [&](std::size_t to) {
        for (std::size_t i = from; i < to; ++i)
            --histogram[levels_[i]];
    };
    for (const auto& [first, last] : ranges) {
        takeOut(std::min(first, levels_.size()));
        from = std::max(from, std::min(last, levels_.size()));
    }
    takeOut(levels_.size());
}

std::pair<std::uint64_t, std::uint64_t> SeriesStore::weightings(std::size_t first,
                                                                std::size_t last) const {
    std::uint64_t a = 0, c = 0;
    for (const SeriesRun& r : runs_) {
        const std::uint64_t lo = std::max<std::uint64_t>(first, r.first);
        const std::uint64_t hi = std::min<std::uint64_t>(last, r.first + r.count);
        if (hi > lo)
            (r.weighting == 'C' ? c : a) += hi - lo;
    }
    return {a, c};
}

std::size_t SeriesStore::bytesUsed() const {
    std::size_t bytes = sizeof *this + capacityBytes(levels_) + capacityBytes(runs_) +
                        capacityBytes(shifts_) + capacityBytes(gaps_) + capacityBytes(blocks_) +
                        capacityBytes(counts_);
    for (const auto& level : blocks_)
        bytes += capacityBytes(level);
    for (const SeriesGap& g : gaps_)
        bytes += g.cause.capacity() + g.detail.capacity();
    return bytes;
}
