#include "model/Clock.h"
#include "protocol/MeterDecoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<std::uint8_t> fromHex(const std::string& hex) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

class LoggerDownload : public ::testing::Test {
  protected:
    ManualClock clock{1796634000};
    MeterDecoder decoder{clock};

    void SetUp() override { decoder.beginLoggerDownload(); }

    ReceiveEvents feed(const std::string& hex) {
        const auto bytes = fromHex(hex);
        return decoder.OnMeterData(bytes.data(), bytes.size());
    }
    // Feeds the dump one byte per chunk, as a slow line delivers it, and
    // returns the events of the last chunk.
    ReceiveEvents feedByteByByte(const std::string& hex) {
        ReceiveEvents last;
        for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
            EXPECT_FALSE(last.loggerEnded) << "ended early at character " << i;
            last = feed(hex.substr(i, 2));
        }
        return last;
    }
    std::vector<std::string> times() const {
        std::vector<std::string> out;
        for (const CObjData& r : decoder.loggerRecords)
            out.emplace_back(r.dateTime());
        return out;
    }
};

// set header: weighting, year, month, day, hour byte, minute, second, interval
const std::string setA = "aa261207090500"
                         "01"
                         "ac";

TEST_F(LoggerDownload, EmptyMemoryEndsAtOnce) {
    auto ev = feed("bb0064");
    EXPECT_TRUE(ev.loggerEnded);
    EXPECT_TRUE(decoder.loggerHeaderSeen);
    EXPECT_FALSE(decoder.loggerBusy);
    EXPECT_EQ(decoder.expectedLength, 2);
    EXPECT_TRUE(decoder.takeLoggerRecords().empty());
}

TEST_F(LoggerDownload, HeaderWaitsForItsLengthWordAndSkipsWhatPrecedesIt) {
    auto ev = feed("a50d0456bb00");
    EXPECT_FALSE(decoder.loggerHeaderSeen);
    EXPECT_FALSE(ev.loggerProgress);
    EXPECT_EQ(decoder.recvText, "bb00");
    ev = feed("70" + setA);
    EXPECT_TRUE(decoder.loggerHeaderSeen);
    EXPECT_EQ(decoder.expectedLength, 0x70 - 98);
    EXPECT_EQ(decoder.rxByteCount, 9); // what followed the header in its chunk
    EXPECT_TRUE(ev.loggerProgress);
    EXPECT_EQ(ev.progressMaximum, 14);
    EXPECT_EQ(ev.progressValue, 9);
    EXPECT_FALSE(ev.loggerEnded);
    EXPECT_TRUE(decoder.loggerBusy);
}

TEST_F(LoggerDownload, OneSetOfThreeReadingsCountsOnByTheInterval) {
    auto ev = feed("bb0070" + setA + "045604570458dd");
    EXPECT_TRUE(ev.loggerEnded);
    EXPECT_FALSE(decoder.loggerBusy);
    EXPECT_EQ(decoder.rxByteCount, 0);
    const RecordList records = decoder.takeLoggerRecords();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0], CObjData(45.6, "07-12-2026,9:05:00", "dBA", 1, 1.0));
    EXPECT_EQ(records[1], CObjData(45.7, "07-12-2026,9:05:01", "dBA", 1, 1.0));
    EXPECT_EQ(records[2], CObjData(45.8, "07-12-2026,9:05:02", "dBA", 1, 1.0));
    EXPECT_TRUE(decoder.loggerRecords.empty());
}

TEST_F(LoggerDownload, SetsAreNumberedInDumpOrderWithTheirOwnHeaders) {
    feed("bb0080" + setA + "0456" +
         "0010061231595810"
         "ac" +
         "07770123" + "dd");
    ASSERT_EQ(decoder.loggerRecords.size(), 3u);
    EXPECT_EQ(decoder.loggerRecords[0], CObjData(45.6, "07-12-2026,9:05:00", "dBA", 1, 1.0));
    // weighting byte 0x00 is C; hour byte 0x31 is 10 + 12 + 1
    EXPECT_EQ(decoder.loggerRecords[1], CObjData(77.7, "12-06-2010,23:59:58", "dBC", 2, 10.0));
    EXPECT_EQ(decoder.loggerRecords[2], CObjData(12.3, "13-06-2010,0:00:08", "dBC", 2, 10.0));
}

