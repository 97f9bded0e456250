#pragma once

#include "protocol/MeterDecoder.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <ctime>
#include <functional>
#include <memory>
#include <mutex>

class CComPort;
class Clock;

// The meter's side of the main view: owns the port and the decoder state. The
// reader thread decodes under the lock and posts what happened to the thread
// this object lives in (queued signals); it never waits for that thread.
// Everything else reads a snapshot or runs a short function under the lock.
class MeterLink : public QObject {
    Q_OBJECT
  public:
    static constexpr int redrawPeriodMs = 100;

    struct Snapshot {
        LiveState state;
        bool connected = false;
        std::time_t lastReceiveTime = 0;
        bool loggerBusy = false;
        bool recording = false;
        // When the last whole frame was decoded (the clock's ms), 0 before one.
        std::int64_t lastFrameMs = 0;
        // The device went away; until the port is opened again.
        bool lost = false;
    };

    explicit MeterLink(const Clock& clock, QObject* parent = nullptr);
    ~MeterLink() override; // closes the port and joins the reader

    // Closes what is open, then opens a device path or port name ("/dev/ttyUSB0",
    // "COM3") at 9600 baud 8N1 with reads of at most 20 bytes. On failure returns
    // false and, when error is given, the system's reason.
    bool open(const QString& portName, QString* error = nullptr);
    void close();
    bool isOpen() const;

    // Blocking write, safe from any thread; returns the bytes written.
    int write(const QByteArray& bytes);

    // One consistent copy of the state, taken under the lock.
    Snapshot snapshot() const;
    // Runs f on the decoder under the lock (keep it short).
    void withDecoder(const std::function<void(MeterDecoder&)>& f);

  signals:
    // A frame changed what the panel shows. At most one every redrawPeriodMs:
    // the meter sends dozens of frames a second, a screen needs far fewer.
    void redrawNeeded();
    // The meter went into HOLD while recording.
    void stopRecordingRequested();
    // The device went away (cable pulled); the reader has ended.
    void portLost(const QString& reason);
    // The logger download moved on: progress bar at value of 0..maximum. Bursts
    // are coalesced into one carrying the latest figures.
    void loggerProgress(int value, int maximum);
    // The logger download has ended, with records or without; take them with
    // withDecoder (MeterDecoder::takeLoggerRecords).
    void loggerEnded();

    // The reader thread's side of the signals above. It emits these,
    // which carry no data and reach this object's thread through queued
    // connections; the public signals are then emitted there, so a receiver
    // never runs on the reader thread whatever its connection type.
    void redrawPosted(QPrivateSignal);
    void stopRecordingPosted(QPrivateSignal);
    void lossPosted(QPrivateSignal);
    void loggerProgressPosted(QPrivateSignal);
    void loggerEndedPosted(QPrivateSignal);

  private:
    void onReceive(const std::uint8_t* bytes, std::size_t count); // reader thread
    void onLoss(const QString& reason);                           // reader thread

    void redrawHoldOffEnded();

    const Clock& clock_;
    mutable std::mutex mutex_;
    MeterDecoder decoder_;
    std::unique_ptr<CComPort> port_;
    bool redrawPending_ = false;   // guarded by mutex_: a post is on its way or held off
    bool redrawDeferred_ = false;  // guarded by mutex_: a frame came during the hold-off
    std::int64_t lastFrameMs_ = 0; // guarded by mutex_
    bool lost_ = false;            // guarded by mutex_
    QTimer* redrawHoldOff_;
    QString lossReason_;           // guarded by mutex_
    bool progressPending_ = false; // guarded by mutex_, as are the two below
    int progressValue_ = 0;
    int progressMaximum_ = 0;
};
