// The collector's archive without a broker: messages in, survey folders out.
#include "ToolRunner.h"
#include "mqtt/MqttArchive.h"

#include "formats/TextDataFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

fs::path scratch(const std::string& name) {
    return emptyFolder(fs::path(VREL_TEST_TMP) / ("archive-" + name));
}

std::string summaryRow(const std::string& start, const std::string& end, const char* leq) {
    return csvRow(
        {start, end, "600", "1.0000", leq, "70.00", "50.00", "65.00", "60.00", "55.00", "dBA"});
}

std::string message(long long seq, const std::string& row) {
    return *encodeSummaryRow(seq, row.substr(0, row.size() - 2));
}

TEST(MqttArchive, RowsAreKeptOncePerMeterAlsoAcrossARestartOfTheCollector) {
    const fs::path dir = scratch("rows");
    const std::string r1 =
        summaryRow("2026-12-08T14:00:00+01:00", "2026-12-08T14:01:00+01:00", "60.00");
    const std::string r2 =
        summaryRow("2026-12-08T14:01:00+01:00", "2026-12-08T14:02:00+01:00", "61.00");
    const std::string event =
        csvRow({"2026-12-08T14:00:30.100+01:00", "2026-12-08T14:00:36.200+01:00", "6.1", "silence",
                "no data from the meter for 2 seconds"});
    const std::string eventMessage = *encodeEventRow(1, event.substr(0, event.size() - 2));
    {
        MqttArchive archive(dir.string());
        archive.receive(mqttTopic("north", "m1", MqttTopic::Summary), message(1, r1));
        archive.receive(mqttTopic("north", "m1", MqttTopic::Summary),
                        message(1, r1)); // sent again after an outage
        archive.receive(mqttTopic("north", "m2", MqttTopic::Summary),
                        message(1, r1)); // another meter's own
        archive.receive(mqttTopic("north", "m1", MqttTopic::Event), eventMessage);
        archive.close();
        EXPECT_EQ(archive.counts().rows, 3u);
        EXPECT_EQ(archive.counts().duplicates, 1u);
        EXPECT_EQ(archive.counts().meters, 2u);
    }
    {
        MqttArchive archive(dir.string());
        archive.receive(mqttTopic("north", "m1", MqttTopic::Summary), message(1, r1));
        archive.receive(mqttTopic("north", "m1", MqttTopic::Summary), message(2, r2));
        archive.receive(mqttTopic("north", "m1", MqttTopic::Event), eventMessage);
        archive.close();
        EXPECT_EQ(archive.counts().duplicates, 2u);
    }
    EXPECT_EQ(slurp(dir / "north/m1" / summaryFileName),
              std::string(summaryHeader) + "\r\n" + r1 + r2);
    EXPECT_EQ(slurp(dir / "north/m2" / summaryFileName), std::string(summaryHeader) + "\r\n" + r1);
    EXPECT_EQ(slurp(dir / "north/m1" / eventsFileName), std::string(eventsHeader) + "\r\n" + event);
}

TEST(MqttArchive, LevelsBecomeHourlyDataFilesInTheMetersOwnTime) {
    const fs::path dir = scratch("levels");
    {
        MqttArchive archive(dir.string());
        // The meter is an hour east of UTC; the collector's zone does not matter.
        for (const char* t : {"2026-12-08T14:59:58+01:00", "2026-12-08T14:59:59+01:00",
                              "2026-12-08T15:00:00+01:00"})
            archive.receive(mqttTopic("s", "m", MqttTopic::Level), encodeLevel({t, 62.5, "dBA"}));
        archive.receive(mqttTopic("s", "m", MqttTopic::Level),
                        encodeLevel({"2026-12-08T15:00:01+01:00", std::nullopt, "dBA"}));
        archive.close();
        EXPECT_EQ(archive.counts().levels, 3u);
    }
    const fs::path first = dir / "s/m/survey-2026-12-08T14.txt";
    const fs::path second = dir / "s/m/survey-2026-12-08T15.txt";
    const TextDataRead a = ReadTextDataFile(first.string());
    const TextDataRead b = ReadTextDataFile(second.string());
    ASSERT_EQ(a.status, TextDataRead::Status::Ok);
    ASSERT_EQ(b.status, TextDataRead::Status::Ok);
    ASSERT_EQ(a.records.size(), 2u);
    ASSERT_EQ(b.records.size(), 1u);
    EXPECT_EQ(std::string(b.records[0].dateTime()), "08-12-2026,15:00:00");
    EXPECT_EQ(slurp(first), FormatTextData(a.records)) << "written as the survey writes";
    const SurveyFolderRead folder = ReadSurveyFolder((dir / "s/m").string());
    EXPECT_EQ(folder.status, SurveyFolderRead::Status::Ok);
    EXPECT_EQ(folder.records.size(), 3u);
}

