// vrel-cli list, export, convert and stats: the DATALOGGER window's file
// commands without the window.
#include "CliCommon.h"
#include "Commands.h"
#include "DataFileSet.h"
#include "NoiseOptions.h"
#include "SeriesInput.h"

#include "formats/SpreadsheetExport.h"
#include "formats/TextDataFile.h"
#include "model/AcousticStats.h"
#include "model/Clock.h"
#include "model/TextFormat.h"
#include "survey/SeriesFigures.h"
#include "survey/SeriesTables.h"
#include "survey/SurveyWorkbook.h"

#include <iostream>

namespace {

const char* const listUsage =
    "usage: vrel-cli list FILE.txt\n"
    "\n"
    "Reads a text data file as the Open command does and prints the DATALOGGER\n"
    "window's data-set rows, one per line, the five cells tab-separated as the\n"
    "window shows them: ID, date and time of the first reading, unit, sampling\n"
    "rate with two decimals, number of readings. A file without readings prints\n"
    "nothing.\n"
    "\n"
    "Exit status 0; 1 when the file cannot be read or is no text data file\n"
    "(\"Data Format is wrong!\"); 2 for a wrong command line.\n";

const char* const exportHead =
    "usage: vrel-cli export FILE.txt OUT.xls|OUT.xlsx\n"
    "       vrel-cli export DIR|FILE.txt... OUT.xls|OUT.xlsx [--from DATETIME]\n"
    "                       [--to DATETIME] [--marks FILE.csv | --no-marks]\n"
    "                       [--above DB [--hysteresis DB] [--merge S] [--min S]]\n"
    "\n"
    "Reads a text data file as the Open command does, chooses its data set as a\n"
    "double click on its row does and exports it as the DATALOGGER window's\n"
    "\"Excel'e aktar\" does: tab-separated text, or an Excel workbook when OUT\n"
    "ends in .xlsx (any case). OUT is replaced whole or left as it was.\n"
    "\n"
    "A survey folder, several data files, --from, --to or --marks make one\n"
    "series of the readings in time order, exported as one data set (at most 2\n"
    "million readings); a file that cannot be read is named and left out. The\n"
    "readings in an exclude or residual mark are left out. The workbook of a\n"
    "series adds the survey window's tables: the sheets Günler and Saatler (a\n"
    "day, an hour a row), Değerler (the figures, of all readings beside) and\n"
    "İşaretler (the marks), Arka plan (the ABL of each date and period and the\n"
    "RBLs, as stats --background) and, with --above and the rules of vrel-cli\n"
    "events, Olaylar (the events) and each day's events and time above; a\n"
    "series of more readings gets these alone.\n"
    "\n";
const char* const exportTail =
    "\n"
    "Exit status 0; 1 when the file cannot be read, is no text data file\n"
    "(\"Data Format is wrong!\"), holds no readings or OUT cannot be written\n"
    "(nothing is written then); 2 for a wrong command line.\n";

const char* const convertUsage =
    "usage: vrel-cli convert FILE.txt OUT.txt\n"
    "\n"
    "Reads a text data file as the Open command does, chooses its data set as a\n"
    "double click on its row does and writes it as the DATALOGGER window's\n"
    "\"Seçimi kaydet\" does. OUT is replaced whole or left as it was.\n"
    "\n"
    "Exit status as for vrel-cli export.\n";

const char* const statsUsage =
    "usage: vrel-cli stats FILE.txt [--limit DB] [--shift HOURS] [--intervals 15m]\n"
    "                                [--periods D,E,N]\n"
    "       vrel-cli stats DIR|FILE.txt... [--from DATETIME] [--to DATETIME]\n"
    "                                [--daily] [--limit DB] [--periods D,E,N]\n"
    "                                [--marks FILE.csv | --no-marks]\n"
    "\n"
    "Reads a text data file as the Open command does, chooses its data set as a\n"
    "double click on its row does and prints its acoustic statistics, one\n"
    "NAME<TAB>VALUE<TAB>UNIT per line, levels with two decimals:\n"
    "\n"
    "  count    number of readings                        readings\n"
    "  Leq      energy average 10 lg(mean of 10^(L/10))   weighting\n"
    "  Lmax     highest reading                           weighting\n"
    "  Lmin     lowest reading                            weighting\n"
    "  L5 L10 L50 L90 L95  level exceeded during N % of the readings: the k-th\n"
    "           highest, k = ceil(N * count / 100), at least 1   weighting\n"
    "  SEL      Leq + 10 lg(count * interval / 1 s)       weighting\n"
    "\n"
    "The weighting is dBA, dBC, or mixed when the set holds both; the interval\n"
    "is the file's sampling rate. Leq differs from the window's \"Ortalama\",\n"
    "the arithmetic mean of the dB values: loud moments weigh more.\n"
    "\n"
    "  --limit DB  adds the exceedance of that level (readings above it):\n"
    "              limit (weighting), above (readings), aboveTime (s),\n"
    "              longestRun (readings), longestRunTime (s)\n";
const char* const statsSeriesUsage =
    "\n"
    "A survey folder (its survey-*.txt files), several data files, --from,\n"
    "--to or --daily make one series of the readings, in time order: the\n"
    "lines above are of its readings (Leq and SEL over the time they cover,\n"
    "their sampling intervals may differ), and a file that cannot be read is\n"
    "named on standard error and left out.\n"
    "\n"
    "A meter's survey in the database vrel-cli collect --db writes is read as\n"
    "its folder is: postgresql://USER@HOST[:PORT]/DB?site=S&meter=M (the\n"
    "password from PGPASSFILE or ~/.pgpass); --from and --to bring that span only.\n"
    "\n"
    "The figures of a series are those of its readings in no exclude or\n"
    "residual mark of its marks file (a reading at t lies in a mark when\n"
    "start <= t < end; a mark's time counts as not covered), then follow\n"
    "  excluded   readings in an exclude mark           readings\n"
    "  residual   readings in a residual mark (and no exclude mark)  readings\n"
    "  Lres       Leq of the residual readings, when there are   weighting\n"
    "  Lspecific  10 lg(10^(Leq/10) - 10^(Lres/10)) when Leq - Lres is more\n"
    "             than 3 dB, else: not determinable<TAB>the difference is 3 dB\n"
    "             or less\n";
const char* const statsSeriesUsageTail =
    "  --above DB [--hysteresis DB] [--merge S] [--min S]  the threshold and\n"
    "              rules of noise events for --daily (see vrel-cli events)\n"
    "  --background  adds the background level: each 15-minute clock interval\n"
    "              whose readings cover at least 90 % of it has an LA90 (the\n"
    "              L90 above); each date's day, evening and night (--periods;\n"
    "              a night belongs to the date it starts on) has an ABL, the\n"
    "              value at rank ceil(0.1 m) of its m LA90s sorted upwards:\n"
    "              abl<TAB>dd-mm-yyyy<TAB>day|evening|night<TAB>ABL<TAB>m, then\n"
    "              for each period the median of its ABLs (the mean of the\n"
    "              middle two of an even number):\n"
    "              rbl<TAB>day|evening|night<TAB>RBL<TAB>dates\n"
    "--shift and --intervals take at most 2 million readings of a series.\n";
const char* const statsUsageTail =
    "\n"
    "Exit status 0; 1 when the file cannot be read, is no text data file or\n"
    "holds no readings; 2 for a wrong command line.\n";

// Parses the command line of a command with fixed positional arguments;
// returns -1 to go on, or the exit status to end with.
int checkLine(const std::vector<std::string>& args, const std::vector<std::string_view>& valued,
              std::size_t positional, const char* command, const char* usage, CommandLine& line) {
    if (const int status = readCommandLine(command, usage, args, valued, line); status >= 0)
        return status;
    if (line.positional.size() != positional)
        return usageError(command, positional == 1
                                       ? "expects 1 file name"
                                       : "expects " + std::to_string(positional) + " file names");
    return -1;
}

bool endsWithXlsx(const std::string& path) {
    if (path.size() < 5)
        return false;
    std::string tail = path.substr(path.size() - 5);
    for (char& c : tail)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return tail == ".xlsx";
}

} // namespace

