// vrel-cli mark, weather and stats under marks: the figures of a marked
// survey against those of a file of just the readings the marks leave.
#include "SurveyFolder.h"
#include "ToolRunner.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;

namespace {

using namespace testsurvey;

// Local times are UTC, whatever the machine's zone.
const std::string cli = "TZ=UTC " + std::string(VREL_CLI);

// A reading a minute from 8 December 20:00 to 10 December 02:00; the plant
// was off on the 9th from 03:00 to 04:00.
struct Reading {
    int day, hour, minute;
    double level;
    int minutes() const { return ((day - 8) * 24 + hour) * 60 + minute; }
    Wall wall() const { return {2026, 12, day, hour, minute, 0}; }
};

std::vector<Reading> survey() {
    std::vector<Reading> readings;
    for (int m = 20 * 60, k = 0; m < (2 * 24 + 2) * 60; ++m, ++k) {
        const int day = 8 + m / 1440, hour = m / 60 % 24, minute = m % 60;
        const bool off = day == 9 && hour == 3;
        readings.push_back({day, hour, minute, off ? 35.0 : 60.25 + k % 9});
    }
    return readings;
}

// Minutes since 8 December 00:00.
int at(int day, int hour, int minute) {
    return ((day - 8) * 24 + hour) * 60 + minute;
}

struct Span {
    int from, to;
    bool holds(const Reading& r) const { return from <= r.minutes() && r.minutes() < to; }
};

// The marks the tests add: across midnight, overlapping across an hour file,
// the plant off, and an event that changes nothing.
const char* const markArgs[] = {
    "--from 2026-12-08T23:30 --to 2026-12-09T00:45 --kind exclude --label rain",
    "--from 2026-12-09T00:30 --to 2026-12-09T01:10 --kind exclude --label wind",
    "--from 2026-12-09T03:00 --to 2026-12-09T04:00 --kind residual --label 'plant off' "
    "--note 'pumps 1, 2 stopped'",
    "--from 2026-12-09T10:00 --to 2026-12-09T10:05 --kind event --label truck",
};
const Span excludedSpans[] = {{at(8, 23, 30), at(9, 0, 45)}, {at(9, 0, 30), at(9, 1, 10)}};
const Span residualSpan{at(9, 3, 0), at(9, 4, 0)};

bool excluded(const Reading& r) {
    return excludedSpans[0].holds(r) || excludedSpans[1].holds(r);
}

fs::path markedSurvey(const std::string& name) {
    const fs::path dir = emptyFolder(fs::path(VREL_TEST_TMP) / ("marks-" + name)) / "survey";
    fs::create_directories(dir);
    writeHourFiles(dir, survey(), 60.0);
    for (const char* args : markArgs) {
        const auto r = runTool(cli + " mark " + quoted(dir) + " " + args);
        EXPECT_EQ(r.status, 0) << args << ": " << r.err;
    }
    return dir;
}

// The lines before the first named name.
std::string before(const std::string& out, const std::string& name) {
    const auto at = out.find("\n" + name + "\t");
    return at == std::string::npos ? out : out.substr(0, at + 1);
}

TEST(CliMarks, MarksAreAddedListedAndDeleted) {
    const fs::path dir = markedSurvey("list");
    const auto list = runTool(cli + " mark " + quoted(dir) + " --list");
    ASSERT_EQ(list.status, 0) << list.err;
    EXPECT_EQ(list.out,
              "1\t2026-12-08T23:30:00+00:00\t2026-12-09T00:45:00+00:00\texclude\train\t\n"
              "2\t2026-12-09T00:30:00+00:00\t2026-12-09T01:10:00+00:00\texclude\twind\t\n"
              "3\t2026-12-09T03:00:00+00:00\t2026-12-09T04:00:00+00:00\tresidual\tplant off\t"
              "pumps 1, 2 stopped\n"
              "4\t2026-12-09T10:00:00+00:00\t2026-12-09T10:05:00+00:00\tevent\ttruck\t\n");
    EXPECT_EQ(slurp(dir / "markers.csv"),
              "start,end,kind,label,note\r\n"
              "2026-12-08T23:30:00+00:00,2026-12-09T00:45:00+00:00,exclude,rain,\r\n"
              "2026-12-09T00:30:00+00:00,2026-12-09T01:10:00+00:00,exclude,wind,\r\n"
              "2026-12-09T03:00:00+00:00,2026-12-09T04:00:00+00:00,residual,plant off,"
              "\"pumps 1, 2 stopped\"\r\n"
              "2026-12-09T10:00:00+00:00,2026-12-09T10:05:00+00:00,event,truck,\r\n");

    ASSERT_EQ(runTool(cli + " mark " + quoted(dir) + " --delete 2").status, 0);
    const auto after = runTool(cli + " mark " + quoted(dir) + " --list");
    EXPECT_EQ(after.out.substr(0, after.out.find('\n')),
              "1\t2026-12-08T23:30:00+00:00\t2026-12-09T00:45:00+00:00\texclude\train\t");
    EXPECT_EQ(after.out.find("wind"), std::string::npos);
    EXPECT_NE(after.out.find("\n3\t2026-12-09T10:00:00+00:00\t"), std::string::npos);
    const auto missing = runTool(cli + " mark " + quoted(dir) + " --delete 9");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "vrel-cli mark: there is no mark 9\n");

