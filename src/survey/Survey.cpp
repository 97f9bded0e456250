#include "survey/Survey.h"

#include "formats/FileWrite.h"
#include "formats/TextDataFile.h"
#include "model/Calendar.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

std::int64_t secondsOf(const LocalTime& t) {
    return daysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

SurveyMs floorDiv(SurveyMs a, SurveyMs b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

std::string twoDecimals(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    return buf;
}

// Reads digits [pos, pos+n) of text as a number.
std::optional<int> digits(std::string_view text, std::size_t pos, std::size_t n) {
    if (pos + n > text.size())
        return std::nullopt;
    int v = 0;
    for (std::size_t i = pos; i < pos + n; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        v = v * 10 + (text[i] - '0');
    }
    return v;
}

int daysInMonth(int y, int m) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return m == 2 && leap ? 29 : days[m - 1];
}

class DiskFile final : public SurveyFile {
  public:
    DiskFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    ~DiskFile() override {
        if (fd_ >= 0)
#ifdef _WIN32
            ::_close(fd_);
#else
            ::close(fd_);
#endif
    }

    std::size_t write(std::string_view bytes, std::string& error) override {
        std::size_t done = 0;
        while (done < bytes.size()) {
#ifdef _WIN32
            const auto n =
                ::_write(fd_, bytes.data() + done, static_cast<unsigned>(bytes.size() - done));
#else
            const auto n = ::write(fd_, bytes.data() + done, bytes.size() - done);
#endif
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                if (n == 0)
                    errno = ENOSPC;
                SetSystemError(&error, "cannot write " + path_);
                break;
            }
            done += static_cast<std::size_t>(n);
        }
        return done;
    }

    bool syncAndClose(std::string& error) override {
#ifdef _WIN32
        bool ok = ::_commit(fd_) == 0;
        ok = ::_close(fd_) == 0 && ok;
#else
        bool ok = ::fsync(fd_) == 0;
        ok = ::close(fd_) == 0 && ok;
#endif
        fd_ = -1;
        if (!ok)
            SetSystemError(&error, "cannot write " + path_);
        return ok;
    }

  private:
    int fd_;
    std::string path_;
};

class Disk final : public SurveyFileSystem {
  public:
    bool exists(const std::string& path) const override {
        std::FILE* f = std::fopen(path.c_str(), "rb");
        if (f)
            std::fclose(f);
        return f != nullptr;
    }

    bool endsMidLine(const std::string& path) const override {
        std::FILE* f = std::fopen(path.c_str(), "rb");
        if (!f)
            return false;
        const bool midLine = std::fseek(f, -1, SEEK_END) == 0 && std::fgetc(f) != '\n';
        std::fclose(f);
        return midLine;
    }

    std::unique_ptr<SurveyFile> openAppend(const std::string& path, std::string& error) override {
#ifdef _WIN32
        const int fd = ::_open(path.c_str(), _O_WRONLY | _O_CREAT | _O_APPEND | _O_BINARY, 0644);
#else
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
#endif
        if (fd < 0) {
            SetSystemError(&error, "cannot open " + path);
            return nullptr;
        }
        return std::make_unique<DiskFile>(fd, path);
    }
};

} // namespace

int utcOffsetSeconds(const Clock& clock, std::time_t t) {
    return static_cast<int>(secondsOf(clock.local(t)) - static_cast<std::int64_t>(t));
}

std::time_t instantOfLocal(const Clock& clock, std::int64_t wall) {
    // Correct the guess by the offset found there, twice to settle across a
    // change of offset.
    std::int64_t t = wall - utcOffsetSeconds(clock, static_cast<std::time_t>(wall));
    t = wall - utcOffsetSeconds(clock, static_cast<std::time_t>(t));
    return static_cast<std::time_t>(t);
}

std::string isoLocalTime(const Clock& clock, SurveyMs ms, bool withMs) {
    const std::time_t t = static_cast<std::time_t>(floorDiv(ms, 1000));
    const LocalTime l = clock.local(t);
    const int offset = utcOffsetSeconds(clock, t);
    const int a = std::abs(offset) / 60;
    char buf[64];
    if (withMs)
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d", l.year,
                      l.month, l.day, l.hour, l.minute, l.second,
                      static_cast<int>(ms - static_cast<SurveyMs>(t) * 1000),
                      offset < 0 ? '-' : '+', a / 60, a % 60);
    else
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", l.year, l.month,
                      l.day, l.hour, l.minute, l.second, offset < 0 ? '-' : '+', a / 60, a % 60);
    return buf;
}