// Each run of the collector is one MqttArchive; the levels at the given
// times (ISO with their offset) go into it in turn.
std::vector<std::string> dataFilesAfterRuns(const fs::path& dir,
                                            const std::vector<std::vector<std::string>>& runs) {
    for (const auto& run : runs) {
        MqttArchive archive(dir.string());
        for (const std::string& t : run)
            archive.receive(mqttTopic("s", "m", MqttTopic::Level), encodeLevel({t, 60, "dBA"}));
        archive.close();
    }
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir / "s/m"))
        if (isSurveyDataFileName(entry.path().filename().string()))
            names.push_back(entry.path().filename().string() + ":" +
                            std::to_string(ReadTextDataFile(entry.path().string()).records.size()));
    std::sort(names.begin(), names.end());
    return names;
}

TEST(MqttArchive, ARestartedCollectorGoesOnInTheHoursFile) {
    struct Case {
        const char* name;
        std::vector<std::vector<std::string>> runs;
        std::vector<std::string> files; // name:readings
    };
    const std::vector<Case> cases = {
        {"restarts",
         {{"2026-12-09T02:10:00+01:00", "2026-12-09T02:10:01+01:00"},
          {"2026-12-09T02:10:05+01:00"},
          {"2026-12-09T02:10:09+01:00", "2026-12-09T03:00:00+01:00"}},
         {"survey-2026-12-09T02.txt:4", "survey-2026-12-09T03.txt:1"}},
        {"clock-change",
         {{"2026-10-25T02:59:59+02:00", "2026-10-25T02:00:00+01:00"},
          {"2026-10-25T02:00:05+01:00"}},
         {"survey-2026-10-25T02-2.txt:2", "survey-2026-10-25T02.txt:1"}},
    };
    for (const Case& c : cases) {
        const fs::path dir = scratch(std::string("hour-") + c.name);
        EXPECT_EQ(dataFilesAfterRuns(dir, c.runs), c.files) << c.name;
    }
}

TEST(MqttArchive, AMalformedMessageIsToldOncePerTopicAndTheRestGoesOn) {
    const fs::path dir = scratch("bad-messages");
    MqttArchive archive(dir.string());
    std::vector<std::string> said;
    archive.report = [&](const std::string& text) { said.push_back(text); };
    archive.receive(mqttTopic("s", "m", MqttTopic::Summary), "{not json");
    archive.receive(mqttTopic("s", "m", MqttTopic::Summary), "{\"seq\":1}");
    archive.receive(mqttTopic("s", "m", MqttTopic::Level), "[]");
    archive.receive(mqttTopic("s", "m", MqttTopic::Level), std::string("\0\xff", 2));
    archive.receive("vrel/v1/s/m/nonsense", "1");
    const std::string row = summaryRow("2026-12-08T14:00:00Z", "2026-12-08T14:01:00Z", "60.00");
    archive.receive(mqttTopic("s", "m", MqttTopic::Summary), message(1, row));
    archive.close();
    std::size_t complaints = 0;
    for (const std::string& s : said)
        complaints += s.find("malformed") != std::string::npos;
    EXPECT_EQ(complaints, 3u);
    EXPECT_EQ(archive.counts().malformed, 5u);
    EXPECT_EQ(slurp(dir / "s/m" / summaryFileName), std::string(summaryHeader) + "\r\n" + row);
}

} // namespace
