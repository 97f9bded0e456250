#include "surveywindow/SurveyWindow.h"

#include "link/MeterSession.h"
#include "model/Clock.h"
#include "mqtt/MqttPublisher.h"
#include "recording/Recording.h"
#include "survey/SeriesTables.h"
#include "surveywindow/LiveSurvey.h"
#include "surveywindow/SurveyExports.h"
#include "surveywindow/SurveyPlot.h"
#include "ui/LevelLimit.h"
#include "ui/Prompt.h"
#include "ui/WindowReport.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

constexpr std::int64_t hourMs = 3600 * 1000;
constexpr std::int64_t dayMs = 24 * hourMs;

QTableWidget* makeTable(const QStringList& headings, QWidget* parent) {
    auto* t = new QTableWidget(0, static_cast<int>(headings.size()), parent);
    t->setHorizontalHeaderLabels(headings);
    t->verticalHeader()->hide();
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    return t;
}

void setCell(QTableWidget* t, int row, int column, const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(column == 0 ? Qt::AlignLeft | Qt::AlignVCenter
                                       : Qt::AlignRight | Qt::AlignVCenter);
    t->setItem(row, column, item);
}

// A figure the window cannot give shows as this.
constexpr std::string_view noFigure = "-";

template <class Row> QStringList headingsOf(const FigureTable<Row>& table) {
    const Language language = interfaceLanguage();
    QStringList out{QString::fromUtf8(table.heading.in(language))};
    for (const TableColumn<Row>& c : table.columns)
        out << QString::fromUtf8(c.heading.in(language));
    return out;
}

template <class Row>
void setRow(QTableWidget* t, int r, const FigureTable<Row>& table, const Row& row) {
    setCell(t, r, 0, QString::fromStdString(table.name(row)));
    for (std::size_t c = 0; c < table.columns.size(); ++c)
        setCell(t, r, static_cast<int>(c) + 1,
                QString::fromStdString(figureText(table.columns[c], row, noFigure)));
}

QString elapsed(SurveyMs ms) {
    const long long s = std::max<SurveyMs>(0, ms) / 1000;
    return QStringLiteral("%1:%2:%3")
        .arg(s / 3600, 2, 10, QLatin1Char('0'))
        .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

// The view catches up with the series this often at most: the figures of a
// whole survey cost a pass over its readings.
constexpr int growthRefreshMs = 500;

// The last level while the meter is away.
const QColor staleColour(140, 140, 140);

std::int64_t floorTo(std::int64_t v, std::int64_t step) {
    const std::int64_t q = v / step;
    return (v % step < 0 ? q - 1 : q) * step;
}

} // namespace

CSurveyWnd* CSurveyWnd::open(const QString& folder, QWidget* parent) {
    auto* w = new CSurveyWnd(folder, parent);
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->show();
    w->startReading();
    return w;
}

CSurveyWnd* CSurveyWnd::startSurvey(MeterSession& session, const SurveySettings& settings,
                                    QWidget* parent, std::unique_ptr<MqttPublisher> publisher) {
    const QString folder = QFile::decodeName(settings.dir.c_str());
    auto* w = new CSurveyWnd(folder, parent);
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->session_ = &session;
    w->surveyToStart_ = settings;
    w->publisherToStart_ = std::move(publisher);
    w->show();
    // A folder that holds a survey is read first, so the curve shows all of
    // it; a new one starts at once.
    if (settings.previousEnd)
        w->startReading();
    else
        w->beginSurvey();
    return w;
}

