#pragma once

#include "model/RecordList.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

// A colour as the colour file and the widget keep it: red in bits 0-7, green in
// bits 8-15, blue in bits 16-23.
using Rgb = std::uint32_t;

constexpr Rgb rgb(int r, int g, int b) {
    return static_cast<Rgb>(r & 0xff) | (static_cast<Rgb>(g & 0xff) << 8) |
           (static_cast<Rgb>(b & 0xff) << 16);
}
constexpr int redOf(Rgb c) {
    return static_cast<int>(c & 0xff);
}
constexpr int greenOf(Rgb c) {
    return static_cast<int>((c >> 8) & 0xff);
}
constexpr int blueOf(Rgb c) {
    return static_cast<int>((c >> 16) & 0xff);
}

namespace plotcolors {
inline constexpr Rgb margin = rgb(170, 175, 195);
inline constexpr Rgb yAxis = rgb(100, 0, 100);
inline constexpr Rgb cursorA = rgb(110, 30, 200);
inline constexpr Rgb cursorB = rgb(0, 255, 0);
inline constexpr Rgb black = rgb(0, 0, 0);
inline constexpr Rgb limit = rgb(255, 60, 0);
} // namespace plotcolors

struct PlotPoint {
    int x = 0;
    int y = 0;
    bool operator==(const PlotPoint&) const = default;
};

// What the widget has to do or tell its parent, in the order it happened.
struct PlotEvent {
    enum class Kind {
        Redraw, // draw again from the stored series (may add range events of its own)
        Range,  // the visible or the full range changed: the parent updates its scrollbars
        Cursor, // cursor A (which = -1) or B (which = -2) placed or previewed at index
        Hover,  // the pointer is over sample index
    };
    Kind kind;
    int which = 0;
    int index = 0;
    bool operator==(const PlotEvent&) const = default;
};
using PlotEvents = std::vector<PlotEvent>;

// Which cursor a Cursor event is about.
inline constexpr int cursorWhichA = -1;
inline constexpr int cursorWhichB = -2;

// The scrollbar a parent shows for one axis: range 0..maximum.
struct ScrollRange {
    int maximum = 0;
    int position = 0;
    bool operator==(const ScrollRange&) const = default;
};

// The view state of the curve plot and every rule that moves it: geometry,
// the automatic X range, following the newest sample, the zoom rectangle,
// the cursors and the scrollbars. The fields are public because the parents,
// printing and the colour settings read and write them directly.
//
// The client area is the plot area (top-left (45, 10), plotWidth x plotHeight)
// with margins of 45 left, 10 top, 45 right and 20 below.
class PlotView {
  public:
    static constexpr int leftMargin = 45;
    static constexpr int topMargin = 10;
    static constexpr int horizontalMargins = 90;
    static constexpr int verticalMargins = 30;
    // An axis at or below this many units per pixel is not zoomed further.
    static constexpr double zoomLimit = 0.005;

    double xScale = 20.0 / 400;  // samples per pixel
    double yScale = 130.0 / 300; // dB per pixel
    double xMax = 20;
    double yMax = 130;
    double xMin = 0;
    double yMin = 0;
    int plotWidth = 400;
    int plotHeight = 300;
    double xOrigin = 0; // sample position at the left edge of the plot area
    double yOrigin = 0; // level at the bottom edge of the plot area

    Rgb backColor = rgb(0, 100, 100);
    Rgb gridColor = rgb(255, 0, 255);
    Rgb lineColor = rgb(0, 0, 255);

    // The exceedance limit in dB, drawn as a horizontal line when set.
    std::optional<double> limit;

    int cursorMode = 0; // 2: next click places A; 1: next click places B; 0: none
    int cursorA = -1;
    int cursorB = -1;
    bool rubberBandShown = false;
    bool buttonDown = false;
    bool rangeAnnounced = false;
    PlotPoint dragStart;
    PlotPoint dragEnd;
    PlotPoint hoverPoint;
    bool followNewest = false;
    bool zoomed = false;

