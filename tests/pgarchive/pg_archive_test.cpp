// The database archive against a real PostgreSQL: what pieces of a survey's
// files become, once whatever way they come, and what it says it holds.

#include "PgServer.h"
#include "ToolRunner.h"
#include "pgarchive/PgArchive.h"
#include "pgarchive/PgSeries.h"
#include "survey/SeriesReader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr const char* dataFile = "survey-2026-12-09T02.txt";
constexpr const char* header = "Kovra Sound Level Meter SamplingRate:1;\r\n";

// Readings at one a second from 02:00:00 on, levels 40.00, 40.01, …
std::string readings(int first, int count) {
    std::string text;
    for (int i = first; i < first + count; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "9-12-2026,%d:%02d:%02d, %d.%02d, dBA\r\n", 2 + i / 3600,
                      i / 60 % 60, i % 60, 40 + i / 100 % 50, i % 100);
        text += line;
    }
    return text;
}

struct Database {
    std::string name;
    std::string url;
    PgSettings settings() const { return {url, pgServer().passwordFile().string()}; }
    std::string sql(const std::string& s) const { return pgServer().sql(name, s); }
    int count(const std::string& query) const { return std::stoi("0" + sql(query)); }
};

Database database(const std::string& name) {
    EXPECT_TRUE(pgServer().ready()) << pgServer().log();
    return {name, pgServer().newDatabase(name)};
}

FilePiece piece(const std::string& file, std::size_t offset, const std::string& whole,
                std::size_t size) {
    return {file, static_cast<std::int64_t>(offset), whole.substr(offset, size)};
}

} // namespace

TEST(PgArchive, PiecesThatComeAgainOrOverlapAreWrittenOnce) {
    const Database db = database("pieces");
    PgArchive archive(db.settings());
    std::string error;
    ASSERT_TRUE(archive.connect(error)) << error;
    EXPECT_EQ(archive.schemaVersion(), pgSchemaVersion);

    const std::string data = header + readings(0, 150);
    const std::string summary = "start,leq\r\n02:00,55.0\r\n02:15,56.1\r\n02:30,54.2\r\n";
    const std::size_t lineOfData = readings(0, 1).size();
    const std::size_t a = std::string(header).size() + 50 * lineOfData;
    const std::size_t b = a + 70 * lineOfData;
    // In order, again, overlapping what is held, and one before the piece
    // ahead of it, as when another collector of a group takes that one.
    const std::vector<FilePiece> pieces{
        piece(dataFile, 0, data, a),
        piece(dataFile, 0, data, a),
        piece(dataFile, a, data, b - a),
        piece(dataFile, a - 10 * lineOfData, data, b - a + 10 * lineOfData),
        piece("summary.csv", 11, summary, 12),
        piece("summary.csv", 0, summary, 23),
        piece("summary.csv", 0, summary, summary.size()),
        piece(dataFile, b, data, data.size() - b),
        piece(dataFile, b, data, data.size() - b),
    };
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        archive.receive("north", "m1", pieces[i]);
        if (i % 2 == 1) { // some commits carry several pieces
            ASSERT_TRUE(archive.commit(error)) << error;
        }
    }
    ASSERT_TRUE(archive.commit(error)) << error;

    EXPECT_EQ(archive.counts().readings, 150u);
    EXPECT_EQ(archive.counts().missed, 0u);
    EXPECT_EQ(archive.pending(), 0u);
    EXPECT_EQ(db.count("SELECT count(*) FROM vrel_level"), 150);
    EXPECT_EQ(db.sql("SELECT count(DISTINCT local_time), min(local_time), max(level)"
                     " FROM vrel_level WHERE meter = 'm1'"),
              "150|2026-12-09 02:00:00|41.49\n");
    EXPECT_EQ(db.sql("SELECT string_agg(line || E'\\n', '' ORDER BY at) FROM vrel_line"),
              summary + "\n");
    EXPECT_EQ(db.sql("SELECT size, interval_ms FROM vrel_file WHERE name = '" +
                     std::string(dataFile) + "'"),
              std::to_string(data.size()) + "|1000\n");

    const auto held = archive.holdings(false, error);
    ASSERT_EQ(held.size(), 1u);
    EXPECT_FALSE(held[0].files.again);
    EXPECT_EQ(held[0].files.sizes.at(dataFile), static_cast<std::int64_t>(data.size()));
    EXPECT_EQ(held[0].files.sizes.at("summary.csv"), static_cast<std::int64_t>(summary.size()));
}

