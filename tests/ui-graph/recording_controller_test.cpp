#include "config/ColorConfig.h"
#include "graph/CGraphicsBtn.h"
#include "live/RecordingController.h"
#include "ui/AcousticGroup.h"
#include "ui/LevelLimit.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>

namespace {

// 2026-12-07 09:00:00 UTC
constexpr std::time_t testTime = 1796634000;

class RecordingForm : public QWidget {
  public:
    RecordingForm() {
        auto* layout = new QVBoxLayout(this);
        graph = new CGraphicsBtn(this);
        graph->setFixedSize(490, 330);
        layout->addWidget(graph);
        interval = new QComboBox(this);
        interval->setObjectName("1007");
        for (const char* t : {"0.1", "0.2", "0.5", "1", "1.5", "2", "2.5", "3", "5", "10"})
            interval->addItem(t);
        interval->setCurrentIndex(2);
        layout->addWidget(interval);
        for (int id : {1009, 1001, 1002, 1003, 1008, 1006, 1005}) {
            auto* edit = new QLineEdit(this);
            edit->setObjectName(QString::number(id));
            layout->addWidget(edit);
        }
        for (int r = 0; r < AcousticGroup::rows; ++r) {
            auto* edit = new QLineEdit(this);
            edit->setObjectName(QString::number(AcousticGroup::fieldId(r, AcousticGroup::Whole)));
            layout->addWidget(edit);
        }
        table = new QTreeView(this);
        table->setRootIsDecorated(false);
        table->setUniformRowHeights(true);
        layout->addWidget(table);
    }
    QString text(int id) const { return findChild<QLineEdit*>(QString::number(id))->text(); }

    CGraphicsBtn* graph;
    QComboBox* interval;
    QTreeView* table;
};

class RecordingControllerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setAppDataFolderOverride(std::filesystem::path(configDir.path().toStdString()));
        form = std::make_unique<RecordingForm>();
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        controller = std::make_unique<RecordingController>(
            records, form.get(), form->graph, form->table, [this] { return live; }, clock);
    }
    void TearDown() override {
        controller.reset();
        form.reset();
        setAppDataFolderOverride(std::nullopt);
    }
    // One tick with the boxes brought up to date, as they are a moment later.
    void sample(double level) {
        live.level = level;
        controller->tick();
        controller->showFigures();
        clock.advance(1);
    }
    QString cell(int row, int column) {
        return controller->model()->index(row, column).data().toString();
    }

    QTemporaryDir configDir;
    ManualClock clock{testTime};
    LiveSample live{55, true, false, true};
    RecordList records;
    std::unique_ptr<RecordingForm> form;
    std::unique_ptr<RecordingController> controller;
};

TEST_F(RecordingControllerTest, TheAkustikFiguresRunWithTheRecordingAndRecountOnANewLimit) {
    using namespace AcousticGroup;
    auto at = [&](int row) { return form->text(fieldId(row, Whole)); };
    levelLimit().set(70.0);
    ASSERT_TRUE(controller->start()); // at 0.5 s
    sample(60);
    EXPECT_EQ(at(Leq), "60.0");
    EXPECT_EQ(at(AboveCount), "0");
    sample(80);
    EXPECT_EQ(at(Leq), "77.0") << "the energy average, where Ortalama says 70.0";
    EXPECT_EQ(form->text(1005), "70.0");
    sample(85);
    sample(50);
    EXPECT_EQ(at(AboveCount), "2");
    EXPECT_EQ(at(AboveTime), "1.0");
    EXPECT_EQ(at(LongestRun), "2");
    EXPECT_EQ(at(Weighting), "dBA");
    EXPECT_EQ(at(Lmax), "85.0");
    EXPECT_EQ(at(Lmin), "50.0");

    // the running figures are those of a fresh count over the recording
    std::mt19937 random(7);
    std::uniform_int_distribution<int> tenths(300, 1200);
    for (int i = 0; i < 300; ++i)
        sample(tenths(random) / 10.0);
    auto same = [&](const AcousticSummary& a, const AcousticSummary& b) {
        EXPECT_EQ(a.count, b.count);
        EXPECT_NEAR(a.leq, b.leq, 1e-9);
        EXPECT_NEAR(a.sel, b.sel, 1e-9);
        EXPECT_EQ(a.ln, b.ln);
        EXPECT_EQ(a.aboveCount, b.aboveCount);
        EXPECT_EQ(a.longestRunAbove, b.longestRunAbove);
    };
    same(controller->acoustics().summary(),
         summarize(records, 0, static_cast<std::size_t>(records.count()), 0.5, 70.0));

    // a new limit mid-recording counts the readings so far against it
    levelLimit().set(100.0);
    same(controller->acoustics().summary(),
         summarize(records, 0, static_cast<std::size_t>(records.count()), 0.5, 100.0));
    EXPECT_EQ(at(AboveCount), QString::number(controller->acoustics().summary().aboveCount));
    levelLimit().set(std::nullopt);
    EXPECT_EQ(at(AboveCount), "") << "no limit, no count";
    EXPECT_FALSE(at(Leq).isEmpty());

    // a new recording starts the figures afresh
    controller->stop();
    ASSERT_TRUE(controller->start());
    sample(40);
    EXPECT_EQ(at(Leq), "40.0");
    EXPECT_EQ(controller->acoustics().count(), 1u);

    // a recording restored from its journal is counted whole
    controller->stop();
    RecordList restored;
    restored.append(CObjData(60.0, "07-12-2026,9:00:00", "dBC", 0, 2.0));
    restored.append(CObjData(80.0, "07-12-2026,9:00:02", "dBC", 0, 2.0));
    controller->restore(restored);
    EXPECT_EQ(at(Leq), "77.0");
    EXPECT_EQ(at(Weighting), "dBC");
    EXPECT_EQ(at(Sel), QString::asprintf("%.1f", 77.0344 + 10 * std::log10(4.0)));
}

