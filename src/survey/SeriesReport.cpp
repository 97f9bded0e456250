#include "survey/SeriesReport.h"

#include "model/TextFormat.h"
#include "model/TimeLabels.h"
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

std::string durationText(SeriesMs ms) {
    const long long s = std::max<SeriesMs>(0, ms) / 1000;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    return buf;
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

bool wantsSeriesReport(const SeriesStore& series, SeriesMs t0, SeriesMs t1) {
    const std::size_t first = series.indexAt(t0), last = series.indexAt(t1);
    if (first >= last)
        return false;
    return last - first > maxSeriesRecords ||
           series.timeAt(last - 1) - series.timeAt(first) >= dayMs;
}

SeriesReportInput seriesReportInput(const SeriesStore& s, SeriesMs t0, SeriesMs t1,
                                    const PeriodBounds& bounds, std::optional<double> limit,
                                    const ReportTexts& texts, Language language,
                                    const SeriesMarks& marks,
                                    const std::vector<ListedMark>& listed) {
    SeriesReportInput in;
    in.texts = texts;
    in.limit = limit;
    in.bounds = bounds;
    const std::size_t first = s.indexAt(t0), last = s.indexAt(t1);
    if (first >= last)
        return in;
    const SpanFigures f = spanFigures(s, t0, t1, bounds, marks);
    const auto [a, b] = reportedSpan(s, t0, t1);
    const bool all = a <= s.start() && b >= s.end();
    in.start = seriesDateTime(s, a);
    in.end = seriesDateTime(s, b);
    in.readings = f.sum.count;
    in.intervals = intervalsOf(s, first, last);
    in.spanSeconds = std::max(static_cast<double>(b - a) / 1000.0, f.sum.seconds);
    in.coveredSeconds = f.sum.seconds;
    in.gaps = static_cast<std::size_t>(
        std::count_if(s.gaps().begin(), s.gaps().end(),
                      [&](const SeriesGap& g) { return g.end > a && g.start < b; }));
    in.weighting = f.weighting();
    in.leq = f.sum.leq();
    in.lmax = f.sum.lmax();
    in.lmin = f.sum.lmin();
    in.l10 = f.l10;
    in.l50 = f.l50;
    in.l90 = f.l90;
    in.lex8h = f.lex8h;
    in.lden = f.lden;
    in.wholeDays = f.wholeDays;
    in.excludedReadings = f.excluded.count;
    in.excludedSeconds = f.excluded.seconds;
    in.residualReadings = f.residual.count;
    in.residualSeconds = f.residual.seconds;
    in.lres = f.lres();
    in.lspecific = f.lspecific();
    for (const TableColumn<SpanFigures>& row : spanFigureRows()) {
        if (std::string_view(row.key) == "Lres")
            in.lresName = row.heading.in(language);
        if (std::string_view(row.key) == "Lspecific")
            in.lspecificName = row.heading.in(language);
    }
    if (!marks.empty()) {
        // Beside the assessed figures, those of every reading where they differ.
        const SpanFigures every = spanFigures(s, t0, t1, bounds);
        for (const TableColumn<SpanFigures>& row : spanFigureRows()) {
            const std::string assessed = figureText(row, f, reportNoFigure);
            const std::string ofAll = figureText(row, every, reportNoFigure);
            if (row.value(every) && assessed != ofAll)
                in.allReadings.push_back({row.heading.in(language), assessed, ofAll});
        }
    }
    for (const ListedMark& m : listed)
        if (m.end > a && m.start < b) {
            const char* kinds[] = {texts.exclude.c_str(), texts.residual.c_str(),
                                   texts.event.c_str(), texts.note.c_str()};
            in.marks.push_back({kinds[static_cast<int>(m.kind)], m.label,
                                seriesDateTime(s, m.start), seriesDateTime(s, m.end),
                                durationText(m.end - m.start), m.note});
        }

    const std::vector<DayFigures> days = dailyFigures(s, bounds, t0, t1, marks);
    const FigureTable<DayFigures>& table = dailyFiguresTable();
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
    in.curves.push_back(std::move(whole));

    for (const DayFigures& d : days) {
        ReportCurve c;
        char hour[8];
        std::snprintf(hour, sizeof hour, "%02d:00", bounds.dayStart);
        c.title = seriesDate(s, d.start) + " " + hour + " – " + seriesDate(s, d.end) + " " + hour;
        c.columns = columnsOf(s, d.start, d.end, t0, t1);
        c.ticks = ticksOf(s, d.start, d.end, s.localOf(d.start), 3 * hourMs, false);
        in.curves.push_back(std::move(c));
    }
    return in;
}
