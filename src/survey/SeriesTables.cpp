#include "survey/SeriesTables.h"

#include "model/TextFormat.h"

#include <cmath>
#include <cstdio>
#include <ctime>

namespace {

std::optional<double> percent(double share) {
    return share * 100.0;
}

// A percentile level of a span, which means nothing without readings.
template <double SpanFigures::*level> std::optional<double> percentile(const SpanFigures& f) {
    return f.sum.count ? std::optional(f.*level) : std::nullopt;
}

// The n-th percentile level of a data file's set (AcousticSummary::percentiles).
template <std::size_t n> double fileLn(const AcousticSummary& s) {
    return s.ln[n];
}

std::string dateOf(int day, int month, int year) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d-%02d-%04d", day, month, year);
    return buf;
}

} // namespace

const FigureTable<DayFigures>& dailyFiguresTable() {
    using D = DayFigures;
    static const FigureTable<D> table{"dd-mm-yyyy",
                                      {"Gün", "Day"},
                                      21,
                                      [](const D& d) { return dateOf(d.day, d.month, d.year); },
                                      [](const D& d) {
                                          return DateTime{d.day, d.month, d.year};
                                      },
                                      "dd-mm-yyyy",
                                      {
                                          {"Lday",
                                           {"Lgündüz", "Lday"},
                                           FigureUnit::Decibel,
                                           1,
                                           18,
                                           [](const D& d) { return d.lday.level; }},
                                          {"Levening",
                                           {"Lakşam", "Levening"},
                                           FigureUnit::Decibel,
                                           1,
                                           18,
                                           [](const D& d) { return d.levening.level; }},
                                          {"Lnight",
                                           {"Lgece", "Lnight"},
                                           FigureUnit::Decibel,
                                           1,
                                           15,
                                           [](const D& d) { return d.lnight.level; }},
                                          {"Lden",
                                           {"Lden", "Lden"},
                                           FigureUnit::Decibel,
                                           1,
                                           13,
                                           [](const D& d) { return d.lden; }},
                                          {"LAeq,24h",
                                           {"LAeq,24h", "LAeq,24h"},
                                           FigureUnit::Decibel,
                                           1,
                                           18,
                                           [](const D& d) { return d.laeq24; }},
                                          {"Lmax",
                                           {"Lmax", "Lmax"},
                                           FigureUnit::Decibel,
                                           1,
                                           13,
                                           [](const D& d) { return d.lmax; }},
                                          {"coverage",
                                           {"Kapsam", "Coverage"},
                                           FigureUnit::Percent,
                                           1,
                                           18,
                                           [](const D& d) { return percent(d.coverage); }},
                                          {"excluded",
                                           {"Hariç", "Excluded"},
                                           FigureUnit::Percent,
                                           1,
                                           18,
                                           [](const D& d) { return percent(d.excluded); }},
                                          {"residual",
                                           {"Artık", "Residual"},
                                           FigureUnit::Percent,
                                           1,
                                           17,
                                           [](const D& d) { return percent(d.residual); }},
                                      }};
    return table;
}

const FigureTable<HourFigures>& hourlyFiguresTable() {
    using H = HourFigures;
    static const FigureTable<H> table{"dd-mm-yyyy hh:00",
                                      {"Saat", "Hour"},
                                      34,
                                      [](const H& h) {
                                          char hour[8];
                                          std::snprintf(hour, sizeof hour, " %02d:00", h.hour);
                                          return dateOf(h.day, h.month, h.year) + hour;
                                      },
                                      [](const H& h) {
                                          return DateTime{h.day, h.month, h.year, h.hour};
                                      },
                                      "dd-mm-yyyy hh:mm",
                                      {
                                          {"Leq",
                                           {"Leq", "Leq"},
                                           FigureUnit::Decibel,
                                           1,
                                           20,
                                           [](const H& h) { return h.sum.leq(); }},
                                          {"Lmax",
                                           {"Lmax", "Lmax"},
                                           FigureUnit::Decibel,
                                           1,
                                           20,
                                           [](const H& h) { return h.sum.lmax(); }},
                                          {"Lmin",
                                           {"Lmin", "Lmin"},
                                           FigureUnit::Decibel,
                                           1,
                                           20,
                                           [](const H& h) { return h.sum.lmin(); }},
                                          {"coverage",
                                           {"Kapsam", "Coverage"},
                                           FigureUnit::Percent,
                                           1,
                                           22,
                                           [](const H& h) { return percent(h.coverage); }},
                                          {"excluded",
                                           {"Hariç", "Excluded"},
                                           FigureUnit::Percent,
                                           1,
                                           22,
                                           [](const H& h) { return percent(h.excluded); }},
                                          {"residual",
                                           {"Artık", "Residual"},
                                           FigureUnit::Percent,
                                           1,
                                           22,
                                           [](const H& h) { return percent(h.residual); }},
                                      }};
    return table;
}