    const std::string mark = cli + " mark " + quoted(dir) + " ";
    for (const char* bad : {
             "--from 2026-12-09T02:00 --to 2026-12-09T01:00 --kind exclude --label rain",
             "--from 2026-12-09T01:00 --to 2026-12-09T01:00 --kind exclude --label rain",
             "--from 2026-12-09T01:00 --to 2026-12-09T02:00 --kind dry --label rain",
             "--from 2026-12-09T01:00 --to 2026-12-09T02:00 --kind exclude",
             "--from 2026-12-09T01:00 --to tomorrow --kind exclude --label rain",
             "--list --delete 1",
             "--delete first",
         }) {
        const auto r = runTool(mark + bad);
        EXPECT_TRUE(isUsageError(r, "mark")) << bad << ": " << r.err;
    }
    EXPECT_EQ(runTool(cli + " mark " + quoted(dir) + " --list").out, after.out)
        << "a refused mark changes nothing";
    // A mistyped folder does not become a marks file.
    const auto typo = runTool(cli + " mark " + quoted(fs::path(dir.string() + "x")) +
                              " --from 2026-12-09T01:00 --to 2026-12-09T02:00 --kind note "
                              "--label a");
    EXPECT_TRUE(isUsageError(typo, "mark")) << typo.err;
    EXPECT_FALSE(fs::exists(dir.string() + "x"));
}

