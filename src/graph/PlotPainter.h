#pragma once

#include "graph/PlotView.h"
#include "model/RecordList.h"
#include "model/TimeLabels.h"

#include <QColor>

class QPainter;

inline QColor toQColor(Rgb c) {
    return QColor(redOf(c), greenOf(c), blueOf(c));
}

// Draws the whole control, plot area and margins, from the view state: the
// widget paints with it and so can a printed diagram. The painter's origin is
// the control's top-left corner and its font the labels' font.
void paintPlot(QPainter& painter, const PlotView& view, const RecordList& series,
               const TickLabels& labels);
