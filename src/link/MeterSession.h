#pragma once

#include "link/MeterLink.h"
#include "link/PortMatch.h"
#include "recording/TickRule.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <optional>
#include <vector>

class Clock;

// The path a found port is opened by: its device path, or for a bare COM
// number the path of that number.
QString meterPortPath(const MeterPort& port);

// The meter as the window and the companion both see it: which port to follow
// (the user's choice, or the one automatic detection finds), opening it,
// noticing when its device goes and comes back, the silence watchdog, and what
// a sampling tick may take. No widgets and no messages: the owner words them.
class MeterSession : public QObject {
    Q_OBJECT
  public:
    using Enumerator = std::function<std::vector<SSerInfo>()>;
    enum class Mode { Automatic, Chosen };

    // While the port is not open it is looked for this often; while it is
    // open (automatic mode only) the port list is compared this often.
    static constexpr int lookWhileWaitingMs = 250;
    static constexpr int lookWhileOpenMs = 1500;

    explicit MeterSession(const Clock& clock, QObject* parent = nullptr);
    ~MeterSession() override;

    MeterLink& link() { return link_; }
    const MeterLink& link() const { return link_; }
    void setEnumerator(Enumerator e) { enumerate_ = std::move(e); }
    // The ports the system has now, through the enumerator.
    std::vector<SSerInfo> ports() const { return enumerate_(); }
    // The meter's port as automatic detection chooses it now.
    std::optional<MeterPort> findMeter() const;

    // Follows the port the user chose (a path, or a port number with its
    // path): opens it now and again whenever its device comes back. Another
    // port appearing changes nothing.
    bool openChosen(const QString& path, int number, QString* error = nullptr);
    // Follows automatic detection: opens the port found, and opens the same
    // path again when its device comes back; the port list changing is
    // announced (portListChanged) for the owner to detect again.
    bool openFound(const MeterPort& port, QString* error = nullptr);
    // Follows automatic detection without a port yet.
    void followAutomatic();
    Mode mode() const { return mode_; }

    const QString& portPath() const { return path_; }
    int portNumber() const { return number_; }
    // "COM3" or the device path, for messages.
    QString portLabel() const;
    // The port is open and its device has not gone away.
    bool portOpen() const;
    // A port is followed but not open: the status says it waits for the meter.
    bool waiting() const { return !path_.isEmpty() && !portOpen(); }

    // The silence watchdog, called by the owner's timer: true when the meter
    // has just been found silent for silenceSeconds, and connected is cleared.
    // A port not open is not silent; it is waiting.
    bool checkSilence();
    bool silent() const { return silent_; }
    // A port silent this long is closed and opened again (a bridge that came
    // back may need it); 0, the default, never.
    void setReopenWhenSilentFor(int seconds) { reopenSilentSeconds_ = seconds; }

    // What a sampling tick sees now, and the rule's verdict on it.
    struct TickView {
        MeterLink::Snapshot snapshot;
        TickVerdict verdict;
    };
    TickView tickView() const;

  signals:
    // The device of the followed port went away; the link counts as not
    // connected from now on.
    void portLost(const QString& reason);
    // The followed port was opened again after its device came back.
    void portReopened();
    // Opening the returned port failed (reported once per different reason).
    void reopenFailed(const QString& reason);
    // Automatic mode: the system's list of ports is not what it was.
    void portListChanged();
    // Open, lost, waiting: whatever the status line shows has changed.
    void stateChanged();

  private:
    bool openPath(const QString& path, QString* error);
    void look();
    bool devicePresent() const;
    void scheduleLook();

    const Clock& clock_;
    MeterLink link_;
    Enumerator enumerate_;
    Mode mode_ = Mode::Automatic;
    QString path_;
    int number_ = -1;
    QTimer look_;
    QStringList knownPorts_;
    bool silent_ = false;
    int reopenSilentSeconds_ = 0;
    std::time_t lastReopen_ = 0;
    QString lastReopenError_;
};
