#pragma once

#include "model/RecordList.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A reading's date-time text, "day-month-year,hour:minute:second".
struct DateTime {
    int day = 1, month = 1, year = 1970, hour = 0, minute = 0, second = 0;
    bool operator==(const DateTime&) const = default;
};

// Scans "%d-%d-%d,%d:%d:%d" as scanf does; nothing unless it reads six numbers
// that make a date-time (year from 1900, month 1-12, day 1-31, hour 0-23,
// minute and second 0-59).
std::optional<DateTime> parseDateTime(std::string_view text);
// "%.2d-%.2d-%d,%.2d:%.2d:%.2d"
std::string formatDateTime(const DateTime& t);
// "%H:%M:%S"
std::string formatClock(const DateTime& t);
// "dd-mm-yyyy hh:mm:ss": a date-time as every window shows it, so the network,
// meter and survey windows read alike.
std::string dateTimeText(const DateTime& t);
// t moved by seconds on the calendar (no daylight-saving jumps, so labels stay evenly spaced).
DateTime addSeconds(const DateTime& t, std::int64_t seconds);
// b - a in seconds.
std::int64_t secondsBetween(const DateTime& a, const DateTime& b);

// How far into its stamp's second reading i lies, in tenths, for readings
// less than a second apart: several share a stamp, and each lies its place
// among them times the interval after it. Nothing at a second or more.
std::optional<int> tenthsIntoStamp(const RecordList& series, std::size_t i);
// The reading's date-time as stamped, with ".d" for its tenth when readings
// come faster than one a second.
std::string readingTimeText(const RecordList& series, std::size_t i);

// The six time labels under the X ticks of a plot W pixels wide. A tick over a
// reading shows that reading's clock time; a tick beyond the data continues
// from the first reading's time and interval (ticks 0 and 1) or with the step
// between the two labels before it. Where whole seconds would label two
// ticks alike (readings under a second apart, zoomed in), every label shows
// its tenth.
struct TickLabels {
    std::array<std::string, 6> text; // what is drawn under each tick
    int count = 0;                   // labels made; fewer than six when a time was unreadable
    bool timeFormatError = false;    // a time needed for computing could not be read
    bool operator==(const TickLabels&) const = default;
};
TickLabels computeTickLabels(const RecordList& series, int plotWidth, double xScale, double xOrigin,
                             double xMin);
