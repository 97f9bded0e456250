#include "surveywindow/SurveyEvents.h"

#include "config/ProfileFile.h"
#include "model/TextFormat.h"
#include "survey/SeriesTables.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <system_error>

namespace {

// A folder's settings live in a section of their own.
std::string sectionOf(const std::string& folder) {
    return "SurveyEvents " + folder;
}

std::optional<double> number(const ProfileFile& file, const std::string& section, const char* key) {
    const auto text = file.value(section, key);
    double v = 0;
    if (!text || text->empty())
        return std::nullopt;
    const auto [end, ec] = std::from_chars(text->data(), text->data() + text->size(), v);
    if (ec != std::errc() || end != text->data() + text->size())
        return std::nullopt;
    return v;
}

} // namespace

EventSettings rememberedEventSettings(const std::filesystem::path& settingsFile,
                                      const std::string& folder) {
    const ProfileFile file = ProfileFile::load(settingsFile);
    const std::string section = sectionOf(folder);
    EventSettings s;
    s.on = file.intValue(section, "On", 0) != 0;
    EventRules& r = s.rules;
    for (auto [key, value] :
         {std::pair{"Above", &r.aboveDb}, std::pair{"Hysteresis", &r.hysteresisDb},
          std::pair{"Merge", &r.mergeSeconds}, std::pair{"Min", &r.minSeconds}})
        if (const auto v = number(file, section, key); v && (value == &r.aboveDb || *v >= 0))
            *value = *v;
    return s;
}

bool rememberEventSettings(const std::filesystem::path& settingsFile, const std::string& folder,
                           const EventSettings& settings) {
    ProfileFile file = ProfileFile::load(settingsFile);
    const std::string section = sectionOf(folder);
    const EventRules& r = settings.rules;
    file.setValue(section, "On", settings.on ? "1" : "0");
    file.setValue(section, "Above", formatFixed(r.aboveDb, 1));
    file.setValue(section, "Hysteresis", formatFixed(r.hysteresisDb, 1));
    file.setValue(section, "Merge", formatFixed(r.mergeSeconds, 1));
    file.setValue(section, "Min", formatFixed(r.minSeconds, 1));
    std::error_code ec;
    if (settingsFile.has_parent_path())
        std::filesystem::create_directories(settingsFile.parent_path(), ec);
    return file.save(settingsFile);
}

void EventList::set(std::vector<SeriesEvent> events) {
    events_ = std::move(events);
    order_.resize(events_.size());
    for (std::size_t i = 0; i < order_.size(); ++i)
        order_[i] = i;
    sort();
}

void EventList::sortBy(Column column) {
    descending_ = column == column_ ? !descending_ : column == Lmax || column == Sel;
    column_ = column;
    sort();
}

void EventList::sort() {
    auto key = [this](std::size_t i) -> double {
        const SeriesEvent& e = events_[i];
        switch (column_) {
        case Length:
            return static_cast<double>(e.lengthMs);
        case Lmax:
            return e.lmax;
        case Sel:
            return e.sel();
        case Number:
        case Start:
            break;
        }
        return static_cast<double>(i);
    };
    // Equal keys keep their order in time.
    std::stable_sort(order_.begin(), order_.end(), [&](std::size_t a, std::size_t b) {
        return descending_ ? key(a) > key(b) : key(a) < key(b);
    });
}

std::vector<std::string> EventList::cells(std::size_t row) const {
    const SeriesEvent& e = at(row);
    return {std::to_string(indexAt(row) + 1), eventClockText(e.startWall),
            formatFixed(e.seconds, 1), formatFixed(e.lmaxDb(), 1), formatFixed(e.sel(), 1)};
}

std::pair<SeriesMs, SeriesMs> eventView(const SeriesEvent& event) {
    const SeriesMs margin = std::max<SeriesMs>((event.end - event.start) / 2, 30'000);
    return {event.start - margin, event.end + margin};
}

std::vector<EventMarker> eventMarkers(const std::vector<SeriesEvent>& events, SeriesMs t0,
                                      SeriesMs t1, int left, int width) {
    std::vector<EventMarker> out;
    if (t1 <= t0 || width <= 0)
        return out;
    const double perMs = static_cast<double>(width) / static_cast<double>(t1 - t0);
    auto xOf = [&](SeriesMs t) {
        const SeriesMs clamped = std::clamp(t, t0, t1);
        return left + static_cast<int>(static_cast<double>(clamped - t0) * perMs);
    };
    // The events are in time order and apart: those in view start after the
    // first one ending in it.
    auto it = std::partition_point(events.begin(), events.end(),
                                   [t0](const SeriesEvent& e) { return e.end <= t0; });
    for (; it != events.end() && it->start < t1; ++it) {
        const int x0 = xOf(it->start);
        const int x1 = std::max(xOf(it->end), x0 + 1);
        const auto index = static_cast<std::size_t>(it - events.begin());
        if (!out.empty() && x0 <= out.back().x1) {
            EventMarker& m = out.back();
            m.x1 = std::max(m.x1, x1);
            ++m.count;
            if (it->lmax > events[m.index].lmax)
                m.index = index;
            continue;
        }
        out.push_back({x0, x1, index, 1});
    }
    return out;
}

std::optional<std::size_t> eventMarkerAt(const std::vector<EventMarker>& markers, int x, int slop) {
    for (const EventMarker& m : markers)
        if (x >= m.x0 - slop && x < m.x1 + slop)
            return m.index;
    return std::nullopt;
}

SurveyMark eventMark(const SeriesEvent& event, MarkKind kind, const std::string& label,
                     const SeriesStore& series, const Clock& clock) {
    return {instantOfSeries(series, event.start, clock), instantOfSeries(series, event.end, clock),
            kind, label,
            "Lmax " + formatFixed(event.lmaxDb(), 1) + " dB, SEL " + formatFixed(event.sel(), 1) +
                " dB"};
}
