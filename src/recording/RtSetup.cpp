#include "recording/RtSetup.h"

#include "recording/Recording.h"

#include <cctype>
#include <cmath>
#include <cstdio>

SampleCountCheck validateSampleCount(std::string_view text) {
    SampleCountCheck check;
    std::size_t i = 0;
    const auto skipBlanks = [&] {
        while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
            ++i;
    };
    skipBlanks();
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    const std::size_t digitsFrom = i;
    long long magnitude = 0;
    bool huge = false;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > 1'000'000'000) {
            huge = true;
            magnitude = 1'000'000'000;
        }
    }
    const bool hasDigits = i > digitsFrom;
    skipBlanks();
    if (!hasDigits || i != text.size()) {
        check.message = "Please enter an integer.";
        return check;
    }
    const long long v = negative ? -magnitude : magnitude;
    if (huge || v < 1 || v > maxSampleLimit) {
        check.message = "Enter an integer between 1 and 40000.";
        return check;
    }
    check.value = static_cast<int>(v);
    return check;
}

RecordCycle recordCycle(int count, double interval, std::time_t start) {
    // In tenths of a second, which every interval is a whole number of, so that
    // 3 x 2.5 s is exactly 7.5 s and not a hair below.
    const long long tenths = static_cast<long long>(count) * std::llround(interval * 10);
    const long long whole = tenths / 10;
    RecordCycle c;
    c.hours = static_cast<int>(whole / 3600);
    c.minutes = static_cast<int>(whole % 3600 / 60);
    c.seconds = static_cast<int>(whole % 60);
    c.start = start;
    c.stop = start + static_cast<std::time_t>(whole);
    return c;
}

std::string cycleTextLong(const RecordCycle& c) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%d hour %d minute %d second", c.hours, c.minutes, c.seconds);
    return buf;
}

std::string cycleTextShort(const RecordCycle& c) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%d:%d:%d", c.hours, c.minutes, c.seconds);
    return buf;
}

std::string setupTimeText(const LocalTime& t) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%d-%d-%d,%d:%d:%d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return buf;
}
