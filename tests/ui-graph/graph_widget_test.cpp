#include "config/ColorConfig.h"
#include "graph/CGraphicsBtn.h"
#include "graph/PlotPainter.h"
#include "graph/PlotReadouts.h"
#include "ui/Prompt.h"

#include <QApplication>
#include <QDir>
#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPaintEvent>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

// A plot of 400 x 300 pixels: 20 samples across, 130/300 dB per pixel.
constexpr int clientWidth = 490;
constexpr int clientHeight = 330;

RecordList makeSeries(int n) {
    RecordList s;
    for (int i = 0; i < n; ++i) {
        const double v = 60 + 15 * std::sin(i / 3.0) + (i % 4);
        char time[32];
        std::snprintf(time, sizeof time, "07-12-2026,09:%.2d:%.2d", i / 2 / 60, i / 2 % 60);
        s.append(CObjData(std::round(v * 10) / 10, time, "dBA", 0, 0.5));
    }
    return s;
}

// The pixel column of sample k in the unzoomed default view.
QPoint atSample(const CGraphicsBtn& g, int k, int y = 100) {
    return {g.cursorX(k), y};
}

// A stand-in for a parent form: the graph, both scrollbars and the read-out fields.
class Form : public QWidget {
  public:
    Form() {
        auto* grid = new QGridLayout(this);
        grid->setContentsMargins(0, 0, 0, 0);
        graph = new CGraphicsBtn(this);
        graph->setObjectName("1010");
        graph->setFixedSize(clientWidth, clientHeight);
        vertical = new QScrollBar(Qt::Vertical, this);
        vertical->setObjectName("1039");
        horizontal = new QScrollBar(Qt::Horizontal, this);
        horizontal->setObjectName("1038");
        grid->addWidget(graph, 0, 0);
        grid->addWidget(vertical, 0, 1);
        grid->addWidget(horizontal, 1, 0);
        auto* fields = new QGridLayout;
        for (int id : {1004, 1011, 1023, 1024, 1025, 1026, 1027, 1028, 1029, 1032}) {
            auto* edit = new QLineEdit(this);
            edit->setObjectName(QString::number(id));
            fields->addWidget(edit, fields->count() / 2, fields->count() % 2);
        }
        for (int id : {1033, 1034}) {
            auto* label = new QLabel(this);
            label->setObjectName(QString::number(id));
            fields->addWidget(label, fields->count() / 2, fields->count() % 2);
        }
        grid->addLayout(fields, 2, 0);
        readouts = new PlotReadouts(this, graph, horizontal, vertical,
                                    [this]() -> const RecordList& { return data; });
    }
    QString text(int id) const {
        QWidget* w = findChild<QWidget*>(QString::number(id));
        if (auto* e = qobject_cast<QLineEdit*>(w))
            return e->text();
        return qobject_cast<QLabel*>(w)->text();
    }
    void redraw() { graph->Redraw(data); }

    RecordList data;
    CGraphicsBtn* graph;
    QScrollBar* vertical;
    QScrollBar* horizontal;
    PlotReadouts* readouts;
};

class GraphWidgetTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(configDir.isValid());
        setAppDataFolderOverride(std::filesystem::path(configDir.path().toStdString()));
        form = std::make_unique<Form>();
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    void TearDown() override {
        form.reset();
        setAppDataFolderOverride(std::nullopt);
    }
    CGraphicsBtn& g() { return *form->graph; }
    // Pixels of the curve's colour inside the plot area.
    int curvePixels(const QImage& img) {
        int count = 0;
        const QColor line = toQColor(g().lineColor);
        for (int y = PlotView::topMargin; y < PlotView::topMargin + g().plotHeight; ++y)
            for (int x = PlotView::leftMargin; x < PlotView::leftMargin + g().plotWidth; ++x)
                count += img.pixelColor(x, y) == line;
        return count;
    }
    // Whether sample k of the series drawn last carries a dot: the curve's
    // colour all round its point in the columns beside it (its own column may
    // be a grid line), which a 1-pixel line through it does not fill.
    bool dotAt(const QImage& img, int k) {
        const PlotPoint p = g().curvePoint(k, (*g().series)[k].value());
        const QColor line = toQColor(g().lineColor);
        for (int dx : {-1, 1})
            for (int dy : {-1, 0, 1})
                if (img.pixelColor(p.x + dx, p.y + dy) != line)
                    return false;
        return true;
    }
    void click(QPoint p) { QTest::mouseClick(&g(), Qt::LeftButton, {}, p); }
    void doubleClick(QPoint p) { QTest::mouseDClick(&g(), Qt::LeftButton, {}, p); }
    void move(QPoint p) { QTest::mouseMove(&g(), p); }
    void drag(QPoint from, QPoint to) {
        QTest::mousePress(&g(), Qt::LeftButton, {}, from);
        move((from + to) / 2);
        move(to);
        QTest::mouseRelease(&g(), Qt::LeftButton, {}, to);
    }
    QImage shot() { return g().grab().toImage(); }
    void save(const QImage& image, const QString& name) {
        QDir().mkpath(VREL_SCREENSHOT_DIR);
        image.save(QString(VREL_SCREENSHOT_DIR) + "/" + name);
    }

    QTemporaryDir configDir;
    ScriptedPrompt answers;
    ScopedPrompt scopedPrompt{answers};
    std::unique_ptr<Form> form;
};