TEST_F(LoggerDownload, HourByteAndWeighting) {
    const struct {
        const char* weighting;
        const char* hour;
        const char* unit;
        const char* time;
    } cases[] = {{"aa", "21", "dBA", "13:00:00"}, {"cc", "09", "dBC", "9:00:00"},
                 {"ab", "12", "dBC", "12:00:00"}, {"aa", "32", "dBA", "12:00:00"},
                 {"aa", "30", "dBA", "22:00:00"}, {"bb", "00", "dBC", "0:00:00"}};
    for (const auto& c : cases) {
        decoder.beginLoggerDownload();
        feed(std::string("bb0070") + c.weighting + "150307" + c.hour + "000001ac0550dd");
        ASSERT_EQ(decoder.loggerRecords.size(), 1u) << c.hour;
        EXPECT_EQ(decoder.loggerRecords[0].unit(), c.unit) << c.weighting;
        EXPECT_EQ(decoder.loggerRecords[0].dateTime(), std::string("07-03-2015,") + c.time);
    }
}

TEST_F(LoggerDownload, ZeroIntervalStampsEveryReadingWithTheHeaderTime) {
    feed("bb0070aa15030709050000ac055005510552dd");
    EXPECT_EQ(times(), std::vector<std::string>(3, "07-03-2015,9:05:00"));
    EXPECT_EQ(decoder.loggerRecords[2].samplingRate(), 0.0);
}

TEST_F(LoggerDownload, ClockCountsOverDayMonthYearAndLeapDay) {
    // hour byte 0x31 is 10 + 12 + 1 = 23 o'clock
    feed("bb0070aa24022831595930ac055005510552dd");
    EXPECT_EQ(times(), (std::vector<std::string>{"28-02-2024,23:59:59", "29-02-2024,0:00:29",
                                                 "29-02-2024,0:00:59"}));
    decoder.beginLoggerDownload();
    feed("bb0070aa26123131595099ac055005510552dd");
    EXPECT_EQ(times(), (std::vector<std::string>{"31-12-2026,23:59:50", "01-01-2027,0:01:29",
                                                 "01-01-2027,0:03:08"}));
}

// The meter's clock knows no daylight saving: the night the clocks go forward
// in Central Europe counts on second by second whatever the PC's zone.
TEST_F(LoggerDownload, ClockIgnoresThePcTimeZone) {
    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    feed("bb0070aa26032901595901ac0550055105520553dd");
    if (old)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
    EXPECT_EQ(times(), (std::vector<std::string>{"29-03-2026,1:59:59", "29-03-2026,2:00:00",
                                                 "29-03-2026,2:00:01", "29-03-2026,2:00:02"}));
}

TEST_F(LoggerDownload, ImpossibleHeaderTimeKeepsTheReadingsWithTheHeaderFields) {
    // 30 February, hour byte 0x39 (31 o'clock), month 13, minute 75
    feed("bb0090"
         "aa15023012000005ac"
         "05500551"
         "aa15031739000005ac"
         "0552"
         "aa15130112000005ac"
         "0553"
         "aa15030112750005ac"
         "0554" +
         setA + "06000601dd");
    ASSERT_EQ(decoder.loggerRecords.size(), 7u);
    EXPECT_EQ(times(), (std::vector<std::string>{"30-02-2015,12:00:00", "30-02-2015,12:00:00",
                                                 "17-03-2015,31:00:00", "01-13-2015,12:00:00",
                                                 "01-03-2015,12:75:00", "07-12-2026,9:05:00",
                                                 "07-12-2026,9:05:01"}));
    EXPECT_EQ(decoder.loggerRecords[4].setNumber(), 4);
    EXPECT_EQ(decoder.loggerRecords[6].setNumber(), 5);
}

