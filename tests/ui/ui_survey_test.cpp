// The survey window on a folder of three days: it opens whole, a day's row
// zooms to that day, the cursors across midnight give the companion's figures,
// a damaged file is named while the rest is shown, and the daily and hourly
// tables read the same in the window, the workbook, the report and the
// companion, in either language.
#include "app/Translation.h"
#include "model/TextFormat.h"
#include "recording/Recording.h"
#include "survey/Survey.h"
#include "surveywindow/MarkBands.h"
#include "surveywindow/SurveyExports.h"
#include "surveywindow/SurveyPlot.h"
#include "surveywindow/SurveyWindow.h"
#include "ui/Prompt.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <regex>
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

// A table as texts, its headings first.
using Table = std::vector<std::vector<std::string>>;

Table windowTable(const QTableWidget* t) {
    Table out(1);
    for (int c = 0; c < t->columnCount(); ++c)
        out[0].push_back(t->horizontalHeaderItem(c)->text().toStdString());
    for (int r = 0; r < t->rowCount(); ++r) {
        out.emplace_back();
        for (int c = 0; c < t->columnCount(); ++c)
            out.back().push_back(cell(const_cast<QTableWidget*>(t), r, c).toStdString());
    }
    return out;
}

QString run(const QString& program, const QStringList& args) {
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

// A sheet of an .xlsx workbook as texts: a number as written in the file, a
// text as its shared string, an empty cell as "".
Table workbookSheet(const QString& path, int sheet) {
    const std::string xml =
        run(QStringLiteral("unzip"),
            {QStringLiteral("-p"), path, QStringLiteral("xl/worksheets/sheet%1.xml").arg(sheet)})
            .toStdString();
    const std::string sharedXml =
        run(QStringLiteral("unzip"),
            {QStringLiteral("-p"), path, QStringLiteral("xl/sharedStrings.xml")})
            .toStdString();
    std::vector<std::string> shared;
    const std::regex si(R"(<si><t[^>]*>([^<]*)</t></si>)");
    for (std::sregex_iterator i(sharedXml.begin(), sharedXml.end(), si), end; i != end; ++i)
        shared.push_back((*i)[1]);
    Table out;
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

// A workbook's date (days since 1899-12-30, the hour a share of one) as the
// window writes it: "dd-mm-yyyy", with " hh:00" for an hour.
std::string sheetDate(const std::string& serial, bool withHour) {
    const double v = std::stod(serial);
    const auto days = static_cast<long>(std::floor(v));
    const std::time_t t = (days - 25569) * 86400L + std::lround((v - days) * 24) * 3600L;
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, withHour ? "%d-%m-%Y %H:00" : "%d-%m-%Y", &tm);
    return buf;
}

std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> out;
    for (std::string w; in >> w;)
        out.push_back(w == "%" && !out.empty() ? (out.back() += " %", std::string()) : w);
    out.erase(std::remove(out.begin(), out.end(), std::string()), out.end());
    return out;
}

// The report's daily table as pdftotext shows it: the line of its headings,
// then the lines under it of as many words, each starting with a date.
Table reportDays(const QString& pdf) {
    const std::string text =
        run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")})
            .toStdString();
    Table out;
    std::vector<std::string> above;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        const auto w = words(line);
        if (w.empty())
            continue;
        const bool row = w.size() > 2 && std::regex_match(w[0], std::regex("[0-9]{2}-12-2026"));
        if (out.empty() && row && above.size() == w.size())
            out.push_back(above);
        if (!out.empty() && row && w.size() == out[0].size())
            out.push_back(w);
        above = w;
    }
    return out;
}

