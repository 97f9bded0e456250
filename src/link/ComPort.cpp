#include "link/ComPort.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <algorithm>
#include <chrono>
#include <optional>

namespace {

using SteadyClock = std::chrono::steady_clock;

// How long the reader waits for input before it looks at the stop flag and the
// write queue again; bounds the delay of Close and of a queued write.
constexpr int waitSliceMs = 5;
// A write that the device does not take within this time is given up.
constexpr int writeTimeoutMs = 2000;
// The reader's buffer for one read.
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

    stop_ = false;
    {
        std::lock_guard lock(mutex_);
        phase_ = Phase::Opening;
        readerDone_ = false;
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
    stop_ = true;
    {
        std::unique_lock lock(mutex_);
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
    if (phase_ != Phase::Running)
        return 0;
    request_ = &request;
    changed_.wait(lock, [&] { return request.done || phase_ != Phase::Running; });
    request_ = nullptr;
    return request.written;
}

void CComPort::performWrite(CSerialPort& serial) {
    WriteRequest* request = nullptr;
    {
        std::lock_guard lock(mutex_);
        request = request_;
    }
    if (!request)
        return;
    QSerialPort& port = serial.port();
    int written = 0;
    const qint64 accepted = port.write(reinterpret_cast<const char*>(request->bytes),
                                       static_cast<qint64>(request->count));
    if (accepted > 0) {
        while (port.bytesToWrite() > 0 && port.waitForBytesWritten(writeTimeoutMs)) {
        }
        written = static_cast<int>(accepted - port.bytesToWrite());
        // What the device would not take is dropped, so the count stays true.
        if (port.bytesToWrite() > 0)
            port.clear(QSerialPort::Output);
    }
    std::lock_guard lock(mutex_);
    request->written = written;
    request->done = true;
    request_ = nullptr;
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
        // Once an application object exists, QSerialPort's socket notifiers
        // want an event dispatcher in their thread; an event loop object gives
        // this thread one. The loop never runs: the reader waits on the port.
        std::optional<QEventLoop> dispatcher;
        if (QCoreApplication::instance())
            dispatcher.emplace();
        CSerialPort serial;
        QString error;
        const bool opened = serial.Open(portName, settings, &error);
        if (opened)
            serial.Purge(); // stale bytes in the driver belong to nobody
        {
            std::lock_guard lock(mutex_);
            phase_ = opened ? Phase::Running : Phase::Ended;
            openError_ = error;
            changed_.notify_all();
        }

        QSerialPort& port = serial.port();
        const auto gap = std::chrono::milliseconds(settings.interCharTimeoutMs);
        QByteArray pending;
        auto lastByte = SteadyClock::now();
        while (opened && !stop_) {
            performWrite(serial);
            if (port.bytesAvailable() == 0) {
                int waitMs = waitSliceMs;
                if (!pending.isEmpty()) {
                    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        lastByte + gap - SteadyClock::now());
                    waitMs = std::clamp(static_cast<int>(left.count()), 0, waitSliceMs);
                }
                if (!port.waitForReadyRead(waitMs)) {
                    const auto e = port.error();
                    if (e != QSerialPort::NoError && e != QSerialPort::TimeoutError) {
                        lossReason = QStringLiteral("The connection to %1 was lost: %2")
                                         .arg(portName, port.errorString());
                        break;
                    }
                    port.clearError();
                }
            }
            if (const qint64 n = port.bytesAvailable(); n > 0) {
                pending += port.read(n);
                lastByte = SteadyClock::now();
            }
            while (pending.size() >= settings.bytesPerRead)
                deliver(pending, settings.bytesPerRead);
            if (!pending.isEmpty() && SteadyClock::now() - lastByte >= gap)
                deliver(pending, static_cast<int>(pending.size()));
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
