#pragma once

#include "link/Download.h"
#include "logger/LoggerFiles.h"

#include <QObject>

#include <memory>
#include <optional>

class CDataLogDlg;
class CLogState;
class CMyVrelView;

// The main view's side of the data logger: the "DataLogger(&D)" command
// with its progress dialog, the "Aç" command, and the one DATALOGGER window
// they open.
class DataLoggerCommands : public QObject {
    Q_OBJECT
  public:
    explicit DataLoggerCommands(CMyVrelView& view);
    ~DataLoggerCommands() override;

    // CommandId::DownloadLogger.
    void startDownload();
    // CommandId::OpenDataFile.
    void openDataFile();
    // Opens a data file or survey folder as command 32790 does once it is
    // chosen, and shows its first set; true when the DATALOGGER window shows
    // it (a survey folder goes to a window of its own, a file that cannot be
    // read is told).
    bool openPath(const QString& path);

    // The window, once the first download or file has made it; else null.
    CDataLogDlg* window() const { return window_.get(); }
    CLogState* progressDialog() const { return progress_; }
    LoggerDownload& download() { return download_; }

  signals:
    // The DATALOGGER window was made anew and shown.
    void windowShown();

  private:
    SurveyFolderOpener surveyOpener() const;
    void onDownloadFinished(LoggerDownload::Outcome outcome);
    bool show(std::optional<RecordList> records);
    void showWindow();

    CMyVrelView& view_;
    LoggerDownload download_;
    CLogState* progress_ = nullptr;
    std::unique_ptr<CDataLogDlg> window_;
    bool windowAfterFailure_ = false; // a failed download's window waits for its message
};

// Gives the view its data logger commands; call once per view.
void attachDataLogger(CMyVrelView& view);
// The view's data logger side, or null before attachDataLogger.
DataLoggerCommands* dataLoggerOf(const CMyVrelView& view);
