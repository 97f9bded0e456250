// vrel-cli collect --db against a real PostgreSQL and a real mosquitto: a
// survey waiting for a group of collectors that share the meters, one of
// them killed and another added, and a database that refuses the login.

#include "ArchivedSurvey.h"
#include "BrokerTest.h"
#include "PgServer.h"
#include "survey/FolderOutbox.h"
#include "survey/SeriesReader.h"
#include "survey/Survey.h"

#include <gtest/gtest.h>

#include <csignal>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

namespace {

const std::string cli = VREL_CLI;

std::unique_ptr<ChildProcess> collector(const Broker& broker, const std::string& db,
                                        const std::string& passwordFile, const std::string& name,
                                        const std::string& group) {
    return yardCollector(broker, name,
                         {"--db", db, "--db-password-file", passwordFile, "--share", group});
}

// "readings|sum of their levels in hundredths" of a folder's data files, as
// the database's query below prints them.
std::string readingsOf(const std::map<std::string, std::string>& files) {
    std::size_t n = 0;
    std::uint64_t sum = 0;
    for (const auto& [name, text] : files)
        if (isSurveyDataFileName(name))
            for (Centibel level : parseSeriesFile(text).levels) {
                ++n;
                sum += level;
            }
    return std::to_string(n) + "|" + std::to_string(sum) + "\n";
}

constexpr const char* readingsQuery =
    "SELECT count(*), coalesce(sum(level * 100), 0)::bigint FROM vrel_level"
    " WHERE site = 'yard' AND meter = 'gate'";

// The database's tables of yard/gate, each file's lines joined again.
std::map<std::string, std::string> tablesIn(const std::string& database) {
    std::map<std::string, std::string> tables;
    const std::string out = pgServer().sql(
        database, "SELECT f.name || ' ' || encode(convert_to(string_agg(l.line || E'\\n', '' "
                  "ORDER BY l.at), 'UTF8'), 'hex') FROM vrel_line l JOIN vrel_file f ON "
                  "f.id = l.file_id GROUP BY f.name");
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        const std::size_t space = line.find(' ');
        std::string bytes;
        for (std::size_t i = space + 1; i + 1 < line.size(); i += 2)
            bytes.push_back(static_cast<char>(std::stoi(line.substr(i, 2), nullptr, 16)));
        tables[line.substr(0, space)] = bytes;
    }
    return tables;
}

std::map<std::string, std::string> tablesOf(const std::map<std::string, std::string>& files) {
    std::map<std::string, std::string> tables;
    for (const auto& [name, text] : files)
        if (!isSurveyDataFileName(name))
            tables[name] = text;
    return tables;
}

class PgCollect : public BrokerTest {
  protected:
    void SetUp() override {
        startBroker("collect-");
        if (HasFatalFailure())
            return;
        ASSERT_TRUE(pgServer().ready()) << pgServer().log();
        database_ = "collect";
        url_ = pgServer().newDatabase(database_);
    }

    std::string sql(const std::string& statements) const {
        return pgServer().sql(database_, statements);
    }

    std::string database_;
    std::string url_;
};

} // namespace

TEST_F(PgCollect, AGroupWithOneKilledAndOneAddedStoresEverythingOnce) {
    Simulator sim(dir_, {"--level", "58.0"});
    ASSERT_TRUE(sim.ready());
    const std::string password = pgServer().passwordFile().string();
    std::vector<std::unique_ptr<ChildProcess>> group;
    for (const char* name : {"c1", "c2", "c3"})
        group.push_back(collector(*broker_, url_, password, name, "crowd"));
    for (const auto& c : group)
        ASSERT_TRUE(waitFor([&] { return contains(c->err(), "in the group crowd"); })) << c->err();
    const fs::path out = dir_ / "survey";
    const auto run = archivedSurvey(sim, out, *broker_, "crowd");
    ASSERT_TRUE(waitFor([&] { return std::stoi("0" + sql(readingsQuery)) >= 50; }))
        << run->err() << group[0]->err();
    group[1]->signal(SIGKILL);
    group[1]->wait();
    group.push_back(collector(*broker_, url_, password, "c4", "crowd"));
    sim.command("silence 2.5");
    ASSERT_TRUE(waitFor([&] { return tablesIn(database_).count(eventsFileName) == 1; }))
        << run->err();
    std::this_thread::sleep_for(std::chrono::seconds(2));
    run->signal(SIGTERM);
    ASSERT_EQ(run->wait(), 0) << run->err();
    EXPECT_FALSE(contains(run->err(), "wait for the archives")) << run->err();

    const auto files = folderFiles(out);
    ASSERT_TRUE(waitFor([&] { return sql(readingsQuery) == readingsOf(files); }))
        << sql(readingsQuery) << " in the database, " << readingsOf(files) << " in the folder";
    EXPECT_EQ(tablesIn(database_), tablesOf(files));
    EXPECT_EQ(sql("SELECT count(*) FROM vrel_file WHERE size = 0"), "0\n");

    // Read back, the database's figures are the folder's.
    const fs::path pgpass = dir_ / "pgpass";
    std::ofstream(pgpass) << "127.0.0.1:" << pgServer().port() << ":" << database_ << ":"
                          << PgServer::user << ":" << PgServer::password << "\n";
    fs::permissions(pgpass, fs::perms::owner_read | fs::perms::owner_write);
    const std::string env = "TZ=Europe/Istanbul PGPASSFILE='" + pgpass.string() + "' ";
    for (const auto& [command, options] : std::vector<std::pair<std::string, std::string>>{
             {"stats", ""}, {"stats", " --daily --limit 55"}, {"events", " --above 50"}}) {
        const ToolResult folder =
            runTool(env + cli + " " + command + " '" + out.string() + "'" + options);
        const ToolResult db =
            runTool(env + cli + " " + command + " '" + url_ + "?site=yard&meter=gate'" + options);
        ASSERT_EQ(folder.status, 0) << folder.err;
        EXPECT_EQ(db.status, 0) << db.err;
        EXPECT_EQ(db.out, folder.out) << command << options;
        EXPECT_FALSE(db.out.empty());
    }
    // The group did split the pieces.
    int writers = 0;
    for (std::size_t i : {0, 2, 3}) {
        group[i]->signal(SIGTERM);
        ASSERT_EQ(group[i]->wait(), 0) << group[i]->err();
        ASSERT_TRUE(contains(group[i]->err(), "stopped: the database: ")) << group[i]->err();
        writers += !contains(group[i]->err(), "stopped: the database: 0 pieces");
    }
    EXPECT_GE(writers, 2);
}