TEST(PgArchive, AReadingCostsAtMostSixteenBytesOnDisk) {
    const Database db = database("sizes");
    PgArchive archive(db.settings());
    std::string error;
    ASSERT_TRUE(archive.connect(error)) << error;
    // Ten hours at one a second, a piece a minute, as a survey sends them.
    constexpr int hours = 10;
    for (int h = 0; h < hours; ++h) {
        const std::string file = "survey-2026-12-09T" + std::to_string(10 + h) + ".txt";
        std::int64_t offset = 0;
        for (int m = 0; m < 60; ++m) {
            const std::string text = (m == 0 ? std::string(header) : "") + readings(m * 60, 60);
            archive.receive("north", "m1", {file, offset, text});
            offset += static_cast<std::int64_t>(text.size());
        }
        ASSERT_TRUE(archive.commit(error)) << error;
    }
    db.sql("VACUUM ANALYZE vrel_reading");
    const int bytes = db.count("SELECT pg_total_relation_size('vrel_reading')");
    const int count = db.count("SELECT count(*) FROM vrel_level");
    ASSERT_EQ(count, hours * 3600);
    EXPECT_LE(bytes / count, 16) << bytes << " bytes";
    std::printf("%.1f bytes a reading on disk\n", static_cast<double>(bytes) / count);
}

TEST(PgArchive, UpgradesASchemaOfThePreviousVersionWithDataInIt) {
    const Database db = database("upgrade");
    std::string error;
    {
        PgArchive old(db.settings());
        ASSERT_TRUE(old.connect(error, pgSchemaVersion - 1)) << error;
        old.receive("north", "m1", {dataFile, 0, header + readings(0, 90)});
        ASSERT_TRUE(old.commit(error)) << error;
        EXPECT_EQ(old.schemaVersion(), pgSchemaVersion - 1);
    }
    PgArchive archive(db.settings());
    ASSERT_TRUE(archive.connect(error)) << error;
    EXPECT_EQ(archive.schemaVersion(), pgSchemaVersion);
    EXPECT_EQ(db.count("SELECT count(*) FROM vrel_level"), 90);
    // It goes on where the older one stopped, and a second start changes nothing.
    archive.receive(
        "north", "m1",
        {dataFile, static_cast<std::int64_t>((header + readings(0, 90)).size()), readings(90, 30)});
    ASSERT_TRUE(archive.commit(error)) << error;
    PgArchive again(db.settings());
    ASSERT_TRUE(again.connect(error)) << error;
    EXPECT_EQ(db.count("SELECT count(*) FROM vrel_level"), 120);
    EXPECT_EQ(db.count("SELECT count(*) FROM vrel_schema"), 1);
}

TEST(PgArchive, AWrongPasswordIsSaidAndNothingIsHeld) {
    const Database db = database("login");
    const std::string wrong = writeTempFile("wrong-password.txt", "not it\n");
    PgArchive archive({db.url, wrong});
    std::string error;
    EXPECT_FALSE(archive.connect(error));
    EXPECT_NE(error.find("password authentication failed for user \"vrel\""), std::string::npos)
        << error;
    archive.receive("north", "m1", {dataFile, 0, header + readings(0, 5)});
    EXPECT_FALSE(archive.commit(error));
    EXPECT_TRUE(archive.holdings(false, error).empty());
    PgArchive missing({db.url, "/nonexistent/password"});
    EXPECT_FALSE(missing.connect(error));
    EXPECT_EQ(error, "cannot read the password file /nonexistent/password");
}

TEST(PgArchive, ADatabaseThatWasDownLosesNothing) {
    const Database db = database("outage");
    PgArchive archive(db.settings());
    std::string error;
    ASSERT_TRUE(archive.connect(error)) << error;
    const std::string data = header + readings(0, 300);
    const std::size_t half = std::string(header).size() + 100 * readings(0, 1).size();
    archive.receive("north", "m1", piece(dataFile, 0, data, half));
    ASSERT_TRUE(archive.commit(error)) << error;
    ASSERT_EQ(archive.holdings(false, error).size(), 1u);

    pgServer().stop();
    archive.receive("north", "m1", piece(dataFile, half, data, data.size() - half));
    EXPECT_FALSE(archive.commit(error));
    EXPECT_FALSE(archive.connected());
    EXPECT_FALSE(archive.connect(error));
    ASSERT_TRUE(pgServer().start()) << pgServer().log();

    // Back: it asks every meter for what follows what it committed.
    ASSERT_TRUE(archive.connect(error)) << error;
    const auto held = archive.holdings(false, error);
    ASSERT_EQ(held.size(), 1u) << error;
    EXPECT_TRUE(held[0].files.again);
    EXPECT_EQ(held[0].files.sizes.at(dataFile), static_cast<std::int64_t>(half));
    archive.receive("north", "m1", piece(dataFile, half, data, data.size() - half));
    ASSERT_TRUE(archive.commit(error)) << error;
    EXPECT_EQ(db.count("SELECT count(*) FROM vrel_level"), 300);
}

