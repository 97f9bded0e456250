#include "ui/FormBuilder.h"

#include "ui/Artwork.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <QToolButton>

#include <algorithm>

namespace {

QWidget* makeWidget(const ControlSpec& c, QWidget* parent, const FormBuilder::Factory& factory) {
    using K = ControlSpec::Kind;
    switch (c.kind) {
    case K::Label: {
        auto* l = new QLabel(c.text, parent);
        l->setWordWrap(true);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return l;
    }
    case K::Edit:
        return new QLineEdit(parent);
    case K::Button:
    case K::DefaultButton: {
        auto* b = new QPushButton(c.text, parent);
        b->setDefault(c.kind == K::DefaultButton);
        b->setAutoDefault(c.kind == K::DefaultButton);
        return b;
    }
    case K::CheckBox:
        return new QCheckBox(c.text, parent);
    case K::GroupBox: {
        auto* g = new QGroupBox(c.text, parent);
        // a frame drawn around its siblings; it must not take their clicks
        g->setAttribute(Qt::WA_TransparentForMouseEvents);
        return g;
    }
    case K::DropList:
        return new QComboBox(parent);
    case K::HScrollBar:
        return new QScrollBar(Qt::Horizontal, parent);
    case K::VScrollBar:
        return new QScrollBar(Qt::Vertical, parent);
    case K::ListView: {
        auto* t = new QTableView(parent);
        t->verticalHeader()->hide();
        t->setSelectionBehavior(QAbstractItemView::SelectRows);
        t->setEditTriggers(QAbstractItemView::NoEditTriggers);
        t->setShowGrid(true);
        t->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        t->horizontalHeader()->setHighlightSections(false);
        return t;
    }
    case K::Progress: {
        auto* p = new QProgressBar(parent);
        p->setTextVisible(false);
        return p;
    }
    case K::Icon: {
        auto* l = new QLabel(parent);
        l->setPixmap(appIcon().pixmap(32, 32));
        return l;
    }
    case K::Custom:
        break;
    }
    if (factory)
        if (QWidget* w = factory(c, parent))
            return w;
    return new QWidget(parent);
}

// A mnemonic's '&' takes no room; "&&" shows one.
QString shownText(QString text) {
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return text;
}

// A wrapping label holds its text when the wrapped lines fit its height and no
// word is wider than a line; else it needs the text on one line.
int labelOverflow(const QLabel* l) {
    const QFontMetrics fm = l->fontMetrics();
    const QString text = l->text();
    const QRect room = l->contentsRect();
    const int oneLine = fm.horizontalAdvance(text);
    if (oneLine <= room.width())
        return 0;
    if (l->wordWrap()) {
        const QRect wrapped =
            fm.boundingRect(QRect(0, 0, room.width(), 1 << 20), Qt::TextWordWrap, text);
        int widestWord = 0;
        for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            widestWord = std::max(widestWord, fm.horizontalAdvance(word));
        if (wrapped.height() <= room.height() && widestWord <= room.width())
            return 0;
    }
    return oneLine - room.width();
}

// Widens a control by some pixels to the right, or to the left where the
// right is taken by a neighbour it did not cover before and the left is free
// and inside the frames around the control.
void widen(QWidget* w, int more, const std::vector<QWidget*>& neighbours,
           const std::vector<QWidget*>& frames) {
    const QRect before = w->geometry();
    auto covers = [&](const QRect& r) {
        const bool leavesFrame = std::any_of(frames.begin(), frames.end(), [&](const QWidget* f) {
            const QRect inside = f->contentsRect().translated(f->pos());
            return inside.contains(before) && !inside.contains(r);
        });
        return leavesFrame ||
               std::any_of(neighbours.begin(), neighbours.end(), [&](const QWidget* n) {
                   return n != w && n->geometry().intersects(r) &&
                          !n->geometry().intersects(before);
               });
    };
    const QRect right = before.adjusted(0, 0, more, 0);
    const QRect left = before.adjusted(-more, 0, 0, 0);
    w->setGeometry(covers(right) && left.left() >= 0 && !covers(left) ? left : right);
}

} // namespace

