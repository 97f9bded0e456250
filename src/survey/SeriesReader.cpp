#include "survey/SeriesReader.h"

#include "formats/FileWrite.h"

#include "formats/TextDataGrammar.h"
#include "model/TimeLabels.h"
#include "survey/Survey.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace {

constexpr std::int64_t hourMs = 3600 * 1000;
// Stamps further back than this from where the series has come are the hour
// repeated when daylight saving ends; less is a clock's drift.
constexpr std::int64_t repeatedHourMs = 10 * 60 * 1000;

class LineParser {
  public:
    explicit LineParser(SeriesFilePart& part) : part_(part) {}

    // One reading line without its line end.
    bool take(std::string_view line) {
        const std::optional<TextDataReading> r = readTextDataReading(line);
        if (!r)
            return false;
        const int d = r->day, m = r->month, y = r->year;
        const long level = std::clamp(r->hundredths, 0L, 0xFFFFL);
        if (d != day_ || m != month_ || y != year_) {
            day_ = d;
            month_ = m;
            year_ = y;
            dayStart_ = secondsBetween(DateTime{}, DateTime{d, m, y});
        }
        const std::int64_t second = dayStart_ + r->hour * 3600 + r->minute * 60 + r->second;
        part_.levels.push_back(static_cast<Centibel>(level));
        if (part_.stamps.empty() || part_.stamps.back().localSecond != second ||
            part_.stamps.back().weighting != r->weighting)
            part_.stamps.push_back({second, 0, r->weighting});
        ++part_.stamps.back().count;
        return true;
    }

  private:
    SeriesFilePart& part_;
    int day_ = 0, month_ = 0, year_ = 0;
    std::int64_t dayStart_ = 0;
};

std::string_view withoutCr(std::string_view line) {
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

// Takes a file's lines one at a time, so a file of any size is read through
// a buffer of its own size.
class FileParser {
  public:
    explicit FileParser(std::size_t sizeHint) { part_.levels.reserve(sizeHint / 33 + 1); }

    // False once reading has ended: no header, or an empty line.
    bool take(std::string_view line) {
        line = withoutCr(line);
        if (lines_++ == 0)
            return header(line);
        if (line.empty())
            return false;
        if (!parser_.take(line) && part_.badLines++ == 0)
            part_.firstBadLine = lines_;
        return true;
    }
    // Hands over the lines ended in text; returns how much of it was used,
    // or npos once reading has ended.
    std::size_t takeEnded(std::string_view text) {
        std::size_t used = 0;
        for (std::size_t eol; (eol = text.find('\n', used)) != std::string_view::npos;
             used = eol + 1)
            if (!take(text.substr(used, eol - used)))
                return std::string_view::npos;
        return used;
    }
    SeriesFilePart& part() { return part_; }

  private:
    bool header(std::string_view line) {
        const std::optional<double> interval = readTextDataHeader(line);
        if (!interval)
            return false;
        part_.header = true;
        part_.intervalMs = static_cast<std::int32_t>(std::lround(1000.0 * *interval));
        return true;
    }

    SeriesFilePart part_;
    LineParser parser_{part_};
    std::size_t lines_ = 0;
};

} // namespace

SeriesFilePart parseSeriesFile(std::string_view text) {
    FileParser parser(text.size());
    const std::size_t used = parser.takeEnded(text);
    if (used != std::string_view::npos && used < text.size())
        parser.take(text.substr(used));
    return std::move(parser.part());
}

namespace {

// What a file is read by: a few calls for an hour's file, and a file of any
// size costs no more.
constexpr std::size_t readChunkBytes = 1 << 20;

std::optional<SeriesFilePart> readPart(const std::string& path, std::string& buffer,
                                       std::string& error) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error = "cannot be opened";
        return std::nullopt;
    }
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    FileParser parser(ec ? 0 : static_cast<std::size_t>(size));
    const ChunkedRead read = ReadInChunks(
        f, readChunkBytes, buffer, [&](std::string_view text) { return parser.takeEnded(text); });
    std::fclose(f);
    if (read.failed) {
        error = "cannot be read";
        return std::nullopt;
    }
    if (!read.stopped && (!read.rest.empty() || !parser.part().header))
        parser.take(read.rest);
    return std::move(parser.part());
}

struct FileSlot {
    std::optional<SeriesFilePart> part;
    std::string problem;
    bool done = false;
};

// Places a file's readings after those before it. Stamps that go back by
// more than a clock's drift are the hour repeated when daylight saving ends
// (in a file of its own, or within a file joined from several): they and all
// after them move on by whole hours.
template <class Series>
void assemble(Series& series, const SeriesFilePart& part, std::int64_t& shiftMs) {
    const Centibel* level = part.levels.data();
    for (const SeriesFilePart::Stamp& s : part.stamps) {
        const std::int64_t stamp = s.localSecond * 1000 + shiftMs;
        if (!series.empty() && stamp + repeatedHourMs < series.end()) {
            shiftMs += (series.end() - stamp + hourMs - 1) / hourMs * hourMs;
            series.setClockShift(shiftMs);
        }
        series.appendStamp(s.localSecond * 1000 + shiftMs, level, s.count, part.intervalMs,
                           s.weighting);
        level += s.count;
    }
}

