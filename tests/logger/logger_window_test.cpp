#include "config/ColorConfig.h"
#include "graph/CGraphicsBtn.h"
#include "logger/DataLogDlg.h"
#include "logger/DataLogForm.h"
#include "ui/AcousticGroup.h"
#include "ui/LevelLimit.h"
#include "ui/Prompt.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

// A reading of set n at second s of a minute.
CObjData reading(double value, int set, int second, const char* unit = "dBA", double rate = 1.0) {
    char time[32];
    std::snprintf(time, sizeof time, "07-12-2026,9:00:%.2d", second);
    return CObjData(value, time, unit, set, rate);
}

class DataLogWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        setAppDataFolderOverride(std::filesystem::path(configDir.path().toStdString()));
        window = std::make_unique<CDataLogDlg>(records);
    }
    void TearDown() override {
        window.reset();
        setAppDataFolderOverride(std::nullopt);
    }

    void show() {
        window->rebuild();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    QStringList row(int r) const {
        const QAbstractItemModel* m = window->dataSetList()->model();
        QStringList cells;
        for (int c = 0; c < m->columnCount(); ++c)
            cells << m->index(r, c).data().toString();
        return cells;
    }
    int rows() const { return window->dataSetList()->model()->rowCount(); }
    QString field(int id) const { return qobject_cast<QLineEdit*>(window->control(id))->text(); }
    QComboBox* interval() const {
        return qobject_cast<QComboBox*>(window->control(DataLogId::interval));
    }
    // A double click as the user gives it, on a row or (-1) below the last one.
    void doubleClickRow(int r) {
        QTableView* list = window->dataSetList();
        const QPoint at = r >= 0 ? list->visualRect(list->model()->index(r, 1)).center()
                                 : QPoint(20, list->viewport()->height() - 5);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    }

    QTemporaryDir configDir;
    RecordList records;
    std::unique_ptr<CDataLogDlg> window;
};

} // namespace

TEST_F(DataLogWindow, RowsAndChoosingASetShowingInTwoRuns) {
    // set 1, set 2 (C weighted, 4 s), then set 1 again further down
    records.append(reading(45.6, 1, 0));
    records.append(reading(72.5, 1, 1));
    records.append(reading(50.0, 1, 2));
    records.append(reading(60.0, 2, 10, "dBC", 4.0));
    records.append(reading(61.0, 2, 14, "dBC", 4.0));
    records.append(reading(80.3, 1, 30));
    show();

    ASSERT_EQ(rows(), 3);
    EXPECT_EQ(row(0), QStringList({"1", "07-12-2026,9:00:00", "dBA", "1.00", "3"}));
    EXPECT_EQ(row(1), QStringList({"2", "07-12-2026,9:00:10", "dBC", "4.00", "2"}));
    EXPECT_EQ(row(2), QStringList({"1", "07-12-2026,9:00:30", "dBA", "1.00", "1"}));
    const QHeaderView* header = window->dataSetList()->horizontalHeader();
    EXPECT_EQ(window->dataSetList()->model()->headerData(3, Qt::Horizontal).toString(),
              "Sampling Rate");
    EXPECT_EQ(header->sectionSize(1), 120);
    EXPECT_TRUE(interval()->isEnabled());
    EXPECT_EQ(interval()->currentIndex(), -1);
    EXPECT_EQ(interval()->count(), 10);

    // Either row of set 1 selects the readings of both runs.
    doubleClickRow(2);
    ASSERT_EQ(window->selection().size(), 4u);
    EXPECT_EQ(window->selection()[3], records[5]);
    EXPECT_EQ(window->graph()->series, &window->selection());
    EXPECT_EQ(field(DataLogId::dataCount), "4");
    EXPECT_EQ(field(DataLogId::startTime), "07-12-2026,9:00:00");
    EXPECT_EQ(field(DataLogId::maxValue), "80.3");
    EXPECT_EQ(field(DataLogId::maxTime), "07-12-2026,9:00:30");
    EXPECT_EQ(field(DataLogId::minValue), "45.6");
    EXPECT_EQ(field(DataLogId::minTime), "07-12-2026,9:00:00");
    EXPECT_EQ(field(DataLogId::average), "62.1");
    EXPECT_DOUBLE_EQ(window->stats().sum, 45.6 + 72.5 + 50.0 + 80.3);
    EXPECT_EQ(interval()->currentText(), "1");
    EXPECT_FALSE(interval()->isEnabled());
    const RecordList firstSelection = window->selection();
    doubleClickRow(0);
    EXPECT_EQ(window->selection(), firstSelection);

    // An interval that none of the items shows selects none.
    doubleClickRow(1);
    ASSERT_EQ(window->selection().size(), 2u);
    EXPECT_EQ(interval()->currentIndex(), -1);
    EXPECT_EQ(field(DataLogId::dataCount), "2");

    // Empty list space: the box comes back and the graph's span with it,
    // nothing else changes.
    window->graph()->xMax = 55;
    doubleClickRow(-1);
    EXPECT_TRUE(interval()->isEnabled());
    EXPECT_EQ(window->graph()->xMax, 20);
    EXPECT_EQ(window->selection().size(), 2u);
    EXPECT_EQ(field(DataLogId::dataCount), "2");
}

