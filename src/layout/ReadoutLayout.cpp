#include "layout/ReadoutLayout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

struct BarScale {
    double low;
    double high;
    int divisor; // the automatic range spans 100 dB over the same 50 steps
};

bool barScale(int range, BarScale& scale) {
    switch (range) {
    case 1:
        scale = {30, 80, 1};
        return true;
    case 2:
        scale = {50, 100, 1};
        return true;
    case 3:
        scale = {80, 130, 1};
        return true;
    case 4:
        scale = {30, 130, 2};
        return true;
    default:
        return false;
    }
}

void addDigits(ReadoutLayout& out) {
    const std::string& n = out.number;
    const int len = static_cast<int>(n.size());
    // The tenths digit and the point have fixed places; the whole part is
    // right-aligned on the units place, so 5.0 shows its 5 where 65.0 shows
    // its 5, and at most three whole digits fit the display.
    constexpr int tenthsX = 125;
    constexpr int unitsX = 93;
    constexpr int digitY = 116;
    constexpr int maxWholeDigits = 3;
    for (int i = len - 1; i >= 0; --i) {
        const char c = n[static_cast<std::size_t>(i)];
        if (i == len - 2) {
            out.images.push_back({ReadoutImage::Kind::Point, 0, 120, 159});
            continue;
        }
        if (c < '0' || c > '9')
            continue;
        if (i == len - 1) {
            out.images.push_back({ReadoutImage::Kind::Digit, c - '0', tenthsX, digitY});
            continue;
        }
        const int fromUnits = len - 3 - i;
        if (fromUnits >= maxWholeDigits)
            continue;
        out.images.push_back({ReadoutImage::Kind::Digit, c - '0', unitsX - 25 * fromUnits, digitY});
    }
}

void addBar(ReadoutLayout& out, int range, double value) {
    BarScale scale{};
    if (!barScale(range, scale))
        return;
    const double v = std::isfinite(value) ? std::clamp(value, scale.low, scale.high) : scale.low;
    const int steps = static_cast<int>(std::trunc(v - scale.low)) / scale.divisor;
    out.barSteps = steps;
    out.texts.push_back(
        {std::to_string(static_cast<int>(scale.low)), 47, 61, ReadoutFont::BarLabel});
    out.images.push_back({ReadoutImage::Kind::Tick, 0, 50, 72});
    out.images.push_back({ReadoutImage::Kind::Tick, 0, 50, 81});
    for (int i = 1; i <= steps; ++i) {
        out.images.push_back({ReadoutImage::Kind::Tick, 0, 50 + 2 * i, 81});
        if (i % 5 == 0)
            out.images.push_back({ReadoutImage::Kind::Tick, 0, 50 + 2 * i, 72});
    }
    out.texts.push_back(
        {std::to_string(static_cast<int>(scale.high)), 132, 61, ReadoutFont::BarLabel});
}

void addStatus(ReadoutLayout& out, const LiveState& s) {
    auto word = [&out](const char* text, int x, int y) {
        out.texts.push_back({text, x, y, ReadoutFont::Status});
    };
    if (s.fast)
        word("FAST", 95, 50);
    else
        word("SLOW", 114, 50);
    if (s.maxMode)
        word("MAX", 45, 50);
    if (s.minMode)
        word("MIN", 70, 50);
    word(s.weightingA ? "dBA" : "dBC", 95, 168);
    if (s.meterRec)
        word("REC", 65, 168);
    if (s.hold)
        word("HOLD", 120, 168);
    if (s.over)
        word("OVER", 120, 40);
    if (s.range == 4)
        word("AUTO", 120, 168);
    if (s.under)
        word("UNDER", 45, 40);
}

} // namespace

ReadoutFontSpec readoutFontSpec(ReadoutFont font) {
    switch (font) {
    case ReadoutFont::Clock:
        return {24, 6, true};
    case ReadoutFont::TimeWord:
        return {14, 5, false};
    case ReadoutFont::BarLabel:
        return {13, 0, false};
    case ReadoutFont::Status:
        break;
    }
    return {10, 6, false};
}

int ReadoutLayout::tickCount() const {
    return static_cast<int>(std::count_if(images.begin(), images.end(), [](const ReadoutImage& i) {
        return i.kind == ReadoutImage::Kind::Tick;
    }));
}

ReadoutLayout composeReadout(const LiveState& state, ReadoutValues& values) {
    double shown = state.level;
    if (state.barFrozen) {
        values.digitValue = state.level;
    } else if (state.digitsFrozen) {
        values.barValue = state.level;
        shown = values.digitValue;
    } else {
        values.digitValue = state.level;
        values.barValue = state.level;
    }

    ReadoutLayout out;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", shown);
    out.number = buf;
    addDigits(out);

    constexpr std::size_t datePart = 11;
    if (state.meterTime.size() > datePart)
        out.texts.push_back({state.meterTime.substr(datePart), 66, 90, ReadoutFont::Clock});
    out.texts.push_back({"TIME", 122, 99, ReadoutFont::TimeWord});

    addBar(out, state.range, values.barValue);
    addStatus(out, state);
    return out;
}
