#pragma once

#include "app/FormBuilder.h"
#include "model/AcousticStats.h"

#include <QPointer>

#include <array>

class QLineEdit;
class QWidget;

// The compact "Akustik" group beside a form's figures: the levels and counts
// of the whole series ("Tümü") and of the span between cursors A and B
// ("A–B"). Its fields are read-only line edits with ids firstId and up, found
// by object name among the form's children, so the recording, the cursor
// read-out and the DATALOGGER window each fill their part.
namespace AcousticGroup {

inline constexpr int firstId = 1100;
inline constexpr int rows = 11;
// The frame's id, after the fields'.
inline constexpr int frameId = firstId + 2 * rows;

enum Column { Whole = 0, Span = 1 };
enum Row { Leq, L10, L50, L90, Lmax, Lmin, Sel, Weighting, AboveCount, AboveTime, LongestRun };
// Upright: one line per figure, the two columns side by side (the DATALOGGER
// window's right edge). Flat: one line per column, the figures side by side
// (the strip under the main view's cursor box).
enum class Shape { Upright, Flat };

// Size in dialog units.
int width(Shape shape);
int height(Shape shape);

// The id of the field of a figure and column.
constexpr int fieldId(int row, int column) {
    return firstId + row * 2 + column;
}

// Adds the frame, the headings and the fields at (x, y).
void append(FormSpec& form, int x, int y, Shape shape);
// Makes the fields read-only and names them in their tool tips; call once.
void prepare(QWidget* form);
// Fills one column from a summary; blank with no readings. The three
// exceedance fields stay blank while no limit is set.
void show(QWidget* form, Column column, const AcousticSummary& summary, bool limitSet);
// The fields of one column, looked up once for a caller that fills them often
// (a recording's every tick); a field the form lacks is null.
using Fields = std::array<QPointer<QLineEdit>, rows>;
Fields fields(QWidget* form, Column column);
// As show(), writing only the fields whose text changes.
void show(const Fields& fields, const AcousticSummary& summary, bool limitSet);
void clear(QWidget* form, Column column);

} // namespace AcousticGroup
