// Every shape of a data file's line the readers have met, against the one
// grammar: the parts any line is cut into (the file list shows a record of
// each) and whether it is a reading (the survey's series takes it), then the
// same line through both readers, which must read it just so.
#include "formats/TextDataFile.h"
#include "formats/TextDataGrammar.h"
#include "survey/SeriesReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>

namespace {

struct Reading {
    int day, month, year, hour, minute, second;
    long hundredths;
    char weighting;
};

struct LineCase {
    std::string line;
    std::string dateTime;
    std::string level;
    std::string unit;
    double value; // what the file list shows of the level
    std::optional<Reading> reading;
};

const LineCase lineCases[] = {
    // As the program writes them, and as older programs and the meter wrote them.
    {"07-03-2015,09:05:01, 55.20, dBA", "07-03-2015,09:05:01", " 55.20", "dBA", 55.2,
     Reading{7, 3, 2015, 9, 5, 1, 5520, 'A'}},
    {"7-3-2015,9:05:01,  5.50, dBC", "7-3-2015,9:05:01", "  5.50", "dBC", 5.5,
     Reading{7, 3, 2015, 9, 5, 1, 550, 'C'}},
    {"07-03-2015,09:05:01, 101.30, dBA", "07-03-2015,09:05:01", " 101.30", "dBA", 101.3,
     Reading{7, 3, 2015, 9, 5, 1, 10130, 'A'}},
    {"07-03-2015,09:05:01,  5.5, dBA", "07-03-2015,09:05:01", "  5.5", "dBA", 5.5,
     Reading{7, 3, 2015, 9, 5, 1, 550, 'A'}},
    // Further decimals are dropped, not rounded.
    {"07-03-2015,09:05:01, 55.209, dBA", "07-03-2015,09:05:01", " 55.209", "dBA", 55.209,
     Reading{7, 3, 2015, 9, 5, 1, 5520, 'A'}},
    {"07-03-2015,09:05:01,55, dBA", "07-03-2015,09:05:01", "55", "dBA", 55,
     Reading{7, 3, 2015, 9, 5, 1, 5500, 'A'}},
    {"07-03-2015,09:05:01, 55., dBA", "07-03-2015,09:05:01", " 55.", "dBA", 55,
     Reading{7, 3, 2015, 9, 5, 1, 5500, 'A'}},
    // Below zero and beyond two bytes: readings all the same.
    {"07-03-2015,09:05:01, -3.50, dBA", "07-03-2015,09:05:01", " -3.50", "dBA", -3.5,
     Reading{7, 3, 2015, 9, 5, 1, -350, 'A'}},
    {"07-03-2015,09:05:01, 999999.99, dBA", "07-03-2015,09:05:01", " 999999.99", "dBA", 999999.99,
     Reading{7, 3, 2015, 9, 5, 1, 99999999, 'A'}},
    // Nine digits and the edges of every range.
    {"000000031-12-1900,23:59:59, 0.00, dBA", "000000031-12-1900,23:59:59", " 0.00", "dBA", 0,
     Reading{31, 12, 1900, 23, 59, 59, 0, 'A'}},
    {"1-1-2020,0:0:0, 40.00, dBC", "1-1-2020,0:0:0", " 40.00", "dBC", 40,
     Reading{1, 1, 2020, 0, 0, 0, 4000, 'C'}},

    // No reading, yet a record all the same.
    {"07-03-2015,09:05:01, 55.20", "07-03-2015,09:05:01", "", "5.20", 0, std::nullopt},
    {"abc,def", "abc", "", ",def", 0, std::nullopt},
    {"hello", "", "", "ello", 0, std::nullopt},
    {"ab", "", "", "ab", 0, std::nullopt},
    {"", "", "", "", 0, std::nullopt},
    {"x,y, 5.50, dBC\r", "x,y", " 5.50", "dBC", 5.5, std::nullopt},
    {"07-03-2015,09:05:01, 55.20, dBA\r", "07-03-2015,09:05:01", " 55.20", "dBA", 55.2,
     std::nullopt},
    {"d,t,  7.25xyz, unit, more", "d,t", "  7.25xyz", "more", 7.25, std::nullopt},
    {"\xE9t\xE9,9:00:00, 60.00, dB\xC4", "\xE9t\xE9,9:00:00", " 60.00", "dB\xC4", 60, std::nullopt},
    {"soon, 50.00, dBA", "soon, 50.00", "", "dBA", 0, std::nullopt},
    {"07-03-2015,09:05:0", "07-03-2015", "", "05:0", 0, std::nullopt},
    // The unit.
    {"07-03-2015,09:05:01, 55.20, dB", "07-03-2015,09:05:01", " 55.20", ", dB", 55.2, std::nullopt},
    {"07-03-2015,09:05:01, 55.20, dBZ", "07-03-2015,09:05:01", " 55.20", "dBZ", 55.2, std::nullopt},
    {"07-03-2015,09:05:01, 55.20, dba", "07-03-2015,09:05:01", " 55.20", "dba", 55.2, std::nullopt},
    {"07-03-2015,09:05:01, 55.20, dBA ", "07-03-2015,09:05:01", " 55.20", "dBA ", 55.2,
     std::nullopt},
    {"07-03-2015,09:05:01, 55.20,dBA", "07-03-2015,09:05:01", " 55.20", ",dBA", 55.2, std::nullopt},
    {"07-03-2015,09:05:01, 55.20, dBA, x", "07-03-2015,09:05:01", " 55.20", "A, x", 55.2,
     std::nullopt},
    // The date-time.
    {"07-13-2015,09:05:01, 55.20, dBA", "07-13-2015,09:05:01", " 55.20", "dBA", 55.2, std::nullopt},
    {"00-03-2015,09:05:01, 55.20, dBA", "00-03-2015,09:05:01", " 55.20", "dBA", 55.2, std::nullopt},
    {"32-03-2015,09:05:01, 55.20, dBA", "32-03-2015,09:05:01", " 55.20", "dBA", 55.2, std::nullopt},
    {"07-03-1899,09:05:01, 55.20, dBA", "07-03-1899,09:05:01", " 55.20", "dBA", 55.2, std::nullopt},
    {"07-03-2015,24:00:00, 55.20, dBA", "07-03-2015,24:00:00", " 55.20", "dBA", 55.2, std::nullopt},
    {"07-03-2015,09:60:00, 55.20, dBA", "07-03-2015,09:60:00", " 55.20", "dBA", 55.2, std::nullopt},
    {"07-03-2015,09:05:60, 55.20, dBA", "07-03-2015,09:05:60", " 55.20", "dBA", 55.2, std::nullopt},
    {"07/03/2015,09:05:01, 55.20, dBA", "07/03/2015,09:05:01", " 55.20", "dBA", 55.2, std::nullopt},
    {"07-03-2015, 09:05:01, 55.20, dBA", "07-03-2015, 09:05:01", " 55.20", "dBA", 55.2,
     std::nullopt},
    {"1234567890-03-2015,09:05:01, 55.20, dBA", "1234567890-03-2015,09:05:01", " 55.20", "dBA",
     55.2, std::nullopt},
    // The level.
    {"07-03-2015,09:05:01, 1234567.00, dBA", "07-03-2015,09:05:01", " 1234567.00", "dBA", 1234567,
     std::nullopt},
    {"07-03-2015,09:05:01, +5.00, dBA", "07-03-2015,09:05:01", " +5.00", "dBA", 5, std::nullopt},
    {"07-03-2015,09:05:01, .50, dBA", "07-03-2015,09:05:01", " .50", "dBA", 0.5, std::nullopt},
    {"07-03-2015,09:05:01, 55.20 , dBA", "07-03-2015,09:05:01", " 55.20 ", "dBA", 55.2,
     std::nullopt},
    {"07-03-2015,09:05:01,, dBA", "07-03-2015,09:05:01", "", "dBA", 0, std::nullopt},
};

TEST(TextDataGrammar, EveryLineShapeAndWhatEachReaderMakesOfIt) {
    for (const LineCase& c : lineCases) {
        SCOPED_TRACE(c.line);
        const TextDataLineParts parts = splitTextDataLine(c.line);
        EXPECT_EQ(parts.dateTime, c.dateTime);
        EXPECT_EQ(parts.level, c.level);
        EXPECT_EQ(parts.unit, c.unit);

        const std::optional<TextDataReading> r = readTextDataReading(c.line);
        ASSERT_EQ(r.has_value(), c.reading.has_value());
        if (r) {
            const Reading& e = *c.reading;
            EXPECT_EQ(r->day, e.day);
            EXPECT_EQ(r->month, e.month);
            EXPECT_EQ(r->year, e.year);
            EXPECT_EQ(r->hour, e.hour);
            EXPECT_EQ(r->minute, e.minute);
            EXPECT_EQ(r->second, e.second);
            EXPECT_EQ(r->hundredths, e.hundredths);
            EXPECT_EQ(r->weighting, e.weighting);
            // A reading's unit, as the file list shows it, is its weighting.
            EXPECT_EQ(parts.unit, std::string("dB") + e.weighting);
        }

        // An empty line ends both readers' reading before it: nothing more to see.
        if (c.line.empty())
            continue;
        const std::string file = TextDataHeader(1.0) + "\r\n" + c.line + "\r\n";
        const TextDataRead list = ParseTextData(file);
        ASSERT_EQ(list.records.size(), 1u);
        EXPECT_EQ(list.records[0].dateTime(), c.dateTime);
        EXPECT_EQ(list.records[0].unit(), c.unit);
        EXPECT_DOUBLE_EQ(list.records[0].value(), c.value);

        const SeriesFilePart series = parseSeriesFile(file);
        EXPECT_EQ(series.badLines, c.reading ? 0u : 1u);
        ASSERT_EQ(series.levels.size(), c.reading ? 1u : 0u);
        if (c.reading) {
            EXPECT_EQ(series.levels[0], std::clamp(c.reading->hundredths, 0L, 0xFFFFL));
            EXPECT_EQ(series.stamps.at(0).weighting, c.reading->weighting);
        }
    }
}

TEST(TextDataGrammar, HeaderTagAndInterval) {
    const struct {
        const char* line;
        std::optional<double> interval;
    } cases[] = {
        {"Kovra Sound Level Meter SamplingRate:0.1;", 0.1},
        {"Kovra Sound Level Meter SamplingRate: 10.0; and more", 10.0},
        {"Kovra Sound Level Meter SamplingRate", 0.0},
        {"Kovra Sound Level Meter SamplingRate;1.0:", 0.0},
        {"Kovra Sound Level Meter SamplingRate 2.5", 0.0},
        {"Kovra Sound Level Meter SamplingRateXYZ:0.5;", 0.5},
        {"Kovra Sound Level Meter Samplingrate:1.0;", std::nullopt},
        {"\xEF\xBB\xBFKovra Sound Level Meter SamplingRate:1.0;", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(readTextDataHeader(c.line), c.interval) << c.line;
    EXPECT_EQ(TextDataHeader(0.5).substr(0, textDataHeaderTag.size()), textDataHeaderTag);
}

} // namespace
