#include "SeriesInput.h"

#include "model/Clock.h"
#include "model/DataSets.h"
#include "model/TextFormat.h"
#include "model/TimeLabels.h"
#include "pgarchive/PgSeries.h"
#include "survey/SeriesFigures.h"
#include "survey/SeriesReader.h"
#include "survey/SeriesTables.h"
#include "survey/Survey.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>

const char* const seriesOptionsUsage =
    "  --from DATETIME, --to DATETIME  only the readings from, and before, a\n"
    "              local time: 2026-12-09T08:00[:SS], or with its UTC offset\n"
    "              (Z, +01:00)\n"
    "  --marks FILE  the marks file the figures follow; a survey folder's own is\n"
    "              its markers.csv\n"
    "  --no-marks  the figures of all readings, whatever the marks\n";

bool wantsSeries(const CommandLine& line, std::size_t inputs) {
    if (inputs != 1 || line.positional.empty())
        return inputs > 1;
    std::error_code ec;
    return std::filesystem::is_directory(line.positional[0], ec) ||
           isDatabaseUrl(line.positional[0]) || line.option("--from") || line.option("--to") ||
           line.flag("--daily") || line.option("--marks");
}

bool checkSeriesOptions(const CommandLine& line, std::string& error) {
    for (const char* name : {"--from", "--to"})
        if (const std::string* text = line.option(name);
            text && !parseSurveyDateTime(*text, appClock())) {
            error = std::string(name) +
                    " wants a local date and time such as 2026-12-09T08:00, not '" + *text + "'";
            return false;
        }
    if (line.option("--marks") && line.flag(noMarksFlag)) {
        error = "--marks and --no-marks exclude each other";
        return false;
    }
    return true;
}

std::optional<SeriesInput> openSeries(const std::vector<std::string>& inputs,
                                      const CommandLine& line, const char* command) {
    const std::string prefix = std::string("vrel-cli ") + command + ": ";
    std::error_code ec;
    SeriesRead read;
    if (inputs.size() == 1 && isDatabaseUrl(inputs[0])) {
        std::string error;
        const auto source = parseDatabaseInput(inputs[0], error);
        if (!source) {
            std::cerr << prefix << error << "\n";
            return std::nullopt;
        }
        // The index is asked for the span only.
        auto asked = [&line](const char* name) -> std::optional<std::int64_t> {
            const std::string* text = line.option(name);
            return text ? std::optional<std::int64_t>(*parseSurveyDateTime(*text, appClock()))
                        : std::nullopt;
        };
        read = readDatabaseSeries(*source, asked("--from"), asked("--to"));
    } else if (inputs.size() == 1 && std::filesystem::is_directory(inputs[0], ec)) {
        read = readSurveySeries(inputs[0]);
    } else {
        for (const std::string& f : inputs)
            if (std::filesystem::is_directory(f, ec)) {
                std::cerr << prefix << f << " is a folder: give one folder, or data files\n";
                return std::nullopt;
            }
        read = readSeriesFiles(inputs);
    }
    for (const SeriesFileProblem& p : read.problems)
        std::cerr << prefix << p.file << ": " << p.reason << "\n";
    switch (read.status) {
    case SeriesRead::Status::CannotList:
        std::cerr << prefix << read.error << "\n";
        return std::nullopt;
    case SeriesRead::Status::NoReadings:
    case SeriesRead::Status::Cancelled:
        std::cerr << prefix << "no readings in " << inputs[0] << (inputs.size() > 1 ? " ..." : "")
                  << "\n";
        return std::nullopt;
    case SeriesRead::Status::Ok:
        break;
    }
    SeriesInput in;
    in.series = std::move(read.series);
    in.from = in.series.start();
    in.to = in.series.end();
    // A time typed is found in the series as a mark's time is.
    if (const std::string* text = line.option("--from"))
        in.from =
            seriesTimeOf(in.series, *parseSurveyDateTime(*text, appClock()) * 1000, appClock());
    if (const std::string* text = line.option("--to"))
        in.to = seriesTimeOf(in.series, *parseSurveyDateTime(*text, appClock()) * 1000, appClock());
    if (in.series.sum(in.from, in.to).count == 0) {
        std::cerr << prefix << "no readings from " << seriesDateTime(in.series, in.from) << " to "
                  << seriesDateTime(in.series, in.to) << "\n";
        return std::nullopt;
    }
    if (line.flag(noMarksFlag))
        return in;
    const std::string* given = line.option("--marks");
    const bool database = inputs.size() == 1 && isDatabaseUrl(inputs[0]);
    if (!given && !database &&
        !(inputs.size() == 1 && std::filesystem::is_directory(inputs[0], ec)))
        return in;
    const std::string path = given ? *given : inputs[0] + "/" + marksFileName;
    MarksRead marks;
    if (database && !given) {
        // The survey's own marks, as the database holds its markers.csv.
        std::string error;
        const auto text =
            readDatabaseTable(*parseDatabaseInput(inputs[0], error), marksFileName, error);
        if (!text) {
            std::cerr << prefix << error << "\n";
            return std::nullopt;
        }
        if (text->empty())
            marks.status = MarksRead::Status::Missing;
        else
            marks = parseMarks(*text, marksFileName);
    } else {
        marks = readMarks(path);
    }
    for (const std::string& problem : marks.problems)
        std::cerr << prefix << problem << "\n";
    switch (marks.status) {
    case MarksRead::Status::Missing:
        if (!given)
            return in;
        std::cerr << prefix << "there is no marks file " << path << "\n";
        return std::nullopt;
    case MarksRead::Status::CannotRead:
    case MarksRead::Status::NotMarks:
        std::cerr << prefix << marks.error << "\n";
        return std::nullopt;
    case MarksRead::Status::Ok:
        break;
    }
    in.listed = SurveyMarks(marks.marks);
    in.marks = in.listed.inSeries(in.series, appClock());
    in.marked = true;
    return in;
}

