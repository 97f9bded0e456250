// vrel-cli report: the measurement report of a data file into a PDF file.
#include "CliCommon.h"
#include "Commands.h"
#include "DataFileSet.h"
#include "NoiseOptions.h"
#include "PdfOutput.h"
#include "SeriesInput.h"

#include "config/ColorConfig.h"
#include "config/Language.h"
#include "layout/ReportLayout.h"
#include "model/Clock.h"
#include "print/ReportRenderer.h"
#include "print/ReportTexts.h"
#include "survey/SeriesReport.h"

#include <QLocale>
#include <QPdfWriter>

#include <functional>
#include <iostream>

namespace {

const char* const reportHead =
    "usage: vrel-cli report FILE.txt OUT.pdf [--site TEXT] [--operator TEXT]\n"
    "                       [--meter TEXT] [--notes TEXT] [--limit DB]\n"
    "                       [--shift HOURS] [--intervals 15m] [--periods D,E,N]\n"
    "       vrel-cli report DIR|FILE.txt... OUT.pdf [--from DATETIME]\n"
    "                       [--to DATETIME] [--marks FILE.csv | --no-marks]\n"
    "                       [--above DB [--hysteresis DB] [--merge S] [--min S]]\n"
    "                       [the options above]\n"
    "\n"
    "Reads a text data file as the Open command does, chooses its data set as a\n"
    "double click on its row does and writes the measurement report as the\n"
    "windows' \"Rapor\" command does: A4 portrait pages with the title block, the\n"
    "curve with the limit line, the summary and acoustic figures, the workplace\n"
    "exposure and the environmental figures, the limit exceedances and the\n"
    "interval table. The footers carry the page numbers and the current local\n"
    "time. OUT is replaced whole or left as it was.\n"
    "\n"
    "A survey folder, several data files, --from or --to make one series of\n"
    "the readings in time order, reported as one data set; a file that cannot\n"
    "be read is named and left out. A series longer than a day, or of more\n"
    "than 2 million readings, gets the report of a survey instead: the title\n"
    "block, the span's figures (Leq, Lmax, Lmin, L10, L50, L90, LEX,8h, Lden),\n"
    "the daily table of the environmental periods, and the curves of the whole\n"
    "span and of each day on the clock, gaps left empty, with the limit line.\n"
    "\n"
    "The figures of a series leave out the readings in its exclude and\n"
    "residual marks, as vrel-cli stats does; a series with marks in it always\n"
    "gets the report of a survey, which lists the marks, the readings they\n"
    "left out, Lres and Lspecific, and the figures of all readings beside.\n"
    "The report of a survey has the background table (the ABL of each date and\n"
    "period and the RBLs, as stats --background); with --above and the rules\n"
    "of vrel-cli events it lists the events (the 50 with the highest Lmax when\n"
    "there are more, saying how many there were) and each day's events and\n"
    "time above.\n"
    "\n"
    "  --site, --operator, --meter, --notes  the title block (UTF-8)\n"
    "  --limit DB  the limit line and the exceedances\n"

    "  --lang tr|en  the report's language (default: the desktop program's\n"
    "              interface language: the one chosen there, else the\n"
    "              system's, else Turkish)\n";
const char* const reportOptions =
    "  --shift HOURS  the shift the measurement samples (default: the measured\n"
    "              duration)\n"
    "  --intervals 1m|5m|15m|1h  the interval table's intervals (default 15m)\n"
    "  --periods D,E,N  the hours the day, evening and night start (7,19,23)\n"
    "\n"
    "Exit status 0; 1 when the file cannot be read, is no text data file, holds\n"
    "no readings, or the document cannot be written (nothing is written then);\n"
    "2 for a wrong command line.\n";

// The window's choice: the language remembered, else the system's, else Turkish.
Language reportLanguage(std::optional<Language> asked) {
    moveEarlierSettings();
    std::vector<std::string> system;
    for (const QString& l : QLocale::system().uiLanguages())
        system.push_back(l.toStdString());
    return chooseLanguage(asked, readLanguage(programSettingsPath()), system);
}

// Writes the pages layout makes of the report's words in its language.
int write(std::optional<Language> asked, const std::string& out,
          const std::function<std::vector<ReportPage>(const ReportTexts&, Language)>& layout) {
    return writePdf("report", out, [&](QPdfWriter& writer, QString* error) {
        // The translation is read once the application exists.
        const Language language = reportLanguage(asked);
        const ReportTexts texts = reportTexts(language);
        setUpReportPdf(writer, QString::fromStdString(texts.title), QStringLiteral("vrel-cli"));
        return renderReport(writer, layout(texts, language), error);
    });
}

} // namespace

int runReport(const std::vector<std::string>& args) {
    const std::string usage = std::string(reportHead) + seriesOptionsUsage + reportOptions;
    std::vector<std::string_view> valued = noiseOptionNames;
    for (const char* o : {"--site", "--operator", "--meter", "--notes", "--limit", "--lang"})
        valued.push_back(o);
    valued.insert(valued.end(), seriesOptionNames.begin(), seriesOptionNames.end());
    valued.insert(valued.end(), eventOptionNames.begin(), eventOptionNames.end());
    CommandLine line;
    if (const int status = readCommandLine("report", usage, args, valued, line, {noMarksFlag});
        status >= 0)
        return status;
    if (line.positional.size() < 2)
        return usageError("report", "expects a data file and a PDF file");
    std::string error;
    const auto noise = readNoiseOptions(line, error);
    if (!noise || !checkSeriesOptions(line, error))
        return usageError("report", error);
    const auto rules = readEventRules(line, "--", error);
    if (!error.empty())
        return usageError("report", error);
    ReportInput input;
    input.settings = noise->settings;
    if (!noise->environment)
        input.settings.intervalSeconds = 900;
    if (const std::string* text = line.option("--limit")) {
        const std::optional<double> v = parseNumber(*text);
        if (!v)
            return usageError("report", "--limit takes a level in dB, not '" + *text + "'");
        input.limit = *v;
    }
    auto text = [&](const char* option) {
        const std::string* v = line.option(option);
        return v ? *v : std::string();
    };
    input.title = {text("--site"), text("--operator"), text("--meter"), text("--notes")};
    std::optional<Language> asked;
    if (const std::string* code = line.option("--lang")) {
        asked = parseLanguage(*code);
        if (!asked || (*code != "tr" && *code != "en"))
            return usageError("report", "--lang takes tr or en, not '" + *code + "'");
    }
    const std::vector<std::string> inputs(line.positional.begin(), line.positional.end() - 1);
    input.now = appClock().localNow();
    std::optional<ChosenDataSet> set;
    if (wantsSeries(line, inputs.size()) || rules) {
        const auto series = openSeries(inputs, line, "report");
        if (!series)
            return exitFailure;
        if (rules || wantsSeriesReport(series->series, series->from, series->to, series->listed,
                                       appClock())) {
            return write(asked, line.positional.back(),
                         [&](const ReportTexts& texts, Language language) {
                             SeriesReportInput whole = seriesReportInput(
                                 series->series, series->from, series->to, input.settings.bounds,
                                 input.limit, texts, language, series->listed, appClock(), rules);
                             whole.title = input.title;
                             whole.now = input.now;
                             return layoutSeriesReport(whole);
                         });
        }
        set = seriesDataSet(*series, "report");
    } else {
        set = openAndChoose(inputs[0], "report");
    }
    if (!set)
        return exitFailure;
    input.series = &set->selection;
    input.stats = set->stats;
    return write(asked, line.positional.back(), [&input](const ReportTexts& texts, Language) {
        input.texts = texts;
        return layoutReport(input);
    });
}
