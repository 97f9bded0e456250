// A survey started from the program on the simulated meter: without a meter
// it says so; with one it runs in a survey window that grows and follows the
// newest readings; "Durdur" leaves the files the survey engine writes for the
// same samples; started again on the folder it goes on there after a restart
// gap; closing asks first and then finishes the files.
#include "app/MainFrame.h"
#include "app/MyVrelView.h"
#include "app/Translation.h"
#include "link/MeterLink.h"
#include "link/MeterSimulator.h"
#include "model/Clock.h"
#include "model/TimeLabels.h"
#include "recording/TickRule.h"
#include "survey/SeriesReader.h"
#include "survey/Survey.h"
#include "survey/SurveyRunner.h"
#include "surveywindow/LiveSurvey.h"
#include "surveywindow/SurveyPlot.h"
#include "surveywindow/SurveyWindow.h"
#include "ui/Prompt.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <functional>
#include <sstream>

namespace {

constexpr int generousMs = 20000;

bool waitFor(const std::function<bool()>& condition) {
    return QTest::qWaitFor(condition, generousMs);
}

// The PC's clock moved by a shift that a test sets.
class ShiftedClock final : public Clock {
  public:
    std::time_t now() const override { return static_cast<std::time_t>(nowMs() / 1000); }
    std::int64_t nowMs() const override { return system_.nowMs() + shiftMs_.load(); }
    void setNowMs(std::int64_t ms) { shiftMs_ = ms - system_.nowMs(); }
    void skipMs(std::int64_t ms) { shiftMs_ += ms; }

  private:
    SystemClock system_;
    std::atomic<std::int64_t> shiftMs_{0};
};

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> dataFilesIn(const std::string& dir) {
    std::vector<std::string> names;
    for (const QString& n : QDir(QString::fromStdString(dir)).entryList(QDir::Files))
        names.push_back(dir + "/" + n.toStdString());
    return surveyDataFiles(names);
}

std::string baseName(const std::string& path) {
    return path.substr(path.find_last_of('/') + 1);
}

struct FileSample {
    std::int64_t wallSecond;
    double level;
    bool weightingA;
};

// The samples of data files, as their lines hold them.
std::vector<FileSample> samplesIn(const std::vector<std::string>& files) {
    std::vector<FileSample> out;
    for (const std::string& f : files) {
        std::istringstream lines(slurp(f));
        std::string line;
        std::getline(lines, line); // the header
        while (std::getline(lines, line)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            const auto stamp = parseDateTime(line.substr(0, line.find(',', 11)));
            if (!stamp)
                continue;
            const std::size_t levelAt = line.find(',', 11) + 1;
            out.push_back({secondsBetween(DateTime{}, *stamp), std::stod(line.substr(levelAt)),
                           line.ends_with("dBA")});
        }
    }
    return out;
}

CSurveyWnd* runningSurveyWindow(QWidget* frame) {
    for (CSurveyWnd* w : frame->findChildren<CSurveyWnd*>())
        if (w->surveyRunning())
            return w;
    return nullptr;
}

class LiveSurveyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setAppClock(&clock);
        QString error;
        if (!sim.start(&error))
            GTEST_SKIP() << "no pseudo-terminal: " << error.toStdString();
        sim.setPattern(MeterSimulator::Pattern::Sine);
        frame = std::make_unique<CMainFrame>();
        view()->setPortEnumerator([] { return std::vector<SSerInfo>{}; });
        view()->initialUpdate();
        frame->resize(1000, 700);
        frame->show();
    }
    void TearDown() override {
        frame.reset();
        useLanguage(Language::Turkish);
        setAppClock(nullptr);
    }

    CMyVrelView* view() { return frame->view(); }
    void startSurvey(const QString& folder) {
        answers.fileNext(folder);
        answers.surveyNext([](Prompt::SurveyRequest& r) {
            r.interval = 0.2;
            r.summarySeconds = 60;
        });
        frame->action(CommandId::StartSurvey)->trigger();
    }

    ShiftedClock clock;
    ScriptedPrompt answers;
    ScopedPrompt scope{answers};
    MeterSimulator sim;
    QTemporaryDir dir;
    std::unique_ptr<CMainFrame> frame;
};

} // namespace

