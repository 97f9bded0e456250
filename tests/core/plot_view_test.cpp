#include "plot/PlotView.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

using Kind = PlotEvent::Kind;

RecordList series(int n, double value = 50) {
    RecordList s;
    for (int i = 0; i < n; ++i)
        s.append(CObjData(value + i % 7, "07-12-2026,09:00:00", "dBA", 0, 0.5));
    return s;
}

int count(const PlotEvents& events, Kind kind) {
    int c = 0;
    for (const auto& e : events)
        c += e.kind == kind;
    return c;
}

// A plot 320 x 260 pixels with 40 samples across: 8 pixels per sample and
// 0.5 dB per pixel, both exact in binary.
PlotView exactView() {
    PlotView v;
    v.xMax = 40;
    v.resetView(320 + 90, 260 + 30);
    return v;
}

// The usual plot: 20 samples across 400 pixels.
PlotView defaultView() {
    PlotView v;
    v.resetView(400 + 90, 300 + 30);
    return v;
}

TEST(GraphGeometry, ResetViewDerivesThePlotFromTheWindowAndKeepsCursorsAndXMax) {
    PlotView v;
    v.cursorA = 3;
    v.cursorB = 5;
    v.cursorMode = 1;
    v.xOrigin = 12;
    v.yOrigin = 40;
    v.zoomed = true;
    v.xMax = 37;
    const PlotEvents events = v.resetView(490, 330);
    EXPECT_EQ(events, (PlotEvents{{Kind::Redraw}, {Kind::Range}}));
    EXPECT_EQ(v.plotWidth, 400);
    EXPECT_EQ(v.plotHeight, 300);
    EXPECT_DOUBLE_EQ(v.xScale, 37.0 / 400);
    EXPECT_DOUBLE_EQ(v.yScale, 130.0 / 300);
    EXPECT_EQ(v.xMax, 37);
    EXPECT_EQ(v.yMax, 130);
    EXPECT_EQ(v.xOrigin, 0);
    EXPECT_EQ(v.yOrigin, 0);
    EXPECT_FALSE(v.zoomed);
    EXPECT_EQ(v.cursorA, 3);
    EXPECT_EQ(v.cursorB, 5);
    EXPECT_EQ(v.cursorMode, 1);
}

TEST(GraphGeometry, AWindowSmallerThanItsMarginsOrAnEmptyRangeStillGivesUsableScales) {
    PlotView v;
    v.resetView(60, 20);
    EXPECT_GE(v.plotWidth, 1);
    EXPECT_GE(v.plotHeight, 1);
    EXPECT_TRUE(std::isfinite(v.xScale) && v.xScale > 0);
    EXPECT_TRUE(std::isfinite(v.yScale) && v.yScale > 0);

    // A zero-width full range must not stall the automatic range.
    PlotView z;
    z.xMax = 0;
    z.resetView(490, 330);
    ASSERT_GT(z.xScale, 0);
    z.prepareRedraw(series(100));
    EXPECT_GE(z.plotWidth * z.xScale, 99);
}

TEST(GraphGeometry, TransformsPlaceSamplesCursorsAndPixelColumnsConsistently) {
    PlotView v = exactView();
    EXPECT_EQ(v.curvePoint(0, 0), (PlotPoint{45, 270}));
    EXPECT_EQ(v.curvePoint(2, 130), (PlotPoint{61, 10}));
    EXPECT_EQ(v.cursorX(5), 85);
    // Nearest sample, halves rounding up: sample 1 is at x = 53.
    EXPECT_EQ(v.indexAt(45), 0);
    EXPECT_EQ(v.indexAt(48), 0);
    EXPECT_EQ(v.indexAt(49), 1);
    EXPECT_EQ(v.indexAt(56), 1);
    EXPECT_EQ(v.indexAt(57), 2);

    v.xOrigin = 10;
    v.yOrigin = 50;
    EXPECT_EQ(v.curvePoint(10, 50), (PlotPoint{45, 270}));
    EXPECT_EQ(v.indexAt(53), 11);
    EXPECT_EQ(v.cursorX(12), 61);

    EXPECT_TRUE(v.insidePlot({46, 11}));
    EXPECT_FALSE(v.insidePlot({45, 100}));
    EXPECT_FALSE(v.insidePlot({365, 100}));
    EXPECT_FALSE(v.insidePlot({100, 10}));
    EXPECT_FALSE(v.insidePlot({100, 270}));
}

