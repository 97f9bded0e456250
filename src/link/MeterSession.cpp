#include "link/MeterSession.h"

#include "link/SerialPorts.h"
#include "model/Clock.h"

#include <QFileInfo>

QString meterPortPath(const MeterPort& port) {
    return port.devicePath.empty() && port.comNumber ? portPathForNumber(*port.comNumber)
                                                     : QString::fromStdString(port.devicePath);
}

MeterSession::MeterSession(const Clock& clock, QObject* parent)
    : QObject(parent), clock_(clock), link_(clock), enumerate_(&EnumSerialPorts) {
    connect(&look_, &QTimer::timeout, this, &MeterSession::look);
    connect(&link_, &MeterLink::portLost, this, [this](const QString& reason) {
        // The reader has ended; close so the device can be opened afresh.
        link_.close();
        silent_ = false;
        scheduleLook();
        emit portLost(reason);
        emit stateChanged();
    });
    // The silence watchdog counts from the start, as from an opening.
    const std::time_t now = clock_.now();
    link_.withDecoder([now](MeterDecoder& d) { d.lastReceiveTime = now; });
}

MeterSession::~MeterSession() {
    look_.stop();
    link_.close();
}

std::optional<MeterPort> MeterSession::findMeter() const {
    return findMeterPort(enumerate_());
}

QString MeterSession::portLabel() const {
    return ::portLabel(path_, number_);
}

bool MeterSession::portOpen() const {
    return link_.isOpen() && !link_.snapshot().lost;
}

bool MeterSession::openChosen(const QString& path, int number, QString* error) {
    mode_ = Mode::Chosen;
    path_ = path;
    number_ = number;
    const bool ok = openPath(path, error);
    scheduleLook();
    emit stateChanged();
    return ok;
}

bool MeterSession::openFound(const MeterPort& port, QString* error) {
    mode_ = Mode::Automatic;
    number_ = port.comNumber.value_or(-1);
    path_ = meterPortPath(port);
    const bool ok = openPath(path_, error);
    scheduleLook();
    emit stateChanged();
    return ok;
}

void MeterSession::followAutomatic() {
    mode_ = Mode::Automatic;
    scheduleLook();
    emit stateChanged();
}

bool MeterSession::openPath(const QString& path, QString* error) {
    // One device, one lock: a link or another spelling of the path must not
    // get past the lock another program holds on the device itself.
    const QString canonical = QFileInfo(path).canonicalFilePath();
    const bool ok = link_.open(canonical.isEmpty() ? path : canonical, error);
    if (ok) {
        // A new meter, or the same one after a pause: nothing it said before
        // counts, and the silence watchdog counts from now.
        const std::time_t now = clock_.now();
        link_.withDecoder([now](MeterDecoder& d) {
            d.reset();
            d.lastReceiveTime = now;
        });
        silent_ = false;
        lastReopenError_.clear();
    }
    return ok;
}

void MeterSession::scheduleLook() {
    const bool open = portOpen();
    if (open && mode_ == Mode::Chosen) {
        look_.stop();
        return;
    }
    if (knownPorts_.isEmpty() && mode_ == Mode::Automatic) {
        for (const SSerInfo& p : enumerate_())
            knownPorts_ << QString::fromStdString(p.devicePath);
    }
    const int period = open ? lookWhileOpenMs : lookWhileWaitingMs;
    if (!look_.isActive() || look_.interval() != period)
        look_.start(period);
}

bool MeterSession::devicePresent() const {
    if (path_.startsWith(QLatin1Char('/')))
        return QFileInfo::exists(path_);
    // A COM name is no file: ask the system's list.
    for (const SSerInfo& p : enumerate_())
        if (QString::fromStdString(p.devicePath) == path_ ||
            QString::fromStdString(p.portName) == path_)
            return true;
    return false;
}

void MeterSession::look() {
    if (!path_.isEmpty() && !portOpen() && devicePresent()) {
        QString error;
        if (openPath(path_, &error)) {
            emit portReopened();
            emit stateChanged();
        } else if (error != lastReopenError_) {
            lastReopenError_ = error;
            emit reopenFailed(error);
        }
    }
    if (mode_ == Mode::Automatic) {
        QStringList now;
        for (const SSerInfo& p : enumerate_())
            now << QString::fromStdString(p.devicePath);
        const bool changed = now != knownPorts_;
        knownPorts_ = now;
        if (changed)
            emit portListChanged();
    }
    scheduleLook();
}

bool MeterSession::checkSilence() {
    if (!portOpen())
        return false;
    const std::time_t now = clock_.now();
    const MeterLink::Snapshot snap = link_.snapshot();
    const bool silentNow = now - snap.lastReceiveTime >= silenceSeconds;
    if (!silentNow) {
        if (silent_) {
            silent_ = false;
            emit stateChanged();
        }
        return false;
    }
    if (reopenSilentSeconds_ > 0 && now - snap.lastReceiveTime >= reopenSilentSeconds_ &&
        now - lastReopen_ >= reopenSilentSeconds_) {
        lastReopen_ = now;
        const std::time_t last = snap.lastReceiveTime;
        if (openPath(path_, nullptr)) {
            // Still the same silence: the watchdog goes on counting from the last byte.
            link_.withDecoder([last](MeterDecoder& d) { d.lastReceiveTime = last; });
            silent_ = true;
        }
    }
    link_.withDecoder([](MeterDecoder& d) { d.connected = false; });
    if (silent_)
        return false;
    silent_ = true;
    emit stateChanged();
    return true;
}

MeterSession::TickView MeterSession::tickView() const {
    const MeterLink::Snapshot snap = link_.snapshot();
    MeterView meter;
    meter.portOpen = link_.isOpen() && !snap.lost;
    meter.silent = silent_ || (meter.portOpen && !snap.connected && snap.lastFrameMs != 0);
    meter.hasReading = snap.state.range != 0 && snap.lastFrameMs != 0;
    meter.hold = snap.state.hold;
    meter.levelAgeMs = snap.lastFrameMs ? clock_.nowMs() - snap.lastFrameMs : 0;
    return {snap, judgeTick(meter)};
}