int runList(const std::vector<std::string>& args) {
    CommandLine line;
    if (const int status = checkLine(args, {}, 1, "list", listUsage, line); status >= 0)
        return status;
    const auto file = openDataFile(line.positional[0]);
    if (!file)
        return exitFailure;
    for (const DataSetRow& row : file->rows) {
        const auto cells = row.cells();
        std::cout << cells[0] << '\t' << cells[1] << '\t' << cells[2] << '\t' << cells[3] << '\t'
                  << cells[4] << '\n';
    }
    return exitOk;
}

int runExport(const std::vector<std::string>& args) {
    const std::string usage = std::string(exportHead) + seriesOptionsUsage + exportTail;
    std::vector<std::string_view> valued = seriesOptionNames;
    valued.insert(valued.end(), eventOptionNames.begin(), eventOptionNames.end());
    CommandLine line;
    if (const int status = readCommandLine("export", usage, args, valued, line, {noMarksFlag});
        status >= 0)
        return status;
    if (line.positional.size() < 2)
        return usageError("export", "expects 2 file names");
    std::string error;
    const auto rules = readEventRules(line, "--", error);
    if (!error.empty() || !checkSeriesOptions(line, error))
        return usageError("export", error);
    const std::vector<std::string> inputs(line.positional.begin(), line.positional.end() - 1);
    const std::string& out = line.positional.back();
    const bool workbook = endsWithXlsx(out);
    std::optional<ChosenDataSet> set;
    std::vector<TableSheet> tables;
    if (wantsSeries(line, inputs.size()) || rules) {
        const auto input = openSeries(inputs, line, "export");
        if (!input)
            return exitFailure;
        if (workbook) {
            // The sheets' names as those of the readings' workbook, in Turkish.
            tables = surveyWorkbookSheets(input->series, input->from, input->to, {}, input->listed,
                                          appClock(), Language::Turkish, rules);
            if (keptReadings(*input) > maxSeriesRecords) {
                if (!WriteTableWorkbook(out, tables, &error)) {
                    std::cerr << "vrel-cli export: " << error << "\n";
                    return exitFailure;
                }
                return exitOk;
            }
        }
        set = seriesDataSet(*input, "export");
    } else {
        set = openAndChoose(inputs[0], "export");
    }
    if (!set)
        return exitFailure;
    const bool written =
        workbook ? WriteSpreadsheetXlsx(out, set->selection, set->stats, ExportSource::DataLogger,
                                        &error, {}, {}, tables)
                 : WriteSpreadsheetText(out, set->selection, set->stats, ExportSource::DataLogger,
                                        &error);
    if (!written) {
        std::cerr << "vrel-cli export: " << error << "\n";
        return exitFailure;
    }
    return exitOk;
}

