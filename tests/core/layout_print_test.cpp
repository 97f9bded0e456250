#include "layout/PrintLayout.h"
#include "model/TimeLabels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

RecordList series(int n, double interval = 1.0, int startSecond = 0) {
    RecordList list;
    for (int i = 0; i < n; ++i) {
        DateTime t{7, 12, 2026, 10, 0, 0};
        t = addSeconds(t, startSecond + static_cast<int>(i * interval));
        list.append(CObjData(40.0 + i % 50, formatDateTime(t), "dBA", 0, interval));
    }
    return list;
}

PrintMetrics a4() {
    PrintMetrics m;
    m.width = 4960; // A4 at 600 dpi
    m.height = 7016;
    m.lineHeight = 100;
    m.textWidth = [](const std::string& s) { return textLength(s) * 40; };
    return m;
}

const LocalTime printedAt{2026, 12, 8, 9, 5, 7};

std::vector<const PrintOp*> textsAt(const PrintPage& page, int x) {
    std::vector<const PrintOp*> out;
    for (const auto& op : page)
        if (op.kind == PrintOp::Kind::Text && op.x == x)
            out.push_back(&op);
    return out;
}

bool hasText(const PrintPage& page, const std::string& s) {
    return std::any_of(page.begin(), page.end(), [&](const PrintOp& op) {
        return op.kind == PrintOp::Kind::Text && op.text == s;
    });
}

TEST(DataPrintout, ColumnsAndHeadingBlock) {
    const PrintMetrics m = a4();
    const int F = m.height / 80, G = m.height / 130, L = m.lineHeight;
    SeriesStats stats;
    stats.maxValue = 89;
    stats.maxTime = "07-12-2026,10:00:49";
    const auto pages = layoutDataPrintout(series(3), stats, m, printedAt);
    ASSERT_EQ(pages.size(), 1u);
    const PrintPage& p = pages[0];
    EXPECT_EQ(p[0], (PrintOp{PrintOp::Kind::Text, m.width / 4 - 5 * G, F, 0, 0, "Tablo"}));
    EXPECT_TRUE(hasText(p, "89.00   07-12-2026,10:00:49"));
    // The value column after "Tarama frekansı" (15 characters) is at 19 G.
    EXPECT_EQ(textsAt(p, 19 * G).size(), 5u);
    // Headings at C1..C4 = 4, 11, 30, 37 G on line 7; the first row right below.
    for (int x : {4 * G, 11 * G, 30 * G, 37 * G})
        EXPECT_FALSE(textsAt(p, x).empty()) << x;
    const auto ids = textsAt(p, 4 * G);
    EXPECT_EQ(ids[ids.size() - 4]->text, "ID");
    EXPECT_EQ(ids[ids.size() - 4]->y, F + 7 * L);
    EXPECT_EQ(ids[ids.size() - 3]->text, "1");
    EXPECT_EQ(ids[ids.size() - 3]->y, F + 8 * L);
    // Each row has its rule from C1 to R = 44 G along its top.
    const auto rules = std::count_if(p.begin(), p.end(), [&](const PrintOp& op) {
        return op.kind == PrintOp::Kind::Line && op.x == 4 * G && op.x2 == 44 * G;
    });
    EXPECT_EQ(rules, 3);
    EXPECT_TRUE(hasText(p, "Time: 2026-12-8  9:5:7"));
    EXPECT_TRUE(hasText(p, "Page -1-"));
}