TEST_F(GraphWidgetTest, ColoursComeFromTheColourFileWhenTheWidgetIsBuilt) {
    EXPECT_EQ(g().backColor, rgb(0, 100, 100));
    writeColorConfig(colorConfigPath(),
                     GraphColors{rgb(250, 250, 240), rgb(200, 200, 200), rgb(200, 0, 0)});
    CGraphicsBtn other;
    EXPECT_EQ(other.backColor, rgb(250, 250, 240));
    EXPECT_EQ(other.gridColor, rgb(200, 200, 200));
    EXPECT_EQ(other.lineColor, rgb(200, 0, 0));
    EXPECT_EQ(g().backColor, rgb(0, 100, 100)) << "read at construction only";
}

TEST_F(GraphWidgetTest, TheLayoutSetsTheGeometryAndPaintingFollowsTheViewState) {
    EXPECT_EQ(g().plotWidth, 400);
    EXPECT_EQ(g().plotHeight, 300);
    form->data.append(CObjData(65, "07-12-2026,09:00:00", "dBA", 0, 0.5));
    for (int i = 1; i < 11; ++i)
        form->data.append(CObjData(65, "07-12-2026,09:00:01", "dBA", 0, 0.5));
    form->redraw();
    const QImage img = shot();
    ASSERT_EQ(img.size(), QSize(clientWidth, clientHeight));
    EXPECT_EQ(img.pixelColor(2, 2), toQColor(plotcolors::margin));
    EXPECT_EQ(img.pixelColor(clientWidth - 3, 100), toQColor(plotcolors::margin));
    // A flat curve at 65 dB: its row holds the line colour between samples.
    const PlotPoint mid = g().curvePoint(5, 65);
    EXPECT_EQ(img.pixelColor(mid.x + 7, mid.y), toQColor(g().lineColor));
    // Away from curve and grid lines the plot shows its background.
    EXPECT_EQ(img.pixelColor(g().gridX(3) + 5, 40), toQColor(g().backColor));
}

TEST_F(GraphWidgetTest, RedrawAnnouncesTheRangeAndGrowsItWithTheSeries) {
    QSignalSpy range(&g(), &CGraphicsBtn::rangeChanged);
    CGraphicsBtn fresh;
    QSignalSpy freshRange(&fresh, &CGraphicsBtn::rangeChanged);
    fresh.resize(clientWidth, clientHeight);
    const RecordList empty;
    fresh.Redraw(empty);
    fresh.Redraw(empty);
    EXPECT_EQ(freshRange.count(), 1) << "the first redraw announces, once";

    form->data = makeSeries(21);
    form->redraw();
    EXPECT_EQ(range.count(), 0);
    form->data = makeSeries(22);
    form->redraw();
    EXPECT_EQ(range.count(), 1);
    EXPECT_GE(g().plotWidth * g().xScale, 21);
}

