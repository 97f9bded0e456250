#pragma once

// How the survey window shows a survey's marks: as bands across its curve
// and as rows of its list. Plain geometry and text, no widgets.

#include "survey/SeriesStore.h"
#include "survey/SurveyMarks.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// A mark on the curve's axis: its span in series time, its kind and label,
// and its place in SurveyMarks::all().
struct ShownMark {
    SeriesMs start = 0, end = 0;
    MarkKind kind = MarkKind::Note;
    std::string label;
    std::size_t index = 0;
};

std::vector<ShownMark> shownMarks(const SurveyMarks& marks, const SeriesStore& series,
                                  const Clock& clock);

// A mark's band over a plot: pixel columns [x0, x1), at least one wide, and
// whether its label fits inside it.
struct MarkBand {
    int x0 = 0, x1 = 0;
    MarkKind kind = MarkKind::Note;
    std::size_t index = 0;
    bool labelled = false;
    std::string label;
};

// The bands of the marks that meet the view [t0, t1), drawn across width
// pixel columns from left; textWidth measures a label in pixels.
std::vector<MarkBand> markBands(const std::vector<ShownMark>& marks, SeriesMs t0, SeriesMs t1,
                                int left, int width,
                                const std::function<int(const std::string&)>& textWidth);

// The mark whose band holds pixel column x, the shortest where bands overlap.
std::optional<std::size_t> markAt(const std::vector<MarkBand>& bands, int x);

// A row of the marks' list: from, length, kind, label, note.
struct MarkRow {
    std::string from;   // "dd-mm-yyyy hh:mm:ss" on the clock's local time
    std::string length; // "h:mm:ss"
    MarkKind kind = MarkKind::Note;
    std::string label, note;
};
MarkRow markRow(const SurveyMark& mark, const Clock& clock);

// The labels offered for a new mark: those in use, the latest first, each once.
std::vector<std::string> recentLabels(const SurveyMarks& marks, std::size_t most = 12);
