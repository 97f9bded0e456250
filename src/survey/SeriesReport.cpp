#include "survey/SeriesReport.h"

#include "model/TextFormat.h"
#include "model/TimeLabels.h"
#include "survey/SeriesBackground.h"
#include "survey/SeriesFigures.h"
#include "survey/SeriesTables.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr std::int64_t hourMs = 3'600'000;
constexpr std::int64_t dayMs = 24 * hourMs;

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    return a / b - (a % b != 0 && (a < 0) != (b < 0));
}

std::vector<ReportColumn> columnsOf(const SeriesStore& s, SeriesMs a, SeriesMs b, SeriesMs t0,
                                    SeriesMs t1) {
    const std::vector<LevelSum> sums = s.columns(a, b, reportCurveColumns);
    std::vector<ReportColumn> out(sums.size());
    const double width = static_cast<double>(b - a) / static_cast<double>(sums.size());
    for (std::size_t i = 0; i < sums.size(); ++i) {
        // A column of a day curve outside the reported span shows nothing of it.
        const double middle = static_cast<double>(a) + (static_cast<double>(i) + 0.5) * width;
        if (sums[i].count == 0 || middle < static_cast<double>(t0) ||
            middle >= static_cast<double>(t1))
            continue;
        out[i] = {false, *sums[i].lmin(), *sums[i].lmax(), *sums[i].leq()};
    }
    return out;
}

// Marks every step of the wall clock from anchor on, placed where the
// series shows that time (a repeated hour at its first showing); every
// labelEvery-th step counted from the anchor is labelled.
std::vector<ReportTick> ticksOf(const SeriesStore& s, SeriesMs a, SeriesMs b,
                                std::int64_t anchorLocal, std::int64_t stepMs, bool withDate,
                                std::int64_t labelEvery = 1) {
    std::vector<ReportTick> out;
    const std::int64_t localEnd = s.localOf(b);
    const std::int64_t first =
        anchorLocal + stepMs * (floorDiv(s.localOf(a) - anchorLocal + stepMs - 1, stepMs));
    for (std::int64_t local = first; local <= localEnd; local += stepMs) {
        const SeriesMs t = s.seriesOfLocal(local);
        if (t < a || t > b)
            continue;
        if (floorDiv(local - anchorLocal, stepMs) % labelEvery != 0) {
            out.push_back({static_cast<double>(t - a) / static_cast<double>(b - a), {}});
            continue;
        }
        const DateTime d = addSeconds(DateTime{}, floorDiv(local, 1000));
        char buf[32];
        if (withDate && d.hour == 0)
            std::snprintf(buf, sizeof buf, "%02d.%02d", d.day, d.month);
        else if (withDate)
            std::snprintf(buf, sizeof buf, "%02d.%02d %02d:00", d.day, d.month, d.hour);
        else
            std::snprintf(buf, sizeof buf, "%02d:00", d.hour);
        out.push_back({static_cast<double>(t - a) / static_cast<double>(b - a), buf});
    }
    return out;
}

std::string intervalsOf(const SeriesStore& s, std::size_t first, std::size_t last) {
    std::vector<std::int32_t> seen;
    for (const SeriesRun& r : s.runs())
        if (r.first < last && r.first + r.count > first &&
            std::find(seen.begin(), seen.end(), r.intervalMs) == seen.end())
            seen.push_back(r.intervalMs);
    std::sort(seen.begin(), seen.end());
    std::string out;
    for (const std::int32_t ms : seen)
        out += (out.empty() ? "" : ", ") + formatFixed(ms / 1000.0, ms % 1000 ? 1 : 0) + " s";
    return out;
}

// How the report words a span's figure: the level with its weighting's
// unit; one over whole days says over how many.
std::string reportText(const SpanFigure& figure, const SpanFigures& f, const ReportTexts& t) {
    const std::optional<double> v = figure.value(f);
    if (figure.over == FigureSpan::WholeDays)
        return v                 ? fillIn(t.ldenDays,
                                          {formatFixed(*v, figure.decimals), std::to_string(f.wholeDays)})
               : f.wholeDays > 0 ? t.ldenPeriodMissing
                                 : t.ldenNoWholeDays;
    if (!v)
        return reportNoFigure;
    const std::string weighting = weightingOf(figure, f);
    return formatFixed(*v, figure.decimals) + (weighting == "dBA"   ? " dB(A)"
                                               : weighting == "dBC" ? " dB(C)"
                                                                    : " dB");
}

SeriesReportReadings readingsOf(const SpanFigures& f) {
    return {f.sum.count, f.sum.seconds};
}

// The marks with a part in [t0, t1), in order of their starts.
std::vector<SurveyMark> marksIn(const SeriesStore& s, SeriesMs t0, SeriesMs t1,
                                const SurveyMarks& marks, const Clock& clock) {
    std::vector<SurveyMark> out;
    if (marks.empty())
        return out;
    const SurveyMs from = instantOfSeries(s, t0, clock), to = instantOfSeries(s, t1, clock);
    for (const SurveyMark& m : marks.all())
        if (m.start < to && m.end > from)
            out.push_back(m);
    return out;
}