TEST_F(PgCollect, AWrongPasswordIsSaidAndNothingIsConfirmed) {
    Simulator sim(dir_, {"--level", "52.0"});
    ASSERT_TRUE(sim.ready());
    const std::string wrong = (dir_ / "wrong.txt").string();
    std::ofstream(wrong) << "not it\n";
    const auto c = collector(*broker_, url_, wrong, "c1", "crowd");
    ASSERT_TRUE(waitFor([&] {
        return contains(c->err(), "the database at " + url_ + " cannot be used: ") &&
               contains(c->err(), "password authentication failed for user \"vrel\"") &&
               contains(c->err(), "nothing is confirmed to the surveys until it can");
    })) << c->err();
    const fs::path out = dir_ / "survey";
    const auto run = archivedSurvey(sim, out, *broker_, "crowd");
    ASSERT_TRUE(waitFor([&] { return fs::exists(out / eventsFileName); })) << run->err();
    std::this_thread::sleep_for(std::chrono::seconds(3));
    run->signal(SIGTERM);
    ASSERT_EQ(run->wait(), 0) << run->err();
    // The survey still holds everything for the group.
    EXPECT_TRUE(contains(run->err(), "wait for the archives")) << run->err();
    EXPECT_EQ(sql("SELECT count(*) FROM pg_tables WHERE tablename = 'vrel_reading'"), "0\n");
}

TEST_F(PgCollect, ADatabaseStoppedForAWhileLosesNothing) {
    Simulator sim(dir_, {"--level", "63.0"});
    ASSERT_TRUE(sim.ready());
    const auto c = std::make_unique<ChildProcess>(
        std::vector<std::string>{cli, "collect", "--mqtt", broker_->url(), "--db", url_,
                                 "--db-password-file", pgServer().passwordFile().string(), "--site",
                                 "yard", "--name", "north", "--mqtt-user", "collector"},
        std::vector<std::string>{"VREL_MQTT_PASSWORD=collector-password"});
    ASSERT_TRUE(waitFor([&] { return contains(c->err(), "writing into the database at"); }))
        << c->err();
    const fs::path out = dir_ / "survey";
    const auto run = archivedSurvey(sim, out, *broker_, "north");
    ASSERT_TRUE(waitFor([&] { return std::stoi("0" + sql(readingsQuery)) >= 30; })) << run->err();
    pgServer().stop();
    ASSERT_TRUE(waitFor([&] { return contains(c->err(), "cannot be used: "); })) << c->err();
    sim.command("silence 2.5");
    ASSERT_TRUE(waitFor([&] { return contains(slurp(out / eventsFileName), "silence"); }))
        << run->err();
    ASSERT_TRUE(pgServer().start()) << pgServer().log();
    ASSERT_TRUE(waitFor([&] { return contains(c->err(), "is back"); })) << c->err();
    ASSERT_TRUE(waitFor([&] { return tablesIn(database_).count(eventsFileName) == 1; }))
        << c->err();
    std::this_thread::sleep_for(std::chrono::seconds(2));
    run->signal(SIGTERM);
    ASSERT_EQ(run->wait(), 0) << run->err();
    EXPECT_FALSE(contains(run->err(), "wait for the archives")) << run->err();
    const auto files = folderFiles(out);
    ASSERT_TRUE(waitFor([&] { return sql(readingsQuery) == readingsOf(files); }))
        << sql(readingsQuery) << " in the database, " << readingsOf(files) << " in the folder\n"
        << c->err();
    EXPECT_EQ(tablesIn(database_), tablesOf(files));
}

TEST(PgCommandLine, WrongDatabaseOptionsAreSaidBeforeAnythingStarts) {
    const std::string collect = cli + " collect --mqtt mqtt://127.0.0.1:1 ";
    const struct {
        std::string args;
        int status;
        std::string says;
    } wrong[] = {
        {collect + "--db mysql://x@h/db", 2, "--db wants postgresql://USER@HOST[:PORT]/DB"},
        {collect + "--db postgresql://vrel:secret@h/db", 2, "never from the command line"},
        {collect + "--out-dir /tmp --share crowd", 2, "--share needs --db"},
        {collect + "--db postgresql://vrel@h/db --share 'A B'", 2, "--share wants"},
        {cli + " stats postgresql://vrel@h/db?site=yard", 1, "wants ?site=S&meter=M"},
    };
    for (const auto& w : wrong) {
        const ToolResult r = runTool(w.args);
        EXPECT_EQ(r.status, w.status) << w.args << "\n" << r.err;
        EXPECT_TRUE(contains(r.err, w.says)) << w.args << "\n" << r.err;
    }
}
