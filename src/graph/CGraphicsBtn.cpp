#include "graph/CGraphicsBtn.h"

#include "config/ColorConfig.h"
#include "graph/PlotPainter.h"
#include "ui/LevelLimit.h"

#include <QMouseEvent>
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
    update();
    dispatch(events);
    if (labels_.timeFormatError)
        emit timeFormatWrong();
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

void CGraphicsBtn::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintPlot(painter, *this, *series, labels_);
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
