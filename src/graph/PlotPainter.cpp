#include "graph/PlotPainter.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace {

QPen pen(Rgb color, int width, Qt::PenStyle style = Qt::SolidLine) {
    QPen p(toQColor(color), width, style);
    p.setCapStyle(Qt::FlatCap);
    return p;
}

void paintSegments(QPainter& p, const PlotView& v, const RecordList& series, int first, int last) {
    for (int i = first; i < last - 1; ++i) {
        const PlotPoint a = v.curvePoint(i, series[i].value());
        const PlotPoint b = v.curvePoint(i + 1, series[i + 1].value());
        p.drawLine(a.x, a.y, b.x, b.y);
    }
}

// Where many samples share a pixel column, the segments between them are
// vertical lines in that column; drawn one by one they cover the column's
// extent, so one line per column gives the same pixels. With the flat-capped
// 1-pixel pen a vertical line leaves out its lowest pixel (largest y) unless
// it has no length: the union of a column's segments is therefore
// [top, bottom - 1], plus the bottom pixel when two neighbours both lie there.
// The segments from one column to the next are drawn as they are.
void paintColumns(QPainter& p, const PlotView& v, const RecordList& series, int first, int last) {
    if (last - first < 2)
        return;
    PlotPoint prev = v.curvePoint(first, series[first].value());
    int top = prev.y;
    int bottom = prev.y;
    bool bottomTwice = false;
    const auto flush = [&](int x) {
        if (top == bottom && !bottomTwice)
            return; // a single sample: no segment inside the column
        p.drawLine(x, top, x, bottomTwice ? bottom + 1 : bottom);
    };
    for (int i = first + 1; i < last; ++i) {
        const PlotPoint a = v.curvePoint(i, series[i].value());
        if (a.x == prev.x) {
            if (a.y > bottom) {
                bottom = a.y;
                bottomTwice = false;
            }
            if (a.y == bottom && prev.y == bottom)
                bottomTwice = true;
            top = std::min(top, a.y);
        } else {
            flush(prev.x);
            p.drawLine(prev.x, prev.y, a.x, a.y);
            top = bottom = a.y;
            bottomTwice = false;
        }
        prev = a;
    }
    flush(prev.x);
}

} // namespace

void paintCurve(QPainter& p, const PlotView& v, const RecordList& series, CurveDrawing drawing) {
    const auto span = v.visibleSamples(series.count());
    p.setPen(pen(v.lineColor, 1));
    if (drawing == CurveDrawing::Columns)
        paintColumns(p, v, series, span.first, span.last);
    else
        paintSegments(p, v, series, span.first, span.last);
    if (v.showsDots()) {
        p.setPen(pen(v.lineColor, 3));
        for (int i = span.first; i < span.last; ++i) {
            const PlotPoint a = v.curvePoint(i, series[i].value());
            p.drawEllipse(QRect(a.x - 1, a.y - 1, 2, 2));
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

void paintGridAndYAxis(QPainter& p, const PlotView& v) {
    const int w = v.plotWidth;
    const int h = v.plotHeight;
    const int top = PlotView::topMargin;
    const int left = PlotView::leftMargin;
    p.setPen(pen(v.gridColor, 1, Qt::DotLine));
    for (int i = 0; i <= 20; ++i)
        p.drawLine(v.gridX(i), top, v.gridX(i), h + top);

    const QFontMetrics fm = p.fontMetrics();
    const int lineHeight = fm.height() + fm.leading();
    for (int j = 0; j <= 10; ++j) {
        const int y = v.gridY(j);
        p.setPen(pen(v.gridColor, 1, Qt::DotLine));
        p.drawLine(left, y, w + left, y);
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

void paintXAxis(QPainter& p, const PlotView& v, const TickLabels& labels) {
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
        if (t < labels.count) {
            const QString text = QString::fromLatin1(labels.text[t]);
            p.setPen(Qt::black);
            p.drawText(x - fm.horizontalAdvance(text) / 2, h + 16 + fm.ascent(), text);
        }
    }
}

} // namespace

void paintPlot(QPainter& p, const PlotView& v, const RecordList& series, const TickLabels& labels) {
    const int w = v.plotWidth;
    const int h = v.plotHeight;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setBackgroundMode(Qt::TransparentMode);
    p.fillRect(PlotView::leftMargin, PlotView::topMargin, w, h, toQColor(v.backColor));

    if (!series.empty()) {
        paintCurve(p, v, series);
        paintCursorLine(p, v, v.cursorA, plotcolors::cursorA);
        paintCursorLine(p, v, v.cursorB, plotcolors::cursorB);
    }

    // The margins cover whatever of the curve and the cursor lines fell outside.
    const QColor margin = toQColor(plotcolors::margin);
    p.fillRect(0, h + 10, w + 90, 20, margin);
    p.fillRect(0, 0, 45, h + 10, margin);
    p.fillRect(0, 0, w + 90, 10, margin);
    p.fillRect(w + 45, 0, 45, h + 25, margin);

    paintGridAndYAxis(p, v);
    paintXAxis(p, v, labels);

    if (v.rubberBandShown) {
        p.setPen(pen(plotcolors::black, 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRect(QPoint(v.dragStart.x, v.dragStart.y), QPoint(v.dragEnd.x, v.dragEnd.y))
                       .normalized());
    }
    p.restore();
}