TEST(CliMarks, StatsAreThoseOfTheReadingsTheMarksLeave) {
    const fs::path dir = markedSurvey("stats");
    const auto readings = survey();
    std::vector<Reading> kept;
    std::vector<double> keptLevels, residualLevels;
    std::size_t excludedCount = 0;
    for (const Reading& r : readings) {
        if (excluded(r)) {
            ++excludedCount;
        } else if (residualSpan.holds(r)) {
            residualLevels.push_back(r.level);
        } else {
            kept.push_back(r);
            keptLevels.push_back(r.level);
        }
    }
    ASSERT_EQ(excludedCount, 100u);
    const fs::path keptFile = writeOneFile(dir.parent_path() / "kept.txt", kept, 60.0);
    const fs::path allFile = writeOneFile(dir.parent_path() / "all.txt", readings, 60.0);

    const auto marked = runTool(cli + " stats " + quoted(dir));
    ASSERT_EQ(marked.status, 0) << marked.err;
    EXPECT_EQ(marked.err, "");
    const auto alone = runTool(cli + " stats " + quoted(keptFile));
    ASSERT_EQ(alone.status, 0) << alone.err;
    EXPECT_EQ(before(marked.out, "excluded"), alone.out);
    const double leq = energyMean(keptLevels), lres = energyMean(residualLevels);
    EXPECT_EQ(marked.out.substr(alone.out.size()),
              "excluded\t100\treadings\n"
              "residual\t60\treadings\n"
              "Lres\t" +
                  fixed2(lres) +
                  "\tdBA\n"
                  "Lspecific\t" +
                  fixed2(10 * std::log10(std::pow(10.0, leq / 10) - std::pow(10.0, lres / 10))) +
                  "\tdBA\n");

    // --no-marks: the figures of every reading.
    const auto all = runTool(cli + " stats " + quoted(dir) + " --no-marks");
    ASSERT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(all.out, runTool(cli + " stats " + quoted(allFile)).out);

    // A single data file with the folder's marks.
    const auto file =
        runTool(cli + " stats " + quoted(allFile) + " --marks " + quoted(dir / "markers.csv"));
    ASSERT_EQ(file.status, 0) << file.err;
    EXPECT_EQ(file.out, marked.out);

    // --from and --to: the marks within the span.
    const auto span =
        runTool(cli + " stats " + quoted(dir) + " --from 2026-12-09T00:00 --to 2026-12-09T02:00");
    ASSERT_EQ(span.status, 0) << span.err;
    EXPECT_EQ(span.out.substr(0, 14), "count\t50\treadi") << span.out;
    EXPECT_NE(span.out.find("\nexcluded\t70\treadings\nresidual\t0\treadings\n"), std::string::npos)
        << span.out;
    EXPECT_EQ(span.out.find("Lres"), std::string::npos) << "no residual readings in the span";
}

TEST(CliMarks, TheSpecificLevelIsNotDeterminableCloseToTheResidual) {
    const fs::path dir = emptyFolder(fs::path(VREL_TEST_TMP) / "marks-close");
    const fs::path allFile = writeOneFile(dir / "all.txt", survey(), 60.0);
    // The residual sound of a loud hour is within 3 dB of the rest.
    std::ofstream(dir / "marks.csv", std::ios::binary)
        << "start,end,kind,label,note\r\n"
           "2026-12-09T12:00:00Z,2026-12-09T13:00:00+00:00,residual,plant off,\r\n";
    const auto r =
        runTool(cli + " stats " + quoted(allFile) + " --marks " + quoted(dir / "marks.csv"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\nresidual\t60\treadings\nLres\t"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\nLspecific\tnot determinable\tthe difference is 3 dB or less\n"),
              std::string::npos)
        << r.out;
}

TEST(CliMarks, TheDailyLinesSayWhatWasLeftOut) {
    const fs::path dir = markedSurvey("daily");
    const auto r = runTool(cli + " stats --daily " + quoted(dir));
    ASSERT_EQ(r.status, 0) << r.err;
    // The day of 8 December runs to 07:00 on the 9th: all of the marks but
    // the event, and 20:00 to 07:00 of readings.
    const std::size_t kept = 11 * 60 - 100 - 60;
    const std::string tail = "\t" + fixed2(100.0 * kept / 1440) + "\t" +
                             fixed2(100.0 * 100 / 1440) + "\t" + fixed2(100.0 * 60 / 1440) + "\n";
    const auto day = r.out.find("day\t08-12-2026\t");
    ASSERT_NE(day, std::string::npos) << r.out;
    const std::string line = r.out.substr(day, r.out.find('\n', day) + 1 - day);
    EXPECT_EQ(line.substr(line.size() - tail.size()), tail) << line;
    EXPECT_NE(r.out.find("\t0.00\t0.00\n", day + line.size()), std::string::npos)
        << "the 9th has nothing left out";
}

