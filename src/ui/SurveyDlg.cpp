#include "ui/SurveyDlg.h"

#include "model/SeriesStats.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
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
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

Prompt::SurveyRequest SurveyDlg::request() const {
    Prompt::SurveyRequest r = initial_;
    r.interval = interval_->currentData().toDouble();
    r.dailyFiles = split_->currentIndex() == 1;
    r.summarySeconds = summary_->currentData().toInt();
    return r;
}

std::optional<Prompt::SurveyRequest> QtPrompt::survey(QWidget* parent,
                                                      const SurveyRequest& initial) {
    SurveyDlg dlg(parent, initial);
    if (dlg.exec() != QDialog::Accepted)
        return std::nullopt;
    return dlg.request();
}