TEST_F(GraphWidgetTest, CursorsAreNotifiedInOrderAndFillTheReadOut) {
    form->data = makeSeries(20);
    form->redraw();
    QSignalSpy cursor(&g(), &CGraphicsBtn::cursorChanged);
    QSignalSpy hover(&g(), &CGraphicsBtn::hover);

    doubleClick(atSample(g(), 3));
    EXPECT_EQ(g().cursorMode, 2);
    move(atSample(g(), 4));
    ASSERT_EQ(cursor.count(), 1);
    EXPECT_EQ(cursor.last(), (QList<QVariant>{-1, 4})) << "preview of A";
    EXPECT_EQ(hover.last(), (QList<QVariant>{4}));

    click(atSample(g(), 5));
    EXPECT_EQ(cursor.last(), (QList<QVariant>{-1, 5}));
    EXPECT_EQ(g().cursorA, 5);
    EXPECT_EQ(form->readouts->cursorAIndex(), 5);
    EXPECT_EQ(form->text(1004), QString::asprintf("%.1f", form->data[5].value()));
    EXPECT_EQ(form->text(1011), "07-12-2026,09:00:02");

    const int before = cursor.count();
    move(atSample(g(), 5));
    move(atSample(g(), 2));
    EXPECT_EQ(cursor.count(), before) << "no preview at or left of A";
    move(atSample(g(), 6));
    EXPECT_EQ(cursor.last(), (QList<QVariant>{-2, 6}));
    EXPECT_EQ(form->text(1032), "2");
    EXPECT_EQ(form->text(1029),
              QString::asprintf("%.1f", (form->data[5].value() + form->data[6].value()) / 2));

    click(atSample(g(), 12));
    EXPECT_EQ(g().cursorB, 12);
    EXPECT_EQ(g().cursorMode, 0);
    EXPECT_EQ(form->text(1032), "8");
    double max = 0, min = 150, sum = 0;
    for (int i = 5; i <= 12; ++i) {
        max = std::max(max, form->data[i].value());
        min = std::min(min, form->data[i].value());
        sum += form->data[i].value();
    }
    EXPECT_EQ(form->text(1025), QString::asprintf("%.1f", max));
    EXPECT_EQ(form->text(1027), QString::asprintf("%.1f", min));
    EXPECT_EQ(form->text(1029), QString::asprintf("%.1f", sum / 8));
    EXPECT_EQ(form->text(1023), QString::asprintf("%.1f", form->data[12].value()));

    // Hovering reads the sample under the pointer, except sample 0.
    move(atSample(g(), 9));
    EXPECT_EQ(form->text(1033), QString::asprintf("%.1f", form->data[9].value()));
    EXPECT_EQ(form->text(1034), QString::fromLatin1(form->data[9].dateTime()));
    move(atSample(g(), 0));
    EXPECT_EQ(form->text(1033), QString::asprintf("%.1f", form->data[9].value()));

    save(shot(), "graph-cursors.png");

    // Zoom back keeps the cursors; a right click removes them but not the read-out.
    form->readouts->zoomBack();
    EXPECT_EQ(g().cursorA, 5);
    QTest::mouseClick(&g(), Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_EQ(g().cursorA, -1);
    EXPECT_EQ(g().cursorB, -1);
    EXPECT_EQ(form->text(1032), "8");
    const QImage img = shot();
    EXPECT_NE(img.pixelColor(g().cursorX(5), 30), toQColor(plotcolors::cursorA));
}

TEST_F(GraphWidgetTest, ACursorIndexBeyondAReplacedSeriesIsNotRead) {
    form->data = makeSeries(20);
    form->redraw();
    doubleClick(atSample(g(), 3));
    click(atSample(g(), 15));
    // The parent switches to a shorter series; an old index must not be read.
    form->data = makeSeries(5);
    form->redraw();
    emit g().cursorChanged(cursorWhichB, 17);
    emit g().hover(17);
    EXPECT_EQ(form->text(1023), "");
    form->data.clear();
    form->redraw();
    emit g().cursorChanged(cursorWhichA, 0);
    EXPECT_EQ(form->readouts->cursorAIndex(), 15);
}

TEST_F(GraphWidgetTest, ADragZoomsAndTheScrollbarsPanTheView) {
    form->data = makeSeries(200);
    form->redraw();
    QSignalSpy range(&g(), &CGraphicsBtn::rangeChanged);
    EXPECT_LE(form->vertical->maximum(), 1);

    // Too small in x: nothing happens, not even vertically.
    drag({100, 50}, {103, 200});
    EXPECT_FALSE(g().zoomed);
    EXPECT_EQ(range.count(), 0);

    // From low in the plot to beyond its top: the upper levels fill the plot.
    drag({125, 200}, {245, 2});
    EXPECT_TRUE(g().zoomed);
    EXPECT_EQ(range.count(), 1);
    EXPECT_FALSE(g().rubberBandShown);
    EXPECT_GT(form->vertical->maximum(), 10);
    EXPECT_EQ(form->vertical->value(), 0) << "the thumb at the top shows the top of the range";
    EXPECT_GT(form->horizontal->maximum(), 100);
    const double xOrigin = g().xOrigin;
    EXPECT_EQ(form->horizontal->value(), static_cast<int>(xOrigin));

    // Scrolling puts the top of the view on a whole dB of the full range.
    const int shown = static_cast<int>(g().plotHeight * g().yScale);
    form->vertical->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(form->vertical->value(), 1);
    EXPECT_DOUBLE_EQ(g().yOrigin, 130 - shown - 1) << "one arrow click, one dB";
    form->vertical->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_DOUBLE_EQ(g().yOrigin, 130 - shown);
    form->vertical->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(form->vertical->value(), 0) << "page clicks are not acted on";

    form->horizontal->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(g().xOrigin, static_cast<int>(xOrigin) + 1);
    form->horizontal->setValue(form->horizontal->maximum());
    EXPECT_EQ(g().xOrigin, form->horizontal->maximum());
    save(shot(), "graph-zoomed.png");

    // Zoom back: full range again and empty bars.
    form->readouts->zoomBack();
    EXPECT_FALSE(g().zoomed);
    EXPECT_LE(form->vertical->maximum(), 1);
    EXPECT_GE(g().plotWidth * g().xScale, 199);

    // A resize also returns to the unzoomed view.
    drag({125, 200}, {245, 20});
    EXPECT_TRUE(g().zoomed);
    g().setFixedSize(clientWidth + 40, clientHeight);
    EXPECT_FALSE(g().zoomed);
    EXPECT_EQ(g().plotWidth, 440);
}

TEST_F(GraphWidgetTest, AZoomedViewFollowsTheNewestSampleWhileRecording) {
    form->data = makeSeries(40);
    form->redraw();
    drag({100, 40}, {300, 250});
    ASSERT_TRUE(g().zoomed);
    g().followNewest = true;
    const double span = g().plotWidth * g().xScale;
    while (g().xOrigin + span > form->data.count() - 1)
        form->data.append(form->data.back());
    const double origin = g().xOrigin;
    for (int i = 0; i < 5; ++i)
        form->data.append(form->data.back());
    form->redraw();
    EXPECT_EQ(g().xOrigin, origin + 1) << "one step per redraw";
    QTest::mousePress(&g(), Qt::LeftButton, {}, QPoint(200, 100));
    form->redraw();
    EXPECT_EQ(g().xOrigin, origin + 1) << "not while the button is held";
    QTest::mouseRelease(&g(), Qt::LeftButton, {}, QPoint(200, 100));
}

TEST_F(GraphWidgetTest, AnUnreadableTimeIsToldOnceNotOnEveryRedraw) {
    QSignalSpy wrong(&g(), &CGraphicsBtn::timeFormatWrong);
    form->data.append(CObjData(50, "not a time", "dBA", 0, 0.5));
    form->redraw();
    form->redraw();
    EXPECT_EQ(wrong.count(), 2) << "every redraw that meets it";
    EXPECT_TRUE(answers.messages().empty()) << "not from inside a redraw";
    EXPECT_EQ(g().timeLabels().count, 1);
    form->data = makeSeries(3);
    form->redraw();
    EXPECT_EQ(g().timeLabels().count, 6);
    form->data.clear();
    form->data.append(CObjData(50, "not a time", "dBA", 0, 0.5));
    form->redraw();
    EXPECT_EQ(wrong.count(), 3);
    QApplication::processEvents();
    ASSERT_EQ(answers.messages().size(), 1u) << "the same start text is told once";
    EXPECT_EQ(answers.messages()[0].text, "Time Format is wrong!");
    form->data.clear();
    form->data.append(CObjData(50, "other garbage", "dBA", 0, 0.5));
    form->redraw();
    QApplication::processEvents();
    EXPECT_EQ(answers.messages().size(), 2u) << "another series start is told again";
}

TEST_F(GraphWidgetTest, ARecordingLooksRight) {
    // The first sample of a recording: no line and no dot, the time under tick 0.
    form->data = makeSeries(1);
    form->redraw();
    QImage img = shot();
    EXPECT_EQ(curvePixels(img), 0);
    EXPECT_EQ(g().timeLabels().text[0], "09:00:00");
    EXPECT_EQ(g().timeLabels().count, 6) << "ticks beyond the data counted on from it";

    // A few samples, 22 pixels apart: the curve joins them, each carries a dot.
    form->data = makeSeries(12);
    form->redraw();
    img = shot();
    ASSERT_GT(2 / g().xScale, 6);
    EXPECT_GT(curvePixels(img), 11 * 22);
    for (int k = 1; k < 12; ++k) // sample 0 lies on the Y axis
        EXPECT_TRUE(dotAt(img, k)) << k;
    // Labels: time of the sample under each tick, in black under the axis.
    EXPECT_EQ(g().timeLabels().text[1], "09:00:02");
    const int labelRow = PlotView::topMargin + g().plotHeight + 12;
    int black = 0;
    for (int x = g().xTickX(1) - 20; x < g().xTickX(1) + 20; ++x)
        black += img.pixelColor(x, labelRow).lightness() < 60;
    EXPECT_GT(black, 0);

    // Exactly three pixels per sample is no longer "more than three": no dots.
    RecordList flat;
    for (int i = 0; i < 40; ++i)
        flat.append(CObjData(67, "07-12-2026,09:00:00", "dBA", 0, 1));
    g().xScale = 1.0 / 3;
    g().xMax = 100; // room for all 40: the span does not grow
    form->data = flat;
    form->redraw();
    ASSERT_DOUBLE_EQ(g().xScale, 1.0 / 3);
    img = shot();
    EXPECT_FALSE(dotAt(img, 10));
    EXPECT_GT(curvePixels(img), 39 * 3 - 3) << "the line itself is there";
    g().xScale = 1.0 / 3.5;
    form->redraw();
    EXPECT_TRUE(dotAt(shot(), 10));

    // And as the user sees it, with both cursors and a zoom rectangle.
    form->data = makeSeries(120);
    g().ResetView();
    form->redraw();
    doubleClick(atSample(g(), 30));
    click(atSample(g(), 30));
    click(atSample(g(), 70));
    move(atSample(g(), 90));
    QTest::mousePress(&g(), Qt::LeftButton, {}, QPoint(300, 60));
    move({360, 180});
    img = shot();
    save(img, "graph-recording.png");
    EXPECT_TRUE(g().rubberBandShown);
    EXPECT_EQ(img.pixelColor(g().cursorX(30), 40), toQColor(plotcolors::cursorA));
    EXPECT_EQ(img.pixelColor(g().cursorX(70), 40), toQColor(plotcolors::cursorB));
    QTest::mouseRelease(&g(), Qt::LeftButton, {}, QPoint(360, 180));
}

} // namespace

