#include "graph/PlotPainter.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <deque>
#include <limits>

namespace {

QPen pen(Rgb color, int width, Qt::PenStyle style = Qt::SolidLine) {
    QPen p(toQColor(color), width, style);
    p.setCapStyle(Qt::FlatCap);
    return p;
}

void paintSegments(QPainter& p, const PlotView& v, const RecordList& series, int first, int last) {
    const CurveTransform t(v);
    for (int i = first; i < last - 1; ++i) {
        const PlotPoint a = t.point(i, series[i].value());
        const PlotPoint b = t.point(i + 1, series[i + 1].value());
        p.drawLine(a.x, a.y, b.x, b.y);
    }
}

// The last sample in [from, last) that lies in pixel column x, given that
// sample from does; columns never decrease from one sample to the next.
int lastInColumn(const CurveTransform& t, const PlotView& v, int x, int from, int last) {
    const double guess =
        std::floor((x + 1 - PlotView::leftMargin) * v.xScale + (v.xOrigin - v.xMin)) - 1;
    int j = std::clamp(static_cast<int>(std::clamp(guess, double(from), double(last - 1))), from,
                       last - 1);
    while (j > from && t.x(j) > x)
        --j;
    while (j + 1 < last && t.x(j + 1) <= x)
        ++j;
    return j;
}

// Fills the pixel columns of a curve of many samples as horizontal bands: a
// column's rows that the column before also filled extend that one's band to
// the right instead of being filled anew. A long series fills most of its
// columns over much the same rows, and a fill is paid row by row, so the
// bands cost a fraction of filling every column on its own (same pixels).
class ColumnBands {
  public:
    ColumnBands(QPainter& p, const QColor& colour) : p_(p), colour_(colour) {}
    ~ColumnBands() { closeAll(); }
    ColumnBands(const ColumnBands&) = delete;
    ColumnBands& operator=(const ColumnBands&) = delete;

    // Column x filled from row top to row bottom (none when bottom < top).
    void column(int x, int top, int bottom) {
        if (x != lastX_ + 1 || bottom < top)
            closeAll();
        lastX_ = x;
        if (bottom < top)
            return;
        while (!bands_.empty() && bands_.front().bottom < top) {
            fillBand(bands_.front());
            bands_.pop_front();
        }
        while (!bands_.empty() && bands_.back().top > bottom) {
            fillBand(bands_.back());
            bands_.pop_back();
        }
        if (bands_.empty()) {
            bands_.push_back({top, bottom, x});
            return;
        }
        if (Band& f = bands_.front(); f.top < top) {
            fillBand({f.top, top - 1, f.fromX});
            f.top = top;
        }
        if (Band& b = bands_.back(); b.bottom > bottom) {
            fillBand({bottom + 1, b.bottom, b.fromX});
            b.bottom = bottom;
        }
        if (const int above = bands_.front().top; top < above)
            bands_.push_front({top, above - 1, x});
        if (const int below = bands_.back().bottom; bottom > below)
            bands_.push_back({below + 1, bottom, x});
    }

  private:
    struct Band {
        int top;
        int bottom;
        int fromX;
    };
    // The band's rows from its first column up to the column before x.
    void fillBand(const Band& b) {
        p_.fillRect(b.fromX, b.top, lastX_ - b.fromX, b.bottom - b.top + 1, colour_);
    }
    void closeAll() {
        ++lastX_; // the bands end with the column before
        for (const Band& b : bands_)
            fillBand(b);
        --lastX_;
        bands_.clear();
    }

    QPainter& p_;
    QColor colour_;
    std::deque<Band> bands_; // top to bottom, each row in one band
    int lastX_ = std::numeric_limits<int>::min() + 1;
};

// Where many samples share a pixel column, the segments between them are
// vertical lines in that column; drawn one by one they cover the column's
// extent, so one line per column gives the same pixels. With the flat-capped
// 1-pixel pen a vertical line leaves out its lowest pixel (largest y) unless
// it has no length: the union of a column's segments is therefore
// [top, bottom - 1], plus the bottom pixel when two neighbours both lie there.
// The segments from one column to the next are drawn as they are.
//
// A higher level never lies lower on the plot, so a column's top and bottom
// are the rows of its highest and lowest level: only a few levels per column
// go through the transform, and those come from the series' block summary, so
// a redraw costs its columns, not its samples.
void paintColumns(QPainter& p, const PlotView& v, const RecordList& series, int first, int last) {
    if (last - first < 2)
        return;
    const CurveTransform t(v);
    const double* level = series.values().data();
    const QColor colour = p.pen().color();
    // The rows filled in a column; none when it holds a single sample.
    struct Fill {
        int from = 0;
        int to = -1;
        bool covers(int a, int b) const { return from <= std::min(a, b) && std::max(a, b) <= to; }
    };
    PlotPoint end{};
    Fill before;
    ColumnBands bands(p, colour);
    for (int i = first; i < last;) {
        const int x = t.x(i);
        const int j = lastInColumn(t, v, x, i, last);
        const LevelRange c =
            series.levelRange(static_cast<std::size_t>(i), static_cast<std::size_t>(j) + 1);
        Fill fill;
        // (a column of levels that are no numbers has no extremes)
        if (j > i && c.lowest <= c.highest) {
            const int top = t.y(c.highest);
            const int bottom = t.y(c.lowest);
            const bool bottomTwice = t.y(c.lowestPair) == bottom;
            if (top != bottom || bottomTwice)
                fill = {top, std::max(bottomTwice ? bottom : bottom - 1, top)};
        }
        // the pixels of that line, filled rather than stroked (far cheaper)
        bands.column(x, fill.from, fill.to);
        // The segment from the previous column stays within its two columns
        // and between its two rows: nothing to add where both fills hold those rows.
        const int startY = t.y(level[i]);
        if (i > first &&
            !(x == end.x + 1 && before.covers(end.y, startY) && fill.covers(end.y, startY)))
            p.drawLine(end.x, end.y, x, startY);
        end = {x, t.y(level[j])};
        before = fill;
        i = j + 1;
    }
}

} // namespace

