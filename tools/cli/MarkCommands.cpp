// vrel-cli mark and weather: a survey's marks without the window.
#include "CliCommon.h"
#include "Commands.h"

#include "survey/Survey.h"
#include "survey/SurveyMarks.h"
#include "survey/SurveyWeather.h"

#include <charconv>
#include <filesystem>
#include <iostream>
#include <optional>

namespace {

const char* const markUsage =
    "usage: vrel-cli mark DIR|FILE.csv --from DATETIME --to DATETIME --kind KIND\n"
    "                     --label LABEL [--note TEXT]\n"
    "       vrel-cli mark DIR|FILE.csv --list\n"
    "       vrel-cli mark DIR|FILE.csv --delete N\n"
    "\n"
    "Adds a mark to a survey folder's markers.csv (or to the marks file named),\n"
    "lists its marks or deletes one. The figures of vrel-cli stats and of the\n"
    "survey window follow the marks: a reading at t lies in a mark when\n"
    "start <= t < end.\n"
    "\n"
    "  --from DATETIME, --to DATETIME  the mark's span, a local time such as\n"
    "              2026-12-09T08:00[:SS], or with its UTC offset (Z, +01:00);\n"
    "              the end after the start\n"
    "  --kind KIND  exclude (left out of the figures), residual (the residual\n"
    "              sound, left out of the figures; its Leq is Lres), event or\n"
    "              note (no figure changes)\n"
    "  --label LABEL  a word or two: rain, wind, plant off\n"
    "  --note TEXT  free text\n"
    "  --list      one line per mark, numbered from 1 in order of their starts:\n"
    "              N<TAB>start<TAB>end<TAB>kind<TAB>label<TAB>note\n"
    "  --delete N  removes mark N of the list\n"
    "\n"
    "The marks file is written whole or not at all; one with damaged lines is\n"
    "read (the lines named on standard error) but not changed.\n"
    "\n"
    "Exit status 0; 1 when the marks cannot be read or written, or there is\n"
    "no mark N; 2 for a wrong command line.\n";

const char* const weatherUsage =
    "usage: vrel-cli weather DIR|FILE.csv WEATHER.csv [--wind-above M/S] [--rain]\n"
    "                        [--time-column C] [--wind-column C] [--rain-column C]\n"
    "\n"
    "Reads a weather station's CSV file and adds exclude marks to a survey\n"
    "folder's markers.csv (or to the marks file named) for its rows with wind\n"
    "above the limit, labelled wind, and with rain, labelled rain; rows that\n"
    "touch make one mark. The marks already there stay, and a mark that is\n"
    "there already is not added again.\n"
    "\n"
    "The file's first line names its columns; each row covers the time to the\n"
    "next row, at most twice the file's usual step (the last row one step).\n"
    "Times are local, 2026-11-02 22:30[:SS] or with T, or with their UTC offset\n"
    "(Z, +01:00); an empty cell is no reading.\n"
    "\n"
    "  --wind-above M/S  the wind limit in m/s (5 unless only --rain is given)\n"
    "  --rain      marks the rows with rain (more than 0 mm)\n"
    "  --time-column C, --wind-column C, --rain-column C  the columns' names\n"
    "              in the header (time, wind in m/s, rain in mm), any case\n"
    "\n"
    "Prints how many marks were added. Exit status 0; 1 when a file cannot be\n"
    "read (the line that failed is named; nothing is written) or written; 2\n"
    "for a wrong command line.\n";

// The marks file of a survey folder, or the file itself; nothing for a name
// that is neither (a mistyped folder would otherwise become a marks file).
std::optional<std::string> marksPath(const std::string& target) {
    std::error_code ec;
    if (std::filesystem::is_directory(target, ec))
        return target + "/" + marksFileName;
    if (target.size() > 4 && target.compare(target.size() - 4, 4, ".csv") == 0)
        return target;
    return std::nullopt;
}

const char* const notMarksTarget = "expects a survey folder or a marks file (.csv)";

// The marks to edit; nothing, with the reason printed, when they cannot be.
std::optional<SurveyMarks> marksToEdit(const std::string& path, const char* command) {
    const MarksRead read = readMarks(path);
    for (const std::string& problem : read.problems)
        std::cerr << "vrel-cli " << command << ": " << problem << "\n";
    if (const auto problem = editProblemOf(read)) {
        std::cerr << "vrel-cli " << command << ": " << *problem << "\n";
        return std::nullopt;
    }
    return SurveyMarks(read.marks);
}

bool save(const SurveyMarks& marks, const std::string& path, const char* command) {
    std::string error;
    if (marks.save(path, appClock(), &error))
        return true;
    std::cerr << "vrel-cli " << command << ": " << error << "\n";
    return false;
}

// A line break or a tab in a note would break the list's line.
std::string oneLine(std::string text) {
    for (char& c : text)
        if (c == '\n' || c == '\r' || c == '\t')
            c = ' ';
    return text;
}

int listMarks(const std::string& path) {
    const MarksRead read = readMarks(path);
    for (const std::string& problem : read.problems)
        std::cerr << "vrel-cli mark: " << problem << "\n";
    if (read.status == MarksRead::Status::CannotRead ||
        read.status == MarksRead::Status::NotMarks) {
        std::cerr << "vrel-cli mark: " << read.error << "\n";
        return exitFailure;
    }
    const SurveyMarks marks(read.marks);
    const Clock& clock = appClock();
    for (std::size_t i = 0; i < marks.size(); ++i) {
        const SurveyMark& m = marks.all()[i];
        std::cout << i + 1 << '\t' << isoLocalTime(clock, m.start, m.start % 1000 != 0) << '\t'
                  << isoLocalTime(clock, m.end, m.end % 1000 != 0) << '\t' << markKindName(m.kind)
                  << '\t' << oneLine(m.label) << '\t' << oneLine(m.note) << '\n';
    }
    return exitOk;
}

} // namespace