CSurveyWnd::CSurveyWnd(const QString& folder, QWidget* parent)
    : QWidget(parent, Qt::Window), folder_(folder), read_(std::make_unique<SeriesRead>()),
      load_(new SurveyFolderLoad(this)), bounds_(WindowReport::noiseSettings().bounds),
      plot_(new SurveyPlot(this)), spanLabel_(new QLabel(this)), status_(new QLabel(this)),
      progress_(new QProgressBar(this)), cancelButton_(new QPushButton(tr("İptal"), this)),
      backButton_(new QPushButton(tr("Geri"), this)),
      hourlyButton_(new QPushButton(tr("Saatlik tablo"), this)),
      stopButton_(new QPushButton(tr("Durdur"), this)), writeProblem_(new QLabel(this)),
      figures_(makeTable({tr("Değer"), tr("Tümü"), tr("A-B arası")}, this)),
      daily_(makeTable(headingsOf(dailyFiguresTable()), this)),
      hourly_(makeTable(headingsOf(hourlyFiguresTable()), this)) {
    setWindowTitle(tr("Ölçüm: %1").arg(QDir::toNativeSeparators(folder)));
    resize(1100, 720);

    auto* whole = new QPushButton(tr("Tümü"), this);
    auto* day = new QPushButton(tr("Gün"), this);
    auto* hour = new QPushButton(tr("Saat"), this);
    auto* reportButton = new QPushButton(tr("Rapor…"), this);
    auto* exportButton = new QPushButton(tr("Excel'e aktar…"), this);
    reportButton->setToolTip(tr("A-B arasının raporu; imleçler yoksa bütün ölçümün"));
    exportButton->setToolTip(tr("Günlük ve saatlik tablolar bir Excel dosyasına"));
    connect(reportButton, &QPushButton::clicked, this, &CSurveyWnd::report);
    connect(exportButton, &QPushButton::clicked, this, &CSurveyWnd::exportTables);
    whole->setObjectName(QStringLiteral("whole"));
    day->setObjectName(QStringLiteral("day"));
    hour->setObjectName(QStringLiteral("hour"));
    backButton_->setObjectName(QStringLiteral("back"));
    whole->setToolTip(tr("Bütün ölçümü göster (Home)"));
    day->setToolTip(tr("Ortadaki günü göster, gündüz başlangıcından ertesi güne"));
    hour->setToolTip(tr("Ortadaki saati göster"));
    backButton_->setToolTip(tr("Bir önceki görünüme dön (Backspace)"));
    hourlyButton_->setCheckable(true);
    connect(whole, &QPushButton::clicked, plot_, &SurveyPlot::showWhole);
    connect(day, &QPushButton::clicked, this, &CSurveyWnd::showDay);
    connect(hour, &QPushButton::clicked, this, &CSurveyWnd::showHour);
    connect(backButton_, &QPushButton::clicked, plot_, &SurveyPlot::back);
    connect(hourlyButton_, &QPushButton::toggled, this, [this](bool on) {
        if (on && hourly_->rowCount() == 0)
            fillHourly();
        hourly_->setVisible(on);
    });
    connect(cancelButton_, &QPushButton::clicked, load_, &SurveyFolderLoad::cancel);
    connect(load_, &SurveyFolderLoad::finished, this, &CSurveyWnd::readingDone);
    stopButton_->setObjectName(QStringLiteral("stopSurvey"));
    stopButton_->setToolTip(tr("Ölçümü bitir: açık aralık ve boşluk yazılır, dosyalar kapanır"));
    stopButton_->hide();
    connect(stopButton_, &QPushButton::clicked, this, &CSurveyWnd::stopSurvey);
    writeProblem_->setWordWrap(true);
    writeProblem_->hide();
    growth_ = new QTimer(this);
    growth_->setSingleShot(true);
    growth_->setInterval(growthRefreshMs);
    connect(growth_, &QTimer::timeout, this, &CSurveyWnd::showGrowth);

    auto* bar = new QHBoxLayout;
    for (QWidget* w : {static_cast<QWidget*>(whole), static_cast<QWidget*>(day),
                       static_cast<QWidget*>(hour), static_cast<QWidget*>(backButton_)})
        bar->addWidget(w);
    bar->addSpacing(12);
    bar->addWidget(spanLabel_, 1);
    bar->addWidget(hourlyButton_);
    bar->addWidget(reportButton);
    bar->addWidget(exportButton);

    auto* loading = new QHBoxLayout;
    loading->addWidget(status_, 1);
    loading->addWidget(progress_);
    loading->addWidget(cancelButton_);
    loading->addWidget(stopButton_);

    const auto& figureRows = spanFigureRows();
    const int rows = static_cast<int>(figureRows.size());
    figures_->setRowCount(rows);
    for (int r = 0; r < rows; ++r)
        setCell(figures_, r, 0,
                QString::fromUtf8(
                    figureRows[static_cast<std::size_t>(r)].heading.in(interfaceLanguage())));
    figures_->setSelectionMode(QAbstractItemView::NoSelection);
    figures_->setMinimumWidth(260);
    // Every figure in sight, also when a line about writing takes room.
    figures_->setMinimumHeight(figures_->horizontalHeader()->sizeHint().height() +
                               rows * figures_->verticalHeader()->defaultSectionSize() +
                               2 * figures_->frameWidth());

    auto* tables = new QSplitter(Qt::Horizontal, this);
    tables->addWidget(figures_);
    tables->addWidget(daily_);
    tables->addWidget(hourly_);
    tables->setStretchFactor(1, 2);
    tables->setStretchFactor(2, 1);
    hourly_->hide();

    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(plot_);
    split->addWidget(tables);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(split, 1);
    layout->addWidget(writeProblem_);
    layout->addLayout(loading);

    plot_->setLimit(levelLimit().value());
    connect(&levelLimit(), &LevelLimit::changed, plot_, &SurveyPlot::setLimit);
    connect(plot_, &SurveyPlot::spanChanged, this, &CSurveyWnd::spanMoved);
    connect(plot_, &SurveyPlot::cursorsChanged, this, &CSurveyWnd::cursorsMoved);
    connect(daily_, &QTableWidget::cellClicked, this, [this](int row, int) {
        if (row >= 0 && row < static_cast<int>(days_.size()))
            plot_->showSpan(days_[static_cast<std::size_t>(row)].start,
                            days_[static_cast<std::size_t>(row)].end);
    });
    connect(hourly_, &QTableWidget::cellClicked, this, [this](int row, int) {
        const QTableWidgetItem* item = hourly_->item(row, 0);
        if (item)
            plot_->showSpan(item->data(Qt::UserRole).toLongLong(),
                            item->data(Qt::UserRole + 1).toLongLong());
    });
}

