#include "files/PrintRX.h"

#include "model/Clock.h"
#include "print/PageRenderer.h"
#include "ui/Prompt.h"

#include <QApplication>
#include <QPrinter>

namespace {

// "Vrel": the document name the print queue shows.
const QString documentName = QStringLiteral("Vrel");

struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

template <typename Layout>
CPrintRX::Result printJob(QWidget* parent, const RecordList& series, Layout layout) {
    if (series.empty())
        return CPrintRX::Result::NothingToPrint;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(documentName);
    if (!prompt().choosePrinter(parent, printer))
        return CPrintRX::Result::Cancelled;
    printOnceWhole(printer);
    QString error;
    bool printed = false;
    {
        WaitCursor wait;
        printed = renderPages(printer, layout(printMetrics(printer)), &error);
    }
    if (!printed) {
        prompt().inform(parent, error, documentName, Prompt::Icon::Warning);
        return CPrintRX::Result::Failed;
    }
    return CPrintRX::Result::Printed;
}

} // namespace

void printOnceWhole(QPrinter& printer) {
    printer.setCopyCount(1);
    printer.setPrintRange(QPrinter::AllPages);
    printer.setPageRanges({});
}

CPrintRX::Result CPrintRX::printData(QWidget* parent, const RecordList& series,
                                     const SeriesStats& stats) {
    return printJob(parent, series, [&](const PrintMetrics& m) {
        return layoutDataPrintout(series, stats, m, appClock().localNow());
    });
}

CPrintRX::Result CPrintRX::printDiagram(QWidget* parent, const RecordList& series,
                                        const SeriesStats& stats, const PlotView& view,
                                        int windowWidth) {
    return printJob(parent, series, [&](const PrintMetrics& m) {
        return std::vector<PrintPage>{layoutDiagramPrintout(
            series, stats, printPlotView(view, windowWidth), m, appClock().localNow())};
    });
}
