#include "link/MeterLink.h"

#include "link/ComPort.h"
#include "model/Clock.h"

#include <utility>

MeterLink::MeterLink(const Clock& clock, QObject* parent)
    : QObject(parent), clock_(clock), decoder_(clock), port_(std::make_unique<CComPort>()),
      redrawHoldOff_(new QTimer(this)) {
    redrawHoldOff_->setSingleShot(true);
    redrawHoldOff_->setInterval(redrawPeriodMs);
    connect(redrawHoldOff_, &QTimer::timeout, this, &MeterLink::redrawHoldOffEnded);
    port_->SetReceiveCallback(
        [this](const std::uint8_t* bytes, std::size_t count) { onReceive(bytes, count); });
    port_->SetLossCallback([this](const QString& reason) { onLoss(reason); });

    connect(
        this, &MeterLink::redrawPosted, this,
        [this] {
            // The reader posts no more until the hold-off ends.
            redrawHoldOff_->start();
            emit redrawNeeded();
        },
        Qt::QueuedConnection);
    connect(this, &MeterLink::stopRecordingPosted, this, &MeterLink::stopRecordingRequested,
            Qt::QueuedConnection);
    connect(
        this, &MeterLink::lossPosted, this,
        [this] {
            QString reason;
            {
                std::lock_guard lock(mutex_);
                reason = lossReason_;
            }
            emit portLost(reason);
        },
        Qt::QueuedConnection);
    connect(
        this, &MeterLink::loggerProgressPosted, this,
        [this] {
            int value = 0;
            int maximum = 0;
            {
                std::lock_guard lock(mutex_);
                progressPending_ = false;
                value = progressValue_;
                maximum = progressMaximum_;
            }
            emit loggerProgress(value, maximum);
        },
        Qt::QueuedConnection);
    connect(this, &MeterLink::loggerEndedPosted, this, &MeterLink::loggerEnded,
            Qt::QueuedConnection);
}

MeterLink::~MeterLink() {
    port_->Close();
}

bool MeterLink::open(const QString& portName, QString* error) {
    port_->Close();
    {
        std::lock_guard lock(mutex_);
        lossReason_.clear();
        lost_ = false;
        lastFrameMs_ = 0;
    }
    return port_->Open(portName, meterLine, error);
}

void MeterLink::close() {
    port_->Close();
}

bool MeterLink::isOpen() const {
    return port_->IsOpen();
}

int MeterLink::write(const QByteArray& bytes) {
    return port_->Write(bytes);
}

void MeterLink::redrawHoldOffEnded() {
    bool again = false;
    {
        std::lock_guard lock(mutex_);
        again = std::exchange(redrawDeferred_, false);
        redrawPending_ = again;
    }
    if (again) {
        redrawHoldOff_->start();
        emit redrawNeeded();
    }
}

MeterLink::Snapshot MeterLink::snapshot() const {
    std::lock_guard lock(mutex_);
    return {decoder_.state,
            decoder_.connected,
            decoder_.lastReceiveTime,
            decoder_.loggerBusy,
            decoder_.recording,
            lastFrameMs_,
            lost_};
}

void MeterLink::withDecoder(const std::function<void(MeterDecoder&)>& f) {
    std::lock_guard lock(mutex_);
    f(decoder_);
}

void MeterLink::onReceive(const std::uint8_t* bytes, std::size_t count) {
    bool postRedraw = false;
    bool postProgress = false;
    ReceiveEvents events;
    {
        std::lock_guard lock(mutex_);
        events = decoder_.OnMeterData(bytes, count);
        if (events.redraw) {
            lastFrameMs_ = clock_.nowMs();
            if (!redrawPending_) {
                redrawPending_ = true;
                postRedraw = true;
            } else {
                redrawDeferred_ = true;
            }
        }
        if (events.loggerProgress) {
            progressValue_ = events.progressValue;
            progressMaximum_ = events.progressMaximum;
            postProgress = !progressPending_;
            progressPending_ = true;
        }
    }
    if (postRedraw)
        emit redrawPosted(QPrivateSignal());
    if (events.stopRecording)
        emit stopRecordingPosted(QPrivateSignal());
    if (postProgress)
        emit loggerProgressPosted(QPrivateSignal());
    if (events.loggerEnded)
        emit loggerEndedPosted(QPrivateSignal());
}

void MeterLink::onLoss(const QString& reason) {
    {
        std::lock_guard lock(mutex_);
        lossReason_ = reason;
        // No level read before the loss may pass for the meter's now.
        lost_ = true;
        decoder_.connected = false;
    }
    emit lossPosted(QPrivateSignal());
}
