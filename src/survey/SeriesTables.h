#pragma once

// The tables of a survey's figures, each described once: a day a row, an
// hour a row, and the figures of a span. The window, its workbook, the report
// and vrel-cli all lay their tables out from these, so a column added here
// (with its computation in SeriesFigures) shows everywhere in the same words.

#include "config/Language.h"
#include "model/AcousticStats.h"
#include "model/TimeLabels.h"
#include "survey/SeriesBackground.h"
#include "survey/SeriesEvents.h"
#include "survey/SeriesFigures.h"
#include "survey/SurveyMarks.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A heading in both of the interface's languages.
struct TableHeading {
    const char* turkish;
    const char* english;
    const char* in(Language language) const {
        return language == Language::English ? english : turkish;
    }
};

enum class FigureUnit { Decibel, Percent, Count, Seconds };

// A column of figures taken from a Row of SeriesFigures.
template <class Row> struct TableColumn {
    const char* key; // how vrel-cli's help names it
    TableHeading heading;
    FigureUnit unit;
    int decimals;                               // as a person reads it
    double printWidth;                          // mm in the report's table
    std::optional<double> (*value)(const Row&); // in the unit; nothing without readings
};

// A table: the column naming each row (a date, an hour), then the figures.
template <class Row> struct FigureTable {
    const char* key;
    TableHeading heading;
    double printWidth;
    std::string (*name)(const Row&);
    // The name as the date-time it is, and how a workbook shows it, so that
    // a spreadsheet sorts and plots the rows by it.
    DateTime (*when)(const Row&);
    const char* sheetFormat;
    std::vector<TableColumn<Row>> columns;
};

const FigureTable<DayFigures>& dailyFiguresTable();
const FigureTable<HourFigures>& hourlyFiguresTable();
// The day's events and time above a threshold, shown after the daily
// table's columns when a threshold is set.
const std::vector<TableColumn<DayFigures>>& dailyEventColumns();

// The weighting a level of a span is in: that of the readings it is of, A
// (a figure of the A-weighted readings alone) or the residual readings'.
enum class FigureWeighting { Readings, AWeighted, Residual };

// Where a span's figure shows.
enum FigureOutputs : unsigned {
    InWindow = 1, // the survey window, its workbook and its report
    InCli = 2,    // vrel-cli stats
};

// What a span's level is over.
enum class FigureSpan {
    KeptReadings, // the readings the marks leave
    // The span's whole days: the report says over how many, or why there is
    // no value.
    WholeDays,
    // The residual sound: its figures follow what the marks left out, and
    // only when the residual readings have a level; one without a value is
    // not determinable.
    ResidualSound,
};

// A figure of a span, a level: a row of the window's figures, of its
// workbook's figures sheet and of its report's summary, and a line of
// vrel-cli stats.
struct SpanFigure : TableColumn<SpanFigures> {
    FigureWeighting weighting;
    FigureSpan over;
    unsigned outputs;
    // The figure of a data file's chosen set, for vrel-cli stats on one
    // file; null for those it does not print.
    double (*ofFile)(const AcousticSummary&);
};

// The figures of a span, in the order every output shows them.
const std::vector<SpanFigure>& spanFigureList();
// Those the window lists down its side, a column for each span.
const std::vector<SpanFigure>& spanFigureRows();
// The weighting of a figure's value as vrel-cli names it: "dBA", "dBC",
// "mixed"; empty without readings.
std::string weightingOf(const SpanFigure& figure, const SpanFigures& figures);

// The cell a person reads: the value with the column's decimals, a share
// with its sign; none without a value.
template <class Row>
std::string figureText(const TableColumn<Row>& column, const Row& row, std::string_view none);

// A name with the unit a bare number leaves unsaid: a share's "%", a time's
// "s" (a level's dB and a count go without saying), for the workbook's
// headings and vrel-cli's help.
std::string withBareUnit(std::string_view name, FigureUnit unit);

// The table of marks, as the report and the workbook list them: kind,
// label, from, to, length (h:mm:ss), note; times on the clock's wall clock.
struct MarkColumn {
    TableHeading heading;
    double printWidth; // mm in the report's table
};
const std::vector<MarkColumn>& markColumns();
// The word for a kind of mark in a table.
TableHeading markKindHeading(MarkKind kind);
std::vector<std::string> markCells(const SurveyMark& mark, const Clock& clock, Language language);

// The table of noise events, as the window, the report and the workbook list
// them: n, start, length (s), Lmax, time of Lmax, Leq, SEL; times on the wall
// clock to a tenth of a second.
const std::vector<MarkColumn>& eventColumns();
std::vector<std::string> eventCells(int n, const SeriesEvent& event);
// "dd-mm-yyyy hh:mm:ss.s" of a time on the wall clock.
std::string eventClockText(std::int64_t wallMs);

// The background table: date, period, ABL and its counted quarter hours;
// then each period's RBL and its dates.
const std::vector<MarkColumn>& backgroundColumns();
TableHeading dayPartHeading(DayPart part);
std::vector<std::string> backgroundCells(const BackgroundLevel& level, Language language);
std::vector<std::string> ratingCells(const BackgroundRating& rating, Language language);
