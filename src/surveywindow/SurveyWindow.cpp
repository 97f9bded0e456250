#include "surveywindow/SurveyWindow.h"

#include "config/ColorConfig.h"
#include "config/ProfileFile.h"
#include "link/MeterSession.h"
#include "model/Clock.h"
#include "mqtt/MqttPublisher.h"
#include "recording/Recording.h"
#include "survey/SeriesBackground.h"
#include "survey/SurveyWeather.h"
#include "surveywindow/LiveSurvey.h"
#include "surveywindow/SurveyExports.h"
#include "surveywindow/SurveyPlot.h"
#include "ui/LevelLimit.h"
#include "ui/Prompt.h"
#include "ui/WindowReport.h"

#include <QCloseEvent>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QShortcut>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>

namespace {

constexpr std::int64_t hourMs = 3600 * 1000;
constexpr std::int64_t dayMs = 24 * hourMs;

// Where the window keeps whether it was maximised.
constexpr const char* windowSection = "SurveyWindow";
constexpr const char* maximizedKey = "Maximized";

// The view catches up with the series this often at most: the figures of a
// whole survey cost a pass over its readings.
constexpr int growthRefreshMs = 500;

std::int64_t floorTo(std::int64_t v, std::int64_t step) {
    const std::int64_t q = v / step;
    return (v % step < 0 ? q - 1 : q) * step;
}

} // namespace

CSurveyWnd* CSurveyWnd::open(const QString& folder, QWidget* parent) {
    auto* w = new CSurveyWnd(folder, parent);
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->showRemembered();
    w->startReading();
    return w;
}