TEST(CliMarks, ADamagedMarksFileIsNamedAndTheRestRead) {
    const fs::path dir = markedSurvey("damaged");
    const auto good = runTool(cli + " stats " + quoted(dir));
    const std::string path = (dir / "markers.csv").string();
    const std::string text = slurp(path);
    std::ofstream(path, std::ios::binary)
        << text.substr(0, text.find("\r\n") + 2)
        << "2026-12-09T05:00:00+00:00,2026-12-09T06:00:00+00:00,exclude\r\n"
        << text.substr(text.find("\r\n") + 2);
    const auto r = runTool(cli + " stats " + quoted(dir));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "vrel-cli stats: " + path +
                         " line 2: not five fields start,end,kind,label,note; left out\n");
    EXPECT_EQ(r.out, good.out);

    // An edit would drop the line: refused, the file left as it is.
    const std::string damaged = slurp(path);
    const auto edit = runTool(cli + " mark " + quoted(dir) + " --delete 1");
    EXPECT_EQ(edit.status, 1);
    EXPECT_NE(edit.err.find("damaged lines"), std::string::npos) << edit.err;
    EXPECT_EQ(slurp(path), damaged);

    // A file that is not a marks file is refused.
    const auto wrong = runTool(cli + " stats " + quoted(dir) + " --marks " +
                               quoted(dir / "survey-2026-12-09T03.txt"));
    EXPECT_EQ(wrong.status, 1);
    EXPECT_EQ(wrong.err, "vrel-cli stats: " + (dir / "survey-2026-12-09T03.txt").string() +
                             " is not a marks file: its first line is not "
                             "start,end,kind,label,note\n");
    const auto absent =
        runTool(cli + " stats " + quoted(dir) + " --marks " + quoted(dir / "none.csv"));
    EXPECT_EQ(absent.status, 1);
    EXPECT_NE(absent.err.find("there is no marks file"), std::string::npos) << absent.err;
}

TEST(CliMarks, WeatherRowsOverTheLimitBecomeMarks) {
    const fs::path dir = markedSurvey("weather");
    const fs::path weather = dir.parent_path() / "weather.csv";
    std::ofstream(weather, std::ios::binary) << "Time,Wind (m/s),Rain\r\n"
                                                "2026-12-09 05:00,2.0,0\r\n"
                                                "2026-12-09 05:10,6.5,0\r\n"
                                                "2026-12-09 05:20,7.0,0.2\r\n"
                                                "2026-12-09 05:30,3.0,0.4\r\n"
                                                "2026-12-09 05:40,5.0,\r\n"
                                                "2026-12-09 06:30,9.0,0\r\n";
    const std::string import = cli + " weather " + quoted(dir) + " " + quoted(weather) +
                               " --wind-above 5 --rain --wind-column 'Wind (m/s)'";
    const auto r = runTool(import);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "added\t3\tmarks\n");
    const auto list = runTool(cli + " mark " + quoted(dir) + " --list");
    // Rows that touch are one mark; the row before an outage covers at most
    // two steps, the last row one.
    EXPECT_NE(list.out.find("\n4\t2026-12-09T05:10:00+00:00\t2026-12-09T05:30:00+00:00\texclude\t"
                            "wind\twind above 5 m/s\n"
                            "5\t2026-12-09T05:20:00+00:00\t2026-12-09T05:40:00+00:00\texclude\t"
                            "rain\train\n"
                            "6\t2026-12-09T06:30:00+00:00\t2026-12-09T06:40:00+00:00\texclude\t"
                            "wind\twind above 5 m/s\n"
                            "7\t2026-12-09T10:00:00+00:00\t"),
              std::string::npos)
        << list.out;
    EXPECT_EQ(runTool(import).out, "added\t0\tmarks\n") << "the same file again adds nothing";

    // A file it cannot read is refused with the line that failed; the marks stay.
    const std::string before = slurp(dir / "markers.csv");
    const struct {
        const char* text;
        const char* error;
    } broken[] = {
        {"Time,Wind (m/s),Rain\r\n2026-12-09 05:00,2.0,0\r\n2026-12-09 05:10,fast,0\r\n",
         " line 3: 'fast' is not a wind speed in m/s\n"},
        {"Time,Wind (m/s),Rain\r\n2026-12-09 05:00,2.0,0\r\n09.12.2026 05:10,2.0,0\r\n",
         " line 3: '09.12.2026 05:10' is not a time such as 2026-11-02 22:30\n"},
        {"Time,Wind (m/s),Rain\r\n2026-12-09 05:00,2.0,0\r\n2026-12-09 05:10,2.0\r\n",
         " line 3: 2 fields, the header names 3\n"},
        {"Time,Wind (m/s),Rain\r\n2026-12-09 05:10,2.0,0\r\n2026-12-09 05:00,2.0,0\r\n",
         " line 3: its time is not after the line before's\n"},
        {"When,Wind (m/s),Rain\r\n2026-12-09 05:10,2.0,0\r\n",
         " line 1: the header has no column 'time' (name it with --time-column)\n"},
    };
    for (const auto& b : broken) {
        std::ofstream(weather, std::ios::binary) << b.text;
        const auto refused = runTool(import);
        EXPECT_EQ(refused.status, 1);
        EXPECT_EQ(refused.err, "vrel-cli weather: " + weather.string() + b.error);
        EXPECT_EQ(refused.out, "");
    }
    EXPECT_EQ(slurp(dir / "markers.csv"), before);
}

} // namespace