CSurveyWnd::~CSurveyWnd() {
    // The reading writes into read_: it ends before read_ does.
    delete load_;
}

void CSurveyWnd::startReading() {
    status_->setText(tr("Okunuyor: %1").arg(QDir::toNativeSeparators(folder_)));
    progress_->setRange(0, 0);
    auto* poll = new QTimer(this);
    poll->setInterval(100);
    connect(poll, &QTimer::timeout, this, &CSurveyWnd::showProgress);
    connect(this, &CSurveyWnd::readingEnded, poll, &QTimer::stop);
    poll->start();
    load_->start(QFile::encodeName(folder_).toStdString(), *read_);
}

void CSurveyWnd::showProgress() {
    const std::size_t total = load_->total();
    if (total == 0)
        return;
    progress_->setRange(0, static_cast<int>(total));
    progress_->setValue(static_cast<int>(load_->done()));
}

void CSurveyWnd::readingDone() {
    progress_->hide();
    cancelButton_->hide();
    emit readingEnded();
    switch (read_->status) {
    case SeriesRead::Status::Cancelled:
        status_->setText(surveyToStart_ ? tr("Okuma durduruldu; ölçüm başlatılmadı.")
                                        : tr("Okuma durduruldu."));
        return;
    case SeriesRead::Status::CannotList:
        status_->setText(QString::fromStdString(read_->error));
        prompt().inform(this, QString::fromStdString(read_->error), QStringLiteral("ERROR"),
                        Prompt::Icon::Warning);
        return;
    case SeriesRead::Status::NoReadings:
        if (surveyToStart_) {
            // Files without readings: the survey starts as in a new folder.
            beginSurvey();
            return;
        }
        status_->setText(tr("%1 klasöründe ölçüm yok.").arg(QDir::toNativeSeparators(folder_)));
        prompt().inform(this, status_->text(), QStringLiteral("ERROR"), Prompt::Icon::Warning);
        return;
    case SeriesRead::Status::Ok:
        break;
    }
    loaded_ = true;
    const SeriesStore& s = read_->series;
    status_->setText(tr("%1, %2, %3 – %4")
                         .arg(tr("%n okuma", nullptr, static_cast<int>(s.size())),
                              tr("%n dosya", nullptr, static_cast<int>(read_->files.size())),
                              QString::fromStdString(seriesDateTime(s, s.start())),
                              QString::fromStdString(seriesDateTime(s, s.end()))));
    plot_->setSeries(&s);
    showFigures(WholeSurvey, s.start(), s.end());
    fillDaily();
    if (!read_->problems.empty()) {
        // Named, and the rest is shown all the same.
        QStringList lines;
        for (const SeriesFileProblem& p : read_->problems)
            lines << QStringLiteral("%1: %2").arg(
                QDir::toNativeSeparators(QFile::decodeName(p.file.c_str())),
                QString::fromStdString(p.reason));
        prompt().inform(this,
                        tr("Bu dosyalar okunamadı; ölçümün geri kalanı gösteriliyor:") +
                            QLatin1Char('\n') + lines.join(QLatin1Char('\n')),
                        QStringLiteral("Vrel"), Prompt::Icon::Warning);
    }
    if (surveyToStart_)
        beginSurvey();
}

