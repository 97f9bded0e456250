#include "survey/SurveyRunner.h"

#include "formats/FileWrite.h"
#include "recording/Recording.h"
#include "survey/SeriesReader.h"

#include <exception>
#include <filesystem>
#include <string_view>
#include <utility>

namespace {

// Where the last whole row of the folder's summary.csv ends; nothing without
// one. A last line without its line end was cut short by a kill and is no row.
std::optional<SurveyMs> summaryRowsEnd(const std::string& dir, const Clock& clock) {
    std::string text;
    if (!ReadWholeFile(dir + "/" + summaryFileName, text))
        return std::nullopt;
    std::string_view ended(text.data(), text.rfind('\n') + 1);
    while (!ended.empty()) {
        ended.remove_suffix(1);
        const std::size_t begin = ended.rfind('\n') + 1;
        const std::string_view row = ended.substr(begin);
        ended = ended.substr(0, begin);
        const std::size_t comma = row.find(',');
        if (comma == std::string_view::npos)
            continue;
        const std::size_t next = row.find(',', comma + 1);
        if (const auto end = parseSurveyDateTime(
                row.substr(comma + 1, next == std::string_view::npos ? next : next - comma - 1),
                clock))
            return SurveyMs(*end) * 1000;
    }
    return std::nullopt;
}

// The readings of the folder's data files from `from` on (all without it), in
// order. Files are read from the newest back to the one that holds the time.
std::vector<SurveyReading> readingsFrom(const std::string& dir, const Clock& clock,
                                        std::optional<SurveyMs> from) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec))
        names.push_back(entry.path().string());
    const std::vector<std::string> files = surveyDataFiles(names);
    std::vector<SurveyReading> readings;
    for (auto file = files.rbegin(); file != files.rend(); ++file) {
        std::string text;
        if (!ReadWholeFile(*file, text))
            continue;
        const SeriesFilePart part = parseSeriesFile(text);
        std::vector<SurveyReading> taken;
        bool reachesBack = false;
        const Centibel* level = part.levels.data();
        for (const SeriesFilePart::Stamp& stamp : part.stamps) {
            const SurveyMs t = SurveyMs(instantOfLocal(clock, stamp.localSecond)) * 1000;
            reachesBack = reachesBack || (from && t < *from);
            if (!from || t >= *from)
                for (std::uint32_t i = 0; i < stamp.count; ++i)
                    taken.push_back({t, level[i] / 100.0, stamp.weighting});
            level += stamp.count;
        }
        readings.insert(readings.begin(), taken.begin(), taken.end());
        if (reachesBack)
            break;
    }
    return readings;
}

} // namespace

void resumeSurvey(SurveySettings& settings, const Clock& clock) {
    const auto written = lastSurveyWrite(settings.dir);
    if (!written)
        return;
    // The files' times are the PC's; the survey's clock may run shifted (tests).
    settings.previousEnd = *written + clock.nowMs() - SystemClock().nowMs();
    settings.unsummarised = readingsFrom(settings.dir, clock, summaryRowsEnd(settings.dir, clock));
}

SurveyRunner::SurveyRunner(SurveyFileSystem& fs, const Clock& clock, SurveySettings settings)
    : clock_(clock), settings_(std::move(settings)),
      files_(fs, clock, settings_.dir, settings_.split, settings_.interval),
      summary_(clock, settings_.summarySeconds, settings_.interval),
      previousEnd_(settings_.previousEnd), resumed_(settings_.previousEnd.has_value()) {
    files_.report = [this](const std::string& text) {
        if (report)
            report(text);
    };
}

template <class F> void SurveyRunner::hand(F&& f) {
    // The files are never left out: their failures are held and retried.
    f(static_cast<SurveyOutput&>(files_));
    ++rounds_;
    for (std::size_t i = 0; i < outputs_.size(); ++i) {
        if (!outputs_[i])
            continue;
        try {
            f(*outputs_[i]);
        } catch (const std::exception& e) {
            outputs_[i] = nullptr;
            if (outputFailed)
                outputFailed(e.what());
        }
    }
    if (--rounds_ == 0)
        std::erase(outputs_, nullptr);
}

void SurveyRunner::exceedanceGoesOn(const SeriesEvent& event) {
    hand([&](SurveyOutput& o) { o.exceedanceGoesOn(event); });
}

void SurveyRunner::start(SurveyMs t) {
    startMs_ = t;
    // The earlier run's readings close their intervals as they would have,
    // up to the one they end in: its row comes when this run leaves it.
    for (const SurveyReading& r : std::exchange(settings_.unsummarised, {})) {
        if (const auto row = summary_.advance(r.t))
            hand([&](SurveyOutput& o) { o.summaryRow(*row); });
        summary_.add(r.level, r.weighting == 'C' ? "dBC" : "dBA");
    }
    if (const auto row = summary_.advance(t))
        hand([&](SurveyOutput& o) { o.summaryRow(*row); });
    files_.flush(t);
}

SurveyRunner::TickOutcome SurveyRunner::tick(SurveyMs t, const TickVerdict& verdict, double level,
                                             bool weightingA) {
    if (const auto row = summary_.advance(t))
        hand([&](SurveyOutput& o) { o.summaryRow(*row); });
    TickOutcome outcome;
    outcome.gapEnded = gaps_.tick(t, verdict.cause, verdict.detail);
    if (verdict.cause == GapCause::None) {
        const CObjData sample(level,
                              recordTimeStamp(clock_.local(static_cast<std::time_t>(t / 1000))),
                              weightingA ? "dBA" : "dBC", 0, settings_.interval);
        summary_.add(sample.value(), std::string(sample.unit()));
        ++samples_;
        level_ = sample.value();
        unit_ = sample.unit();
        last_ = sample;
        outcome.sampled = true;
        // The gaps a sample closes go out before it: a series learns of a gap
        // before the sample that brings it in.
        if (previousEnd_) {
            const Gap restart{*previousEnd_, t, "restart", "the survey was not running"};
            previousEnd_.reset();
            hand([&](SurveyOutput& o) { o.gap(restart); });
        }
        if (outcome.gapEnded)
            hand([&](SurveyOutput& o) { o.gap(*outcome.gapEnded); });
        hand([&](SurveyOutput& o) { o.sample(t, sample); });
    }
    files_.flush(t);
    return outcome;
}

bool SurveyRunner::finish(SurveyMs t) {
    if (const auto gap = gaps_.finish(t))
        hand([&](SurveyOutput& o) { o.gap(*gap); });
    if (const auto row = summary_.finish())
        hand([&](SurveyOutput& o) { o.summaryRow(*row); });
    hand([](SurveyOutput& o) { o.ended(); });
    return files_.allWritten();
}