std::optional<IsoTime> parseIsoTime(std::string_view s) {
    // YYYY-MM-DDTHH:MM:SS[.mmm](Z|+HH:MM|-HH:MM)
    const auto y = digits(s, 0, 4), mo = digits(s, 5, 2), d = digits(s, 8, 2);
    const auto h = digits(s, 11, 2), mi = digits(s, 14, 2), se = digits(s, 17, 2);
    if (!y || !mo || !d || !h || !mi || !se || s[4] != '-' || s[7] != '-' || s[10] != 'T' ||
        s[13] != ':' || s[16] != ':')
        return std::nullopt;
    if (*mo < 1 || *mo > 12 || *d < 1 || *d > daysInMonth(*y, *mo) || *h > 23 || *mi > 59 ||
        *se > 59)
        return std::nullopt;
    IsoTime t;
    t.local = {*y, *mo, *d, *h, *mi, *se};
    std::size_t at = 19;
    if (at < s.size() && s[at] == '.') {
        const auto ms = digits(s, at + 1, 3);
        if (!ms)
            return std::nullopt;
        t.millisecond = *ms;
        at += 4;
    }
    const std::string_view zone = s.substr(at);
    if (zone != "Z") {
        const auto oh = digits(zone, 1, 2), om = digits(zone, 4, 2);
        if (zone.size() != 6 || (zone[0] != '+' && zone[0] != '-') || zone[3] != ':' || !oh ||
            !om || *oh > 23 || *om > 59)
            return std::nullopt;
        t.offsetSeconds = (*oh * 3600 + *om * 60) * (zone[0] == '-' ? -1 : 1);
    }
    const std::int64_t utc =
        daysFromCivil(*y, *mo, *d) * 86400 + *h * 3600 + *mi * 60 + *se - t.offsetSeconds;
    t.ms = utc * 1000 + t.millisecond;
    return t;
}

std::optional<std::time_t> parseSurveyDateTime(std::string_view text, const Clock& clock) {
    // YYYY-MM-DD[T ]HH:MM[:SS][Z|+HH:MM|+HHMM]
    const auto year = digits(text, 0, 4);
    const auto month = digits(text, 5, 2);
    const auto day = digits(text, 8, 2);
    const auto hour = digits(text, 11, 2);
    const auto minute = digits(text, 14, 2);
    if (!year || !month || !day || !hour || !minute || text[4] != '-' || text[7] != '-' ||
        (text[10] != 'T' && text[10] != ' ') || text[13] != ':')
        return std::nullopt;
    std::size_t pos = 16;
    int second = 0;
    if (pos < text.size() && text[pos] == ':') {
        const auto s = digits(text, pos + 1, 2);
        if (!s)
            return std::nullopt;
        second = *s;
        pos += 3;
    }
    static constexpr int monthDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (*month < 1 || *month > 12 || *day < 1 || *day > monthDays[*month - 1] || *hour > 23 ||
        *minute > 59 || second > 59)
        return std::nullopt;
    const std::int64_t fields =
        daysFromCivil(*year, *month, *day) * 86400 + *hour * 3600 + *minute * 60 + second;
    const std::string_view zone = text.substr(pos);
    if (zone.empty())
        return instantOfLocal(clock, fields);
    if (zone == "Z")
        return static_cast<std::time_t>(fields);
    if (zone[0] != '+' && zone[0] != '-')
        return std::nullopt;
    const auto oh = digits(zone, 1, 2);
    const bool colon = zone.size() == 6 && zone[3] == ':';
    const auto om = digits(zone, colon ? 4 : 3, 2);
    if (!oh || !om || zone.size() != (colon ? 6u : 5u) || *oh > 23 || *om > 59)
        return std::nullopt;
    const int offset = (*oh * 3600 + *om * 60) * (zone[0] == '-' ? -1 : 1);
    return static_cast<std::time_t>(fields - offset);
}