void CSurveyWnd::beginSurvey() {
    if (!session_ || !surveyToStart_)
        return;
    loaded_ = true;
    if (plot_->series() != &read_->series)
        plot_->setSeries(&read_->series);
    live_ = std::make_unique<LiveSurvey>(*session_, appClock(), *surveyToStart_, read_->series);
    surveyToStart_.reset();
    if (publisherToStart_)
        live_->publish(std::move(publisherToStart_));
    connect(live_.get(), &LiveSurvey::ticked, this, &CSurveyWnd::surveyTicked);
    connect(live_.get(), &LiveSurvey::writing, this, &CSurveyWnd::writingChanged);
    progress_->hide();
    cancelButton_->hide();
    stopButton_->show();
    live_->start();
    showSurveyStatus();
}

bool CSurveyWnd::surveyRunning() const {
    return live_ && live_->running();
}

void CSurveyWnd::surveyTicked(bool grew) {
    if (grew && !growth_->isActive())
        growth_->start();
    showTailGap();
    showSurveyStatus();
}

void CSurveyWnd::showTailGap() {
    std::optional<SeriesGap> gap = live_->tailGap();
    if (gap || plot_->tailGap())
        plot_->setTailGap(std::move(gap));
}

void CSurveyWnd::showGrowth() {
    const SeriesStore& s = read_->series;
    if (s.empty())
        return;
    plot_->seriesGrew();
    showFigures(WholeSurvey, s.start(), s.end());
    cursorsMoved();
    fillDaily();
    if (hourly_->isVisible())
        fillHourly();
}

