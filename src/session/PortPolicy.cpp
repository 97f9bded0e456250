#include "session/PortPolicy.h"

#include "link/SerialPorts.h"
#include "model/Clock.h"

#include <QFileInfo>

PortPolicy::PortPolicy(const Clock& clock, Timing timing, QObject* parent)
    : QObject(parent), clock_(clock), meter_(clock) {
    watchdog_.setInterval(timing.watchdogMs);
    redetect_.setSingleShot(true);
    redetect_.setInterval(timing.redetectDelayMs);
    connect(&watchdog_, &QTimer::timeout, this, &PortPolicy::watch);
    connect(&redetect_, &QTimer::timeout, this, &PortPolicy::redetectTick);
    // The session's cheap look at the port list stands in for the system's
    // device-change message.
    connect(&meter_, &MeterSession::portListChanged, this, &PortPolicy::redetect);
    connect(&meter_, &MeterSession::portLost, this, [this](const QString& reason) {
        // A port that is away waits; its silence is no news.
        silent_ = false;
        emit portLost(reason);
    });
    connect(&meter_, &MeterSession::portReopened, this, &PortPolicy::reopened);
}

PortPolicy::~PortPolicy() {
    watchdog_.stop();
    redetect_.stop();
}

bool PortPolicy::open(const QString& path, int number, QString* error) {
    emit opening();
    QString reason;
    // The user's choice is followed through pulls and replugs; automatic
    // detection follows what it found until the port list changes.
    const bool opened =
        automatic_
            ? meter_.openFound(
                  {path.toStdString(), number >= 0 ? std::optional(number) : std::nullopt}, &reason)
            : meter_.openChosen(path, number, &reason);
    if (error)
        *error = reason;
    if (!opened) {
        emit openFailed(path, number, reason);
        return false;
    }
    watchdog_.start();
    return true;
}

PortOpening PortPolicy::openGiven(const std::optional<PortChoice>& given) {
    PortOpening o;
    if (given) {
        o.number = given->number.value_or(-1);
        o.path =
            given->number ? portPathForNumber(*given->number) : QString::fromStdString(given->path);
    } else {
        const std::optional<MeterPort> found = meter_.findMeter();
        if (!found) {
            o.outcome = PortOpening::Outcome::NoMeter;
            return o;
        }
        o.number = found->comNumber.value_or(-1);
        o.path = meterPortPath(*found);
    }
    if (o.path.startsWith(QLatin1Char('/')) && !QFileInfo::exists(o.path)) {
        o.outcome = PortOpening::Outcome::NoSuchPort;
        return o;
    }
    automatic_ = !given;
    if (!open(o.path, o.number, &o.reason))
        o.outcome = PortOpening::Outcome::Refused;
    return o;
}

void PortPolicy::detectAndOpen() {
    meter_.followAutomatic();
    const std::optional<MeterPort> port = meter_.findMeter();
    if (!port)
        return;
    comPortNumber_ = port->comNumber.value_or(-1);
    open(meterPortPath(*port), comPortNumber_);
    watchdog_.start();
}

void PortPolicy::redetect() {
    if (!automatic_)
        return;
    pending_ = meter_.findMeter();
    if (!pending_)
        return;
    comPortNumber_ = pending_->comNumber.value_or(-1);
    redetect_.start();
}

void PortPolicy::redetectTick() {
    if (pending_ && !link().snapshot().connected) {
        const QString path = meterPortPath(*pending_);
        const bool wasOpen = meter_.portOpen();
        // A port just opened on that very path has its first frame still to
        // come; opening it again would only lose it.
        const bool justOpened = wasOpen && meter_.portPath() == path && !meter_.silent();
        if (!justOpened && open(path, comPortNumber_) && !wasOpen)
            emit reopened();
    }
    watchdog_.start();
}

void PortPolicy::watch() {
    if (meter_.checkSilence()) {
        silent_ = true;
        emit silenced();
    } else if (silent_ && !meter_.silent()) {
        silent_ = false;
        emit resumed();
    }
    const MeterLink::Snapshot snap = link().snapshot();
    if (clock_.now() - snap.lastReceiveTime < silenceSeconds)
        return;
    if (snap.recording) {
        // A port whose device went away is why the bytes stopped, if it did.
        emit recordingEnds(meter_.portOpen() ? GapCause::Silence : GapCause::Disconnected);
    }
    bool downloading = false;
    link().withDecoder([&downloading](MeterDecoder& d) {
        d.connected = false;
        downloading = d.loggerBusy;
        d.loggerBusy = false;
    });
    emit quiet();
    if (downloading)
        emit downloadStopped();
}