// A recording repaints only the columns of its new samples (and the time
// labels when they change); what the screen then holds must be the picture a
// whole repaint gives: with dots while they show, with cursors and a limit
// line, across the range growing and a zoomed view following the newest sample.
TEST_F(GraphWidgetTest, ARecordingRepaintsItsNewColumnsIntoTheWholePicture) {
    struct PaintAreas : QObject {
        std::vector<QRect> rects;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint)
                rects.push_back(static_cast<QPaintEvent*>(e)->rect());
            return false;
        }
    } painted;
    g().installEventFilter(&painted);
    const auto onScreen = [this] {
        QApplication::processEvents();
        const QPoint at = g().mapTo(form.get(), QPoint(0, 0));
        return form->screen()
            ->grabWindow(form->winId(), at.x(), at.y(), g().width(), g().height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    };
    const auto whole = [this] { return shot().convertToFormat(QImage::Format_RGB32); };

    const RecordList levels = makeSeries(1500);
    g().limit = 68;
    g().followNewest = true;
    g().ResetView();
    for (int i = 0; i < levels.count(); ++i) {
        form->data.append(levels[static_cast<std::size_t>(i)]);
        form->redraw();
        if (i == 20) { // cursors on samples 5 and 10
            doubleClick(atSample(g(), 5));
            click(atSample(g(), 5));
            click(atSample(g(), 10));
            ASSERT_EQ(g().cursorB, 10);
        }
        if (i % 37 == 0 || i < 25 || i + 1 == levels.count()) {
            ASSERT_EQ(onScreen(), whole()) << i + 1 << " samples";
        }
    }
    // the last few ticks, none of which grew the range, painted a few columns each
    painted.rects.clear();
    for (int i = 0; i < 5; ++i) {
        form->data.append(levels[static_cast<std::size_t>(i)]);
        form->redraw();
        QApplication::processEvents();
    }
    ASSERT_FALSE(painted.rects.empty());
    for (const QRect& r : painted.rects)
        EXPECT_LT(r.width(), 20) << "a tick repaints its own columns";
    EXPECT_EQ(onScreen(), whole());

    // zoomed in and following: every tick moves the view
    drag({300, 40}, {480, 250});
    ASSERT_TRUE(g().zoomed);
    for (int i = 0; i < 60; ++i) {
        form->data.append(levels[static_cast<std::size_t>(i)]);
        form->redraw();
        if (i % 7 == 0) {
            ASSERT_EQ(onScreen(), whole()) << "zoomed, " << i;
        }
    }
}
