// vrel-cli events: the noise events of a survey or of data files.
#include "CliCommon.h"
#include "Commands.h"
#include "NoiseOptions.h"
#include "SeriesInput.h"

#include <iostream>

namespace {

const char* const eventsUsage =
    "usage: vrel-cli events DIR|FILE.txt... --above DB [--hysteresis DB]\n"
    "                       [--merge S] [--min S] [--from DATETIME]\n"
    "                       [--to DATETIME] [--periods D,E,N]\n"
    "                       [--marks FILE.csv | --no-marks]\n"
    "\n"
    "Reads a survey folder (its survey-*.txt files) or data files as one series\n"
    "and prints its noise events. An event starts at a reading strictly above\n"
    "--above and goes on while readings stay above --above minus --hysteresis\n"
    "(0 dB unless given); a gap in the readings (a step longer than 1.5\n"
    "intervals) ends it, and so does an excluded reading (in an exclude mark\n"
    "of the marks file; residual, event and note marks change nothing).\n"
    "Events of one run of readings at most --merge seconds apart (0) become\n"
    "one, with the readings between them; then events shorter than --min\n"
    "seconds (0) are left out.\n"
    "\n"
    "One line per event:\n"
    "  event<TAB>n<TAB>start<TAB>end<TAB>seconds<TAB>Lmax<TAB>timeOfLmax<TAB>\n"
    "  Leq<TAB>SEL\n"
    "times local with tenths of a second and the UTC offset\n"
    "(2026-11-02T07:13:05.0+01:00), the end the last reading's end, seconds with\n"
    "one decimal, levels with two; timeOfLmax the first reading at Lmax, SEL\n"
    "Leq + 10 lg(seconds). Then one line per day holding readings, a day\n"
    "running from the day period's start (--periods D,E,N; 7,19,23) to the next\n"
    "day's:\n"
    "  eventday<TAB>dd-mm-yyyy<TAB>N<TAB>TA\n"
    "N the events starting that day, TA the seconds of its readings above\n"
    "--above, one decimal.\n";
const char* const eventsUsageTail =
    "\n"
    "Exit status 0; 1 when nothing can be read or the span holds no readings;\n"
    "2 for a wrong command line.\n";

} // namespace

int runEvents(const std::vector<std::string>& args) {
    const std::string usageText =
        std::string(eventsUsage) + seriesOptionsUsage + eventsUsageTail;
    std::vector<std::string_view> valued = {"--above", "--hysteresis", "--merge", "--min",
                                            "--periods"};
    valued.insert(valued.end(), seriesOptionNames.begin(), seriesOptionNames.end());
    CommandLine line;
    if (const int status = readCommandLine("events", usageText, args, valued, line, {noMarksFlag});
        status >= 0)
        return status;
    if (line.positional.empty())
        return usageError("events", "expects a survey folder or data files");
    std::string error;
    const auto rules = readEventRules(line, "--", error);
    if (!rules)
        return usageError("events", error.empty() ? "expects --above DB" : error);
    const auto noise = readNoiseOptions(line, error);
    if (!noise)
        return usageError("events", error);
    if (!checkSeriesOptions(line, error))
        return usageError("events", error);
    const auto input = openSeries(line.positional, line, "events");
    if (!input)
        return exitFailure;
    printEvents(findEvents(input->series, input->from, input->to, *rules, input->marks.excluded,
                           noise->settings.bounds));
    return exitOk;
}