TEST_F(DataLogWindow, LevelsBeyondTheStartValuesLeaveMaxAndMinUntouched) {
    records.append(reading(0.0, 1, 0));
    records.append(reading(-3.0, 1, 1));
    records.append(reading(130.0, 2, 2));
    records.append(reading(140.5, 2, 3));
    show();

    doubleClickRow(0);
    EXPECT_EQ(field(DataLogId::maxValue), "0.0");
    EXPECT_EQ(field(DataLogId::maxTime), "");
    EXPECT_EQ(window->stats().maxUnit, "");
    EXPECT_EQ(field(DataLogId::minValue), "-3.0");

    doubleClickRow(1);
    EXPECT_EQ(field(DataLogId::minValue), "130.0");
    EXPECT_EQ(field(DataLogId::minTime), "");
    EXPECT_EQ(window->stats().minUnit, "");
    EXPECT_EQ(field(DataLogId::maxValue), "140.5");
}

TEST_F(DataLogWindow, AnUnreadableTimeIsToldOnceAfterTheRedraw) {
    // A data file with a damaged time: one reading, so every label beyond it
    // has to be computed from that text.
    records.append(CObjData(50, "07-13-2026,9:00:00", "dBA", 1, 1.0));
    records.append(CObjData(51, "garbled", "dBA", 2, 1.0));
    records.append(CObjData(52, "07-12-2026,9:00:00", "dBA", 3, 1.0));
    ScriptedPrompt answers;
    ScopedPrompt scoped(answers);
    show();
    doubleClickRow(0);
    EXPECT_TRUE(answers.messages().empty()) << "not from inside the redraw";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !answers.messages().empty(); }));
    EXPECT_EQ(answers.messages()[0].text, "Time Format is wrong!");
    EXPECT_EQ(answers.messages()[0].caption, "Vrel");
    EXPECT_EQ(window->graph()->timeLabels().count, 1) << "the labels beyond it are not drawn";

    // Redraws of the same set do not repeat it; another bad set is told again.
    doubleClickRow(0);
    window->resize(window->width() + 30, window->height());
    QApplication::processEvents();
    EXPECT_EQ(answers.messages().size(), 1u);
    doubleClickRow(1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return answers.messages().size() == 2; }));
    doubleClickRow(2);
    QApplication::processEvents();
    EXPECT_EQ(answers.messages().size(), 2u);
    EXPECT_EQ(window->graph()->timeLabels().count, 6);
}

