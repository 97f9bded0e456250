#include "app/RecordingFeature.h"

#include "app/MainForm.h"
#include "app/MyVrelView.h"
#include "config/ColorConfig.h"
#include "files/SeriesFiles.h"
#include "graph/CGraphicsBtn.h"
#include "graph/PlotReadouts.h"
#include "link/MeterLink.h"
#include "link/MeterSession.h"
#include "live/RecordingController.h"
#include "live/RtSetupDlg.h"
#include "settings/DlgColorSet.h"
#include "ui/Prompt.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTableView>

namespace {

QString stopNote(GapCause cause, const LocalTime& at) {
    const QString time = QStringLiteral("%1:%2:%3")
                             .arg(at.hour, 2, 10, QLatin1Char('0'))
                             .arg(at.minute, 2, 10, QLatin1Char('0'))
                             .arg(at.second, 2, 10, QLatin1Char('0'));
    switch (cause) {
    case GapCause::Hold:
        return RecordingFeature::tr("Kayıt durdu (%1): ölçer HOLD konumunda.").arg(time);
    case GapCause::Disconnected:
        return RecordingFeature::tr("Kayıt durdu (%1): ölçerin bağlantısı koptu; ölçer dönünce "
                                    "kaydı yeniden başlatın.")
            .arg(time);
    case GapCause::Silence:
    case GapCause::None:
    case GapCause::Pending:
        break;
    }
    return RecordingFeature::tr("Kayıt durdu (%1): ölçer %2 saniyedir sessiz; ölçer dönünce "
                                "kaydı yeniden başlatın.")
        .arg(time)
        .arg(silenceSeconds);
}

void setEnabled(const RecordingFeature::ActionLookup& actions, CommandId id, bool on) {
    if (!actions)
        return;
    if (QAction* a = actions(id))
        a->setEnabled(on);
}

} // namespace

RecordingFeature::RecordingFeature(CMyVrelView& view, ActionLookup actions)
    : QObject(&view), view_(view), actions_(std::move(actions)),
      journal_(RecordingJournal::defaultPath(appDataFolder())) {
    graph_ = new CGraphicsBtn;
    view.setGraphWidget(graph_);
    const Form& form = view.form();
    auto* horizontal = form.get<QScrollBar>(MainFormId::hScroll);
    auto* vertical = form.get<QScrollBar>(MainFormId::vScroll);
    RecordList& series = view.realTimeRecords();
    readouts_ = new PlotReadouts(&view, graph_, horizontal, vertical,
                                 [&series]() -> const RecordList& { return series; });

    auto* table = form.get<QTableView>(MainFormId::table);
    // Up to 40,000 rows: fixed row heights keep appending cheap.
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 4);
    controller_ = new RecordingController(
        series, &view, graph_, table, [&view] { return liveSample(view.session()); }, appClock(),
        this);
    view.setRealTimeStats(controller_->stats(), this);
    connect(controller_, &RecordingController::recordingChanged, this,
            &RecordingFeature::onRecordingChanged);
    connect(controller_, &RecordingController::sampled, this, &RecordingFeature::journalSample);
    connect(controller_, &RecordingController::cleared, this, [this] { journal_.discard(); });
    connect(&view, &CMyVrelView::meterEndsRecording, controller_, &RecordingController::endByMeter);
    connect(controller_, &RecordingController::ended, this, &RecordingFeature::onEnded);
    stopNote_ = form.get<QLabel>(MainFormId::stopNote);
    stopNote_->setWordWrap(false);
    QPalette notePalette = stopNote_->palette();
    notePalette.setColor(QPalette::WindowText, QColor(170, 20, 20));
    stopNote_->setPalette(notePalette);

    connect(form.get<QPushButton>(MainFormId::zoomBack), &QPushButton::clicked, readouts_,
            &PlotReadouts::zoomBack);
    connect(form.get<QPushButton>(MainFormId::showCurve), &QPushButton::clicked, this,
            &RecordingFeature::showCurve);
    connect(form.get<QPushButton>(MainFormId::showTable), &QPushButton::clicked, this,
            &RecordingFeature::showTable);

    view.onCommand(CommandId::StartRecording, [this] { start(); });
    view.onCommand(CommandId::StopRecording, [this] { stop(); });
    view.onCommand(CommandId::ClearRecording, [this] { clear(); });
    view.onCommand(CommandId::RecordingSettings, [this] { settings(); });
    view.onCommand(CommandId::SaveAs, [this] { saveAs(); });
    view.onCommand(CommandId::ExportToExcel, [this] { exportToSpreadsheet(); });
    view.onCommand(CommandId::PrintDiagram, [this] { printDiagram(); });
    view.onCommand(CommandId::PrintData, [this] { printData(); });
    view.onCommand(CommandId::ColourSettings, [this] { colorSettings(); });

    enableActions(false);
    graph_->Redraw(series);
}

