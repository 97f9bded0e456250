#pragma once

#include "link/SerialPort.h"

#include <QByteArray>
#include <QString>

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class QEventLoop;
class QTimer;

// One serial port with a reader thread. The reader thread owns the QSerialPort
// (which may only be used from the thread that created it) and sleeps in its
// own event loop until input comes, the gap of a short read ends, a write is
// queued or Close asks it to stop; it hands every completed read to the receive
// callback and performs the writes other threads queue, so every use of the
// port happens on one thread. Needs a QCoreApplication, as every Qt event loop.
class CComPort {
  public:
    // Called on the reader thread with 1 to bytesPerRead bytes, in arrival
    // order; the bytes are valid only during the call.
    using ReceiveCallback = std::function<void(const std::uint8_t* bytes, std::size_t count)>;
    // Called on the reader thread, once, when the device goes away and the
    // reader ends on its own; not called for Close.
    using LossCallback = std::function<void(const QString& reason)>;

    CComPort();
    virtual ~CComPort(); // closes the port and joins the reader
    CComPort(const CComPort&) = delete;
    CComPort& operator=(const CComPort&) = delete;

    // Both callbacks are read by the reader thread: set them while closed.
    void SetReceiveCallback(ReceiveCallback callback);
    void SetLossCallback(LossCallback callback);

    // Closes what is open, then opens a device path or port name and starts the
    // reader. A read completes with bytesPerRead bytes, or earlier with what has
    // come once interCharTimeoutMs pass without a new byte. Returns false, with
    // the reason in error, when the port cannot be opened or set up.
    bool Open(const QString& portName, const LineSettings& settings = meterLine,
              QString* error = nullptr);
    // The port named "COM<n>", as Windows numbers its serial ports.
    bool Open(int portNumber, const LineSettings& settings = meterLine, QString* error = nullptr);

    // Blocks until the bytes are sent; returns how many were. Safe from any
    // thread except the reader's own (a receive callback must not write);
    // concurrent writes go out one after another, each whole. Returns 0 when
    // the port is closed or lost.
    int Write(const std::uint8_t* bytes, std::size_t count);
    int Write(const QByteArray& bytes);

    // Stops the reader and waits for it, then releases the port. Must not be
    // called from a receive callback.
    void Close();
    // Open and the reader still running (false after a device loss).
    bool IsOpen() const;

  private:
    struct WriteRequest;
    void stopReader();                                             // with lifecycle_ held
    void run(QString portName, LineSettings settings);             // the reader thread
    void wakeReader();                                             // with mutex_ held
    void onWake(QEventLoop& loop, CSerialPort& serial);            // on the reader thread
    void performWrite(CSerialPort& serial, WriteRequest& request); // on the reader thread
    void deliver(QByteArray& pending, int upTo);

    ReceiveCallback receive_;
    LossCallback lost_;

    std::mutex lifecycle_; // Open and Close, one at a time
    std::thread reader_;

    mutable std::mutex mutex_; // guards everything below
    std::condition_variable changed_;
    enum class Phase { Closed, Opening, Running, Ended } phase_ = Phase::Closed;
    QString openError_;
    bool readerDone_ = false;
    bool stop_ = false;
    WriteRequest* request_ = nullptr; // the one queued write, if any
    QTimer* wake_ = nullptr;          // the reader's wake-up while its loop runs

    std::mutex writers_; // writes go out one at a time
};
