#include "MeterWindow.h"

#include "FleetTable.h"
#include "model/Clock.h"
#include "mqtt/MqttArchive.h"
#include "pgarchive/PgSeries.h"
#include "survey/SeriesFigures.h"
#include "surveywindow/SurveyPlot.h"
#include "surveywindow/SurveyWindow.h"
#include "ui/Prompt.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

namespace {

constexpr SeriesMs hourMs = 3600 * 1000;

QString dB(const std::optional<double>& v) {
    return v ? QString::number(*v, 'f', 1) : QStringLiteral("–");
}

} // namespace

CMeterWnd::CMeterWnd(const FleetModel& fleet, const FleetTable& table, std::size_t row,
                     const Clock& clock, std::optional<double> limit, QString archive,
                     QWidget* parent)
    : QWidget(parent, Qt::Window), fleet_(fleet), table_(table), row_(row), clock_(clock),
      archive_(std::move(archive)), plot_(new SurveyPlot(this)), status_(new QLabel(this)),
      figures_(new QLabel(this)), exceedanceTitle_(new QLabel(tr("Son saatin olayları"), this)),
      exceedances_(new QListWidget(this)), back_(new QPushButton(tr("Geri"), this)),
      survey_(new QPushButton(tr("Ölçümünü aç"), this)), timer_(new QTimer(this)) {
    const FleetMeter& m = fleet_.meters()[row_];
    setWindowTitle(tr("%1 / %2 — son saat")
                       .arg(QString::fromStdString(m.site), QString::fromStdString(m.meter)));
    resize(900, 480);
    plot_->setLimit(limit);
    // Its gaps are seconds that brought no level, not outages: a meter that
    // sends one now and then still draws a curve.
    plot_->setJoinLoneReadings(true);
    status_->setWordWrap(true);
    figures_->setWordWrap(true);
    figures_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A few lines: the curve stays the window's main part.
    exceedances_->setMaximumHeight(5 * exceedances_->fontMetrics().height() + 8);

    auto* whole = new QPushButton(tr("Saatin tamamı"), this);
    whole->setToolTip(tr("Son saatin tamamını göster (Home)"));
    back_->setToolTip(tr("Bir önceki görünüme dön (Backspace)"));
    connect(whole, &QPushButton::clicked, plot_, &SurveyPlot::showWhole);
    connect(back_, &QPushButton::clicked, plot_, &SurveyPlot::back);
    connect(survey_, &QPushButton::clicked, this, &CMeterWnd::openSurvey);
    connect(plot_, &SurveyPlot::cursorsChanged, this, &CMeterWnd::showFigures);
    connect(plot_, &SurveyPlot::spanChanged, this,
            [this] { back_->setEnabled(plot_->span().canGoBack()); });

    auto* bar = new QHBoxLayout;
    bar->addWidget(whole);
    bar->addWidget(back_);
    bar->addStretch();
    bar->addWidget(survey_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(status_);
    layout->addLayout(bar);
    layout->addWidget(plot_, 1);
    layout->addWidget(figures_);
    layout->addWidget(exceedanceTitle_);
    layout->addWidget(exceedances_);

    // The hour moves on with the clock even when nothing comes.
    timer_->setInterval(1000);
    connect(timer_, &QTimer::timeout, this, &CMeterWnd::refresh);
    timer_->start();
    refresh();
}

QString CMeterWnd::surveyFolder() const {
    if (archive_.isEmpty())
        return {};
    const FleetMeter& m = fleet_.meters()[row_];
    const QString folder =
        QDir(archive_).filePath(QString::fromStdString(archiveMeterFolder(m.site, m.meter)));
    return QDir(folder).exists() ? folder : QString();
}

void CMeterWnd::setDatabase(const QString& url) {
    database_ = url;
    refresh();
}

QString CMeterWnd::surveyUrl() const {
    if (database_.isEmpty())
        return {};
    const FleetMeter& m = fleet_.meters()[row_];
    return database_ +
           (database_.contains(QLatin1Char('?')) ? QLatin1Char('&') : QLatin1Char('?')) +
           QStringLiteral("site=%1&meter=%2")
               .arg(QString::fromStdString(m.site), QString::fromStdString(m.meter));
}

void CMeterWnd::openSurvey() {
    if (!database_.isEmpty()) {
        std::string error;
        if (const auto source = parseDatabaseInput(surveyUrl().toStdString(), error))
            CSurveyWnd::openDatabase(*source, this);
        else
            prompt().inform(this, QString::fromStdString(error), QStringLiteral("Vrel"),
                            Prompt::Icon::Warning);
        return;
    }
    const QString folder = surveyFolder();
    if (!folder.isEmpty())
        CSurveyWnd::open(folder, this);
}

void CMeterWnd::refresh() {
    const FleetMeter& m = fleet_.meters()[row_];
    series_ = levelSeries(m);
    const SeriesMs now = meterClock(m, clock_.nowMs());
    plot_->setSteps(intervalSteps(m));
    plot_->followSeries(&series_, now - hourMs, now);

    const auto cell = [this](int column) {
        return table_.index(static_cast<int>(row_), column).data().toString();
    };
    QString text = tr("%1 — seviye %2").arg(cell(FleetTable::Status), cell(FleetTable::Level));
    if (m.interval)
        text += tr(" — son aralık Leq %1 dB, %2 bitti, kapsam %3")
                    .arg(cell(FleetTable::IntervalLeq), cell(FleetTable::IntervalEnd),
                         cell(FleetTable::Coverage));
    if (m.overLimit)
        text += tr(" — sınır aşıldı");
    status_->setText(text);
    showExceedances(m);

    if (!database_.isEmpty()) {
        survey_->setEnabled(true);
        survey_->setToolTip(tr("Ölçüm penceresinde veritabanından açılır"));
        return;
    }
    const QString folder = surveyFolder();
    survey_->setEnabled(!folder.isEmpty());
    survey_->setToolTip(
        folder.isEmpty()
            ? (archive_.isEmpty()
                   ? tr("Arşiv klasörü seçilmedi (vrel-cli collect)")
                   : tr("%1 içinde bu ölçerin arşivi yok").arg(QDir::toNativeSeparators(archive_)))
            : tr("%1 ölçüm penceresinde açılır").arg(QDir::toNativeSeparators(folder)));
}

void CMeterWnd::showExceedances(const FleetMeter& m) {
    const SurveyMs hourAgo = clock_.nowMs() - hourMs;
    QStringList lines;
    const QString unit = QString::fromStdString(m.weighting.empty() ? "dB" : m.weighting);
    // Newest first: the one that just happened is what the user looks for.
    for (auto e = m.exceedances.rbegin(); e != m.exceedances.rend(); ++e) {
        if (e->endMs <= hourAgo)
            continue;
        const QString start = QString::fromStdString(e->start.substr(11, 8));
        const QString line = tr("%1  Lmax %2 %3, %4 sn, SEL %5")
                                 .arg(start)
                                 .arg(e->lmax, 0, 'f', 1)
                                 .arg(unit)
                                 .arg(std::lround(e->seconds))
                                 .arg(e->sel, 0, 'f', 1);
        lines << (e->ended ? line : tr("%1 — sürüyor").arg(line));
    }
    if (lines.isEmpty())
        lines << tr("Son saatte sınır üstü olay yok.");
    if (exceedances_->count() == lines.size()) {
        bool same = true;
        for (int i = 0; i < lines.size() && same; ++i)
            same = exceedances_->item(i)->text() == lines[i];
        if (same)
            return; // the refresh each second keeps the user's selection
    }
    exceedances_->clear();
    exceedances_->addItems(lines);
}

QString CMeterWnd::statusText() const {
    return status_->text();
}

QString CMeterWnd::figuresText() const {
    return figures_->text();
}

void CMeterWnd::showFigures() {
    const auto a = plot_->cursorA();
    const auto b = plot_->cursorB();
    if (series_.empty()) {
        figures_->setText(tr("Bu ölçerden henüz seviye gelmedi."));
        return;
    }
    if (!a || !b) {
        const LevelSum all = series_.sumOf(0, series_.size());
        figures_->setText(tr("Son saat: Leq %1 dB, Lmax %2 dB, Lmin %3 dB. Tıklama A imlecini, "
                             "sağ tıklama B imlecini koyar.")
                              .arg(dB(all.leq()), dB(all.lmax()), dB(all.lmin())));
        return;
    }
    const SeriesMs t0 = std::min(*a, *b);
    const SeriesMs t1 = std::max(*a, *b);
    const LevelSum span = series_.sum(t0, t1);
    const auto clock = [this](SeriesMs t) {
        return QString::fromStdString(seriesDateTime(series_, t));
    };
    figures_->setText(
        tr("A–B, %1 – %2: Leq %3 dB, Lmax %4 dB, Lmin %5 dB, %n okuma", nullptr,
           static_cast<int>(span.count))
            .arg(clock(t0), clock(t1), dB(span.leq()), dB(span.lmax()), dB(span.lmin())));
}
