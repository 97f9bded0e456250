#pragma once

#include "plot/TimeSpan.h"
#include "survey/SeriesStore.h"
#include "surveywindow/MarkBands.h"
#include "surveywindow/SurveyEvents.h"

#include <QWidget>

#include <optional>
#include <string>
#include <vector>

// A gap's cause (as events.csv names it) in the interface's language; a
// cause this program does not know as it is.
QString gapCauseText(const std::string& cause);

// The curve of a whole survey on its wall-clock axis: per pixel column the
// range of the levels (a light band) and their energy average (the line),
// gaps left empty and marked with their cause, the level limit dashed, and
// the two cursors, and the survey's marks as bands coloured by kind (the
// readings an exclude mark leaves out dimmed, not hidden). The wheel zooms
// around the pointer, a drag shows the span dragged over, Shift+drag or the
// arrow keys pan, Ctrl+drag marks the span dragged over; a click puts cursor
// A (on an event's marker along the bottom it picks the event), a right
// click cursor B, Ctrl+right click on a mark asks what to do with it.
class SurveyPlot : public QWidget {
    Q_OBJECT
  public:
    explicit SurveyPlot(QWidget* parent = nullptr);

    // The series shown (kept by the caller, alive while shown); null for none.
    void setSeries(const SeriesStore* series);
    const SeriesStore* series() const { return series_; }
    // The series shown has grown (a survey running): the axis grows with it
    // and the view follows the newest readings unless the user has taken it
    // elsewhere (TimeSpanView::extendWhole).
    void seriesGrew();
    TimeSpanView& span() { return span_; }
    const TimeSpanView& span() const { return span_; }
    // New readings on an axis that moves on, [wholeStart, wholeEnd) (a live
    // curve): the cursors stay, a view of the whole follows, a zoom stays put.
    void followSeries(const SeriesStore* series, SeriesMs wholeStart, SeriesMs wholeEnd);
    // A gap after the last reading (a survey waiting for its meter, or one
    // that ended waiting): drawn as the series' gaps are, and the axis grows
    // to its end. Nothing for none.
    void setTailGap(std::optional<SeriesGap> gap);
    const std::optional<SeriesGap>& tailGap() const { return tailGap_; }
    // Readings alone between gaps (a meter that has sent a level now and
    // then) joined by a line through their dots rather than left as dots
    // apart; where the gaps are outages, as in a survey, they stay apart.
    void setJoinLoneReadings(bool on);
    // Levels held over spans (the intervals' Leq), drawn as steps on the curve.
    void setSteps(std::vector<SeriesStep> steps);
    const std::vector<SeriesStep>& steps() const { return steps_; }
    // Shows [a, b) and remembers the span before for back().
    void showSpan(SeriesMs a, SeriesMs b);
    void back();
    void showWhole();

    void setLimit(std::optional<double> dB);
    void setMarks(std::vector<ShownMark> marks);
    // The marks' bands as last drawn.
    const std::vector<MarkBand>& markBandsDrawn() const { return bands_; }
    // The noise events found (in time order), drawn as markers along the
    // bottom of the curve, their spans tinted.
    void setEvents(std::vector<SeriesEvent> events);
    const std::vector<EventMarker>& eventMarkersDrawn() const { return eventMarkers_; }
    std::optional<SeriesMs> cursorA() const { return cursorA_; }
    std::optional<SeriesMs> cursorB() const { return cursorB_; }
    void setCursors(std::optional<SeriesMs> a, std::optional<SeriesMs> b);

    // The axis time at a widget x, and back (within the plot area).
    SeriesMs timeAt(int x) const;
    int xOf(SeriesMs t) const;
    QRect plotArea() const;

  signals:
    void spanChanged();
    void cursorsChanged();
    // Ctrl+drag over [a, b): a span to mark.
    void spanToMark(SeriesMs a, SeriesMs b);
    // A click on the marker of the event at index (in time order).
    void eventClicked(std::size_t index);
    // Ctrl+right click on the band of the mark at index.
    void markMenuAsked(std::size_t index, const QPoint& globalPos);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void fitLevels();
    void spanMoved();

    const SeriesStore* series_ = nullptr;
    TimeSpanView span_;
    bool axisSet_ = false; // span_ knows the series' start
    double yMin_ = 30;
    double yMax_ = 110;
    std::optional<double> limit_;
    bool joinLoneReadings_ = false;
    std::vector<SeriesStep> steps_;
    std::optional<SeriesGap> tailGap_;
    std::vector<ShownMark> marks_;
    std::vector<MarkBand> bands_;
    std::vector<SeriesEvent> events_;
    std::vector<EventMarker> eventMarkers_;
    std::optional<SeriesMs> cursorA_;
    std::optional<SeriesMs> cursorB_;
    // A drag in progress: where it began, where it is, whether it pans.
    std::optional<int> dragFrom_;
    int dragTo_ = 0;
    bool panning_ = false;
    bool marking_ = false;
    SeriesMs panOrigin_ = 0;
};
