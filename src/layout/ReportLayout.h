#pragma once

#include "model/AcousticStats.h"
#include "model/Clock.h"
#include "model/NoiseRules.h"
#include "model/RecordList.h"
#include "model/SeriesStats.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The measurement report: a few A4 portrait pages with a title block, the
// curve with the limit line, the summary, the exposure and environmental
// figures, the interval table and the limit exceedances. Laid out here in
// millimetres from the page's top-left corner, so any device (PDF, printer)
// shows the same pages; the renderer only maps millimetres to its dots.
struct ReportOp {
    enum class Kind { Text, Line, Rect, Polyline };
    enum class Style { Title, Heading, Body, Bold, Small };
    enum class Align { Left, Center, Right };

    Kind kind = Kind::Text;
    double x = 0, y = 0; // text box or rectangle corner, line start
    double w = 0, h = 0; // text box or rectangle size; line: end minus start
    std::string text;    // UTF-8
    Style style = Style::Body;
    Align align = Align::Left;
    bool wrap = false; // text: wrap at words within the box, cut below it
    double pen = 0.2;  // line width in mm; 0: no outline
    bool dashed = false;
    std::uint32_t color = 0x000000;
    std::optional<std::uint32_t> fill;
    std::vector<std::pair<double, double>> points; // polyline
};

struct ReportPage {
    std::vector<ReportOp> ops;
};

// The title block the user types in once and the program remembers.
struct ReportTitle {
    std::string site;
    std::string operatorName;
    std::string meter;
    std::string notes;
    bool operator==(const ReportTitle&) const = default;
};

// The report's words. The layout has no translation of its own: the caller
// passes them in the language the report is written in (print/ReportTexts).
// "%1", "%2"... stand for the figures put in.
struct ReportTexts {
    std::string title;
    // the title block
    std::string site, reportDate, operatorName, meter, start, end, readings, samplingRate, notes;
    // the headings
    std::string curve, summary, exposure, environment, exceedances, intervals; // intervals: %1
    std::string limitLine;                                                     // %1 the level
    // the summary
    std::string average, averageValue, unit, limit, noLimit; // averageValue: %1
    // the exposure
    std::string notApplicable; // %1 the reason
    std::string enteredShift, measuredDuration, zeroDose, measured, oshaDose, nioshDose;
    std::string euColumn, status, lowerAction, upperAction, limitValue, reached, notReached;
    std::string highestReached; // %1 the value's name
    // why a figure set is not given, by NotApplicable (None excepted)
    std::string noReadings, notAWeighted, mixedWeighting, noTimeStamps;
    // the EU value reached, by EuActionValue
    std::string euNone, euLower, euUpper, euLimit;
    // the environment
    std::string span, covered, gap, days;
    std::string indicator, hours, level, coverage, noReading, incomplete, complete;
    std::string lday, levening, lnight, allDay, periodMissing;
    // the exceedances
    std::string noLimitSet, aboveSummary; // aboveSummary: %1 limit, %2 readings, %3 time, %4 runs
    std::string number, duration;
    std::string longestListed; // %1 listed, %2 left out
    // every page
    std::string page; // %1 of %2
    // the report of a whole survey
    std::string gapCount;
    std::string ldenDays; // %1 the level, %2 whole days
    std::string ldenPeriodMissing, ldenNoWholeDays;
    std::string dailyTable;  // %1 the hour a day starts
    std::string periodsNote; // %1 day, %2 evening, %3 night start
    std::string wholeSurvey; // %1 start, %2 end
    std::string cursorSpan;  // %1 start, %2 end: the span between the cursors
    // what the marks left out
    std::string marks;
    std::string events;     // the heading of the events' table
    std::string eventsMore; // %1 the events listed, %2 all of them
    std::string background; // the heading of the background table
    std::string backgroundNote;
    std::string assessed, allReadings, excluded, residual;
    std::string leftOut;         // %1 readings, %2 time
    std::string notDeterminable; // Lspecific when Leq - Lres is 3 dB or less
    std::string marksNote;       // how the figures follow the marks
};

// The span a report stands for, in seconds since 1970-01-01 00:00 on the
// readings' clock, when it is wider than its readings: cursors placed in a gap
// report the gap as a gap rather than starting at the first reading after it.
struct ReportSpan {
    double start = 0.0, end = 0.0;
};

struct ReportInput {
    const RecordList* series = nullptr;
    std::optional<ReportSpan> span;
    SeriesStats stats;
    std::optional<double> limit;
    NoiseSettings settings;
    ReportTitle title;
    LocalTime now; // printed in the title block and the footers
    ReportTexts texts;
};

