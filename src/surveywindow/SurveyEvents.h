#pragma once

// The survey window's noise events: the rules its panel holds (remembered
// for each folder), the list as sorted, the markers over the curve and the
// mark an event becomes. Plain logic, no widgets.

#include "survey/SeriesEvents.h"
#include "survey/SeriesStore.h"
#include "survey/SurveyMarks.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// Whether the window looks for events, and by which rules.
struct EventSettings {
    bool on = false;
    EventRules rules{70.0, 0.0, 0.0, 0.0};
};

// The settings last used on folder, kept in the program's settings file:
// the defaults for a folder not seen yet.
EventSettings rememberedEventSettings(const std::filesystem::path& settingsFile,
                                      const std::string& folder);
bool rememberEventSettings(const std::filesystem::path& settingsFile, const std::string& folder,
                           const EventSettings& settings);

// The events as the panel lists them: n, start, length, Lmax, SEL, sorted by
// a column; n is an event's place in time, whatever the order shown.
class EventList {
  public:
    enum Column { Number, Start, Length, Lmax, Sel };
    void set(std::vector<SeriesEvent> events);
    // Sorts by column, the same column again turning the order round.
    void sortBy(Column column);
    Column sortColumn() const { return column_; }
    bool descending() const { return descending_; }

    std::size_t size() const { return order_.size(); }
    const std::vector<SeriesEvent>& events() const { return events_; }
    // The event shown in row, and its place in time (from 0).
    const SeriesEvent& at(std::size_t row) const { return events_[order_[row]]; }
    std::size_t indexAt(std::size_t row) const { return order_[row]; }
    std::vector<std::string> cells(std::size_t row) const;

  private:
    void sort();
    std::vector<SeriesEvent> events_;
    std::vector<std::size_t> order_;
    Column column_ = Number;
    bool descending_ = false;
};

// What a click on an event shows: the event with some of what lies around it.
std::pair<SeriesMs, SeriesMs> eventView(const SeriesEvent& event);

// An event's marker over the curve: pixel columns [x0, x1), at least one
// wide; events closer than a pixel share one marker, holding the loudest.
struct EventMarker {
    int x0 = 0, x1 = 0;
    std::size_t index = 0; // the loudest event under it, in time order
    std::size_t count = 1;
};
std::vector<EventMarker> eventMarkers(const std::vector<SeriesEvent>& events, SeriesMs t0,
                                      SeriesMs t1, int left, int width);
// The event of the marker at pixel column x, or within slop of it.
std::optional<std::size_t> eventMarkerAt(const std::vector<EventMarker>& markers, int x,
                                         int slop = 2);

// The mark an event becomes, of kind, its Lmax and SEL in the note.
SurveyMark eventMark(const SeriesEvent& event, MarkKind kind, const std::string& label,
                     const SeriesStore& series, const Clock& clock);