    // Geometry from the client size and back to the unzoomed view; xMax is kept.
    // The cursors stay. Returns {Redraw, Range}.
    PlotEvents resetView(int clientWidth, int clientHeight);

    // The state changes at the start of a redraw of the given series: the first
    // range announcement, then the automatic X range (unzoomed) or one follow
    // step (zoomed). Returns the range events in order.
    PlotEvents prepareRedraw(const RecordList& series);

    // Mouse actions on the control; n is the number of samples in the series.
    PlotEvents leftButtonDown(PlotPoint p, int n);
    PlotEvents mouseMove(PlotPoint p, int n);
    PlotEvents leftButtonUp(PlotPoint p);
    PlotEvents doubleClick(PlotPoint p);
    PlotEvents rightButtonUp();

    bool insidePlot(PlotPoint p) const;
    // The nearest sample position under pixel column x (halves round up).
    int indexAt(int x) const;
    PlotPoint curvePoint(int index, double value) const;
    int cursorX(int index) const;
    // The pixel row of the limit line; nothing when no limit is set or the
    // limit lies outside the visible levels.
    std::optional<int> limitY() const;
    // Samples [first, last) worth walking for the curve; empty when n is 0.
    struct Span {
        int first = 0;
        int last = 0;
    };
    Span visibleSamples(int n) const;
    // Dots mark the samples when there are more than three pixels per sample.
    bool showsDots() const { return 2 / xScale > 6; }
    // The cursor preview line, when one is to be drawn; x < 0 otherwise.
    int previewLineX() const;

    // Grid, ticks and labels of the axes.
    int gridX(int i) const;        // 21 vertical grid lines, i = 0..20
    int gridY(int j) const;        // 11 horizontal grid lines, j = 0..10
    double gridLevel(int j) const; // the level labelled at gridY(j)
    int yTickY(int k) const;       // 11 ticks on the Y axis, k = 0..10
    int xTickX(int t) const;       // 6 ticks on the X axis, t = 0..5
    // The sample position labelled below X tick t.
    int xTickIndex(int t) const;

    ScrollRange verticalScroll() const;
    ScrollRange horizontalScroll() const;
    // The view after a scrollbar moved to pos (0 is the top of the full range).
    void scrollVerticalTo(int pos);
    void scrollHorizontalTo(int pos);

    // The same view in every field: the same picture of the same series.
    bool operator==(const PlotView&) const = default;

  private:
    void ensureUsableGeometry();
};

// Truncates toward zero like a cast, but saturates instead of overflowing and
// maps NaN to 0.
inline int truncToInt(double v) {
    constexpr double lo = std::numeric_limits<int>::min();
    constexpr double hi = std::numeric_limits<int>::max();
    if (v > lo && v < hi)
        return static_cast<int>(v);
    if (v <= lo)
        return std::numeric_limits<int>::min();
    return v >= hi ? std::numeric_limits<int>::max() : 0; // NaN compares false throughout
}

// PlotView::curvePoint with the parts that do not change from one sample to
// the next worked out once: the same expressions in the same order, so the
// same pixels, for the tens of thousands of samples of one redraw.
class CurveTransform {
  public:
    explicit CurveTransform(const PlotView& v)
        : xScale_(v.xScale), xShift_((v.xOrigin - v.xMin) / v.xScale), yMin_(v.yMin),
          yScale_(v.yScale), yTop_(PlotView::topMargin + (v.yOrigin - v.yMin) / v.yScale),
          height_(v.plotHeight) {}

    int x(int index) const { return truncToInt(PlotView::leftMargin + index / xScale_ - xShift_); }
    int y(double value) const { return truncToInt(yTop_ - (value - yMin_) / yScale_ + height_); }
    PlotPoint point(int index, double value) const { return {x(index), y(value)}; }

  private:
    double xScale_;
    double xShift_;
    double yMin_;
    double yScale_;
    double yTop_;
    int height_;
};
