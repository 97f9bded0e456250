#pragma once

#include "model/Clock.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One data set as the meter keeps it in its memory.
struct LoggerSet {
    LocalTime start;         // time of the first reading; year 2000..2099
    bool weightingA = true;  // false: C weighting
    int interval = 1;        // seconds between readings, 0..99
    std::vector<int> tenths; // readings in tenths of a dB, 0..9999

    bool operator==(const LoggerSet& other) const;
};

// The two bytes that ask the meter for its memory.
inline constexpr std::uint8_t loggerRequest[2] = {0x5A, 0xAC};

// The meter's answer to the request: 0xBB and the 16-bit length word, then per
// set an 8-byte header, 0xAC and its readings as BCD pairs, and 0xDD at the
// end. An empty memory is the three header bytes alone. Fields outside the
// ranges above are clamped; a date is written as given, possible or not.
std::vector<std::uint8_t> EncodeLoggerDump(const std::vector<LoggerSet>& sets);

// A memory file for the simulator, plain text:
//
//   # comment
//   set 2026-12-07 09:05:00 A 1
//   45.6 46.0 47.2
//   48.1
//   set 2026-12-07 14:00:00 C 10
//   ...
//
// A "set" line gives the start date and time, the weighting (A, C, dBA or dBC)
// and the interval in whole seconds; the lines up to the next "set" hold its
// levels in dB with a decimal point, separated by blanks. Returns false with a
// message naming the line when the text is not such a file.
bool ParseLoggerMemory(std::string_view text, std::vector<LoggerSet>& sets, std::string& error);
bool ReadLoggerMemoryFile(const std::string& path, std::vector<LoggerSet>& sets,
                          std::string& error);

// A few sets to play when no memory file is given.
std::vector<LoggerSet> DemoLoggerMemory();
