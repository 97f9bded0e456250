#pragma once

// The rules of an unattended noise survey: a folder of text data files split
// by the clock, an interval summary and a list of gaps, written so that a
// sample that reached the PC is never lost to a failing disk.

#include "model/AcousticStats.h"
#include "model/Clock.h"
#include "model/ObjData.h"
#include "model/RecordList.h"
#include "recording/TickRule.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Milliseconds since the epoch.
using SurveyMs = std::int64_t;

// The local time's distance from UTC at t, in seconds (east positive), as the
// clock's local() sees it.
int utcOffsetSeconds(const Clock& clock, std::time_t t);

// The instant whose local time on clock reads wall (seconds since 1970 on
// the wall clock), as a time stamp without offset is taken.
std::time_t instantOfLocal(const Clock& clock, std::int64_t wall);

// ISO 8601 local time with its UTC offset: "2026-12-08T14:03:05+01:00", or with
// milliseconds ("2026-12-08T14:03:05.300+01:00") when withMs is set.
std::string isoLocalTime(const Clock& clock, SurveyMs ms, bool withMs = false);

// A time as isoLocalTime writes it, or in UTC with "Z": its local time, the
// offset in seconds east and the instant it names. Nothing for any other text.
struct IsoTime {
    LocalTime local;
    int millisecond = 0;
    int offsetSeconds = 0;
    SurveyMs ms = 0;
};
std::optional<IsoTime> parseIsoTime(std::string_view text);

// A local date-time as a user types it for --until: "2026-12-09T08:00",
// "2026-12-09 08:00:30", with an optional "Z" or "+01:00"/"-0530" offset; local
// times without offset are taken in the clock's zone. Nothing for anything else.
std::optional<std::time_t> parseSurveyDateTime(std::string_view text, const Clock& clock);

// A duration for --for: a number of seconds, or numbers with units s, m, h, d
// ("90s", "15m", "1d12h"). Nothing unless it is positive.
std::optional<double> parseSurveyDuration(std::string_view text);

// One field of an RFC 4180 CSV row: quoted when it holds a comma, a quote or a
// line break, quotes doubled.
std::string csvField(std::string_view text);
// A row of fields joined by commas, ending in CR LF.
std::string csvRow(const std::vector<std::string>& fields);

// The fields of one CSV row without its line end, as csvField quotes them: a
// quote at the start of a field quotes it, two quotes in it are one, a quote
// anywhere else is itself. A row that is not well formed (a quote left open,
// as a quoted line break leaves its first line; text after a closing quote)
// is read on as if the quoting went on.
struct CsvRowRead {
    std::vector<std::string> fields;
    bool wellFormed = true;
};
CsvRowRead readCsvRow(std::string_view row);
// The fields of a well-formed row; nothing for any other.
std::optional<std::vector<std::string>> splitCsvRow(std::string_view row);

enum class SurveySplit { Hour, Day };

// The data file's name for a sample at local time t without the folder:
// "survey-2026-12-08T14" (hour) or "survey-2026-12-08" (day), and a sequence
// number from 2 when a file of that name is there already (a resumed survey,
// the hour that repeats when daylight saving ends): "survey-2026-12-08T14-2".
std::string surveyFileStem(const LocalTime& t, SurveySplit split);
std::string surveyFileName(const std::string& stem, int sequence);

// The data files of a survey folder in time order (by the start their names
// carry, then their sequence number); names are paths as given, joined with '/'.
// Files not named as a survey names them are left out.
std::vector<std::string> surveyDataFiles(const std::vector<std::string>& namesInFolder);
bool isSurveyDataFileName(std::string_view name);

// A survey folder read as the DATALOGGER window's list: the readings of the
// n-th data file with readings (in time order) carry set number n.
struct SurveyFolderRead {
    enum class Status { Ok, NoSurvey, CannotOpen, WrongFormat };
    Status status = Status::Ok;
    RecordList records;
    std::string file;  // the file that failed
    std::string error; // why, for CannotOpen
};
SurveyFolderRead ReadSurveyFolder(const std::string& dir);

inline constexpr const char* summaryFileName = "summary.csv";
inline constexpr const char* eventsFileName = "events.csv";
inline constexpr const char* summaryHeader =
    "start,end,samples,coverage,Leq,Lmax,Lmin,L10,L50,L90,weighting";
inline constexpr const char* eventsHeader = "start,end,seconds,cause,detail";

// One file opened for appending.
class SurveyFile {
  public:
    virtual ~SurveyFile() = default;
    // Returns how many bytes went out; fewer than given (possibly 0) on failure,
    // with error set.
    virtual std::size_t write(std::string_view bytes, std::string& error) = 0;
    // Asks the system to put the file on the disk, then closes it.
    virtual bool syncAndClose(std::string& error) = 0;
};

// Where the survey's files go: the disk, or a test's failing stand-in.
class SurveyFileSystem {
  public:
    virtual ~SurveyFileSystem() = default;
    virtual bool exists(const std::string& path) const = 0;
    // The file at path ends inside a line: a write was cut short (a kill, a
    // crash) before its line end.
    virtual bool endsMidLine(const std::string& path) const = 0;
    // The file at path, created when missing, positioned at its end.
    virtual std::unique_ptr<SurveyFile> openAppend(const std::string& path, std::string& error) = 0;
};

// The real file system.
SurveyFileSystem& diskFileSystem();