int runConvert(const std::vector<std::string>& args) {
    CommandLine line;
    if (const int status = checkLine(args, {}, 2, "convert", convertUsage, line); status >= 0)
        return status;
    const auto set = openAndChoose(line.positional[0], "convert");
    if (!set)
        return exitFailure;
    std::string error;
    if (!WriteTextDataFile(line.positional[1], set->selection, &error)) {
        std::cerr << "vrel-cli convert: " << error << "\n";
        return exitFailure;
    }
    return exitOk;
}

int runStats(const std::vector<std::string>& args) {
    const std::string usageText = std::string(statsUsage) + noiseOptionsUsage + seriesOptionsUsage +
                                  statsSeriesUsage + dailyFiguresUsage() + statsSeriesUsageTail +
                                  statsUsageTail;
    const char* const usage = usageText.c_str();
    std::vector<std::string_view> valued = noiseOptionNames;
    valued.push_back("--limit");
    valued.insert(valued.end(), seriesOptionNames.begin(), seriesOptionNames.end());
    valued.insert(valued.end(), eventOptionNames.begin(), eventOptionNames.end());
    CommandLine line;
    if (const int status = readCommandLine("stats", usage, args, valued, line,
                                           {"--daily", "--background", noMarksFlag});
        status >= 0)
        return status;
    if (line.positional.empty())
        return usageError("stats", "expects a data file or a survey folder");
    std::string noiseError;
    const auto noise = readNoiseOptions(line, noiseError);
    if (!noise)
        return usageError("stats", noiseError);
    const auto rules = readEventRules(line, "--", noiseError);
    if (!noiseError.empty())
        return usageError("stats", noiseError);
    const bool series =
        wantsSeries(line, line.positional.size()) || rules || line.flag("--background");
    if (!checkSeriesOptions(line, noiseError))
        return usageError("stats", noiseError);
    std::optional<double> limit;
    if (const std::string* text = line.option("--limit")) {
        limit = parseNumber(*text);
        if (!limit)
            return usageError("stats", "--limit takes a level in dB, not '" + *text + "'");
    }
    if (series) {
        const auto input = openSeries(line.positional, line, "stats");
        if (!input)
            return exitFailure;
        // The workplace and environmental figures are the records' (at most
        // maxSeriesRecords of them).
        std::optional<ChosenDataSet> set;
        if (noise->exposure || noise->environment) {
            set = seriesDataSet(*input, "stats");
            if (!set)
                return exitFailure;
        }
        printSeriesStats(*input, limit);
        if (set)
            printNoiseFigures(
                computeNoiseFigures(set->selection, 0, set->selection.size(), noise->settings),
                *noise);
        if (line.flag("--daily")) {
            const PeriodBounds& bounds = noise->settings.bounds;
            if (rules) {
                const SeriesEvents events = findEvents(input->series, input->from, input->to,
                                                       *rules, input->marks.excluded, bounds);
                printDailyFigures(*input, bounds, &events);
            } else {
                printDailyFigures(*input, bounds);
            }
        }
        if (line.flag("--background"))
            printBackground(backgroundLevels(input->series, input->from, input->to,
                                             noise->settings.bounds, input->marks.excluded));
        return exitOk;
    }
    const auto set = openAndChoose(line.positional[0], "stats");
    if (!set)
        return exitFailure;
    const double interval = set->stats.samplingRate;
    const AcousticSummary s = summarize(set->selection, 0, set->selection.size(), interval, limit);
    auto put = [](const char* name, const std::string& value, const std::string& unit) {
        std::cout << name << '\t' << value << '\t' << unit << '\n';
    };
    auto level = [](double v) { return formatFixed(v, 2); };
    put("count", std::to_string(s.count), "readings");
    for (const SpanFigure& figure : spanFigureList())
        if ((figure.outputs & InCli) && figure.ofFile)
            put(figure.key, level(figure.ofFile(s)), s.weighting);
    if (limit) {
        put("limit", level(*limit), s.weighting);
        put("above", std::to_string(s.aboveCount), "readings");
        put("aboveTime", formatFixed(s.aboveSeconds, 2), "s");
        put("longestRun", std::to_string(s.longestRunAbove), "readings");
        put("longestRunTime", formatFixed(s.longestRunSeconds, 2), "s");
    }
    if (noise->exposure || noise->environment)
        printNoiseFigures(
            computeNoiseFigures(set->selection, 0, set->selection.size(), noise->settings), *noise);
    return exitOk;
}
