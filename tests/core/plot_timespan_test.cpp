// The survey plot's span: zoom, pan, back and the wall-clock ticks.
#include "plot/TimeSpan.h"

#include <gtest/gtest.h>

namespace {

constexpr TimeMs hourMs = 3600 * 1000;
constexpr TimeMs dayMs = 24 * hourMs;

TEST(TimeSpan, ZoomKeepsThePointUnderThePointerAndStaysInsideTheWhole) {
    TimeSpanView v;
    v.setWhole(0, 30 * dayMs);
    v.zoomAt(10 * dayMs, 0.5);
    EXPECT_EQ(v.t1() - v.t0(), 15 * dayMs);
    EXPECT_EQ(v.t0(), 5 * dayMs) << "10 days in stays a third of the way across";
    v.zoomAt(v.t0(), 1e-12);
    EXPECT_EQ(v.t1() - v.t0(), TimeSpanView::minSpanMs) << "down to a second, no further";
    EXPECT_EQ(v.t0(), 5 * dayMs);
    v.zoomAt(v.t0(), 1e9);
    EXPECT_EQ(v.t0(), 0);
    EXPECT_EQ(v.t1(), 30 * dayMs) << "out to the whole survey, no further";

    v.show(29 * dayMs, 31 * dayMs);
    EXPECT_EQ(v.t1(), 30 * dayMs);
    EXPECT_EQ(v.t1() - v.t0(), 2 * dayMs) << "a span past the end slides back in";
    v.pan(5 * dayMs);
    EXPECT_EQ(v.t1(), 30 * dayMs) << "panning stops at the end";
    v.pan(-40 * dayMs);
    EXPECT_EQ(v.t0(), 0);
}

TEST(TimeSpan, BackRetracesEveryShownSpan) {
    TimeSpanView v;
    v.setWhole(0, 10 * dayMs);
    EXPECT_FALSE(v.canGoBack());
    v.show(dayMs, 2 * dayMs);
    v.zoomAt(dayMs + hourMs, 1.0 / 24);
    EXPECT_EQ(v.t1() - v.t0(), hourMs);
    ASSERT_TRUE(v.back());
    EXPECT_EQ(v.t0(), dayMs);
    EXPECT_EQ(v.t1(), 2 * dayMs);
    ASSERT_TRUE(v.back());
    EXPECT_EQ(v.t1() - v.t0(), 10 * dayMs);
    EXPECT_FALSE(v.back());
}

TEST(TimeSpan, ALiveAxisCarriesTheWholeViewAlongAndLeavesAZoomWhereItIs) {
    TimeSpanView v;
    v.setWhole(0, hourMs);
    v.moveWhole(60'000, hourMs + 60'000);
    EXPECT_EQ(v.t0(), 60'000);
    EXPECT_EQ(v.t1(), hourMs + 60'000) << "the whole hour follows the clock";
    EXPECT_TRUE(v.showsWhole());

    v.show(10 * 60'000, 20 * 60'000);
    v.moveWhole(2 * 60'000, hourMs + 2 * 60'000);
    EXPECT_EQ(v.t0(), 10 * 60'000) << "a zoomed view stays on what the user looks at";
    EXPECT_EQ(v.t1(), 20 * 60'000);
    v.moveWhole(15 * 60'000, hourMs + 15 * 60'000);
    EXPECT_EQ(v.t0(), 15 * 60'000) << "what left the axis slides back in, as wide as it was";
    EXPECT_EQ(v.t1(), 25 * 60'000);
    ASSERT_TRUE(v.back());
    EXPECT_TRUE(v.showsWhole()) << "and the way back is kept";
}

TEST(TimeSpan, AGrowingAxisIsFollowedUntilTheUserLooksElsewhere) {
    TimeSpanView v;
    v.setWhole(0, 2 * hourMs);
    v.extendWhole(3 * hourMs);
    EXPECT_EQ(v.t0(), 0);
    EXPECT_EQ(v.t1(), 3 * hourMs) << "the whole goes on showing the whole";
    v.extendWhole(2 * hourMs);
    EXPECT_EQ(v.wholeEnd(), 3 * hourMs) << "an axis never shrinks";

    // Zoomed in on the newest half hour: it slides along with its width.
    v.show(3 * hourMs - hourMs / 2, 3 * hourMs);
    v.extendWhole(4 * hourMs);
    EXPECT_EQ(v.t1(), 4 * hourMs);
    EXPECT_EQ(v.t1() - v.t0(), hourMs / 2);
    EXPECT_TRUE(v.atEnd());

    // Panned back an hour: it stays there, and back() still retraces.
    v.pan(-hourMs);
    EXPECT_FALSE(v.atEnd());
    const TimeMs t0 = v.t0();
    v.extendWhole(5 * hourMs);
    EXPECT_EQ(v.t0(), t0);
    EXPECT_EQ(v.t1() - v.t0(), hourMs / 2);
    ASSERT_TRUE(v.back());
    EXPECT_EQ(v.t0(), 0);
    EXPECT_EQ(v.t1(), 3 * hourMs);
    v.showWhole();
    EXPECT_EQ(v.t1(), 5 * hourMs);
}

TEST(TimeSpan, TicksFallOnRoundWallClockTimesAndNameTheDays) {
    // The axis runs an hour ahead of the wall clock (a zone at UTC-1).
    const auto localOf = [](TimeMs t) { return t - hourMs; };
    const auto axisOf = [](std::int64_t l) { return l + hourMs; };
    // 2026-12-07 22:00 to 2026-12-08 03:00 on the wall clock.
    const TimeMs dec7 = 1796601600000; // 2026-12-07 00:00 UTC
    const TimeMs t0 = dec7 + 22 * hourMs + hourMs;
    const auto ticks = timeTicks(t0, t0 + 5 * hourMs, 6, localOf, axisOf);
    ASSERT_EQ(ticks.size(), 5u);
    EXPECT_EQ(ticks[0].label, "22:00");
    EXPECT_EQ(ticks[1].label, "23:00");
    EXPECT_EQ(ticks[2].label, "08-12") << "midnight shows the date";
    EXPECT_TRUE(ticks[2].dayStart);
    EXPECT_EQ(ticks[3].label, "01:00");
    for (std::size_t i = 1; i < ticks.size(); ++i)
        EXPECT_EQ(ticks[i].t - ticks[i - 1].t, hourMs);

    const auto month = timeTicks(dec7, dec7 + 30 * dayMs, 8, localOf, axisOf);
    ASSERT_FALSE(month.empty());
    EXPECT_LE(month.size(), 8u);
    for (const TimeTick& t : month)
        EXPECT_EQ(t.label.size(), 5u) << "dd-mm";

    const auto seconds = timeTicks(dec7, dec7 + 10000, 12, localOf, axisOf);
    ASSERT_GE(seconds.size(), 5u);
    EXPECT_EQ(seconds[1].label, "23:00:01");
}

} // namespace