int textOverflow(const QWidget* control, const QString& editText) {
    const QStyle* style = control->style();
    const QFontMetrics fm = control->fontMetrics();
    const int width = control->width();
    auto over = [](int needed, int room) { return std::max(0, needed - room); };
    if (auto* l = qobject_cast<const QLabel*>(control))
        return l->text().isEmpty() ? 0 : labelOverflow(l);
    if (auto* b = qobject_cast<const QPushButton*>(control)) {
        const int margins = 2 * style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, b);
        return over(fm.horizontalAdvance(shownText(b->text())), width - margins);
    }
    if (auto* t = qobject_cast<const QToolButton*>(control);
        t && t->toolButtonStyle() != Qt::ToolButtonIconOnly && !t->text().isEmpty())
        return over(t->sizeHint().width(), width);
    if (auto* c = qobject_cast<const QCheckBox*>(control)) {
        const int box = style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, c) +
                        style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, c);
        return over(fm.horizontalAdvance(shownText(c->text())), width - box);
    }
    if (auto* g = qobject_cast<const QGroupBox*>(control))
        return over(fm.horizontalAdvance(shownText(g->title())), width - 2 * fm.averageCharWidth());
    if (auto* e = qobject_cast<const QLineEdit*>(control)) {
        const QString text = editText.isEmpty() ? e->text() : editText;
        // the frame, and the two-pixel text margin on either side
        const int frame = style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, e);
        return text.isEmpty() ? 0 : over(fm.horizontalAdvance(text), width - 2 * frame - 4);
    }
    return 0;
}

QFont FormBuilder::formFont(const FormSpec& spec) {
    QFont f(spec.fontFamily);
    f.setPointSize(spec.pointSize);
    return f;
}

DialogBaseUnits FormBuilder::baseUnits(const QFont& font) {
    const QFontMetrics fm(font);
    const int letters = fm.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {averageLetterWidth(letters), fm.height()};
}

Form FormBuilder::build(const FormSpec& spec, QWidget* parent) const {
    Form form;
    const QFont font = formFont(spec);
    parent->setFont(font);
    form.base = baseUnits(font);
    form.size = QSize(duToPixelsX(spec.width, form.base), duToPixelsY(spec.height, form.base));
    if (!spec.caption.isEmpty())
        parent->setWindowTitle(spec.caption);

    struct Widened {
        QWidget* w;
        int more;
        bool visible;
    };
    std::vector<Widened> widened;
    std::vector<QWidget*> placed; // what a widened control must not cover
    std::vector<QWidget*> frames; // nor leave
    auto* dialog = qobject_cast<QDialog*>(parent);
    for (const ControlSpec& c : spec.controls) {
        QWidget* w = makeWidget(c, parent, factory_);
        const int x = duToPixelsX(c.x, form.base);
        const int y = duToPixelsY(c.y, form.base);
        const int width = duToPixelsX(c.width, form.base);
        int height = duToPixelsY(c.height, form.base);
        if (c.kind == ControlSpec::Kind::DropList)
            height = w->sizeHint().height(); // the template gives the open list's height
        w->setGeometry(x, y, width, height);
        if (const int more = textOverflow(w, c.widest); more > 0)
            widened.push_back({w, more + 1, c.visible});
        w->setVisible(c.visible);
        if (c.visible)
            (c.kind == ControlSpec::Kind::GroupBox ? frames : placed).push_back(w);
        if (c.id > 0) {
            w->setObjectName(QString::number(c.id));
            form.byId_.insert(c.id, w);
        }
        if (dialog) {
            if (auto* b = qobject_cast<QPushButton*>(w)) {
                if (c.id == 1)
                    QObject::connect(b, &QPushButton::clicked, dialog, &QDialog::accept);
                else if (c.id == 2)
                    QObject::connect(b, &QPushButton::clicked, dialog, &QDialog::reject);
            }
        }
    }
    for (const Widened& wide : widened)
        widen(wide.w, wide.more, wide.visible ? placed : std::vector<QWidget*>{}, frames);
    if (dialog)
        dialog->setFixedSize(form.size);
    return form;
}

void colourCursorsAndInterval(QWidget* cursorALabel, QWidget* cursorBLabel, QWidget* interval) {
    auto colourText = [](QWidget* w, const QColor& c) {
        QPalette p = w->palette();
        p.setColor(QPalette::WindowText, c);
        w->setPalette(p);
    };
    colourText(cursorALabel, QColor(110, 30, 200));
    colourText(cursorBLabel, QColor(0, 255, 0));

    // the interval box sits on dark grey; light text keeps it legible
    QPalette p = interval->palette();
    for (auto role : {QPalette::Base, QPalette::Button})
        p.setColor(role, QColor(100, 100, 100));
    for (auto role : {QPalette::Text, QPalette::ButtonText})
        p.setColor(role, Qt::white);
    interval->setPalette(p);
}
