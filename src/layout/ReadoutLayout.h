#pragma once

#include "protocol/LiveState.h"

#include <string>
#include <vector>

// The fonts of the meter's display, by their cell height and average character
// width in pixels (0 = the face's own width).
enum class ReadoutFont {
    Clock,    // 24 px high, 6 wide, bold
    TimeWord, // 14 px high, 5 wide
    BarLabel, // 13 px high
    Status,   // 10 px high, 6 wide
};

struct ReadoutFontSpec {
    int height;
    int width;
    bool bold;
};
ReadoutFontSpec readoutFontSpec(ReadoutFont font);

// One image of the display: a digit (0..9), the decimal point or a bar tick,
// placed by its top-left corner in panel pixels.
struct ReadoutImage {
    enum class Kind { Digit, Point, Tick };
    Kind kind;
    int digit = 0; // for Kind::Digit
    int x = 0;
    int y = 0;
    bool operator==(const ReadoutImage&) const = default;
};

// One text of the display, drawn black with its cell's top-left corner at x, y.
struct ReadoutText {
    std::string text;
    int x = 0;
    int y = 0;
    ReadoutFont font = ReadoutFont::Status;
    bool operator==(const ReadoutText&) const = default;
};

// What the display shows, in drawing order.
struct ReadoutLayout {
    std::string number; // the level as shown, "%.1f"
    std::vector<ReadoutImage> images;
    std::vector<ReadoutText> texts;
    int barSteps = -1; // -1 when the range has no bar

    int tickCount() const;
};

// The values the digits and the bar show; they persist between drawings so a
// freeze flag can hold one of them.
struct ReadoutValues {
    double digitValue = 0.0;
    double barValue = 0.0;
};

// The display rectangle inside the panel, filled before the readout is drawn.
struct PanelRect {
    int x, y, width, height;
};
inline constexpr PanelRect displayRect{45, 42, 106, 140};
inline constexpr int panelWidth = 195;
inline constexpr int panelHeight = 533;

// Lays out the readout of one state and updates the persisting values.
ReadoutLayout composeReadout(const LiveState& state, ReadoutValues& values);
