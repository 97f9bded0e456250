// The collector's archive without a broker: pieces of the surveys' files in,
// their folders out byte for byte, and what it holds said back.
#include "ToolRunner.h"
#include "mqtt/MqttArchive.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace fs = std::filesystem;

namespace {

fs::path scratch(const std::string& name) {
    return emptyFolder(fs::path(VREL_TEST_TMP) / ("archive-" + name));
}

constexpr const char* hour = "survey-2026-12-09T02.txt";

void give(MqttArchive& archive, const std::string& meter, const char* file, std::int64_t offset,
          const std::string& bytes) {
    archive.receive(filePieceTopic("north", meter), encodeFilePiece({file, offset, bytes}));
}

// The holdings in the order of their meters.
std::string holdingText(const std::vector<MqttArchive::Holding>& holdings) {
    std::map<std::string, std::string> byMeter;
    for (const auto& h : holdings)
        byMeter[h.site + "/" + h.meter] = encodeArchived(h.files);
    std::string text;
    for (const auto& [meter, files] : byMeter)
        text += meter + ":" + files + ";";
    return text;
}

TEST(MqttArchive, PiecesAreWrittenByteForByteOnceAndAGapIsAskedForAgain) {
    const fs::path dir = scratch("pieces");
    {
        MqttArchive archive(dir.string());
        give(archive, "m1", hour, 0, "h\r\n1\r\n");
        give(archive, "m1", hour, 0, "h\r\n1\r\n"); // sent again after an outage
        give(archive, "m1", hour, 3, "1\r\n2\r\n"); // overlapping: only the new line
        give(archive, "m1", hour, 12, "4\r\n");     // 3 was lost on the way
        give(archive, "m2", "summary.csv", 0, "s\r\n");
        EXPECT_EQ(holdingText(archive.sync(false)),
                  std::string("north/m1:again\n") + hour + " 9\n;north/m2:summary.csv 3\n;");
        EXPECT_EQ(holdingText(archive.sync(false)), "") << "nothing new";
        EXPECT_EQ(archive.counts().pieces, 3u);
        EXPECT_EQ(archive.counts().duplicates, 1u);
        EXPECT_EQ(archive.counts().missed, 1u);
        EXPECT_EQ(archive.counts().bytes, 12);
        EXPECT_EQ(archive.counts().meters, 2u);
    }
    {
        // Restarted within the hour: it goes on in the hour's file, and every
        // folder asks for what follows its newest files.
        MqttArchive archive(dir.string());
        EXPECT_EQ(holdingText(archive.sync(true)),
                  std::string("north/m1:again\n") + hour + " 9\n;north/m2:again\nsummary.csv 3\n;");
        give(archive, "m1", hour, 9, "3\r\n4\r\n");
        archive.close();
    }
    EXPECT_EQ(slurp(dir / "north/m1" / hour), "h\r\n1\r\n2\r\n3\r\n4\r\n");
    EXPECT_EQ(slurp(dir / "north/m2/summary.csv"), "s\r\n");
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir / "north/m1"))
        ++files;
    EXPECT_EQ(files, 1u) << "one file for the hour";
}

TEST(MqttArchive, AMalformedMessageIsToldOncePerTopicAndTheRestGoesOn) {
    const fs::path dir = scratch("bad-messages");
    MqttArchive archive(dir.string());
    std::vector<std::string> said;
    archive.report = [&](const std::string& text) { said.push_back(text); };
    archive.receive(filePieceTopic("s", "m"), "no header");
    archive.receive(filePieceTopic("s", "m"), "../../etc/passwd.csv 0\nx");
    archive.receive("vrel/v1/s/file", "summary.csv 0\nx");
    archive.receive("vrel/v1/s/m/x/file", "summary.csv 0\nx");
    archive.receive(filePieceTopic("s", "m"), "summary.csv 0\ns\r\n");
    archive.close();
    std::size_t complaints = 0;
    for (const std::string& s : said)
        complaints += s.find("malformed") != std::string::npos;
    EXPECT_EQ(complaints, 3u);
    EXPECT_EQ(archive.counts().malformed, 4u);
    EXPECT_EQ(slurp(dir / "s/m/summary.csv"), "s\r\n");
    EXPECT_FALSE(fs::exists(dir / "etc"));
}

} // namespace