TEST_F(LiveSurveyTest, RunsInItsWindowAndLeavesTheEnginesFiles) {
    // No meter: said, and nothing asked.
    frame->action(CommandId::StartSurvey)->trigger();
    ASSERT_EQ(answers.messages().size(), 1u);
    EXPECT_TRUE(answers.messages()[0].text.contains(QStringLiteral("bağlı değil")));
    EXPECT_TRUE(answers.fileRequests().empty());
    answers.clear();

    ASSERT_TRUE(view()->useFixedPort(sim.devicePath()));
    ASSERT_TRUE(waitFor([this] { return view()->link().snapshot().connected; }));
    // The clock a few seconds before a local hour ends, so the survey crosses
    // into a second data file and closes a minute's summary row as it runs.
    const LocalTime l = clock.local(clock.now());
    clock.setNowMs(
        (static_cast<std::int64_t>(clock.now()) + 3600 - l.minute * 60 - l.second) * 1000 - 6000);
    const QString folder = dir.path() + QStringLiteral("/site");
    startSurvey(folder);
    ASSERT_EQ(answers.fileRequests().size(), 1u);
    EXPECT_EQ(answers.fileRequests()[0].mode, Prompt::FileRequest::Mode::Folder);
    ASSERT_EQ(answers.surveyRequests().size(), 1u);
    const Prompt::SurveyRequest asked = answers.surveyRequests()[0];
    EXPECT_FALSE(asked.resumes);
    EXPECT_EQ(asked.interval, 1.0);
    EXPECT_FALSE(asked.dailyFiles);
    EXPECT_EQ(asked.summarySeconds, 900);
    CSurveyWnd* w = runningSurveyWindow(frame.get());
    ASSERT_NE(w, nullptr);
    const SeriesStore& s = w->series();
    SurveyPlot* plot = w->plot();

    // The curve grows and the view follows it while shown whole.
    ASSERT_TRUE(
        waitFor([&] { return s.size() >= 5 && plot->span().wholeEnd() > s.start() + 500; }));
    const SeriesMs firstEnd = plot->span().t1();
    ASSERT_TRUE(waitFor([&] {
        return w->survey()->runner().files().size() == 2 && plot->span().t1() > firstEnd + 2000;
    }));
    EXPECT_EQ(plot->span().t0(), s.start());
    EXPECT_TRUE(plot->span().atEnd());
    ASSERT_EQ(w->figuresTable()->item(0, 0)->text(), QStringLiteral("Leq"));
    EXPECT_NE(w->figuresTable()->item(0, 1)->text(), QStringLiteral("-"));
    EXPECT_GE(w->dailyTable()->rowCount(), 1);
    EXPECT_TRUE(w->statusLabel()->text().startsWith(QStringLiteral("Ölçüm sürüyor")));

    // Taken elsewhere, the view stays there while the series grows.
    plot->showSpan(s.start(), s.start() + 1500);
    const SeriesMs elsewhere = plot->span().t1();
    const SeriesMs endThen = plot->span().wholeEnd();
    ASSERT_TRUE(waitFor([&] { return plot->span().wholeEnd() > endThen + 1000; }));
    EXPECT_EQ(plot->span().t1(), elsewhere);
    plot->showWhole();
    const QImage shot = w->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    shot.save(QStringLiteral(VREL_TEST_OUT "/survey-live-tr.png"));

    auto* stop = w->findChild<QPushButton*>(QStringLiteral("stopSurvey"));
    ASSERT_NE(stop, nullptr);
    QTest::mouseClick(stop, Qt::LeftButton);
    ASSERT_FALSE(w->surveyRunning());
    EXPECT_TRUE(stop->isHidden());
    EXPECT_TRUE(answers.messages().empty()) << answers.messages()[0].text.toStdString();

    // What the window shows is what the folder reads as.
    const std::string site = QFile::encodeName(folder).toStdString();
    const SeriesRead again = readSurveySeries(site);
    ASSERT_EQ(again.status, SeriesRead::Status::Ok);
    EXPECT_EQ(again.series.size(), s.size());
    EXPECT_EQ(again.series.runs().size(), s.runs().size());
    EXPECT_EQ(again.series.end(), s.end());

    // The engine fed the same samples writes the same files.
    const SurveyRunner& ran = w->survey()->runner();
    const std::vector<std::string> files = dataFilesIn(site);
    ASSERT_EQ(files.size(), 2u);
    const std::vector<FileSample> samples = samplesIn(files);
    ASSERT_EQ(samples.size(), static_cast<std::size_t>(ran.samples()));
    ASSERT_EQ(samples.size(), s.size());
    const QString refFolder = dir.path() + QStringLiteral("/engine");
    const std::string ref = QFile::encodeName(refFolder).toStdString();
    ASSERT_FALSE(prepareSurveyFolder(ref));
    {
        const SystemClock local;
        SurveyRunner engine(diskFileSystem(), local, {ref, 0.2, SurveySplit::Hour, 60, {}, {}, {}});
        const std::int64_t startSecond = ran.startMs() / 1000;
        const LocalTime st = local.local(static_cast<std::time_t>(startSecond));
        const std::int64_t startWall = secondsBetween(
            DateTime{}, DateTime{st.day, st.month, st.year, st.hour, st.minute, st.second});
        engine.start(startSecond * 1000);
        SurveyMs t = startSecond * 1000;
        for (const FileSample& f : samples) {
            t = std::max(t, (startSecond + f.wallSecond - startWall) * 1000);
            engine.tick(t, {}, f.level, f.weightingA);
            ++t;
        }
        ASSERT_TRUE(engine.finish(t));
    }
    const std::vector<std::string> refFiles = dataFilesIn(ref);
    ASSERT_EQ(refFiles.size(), files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(baseName(refFiles[i]), baseName(files[i]));
        EXPECT_EQ(slurp(refFiles[i]), slurp(files[i])) << baseName(files[i]);
    }
    const std::string summary = slurp(site + "/" + summaryFileName);
    EXPECT_EQ(summary, slurp(ref + "/" + summaryFileName));
    EXPECT_EQ(std::count(summary.begin(), summary.end(), '\n'), 3) << summary;
    EXPECT_TRUE(slurp(site + "/" + eventsFileName).starts_with(eventsHeader));

    // Again in English, on the same folder a minute later: it goes on there,
    // after a restart gap.
    ASSERT_TRUE(useLanguage(Language::English));
    clock.skipMs(60000);
    ASSERT_TRUE(waitFor([this] { return view()->link().snapshot().connected; }));
    startSurvey(folder);
    ASSERT_EQ(answers.surveyRequests().size(), 2u);
    EXPECT_TRUE(answers.surveyRequests()[1].resumes);
    // The folder is read first; the survey starts once it has been.
    CSurveyWnd* w2 = nullptr;
    ASSERT_TRUE(waitFor([&] { return (w2 = runningSurveyWindow(frame.get())) != nullptr; }));
    ASSERT_NE(w2, w);
    const SeriesStore& s2 = w2->series();
    ASSERT_TRUE(waitFor([&] {
        return s2.size() > s.size() + 10 && w2->plot()->span().wholeEnd() > s.end() + 61000;
    }));
    // The gap from where the first run ended is the restart's (the meter may
    // make a gap of its own after it, as the clock jumped).
    std::string gaps;
    for (const SeriesGap& g : s2.gaps())
        gaps += std::to_string(g.start) + ".." + std::to_string(g.end) + " " + g.cause + "; ";
    const auto restart = std::find_if(s2.gaps().begin(), s2.gaps().end(),
                                      [&](const SeriesGap& g) { return g.start == s.end(); });
    ASSERT_NE(restart, s2.gaps().end()) << gaps;
    EXPECT_EQ(restart->cause, "restart") << gaps;
    EXPECT_TRUE(w2->statusLabel()->text().startsWith(QStringLiteral("Survey running")))
        << w2->statusLabel()->text().toStdString();
    const QImage shotEn = w2->grab().toImage();
    ASSERT_FALSE(shotEn.isNull());
    shotEn.save(QStringLiteral(VREL_TEST_OUT "/survey-live-en.png"));

    // Closing the window asks; No keeps it running.
    answers.answerNext(Prompt::Answer::No);
    EXPECT_FALSE(w2->close());
    EXPECT_TRUE(w2->surveyRunning());
    // Closing the program asks too; Yes finishes the files.
    answers.answerNext(Prompt::Answer::No);
    EXPECT_FALSE(frame->close());
    EXPECT_TRUE(w2->surveyRunning());
    answers.answerNext(Prompt::Answer::Yes);
    EXPECT_TRUE(frame->close());
    EXPECT_FALSE(w2->surveyRunning());
    ASSERT_EQ(answers.messages().size(), 3u);
    EXPECT_TRUE(answers.messages()[2].text.contains(QDir::toNativeSeparators(folder)));
    const std::string events = slurp(site + "/" + eventsFileName);
    EXPECT_NE(events.find(",restart,"), std::string::npos) << events;
    EXPECT_EQ(dataFilesIn(site).size(), 3u);
    EXPECT_EQ(readSurveySeries(site).series.size(), s2.size());
}