CSurveyWnd* CSurveyWnd::openDatabase(const PgSeriesSource& source, QWidget* parent) {
    // Named by site and meter: the URL may hold a password.
    auto* w = new CSurveyWnd(
        tr("%1/%2 (veritabanı)")
            .arg(QString::fromStdString(source.site), QString::fromStdString(source.meter)),
        parent);
    w->database_ = source;
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->showRemembered();
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
    w->showRemembered();
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
      plot_(new SurveyPlot(this)), spanLabel_(new QLabel(this)), cursorsLabel_(new QLabel(this)),
      clearCursorsButton_(new QPushButton(tr("İmleçleri kaldır"), this)), status_(new QLabel(this)),
      progress_(new QProgressBar(this)), cancelButton_(new QPushButton(tr("İptal"), this)),
      backButton_(new QPushButton(tr("Geri"), this)),
      hourlyButton_(new QPushButton(tr("Saatlik tablo"), this)),
      stopButton_(new QPushButton(tr("Durdur"), this)), writeProblem_(new QLabel(this)),
      figureTables_(this) {
    setWindowTitle(tr("Ölçüm: %1").arg(QDir::toNativeSeparators(folder)));
    resize(1100, 720);
    marks_ = new MarksEditor(appClock(), this);
    markList_ =
        makeSurveyTable({tr("Başlangıç"), tr("Süre"), tr("Tür"), tr("Etiket"), tr("Not")}, this);
    markList_->setObjectName(QStringLiteral("marks"));
    marksLabel_ = new QLabel(this);
    marksLabel_->setObjectName(QStringLiteral("marksLine"));
    markButton_ = new QPushButton(tr("İşaretle…"), this);
    markButton_->setObjectName(QStringLiteral("mark"));
    markButton_->setToolTip(tr("A-B arasını işaretle: hariç, artık ses, olay ya da not "
                               "(Ctrl ile sürükleyerek de)"));
    editMarkButton_ = new QPushButton(tr("Düzenle…"), this);
    deleteMarkButton_ = new QPushButton(tr("Sil"), this);
    editMarkButton_->setObjectName(QStringLiteral("editMark"));
    deleteMarkButton_->setObjectName(QStringLiteral("deleteMark"));
    auto* weatherButton = new QPushButton(tr("Hava verisi…"), this);
    weatherButton->setObjectName(QStringLiteral("weather"));
    weatherButton->setToolTip(
        tr("Bir hava istasyonunun CSV dosyasından rüzgârı 5 m/s üstündeki satırları hariç tut"));
    auto* allReadings = new QPushButton(tr("Bütün okumalar"), this);
    allReadings->setObjectName(QStringLiteral("allReadings"));
    allReadings->setCheckable(true);
    allReadings->setToolTip(tr("İşaretlere bakmadan bütün okumaların değerleri"));
    connect(markButton_, &QPushButton::clicked, this, &CSurveyWnd::markSpan);
    connect(weatherButton, &QPushButton::clicked, this, &CSurveyWnd::importWeather);
    connect(allReadings, &QPushButton::toggled, this, &CSurveyWnd::showAllReadings);
    auto selectedMark = [this]() -> std::optional<std::size_t> {
        const int row = markList_->currentRow();
        if (row < 0 || row >= static_cast<int>(marks_->marks().size()))
            return std::nullopt;
        return static_cast<std::size_t>(row);
    };
    connect(editMarkButton_, &QPushButton::clicked, this, [this, selectedMark] {
        if (const auto i = selectedMark())
            editMark(*i);
    });
    connect(deleteMarkButton_, &QPushButton::clicked, this, [this, selectedMark] {
        if (const auto i = selectedMark())
            deleteMark(*i);
    });
    connect(markList_, &QTableWidget::cellClicked, this, [this](int row, int) {
        if (row < 0 || row >= static_cast<int>(marks_->marks().size()) || !plot_->series())
            return;
        const SurveyMark& m = marks_->marks().all()[static_cast<std::size_t>(row)];
        const SeriesMs a = seriesTimeOf(read_->series, m.start, appClock());
        const SeriesMs b = seriesTimeOf(read_->series, m.end, appClock());
        // The mark with some of what lies around it.
        const SeriesMs margin = std::max<SeriesMs>((b - a) / 4, 60'000);
        plot_->showSpan(a - margin, b + margin);
    });
    connect(markList_, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int) { editMark(static_cast<std::size_t>(row)); });
    connect(markList_, &QTableWidget::itemSelectionChanged, this, [this, selectedMark] {
        editMarkButton_->setEnabled(selectedMark().has_value());
        deleteMarkButton_->setEnabled(selectedMark().has_value());
    });
    editMarkButton_->setEnabled(false);
    deleteMarkButton_->setEnabled(false);
    auto* undo = new QShortcut(QKeySequence::Undo, this);
    connect(undo, &QShortcut::activated, &marks_->history(), &QUndoStack::undo);
    auto* redo = new QShortcut(QKeySequence::Redo, this);
    connect(redo, &QShortcut::activated, &marks_->history(), &QUndoStack::redo);
    connect(marks_, &MarksEditor::changed, this, &CSurveyWnd::marksChanged);
    connect(marks_, &MarksEditor::writeFailed, this, [this](const QString& reason) {
        prompt().inform(this, tr("İşaretler yazılamadı: %1").arg(reason), QStringLiteral("Vrel"),
                        Prompt::Icon::Warning);
    });

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
    hourlyButton_->setObjectName(QStringLiteral("hourlyTable"));
    connect(whole, &QPushButton::clicked, plot_, &SurveyPlot::showWhole);
    connect(day, &QPushButton::clicked, this, &CSurveyWnd::showDay);
    connect(hour, &QPushButton::clicked, this, &CSurveyWnd::showHour);
    connect(backButton_, &QPushButton::clicked, plot_, &SurveyPlot::back);
    connect(hourlyButton_, &QPushButton::toggled, this, [this](bool on) {
        if (on)
            fillHourly();
        figureTables_.hourly()->setVisible(on);
        fitTables();
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

    auto* cursors = new QHBoxLayout;
    cursorsLabel_->setObjectName(QStringLiteral("cursors"));
    cursorsLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // On a narrow screen the times go on a second line rather than off the edge.
    cursorsLabel_->setWordWrap(true);
    spanLabel_->setWordWrap(true);
    clearCursorsButton_->setObjectName(QStringLiteral("clearCursors"));
    clearCursorsButton_->setToolTip(tr("A ve B imleçlerini kaldır (Esc)"));
    clearCursorsButton_->setShortcut(QKeySequence(Qt::Key_Escape));
    connect(clearCursorsButton_, &QPushButton::clicked, this, &CSurveyWnd::clearCursors);
    cursors->addWidget(cursorsLabel_, 1);
    cursors->addWidget(clearCursorsButton_);
    cursors->addWidget(markButton_);
    cursors->addWidget(weatherButton);
    cursors->addWidget(allReadings);

    auto* loading = new QHBoxLayout;
    loading->addWidget(status_, 1);
    loading->addWidget(marksLabel_, 1);
    loading->addWidget(progress_);
    loading->addWidget(cancelButton_);
    loading->addWidget(stopButton_);

    eventBox_ = new QGroupBox(tr("Olayları bul"), this);
    eventBox_->setObjectName(QStringLiteral("events"));
    eventBox_->setCheckable(true);
    auto spin = [this](const char* name, double max, const QString& suffix, const QString& tip) {
        auto* box = new QDoubleSpinBox(this);
        box->setObjectName(QString::fromLatin1(name));
        box->setRange(0, max);
        box->setDecimals(1);
        box->setSuffix(suffix);
        box->setToolTip(tip);
        // Each change finds the events again: not at every key.
        box->setKeyboardTracking(false);
        return box;
    };
    eventAbove_ = spin("eventAbove", 200, tr(" dB"),
                       tr("Bir olay bu seviyenin üstündeki bir okumayla başlar"));
    eventHysteresis_ = spin("eventHysteresis", 50, tr(" dB"),
                            tr("Olay, okumalar eşiğin bu kadar altına inene dek sürer"));
    eventMerge_ = spin("eventMerge", 3600, tr(" s"),
                       tr("Aralarındaki sessizlik en çok bu kadar olan olaylar birleşir"));
    eventMin_ = spin("eventMin", 3600, tr(" s"), tr("Bundan kısa olaylar sayılmaz"));
    // Two rows of two: the list below keeps the panel's width.
    auto* rules = new QGridLayout;
    const std::pair<QString, QDoubleSpinBox*> fields[] = {{tr("Eşik"), eventAbove_},
                                                          {tr("Histerezis"), eventHysteresis_},
                                                          {tr("Birleştir"), eventMerge_},
                                                          {tr("En kısa"), eventMin_}};
    for (int i = 0; i < 4; ++i) {
        rules->addWidget(new QLabel(fields[i].first, this), i / 2, i % 2 * 2);
        rules->addWidget(fields[i].second, i / 2, i % 2 * 2 + 1);
    }
    eventBox_->setLayout(rules);
    eventTable_ =
        makeSurveyTable({tr("No"), tr("Başlangıç"), tr("Süre (s)"), tr("Lmax"), tr("SEL")}, this);
    eventTable_->setObjectName(QStringLiteral("eventList"));
    eventTable_->horizontalHeader()->setSectionsClickable(true);
    eventTable_->horizontalHeader()->setSortIndicatorShown(true);
    eventsLabel_ = new QLabel(this);
    eventsLabel_->setObjectName(QStringLiteral("eventsLine"));
    auto* markEventButton = new QPushButton(tr("Olay olarak işaretle"), this);
    auto* excludeEventButton = new QPushButton(tr("Hariç tut"), this);
    markEventButton->setObjectName(QStringLiteral("markEvent"));
    excludeEventButton->setObjectName(QStringLiteral("excludeEvent"));
    excludeEventButton->setToolTip(tr("Seçili olayı hariç tutma işaretine çevir"));
    auto selectedEvent = [this]() -> std::optional<std::size_t> {
        const int row = eventTable_->currentRow();
        if (row < 0 || row >= static_cast<int>(events_.size()))
            return std::nullopt;
        return static_cast<std::size_t>(row);
    };
    connect(markEventButton, &QPushButton::clicked, this, [this, selectedEvent] {
        if (const auto row = selectedEvent())
            markEvent(*row, MarkKind::Event);
    });
    connect(excludeEventButton, &QPushButton::clicked, this, [this, selectedEvent] {
        if (const auto row = selectedEvent())
            markEvent(*row, MarkKind::Exclude);
    });
    connect(eventTable_, &QTableWidget::cellClicked, this,
            [this](int row, int) { zoomToEvent(static_cast<std::size_t>(row)); });
    connect(eventTable_->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { sortEvents(static_cast<EventList::Column>(column)); });
    eventSettings_ =
        rememberedEventSettings(programSettingsPath(), QFile::encodeName(folder_).toStdString());
    eventBox_->setChecked(eventSettings_.on);
    eventAbove_->setValue(eventSettings_.rules.aboveDb);
    eventHysteresis_->setValue(eventSettings_.rules.hysteresisDb);
    eventMerge_->setValue(eventSettings_.rules.mergeSeconds);
    eventMin_->setValue(eventSettings_.rules.minSeconds);
    connect(eventBox_, &QGroupBox::toggled, this, &CSurveyWnd::eventRulesEdited);
    for (QDoubleSpinBox* box : {eventAbove_, eventHysteresis_, eventMerge_, eventMin_})
        connect(box, &QDoubleSpinBox::valueChanged, this, &CSurveyWnd::eventRulesEdited);
    auto* eventPanel = new QWidget(this);
    auto* eventColumn = new QVBoxLayout(eventPanel);
    eventColumn->setContentsMargins(4, 4, 4, 4);
    eventColumn->addWidget(eventBox_);
    auto* eventButtons = new QHBoxLayout;
    eventButtons->addWidget(eventsLabel_, 1);
    eventButtons->addWidget(markEventButton);
    eventButtons->addWidget(excludeEventButton);
    eventColumn->addLayout(eventButtons);
    eventColumn->addWidget(eventTable_, 1);

    // Each table as wide as what it shows (fitTables); the marks take the rest.
    tables_ = new QSplitter(Qt::Horizontal, this);
    tables_->setChildrenCollapsible(false);
    // Only a drag by the user moves it (setSizes does not tell).
    connect(tables_, &QSplitter::splitterMoved, this, [this] { tablesArranged_ = true; });
    for (QTableWidget* t : {figureTables_.figures(), figureTables_.daily(), figureTables_.hourly()})
        tables_->addWidget(t);
    auto* markPanel = new QWidget(this);
    auto* markColumn = new QVBoxLayout(markPanel);
    markColumn->setContentsMargins(0, 0, 0, 0);
    auto* markButtons = new QHBoxLayout;
    markButtons->addStretch(1);
    markButtons->addWidget(editMarkButton_);
    markButtons->addWidget(deleteMarkButton_);
    markColumn->addLayout(markButtons);
    markColumn->addWidget(markList_, 1);
    auto* side = new QTabWidget(this);
    side->setObjectName(QStringLiteral("sideTabs"));
    side->addTab(markPanel, tr("İşaretler"));
    side->addTab(eventPanel, tr("Olaylar"));
    tables_->addWidget(side);
    tables_->setStretchFactor(3, 1);

    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(plot_);
    split->addWidget(tables_);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addLayout(cursors);
    layout->addWidget(split, 1);
    layout->addWidget(writeProblem_);
    layout->addLayout(loading);

    plot_->setLimit(levelLimit().value());
    connect(&levelLimit(), &LevelLimit::changed, plot_, &SurveyPlot::setLimit);
    connect(plot_, &SurveyPlot::spanChanged, this, &CSurveyWnd::spanMoved);
    connect(plot_, &SurveyPlot::cursorsChanged, this, &CSurveyWnd::cursorsMoved);
    connect(plot_, &SurveyPlot::spanToMark, this, &CSurveyWnd::markSpanOf);
    connect(plot_, &SurveyPlot::markMenuAsked, this, &CSurveyWnd::showMarkMenu);
    connect(plot_, &SurveyPlot::eventClicked, this, [this](std::size_t index) {
        if (index >= events_.events().size())
            return;
        const auto [a, b] = eventView(events_.events()[index]);
        plot_->showSpan(a, b);
    });
    connect(figureTables_.daily(), &QTableWidget::cellClicked, this,
            [this](int row, int) { dayClicked(row); });
    connect(figureTables_.hourly(), &QTableWidget::cellClicked, this, [this](int row, int) {
        const QTableWidgetItem* item = figureTables_.hourly()->item(row, 0);
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
    if (database_)
        load_->startDatabase(*database_, *read_, backgroundQuarters_);
    else
        load_->start(QFile::encodeName(folder_).toStdString(), *read_, backgroundQuarters_);
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
                         .arg(tr("%Ln okuma", nullptr, static_cast<int>(s.size())),
                              tr("%Ln dosya", nullptr, static_cast<int>(read_->files.size())),
                              QString::fromStdString(seriesDateTime(s, s.start())),
                              QString::fromStdString(seriesDateTime(s, s.end()))));
    plot_->setSeries(&s);
    loadMarks();
    if (database_) {
        // Nothing here writes back to the database: marking is not offered.
        status_->setText(status_->text() + QStringLiteral(" — ") +
                         tr("veritabanından, işaretler salt okunur"));
        for (QPushButton* b : {markButton_, editMarkButton_, deleteMarkButton_})
            b->setEnabled(false);
    }
    cursorsMoved();
    fitTables();
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
    if (plot_->series() != &read_->series) {
        // Nothing was read: the folder's marks are read now.
        plot_->setSeries(&read_->series);
        loadMarks();
    }
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
    // A mark past the readings so far lands on the series as it grows.
    seriesMarks_ = marks_->marks().inSeries(s, appClock());
    plot_->setMarks(shownMarks(marks_->marks(), s, appClock()));
    showFigures(WholeSurvey, s.start(), s.end());
    cursorsMoved();
    fillDaily();
    if (figureTables_.hourly()->isVisible())
        fillHourly();
}

void CSurveyWnd::showSurveyStatus() {
    if (!live_)
        return;
    status_->setTextFormat(Qt::RichText);
    status_->setText(live_->statusText());
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
        tr("Ölçüm durduruldu: %Ln örnek, %1 klasöründe.", nullptr, static_cast<int>(r.samples()))
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
    const std::filesystem::path path = programSettingsPath();
    ProfileFile settings = ProfileFile::load(path);
    settings.setValue(windowSection, maximizedKey, isMaximized() ? "1" : "0");
    // Not worth a message: the window opens as it did before.
    std::error_code ec;
    if (path.has_parent_path())
        std::filesystem::create_directories(path.parent_path(), ec);
    settings.save(path);
    event->accept();
}

bool CSurveyWnd::opensMaximized() {
    return ProfileFile::load(programSettingsPath()).intValue(windowSection, maximizedKey, 1) != 0;
}

void CSurveyWnd::showRemembered() {
    if (opensMaximized())
        showMaximized();
    else
        show();
}

void CSurveyWnd::fitTables() {
    // The figures whole; the day and hour tables as wide as they are while
    // the marks keep 200 px, narrower and scrolling side to side when the
    // window is short of room; the marks take what is left.
    constexpr int marksWidth = 200;
    const auto [figures, daily, hourly] = figureTables_.widths();
    const int room = std::max(0, tables_->width() - figures - marksWidth);
    int d = daily, h = hourly;
    if (d + h > room) {
        d = static_cast<int>(static_cast<long long>(room) * daily / (daily + hourly));
        h = room - d;
    }
    tables_->setSizes({figures, d, h, std::max(tables_->width() - figures - d - h, marksWidth)});
}

void CSurveyWnd::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // Tables the user has arranged keep their shares as the splitter scales them.
    if (!tablesArranged_)
        fitTables();
}

void CSurveyWnd::fillDaily() {
    const SeriesStore& s = read_->series;
    days_ = dailyFigures(s, bounds_, figureMarks());
    const std::vector<SeriesSpan>& excluded = figureMarks().excluded;
    const bool withEvents = eventSettings_.on && !s.empty();
    if (withEvents) {
        PassKey key{s.start(), static_cast<long long>(s.size()), excluded, bounds_,
                    eventSettings_.rules};
        if (!(key == eventsKey_)) {
            eventsFound_ =
                findEvents(s, s.start(), s.end(), eventSettings_.rules, excluded, bounds_);
            eventsKey_ = std::move(key);
        }
        putEventDays(days_, eventsFound_);
        events_.set(eventsFound_.events);
    } else {
        events_.set({});
    }
    plot_->setEvents(events_.events());
    fillEventList();
    backgroundQuarters_.update(s, excluded);
    figureTables_.showDays(days_, withEvents, backgroundQuarters_.levels(bounds_));
}

void CSurveyWnd::fillEventList() {
    eventTable_->setRowCount(static_cast<int>(events_.size()));
    for (std::size_t r = 0; r < events_.size(); ++r) {
        const std::vector<std::string> cells = events_.cells(r);
        for (std::size_t c = 0; c < cells.size(); ++c)
            setSurveyCell(eventTable_, static_cast<int>(r), static_cast<int>(c),
                          QString::fromStdString(cells[c]));
    }
    eventTable_->horizontalHeader()->setSortIndicator(
        events_.sortColumn(), events_.descending() ? Qt::DescendingOrder : Qt::AscendingOrder);
    eventTable_->resizeColumnsToContents();
    eventsLabel_->setText(
        eventSettings_.on ? tr("%n olay", nullptr, static_cast<int>(events_.size())) : QString());
}

void CSurveyWnd::eventRulesEdited() {
    eventSettings_.on = eventBox_->isChecked();
    eventSettings_.rules = {eventAbove_->value(), eventHysteresis_->value(), eventMerge_->value(),
                            eventMin_->value()};
    // Remembered for the folder; a settings file that cannot be written
    // loses no more than the next opening's defaults.
    rememberEventSettings(programSettingsPath(), QFile::encodeName(folder_).toStdString(),
                          eventSettings_);
    if (!loaded_)
        return;
    fillDaily();
    fitTables();
}

void CSurveyWnd::setEventSettings(const EventSettings& settings) {
    const QSignalBlocker b0(eventBox_), b1(eventAbove_), b2(eventHysteresis_), b3(eventMerge_),
        b4(eventMin_);
    eventBox_->setChecked(settings.on);
    eventAbove_->setValue(settings.rules.aboveDb);
    eventHysteresis_->setValue(settings.rules.hysteresisDb);
    eventMerge_->setValue(settings.rules.mergeSeconds);
    eventMin_->setValue(settings.rules.minSeconds);
    eventRulesEdited();
}

void CSurveyWnd::sortEvents(EventList::Column column) {
    events_.sortBy(column);
    fillEventList();
}

void CSurveyWnd::zoomToEvent(std::size_t row) {
    if (row >= events_.size() || !plot_->series())
        return;
    const auto [a, b] = eventView(events_.at(row));
    plot_->showSpan(a, b);
}

void CSurveyWnd::markEvent(std::size_t row, MarkKind kind) {
    if (row >= events_.size() || read_->series.empty())
        return;
    const SurveyMark mark =
        eventMark(events_.at(row), kind, tr("olay").toStdString(), read_->series, appClock());
    if (const auto problem = marks_->add(mark))
        prompt().inform(this, tr("İşaret eklenemedi: %1").arg(QString::fromStdString(*problem)),
                        QStringLiteral("Vrel"), Prompt::Icon::Warning);
}

void CSurveyWnd::dayClicked(int row) {
    if (row < 0 || row >= static_cast<int>(days_.size()))
        return;
    const DayFigures& d = days_[static_cast<std::size_t>(row)];
    hourlyDay_ = static_cast<std::size_t>(row);
    plot_->showSpan(d.start, d.end);
    if (figureTables_.hourly()->isVisible())
        fillHourly();
}

void CSurveyWnd::fillHourly() {
    const SeriesStore& s = read_->series;
    const bool oneDay = hourlyDay_ && *hourlyDay_ < days_.size();
    figureTables_.showHours(
        oneDay ? hourlyFigures(s, days_[*hourlyDay_].start, days_[*hourlyDay_].end, figureMarks())
               : hourlyFigures(s, s.start(), s.end(), figureMarks()));
}

void CSurveyWnd::showFigures(int column, SeriesMs t0, SeriesMs t1) {
    // An empty span is left without figures, not computed.
    const std::optional<SpanFigures> f =
        t1 > t0 ? std::optional(spanFigures(read_->series, t0, t1, bounds_, figureMarks()))
                : std::nullopt;
    if (column == WholeSurvey) {
        // How much the marks leave out, said beside their list.
        QString text = tr("%Ln işaret", nullptr, static_cast<int>(marks_->marks().size()));
        if (f && (f->excluded.count || f->residual.count))
            text += tr("; hariç %1 okuma (%2), artık ses %3 okuma (%4)")
                        .arg(QLocale().toString(static_cast<qulonglong>(f->excluded.count)),
                             elapsed(static_cast<SurveyMs>(f->excluded.seconds * 1000)),
                             QLocale().toString(static_cast<qulonglong>(f->residual.count)),
                             elapsed(static_cast<SurveyMs>(f->residual.seconds * 1000)));
        if (allReadings_)
            text += tr("; değerler bütün okumaların");
        marksLabel_->setText(text);
    }
    figureTables_.showSpan(column, f);
}

QString CSurveyWnd::cursorsText() const {
    const auto a = plot_->cursorA();
    const auto b = plot_->cursorB();
    if (!a && !b)
        return tr("İmleç yok: tıklama A'yı, sağ tıklama B'yi koyar.");
    const SeriesStore& s = read_->series;
    auto at = [&s](SeriesMs t) { return QString::fromStdString(seriesDateTime(s, t)); };
    QStringList parts;
    if (a)
        parts << tr("A: %1").arg(at(*a));
    if (b)
        parts << tr("B: %1").arg(at(*b));
    if (a && b)
        parts << tr("A–B: %1").arg(elapsed(std::max(*a, *b) - std::min(*a, *b)));
    return parts.join(QStringLiteral("   "));
}

void CSurveyWnd::clearCursors() {
    plot_->setCursors(std::nullopt, std::nullopt);
}

void CSurveyWnd::cursorsMoved() {
    const auto a = plot_->cursorA();
    const auto b = plot_->cursorB();
    clearCursorsButton_->setEnabled(a || b);
    cursorsLabel_->setText(loaded_ && !read_->series.empty() ? cursorsText() : QString());
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
    // Wrapped, if at all, between the two times, each kept whole.
    auto at = [&s](SeriesMs t) {
        return QString::fromStdString(seriesDateTime(s, t)).replace(QLatin1Char(' '), QChar::Nbsp);
    };
    spanLabel_->setText(
        QStringLiteral("%1 – %2").arg(at(plot_->span().t0()), at(plot_->span().t1())));
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
    auto at = [&s](SeriesMs t) { return QString::fromStdString(seriesDateTime(s, t)); };
    if (plot_->cursorA() && plot_->cursorB()) {
        const SeriesMs a = std::min(*plot_->cursorA(), *plot_->cursorB());
        const SeriesMs b = std::max(*plot_->cursorA(), *plot_->cursorB());
        reportSurveySpan(
            this, s, a, b, reportMarks(),
            tr("Rapor A–B arasını kapsar: %1 – %2 (%3).").arg(at(a), at(b), elapsed(b - a)),
            reportEvents());
    } else {
        reportSurveySpan(this, s, s.start(), s.end(), reportMarks(),
                         tr("Rapor bütün ölçümü kapsar: %1 – %2.").arg(at(s.start()), at(s.end())),
                         reportEvents());
    }
}

std::optional<EventRules> CSurveyWnd::reportEvents() const {
    if (!eventSettings_.on)
        return std::nullopt;
    return eventSettings_.rules;
}

void CSurveyWnd::exportTables() {
    if (loaded_ && !read_->series.empty())
        exportSurveyTables(this, read_->series, bounds_, reportMarks(), reportEvents());
}

void CSurveyWnd::loadMarks() {
    const std::string path =
        QFile::encodeName(QDir(folder_).filePath(QString::fromLatin1(marksFileName))).toStdString();
    const MarksRead& read =
        database_
            ? marks_->show(
                  parseMarks(load_->marksText().value_or(std::string()), marksFileName),
                  tr("Veritabanından okunan ölçümün işaretleri değiştirilemez.").toStdString())
            : marks_->load(path);
    QStringList said;
    if (read.status == MarksRead::Status::CannotRead || read.status == MarksRead::Status::NotMarks)
        said << QString::fromStdString(read.error);
    for (const std::string& problem : read.problems)
        said << QString::fromStdString(problem);
    if (!said.isEmpty())
        prompt().inform(this,
                        tr("İşaretlerin bir kısmı okunamadı; okunanlar gösteriliyor:") +
                            QLatin1Char('\n') + said.join(QLatin1Char('\n')),
                        QStringLiteral("Vrel"), Prompt::Icon::Warning);
}

const SurveyMarks& CSurveyWnd::reportMarks() const {
    static const SurveyMarks none;
    return allReadings_ ? none : marks_->marks();
}

const SeriesMarks& CSurveyWnd::figureMarks() const {
    static const SeriesMarks none;
    return allReadings_ ? none : seriesMarks_;
}

void CSurveyWnd::marksChanged() {
    const SeriesStore& s = read_->series;
    seriesMarks_ = marks_->marks().inSeries(s, appClock());
    plot_->setMarks(shownMarks(marks_->marks(), s, appClock()));
    fillMarkList();
    if (!loaded_ || s.empty())
        return;
    showFigures(WholeSurvey, s.start(), s.end());
    cursorsMoved();
    fillDaily();
    if (figureTables_.hourly()->isVisible())
        fillHourly();
}

void CSurveyWnd::showAllReadings(bool on) {
    allReadings_ = on;
    marksChanged();
}

QString CSurveyWnd::markKindText(MarkKind kind) const {
    switch (kind) {
    case MarkKind::Exclude:
        return tr("hariç");
    case MarkKind::Residual:
        return tr("artık ses");
    case MarkKind::Event:
        return tr("olay");
    case MarkKind::Note:
        break;
    }
    return tr("not");
}

void CSurveyWnd::fillMarkList() {
    const std::vector<SurveyMark>& all = marks_->marks().all();
    markList_->setRowCount(static_cast<int>(all.size()));
    for (int r = 0; r < static_cast<int>(all.size()); ++r) {
        const MarkRow row = markRow(all[static_cast<std::size_t>(r)], appClock());
        const QString cells[] = {QString::fromStdString(row.from),
                                 QString::fromStdString(row.length), markKindText(row.kind),
                                 QString::fromStdString(row.label),
                                 QString::fromStdString(row.note)};
        for (int c = 0; c < 5; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setTextAlignment(c == 1 ? Qt::AlignRight | Qt::AlignVCenter
                                          : Qt::AlignLeft | Qt::AlignVCenter);
            markList_->setItem(r, c, item);
        }
    }
    markList_->resizeColumnsToContents();
}

namespace {

// The dialog's answer as a mark over [from, to).
std::optional<SurveyMark> markOf(const std::optional<Prompt::MarkRequest>& answer, SurveyMs from,
                                 SurveyMs to) {
    if (!answer)
        return std::nullopt;
    const std::optional<MarkKind> kind = markKindOf(answer->kind.toStdString());
    return SurveyMark{from, to, kind.value_or(MarkKind::Note), answer->label.toStdString(),
                      answer->note.toStdString()};
}

QStringList qStrings(const std::vector<std::string>& texts) {
    QStringList out;
    for (const std::string& t : texts)
        out << QString::fromStdString(t);
    return out;
}

} // namespace

void CSurveyWnd::markSpan() {
    const auto a = plot_->cursorA();
    const auto b = plot_->cursorB();
    if (!a || !b || *a == *b) {
        prompt().inform(this, tr("İşaretlemek için A ve B imleçlerini koyun."),
                        QStringLiteral("Vrel"), Prompt::Icon::Information);
        return;
    }
    markSpanOf(std::min(*a, *b), std::max(*a, *b));
}

void CSurveyWnd::markSpanOf(SeriesMs a, SeriesMs b) {
    if (!loaded_ || read_->series.empty() || b <= a)
        return;
    const SeriesStore& s = read_->series;
    Prompt::MarkRequest request;
    request.span = tr("%1 – %2 (%3)")
                       .arg(QString::fromStdString(seriesDateTime(s, a)),
                            QString::fromStdString(seriesDateTime(s, b)), elapsed(b - a));
    request.recentLabels = qStrings(recentLabels(marks_->marks()));
    request.label = request.recentLabels.value(0);
    const std::optional<SurveyMark> mark =
        markOf(prompt().mark(this, request), instantOfSeries(s, a, appClock()),
               instantOfSeries(s, b, appClock()));
    if (!mark)
        return;
    if (const auto problem = marks_->add(*mark))
        prompt().inform(this, tr("İşaret eklenemedi: %1").arg(QString::fromStdString(*problem)),
                        QStringLiteral("Vrel"), Prompt::Icon::Warning);
}

void CSurveyWnd::editMark(std::size_t index) {
    if (index >= marks_->marks().size())
        return;
    const SurveyMark m = marks_->marks().all()[index];
    const MarkRow row = markRow(m, appClock());
    Prompt::MarkRequest request;
    request.span = QStringLiteral("%1 (%2)").arg(QString::fromStdString(row.from),
                                                 QString::fromStdString(row.length));
    request.kind = QString::fromLatin1(markKindName(m.kind));
    request.label = QString::fromStdString(m.label);
    request.note = QString::fromStdString(m.note);
    request.recentLabels = qStrings(recentLabels(marks_->marks()));
    const std::optional<SurveyMark> edited = markOf(prompt().mark(this, request), m.start, m.end);
    if (!edited)
        return;
    if (const auto problem = marks_->replace(index, *edited))
        prompt().inform(this,
                        tr("İşaret değiştirilemedi: %1").arg(QString::fromStdString(*problem)),
                        QStringLiteral("Vrel"), Prompt::Icon::Warning);
}

void CSurveyWnd::deleteMark(std::size_t index) {
    if (const auto problem = marks_->remove(index))
        prompt().inform(this, tr("İşaret silinemedi: %1").arg(QString::fromStdString(*problem)),
                        QStringLiteral("Vrel"), Prompt::Icon::Warning);
}

void CSurveyWnd::showMarkMenu(std::size_t index, const QPoint& globalPos) {
    QMenu menu(this);
    menu.addAction(tr("Düzenle…"), this, [this, index] { editMark(index); });
    menu.addAction(tr("Sil"), this, [this, index] { deleteMark(index); });
    menu.exec(globalPos);
}

void CSurveyWnd::importWeather() {
    if (!loaded_)
        return;
    Prompt::FileRequest request;
    request.mode = Prompt::FileRequest::Mode::Open;
    request.caption = tr("Hava verisi");
    request.filters = {tr("CSV dosyası (*.csv)"), tr("Bütün dosyalar (*)")};
    const QString path = prompt().file(this, request).path;
    if (path.isEmpty())
        return;
    const WeatherMarks weather =
        readWeatherMarks(QFile::encodeName(path).toStdString(), WeatherOptions{}, appClock());
    if (!weather.error.empty()) {
        prompt().inform(this, QString::fromStdString(weather.error), QStringLiteral("Vrel"),
                        Prompt::Icon::Warning);
        return;
    }
    std::optional<std::string> problem;
    const std::size_t added = marks_->addNew(weather.marks, &problem);
    if (problem)
        prompt().inform(this, tr("İşaretler eklenemedi: %1").arg(QString::fromStdString(*problem)),
                        QStringLiteral("Vrel"), Prompt::Icon::Warning);
    else
        prompt().inform(this, tr("%Ln işaret eklendi.", nullptr, static_cast<int>(added)),
                        QStringLiteral("Vrel"), Prompt::Icon::Information);
}
