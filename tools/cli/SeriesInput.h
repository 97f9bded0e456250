#pragma once

#include "CliCommon.h"
#include "DataFileSet.h"

#include "model/NoiseRules.h"
#include "survey/SeriesBackground.h"
#include "survey/SeriesEvents.h"
#include "survey/SeriesStore.h"
#include "survey/SurveyMarks.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The options that choose the span of a series and the marks its figures
// follow: --from, --to, --marks FILE, and the flag --no-marks.
inline const std::vector<std::string_view> seriesOptionNames = {"--from", "--to", "--marks"};
inline constexpr std::string_view noMarksFlag = "--no-marks";
extern const char* const seriesOptionsUsage;

// A survey folder or several data files read as one series, with the span
// --from and --to take of it.
struct SeriesInput {
    SeriesStore series;
    SeriesMs from = 0;
    SeriesMs to = 0;
    // The marks read (none without a marks file or with --no-marks), as
    // listed and in series time.
    SurveyMarks listed;
    SeriesMarks marks;
    bool marked = false; // a marks file was read
};

// True when the positional arguments or options ask for a series rather
// than the single data file of the window's commands.
bool wantsSeries(const CommandLine& line, std::size_t inputs);

// Checks --from, --to, and that --marks and --no-marks are not both given;
// on a wrong value sets error.
bool checkSeriesOptions(const CommandLine& line, std::string& error);

// Reads inputs (one folder, or data files) as one series. Files left out are
// named on standard error. On failure prints why and returns nothing; so it
// does when the span holds no readings. The marks are those of --marks, or
// else the folder's markers.csv, unless --no-marks; their damaged lines are
// named on standard error.
std::optional<SeriesInput> openSeries(const std::vector<std::string>& inputs,
                                      const CommandLine& line, const char* command);

// The rules of noise events from --above DB, --hysteresis DB, --merge S and
// --min S, or with another prefix ("--event-above"); nothing without the
// threshold, or with error set on a wrong value.
std::optional<EventRules> readEventRules(const CommandLine& line, std::string_view prefix,
                                         std::string& error);
// The event and eventday lines of a span's events.
void printEvents(const SeriesEvents& events);

// The abl and rbl lines of a span's background level.
void printBackground(const SeriesBackground& background);

// The stats lines of the span, as those of one data file, then what the
// marks leave out when there are marks.
void printSeriesStats(const SeriesInput& input, std::optional<double> limit);
// A line a day of the span, and what --daily says of it in the help; with
// events, each day's count and time above follow.
void printDailyFigures(const SeriesInput& input, const PeriodBounds& bounds,
                       const SeriesEvents* events = nullptr);
std::string dailyFiguresUsage();

// How many of the span's readings the marks leave.
std::size_t keptReadings(const SeriesInput& input);

// The span's readings as one data set with its statistics; nothing, with a
// message, when they are more than maxSeriesRecords.
std::optional<ChosenDataSet> seriesDataSet(const SeriesInput& input, const char* command);
