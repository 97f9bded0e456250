// The survey window's events panel on a day with a loud burst every twenty
// minutes: its list is what vrel-cli events finds for the same rules and
// marks, a row zooms to its event, an event made an exclude mark changes the
// figures and is undone, the rules are remembered for the folder, and the
// report and workbook list the events and the background.
#include "model/TextFormat.h"
#include "recording/Recording.h"
#include "survey/SeriesTables.h"
#include "survey/Survey.h"
#include "surveywindow/SurveyPlot.h"
#include "surveywindow/SurveyWindow.h"
#include "ui/Prompt.h"

#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <regex>
#include <sstream>

namespace {

constexpr std::time_t dec7at12 = 1796644800; // 2026-12-07 12:00:00 UTC
constexpr int stepSeconds = 2;
constexpr int hours = 26;

// A burst of 40 s every 20 minutes: 80 dB with a dip to 72 dB in its middle
// (one event with 10 dB of hysteresis, two without), over a background of
// 50 to 56 dB by day and 40 to 46 dB by night; the burst at 07:00 on the 8th
// lies across the day's start.
void writeSurvey(const QString& dir) {
    const ManualClock utc;
    SurveyStore store(diskFileSystem(), utc, QFile::encodeName(dir).toStdString(),
                      SurveySplit::Hour, stepSeconds, 100000);
    for (std::time_t t = dec7at12; t < dec7at12 + hours * 3600; t += stepSeconds) {
        const LocalTime lt = utc.local(t);
        const bool day = lt.hour >= 7 && lt.hour < 19;
        double level = (day ? 50.0 : 40.0) + static_cast<double>((t / stepSeconds) % 7);
        const std::time_t inBurst = (t + 10) % 1200;
        if (inBurst < 40)
            level = inBurst >= 18 && inBurst < 22 ? 72.0 : 80.0 + static_cast<double>(inBurst % 5);
        store.addSample(CObjData(level, recordTimeStamp(lt), "dBA", 0, stepSeconds), t * 1000);
    }
    ASSERT_TRUE(store.close());
}

QString run(const QStringList& args, const QString& program = QStringLiteral(VREL_CLI)) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
    p.setProcessEnvironment(env);
    p.start(program, args);
    EXPECT_TRUE(p.waitForFinished(60000)) << program.toStdString();
    EXPECT_EQ(p.exitCode(), 0) << program.toStdString() << " "
                               << p.readAllStandardError().toStdString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> out;
    std::istringstream in(line);
    for (std::string f; std::getline(in, f, '\t');)
        out.push_back(f);
    return out;
}

// vrel-cli events' lines starting with what, split at the tabs.
std::vector<std::vector<std::string>> cliLines(const QStringList& args, const std::string& what) {
    std::vector<std::vector<std::string>> out;
    std::istringstream lines(run(args).toStdString());
    for (std::string line; std::getline(lines, line);)
        if (line.starts_with(what + "\t"))
            out.push_back(fields(line));
    return out;
}

QString cell(const QTableWidget* t, int row, int column) {
    const QTableWidgetItem* item = t->item(row, column);
    return item ? item->text() : QString();
}

int columnNamed(const QTableWidget* t, const QString& name) {
    for (int c = 0; c < t->columnCount(); ++c)
        if (t->horizontalHeaderItem(c)->text() == name)
            return c;
    return -1;
}

class SurveyEventsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        writeSurvey(dir.path());
    }
    std::unique_ptr<CSurveyWnd> open() {
        std::unique_ptr<CSurveyWnd> w(CSurveyWnd::open(dir.path()));
        w->setAttribute(Qt::WA_DeleteOnClose, false);
        EXPECT_TRUE(QTest::qWaitFor([&w] { return w->loaded(); }, 30000));
        return w;
    }
    // The window's list against vrel-cli events with the same rules, on the
    // folder's marks: every column of every event, and each day's N and TA.
    void expectCompanionsEvents(CSurveyWnd& w, const QStringList& rules, const std::string& where) {
        const auto cli =
            cliLines(QStringList{QStringLiteral("events"), dir.path()} + rules, "event");
        const EventList& list = w.eventList();
        ASSERT_EQ(list.events().size(), cli.size()) << where;
        for (std::size_t i = 0; i < cli.size(); ++i) {
            std::vector<std::string> mine{"event"};
            for (std::string& f :
                 eventFields(appClock(), static_cast<int>(i) + 1, list.events()[i]))
                mine.push_back(std::move(f));
            // The times' offset is the test's zone's; the companion runs in UTC.
            for (std::size_t c : {2u, 3u, 6u})
                mine[c] = mine[c].substr(0, 21);
            std::vector<std::string> theirs = cli[i];
            for (std::size_t c : {2u, 3u, 6u})
                theirs[c] = theirs[c].substr(0, 21);
            EXPECT_EQ(mine, theirs) << where << " event " << i + 1;
        }
        const auto days =
            cliLines(QStringList{QStringLiteral("events"), dir.path()} + rules, "eventday");
        QTableWidget* daily = w.dailyTable();
        const int n = columnNamed(daily, QStringLiteral("N"));
        ASSERT_GE(n, 0) << where;
        ASSERT_EQ(daily->rowCount(), static_cast<int>(days.size())) << where;
        for (int r = 0; r < daily->rowCount(); ++r) {
            EXPECT_EQ(cell(daily, r, 0).toStdString(), days[static_cast<std::size_t>(r)][1]);
            EXPECT_EQ(cell(daily, r, n).toStdString(), days[static_cast<std::size_t>(r)][2])
                << where;
            EXPECT_EQ(cell(daily, r, n + 1).toStdString(),
                      days[static_cast<std::size_t>(r)][3] + " s")
                << where;
        }
    }
    QTemporaryDir dir;
    ScriptedPrompt answers;
    ScopedPrompt scope{answers};
};

TEST_F(SurveyEventsTest, TheListIsTheCompanionsAndFollowsTheRulesAndMarks) {
    // Between the bursts, an exclude mark cutting the one at 13:00 in two.
    QFile marks(dir.filePath(QStringLiteral("markers.csv")));
    ASSERT_TRUE(marks.open(QIODevice::WriteOnly));
    marks.write("start,end,kind,label,note\r\n"
                "2026-12-07T12:59:58+00:00,2026-12-07T13:00:00+00:00,exclude,door,\r\n"
                "2026-12-07T14:00:00+00:00,2026-12-07T15:00:00+00:00,residual,road,\r\n");
    marks.close();
    auto w = open();
    ASSERT_TRUE(w->loaded());
    const struct {
        EventRules rules;
        QStringList args;
    } cases[] = {
        {{75, 0, 0, 0}, {"--above", "75"}},
        {{75, 10, 0, 0}, {"--above", "75", "--hysteresis", "10"}},
        {{75, 0, 6, 0}, {"--above", "75", "--merge", "6"}},
        {{75, 0, 0, 20}, {"--above", "75", "--min", "20"}},
        {{81.5, 2, 4, 4}, {"--above", "81.5", "--hysteresis", "2", "--merge", "4", "--min", "4"}},
    };
    for (const auto& c : cases) {
        w->setEventSettings({true, c.rules});
        expectCompanionsEvents(*w, c.args, c.args.join(' ').toStdString());
    }
    // With hysteresis a burst is one event: 79 bursts from 11:59:50 on, the
    // one the exclude mark cuts two; the plot has a marker for what it shows.
    w->setEventSettings({true, {75, 10, 0, 0}});
    EXPECT_EQ(w->eventList().size(), static_cast<std::size_t>(hours * 3 + 2));
    w->plot()->grab();
    EXPECT_FALSE(w->plot()->eventMarkersDrawn().empty());

    // Sorted by Lmax (loudest first), then back to time order by its number.
    w->eventTable()->horizontalHeader()->sectionClicked(EventList::Lmax);
    const EventList& list = w->eventList();
    for (std::size_t r = 1; r < list.size(); ++r)
        ASSERT_GE(list.at(r - 1).lmax, list.at(r).lmax);
    EXPECT_EQ(cell(w->eventTable(), 0, 3), QStringLiteral("84.0"));
    w->eventTable()->horizontalHeader()->sectionClicked(EventList::Number);
    EXPECT_EQ(cell(w->eventTable(), 0, 0), QStringLiteral("1"));
    EXPECT_EQ(cell(w->eventTable(), 1, 0), QStringLiteral("2"));

    // Off: no list, no markers, no N column.
    w->eventsPanel()->setChecked(false);
    EXPECT_EQ(w->eventTable()->rowCount(), 0);
    w->plot()->grab();
    EXPECT_TRUE(w->plot()->eventMarkersDrawn().empty());
    EXPECT_EQ(columnNamed(w->dailyTable(), QStringLiteral("N")), -1);
}