// One line of a data file as it grows, with or without its line end.
bool readOneLine(std::string_view line, std::int32_t intervalMs, SeriesFilePart& part) {
    if (!line.empty() && line.back() == '\n')
        line.remove_suffix(1);
    part.intervalMs = intervalMs;
    return LineParser(part).take(withoutCr(line));
}

} // namespace

SeriesAppender::SeriesAppender(SeriesStore& series)
    : series_(series),
      shiftMs_(series.clockShifts().empty() ? 0 : series.clockShifts().back().shiftMs) {}

bool SeriesAppender::addLine(std::string_view line, std::int32_t intervalMs) {
    SeriesFilePart part;
    if (!readOneLine(line, intervalMs, part))
        return false;
    assemble(series_, part, shiftMs_);
    return true;
}

bool SeriesFollower::addLine(std::string_view line, std::int32_t intervalMs) {
    SeriesFilePart part;
    if (!readOneLine(line, intervalMs, part))
        return false;
    assemble(*this, part, shiftMs_);
    return true;
}

void SeriesFollower::appendStamp(SeriesMs stamp, const Centibel* levels, std::size_t count,
                                 std::int32_t intervalMs, char weighting) {
    if (count == 0)
        return;
    // As SeriesStore::appendStamp places them.
    if (!run_ || !continuesRun(*run_, stamp))
        run_ = SeriesRun{stamp, intervalMs, 0, 0, weighting};
    else if (run_->intervalMs != intervalMs || run_->weighting != weighting)
        run_ = SeriesRun{run_->end(), intervalMs, 0, 0, weighting};
    if (pendingShift_)
        wallShiftMs_ = *std::exchange(pendingShift_, std::nullopt);
    for (std::size_t i = 0; i < count; ++i) {
        const SeriesMs t = run_->end();
        ++run_->count;
        reading_(t, t - wallShiftMs_, levels[i], intervalMs);
    }
}

namespace {

std::string describeProblem(const SeriesFilePart& part) {
    if (!part.header)
        return "is no text data file";
    if (part.intervalMs <= 0)
        return "has no sampling interval in its header";
    return {};
}

// Parses files on worker threads and hands the parts over in order, a few
// files ahead at most, so only the compact series grows with the survey.
SeriesRead readInOrder(std::vector<std::string> files, bool knownOrder,
                       const SeriesReadOptions& options) {
    SeriesRead result;
    const std::size_t n = files.size();
    std::vector<FileSlot> slots(n);
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t next = 0, taken = 0;
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t workers = std::min<std::size_t>(n, options.threads ? options.threads : cores);
    // Without a known order every part is held until all are read.
    const std::size_t ahead = knownOrder ? 2 * workers + 2 : n;
    auto cancelled = [&options] { return options.cancel && options.cancel->load(); };

    std::uintmax_t bytes = 0;
    for (const std::string& f : files) {
        std::error_code ec;
        const auto size = std::filesystem::file_size(f, ec);
        if (!ec)
            bytes += size;
    }
    result.series.reserve(static_cast<std::size_t>(bytes / 33 + 1));

    auto work = [&] {
        std::string buffer;
        for (;;) {
            std::size_t i;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock,
                             [&] { return next >= n || next < taken + ahead || cancelled(); });
                if (next >= n || cancelled())
                    return;
                i = next++;
            }
            FileSlot slot;
            std::string error;
            slot.part = readPart(files[i], buffer, error);
            slot.problem = slot.part ? describeProblem(*slot.part) : error;
            if (!slot.problem.empty())
                slot.part.reset();
            slot.done = true;
            std::lock_guard lock(mutex);
            slots[i] = std::move(slot);
            changed.notify_all();
        }
    };
    std::vector<std::thread> threads;
    for (std::size_t w = 0; w < workers; ++w)
        threads.emplace_back(work);

    auto waitFor = [&](std::size_t i) {
        std::unique_lock lock(mutex);
        // The cancel flag is set without a notification: look at it now and then.
        while (!slots[i].done && !cancelled())
            changed.wait_for(lock, std::chrono::milliseconds(50));
        return slots[i].done;
    };
    std::vector<std::size_t> order(n);
    for (std::size_t i = 0; i < n; ++i)
        order[i] = i;
    if (!knownOrder) {
        for (std::size_t i = 0; i < n && waitFor(i); ++i)
            if (options.progress)
                options.progress(i + 1, n);
        auto firstSecond = [&](std::size_t i) {
            const auto& p = slots[i].part;
            return p && !p->stamps.empty() ? p->stamps.front().localSecond : INT64_MAX;
        };
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return firstSecond(a) < firstSecond(b);
        });
    }
    std::int64_t shiftMs = 0;
    for (std::size_t k = 0; k < n && !cancelled(); ++k) {
        const std::size_t i = order[k];
        if (!waitFor(i))
            break;
        FileSlot slot;
        {
            std::lock_guard lock(mutex);
            slot = std::move(slots[i]);
            slots[i].done = true; // what was taken stays taken
            ++taken;
            changed.notify_all();
        }
        if (!slot.part) {
            result.problems.push_back({files[i], slot.problem});
        } else {
            if (slot.part->badLines)
                result.problems.push_back(
                    {files[i], std::to_string(slot.part->badLines) +
                                   (slot.part->badLines == 1 ? " line is" : " lines are") +
                                   " no reading, from line " +
                                   std::to_string(slot.part->firstBadLine) + "; left out"});
            if (!slot.part->levels.empty())
                result.files.push_back(files[i]);
            assemble(result.series, *slot.part, shiftMs);
        }
        if (knownOrder && options.progress)
            options.progress(k + 1, n);
    }
    {
        std::lock_guard lock(mutex);
        next = n; // workers still waiting for room leave
        changed.notify_all();
    }
    for (std::thread& t : threads)
        t.join();
    if (cancelled()) {
        result.status = SeriesRead::Status::Cancelled;
        result.series = SeriesStore();
        return result;
    }
    result.series.finish();
    if (result.series.empty())
        result.status = SeriesRead::Status::NoReadings;
    return result;
}