// Makes the survey's folder when missing and proves it takes a file; the
// reason, for the user, when it does not.
std::optional<std::string> prepareSurveyFolder(const std::string& dir);
// The latest modification among the survey's data files in dir (ms since the
// epoch on the PC's clock): where a survey resumed there starts its restart
// gap. Nothing when the folder holds none.
std::optional<SurveyMs> lastSurveyWrite(const std::string& dir);

// Text for files written in order through failures: what cannot be written yet
// waits and is tried again, the rest of a half-written line first.
class AppendQueue {
  public:
    // keepOpen: the file stays open between writes (the data file); otherwise it
    // is synced and closed after each round (the CSV files).
    AppendQueue(SurveyFileSystem& fs, bool keepOpen) : fs_(fs), keepOpen_(keepOpen) {}
    ~AppendQueue();
    AppendQueue(const AppendQueue&) = delete;
    AppendQueue& operator=(const AppendQueue&) = delete;

    // Bytes for the file at path; samples counts the samples they carry.
    void push(std::string path, std::string bytes, std::size_t samples = 0);
    // Syncs and closes the open file once everything before is written.
    void pushClose();
    // Writes what waits. False with error when something still waits.
    bool drain(std::string& error);

    std::size_t pendingSamples() const { return pendingSamples_; }
    bool empty() const { return chunks_.empty(); }

  private:
    struct Chunk {
        std::string path;
        std::string bytes;
        std::size_t samples = 0;
        bool close = false;
    };

    SurveyFileSystem& fs_;
    bool keepOpen_;
    std::deque<Chunk> chunks_;
    std::size_t written_ = 0; // bytes of the first chunk already out
    std::size_t pendingSamples_ = 0;
    std::unique_ptr<SurveyFile> file_;
    std::string filePath_;
};

// The interval summary: levels of the samples taken in each interval on the
// clock (15 minutes: hh:00, hh:15, ...; aligned on local time, so an interval
// never spans a change of the UTC offset).
class IntervalSummary {
  public:
    IntervalSummary(const Clock& clock, int periodSeconds, double sampleInterval);

    // The row of the open interval when t lies past it (the interval closes),
    // and a new interval is opened around t.
    std::optional<std::string> advance(SurveyMs t);
    void add(double level, const std::string& unit);
    // The row of the open interval, cut short by the end of the survey; nothing
    // before the first advance().
    std::optional<std::string> finish();

    // The levels of the open interval so far.
    AcousticSummary current() const { return stats_.summary(); }
    int periodSeconds() const { return period_; }

  private:
    std::string row() const;

    const Clock& clock_;
    int period_;
    double sampleInterval_;
    bool open_ = false;
    std::time_t start_ = 0;
    std::time_t end_ = 0;
    RunningAcousticStats stats_;
};

// A run of ticks without a sample, from the first such tick to the next sample.
struct Gap {
    SurveyMs start = 0;
    SurveyMs end = 0;
    std::string cause;
    std::string detail;
};

// The events.csv row of a gap.
std::string gapRow(const Clock& clock, const Gap& gap);

// Follows the ticks of a run and tells where the gaps are: a gap begins at the
// first tick with a cause, and a Pending tick neither begins nor ends one.
class GapTracker {
  public:
    // A tick: cause None took a sample. Returns the gap this sample ends.
    std::optional<Gap> tick(SurveyMs t, GapCause cause, const std::string& detail = {});
    // The gap open at the end of the run, ending at t.
    std::optional<Gap> finish(SurveyMs t);
    bool inGap() const { return open_.has_value(); }
    // The gap open now; its end is not known yet.
    const std::optional<Gap>& open() const { return open_; }
    std::size_t count() const { return count_; }

  private:
    std::optional<Gap> open_;
    GapCause openCause_ = GapCause::None;
    std::size_t count_ = 0;
};

// The folder of one survey: samples into data files split by the clock, rows
// into summary.csv and events.csv, all through queues that hold what a failing
// disk does not take, so nothing is lost once it takes it again. Samples held
// are bounded (maxPendingSamples); beyond that the newest are counted as lost
// and their span goes to events.csv as a gap.
class SurveyStore {
  public:
    SurveyStore(SurveyFileSystem& fs, const Clock& clock, std::string dir, SurveySplit split,
                double sampleInterval, std::size_t maxPendingSamples);
    ~SurveyStore();

    // Called with a text when writing fails (once until it works again) and
    // when it works again.
    std::function<void(const std::string&)> report;

    void addSample(const CObjData& sample, SurveyMs t);
    void addSummaryRow(std::string row);
    void addEvent(std::string row);
    // Tries what waits, at most once a second while the disk fails. True when
    // nothing waits.
    bool flush(SurveyMs now);
    // Closes the open data file (synced) after writing what waits; false when
    // something could not be written.
    bool close();

    std::size_t pendingSamples() const { return data_.pendingSamples(); }
    std::size_t lostSamples() const { return lost_; }
    // Writing fails now (reported, and tried again).
    bool failing() const { return failing_; }
    // The data files begun by this run, in order.
    const std::vector<std::string>& files() const { return files_; }

  private:
    std::string path(const std::string& name) const { return dir_ + "/" + name; }
    bool drainAll(std::string& error);

    SurveyFileSystem& fs_;
    const Clock& clock_;
    std::string dir_;
    SurveySplit split_;
    double sampleInterval_;
    std::size_t maxPending_;
    AppendQueue data_;
    AppendQueue summary_;
    AppendQueue events_;
    std::string stem_;
    std::string file_;
    std::vector<std::string> files_;
    bool failing_ = false;
    SurveyMs lastTry_ = 0;
    std::size_t lost_ = 0;
    std::optional<Gap> lostSpan_;
};