TEST(PgArchive, ASeriesReadBackIsTheFoldersReadingForReading) {
    const Database db = database("readback");
    std::string error;
    PgArchive archive(db.settings());
    ASSERT_TRUE(archive.connect(error)) << error;
    // The hour repeated when daylight saving ends, in a file of its own, and
    // a minute with both weightings in it.
    auto line = [](int second, char weighting) {
        char text[64];
        std::snprintf(text, sizeof text, "25-10-2026,3:%02d:%02d, %d.%d, dB%c\r\n", second / 60,
                      second % 60, 50 + second % 7, second % 10, weighting);
        return std::string(text);
    };
    std::string first = "Kovra Sound Level Meter SamplingRate:1;\r\n";
    for (int s = 0; s < 900; ++s)
        first += line(s, s >= 30 && s < 40 ? 'C' : 'A');
    std::string repeated = "Kovra Sound Level Meter SamplingRate:0.5;\r\n";
    for (int s = 0; s < 90; ++s)
        for (int k = 0; k < 2; ++k)
            repeated += line(s, 'A');
    const std::map<std::string, std::string> files{{"survey-2026-10-25T03.txt", first},
                                                   {"survey-2026-10-25T03-2.txt", repeated}};
    const std::filesystem::path folder =
        emptyFolder(std::filesystem::path(VREL_TEST_TMP) / "readback");
    for (const auto& [name, text] : files) {
        std::ofstream(folder / name, std::ios::binary) << text;
        const std::size_t half = text.find('\n', text.size() / 2) + 1;
        archive.receive("north", "m1", piece(name, 0, text, half));
        archive.receive("north", "m1", piece(name, half, text, text.size() - half));
    }
    ASSERT_TRUE(archive.commit(error)) << error;

    const SeriesRead fromFolder = readSurveySeries(folder.string());
    ASSERT_EQ(fromFolder.series.clockShifts().size(), 1u);
    const auto source = parseDatabaseInput(db.url + "?meter=m1&site=north", error);
    ASSERT_TRUE(source) << error;
    EXPECT_EQ(source->settings.url, db.url);
    for (const auto& [from, to] :
         std::vector<std::pair<std::optional<std::int64_t>, std::optional<std::int64_t>>>{
             {std::nullopt, std::nullopt}, {1792897200, 1792897300}}) {
        PgSeriesSource withPassword = *source;
        withPassword.settings.passwordFile = pgServer().passwordFile().string();
        const SeriesRead fromDb = readDatabaseSeries(withPassword, from, to);
        ASSERT_EQ(fromDb.status, SeriesRead::Status::Ok) << fromDb.error;
        ASSERT_EQ(fromDb.series.size(), fromFolder.series.size());
        ASSERT_EQ(fromDb.series.runs().size(), fromFolder.series.runs().size());
        for (std::size_t i = 0; i < fromDb.series.runs().size(); ++i) {
            const SeriesRun &a = fromDb.series.runs()[i], &b = fromFolder.series.runs()[i];
            EXPECT_EQ(std::tie(a.start, a.intervalMs, a.count, a.weighting),
                      std::tie(b.start, b.intervalMs, b.count, b.weighting))
                << "run " << i;
        }
        EXPECT_EQ(fromDb.series.clockShifts().size(), fromFolder.series.clockShifts().size());
        for (std::size_t i = 0; i < fromDb.series.size(); ++i)
            ASSERT_EQ(fromDb.series.levelAt(i), fromFolder.series.levelAt(i)) << i;
    }
    std::string wrong;
    EXPECT_FALSE(parseDatabaseInput(db.url + "?site=north", wrong));
    EXPECT_EQ(wrong, "a database wants ?site=S&meter=M after its name, each 1 to 32 of a-z, 0-9, "
                     "_ and -");
}