TEST_F(LoggerDownload, DumpArrivingByteByByteDecodesTheSame) {
    const std::string dump = "bb0080" + setA + "0456" +
                             "0010061231595810"
                             "ac" +
                             "07770123" + "dd";
    const ReceiveEvents last = feedByteByByte(dump);
    EXPECT_TRUE(last.loggerEnded);
    const RecordList slow = decoder.takeLoggerRecords();
    decoder.beginLoggerDownload();
    feed(dump);
    EXPECT_EQ(slow, decoder.loggerRecords);
    EXPECT_EQ(slow.size(), 3u);
}

// Within a dump only the end marker holds the nibble 0xd, so "dd" can only span
// two chunks off the byte grid; the whole received text is searched for it.
TEST_F(LoggerDownload, EndMarkerSplitOverTwoChunks) {
    auto ev = feed("bb0070" + setA + "0456045d");
    EXPECT_FALSE(ev.loggerEnded);
    ev = feed("d0");
    EXPECT_TRUE(ev.loggerEnded);
    EXPECT_EQ(decoder.loggerRecords.size(), 1u);
    EXPECT_EQ(decoder.recvText, "0");
}

TEST_F(LoggerDownload, DamagedLengthWordEndsLikeAnEmptyMemory) {
    for (const char* word : {"0000", "0061", "0063", "0064"}) {
        decoder.beginLoggerDownload();
        const auto ev = feed(std::string("bb") + word + setA + "0456dd");
        EXPECT_TRUE(ev.loggerEnded) << word;
        EXPECT_FALSE(ev.loggerProgress) << word;
        EXPECT_GE(decoder.expectedLength, 0) << word;
        EXPECT_TRUE(decoder.loggerRecords.empty()) << word;
        EXPECT_FALSE(decoder.loggerBusy) << word;
    }
}

TEST_F(LoggerDownload, ProgressNeverPassesItsMaximum) {
    feed("bb0066" + setA); // announces 4 bytes, sends more
    const auto ev = feed("04560457");
    EXPECT_TRUE(ev.loggerProgress);
    EXPECT_EQ(ev.progressMaximum, 4);
    EXPECT_EQ(ev.progressValue, 4);
    EXPECT_EQ(decoder.rxByteCount, 13);
}

TEST_F(LoggerDownload, GarbageWithoutSetMarkersYieldsNoRecordsAndNoCrash) {
    const auto ev = feed("bb0070"
                         "12"
                         "dd");
    EXPECT_TRUE(ev.loggerEnded);
    EXPECT_TRUE(decoder.loggerRecords.empty());
    // a set marker with a truncated header in front of it
    decoder.beginLoggerDownload();
    feed("bb0070"
         "aa15ac"
         "0456"
         "dd");
    ASSERT_EQ(decoder.loggerRecords.size(), 1u);
    EXPECT_EQ(decoder.loggerRecords[0].setNumber(), 1);
    EXPECT_EQ(decoder.loggerRecords[0].unit(), "dBA");
}

TEST_F(LoggerDownload, ReadingsAheadOfTheFirstSetHeaderBelongToNoSet) {
    feed("bb0070"
         "04560457"
         "dd");
    EXPECT_TRUE(decoder.loggerRecords.empty());
    decoder.beginLoggerDownload();
    feed("bb0070"
         "0456" +
         setA + "0457dd");
    ASSERT_EQ(decoder.loggerRecords.size(), 1u);
    EXPECT_EQ(decoder.loggerRecords[0], CObjData(45.7, "07-12-2026,9:05:00", "dBA", 1, 1.0));
}

