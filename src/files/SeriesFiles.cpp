#include "files/SeriesFiles.h"

#include "config/ColorConfig.h"
#include "formats/DefaultFileName.h"
#include "formats/TextDataFile.h"
#include "model/Clock.h"
#include "ui/Prompt.h"
#include "ui/WindowReport.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

QString proposedName(const char* extension) {
    return QString::fromStdString(DefaultDataFileName(appClock(), extension));
}

FileCommandResult reportFailure(QWidget* parent, const QString& path, const std::string& reason) {
    ReportWriteFailure(parent, path, reason);
    return FileCommandResult::Failed;
}

} // namespace

FileCommandResult SaveSeriesAs(QWidget* parent, const RecordList& series) {
    if (series.empty())
        return FileCommandResult::NothingToWrite;
    Prompt::FileRequest request;
    request.mode = Prompt::FileRequest::Mode::Save;
    request.initialName = proposedName("txt");
    request.defaultSuffix = QStringLiteral("txt");
    request.filters = {QStringLiteral("Data File (*.txt)")};
    const Prompt::FileChoice choice = prompt().file(parent, request);
    if (choice.path.isEmpty())
        return FileCommandResult::Cancelled;
    std::string error;
    bool written = false;
    {
        WaitCursor wait;
        written = WriteTextDataFile(QFile::encodeName(choice.path).toStdString(), series, &error);
    }
    return written ? FileCommandResult::Written : reportFailure(parent, choice.path, error);
}

FileCommandResult ExportSeries(QWidget* parent, const RecordList& series, const SeriesStats& stats,
                               ExportSource source) {
    if (series.empty())
        return FileCommandResult::NothingToWrite;
    WaitCursor wait;
    Prompt::FileRequest request;
    request.mode = Prompt::FileRequest::Mode::Save;
    request.initialName = proposedName("xls");
    request.defaultSuffix = QStringLiteral("xls");
    request.filters = {QStringLiteral("Data File (*.xls)"),
                       QCoreApplication::translate("SeriesFiles", "Excel çalışma kitabı (*.xlsx)")};
    const Prompt::FileChoice choice = prompt().file(parent, request);
    if (choice.path.isEmpty())
        return FileCommandResult::Cancelled;

    QString path = choice.path;
    const QString suffix = QFileInfo(path).suffix().toLower();
    const bool workbook = suffix == QStringLiteral("xlsx") || choice.filterIndex == 1;
    if (workbook && suffix != QStringLiteral("xlsx")) {
        // The workbook filter chosen with the proposed ".xls" name: the name
        // follows the format. The dialog asked about the other name, so ask again.
        path = suffix == QStringLiteral("xls") ? path + QLatin1Char('x')
                                               : path + QStringLiteral(".xlsx");
        if (QFileInfo::exists(path) &&
            prompt().message(parent, {QCoreApplication::translate(
                                          "SeriesFiles", "%1 zaten var.\nDeğiştirilsin mi?")
                                          .arg(QDir::toNativeSeparators(path)),
                                      QStringLiteral("Excel'e aktar"), Prompt::Buttons::YesNo,
                                      Prompt::Icon::Warning}) != Prompt::Answer::Yes)
            return FileCommandResult::Cancelled;
    }
    const std::string file = QFile::encodeName(path).toStdString();
    std::string error;
    const bool written = workbook ? WriteSpreadsheetXlsx(file, series, stats, source, &error,
                                                         readLevelLimit(colorConfigPath()),
                                                         WindowReport::noiseSettings())
                                  : WriteSpreadsheetText(file, series, stats, source, &error);
    return written ? FileCommandResult::Written : reportFailure(parent, path, error);
}
