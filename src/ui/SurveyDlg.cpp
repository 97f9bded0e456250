#include "ui/SurveyDlg.h"

#include "model/SeriesStats.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include <array>
#include <cmath>

namespace {
constexpr std::array<int, 4> summaryChoices = {60, 300, 900, 3600};
}

SurveyDlg::SurveyDlg(QWidget* parent, const Prompt::SurveyRequest& initial)
    : QDialog(parent), initial_(initial) {
    setWindowTitle(tr("Ölçüm başlat"));
    interval_ = new QComboBox;
    for (const double s : sampleIntervals) {
        interval_->addItem(tr("%1 s").arg(QLocale().toString(s)), s);
        if (std::abs(s - initial.interval) < 1e-9)
            interval_->setCurrentIndex(interval_->count() - 1);
    }
    split_ = new QComboBox;
    split_->addItem(tr("Her saat bir dosya"));
    split_->addItem(tr("Her gün bir dosya"));
    split_->setCurrentIndex(initial.dailyFiles ? 1 : 0);
    summary_ = new QComboBox;
    for (const int s : summaryChoices) {
        summary_->addItem(s < 3600 ? tr("%n dakika", nullptr, s / 60) : tr("1 saat"), s);
        if (s == initial.summarySeconds)
            summary_->setCurrentIndex(summary_->count() - 1);
    }

    auto* folder = new QLabel(QDir::toNativeSeparators(initial.folder));
    folder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* form = new QFormLayout;
    form->addRow(tr("Klasör:"), folder);
    form->addRow(tr("Örnekleme aralığı:"), interval_);
    form->addRow(tr("Veri dosyaları:"), split_);
    form->addRow(tr("Özet aralığı:"), summary_);
    events_ = new QCheckBox(tr("Eşik aşımlarını exceedances.csv'ye yaz"));
    events_->setChecked(initial.events);
    auto spin = [](double value, double min, double max, const QString& suffix) {
        auto* box = new QDoubleSpinBox;
        box->setRange(min, max);
        box->setDecimals(1);
        box->setValue(value);
        box->setSuffix(suffix);
        return box;
    };
    eventAbove_ = spin(initial.eventAbove, 30, 140, tr(" dB"));
    eventHysteresis_ = spin(initial.eventHysteresis, 0, 20, tr(" dB"));
    eventMin_ = spin(initial.eventMinSeconds, 0, 3600, tr(" s"));
    form->addRow(events_);
    form->addRow(tr("Eşik (üstü):"), eventAbove_);
    form->addRow(tr("Histerezis:"), eventHysteresis_);
    form->addRow(tr("En kısa olay:"), eventMin_);
    const auto enableEvents = [this] {
        for (QWidget* w : {eventAbove_, eventHysteresis_, eventMin_})
            w->setEnabled(events_->isChecked());
    };
    connect(events_, &QCheckBox::toggled, this, enableEvents);
    enableEvents();
    if (!initial.broker.isEmpty()) {
        publish_ = new QCheckBox(tr("Ölçüm ağına yayınla: %1").arg(initial.broker));
        publish_->setChecked(initial.publish);
        // The names a topic takes: what vrel-cli survey --site and --meter accept.
        const auto names = new QRegularExpressionValidator(
            QRegularExpression(QStringLiteral("[a-z0-9_-]{1,32}")), this);
        site_ = new QLineEdit(initial.site);
        site_->setValidator(names);
        meter_ = new QLineEdit(initial.meter);
        meter_->setValidator(names);
        // The collectors' names, as vrel-cli survey --archived-by takes them.
        archivedBy_ = new QLineEdit(initial.archivedBy);
        archivedBy_->setValidator(new QRegularExpressionValidator(
            QRegularExpression(QStringLiteral("([a-z0-9_-]{1,32}(,[a-z0-9_-]{1,32})*)?")), this));
        archivedBy_->setPlaceholderText(tr("yok: broker'ın aldığı gönderilmiş sayılır"));
        archivedBy_->setToolTip(tr("Virgülle ayrılmış toplayıcı adları (vrel-cli collect --name): "
                                   "ölçümün dosyaları bunların hepsi diske yazana dek bekler ve "
                                   "eksikleri yeniden gönderilir."));
        form->addRow(publish_);
        form->addRow(tr("Saha:"), site_);
        form->addRow(tr("Ölçer adı:"), meter_);
        form->addRow(tr("Arşivleyenler:"), archivedBy_);
        if (!initial.passwordKept) {
            password_ = new QLineEdit(initial.password);
            password_->setEchoMode(QLineEdit::Password);
            form->addRow(tr("Broker parolası:"), password_);
        }
        const auto enable = [this] {
            for (QWidget* w :
                 {static_cast<QWidget*>(site_), static_cast<QWidget*>(meter_),
                  static_cast<QWidget*>(archivedBy_), static_cast<QWidget*>(password_)})
                if (w)
                    w->setEnabled(publish_->isChecked());
        };
        connect(publish_, &QCheckBox::toggled, this, enable);
        enable();
    }
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    auto* note =
        new QLabel(initial.resumes ? tr("Bu klasördeki ölçüm sürdürülür: yeni dosyalar eklenir, "
                                        "aradaki süre events.csv'ye yeniden başlama boşluğu olarak "
                                        "yazılır.")
                                   : tr("Ölçer bağlı kaldıkça her örnek hemen diske yazılır; "
                                        "örnek sınırı yoktur."));
    note->setWordWrap(true);
    layout->addWidget(note);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("Başlat"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    if (publish_) {
        // A name a topic cannot take is not offered for starting.
        QPushButton* start = buttons->button(QDialogButtonBox::Ok);
        const auto check = [this, start] {
            start->setEnabled(!publish_->isChecked() ||
                              (site_->hasAcceptableInput() && meter_->hasAcceptableInput() &&
                               archivedBy_->hasAcceptableInput()));
        };
        connect(publish_, &QCheckBox::toggled, this, check);
        connect(site_, &QLineEdit::textChanged, this, check);
        connect(meter_, &QLineEdit::textChanged, this, check);
        connect(archivedBy_, &QLineEdit::textChanged, this, check);
        check();
    }
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

Prompt::SurveyRequest SurveyDlg::request() const {
    Prompt::SurveyRequest r = initial_;
    r.interval = interval_->currentData().toDouble();
    r.dailyFiles = split_->currentIndex() == 1;
    r.summarySeconds = summary_->currentData().toInt();
    r.events = events_->isChecked();
    r.eventAbove = eventAbove_->value();
    r.eventHysteresis = eventHysteresis_->value();
    r.eventMinSeconds = eventMin_->value();
    if (publish_) {
        r.publish = publish_->isChecked();
        r.site = site_->text();
        r.meter = meter_->text();
        r.archivedBy = archivedBy_->text();
        if (password_)
            r.password = password_->text();
    }
    return r;
}

std::optional<Prompt::SurveyRequest> QtPrompt::survey(QWidget* parent,
                                                      const SurveyRequest& initial) {
    SurveyDlg dlg(parent, initial);
    if (dlg.exec() != QDialog::Accepted)
        return std::nullopt;
    return dlg.request();
}
