#pragma once

// How every reader takes the lines of a text data file apart: the file list's
// reader, which makes a record of any line so that a damaged file still shows
// all it holds, and the survey's series reader, which takes only the readings
// the program writes and turns them into numbers. Years of stored files are
// read by these rules; they may only ever take more.
//
//   Kovra Sound Level Meter SamplingRate:1.0;
//   07-03-2015,09:05:01, 55.20, dBA
//
// The line rules are inline: the series reader takes tens of millions of
// lines at a time.

#include <optional>
#include <string_view>

// What the first line of a data file begins with.
inline constexpr std::string_view textDataHeaderTag = "Kovra Sound Level Meter SamplingRate";

// The sampling interval in seconds a first line (without its line end) states:
// the number between its first ':' and the first ';' when that comes later,
// read as atof reads it; 0 without one. Nothing for a line that does not begin
// with the tag, exactly as written.
std::optional<double> readTextDataHeader(std::string_view line);

// Any line after the first (without its line end) cut at its commas. Every
// line has these parts, however malformed.
struct TextDataLineParts {
    // Before the second comma; before the first when there is only one; empty
    // without a comma.
    std::string_view dateTime;
    // Between the second and the third comma; empty without a third.
    std::string_view level;
    // The last four characters (all of a shorter line), a CR left over from a
    // doubled line end and one leading blank dropped.
    std::string_view unit;
    // After the third comma; empty without one.
    std::string_view afterLevel;
};

inline TextDataLineParts splitTextDataLine(std::string_view line) {
    constexpr auto none = std::string_view::npos;
    TextDataLineParts parts;
    const std::size_t c1 = line.find(',');
    const std::size_t c2 = c1 == none ? none : line.find(',', c1 + 1);
    const std::size_t c3 = c2 == none ? none : line.find(',', c2 + 1);
    if (c2 != none)
        parts.dateTime = line.substr(0, c2);
    else if (c1 != none)
        parts.dateTime = line.substr(0, c1);
    if (c3 != none) {
        parts.level = line.substr(c2 + 1, c3 - c2 - 1);
        parts.afterLevel = line.substr(c3 + 1);
    }
    parts.unit = line.size() > 4 ? line.substr(line.size() - 4) : line;
    if (!parts.unit.empty() && parts.unit.back() == '\r')
        parts.unit.remove_suffix(1);
    if (!parts.unit.empty() && parts.unit.front() == ' ')
        parts.unit.remove_prefix(1);
    return parts;
}

// A reading as the program writes it: "d-m-yyyy,h:mm:ss, level, dBA" or dBC.
// Its parts by splitTextDataLine, each well formed: the date-time six numbers
// of one to nine digits, the level blanks, a minus sign maybe, up to six whole
// digits and any number of decimals, after the level " dBA" or " dBC".
struct TextDataReading {
    int day = 1, month = 1, year = 1970; // month 1-12, day 1-31, year from 1900
    int hour = 0, minute = 0, second = 0;
    long hundredths = 0; // the level in hundredths of a dB, later decimals dropped
    char weighting = 'A';
};

namespace textdata {

inline bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// One to nine digits at p, then the separator sep; p is left after it.
inline bool number(const char*& p, const char* end, char sep, int& out) {
    int v = 0;
    const char* start = p;
    while (p < end && isDigit(*p) && p - start < 9)
        v = v * 10 + (*p++ - '0');
    if (p == start || p == end || *p != sep)
        return false;
    ++p;
    out = v;
    return true;
}

// The level at p up to the comma after it; p is left after the comma.
inline bool level(const char*& p, const char* end, long& out) {
    while (p < end && *p == ' ')
        ++p;
    const bool negative = p < end && *p == '-';
    if (negative)
        ++p;
    long whole = 0;
    const char* digits = p;
    while (p < end && isDigit(*p) && p - digits < 6)
        whole = whole * 10 + (*p++ - '0');
    if (p == digits)
        return false;
    long h = whole * 100;
    if (p < end && *p == '.') {
        ++p;
        for (int scale = 10; p < end && isDigit(*p); ++p, scale /= 10)
            h += (*p - '0') * scale;
    }
    if (p == end || *p != ',')
        return false;
    ++p;
    out = negative ? -h : h;
    return true;
}

} // namespace textdata

// Nothing for a line that is no such reading. One walk from the left rather
// than the parts first (which costs half as much again a line): numbers hold
// no comma, so the walk ends each part at the comma splitTextDataLine cuts it at.
inline std::optional<TextDataReading> readTextDataReading(std::string_view line) {
    using textdata::number;
    TextDataReading r;
    const char* p = line.data();
    const char* end = p + line.size();
    if (!number(p, end, '-', r.day) || !number(p, end, '-', r.month) ||
        !number(p, end, ',', r.year) || !number(p, end, ':', r.hour) ||
        !number(p, end, ':', r.minute) || !number(p, end, ',', r.second))
        return std::nullopt;
    if (r.month < 1 || r.month > 12 || r.day < 1 || r.day > 31 || r.year < 1900 || r.hour > 23 ||
        r.minute > 59 || r.second > 59)
        return std::nullopt;
    if (!textdata::level(p, end, r.hundredths))
        return std::nullopt;
    const std::string_view afterLevel(p, static_cast<std::size_t>(end - p));
    if (afterLevel != " dBA" && afterLevel != " dBC")
        return std::nullopt;
    r.weighting = afterLevel.back();
    return r;
}