namespace {

// A dot is a 2 x 2 ellipse stroked with a 3 pixel pen, and stroking it cost
// more than the rest of a redraw of a short series. Every dot is the same
// picture: stroked once into a small transparent stamp (unsmoothed, so the
// stamp holds the very pixels) and copied to each sample (on the UI thread only).
struct DotStamp {
    Rgb color = 0;
    bool made = false;
    QImage image;
};
constexpr int dotStampSize = 8;
constexpr int dotStampCentre = dotReach; // the stamp's pixel that lands on the sample

const QImage& dotStamp(Rgb color) {
    static DotStamp stamp;
    if (stamp.made && stamp.color == color)
        return stamp.image;
    stamp = {color, true, QImage(dotStampSize, dotStampSize, QImage::Format_ARGB32_Premultiplied)};
    stamp.image.fill(Qt::transparent);
    QPainter p(&stamp.image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(pen(color, 3));
    p.drawEllipse(QRect(dotStampCentre - 1, dotStampCentre - 1, 2, 2));
    return stamp.image;
}

} // namespace

namespace {

// The first sample in [first, last) in pixel column x or to its right; last
// when none is.
int firstFromColumn(const CurveTransform& t, const PlotView& v, int x, int first, int last) {
    const double guess = std::floor((x - PlotView::leftMargin) * v.xScale + (v.xOrigin - v.xMin));
    int j = static_cast<int>(std::clamp(guess, double(first), double(last)));
    while (j > first && t.x(j - 1) >= x)
        --j;
    while (j < last && t.x(j) < x)
        ++j;
    return j;
}

// The samples of span whose segments or dots reach the columns of exposed:
// those in its columns, widened by a dot, and one more on each side for the
// segments that cross its edges.
PlotView::Span exposedSamples(const PlotView& v, PlotView::Span span, const QRect& exposed) {
    if (exposed.isNull() || span.last - span.first < 2)
        return span;
    const CurveTransform t(v);
    const int reach = dotStampSize;
    const int from = firstFromColumn(t, v, exposed.left() - reach, span.first, span.last);
    const int to = firstFromColumn(t, v, exposed.right() + reach + 1, from, span.last);
    return {std::max(span.first, from - 1), std::min(span.last, to + 1)};
}

} // namespace

void paintCurve(QPainter& p, const PlotView& v, const RecordList& series, CurveDrawing drawing,
                const QRect& exposed) {
    const auto span = exposedSamples(v, v.visibleSamples(series.count()), exposed);
    p.setPen(pen(v.lineColor, 1));
    if (drawing == CurveDrawing::Columns)
        paintColumns(p, v, series, span.first, span.last);
    else
        paintSegments(p, v, series, span.first, span.last);
    // The dots mark the ends of the drawn segments: a lone sample has none.
    if (v.showsDots() && span.last - span.first >= 2) {
        const QImage& dot = dotStamp(v.lineColor);
        for (int i = span.first; i < span.last; ++i) {
            const PlotPoint a = v.curvePoint(i, series[i].value());
            p.drawImage(a.x - dotStampCentre, a.y - dotStampCentre, dot);
        }
    }
}

namespace {

void paintCursorLine(QPainter& p, const PlotView& v, int index, Rgb color) {
    if (index == -1)
        return;
    const int x = v.cursorX(index);
    p.setPen(pen(color, 2));
    p.drawLine(x, PlotView::topMargin, x, v.plotHeight + PlotView::topMargin);
}

// A dotted line is stroked dot by dot, which made the 32 grid lines the
// dearest part of a redraw. All vertical ones are the same picture, and so are
// all horizontal ones: each kind is stroked once into a transparent strip,
// and the strips are copied into place (on the UI thread only).
struct DottedStrips {
    Rgb color = 0;
    int width = -1;
    int height = -1;
    QImage across;
    QImage down;
};

const DottedStrips& dottedStrips(const PlotView& v) {
    static DottedStrips strips;
    if (strips.color == v.gridColor && strips.width == v.plotWidth && strips.height == v.plotHeight)
        return strips;
    strips = {v.gridColor, v.plotWidth, v.plotHeight,
              QImage(v.plotWidth + 1, 1, QImage::Format_ARGB32_Premultiplied),
              QImage(1, v.plotHeight + 1, QImage::Format_ARGB32_Premultiplied)};
    for (QImage* strip : {&strips.across, &strips.down}) {
        strip->fill(Qt::transparent);
        QPainter p(strip);
        p.setPen(pen(v.gridColor, 1, Qt::DotLine));
        p.drawLine(0, 0, strip->width() - 1, strip->height() - 1);
    }
    return strips;
}

void paintGridAndYAxis(QPainter& p, const PlotView& v, bool withLabels) {
    const int h = v.plotHeight;
    const int top = PlotView::topMargin;
    const int left = PlotView::leftMargin;
    const DottedStrips& strips = dottedStrips(v);
    for (int i = 0; i <= 20; ++i)
        p.drawImage(v.gridX(i), top, strips.down);

    const QFontMetrics fm = p.fontMetrics();
    const int lineHeight = fm.height() + fm.leading();
    for (int j = 0; j <= 10; ++j) {
        const int y = v.gridY(j);
        p.drawImage(left, y, strips.across);
        if (!withLabels)
            continue;
        const QString text = QString::asprintf("%.2f", v.gridLevel(j));
        p.setPen(Qt::black);
        p.drawText(43 - fm.horizontalAdvance(text), y - lineHeight / 2 + fm.ascent(), text);
    }

    p.setPen(pen(plotcolors::yAxis, 1));
    p.drawLine(left, top, left, h + top);
    for (int k = 10; k >= 0; --k)
        p.drawLine(left, v.yTickY(k), left + 8, v.yTickY(k));

    if (const int x = v.previewLineX(); x >= 0) {
        p.setPen(pen(v.cursorMode == 2 ? plotcolors::cursorA : plotcolors::cursorB, 2));
        p.drawLine(x, top, x, h + top - 2);
    }
}

void paintXAxis(QPainter& p, const PlotView& v, const TickLabels& labels, bool withLabels) {
    const int w = v.plotWidth;
    const int h = v.plotHeight;
    const int bottom = h + PlotView::topMargin;
    p.setPen(pen(plotcolors::black, 1));
    p.drawLine(PlotView::leftMargin, bottom, w + PlotView::leftMargin, bottom);

    const QFontMetrics fm = p.fontMetrics();
    for (int t = 0; t < 6; ++t) {
        const int x = v.xTickX(t);
        p.setPen(pen(plotcolors::black, 3));
        p.drawLine(x, bottom, x, bottom - 5);
        if (withLabels && t < labels.count) {
            const QString text = QString::fromLatin1(labels.text[t]);
            p.setPen(Qt::black);
            p.drawText(x - fm.horizontalAdvance(text) / 2, h + 16 + fm.ascent(), text);
        }
    }
}

} // namespace

void paintPlot(QPainter& p, const PlotView& v, const RecordList& series, const TickLabels& labels,
               CurveDrawing drawing, const QRect& exposed) {
    const int w = v.plotWidth;
    const int h = v.plotHeight;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setBackgroundMode(Qt::TransparentMode);
    p.fillRect(PlotView::leftMargin, PlotView::topMargin, w, h, toQColor(v.backColor));

    if (!series.empty()) {
        paintCurve(p, v, series, drawing, exposed);
        paintCursorLine(p, v, v.cursorA, plotcolors::cursorA);
        paintCursorLine(p, v, v.cursorB, plotcolors::cursorB);
    }

    // The margins cover whatever of the curve and the cursor lines fell outside.
    const QColor margin = toQColor(plotcolors::margin);
    p.fillRect(0, h + 10, w + 90, 20, margin);
    p.fillRect(0, 0, 45, h + 10, margin);
    p.fillRect(0, 0, w + 90, 10, margin);
    p.fillRect(w + 45, 0, 45, h + 25, margin);

    if (const auto y = v.limitY()) {
        p.setPen(pen(plotcolors::limit, 2, Qt::DashLine));
        p.drawLine(PlotView::leftMargin, *y, PlotView::leftMargin + w, *y);
    }
    // Laying out a label costs far more than clipping it away: the labels of
    // the Y axis stand in the left margin, those of the X axis below the plot.
    paintGridAndYAxis(p, v, exposed.isNull() || exposed.left() < PlotView::leftMargin);
    paintXAxis(p, v, labels, exposed.isNull() || exposed.bottom() >= h + PlotView::topMargin);

    if (v.rubberBandShown) {
        p.setPen(pen(plotcolors::black, 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRect(QPoint(v.dragStart.x, v.dragStart.y), QPoint(v.dragEnd.x, v.dragEnd.y))
                       .normalized());
    }
    p.restore();
}
