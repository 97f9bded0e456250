#include "survey/SurveyMarks.h"

#include "formats/FileWrite.h"

#include <algorithm>
#include <filesystem>

namespace {

constexpr std::int64_t hourMs = 3600 * 1000;

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0);
}

// Wall-clock ms since 1970 of an instant on clock.
std::int64_t wallMsOf(const Clock& clock, SurveyMs instant) {
    const std::int64_t s = floorDiv(instant, 1000);
    return (s + utcOffsetSeconds(clock, static_cast<std::time_t>(s))) * 1000 + (instant - s * 1000);
}

// What of spans (in order and apart) lies in [t0, t1).
std::vector<SeriesSpan> clipped(const std::vector<SeriesSpan>& spans, SeriesMs t0, SeriesMs t1) {
    std::vector<SeriesSpan> out;
    auto it = std::partition_point(spans.begin(), spans.end(),
                                   [t0](const SeriesSpan& s) { return s.end <= t0; });
    for (; it != spans.end() && it->start < t1; ++it)
        out.push_back({std::max(it->start, t0), std::min(it->end, t1)});
    return out;
}

// Spans less the parts in cut (both in order and apart).
std::vector<SeriesSpan> without(const std::vector<SeriesSpan>& spans,
                                const std::vector<SeriesSpan>& cut) {
    std::vector<SeriesSpan> out;
    for (const SeriesSpan& s : spans) {
        SeriesMs from = s.start;
        for (const SeriesSpan& c : clipped(cut, s.start, s.end)) {
            if (c.start > from)
                out.push_back({from, c.start});
            from = c.end;
        }
        if (from < s.end)
            out.push_back({from, s.end});
    }
    return out;
}

bool startsEarlier(const SurveyMark& a, const SurveyMark& b) {
    return a.start < b.start;
}

std::string timeText(const Clock& clock, SurveyMs ms) {
    return isoLocalTime(clock, ms, ms % 1000 != 0);
}

} // namespace

std::vector<SeriesSpan> joined(std::vector<SeriesSpan> spans) {
    std::sort(spans.begin(), spans.end(),
              [](const SeriesSpan& a, const SeriesSpan& b) { return a.start < b.start; });
    std::vector<SeriesSpan> out;
    for (const SeriesSpan& s : spans) {
        if (!out.empty() && s.start <= out.back().end)
            out.back().end = std::max(out.back().end, s.end);
        else
            out.push_back(s);
    }
    return out;
}

const char* markKindName(MarkKind kind) {
    switch (kind) {
    case MarkKind::Exclude:
        return "exclude";
    case MarkKind::Residual:
        return "residual";
    case MarkKind::Event:
        return "event";
    case MarkKind::Note:
        return "note";
    }
    return "note";
}

std::optional<MarkKind> markKindOf(std::string_view name) {
    for (MarkKind k : markKinds)
        if (name == markKindName(k))
            return k;
    return std::nullopt;
}

std::vector<SeriesSpan> SeriesMarks::excludedIn(SeriesMs t0, SeriesMs t1) const {
    return clipped(excluded, t0, t1);
}

std::vector<SeriesSpan> SeriesMarks::residualIn(SeriesMs t0, SeriesMs t1) const {
    return clipped(residual, t0, t1);
}

std::vector<SeriesSpan> SeriesMarks::kept(SeriesMs t0, SeriesMs t1) const {
    if (t1 <= t0)
        return {};
    std::vector<SeriesSpan> marked = excludedIn(t0, t1);
    const std::vector<SeriesSpan> r = residualIn(t0, t1);
    marked.insert(marked.end(), r.begin(), r.end());
    return without({{t0, t1}}, joined(std::move(marked)));
}

SeriesMs seriesTimeOf(const SeriesStore& series, SurveyMs instant, const Clock& clock) {
    const std::int64_t wall = wallMsOf(clock, instant);
    // Daylight saving has ended when the wall clock showed the same an hour
    // before: the second of the two.
    return series.seriesOfLocal(wall, wallMsOf(clock, instant - hourMs) == wall);
}

SurveyMs instantOfSeries(const SeriesStore& series, SeriesMs t, const Clock& clock) {
    const std::int64_t wall = series.localOf(t);
    const std::int64_t second = floorDiv(wall, 1000);
    const SurveyMs guess =
        static_cast<SurveyMs>(instantOfLocal(clock, second)) * 1000 + (wall - second * 1000);
    for (const SurveyMs candidate : {guess, guess + hourMs, guess - hourMs})
        if (wallMsOf(clock, candidate) == wall && seriesTimeOf(series, candidate, clock) == t)
            return candidate;
    return guess;
}

SurveyMarks::SurveyMarks(std::vector<SurveyMark> marks) : marks_(std::move(marks)) {
    std::stable_sort(marks_.begin(), marks_.end(), startsEarlier);
}

std::optional<std::string> SurveyMarks::problemOf(const SurveyMark& mark) {
    if (mark.end <= mark.start)
        return "the end is not after the start";
    if (mark.label.empty())
        return "the label is empty";
    return std::nullopt;
}

std::optional<std::string> SurveyMarks::add(SurveyMark mark) {
    if (auto problem = problemOf(mark))
        return problem;
    marks_.insert(std::upper_bound(marks_.begin(), marks_.end(), mark, startsEarlier),
                  std::move(mark));
    return std::nullopt;
}