const SeriesStats& RecordingFeature::stats() const {
    return controller_->stats();
}

bool RecordingFeature::recording() const {
    return controller_->recording();
}

void RecordingFeature::enableActions(bool recording) {
    setEnabled(actions_, CommandId::StartRecording, !recording);
    setEnabled(actions_, CommandId::StopRecording, recording);
    setEnabled(actions_, CommandId::ClearRecording, !recording);
    setEnabled(actions_, CommandId::RecordingSettings, !recording);
}

void RecordingFeature::onRecordingChanged(bool recording) {
    view_.link().withDecoder([recording](MeterDecoder& d) { d.recording = recording; });
    enableActions(recording);
    if (recording) {
        stopNote_->clear();
        journalErrorShown_ = false;
        if (!journal_.start(controller_->stats().samplingRate))
            reportJournalError();
    } else {
        journal_.stop();
        if (journal_.error())
            reportJournalError();
    }
}

RecordingFeature::~RecordingFeature() {
    journal_.discard();
}

void RecordingFeature::journalSample(const CObjData& sample) {
    if (journal_.writing() && !journal_.append(sample))
        reportJournalError();
}

// Once per recording, and the recording goes on: losing the safety copy must
// not cost the measurement.
void RecordingFeature::reportJournalError() {
    if (journalErrorShown_ || !journal_.error())
        return;
    journalErrorShown_ = true;
    showStatus(tr("Kaydın güvenlik kopyası yazılamıyor (%1); kayıt yalnızca bellekte sürüyor.")
                   .arg(QString::fromStdString(*journal_.error())));
}

void RecordingFeature::showStatus(const QString& text) {
    if (auto* frame = qobject_cast<QMainWindow*>(view_.window()))
        frame->statusBar()->showMessage(text);
}

void RecordingFeature::offerJournal() {
    const auto path = journal_.path();
    if (!std::filesystem::exists(path) || recording())
        return;
    const auto records = RecordingJournal::recover(path);
    if (records && records->empty()) {
        journal_.discard(); // a header alone: nothing was recorded
        return;
    }
    const QString question =
        records ? QCoreApplication::translate("RecordingFeature",
                                              "Son kayıt (%n örnek) program kapanmadan önce "
                                              "kaydedilmemiş. Geri yüklensin mi?",
                                              nullptr, records->count())
                : QCoreApplication::translate("RecordingFeature",
                                              "Programın son çalışmasından kalan kayıt "
                                              "okunamıyor. Bir dosya olarak saklandı.");
    const Prompt::Answer answer = prompt().message(
        &view_, {question, tr("Kaydedilmemiş kayıt"),
                 records ? Prompt::Buttons::YesNo : Prompt::Buttons::Ok, Prompt::Icon::Question});
    if (records && answer == Prompt::Answer::Yes) {
        // The journal stays: the restored samples are still unsaved.
        controller_->restore(*records);
        return;
    }
    const auto aside = RecordingJournal::keepAside(path, appClock());
    if (aside)
        showStatus(tr("Kaydedilmemiş kayıt %1 olarak saklandı")
                       .arg(QString::fromStdString(aside->string())));
}

