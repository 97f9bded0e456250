#pragma once

#include "model/NoiseRules.h"
#include "model/RecordList.h"
#include "model/SeriesStats.h"
#include "model/TimeLabels.h"

#include <optional>
#include <string>
#include <vector>

// The export of a series with its summary for spreadsheet programs. The ".xls"
// variant is tab-separated 8-bit text with CR LF line ends, every line closed by
// a TAB:
//
//   StartTime <TAB> start <TAB>
//   Max <TAB> 72.50 @ time  unit <TAB>       (DATALOGGER: a blank before the TAB)
//   Min <TAB> 41.00 @ time  unit <TAB>
//   Average <TAB> 57.40 <TAB>
//   SampleRate <TAB> 1.00 <TAB>
//   ID <TAB> Unit <TAB> Value <TAB> DateTime <TAB>
//   1 <TAB> dBA <TAB> 55.20 <TAB> 07-03-2015,09:05:01 <TAB>
//
// The summary is written as given, not recomputed from the series.

// Which window exports: the two differ in the end of the Max line only.
enum class ExportSource { MainView, DataLogger };

// The whole tab-separated text; empty for an empty series.
std::string FormatSpreadsheetText(const RecordList& series, const SeriesStats& stats,
                                  ExportSource source);

// Write a non-empty series (an empty one writes nothing and fails) whole or
// not at all. On failure return false and, when error is given, the reason; an
// existing file of that name is then left as it was.
bool WriteSpreadsheetText(const std::string& path, const RecordList& series,
                          const SeriesStats& stats, ExportSource source,
                          std::string* error = nullptr);

// A sheet of a table: its name, headings and rows. A cell is a number (shown
// with its own decimals, or the sheet's), a date-time (a spreadsheet's own,
// shown in the sheet's date format), a text, or empty.
struct TableCell {
    std::optional<double> number;
    std::string text;
    int decimals = -1; // -1: the sheet's
    std::optional<DateTime> when = std::nullopt;
};
struct TableSheet {
    std::string name;
    std::vector<std::string> headings;
    std::vector<std::vector<TableCell>> rows;
    int decimals = 1;
    std::string dateFormat = "dd-mm-yyyy hh:mm:ss";
};

// The same rows and cells as an Office Open XML workbook on its first sheet.
// The labels, the date-times, units and the Max and Min texts are text cells;
// the average, the sampling rate, running numbers and levels are number cells
// shown with two decimals. A second sheet "Akustik" holds the acoustic summary
// of the series (name, value, unit per row; the exceedance rows only when a
// limit is given), read at the summary's sampling rate. Two more follow:
// "Maruziyet", the workplace exposure, and "Çevre", the environmental figures
// with the interval table, both with the given settings. The sheets of
// tables come last.
bool WriteSpreadsheetXlsx(const std::string& path, const RecordList& series,
                          const SeriesStats& stats, ExportSource source,
                          std::string* error = nullptr, std::optional<double> limit = {},
                          const NoiseSettings& noise = {},
                          const std::vector<TableSheet>& tables = {});

// Writes the sheets as one .xlsx workbook, whole or not at all.
bool WriteTableWorkbook(const std::string& path, const std::vector<TableSheet>& sheets,
                        std::string* error = nullptr);