std::optional<std::string> SurveyMarks::replace(std::size_t index, SurveyMark mark) {
    if (index >= marks_.size())
        return "there is no mark " + std::to_string(index + 1);
    if (auto problem = problemOf(mark))
        return problem;
    marks_.erase(marks_.begin() + static_cast<std::ptrdiff_t>(index));
    return add(std::move(mark));
}

std::optional<std::string> SurveyMarks::remove(std::size_t index) {
    if (index >= marks_.size())
        return "there is no mark " + std::to_string(index + 1);
    marks_.erase(marks_.begin() + static_cast<std::ptrdiff_t>(index));
    return std::nullopt;
}

std::string SurveyMarks::text(const Clock& clock) const {
    std::string out = std::string(marksHeader) + "\r\n";
    for (const SurveyMark& m : marks_)
        out += csvRow({timeText(clock, m.start), timeText(clock, m.end), markKindName(m.kind),
                       m.label, m.note});
    return out;
}

bool SurveyMarks::save(const std::string& path, const Clock& clock, std::string* error) const {
    return WriteWholeFile(path, text(clock), error);
}

SeriesMarks SurveyMarks::inSeries(const SeriesStore& series, const Clock& clock) const {
    std::vector<SeriesSpan> excluded, residual;
    for (const SurveyMark& m : marks_) {
        if (m.kind != MarkKind::Exclude && m.kind != MarkKind::Residual)
            continue;
        const SeriesSpan s{seriesTimeOf(series, m.start, clock),
                           seriesTimeOf(series, m.end, clock)};
        if (s.end > s.start)
            (m.kind == MarkKind::Exclude ? excluded : residual).push_back(s);
    }
    SeriesMarks out;
    out.excluded = joined(std::move(excluded));
    out.residual = without(joined(std::move(residual)), out.excluded);
    return out;
}

MarksRead parseMarks(std::string_view text, const std::string& name) {
    MarksRead read;
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    std::size_t pos = 0, lineNo = 0;
    // One line without its line end; false at the end of the text.
    auto nextLine = [&](std::string_view& line) {
        if (pos >= text.size())
            return false;
        std::size_t eol = text.find('\n', pos);
        if (eol == std::string_view::npos)
            eol = text.size();
        line = text.substr(pos, eol - pos);
        pos = eol + 1;
        ++lineNo;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        return true;
    };
    std::string_view line;
    if (!nextLine(line))
        return read; // an empty file holds no marks
    if (splitCsvRow(line) != std::vector<std::string>{"start", "end", "kind", "label", "note"}) {
        read.status = MarksRead::Status::NotMarks;
        read.error = name + " is not a marks file: its first line is not " + marksHeader;
        return read;
    }
    while (nextLine(line)) {
        const std::size_t first = lineNo;
        // A quoted note may hold line breaks: the row goes on over the next lines.
        std::string row(line);
        CsvRowRead fields = readCsvRow(row);
        const std::size_t afterFirst = pos;
        for (std::string_view more; !fields.wellFormed && nextLine(more);) {
            row.append("\n").append(more);
            fields = readCsvRow(row);
        }
        if (!fields.wellFormed) {
            // A quote left open to the end: the line is damaged, not the rest.
            pos = afterFirst;
            lineNo = first;
            row = line;
        }
        if (row.empty())
            continue;
        auto damaged = [&](const std::string& why) {
            read.problems.push_back(name + " line " + std::to_string(first) + ": " + why +
                                    "; left out");
        };
        const std::vector<std::string>& f = fields.fields;
        if (!fields.wellFormed || f.size() != 5) {
            damaged("not five fields start,end,kind,label,note");
            continue;
        }
        const auto start = parseIsoTime(f[0]);
        const auto end = parseIsoTime(f[1]);
        if (!start || !end) {
            damaged("'" + (start ? f[1] : f[0]) + "' is not a time such as " +
                    "2026-11-02T22:30:00+01:00");
            continue;
        }
        const auto kind = markKindOf(f[2]);
        if (!kind) {
            damaged("'" + f[2] + "' is no kind: exclude, residual, event or note");
            continue;
        }
        SurveyMark mark{start->ms, end->ms, *kind, f[3], f[4]};
        if (const auto problem = SurveyMarks::problemOf(mark)) {
            damaged(*problem);
            continue;
        }
        read.marks.push_back(std::move(mark));
    }
    return read;
}

MarksRead readMarks(const std::string& path) {
    MarksRead read;
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        read.status = MarksRead::Status::Missing;
        return read;
    }
    std::string bytes;
    if (!ReadWholeFile(path, bytes, &read.error)) {
        read.status = MarksRead::Status::CannotRead;
        return read;
    }
    return parseMarks(bytes, path);
}

std::optional<std::string> editProblemOf(const MarksRead& read) {
    switch (read.status) {
    case MarksRead::Status::CannotRead:
    case MarksRead::Status::NotMarks:
        return read.error;
    case MarksRead::Status::Missing:
    case MarksRead::Status::Ok:
        break;
    }
    if (!read.problems.empty())
        return "the marks file has damaged lines an edit would drop: mend them first";
    return std::nullopt;
}
