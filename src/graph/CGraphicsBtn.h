#pragma once

#include "model/RecordList.h"
#include "model/TimeLabels.h"
#include "plot/PlotView.h"

#include <QWidget>

#include <optional>

// The curve plot of a series of readings, with zoom rectangle, cursors A and B
// and the pointer read-out. The parent keeps the series and hands it to every
// Redraw; the widget keeps only a pointer to the series drawn last. The view
// state (PlotView's fields) is public: the parents, printing and the colour
// settings read and write it directly.
class CGraphicsBtn : public QWidget, public PlotView {
    Q_OBJECT
  public:
    // Reads the colours from the colour file.
    explicit CGraphicsBtn(QWidget* parent = nullptr);

    // Stores the series and draws the whole control from it.
    void Redraw(const RecordList& series);
    // Back to the unzoomed view of the current size ("Yakınlaştırma geri").
    void ResetView();

    // The series drawn last; the widget's own empty one until the first Redraw.
    const RecordList* series = &emptySeries_;

    const TickLabels& timeLabels() const { return labels_; }

  signals:
    // The visible or the full range changed; the parent brings its scrollbars
    // up to date from the public fields.
    void rangeChanged();
    // Cursor A (which = -1) or B (which = -2) placed or previewed at a sample.
    void cursorChanged(int which, int index);
    // The pointer is over the sample at index (1..n-1).
    void hover(int index);
    // A label time beyond the data could not be computed from a record's
    // date-time text; sent by every redraw that meets it (the parent decides
    // how often the user hears of it).
    void timeFormatWrong();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    void dispatch(const PlotEvents& events);
    // The part of the control that differs from what the last redraw showed.
    QRect changedArea() const;

    RecordList emptySeries_;
    TickLabels labels_;
    // What the last redraw showed: a sample appended to a recording in an
    // unchanged view changes only its own columns, and only those are painted
    // again (a whole picture of a long recording cost more than a tick may).
    struct Shown {
        PlotView view;
        const RecordList* series = nullptr;
        int count = 0;
        double newest = 0; // the level of the newest sample
        TickLabels labels;
    };
    std::optional<Shown> shown_;
};
