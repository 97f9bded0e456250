#pragma once

// Writes survey folders as the survey's writer names and fills them, for the
// tests of the series reader and of vrel-cli on survey folders.

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

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

// The readings (each with its wall-clock time, wall(), and its level) in the
// hourly files a survey at the interval writes.
template <class Reading>
void writeHourFiles(const fs::path& dir, const std::vector<Reading>& readings, double interval) {
    std::map<std::string, std::string> files;
    for (const Reading& r : readings) {
        std::string& text = files[fileName(r.wall())];
        if (text.empty())
            text = header(interval);
        text += line(r.wall(), r.level);
    }
    for (const auto& [name, text] : files)
        write(dir / name, text);
}

// The same readings in one data file.
template <class Reading>
fs::path writeOneFile(const fs::path& path, const std::vector<Reading>& readings, double interval) {
    std::string text = header(interval);
    for (const Reading& r : readings)
        text += line(r.wall(), r.level);
    write(path, text);
    return path;
}

// A path as one word of a shell's command line.
inline std::string quoted(const fs::path& p) {
    return "'" + p.string() + "'";
}

// A level as vrel-cli prints it, with two decimals.
inline std::string fixed2(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    return buf;
}

// 10 lg(mean of 10^(L/10)).
inline double energyMean(const std::vector<double>& levels) {
    double e = 0;
    for (const double l : levels)
        e += std::pow(10.0, l / 10);
    return 10 * std::log10(e / static_cast<double>(levels.size()));
}

} // namespace testsurvey
