#pragma once

#include "model/RecordList.h"
#include "model/TimeLabels.h"
#include "plot/PlotView.h"

#include <QColor>
#include <QRect>

class QPainter;

inline QColor toQColor(Rgb c) {
    return QColor(redOf(c), greenOf(c), blueOf(c));
}

// How the curve's segments reach the screen: one line per pixel column where
// samples crowd (the same pixels, a fraction of the work), or every segment.
enum class CurveDrawing { Columns, EverySegment };

// How far a sample's dot reaches beside the sample's own pixel, either way.
inline constexpr int dotReach = 4;

// The curve of the samples in view, and their dots when zoomed in far enough;
// only the samples whose pixels reach the columns of exposed when it is given.
void paintCurve(QPainter& painter, const PlotView& view, const RecordList& series,
                CurveDrawing drawing = CurveDrawing::Columns, const QRect& exposed = {});

// Draws the whole control, plot area and margins, from the view state: the
// widget paints with it and so can a printed diagram. The painter's origin is
// the control's top-left corner and its font the labels' font. Given a part
// exposed (the painter clipped to it), what lies wholly outside it is left
// out: a part of the picture costs what it holds.
void paintPlot(QPainter& painter, const PlotView& view, const RecordList& series,
               const TickLabels& labels, CurveDrawing drawing = CurveDrawing::Columns,
               const QRect& exposed = {});
