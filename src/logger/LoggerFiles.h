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

// Asks for a text data file and reads it. A file that cannot be read or whose
// header is wrong is reported in a message box and gives nothing; the caller
// then changes nothing. Cancel gives nothing, silently. A survey folder
// (vrel-cli survey), chosen itself or by any of its files under the survey
// filter, gives one data set per data file, numbered from 1 in time order.
std::optional<RecordList> askAndReadDataFile(QWidget* parent);
// Reads a text data file, or a survey folder, named without asking (a file
// handed over by the desktop), with askAndReadDataFile's messages.
std::optional<RecordList> readDataPath(QWidget* parent, const QString& path);

// Where a survey folder goes instead when the program has a window for whole
// surveys: askAndReadDataFile then hands the folder over and gives nothing.
using SurveyFolderOpener = std::function<void(QWidget* parent, const QString& folder)>;
void setSurveyFolderOpener(SurveyFolderOpener open);

// Asks where to save a series as a text data file and writes it; an empty
// series asks nothing. Returns whether a file was written; a failure is
// reported with the file's name and the reason.
bool askAndSaveDataFile(QWidget* parent, const RecordList& series);

// Asks where to export a series with its summary and writes it: tab-separated
// ".xls" text by default, a real workbook when the workbook filter is
// chosen or the name ends in ".xlsx". An empty series asks nothing.
bool askAndExport(QWidget* parent, const RecordList& series, const SeriesStats& stats,
                  ExportSource source);
