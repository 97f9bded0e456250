#include "ToolRunner.h"

#include "protocol/LiveEncoder.h"
#include "protocol/MeterDecoder.h"

#include <gtest/gtest.h>

#include <sstream>
#include <unistd.h>
#include <vector>

namespace {

const std::string cli = std::string(VREL_CLI) + " decode live --date 07-12-2026";

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        out.push_back(l);
    return out;
}

TEST(CliDecodeLive, PrintsOneJsonLinePerChunkWithKeysInOrder) {
    const auto r = runTool(cli, "# a capture\n"
                                "\n"
                                "A5 0D 04 56 00 a5 02 1b a5 04 a5 11 a5 1a a5 30 00 00 00 00\n"
                                "a5\n");
    ASSERT_EQ(r.status, 0) << r.err;
    const auto out = lines(r.out);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0], "{\"level\":50,\"meterTime\":\"\",\"range\":0,\"fast\":false,"
                      "\"meterRec\":false,\"weightingA\":false,\"maxMode\":false,"
                      "\"minMode\":false,\"hold\":false,\"under\":false,\"over\":false,"
                      "\"stopKeyFlag\":false,\"barFrozen\":false,\"digitsFrozen\":false,"
                      "\"recvText\":\"a50d045600a5021ba504a511a51aa53000000000\","
                      "\"redraw\":true}");
    EXPECT_NE(out[1].find("\"level\":45.6,"), std::string::npos);
    EXPECT_NE(out[1].find("\"range\":1,\"fast\":true,"), std::string::npos);
    EXPECT_NE(out[1].find("\"recvText\":\"a5\",\"redraw\":true}"), std::string::npos);
}

TEST(CliDecodeLive, DecodesTheEncodersFramesWithTheGivenDate) {
    MeterReading m;
    m.tenths = 1052;
    m.hour = 14;
    m.minute = 5;
    m.second = 9;
    m.range = 3;
    auto bytes = EncodeLiveFrames(m);
    bytes.push_back(0xA5);
    std::string capture;
    for (std::size_t i = 0; i < bytes.size(); i += 20) // reads of at most 20 bytes
        capture += toHexText(bytes.data() + i, std::min<std::size_t>(20, bytes.size() - i)) + "\n";
    const auto r = runTool(cli, capture);
    ASSERT_EQ(r.status, 0) << r.err;
    const auto out = lines(r.out);
    ASSERT_EQ(out.size(), 3u);
    EXPECT_NE(out[2].find("\"level\":105.2,\"meterTime\":\"07-12-2026,14:05:09\",\"range\":3"),
              std::string::npos)
        << out[2];
}

TEST(CliDecodeLive, MalformedLinesEndTheRunWithTheLineNumber) {
    const struct {
        std::string input;
        std::string expect;
    } cases[] = {
        {"a50d\nabc\n", "line 2"},
        {"a50d\n\n#x\na5 0g\n", "line 4"},
        {"a 50d\n", "line 1"},
    };
    for (const auto& c : cases) {
        const auto r = runTool(cli, c.input);
        EXPECT_EQ(r.status, 2) << c.input;
        EXPECT_NE(r.err.find(c.expect), std::string::npos) << r.err;
        // Lines before the malformed one were printed, nothing for it.
        EXPECT_EQ(lines(r.out).size(), c.input.rfind("a50d\n", 0) == 0 ? 1u : 0u) << c.input;
    }
}

TEST(CliDecodeLive, UsageErrors) {
    EXPECT_TRUE(isUsageError(runTool(std::string(VREL_CLI) + " decode live --date 2026-12-07"),
                             "decode live"));
    EXPECT_TRUE(isUsageError(runTool(std::string(VREL_CLI) + " decode live a b"), "decode live"));
    EXPECT_TRUE(isUsageError(runTool(std::string(VREL_CLI) + " decode dump"), "decode"));
    EXPECT_EQ(runTool(std::string(VREL_CLI) + " decode live /nonexistent/capture").status, 1);
    const auto help = runTool(std::string(VREL_CLI) + " decode live --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: vrel-cli decode live"), std::string::npos);
}

TEST(CliDecodeLive, ReadsACaptureFile) {
    const std::string path =
        writeTempFile("capture-" + std::to_string(::getpid()) + ".txt", "ff\r\n");
    const auto r = runTool(cli + " " + path);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"hold\":true"), std::string::npos);
}

} // namespace
