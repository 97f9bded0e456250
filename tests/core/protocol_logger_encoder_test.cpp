#include "model/Clock.h"
#include "protocol/LoggerEncoder.h"
#include "protocol/MeterDecoder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

std::string hex(const std::vector<std::uint8_t>& bytes) {
    return toHexText(bytes.data(), bytes.size());
}

// Decodes a dump delivered in chunks of random size, as the port reads it.
RecordList download(const std::vector<std::uint8_t>& dump, unsigned seed) {
    ManualClock clock;
    MeterDecoder decoder(clock);
    decoder.beginLoggerDownload();
    std::mt19937 rng(seed);
    bool ended = false;
    for (std::size_t i = 0; i < dump.size();) {
        EXPECT_FALSE(ended) << "ended before the last byte";
        const std::size_t n = std::min<std::size_t>(dump.size() - i, rng() % 20 + 1);
        ended = decoder.OnMeterData(dump.data() + i, n).loggerEnded;
        i += n;
    }
    EXPECT_TRUE(ended);
    EXPECT_FALSE(decoder.loggerBusy);
    return decoder.takeLoggerRecords();
}

// The time stamp of a set's i-th reading, counted with the C library in UTC.
std::string stamp(const LoggerSet& set, int i) {
    std::tm tm{};
    tm.tm_year = set.start.year - 1900;
    tm.tm_mon = set.start.month - 1;
    tm.tm_mday = set.start.day;
    tm.tm_hour = set.start.hour;
    tm.tm_min = set.start.minute;
    tm.tm_sec = set.start.second + i * set.interval;
    const std::time_t t = timegm(&tm);
    gmtime_r(&t, &tm);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2d-%.2d-%d,%d:%.2d:%.2d", tm.tm_mday, tm.tm_mon + 1,
                  tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buf;
}

// What the decoder must give for the sets, record by record.
RecordList expected(const std::vector<LoggerSet>& sets) {
    RecordList out;
    for (std::size_t s = 0; s < sets.size(); ++s)
        for (std::size_t i = 0; i < sets[s].tenths.size(); ++i)
            out.append(CObjData(sets[s].tenths[i] / 10.0, stamp(sets[s], static_cast<int>(i)),
                                sets[s].weightingA ? "dBA" : "dBC", static_cast<int>(s) + 1,
                                sets[s].interval));
    return out;
}

TEST(LoggerEncoder, BytesOfATwoSetDump) {
    LoggerSet a{{2015, 3, 7, 21, 5, 9}, true, 1, {456, 1234}};
    LoggerSet c{{2026, 12, 31, 10, 0, 59}, false, 10, {0}};
    EXPECT_EQ(hex(EncodeLoggerDump({a, c})), "bb007c"
                                             "aa1503072905"
                                             "0901"
                                             "ac"
                                             "0456"
                                             "1234"
                                             "cc2612311000"
                                             "5910"
                                             "ac"
                                             "0000"
                                             "dd");
    EXPECT_EQ(hex(EncodeLoggerDump({})), "bb0064");
}

TEST(LoggerEncoder, OutOfRangeFieldsAreClamped) {
    LoggerSet s{{2150, 1, 1, 30, 0, 0}, true, 150, {-5, 12345}};
    EXPECT_EQ(hex(EncodeLoggerDump({s})), "bb0071aa9901013100"
                                          "0099"
                                          "ac"
                                          "0000"
                                          "9999"
                                          "dd");
}

TEST(LoggerEncoder, EveryHourOfTheDayComesBack) {
    std::vector<LoggerSet> sets;
    for (int h = 0; h < 24; ++h)
        sets.push_back({{2026, 12, 7, h, 59, 59}, h % 2 == 0, 1, {500 + h, 600}});
    EXPECT_EQ(download(EncodeLoggerDump(sets), 1), expected(sets));
}

TEST(LoggerEncoder, DemoMemoryRoundTripsInAnyChunking) {
    const auto sets = DemoLoggerMemory();
    ASSERT_GE(sets.size(), 3u);
    const auto dump = EncodeLoggerDump(sets);
    for (unsigned seed = 1; seed <= 20; ++seed)
        EXPECT_EQ(download(dump, seed), expected(sets)) << "seed " << seed;
}

TEST(LoggerEncoder, SetsWithoutReadingsStillTakeANumber) {
    const std::vector<LoggerSet> sets = {{{2026, 1, 1, 0, 0, 0}, true, 1, {}},
                                         {{2026, 1, 2, 0, 0, 0}, false, 2, {700, 701}},
                                         {{2026, 1, 3, 0, 0, 0}, true, 1, {}}};
    const RecordList records = download(EncodeLoggerDump(sets), 3);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0], CObjData(70.0, "02-01-2026,0:00:00", "dBC", 2, 2.0));
    EXPECT_EQ(records[1], CObjData(70.1, "02-01-2026,0:00:02", "dBC", 2, 2.0));
}

