#include "ui/AcousticGroup.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

#include <algorithm>

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

constexpr RowText rulesTexts[rows] = {
    {QT_TRANSLATE_NOOP("AcousticGroup", "LEX,8h"), QT_TRANSLATE_NOOP("AcousticGroup", "LEX"),
     "dB(A)"},
    {QT_TRANSLATE_NOOP("AcousticGroup", "AB değeri"), QT_TRANSLATE_NOOP("AcousticGroup", "AB"), ""},
    {QT_TRANSLATE_NOOP("AcousticGroup", "OSHA %"), QT_TRANSLATE_NOOP("AcousticGroup", "OSHA"), "%"},
    {QT_TRANSLATE_NOOP("AcousticGroup", "TWA (O)"), QT_TRANSLATE_NOOP("AcousticGroup", "O-TWA"),
     "dB(A)"},
    {QT_TRANSLATE_NOOP("AcousticGroup", "NIOSH %"), QT_TRANSLATE_NOOP("AcousticGroup", "NIOSH"),
     "%"},
    {QT_TRANSLATE_NOOP("AcousticGroup", "TWA (N)"), QT_TRANSLATE_NOOP("AcousticGroup", "N-TWA"),
     "dB(A)"},
    {QT_TRANSLATE_NOOP("AcousticGroup", "Lgündüz"), QT_TRANSLATE_NOOP("AcousticGroup", "Lgün"),
     "dB"},
    {QT_TRANSLATE_NOOP("AcousticGroup", "Lakşam"), QT_TRANSLATE_NOOP("AcousticGroup", "Lakş"),
     "dB"},
    {QT_TRANSLATE_NOOP("AcousticGroup", "Lgece"), QT_TRANSLATE_NOOP("AcousticGroup", "Lgece"),
     "dB"},
    {QT_TRANSLATE_NOOP("AcousticGroup", "Lden"), QT_TRANSLATE_NOOP("AcousticGroup", "Lden"), "dB"},
    {QT_TRANSLATE_NOOP("AcousticGroup", "Kapsam"), QT_TRANSLATE_NOOP("AcousticGroup", "Kaps."),
     "%"},
};