std::optional<double> parseSurveyDuration(std::string_view text) {
    double total = 0;
    std::size_t pos = 0;
    if (text.empty())
        return std::nullopt;
    while (pos < text.size()) {
        double v = 0;
        const auto r = std::from_chars(text.data() + pos, text.data() + text.size(), v);
        if (r.ec != std::errc() || !std::isfinite(v) || v < 0)
            return std::nullopt;
        pos = static_cast<std::size_t>(r.ptr - text.data());
        double unit = 1;
        if (pos < text.size()) {
            switch (text[pos++]) {
            case 's':
                break;
            case 'm':
                unit = 60;
                break;
            case 'h':
                unit = 3600;
                break;
            case 'd':
                unit = 86400;
                break;
            default:
                return std::nullopt;
            }
        } else if (total > 0) {
            return std::nullopt; // "1h30": the unit of the last number is missing
        }
        total += v * unit;
    }
    if (!(total > 0) || !std::isfinite(total))
        return std::nullopt;
    return total;
}

std::string csvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos)
        return std::string(text);
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + "\"";
}

std::string csvRow(const std::vector<std::string>& fields) {
    std::string row;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i)
            row += ',';
        row += csvField(fields[i]);
    }
    return row + "\r\n";
}

CsvRowRead readCsvRow(std::string_view row) {
    CsvRowRead read;
    read.fields.emplace_back();
    bool quoted = false, afterQuote = false;
    for (std::size_t i = 0; i < row.size(); ++i) {
        const char c = row[i];
        std::string& field = read.fields.back();
        if (quoted) {
            if (c != '"')
                field += c;
            else if (i + 1 < row.size() && row[i + 1] == '"')
                field += row[++i];
            else {
                quoted = false;
                afterQuote = true;
            }
        } else if (c == ',') {
            read.fields.emplace_back();
            afterQuote = false;
        } else if (afterQuote) {
            read.wellFormed = false;
            if (c == '"')
                quoted = true;
            else
                field += c;
        } else if (c == '"' && field.empty()) {
            quoted = true;
        } else {
            field += c;
        }
    }
    if (quoted)
        read.wellFormed = false;
    return read;
}

std::optional<std::vector<std::string>> splitCsvRow(std::string_view row) {
    CsvRowRead read = readCsvRow(row);
    if (!read.wellFormed)
        return std::nullopt;
    return std::move(read.fields);
}

std::string surveyFileStem(const LocalTime& t, SurveySplit split) {
    char buf[48];
    if (split == SurveySplit::Hour)
        std::snprintf(buf, sizeof buf, "survey-%04d-%02d-%02dT%02d", t.year, t.month, t.day,
                      t.hour);
    else
        std::snprintf(buf, sizeof buf, "survey-%04d-%02d-%02d", t.year, t.month, t.day);
    return buf;
}

std::string surveyFileName(const std::string& stem, int sequence) {
    return sequence <= 1 ? stem + ".txt" : stem + "-" + std::to_string(sequence) + ".txt";
}

namespace {
struct SurveyName {
    std::string start; // "2026-12-08T14" or "2026-12-08"
    int sequence = 1;
};

std::optional<SurveyName> parseSurveyName(std::string_view name) {
    if (const auto slash = name.find_last_of("/\\"); slash != std::string_view::npos)
        name = name.substr(slash + 1);
    if (!name.starts_with("survey-") || !name.ends_with(".txt"))
        return std::nullopt;
    std::string_view body = name.substr(7, name.size() - 11);
    if (body.size() < 10 || !digits(body, 0, 4) || body[4] != '-' || !digits(body, 5, 2) ||
        body[7] != '-' || !digits(body, 8, 2))
        return std::nullopt;
    std::size_t startLength = 10;
    if (body.size() >= 13 && body[10] == 'T') {
        if (!digits(body, 11, 2))
            return std::nullopt;
        startLength = 13;
    }
    SurveyName parsed{std::string(body.substr(0, startLength)), 1};
    const std::string_view rest = body.substr(startLength);
    if (rest.empty())
        return parsed;
    if (rest.size() < 2 || rest[0] != '-')
        return std::nullopt;
    int n = 0;
    const auto r = std::from_chars(rest.data() + 1, rest.data() + rest.size(), n);
    if (r.ec != std::errc() || r.ptr != rest.data() + rest.size() || n < 2)
        return std::nullopt;
    parsed.sequence = n;
    return parsed;
}
} // namespace

