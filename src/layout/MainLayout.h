#pragma once

// Integer rectangle in view pixels.
struct LayoutRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int right() const { return x + width; }
    int bottom() const { return y + height; }
    bool operator==(const LayoutRect&) const = default;
};

// Where the resizable parts of the main view go.
struct MainViewLayout {
    LayoutRect plot; // the graph and, in the same place, the table
    LayoutRect verticalScroll;
    LayoutRect horizontalScroll;
    LayoutRect curveGroup;
};

// The view never lays out smaller than this; below it controls are clipped.
inline constexpr int minViewWidth = 800;
inline constexpr int minViewHeight = 550;

// Places the curve area below and right of the cursor group box (the anchor)
// in a view of the given client size.
MainViewLayout layoutMainView(const LayoutRect& anchor, int width, int height);