void CSurveyWnd::showSurveyStatus() {
    if (!live_)
        return;
    const SurveyRunner& r = live_->runner();
    const long long samples = r.samples();
    const bool waiting = live_->running() && (r.inGap() || (session_ && session_->waiting()));
    QStringList parts;
    parts << tr("süre %1").arg(elapsed(appClock().nowMs() - r.startMs()))
          << tr("%1 örnek").arg(samples);
    if (samples) {
        const QString last =
            tr("son %1 %2")
                .arg(QString::number(r.lastLevel(), 'f', 1), QString::fromStdString(r.lastUnit()))
                .toHtmlEscaped();
        // Greyed while waiting: it is what the meter said last, not what it says now.
        parts << (waiting ? QStringLiteral("<span style=\"color:%1\">%2</span>")
                                .arg(staleColour.name(), last)
                          : last);
    }
    const AcousticSummary interval = r.intervalSoFar();
    parts << (interval.count ? tr("bu aralıkta Leq %1 dB").arg(interval.leq, 0, 'f', 2)
                             : tr("bu aralıkta henüz Leq yok"))
                 .toHtmlEscaped();
    parts << tr("%1 boşluk").arg(r.gapCount()).toHtmlEscaped();
    if (r.pendingSamples())
        parts << tr("%1 örnek bellekte bekliyor").arg(r.pendingSamples()).toHtmlEscaped();
    if (!live_->exceedanceNote().isEmpty())
        parts << live_->exceedanceNote().toHtmlEscaped();
    if (const MqttPublisher* publisher = live_->publisher()) {
        const MqttPublisher::State broker = publisher->state();
        if (broker.refused)
            parts << tr("broker satırları reddediyor").toHtmlEscaped();
        else if (!broker.connected)
            parts << tr("broker ulaşılamıyor").toHtmlEscaped();
        else
            parts << tr("yayında").toHtmlEscaped();
        if (broker.unsent)
            parts << tr("%n satır gönderilecek", nullptr, static_cast<int>(broker.unsent))
                         .toHtmlEscaped();
    }
    QString text =
        (live_->running() ? tr("Ölçüm sürüyor: ") : tr("Ölçüm durdu: ")).toHtmlEscaped() +
        parts.join(QStringLiteral(", "));
    if (waiting) {
        // The open gap's cause; a port waiting for its device before the
        // first tick of the gap is a pulled cable all the same.
        const std::optional<Gap>& gap = r.openGap();
        const QString cause = gapCauseText(gap ? gap->cause : std::string("disconnected"));
        text = QStringLiteral("<b>%1</b> ")
                   .arg(tr("Ölçer bekleniyor (%1).").arg(cause).toHtmlEscaped()) +
               text;
    }
    status_->setTextFormat(Qt::RichText);
    status_->setText(text);
}

void CSurveyWnd::writingChanged(bool failing, const QString& text) {
    QPalette pal = writeProblem_->palette();
    pal.setColor(QPalette::WindowText, failing ? QColor(170, 20, 20) : QColor(20, 110, 40));
    writeProblem_->setPalette(pal);
    if (!failing) {
        writeProblem_->setText(
            tr("Yazma yeniden çalışıyor; bellekte tutulan örneklerin hiçbiri kaybolmadı."));
        writeProblem_->show();
        return;
    }
    const QString said =
        tr("Ölçüm dosyaları yazılamıyor; örnekler bellekte tutuluyor, her saniye yeniden "
           "deneniyor ve örnekleme sürüyor.\n%1")
            .arg(text);
    writeProblem_->setText(said);
    writeProblem_->show();
    // Told once each time writing fails, after the tick that found it: the
    // message waits while sampling goes on. A disk that fails again while the
    // message is still up is only shown in the line above, so that an
    // unattended survey on a flaky disk does not pile messages up.
    if (tellingWriteProblem_)
        return;
    tellingWriteProblem_ = true;
    QTimer::singleShot(0, this, [this, said] {
        prompt().inform(this, said, QStringLiteral("Vrel"), Prompt::Icon::Warning);
        tellingWriteProblem_ = false;
    });
}

bool CSurveyWnd::stopSurvey() {
    if (!surveyRunning())
        return true;
    const bool ok = live_->stop();
    stopButton_->hide();
    growth_->stop();
    showGrowth();
    const SurveyRunner& r = live_->runner();
    showTailGap();
    status_->setTextFormat(Qt::PlainText);
    status_->setText(
        tr("Ölçüm durduruldu: %n örnek, %1 klasöründe.", nullptr, static_cast<int>(r.samples()))
            .arg(QDir::toNativeSeparators(folder_)));
    if (!ok)
        prompt().inform(this,
                        tr("%n örnek yazılamadı: %1", nullptr, static_cast<int>(r.pendingSamples()))
                            .arg(live_->writeProblem()),
                        QStringLiteral("Vrel"), Prompt::Icon::Warning);
    return ok;
}

void CSurveyWnd::closeEvent(QCloseEvent* event) {
    if (surveyRunning()) {
        const Prompt::Answer a = prompt().message(
            this, {tr("Bu pencerede ölçüm sürüyor. Ölçüm durdurulup dosyaları kapatılsın mı?"),
                   QStringLiteral("Vrel"), Prompt::Buttons::YesNo, Prompt::Icon::Question});
        if (a != Prompt::Answer::Yes) {
            event->ignore();
            return;
        }
        stopSurvey();
    }
    event->accept();
}

