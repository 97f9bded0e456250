#include "ToolRunner.h"

#include "protocol/LoggerEncoder.h"
#include "protocol/MeterDecoder.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const std::string cli = std::string(VREL_CLI) + " decode logger";

// A capture of bytes, one line per read of at most chunk bytes.
std::string capture(const std::vector<std::uint8_t>& bytes, std::size_t chunk) {
    std::string text = "# logger download\n";
    for (std::size_t i = 0; i < bytes.size(); i += chunk)
        text += toHexText(bytes.data() + i, std::min(chunk, bytes.size() - i)) + "\n";
    return text;
}

std::vector<LoggerSet> twoSets() {
    std::vector<LoggerSet> sets(2);
    sets[0].start = {2026, 12, 7, 9, 5, 0};
    sets[0].weightingA = true;
    sets[0].interval = 1;
    sets[0].tenths = {456, 460};
    sets[1].start = {2026, 12, 7, 14, 0, 0};
    sets[1].weightingA = false;
    sets[1].interval = 10;
    sets[1].tenths = {1013, 55};
    return sets;
}

TEST(CliDecodeLogger, PrintsTheDownloadedReadingsThenHowItEnded) {
    std::vector<std::uint8_t> bytes = {0xA5, 0x0D, 0x04, 0x56, 0x00}; // live data before the answer
    const auto dump = EncodeLoggerDump(twoSets());
    bytes.insert(bytes.end(), dump.begin(), dump.end());
    // The progress maximum is the announced length less the empty memory's.
    const int expectedLength = (dump[1] << 8 | dump[2]) - 98;
    const std::string expected =
        "{\"value\":45.6,\"dateTime\":\"07-12-2026,9:05:00\",\"unit\":\"dBA\",\"setNumber\":1,"
        "\"samplingRate\":1}\n"
        "{\"value\":46,\"dateTime\":\"07-12-2026,9:05:01\",\"unit\":\"dBA\",\"setNumber\":1,"
        "\"samplingRate\":1}\n"
        "{\"value\":101.3,\"dateTime\":\"07-12-2026,14:00:00\",\"unit\":\"dBC\",\"setNumber\":2,"
        "\"samplingRate\":10}\n"
        "{\"value\":5.5,\"dateTime\":\"07-12-2026,14:00:10\",\"unit\":\"dBC\",\"setNumber\":2,"
        "\"samplingRate\":10}\n"
        "{\"expectedLength\":" +
        std::to_string(expectedLength) + ",\"ended\":true}\n";
    // However the bytes were read, and whatever the time zone: the times are
    // the meter's own.
    for (const char* tz : {"UTC", "America/New_York", "Asia/Kolkata"}) {
        for (const std::size_t chunk : {1u, 7u, 20u}) {
            const auto r = runTool("TZ=" + std::string(tz) + " " + cli, capture(bytes, chunk));
            ASSERT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(r.out, expected) << tz << ", chunks of " << chunk;
            EXPECT_EQ(r.err, "");
        }
    }
}

TEST(CliDecodeLogger, EmptyMemoryEndsWithoutReadings) {
    const auto r = runTool(cli, "bb 00 64\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "{\"expectedLength\":2,\"ended\":true}\n");
}

TEST(CliDecodeLogger, DumpCutOffBeforeItsEndGivesNoReadings) {
    auto dump = EncodeLoggerDump(twoSets());
    dump.pop_back(); // the end marker
    const auto r = runTool(cli, capture(dump, 20));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "{\"expectedLength\":" + std::to_string((dump[1] << 8 | dump[2]) - 98) +
                         ",\"ended\":false}\n");
}

TEST(CliDecodeLogger, NothingReceived) {
    const auto r = runTool(cli, "# the meter never answered\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "{\"expectedLength\":0,\"ended\":false}\n");
}

TEST(CliDecodeLogger, CaptureFileAndErrors) {
    const std::string path = writeTempFile("logger-capture.txt", "bb0064\r\n");
    auto r = runTool(cli + " '" + path + "'");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "{\"expectedLength\":2,\"ended\":true}\n");

    // A malformed line ends the run before anything is printed.
    r = runTool(cli, "bb0070\naa 2x\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("line 2"), std::string::npos) << r.err;

    EXPECT_EQ(runTool(cli + " /nonexistent/capture").status, 1);
    EXPECT_TRUE(isUsageError(runTool(cli + " a b"), "decode logger"));
    EXPECT_TRUE(isUsageError(runTool(cli + " --date 07-12-2026"), "decode logger"));
    const auto help = runTool(cli + " --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: vrel-cli decode logger [CAPTURE]\n", 0), 0u);
    EXPECT_NE(help.out.find("TZ"), std::string::npos);
    EXPECT_EQ(runTool(std::string(VREL_CLI) + " decode --help").status, 0);
}

} // namespace
