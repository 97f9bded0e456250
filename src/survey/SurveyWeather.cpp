#include "survey/SurveyWeather.h"

#include "formats/FileWrite.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

std::string lowered(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return out;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// A number of the file; nothing in an empty cell (no reading), and false
// for anything else.
bool numberOf(std::string_view text, std::optional<double>& out) {
    text = trimmed(text);
    out.reset();
    if (text.empty())
        return true;
    double v = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size() || !std::isfinite(v))
        return false;
    out = v;
    return true;
}

struct Row {
    SurveyMs start = 0;
    std::optional<double> wind, rain;
};

} // namespace

WeatherMarks weatherMarks(std::string_view text, const std::string& name,
                          const WeatherOptions& options, const Clock& clock) {
    WeatherMarks out;
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    std::vector<Row> rows;
    std::size_t lineNo = 0;
    std::vector<std::string> header;
    std::size_t timeAt = 0, windAt = 0, rainAt = 0;
    auto fail = [&](const std::string& why) {
        out.error = name + " line " + std::to_string(lineNo) + ": " + why;
        out.marks.clear();
        return out;
    };
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t eol = text.find('\n', pos);
        if (eol == std::string_view::npos)
            eol = text.size();
        std::string_view line = text.substr(pos, eol - pos);
        pos = eol + 1;
        ++lineNo;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (trimmed(line).empty())
            continue;
        const auto fields = splitCsvRow(line);
        if (!fields)
            return fail("a quote is not closed");
        if (header.empty()) {
            for (const std::string& f : *fields)
                header.push_back(lowered(trimmed(f)));
            auto column = [&](const std::string& wanted, const char* option,
                              std::size_t& at) -> std::optional<std::string> {
                const auto it = std::find(header.begin(), header.end(), lowered(wanted));
                if (it != header.end()) {
                    at = static_cast<std::size_t>(it - header.begin());
                    return std::nullopt;
                }
                return "the header has no column '" + wanted + "' (name it with " + option + ")";
            };
            std::optional<std::string> missing =
                column(options.timeColumn, "--time-column", timeAt);
            if (!missing && options.windAbove)
                missing = column(options.windColumn, "--wind-column", windAt);
            if (!missing && options.rain)
                missing = column(options.rainColumn, "--rain-column", rainAt);
            if (missing)
                return fail(*missing);
            continue;
        }
        if (fields->size() != header.size())
            return fail(std::to_string(fields->size()) + " fields, the header names " +
                        std::to_string(header.size()));
        const std::string& timeText = (*fields)[timeAt];
        const auto t = parseSurveyDateTime(trimmed(timeText), clock);
        if (!t)
            return fail("'" + timeText + "' is not a time such as 2026-11-02 22:30");
        Row row;
        row.start = static_cast<SurveyMs>(*t) * 1000;
        if (!rows.empty() && row.start <= rows.back().start)
            return fail("its time is not after the line before's");
        if (options.windAbove && !numberOf((*fields)[windAt], row.wind))
            return fail("'" + (*fields)[windAt] + "' is not a wind speed in m/s");
        if (options.rain && !numberOf((*fields)[rainAt], row.rain))
            return fail("'" + (*fields)[rainAt] + "' is not rain in mm");
        rows.push_back(row);
    }
    if (header.empty())
        return fail("the file is empty: it wants a header naming its columns");
    if (rows.empty())
        return out;

    // The usual step: the median of the steps, so that an outage does not
    // stretch it.
    std::vector<SurveyMs> steps;
    for (std::size_t i = 1; i < rows.size(); ++i)
        steps.push_back(rows[i].start - rows[i - 1].start);
    SurveyMs step = 0;
    if (!steps.empty()) {
        std::nth_element(steps.begin(),
                         steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2),
                         steps.end());
        step = steps[steps.size() / 2];
    }
    auto endOf = [&](std::size_t i) {
        if (i + 1 == rows.size())
            return rows[i].start + step;
        return std::min(rows[i + 1].start, rows[i].start + 2 * step);
    };
    auto collect = [&](const char* label, const std::string& note, auto over) {
        std::optional<SurveyMark> open;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const SurveyMs start = rows[i].start, end = endOf(i);
            if (!over(rows[i]) || end <= start) // a lone row has no step: no span
                continue;
            if (open && open->end == start) {
                open->end = end;
                continue;
            }
            if (open)
                out.marks.push_back(*open);
            open = SurveyMark{start, end, MarkKind::Exclude, label, note};
        }
        if (open)
            out.marks.push_back(*open);
    };
    if (options.windAbove) {
        const double limit = *options.windAbove;
        char note[64];
        std::snprintf(note, sizeof note, "wind above %g m/s", limit);
        collect("wind", note, [limit](const Row& r) { return r.wind && *r.wind > limit; });
    }
    if (options.rain)
        collect("rain", "rain", [](const Row& r) { return r.rain && *r.rain > 0; });
    return out;
}

WeatherMarks readWeatherMarks(const std::string& path, const WeatherOptions& options,
                              const Clock& clock) {
    std::string bytes, error;
    if (!ReadWholeFile(path, bytes, &error)) {
        WeatherMarks failed;
        failed.error = error;
        return failed;
    }
    return weatherMarks(bytes, path, options, clock);
}

std::size_t addNewMarks(SurveyMarks& marks, const std::vector<SurveyMark>& add) {
    std::size_t added = 0;
    for (const SurveyMark& m : add) {
        const bool there =
            std::any_of(marks.all().begin(), marks.all().end(), [&m](const SurveyMark& o) {
                return o.start == m.start && o.end == m.end && o.kind == m.kind &&
                       o.label == m.label;
            });
        if (!there && !marks.add(m))
            ++added;
    }
    return added;
}
