#include "layout/ReadoutLayout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

using Kind = ReadoutImage::Kind;

LiveState stateAt(double level, int range) {
    LiveState s;
    s.level = level;
    s.range = range;
    return s;
}

std::vector<ReadoutImage> imagesOf(const ReadoutLayout& l, Kind kind) {
    std::vector<ReadoutImage> out;
    std::copy_if(l.images.begin(), l.images.end(), std::back_inserter(out),
                 [kind](const ReadoutImage& i) { return i.kind == kind; });
    return out;
}

const ReadoutText* textAt(const ReadoutLayout& l, const std::string& text) {
    const auto it = std::find_if(l.texts.begin(), l.texts.end(),
                                 [&](const ReadoutText& t) { return t.text == text; });
    return it == l.texts.end() ? nullptr : &*it;
}

int tallTicks(const ReadoutLayout& l) {
    const auto ticks = imagesOf(l, Kind::Tick);
    return static_cast<int>(
        std::count_if(ticks.begin(), ticks.end(), [](const ReadoutImage& i) { return i.y == 72; }));
}

} // namespace

TEST(ReadoutDigits, FourCharactersStandAtTensUnitsPointTenths) {
    ReadoutValues v;
    const ReadoutLayout l = composeReadout(stateAt(65.34, 1), v);
    EXPECT_EQ(l.number, "65.3");
    const std::vector<ReadoutImage> expected{{Kind::Digit, 3, 125, 116},
                                             {Kind::Point, 0, 120, 159},
                                             {Kind::Digit, 5, 93, 116},
                                             {Kind::Digit, 6, 68, 116}};
    std::vector<ReadoutImage> shown = imagesOf(l, Kind::Digit);
    const auto points = imagesOf(l, Kind::Point);
    shown.insert(shown.begin() + 1, points.begin(), points.end());
    EXPECT_EQ(shown, expected);
}

TEST(ReadoutDigits, FiveCharactersPutTheHundredsAt43) {
    ReadoutValues v;
    const ReadoutLayout l = composeReadout(stateAt(105.2, 3), v);
    EXPECT_EQ(l.number, "105.2");
    const auto digits = imagesOf(l, Kind::Digit);
    ASSERT_EQ(digits.size(), 4u);
    EXPECT_EQ(digits[1], (ReadoutImage{Kind::Digit, 5, 93, 116}));
    EXPECT_EQ(digits[2], (ReadoutImage{Kind::Digit, 0, 68, 116}));
    EXPECT_EQ(digits[3], (ReadoutImage{Kind::Digit, 1, 43, 116}));
}

TEST(ReadoutDigits, SingleWholeDigitStaysOnTheUnitsPlace) {
    ReadoutValues v;
    const ReadoutLayout l = composeReadout(stateAt(5.3, 1), v);
    const auto digits = imagesOf(l, Kind::Digit);
    ASSERT_EQ(digits.size(), 2u);
    EXPECT_EQ(digits[1], (ReadoutImage{Kind::Digit, 5, 93, 116}));
}

TEST(ReadoutDigits, ValuesBeyondTheDisplayDrawNoStrayImages) {
    ReadoutValues v;
    const ReadoutLayout big = composeReadout(stateAt(12345.6, 1), v);
    for (const ReadoutImage& d : imagesOf(big, Kind::Digit))
        EXPECT_GE(d.x, 43);
    const ReadoutLayout nan = composeReadout(stateAt(std::nan(""), 1), v);
    EXPECT_TRUE(imagesOf(nan, Kind::Digit).empty());
    EXPECT_EQ(nan.barSteps, 0);
}

TEST(ReadoutBar, StepsAndTallTicksFollowTheRange) {
    ReadoutValues v;
    const ReadoutLayout r1 = composeReadout(stateAt(65.34, 1), v);
    EXPECT_EQ(r1.barSteps, 35);
    EXPECT_EQ(tallTicks(r1), 1 + 7);
    EXPECT_EQ(r1.tickCount(), 2 + 35 + 7);
    ASSERT_NE(textAt(r1, "30"), nullptr);
    EXPECT_EQ(textAt(r1, "30")->x, 47);
    ASSERT_NE(textAt(r1, "80"), nullptr);
    EXPECT_EQ(textAt(r1, "80")->x, 132);

    EXPECT_EQ(composeReadout(stateAt(105.2, 3), v).barSteps, 25);
    EXPECT_EQ(composeReadout(stateAt(75.9, 2), v).barSteps, 25);
}

TEST(ReadoutBar, ClampsAtBothEndsOfTheScale) {
    ReadoutValues v;
    const ReadoutLayout high = composeReadout(stateAt(120.0, 1), v);
    EXPECT_EQ(high.barSteps, 50);
    int lastX = 0;
    for (const ReadoutImage& t : imagesOf(high, Kind::Tick))
        lastX = std::max(lastX, t.x);
    EXPECT_EQ(lastX, 150);
    EXPECT_EQ(composeReadout(stateAt(20.0, 1), v).barSteps, 0);
    EXPECT_EQ(composeReadout(stateAt(20.0, 1), v).tickCount(), 2);
}

