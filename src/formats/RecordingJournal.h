#pragma once

#include "formats/TextDataFile.h"
#include "model/Clock.h"

#include <filesystem>
#include <optional>
#include <string>

// A running recording lives in memory only; the journal keeps a copy on disk
// as it grows, in the text data file format, so a crash, a killed process or
// a power cut loses at most the last sample or so. The file exists exactly
// while there is recorded data the user has not saved or let go of: its
// presence at start-up means the last run did not end cleanly.
class RecordingJournal {
  public:
    explicit RecordingJournal(std::filesystem::path path);

    // The journal's usual place in the application-data folder.
    static std::filesystem::path defaultPath(const std::filesystem::path& appDataFolder);

    const std::filesystem::path& path() const { return path_; }

    // A new recording: the journal starts over with the header.
    bool start(double samplingRate);
    // One sample, on the disk's way at once (flushed to the system).
    bool append(const CObjData& record);
    // The recording stopped: what was written is synced to the disk. The file
    // stays until discard().
    void stop();
    // The data was saved, cleared or replaced: the journal goes.
    void discard();

    // The first write error since start(), to be shown once; the recording
    // goes on without its journal.
    const std::optional<std::string>& error() const { return error_; }
    bool writing() const { return appender_.isOpen(); }

    // A journal left by a run that did not end cleanly; a last line cut short
    // by the crash is dropped. Nothing when there is no readable journal.
    static std::optional<RecordList> recover(const std::filesystem::path& path);
    // Moves a journal the user did not want back out of the way, under a
    // dated name beside it, so nothing is deleted without the user's word.
    // Returns the new path, or nothing when it could not be moved.
    static std::optional<std::filesystem::path> keepAside(const std::filesystem::path& path,
                                                          const Clock& clock);

  private:
    void fail(const std::string& why);

    std::filesystem::path path_;
    TextDataAppender appender_;
    std::optional<std::string> error_;
};