QString tr(const char* text) {
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

QLineEdit* rulesField(const QWidget* form, int row, int column) {
    return form->findChild<QLineEdit*>(QString::number(rulesFieldId(row, column)));
}

QString fieldTip(const RowText& text, int column, bool translated) {
    const QString name = translated ? tr(text.label) : QString::fromUtf8(text.label);
    const QString unit = QString::fromUtf8(text.unit);
    return name + (unit.isEmpty() ? QString() : QStringLiteral(" (") + unit + ')') +
           QStringLiteral(", ") + tr(columnTexts[column]);
}

// The second page: a field over each field of the first and a heading over
// each of its headings, shown in their stead while the button is down.
void makeRulesPage(QWidget* form) {
    auto* frame = form->findChild<QGroupBox*>(QString::number(frameId));
    if (!frame)
        return;
    const QRect area = frame->geometry();
    const bool flat = area.width() > area.height(); // the main view's strip
    QList<QWidget*> first, second;
    for (QLabel* label : form->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        if (!area.contains(label->geometry()))
            continue;
        for (int r = 0; r < rows; ++r) {
            if (label->text() != tr(flat ? rowTexts[r].shortcut : rowTexts[r].label))
                continue;
            auto* heading =
                new QLabel(tr(flat ? rulesTexts[r].shortcut : rulesTexts[r].label), form);
            heading->setGeometry(label->geometry());
            heading->setFont(label->font());
            heading->hide();
            first << label;
            second << heading;
            break;
        }
    }
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < 2; ++c) {
            QLineEdit* old = field(form, r, c);
            if (!old)
                continue;
            auto* edit = new QLineEdit(form);
            edit->setObjectName(QString::number(rulesFieldId(r, c)));
            edit->setGeometry(old->geometry());
            edit->setFont(old->font());
            edit->setReadOnly(true);
            edit->setToolTip(fieldTip(rulesTexts[r], c, true));
            edit->hide();
            first << old;
            second << edit;
        }
    }
    auto* button = new QToolButton(form);
    button->setObjectName(QString::number(pageButtonId));
    button->setCheckable(true);
    // Framed, with an arrow to where it leads, so it reads as a button and not a label.
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setArrowType(Qt::RightArrow);
    button->setCursor(Qt::PointingHandCursor);
    button->setFocusPolicy(Qt::StrongFocus);
    button->setToolTip(tr("Maruziyet ve çevresel gürültü göstergeleri"));
    button->setFont(frame->font());
    const int arrow = button->fontMetrics().height() / 2 + 1;
    button->setIconSize(QSize(arrow, arrow));
    // As wide as the longer of its two texts in the interface's language.
    int wide = 0;
    for (const char* text : {"Akustik", "Mevzuat"}) {
        button->setText(tr(text));
        wide = std::max(wide, button->sizeHint().width());
    }
    button->setText(tr("Mevzuat"));
    const QSize size(wide, button->fontMetrics().height() + 4);
    button->setGeometry(area.right() - size.width() - 4, area.top(), size.width(), size.height());
    button->raise();
    QObject::connect(button, &QToolButton::toggled, form, [button, first, second](bool on) {
        for (QWidget* w : first)
            w->setVisible(!on);
        for (QWidget* w : second)
            w->setVisible(on);
        button->setText(on ? tr("Akustik") : tr("Mevzuat"));
        button->setArrowType(on ? Qt::LeftArrow : Qt::RightArrow);
        button->setToolTip(on ? tr("Akustik değerlere dön")
                              : tr("Maruziyet ve çevresel gürültü göstergeleri"));
    });
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
        form.controls.push_back({0, K::Label, tr(text), lx, ly, w, 8});
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
        const QString unit = tr(rowTexts[r].unit);
        const QString tip = tr(rowTexts[r].label) +
                            (unit.isEmpty() ? QString() : QStringLiteral(" (") + unit + ')');
        for (int c = 0; c < 2; ++c) {
            QLineEdit* edit = field(form, r, c);
            edit->setReadOnly(true);
            edit->setToolTip(tip + QStringLiteral(", ") + tr(columnTexts[c]));
        }
    }
    makeRulesPage(form);
}

void clear(QWidget* form, Column column) {
    for (int r = 0; r < rows; ++r) {
        if (QLineEdit* edit = field(form, r, column))
            edit->clear();
        if (QLineEdit* edit = rulesField(form, r, column)) {
            edit->clear();
            edit->setToolTip(fieldTip(rulesTexts[r], column, true));
        }
    }
}

QAbstractButton* pageButton(const QWidget* form) {
    return form->findChild<QAbstractButton*>(QString::number(pageButtonId));
}

bool rulesShown(const QWidget* form) {
    const QAbstractButton* b = pageButton(form);
    return b && b->isChecked();
}