const std::vector<TableColumn<DayFigures>>& dailyEventColumns() {
    using D = DayFigures;
    static const std::vector<TableColumn<D>> columns{
        {"N", {"N", "N"}, FigureUnit::Count, 0, 12, [](const D& d) { return d.events; }},
        {"TA",
         {"Eşik üstü", "Time above"},
         FigureUnit::Seconds,
         1,
         24,
         [](const D& d) { return d.secondsAbove; }},
    };
    return columns;
}

const std::vector<SpanFigure>& spanFigureList() {
    using S = SpanFigures;
    using A = AcousticSummary;
    using enum FigureWeighting;
    using enum FigureSpan;
    constexpr unsigned everywhere = InWindow | InCli;
    // All levels to a tenth of a dB; no print widths, the report words a
    // span's figures as pairs, not as a table.
    auto level = [](const char* key, TableHeading heading, std::optional<double> (*value)(const S&),
                    FigureWeighting weighting, FigureSpan over, unsigned outputs,
                    double (*ofFile)(const A&)) {
        return SpanFigure{
            {key, heading, FigureUnit::Decibel, 1, 0, value}, weighting, over, outputs, ofFile};
    };
    static const std::vector<SpanFigure> figures{
        level(
            "Leq", {"Leq", "Leq"}, [](const S& f) { return f.sum.leq(); }, Readings, KeptReadings,
            everywhere, [](const A& s) { return s.leq; }),
        level(
            "LEX,8h", {"LEX,8h", "LEX,8h"}, [](const S& f) { return f.lex8h; }, AWeighted,
            KeptReadings, InWindow, nullptr),
        level(
            "Lmax", {"Lmax", "Lmax"}, [](const S& f) { return f.sum.lmax(); }, Readings,
            KeptReadings, everywhere, [](const A& s) { return s.lmax; }),
        level(
            "Lmin", {"Lmin", "Lmin"}, [](const S& f) { return f.sum.lmin(); }, Readings,
            KeptReadings, everywhere, [](const A& s) { return s.lmin; }),
        level("L5", {"L5", "L5"}, percentile<&S::l5>, Readings, KeptReadings, InCli, fileLn<0>),
        level("L10", {"L10", "L10"}, percentile<&S::l10>, Readings, KeptReadings, everywhere,
              fileLn<1>),
        level("L50", {"L50", "L50"}, percentile<&S::l50>, Readings, KeptReadings, everywhere,
              fileLn<2>),
        level("L90", {"L90", "L90"}, percentile<&S::l90>, Readings, KeptReadings, everywhere,
              fileLn<3>),
        level("L95", {"L95", "L95"}, percentile<&S::l95>, Readings, KeptReadings, InCli, fileLn<4>),
        // The sound exposure level: Leq + 10 lg(covered time / 1 s).
        level(
            "SEL", {"SEL", "SEL"},
            [](const S& f) {
                const std::optional<double> leq = f.sum.leq();
                return leq ? std::optional(*leq + 10.0 * std::log10(f.sum.seconds)) : std::nullopt;
            },
            Readings, KeptReadings, InCli, [](const A& s) { return s.sel; }),
        level(
            "Lden", {"Lden", "Lden"}, [](const S& f) { return f.lden; }, Readings, WholeDays,
            InWindow, nullptr),
        level(
            "Lres", {"Lartık", "Lres"}, [](const S& f) { return f.lres(); }, Residual,
            ResidualSound, everywhere, nullptr),
        level(
            "Lspecific", {"Lözgül", "Lspecific"}, [](const S& f) { return f.lspecific(); },
            Readings, ResidualSound, everywhere, nullptr),
    };
    return figures;
}

const std::vector<SpanFigure>& spanFigureRows() {
    static const std::vector<SpanFigure> rows = [] {
        std::vector<SpanFigure> shown;
        for (const SpanFigure& figure : spanFigureList())
            if (figure.outputs & InWindow)
                shown.push_back(figure);
        return shown;
    }();
    return rows;
}

std::string weightingOf(const SpanFigure& figure, const SpanFigures& figures) {
    switch (figure.weighting) {
    case FigureWeighting::AWeighted:
        return figure.value(figures) ? "dBA" : "";
    case FigureWeighting::Residual:
        return figures.residualWeighting;
    case FigureWeighting::Readings:
        break;
    }
    return figures.weighting();
}

template <class Row>
std::string figureText(const TableColumn<Row>& column, const Row& row, std::string_view none) {
    const std::optional<double> v = column.value(row);
    if (!v)
        return std::string(none);
    return withBareUnit(formatFixed(*v, column.decimals), column.unit);
}

template std::string figureText(const TableColumn<DayFigures>&, const DayFigures&,
                                std::string_view);
