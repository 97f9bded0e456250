#include "ui/MarkDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

MarkDlg::MarkDlg(QWidget* parent, const Prompt::MarkRequest& r) : QDialog(parent), initial_(r) {
    setWindowTitle(tr("İşaret"));
    kind_ = new QComboBox(this);
    kind_->addItem(tr("Hariç tut (yağmur, rüzgâr, yabancı gürültü)"), QStringLiteral("exclude"));
    kind_->addItem(tr("Artık ses (kaynak kapalı)"), QStringLiteral("residual"));
    kind_->addItem(tr("Olay"), QStringLiteral("event"));
    kind_->addItem(tr("Not"), QStringLiteral("note"));
    kind_->setCurrentIndex(std::max(0, kind_->findData(r.kind)));
    label_ = new QComboBox(this);
    label_->setEditable(true);
    label_->addItems(r.recentLabels);
    label_->setCurrentText(r.label);
    note_ = new QLineEdit(r.note, this);

    auto* form = new QFormLayout;
    form->addRow(tr("Tür:"), kind_);
    form->addRow(tr("Etiket:"), label_);
    form->addRow(tr("Not:"), note_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // A mark is known by its label: none, no mark.
    auto check = [this, buttons] {
        buttons->button(QDialogButtonBox::Ok)
            ->setEnabled(!label_->currentText().trimmed().isEmpty());
    };
    connect(label_, &QComboBox::currentTextChanged, this, check);
    check();

    auto* layout = new QVBoxLayout(this);
    if (!r.span.isEmpty()) {
        auto* span = new QLabel(r.span, this);
        span->setWordWrap(true);
        layout->addWidget(span);
    }
    layout->addLayout(form);
    layout->addWidget(buttons);
    setMinimumWidth(420);
}

Prompt::MarkRequest MarkDlg::request() const {
    Prompt::MarkRequest r = initial_;
    r.kind = kind_->currentData().toString();
    r.label = label_->currentText().trimmed();
    r.note = note_->text().trimmed();
    return r;
}

std::optional<Prompt::MarkRequest> QtPrompt::mark(QWidget* parent, const MarkRequest& initial) {
    MarkDlg dlg(parent, initial);
    if (dlg.exec() != QDialog::Accepted)
        return std::nullopt;
    return dlg.request();
}
