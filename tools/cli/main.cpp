// vrel-cli: the headless companion of the Vrel desktop program.
#include "CliCommon.h"
#include "Commands.h"

#include <iostream>
#include <map>

namespace {
const char* const usageText = "usage: vrel-cli COMMAND [ARGS]\n"
                              "\n"
                              "Commands:\n"
                              "  ports         list the serial ports, marking the meter's one\n"
                              "  monitor       print the meter's live readings\n"
                              "  record        record the meter's level into a text data file\n"
                              "  survey        an unattended survey into a folder, for weeks\n"
                              "  collect       archive the surveys that publish to a broker\n"
                              "  decode live   decode a capture of the meter's live byte stream\n"
                              "  decode logger decode a capture of a logger memory download\n"
                              "  list          list the data sets of a text data file\n"
                              "  export        export a data file's set as .xls text or .xlsx\n"
                              "  convert       write a data file's set as a text data file\n"
                              "  print         print a data file's diagram or table into a PDF\n"
                              "  report        write a data file's measurement report as a PDF\n"
                              "  stats         Leq, percentile levels and SEL of a data file\n"
                              "  events        the noise events of a survey or data files\n"
                              "  mark          add, list or delete the marks of a survey\n"
                              "  weather       mark the windy and rainy spans of a weather file\n"
                              "  download      download the meter's memory into data files\n"
                              "\n"
                              "vrel-cli COMMAND --help shows a command's options;\n"
                              "vrel-cli --version its version.\n";
}

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    const std::map<std::string, int (*)(const std::vector<std::string>&)> commands = {
        {"decode", runDecode},     {"list", runList},     {"export", runExport},
        {"convert", runConvert},   {"stats", runStats},   {"print", runPrint},
        {"download", runDownload}, {"ports", runPorts},   {"monitor", runMonitor},
        {"record", runRecord},     {"report", runReport}, {"survey", runSurvey},
        {"collect", runCollect},   {"mark", runMark},     {"weather", runWeather},
        {"events", runEvents},
    };
    if (argc < 2) {
        std::cerr << usageText;
        return exitUsage;
    }
    const std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        std::cout << usageText;
        return exitOk;
    }
    if (name == "--version" || name == "-v") {
        std::cout << "vrel-cli " VREL_VERSION "\n";
        return exitOk;
    }
    const auto it = commands.find(name);
    if (it == commands.end()) {
        std::cerr << "vrel-cli: unknown command '" << name
                  << "'\nvrel-cli --help shows the commands\n";
        return exitUsage;
    }
    return it->second(std::vector<std::string>(argv + 2, argv + argc));
}