void CSurveyWnd::fillDaily() {
    days_ = dailyFigures(read_->series, bounds_);
    daily_->setRowCount(static_cast<int>(days_.size()));
    for (int r = 0; r < static_cast<int>(days_.size()); ++r)
        setRow(daily_, r, dailyFiguresTable(), days_[static_cast<std::size_t>(r)]);
}

void CSurveyWnd::fillHourly() {
    const SeriesStore& s = read_->series;
    const std::vector<HourFigures> hours = hourlyFigures(s, s.start(), s.end());
    hourly_->setRowCount(static_cast<int>(hours.size()));
    for (int r = 0; r < static_cast<int>(hours.size()); ++r) {
        const HourFigures& h = hours[static_cast<std::size_t>(r)];
        setRow(hourly_, r, hourlyFiguresTable(), h);
        hourly_->item(r, 0)->setData(Qt::UserRole, QVariant::fromValue<qlonglong>(h.start));
        hourly_->item(r, 0)->setData(Qt::UserRole + 1, QVariant::fromValue<qlonglong>(h.end));
    }
}

void CSurveyWnd::showFigures(int column, SeriesMs t0, SeriesMs t1) {
    const int c = column + 1;
    const auto& rows = spanFigureRows();
    // An empty span is left without figures, not computed.
    const std::optional<SpanFigures> f =
        t1 > t0 ? std::optional(spanFigures(read_->series, t0, t1, bounds_)) : std::nullopt;
    for (std::size_t r = 0; r < rows.size(); ++r)
        setCell(
            figures_, static_cast<int>(r), c,
            QString::fromStdString(f ? figureText(rows[r], *f, noFigure) : std::string(noFigure)));
}

void CSurveyWnd::cursorsMoved() {
    const auto a = plot_->cursorA();
    const auto b = plot_->cursorB();
    if (!loaded_ || read_->series.empty() || !a || !b) {
        showFigures(BetweenCursors, 0, 0);
        return;
    }
    showFigures(BetweenCursors, std::min(*a, *b), std::max(*a, *b));
}

void CSurveyWnd::spanMoved() {
    backButton_->setEnabled(plot_->span().canGoBack());
    if (!loaded_ || read_->series.empty())
        return;
    const SeriesStore& s = read_->series;
    spanLabel_->setText(QStringLiteral("%1 – %2").arg(
        QString::fromStdString(seriesDateTime(s, plot_->span().t0())),
        QString::fromStdString(seriesDateTime(s, plot_->span().t1()))));
}

void CSurveyWnd::showDay() {
    if (!loaded_ || read_->series.empty())
        return;
    const SeriesStore& s = read_->series;
    const TimeSpanView& v = plot_->span();
    const std::int64_t middle = s.localOf(v.t0() + (v.t1() - v.t0()) / 2);
    const std::int64_t start =
        floorTo(middle - bounds_.dayStart * hourMs, dayMs) + bounds_.dayStart * hourMs;
    plot_->showSpan(s.seriesOfLocal(start), s.seriesOfLocal(start + dayMs));
}

void CSurveyWnd::showHour() {
    if (!loaded_ || read_->series.empty())
        return;
    const SeriesStore& s = read_->series;
    const TimeSpanView& v = plot_->span();
    const std::int64_t start = floorTo(s.localOf(v.t0() + (v.t1() - v.t0()) / 2), hourMs);
    plot_->showSpan(s.seriesOfLocal(start), s.seriesOfLocal(start + hourMs));
}

void CSurveyWnd::report() {
    if (!loaded_ || read_->series.empty())
        return;
    const SeriesStore& s = read_->series;
    if (plot_->cursorA() && plot_->cursorB())
        reportSurveySpan(this, s, std::min(*plot_->cursorA(), *plot_->cursorB()),
                         std::max(*plot_->cursorA(), *plot_->cursorB()));
    else
        reportSurveySpan(this, s, s.start(), s.end());
}

void CSurveyWnd::exportTables() {
    if (loaded_ && !read_->series.empty())
        exportSurveyTables(this, read_->series, bounds_);
}