TEST_F(RecordingControllerTest, StartingNeedsTheMeterAndRunsTheTimerAtTheChosenInterval) {
    QSignalSpy changed(controller.get(), &RecordingController::recordingChanged);
    live.connected = false;
    EXPECT_FALSE(controller->start());
    EXPECT_FALSE(controller->timer().isActive());
    EXPECT_EQ(changed.count(), 0);

    live.connected = true;
    form->interval->setCurrentIndex(0);
    ASSERT_TRUE(controller->start());
    EXPECT_EQ(controller->timer().interval(), 100);
    EXPECT_FALSE(form->interval->isEnabled());
    EXPECT_TRUE(form->graph->followNewest);
    EXPECT_EQ(form->graph->xMax, 20);
    EXPECT_EQ(changed.last(), (QList<QVariant>{true}));
    controller->stop();
    EXPECT_TRUE(form->interval->isEnabled());
    EXPECT_FALSE(form->graph->followNewest);
    EXPECT_FALSE(controller->timer().isActive());

    form->interval->setCurrentIndex(9);
    controller->start();
    EXPECT_EQ(controller->timer().interval(), 10000);
    EXPECT_EQ(controller->stats().samplingRate, 10);
}

TEST_F(RecordingControllerTest, TheTimerSamplesIntoTableGraphAndBoxes) {
    form->interval->setCurrentIndex(0);
    controller->setSampleLimit(3);
    controller->start();
    // Real ticks at 100 ms until the limit ends the recording.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !controller->recording(); }, 10000));
    EXPECT_EQ(records.count(), 3);
    EXPECT_EQ(controller->model()->rowCount(), 3);
    EXPECT_TRUE(form->interval->isEnabled());
    EXPECT_EQ(form->text(1009), "3");
    EXPECT_EQ(form->graph->series, &records);
}

TEST_F(RecordingControllerTest, TheBoxesCatchUpWithTheTicksWhileTheRecordingRuns) {
    using namespace AcousticGroup;
    ASSERT_TRUE(controller->start());
    live.level = 64;
    controller->tick();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form->text(1009).isEmpty(); }, 5000));
    EXPECT_TRUE(controller->recording());
    EXPECT_EQ(form->text(1002), "64.0");
    EXPECT_EQ(form->text(fieldId(Leq, Whole)), "64.0");
}

TEST_F(RecordingControllerTest, TheTableAppendsRowsWithValueUnderDegerAndUnitUnderBirim) {
    auto* model = controller->model();
    EXPECT_EQ(model->headerData(2, Qt::Horizontal).toString(), "Birim");
    EXPECT_EQ(model->headerData(3, Qt::Horizontal).toString(), "Değer");
    EXPECT_EQ(form->table->header()->sectionSize(1), 200);
    controller->start();
    QSignalSpy inserted(model, &QAbstractItemModel::rowsInserted);
    QSignalSpy reset(model, &QAbstractItemModel::modelReset);
    sample(61.25);
    live.weightingA = false;
    sample(58);
    EXPECT_EQ(inserted.count(), 2);
    EXPECT_EQ(reset.count(), 0) << "never rebuilt while recording";
    EXPECT_EQ(cell(0, 0), "1");
    // Readings under a second apart show their tenth.
    EXPECT_EQ(cell(0, 1), "07-12-2026,09:00:00.0");
    EXPECT_EQ(cell(0, 2), "dBA");
    EXPECT_EQ(cell(0, 3), "61.25");
    EXPECT_EQ(cell(1, 0), "2");
    EXPECT_EQ(cell(1, 2), "dBC");
}

