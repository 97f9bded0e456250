#pragma once

// Reads a survey folder, or any list of text data files, into one SeriesStore.

#include "survey/SeriesStore.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One text data file as the series reader takes it: levels, and their stamps
// as runs of readings that share a stamp and a weighting.
struct SeriesFilePart {
    struct Stamp {
        std::int64_t localSecond = 0; // wall-clock seconds since 1970-01-01 00:00
        std::uint32_t count = 0;
        char weighting = 'A';
    };
    bool header = false; // false: no text data file
    std::int32_t intervalMs = 0;
    std::vector<Centibel> levels;
    std::vector<Stamp> stamps;
    std::size_t badLines = 0;     // lines that are no reading, left out
    std::size_t firstBadLine = 0; // 1-based, the header being line 1
};

// Parses the text of a data file. Reading stops at the end or at the first
// empty line, as ReadTextDataFile's does; a line that is not
// "d-m-yyyy,h:mm:ss, level, dBA|dBC" is counted and left out.
SeriesFilePart parseSeriesFile(std::string_view text);

// Readings that come one at a time, as a running survey writes them: each
// line of a data file goes where reading the file later would put it, the
// hour repeated when daylight saving ends included.
class SeriesAppender {
  public:
    // Goes on after what series holds, with its clock shift.
    explicit SeriesAppender(SeriesStore& series);
    // One reading line, with or without its line end; false (and nothing
    // added) when it is none.
    bool addLine(std::string_view line, std::int32_t intervalMs);

  private:
    SeriesStore& series_;
    std::int64_t shiftMs_;
};

// The same placing of readings that come one at a time, without keeping
// them: each reading is handed on with its series time, its wall-clock time
// (ms since 1970-01-01 00:00) and its interval, as a store would hold it.
class SeriesFollower {
  public:
    using Reading =
        std::function<void(SeriesMs t, std::int64_t wall, Centibel level, std::int32_t intervalMs)>;
    explicit SeriesFollower(Reading reading) : reading_(std::move(reading)) {}
    // One reading line, with or without its line end; false when it is none.
    bool addLine(std::string_view line, std::int32_t intervalMs);

    // What placing readings asks of a series.
    bool empty() const { return !run_; }
    SeriesMs end() const { return run_ ? run_->end() : 0; }
    void setClockShift(std::int64_t shiftMs) { pendingShift_ = shiftMs; }
    void appendStamp(SeriesMs stamp, const Centibel* levels, std::size_t count,
                     std::int32_t intervalMs, char weighting);

  private:
    Reading reading_;
    std::optional<SeriesRun> run_; // the last run, its readings counted
    std::optional<std::int64_t> pendingShift_;
    std::int64_t wallShiftMs_ = 0; // the wall clock is this far behind the series
    std::int64_t shiftMs_ = 0;     // as SeriesAppender's
};

struct SeriesFileProblem {
    std::string file;
    std::string reason;
};

struct SeriesReadOptions {
    // Called on the reading thread after each file, in order.
    std::function<void(std::size_t done, std::size_t total)> progress;
    // Set from any thread to stop reading soon.
    const std::atomic<bool>* cancel = nullptr;
    // Files parsed at once; 0: one per core.
    unsigned threads = 0;
};

struct SeriesRead {
    enum class Status {
        Ok,         // series holds the readings of every readable file
        NoReadings, // nothing readable: no data file, or none holds a reading
        CannotList, // the folder could not be read; error says why
        Cancelled,
    };
    Status status = Status::Ok;
    SeriesStore series;
    std::vector<std::string> files;          // the data files taken, in time order
    std::vector<SeriesFileProblem> problems; // files (or lines of them) left out
    std::string error;
};

// The data files of a survey folder in the order of their names (the hour
// repeated when daylight saving ends after the first), with the gaps' causes
// from its events.csv.
SeriesRead readSurveySeries(const std::string& dir, const SeriesReadOptions& options = {});
// Files of any names, put in the order of their first readings; survey files
// keep the order of their names.
SeriesRead readSeriesFiles(const std::vector<std::string>& files,
                           const SeriesReadOptions& options = {});

// The series of data files parsed elsewhere (a database's), given in the
// order of their names, with the text of the survey's events.csv.
SeriesRead assembleSeries(const std::vector<SeriesFilePart>& parts, std::string_view events);

// The rows of an events.csv in series time; rows it cannot read are left out.
std::vector<SeriesGap> parseSeriesEvents(std::string_view text, const SeriesStore& series);
