#include "app/FormBuilder.h"

#include "app/Artwork.h"

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
#include <QTableView>

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

} // namespace

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
        w->setVisible(c.visible);
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
