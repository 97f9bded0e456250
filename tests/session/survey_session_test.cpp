// The survey both programs run, driven as they drive it: every output gets
// exactly the samples, gaps and summary rows the folder's files hold, one
// that fails is told once and left out while the files and the others go on,
// and a survey started again on the folder tells its outputs where it was not
// running.
#include "SimulatedMeterTest.h"
#include "formats/TextDataFile.h"
#include "link/MeterSession.h"
#include "model/Clock.h"
#include "session/SurveySession.h"
#include "survey/Survey.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

constexpr int waitMs = 20000;

class Recorder final : public SurveyOutput {
  public:
    void sample(SurveyMs t, const CObjData& s) override {
        times.push_back(t);
        values.push_back(s.value());
    }
    void gap(const Gap& g) override { gaps.push_back(g); }
    void summaryRow(const std::string& row) override { rows.push_back(row); }
    std::vector<SurveyMs> times;
    std::vector<double> values;
    std::vector<Gap> gaps;
    std::vector<std::string> rows;
};

class Broken final : public SurveyOutput {
  public:
    void sample(SurveyMs, const CObjData&) override {
        ++calls;
        throw std::runtime_error("the disk of this output is full");
    }
    int calls = 0;
};

std::vector<double> folderLevels(const std::string& dir) {
    std::vector<std::string> names;
    for (const QString& n : QDir(QString::fromStdString(dir)).entryList(QDir::Files))
        names.push_back(dir + "/" + n.toStdString());
    std::vector<double> levels;
    for (const std::string& f : surveyDataFiles(names))
        for (const CObjData& r : ReadTextDataFile(f).records)
            levels.push_back(r.value());
    return levels;
}

// The rows of one of the folder's CSV files, each with its line end.
std::vector<std::string> csvRows(const std::string& dir, const char* name) {
    std::ifstream in(dir + "/" + name, std::ios::binary);
    std::vector<std::string> rows;
    std::string line;
    std::getline(in, line); // the header
    while (std::getline(in, line))
        rows.push_back(line + "\n");
    return rows;
}

class SurveySessionTest : public SimulatedMeterTest {
  protected:
    void SetUp() override {
        SimulatedMeterTest::SetUp();
        if (HasFatalFailure())
            return;
        folder = dir.filePath(QStringLiteral("survey")).toStdString();
        ASSERT_FALSE(prepareSurveyFolder(folder));
        ASSERT_TRUE(meter.openChosen(linkPath, -1));
    }

    SurveySettings settings() const {
        SurveySettings s;
        s.dir = folder;
        s.interval = 0.1;
        s.summarySeconds = 60;
        resumeSurvey(s, clock);
        return s;
    }

    std::string folder;
    SystemClock clock;
    MeterSession meter{clock};
};

TEST_F(SurveySessionTest, OutputsGetWhatTheFilesHoldAndABrokenOneStopsNothing) {
    Recorder before, after;
    Broken broken;
    {
        SurveySession survey(meter, clock, settings());
        survey.addOutput(before);
        survey.addOutput(broken);
        survey.addOutput(after);
        QSignalSpy failed(&survey, &SurveySession::outputFailed);
        survey.start();
        ASSERT_TRUE(QTest::qWaitFor([&] { return after.values.size() >= 10; }, waitMs));

        // The cable pulled and put back: a gap with the port's reason.
        sim.hangUp();
        QTest::qWait(500);
        sim.setConstantLevel(70.0);
        QString error;
        ASSERT_TRUE(sim.start(&error)) << error.toStdString();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !after.gaps.empty(); }, waitMs));
        const std::size_t n = after.values.size();
        ASSERT_TRUE(QTest::qWaitFor([&] { return after.values.size() >= n + 5; }, waitMs));
        ASSERT_TRUE(survey.stop());

        EXPECT_EQ(failed.count(), 1);
        EXPECT_TRUE(failed.value(0).value(0).toString().contains("full"));
        EXPECT_EQ(broken.calls, 1) << "left out after it failed";
    }
    const std::vector<double> files = folderLevels(folder);
    ASSERT_FALSE(files.empty());
    EXPECT_EQ(before.values, files);
    EXPECT_EQ(after.values, files);
    EXPECT_EQ(after.values.back(), 70.0);
    ASSERT_EQ(after.gaps.size(), 1u);
    EXPECT_EQ(after.gaps[0].cause, "disconnected");
    const std::vector<std::string> events = csvRows(folder, eventsFileName);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(gapRow(clock, after.gaps[0]), events[0]);
    const std::vector<std::string> rows = csvRows(folder, summaryFileName);
    ASSERT_FALSE(rows.empty()) << "the row the end cut short at least";
    EXPECT_EQ(before.rows, rows);
    EXPECT_EQ(after.rows, rows);

    // Started again on the folder: its outputs hear first of the time it was
    // not running, as events.csv does.
    Recorder resumed;
    SurveySession again(meter, clock, settings());
    again.addOutput(resumed);
    again.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !resumed.values.empty(); }, waitMs));
    ASSERT_TRUE(again.stop());
    ASSERT_FALSE(resumed.gaps.empty());
    EXPECT_EQ(resumed.gaps[0].cause, "restart");
    EXPECT_EQ(resumed.gaps[0].end, resumed.times[0]);
    EXPECT_EQ(gapRow(clock, resumed.gaps[0]), csvRows(folder, eventsFileName).at(1));
    std::vector<std::string> later = csvRows(folder, summaryFileName);
    ASSERT_GE(later.size(), rows.size());
    later.erase(later.begin(), later.begin() + static_cast<std::ptrdiff_t>(rows.size()));
    EXPECT_EQ(resumed.rows, later);
}

TEST_F(SurveySessionTest, HoldIsToldOnceEachWayAndTheEndComesByItself) {
    SurveySession survey(meter, clock, settings());
    QSignalSpy hold(&survey, &SurveySession::holdChanged);
    QSignalSpy end(&survey, &SurveySession::endReached);
    survey.setEnd(clock.nowMs() + 3000);
    survey.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return survey.runner().samples() >= 3; }, waitMs));
    sim.setHold(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return hold.count() == 1; }, waitMs));
    EXPECT_TRUE(survey.onHold());
    sim.setHold(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return hold.count() == 2; }, waitMs));
    EXPECT_FALSE(survey.onHold());
    ASSERT_TRUE(QTest::qWaitFor([&] { return end.count() == 1; }, waitMs));
    const long long samples = survey.runner().samples();
    QTest::qWait(300);
    EXPECT_EQ(survey.runner().samples(), samples) << "no tick after the end";
    EXPECT_TRUE(survey.stop());
}

} // namespace
