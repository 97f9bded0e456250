#include "surveywindow/MarkBands.h"

#include "model/TimeLabels.h"

#include <algorithm>
#include <cstdio>

std::vector<ShownMark> shownMarks(const SurveyMarks& marks, const SeriesStore& series,
                                  const Clock& clock) {
    std::vector<ShownMark> out;
    out.reserve(marks.size());
    for (std::size_t i = 0; i < marks.size(); ++i) {
        const SurveyMark& m = marks.all()[i];
        out.push_back({seriesTimeOf(series, m.start, clock), seriesTimeOf(series, m.end, clock),
                       m.kind, m.label, i});
    }
    return out;
}

std::vector<MarkBand> markBands(const std::vector<ShownMark>& marks, SeriesMs t0, SeriesMs t1,
                                int left, int width,
                                const std::function<int(const std::string&)>& textWidth) {
    std::vector<MarkBand> out;
    if (t1 <= t0 || width <= 0)
        return out;
    const double perMs = static_cast<double>(width) / static_cast<double>(t1 - t0);
    auto xOf = [&](SeriesMs t) {
        const SeriesMs clamped = std::clamp(t, t0, t1);
        return left + static_cast<int>(static_cast<double>(clamped - t0) * perMs + 0.5);
    };
    // A label needs this much room beside it to read as the band's own.
    constexpr int padding = 4;
    for (const ShownMark& m : marks) {
        if (m.end <= t0 || m.start >= t1)
            continue;
        MarkBand b{xOf(m.start), xOf(m.end), m.kind, m.index, false, m.label};
        b.x1 = std::max(b.x1, b.x0 + 1);
        b.labelled = !m.label.empty() && textWidth(m.label) + 2 * padding <= b.x1 - b.x0;
        out.push_back(std::move(b));
    }
    return out;
}

std::optional<std::size_t> markAt(const std::vector<MarkBand>& bands, int x) {
    std::optional<std::size_t> found;
    int narrowest = 0;
    for (const MarkBand& b : bands)
        if (x >= b.x0 && x < b.x1 && (!found || b.x1 - b.x0 < narrowest)) {
            found = b.index;
            narrowest = b.x1 - b.x0;
        }
    return found;
}

MarkRow markRow(const SurveyMark& mark, const Clock& clock) {
    const LocalTime l = clock.local(static_cast<std::time_t>(mark.start / 1000));
    const DateTime from{l.day, l.month, l.year, l.hour, l.minute, l.second};
    const long long s = std::max<SurveyMs>(0, mark.end - mark.start) / 1000;
    char length[32];
    std::snprintf(length, sizeof length, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    return {dateTimeText(from), length, mark.kind, mark.label, mark.note};
}

std::vector<std::string> recentLabels(const SurveyMarks& marks, std::size_t most) {
    // The list is in order of starts; the latest in time stands for the latest used.
    std::vector<std::string> out;
    for (auto m = marks.all().rbegin(); m != marks.all().rend() && out.size() < most; ++m)
        if (!m->label.empty() && std::find(out.begin(), out.end(), m->label) == out.end())
            out.push_back(m->label);
    return out;
}
