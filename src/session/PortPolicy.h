#pragma once

// Which port the meter is on and what its silence means, as both programs
// follow it: automatic detection or the user's choice, detecting again when
// the system's list of ports changes, the silence watchdog and its verdicts,
// and a port that comes back. The window and `vrel-cli monitor`, `record` and
// `survey` each run one; they only word what it reports.

#include "link/MeterSession.h"
#include "recording/TickRule.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>

class Clock;

// How opening the port the user gave, or the one detection found, went.
struct PortOpening {
    enum class Outcome {
        Opened,
        NoMeter,    // none given, and no port is the meter's bridge
        NoSuchPort, // a device path that does not exist (not tried)
        Refused,    // the system would not open it; reason says why
    };
    Outcome outcome = Outcome::Opened;
    QString path;
    int number = -1; // its COM number, or -1
    QString reason;
};

class PortPolicy : public QObject {
    Q_OBJECT
  public:
    struct Timing {
        // how often the silence watchdog looks
        int watchdogMs;
        // how long a changed port list settles before the meter found is opened
        int redetectDelayMs;
    };
    // The window: the watchdog is timer 2 (every second), a changed port list
    // is acted on by timer 1, two seconds later, once the system has settled.
    static constexpr Timing windowTiming{1000, 2000};
    // The companion: silence told within a quarter of a second of its two,
    // and a meter back under another name opened at once.
    static constexpr Timing companionTiming{250, 0};

    PortPolicy(const Clock& clock, Timing timing, QObject* parent = nullptr);
    ~PortPolicy() override;

    MeterSession& meter() { return meter_; }
    const MeterSession& meter() const { return meter_; }
    MeterLink& link() { return meter_.link(); }
    void setEnumerator(MeterSession::Enumerator e) { meter_.setEnumerator(std::move(e)); }

    // Automatic detection (the default) follows whatever port the meter is
    // found on; the user's choice is followed through pulls and replugs and
    // a changed port list changes nothing.
    bool automatic() const { return automatic_; }
    void setAutomatic(bool on) { automatic_ = on; }
    // The COM number of the port detection found last; -1 for none.
    int comPortNumber() const { return comPortNumber_; }

    // Opens path (number: its COM number, or -1) the way the mode follows
    // ports. On failure openFailed is emitted and error holds the system's
    // words; on success the watchdog guards the port, however it was chosen.
    bool open(const QString& path, int number, QString* error = nullptr);
    // Follows the port given (the user's choice: its number or its path), or
    // without one the port automatic detection finds now, and opens it.
    PortOpening openGiven(const std::optional<PortChoice>& given);
    // Automatic detection now: the port found is opened and watched; when
    // none is found nothing changes.
    void detectAndOpen();
    // The port list changed (automatic mode only): the meter found is
    // opened after the settling delay unless the meter is talking by then.
    void redetect();

    QTimer& watchdogTimer() { return watchdog_; }
    QTimer& redetectTimer() { return redetect_; }

  signals:
    // A port is about to be opened: what was being sent to the old one stops.
    void opening();
    void openFailed(const QString& path, int number, const QString& error);
    // The open port has sent nothing for silenceSeconds (once; connected is
    // cleared), and it sends again after that.
    void silenced();
    void resumed();
    // The watchdog's verdict on a meter quiet for silenceSeconds, at each of
    // its looks: a running recording ends (cause: the port went away, or
    // the meter on an open port fell silent) ...
    void recordingEnds(GapCause cause);
    // ... the decoder no longer counts the meter connected ...
    void quiet();
    // ... and a logger download in progress has failed.
    void downloadStopped();
    // The followed port's device went away; it came back and is open again
    // (or detection opened the meter under another name).
    void portLost(const QString& reason);
    void reopened();

  private:
    void watch();
    void redetectTick();

    const Clock& clock_;
    MeterSession meter_;
    QTimer watchdog_;
    QTimer redetect_;
    bool automatic_ = true;
    int comPortNumber_ = -1;
    std::optional<MeterPort> pending_;
    bool silent_ = false;
};
