#pragma once

#include "files/PrintRX.h"
#include "formats/RecordingJournal.h"
#include "model/SeriesStats.h"
#include "session/RecordingRun.h"
#include "ui/CommandIds.h"

#include <QObject>

#include <functional>

class CGraphicsBtn;
class CMyVrelView;
class PlotReadouts;
class QAction;
class QLabel;
class RecordingController;

// The main view's real-time side: the graph with its read-outs, scrollbars
// and zoom back, the recording with its settings dialog, summary, table and
// curve/table switch, and the commands on the recorded series (save as,
// export, print, colour settings). It lives as a child of the view and
// registers its commands there.
class RecordingFeature : public QObject {
    Q_OBJECT
  public:
    // The menu and toolbar action of a command id, or null (no frame).
    using ActionLookup = std::function<QAction*(CommandId id)>;

    RecordingFeature(CMyVrelView& view, ActionLookup actions);
    // A clean end: the user has let the data go (or saved it), so the journal goes too.
    ~RecordingFeature() override;

    // Offers to restore a journal that a run which did not end cleanly left
    // behind: Yes puts its samples back, No keeps the file aside under a
    // dated name. Called once the window is up.
    void offerJournal();
    const RecordingJournal& journal() const { return journal_; }

    CGraphicsBtn* graph() const { return graph_; }
    RecordingController& controller() { return *controller_; }
    PlotReadouts& readouts() { return *readouts_; }
    const SeriesStats& stats() const;
    bool recording() const;
    bool tableMode() const { return tableMode_; }

    // The "Gerçek zaman(&R)" menu: start, stop, clear, settings.
    void start();
    void stop();
    void clear();
    void settings();
    // Buttons 1059 "Eğri" and 1060 "Tablo".
    void showCurve();
    void showTable();
    // Save as, export, the two prints, and the colour settings.
    void saveAs();
    void exportToSpreadsheet();
    void printDiagram();
    void printData();
    void colorSettings();

  private:
    void onRecordingChanged(bool recording);
    // When the meter ended the recording, why is said once in the status bar
    // and beside the curve, where it stays until the next start. A recording
    // stopped this way stays stopped when the meter is back.
    void onEnded(RecordingRun::End why, GapCause cause);
    void enableActions(bool recording);
    void journalSample(const CObjData& sample);
    void reportJournalError();
    void showStatus(const QString& text);

    CMyVrelView& view_;
    ActionLookup actions_;
    CGraphicsBtn* graph_;
    PlotReadouts* readouts_;
    RecordingController* controller_;
    QLabel* stopNote_;
    CPrintRX printer_;
    bool tableMode_ = false;
    RecordingJournal journal_;
    bool journalErrorShown_ = false;
};

// Wires the real-time side into the view (once); returns it.
RecordingFeature* attachRecording(CMyVrelView& view, RecordingFeature::ActionLookup actions = {});
// The view's real-time side, or null before attachRecording.
RecordingFeature* recordingFeature(const CMyVrelView& view);
