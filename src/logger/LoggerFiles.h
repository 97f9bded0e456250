#pragma once

#include "formats/SpreadsheetExport.h"
#include "model/RecordList.h"
#include "model/SeriesStats.h"

#include <functional>
#include <optional>

class QString;
class QWidget;

// The file side of the DATALOGGER window and of the main view's "Aç": the
// dialogs through the prompt, the reading and writing, and the messages.

// Where a survey folder (vrel-cli survey) goes when the caller has a window
// for whole surveys; empty when it has none.
using SurveyFolderOpener = std::function<void(const QString& folder)>;

// Asks for a text data file and reads it. A file that cannot be read or whose
// header is wrong is reported in a message box and gives nothing; the caller
// then changes nothing. Cancel gives nothing, silently. A survey folder,
// chosen itself or by any of its files under the survey filter, is handed to
// openSurvey and gives nothing; without an opener it gives one data set per
// data file, numbered from 1 in time order.
std::optional<RecordList> askAndReadDataFile(QWidget* parent, const SurveyFolderOpener& openSurvey);
// Reads a text data file, or a survey folder, named without asking (a file
// handed over by the desktop), as askAndReadDataFile does.
std::optional<RecordList> readDataPath(QWidget* parent, const QString& path,
                                       const SurveyFolderOpener& openSurvey);

// Asks where to save a series as a text data file and writes it; an empty
// series asks nothing. Returns whether a file was written; a failure is
// reported with the file's name and the reason.
bool askAndSaveDataFile(QWidget* parent, const RecordList& series);

// Asks where to export a series with its summary and writes it: tab-separated
// ".xls" text by default, a real workbook when the workbook filter is
// chosen or the name ends in ".xlsx". An empty series asks nothing.
bool askAndExport(QWidget* parent, const RecordList& series, const SeriesStats& stats,
                  ExportSource source);
