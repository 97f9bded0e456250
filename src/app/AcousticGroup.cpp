#include "app/AcousticGroup.h"

#include <QLineEdit>

namespace AcousticGroup {

namespace {
struct RowText {
    const char* label;
    const char* unit;
};
constexpr RowText rowTexts[rows] = {
    {"Leq", "dB"},          {"L10", "dB"},      {"L50", "dB"},       {"L90", "dB"},
    {"Lmax", "dB"},         {"Lmin", "dB"},     {"SEL", "dB"},       {"Birim", ""},
    {"Sınır üstü", "adet"}, {"Süre üstü", "s"}, {"En uzun", "adet"},
};

QString level(double v) {
    return QString::asprintf("%.1f", v);
}
} // namespace

void append(FormSpec& spec, int x, int y) {
    using K = ControlSpec::Kind;
    // the frame first, so the controls inside are drawn over it
    spec.controls.insert(spec.controls.begin(),
                         {0, K::GroupBox, QStringLiteral("Akustik"), x, y, width, height});
    const int labelX = x + 4;
    const int fieldX = x + 42;
    spec.controls.push_back({0, K::Label, QStringLiteral("Tümü"), fieldX, y + 12, 28, 8});
    spec.controls.push_back({0, K::Label, QStringLiteral("A–B"), fieldX + 30, y + 12, 28, 8});
    for (int r = 0; r < rows; ++r) {
        const int rowY = y + 24 + r * 15;
        spec.controls.push_back(
            {0, K::Label, QString::fromUtf8(rowTexts[r].label), labelX, rowY + 3, 37, 8});
        for (int c = 0; c < 2; ++c)
            spec.controls.push_back({fieldId(r, c), K::Edit, {}, fieldX + c * 30, rowY, 28, 14});
    }
}

void prepare(const Form& form) {
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < 2; ++c) {
            auto* edit = form.get<QLineEdit>(fieldId(r, c));
            edit->setReadOnly(true);
            const QString unit = QString::fromUtf8(rowTexts[r].unit);
            edit->setToolTip(QString::fromUtf8(rowTexts[r].label) +
                             (unit.isEmpty() ? QString() : QStringLiteral(" (") + unit + ')'));
        }
    }
}

void clear(const Form& form, Column column) {
    for (int r = 0; r < rows; ++r)
        form.get<QLineEdit>(fieldId(r, column))->clear();
}

void show(const Form& form, Column column, const AcousticSummary& s, bool limitSet) {
    clear(form, column);
    if (s.count == 0)
        return;
    auto set = [&](int row, const QString& text) {
        form.get<QLineEdit>(fieldId(row, column))->setText(text);
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
