#pragma once

#include <string>
#include <utility>

// One reading. Built once with all five values; nothing changes it afterwards,
// so a record can be shared between the table, the graph and the files.
class CObjData {
  public:
    CObjData(double value, std::string dateTime, std::string unit, int setNumber,
             double samplingRate)
        : value_(value), dateTime_(std::move(dateTime)), unit_(std::move(unit)),
          setNumber_(setNumber), samplingRate_(samplingRate) {}

    double value() const { return value_; }
    // day-month-year,hour:minute:second with exactly one comma
    const std::string& dateTime() const { return dateTime_; }
    // "dBA" or "dBC"
    const std::string& unit() const { return unit_; }
    // logger data-set number counted from 1; 0 for real-time and file readings
    int setNumber() const { return setNumber_; }
    // sampling interval in seconds
    double samplingRate() const { return samplingRate_; }

    bool operator==(const CObjData&) const = default;

  private:
    double value_;
    std::string dateTime_;
    std::string unit_;
    int setNumber_;
    double samplingRate_;
};
