#pragma once

// The tables of a survey's figures, each described once: a day a row, an
// hour a row, and the figures of a span. The window, its workbook, the report
// and vrel-cli all lay their tables out from these, so a column added here
// (with its computation in SeriesFigures) shows everywhere in the same words.

#include "config/Language.h"
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
    std::vector<TableColumn<Row>> columns;
};

const FigureTable<DayFigures>& dailyFiguresTable();
const FigureTable<HourFigures>& hourlyFiguresTable();
// The day's events and time above a threshold, shown after the daily
// table's columns when a threshold is set.
const std::vector<TableColumn<DayFigures>>& dailyEventColumns();
// The figures of a span, in the order they are shown; the window lists them
// down the side, a column for each span.
const std::vector<TableColumn<SpanFigures>>& spanFigureRows();

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
