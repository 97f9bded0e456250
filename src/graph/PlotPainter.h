#pragma once

#include "model/RecordList.h"
#include "model/TimeLabels.h"
#include "plot/PlotView.h"

#include <QColor>

class QPainter;

inline QColor toQColor(Rgb c) {
    return QColor(redOf(c), greenOf(c), blueOf(c));
}

// How the curve's segments reach the screen: one line per pixel column where
// samples crowd (the same pixels, a fraction of the work), or every segment.
enum class CurveDrawing { Columns, EverySegment };

// The curve of the samples in view, and their dots when zoomed in far enough.
void paintCurve(QPainter& painter, const PlotView& view, const RecordList& series,
                CurveDrawing drawing = CurveDrawing::Columns);

// Draws the whole control, plot area and margins, from the view state: the
// widget paints with it and so can a printed diagram. The painter's origin is
// the control's top-left corner and its font the labels' font.
void paintPlot(QPainter& painter, const PlotView& view, const RecordList& series,
               const TickLabels& labels, CurveDrawing drawing = CurveDrawing::Columns);
