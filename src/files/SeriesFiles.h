#pragma once

#include "formats/SpreadsheetExport.h"
#include "model/RecordList.h"
#include "model/SeriesStats.h"

class QString;
class QWidget;

#include <string>

// The save and export commands of a window on a series: the file dialog
// through the prompt, the write (whole or not at all) and, when it fails, a
// message box naming the file and the reason.
enum class FileCommandResult { Written, NothingToWrite, Cancelled, Failed };

// "Farklı kaydet": the text data file of the series; a proposed name from the
// current local time, "Data File (*.txt)". An empty series asks nothing.
FileCommandResult SaveSeriesAs(QWidget* parent, const RecordList& series);

// "Excel'e aktar": the tab-separated ".xls" text by default; choosing "Excel
// workbook (*.xlsx)", or a name ending in ".xlsx", writes a workbook instead.
// An empty series asks nothing.
FileCommandResult ExportSeries(QWidget* parent, const RecordList& series, const SeriesStats& stats,
                               ExportSource source);
