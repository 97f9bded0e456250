#include "model/TimeLabels.h"
#include "plot/CursorSpan.h"
#include "plot/PlotView.h"
#include "survey/SeriesFigures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

namespace {

// 320-pixel plot, 40 samples across: tick t stands over sample 8t.
PlotView exactView() {
    PlotView v;
    v.xMax = 40;
    v.resetView(410, 290);
    return v;
}

// The labels the graph draws for its current view.
TickLabels labelsOf(const RecordList& series) {
    const PlotView v = exactView();
    return computeTickLabels(series, v.plotWidth, v.xScale, v.xOrigin, v.xMin);
}

RecordList seriesOf(const std::vector<std::pair<double, std::string>>& rows, double rate = 0.5) {
    RecordList s;
    for (const auto& [value, time] : rows)
        s.append(CObjData(value, time, "dBA", 0, rate));
    return s;
}

TEST(GraphTimeLabels, AnEmptySeriesCountsFromTheDefaultStartInWholeSteps) {
    const TickLabels l = labelsOf(RecordList{});
    ASSERT_EQ(l.count, 6);
    EXPECT_FALSE(l.timeFormatError);
    // 40 samples across: 8 samples, and so 8 seconds, between ticks.
    EXPECT_EQ(l.text[0], "00:00:00");
    EXPECT_EQ(l.text[1], "00:00:08");
    EXPECT_EQ(l.text[5], "00:00:40");
}

TEST(GraphTimeLabels, OneRecordLabelsTickZeroAndCountsOnAtItsInterval) {
    const TickLabels l = labelsOf(seriesOf({{60, "07-12-2026,23:59:55"}}));
    ASSERT_EQ(l.count, 6);
    EXPECT_EQ(l.text[0], "23:59:55");
    EXPECT_EQ(l.text[1], "23:59:59"); // 8 samples x 0.5 s
    EXPECT_EQ(l.text[2], "00:00:03");
    EXPECT_EQ(l.text[5], "00:00:15");
}

TEST(GraphTimeLabels, LabelsBeyondTheDataContinueTheStepOfTheTwoBefore) {
    std::vector<std::pair<double, std::string>> rows(9, {50, "07-12-2026,10:00:01"});
    rows[0].second = "07-12-2026,10:00:00";
    rows[8].second = "07-12-2026,10:00:04";
    const TickLabels l = labelsOf(seriesOf(rows));
    ASSERT_EQ(l.count, 6);
    EXPECT_EQ(l.text[0], "10:00:00");
    EXPECT_EQ(l.text[1], "10:00:04");
    EXPECT_EQ(l.text[2], "10:00:08");
    EXPECT_EQ(l.text[3], "10:00:12");
}

TEST(GraphTimeLabels, ABadTextStopsTheLabelsOnlyWhenATimeMustBeComputedFromIt) {
    // Every tick has a sample: texts are drawn as they are.
    std::vector<std::pair<double, std::string>> rows(41, {50, "nonsense"});
    const TickLabels full = labelsOf(seriesOf(rows));
    EXPECT_FALSE(full.timeFormatError);
    EXPECT_EQ(full.count, 6);
    EXPECT_EQ(full.text[3], "nonsense");

    const TickLabels cut = labelsOf(seriesOf({{50, "nonsense"}}));
    EXPECT_TRUE(cut.timeFormatError);
    EXPECT_EQ(cut.count, 1);
    EXPECT_EQ(cut.text[0], "nonsense");

    // An interval that throws the times off the calendar stops them as well.
    const TickLabels wild = labelsOf(seriesOf({{50, "07-12-2026,10:00:00"}}, 1e15));
    EXPECT_TRUE(wild.timeFormatError);
}

// The date-time reader stands for scanf's "%d-%d-%d,%d:%d:%d": blanks before a
// number, signs, numbers beyond an int, text after the seconds, stray NULs.
TEST(DateTimeText, ReadsEveryTextAsScanfDoes) {
    const auto scanned = [](const std::string& text) -> std::optional<DateTime> {
        DateTime t;
        if (std::sscanf(text.c_str(), "%d-%d-%d,%d:%d:%d", &t.day, &t.month, &t.year, &t.hour,
                        &t.minute, &t.second) != 6)
            return std::nullopt;
        if (t.year < 1900 || t.year > 9999 || t.month < 1 || t.month > 12 || t.day < 1 ||
            t.day > 31 || t.hour < 0 || t.hour > 23 || t.minute < 0 || t.minute > 59 ||
            t.second < 0 || t.second > 59)
            return std::nullopt;
        return t;
    };
    std::vector<std::string> texts = {"07-12-2026,09:05:33",
                                      " 7-\t12-+2026, 9: 5:\n33",
                                      "07-12-2026,09:05:33 and more",
                                      "07-12-2026,09:05:3",
                                      "07-12-2026 ,09:05:33",
                                      "07 -12-2026,09:05:33",
                                      "-0-12-2026,09:05:33",
                                      "+-7-12-2026,09:05:33",
                                      "07-12-4294969322,09:05:33",
                                      "07-12-99999999999999999999,09:05:33",
                                      "07-12--99999999999999999999,09:05:33",
                                      "07-12-9223372036854775807,09:05:33",
                                      "07-12-18446744073709553642,09:05:33",
                                      "07-12-2026,09:05",
                                      "07-12-2026,09:05:",
                                      "-",
                                      ""};
    texts.push_back(std::string("07-12-2026,09:05:33\0", 20));
    texts.push_back(std::string("07-12-20\0"
                                "26,09:05:33",
                                19));
    std::mt19937 rng(3);
    const std::string alphabet = "0123456789---,::: +\t";
    for (int i = 0; i < 20000; ++i) {
        // a valid text with a few characters changed, or characters at random
        std::string text = i % 2 ? "07-12-2026,09:05:33" : std::string(rng() % 24, ' ');
        for (int c = 0; c < (i % 2 ? 1 + static_cast<int>(rng() % 3) : 24); ++c)
            if (!text.empty())
                text[rng() % text.size()] = alphabet[rng() % alphabet.size()];
        texts.push_back(text);
    }
    for (const std::string& text : texts)
        ASSERT_EQ(parseDateTime(text), scanned(text)) << "\"" << text << "\"";
}

// The network and meter windows write their date-times with dateTimeText, the survey
// window with the series' own function: a user comparing them reads the same text.
TEST(DateTimeText, EveryWindowWritesADateTimeAsTheSurveyWindowDoes) {
    EXPECT_EQ(dateTimeText({8, 12, 2026, 7, 5, 3}), "08-12-2026 07:05:03");
    const SeriesStore wallClock; // no clock shifts: series time is the wall clock
    for (const std::int64_t s : {0LL, 59LL, 1796734985LL, 951782400LL, 4102444799LL})
        EXPECT_EQ(dateTimeText(addSeconds(DateTime{}, s)), seriesDateTime(wallClock, s * 1000))
            << s;
}

// Labels beyond the data are worked out from the times before them; they must
// be what reading those times back from their texts gives, however far they
// run (off the years a text may hold) and whatever the readings' texts hold.
TEST(GraphTimeLabels, LabelsBeyondTheDataAreTheTimesTheirTextsGive) {
    const auto byText = [](const RecordList& series, const PlotView& v) {
        TickLabels out;
        const std::string start(series.empty() ? "30-6-2010,00:00:00" : series[0].dateTime());
        const double interval = series.empty() ? 1.0 : series[0].samplingRate();
        std::array<std::string, 6> full;
        for (int t = 0; t < 6; ++t) {
            const int k = v.xTickIndex(t);
            if (k >= 0 && k < series.count()) {
                full[t] = series[static_cast<std::size_t>(k)].dateTime();
                out.text[t] = full[t].substr(full[t].find(',') + 1);
            } else {
                std::optional<DateTime> time;
                if (t < 2) {
                    if (auto s = parseDateTime(start))
                        time = addSeconds(
                            *s, static_cast<std::int64_t>(std::clamp(
                                    t * v.plotWidth * v.xScale / 5.0 * interval, -1e15, 1e15)));
                } else if (auto prev = parseDateTime(full[t - 1])) {
                    if (auto before = parseDateTime(full[t - 2]))
                        time = addSeconds(*prev, secondsBetween(*before, *prev));
                }
                if (!time) {
                    out.timeFormatError = true;
                    return out;
                }
                full[t] = formatDateTime(*time);
                out.text[t] = formatClock(*time);
            }
            out.count = t + 1;
        }
        return out;
    };
    const std::vector<std::vector<std::pair<double, std::string>>> serieses = {
        {},
        {{50, "07-12-2026,10:00:00"}},
        {{50, "07-12-2026,10:00:00"}, {50, "07-12-2026,10:00:09"}, {50, "nonsense"}},
        {{50, "31-12-9999,23:59:50"}, {50, "31-12-9999,23:59:59"}},
        {{50, "01-01-1900,00:00:10"}, {50, "01-01-1900,00:00:00"}},
    };
    for (const auto& rows : serieses)
        for (const double rate : {0.1, 0.5, 1.0, 3600.0, 1e9, 1e15})
            for (const int span : {1, 2, 3, 40, 400}) {
                RecordList s = seriesOf(rows, rate);
                PlotView v;
                v.xMax = span;
                v.resetView(410, 290);
                const TickLabels expected = byText(s, v);
                const TickLabels l = computeTickLabels(s, v.plotWidth, v.xScale, v.xOrigin, v.xMin);
                ASSERT_EQ(l.count, expected.count) << rows.size() << " " << rate << " " << span;
                // Where whole seconds repeat a label, tenths tell the ticks apart
                // when they can; otherwise the labels are the texts'.
                bool repeats = false, apart = true;
                for (int t = 1; t < l.count; ++t) {
                    repeats = repeats || expected.text[t] == expected.text[t - 1];
                    apart = apart && l.text[t] != l.text[t - 1];
                }
                if (!repeats || l.text == expected.text) {
                    EXPECT_EQ(l.text, expected.text) << rows.size() << " " << rate << " " << span;
                } else {
                    EXPECT_TRUE(apart) << rows.size() << " " << rate << " " << span;
                    for (int t = 0; t < l.count; ++t)
                        EXPECT_EQ(l.text[t].size(), 10u) << l.text[t];
                }
                EXPECT_EQ(l.timeFormatError, expected.timeFormatError);
            }
}

TEST(GraphCursorSpan, StatisticsBetweenTheCursorsWithEarliestSampleWinningTies) {
    const RecordList s = seriesOf({{40, "t0"}, {70, "t1"}, {70, "t2"}, {30, "t3"}, {30, "t4"}});
    const auto span = cursorSpan(s, 1, 4);
    ASSERT_TRUE(span);
    EXPECT_EQ(span->maxIndex, 1u);
    EXPECT_EQ(span->minIndex, 3u);
    EXPECT_EQ(span->count, 4);
    EXPECT_DOUBLE_EQ(span->average, 50);

    const auto pair = cursorSpan(s, 0, 1);
    EXPECT_EQ(pair->count, 2);
    EXPECT_DOUBLE_EQ(pair->average, 55);
}

TEST(GraphCursorSpan, LevelsOutsideTheStartingBoundsLeaveTheExtremeUnset) {
    const RecordList s = seriesOf({{0, "a"}, {0, "b"}, {150, "c"}, {200, "d"}});
    EXPECT_FALSE(cursorSpan(s, 0, 1)->maxIndex);
    EXPECT_EQ(cursorSpan(s, 0, 1)->minIndex, 0u);
    EXPECT_FALSE(cursorSpan(s, 2, 3)->minIndex);
    EXPECT_EQ(cursorSpan(s, 2, 3)->maxIndex, 3u);
}

TEST(GraphCursorSpan, IndicesOutsideTheSeriesGiveNothing) {
    const RecordList s = seriesOf({{40, "a"}, {50, "b"}});
    EXPECT_FALSE(cursorSpan(s, -1, 1));
    EXPECT_FALSE(cursorSpan(s, 0, 2));
    EXPECT_FALSE(cursorSpan(s, 1, 0));
    EXPECT_FALSE(cursorSpan(RecordList{}, 0, 0));
    EXPECT_TRUE(cursorSpan(s, 1, 1));
}

} // namespace