TEST(DataPrintout, Pagination) {
    const PrintMetrics m = a4();
    const int P = dataLinesPerPage(m);
    const int F = m.height / 80, G = m.height / 130, L = m.lineHeight;
    ASSERT_EQ(P, (m.height - 4 * F) / L);

    // P - 6 readings fill the first page exactly... and, since the last row
    // filled its page, one more page with only the title, headings and footer.
    auto pages = layoutDataPrintout(series(P - 6), {}, m, printedAt);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[1].size(), 1u + 4u + 2u);
    EXPECT_EQ(pages[1][0].x, m.width / 4 - 4 * G);
    EXPECT_EQ(pages[1][1].y, F + L);

    // P - 5 readings: the last on line 1 of page 2.
    pages = layoutDataPrintout(series(P - 5), {}, m, printedAt);
    ASSERT_EQ(pages.size(), 2u);
    const auto ids = textsAt(pages[1], 4 * G);
    ASSERT_EQ(ids.size(), 2u);
    EXPECT_EQ(ids[1]->text, std::to_string(P - 5));
    EXPECT_EQ(ids[1]->y, F + 2 * L);

    // Page numbers run on; the last page shows its own.
    pages = layoutDataPrintout(series(2 * P), {}, m, printedAt);
    ASSERT_EQ(pages.size(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(hasText(pages[i], "Page -" + std::to_string(i + 1) + "-"));

    EXPECT_TRUE(layoutDataPrintout(RecordList{}, {}, m, printedAt).empty());
    // A line height that could never fit still gives a usable page count.
    PrintMetrics tiny = m;
    tiny.lineHeight = m.height;
    EXPECT_EQ(dataLinesPerPage(tiny), 8);
    tiny.lineHeight = 0;
    EXPECT_EQ(dataLinesPerPage(tiny), 8);
}

PrintPlotView unzoomed(int n) {
    PrintPlotView v;
    v.plotWidth = 280;
    v.plotHeight = 157;
    v.windowWidth = 370;
    v.xScale = std::max(20.0, n - 1.0) / v.plotWidth;
    v.yScale = 130.0 / v.plotHeight;
    return v;
}

std::size_t count(const PrintPage& p, PrintOp::Kind kind, std::uint32_t color = 0xFFFFFFFF) {
    return static_cast<std::size_t>(std::count_if(p.begin(), p.end(), [&](const PrintOp& op) {
        return op.kind == kind && (color == 0xFFFFFFFF || op.color == color);
    }));
}

TEST(DiagramPrintout, CurveFollowsTheZoomAndDotsOnlyWhenSparse) {
    const PrintMetrics m = a4();
    const RecordList data = series(100);
    PrintPlotView v = unzoomed(100);
    auto page = layoutDiagramPrintout(data, {}, v, m, printedAt);
    EXPECT_EQ(count(page, PrintOp::Kind::Line, 0x0000FF), 99u);
    EXPECT_EQ(count(page, PrintOp::Kind::Circle), 0u) << "xScale >= 1/3: no circles";
    EXPECT_EQ(count(page, PrintOp::Kind::WhiteRect), 4u);

    // Zoomed to samples 40..50: samples 40 up to two past the right edge, 51.
    v.xOrigin = 40;
    v.xScale = 10.0 / v.plotWidth;
    page = layoutDiagramPrintout(data, {}, v, m, printedAt);
    EXPECT_EQ(count(page, PrintOp::Kind::Line, 0x0000FF), 11u);
    EXPECT_EQ(count(page, PrintOp::Kind::Circle), 11u);
    // The first time label is the reading under the left edge.
    EXPECT_TRUE(hasText(page, "10:00:40"));
    EXPECT_TRUE(hasText(page, "10:00:50"));
    EXPECT_FALSE(hasText(page, "10:00:00"));
    // Y labels follow a zoomed Y range.
    v.yOrigin = 60;
    page = layoutDiagramPrintout(data, {}, v, m, printedAt);
    EXPECT_TRUE(hasText(page, "60.0"));

    // Exactly three widget pixels per sample: no circles.
    v.xScale = 1.0 / 3.0;
    page = layoutDiagramPrintout(data, {}, v, m, printedAt);
    EXPECT_EQ(count(page, PrintOp::Kind::Circle), 0u);
}

TEST(DiagramPrintout, HeadingAndSummary) {
    const PrintMetrics m = a4();
    SeriesStats stats;
    stats.average = 55.5;
    stats.samplingRate = 1.5;
    stats.startTime = "07-12-2026,10:00:00";
    const auto page = layoutDiagramPrintout(series(5), stats, unzoomed(5), m, printedAt);
    EXPECT_TRUE(hasText(page, "Gerçek zaman eğrisi"));
    EXPECT_TRUE(hasText(page, "Zaman: 2026-12-8  9:5:7"));
    EXPECT_TRUE(hasText(page, "55.50"));
    EXPECT_TRUE(hasText(page, "07-12-2026,10:00:00"));
    EXPECT_TRUE(layoutDiagramPrintout(RecordList{}, stats, unzoomed(5), m, printedAt).empty());

    // A summary text keeps its column (characters of o = D/130) where the text
    // before it leaves room for a blank, and moves on to that blank where not.
    // Here a character is 40 pixels wide and o is 38.
    const int o = m.width / 130, w = 8 * (m.height / 130);
    const auto at = [&](const std::string& t) {
        for (const auto& op : page)
            if (op.kind == PrintOp::Kind::Text && op.text == t)
                return op.x;
        return -1;
    };
    EXPECT_EQ(at("1.50"), w + 19 * o) << "room after the label";
    EXPECT_EQ(at("07-12-2026,10:00:00"), w + 14 * 40 + 40) << "Başlatma saati runs past 14 o";
}

TEST(TickLabels, ReadingsUnderTicksAndExtrapolation) {
    // One reading, unzoomed over 20 positions of a 280-pixel plot: tick 0 shows
    // its time, the rest count on by trunc(280 * xScale / 5 * interval) = 4 s.
    RecordList one = series(1, 1.0);
    auto labels = computeTickLabels(one, 280, 20.0 / 280, 0, 0);
    ASSERT_EQ(labels.count, 6);
    EXPECT_EQ(labels.text, (std::array<std::string, 6>{"10:00:00", "10:00:04", "10:00:08",
                                                       "10:00:12", "10:00:16", "10:00:20"}));

    // Data ending between ticks: later labels continue with the last step.
    RecordList two = series(5, 4.0); // 10:00:00, :04, :08, :12, :16 at positions 0..4
    labels = computeTickLabels(two, 250, 1.0 / 50.0 * 1.0, 0, 0); // 1 position per tick
    EXPECT_EQ(labels.text[0], "10:00:00");
    EXPECT_EQ(labels.text[1], "10:00:04");
    EXPECT_EQ(labels.text[5], "10:00:20");

    // Extrapolation crosses midnight and month ends on the calendar.
    RecordList late;
    late.append(CObjData(50, "31-12-2026,23:59:58", "dBA", 0, 2.0));
    labels = computeTickLabels(late, 100, 5.0 / 100, 0, 0);
    EXPECT_EQ(labels.text[1], "00:00:00");

    // An unreadable time is only a problem when something must be computed from it.
    RecordList bad;
    bad.append(CObjData(50, "garbage", "dBA", 0, 1.0));
    labels = computeTickLabels(bad, 100, 0.001, 0, 0); // every tick over reading 0
    EXPECT_FALSE(labels.timeFormatError);
    EXPECT_EQ(labels.text[5], "garbage");
    labels = computeTickLabels(bad, 100, 20.0 / 100, 0, 0);
    EXPECT_TRUE(labels.timeFormatError);
    EXPECT_EQ(labels.count, 1);

    // A sampling rate that is no number, or beyond any calendar, is no crash.
    RecordList odd;
    odd.append(CObjData(50, "07-12-2026,10:00:00", "dBA", 0, std::nan("")));
    labels = computeTickLabels(odd, 100, 20.0 / 100, 0, 0);
    EXPECT_EQ(labels.text[1], "10:00:00");
    RecordList huge;
    huge.append(CObjData(50, "07-12-2026,10:00:00", "dBA", 0, 1e300));
    labels = computeTickLabels(huge, 100, 20.0 / 100, 0, 0);
    EXPECT_TRUE(labels.timeFormatError);

    // No data: counted from 30-6-2010 in steps of trunc(W * xScale / 5) seconds.
    labels = computeTickLabels(RecordList{}, 100, 20.0 / 100, 0, 0);
    EXPECT_EQ(labels.text[0], "00:00:00");
    EXPECT_EQ(labels.text[1], "00:00:04");
}

TEST(DateTimeText, ParseValidatesEveryField) {
    EXPECT_EQ(parseDateTime("7-12-2026,9:05:33"), (DateTime{7, 12, 2026, 9, 5, 33}));
    for (const char* bad : {"32-12-2026,10:00:00", "07-13-2026,10:00:00", "07-12-1899,10:00:00",
                            "07-12-2026,24:00:00", "07-12-2026,10:60:00", "07-12-2026,10:00", ""})
        EXPECT_FALSE(parseDateTime(bad)) << bad;
    EXPECT_EQ(formatDateTime(addSeconds({28, 2, 2028, 23, 59, 59}, 1)), "29-02-2028,00:00:00");
    EXPECT_EQ(secondsBetween({1, 1, 2026, 0, 0, 0}, {2, 1, 2026, 0, 0, 1}), 86401);
}

} // namespace