namespace {

void put(const char* name, const std::string& value, const std::string& unit) {
    std::cout << name << '\t' << value << '\t' << unit << '\n';
}

std::string level(std::optional<double> v) {
    return v ? formatFixed(*v, 2) : "-";
}

struct Exceedance {
    std::uint64_t above = 0, longestRun = 0;
    double aboveSeconds = 0, longestRunSeconds = 0;
};

// Readings above the limit, and the longest stretch of them one after
// another; a stretch ends where the marks leave readings out.
Exceedance exceedance(const SeriesStore& s, const std::vector<SeriesSpan>& spans, double limit) {
    Exceedance e;
    const auto threshold = static_cast<long>(std::floor(limit * centibelsPerDb + 1e-9));
    for (const SeriesSpan& span : spans) {
        const std::size_t first = s.indexAt(span.start), last = s.indexAt(span.end);
        std::uint64_t run = 0;
        double runSeconds = 0;
        for (const SeriesRun& r : s.runs()) {
            const std::size_t lo = std::max<std::size_t>(first, r.first);
            const std::size_t hi = std::min<std::size_t>(last, r.first + r.count);
            const double dt = r.intervalMs / 1000.0;
            for (std::size_t i = lo; i < hi; ++i) {
                if (s.centibelsAt(i) > threshold) {
                    ++e.above;
                    e.aboveSeconds += dt;
                    runSeconds += dt;
                    if (++run > e.longestRun) {
                        e.longestRun = run;
                        e.longestRunSeconds = runSeconds;
                    }
                } else {
                    run = 0;
                    runSeconds = 0;
                }
            }
        }
    }
    return e;
}

std::vector<SeriesSpan> keptSpans(const SeriesInput& input) {
    return input.marks.empty() ? std::vector<SeriesSpan>{{input.from, input.to}}
                               : input.marks.kept(input.from, input.to);
}

} // namespace

void printSeriesStats(const SeriesInput& input, std::optional<double> limit) {
    const SeriesStore& s = input.series;
    const SpanFigures f = spanFigures(s, input.from, input.to, {}, input.marks);
    const std::string w = f.weighting();
    auto putFigure = [&f](const SpanFigure& figure, const std::optional<double>& v) {
        put(figure.key, level(v), weightingOf(figure, f));
    };
    put("count", std::to_string(f.sum.count), "readings");
    for (const SpanFigure& figure : spanFigureList())
        if ((figure.outputs & InCli) && figure.over != FigureSpan::ResidualSound)
            putFigure(figure, figure.value(f));
    if (limit) {
        const Exceedance e = exceedance(s, keptSpans(input), *limit);
        put("limit", level(limit), w);
        put("above", std::to_string(e.above), "readings");
        put("aboveTime", formatFixed(e.aboveSeconds, 2), "s");
        put("longestRun", std::to_string(e.longestRun), "readings");
        put("longestRunTime", formatFixed(e.longestRunSeconds, 2), "s");
    }
    if (!input.marked)
        return;
    put("excluded", std::to_string(f.excluded.count), "readings");
    put("residual", std::to_string(f.residual.count), "readings");
    if (!f.lres())
        return;
    for (const SpanFigure& figure : spanFigureList()) {
        if (!(figure.outputs & InCli) || figure.over != FigureSpan::ResidualSound)
            continue;
        if (const auto v = figure.value(f))
            putFigure(figure, v);
        else if (f.sum.leq())
            put(figure.key, "not determinable", "the difference is 3 dB or less");
        else
            put(figure.key, "not determinable", "no readings outside the marks");
    }
}

