#include "model/NoiseRules.h"

#include "model/AcousticStats.h"
#include "model/TimeLabels.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <tuple>

namespace {

constexpr double eightHours = 8.0 * 3600.0;
constexpr double log2of10 = 3.321928094887362;
// Time stamps are whole seconds: a stamp up to a second beyond where the
// previous reading ended is the same run of readings, not a gap.
constexpr double stampResolution = 1.0;

int hourOffset(int hour, int from) {
    return ((hour - from) % 24 + 24) % 24;
}

// Reads "d-m-y,h:m:s" digits only, the form every reading is written in; the
// general scan handles anything else (blanks, signs).
bool scanDigits(const char*& p, int& out) {
    if (*p < '0' || *p > '9')
        return false;
    int v = 0;
    for (int n = 0; *p >= '0' && *p <= '9'; ++p) {
        if (++n > 9)
            return false;
        v = v * 10 + (*p - '0');
    }
    out = v;
    return true;
}

std::optional<DateTime> fastParse(const std::string& text) {
    DateTime t;
    const char* p = text.c_str();
    int* fields[6] = {&t.day, &t.month, &t.year, &t.hour, &t.minute, &t.second};
    const char seps[5] = {'-', '-', ',', ':', ':'};
    for (int i = 0; i < 6; ++i) {
        if (!scanDigits(p, *fields[i]))
            return parseDateTime(text);
        if (i < 5 && *p++ != seps[i])
            return parseDateTime(text);
    }
    if (t.year < 1900 || t.year > 9999 || t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 ||
        t.hour > 23 || t.minute > 59 || t.second > 59)
        return std::nullopt;
    return t;
}

double levelOf(double energy, double seconds) {
    return 10.0 * std::log10(energy / seconds);
}

enum class Period { Day, Evening, Night };

Period periodOf(double secondOfDay, const PeriodBounds& b) {
    double o = secondOfDay / 3600.0 - b.dayStart;
    if (o < 0)
        o += 24.0;
    if (o < b.dayHours())
        return Period::Day;
    if (o < b.dayHours() + b.eveningHours())
        return Period::Evening;
    return Period::Night;
}

// L10 and L90: the k-th highest levels, k = ceil(n * N / 100) (the rule of
// AcousticStats). The second selection runs on what the first left below its rank.
std::pair<double, double> l10l90(std::vector<double>& levels) {
    const auto k10 = static_cast<std::ptrdiff_t>(percentileRank(10, levels.size())) - 1;
    const auto k90 = static_cast<std::ptrdiff_t>(percentileRank(90, levels.size())) - 1;
    std::nth_element(levels.begin(), levels.begin() + k10, levels.end(), std::greater<>());
    const double l10 = levels[static_cast<std::size_t>(k10)];
    if (k90 > k10)
        std::nth_element(levels.begin() + k10 + 1, levels.begin() + k90, levels.end(),
                         std::greater<>());
    return {l10, levels[static_cast<std::size_t>(k90)]};
}

// 10^(L/10), 2^((L-90)/5) and 2^((L-85)/3) of a level. The meter's levels
// lie on a 0.1 dB grid, so those come from tables; any other level is computed.
struct LevelFactors {
    double energy, osha, niosh;
};

LevelFactors factorsOf(double level) {
    return {std::exp2(level * (log2of10 / 10.0)), std::exp2((level - 90.0) / 5.0),
            std::exp2((level - 85.0) / 3.0)};
}

class FactorTable {
  public:
    FactorTable() {
        table_.reserve(size);
        for (int i = 0; i < size; ++i)
            table_.push_back(factorsOf(i / 10.0));
    }
    LevelFactors operator()(double level) const {
        const double tenths = level * 10.0;
        const auto k = static_cast<long>(std::lround(tenths));
        if (k >= 0 && k < size && std::abs(tenths - static_cast<double>(k)) < 1e-7)
            return table_[static_cast<std::size_t>(k)];
        return factorsOf(level);
    }

  private:
    static constexpr int size = 2000; // 0.0 .. 199.9 dB
    std::vector<LevelFactors> table_;
};

} // namespace

std::optional<double> ReadingClock::stampSeconds(const std::string& text) {
    // A series holds thousands of readings a date: the date part is read and
    // converted once per day, the clock part alone for the readings after.
    const auto comma = text.find(',');
    if (comma != std::string::npos && comma == datePrefix_.size() &&
        text.compare(0, comma, datePrefix_) == 0) {
        const char* p = text.c_str() + comma + 1;
        int h = 0, m = 0, s = 0;
        if (scanDigits(p, h) && *p++ == ':' && scanDigits(p, m) && *p++ == ':' &&
            scanDigits(p, s) && h <= 23 && m <= 59 && s <= 59)
            return dayStart_ + h * 3600.0 + m * 60.0 + s;
    }
    const auto t = fastParse(text);
    if (!t)
        return std::nullopt;
    datePrefix_.clear();
    if (comma != std::string::npos &&
        std::all_of(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(comma),
                    [](char ch) { return ch == '-' || (ch >= '0' && ch <= '9'); }))
        datePrefix_ = text.substr(0, comma);
    if (t->day != day_ || t->month != month_ || t->year != year_) {
        day_ = t->day;
        month_ = t->month;
        year_ = t->year;
        dayStart_ = static_cast<double>(secondsBetween(DateTime{}, DateTime{day_, month_, year_}));
    }
    return dayStart_ + t->hour * 3600.0 + t->minute * 60.0 + t->second;
}

