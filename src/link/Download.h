#pragma once

#include "model/RecordList.h"

#include <QObject>
#include <QString>
#include <QTimer>

class Clock;
class MeterLink;

// One download of the meter's memory over a link, without windows: asks for
// the dump at a steady pace until its header arrives, forwards the progress
// and hands the decoded records over in one piece when the download ends.
//
// The reader thread decodes into the decoder's own list; this object takes
// that list on its thread (the one the link lives in) only after the reader
// has finished with it, so nobody ever reads a list that is still growing.
// What ends a download that does not finish by itself (time-out, silence,
// the user) is the owner's business: it calls cancel() or fail().
class LoggerDownload : public QObject {
    Q_OBJECT
  public:
    enum class Outcome {
        Completed, // the dump's end marker came, or the memory was empty
        Failed,    // ended by a watchdog or a time-out
        Cancelled, // ended by the user
    };
    // How often the request goes out while the meter has not answered: a
    // meter busy with its live frames may miss one.
    static constexpr int requestPeriodMs = 100;

    // The link must outlive the download; destroying a running download leaves
    // the decoder as it is (its owner is going away with the link).
    explicit LoggerDownload(MeterLink& link, QObject* parent = nullptr);
    ~LoggerDownload() override;

    // Prepares the decoder and sends the first request at once. Does nothing
    // while a download runs.
    void start();
    bool running() const { return running_; }
    // Ends a running download from outside; finished() follows at once. The
    // records are whatever the decoder had completed: none unless the end
    // marker had already been decoded.
    void cancel();
    void fail();

    // The records of the download that finished last; leaves none behind.
    RecordList takeRecords();
    // Whether the meter's dump header arrived in the last download.
    bool answered() const { return answered_; }

  signals:
    void progress(int value, int maximum);
    void finished(LoggerDownload::Outcome outcome);

  private:
    void sendRequest();
    void onEnded();
    void finish(Outcome outcome);

    MeterLink& link_;
    QTimer requestTimer_;
    bool running_ = false;
    bool answered_ = false;
    RecordList records_;
};

// The result of downloadLoggerMemory.
struct LoggerDownloadResult {
    bool ok = false;
    RecordList records;
    QString error; // why it failed
};

// Downloads the memory of the meter on an open link and waits for the end,
// running an event loop meanwhile: for programs without a main window. The
// download fails when no byte arrives for more than silenceSeconds (the meter stopped
// or never spoke) or when the whole takes longer than timeoutMs. clock is the
// one the link stamps its receive times with.
LoggerDownloadResult downloadLoggerMemory(MeterLink& link, const Clock& clock,
                                          int silenceSeconds = 2, int timeoutMs = 250000);