template std::string figureText(const TableColumn<HourFigures>&, const HourFigures&,
                                std::string_view);
template std::string figureText(const TableColumn<SpanFigures>&, const SpanFigures&,
                                std::string_view);

std::string withBareUnit(std::string_view name, FigureUnit unit) {
    switch (unit) {
    case FigureUnit::Percent:
        return std::string(name) + " %";
    case FigureUnit::Seconds:
        return std::string(name) + " s";
    case FigureUnit::Decibel:
    case FigureUnit::Count:
        break;
    }
    return std::string(name);
}

const std::vector<MarkColumn>& markColumns() {
    static const std::vector<MarkColumn> columns{
        {{"Tür", "Kind"}, 19}, {{"Etiket", "Label"}, 25}, {{"Başlangıç", "From"}, 34},
        {{"Bitiş", "To"}, 34}, {{"Süre", "Length"}, 17},  {{"Not", "Note"}, 41}};
    return columns;
}

TableHeading markKindHeading(MarkKind kind) {
    switch (kind) {
    case MarkKind::Exclude:
        return {"hariç", "exclude"};
    case MarkKind::Residual:
        return {"artık ses", "residual"};
    case MarkKind::Event:
        return {"olay", "event"};
    case MarkKind::Note:
        break;
    }
    return {"not", "note"};
}

std::vector<std::string> markCells(const SurveyMark& mark, const Clock& clock, Language language) {
    auto wallClock = [&clock](SurveyMs instant) {
        const std::time_t second = static_cast<std::time_t>(instant / 1000 - (instant % 1000 < 0));
        const LocalTime l = clock.local(second);
        char buf[32];
        std::snprintf(buf, sizeof buf, "%02d-%02d-%04d %02d:%02d:%02d", l.day, l.month, l.year,
                      l.hour, l.minute, l.second);
        return std::string(buf);
    };
    const long long seconds = (mark.end - mark.start + 500) / 1000;
    char length[32];
    std::snprintf(length, sizeof length, "%lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    return {markKindHeading(mark.kind).in(language),
            mark.label,
            wallClock(mark.start),
            wallClock(mark.end),
            length,
            mark.note};
}

const std::vector<MarkColumn>& eventColumns() {
    static const std::vector<MarkColumn> columns{{{"No", "No"}, 10},
                                                 {{"Başlangıç", "Start"}, 36},
                                                 {{"Süre (s)", "Length (s)"}, 20},
                                                 {{"Lmax", "Lmax"}, 18},
                                                 {{"Lmax anı", "Time of Lmax"}, 36},
                                                 {{"Leq", "Leq"}, 18},
                                                 {{"SEL", "SEL"}, 18}};
    return columns;
}

std::string eventClockText(std::int64_t wallMs) {
    const std::int64_t second = wallMs / 1000 - (wallMs % 1000 < 0 ? 1 : 0);
    const DateTime t = addSeconds(DateTime{}, second);
    char buf[48];
    std::snprintf(buf, sizeof buf, "%02d-%02d-%04d %02d:%02d:%02d.%d", t.day, t.month, t.year,
                  t.hour, t.minute, t.second, static_cast<int>((wallMs - second * 1000) / 100));
    return buf;
}

std::vector<std::string> eventCells(int n, const SeriesEvent& event) {
    return {std::to_string(n),
            eventClockText(event.startWall),
            formatFixed(event.seconds, 1),
            formatFixed(event.lmaxDb(), 1),
            eventClockText(event.lmaxWall),
            formatFixed(event.leq(), 1),
            formatFixed(event.sel(), 1)};
}

const std::vector<MarkColumn>& backgroundColumns() {
    static const std::vector<MarkColumn> columns{{{"Tarih", "Date"}, 26},
                                                 {{"Dönem", "Period"}, 22},
                                                 {{"ABL", "ABL"}, 18},
                                                 {{"Sayı", "Count"}, 18}};
    return columns;
}

TableHeading dayPartHeading(DayPart part) {
    switch (part) {
    case DayPart::Day:
        return {"gündüz", "day"};
    case DayPart::Evening:
        return {"akşam", "evening"};
    case DayPart::Night:
        break;
    }
    return {"gece", "night"};
}

std::vector<std::string> backgroundCells(const BackgroundLevel& level, Language language) {
    char date[16];
    std::snprintf(date, sizeof date, "%02d-%02d-%04d", level.day, level.month, level.year);
    return {date, dayPartHeading(level.part).in(language), formatFixed(level.abl, 1),
            std::to_string(level.intervals)};
}

std::vector<std::string> ratingCells(const BackgroundRating& rating, Language language) {
    return {"RBL", dayPartHeading(rating.part).in(language), formatFixed(rating.rbl, 1),
            std::to_string(rating.dates)};
}