void showRules(QWidget* form, Column column, const NoiseFigures& f) {
    auto set = [&](int row, const QString& text, const QString& note = {}) {
        QLineEdit* edit = rulesField(form, row, column);
        if (!edit)
            return;
        edit->setText(text);
        const QString tip = fieldTip(rulesTexts[row], column, true);
        edit->setToolTip(note.isEmpty() ? tip : tip + '\n' + note);
    };
    const QString none = QStringLiteral("–");
    const ExposureFigures& x = f.exposure;
    const int exposureRows[] = {Lex, EuValue, OshaDose, OshaTwa, NioshDose, NioshTwa};
    if (x.notApplicable != NotApplicable::None) {
        const QString why =
            x.notApplicable == NotApplicable::NotAWeighted
                ? tr("Uygulanamaz: okumalar C ağırlıklı; A ağırlıklı okumalar gerekir.")
            : x.notApplicable == NotApplicable::MixedWeighting
                ? tr("Uygulanamaz: A ve C ağırlıklı okumalar karışık.")
                : tr("Okuma yok.");
        for (int row : exposureRows)
            set(row, none, why);
    } else {
        const QString te = x.shiftGiven ? tr("Te: girilen vardiya") : tr("Te: ölçülen süre");
        set(Lex, level(x.lex8h), te);
        const char* const euShort[] = {"–", QT_TRANSLATE_NOOP("AcousticGroup", "alt"),
                                       QT_TRANSLATE_NOOP("AcousticGroup", "üst"),
                                       QT_TRANSLATE_NOOP("AcousticGroup", "sınır")};
        const auto eu = static_cast<int>(x.reached);
        set(EuValue, eu == 0 ? none : tr(euShort[eu]),
            tr("Alt eylem değeri 80, üst eylem değeri 85, sınır değer 87 dB(A)"));
        set(OshaDose, level(x.oshaDose), te);
        set(OshaTwa, x.oshaTwa ? level(*x.oshaTwa) : none);
        set(NioshDose, level(x.nioshDose), te);
        set(NioshTwa, x.nioshTwa ? level(*x.nioshTwa) : none);
    }
    const EnvironmentFigures& e = f.environment;
    if (e.notApplicable != NotApplicable::None) {
        const QString why = e.notApplicable == NotApplicable::NoTimeStamps
                                ? tr("Bir okumanın zaman damgası okunamıyor.")
                                : tr("Okuma yok.");
        for (int row : {Lday, Levening, Lnight, Lden, Coverage})
            set(row, none, why);
        return;
    }
    const QString incomplete = tr("* dönem tam kapsanmıyor");
    auto period = [&](int row, const PeriodFigures& p) {
        if (!p.present)
            set(row, none, tr("Bu dönemde okuma yok."));
        else
            set(row, level(p.level) + (p.incomplete() ? QStringLiteral("*") : QString()),
                tr("Kapsam %1 %").arg(100.0 * p.coverage, 0, 'f', 1) +
                    (p.incomplete() ? QStringLiteral("\n") + incomplete : QString()));
    };
    period(Lday, e.day);
    period(Levening, e.evening);
    period(Lnight, e.night);
    if (e.lden)
        set(Lden, level(*e.lden) + (e.ldenIncomplete() ? QStringLiteral("*") : QString()),
            e.ldenIncomplete() ? incomplete : QString());
    else
        set(Lden, none, tr("Gündüz, akşam ve gece dönemlerinin hepsi gerekir."));
    const double coverage =
        e.spanSeconds > 0 ? std::min(1.0, e.coveredSeconds / e.spanSeconds) : 1.0;
    set(Coverage, QString::asprintf("%.0f", 100.0 * coverage),
        tr("Okumasız boşluk %1 s").arg(e.gapSeconds, 0, 'f', 0));
}

void show(QWidget* form, Column column, const AcousticSummary& s, bool limitSet) {
    clear(form, column);
    show(fields(form, column), s, limitSet);
}

Fields fields(QWidget* form, Column column) {
    Fields f;
    for (int r = 0; r < rows; ++r)
        f[static_cast<std::size_t>(r)] = field(form, r, column);
    return f;
}

void show(const Fields& fields, const AcousticSummary& s, bool limitSet) {
    std::array<QString, rows> texts;
    auto set = [&](int row, QString text) {
        texts[static_cast<std::size_t>(row)] = std::move(text);
    };
    if (s.count > 0) {
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
    // An unchanged text is left alone: setting it would still repaint the box.
    for (std::size_t r = 0; r < texts.size(); ++r)
        if (QLineEdit* edit = fields[r]; edit && edit->text() != texts[r])
            edit->setText(texts[r]);
}

} // namespace AcousticGroup
