#include "plot/PlotView.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

// A control smaller than its margins, or a full range of zero width, would
// otherwise give a zero or negative scale: every later division by it and the
// growth loop of the automatic range depend on positive, finite values.
void PlotView::ensureUsableGeometry() {
    plotWidth = std::max(plotWidth, 1);
    plotHeight = std::max(plotHeight, 1);
    if (!(xScale > 0) || !std::isfinite(xScale))
        xScale = 1.0 / plotWidth;
    if (!(yScale > 0) || !std::isfinite(yScale))
        yScale = 1.0 / plotHeight;
}

PlotEvents PlotView::resetView(int clientWidth, int clientHeight) {
    plotWidth = clientWidth - horizontalMargins;
    plotHeight = clientHeight - verticalMargins;
    ensureUsableGeometry();
    xMin = 0;
    yMax = 130;
    yMin = 0;
    xScale = (xMax - xMin) / plotWidth;
    yScale = (yMax - yMin) / plotHeight;
    ensureUsableGeometry();
    xOrigin = 0;
    yOrigin = yMin;
    zoomed = false;
    return {{PlotEvent::Kind::Redraw}, {PlotEvent::Kind::Range}};
}

PlotEvents PlotView::prepareRedraw(const RecordList& series) {
    PlotEvents events;
    if (!rangeAnnounced) {
        events.push_back({PlotEvent::Kind::Range});
        rangeAnnounced = true;
    }
    const int n = series.count();
    if (n < 1)
        return events;
    ensureUsableGeometry();
    const double w = plotWidth;
    if (!zoomed) {
        // Grow the span by a fifteenth per step until the newest sample fits.
        while (n - 1 > xMax) {
            xScale = (w * xScale / 15 + w * xScale) / w;
            xMax = w * xScale;
            events.push_back({PlotEvent::Kind::Range});
        }
    } else if (w * xScale <= (n - 1) - xOrigin && followNewest && !buttonDown) {
        xOrigin += 1;
        xMax = n - 1;
        events.push_back({PlotEvent::Kind::Range});
    }
    return events;
}

bool PlotView::insidePlot(PlotPoint p) const {
    return p.x > leftMargin && p.x < plotWidth + leftMargin && p.y > topMargin &&
           p.y < plotHeight + topMargin;
}

int PlotView::indexAt(int x) const {
    return truncToInt(xScale * ((x - leftMargin) + (xOrigin - xMin) / xScale + 1 / (2 * xScale)));
}

PlotPoint PlotView::curvePoint(int index, double value) const {
    return CurveTransform(*this).point(index, value);
}

std::optional<int> PlotView::limitY() const {
    if (!limit)
        return std::nullopt;
    const int y = curvePoint(0, *limit).y;
    if (y < topMargin || y > topMargin + plotHeight)
        return std::nullopt;
    return y;
}

int PlotView::cursorX(int index) const {
    return leftMargin + truncToInt(index / xScale - (xOrigin - xMin) / xScale);
}

PlotView::Span PlotView::visibleSamples(int n) const {
    Span s;
    s.last = std::min(n, truncToInt(plotWidth * xScale + xOrigin + 2));
    s.first = std::max(0, truncToInt(xOrigin));
    if (s.last < s.first)
        s.last = s.first;
    return s;
}

int PlotView::previewLineX() const {
    if (cursorMode > 0 && hoverPoint.x > 0 && hoverPoint.x < plotWidth + leftMargin &&
        hoverPoint.y > 0 && hoverPoint.y < plotHeight)
        return hoverPoint.x;
    return -1;
}

int PlotView::gridX(int i) const {
    return truncToInt(plotWidth * double(i) / 20 + leftMargin);
}

int PlotView::gridY(int j) const {
    return plotHeight + topMargin - (j * plotHeight) / 10;
}

double PlotView::gridLevel(int j) const {
    return yOrigin + (j * double(plotHeight) / 10) * yScale;
}

int PlotView::yTickY(int k) const {
    return truncToInt(plotHeight * double(k) / 10 + topMargin);
}

int PlotView::xTickX(int t) const {
    return t * plotWidth / 5 + leftMargin;
}

int PlotView::xTickIndex(int t) const {
    const double a = truncToInt(t * double(plotWidth) / 5);
    return truncToInt(xScale * ((xOrigin - xMin) / xScale + a + 1 / (2 * xScale)));
}