TEST(GraphGeometry, TheLimitLineFollowsTheLevelAxisAndHidesOutsideTheView) {
    PlotView v = exactView();
    EXPECT_FALSE(v.limitY()) << "no limit set";
    v.limit = 0.0;
    EXPECT_EQ(v.limitY(), 270);
    v.limit = 130.0;
    EXPECT_EQ(v.limitY(), 10);
    v.limit = 65.0;
    EXPECT_EQ(v.limitY(), v.curvePoint(0, 65.0).y);
    v.yOrigin = 70; // scrolled up: 65 dB is below the plot
    EXPECT_FALSE(v.limitY());
    v.limit = 250.0; // above the top at 200 dB
    EXPECT_FALSE(v.limitY());
}

TEST(GraphGeometry, OnlyTheSamplesInViewAreWalked) {
    PlotView v = exactView();
    EXPECT_EQ(v.visibleSamples(0).last, 0);
    EXPECT_EQ(v.visibleSamples(10).first, 0);
    EXPECT_EQ(v.visibleSamples(10).last, 10);
    v.xOrigin = 100.5;
    const auto span = v.visibleSamples(40000);
    EXPECT_EQ(span.first, 100);
    EXPECT_EQ(span.last, 142); // 40 samples across, plus two
    EXPECT_EQ(v.visibleSamples(50).last - v.visibleSamples(50).first, 0);
}

TEST(GraphGeometry, DotsShowOnlyAboveThreePixelsPerSample) {
    PlotView v = exactView();
    v.xScale = 0.25;
    EXPECT_TRUE(v.showsDots());
    v.xScale = 0.5;
    EXPECT_FALSE(v.showsDots());
}

TEST(GraphGeometry, GridTicksAndLevelLabels) {
    PlotView v = exactView();
    EXPECT_EQ(v.gridX(0), 45);
    EXPECT_EQ(v.gridX(20), 365);
    EXPECT_EQ(v.gridY(0), 270);
    EXPECT_EQ(v.gridY(10), 10);
    EXPECT_DOUBLE_EQ(v.gridLevel(0), 0);
    EXPECT_DOUBLE_EQ(v.gridLevel(10), 130);
    EXPECT_EQ(v.xTickX(5), 365);
    EXPECT_EQ(v.yTickY(10), 270);
    EXPECT_EQ(v.xTickIndex(1), 8);
}

TEST(GraphAutoRange, TheFirstRedrawAnnouncesTheRangeOnceEvenWhenEmpty) {
    PlotView v = defaultView();
    EXPECT_EQ(v.prepareRedraw(RecordList{}), (PlotEvents{{Kind::Range}}));
    EXPECT_TRUE(v.prepareRedraw(RecordList{}).empty());
    EXPECT_TRUE(v.prepareRedraw(series(21)).empty()) << "21 samples fit in 20 positions";
    EXPECT_TRUE(v.rangeAnnounced);
}

TEST(GraphAutoRange, TheSpanGrowsByFifteenthsUntilTheNewestSampleFitsAndNeverShrinks) {
    PlotView v = defaultView();
    v.rangeAnnounced = true;
    const PlotEvents grow = v.prepareRedraw(series(22));
    EXPECT_EQ(count(grow, Kind::Range), 1);
    EXPECT_NEAR(v.plotWidth * v.xScale, 20.0 * 16 / 15, 1e-9);
    EXPECT_NEAR(v.xMax, 20.0 * 16 / 15, 1e-9);

    // A jump from 22 to 1000 samples takes one range event per step.
    const int steps = static_cast<int>(std::ceil(std::log(999 / v.xMax) / std::log(16.0 / 15)));
    const PlotEvents jump = v.prepareRedraw(series(1000));
    EXPECT_NEAR(count(jump, Kind::Range), steps, 1);
    EXPECT_GE(v.plotWidth * v.xScale, 999);
    EXPECT_LT(v.plotWidth * v.xScale * 15 / 16, 999);

    const double span = v.plotWidth * v.xScale;
    EXPECT_TRUE(v.prepareRedraw(series(3)).empty());
    EXPECT_DOUBLE_EQ(v.plotWidth * v.xScale, span);
}

