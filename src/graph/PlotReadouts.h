#pragma once

#include "model/RecordList.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <string>

class CGraphicsBtn;
class QScrollBar;
class QWidget;

// The read-out fields the graph's parent fills, the same ids on the main
// view's form and the DATALOGGER window's.
namespace ReadoutId {
inline constexpr int cursorAValue = 1004;
inline constexpr int cursorATime = 1011;
inline constexpr int cursorBValue = 1023;
inline constexpr int cursorBTime = 1024;
inline constexpr int rangeMaxValue = 1025;
inline constexpr int rangeMaxTime = 1026;
inline constexpr int rangeMinValue = 1027;
inline constexpr int rangeMinTime = 1028;
inline constexpr int rangeAverage = 1029;
inline constexpr int rangeCount = 1032;
inline constexpr int legendValue = 1033;
inline constexpr int legendTime = 1034;
} // namespace ReadoutId

// The parent's side of the graph, shared by the main view and the DATALOGGER
// window: it fills the cursor read-out and the pointer read-out (ReadoutId)
// and the "Akustik" group's A–B column, keeps the two scrollbars in
// step with the view and scrolls the view when they move, and zooms back.
//
// The read-out fields are looked up by object name among the form's children
// (line edits or labels). The series is asked for on every use, so the parent
// may replace it (the DATALOGGER window shows one data set at a time).
//
// It also tells the user "Time Format is wrong!" when the graph's labels meet
// a date-time they cannot compute with: once per series start, and only once
// the redraw that found it is over.
class PlotReadouts : public QObject {
    Q_OBJECT
  public:
    using SeriesLookup = std::function<const RecordList&()>;

    PlotReadouts(QWidget* form, CGraphicsBtn* graph, QScrollBar* horizontal, QScrollBar* vertical,
                 SeriesLookup series);

    // The sample index last reported for cursor A; -1 before any.
    int cursorAIndex() const { return cursorAIndex_; }

  public slots:
    void onCursor(int which, int index);
    void onHover(int index);
    // Scrollbar ranges and positions from the graph's view.
    void onRange();
    // The "Yakınlaştırma geri" command.
    void zoomBack();

  private:
    void setText(int id, const QString& text);
    // The "Akustik" group's A–B column, when the form has one.
    void showSpanAcoustics(int from, int to);
    void onVerticalMoved(int pos);
    void onHorizontalMoved(int pos);
    void reportTimeFormat();

    QPointer<QWidget> form_;
    CGraphicsBtn* graph_;
    QPointer<QScrollBar> horizontal_;
    QPointer<QScrollBar> vertical_;
    SeriesLookup series_;
    int cursorAIndex_ = -1;
    bool updatingBars_ = false;
    std::string timeFormatReportedFor_; // the series start whose labels failed
    bool timeFormatReported_ = false;
};
