#include "app/AcousticGroup.h"

#include <QCoreApplication>
#include <QLineEdit>

namespace AcousticGroup {

namespace {

struct RowText {
    const char* label;    // upright heading
    const char* shortcut; // flat heading
    const char* unit;
};
// The level names, "dB", "s" and "A–B" read the same in both languages; the
// others are translated when shown.
constexpr RowText rowTexts[rows] = {
    {"Leq", "Leq", "dB"},
    {"L10", "L10", "dB"},
    {"L50", "L50", "dB"},
    {"L90", "L90", "dB"},
    {"Lmax", "Lmax", "dB"},
    {"Lmin", "Lmin", "dB"},
    {"SEL", "SEL", "dB"},
    {QT_TRANSLATE_NOOP("AcousticGroup", "Birim"), QT_TRANSLATE_NOOP("AcousticGroup", "Birim"), ""},
    {QT_TRANSLATE_NOOP("AcousticGroup", "Sınır üstü"), QT_TRANSLATE_NOOP("AcousticGroup", "Üstü"),
     QT_TRANSLATE_NOOP("AcousticGroup", "adet")},
    {QT_TRANSLATE_NOOP("AcousticGroup", "Süre üstü"), QT_TRANSLATE_NOOP("AcousticGroup", "Süre"),
     "s"},
    {QT_TRANSLATE_NOOP("AcousticGroup", "En uzun"), QT_TRANSLATE_NOOP("AcousticGroup", "Seri"),
     QT_TRANSLATE_NOOP("AcousticGroup", "adet")},
};
const char* const columnTexts[2] = {QT_TRANSLATE_NOOP("AcousticGroup", "Tümü"), "A–B"};

QString translated(const char* text) {
    return QCoreApplication::translate("AcousticGroup", text);
}

constexpr int fieldWidth = 28;
constexpr int pitch = 30;     // fields side by side
constexpr int linePitch = 15; // lines of fields
constexpr int headWidth = 37; // the upright shape's labels
constexpr int flatHead = 24;  // the flat shape's line labels

QLineEdit* field(QWidget* form, int row, int column) {
    return form->findChild<QLineEdit*>(QString::number(fieldId(row, column)));
}

QString level(double v) {
    return QString::asprintf("%.1f", v);
}

} // namespace

int width(Shape shape) {
    return shape == Shape::Upright ? 4 + headWidth + 2 * pitch + 4
                                   : 4 + flatHead + rows * pitch + 4;
}

int height(Shape shape) {
    return shape == Shape::Upright ? 26 + rows * linePitch + 4 : 22 + 2 * linePitch + 3;
}

void append(FormSpec& form, int x, int y, Shape shape) {
    using K = ControlSpec::Kind;
    // the frame first, so the controls inside are drawn over it
    form.controls.insert(form.controls.begin(),
                         {frameId, K::GroupBox,
                          QCoreApplication::translate("AcousticGroup", "Akustik"), x, y,
                          width(shape), height(shape)});
    auto label = [&](const char* text, int lx, int ly, int w) {
        form.controls.push_back({0, K::Label, translated(text), lx, ly, w, 8});
    };
    if (shape == Shape::Upright) {
        const int fieldX = x + 4 + headWidth;
        for (int c = 0; c < 2; ++c)
            label(columnTexts[c], fieldX + c * pitch, y + 12, fieldWidth);
        for (int r = 0; r < rows; ++r) {
            const int lineY = y + 24 + r * linePitch;
            label(rowTexts[r].label, x + 4, lineY + 3, headWidth - 2);
            for (int c = 0; c < 2; ++c)
                form.controls.push_back(
                    {fieldId(r, c), K::Edit, {}, fieldX + c * pitch, lineY, fieldWidth, 14});
        }
        return;
    }
    const int fieldX = x + 4 + flatHead;
    for (int r = 0; r < rows; ++r)
        label(rowTexts[r].shortcut, fieldX + r * pitch, y + 11, fieldWidth);
    for (int c = 0; c < 2; ++c) {
        const int lineY = y + 20 + c * linePitch;
        label(columnTexts[c], x + 4, lineY + 3, flatHead - 2);
        for (int r = 0; r < rows; ++r)
            form.controls.push_back(
                {fieldId(r, c), K::Edit, {}, fieldX + r * pitch, lineY, fieldWidth, 14});
    }
}

void prepare(QWidget* form) {
    for (int r = 0; r < rows; ++r) {
        const QString unit = translated(rowTexts[r].unit);
        const QString tip = translated(rowTexts[r].label) +
                            (unit.isEmpty() ? QString() : QStringLiteral(" (") + unit + ')');
        for (int c = 0; c < 2; ++c) {
            QLineEdit* edit = field(form, r, c);
            edit->setReadOnly(true);
            edit->setToolTip(tip + QStringLiteral(", ") + translated(columnTexts[c]));
        }
    }
}

void clear(QWidget* form, Column column) {
    for (int r = 0; r < rows; ++r)
        if (QLineEdit* edit = field(form, r, column))
            edit->clear();
}

void show(QWidget* form, Column column, const AcousticSummary& s, bool limitSet) {
    clear(form, column);
    if (s.count == 0)
        return;
    auto set = [&](int row, const QString& text) {
        if (QLineEdit* edit = field(form, row, column))
            edit->setText(text);
    };
    set(Leq, level(s.leq));
    set(L10, level(s.ln[1]));
    set(L50, level(s.ln[2]));
    set(L90, level(s.ln[3]));
    set(Lmax, level(s.lmax));
    set(Lmin, level(s.lmin));
    set(Sel, level(s.sel));
    set(Weighting, QString::fromStdString(s.weighting));
    if (limitSet) {
        set(AboveCount, QString::number(s.aboveCount));
        set(AboveTime, QString::asprintf("%.1f", s.aboveSeconds));
        set(LongestRun, QString::number(s.longestRunAbove));
    }
}

} // namespace AcousticGroup