TEST(GraphAutoRange, AZoomedFollowingViewMovesOneSamplePerRedrawAtMost) {
    PlotView v = exactView();
    v.rangeAnnounced = true;
    v.zoomed = true;
    v.xScale = 0.0625; // 20 samples across
    v.xOrigin = 0;
    const RecordList s = series(500);

    // Not following: the view stays.
    EXPECT_TRUE(v.prepareRedraw(s).empty());
    EXPECT_EQ(v.xOrigin, 0);

    v.followNewest = true;
    EXPECT_EQ(v.prepareRedraw(s), (PlotEvents{{Kind::Range}}));
    EXPECT_EQ(v.xOrigin, 1);
    EXPECT_EQ(v.xMax, 499);
    v.prepareRedraw(s);
    EXPECT_EQ(v.xOrigin, 2);

    // Held button: no move.
    v.buttonDown = true;
    EXPECT_TRUE(v.prepareRedraw(s).empty());
    EXPECT_EQ(v.xOrigin, 2);
    v.buttonDown = false;

    // The newest sample not yet at the right edge: no move.
    v.xOrigin = 0;
    EXPECT_TRUE(v.prepareRedraw(series(20)).empty());
    EXPECT_EQ(v.prepareRedraw(series(21)).size(), 1u) << "sample 20 reaches the right edge";
}

TEST(GraphZoom, ADragZoomsOnlyWhenItMovesMoreThanFivePixelsBothWays) {
    PlotView v = exactView();
    v.leftButtonDown({85, 50}, 100);
    v.mouseMove({88, 150}, 100);
    EXPECT_TRUE(v.rubberBandShown);
    const PlotEvents up = v.leftButtonUp({88, 150});
    EXPECT_EQ(up, (PlotEvents{{Kind::Redraw}}));
    EXPECT_FALSE(v.zoomed);
    EXPECT_DOUBLE_EQ(v.xScale, 0.125);
    EXPECT_DOUBLE_EQ(v.yScale, 0.5);
    EXPECT_FALSE(v.buttonDown);
    EXPECT_FALSE(v.rubberBandShown);
    EXPECT_EQ(v.dragStart, (PlotPoint{}));
}

TEST(GraphZoom, AQualifyingDragMakesTheRectangleFillThePlot) {
    PlotView v = exactView();
    v.leftButtonDown({85, 50}, 100);
    EXPECT_EQ(v.leftButtonUp({165, 150}), (PlotEvents{{Kind::Range}, {Kind::Redraw}}));
    EXPECT_TRUE(v.zoomed);
    EXPECT_DOUBLE_EQ(v.xOrigin, 5);
    EXPECT_DOUBLE_EQ(v.xScale, 80 * 0.125 / 320);
    EXPECT_DOUBLE_EQ(v.yOrigin, 60);
    EXPECT_DOUBLE_EQ(v.yScale, 100 * 0.5 / 260);
    EXPECT_EQ(v.xMax, 40) << "the full range is untouched";

    // A second rectangle acts on the current view; zoom back returns in one step.
    v.leftButtonDown({205, 100}, 100);
    v.leftButtonUp({125, 200});
    EXPECT_DOUBLE_EQ(v.xOrigin, 5 + 80 * (80 * 0.125 / 320));
    v.resetView(410, 290);
    EXPECT_FALSE(v.zoomed);
    EXPECT_DOUBLE_EQ(v.xScale, 0.125);
    EXPECT_EQ(v.xOrigin, 0);
}

TEST(GraphZoom, DragsBeyondTheEdgesStopAtThePlotOrFivePixelsPastItsRight) {
    PlotView right = exactView();
    right.leftButtonDown({325, 50}, 100);
    right.leftButtonUp({600, 600});
    EXPECT_DOUBLE_EQ(right.xOrigin, 280 * 0.125);
    EXPECT_DOUBLE_EQ(right.xScale, 45 * 0.125 / 320) << "x clamped to W + 50";
    EXPECT_DOUBLE_EQ(right.yOrigin, 0);
    EXPECT_DOUBLE_EQ(right.yScale, 220 * 0.5 / 260) << "y clamped to H + 10";

    PlotView left = exactView();
    left.leftButtonDown({125, 200}, 100);
    left.leftButtonUp({-20, -20});
    EXPECT_DOUBLE_EQ(left.xOrigin, 0);
    EXPECT_DOUBLE_EQ(left.xScale, 80 * 0.125 / 320);
    EXPECT_DOUBLE_EQ(left.yOrigin, 70 * 0.5);
    EXPECT_DOUBLE_EQ(left.yScale, 190 * 0.5 / 260);
}

