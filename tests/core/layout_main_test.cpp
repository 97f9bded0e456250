#include "layout/DialogUnits.h"
#include "layout/MainLayout.h"

#include <gtest/gtest.h>

TEST(DialogUnits, BaseUnitsAndRounding) {
    // MS Sans Serif 8 measures 312 px over the 52 letters and is 13 px high: 6 x 13
    EXPECT_EQ(averageLetterWidth(312), 6);
    EXPECT_EQ(averageLetterWidth(338), 7); // 6.5 rounds up
    const DialogBaseUnits base{6, 13};
    EXPECT_EQ(duToPixelsX(50, base), 75);
    EXPECT_EQ(duToPixelsX(1, base), 2);   // 1.5 rounds up
    EXPECT_EQ(duToPixelsY(14, base), 23); // 22.75
    EXPECT_EQ(duToPixelsY(8, base), 13);
    EXPECT_EQ(duToPixelsY(0, base), 0);
    const DialogBaseUnits arial{7, 15};
    EXPECT_EQ(duToPixelsX(545, arial), 954); // 953.75
    EXPECT_EQ(duToPixelsY(365, arial), 684); // 684.375
}

TEST(MainLayout, CurveAreaHangsBelowTheCursorBox) {
    const LayoutRect anchor{219, 163, 563, 111}; // bottom 274
    const MainViewLayout l = layoutMainView(anchor, 1200, 800);
    EXPECT_EQ(l.plot, (LayoutRect{219, 279, 1200 - 219 - 42, 800 - 274 - 60}));
    EXPECT_EQ(l.verticalScroll, (LayoutRect{1158, 279, 15, 466}));
    EXPECT_EQ(l.horizontalScroll, (LayoutRect{219, 765, 939, 15}));
    EXPECT_EQ(l.curveGroup, (LayoutRect{209, 10, 981, 780}));
}

TEST(MainLayout, NeverSmallerThan800By550) {
    const LayoutRect anchor{219, 163, 563, 111};
    const MainViewLayout small = layoutMainView(anchor, 400, 300);
    const MainViewLayout min = layoutMainView(anchor, 800, 550);
    EXPECT_EQ(small.plot, min.plot);
    EXPECT_EQ(small.verticalScroll, min.verticalScroll);
    EXPECT_EQ(small.horizontalScroll, min.horizontalScroll);
    EXPECT_EQ(small.curveGroup, min.curveGroup);
    // one dimension at a time
    EXPECT_EQ(layoutMainView(anchor, 1000, 300).plot.width, 1000 - 219 - 42);
    EXPECT_EQ(layoutMainView(anchor, 1000, 300).plot.height, 550 - 274 - 60);
}
