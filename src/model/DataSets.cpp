#include "model/DataSets.h"

#include "model/TextFormat.h"

std::array<std::string, 5> DataSetRow::cells() const {
    return {std::to_string(setNumber), dateTime, unit, formatFixed(samplingRate, 2),
            std::to_string(count)};
}

std::vector<DataSetRow> GroupDataSets(const RecordList& records) {
    std::vector<DataSetRow> rows;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const CObjData& r = records[i];
        if (rows.empty() || rows.back().setNumber != r.setNumber())
            rows.push_back({r.setNumber(), std::string(r.dateTime()), std::string(r.unit()),
                            r.samplingRate(), 0, i});
        ++rows.back().count;
    }
    return rows;
}

RecordList SelectDataSet(const RecordList& records, int setNumber) {
    RecordList selection;
    for (const CObjData& r : records)
        if (r.setNumber() == setNumber)
            selection.append(r);
    return selection;
}

SeriesStats DataSetStats(const RecordList& selection) {
    SeriesStats stats;
    stats.maxValue = 0.0;
    stats.minValue = 130.0;
    for (const CObjData& r : selection) {
        stats.sum += r.value();
        if (r.value() > stats.maxValue) {
            stats.maxValue = r.value();
            stats.maxTime = r.dateTime();
            stats.maxUnit = r.unit();
        }
        if (r.value() < stats.minValue) {
            stats.minValue = r.value();
            stats.minTime = r.dateTime();
            stats.minUnit = r.unit();
        }
    }
    if (!selection.empty()) {
        stats.average = stats.sum / static_cast<double>(selection.size());
        stats.startTime = selection[0].dateTime();
        stats.samplingRate = selection[0].samplingRate();
    }
    return stats;
}

int IntervalItem(double samplingRate) {
    static constexpr std::array<const char*, 10> shown = {"0.1", "0.2", "0.5", "1.0", "1.5",
                                                          "2.0", "2.5", "3.0", "5.0", "10.0"};
    const std::string text = formatFixed(samplingRate, 1);
    for (std::size_t i = 0; i < shown.size(); ++i)
        if (text == shown[i])
            return static_cast<int>(i);
    return -1;
}
