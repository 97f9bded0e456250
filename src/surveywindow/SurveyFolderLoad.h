#pragma once

// A survey folder read beside the window: a thread of its own, how far it has
// got for a progress bar, a cancel, and the end told on the owner's thread.
// What it read is the owner's to take once finished() has come.

#include "pgarchive/PgSeries.h"
#include "survey/SeriesBackground.h"
#include "survey/SeriesReader.h"

#include <QObject>

#include <atomic>
#include <optional>
#include <string>
#include <thread>

class SurveyFolderLoad : public QObject {
    Q_OBJECT
  public:
    explicit SurveyFolderLoad(QObject* parent = nullptr) : QObject(parent) {}
    // Cancels a reading still going and waits for its thread.
    ~SurveyFolderLoad() override;

    // Reads dir into into, which must live until finished() or this is gone.
    // The quarter hours' LA90 of all its readings go into background on the
    // same thread: a month's take a quarter of a second, and the window's
    // first look at the background then reads only the quarters its marks
    // touch. Neither is the owner's to touch before finished().
    void start(const std::string& dir, SeriesRead& into, BackgroundQuarters& background);
    // Reads the meter's survey from the database archive into into, and its
    // marks table, which marksText() gives once finished() has come.
    void startDatabase(const PgSeriesSource& source, SeriesRead& into,
                       BackgroundQuarters& background);
    const std::optional<std::string>& marksText() const { return marksText_; }
    void cancel() { cancel_ = true; }
    // Files read and files in all; total is 0 until the folder is listed.
    std::size_t done() const { return done_; }
    std::size_t total() const { return total_; }

  signals:
    // The reading ended (read, failed or cancelled); its thread is over.
    void finished();

  private:
    // On the reading's thread, once the readings are in.
    void countBackground(const SeriesRead& read, BackgroundQuarters& background) const;
    void ended();

    std::thread reader_;
    std::atomic<bool> cancel_{false};
    std::atomic<std::size_t> done_{0};
    std::atomic<std::size_t> total_{0};
    std::optional<std::string> marksText_;
};
