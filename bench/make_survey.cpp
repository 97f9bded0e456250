// Writes the folder a survey of N days at S seconds leaves, through the
// survey's own writer, so the files are what vrel-cli survey writes: hourly
// data files, summary.csv and events.csv. The level follows day, evening and
// night with traffic-like peaks; one outage of the meter's cable, and, when
// asked, the hour repeated when daylight saving ends.
//
//   make-survey --out DIR [--days N] [--interval S] [--start 2026-10-20T07]
//               [--outage-day D] [--outage-hours H] [--dst-end 2026-10-25T01]
//
// Times are UTC instants; the site's clock is UTC+1, UTC+2 before --dst-end.
#include "recording/Recording.h"
#include "survey/Survey.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>

namespace {

class SiteClock final : public Clock {
  public:
    explicit SiteClock(std::optional<std::time_t> dstEnd) : dstEnd_(dstEnd) {}
    std::time_t now() const override { return 0; }
    LocalTime local(std::time_t t) const override {
        const std::time_t shifted = t + (dstEnd_ && t < *dstEnd_ ? 7200 : 3600);
        std::tm tm{};
        gmtime_r(&shifted, &tm);
        return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
    }

  private:
    std::optional<std::time_t> dstEnd_;
};

class ManualZulu final : public Clock {
  public:
    std::time_t now() const override { return 0; }
    LocalTime local(std::time_t t) const override {
        std::tm tm{};
        gmtime_r(&t, &tm);
        return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
    }
};

std::optional<std::time_t> utcInstant(const std::string& text) {
    static const ManualZulu zulu;
    return parseSurveyDateTime(text.size() == 13 ? text + ":00Z" : text + "Z", zulu);
}

// A level in tenths of a dB, as the meter shows it: the hour's base level,
// noise, and now and then a passing vehicle.
class Levels {
  public:
    double at(const LocalTime& t) {
        const double hour = t.hour + t.minute / 60.0;
        double base = hour >= 7 && hour < 19 ? 62 : hour >= 19 && hour < 23 ? 55 : 44;
        base += 3 * std::sin(hour / 24 * 2 * 3.141592653589793);
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        const double noise = static_cast<double>(state_ >> 40) / static_cast<double>(1 << 24);
        if (peak_ > 0) {
            --peak_;
        } else if (noise > 0.99995) {
            peak_ = 40;
        }
        const double level = base + 6 * (noise - 0.5) + (peak_ > 0 ? 18 : 0);
        return std::round(level * 10) / 10;
    }

  private:
    std::uint64_t state_ = 12345;
    int peak_ = 0;
};

int usage() {
    std::cerr << "usage: make-survey --out DIR [--days N] [--interval S] [--start "
                 "2026-10-20T07]\n"
                 "                   [--outage-day D] [--outage-hours H] [--dst-end "
                 "2026-10-25T01]\n";
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::string out, start = "2026-10-20T06";
    double days = 30, interval = 0.1, outageHours = 2;
    int outageDay = 2;
    std::optional<std::time_t> dstEnd;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i], value = argv[i + 1];
        if (name == "--out")
            out = value;
        else if (name == "--days")
            days = std::atof(value.c_str());
        else if (name == "--interval")
            interval = std::atof(value.c_str());
        else if (name == "--start")
            start = value;
        else if (name == "--outage-day")
            outageDay = std::atoi(value.c_str());
        else if (name == "--outage-hours")
            outageHours = std::atof(value.c_str());
        else if (name == "--dst-end" && (dstEnd = utcInstant(value)))
            continue;
        else
            return usage();
    }
    const auto first = utcInstant(start);
    if (out.empty() || !first || days <= 0 || interval <= 0 || argc % 2 == 0)
        return usage();
    std::filesystem::create_directories(out);

    const SiteClock clock(dstEnd);
    const auto stepMs = static_cast<SurveyMs>(std::llround(interval * 1000));
    const SurveyMs begin = static_cast<SurveyMs>(*first) * 1000;
    const SurveyMs end = begin + static_cast<SurveyMs>(days * 86400000);
    const SurveyMs outageStart = begin + SurveyMs(outageDay) * 86400000 + 4 * 3600000;
    const SurveyMs outageEnd = outageStart + static_cast<SurveyMs>(outageHours * 3600000);

    SurveyStore store(diskFileSystem(), clock, out, SurveySplit::Hour, interval, 1 << 20);
    IntervalSummary summary(clock, 900, interval);
    Levels levels;
    std::size_t n = 0;
    for (SurveyMs t = begin; t < end; t += stepMs) {
        if (t >= outageStart && t < outageEnd)
            continue;
        if (t >= outageEnd && t - stepMs < outageEnd && outageEnd > outageStart)
            store.addEvent(gapRow(clock, {outageStart, t, "disconnected", "the meter's cable"}));
        const LocalTime local = clock.local(static_cast<std::time_t>(t / 1000));
        const CObjData sample(levels.at(local), recordTimeStamp(local), "dBA", 0, interval);
        if (auto row = summary.advance(t))
            store.addSummaryRow(std::move(*row));
        summary.add(sample.value(), "dBA");
        store.addSample(sample, t);
        if (++n % 8192 == 0 && !store.flush(t)) {
            std::cerr << "make-survey: cannot write " << out << "\n";
            return 1;
        }
    }
    if (auto row = summary.finish())
        store.addSummaryRow(std::move(*row));
    if (!store.close()) {
        std::cerr << "make-survey: cannot write " << out << "\n";
        return 1;
    }
    std::cout << n << " readings in " << store.files().size() << " files\n";
    return 0;
}
