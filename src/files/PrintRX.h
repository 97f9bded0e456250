#pragma once

#include "layout/PrintLayout.h"

class QPrinter;
class QWidget;
class PlotView;

// The print dialog's copies and page range are not used: a printout goes to
// the printer once, every page of it, whatever the dialog was left showing.
void printOnceWhole(QPrinter& printer);

// One print job of a window: asks for a printer through the prompt, lays the
// printout out for that printer and prints it once. A printer that refuses to
// start the document or a page is reported in a message box; nothing is left
// half started.
class CPrintRX {
  public:
    enum class Result { Printed, NothingToPrint, Cancelled, Failed };

    // The data printout: summary and the paginated table of the readings.
    Result printData(QWidget* parent, const RecordList& series, const SeriesStats& stats);
    // The diagram printout of the graph as it is zoomed now; windowWidth is
    // the graph widget's width on screen.
    Result printDiagram(QWidget* parent, const RecordList& series, const SeriesStats& stats,
                        const PlotView& view, int windowWidth);
};