PlotEvents PlotView::leftButtonDown(PlotPoint p, int n) {
    if (!insidePlot(p))
        return {};
    PlotEvents events;
    dragStart = dragEnd = p;
    buttonDown = true;
    const int k = indexAt(p.x);
    if (cursorMode == 2) {
        if (k >= 0 && k < n) {
            cursorA = k;
            cursorMode = 1;
            events.push_back({PlotEvent::Kind::Cursor, cursorWhichA, k});
        }
    } else if (cursorMode == 1) {
        if (k < n && k > cursorA && k >= 0) {
            cursorB = k;
            cursorMode = 0;
            events.push_back({PlotEvent::Kind::Cursor, cursorWhichB, k});
        }
    }
    return events;
}

PlotEvents PlotView::mouseMove(PlotPoint p, int n) {
    PlotEvents events;
    const bool inside = insidePlot(p);
    const int k = indexAt(p.x);
    if (buttonDown && inside && cursorMode == 0) {
        rubberBandShown = true;
        dragEnd = p;
        events.push_back({PlotEvent::Kind::Redraw});
    } else if (cursorMode > 0 && inside) {
        hoverPoint = p;
        events.push_back({PlotEvent::Kind::Redraw});
        if (cursorMode == 2 && k >= 0 && k < n)
            events.push_back({PlotEvent::Kind::Cursor, cursorWhichA, k});
        else if (cursorMode == 1 && k >= 0 && k < n && k > cursorA)
            events.push_back({PlotEvent::Kind::Cursor, cursorWhichB, k});
    }
    // Sample 0 is never reported under the pointer.
    if (inside && k > 0 && k < n)
        events.push_back({PlotEvent::Kind::Hover, 0, k});
    return events;
}

PlotEvents PlotView::leftButtonUp(PlotPoint p) {
    PlotEvents events;
    if (buttonDown && std::abs(p.x - dragStart.x) > 5 && std::abs(p.y - dragStart.y) > 5 &&
        cursorMode == 0) {
        ensureUsableGeometry();
        if (xScale > zoomLimit) {
            // Five pixels of slack past the right edge let a drag reach the newest sample.
            const int x = std::clamp(p.x, leftMargin, plotWidth + leftMargin + 5);
            const int m = std::min(dragStart.x, x);
            xOrigin += (m - leftMargin) * xScale;
            xScale = std::abs(x - dragStart.x) * xScale / plotWidth;
        }
        if (yScale > zoomLimit) {
            const int y = std::clamp(p.y, topMargin, plotHeight + topMargin);
            const int m = std::max(dragStart.y, y);
            yOrigin += (plotHeight + topMargin - m) * yScale;
            yScale = std::abs(y - dragStart.y) * yScale / plotHeight;
        }
        zoomed = true;
        events.push_back({PlotEvent::Kind::Range});
    }
    buttonDown = false;
    rubberBandShown = false;
    dragStart = dragEnd = {};
    events.push_back({PlotEvent::Kind::Redraw});
    return events;
}

PlotEvents PlotView::doubleClick(PlotPoint p) {
    if (insidePlot(p)) {
        cursorA = -1;
        cursorB = -1;
        cursorMode = 2;
        hoverPoint = {};
    }
    return {};
}

PlotEvents PlotView::rightButtonUp() {
    cursorMode = 0;
    cursorA = -1;
    cursorB = -1;
    hoverPoint = {};
    return {{PlotEvent::Kind::Redraw}};
}

ScrollRange PlotView::verticalScroll() const {
    const int vy = truncToInt(plotHeight * yScale);
    ScrollRange r;
    r.maximum = std::max(0, truncToInt(yMax - vy));
    r.position = std::clamp(truncToInt(yMax - vy - yOrigin), 0, r.maximum);
    return r;
}

ScrollRange PlotView::horizontalScroll() const {
    const int vx = truncToInt(plotWidth * xScale);
    ScrollRange r;
    r.maximum = std::max(0, truncToInt(xMax - vx));
    r.position = std::clamp(truncToInt(xOrigin), 0, r.maximum);
    return r;
}

void PlotView::scrollVerticalTo(int pos) {
    const int vy = truncToInt(plotHeight * yScale);
    yOrigin = (yMax - vy) - pos;
}

void PlotView::scrollHorizontalTo(int pos) {
    xOrigin = pos;
}
