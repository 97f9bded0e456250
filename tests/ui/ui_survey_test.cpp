// The survey window on a folder of three days: it opens whole, a day's row
// zooms to that day, the cursors across midnight give the companion's figures,
// and a damaged file is named while the rest is shown.
#include "surveywindow/SurveyPlot.h"
#include "surveywindow/SurveyWindow.h"
#include "recording/Recording.h"
#include "survey/Survey.h"
#include "ui/Prompt.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>

namespace {

constexpr std::time_t dec7at12 = 1796644800; // 2026-12-07 12:00:00 UTC
constexpr int stepSeconds = 10;

// Writes a survey of three days at 10 s through the survey's own store: loud
// days, quiet nights, and half an hour with the cable pulled.
void writeSurvey(const QString& dir) {
    const ManualClock utc;
    SurveyStore store(diskFileSystem(), utc, QFile::encodeName(dir).toStdString(),
                      SurveySplit::Hour, stepSeconds, 100000);
    const std::time_t outageFrom = dec7at12 + 30 * 3600;
    const std::time_t outageTo = outageFrom + 1800;
    for (std::time_t t = dec7at12; t < dec7at12 + 3 * 86400; t += stepSeconds) {
        if (t >= outageFrom && t < outageTo)
            continue;
        const LocalTime lt = utc.local(t);
        const bool day = lt.hour >= 7 && lt.hour < 22;
        const double level = (day ? 62.0 : 44.0) + (t / stepSeconds) % 7;
        store.addSample(CObjData(level, recordTimeStamp(lt), "dBA", 0, stepSeconds), t * 1000);
    }
    store.addEvent(gapRow(utc, {SurveyMs(outageFrom) * 1000, SurveyMs(outageTo) * 1000,
                                "disconnected", "the cable"}));
    ASSERT_TRUE(store.close());
}

CSurveyWnd* openAndWait(const QString& dir) {
    CSurveyWnd* w = CSurveyWnd::open(dir);
    EXPECT_TRUE(QTest::qWaitFor([w] { return w->loaded(); }, 30000));
    return w;
}

QString cell(QTableWidget* t, int row, int column) {
    const QTableWidgetItem* item = t->item(row, column);
    return item ? item->text() : QString();
}

// vrel-cli stats on the folder, as name -> value.
std::map<std::string, std::string> cliStats(const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(VREL_CLI), QStringList{QStringLiteral("stats")} + args);
    EXPECT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    std::map<std::string, std::string> values;
    std::istringstream lines(p.readAllStandardOutput().toStdString());
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string name, value;
        if (fields >> name >> value)
            values.emplace(name, value);
    }
    return values;
}

class SurveyWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        writeSurvey(dir.path());
    }
    QTemporaryDir dir;
    ScriptedPrompt answers;
    ScopedPrompt scope{answers};
};

TEST_F(SurveyWindowTest, OpensWholeAndADaysRowZoomsToThatDay) {
    std::unique_ptr<CSurveyWnd> w(openAndWait(dir.path()));
    ASSERT_TRUE(w->loaded());
    EXPECT_TRUE(answers.messages().empty());
    const SeriesStore& s = w->series();
    EXPECT_EQ(s.size(), 3u * 8640 - 180);
    EXPECT_EQ(w->plot()->span().t0(), s.start());
    EXPECT_EQ(w->plot()->span().t1(), s.end());
    ASSERT_EQ(s.gaps().size(), 1u);
    EXPECT_EQ(s.gaps()[0].cause, "disconnected");

    // Days run from 07:00: the 7th (from noon), the 8th, the 9th, and the
    // morning of the 10th.
    QTableWidget* daily = w->dailyTable();
    ASSERT_EQ(daily->rowCount(), 4);
    EXPECT_EQ(cell(daily, 1, 0), "08-12-2026");
    daily->setCurrentCell(1, 0);
    emit daily->cellClicked(1, 0);
    EXPECT_EQ(s.localOf(w->plot()->span().t0()), (SurveyMs(dec7at12) + 19 * 3600) * 1000);
    EXPECT_EQ(w->plot()->span().t1() - w->plot()->span().t0(), 86400 * 1000);
    w->plot()->back();
    EXPECT_EQ(w->plot()->span().t1() - w->plot()->span().t0(), s.end() - s.start());

    // The hourly table comes on demand.
    EXPECT_TRUE(w->hourlyTable()->isHidden());
    const QImage shot = w->grab().toImage();
    EXPECT_FALSE(shot.isNull());
    shot.save(QStringLiteral(VREL_TEST_OUT "/survey-window.png"));
}

TEST_F(SurveyWindowTest, CursorsAcrossMidnightGiveTheCompanionsFigures) {
    std::unique_ptr<CSurveyWnd> w(openAndWait(dir.path()));
    ASSERT_TRUE(w->loaded());
    const SeriesStore& s = w->series();
    const SurveyMs from = (SurveyMs(dec7at12) + 34 * 3600) * 1000; // 08-12 22:00
    const SurveyMs to = (SurveyMs(dec7at12) + 40 * 3600) * 1000;   // 09-12 04:00
    w->plot()->setCursors(s.seriesOfLocal(from), s.seriesOfLocal(to));
    const auto cli =
        cliStats({dir.path(), QStringLiteral("--from"), QStringLiteral("2026-12-08T22:00"),
                  QStringLiteral("--to"), QStringLiteral("2026-12-09T04:00")});
    QTableWidget* f = w->figuresTable();
    const int column = CSurveyWnd::BetweenCursors + 1;
    const std::pair<CSurveyWnd::FigureRow, const char*> rows[] = {
        {CSurveyWnd::Leq, "Leq"}, {CSurveyWnd::Lmax, "Lmax"}, {CSurveyWnd::Lmin, "Lmin"},
        {CSurveyWnd::L10, "L10"}, {CSurveyWnd::L50, "L50"},   {CSurveyWnd::L90, "L90"}};
    for (const auto& [row, name] : rows) {
        ASSERT_TRUE(cli.count(name)) << name;
        EXPECT_NEAR(cell(f, row, column).toDouble(), std::stod(cli.at(name)), 0.051) << name;
    }
}

TEST_F(SurveyWindowTest, ADamagedFileIsNamedAndTheRestIsShown) {
    QFile bad(dir.filePath(QStringLiteral("survey-2026-12-10T12.txt")));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("this is not a data file\r\n");
    bad.close();
    std::unique_ptr<CSurveyWnd> w(openAndWait(dir.path()));
    ASSERT_TRUE(w->loaded());
    EXPECT_EQ(w->series().size(), 3u * 8640 - 180);
    ASSERT_EQ(answers.messages().size(), 1u);
    EXPECT_TRUE(answers.messages()[0].text.contains(QStringLiteral("survey-2026-12-10T12.txt")))
        << answers.messages()[0].text.toStdString();
}

} // namespace