ReportTable marksTable(const std::vector<SurveyMark>& listed, const Clock& clock,
                       Language language) {
    ReportTable table;
    if (listed.empty())
        return table;
    for (const MarkColumn& c : markColumns())
        table.columns.push_back({c.heading.in(language), c.printWidth});
    for (const SurveyMark& m : listed)
        table.rows.push_back(markCells(m, clock, language));
    return table;
}

// The parts of [a, b) that marks take from the figures, as fractions of its
// width; only those within the reported [t0, t1).
std::vector<ReportBand> bandsIn(const std::vector<SeriesSpan>& spans, SeriesMs a, SeriesMs b,
                                SeriesMs t0, SeriesMs t1) {
    std::vector<ReportBand> out;
    const SeriesMs lo = std::max(a, t0), hi = std::min(b, t1);
    const auto width = static_cast<double>(b - a);
    for (const SeriesSpan& span : spans) {
        const SeriesMs from = std::max(span.start, lo), to = std::min(span.end, hi);
        if (to > from)
            out.push_back(
                {static_cast<double>(from - a) / width, static_cast<double>(to - a) / width});
    }
    return out;
}

void bandsOf(ReportCurve& c, const SeriesMarks& marks, SeriesMs a, SeriesMs b, SeriesMs t0,
             SeriesMs t1) {
    if (b <= a)
        return;
    c.excluded = bandsIn(marks.excluded, a, b, t0, t1);
    c.residual = bandsIn(marks.residual, a, b, t0, t1);
}

// The events in time order, or the reportedEvents loudest (by Lmax) of them
// when there are more, each with its number among all.
ReportTable eventsTable(const SeriesEvents& events, Language language) {
    ReportTable table;
    for (const MarkColumn& c : eventColumns())
        table.columns.push_back({c.heading.in(language), c.printWidth});
    std::vector<std::size_t> shown(events.events.size());
    for (std::size_t i = 0; i < shown.size(); ++i)
        shown[i] = i;
    if (shown.size() > reportedEvents) {
        std::stable_sort(shown.begin(), shown.end(), [&](std::size_t a, std::size_t b) {
            return events.events[a].lmax > events.events[b].lmax;
        });
        shown.resize(reportedEvents);
        std::sort(shown.begin(), shown.end());
    }
    for (const std::size_t i : shown)
        table.rows.push_back(eventCells(static_cast<int>(i) + 1, events.events[i]));
    return table;
}

ReportTable backgroundTable(const SeriesBackground& background, Language language) {
    ReportTable table;
    for (const MarkColumn& c : backgroundColumns())
        table.columns.push_back({c.heading.in(language), c.printWidth});
    for (const BackgroundLevel& l : background.levels)
        table.rows.push_back(backgroundCells(l, language));
    for (const BackgroundRating& r : background.ratings)
        table.rows.push_back(ratingCells(r, language));
    return table;
}

} // namespace

std::pair<SeriesMs, SeriesMs> reportedSpan(const SeriesStore& s, SeriesMs t0, SeriesMs t1) {
    const std::size_t first = s.indexAt(t0), last = s.indexAt(t1);
    if (first >= last)
        return {t0, t0};
    SeriesMs readingsEnd = s.timeAt(first);
    for (const SeriesRun& r : s.runs())
        if (r.first < last && r.first + r.count >= last)
            readingsEnd = r.start + static_cast<SeriesMs>(last - r.first) * r.intervalMs;
    return {std::min(std::max(t0, s.start()), s.timeAt(first)),
            std::max(std::min(t1, s.end()), readingsEnd)};
}

bool wantsSeriesReport(const SeriesStore& series, SeriesMs t0, SeriesMs t1,
                       const SurveyMarks& marks, const Clock& clock) {
    const std::size_t first = series.indexAt(t0), last = series.indexAt(t1);
    if (first >= last)
        return false;
    return last - first > maxSeriesRecords ||
           series.timeAt(last - 1) - series.timeAt(first) >= dayMs ||
           !marksIn(series, t0, t1, marks, clock).empty();
}

