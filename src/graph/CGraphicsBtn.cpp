#include "graph/CGraphicsBtn.h"

#include "config/ColorConfig.h"
#include "graph/PlotPainter.h"
#include "ui/LevelLimit.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace {
PlotPoint pointOf(const QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    return {p.x(), p.y()};
}
} // namespace

CGraphicsBtn::CGraphicsBtn(QWidget* parent) : QWidget(parent) {
    const GraphColors colors = readColorConfig(colorConfigPath());
    backColor = colors.backColor;
    gridColor = colors.gridColor;
    lineColor = colors.lineColor;
    limit = levelLimit().value();
    connect(&levelLimit(), &LevelLimit::changed, this, [this](std::optional<double> l) {
        limit = l;
        update();
    });
    setMouseTracking(true);
    // Everything is painted in one pass from the view state: no background fill
    // of our own between frames.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
}

void CGraphicsBtn::Redraw(const RecordList& newSeries) {
    series = &newSeries;
    const PlotEvents events = prepareRedraw(newSeries);
    labels_ = computeTickLabels(newSeries, plotWidth, xScale, xOrigin, xMin);
    update(changedArea());
    shown_ = Shown{*this, series, series->count(), series->empty() ? 0.0 : series->back().value(),
                   labels_};
    dispatch(events);
    if (labels_.timeFormatError)
        emit timeFormatWrong();
}

QRect CGraphicsBtn::changedArea() const {
    const int n = series->count();
    // Only a recording appends to the series it shows; the newest level drawn
    // still in its place tells a series grown from one replaced.
    if (!followNewest || !shown_ || shown_->series != series || shown_->count < 1 ||
        n <= shown_->count || (*series)[shown_->count - 1].value() != shown_->newest ||
        !(shown_->view == static_cast<const PlotView&>(*this)))
        return rect();
    // from the segment that joins the newest sample shown, with the dots'
    // reach on both sides
    const CurveTransform t(*this);
    const int from = t.x(shown_->count - 1) - dotReach;
    const QRect plot(leftMargin, topMargin, plotWidth, plotHeight);
    QRect area = QRect(from, topMargin, t.x(n - 1) + dotReach + 1 - from, plotHeight) & plot;
    if (!(shown_->labels == labels_))
        area |= QRect(0, plotHeight + topMargin, width(), height() - plotHeight - topMargin);
    return area;
}

void CGraphicsBtn::ResetView() {
    dispatch(resetView(width(), height()));
}

void CGraphicsBtn::dispatch(const PlotEvents& events) {
    for (const PlotEvent& e : events) {
        switch (e.kind) {
        case PlotEvent::Kind::Redraw:
            Redraw(*series);
            break;
        case PlotEvent::Kind::Range:
            emit rangeChanged();
            break;
        case PlotEvent::Kind::Cursor:
            emit cursorChanged(e.which, e.index);
            break;
        case PlotEvent::Kind::Hover:
            emit hover(e.index);
            break;
        }
    }
}

void CGraphicsBtn::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    paintPlot(painter, *this, *series, labels_, CurveDrawing::Columns, event->rect());
}

void CGraphicsBtn::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    ResetView();
}

void CGraphicsBtn::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        dispatch(leftButtonDown(pointOf(event), series->count()));
    event->accept();
}

void CGraphicsBtn::mouseMoveEvent(QMouseEvent* event) {
    dispatch(mouseMove(pointOf(event), series->count()));
    event->accept();
}

void CGraphicsBtn::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        dispatch(leftButtonUp(pointOf(event)));
    else if (event->button() == Qt::RightButton)
        dispatch(rightButtonUp());
    event->accept();
}

void CGraphicsBtn::mouseDoubleClickEvent(QMouseEvent* event) {
    // Replaces the second press of a double click, as on the platform the
    // behaviour comes from: the second press neither starts a drag nor places a cursor.
    if (event->button() == Qt::LeftButton)
        dispatch(doubleClick(pointOf(event)));
    event->accept();
}
