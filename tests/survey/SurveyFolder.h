#pragma once

// Writes survey folders as the survey's writer names and fills them, for the
// tests of the series reader.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace testsurvey {

namespace fs = std::filesystem;

// A scratch folder of the test's own, emptied first.
inline fs::path scratch(const std::string& name) {
    const fs::path dir = fs::path(VREL_TEST_TMP) / ("series-" + name);
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

// A wall-clock time, as a data file's line holds it.
struct Wall {
    int year, month, day, hour, minute, second;
};

// The line of a reading: "dd-mm-yyyy,hh:mm:ss, ll.ll, dBA" and CR LF.
inline std::string line(const Wall& t, double level, const char* unit = "dBA") {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02d-%02d-%d,%02d:%02d:%02d, %5.2f, %s\r\n", t.day, t.month,
                  t.year, t.hour, t.minute, t.second, level, unit);
    return buf;
}

inline std::string header(double interval) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "Kovra Sound Level Meter SamplingRate:%2.1f;\r\n", interval);
    return buf;
}

// "survey-2026-10-25T02.txt", or "...T02-2.txt" for sequence 2.
inline std::string fileName(const Wall& t, int sequence = 1) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "survey-%04d-%02d-%02dT%02d", t.year, t.month, t.day, t.hour);
    return std::string(buf) + (sequence > 1 ? "-" + std::to_string(sequence) : "") + ".txt";
}

inline void write(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

} // namespace testsurvey
