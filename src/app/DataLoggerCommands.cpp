#include "app/DataLoggerCommands.h"

#include "app/MyVrelView.h"
#include "link/MeterLink.h"
#include "logger/DataLogDlg.h"
#include "logger/LogState.h"
#include "logger/LoggerFiles.h"
#include "surveywindow/SurveyWindow.h"
#include "ui/Prompt.h"

#include <utility>

DataLoggerCommands::DataLoggerCommands(CMyVrelView& view)
    : QObject(&view), view_(view), download_(view.link()) {
    view_.onCommand(CommandId::DownloadLogger, [this] { startDownload(); });
    view_.onCommand(CommandId::OpenDataFile, [this] { openDataFile(); });

    connect(&download_, &LoggerDownload::progress, this, [this](int value, int maximum) {
        if (progress_)
            progress_->setProgress(value, maximum);
    });
    connect(&download_, &LoggerDownload::finished, this, &DataLoggerCommands::onDownloadFinished);
    // The watchdog and timer 4 have already ended the decoder's download: the
    // progress dialog closes, the view tells the user, and only then does the
    // window come up, so the message is never buried under it.
    connect(&view_, &CMyVrelView::loggerDownloadEnded, &download_, &LoggerDownload::fail);
    connect(&view_, &CMyVrelView::loggerDownloadFailureShown, this, [this] {
        if (std::exchange(windowAfterFailure_, false))
            showWindow();
    });
}

DataLoggerCommands::~DataLoggerCommands() = default;

// A survey folder opens as one measurement in a window of its own, owned by
// the main window so that it closes with it.
SurveyFolderOpener DataLoggerCommands::surveyOpener() const {
    return [&view = view_](const QString& folder) { CSurveyWnd::open(folder, view.window()); };
}

void DataLoggerCommands::startDownload() {
    const MeterLink::Snapshot snap = view_.link().snapshot();
    if (snap.recording) {
        prompt().inform(&view_, QStringLiteral("Please stop the Real Time Runing!"),
                        tr("Veri kaydedici"));
        return;
    }
    if (!snap.connected || download_.running())
        return;

    if (window_)
        window_->clearSelection();
    view_.loggerRecords().clear();
    view_.startLoggerTimeout();
    download_.start();

    if (!progress_) {
        progress_ = new CLogState(view_.window());
        // Esc ends the download early; the window then shows what is complete.
        connect(progress_, &QDialog::rejected, &download_, &LoggerDownload::cancel);
    }
    progress_->setProgress(0, 0);
    progress_->open();
}

void DataLoggerCommands::onDownloadFinished(LoggerDownload::Outcome outcome) {
    if (outcome != LoggerDownload::Outcome::Failed)
        view_.timer(4).stop();
    if (progress_ && progress_->isVisible())
        progress_->done(QDialog::Accepted);
    // The records change hands here, on this thread, in one piece.
    view_.loggerRecords() = download_.takeRecords();
    if (outcome == LoggerDownload::Outcome::Failed)
        windowAfterFailure_ = true;
    else
        showWindow();
}

void DataLoggerCommands::openDataFile() {
    show(askAndReadDataFile(&view_, surveyOpener()));
}

bool DataLoggerCommands::openPath(const QString& path) {
    if (!show(readDataPath(&view_, path, surveyOpener())))
        return false;
    // A file handed over from the desktop or the command line is there to be
    // looked at: its first set shows without a double click.
    window_->chooseFirstRow();
    return true;
}

bool DataLoggerCommands::show(std::optional<RecordList> records) {
    if (!records)
        return false;
    if (window_)
        window_->clearSelection();
    view_.loggerRecords() = std::move(*records);
    showWindow();
    return true;
}

void DataLoggerCommands::showWindow() {
    if (!window_)
        window_ = std::make_unique<CDataLogDlg>(view_.loggerRecords(), surveyOpener());
    else
        window_->rebuild();
    window_->showNormal();
    window_->raise();
    window_->activateWindow();
    emit windowShown();
}

void attachDataLogger(CMyVrelView& view) {
    if (!dataLoggerOf(view))
        new DataLoggerCommands(view);
}

DataLoggerCommands* dataLoggerOf(const CMyVrelView& view) {
    return view.findChild<DataLoggerCommands*>(QString(), Qt::FindDirectChildrenOnly);
}