TEST(LoggerEncoder, LengthWordDrivesProgressToTheEnd) {
    const auto dump = EncodeLoggerDump(DemoLoggerMemory());
    ManualClock clock;
    MeterDecoder decoder(clock);
    decoder.beginLoggerDownload();
    ReceiveEvents last;
    int lastProgress = -1;
    for (std::size_t i = 0; i + 1 < dump.size(); ++i) {
        last = decoder.OnMeterData(dump.data() + i, 1);
        if (last.loggerProgress) {
            EXPECT_GE(last.progressValue, lastProgress);
            lastProgress = last.progressValue;
        }
    }
    EXPECT_EQ(decoder.expectedLength, static_cast<int>(dump.size()) - 2);
    EXPECT_EQ(lastProgress, decoder.expectedLength - 2);
}

TEST(LoggerMemoryFile, ParsesSetsLevelsCommentsAndLineEnds) {
    const std::string text = "# two sets\r\n"
                             "set 2026-12-07 09:05:00 A 1\r\n"
                             "45.6 46 47.25\r\n"
                             "\r\n"
                             "  48.1\t49.9   # trailing note\n"
                             "set 2024-02-29 23:59:59 dBC 10\n"
                             "set 2024-03-01 00:00:00 C 0\n"
                             "0 999.9";
    std::vector<LoggerSet> sets;
    std::string error;
    ASSERT_TRUE(ParseLoggerMemory(text, sets, error)) << error;
    ASSERT_EQ(sets.size(), 3u);
    EXPECT_EQ(sets[0], (LoggerSet{{2026, 12, 7, 9, 5, 0}, true, 1, {456, 460, 473, 481, 499}}));
    EXPECT_EQ(sets[1], (LoggerSet{{2024, 2, 29, 23, 59, 59}, false, 10, {}}));
    EXPECT_EQ(sets[2], (LoggerSet{{2024, 3, 1, 0, 0, 0}, false, 0, {0, 9999}}));
}

TEST(LoggerMemoryFile, RejectsWhatTheMeterCannotHoldAndNamesTheLine) {
    const struct {
        const char* text;
        const char* line;
    } cases[] = {
        {"45.6\n", "line 1:"},
        {"set 2026-12-07 09:05:00 A 1\nset 2026-02-29 09:05:00 A 1\n", "line 2:"},
        {"set 1999-12-07 09:05:00 A 1\n", "line 1:"},
        {"set 2026-12-07 24:00:00 A 1\n", "line 1:"},
        {"set 2026-12-07 09:05:00 Z 1\n", "line 1:"},
        {"set 2026-12-07 09:05:00 A 100\n", "line 1:"},
        {"set 2026-12-07 09:05:00 A 1.5\n", "line 1:"},
        {"set 2026-12-07 09:05:00 A\n", "line 1:"},
        {"\n\nset 2026-12-07 09:05:00 A 1\n45,6\n", "line 4:"},
        {"set 2026-12-07 09:05:00 A 1\n-1\n", "line 2:"},
        {"set 2026-12-07 09:05:00 A 1\n1000\n", "line 2:"},
    };
    for (const auto& c : cases) {
        std::vector<LoggerSet> sets = DemoLoggerMemory();
        std::string error;
        EXPECT_FALSE(ParseLoggerMemory(c.text, sets, error)) << c.text;
        EXPECT_EQ(error.rfind(c.line, 0), 0u) << error;
        EXPECT_EQ(sets, DemoLoggerMemory()) << "sets changed on failure";
    }
}

TEST(LoggerMemoryFile, ReadsFromDisk) {
    const auto path = std::filesystem::temp_directory_path() / "vrel_logger_memory_test.txt";
    std::ofstream(path) << "set 2026-12-07 09:05:00 A 2\n55.5\n";
    std::vector<LoggerSet> sets;
    std::string error;
    ASSERT_TRUE(ReadLoggerMemoryFile(path.string(), sets, error)) << error;
    EXPECT_EQ(sets, (std::vector<LoggerSet>{{{2026, 12, 7, 9, 5, 0}, true, 2, {555}}}));
    std::filesystem::remove(path);
    EXPECT_FALSE(ReadLoggerMemoryFile(path.string(), sets, error));
    EXPECT_NE(error.find(path.string()), std::string::npos);
}

} // namespace