namespace {

// Ten readings a second from 02:14:44, stamped with their whole second.
RecordList tenASecond(int count) {
    RecordList s;
    for (int i = 0; i < count; ++i) {
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "09-12-2026,02:14:%02d", 44 + i / 10);
        s.append(CObjData(60.0, stamp, "dBA", 0, 0.1));
    }
    return s;
}

} // namespace

TEST(GraphTimeLabels, ReadingsUnderASecondApartGetTenthsWhereSecondsWouldRepeat) {
    struct Case {
        int readings;
        std::array<std::string, 6> expected;
    };
    for (const Case& c : {
             // 0.8 s between ticks: whole seconds would say 02:14:44 twice.
             Case{40,
                  {"02:14:44.0", "02:14:44.8", "02:14:45.6", "02:14:46.4", "02:14:47.2",
                   "02:14:48.0"}},
             // Beyond the data from the second tick on: counted on at the interval.
             Case{5,
                  {"02:14:44.0", "02:14:44.8", "02:14:45.6", "02:14:46.4", "02:14:47.2",
                   "02:14:48.0"}},
         }) {
        const TickLabels l = labelsOf(tenASecond(c.readings));
        ASSERT_EQ(l.count, 6) << c.readings;
        EXPECT_EQ(l.text, c.expected) << c.readings;
    }
    // Seconds that differ anyway stay as they were.
    const TickLabels whole =
        labelsOf(seriesOf({{60, "07-12-2026,23:59:55"}, {61, "07-12-2026,23:59:55"}}, 0.5));
    EXPECT_EQ(whole.text[1], "23:59:59");
}

TEST(GraphTimeLabels, AReadingsTimeShowsItsTenthUnderASecondApart) {
    const RecordList fast = tenASecond(25);
    EXPECT_EQ(readingTimeText(fast, 0), "09-12-2026,02:14:44.0");
    EXPECT_EQ(readingTimeText(fast, 13), "09-12-2026,02:14:45.3");
    EXPECT_EQ(readingTimeText(fast, 19), "09-12-2026,02:14:45.9");
    EXPECT_EQ(readingTimeText(fast, 24), "09-12-2026,02:14:46.4");
    const RecordList slow =
        seriesOf({{60, "07-12-2026,10:00:00"}, {61, "07-12-2026,10:00:01"}}, 1.0);
    EXPECT_EQ(readingTimeText(slow, 1), "07-12-2026,10:00:01");
    EXPECT_FALSE(tenthsIntoStamp(slow, 1));
}
