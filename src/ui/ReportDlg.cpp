#include "ui/ReportDlg.h"

#include "model/NoiseRules.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {
constexpr int intervalChoices[] = {60, 300, 900, 3600};
}

ReportDlg::ReportDlg(QWidget* parent, const Prompt::ReportRequest& r) : QDialog(parent) {
    setWindowTitle(tr("Rapor"));
    auto* form = new QFormLayout;
    site_ = new QLineEdit(r.site, this);
    operator_ = new QLineEdit(r.operatorName, this);
    meter_ = new QLineEdit(r.meter, this);
    notes_ = new QPlainTextEdit(r.notes, this);
    notes_->setTabChangesFocus(true);
    notes_->setFixedHeight(notes_->fontMetrics().lineSpacing() * 4 + 10);
    form->addRow(tr("Ölçüm yeri:"), site_);
    form->addRow(tr("Ölçümü yapan:"), operator_);
    form->addRow(tr("Ölçüm cihazı:"), meter_);
    form->addRow(tr("Notlar:"), notes_);

    shift_ = new QDoubleSpinBox(this);
    shift_->setRange(0.0, 24.0);
    shift_->setDecimals(2);
    shift_->setSingleStep(0.5);
    shift_->setSuffix(tr(" saat"));
    shift_->setSpecialValueText(tr("ölçülen süre"));
    shift_->setValue(r.shiftHours);
    form->addRow(tr("Vardiya süresi:"), shift_);

    interval_ = new QComboBox(this);
    for (int s : intervalChoices) {
        interval_->addItem(s < 3600 ? tr("%1 dk").arg(s / 60) : tr("1 saat"), s);
        if (s == r.intervalSeconds)
            interval_->setCurrentIndex(interval_->count() - 1);
    }
    form->addRow(tr("Aralık:"), interval_);

    auto hourBox = [this](int value) {
        auto* box = new QSpinBox(this);
        box->setRange(0, 23);
        box->setSuffix(QStringLiteral(":00"));
        box->setValue(value);
        return box;
    };
    day_ = hourBox(r.dayStart);
    evening_ = hourBox(r.eveningStart);
    night_ = hourBox(r.nightStart);
    auto* periods = new QHBoxLayout;
    periods->addWidget(day_);
    periods->addWidget(evening_);
    periods->addWidget(night_);
    form->addRow(tr("Gündüz, akşam, gece başlangıcı:"), periods);

    target_ = new QComboBox(this);
    target_->addItem(tr("PDF dosyası"));
    target_->addItem(tr("Yazıcı"));
    target_->setCurrentIndex(r.toPrinter ? 1 : 0);
    form->addRow(tr("Çıktı:"), target_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // The periods must follow each other around the day.
    auto check = [this, buttons] {
        const PeriodBounds b{day_->value(), evening_->value(), night_->value()};
        buttons->button(QDialogButtonBox::Ok)->setEnabled(b.valid());
    };
    for (QSpinBox* box : {day_, evening_, night_})
        connect(box, &QSpinBox::valueChanged, this, check);
    check();

    auto* layout = new QVBoxLayout(this);
    if (!r.scope.isEmpty()) {
        auto* scope = new QLabel(r.scope, this);
        scope->setObjectName(QStringLiteral("scope"));
        scope->setWordWrap(true);
        QFont bold = scope->font();
        bold.setBold(true);
        scope->setFont(bold);
        layout->addWidget(scope);
    }
    layout->addLayout(form);
    layout->addWidget(buttons);
    setMinimumWidth(420);
}

Prompt::ReportRequest ReportDlg::request() const {
    Prompt::ReportRequest r;
    r.site = site_->text().trimmed();
    r.operatorName = operator_->text().trimmed();
    r.meter = meter_->text().trimmed();
    r.notes = notes_->toPlainText().trimmed();
    r.shiftHours = shift_->value();
    r.intervalSeconds = interval_->currentData().toInt();
    r.dayStart = day_->value();
    r.eveningStart = evening_->value();
    r.nightStart = night_->value();
    r.toPrinter = target_->currentIndex() == 1;
    return r;
}

std::optional<Prompt::ReportRequest> QtPrompt::report(QWidget* parent,
                                                      const ReportRequest& initial) {
    ReportDlg dlg(parent, initial);
    if (dlg.exec() != QDialog::Accepted)
        return std::nullopt;
    return dlg.request();
}
