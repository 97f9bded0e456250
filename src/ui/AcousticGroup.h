#pragma once

#include "model/AcousticStats.h"
#include "model/NoiseRules.h"
#include "ui/FormBuilder.h"

#include <QPointer>

#include <array>

class QAbstractButton;
class QLineEdit;
class QWidget;

// The compact "Akustik" group beside a form's figures: the levels and counts
// of the whole series ("Tümü") and of the span between cursors A and B
// ("A–B"). Its fields are read-only line edits with ids firstId and up, found
// by object name among the form's children, so the recording, the cursor
// read-out and the DATALOGGER window each fill their part.
//
// A button in the frame's corner turns to a second page in the same places:
// the workplace exposure and environmental figures (rulesFieldId), filled
// the same way.
namespace AcousticGroup {

inline constexpr int firstId = 1100;
inline constexpr int rows = 11;
// The frame's id, after the fields'.
inline constexpr int frameId = firstId + 2 * rows;
// The second page: its button and its fields.
inline constexpr int pageButtonId = frameId + 1;
inline constexpr int firstRulesId = pageButtonId + 1;

enum Column { Whole = 0, Span = 1 };
enum Row { Leq, L10, L50, L90, Lmax, Lmin, Sel, Weighting, AboveCount, AboveTime, LongestRun };
enum RulesRow {
    Lex,
    EuValue,
    OshaDose,
    OshaTwa,
    NioshDose,
    NioshTwa,
    Lday,
    Levening,
    Lnight,
    Lden,
    Coverage
};
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

constexpr int rulesFieldId(int row, int column) {
    return firstRulesId + row * 2 + column;
}

// Adds the frame, the headings and the fields at (x, y).
void append(FormSpec& form, int x, int y, Shape shape);
// Makes the fields read-only and names them in their tool tips, and makes the
// second page over the first; call once.
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
// Blanks both pages of a column.
void clear(QWidget* form, Column column);
// Fills the second page of a column.
void showRules(QWidget* form, Column column, const NoiseFigures& figures);
// Whether the second page is the one shown, and its button (to follow its toggling).
bool rulesShown(const QWidget* form);
QAbstractButton* pageButton(const QWidget* form);

} // namespace AcousticGroup
