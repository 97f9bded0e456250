#include "files/UnzoomedView.h"

#include <gtest/gtest.h>

namespace {

TEST(UnzoomedView, GeometryOfTheWidget) {
    const PrintPlotView v = unzoomedPlotView(0, 1090, 530);
    EXPECT_EQ(v.plotWidth, 1000);
    EXPECT_EQ(v.plotHeight, 500);
    EXPECT_EQ(v.windowWidth, 1090);
    EXPECT_DOUBLE_EQ(v.xScale, 20.0 / 1000);
    EXPECT_DOUBLE_EQ(v.yScale, 130.0 / 500);
    EXPECT_EQ(v.xOrigin, 0);
    EXPECT_EQ(v.yOrigin, 0);
    EXPECT_EQ(v.xMin, 0);
}

TEST(UnzoomedView, SpanGrowsByFifteenthsUntilTheLastReadingFits) {
    // 21 readings end at position 20: the first span holds them.
    EXPECT_DOUBLE_EQ(unzoomedPlotView(21, 1090, 530).xScale, 0.02);
    // A 22nd makes one step of 16/15.
    EXPECT_DOUBLE_EQ(unzoomedPlotView(22, 1090, 530).xScale, 0.02 * 16 / 15);
    for (const std::size_t n : {23u, 100u, 40000u, 1000000u}) {
        const PrintPlotView v = unzoomedPlotView(n, 1090, 530);
        const double span = v.plotWidth * v.xScale;
        EXPECT_GE(span, static_cast<double>(n - 1)) << n;
        EXPECT_LT(span * 15 / 16, static_cast<double>(n - 1)) << n; // one step fewer was short
    }
}

TEST(UnzoomedView, NoGeometryNoGrowth) {
    const PrintPlotView v = unzoomedPlotView(500, 90, 30);
    EXPECT_EQ(v.plotWidth, 0);
    EXPECT_EQ(v.plotHeight, 0);
}

} // namespace