std::optional<double> ReadingClock::place(const CObjData& reading) {
    auto start = stampSeconds(std::string(reading.dateTime()));
    if (!start)
        return std::nullopt;
    if (!started_)
        started_ = true;
    else if (*start > end_ + stampResolution)
        gap_ += *start - end_;
    else
        start = end_;
    end_ = *start + std::max(0.0, reading.samplingRate());
    return start;
}

bool PeriodBounds::valid() const {
    if (dayStart < 0 || dayStart > 23 || eveningStart < 0 || eveningStart > 23 || nightStart < 0 ||
        nightStart > 23)
        return false;
    const int e = hourOffset(eveningStart, dayStart);
    const int n = hourOffset(nightStart, dayStart);
    return e > 0 && n > e;
}

double PeriodBounds::dayHours() const {
    return hourOffset(eveningStart, dayStart);
}
double PeriodBounds::eveningHours() const {
    return hourOffset(nightStart, eveningStart);
}
double PeriodBounds::nightHours() const {
    return 24.0 - dayHours() - eveningHours();
}

double oshaAllowedHours(double level) {
    return 8.0 / std::exp2((level - 90.0) / 5.0);
}
double nioshAllowedHours(double level) {
    return 8.0 / std::exp2((level - 85.0) / 3.0);
}
double oshaTwaOfDose(double dosePercent) {
    return 16.61 * std::log10(dosePercent / 100.0) + 90.0;
}
double nioshTwaOfDose(double dosePercent) {
    return 10.0 * std::log10(dosePercent / 100.0) + 85.0;
}

double ldenOf(double lday, double levening, double lnight, const PeriodBounds& b) {
    const double sum = b.dayHours() * std::pow(10.0, lday / 10.0) +
                       b.eveningHours() * std::pow(10.0, (levening + 5.0) / 10.0) +
                       b.nightHours() * std::pow(10.0, (lnight + 10.0) / 10.0);
    return 10.0 * std::log10(sum / 24.0);
}

EuActionValue euReached(double lex8h) {
    // The figures are shown to one decimal; a value that shows as 87.0 has reached 87.
    const double shown = std::round(lex8h * 10.0) / 10.0;
    if (shown >= euLimitValue)
        return EuActionValue::Limit;
    if (shown >= euUpperActionValue)
        return EuActionValue::Upper;
    if (shown >= euLowerActionValue)
        return EuActionValue::Lower;
    return EuActionValue::None;
}