TEST(ReadoutBar, AutomaticRangeHalvesTheSteps) {
    ReadoutValues v;
    const ReadoutLayout l = composeReadout(stateAt(95.0, 4), v);
    EXPECT_EQ(l.barSteps, 32);
    EXPECT_NE(textAt(l, "130"), nullptr);
    const ReadoutText* autoWord = textAt(l, "AUTO");
    ASSERT_NE(autoWord, nullptr);
    EXPECT_EQ(autoWord->x, 120);
    EXPECT_EQ(autoWord->y, 168);
    EXPECT_EQ(composeReadout(stateAt(130.0, 4), v).barSteps, 50);
}

TEST(ReadoutBar, RangeZeroShowsDigitsAndWordsButNoBar) {
    ReadoutValues v;
    const ReadoutLayout l = composeReadout(stateAt(50.0, 0), v);
    EXPECT_EQ(l.barSteps, -1);
    EXPECT_EQ(l.tickCount(), 0);
    EXPECT_EQ(textAt(l, "30"), nullptr);
    EXPECT_FALSE(imagesOf(l, Kind::Digit).empty());
    EXPECT_NE(textAt(l, "SLOW"), nullptr);
    EXPECT_NE(textAt(l, "dBC"), nullptr);
    EXPECT_EQ(textAt(l, "AUTO"), nullptr);
}

TEST(ReadoutFreeze, DigitsFrozenKeepTheNumberWhileTheBarFollows) {
    ReadoutValues v;
    composeReadout(stateAt(60.0, 1), v);
    LiveState s = stateAt(70.0, 1);
    s.digitsFrozen = true;
    const ReadoutLayout l = composeReadout(s, v);
    EXPECT_EQ(l.number, "60.0");
    EXPECT_EQ(l.barSteps, 40);
    EXPECT_DOUBLE_EQ(v.digitValue, 60.0);
    EXPECT_DOUBLE_EQ(v.barValue, 70.0);
}

TEST(ReadoutFreeze, BarFrozenKeepTheBarWhileTheNumberFollows) {
    ReadoutValues v;
    composeReadout(stateAt(60.0, 1), v);
    LiveState s = stateAt(70.0, 1);
    s.barFrozen = true;
    const ReadoutLayout l = composeReadout(s, v);
    EXPECT_EQ(l.number, "70.0");
    EXPECT_EQ(l.barSteps, 30);
    s.barFrozen = false;
    EXPECT_EQ(composeReadout(s, v).barSteps, 40);
}

TEST(ReadoutClock, ShowsWhatFollowsTheDateOnly) {
    ReadoutValues v;
    LiveState s = stateAt(50.0, 1);
    s.meterTime = "07-12-2026,14:05:09";
    const ReadoutLayout l = composeReadout(s, v);
    const ReadoutText* clock = textAt(l, "14:05:09");
    ASSERT_NE(clock, nullptr);
    EXPECT_EQ(clock->x, 66);
    EXPECT_EQ(clock->y, 90);
    EXPECT_EQ(clock->font, ReadoutFont::Clock);
    EXPECT_NE(textAt(l, "TIME"), nullptr);

    for (const char* shortTime : {"", "07-12-2026,"}) {
        s.meterTime = shortTime;
        const ReadoutLayout none = composeReadout(s, v);
        EXPECT_EQ(std::count_if(none.texts.begin(), none.texts.end(),
                                [](const ReadoutText& t) { return t.font == ReadoutFont::Clock; }),
                  0)
            << shortTime;
    }
}

TEST(ReadoutStatus, WordsAppearInOrderAtTheirPlaces) {
    ReadoutValues v;
    LiveState s = stateAt(80.0, 4);
    s.fast = true;
    s.maxMode = true;
    s.weightingA = true;
    s.meterRec = true;
    s.hold = true;
    s.over = true;
    s.under = true;
    const ReadoutLayout l = composeReadout(s, v);
    std::vector<std::string> words;
    for (const ReadoutText& t : l.texts)
        if (t.font == ReadoutFont::Status)
            words.push_back(t.text);
    EXPECT_EQ(words, (std::vector<std::string>{"FAST", "MAX", "dBA", "REC", "HOLD", "OVER", "AUTO",
                                               "UNDER"}));
    EXPECT_EQ(textAt(l, "HOLD")->x, textAt(l, "AUTO")->x);
    EXPECT_EQ(textAt(l, "UNDER")->y, 40);

    s = stateAt(80.0, 1);
    s.minMode = true;
    const ReadoutLayout slow = composeReadout(s, v);
    EXPECT_EQ(textAt(slow, "SLOW")->x, 114);
    EXPECT_EQ(textAt(slow, "MIN")->x, 70);
    EXPECT_EQ(textAt(slow, "FAST"), nullptr);
}