TEST_F(DataLogWindow, CursorReadOutsAndScrollbarsFollowTheChosenSet) {
    for (int i = 0; i < 90; ++i)
        records.append(reading(50 + i % 7, 1, i % 60));
    show();
    doubleClickRow(0);
    CGraphicsBtn* g = window->graph();
    EXPECT_GE(g->xMax, 89) << "the span grows to the whole set";

    emit g->cursorChanged(cursorWhichA, 3);
    EXPECT_EQ(field(1004), "53.0");
    EXPECT_EQ(window->cursorAIndex(), 3);
    emit g->cursorChanged(cursorWhichB, 10);
    EXPECT_EQ(field(1023), "53.0");
    EXPECT_EQ(field(1032), "8");
    emit g->hover(5);
    EXPECT_EQ(qobject_cast<QLabel*>(window->control(1033))->text(), "55.0");
}

TEST_F(DataLogWindow, CloseBoxEmptiesTheRecordsWhileEscAndEnterOnlyHide) {
    records.append(reading(45.0, 1, 0));
    records.append(reading(46.0, 1, 1));
    show();
    doubleClickRow(0);
    window->graph()->cursorA = 1;
    window->graph()->cursorMode = 1;

    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(records.size(), 2u);
    EXPECT_EQ(window->graph()->cursorA, 1);

    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QTest::keyClick(window.get(), Qt::Key_Return);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(records.size(), 2u);

    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(records.empty());
    EXPECT_TRUE(window->selection().empty());
    EXPECT_EQ(window->graph()->cursorA, -1);
    EXPECT_EQ(window->graph()->cursorB, -1);
    EXPECT_EQ(window->graph()->cursorMode, 0);

    // Made anew from the empty list: no rows, no curve.
    window->rebuild();
    EXPECT_EQ(rows(), 0);
    EXPECT_EQ(window->graph()->series->size(), 0u);
}

TEST_F(DataLogWindow, AkustikGroupSummarisesTheSetAndTheSpanBetweenTheCursors) {
    using namespace AcousticGroup;
    levelLimit().set(std::nullopt);
    // 60 and 80 dB alternate at 2 s; a quiet tail of 40 dB
    for (int i = 0; i < 10; ++i)
        records.append(reading(i % 2 ? 80.0 : 60.0, 1, i * 2, "dBA", 2.0));
    for (int i = 10; i < 14; ++i)
        records.append(reading(40.0, 1, i * 2, "dBA", 2.0));
    show();
    doubleClickRow(0);
    auto at = [&](int row, Column c) { return field(fieldId(row, c)); };
    EXPECT_EQ(at(Lmax, Whole), "80.0");
    EXPECT_EQ(at(Lmin, Whole), "40.0");
    EXPECT_EQ(at(Weighting, Whole), "dBA");
    EXPECT_EQ(at(AboveCount, Whole), "") << "no limit set";
    EXPECT_EQ(at(Leq, Span), "") << "no cursors yet";
    EXPECT_EQ(field(DataLogId::average), "61.4") << "the arithmetic average stays as it was";

    CGraphicsBtn* g = window->graph();
    emit g->cursorChanged(cursorWhichA, 2);
    emit g->cursorChanged(cursorWhichB, 3);
    EXPECT_EQ(at(Leq, Span), "77.0") << "60 and 80 dB";
    EXPECT_EQ(at(Sel, Span), QString::asprintf("%.1f", 77.0344 + 10 * std::log10(4.0)));
    EXPECT_EQ(at(L90, Span), "60.0");
    emit g->cursorChanged(cursorWhichA, 11);
    EXPECT_EQ(at(Leq, Span), "") << "a new cursor A empties the span";
    emit g->cursorChanged(cursorWhichB, 13);
    EXPECT_EQ(at(Leq, Span), "40.0");
    EXPECT_EQ(at(Lmax, Span), "40.0");
    emit g->cursorChanged(cursorWhichB, 5);
    EXPECT_EQ(at(Leq, Span), "") << "B before A is no span";

    // The limit, set through the menu's dialog, is drawn and counted at once.
    g->cursorA = 0;
    g->cursorB = 4;
    ScriptedPrompt answers;
    ScopedPrompt scoped(answers);
    answers.numberNext(70.0);
    levelLimit().ask(window.get());
    ASSERT_EQ(answers.numberRequests().size(), 1u);
    EXPECT_EQ(g->limit, 70.0);
    EXPECT_EQ(at(AboveCount, Whole), "5");
    EXPECT_EQ(at(AboveTime, Whole), "10.0");
    EXPECT_EQ(at(LongestRun, Whole), "1");
    EXPECT_EQ(at(AboveCount, Span), "2") << "readings 1 and 3 of 0..4";
    EXPECT_EQ(readLevelLimit(colorConfigPath()), 70.0) << "kept with the settings";

    levelLimit().ask(window.get()); // cancelled: no change
    EXPECT_EQ(g->limit, 70.0);
    levelLimit().set(std::nullopt);
    EXPECT_FALSE(g->limit);
    EXPECT_EQ(at(AboveCount, Whole), "");
    EXPECT_FALSE(readLevelLimit(colorConfigPath()));
}