TEST_F(SurveyEventsTest, ARowZoomsToItsEventWhichBecomesAnExcludeMarkAndIsUndone) {
    auto w = open();
    w->setEventSettings({true, {75, 10, 0, 0}});
    w->resize(1300, 800);
    auto* tabs = w->findChild<QTabWidget*>(QStringLiteral("sideTabs"));
    ASSERT_TRUE(tabs);
    tabs->setCurrentIndex(1);
    const std::size_t before = w->eventList().size();
    ASSERT_GT(before, 5u);

    // A click on the fifth row shows its event, whole, and not much more.
    QTableWidget* list = w->eventTable();
    const QRect rowRect = list->visualRect(list->model()->index(4, 1));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowRect.center());
    const SeriesEvent shown = w->eventList().at(4);
    const TimeSpanView& view = w->plot()->span();
    EXPECT_LE(view.t0(), shown.start);
    EXPECT_GE(view.t1(), shown.end);
    EXPECT_LE(view.t1() - view.t0(), 5 * 60 * 1000);
    w->grab().toImage().save(QStringLiteral(VREL_TEST_OUT "/survey-window-event.png"));
    w->plot()->showWhole();
    w->grab().toImage().save(QStringLiteral(VREL_TEST_OUT "/survey-window-events.png"));

    // So does a click on the event's marker along the bottom of the curve.
    SurveyPlot* plot = w->plot();
    const auto& markers = plot->eventMarkersDrawn();
    ASSERT_GT(markers.size(), 10u);
    const EventMarker tenth = markers[9];
    QTest::mouseClick(plot, Qt::LeftButton, {},
                      QPoint((tenth.x0 + tenth.x1) / 2, plot->plotArea().bottom() - 2));
    const SeriesEvent& clicked = w->eventList().events()[tenth.index];
    EXPECT_LE(plot->span().t0(), clicked.start);
    EXPECT_GE(plot->span().t1(), clicked.end);
    EXPECT_LE(plot->span().t1() - plot->span().t0(), 5 * 60 * 1000);
    EXPECT_FALSE(plot->cursorA()) << "a click on a marker puts no cursor";
    plot->showWhole();

    // Excluded: a mark of its span, the event gone and the Leq lower.
    const QString leqBefore = cell(w->figuresTable(), 0, 1);
    list->setCurrentCell(4, 0);
    w->findChild<QPushButton*>(QStringLiteral("excludeEvent"))->click();
    ASSERT_TRUE(answers.messages().empty());
    ASSERT_EQ(w->marks().marks().size(), 1u);
    const SurveyMark& m = w->marks().marks().all()[0];
    EXPECT_EQ(m.kind, MarkKind::Exclude);
    EXPECT_EQ(m.end - m.start, shown.end - shown.start);
    EXPECT_EQ(w->eventList().size(), before - 1);
    EXPECT_NE(cell(w->figuresTable(), 0, 1), leqBefore);
    expectCompanionsEvents(*w, {"--above", "75", "--hysteresis", "10"}, "excluded");

    // Marked as an event instead: the figures stay as they were.
    w->marks().history().undo();
    EXPECT_EQ(w->eventList().size(), before);
    EXPECT_EQ(cell(w->figuresTable(), 0, 1), leqBefore);
    w->markEvent(4, MarkKind::Event);
    ASSERT_EQ(w->marks().marks().size(), 1u);
    EXPECT_EQ(w->marks().marks().all()[0].kind, MarkKind::Event);
    EXPECT_EQ(w->eventList().size(), before);
    EXPECT_EQ(cell(w->figuresTable(), 0, 1), leqBefore);
}

TEST_F(SurveyEventsTest, TheRulesAreRememberedForTheFolder) {
    {
        auto w = open();
        w->setEventSettings({true, {77.5, 1.5, 3, 8}});
    }
    auto w = open();
    const EventSettings& s = w->eventSettings();
    EXPECT_TRUE(s.on);
    EXPECT_EQ(s.rules.aboveDb, 77.5);
    EXPECT_EQ(s.rules.hysteresisDb, 1.5);
    EXPECT_EQ(s.rules.mergeSeconds, 3);
    EXPECT_EQ(s.rules.minSeconds, 8);
    EXPECT_FALSE(w->eventList().events().empty());

    QTemporaryDir other;
    writeSurvey(other.path());
    std::unique_ptr<CSurveyWnd> fresh(CSurveyWnd::open(other.path()));
    fresh->setAttribute(Qt::WA_DeleteOnClose, false);
    EXPECT_FALSE(fresh->eventSettings().on);
}

