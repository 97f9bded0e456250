// vrel-cli report on a survey of a few days: the report made from the series,
// with the daily table, the figures and the curves on the clock with the gap.
#include "ToolRunner.h"

#include "recording/Recording.h"
#include "survey/Survey.h"

#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string cli = VREL_CLI;

constexpr std::time_t dec7at12 = 1796644800; // 2026-12-07 12:00:00 UTC
constexpr int stepSeconds = 10;
constexpr int days = 3;
// The cable pulled on the second day from 09:00 to 15:00.
constexpr std::time_t outageFrom = dec7at12 + 21 * 3600;
constexpr std::time_t outageTo = outageFrom + 6 * 3600;

double levelAt(std::time_t t) {
    const int hour = static_cast<int>(t / 3600 % 24);
    const double base = hour >= 7 && hour < 19 ? 62.0 : hour < 23 && hour >= 19 ? 55.0 : 44.0;
    return base + static_cast<double>(t / stepSeconds % 7);
}

fs::path writeSurvey(const std::string& name) {
    const fs::path dir = fs::path(VREL_TEST_TMP) / ("survey-report-" + name);
    fs::remove_all(dir);
    fs::create_directories(dir);
    const ManualClock utc;
    SurveyStore store(diskFileSystem(), utc, dir.string(), SurveySplit::Hour, stepSeconds, 100000);
    for (std::time_t t = dec7at12; t < dec7at12 + days * 86400; t += stepSeconds) {
        if (t >= outageFrom && t < outageTo)
            continue;
        store.addSample(CObjData(levelAt(t), recordTimeStamp(utc.local(t)), "dBA", 0, stepSeconds),
                        t * 1000);
    }
    store.addEvent(gapRow(utc, {SurveyMs(outageFrom) * 1000, SurveyMs(outageTo) * 1000,
                                "disconnected", "the cable"}));
    EXPECT_TRUE(store.close());
    return dir;
}

std::string quoted(const fs::path& p) {
    return "'" + p.string() + "'";
}

std::string tenth(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", v);
    return buf;
}

// Energy sums of the readings of a day's periods, from the pattern itself.
struct Energy {
    double sum = 0;
    long count = 0;
    void add(double level) {
        sum += std::pow(10.0, level / 10.0);
        ++count;
    }
    std::string text() const { return count ? tenth(level()) : "–"; }
    double level() const { return 10.0 * std::log10(sum / static_cast<double>(count)); }
};

// The daily table's rows as the words pdftotext shows: a day runs from
// 07:00 to 07:00, day 07–19, evening 19–23 (+5 dB), night 23–07 (+10 dB).
std::vector<std::vector<std::string>> expectedDays() {
    struct Day {
        Energy day, evening, night, all;
        double lmax = 0;
    };
    std::map<std::time_t, Day> byStart;
    for (std::time_t t = dec7at12; t < dec7at12 + days * 86400; t += stepSeconds) {
        if (t >= outageFrom && t < outageTo)
            continue;
        const std::time_t start = (t - 7 * 3600) / 86400 * 86400 + 7 * 3600;
        const int hour = static_cast<int>(t / 3600 % 24);
        Day& d = byStart[start];
        const double l = levelAt(t);
        (hour >= 7 && hour < 19 ? d.day : hour >= 19 && hour < 23 ? d.evening : d.night).add(l);
        d.all.add(l);
        d.lmax = std::max(d.lmax, l);
    }
    std::vector<std::vector<std::string>> rows;
    for (const auto& [start, d] : byStart) {
        const std::time_t midnight = start / 86400 * 86400;
        const std::tm tm = *std::gmtime(&midnight);
        char date[32];
        std::snprintf(date, sizeof date, "%02d-%02d-%04d", tm.tm_mday, tm.tm_mon + 1,
                      tm.tm_year + 1900);
        std::string lden = "–";
        if (d.day.count && d.evening.count && d.night.count)
            lden = tenth(10.0 * std::log10((12.0 * std::pow(10.0, d.day.level() / 10.0) +
                                            4.0 * std::pow(10.0, (d.evening.level() + 5) / 10.0) +
                                            8.0 * std::pow(10.0, (d.night.level() + 10) / 10.0)) /
                                           24.0));
        const double coverage = 100.0 * d.all.count * stepSeconds / 86400.0;
        // Nothing excluded, nothing residual: the survey has no marks.
        rows.push_back({date, d.day.text(), d.evening.text(), d.night.text(), lden, d.all.text(),
                        tenth(d.lmax), tenth(coverage), "%",
                        // nothing excluded, nothing residual
                        "0.0", "%", "0.0", "%"});
    }
    return rows;
}