bool isSurveyDataFileName(std::string_view name) {
    return parseSurveyName(name).has_value();
}

std::vector<std::string> surveyDataFiles(const std::vector<std::string>& namesInFolder) {
    std::vector<std::pair<SurveyName, std::string>> named;
    for (const std::string& n : namesInFolder)
        if (auto parsed = parseSurveyName(n))
            named.emplace_back(std::move(*parsed), n);
    std::sort(named.begin(), named.end(), [](const auto& a, const auto& b) {
        // A day file holds the hours of its day: "2026-12-08" sorts before "2026-12-08T00".
        if (a.first.start != b.first.start)
            return a.first.start < b.first.start;
        return a.first.sequence < b.first.sequence;
    });
    std::vector<std::string> files;
    for (auto& [parsed, n] : named)
        files.push_back(std::move(n));
    return files;
}

SurveyFolderRead ReadSurveyFolder(const std::string& dir) {
    SurveyFolderRead result;
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec))
        names.push_back(entry.path().string());
    if (ec) {
        result.status = SurveyFolderRead::Status::CannotOpen;
        result.file = dir;
        result.error = dir + ": " + ec.message();
        return result;
    }
    const std::vector<std::string> files = surveyDataFiles(names);
    if (files.empty())
        result.status = SurveyFolderRead::Status::NoSurvey;
    int set = 0;
    for (const std::string& f : files) {
        TextDataRead read = ReadTextDataFile(f);
        if (read.status != TextDataRead::Status::Ok) {
            result.status = read.status == TextDataRead::Status::WrongFormat
                                ? SurveyFolderRead::Status::WrongFormat
                                : SurveyFolderRead::Status::CannotOpen;
            result.file = f;
            result.error = read.error;
            result.records.clear();
            return result;
        }
        if (read.records.empty())
            continue; // a survey stopped as its hour began
        ++set;
        for (const CObjData& r : read.records)
            result.records.append(
                CObjData(r.value(), r.dateTime(), r.unit(), set, r.samplingRate()));
    }
    return result;
}

SurveyFileSystem& diskFileSystem() {
    static Disk disk;
    return disk;
}

AppendQueue::~AppendQueue() {
    if (file_) {
        std::string error;
        file_->syncAndClose(error);
    }
}

void AppendQueue::push(std::string path, std::string bytes, std::size_t samples) {
    pendingSamples_ += samples;
    chunks_.push_back({std::move(path), std::move(bytes), samples, false});
}

void AppendQueue::pushClose() {
    chunks_.push_back({{}, {}, 0, true});
}

bool AppendQueue::drain(std::string& error) {
    bool ok = true;
    while (!chunks_.empty()) {
        Chunk& c = chunks_.front();
        if (c.close || (file_ && filePath_ != c.path)) {
            if (file_ && !file_->syncAndClose(error))
                ok = false; // what was written stays written; the next file goes on
            file_.reset();
            if (c.close) {
                chunks_.pop_front();
                continue;
            }
        }
        if (!file_) {
            file_ = fs_.openAppend(c.path, error);
            if (!file_)
                return false;
            filePath_ = c.path;
        }
        const std::string_view rest = std::string_view(c.bytes).substr(written_);
        const std::size_t n = file_->write(rest, error);
        if (n < rest.size()) {
            written_ += n;
            // The next attempt opens the file anew: a removed drive comes back as a new handle.
            file_.reset();
            return false;
        }
        written_ = 0;
        pendingSamples_ -= c.samples;
        chunks_.pop_front();
    }
    if (file_ && !keepOpen_) {
        ok = file_->syncAndClose(error) && ok;
        file_.reset();
    }
    return ok;
}

IntervalSummary::IntervalSummary(const Clock& clock, int periodSeconds, double sampleInterval)
    : clock_(clock), period_(periodSeconds), sampleInterval_(sampleInterval),
      stats_(sampleInterval) {}