// The table shows the newest row while the user leaves it at the bottom, and
// stays where the user scrolled to otherwise; back at the bottom, it follows
// again. Both kinds of view a form may give it, a table view with and without
// its row header. What the screen holds after each tick is the picture a
// whole repaint of the view gives (a table view paints only its newest row).
TEST_F(RecordingControllerTest, TheTableFollowsTheNewestRowUntilTheUserScrollsAway) {
    auto* grid = new QTableView(form.get());
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    form->layout()->addWidget(grid);
    auto* bare = new QTableView(form.get());
    bare->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    bare->verticalHeader()->hide();
    form->layout()->addWidget(bare);
    const std::vector<QAbstractItemView*> views = {form->table, grid, bare};
    for (QAbstractItemView* view : views) {
        for (QAbstractItemView* other : views)
            other->setVisible(other == view);
        view->setMinimumHeight(250); // rows of different heights than the gap below the last
        form->adjustSize();
        QApplication::processEvents();
        const auto onScreen = [&] {
            const QPoint at = view->mapTo(form.get(), QPoint(0, 0));
            return form->screen()
                ->grabWindow(form->winId(), at.x(), at.y(), view->width(), view->height())
                .toImage()
                .convertToFormat(QImage::Format_RGB32);
        };
        const auto whole = [&] {
            return view->grab().toImage().convertToFormat(QImage::Format_RGB32);
        };
        // The screen once the tick's repaint has come through: in a slower
        // build it may take another pass of the event loop. A strip never
        // repainted stays different, and fails.
        const auto settled = [&] {
            return QTest::qWaitFor([&] { return onScreen() == whole(); }, 2000);
        };
        RecordList series;
        RecordingController c(
            series, form.get(), form->graph, view, [this] { return live; }, clock);
        ASSERT_TRUE(c.start());
        const auto tick = [&] {
            c.tick();
            QApplication::processEvents();
        };
        const auto newestShown = [&] {
            const QRect row = view->visualRect(c.model()->index(series.count() - 1, 0));
            return view->viewport()->rect().contains(row);
        };
        QScrollBar* bar = view->verticalScrollBar();
        for (int i = 0; i < 60; ++i) {
            tick();
            ASSERT_TRUE(newestShown()) << i;
            ASSERT_TRUE(settled()) << i;
        }
        ASSERT_GT(bar->maximum(), 0) << "more rows than the view holds";
        bar->setValue(2);
        for (int i = 0; i < 5; ++i)
            tick();
        EXPECT_EQ(bar->value(), 2) << "left where the user scrolled to";
        EXPECT_FALSE(newestShown());
        EXPECT_TRUE(settled());
        bar->setValue(bar->maximum());
        tick();
        EXPECT_TRUE(newestShown());
        tick();
        EXPECT_TRUE(newestShown());
        EXPECT_EQ(bar->value(), bar->maximum());
        EXPECT_TRUE(settled());
    }
}

TEST_F(RecordingControllerTest, HoldSkipsTicksAndExtremesKeepTheirFirstTime) {
    controller->start();
    sample(60);
    live.hold = true;
    sample(90);
    live.hold = false;
    sample(70);
    sample(70);
    sample(50);
    EXPECT_EQ(records.count(), 4);
    EXPECT_EQ(form->text(1009), "4");
    EXPECT_EQ(form->text(1001), "07-12-2026,09:00:00");
    EXPECT_EQ(form->text(1002), "70.0");
    EXPECT_EQ(form->text(1003), "07-12-2026,09:00:02");
    EXPECT_EQ(form->text(1008), "50.0");
    EXPECT_EQ(form->text(1006), "07-12-2026,09:00:04");
    EXPECT_EQ(form->text(1005), "62.5");
}

TEST_F(RecordingControllerTest, ANewStartEmptiesTheSeriesButTheBoxesWaitForTheFirstSample) {
    controller->start();
    sample(80);
    sample(40);
    controller->stop();
    controller->start();
    EXPECT_TRUE(records.empty());
    EXPECT_EQ(controller->model()->rowCount(), 0);
    EXPECT_EQ(form->text(1009), "");
    EXPECT_EQ(form->text(1002), "80.0") << "kept until the first new sample";
    sample(60);
    EXPECT_EQ(form->text(1002), "60.0");
    EXPECT_EQ(form->text(1008), "60.0");

    controller->clear();
    EXPECT_TRUE(records.empty());
    EXPECT_EQ(controller->model()->rowCount(), 0);
    EXPECT_EQ(form->text(1009), "");
    EXPECT_EQ(form->text(1005), "60.0");
    EXPECT_EQ(controller->stats().samplingRate, 0.5);
}

} // namespace
