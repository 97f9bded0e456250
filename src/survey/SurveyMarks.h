#pragma once

// Marks on a survey's time history: spans left out of the figures (rain,
// wind, the meter being handled), spans of residual sound (the source
// switched off), and events and notes that change no figure. They live in
// the survey folder's markers.csv, written whole or not at all.

#include "model/Clock.h"
#include "survey/SeriesStore.h"
#include "survey/Survey.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class MarkKind { Exclude, Residual, Event, Note };
inline constexpr std::array<MarkKind, 4> markKinds = {MarkKind::Exclude, MarkKind::Residual,
                                                      MarkKind::Event, MarkKind::Note};

// "exclude", "residual", "event", "note": as markers.csv and vrel-cli name them.
const char* markKindName(MarkKind kind);
std::optional<MarkKind> markKindOf(std::string_view name);

inline constexpr const char* marksFileName = "markers.csv";
inline constexpr const char* marksHeader = "start,end,kind,label,note";

// A reading at time t lies in a mark when start <= t < end.
struct SurveyMark {
    SurveyMs start = 0; // ms since the epoch
    SurveyMs end = 0;
    MarkKind kind = MarkKind::Note;
    std::string label; // a short word or two
    std::string note;  // free text
};

// Spans of series time, in order and apart.
struct SeriesSpan {
    SeriesMs start = 0;
    SeriesMs end = 0;
    bool operator==(const SeriesSpan&) const = default;
};

// Sorted spans with those that overlap or touch joined.
std::vector<SeriesSpan> joined(std::vector<SeriesSpan> spans);

// The marks that change figures, in series time: what they take from a span
// leaves the readings the figures are computed from.
struct SeriesMarks {
    std::vector<SeriesSpan> excluded; // in an exclude mark
    std::vector<SeriesSpan> residual; // in a residual mark and in no exclude mark

    bool empty() const { return excluded.empty() && residual.empty(); }
    // The parts of [t0, t1) neither excluded nor residual (at most one more
    // than the marks).
    std::vector<SeriesSpan> kept(SeriesMs t0, SeriesMs t1) const;
    // The excluded and residual parts of [t0, t1).
    std::vector<SeriesSpan> excludedIn(SeriesMs t0, SeriesMs t1) const;
    std::vector<SeriesSpan> residualIn(SeriesMs t0, SeriesMs t1) const;
};

class SurveyMarks;

// markers.csv read: the marks of every line that could be read, and each
// damaged line named ("markers.csv line 4: ...").
struct MarksRead {
    enum class Status {
        Ok,         // marks holds every mark read; problems names the lines left out
        Missing,    // there is no such file: no marks
        CannotRead, // error says why
        NotMarks,   // the file is not a marks file; error says so
    };
    Status status = Status::Ok;
    std::vector<SurveyMark> marks;
    std::vector<std::string> problems;
    std::string error;
};

class SurveyMarks {
  public:
    SurveyMarks() = default;
    explicit SurveyMarks(std::vector<SurveyMark> marks);

    // Why a mark cannot be stored (its end not after its start, no label);
    // nothing when it can.
    static std::optional<std::string> problemOf(const SurveyMark& mark);

    // The marks in order of their starts; the list's numbers count from 1 in
    // this order.
    const std::vector<SurveyMark>& all() const { return marks_; }
    std::size_t size() const { return marks_.size(); }
    bool empty() const { return marks_.empty(); }

    // Each returns why the change was refused, or nothing once made.
    std::optional<std::string> add(SurveyMark mark);
    std::optional<std::string> replace(std::size_t index, SurveyMark mark);
    std::optional<std::string> remove(std::size_t index);

    // The text of markers.csv, times on clock's local time with its offset.
    std::string text(const Clock& clock) const;
    // Replaces the file at path whole, or leaves it as it was.
    bool save(const std::string& path, const Clock& clock, std::string* error = nullptr) const;

    // The marks in series time: times on clock's wall clock found in the
    // series, a wall-clock time shown twice (daylight saving ending) taken
    // as the one the clock showed.
    SeriesMarks inSeries(const SeriesStore& series, const Clock& clock) const;

  private:
    std::vector<SurveyMark> marks_;
};

// An instant (ms since the epoch) on the series' clock and back, the clock
// telling the wall-clock time of the instant and which of a wall-clock time
// shown twice it is.
SeriesMs seriesTimeOf(const SeriesStore& series, SurveyMs instant, const Clock& clock);
SurveyMs instantOfSeries(const SeriesStore& series, SeriesMs t, const Clock& clock);

// The text of a marks file; name is how the problems call it.
MarksRead parseMarks(std::string_view text, const std::string& name);
// The marks file at path.
MarksRead readMarks(const std::string& path);
// Why the marks read cannot take an edit: the file is no marks file, cannot
// be read, or has damaged lines that rewriting it would drop. Nothing when
// it can (a missing file starts empty).
std::optional<std::string> editProblemOf(const MarksRead& read);