inline constexpr double reportPageWidth = 210.0;
inline constexpr double reportPageHeight = 297.0;

// The pages; none for an empty series.
std::vector<ReportPage> layoutReport(const ReportInput& input);

// The report's words for why a figure set is not given.
std::string notApplicableText(const ReportTexts& texts, NotApplicable why);
// The name of an EU value reached, or the word for none.
std::string euValueName(const ReportTexts& texts, EuActionValue v);
// text with "%1", "%2"... replaced by args in order.
std::string fillIn(const std::string& text, const std::vector<std::string>& args);

// A run of consecutive readings above the limit.
struct Exceedance {
    std::size_t first = 0, count = 0;
    double lmax = 0.0;
};
std::vector<Exceedance> findExceedances(const RecordList& series, double limit);

// ---- The report of a long survey, laid out from its figures and pictures
// rather than from its readings, so that weeks at ten readings a second cost
// what the pages show.

// One pixel column of a curve: the range and the energy average of the
// readings in it; a column without readings lies in a gap.
struct ReportColumn {
    bool empty = true;
    double min = 0, max = 0, leq = 0;
};

// A mark on a curve's clock axis, placed as a fraction of its width.
struct ReportTick {
    double at = 0;
    std::string label; // empty: a grid line without a label
};

// A stretch of a curve's width, as fractions of it.
struct ReportBand {
    double from = 0, to = 0;
};

struct ReportCurve {
    std::string title;
    std::vector<ReportColumn> columns; // equal widths across the curve
    std::vector<ReportTick> ticks;
    // Where marks left readings out of the figures.
    std::vector<ReportBand> excluded, residual;
};

// A table the caller words: its columns' headings and widths in mm, and its
// rows' texts. The first column names the row and reads from the left, the
// others are figures and read from the right.
struct ReportTable {
    struct Column {
        std::string heading;
        double width = 0;
    };
    std::vector<Column> columns;
    std::vector<std::vector<std::string>> rows;
};

// How the report shows a figure it does not have.
inline constexpr const char* reportNoFigure = "–";

// The readings of a span of a survey the marks leave, or all of them.
struct SeriesReportReadings {
    std::uint64_t readings = 0;
    double coveredSeconds = 0.0;
};

// A figure of a span as the caller words it: its name and its text of the
// readings the marks leave, and of all readings.
struct SeriesReportFigure {
    std::string name, assessed, all;
};

// A share of a span's readings the marks took from the figures.
struct ReportLeftOut {
    std::uint64_t readings = 0;
    double seconds = 0.0;
};

struct SeriesReportInput {
    ReportTitle title;
    LocalTime now;
    std::optional<double> limit;
    PeriodBounds bounds;
    std::string start, end;     // dd-mm-yyyy hh:mm:ss
    std::uint64_t readings = 0; // all of the span's
    std::string intervals;      // "0.1 s", or several when a survey was resumed with another
    double spanSeconds = 0.0;
    std::size_t gaps = 0;
    SeriesReportReadings assessed; // neither excluded nor residual
    std::string weighting;         // theirs: "dBA", "dBC", "mixed"; empty without readings
    // What marks change: set when they leave readings out.
    std::optional<SeriesReportReadings> allReadings;
    std::vector<SeriesReportFigure> figures; // all unset without allReadings
    ReportLeftOut excluded, residual;
    // The figures of the residual sound (its level, the source's corrected
    // for it), when there are residual readings.
    std::vector<std::pair<std::string, std::string>> residualFigures;
    ReportTable marks; // a row a mark in the span: kind, label, from, to, length, note
    ReportTable days;  // a row a day
    // The noise events listed (none without a threshold) and how many there
    // were: more than the rows when only the loudest are listed.
    ReportTable eventDays; // a row a day: its events and time above
    ReportTable events;
    std::size_t eventCount = 0;
    ReportTable background;          // the ABL of each date and period, then the RBLs
    std::vector<ReportCurve> curves; // the whole span first, then one a day
    ReportTexts texts;
};

// Where a curve's plot area starts and how wide it is, in millimetres, and
// how many columns the layout draws across it.
inline constexpr double reportCurveLeft = 32.0;
inline constexpr double reportCurveWidth = 156.0;
inline constexpr std::size_t reportCurveColumns = 312;
// How many curves share a page.
inline constexpr std::size_t reportCurvesPerPage = 3;

// The pages: the title block, the figures and the daily table, then the
// curves on pages of their own, or after the table where it ran onto a page.
std::vector<ReportPage> layoutSeriesReport(const SeriesReportInput& input);
