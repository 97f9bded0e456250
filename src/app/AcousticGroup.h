#pragma once

#include "app/FormBuilder.h"
#include "model/AcousticStats.h"

class QWidget;

// The compact "Akustik" group beside a form's figures: one row per level or
// count, a column for the whole series and one for the span between cursors A
// and B. Its fields are read-only line edits with ids firstId and up.
namespace AcousticGroup {

inline constexpr int firstId = 1100;
inline constexpr int rows = 11;
inline constexpr int width = 105; // dialog units
inline constexpr int height = 30 + rows * 15;

enum Column { Whole = 0, Span = 1 };
enum Row { Leq, L10, L50, L90, Lmax, Lmin, Sel, Weighting, AboveCount, AboveTime, LongestRun };

// The id of the field in a row and column.
constexpr int fieldId(int row, int column) {
    return firstId + row * 2 + column;
}

// Adds the frame, the headings, the row labels and the fields at (x, y).
void append(FormSpec& spec, int x, int y);
// Makes the fields read-only; call once after building the form.
void prepare(const Form& form);
// Fills one column from a summary; blank when there are no readings. The
// three exceedance rows stay blank while no limit is set.
void show(const Form& form, Column column, const AcousticSummary& summary, bool limitSet);
void clear(const Form& form, Column column);

} // namespace AcousticGroup