TEST_F(LoggerDownload, LiveFramesWaitWhileBusyAndFollowTheDumpAfterwards) {
    const LiveState before = decoder.state;
    const std::string frame = "a50d0456000000"
                              "1c" +
                              std::string(24, '0');
    feed(frame + frame);
    EXPECT_EQ(decoder.state, before);
    decoder.recvText.clear();
    feed("bb0070" + setA + "0456dd" + frame + frame);
    EXPECT_FALSE(decoder.loggerBusy);
    EXPECT_EQ(decoder.recvText, frame + frame);
    feed("00");
    EXPECT_EQ(decoder.state.level, 45.6);
}

TEST_F(LoggerDownload, AbortEndsOnlyARunningDownload) {
    feed("bb0070" + setA + "0456");
    EXPECT_TRUE(decoder.abortLoggerDownload());
    EXPECT_FALSE(decoder.abortLoggerDownload());
    EXPECT_TRUE(decoder.takeLoggerRecords().empty());
    // the rest of the dump, arriving late, is no live frame and changes nothing
    const LiveState before = decoder.state;
    const auto ev = feed("0457dd");
    EXPECT_FALSE(ev.loggerEnded);
    EXPECT_EQ(decoder.state, before);
}

TEST_F(LoggerDownload, BeginForgetsEarlierTextAndRecords) {
    feed("bb0070" + setA + "0456dd");
    ASSERT_EQ(decoder.loggerRecords.size(), 1u);
    decoder.recvText = "00bb0070"; // live text that happens to hold "bb"
    decoder.beginLoggerDownload();
    EXPECT_TRUE(decoder.recvText.empty());
    EXPECT_TRUE(decoder.loggerRecords.empty());
    EXPECT_EQ(decoder.setCounter, 0);
    EXPECT_FALSE(decoder.loggerHeaderSeen);
    feed("bb0070" + setA + "0457dd");
    ASSERT_EQ(decoder.loggerRecords.size(), 1u);
    EXPECT_EQ(decoder.loggerRecords[0].setNumber(), 1);
}

// Whatever the line delivers, the branch keeps its figures sane and every
// record it makes is well formed.
TEST_F(LoggerDownload, RandomBytesNeverBreakTheDecoder) {
    std::mt19937 rng(11);
    const std::uint8_t likely[] = {0xBB, 0xAC, 0xDD, 0xAA, 0x00, 0x31, 0x99, 0xFF};
    for (int round = 0; round < 300; ++round) {
        decoder.beginLoggerDownload();
        for (int chunk = 0; chunk < 40 && decoder.loggerBusy; ++chunk) {
            std::vector<std::uint8_t> bytes(rng() % 20 + 1);
            for (auto& b : bytes)
                b = rng() % 3 ? likely[rng() % 8] : static_cast<std::uint8_t>(rng());
            const ReceiveEvents ev = decoder.OnMeterData(bytes.data(), bytes.size());
            ASSERT_GE(decoder.expectedLength, 0);
            ASSERT_GE(ev.progressValue, 0);
            ASSERT_LE(ev.progressValue, ev.progressMaximum);
        }
        for (const CObjData& r : decoder.takeLoggerRecords()) {
            ASSERT_EQ(std::count(r.dateTime().begin(), r.dateTime().end(), ','), 1);
            ASSERT_TRUE(r.unit() == "dBA" || r.unit() == "dBC");
            ASSERT_GE(r.setNumber(), 1);
            ASSERT_TRUE(r.value() >= 0.0 && r.value() <= 999.9);
        }
    }
}

TEST(SetClockCalendar, ValidityAndAdvance) {
    SetClock c;
    c.year = 2100;
    c.month = 2;
    c.day = 29;
    EXPECT_FALSE(c.valid()); // 2100 is no leap year
    c.year = 2000;
    EXPECT_TRUE(c.valid());
    c.hour = 23;
    c.minute = 59;
    c.second = 59;
    c.advance(1);
    EXPECT_EQ(c.dateTimeText(), "01-03-2000,0:00:00");
    c.advance(86400L * 365);
    EXPECT_EQ(c.dateTimeText(), "01-03-2001,0:00:00");
}

} // namespace