void RecordingFeature::start() {
    if (!view_.link().snapshot().connected)
        return;
    if (!view_.realTimeRecords().empty()) {
        const Prompt::Answer answer =
            prompt().message(&view_, {QStringLiteral("Geçerli verileri kaydetmek ister misiniz?"),
                                      tr("Kaydedilmemiş veriler"), Prompt::Buttons::YesNoCancel,
                                      Prompt::Icon::Question});
        if (answer == Prompt::Answer::Cancel)
            return;
        // Only data that reached its file is discarded.
        if (answer == Prompt::Answer::Yes &&
            SaveSeriesAs(&view_, view_.realTimeRecords()) != FileCommandResult::Written)
            return;
    }
    controller_->start();
}

void RecordingFeature::stop() {
    if (controller_->recording())
        controller_->stop();
}

void RecordingFeature::onEnded(RecordingRun::End why, GapCause cause) {
    if (why != RecordingRun::End::ByMeter)
        return;
    const QString note = stopNote(cause, appClock().localNow());
    stopNote_->setText(note);
    showStatus(note);
}

void RecordingFeature::clear() {
    const Prompt::Answer answer =
        prompt().message(&view_, {QStringLiteral("Verileri sil"), tr("Gerçek zamanlı veriler"),
                                  Prompt::Buttons::OkCancel, Prompt::Icon::Question});
    if (answer == Prompt::Answer::Ok)
        controller_->clear();
}

void RecordingFeature::settings() {
    if (!view_.link().snapshot().connected)
        return;
    CRTSetup dialog(controller_->sampleLimit(), &view_);
    if (dialog.exec() != QDialog::Accepted)
        return;
    controller_->setSampleLimit(dialog.dataSetCount());
    view_.form().get<QComboBox>(MainFormId::interval)->setCurrentIndex(dialog.rateIndex());
    start();
}

void RecordingFeature::showCurve() {
    if (!tableMode_)
        return;
    const Form& form = view_.form();
    for (int id : {MainFormId::graph, MainFormId::hScroll, MainFormId::vScroll})
        form.control(id)->show();
    form.control(MainFormId::table)->hide();
    tableMode_ = false;
}

void RecordingFeature::showTable() {
    if (tableMode_)
        return;
    const Form& form = view_.form();
    auto* table = form.get<QTableView>(MainFormId::table);
    table->show();
    for (int id : {MainFormId::graph, MainFormId::hScroll, MainFormId::vScroll})
        form.control(id)->hide();
    tableMode_ = true;
    // While hidden the table is not scrolled along with the recording.
    if (recording())
        table->scrollToBottom();
}

void RecordingFeature::saveAs() {
    // Saved while still recording, the journal keeps going for what follows.
    if (SaveSeriesAs(&view_, view_.realTimeRecords()) == FileCommandResult::Written && !recording())
        journal_.discard();
}

void RecordingFeature::exportToSpreadsheet() {
    ExportSeries(&view_, view_.realTimeRecords(), stats(), ExportSource::MainView);
}

void RecordingFeature::printDiagram() {
    printer_.printDiagram(&view_, view_.realTimeRecords(), stats(), *graph_, graph_->width());
}

void RecordingFeature::printData() {
    printer_.printData(&view_, view_.realTimeRecords(), stats());
}

void RecordingFeature::colorSettings() {
    ChangeGraphColors(&view_, *graph_);
    graph_->Redraw(view_.realTimeRecords());
    view_.update();
}

RecordingFeature* attachRecording(CMyVrelView& view, RecordingFeature::ActionLookup actions) {
    if (RecordingFeature* existing = recordingFeature(view))
        return existing;
    return new RecordingFeature(view, std::move(actions));
}

RecordingFeature* recordingFeature(const CMyVrelView& view) {
    return view.findChild<RecordingFeature*>(QString(), Qt::FindDirectChildrenOnly);
}
