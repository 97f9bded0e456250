#pragma once

#include "model/DataSets.h"
#include "model/RecordList.h"
#include "model/SeriesStats.h"

#include <optional>
#include <string>
#include <vector>

// A text data file as the main view's Open command leaves the logger list,
// with its data-set rows.
struct OpenedDataFile {
    RecordList loggerRecords;
    std::vector<DataSetRow> rows;
};

// The data set chosen in the DATALOGGER window, with its statistics.
struct ChosenDataSet {
    RecordList selection;
    SeriesStats stats;
};

// Reads the file as Open does. On failure prints the reason on standard
// error ("Data Format is wrong!" for a file that is no text data file) and
// returns nothing.
std::optional<OpenedDataFile> openDataFile(const std::string& path);

// Chooses the file's set as a double click on its row does. A file without
// readings has no row to choose: that is reported on standard error (command
// names the command) and nothing is returned.
std::optional<ChosenDataSet> chooseDataSet(const OpenedDataFile& file, const std::string& path,
                                           const char* command);

// openDataFile, then chooseDataSet.
std::optional<ChosenDataSet> openAndChoose(const std::string& path, const char* command);