TEST_F(DataLogWindow, AkustikGroupFitsBesideTheGraphWithoutOverlaps) {
    show();
    const QRect graphBox = window->graph()->geometry();
    const QRect vbar = window->control(DataLogId::vScroll)->geometry();
    QRect group;
    for (int r = 0; r < AcousticGroup::rows; ++r)
        for (int c = 0; c < 2; ++c) {
            const QRect f = window->control(AcousticGroup::fieldId(r, c))->geometry();
            EXPECT_FALSE(f.intersects(graphBox));
            EXPECT_FALSE(f.intersects(vbar));
            EXPECT_LE(f.right(), window->control(DataLogId::graph)->parentWidget()->width());
            group |= f;
        }
    for (int r = 0; r + 1 < AcousticGroup::rows; ++r)
        EXPECT_FALSE(
            window->control(AcousticGroup::fieldId(r, 0))
                ->geometry()
                .intersects(window->control(AcousticGroup::fieldId(r + 1, 0))->geometry()));
    EXPECT_GT(group.left(), vbar.right());
}

TEST_F(DataLogWindow, ScreenshotWithAChosenSet) {
    // A street at noon, C weighted, and a quiet office before it.
    for (int i = 0; i < 60; ++i)
        records.append(reading(45.2 + (i * 37) % 41 / 10.0 + (i % 15 == 7 ? 18 : 0), 1, i));
    for (int i = 0; i < 40; ++i) {
        char time[32];
        std::snprintf(time, sizeof time, "07-12-2026,12:%.2d:%.2d", 30 + i * 2 / 60, i * 2 % 60);
        const int swell = i % 10 < 5 ? i % 10 : 10 - i % 10;
        records.append(CObjData(64.0 + 1.2 * swell + (i * 7) % 9 / 10.0, time, "dBC", 2, 2.0));
    }
    levelLimit().set(70.0);
    show();
    window->dataSetList()->selectRow(1);
    doubleClickRow(1);
    emit window->graph()->cursorChanged(cursorWhichA, 5);
    window->graph()->cursorA = 5;
    emit window->graph()->cursorChanged(cursorWhichB, 25);
    window->graph()->cursorB = 25;
    window->graph()->update();
    QCoreApplication::processEvents();

    const QImage shot = window->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    QDir().mkpath(VREL_SCREENSHOT_DIR);
    const QString path = QStringLiteral(VREL_SCREENSHOT_DIR "/datalogger.png");
    ASSERT_TRUE(shot.save(path)) << path.toStdString();
    // The form's colour around the controls, the graph's own inside it.
    const QPoint inGraph = window->graph()->mapTo(window.get(), QPoint(100, 100));
    EXPECT_NE(shot.pixelColor(inGraph), QColor(170, 175, 195));
    EXPECT_FALSE(
        field(AcousticGroup::fieldId(AcousticGroup::AboveCount, AcousticGroup::Span)).isEmpty());
    levelLimit().set(std::nullopt);
}