int runMark(const std::vector<std::string>& args) {
    CommandLine line;
    if (const int status = readCommandLine(
            "mark", markUsage, args, {"--from", "--to", "--kind", "--label", "--note", "--delete"},
            line, {"--list"});
        status >= 0)
        return status;
    const auto target = line.positional.size() == 1 ? marksPath(line.positional[0]) : std::nullopt;
    if (!target)
        return usageError("mark", notMarksTarget);
    const std::string& path = *target;
    const bool adding = line.option("--from") || line.option("--to") || line.option("--kind") ||
                        line.option("--label") || line.option("--note");
    const int modes =
        (adding ? 1 : 0) + (line.flag("--list") ? 1 : 0) + (line.option("--delete") ? 1 : 0);
    if (modes != 1)
        return usageError("mark", "expects one of: a mark to add, --list, --delete N");
    if (line.flag("--list"))
        return listMarks(path);

    if (const std::string* text = line.option("--delete")) {
        std::size_t n = 0;
        const auto r = std::from_chars(text->data(), text->data() + text->size(), n);
        if (r.ec != std::errc() || r.ptr != text->data() + text->size() || n == 0)
            return usageError("mark", "--delete takes a mark's number from 1, not '" + *text + "'");
        auto marks = marksToEdit(path, "mark");
        if (!marks)
            return exitFailure;
        if (const auto problem = marks->remove(n - 1)) {
            std::cerr << "vrel-cli mark: " << *problem << "\n";
            return exitFailure;
        }
        return save(*marks, path, "mark") ? exitOk : exitFailure;
    }

    SurveyMark mark;
    for (const char* name : {"--from", "--to", "--kind", "--label"})
        if (!line.option(name))
            return usageError("mark", std::string("a mark wants ") + name);
    for (const char* name : {"--from", "--to"}) {
        const std::string& text = *line.option(name);
        const auto t = parseSurveyDateTime(text, appClock());
        if (!t)
            return usageError("mark", std::string(name) +
                                          " wants a local date and time such as "
                                          "2026-12-09T08:00, not '" +
                                          text + "'");
        (name[2] == 'f' ? mark.start : mark.end) = static_cast<SurveyMs>(*t) * 1000;
    }
    const auto kind = markKindOf(*line.option("--kind"));
    if (!kind)
        return usageError("mark", "--kind takes exclude, residual, event or note, not '" +
                                      *line.option("--kind") + "'");
    mark.kind = *kind;
    mark.label = *line.option("--label");
    if (const std::string* note = line.option("--note"))
        mark.note = *note;
    if (const auto problem = SurveyMarks::problemOf(mark))
        return usageError("mark", *problem);
    auto marks = marksToEdit(path, "mark");
    if (!marks)
        return exitFailure;
    marks->add(std::move(mark));
    return save(*marks, path, "mark") ? exitOk : exitFailure;
}

int runWeather(const std::vector<std::string>& args) {
    CommandLine line;
    if (const int status = readCommandLine(
            "weather", weatherUsage, args,
            {"--wind-above", "--time-column", "--wind-column", "--rain-column"}, line, {"--rain"});
        status >= 0)
        return status;
    const auto target = line.positional.size() == 2 ? marksPath(line.positional[0]) : std::nullopt;
    if (!target)
        return usageError("weather", std::string(notMarksTarget) + ", and a weather file");
    WeatherOptions options;
    options.rain = line.flag("--rain");
    if (const std::string* text = line.option("--wind-above")) {
        options.windAbove = parseNumber(*text);
        if (!options.windAbove || *options.windAbove < 0)
            return usageError("weather",
                              "--wind-above takes a wind speed in m/s, not '" + *text + "'");
    } else if (options.rain) {
        options.windAbove.reset();
    }
    for (auto [name, column] : {std::pair{"--time-column", &options.timeColumn},
                                {"--wind-column", &options.windColumn},
                                {"--rain-column", &options.rainColumn}})
        if (const std::string* text = line.option(name))
            *column = *text;
    const WeatherMarks weather = readWeatherMarks(line.positional[1], options, appClock());
    if (!weather.error.empty()) {
        std::cerr << "vrel-cli weather: " << weather.error << "\n";
        return exitFailure;
    }
    const std::string& path = *target;
    auto marks = marksToEdit(path, "weather");
    if (!marks)
        return exitFailure;
    const std::size_t added = addNewMarks(*marks, weather.marks);
    if (added > 0 && !save(*marks, path, "weather"))
        return exitFailure;
    std::cout << "added\t" << added << "\tmarks\n";
    return exitOk;
}
