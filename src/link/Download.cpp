#include "link/Download.h"

#include "link/MeterLink.h"
#include "model/Clock.h"
#include "protocol/LoggerEncoder.h"

#include <QEventLoop>

#include <algorithm>
#include <utility>

LoggerDownload::LoggerDownload(MeterLink& link, QObject* parent) : QObject(parent), link_(link) {
    requestTimer_.setInterval(requestPeriodMs);
    connect(&requestTimer_, &QTimer::timeout, this, &LoggerDownload::sendRequest);
    connect(&link_, &MeterLink::loggerEnded, this, &LoggerDownload::onEnded);
    connect(&link_, &MeterLink::loggerProgress, this, [this](int value, int maximum) {
        if (running_)
            emit progress(value, maximum);
    });
}

LoggerDownload::~LoggerDownload() = default;

void LoggerDownload::start() {
    if (running_)
        return;
    running_ = true;
    answered_ = false;
    records_.clear();
    link_.withDecoder([](MeterDecoder& d) { d.beginLoggerDownload(); });
    sendRequest();
    requestTimer_.start();
}

void LoggerDownload::sendRequest() {
    bool waiting = false;
    link_.withDecoder(
        [&waiting](MeterDecoder& d) { waiting = d.loggerBusy && !d.loggerHeaderSeen; });
    if (!running_ || !waiting) {
        requestTimer_.stop();
        return;
    }
    link_.write(QByteArray(reinterpret_cast<const char*>(loggerRequest), sizeof loggerRequest));
}

void LoggerDownload::onEnded() {
    if (!running_)
        return;
    // The end of an earlier download may still be on its way when a new one
    // has begun; the decoder is then busy again and this one goes on.
    bool busy = true;
    link_.withDecoder([&busy](MeterDecoder& d) { busy = d.loggerBusy; });
    if (!busy)
        finish(Outcome::Completed);
}

void LoggerDownload::cancel() {
    if (running_)
        finish(Outcome::Cancelled);
}

void LoggerDownload::fail() {
    if (running_)
        finish(Outcome::Failed);
}

void LoggerDownload::finish(Outcome outcome) {
    running_ = false;
    requestTimer_.stop();
    link_.withDecoder([this](MeterDecoder& d) {
        d.abortLoggerDownload();
        answered_ = d.loggerHeaderSeen;
        records_ = d.takeLoggerRecords();
    });
    emit finished(outcome);
}

RecordList LoggerDownload::takeRecords() {
    return std::exchange(records_, RecordList{});
}

LoggerDownloadResult downloadLoggerMemory(MeterLink& link, const Clock& clock, int silenceSeconds,
                                          int timeoutMs) {
    LoggerDownloadResult result;
    if (!link.isOpen()) {
        result.error = QStringLiteral("the meter's port is not open");
        return result;
    }
    LoggerDownload download(link);
    QEventLoop loop;
    LoggerDownload::Outcome outcome = LoggerDownload::Outcome::Failed;
    QObject::connect(&download, &LoggerDownload::finished, &loop, [&](LoggerDownload::Outcome o) {
        outcome = o;
        loop.quit();
    });

    // Silence counts from the start as well: a meter that never sends fails
    // as one that stops in the middle.
    const std::time_t started = clock.now();
    QTimer watchdog;
    watchdog.setInterval(250);
    QObject::connect(&watchdog, &QTimer::timeout, &loop, [&] {
        const std::time_t last = std::max(started, link.snapshot().lastReceiveTime);
        // Whole seconds: a silence of a moment at a second's turn is not one.
        if (clock.now() - last > silenceSeconds)
            download.fail();
    });
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, [&] { download.fail(); });

    download.start();
    watchdog.start();
    limit.start(timeoutMs);
    if (download.running())
        loop.exec();

    result.records = download.takeRecords();
    result.ok = outcome == LoggerDownload::Outcome::Completed;
    if (!result.ok)
        result.error = download.answered() ? QStringLiteral("the download broke off")
                                           : QStringLiteral("the meter did not answer");
    return result;
}
