#pragma once

#include "live/RecordTableModel.h"
#include "session/RecordingRun.h"
#include "ui/AcousticGroup.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <map>

class CGraphicsBtn;
class QAbstractItemView;
class QLineEdit;
class QComboBox;
class QWidget;

// The real-time recording on a form: a RecordingRun (the ticks, the series
// with its statistics and acoustic figures) shown in the table, the summary
// boxes (1009, 1001, 1002, 1003, 1008, 1006, 1005, looked up by object name),
// the "Akustik" group's column of the whole recording, the interval box 1007
// and the graph.
// Questions to the user (save the old data? clear?) stay with the caller.
// How long the boxes may lag behind the ticks.
inline constexpr int figuresRefreshMs = 250;

class RecordingController : public QObject {
    Q_OBJECT
  public:
    using LiveLookup = RecordingRun::MeterLookup;

    RecordingController(RecordList& series, QWidget* form, CGraphicsBtn* graph,
                        QAbstractItemView* table, LiveLookup live, Clock& clock = appClock(),
                        QObject* parent = nullptr);

    // Where the ticks read the meter; a test can put a meter of its own there.
    void setLiveLookup(LiveLookup live) { run_.setMeterLookup(std::move(live)); }

    bool recording() const { return run_.recording(); }
    const SeriesStats& stats() const { return run_.stats(); }
    const RunningAcousticStats& acoustics() const { return run_.acoustics(); }
    int sampleLimit() const { return run_.sampleLimit(); }
    void setSampleLimit(int limit) { run_.setSampleLimit(limit); }
    RecordTableModel* model() { return &model_; }
    const QTimer& timer() const { return run_.timer(); }

  public slots:
    // Starts at the interval chosen in box 1007; false (nothing done) while the
    // meter is not connected. Any samples present are discarded.
    bool start();
    void stop();
    // The meter ended the recording (the watchdog, or HOLD pressed on it).
    void endByMeter(GapCause cause);
    // Discards the samples and resets the statistics; the boxes other than
    // 1009 keep their texts until the next sample.
    void clear();
    // One sampling tick (the timer's timeout). The summary and "Akustik"
    // boxes follow within figuresRefreshMs, and at once when the recording ends.
    void tick();
    // Brings the boxes up to date with the ticks so far, at once.
    void showFigures();
    // Shows a series recorded earlier as after its recording: table, summary
    // and curve.
    void restore(const RecordList& records);

  signals:
    // Enables start or stop on menus and toolbars and greys the items that
    // must not run while recording.
    void recordingChanged(bool recording);
    // A sample was appended to the series.
    void sampled(const CObjData& sample);
    // The series was emptied.
    void cleared();
    // The recording is over, and why.
    void ended(RecordingRun::End why, GapCause cause);

  private:
    void setText(int id, const QString& text);
    void showSummary(bool maxMoved, bool minMoved);
    QComboBox* intervalBox() const;
    double chosenInterval() const;
    void onSampled(const CObjData& sample, StatsUpdate moved);
    void onEnded();
    // The newest sample's row into the table.
    void appendRow();
    void showAcoustics();
    // A new limit counts anew: one pass over the readings per change.
    void recountAcoustics(std::optional<double> limit);

    RecordList& series_;
    QPointer<QWidget> form_;
    CGraphicsBtn* graph_;
    QPointer<QAbstractItemView> table_;
    RecordingRun run_;
    RecordTableModel model_;
    QTimer figuresTimer_;
    bool maxMoved_ = false; // since the boxes were last shown
    bool minMoved_ = false;
    std::map<int, QPointer<QLineEdit>> boxes_; // the summary boxes by id
    AcousticGroup::Fields acousticFields_;
    bool acousticFieldsFound_ = false;
};