TEST_F(SurveyEventsTest, TheReportAndWorkbookListTheEventsAndTheBackground) {
    auto w = open();
    w->setEventSettings({true, {75, 0, 0, 0}});
    const std::size_t events = w->eventList().size();
    ASSERT_GT(events, 50u);

    const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
    answers.reportNext({});
    answers.fileNext(pdf);
    w->report();
    ASSERT_TRUE(answers.messages().empty());
    const std::string text =
        run({QStringLiteral("-layout"), pdf, QStringLiteral("-")}, QStringLiteral("pdftotext"))
            .toStdString();
    EXPECT_NE(text.find("Olaylar"), std::string::npos);
    EXPECT_NE(text.find("olayın Lmax'ı en yüksek 50 tanesi"), std::string::npos) << text;
    EXPECT_NE(text.find(std::to_string(events) + " olayın"), std::string::npos);
    // The loudest events' rows: their number, start and Lmax, as the list.
    std::size_t rows = 0;
    const std::regex eventRow(
        R"(^\s+([0-9]+)\s+(\d\d-12-2026 \d\d:\d\d:\d\d\.\d)\s+([0-9.]+)\s+([0-9.]+)\s)");
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::smatch m;
        if (!std::regex_search(line, m, eventRow))
            continue;
        ++rows;
        const std::size_t n = std::stoul(m[1]);
        ASSERT_GE(n, 1u);
        ASSERT_LE(n, events);
        const SeriesEvent& e = w->eventList().events()[n - 1];
        EXPECT_EQ(m[2].str(), eventClockText(e.startWall));
        EXPECT_EQ(m[4].str(), formatFixed(e.lmaxDb(), 1));
    }
    EXPECT_EQ(rows, 50u);
    // The background table: each date's periods, then the RBLs, as vrel-cli.
    EXPECT_NE(text.find("Arka plan seviyesi"), std::string::npos);
    const auto rbl =
        cliLines({QStringLiteral("stats"), dir.path(), QStringLiteral("--background")}, "rbl");
    ASSERT_EQ(rbl.size(), 3u);
    const char* parts[] = {"gündüz", "akşam", "gece"};
    for (std::size_t p = 0; p < 3; ++p)
        EXPECT_TRUE(std::regex_search(text, std::regex(std::string("RBL\\s+") + parts[p] + "\\s+" +
                                                       formatFixed(std::stod(rbl[p][2]), 1) +
                                                       "\\s+" + rbl[p][3])))
            << parts[p];
    const std::string png =
        QFile::encodeName(QStringLiteral(VREL_TEST_OUT "/survey-events-report")).toStdString();
    run({QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("60"), pdf,
         QString::fromStdString(png)},
        QStringLiteral("pdftoppm"));

    // The workbook: the events sheet a row an event, the background sheet.
    const QString book = dir.filePath(QStringLiteral("tables.xlsx"));
    answers.fileNext(book);
    w->exportTables();
    ASSERT_TRUE(answers.messages().empty());
    const QString listing = run({QStringLiteral("-l"), book}, QStringLiteral("unzip"));
    EXPECT_TRUE(listing.contains(QStringLiteral("xl/worksheets/sheet6.xml")));
    const std::string workbook =
        run({QStringLiteral("-p"), book, QStringLiteral("xl/workbook.xml")},
            QStringLiteral("unzip"))
            .toStdString();
    EXPECT_NE(workbook.find("name=\"Olaylar\""), std::string::npos) << workbook;
    EXPECT_NE(workbook.find("name=\"Arka plan\""), std::string::npos);
    const std::string sheet =
        run({QStringLiteral("-p"), book, QStringLiteral("xl/worksheets/sheet5.xml")},
            QStringLiteral("unzip"))
            .toStdString();
    std::size_t sheetRows = 0;
    for (std::size_t at = sheet.find("<row "); at != std::string::npos;
         at = sheet.find("<row ", at + 1))
        ++sheetRows;
    EXPECT_EQ(sheetRows, events + 1) << "a heading and a row an event";
}

} // namespace