TEST(GraphZoom, AnAxisAtTheLimitStaysWhileTheOtherZooms) {
    PlotView v = exactView();
    v.xScale = PlotView::zoomLimit;
    v.leftButtonDown({85, 50}, 100);
    EXPECT_EQ(v.leftButtonUp({165, 150}).front().kind, Kind::Range);
    EXPECT_TRUE(v.zoomed);
    EXPECT_DOUBLE_EQ(v.xScale, PlotView::zoomLimit);
    EXPECT_EQ(v.xOrigin, 0);
    EXPECT_DOUBLE_EQ(v.yScale, 100 * 0.5 / 260);
}

TEST(GraphZoom, PressesOutsideThePlotStartNothingAndTheRubberBandStaysInside) {
    PlotView v = exactView();
    EXPECT_TRUE(v.leftButtonDown({20, 50}, 100).empty());
    EXPECT_FALSE(v.buttonDown);

    v.leftButtonDown({100, 100}, 100);
    EXPECT_EQ(v.mouseMove({150, 150}, 100).front(), PlotEvent{Kind::Redraw});
    EXPECT_EQ(v.dragEnd, (PlotPoint{150, 150}));
    v.mouseMove({500, 150}, 100);
    EXPECT_EQ(v.dragEnd, (PlotPoint{150, 150})) << "outside, the rectangle stays as last drawn";
}

TEST(GraphCursors, PlacingAThenBFollowsTheStateMachine) {
    PlotView v = exactView();
    const int n = 30;
    // Sample k is under x = 45 + 8k.
    EXPECT_TRUE(v.doubleClick({20, 50}).empty());
    EXPECT_EQ(v.cursorMode, 0);

    v.cursorA = 4;
    v.cursorB = 6;
    v.hoverPoint = {70, 70};
    v.doubleClick({100, 50});
    EXPECT_EQ(v.cursorMode, 2);
    EXPECT_EQ(v.cursorA, -1);
    EXPECT_EQ(v.cursorB, -1);
    EXPECT_EQ(v.hoverPoint, (PlotPoint{}));

    EXPECT_TRUE(v.leftButtonDown({45 + 8 * 35, 50}, n).empty()) << "beyond the data";
    v.leftButtonUp({45 + 8 * 35, 50});
    EXPECT_EQ(v.cursorMode, 2);

    EXPECT_EQ(v.leftButtonDown({45 + 80, 50}, n), (PlotEvents{{Kind::Cursor, cursorWhichA, 10}}));
    v.leftButtonUp({45 + 80, 50});
    EXPECT_EQ(v.cursorMode, 1);
    EXPECT_EQ(v.cursorA, 10);

    EXPECT_TRUE(v.leftButtonDown({45 + 80, 50}, n).empty()) << "at A";
    v.leftButtonUp({45 + 80, 50});
    EXPECT_TRUE(v.leftButtonDown({45 + 40, 50}, n).empty()) << "left of A";
    v.leftButtonUp({45 + 40, 50});
    EXPECT_TRUE(v.leftButtonDown({45 + 8 * 30, 50}, n).empty()) << "past the end";
    v.leftButtonUp({45 + 8 * 30, 50});
    EXPECT_EQ(v.cursorMode, 1);

    EXPECT_EQ(v.leftButtonDown({45 + 96, 50}, n), (PlotEvents{{Kind::Cursor, cursorWhichB, 12}}));
    EXPECT_EQ(v.cursorMode, 0);
    EXPECT_EQ(v.cursorB, 12);
    // The release of the B click is handled in mode 0 and zooms if the pointer moved.
    EXPECT_EQ(v.leftButtonUp({45 + 96 + 20, 80}).front().kind, Kind::Range);

    EXPECT_EQ(v.rightButtonUp(), (PlotEvents{{Kind::Redraw}}));
    EXPECT_EQ(v.cursorMode, 0);
    EXPECT_EQ(v.cursorA, -1);
    EXPECT_EQ(v.cursorB, -1);
}