TEST_F(LiveSurveyTest, AFolderThatCannotBeWrittenIsToldAndSamplingGoesOn) {
    ASSERT_TRUE(view()->useFixedPort(sim.devicePath()));
    ASSERT_TRUE(waitFor([this] { return view()->link().snapshot().connected; }));
    const QString folder = dir.path() + QStringLiteral("/away");
    const QString moved = dir.path() + QStringLiteral("/moved");
    startSurvey(folder);
    CSurveyWnd* w = runningSurveyWindow(frame.get());
    ASSERT_NE(w, nullptr);
    const SurveyRunner& r = w->survey()->runner();
    ASSERT_TRUE(waitFor([&] { return r.samples() >= 3; }));

    // The folder goes (a drive pulled, say) and a file stands in its place:
    // the open data file still takes samples, events.csv cannot be opened
    // for the row of the meter's silence.
    ASSERT_TRUE(QDir().rename(folder, moved));
    QFile standIn(folder);
    ASSERT_TRUE(standIn.open(QIODevice::WriteOnly));
    standIn.close();
    sim.silence(3);
    ASSERT_TRUE(waitFor([&] { return !answers.messages().empty(); }));
    EXPECT_EQ(answers.messages()[0].icon, Prompt::Icon::Warning);
    EXPECT_TRUE(answers.messages()[0].text.contains(QStringLiteral("yazılamıyor")));
    EXPECT_TRUE(w->writeProblemLabel()->isVisible());
    EXPECT_EQ(w->writeProblemLabel()->text(), answers.messages()[0].text);
    EXPECT_TRUE(w->grab().save(QStringLiteral(VREL_TEST_OUT "/survey-live-write-failure.png")));
    EXPECT_TRUE(w->surveyRunning());
    const long long during = r.samples();
    ASSERT_TRUE(waitFor([&] { return r.samples() > during + 5; }));
    EXPECT_EQ(answers.messages().size(), 1u) << "told once, not at every tick";

    // The folder comes back: writing works again and nothing is lost.
    ASSERT_TRUE(QFile::remove(folder));
    ASSERT_TRUE(QDir().rename(moved, folder));
    ASSERT_TRUE(waitFor([&] {
        return w->survey()->writeProblem().isEmpty() &&
               w->writeProblemLabel()->text().contains(QStringLiteral("yeniden çalışıyor"));
    }));
    ASSERT_TRUE(w->stopSurvey());
    const std::string site = QFile::encodeName(folder).toStdString();
    const std::string events = slurp(site + "/" + eventsFileName);
    EXPECT_NE(events.find(",silence,"), std::string::npos) << events;
    const std::string summary = slurp(site + "/" + summaryFileName);
    EXPECT_GE(std::count(summary.begin(), summary.end(), '\n'), 2) << summary;
    EXPECT_EQ(samplesIn(dataFilesIn(site)).size(), static_cast<std::size_t>(r.samples()));
    EXPECT_EQ(readSurveySeries(site).series.size(), w->series().size());
}