std::optional<EventRules> readEventRules(const CommandLine& line, std::string_view prefix,
                                         std::string& error) {
    const std::string p(prefix);
    const std::string* above = line.option(p + "above");
    EventRules rules;
    struct Field {
        const char* name;
        double* value;
        bool level;
    };
    for (const Field f :
         {Field{"above", &rules.aboveDb, true}, Field{"hysteresis", &rules.hysteresisDb, true},
          Field{"merge", &rules.mergeSeconds, false}, Field{"min", &rules.minSeconds, false}}) {
        const std::string name = p + f.name;
        const std::string* text = line.option(name);
        if (!text)
            continue;
        const auto v = parseNumber(*text);
        if (!v || (f.value != &rules.aboveDb && *v < 0)) {
            error = name + (f.level ? " takes a level in dB" : " takes seconds") +
                    (f.value != &rules.aboveDb ? ", 0 or more" : "") + ", not '" + *text + "'";
            return std::nullopt;
        }
        if (!above) {
            error = name + " goes with " + p + "above";
            return std::nullopt;
        }
        *f.value = *v;
    }
    if (!above)
        return std::nullopt;
    return rules;
}

void printEvents(const SeriesEvents& events) {
    const Clock& clock = appClock();
    int n = 0;
    for (const SeriesEvent& e : events.events) {
        std::cout << "event";
        for (const std::string& f : eventFields(clock, ++n, e))
            std::cout << '\t' << f;
        std::cout << '\n';
    }
    for (const EventDay& d : events.days) {
        char date[16];
        std::snprintf(date, sizeof date, "%02d-%02d-%04d", d.day, d.month, d.year);
        std::cout << "eventday\t" << date << '\t' << d.events << '\t'
                  << formatFixed(d.secondsAbove, 1) << '\n';
    }
}

void printBackground(const SeriesBackground& background) {
    for (const BackgroundLevel& l : background.levels) {
        char date[16];
        std::snprintf(date, sizeof date, "%02d-%02d-%04d", l.day, l.month, l.year);
        std::cout << "abl\t" << date << '\t' << dayPartName(l.part) << '\t' << formatFixed(l.abl, 2)
                  << '\t' << l.intervals << '\n';
    }
    for (const BackgroundRating& r : background.ratings)
        std::cout << "rbl\t" << dayPartName(r.part) << '\t' << formatFixed(r.rbl, 2) << '\t'
                  << r.dates << '\n';
}

void printDailyFigures(const SeriesInput& input, const PeriodBounds& bounds,
                       const SeriesEvents* events) {
    const FigureTable<DayFigures>& table = dailyFiguresTable();
    std::vector<DayFigures> days =
        dailyFigures(input.series, bounds, input.from, input.to, input.marks);
    if (events)
        putEventDays(days, *events);
    for (const DayFigures& d : days) {
        std::cout << "day\t" << table.name(d);
        for (const TableColumn<DayFigures>& c : table.columns)
            std::cout << '\t' << level(c.value(d));
        if (events)
            for (const TableColumn<DayFigures>& c : dailyEventColumns())
                std::cout << '\t' << formatFixed(*c.value(d), c.decimals);
        std::cout << '\n';
    }
}

std::string dailyFiguresUsage() {
    // Wrapped as the rest of the help, within 78 columns.
    const std::string indent(14, ' ');
    std::string text = "  --daily     adds a line per day, a day running from the day period's\n";
    std::string line = indent + "start to the next day's: ";
    auto put = [&](const std::string& piece) {
        if (line.size() + piece.size() > 78) {
            text += line + "\n";
            line = indent;
            line += piece.starts_with(' ') ? piece.substr(1) : piece;
            return;
        }
        line += piece;
    };
    const FigureTable<DayFigures>& table = dailyFiguresTable();
    put("day<TAB>");
    put(std::string(table.key) + "<TAB>");
    for (std::size_t i = 0; i < table.columns.size(); ++i)
        put(withBareUnit(table.columns[i].key, table.columns[i].unit) +
            (i + 1 < table.columns.size() ? "<TAB>" : ";"));
    put(" a level without readings is '-';");
    put(" with --above");
    put(" it goes on");
    for (const TableColumn<DayFigures>& c : dailyEventColumns())
        put("<TAB>" + withBareUnit(c.key, c.unit));
    put(":");
    put(" the day's events");
    put(" and time above");
    return text + line + "\n";
}

std::size_t keptReadings(const SeriesInput& input) {
    std::size_t count = 0;
    for (const SeriesSpan& span : keptSpans(input))
        count += input.series.indexAt(span.end) - input.series.indexAt(span.start);
    return count;
}

std::optional<ChosenDataSet> seriesDataSet(const SeriesInput& input, const char* command) {
    const SeriesStore& s = input.series;
    if (const std::size_t count = keptReadings(input); count > maxSeriesRecords) {
        std::cerr << "vrel-cli " << command << ": " << count << " readings are more than the "
                  << maxSeriesRecords << " it takes at once: choose a span with --from and --to\n";
        return std::nullopt;
    }
    ChosenDataSet set;
    set.selection = seriesRecords(s, input.from, input.to, input.marks);
    set.stats = DataSetStats(set.selection);
    return set;
}