TEST(GraphCursors, MovesPreviewTheCursorAndReportTheSampleUnderThePointer) {
    PlotView v = exactView();
    const int n = 30;
    // Idle: only the hover read-out, never for sample 0 and never beyond the data.
    EXPECT_EQ(v.mouseMove({45 + 24, 50}, n), (PlotEvents{{Kind::Hover, 0, 3}}));
    EXPECT_TRUE(v.mouseMove({46, 50}, n).empty());
    EXPECT_TRUE(v.mouseMove({45 + 8 * 31, 50}, n).empty());
    EXPECT_TRUE(v.mouseMove({20, 50}, n).empty());

    v.doubleClick({100, 50});
    EXPECT_EQ(v.mouseMove({45 + 40, 60}, n),
              (PlotEvents{{Kind::Redraw}, {Kind::Cursor, cursorWhichA, 5}, {Kind::Hover, 0, 5}}));
    EXPECT_EQ(v.hoverPoint, (PlotPoint{85, 60}));
    EXPECT_EQ(v.cursorA, -1) << "a preview does not place";

    v.leftButtonDown({45 + 80, 50}, n);
    v.leftButtonUp({45 + 80, 50});
    EXPECT_EQ(v.mouseMove({45 + 80, 60}, n), (PlotEvents{{Kind::Redraw}, {Kind::Hover, 0, 10}}));
    EXPECT_EQ(v.mouseMove({45 + 40, 60}, n), (PlotEvents{{Kind::Redraw}, {Kind::Hover, 0, 5}}));
    EXPECT_EQ(v.mouseMove({45 + 88, 60}, n),
              (PlotEvents{{Kind::Redraw}, {Kind::Cursor, cursorWhichB, 11}, {Kind::Hover, 0, 11}}));
}

TEST(GraphCursors, ThePreviewLineIsDrawnOnlyWhilePlacingAboveTheLowestTenPixels) {
    PlotView v = exactView();
    v.hoverPoint = {100, 100};
    EXPECT_LT(v.previewLineX(), 0);
    v.cursorMode = 2;
    EXPECT_EQ(v.previewLineX(), 100);
    v.hoverPoint = {100, 265};
    EXPECT_LT(v.previewLineX(), 0);
}

TEST(GraphScroll, UnzoomedBarsAreEmptyOrOneStepAndZoomedOnesMapToTheView) {
    PlotView v = exactView();
    EXPECT_LE(v.verticalScroll().maximum, 1);
    EXPECT_LE(v.horizontalScroll().maximum, 1);
    PlotView d = defaultView();
    EXPECT_LE(d.verticalScroll().maximum, 1);
    EXPECT_LE(d.horizontalScroll().maximum, 1);

    // Zoom into the top half of the level range.
    v.leftButtonDown({85, 140}, 40);
    v.leftButtonUp({165, -5});
    const ScrollRange vert = v.verticalScroll();
    EXPECT_EQ(vert.maximum, 130 - static_cast<int>(260 * v.yScale));
    EXPECT_EQ(vert.position, 0) << "the thumb at the top shows the top of the range";

    v.scrollVerticalTo(vert.maximum);
    EXPECT_NEAR(v.yOrigin, 0, 1);
    EXPECT_EQ(v.verticalScroll().position, vert.maximum);
    v.scrollVerticalTo(0);
    EXPECT_NEAR(v.yOrigin + 260 * v.yScale, 130, 1);

    v.scrollHorizontalTo(7);
    EXPECT_EQ(v.xOrigin, 7);
    EXPECT_EQ(v.horizontalScroll().position, std::min(7, v.horizontalScroll().maximum));
    EXPECT_EQ(v.horizontalScroll().maximum, 40 - static_cast<int>(320 * v.xScale));
}

TEST(GraphScroll, PositionsStayInsideTheirRanges) {
    PlotView v = exactView();
    v.zoomed = true;
    v.xScale = 0.01;
    v.xOrigin = 1e12;
    v.yOrigin = -50;
    EXPECT_EQ(v.horizontalScroll().position, v.horizontalScroll().maximum);
    EXPECT_EQ(v.verticalScroll().position, v.verticalScroll().maximum);
    EXPECT_EQ(truncToInt(1e300), std::numeric_limits<int>::max());
    EXPECT_EQ(truncToInt(std::nan("")), 0);
    EXPECT_EQ(truncToInt(-2.7), -2);
}

} // namespace