// The time on the wall clock where it was taken, in ms since 1970.
std::int64_t wallMs(const IsoTime& t) {
    return t.ms + t.offsetSeconds * std::int64_t{1000};
}

std::vector<std::string> listFolder(const std::string& dir, std::string& error) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec))
        names.push_back(entry.path().string());
    if (ec)
        error = dir + ": " + ec.message();
    return names;
}

} // namespace

std::vector<SeriesGap> parseSeriesEvents(std::string_view text, const SeriesStore& series) {
    struct Row {
        std::int64_t start, end;
        int startOffset, endOffset;
        std::string cause, detail;
    };
    std::vector<Row> rows;
    int highestOffset = INT32_MIN;
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t eol = text.find('\n', pos);
        if (eol == std::string_view::npos)
            eol = text.size();
        std::string_view line = text.substr(pos, eol - pos);
        pos = eol + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const std::vector<std::string> f = readCsvRow(line).fields;
        if (f.size() < 4)
            continue;
        const auto start = parseIsoTime(f[0]);
        const auto end = parseIsoTime(f[1]);
        if (!start || !end)
            continue; // the header, or a row cut short
        rows.push_back({wallMs(*start), wallMs(*end), start->offsetSeconds, end->offsetSeconds,
                        f[3], f.size() > 4 ? f[4] : std::string()});
        highestOffset = std::max({highestOffset, start->offsetSeconds, end->offsetSeconds});
    }
    // A wall-clock time shown twice is the later one when its offset is the
    // smaller: daylight saving has ended.
    std::vector<SeriesGap> events;
    for (Row& r : rows)
        events.push_back({series.seriesOfLocal(r.start, r.startOffset < highestOffset),
                          series.seriesOfLocal(r.end, r.endOffset < highestOffset),
                          std::move(r.cause), std::move(r.detail)});
    return events;
}

SeriesRead readSeriesFiles(const std::vector<std::string>& files,
                           const SeriesReadOptions& options) {
    const bool allSurvey = std::all_of(
        files.begin(), files.end(), [](const std::string& f) { return isSurveyDataFileName(f); });
    return allSurvey ? readInOrder(surveyDataFiles(files), true, options)
                     : readInOrder(files, false, options);
}

SeriesRead assembleSeries(const std::vector<SeriesFilePart>& parts, std::string_view events) {
    SeriesRead read;
    std::int64_t shiftMs = 0;
    for (const SeriesFilePart& part : parts)
        assemble(read.series, part, shiftMs);
    read.series.finish();
    if (read.series.empty()) {
        read.status = SeriesRead::Status::NoReadings;
        return read;
    }
    read.series.attachEvents(parseSeriesEvents(events, read.series));
    return read;
}

SeriesRead readSurveySeries(const std::string& dir, const SeriesReadOptions& options) {
    std::string error;
    const std::vector<std::string> names = listFolder(dir, error);
    if (!error.empty()) {
        SeriesRead failed;
        failed.status = SeriesRead::Status::CannotList;
        failed.error = error;
        return failed;
    }
    SeriesRead read = readInOrder(surveyDataFiles(names), true, options);
    if (read.status != SeriesRead::Status::Ok)
        return read;
    const std::string events = dir + "/" + eventsFileName;
    if (std::FILE* f = std::fopen(events.c_str(), "rb")) {
        std::string text;
        for (char chunk[65536]; std::size_t n = std::fread(chunk, 1, sizeof chunk, f);)
            text.append(chunk, n);
        std::fclose(f);
        read.series.attachEvents(parseSeriesEvents(text, read.series));
    }
    return read;
}