// A pulled cable during a survey: while it waits the gap grows up to now on
// the curve with its cause in the interface's language, the status says it
// waits and greys the last level; stopped while waiting, the gap and its
// cause stay, and events.csv keeps its cause word with a detail a user reads.
// In English a silent meter waits the same way and its gap stays when the
// meter is back.
TEST_F(LiveSurveyTest, WaitingForTheMeterShowsTheGrowingGapAndItsCause) {
    const QString linkPath = dir.filePath(QStringLiteral("meter"));
    sim.stop();
    sim.setLinkPath(linkPath);
    QString error;
    ASSERT_TRUE(sim.start(&error)) << error.toStdString();
    ASSERT_TRUE(view()->useFixedPort(linkPath));
    ASSERT_TRUE(waitFor([this] { return view()->link().snapshot().connected; }));
    const QString folder = dir.path() + QStringLiteral("/pulled");
    startSurvey(folder);
    CSurveyWnd* w = runningSurveyWindow(frame.get());
    ASSERT_NE(w, nullptr);
    const SurveyRunner& r = w->survey()->runner();
    SurveyPlot* plot = w->plot();
    ASSERT_TRUE(waitFor([&] { return r.samples() >= 5; }));
    EXPECT_FALSE(plot->tailGap());
    EXPECT_FALSE(w->statusLabel()->text().contains(QStringLiteral("<span")));

    sim.hangUp();
    ASSERT_TRUE(waitFor([&] { return plot->tailGap().has_value(); }));
    const SeriesMs firstEnd = plot->tailGap()->end;
    ASSERT_TRUE(waitFor([&] { return plot->tailGap() && plot->tailGap()->end > firstEnd + 600; }));
    const SeriesGap waiting = *plot->tailGap();
    EXPECT_EQ(waiting.start, w->series().end()) << "it starts where the readings end";
    EXPECT_EQ(waiting.cause, "disconnected");
    EXPECT_GE(plot->span().wholeEnd(), waiting.end) << "the axis grows with it";
    const QString status = w->statusLabel()->text();
    EXPECT_TRUE(status.startsWith(QStringLiteral("<b>Ölçer bekleniyor (bağlantı koptu).</b>")))
        << status.toStdString();
    EXPECT_TRUE(status.contains(QStringLiteral("\">son ")) &&
                status.contains(QStringLiteral("<span")))
        << "the last level greyed: " << status.toStdString();
    EXPECT_TRUE(w->grab().save(QStringLiteral(VREL_TEST_OUT "/survey-waiting-tr.png")));

    QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("stopSurvey")), Qt::LeftButton);
    ASSERT_FALSE(w->surveyRunning());
    ASSERT_TRUE(plot->tailGap().has_value()) << "the gap the survey ended in stays";
    EXPECT_EQ(plot->tailGap()->cause, "disconnected");
    EXPECT_GE(plot->tailGap()->end, waiting.end);
    EXPECT_EQ(gapCauseText(plot->tailGap()->cause), QStringLiteral("bağlantı koptu"));
    EXPECT_TRUE(w->grab().save(QStringLiteral(VREL_TEST_OUT "/survey-stopped-waiting-tr.png")));
    const std::string events =
        slurp(QFile::encodeName(folder).toStdString() + "/" + eventsFileName);
    EXPECT_NE(events.find(",disconnected,"), std::string::npos) << events;
    EXPECT_NE(events.find(portGoneDetail), std::string::npos) << events;

    // In English, on a meter that falls silent and comes back.
    ASSERT_TRUE(useLanguage(Language::English));
    EXPECT_EQ(gapCauseText("disconnected"), QStringLiteral("disconnected"));
    EXPECT_EQ(gapCauseText("restart"), QStringLiteral("survey not running"));
    EXPECT_EQ(gapCauseText("cable-cut"), QStringLiteral("cable-cut")) << "an unknown word as it is";
    ASSERT_TRUE(sim.start(&error)) << error.toStdString();
    ASSERT_TRUE(waitFor([this] { return view()->link().snapshot().connected; }));
    startSurvey(dir.path() + QStringLiteral("/silent"));
    CSurveyWnd* en = runningSurveyWindow(frame.get());
    ASSERT_NE(en, nullptr);
    const SurveyRunner& r2 = en->survey()->runner();
    ASSERT_TRUE(waitFor([&] { return r2.samples() >= 5; }));
    sim.silence(60);
    // Over two seconds: a data file's stamps have whole seconds, so a shorter
    // silence can come back inside the second the readings end in and leave
    // no gap between the runs.
    ASSERT_TRUE(waitFor([&] {
        return en->plot()->tailGap() && en->plot()->tailGap()->end > en->series().end() + 2500;
    }));
    EXPECT_EQ(en->plot()->tailGap()->cause, "silence");
    EXPECT_TRUE(en->statusLabel()->text().startsWith(
        QStringLiteral("<b>Waiting for the meter (meter silent).</b>")))
        << en->statusLabel()->text().toStdString();
    EXPECT_TRUE(en->grab().save(QStringLiteral(VREL_TEST_OUT "/survey-waiting-en.png")));
    const long long before = r2.samples();
    sim.silence(0);
    ASSERT_TRUE(waitFor([&] { return r2.samples() > before + 3; }));
    ASSERT_TRUE(waitFor([&] { return !en->plot()->tailGap(); }));
    ASSERT_FALSE(en->series().gaps().empty());
    EXPECT_EQ(en->series().gaps().back().cause, "silence");
    EXPECT_FALSE(en->statusLabel()->text().contains(QStringLiteral("Waiting")));
    EXPECT_TRUE(en->grab().save(QStringLiteral(VREL_TEST_OUT "/survey-back-en.png")));
    ASSERT_TRUE(en->stopSurvey());
}
