#pragma once

#include "link/PortMatch.h"
#include "model/RecordList.h"
#include "model/SeriesStats.h"
#include "recording/TickRule.h"
#include "ui/CommandIds.h"
#include "ui/FormBuilder.h"

#include <QHash>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class CGraphicsBtn;
class CMeterPanel;
class CMeterButton;
class KeySenders;
class MeterLink;
class MeterSession;
class PortPolicy;

// The main form: the meter panel with its keys, the curve area, the summary and
// cursor boxes. Owns the port policy (and through it the meter link), the two
// record lists and the logger's time-out, words what the policy reports, and
// routes the program's commands by their ids.
class CMyVrelView : public QWidget {
    Q_OBJECT
  public:
    explicit CMyVrelView(QWidget* parent = nullptr);
    ~CMyVrelView() override;

    // --- data shared with the recording, the data logger and the files
    RecordList& realTimeRecords() { return realTimeRecords_; }
    RecordList& loggerRecords() { return loggerRecords_; }
    MeterLink& link();
    MeterSession& session();

    // --- the form
    const Form& form() const { return form_; }
    QWidget* control(int id) const { return form_.control(id); }
    CMeterPanel* panel() const { return panel_; }
    CMeterButton* meterButton(int keyCode) const;
    // Puts the graph widget in the place of control 1010 (object name "1010");
    // the placeholder is deleted. The view lays it out from then on.
    void setGraphWidget(QWidget* graph);
    // The curve (control 1010) once the graph is wired in, else null.
    CGraphicsBtn* graph() const;
    // The real-time recording's summary (empty before the recording is wired in).
    const SeriesStats& realTimeStats() const;
    // The recording wires its summary in here, so the view needs to know
    // nothing of the recording; it counts while owner lives.
    void setRealTimeStats(const SeriesStats& stats, QObject* owner) {
        realTimeStats_ = &stats;
        realTimeStatsOwner_ = owner;
    }

    // --- commands by id (menu and toolbar). A later handler replaces an earlier.
    void onCommand(CommandId id, std::function<void()> handler);
    bool command(CommandId id); // false when nothing handles id

    // --- timers 1 (reconnect), 2 (silence watchdog), 4 (logger time-out);
    // the first two are the port policy's
    QTimer& timer(int id);
    void startLoggerTimeout(); // timer 4, 250 s

    // --- the meter's port
    using Enumerator = std::function<std::vector<SSerInfo>()>;
    void setPortEnumerator(Enumerator e);
    void DetectAndOpen(); // automatic choice
    void Redetect();      // after the port list changed
    bool OpenPort(int n); // by port number
    bool OpenPortPath(const QString& path, int number = -1);
    void chooseManualPort(); // CommandId::ManualPort
    void chooseAutoPort();   // CommandId::AutomaticPort
    bool autoPort() const;
    int comPortNumber() const;
    // The port open now; empty when none is.
    QString portPath() const;
    // A port is chosen or was found, but it is not open (its device is away).
    bool waitingForMeter() const;
    // Opens a fixed device (--port, --demo) and keeps to it: no detection.
    bool useFixedPort(const QString& path);
    // The one-time start: clears the state and runs the automatic detection.
    void initialUpdate();

    // --- meter keys
    void pressMeterKey(int code); // ignored unless connected
    KeySenders& keySenders() { return *keySenders_; }

  signals:
    // A logger download ended by the watchdog or its time-out: first this
    // (the progress dialog closes), then "Occur an error", then
    // loggerDownloadFailureShown (the DATALOGGER window opens with what arrived).
    void loggerDownloadEnded();
    void loggerDownloadFailureShown();
    // The port was opened, closed or chosen otherwise.
    void portChanged();
    // The meter ends a running recording: silent for silenceSeconds, its port
    // gone, or put on HOLD. Whoever records stops and says why.
    void meterEndsRecording(GapCause cause);

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void buildForm();
    void applyColours();
    void layoutControls();
    void reportOpenFailure(const QString& path, int number, const QString& error);
    void loggerTimeoutTick();
    void failLoggerDownload();

    RecordList loggerRecords_;
    RecordList realTimeRecords_;
    std::unique_ptr<PortPolicy> ports_;
    std::unique_ptr<KeySenders> keySenders_; // after the link: stopped first
    Form form_;
    CMeterPanel* panel_ = nullptr;
    std::vector<CMeterButton*> buttons_;
    QHash<CommandId, std::function<void()>> commands_;
    QTimer loggerTimer_; // 4
    const SeriesStats* realTimeStats_ = nullptr;
    QPointer<QObject> realTimeStatsOwner_;
};