namespace {

using Sheet = std::vector<std::vector<std::string>>;

// A sheet of a workbook as its cells' texts, numbers as written.
Sheet workbookSheet(const fs::path& book, int sheet) {
    const std::string xml = runTool("unzip -p " + quoted(book) + " xl/worksheets/sheet" +
                                    std::to_string(sheet) + ".xml")
                                .out;
    const std::string sharedXml = runTool("unzip -p " + quoted(book) + " xl/sharedStrings.xml").out;
    std::vector<std::string> shared;
    const std::regex si(R"(<si><t[^>]*>([^<]*)</t></si>)");
    for (std::sregex_iterator i(sharedXml.begin(), sharedXml.end(), si), end; i != end; ++i)
        shared.push_back((*i)[1]);
    Sheet out;
    const std::regex c(R"rx(<c r="([A-Z])([0-9]+)"([^>]*?)(/>|>(.*?)</c>))rx");
    for (std::sregex_iterator i(xml.begin(), xml.end(), c), end; i != end; ++i) {
        const auto row = static_cast<std::size_t>(std::stoi((*i)[2]) - 1);
        const auto column = static_cast<std::size_t>((*i)[1].str()[0] - 'A');
        if (out.size() <= row)
            out.resize(row + 1);
        if (out[row].size() <= column)
            out[row].resize(column + 1);
        std::smatch v;
        const std::string inner = (*i)[5];
        if (!std::regex_search(inner, v, std::regex("<v>([^<]*)</v>")))
            continue;
        const bool text = (*i)[3].str().find("t=\"s\"") != std::string::npos;
        out[row][column] = text ? shared.at(std::stoul(v[1])) : v[1].str();
    }
    return out;
}

// The sheets' names in their order.
std::vector<std::string> sheetNames(const fs::path& book) {
    const std::string xml = runTool("unzip -p " + quoted(book) + " xl/workbook.xml").out;
    std::vector<std::string> names;
    const std::regex sheet(R"rx(<sheet name="([^"]*)")rx");
    for (std::sregex_iterator i(xml.begin(), xml.end(), sheet), end; i != end; ++i)
        names.push_back((*i)[1]);
    return names;
}

// stats' NAME -> VALUE.
std::map<std::string, std::string> statsOf(const std::string& out) {
    std::map<std::string, std::string> values;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);)
        values[line.substr(0, line.find('\t'))] = line.substr(
            line.find('\t') + 1, line.find('\t', line.find('\t') + 1) - line.find('\t') - 1);
    return values;
}

} // namespace

