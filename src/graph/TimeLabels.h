#pragma once

#include "graph/PlotView.h"
#include "model/RecordList.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A calendar date-time as the records write it, day-month-year,hour:minute:second.
struct DateTime {
    int day = 1;
    int month = 1;
    int year = 1970;
    int hour = 0;
    int minute = 0;
    int second = 0;
    bool operator==(const DateTime&) const = default;
};

// Reads "%d-%d-%d,%d:%d:%d"; nothing when the text does not scan as six numbers
// or a field is out of range (year before 1900, month 1-12, day 1-31, hour 0-23,
// minute and second 0-59).
std::optional<DateTime> parseDateTime(std::string_view text);
// Seconds since 1970-01-01 00:00:00 of the calendar time, with no time zone:
// label arithmetic is on the wall clock the records show.
std::int64_t toSeconds(const DateTime& t);
DateTime fromSeconds(std::int64_t seconds);
// "%.2d-%.2d-%d,%.2d:%.2d:%.2d"
std::string formatDateTime(const DateTime& t);

// The six labels under the X ticks.
struct TimeLabels {
    std::array<std::string, 6> text; // what is drawn under tick t
    int count = 0;                   // labels drawn; fewer than 6 after a format error
    bool formatError = false;        // a time beyond the data could not be computed
};

// Labels of the ticks: the time of the sample under a tick, and beyond the data
// times counted on from the first record (ticks 0 and 1) or continuing the step
// between the two labels before (ticks 2 to 5).
TimeLabels computeTimeLabels(const PlotView& view, const RecordList& series);