SeriesReportInput seriesReportInput(const SeriesStore& s, SeriesMs t0, SeriesMs t1,
                                    const PeriodBounds& bounds, std::optional<double> limit,
                                    const ReportTexts& texts, Language language,
                                    const SurveyMarks& marks, const Clock& clock,
                                    const std::optional<EventRules>& eventRules) {
    SeriesReportInput in;
    in.texts = texts;
    in.limit = limit;
    in.bounds = bounds;
    const std::size_t first = s.indexAt(t0), last = s.indexAt(t1);
    if (first >= last)
        return in;
    const SeriesMarks inSeries = marks.inSeries(s, clock);
    const SpanFigures f = spanFigures(s, t0, t1, bounds, inSeries);
    const auto [a, b] = reportedSpan(s, t0, t1);
    const bool all = a <= s.start() && b >= s.end();
    in.start = seriesDateTime(s, a);
    in.end = seriesDateTime(s, b);
    in.readings = last - first;
    in.intervals = intervalsOf(s, first, last);
    in.spanSeconds = std::max(static_cast<double>(b - a) / 1000.0, f.sum.seconds);
    in.gaps = static_cast<std::size_t>(
        std::count_if(s.gaps().begin(), s.gaps().end(),
                      [a = a, b = b](const SeriesGap& g) { return g.end > a && g.start < b; }));
    in.assessed = readingsOf(f);
    in.weighting = f.weighting();
    in.excluded = {f.excluded.count, f.excluded.seconds};
    in.residual = {f.residual.count, f.residual.seconds};
    std::optional<SpanFigures> unmarked;
    if (f.excluded.count + f.residual.count > 0) {
        unmarked = spanFigures(s, t0, t1, bounds);
        in.allReadings = readingsOf(*unmarked);
    }
    for (const SpanFigure& figure : spanFigureRows()) {
        const std::string name = figure.heading.in(language);
        if (figure.over != FigureSpan::ResidualSound)
            in.figures.push_back({name, reportText(figure, f, texts),
                                  unmarked ? reportText(figure, *unmarked, texts) : std::string()});
        else if (f.lres())
            in.residualFigures.emplace_back(name, figure.value(f) ? reportText(figure, f, texts)
                                                  : f.sum.leq()   ? texts.notDeterminable
                                                                  : reportNoFigure);
    }
    in.marks = marksTable(marksIn(s, t0, t1, marks, clock), clock, language);

    std::vector<DayFigures> days = dailyFigures(s, bounds, t0, t1, inSeries);
    const FigureTable<DayFigures>& table = dailyFiguresTable();
    if (eventRules) {
        const SeriesEvents events = findEvents(s, t0, t1, *eventRules, inSeries.excluded, bounds);
        putEventDays(days, events);
        // The daily table fills the page's width already: the days' events
        // get a table of their own.
        in.eventDays.columns.push_back({table.heading.in(language), table.printWidth});
        for (const TableColumn<DayFigures>& c : dailyEventColumns())
            in.eventDays.columns.push_back({c.heading.in(language), c.printWidth});
        for (const DayFigures& d : days) {
            std::vector<std::string> row{table.name(d)};
            for (const TableColumn<DayFigures>& c : dailyEventColumns())
                row.push_back(figureText(c, d, reportNoFigure));
            in.eventDays.rows.push_back(std::move(row));
        }
        in.events = eventsTable(events, language);
        in.eventCount = events.events.size();
    }
    in.background =
        backgroundTable(backgroundLevels(s, t0, t1, bounds, inSeries.excluded), language);
    in.days.columns.push_back({table.heading.in(language), table.printWidth});
    for (const TableColumn<DayFigures>& c : table.columns)
        in.days.columns.push_back({c.heading.in(language), c.printWidth});
    for (const DayFigures& d : days) {
        std::vector<std::string> row{table.name(d)};
        for (const TableColumn<DayFigures>& c : table.columns)
            row.push_back(figureText(c, d, reportNoFigure));
        in.days.rows.push_back(std::move(row));
    }

    // The whole span, marked at midnights with room for some eight dates, or
    // every few hours when it is short.
    ReportCurve whole;
    whole.title = fillIn(all ? texts.wholeSurvey : texts.cursorSpan, {in.start, in.end});
    whole.columns = columnsOf(s, a, b, t0, t1);
    if (b - a >= 2 * dayMs) {
        whole.ticks = ticksOf(s, a, b, 0, dayMs, true, (b - a + 8 * dayMs - 1) / (8 * dayMs));
    } else {
        const std::int64_t stepHours = b - a > dayMs ? 6 : 3;
        whole.ticks = ticksOf(s, a, b, 0, stepHours * hourMs, true);
    }
    bandsOf(whole, inSeries, a, b, t0, t1);
    in.curves.push_back(std::move(whole));

    for (const DayFigures& d : days) {
        ReportCurve c;
        char hour[8];
        std::snprintf(hour, sizeof hour, "%02d:00", bounds.dayStart);
        c.title = seriesDate(s, d.start) + " " + hour + " – " + seriesDate(s, d.end) + " " + hour;
        c.columns = columnsOf(s, d.start, d.end, t0, t1);
        c.ticks = ticksOf(s, d.start, d.end, s.localOf(d.start), 3 * hourMs, false);
        bandsOf(c, inSeries, d.start, d.end, t0, t1);
        in.curves.push_back(std::move(c));
    }
    return in;
}
