// vrel-cli print: the DATALOGGER window's two printouts into a PDF file.
#include "CliCommon.h"
#include "Commands.h"
#include "DataFileSet.h"
#include "PdfOutput.h"

#include "layout/PrintLayout.h"
#include "model/Clock.h"
#include "plot/PlotView.h"
#include "print/PageRenderer.h"

#include <QPdfWriter>

#include <charconv>
#include <iostream>

namespace {

const char* const printUsage =
    "usage: vrel-cli print diagram|data FILE.txt OUT.pdf [--dpi N]\n"
    "\n"
    "Reads a text data file as the Open command does, chooses its data set as a\n"
    "double click on its row does and prints the diagram or the data table of it\n"
    "into a PDF file: A4 portrait, margins of 10 mm, 600 dots per inch unless\n"
    "--dpi says otherwise. The diagram shows the unzoomed graph of a plot area of\n"
    "1000 x 500 pixels. The footers and the heading carry the current local time.\n"
    "OUT is replaced whole or left as it was.\n"
    "\n"
    "  --dpi N  resolution of the page, 72 to 4800\n"
    "\n"
    "A time that the diagram's labels cannot be computed from stops the labels\n"
    "with \"Time Format is wrong!\" on standard error; the page is still printed.\n"
    "\n"
    "Exit status 0; 1 when the file cannot be read, is no text data file\n"
    "(\"Data Format is wrong!\"), holds no readings, or the document or a page\n"
    "cannot be started or written (nothing is written then); 2 for a wrong\n"
    "command line.\n";

// The DATALOGGER window's graph widget: a 1000 x 500 plot area with its margins.
constexpr int graphWindowWidth = 1090;
constexpr int graphWindowHeight = 530;

// The view the DATALOGGER window's graph shows of a newly chosen set: reset
// with xMax = 20, then its X range grown until the set fits.
PrintPlotView unzoomedView(const RecordList& series) {
    PlotView view;
    view.xMax = 20;
    view.resetView(graphWindowWidth, graphWindowHeight);
    view.prepareRedraw(series);
    return printPlotView(view, graphWindowWidth);
}

std::optional<int> parseDpi(const std::string& text) {
    int v = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size() || v < 72 || v > 4800)
        return std::nullopt;
    return v;
}

int print(bool diagram, const ChosenDataSet& set, const std::string& out, int dpi) {
    return writePdf("print", out, [&](QPdfWriter& writer, QString* error) {
        setUpA4Pdf(writer, QStringLiteral("Vrel"), QStringLiteral("vrel-cli"), dpi, 10);
        const PrintMetrics metrics = printMetrics(writer);
        const LocalTime now = appClock().localNow();
        std::vector<PrintPage> pages;
        if (diagram) {
            bool timeFormatError = false;
            pages.push_back(layoutDiagramPrintout(set.selection, set.stats,
                                                  unzoomedView(set.selection), metrics, now,
                                                  &timeFormatError));
            if (timeFormatError)
                std::cerr << "Time Format is wrong!\n";
        } else {
            pages = layoutDataPrintout(set.selection, set.stats, metrics, now);
        }
        return renderPages(writer, pages, error);
    });
}

} // namespace

int runPrint(const std::vector<std::string>& args) {
    CommandLine line;
    if (const int status = readCommandLine("print", printUsage, args, {"--dpi"}, line); status >= 0)
        return status;
    if (line.positional.size() != 3 ||
        (line.positional[0] != "diagram" && line.positional[0] != "data"))
        return usageError("print", "expects diagram or data, a data file and a PDF file");
    int dpi = 600;
    if (const std::string* text = line.option("--dpi")) {
        const auto v = parseDpi(*text);
        if (!v)
            return usageError("print", "--dpi takes a whole number from 72 to 4800");
        dpi = *v;
    }
    const auto set = openAndChoose(line.positional[1], "print");
    if (!set)
        return exitFailure;
    return print(line.positional[0] == "diagram", *set, line.positional[2], dpi);
}