std::optional<std::string> IntervalSummary::advance(SurveyMs t) {
    const std::time_t s = static_cast<std::time_t>(floorDiv(t, 1000));
    if (open_ && s >= start_ && s < end_)
        return std::nullopt;
    std::optional<std::string> closed;
    if (open_)
        closed = row();
    const int offset = utcOffsetSeconds(clock_, s);
    const std::int64_t localStart =
        floorDiv(static_cast<std::int64_t>(s) + offset, period_) * period_;
    start_ = static_cast<std::time_t>(localStart - offset);
    end_ = start_ + period_;
    stats_.clear();
    open_ = true;
    return closed;
}

void IntervalSummary::add(double level, const std::string& unit) {
    stats_.add(level, unit);
}

std::optional<std::string> IntervalSummary::finish() {
    if (!open_)
        return std::nullopt;
    open_ = false;
    return row();
}

std::string IntervalSummary::row() const {
    const AcousticSummary s = stats_.summary();
    std::vector<std::string> f = {isoLocalTime(clock_, SurveyMs(start_) * 1000),
                                  isoLocalTime(clock_, SurveyMs(end_) * 1000),
                                  std::to_string(s.count)};
    char coverage[32];
    std::snprintf(coverage, sizeof coverage, "%.4f",
                  std::min(1.0, static_cast<double>(s.count) * sampleInterval_ / period_));
    f.emplace_back(coverage);
    if (s.count == 0) {
        f.insert(f.end(), 7, std::string());
    } else {
        f.push_back(twoDecimals(s.leq));
        f.push_back(twoDecimals(s.lmax));
        f.push_back(twoDecimals(s.lmin));
        f.push_back(twoDecimals(s.ln[1]));
        f.push_back(twoDecimals(s.ln[2]));
        f.push_back(twoDecimals(s.ln[3]));
        f.push_back(s.weighting);
    }
    return csvRow(f);
}

std::string gapRow(const Clock& clock, const Gap& gap) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", static_cast<double>(gap.end - gap.start) / 1000);
    return csvRow({isoLocalTime(clock, gap.start, true), isoLocalTime(clock, gap.end, true),
                   seconds, gap.cause, gap.detail});
}

std::optional<Gap> GapTracker::tick(SurveyMs t, GapCause cause, const std::string& detail) {
    if (cause == GapCause::Pending)
        return std::nullopt;
    if (cause == GapCause::None)
        return finish(t);
    if (!open_) {
        open_ = Gap{t, t, gapCauseName(cause), detail};
        openCause_ = cause;
        ++count_;
    } else if (cause == GapCause::Disconnected && openCause_ != GapCause::Disconnected) {
        // The meter fell silent and then its device went away: the gap is the cable's.
        open_->cause = gapCauseName(cause);
        open_->detail = detail;
        openCause_ = cause;
    }
    return std::nullopt;
}

std::optional<Gap> GapTracker::finish(SurveyMs t) {
    if (!open_)
        return std::nullopt;
    Gap done = std::move(*open_);
    open_.reset();
    done.end = t;
    return done;
}

SurveyStore::SurveyStore(SurveyFileSystem& fs, const Clock& clock, std::string dir,
                         SurveySplit split, double sampleInterval, std::size_t maxPendingSamples)
    : fs_(fs), clock_(clock), dir_(std::move(dir)), split_(split), sampleInterval_(sampleInterval),
      maxPending_(maxPendingSamples), data_(fs, true), summary_(fs, false), events_(fs, false) {
    auto begin = [this](AppendQueue& queue, const std::string& file, const char* header) {
        if (!fs_.exists(file))
            queue.push(file, std::string(header) + "\r\n");
        else if (fs_.endsMidLine(file))
            // A row cut short by a kill gets its line end, so the next row starts a
            // line of its own and every reader leaves the cut one out as no row.
            queue.push(file, "\r\n");
    };
    begin(summary_, path(summaryFileName), summaryHeader);
    begin(events_, path(eventsFileName), eventsHeader);
}

SurveyStore::~SurveyStore() {
    report = nullptr; // what it reports to may be gone
    close();
}

