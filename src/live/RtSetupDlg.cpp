#include "live/RtSetupDlg.h"

#include "model/Clock.h"
#include "model/SeriesStats.h"
#include "recording/RtSetup.h"
#include "ui/Prompt.h"

#include <QComboBox>
#include <QLineEdit>

namespace {

FormSpec setupFormSpec() {
    using K = ControlSpec::Kind;
    // the start and stop times at their longest, year first
    const QString timeWidest = QStringLiteral("0000-00-00,00:00:00");
    FormSpec f;
    f.fontFamily = QStringLiteral("Microsoft Sans Serif");
    f.pointSize = 10;
    f.width = 236;
    f.height = 160;
    f.caption = CRTSetup::tr("Gerçek zaman ayarları");
    f.controls = {
        {0, K::Label, CRTSetup::tr("Gerçek zamanlı veri seti sayısı"), 23, 19, 139, 8},
        {1044, K::Edit, {}, 164, 17, 40, 12},
        {0, K::Label, CRTSetup::tr("(Gerekli veri setleri girişi)"), 25, 32, 139, 8},
        {0, K::Label, CRTSetup::tr("Gerçek zamanlı tarama frekansı"), 28, 54, 81, 8},
        {1007, K::DropList, {}, 123, 52, 48, 54},
        {0, K::Label, CRTSetup::tr("Saniye"), 176, 55, 58, 8},
        {0, K::Label, CRTSetup::tr("Kayıt döngüsü"), 28, 71, 52, 8},
        {1046, K::Edit, {}, 91, 71, 108, 12},
        {0, K::Label, CRTSetup::tr("Başlatma saati"), 81, 90, 32, 8},
        {1047, K::Edit, {}, 119, 89, 62, 12, true, timeWidest},
        {0, K::Label, CRTSetup::tr("Durdurma saati"), 81, 106, 30, 8},
        {1048, K::Edit, {}, 119, 104, 62, 12, true, timeWidest},
        {1, K::DefaultButton, CRTSetup::tr("Başlat"), 60, 126, 41, 15},
        {2, K::Button, CRTSetup::tr("İptal"), 137, 125, 40, 16},
    };
    return f;
}

// The interval list of this dialog shows one decimal throughout.
constexpr const char* intervalTexts[] = {"0.1", "0.2", "0.5", "1.0", "1.5",
                                         "2.0", "2.5", "3.0", "5.0", "10.0"};

} // namespace

CRTSetup::CRTSetup(int dataSetCount, QWidget* parent)
    : QDialog(parent), dataSetCount_(dataSetCount) {
    form_ = FormBuilder().build(setupFormSpec(), this);
    count_ = form_.get<QLineEdit>(1044);
    interval_ = form_.get<QComboBox>(1007);
    for (const char* t : intervalTexts)
        interval_->addItem(QString::fromLatin1(t));
    interval_->setCurrentIndex(2);
    for (int id : {1046, 1047, 1048})
        form_.get<QLineEdit>(id)->setReadOnly(true);

    writing_ = true;
    count_->setText(QString::number(dataSetCount_));
    writing_ = false;
    recompute(0.5, true);

    connect(count_, &QLineEdit::textChanged, this, [this] {
        if (!writing_)
            refresh();
    });
    connect(interval_, &QComboBox::currentIndexChanged, this, [this] {
        if (!writing_)
            refresh();
    });
    clockTimer_.setInterval(1000);
    connect(&clockTimer_, &QTimer::timeout, this, [this] { recompute(chosenInterval(), false); });
    clockTimer_.start();
}

double CRTSetup::chosenInterval() const {
    const int i = interval_->currentIndex();
    return i >= 0 && i < static_cast<int>(sampleIntervals.size())
               ? sampleIntervals[static_cast<std::size_t>(i)]
               : 0.5;
}

bool CRTSetup::readCount() {
    const SampleCountCheck check = validateSampleCount(count_->text().toStdString());
    if (check.value) {
        dataSetCount_ = *check.value;
        return true;
    }
    prompt().inform(this, QString::fromStdString(check.message), QStringLiteral("Vrel"),
                    Prompt::Icon::Warning);
    writing_ = true;
    count_->setText(QString::number(dataSetCount_));
    writing_ = false;
    return false;
}

void CRTSetup::refresh() {
    readCount();
    recompute(chosenInterval(), false);
}

void CRTSetup::recompute(double interval, bool longForm) {
    const RecordCycle c = recordCycle(dataSetCount_, interval, appClock().now());
    const std::string cycle = longForm ? cycleTextLong(c) : cycleTextShort(c);
    writing_ = true;
    form_.get<QLineEdit>(1046)->setText(QString::fromStdString(cycle));
    form_.get<QLineEdit>(1047)->setText(
        QString::fromStdString(setupTimeText(appClock().local(c.start))));
    form_.get<QLineEdit>(1048)->setText(
        QString::fromStdString(setupTimeText(appClock().local(c.stop))));
    writing_ = false;
}

void CRTSetup::accept() {
    rateIndex_ = interval_->currentIndex();
    if (!readCount())
        return;
    clockTimer_.stop();
    QDialog::accept();
}