TEST(CliMarks, TheWorkbookHasTheMarksAndFiguresAsStatsHasThem) {
    const fs::path dir = markedSurvey("workbook");
    const fs::path book = dir.parent_path() / "survey.xlsx";
    const auto r = runTool(cli + " export " + quoted(dir) + " " + quoted(book));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(sheetNames(book),
              std::vector<std::string>({"Sheet1", "Akustik", "Maruziyet", "Çevre", "Günler",
                                        "Saatler", "Değerler", "İşaretler", "Arka plan"}));

    // The readings' own sheets leave out what the marks do: 1800 readings
    // less the 100 excluded and 60 residual.
    const Sheet readings = workbookSheet(book, 1);
    EXPECT_EQ(readings.size(), 6u + 1800 - 160);

    const Sheet marks = workbookSheet(book, 8);
    ASSERT_EQ(marks.size(), 5u);
    EXPECT_EQ(marks[0],
              std::vector<std::string>({"Tür", "Etiket", "Başlangıç", "Bitiş", "Süre", "Not"}));
    EXPECT_EQ(marks[1], std::vector<std::string>({"hariç", "rain", "08-12-2026 23:30:00",
                                                  "09-12-2026 00:45:00", "1:15:00"}));
    EXPECT_EQ(marks[3],
              std::vector<std::string>({"artık ses", "plant off", "09-12-2026 03:00:00",
                                        "09-12-2026 04:00:00", "1:00:00", "pumps 1, 2 stopped"}));
    EXPECT_EQ(marks[4][0], "olay");

    // Every figure the sheet and stats both give is the same, of the
    // readings the marks leave and of all of them.
    const Sheet figures = workbookSheet(book, 7);
    ASSERT_GE(figures.size(), 2u);
    EXPECT_EQ(figures[0],
              std::vector<std::string>({"Değer", "Değerlendirilen", "Bütün okumalar", "Birim"}));
    const auto assessed = statsOf(runTool(cli + " stats " + quoted(dir)).out);
    const auto all = statsOf(runTool(cli + " stats --no-marks " + quoted(dir)).out);
    const std::map<std::string, std::string> names = {
        {"Okuma", "count"},      {"Leq", "Leq"},        {"Lmax", "Lmax"},     {"Lmin", "Lmin"},
        {"L10", "L10"},          {"L50", "L50"},        {"L90", "L90"},       {"Lartık", "Lres"},
        {"Lözgül", "Lspecific"}, {"Hariç", "excluded"}, {"Artık", "residual"}};
    std::size_t compared = 0;
    for (const auto& row : figures) {
        const auto name = names.find(row[0]);
        if (name == names.end())
            continue;
        ++compared;
        const bool count =
            name->second == "count" || name->second == "excluded" || name->second == "residual";
        auto asStats = [&](const std::string& cell) {
            return count ? cell : fixed2(std::stod(cell));
        };
        EXPECT_EQ(asStats(row.at(1)), assessed.at(name->second)) << row[0];
        if (all.count(name->second)) {
            EXPECT_EQ(asStats(row.at(2)), all.at(name->second)) << row[0];
        }
    }
    EXPECT_EQ(compared, names.size());

    // Without the marks the readings are all there and no mark is listed.
    const fs::path plain = dir.parent_path() / "plain.xlsx";
    ASSERT_EQ(runTool(cli + " export --no-marks " + quoted(dir) + " " + quoted(plain)).status, 0);
    EXPECT_EQ(workbookSheet(plain, 1).size(), 6u + 1800);
    EXPECT_EQ(workbookSheet(plain, 8).size(), 1u);
}