NoiseFigures computeNoiseFigures(const RecordList& records, std::size_t first, std::size_t last,
                                 const NoiseSettings& settings) {
    NoiseFigures out;
    ExposureFigures& x = out.exposure;
    EnvironmentFigures& env = out.environment;
    const int width = settings.intervalSeconds > 0 ? settings.intervalSeconds : 900;
    env.intervalSeconds = width;
    last = std::min(last, records.size());
    if (first >= last)
        return out;

    const PeriodBounds bounds = settings.bounds.valid() ? settings.bounds : PeriodBounds{};
    static const FactorTable factors;
    ReadingClock clock;
    bool timesKnown = true;
    std::size_t a = 0, c = 0;
    double total = 0.0, energyA = 0.0, osha = 0.0, niosh = 0.0;
    double periodEnergy[3] = {}, periodSeconds[3] = {};

    std::vector<double> bucketLevels;
    IntervalFigures bucket;
    double bucketEnergy = 0.0, bucketSeconds = 0.0;
    auto closeBucket = [&] {
        if (bucketLevels.empty())
            return;
        bucket.count = bucketLevels.size();
        bucket.leq = levelOf(bucketEnergy, bucketSeconds);
        bucket.coverage = std::min(1.0, bucketSeconds / width);
        std::tie(bucket.l10, bucket.l90) = l10l90(bucketLevels);
        env.intervals.push_back(bucket);
        bucketLevels.clear();
        bucketEnergy = bucketSeconds = 0.0;
    };

    for (std::size_t i = first; i < last; ++i) {
        const CObjData& r = records[i];
        const double level = r.value();
        const double dt = std::max(0.0, r.samplingRate());
        const LevelFactors k = factors(level);
        const double energy = k.energy;
        (r.unit() == "dBA" ? a : c) += 1;
        total += dt;
        energyA += energy * dt;
        if (level >= 80.0)
            osha += dt * k.osha;
        niosh += dt * k.niosh;

        if (!timesKnown)
            continue;
        const auto placed = clock.place(r);
        if (!placed) {
            timesKnown = false;
            continue;
        }
        const double start = *placed;
        if (i == first)
            env.firstStart = static_cast<std::int64_t>(start);

        const double secondOfDay = start - 86400.0 * std::floor(start / 86400.0);
        const auto p = static_cast<std::size_t>(periodOf(secondOfDay, bounds));
        periodEnergy[p] += energy * dt;
        periodSeconds[p] += dt;

        const auto slot = static_cast<std::int64_t>(std::floor(start / width)) * width;
        if (bucketLevels.empty() || slot != bucket.start) {
            closeBucket();
            bucket = IntervalFigures{};
            bucket.start = slot;
            bucket.lmax = bucket.lmin = level;
        }
        bucket.lmax = std::max(bucket.lmax, level);
        bucket.lmin = std::min(bucket.lmin, level);
        bucketLevels.push_back(level);
        bucketEnergy += energy * dt;
        bucketSeconds += dt;
    }

    // Exposure.
    x.measuredSeconds = total;
    x.notApplicable = c == 0   ? NotApplicable::None
                      : a == 0 ? NotApplicable::NotAWeighted
                               : NotApplicable::MixedWeighting;
    if (total <= 0.0 && x.notApplicable == NotApplicable::None)
        x.notApplicable = NotApplicable::NoReadings;
    if (x.notApplicable == NotApplicable::None) {
        x.shiftGiven = settings.shiftHours && *settings.shiftHours > 0;
        x.shiftSeconds = x.shiftGiven ? *settings.shiftHours * 3600.0 : total;
        x.laeq = levelOf(energyA, total);
        x.lex8h = x.laeq + 10.0 * std::log10(x.shiftSeconds / eightHours);
        x.reached = euReached(x.lex8h);
        // The measured part stands for the whole shift.
        const double projection = x.shiftSeconds / total;
        x.oshaDose = 100.0 * osha / eightHours * projection;
        x.nioshDose = 100.0 * niosh / eightHours * projection;
        if (x.oshaDose > 0)
            x.oshaTwa = oshaTwaOfDose(x.oshaDose);
        if (x.nioshDose > 0)
            x.nioshTwa = nioshTwaOfDose(x.nioshDose);
    }

    // Environment.
    if (!timesKnown) {
        env.intervals.clear();
        env.notApplicable = NotApplicable::NoTimeStamps;
        return out;
    }
    closeBucket();
    env.notApplicable = total > 0 ? NotApplicable::None : NotApplicable::NoReadings;
    env.coveredSeconds = total;
    env.gapSeconds = clock.gapSeconds();
    env.spanSeconds = clock.end() - static_cast<double>(env.firstStart);
    env.days = std::max(1, static_cast<int>(std::lround(env.spanSeconds / 86400.0)));
    const double hours[3] = {bounds.dayHours(), bounds.eveningHours(), bounds.nightHours()};
    PeriodFigures* periods[3] = {&env.day, &env.evening, &env.night};
    for (int p = 0; p < 3; ++p) {
        if (periodSeconds[p] <= 0)
            continue;
        periods[p]->present = true;
        periods[p]->level = levelOf(periodEnergy[p], periodSeconds[p]);
        periods[p]->coverage = std::min(1.0, periodSeconds[p] / (hours[p] * 3600.0 * env.days));
    }
    if (env.day.present && env.evening.present && env.night.present)
        env.lden = ldenOf(env.day.level, env.evening.level, env.night.level, bounds);
    return out;
}

std::optional<int> parseIntervalName(const std::string& text) {
    if (text == "1m")
        return 60;
    if (text == "5m")
        return 300;
    if (text == "15m")
        return 900;
    if (text == "1h")
        return 3600;
    return std::nullopt;
}

std::string intervalName(int seconds) {
    if (seconds % 3600 == 0)
        return std::to_string(seconds / 3600) + "h";
    return std::to_string(seconds / 60) + "m";
}

namespace {
DateTime civilOf(std::int64_t seconds) {
    return addSeconds(DateTime{}, seconds);
}
} // namespace

std::string clockOfSeconds(std::int64_t seconds) {
    const DateTime t = civilOf(seconds);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%.2d:%.2d", t.hour, t.minute);
    return buf;
}

std::string dateClockOfSeconds(std::int64_t seconds) {
    const DateTime t = civilOf(seconds);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2d-%.2d-%d %.2d:%.2d", t.day, t.month, t.year, t.hour,
                  t.minute);
    return buf;
}

const char* euActionValueName(EuActionValue v) {
    switch (v) {
    case EuActionValue::None:
        return "none";
    case EuActionValue::Lower:
        return "lower action value";
    case EuActionValue::Upper:
        return "upper action value";
    case EuActionValue::Limit:
        return "limit value";
    }
    return "";
}

const char* notApplicableReason(NotApplicable why) {
    switch (why) {
    case NotApplicable::None:
        return "";
    case NotApplicable::NoReadings:
        return "no readings";
    case NotApplicable::NotAWeighted:
        return "dBC readings: the figures need A-weighted readings";
    case NotApplicable::MixedWeighting:
        return "dBA and dBC readings mixed: the figures need A-weighted readings only";
    case NotApplicable::NoTimeStamps:
        return "a reading's time stamp is no date-time";
    }
    return "";
}