void SurveyStore::addSample(const CObjData& sample, SurveyMs t) {
    // The disk may have come back: make room before giving a sample up.
    if (data_.pendingSamples() >= maxPending_)
        flush(t);
    if (data_.pendingSamples() >= maxPending_) {
        ++lost_;
        if (!lostSpan_) {
            lostSpan_ = Gap{t, t, "write-failure", "samples beyond those held in memory"};
            if (report)
                report(std::to_string(maxPending_) +
                       " samples wait for the disk: newer samples are lost until it takes them");
        }
        lostSpan_->end = t;
        return;
    }
    if (lostSpan_) {
        lostSpan_->end = t;
        addEvent(gapRow(clock_, *lostSpan_));
        lostSpan_.reset();
    }
    const std::time_t s = static_cast<std::time_t>(floorDiv(t, 1000));
    std::string stem = surveyFileStem(clock_.local(s), split_);
    // The hour that repeats when daylight saving ends gets a file of its own.
    const std::string key = split_ == SurveySplit::Hour
                                ? stem + "@" + std::to_string(utcOffsetSeconds(clock_, s))
                                : stem;
    if (key != stem_) {
        if (!file_.empty())
            data_.pushClose();
        stem_ = key;
        for (int seq = 1;; ++seq) {
            const std::string candidate = path(surveyFileName(stem, seq));
            if (!fs_.exists(candidate) &&
                std::find(files_.begin(), files_.end(), candidate) == files_.end()) {
                file_ = candidate;
                break;
            }
        }
        files_.push_back(file_);
        data_.push(file_, TextDataHeader(sampleInterval_) + "\r\n");
    }
    data_.push(file_, TextDataLine(sample) + "\r\n", 1);
}

void SurveyStore::addSummaryRow(std::string row) {
    summary_.push(path(summaryFileName), std::move(row));
}

void SurveyStore::addEvent(std::string row) {
    events_.push(path(eventsFileName), std::move(row));
}

bool SurveyStore::drainAll(std::string& error) {
    // Samples first: they are what the survey is for.
    const bool data = data_.drain(error);
    std::string more;
    const bool rows = summary_.drain(more) && events_.drain(more);
    if (error.empty())
        error = more;
    return data && rows;
}

bool SurveyStore::flush(SurveyMs now) {
    if (failing_ && now - lastTry_ < 1000 && now >= lastTry_)
        return false;
    lastTry_ = now;
    std::string error;
    const bool ok = drainAll(error);
    if (!ok && !failing_) {
        failing_ = true;
        if (report)
            report(error + "; holding the samples in memory and trying again");
    } else if (ok && failing_) {
        failing_ = false;
        if (report)
            report("writing works again; nothing held in memory is lost");
    }
    return ok;
}

bool SurveyStore::close() {
    if (lostSpan_) {
        addEvent(gapRow(clock_, *lostSpan_));
        lostSpan_.reset();
    }
    if (!file_.empty()) {
        data_.pushClose();
        file_.clear();
        stem_.clear();
    }
    std::string error;
    const bool ok = drainAll(error);
    if (!ok && report)
        report(error);
    return ok;
}

std::optional<std::string> prepareSurveyFolder(const std::string& dir) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec)
        return "cannot create the folder " + dir + ": " + ec.message();
    if (!fs::is_directory(dir, ec))
        return dir + " is not a folder";
    const std::string probe = dir + "/.vrel-survey-probe";
    std::string error;
    auto file = diskFileSystem().openAppend(probe, error);
    const bool ok = file && file->write("probe\n", error) == 6 && file->syncAndClose(error);
    file.reset();
    fs::remove(probe, ec);
    if (!ok)
        return "cannot write in the folder " + dir + ": " + error;
    return std::nullopt;
}

std::optional<SurveyMs> lastSurveyWrite(const std::string& dir) {
    namespace fs = std::filesystem;
    std::optional<SurveyMs> last;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir, ec)) {
        if (!entry.is_regular_file(ec) || !isSurveyDataFileName(entry.path().filename().string()))
            continue;
        const auto written = entry.last_write_time(ec);
        if (ec)
            continue;
        const SurveyMs t = std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::file_clock::to_sys(written).time_since_epoch())
                               .count();
        last = last ? std::max(*last, t) : t;
    }
    return last;
}