// vrel-cli stats --daily: each day's line without its leading "day".
Table cliDays(const QString& dir) {
    Table out;
    std::istringstream lines(
        run(QStringLiteral(VREL_CLI), {QStringLiteral("stats"), QStringLiteral("--daily"), dir})
            .toStdString());
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("day\t", 0) != 0)
            continue;
        std::vector<std::string> fields;
        std::istringstream in(line.substr(4));
        for (std::string f; std::getline(in, f, '\t');)
            fields.push_back(f);
        out.push_back(fields);
    }
    return out;
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
    std::map<std::string, int> rowOf;
    for (int r = 0; r < f->rowCount(); ++r)
        rowOf[cell(f, r, 0).toStdString()] = r;
    for (const char* name : {"Leq", "Lmax", "Lmin", "L10", "L50", "L90"}) {
        ASSERT_TRUE(cli.count(name)) << name;
        ASSERT_TRUE(rowOf.count(name)) << name;
        EXPECT_NEAR(cell(f, rowOf[name], column).toDouble(), std::stod(cli.at(name)), 0.051)
            << name;
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

// The report of the span between the cursors as pdftotext reads it, and
// what its dialog said it covers.
struct SpanReport {
    std::string text;
    QString scope;
};

SpanReport reportOf(CSurveyWnd& w, ScriptedPrompt& answers, const QString& pdf) {
    answers.reportNext({});
    answers.fileNext(pdf);
    w.report();
    EXPECT_TRUE(answers.messages().empty());
    EXPECT_FALSE(answers.reportRequests().empty());
    return {run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")})
                .toStdString(),
            answers.reportRequests().empty() ? QString() : answers.reportRequests().back().scope};
}

bool holds(const std::string& text, const std::string& pattern) {
    return std::regex_search(text, std::regex(pattern));
}

TEST_F(SurveyWindowTest, TheCursorsAreShownClearedAndReportedWithTheGapTheyStartIn) {
    std::unique_ptr<CSurveyWnd> w(openAndWait(dir.path()));
    ASSERT_TRUE(w->loaded());
    const SeriesStore& s = w->series();
    auto local = [](int hours, int minutes) {
        return (SurveyMs(dec7at12) + hours * 3600 + minutes * 60) * 1000;
    };
    EXPECT_TRUE(w->cursorsLabel()->text().contains(QStringLiteral("İmleç yok")));
    auto* clear = w->findChild<QPushButton*>(QStringLiteral("clearCursors"));
    ASSERT_TRUE(clear);
    EXPECT_FALSE(clear->isEnabled());

    // A in the half hour without the cable (08-12 18:00 to 18:30), B at 20:00.
    w->plot()->setCursors(s.seriesOfLocal(local(30, 10)), s.seriesOfLocal(local(32, 0)));
    EXPECT_EQ(w->cursorsLabel()->text().toStdString(),
              "A: 08-12-2026 18:10:00   B: 08-12-2026 20:00:00   A–B: 01:50:00");
    EXPECT_TRUE(clear->isEnabled());
    // From the readings: the span starts at A, in the gap, and the gap counts.
    const SpanReport shortSpan = reportOf(*w, answers, dir.filePath(QStringLiteral("ab.pdf")));
    EXPECT_TRUE(shortSpan.scope.contains(QStringLiteral("A–B"))) << shortSpan.scope.toStdString();
    EXPECT_TRUE(shortSpan.scope.contains(QStringLiteral("08-12-2026 18:10:00")));
    EXPECT_TRUE(holds(shortSpan.text, "Başlangıç +08-12-2026,18:10:00")) << shortSpan.text;
    EXPECT_TRUE(holds(shortSpan.text, "Ölçüm süresi +1:50:00")) << shortSpan.text;
    EXPECT_TRUE(holds(shortSpan.text, "Kapsanan süre +1:30:00")) << shortSpan.text;
    EXPECT_TRUE(holds(shortSpan.text, "Boşluk \\(okumasız\\) +0:20:00")) << shortSpan.text;

    // From the series (longer than a day): titled as the span, not the survey.
    w->plot()->setCursors(s.seriesOfLocal(local(30, 10)), s.seriesOfLocal(local(70, 0)));
    const SpanReport longSpan = reportOf(*w, answers, dir.filePath(QStringLiteral("ab-long.pdf")));
    EXPECT_TRUE(holds(longSpan.text, "A–B arası: 08-12-2026 18:10:00 – 10-12-2026 10:00:00"))
        << longSpan.text;
    EXPECT_FALSE(holds(longSpan.text, "Bütün ölçüm")) << longSpan.text;
    EXPECT_TRUE(holds(longSpan.text, "Boşluk sayısı +1")) << longSpan.text;
    EXPECT_TRUE(holds(longSpan.text, "Ölçüm süresi +39:50:00")) << longSpan.text;
    EXPECT_TRUE(holds(longSpan.text, "Kapsanan süre +39:30:00")) << longSpan.text;

    // Cleared, the report is of the whole survey and says so.
    clear->click();
    EXPECT_FALSE(w->plot()->cursorA());
    EXPECT_FALSE(w->plot()->cursorB());
    EXPECT_TRUE(w->cursorsLabel()->text().contains(QStringLiteral("İmleç yok")));
    const SpanReport whole = reportOf(*w, answers, dir.filePath(QStringLiteral("whole.pdf")));
    EXPECT_TRUE(whole.scope.contains(QStringLiteral("bütün ölçüm"))) << whole.scope.toStdString();
    EXPECT_TRUE(holds(whole.text, "Bütün ölçüm: 07-12-2026 12:00:00")) << whole.text;
}

TEST_F(SurveyWindowTest, TheHourlyTableFollowsTheDayClicked) {
    std::unique_ptr<CSurveyWnd> w(openAndWait(dir.path()));
    ASSERT_TRUE(w->loaded());
    // Wide enough for every table beside the other.
    w->showNormal();
    w->resize(1800, 800);
    EXPECT_TRUE(QTest::qWaitFor([&w] { return w->width() == 1800; }, 5000));
    auto* hourlyButton = w->findChild<QPushButton*>(QStringLiteral("hourlyTable"));
    ASSERT_TRUE(hourlyButton);
    hourlyButton->setChecked(true);
    QTableWidget* hourly = w->hourlyTable();
    EXPECT_EQ(hourly->rowCount(), 72) << "the whole survey before a day is chosen";
    emit w->dailyTable()->cellClicked(2, 0);
    ASSERT_EQ(hourly->rowCount(), 24);
    EXPECT_EQ(cell(hourly, 0, 0), "09-12-2026 07:00");
    EXPECT_EQ(cell(hourly, 23, 0), "10-12-2026 06:00");
    // Chosen while the table is hidden, shown when it comes back.
    hourlyButton->setChecked(false);
    emit w->dailyTable()->cellClicked(1, 0);
    hourlyButton->setChecked(true);
    ASSERT_EQ(hourly->rowCount(), 24);
    EXPECT_EQ(cell(hourly, 0, 0), "08-12-2026 07:00");
    EXPECT_EQ(cell(hourly, 11, 4), "50.0 %") << "the hour the cable was pulled";
    // Every column in sight, nothing cut.
    for (QTableWidget* t : {w->dailyTable(), hourly, w->figuresTable()})
        EXPECT_GE(t->viewport()->width(), t->horizontalHeader()->length());
    w->grab().toImage().save(QStringLiteral(VREL_TEST_OUT "/survey-window-hours.png"));
}

// On a screen 1,200, 1,000 or 800 px wide the window fits: the figures table shows
// every column whole, and the cursors' line every time, wrapped where the
// line is short of room.
TEST_F(SurveyWindowTest, AtTwelveHundredAndAThousandPixelsTheFiguresAndCursorsFit) {
    std::unique_ptr<CSurveyWnd> w(openAndWait(dir.path()));
    ASSERT_TRUE(w->loaded());
    w->showNormal();
    const SeriesStore& s = w->series();
    w->plot()->setCursors(s.start() + 3'600'000, s.end() - 3'600'000);
    const QString cursors = w->cursorsLabel()->text();
    ASSERT_TRUE(cursors.contains(QStringLiteral("A–B"))) << cursors.toStdString();
    for (const int width : {1200, 1000, 800}) {
        SCOPED_TRACE(width);
        w->resize(width, 720);
        ASSERT_TRUE(QTest::qWaitFor([&w, width] { return w->width() == width; }, 5000))
            << "the window is kept at " << w->width() << " px at least";
        QApplication::processEvents();
        const QImage shot = w->grab().toImage();
        shot.save(QStringLiteral(VREL_TEST_OUT "/survey-window-%1.png").arg(width));

        QTableWidget* f = w->figuresTable();
        const QRect table(f->mapTo(w.get(), QPoint(0, 0)), f->size());
        EXPECT_TRUE(w->rect().contains(table));
        for (int c = 0; c < f->columnCount(); ++c) {
            const QRect column(f->horizontalHeader()->sectionViewportPosition(c), 0,
                               f->columnWidth(c), 1);
            EXPECT_TRUE(f->viewport()->rect().contains(column)) << "column " << c;
        }
        // The last row above the table's bottom edge, not under a scroll bar.
        const int lastRow = f->rowCount() - 1;
        EXPECT_LE(f->rowViewportPosition(lastRow) + f->rowHeight(lastRow), f->viewport()->height());

        QLabel* label = w->cursorsLabel();
        EXPECT_EQ(label->text(), cursors);
        EXPECT_TRUE(w->rect().contains(QRect(label->mapTo(w.get(), QPoint(0, 0)), label->size())));
        // Every word of it inside the label, on as many lines as it takes.
        const QRect needed = label->fontMetrics().boundingRect(
            label->contentsRect(), Qt::TextWordWrap | int(label->alignment()), label->text());
        EXPECT_LE(needed.width(), label->contentsRect().width());
        EXPECT_LE(needed.height(), label->contentsRect().height());
    }

    // Tables the user has arranged by hand stay so when the window is resized.
    w->resize(1200, 720);
    ASSERT_TRUE(QTest::qWaitFor([&w] { return w->width() == 1200; }, 5000));
    QApplication::processEvents();
    auto* splitter = qobject_cast<QSplitter*>(w->figuresTable()->parentWidget());
    ASSERT_NE(splitter, nullptr);
    const int fitted = splitter->sizes()[1];
    // The handle right of the daily table (the hourly one is hidden).
    QSplitterHandle* handle = nullptr;
    for (int i = 2; i < splitter->count() && !handle; ++i)
        if (splitter->handle(i)->isVisible())
            handle = splitter->handle(i);
    ASSERT_NE(handle, nullptr);
    const QPoint grip = handle->rect().center();
    const auto mouse = [handle](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent e(type, at, handle->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(handle, &e);
    };
    mouse(QEvent::MouseButtonPress, grip, Qt::LeftButton);
    mouse(QEvent::MouseMove, grip - QPoint(80, 0), Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, grip - QPoint(80, 0), Qt::NoButton);
    const int dragged = splitter->sizes()[1];
    ASSERT_LT(dragged, fitted);
    w->resize(1200, 760);
    ASSERT_TRUE(QTest::qWaitFor([&w] { return w->height() == 760; }, 5000));
    QApplication::processEvents();
    EXPECT_EQ(splitter->sizes()[1], dragged) << "fitted again over the user's arrangement";
}

TEST_F(SurveyWindowTest, OpensMaximisedAsLastClosedAndShowsACursorAtTheRightEdge) {
    EXPECT_TRUE(CSurveyWnd::opensMaximized()) << "the first time";
    {
        std::unique_ptr<CSurveyWnd> w(openAndWait(dir.path()));
        EXPECT_TRUE(w->isMaximized());
        // B at the very end of the view: its line inside the plot, not only its name.
        SurveyPlot* plot = w->plot();
        plot->setCursors(std::nullopt, plot->span().t1());
        const QImage shot = plot->grab().toImage();
        shot.save(QStringLiteral(VREL_TEST_OUT "/survey-cursor-right-edge.png"));
        const QRect area = plot->plotArea();
        int green = 0;
        for (int x = area.right() - 3; x <= area.right(); ++x)
            for (int y = area.top(); y <= area.bottom(); ++y) {
                const QColor c = shot.pixelColor(x, y);
                green += c.green() > 120 && c.red() < 60 && c.blue() < 60;
            }
        EXPECT_GT(green, area.height() / 2);
        w->showNormal();
        EXPECT_TRUE(QTest::qWaitFor([&w] { return !w->isMaximized(); }, 5000));
        w->close();
    }
    EXPECT_FALSE(CSurveyWnd::opensMaximized());
    std::unique_ptr<CSurveyWnd> again(openAndWait(dir.path()));
    EXPECT_FALSE(again->isMaximized());
    again->showMaximized();
    EXPECT_TRUE(QTest::qWaitFor([&again] { return again->isMaximized(); }, 5000));
    again->close();
    EXPECT_TRUE(CSurveyWnd::opensMaximized());
}

// The figures column of the window against vrel-cli stats on the folder.
void expectCompanionsFigures(CSurveyWnd& w, const QStringList& cliArgs, const std::string& where) {
    const auto cli = cliStats(cliArgs);
    QTableWidget* f = w.figuresTable();
    for (int r = 0; r < f->rowCount(); ++r) {
        const std::string name = cell(f, r, 0).toStdString();
        if (name != "Leq" && name != "Lmax" && name != "Lmin" && name != "L10" && name != "L50" &&
            name != "L90")
            continue;
        ASSERT_TRUE(cli.count(name)) << name;
        EXPECT_NEAR(cell(f, r, CSurveyWnd::WholeSurvey + 1).toDouble(), std::stod(cli.at(name)),
                    0.051)
            << where << " " << name;
    }
}

// vrel-cli stats --background: each date's and period's ABL, as
// "dd-mm-yyyy day" -> "45.60".
std::map<std::string, std::string> cliBackground(const QString& dir) {
    std::map<std::string, std::string> out;
    std::istringstream lines(run(QStringLiteral(VREL_CLI),
                                 {QStringLiteral("stats"), QStringLiteral("--background"), dir})
                                 .toStdString());
    for (std::string line; std::getline(lines, line);) {
        const std::vector<std::string> f = words(line);
        if (f.size() == 5 && f[0] == "abl")
            out[f[1] + " " + f[2]] = f[3];
    }
    return out;
}

// The daily table of the window against vrel-cli stats --daily, and its
// last three columns, the day's, evening's and night's ABL, against
// stats --background.
void expectCompanionsDays(CSurveyWnd& w, const QString& dir, const std::string& where) {
    Table window = windowTable(w.dailyTable());
    const Table cli = cliDays(dir);
    const auto background = cliBackground(dir);
    ASSERT_EQ(cli.size() + 1, window.size()) << where;
    for (std::size_t r = 1; r < window.size(); ++r) {
        ASSERT_EQ(cli[r - 1].size() + 3, window[r].size()) << where;
        const char* parts[] = {"day", "evening", "night"};
        for (std::size_t p = 0; p < 3; ++p) {
            const std::string& shown = window[r][cli[r - 1].size() + p];
            const auto it = background.find(window[r][0] + " " + parts[p]);
            if (it == background.end())
                EXPECT_EQ(shown, "-") << where << " " << window[r][0] << " " << parts[p];
            else
                EXPECT_EQ(shown, formatFixed(std::stod(it->second), 1))
                    << where << " " << window[r][0] << " " << parts[p];
        }
        window[r].resize(cli[r - 1].size());
        EXPECT_EQ(cli[r - 1][0], window[r][0]);
        for (std::size_t c = 1; c < window[r].size(); ++c) {
            if (window[r][c] == "-") {
                EXPECT_EQ(cli[r - 1][c], "-") << where << " " << window[r][0] << " " << c;
                continue;
            }
            EXPECT_NEAR(std::stod(window[r][c]), std::stod(cli[r - 1][c]), 0.051)
                << where << " " << window[r][0] << " " << window[0][c];
        }
    }
}

TEST_F(SurveyWindowTest, AMarkedSpanChangesTheFiguresAsTheCompanionsAndIsUndone) {
    std::unique_ptr<CSurveyWnd> w(openAndWait(dir.path()));
    ASSERT_TRUE(w->loaded());
    const SeriesStore& s = w->series();
    const Table before = windowTable(w->dailyTable());
    const std::string figuresBefore = cell(w->figuresTable(), 0, 1).toStdString();

    // Rain from 22:00 on the 8th to 04:00 on the 9th, across midnight.
    const SurveyMs from = (SurveyMs(dec7at12) + 34 * 3600) * 1000;
    const SurveyMs to = (SurveyMs(dec7at12) + 40 * 3600) * 1000;
    w->plot()->setCursors(s.seriesOfLocal(to), s.seriesOfLocal(from)); // B before A
    answers.markNext({{},
                      QStringLiteral("exclude"),
                      QStringLiteral("rain"),
                      QStringLiteral("heavy, then light"),
                      {}});
    w->markSpan();
    ASSERT_EQ(answers.markRequests().size(), 1u);
    EXPECT_TRUE(answers.markRequests()[0].span.contains(QStringLiteral("08-12-2026 22:00:00")));
    ASSERT_TRUE(answers.messages().empty()) << answers.messages()[0].text.toStdString();
    ASSERT_EQ(w->marks().marks().size(), 1u);
    ASSERT_TRUE(QFile::exists(dir.filePath(QStringLiteral("markers.csv"))));
    QTableWidget* list = w->marksTable();
    ASSERT_EQ(list->rowCount(), 1);
    EXPECT_EQ(cell(list, 0, 0), "08-12-2026 22:00:00");
    EXPECT_EQ(cell(list, 0, 1), "6:00:00");
    EXPECT_EQ(cell(list, 0, 3), "rain");
    EXPECT_EQ(cell(list, 0, 4), "heavy, then light");
    EXPECT_TRUE(w->marksLabel()->text().contains(QStringLiteral("2,160 okuma (06:00:00)")))
        << w->marksLabel()->text().toStdString();

    w->grab().toImage().save(QStringLiteral(VREL_TEST_OUT "/survey-window-marked.png"));
    // The window and the companion read the same marks the same way.
    expectCompanionsFigures(*w, {dir.path()}, "marked");
    expectCompanionsDays(*w, dir.path(), "marked");
    const Table marked = windowTable(w->dailyTable());
    EXPECT_EQ(marked[2][8], "25.0 %") << "six hours of the 8th's day excluded";
    EXPECT_NE(marked[2], before[2]);

    // The figures of all readings, as --no-marks.
    auto* all = w->findChild<QPushButton*>(QStringLiteral("allReadings"));
    ASSERT_TRUE(all);
    all->setChecked(true);
    expectCompanionsFigures(*w, {dir.path(), QStringLiteral("--no-marks")}, "all readings");
    EXPECT_EQ(windowTable(w->dailyTable())[2][1], before[2][1]);
    all->setChecked(false);

    // The band on the curve, labelled, at the whole survey and at its day.
    QImage whole = w->plot()->grab().toImage();
    whole.save(QStringLiteral(VREL_TEST_OUT "/survey-mark-whole.png"));
    ASSERT_EQ(w->plot()->markBandsDrawn().size(), 1u);
    const MarkBand wide = w->plot()->markBandsDrawn()[0];
    emit w->dailyTable()->cellClicked(1, 0);
    QImage day = w->plot()->grab().toImage();
    day.save(QStringLiteral(VREL_TEST_OUT "/survey-mark-day.png"));
    ASSERT_EQ(w->plot()->markBandsDrawn().size(), 1u);
    const MarkBand zoomed = w->plot()->markBandsDrawn()[0];
    EXPECT_GT(zoomed.x1 - zoomed.x0, 2 * (wide.x1 - wide.x0));
    EXPECT_TRUE(zoomed.labelled);
    // Excluded readings are dimmed, never hidden: the curve's blue still shows in the band.
    int blue = 0;
    for (int x = zoomed.x0 + 2; x < zoomed.x1 - 2; ++x)
        for (int y = w->plot()->plotArea().top(); y < w->plot()->plotArea().bottom(); ++y) {
            const QColor c = day.pixelColor(x, y);
            blue += c.blue() > c.red() + 25;
        }
    EXPECT_GT(blue, zoomed.x1 - zoomed.x0);

    // Residual sound in the day: as loud as the day around it, so the
    // source's own level is not determinable. The report says it all.
    const SurveyMs plantOff = (SurveyMs(dec7at12) + 46 * 3600) * 1000; // 09-12 10:00
    w->plot()->setCursors(s.seriesOfLocal(plantOff), s.seriesOfLocal(plantOff + 3'600'000));
    answers.markNext({{}, QStringLiteral("residual"), QStringLiteral("plant off"), {}, {}});
    w->markSpan();
    ASSERT_EQ(answers.markRequests().size(), 2u);
    EXPECT_EQ(answers.markRequests()[1].recentLabels, QStringList{QStringLiteral("rain")});
    ASSERT_EQ(w->marks().marks().size(), 2u);
    w->clearCursors();
    const SpanReport report = reportOf(*w, answers, dir.filePath(QStringLiteral("marked.pdf")));
    QFile::remove(QStringLiteral(VREL_TEST_OUT "/survey-marked-report.pdf"));
    QFile::copy(dir.filePath(QStringLiteral("marked.pdf")),
                QStringLiteral(VREL_TEST_OUT "/survey-marked-report.pdf"));
    for (const char* expected :
         {"İşaretler", "hariç +rain +08-12-2026 22:00:00 +09-12-2026 04:00:00 +6:00:00 +heavy",
          "artık ses +plant off +09-12-2026 10:00:00 +09-12-2026 11:00:00 +1:00:00",
          "Hariç tutulan +2160 okuma, 6:00:00", "Artık ses +360 okuma, 1:00:00",
          "Lözgül +belirlenemez", "Değerlendirilen +Bütün okumalar"})
        EXPECT_TRUE(holds(report.text, expected)) << expected << "\n" << report.text;

    // Ctrl+Z takes the marks back one by one, in the file too.
    w->activateWindow();
    QTest::keyClick(w.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(w->marks().marks().size(), 1u);
    QTest::keyClick(w.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(w->marks().marks().size(), 0u);
    EXPECT_EQ(list->rowCount(), 0);
    EXPECT_EQ(windowTable(w->dailyTable()), before);
    EXPECT_EQ(cell(w->figuresTable(), 0, 1).toStdString(), figuresBefore);
    expectCompanionsDays(*w, dir.path(), "undone");
    QFile file(dir.filePath(QStringLiteral("markers.csv")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().trimmed(), QByteArray("start,end,kind,label,note"));
}

// The same figure in another output: the window's text, the workbook's
// number, the report's text, the companion's two decimals.
void expectSameLevel(const std::string& window, const std::string& workbook,
                     const std::string& report, const std::string* cli, const std::string& where) {
    if (window == "-") {
        EXPECT_EQ(workbook, "") << where;
        EXPECT_EQ(report, "–") << where;
        if (cli) {
            EXPECT_EQ(*cli, "-") << where;
        }
        return;
    }
    ASSERT_FALSE(workbook.empty()) << where;
    const double v = std::stod(workbook);
    EXPECT_EQ(window, formatFixed(v, 1)) << where;
    EXPECT_EQ(report, window) << where;
    if (cli) {
        EXPECT_NEAR(std::stod(*cli), v, 0.0051) << where;
    }
}

class SurveyTablesTest : public SurveyWindowTest, public ::testing::WithParamInterface<Language> {
  protected:
    void TearDown() override { useLanguage(Language::Turkish); }
};

TEST_P(SurveyTablesTest, TheWindowWorkbookReportAndCompanionShowTheSameTables) {
    const bool english = GetParam() == Language::English;
    ASSERT_TRUE(useLanguage(GetParam()));
    std::unique_ptr<CSurveyWnd> w(openAndWait(dir.path()));
    ASSERT_TRUE(w->loaded());
    w->findChild<QPushButton*>(QStringLiteral("hourlyTable"))->setChecked(true);
    Table daily = windowTable(w->dailyTable());
    const Table hourly = windowTable(w->hourlyTable());
    // The window's days end in their background levels, which the workbook
    // and report give in tables of their own.
    for (auto& row : daily) {
        ASSERT_EQ(row.size(), 13u);
        row.resize(10);
    }

    const QString book = dir.filePath(QStringLiteral("tables.xlsx"));
    answers.fileNext(book);
    w->exportTables();
    const Table bookDays = workbookSheet(book, 1);
    const Table bookHours = workbookSheet(book, 2);

    const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
    answers.reportNext({});
    answers.fileNext(pdf);
    w->report();
    ASSERT_TRUE(answers.messages().empty());
    const Table reportRows = reportDays(pdf);
    const Table cli = cliDays(dir.path());

    // The same headings everywhere; the workbook's bare numbers say their
    // unit when it is a share.
    using Row = std::vector<std::string>;
    const Row days = english ? Row({"Day", "Lday", "Levening", "Lnight", "Lden", "LAeq,24h", "Lmax",
                                    "Coverage", "Excluded", "Residual"})
                             : Row({"Gün", "Lgündüz", "Lakşam", "Lgece", "Lden", "LAeq,24h", "Lmax",
                                    "Kapsam", "Hariç", "Artık"});
    const Row hours = english
                          ? Row({"Hour", "Leq", "Lmax", "Lmin", "Coverage", "Excluded", "Residual"})
                          : Row({"Saat", "Leq", "Lmax", "Lmin", "Kapsam", "Hariç", "Artık"});
    // The shares: coverage, and the time excluded and residual.
    auto inSheet = [](Row r) {
        for (std::size_t c = r.size() - 3; c < r.size(); ++c)
            r[c] += " %";
        return r;
    };
    EXPECT_EQ(daily[0], days);
    EXPECT_EQ(bookDays[0], inSheet(days));
    ASSERT_FALSE(reportRows.empty());
    EXPECT_EQ(reportRows[0], days);
    EXPECT_EQ(hourly[0], hours);
    EXPECT_EQ(bookHours[0], inSheet(hours));

    // The 7th from noon, the 8th, the 9th and the morning of the 10th.
    ASSERT_EQ(daily.size(), 5u);
    ASSERT_EQ(bookDays.size(), daily.size());
    ASSERT_EQ(reportRows.size(), daily.size());
    ASSERT_EQ(cli.size(), daily.size() - 1);
    for (std::size_t r = 1; r < daily.size(); ++r) {
        const Row& row = daily[r];
        ASSERT_EQ(row.size(), 10u);
        ASSERT_EQ(bookDays[r].size(), row.size());
        ASSERT_EQ(reportRows[r].size(), row.size());
        ASSERT_EQ(cli[r - 1].size(), row.size());
        EXPECT_EQ(sheetDate(bookDays[r][0], false), row[0]);
        EXPECT_EQ(reportRows[r][0], row[0]);
        EXPECT_EQ(cli[r - 1][0], row[0]);
        for (std::size_t c = 1; c < 7; ++c)
            expectSameLevel(row[c], bookDays[r][c], reportRows[r][c], &cli[r - 1][c],
                            row[0] + " " + daily[0][c]);
        for (std::size_t c = 7; c < row.size(); ++c) {
            const double share = std::stod(bookDays[r][c]);
            EXPECT_EQ(row[c], formatFixed(share, 1) + " %") << row[0];
            EXPECT_EQ(reportRows[r][c], row[c]) << row[0];
            EXPECT_NEAR(std::stod(cli[r - 1][c]), share, 0.0051) << row[0];
        }
    }
    // A day's hours less the half hour without the cable.
    ASSERT_EQ(hourly.size(), 1u + 72);
    ASSERT_EQ(bookHours.size(), hourly.size());
    for (std::size_t r = 1; r < hourly.size(); ++r) {
        const Row& row = hourly[r];
        ASSERT_EQ(bookHours[r].size(), row.size());
        EXPECT_EQ(sheetDate(bookHours[r][0], true), row[0]);
        for (std::size_t c = 1; c < 4; ++c)
            expectSameLevel(row[c], bookHours[r][c], row[c] == "-" ? "–" : row[c], nullptr,
                            row[0] + " " + hourly[0][c]);
        for (std::size_t c = 4; c < row.size(); ++c)
            EXPECT_EQ(row[c], formatFixed(std::stod(bookHours[r][c]), 1) + " %") << row[0];
    }
    EXPECT_EQ(hourly[1][0], "07-12-2026 12:00");
    EXPECT_EQ(hourly[31][4], "50.0 %") << "the hour the cable was pulled";
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, SurveyTablesTest,
                         ::testing::Values(Language::Turkish, Language::English),
                         [](const ::testing::TestParamInfo<Language>& param) {
                             return std::string(param.param == Language::English ? "English"
                                                                                 : "Turkish");
                         });

} // namespace

TEST_F(SurveyWindowTest, TheWindowsReportAndWorkbookFollowTheMarksItHandsThem) {
    ASSERT_TRUE(useLanguage(Language::Turkish));
    // The survey was written on a clock whose local time is UTC.
    ManualClock utc;
    setAppClock(&utc);
    std::unique_ptr<CSurveyWnd> w(openAndWait(dir.path()));
    ASSERT_TRUE(w->loaded());
    const SeriesStore& s = w->series();
    auto ms = [](int hoursFromStart) { return SurveyMs(dec7at12 + hoursFromStart * 3600) * 1000; };
    // Rain on the 8th from 20:00 to 21:00, within an A–B span of three hours.
    const SurveyMarks marks({{ms(32), ms(33), MarkKind::Exclude, "rain", "heavy"}});
    const SeriesMs t0 = seriesTimeOf(s, ms(31), utc), t1 = seriesTimeOf(s, ms(34), utc);

    // Three hours would be reported from their readings; with a mark in
    // them they get the report that says what it left out.
    const QString pdf = dir.filePath(QStringLiteral("marked.pdf"));
    answers.reportNext({});
    answers.fileNext(pdf);
    reportSurveySpan(w.get(), s, t0, t1, marks);
    const std::string text =
        run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")})
            .toStdString();
    auto holds = [&text](const std::vector<std::string>& expected) {
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);)
            if (const auto found = words(line);
                std::search(found.begin(), found.end(), expected.begin(), expected.end()) !=
                found.end())
                return true;
        return false;
    };
    EXPECT_TRUE(holds(
        {"hariç", "rain", "08-12-2026", "20:00:00", "08-12-2026", "21:00:00", "1:00:00", "heavy"}))
        << text;
    EXPECT_TRUE(holds({"Hariç", "tutulan", "360", "okuma,", "1:00:00"})) << text;
    EXPECT_TRUE(holds({"Gösterge", "Değerlendirilen", "Bütün", "okumalar"})) << text;

    // The workbook: the figures of the readings left, the mark listed.
    const QString book = dir.filePath(QStringLiteral("marked.xlsx"));
    answers.fileNext(book);
    exportSurveyTables(w.get(), s, PeriodBounds{}, marks);
    const Table figures = workbookSheet(book, 3);
    const Table listed = workbookSheet(book, 4);
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[1][1], "rain");
    EXPECT_EQ(listed[1][5], "heavy");
    bool counted = false;
    for (const auto& row : figures)
        if (!row.empty() && row[0] == "Hariç") {
            EXPECT_EQ(row.at(1), "360");
            counted = true;
        }
    EXPECT_TRUE(counted);
    EXPECT_TRUE(answers.messages().empty());
    w.reset();
    setAppClock(nullptr);
}
