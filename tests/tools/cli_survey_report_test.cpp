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
                        tenth(d.lmax), tenth(coverage), "%", "0.0", "%", "0.0", "%"});
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
