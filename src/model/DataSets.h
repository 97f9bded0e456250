#pragma once

#include "model/RecordList.h"
#include "model/SeriesStats.h"

#include <array>
#include <cstddef>
#include <string>
#include <vector>

// One row of the DATALOGGER window's data-set list: a run of consecutive
// records sharing a set number.
struct DataSetRow {
    int setNumber = 0;
    std::string dateTime; // of the run's first reading
    std::string unit;     // of the run's first reading
    double samplingRate = 0.0;
    int count = 0;              // readings in the run
    std::size_t firstIndex = 0; // position of the first reading in the record list

    // The cells of the five columns ID, date-time, unit, sampling rate, count:
    // "%d", as stored, as stored, "%.2f", "%d".
    std::array<std::string, 5> cells() const;

    bool operator==(const DataSetRow&) const = default;
};

// Rows in list order; nothing is sorted, so two separate runs with the same set
// number give two rows.
std::vector<DataSetRow> GroupDataSets(const RecordList& records);

// Every record with that set number, in list order (from all runs of it).
RecordList SelectDataSet(const RecordList& records, int setNumber);

// The window's figures of a chosen set: the highest level counts up from 0 and
// the lowest down from 130, each replaced only by a strictly higher or lower
// level, so the first of equal levels wins and levels beyond leave them (and
// their time and unit) untouched. Start time and sampling rate are the first
// record's. An empty selection gives zero sums and average.
SeriesStats DataSetStats(const RecordList& selection);

// The sampling-interval box of the window, items in order.
inline constexpr std::array<const char*, 10> intervalItemTexts = {"0.1", "0.2", "0.5", "1", "1.5",
                                                                  "2",   "2.5", "3",   "5", "10"};
// The item that shows a set's sampling rate, or -1 when none does (4 s, say).
int IntervalItem(double samplingRate);