std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> out;
    for (std::string w; in >> w;)
        out.push_back(w);
    return out;
}

bool holdsLine(const std::string& text, const std::vector<std::string>& expected) {
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        if (words(line) == expected)
            return true;
    return false;
}

// Whether a line holds these words one after another.
bool holdsWords(const std::string& text, const std::vector<std::string>& expected) {
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        if (const auto w = words(line);
            std::search(w.begin(), w.end(), expected.begin(), expected.end()) != w.end())
            return true;
    return false;
}

bool isCurveBlue(QRgb p) {
    return qBlue(p) > qRed(p) + 40;
}

} // namespace

TEST(CliSurveyReport, SeveralDaysGetTheDailyTableAndTheCurvesWithTheGap) {
    if (runTool("pdftotext -v").status != 0 || runTool("pdftoppm -v").status != 0)
        GTEST_SKIP() << "poppler-utils are not installed";
    const fs::path dir = writeSurvey("days");
    const fs::path out = dir.parent_path() / "survey-report-days.pdf";
    fs::remove(out);
    const ToolResult r = runTool("TZ=UTC " + cli + " report " + quoted(dir) + " " + quoted(out) +
                                 " --limit 70 --site 'Köprü başı'");
    ASSERT_EQ(r.status, 0) << r.err;

    // The title, figures and daily table on the first page; then the curve of
    // the whole survey and one for each of the four days it touches, three a page.
    const std::string info = runTool("pdfinfo " + quoted(out)).out;
    EXPECT_TRUE(holdsLine(info, {"Pages:", "3"})) << info;

    const std::string text = runTool("pdftotext -layout " + quoted(out) + " -").out;
    for (const char* expected :
         {"Gürültü Ölçüm Raporu", "Köprü başı", "Günlük tablo", "07-12-2026 12:00:00",
          "10-12-2026 12:00:00", "Sayfa 3 / 3", "Sınır 70.0 dB", "Bütün ölçüm"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
    const auto rows = expectedDays();
    ASSERT_EQ(rows.size(), 4u);
    for (const auto& row : rows)
        EXPECT_TRUE(holdsLine(text, row)) << row[0] << " " << row[1] << " " << row[4] << "\n"
                                          << text;

    Energy whole;
    for (std::time_t t = dec7at12; t < dec7at12 + days * 86400; t += stepSeconds)
        if (t < outageFrom || t >= outageTo)
            whole.add(levelAt(t));
    EXPECT_TRUE(holdsWords(text, {"Leq", whole.text(), "dB(A)"})) << whole.text() << "\n" << text;

    // The curve of the whole survey heads the second page: readings on both
    // sides of the outage, nothing drawn inside it.
    const fs::path png = dir.parent_path() / "survey-report-days";
    ASSERT_EQ(
        runTool("pdftoppm -f 2 -l 2 -r 100 -png -singlefile " + quoted(out) + " " + quoted(png))
            .status,
        0);
    const QImage page(QString::fromStdString(png.string() + ".png"));
    ASSERT_FALSE(page.isNull());
    const double dotsPerMm = page.width() / 210.0;
    const double span = days * 86400.0;
    auto xOf = [&](double seconds) {
        return static_cast<int>((32.0 + 156.0 * seconds / span) * dotsPerMm);
    };
    auto bluesIn = [&](int xa, int xb) {
        int n = 0;
        for (int x = xa; x < xb; ++x)
            for (int y = static_cast<int>(25 * dotsPerMm); y < static_cast<int>(100 * dotsPerMm);
                 ++y)
                n += isCurveBlue(page.pixel(x, y));
        return n;
    };
    const double gapFrom = static_cast<double>(outageFrom - dec7at12);
    const double gapTo = static_cast<double>(outageTo - dec7at12);
    const int gapA = xOf(gapFrom + 1800), gapB = xOf(gapTo - 1800);
    ASSERT_GT(gapB - gapA, 20);
    EXPECT_EQ(bluesIn(gapA, gapB), 0);
    EXPECT_GT(bluesIn(xOf(gapFrom - 4 * 3600), xOf(gapFrom - 1800)), 200);
    EXPECT_GT(bluesIn(xOf(gapTo + 1800), xOf(gapTo + 4 * 3600)), 200);
    // The gap's own grey ground, not the white paper.
    int paper = 0, all = 0;
    for (int x = gapA; x < gapB; ++x)
        for (int y = static_cast<int>(40 * dotsPerMm); y < static_cast<int>(90 * dotsPerMm);
             ++y, ++all)
            paper += page.pixel(x, y) == qRgb(255, 255, 255);
    EXPECT_LT(paper, all / 10);
    fs::remove_all(dir);
}

namespace {

// The marks of the tests: two exclusions overlapping, a residual span across
// midnight partly under one of them, the plant off at night, an event.
constexpr const char* marksFile =
    "start,end,kind,label,note\r\n"
    "2026-12-07T20:00:00+00:00,2026-12-07T22:00:00+00:00,exclude,rain,\r\n"
    "2026-12-07T21:00:00+00:00,2026-12-07T23:30:00+00:00,exclude,wind,gusts\r\n"
    "2026-12-07T23:00:00+00:00,2026-12-08T00:30:00+00:00,residual,plant off,\r\n"
    "2026-12-08T02:00:00+00:00,2026-12-08T04:00:00+00:00,residual,plant off,\"pumps 1, 2 "
    "stopped\"\r\n"
    "2026-12-09T10:00:00+00:00,2026-12-09T10:05:00+00:00,event,truck,\r\n";

bool markedExcluded(std::time_t t) {
    return t >= dec7at12 + 8 * 3600 && t < dec7at12 + 11 * 3600 + 1800;
}
bool markedResidual(std::time_t t) {
    return !markedExcluded(t) && ((t >= dec7at12 + 11 * 3600 && t < dec7at12 + 12 * 3600 + 1800) ||
                                  (t >= dec7at12 + 14 * 3600 && t < dec7at12 + 16 * 3600));
}

std::string pdfText(const fs::path& pdf) {
    return runTool("pdftotext -layout " + quoted(pdf) + " -").out;
}

} // namespace

TEST(CliSurveyReport, TheMarksAreListedAndTheFiguresFollowThem) {
    if (runTool("pdftotext -v").status != 0 || runTool("pdftoppm -v").status != 0)
        GTEST_SKIP() << "poppler-utils are not installed";
    const fs::path dir = writeSurvey("marks");
    std::ofstream(dir / "markers.csv", std::ios::binary) << marksFile;
    const fs::path out = dir.parent_path() / "survey-report-marks.pdf";
    const ToolResult r =
        runTool("TZ=UTC " + cli + " report " + quoted(dir) + " " + quoted(out) + " --lang tr");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string text = pdfText(out);

    Energy assessed, all, residual;
    std::size_t excluded = 0;
    for (std::time_t t = dec7at12; t < dec7at12 + days * 86400; t += stepSeconds) {
        if (t >= outageFrom && t < outageTo)
            continue;
        all.add(levelAt(t));
        if (markedExcluded(t))
            ++excluded;
        else if (markedResidual(t))
            residual.add(levelAt(t));
        else
            assessed.add(levelAt(t));
    }
    // The figures of the readings the marks leave beside those of all.
    EXPECT_TRUE(holdsWords(text, {"Gösterge", "Değerlendirilen", "Bütün", "okumalar"})) << text;
    EXPECT_TRUE(holdsWords(text, {"Leq", assessed.text(), "dB(A)", all.text(), "dB(A)"}))
        << assessed.text() << " " << all.text() << "\n"
        << text;
    // 3.5 hours excluded, 3 hours residual (23:30 to 00:30 and 02:00 to 04:00).
    EXPECT_EQ(excluded, 3u * 360 + 180);
    EXPECT_TRUE(
        holdsWords(text, {"Hariç", "tutulan", std::to_string(excluded), "okuma,", "3:30:00"}))
        << text;
    EXPECT_TRUE(
        holdsWords(text, {"Artık", "ses", std::to_string(residual.count), "okuma,", "3:00:00"}))
        << text;
    const double specific = 10.0 * std::log10(std::pow(10.0, assessed.level() / 10.0) -
                                              std::pow(10.0, residual.level() / 10.0));
    EXPECT_TRUE(
        holdsWords(text, {"Lartık", residual.text(), "dB(A)", "Lözgül", tenth(specific), "dB(A)"}))
        << text;

    // The day of the 7th: 3.5 of its 24 hours excluded, 3 residual.
    EXPECT_TRUE(holdsWords(text, {"14.6", "%", "12.5", "%"})) << text;

    // The table of marks, every one of them, as the file has them.
    EXPECT_TRUE(holdsLine(text, {"Tür", "Etiket", "Başlangıç", "Bitiş", "Süre", "Not"})) << text;
    EXPECT_TRUE(holdsLine(
        text, {"hariç", "rain", "07-12-2026", "20:00:00", "07-12-2026", "22:00:00", "2:00:00"}))
        << text;
    EXPECT_TRUE(holdsLine(text, {"hariç", "wind", "07-12-2026", "21:00:00", "07-12-2026",
                                 "23:30:00", "2:30:00", "gusts"}))
        << text;
    EXPECT_TRUE(
        holdsLine(text, {"artık", "ses", "plant", "off", "08-12-2026", "02:00:00", "08-12-2026",
                         "04:00:00", "2:00:00", "pumps", "1,", "2", "stopped"}))
        << text;
    EXPECT_TRUE(holdsLine(
        text, {"olay", "truck", "09-12-2026", "10:00:00", "09-12-2026", "10:05:00", "0:05:00"}))
        << text;

    // In English, and without the marks: no table, no second column.
    const fs::path english = dir.parent_path() / "survey-report-marks-en.pdf";
    ASSERT_EQ(
        runTool("TZ=UTC " + cli + " report " + quoted(dir) + " " + quoted(english) + " --lang en")
            .status,
        0);
    const std::string en = pdfText(english);
    for (const char* expected : {"Marks", "Assessed", "All readings", "Lres", "Lspecific", "Kind",
                                 "Label", "exclude", "residual"})
        EXPECT_NE(en.find(expected), std::string::npos) << expected << "\n" << en;
    const fs::path plain = dir.parent_path() / "survey-report-marks-none.pdf";
    ASSERT_EQ(runTool("TZ=UTC " + cli + " report " + quoted(dir) + " " + quoted(plain) +
                      " --lang tr --no-marks")
                  .status,
              0);
    const std::string none = pdfText(plain);
    EXPECT_TRUE(holdsWords(none, {"Leq", all.text(), "dB(A)"})) << none;
    EXPECT_EQ(none.find("Değerlendirilen"), std::string::npos) << none;
    EXPECT_EQ(none.find("İşaretler"), std::string::npos) << none;
}

TEST(CliSurveyReport, ALongListOfMarksRunsOverPages) {
    if (runTool("pdftotext -v").status != 0 || runTool("pdftoppm -v").status != 0)
        GTEST_SKIP() << "poppler-utils are not installed";
    const fs::path dir = writeSurvey("many-marks");
    // A note every half hour of the three days.
    std::string marks = "start,end,kind,label,note\n";
    constexpr int count = 144;
    for (int i = 0; i < count; ++i) {
        const std::time_t t = dec7at12 + i * 1800;
        const std::tm tm = *std::gmtime(&t);
        char line[160];
        std::snprintf(line, sizeof line,
                      "%04d-%02d-%02dT%02d:%02d:00+00:00,%04d-%02d-%02dT%02d:%02d:00+00:00,note,"
                      "n%03d,look %d\n",
                      tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                      tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min + 10, i,
                      i);
        marks += line;
    }
    std::ofstream(dir / "markers.csv", std::ios::binary) << marks;
    const fs::path out = dir.parent_path() / "survey-report-many-marks.pdf";
    const ToolResult r =
        runTool("TZ=UTC " + cli + " report " + quoted(dir) + " " + quoted(out) + " --lang tr");
    ASSERT_EQ(r.status, 0) << r.err;

    // Each mark once, in order, the table's heading on each page it runs over.
    const std::string text = pdfText(out);
    std::size_t at = 0;
    for (int i = 0; i < count; ++i) {
        char label[8];
        std::snprintf(label, sizeof label, "n%03d", i);
        const std::size_t found = text.find(std::string(label) + " ", at);
        ASSERT_NE(found, std::string::npos) << label << "\n" << text;
        EXPECT_EQ(text.find(std::string(label) + " ", found + 1), std::string::npos) << label;
        at = found;
    }
    std::size_t headings = 0;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        headings += words(line) ==
                    std::vector<std::string>{"Tür", "Etiket", "Başlangıç", "Bitiş", "Süre", "Not"};
    EXPECT_GE(headings, 3u) << text;
    // Notes change no figure: one column of figures, nothing left out.
    EXPECT_EQ(text.find("Değerlendirilen"), std::string::npos);
    EXPECT_TRUE(holdsWords(text, {"Hariç", "tutulan", "0", "okuma,", "0:00:00"})) << text;

    // The pages as a person sees them.
    const std::string info = runTool("pdfinfo " + quoted(out)).out;
    for (int page = 1; page <= 3; ++page)
        ASSERT_EQ(runTool("pdftoppm -f " + std::to_string(page) + " -l " + std::to_string(page) +
                          " -r 70 -png -singlefile " + quoted(out) + " " +
                          quoted(dir.parent_path() /
                                 ("survey-report-many-marks-" + std::to_string(page))))
                      .status,
                  0)
            << info;
}
