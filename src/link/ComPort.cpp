#include "link/ComPort.h"

#include <QEventLoop>
#include <QTimer>

#include <chrono>

namespace {

// A write that the device does not take within this time is given up.
constexpr int writeTimeoutMs = 2000;
// The largest read a caller may ask for.
constexpr int maxBytesPerRead = 2048;

} // namespace

struct CComPort::WriteRequest {
    const std::uint8_t* bytes = nullptr;
    std::size_t count = 0;
    int written = 0;
    bool done = false;
};

CComPort::CComPort() = default;

CComPort::~CComPort() {
    Close();
}

void CComPort::SetReceiveCallback(ReceiveCallback callback) {
    receive_ = std::move(callback);
}

void CComPort::SetLossCallback(LossCallback callback) {
    lost_ = std::move(callback);
}

bool CComPort::Open(int portNumber, const LineSettings& settings, QString* error) {
    return Open(comPortName(portNumber), settings, error);
}

bool CComPort::Open(const QString& portName, const LineSettings& settings, QString* error) {
    std::lock_guard life(lifecycle_);
    stopReader();

    QString why;
    if (!toQtLineSettings(settings, nullptr, &why)) {
        if (error)
            *error = why;
        return false;
    }
    if (settings.bytesPerRead < 1 || settings.bytesPerRead > maxBytesPerRead ||
        settings.interCharTimeoutMs < 1) {
        if (error)
            *error = QStringLiteral("Invalid read size or read time-out.");
        return false;
    }

    {
        std::lock_guard lock(mutex_);
        phase_ = Phase::Opening;
        readerDone_ = false;
        stop_ = false;
        openError_.clear();
    }
    reader_ = std::thread([this, portName, settings] { run(portName, settings); });

    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return phase_ != Phase::Opening; });
    if (phase_ == Phase::Running)
        return true;
    if (error)
        *error = openError_;
    lock.unlock();
    stopReader();
    return false;
}

void CComPort::Close() {
    std::lock_guard life(lifecycle_);
    stopReader();
}

void CComPort::stopReader() {
    if (!reader_.joinable())
        return;
    {
        std::unique_lock lock(mutex_);
        stop_ = true;
        wakeReader();
        changed_.wait(lock, [this] { return readerDone_; });
        phase_ = Phase::Closed;
    }
    reader_.join();
}

bool CComPort::IsOpen() const {
    std::lock_guard lock(mutex_);
    return phase_ == Phase::Running;
}

int CComPort::Write(const QByteArray& bytes) {
    return Write(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                 static_cast<std::size_t>(bytes.size()));
}

int CComPort::Write(const std::uint8_t* bytes, std::size_t count) {
    if (count == 0)
        return 0;
    std::lock_guard one(writers_);
    WriteRequest request{bytes, count};
    std::unique_lock lock(mutex_);
    if (phase_ != Phase::Running || !wake_)
        return 0;
    request_ = &request;
    wakeReader();
    changed_.wait(lock, [&] { return request.done || phase_ != Phase::Running; });
    request_ = nullptr;
    return request.written;
}

// The reader's wake-up: a zero timer of its own thread, started by a call
// queued through Qt by name. The command itself (a write, the stop) lies in
// the state under mutex_, so nothing but the wake-up crosses the threads
// outside that lock.
void CComPort::wakeReader() {
    if (wake_)
        QMetaObject::invokeMethod(wake_, "start", Qt::QueuedConnection);
}

void CComPort::onWake(QEventLoop& loop, CSerialPort& serial) {
    WriteRequest* request = nullptr;
    {
        std::lock_guard lock(mutex_);
        if (stop_) {
            loop.quit();
            return;
        }
        request = request_;
    }
    if (request && !request->done)
        performWrite(serial, *request);
}

void CComPort::performWrite(CSerialPort& serial, WriteRequest& request) {
    QSerialPort& port = serial.port();
    int written = 0;
    const qint64 accepted = port.write(reinterpret_cast<const char*>(request.bytes),
                                       static_cast<qint64>(request.count));
    if (accepted > 0) {
        while (port.bytesToWrite() > 0 && port.waitForBytesWritten(writeTimeoutMs)) {
        }
        written = static_cast<int>(accepted - port.bytesToWrite());
        // What the device would not take is dropped, so the count stays true.
        if (port.bytesToWrite() > 0)
            port.clear(QSerialPort::Output);
    }
    std::lock_guard lock(mutex_);
    request.written = written;
    request.done = true;
    changed_.notify_all();
}

void CComPort::deliver(QByteArray& pending, int upTo) {
    if (receive_)
        receive_(reinterpret_cast<const std::uint8_t*>(pending.constData()),
                 static_cast<std::size_t>(upTo));
    pending.remove(0, upTo);
}

void CComPort::run(QString portName, LineSettings settings) {
    QString lossReason;
    {
        // The reader sleeps in its own event loop: it wakes for input (the
        // port's notifier), for the end of the gap of a short read (a
        // single-shot timer), and for queued writes and Close (a wake-up).
        QEventLoop loop;
        QByteArray pending;
        QTimer gap;
        CSerialPort serial; // goes first, so its signals never outlive the above
        QString error;
        const bool opened = serial.Open(portName, settings, &error);
        if (opened)
            serial.Purge(); // stale bytes in the driver belong to nobody

        QSerialPort& port = serial.port();
        QTimer wake;
        wake.setSingleShot(true);
        wake.setInterval(0);
        QObject::connect(&wake, &QTimer::timeout, &loop, [&] { onWake(loop, serial); });
        gap.setSingleShot(true);
        gap.setTimerType(Qt::PreciseTimer);
        gap.setInterval(std::chrono::milliseconds(settings.interCharTimeoutMs));
        QObject::connect(&gap, &QTimer::timeout, &loop, [&] {
            if (!pending.isEmpty())
                deliver(pending, static_cast<int>(pending.size()));
        });
        QObject::connect(&port, &QSerialPort::readyRead, &loop, [&] {
            pending += port.readAll();
            while (pending.size() >= settings.bytesPerRead)
                deliver(pending, settings.bytesPerRead);
            if (pending.isEmpty())
                gap.stop();
            else
                gap.start(); // the gap counts from the latest byte
        });
        QObject::connect(&port, &QSerialPort::errorOccurred, &loop,
                         [&](QSerialPort::SerialPortError e) {
                             if (e == QSerialPort::NoError || e == QSerialPort::TimeoutError ||
                                 !lossReason.isEmpty())
                                 return;
                             lossReason = QStringLiteral("The connection to %1 was lost: %2")
                                              .arg(portName, port.errorString());
                             loop.quit();
                         });

        bool run = false;
        {
            std::lock_guard lock(mutex_);
            phase_ = opened ? Phase::Running : Phase::Ended;
            openError_ = error;
            if (opened)
                wake_ = &wake;
            run = opened && !stop_;
            changed_.notify_all();
        }
        if (run)
            loop.exec();
        {
            std::lock_guard lock(mutex_);
            wake_ = nullptr;
        }
        // Bytes that came before the device went away are still the meter's.
        if (!lossReason.isEmpty() && !pending.isEmpty())
            deliver(pending, static_cast<int>(pending.size()));
    }
    if (!lossReason.isEmpty() && lost_)
        lost_(lossReason);

    std::lock_guard lock(mutex_);
    if (phase_ == Phase::Running)
        phase_ = Phase::Ended;
    readerDone_ = true;
    changed_.notify_all();
}
