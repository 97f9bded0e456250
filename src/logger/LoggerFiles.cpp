#include "logger/LoggerFiles.h"

#include "config/ColorConfig.h"

#include "formats/DefaultFileName.h"
#include "formats/TextDataFile.h"
#include "model/Clock.h"
#include "survey/Survey.h"
#include "ui/Prompt.h"
#include "ui/WindowReport.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

const QString dataFilter = QStringLiteral("Data File(*.txt)");
const QString sheetFilter = QStringLiteral("Data File(*.xls)");
const QString errorCaption = QStringLiteral("ERROR");

struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

std::string localPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

void reportWriteFailure(QWidget* parent, const QString& path, const std::string& reason) {
    prompt().inform(parent,
                    QStringLiteral("Cannot save %1\n%2").arg(path, QString::fromStdString(reason)),
                    errorCaption, Prompt::Icon::Warning);
}

// Not one of the original program's fixed texts, so it speaks the interface's language.
QString workbookFilter() {
    return QCoreApplication::translate("LoggerFiles", "Excel çalışma kitabı (*.xlsx)");
}

QString surveyFilter() {
    return QCoreApplication::translate("LoggerFiles",
                                       "Ölçüm klasörü (summary.csv events.csv survey-*.txt)");
}

// A survey folder as data sets, one per file in time order, unless a survey
// window takes it.
std::optional<RecordList> readSurveyFolder(QWidget* parent, const QString& folder,
                                           const SurveyFolderOpener& openSurvey) {
    const QStringList names = QDir(folder).entryList(QDir::Files);
    const bool holdsSurvey = std::any_of(names.begin(), names.end(), [](const QString& n) {
        return isSurveyDataFileName(QFile::encodeName(n).toStdString());
    });
    if (openSurvey && holdsSurvey) {
        openSurvey(folder);
        return std::nullopt;
    }
    SurveyFolderRead read;
    {
        WaitCursor wait;
        read = ReadSurveyFolder(localPath(folder));
    }
    const QString file = QFile::decodeName(QByteArray::fromStdString(read.file));
    switch (read.status) {
    case SurveyFolderRead::Status::Ok:
        return std::move(read.records);
    case SurveyFolderRead::Status::NoSurvey:
        prompt().inform(parent,
                        QCoreApplication::translate("LoggerFiles",
                                                    "%1 klasöründe ölçüm dosyası (survey-*.txt) "
                                                    "yok.")
                            .arg(QDir::toNativeSeparators(folder)),
                        errorCaption, Prompt::Icon::Warning);
        break;
    case SurveyFolderRead::Status::WrongFormat:
        prompt().inform(parent,
                        QString::fromLatin1(dataFormatWrongText) + QLatin1Char('\n') +
                            QDir::toNativeSeparators(file),
                        QString::fromLatin1(dataFormatWrongCaption));
        break;
    case SurveyFolderRead::Status::CannotOpen:
        prompt().inform(parent, QString::fromStdString(read.error), errorCaption,
                        Prompt::Icon::Warning);
        break;
    }
    return std::nullopt;
}

} // namespace

std::optional<RecordList> askAndReadDataFile(QWidget* parent,
                                             const SurveyFolderOpener& openSurvey) {
    Prompt::FileRequest request;
    request.mode = Prompt::FileRequest::Mode::Open;
    request.initialName = QStringLiteral("*.txt");
    request.defaultSuffix = QStringLiteral("txt");
    request.filters = {dataFilter, surveyFilter()};
    const Prompt::FileChoice choice = prompt().file(parent, request);
    if (choice.path.isEmpty())
        return std::nullopt;
    // A survey: any of its files chosen under its filter.
    if (choice.filterIndex == 1 && !QFileInfo(choice.path).isDir())
        return readSurveyFolder(parent, QFileInfo(choice.path).absolutePath(), openSurvey);
    return readDataPath(parent, choice.path, openSurvey);
}

std::optional<RecordList> readDataPath(QWidget* parent, const QString& path,
                                       const SurveyFolderOpener& openSurvey) {
    if (QFileInfo(path).isDir())
        return readSurveyFolder(parent, path, openSurvey);
    TextDataRead read;
    {
        WaitCursor wait;
        read = ReadTextDataFile(localPath(path));
    }
    switch (read.status) {
    case TextDataRead::Status::Ok:
        return std::move(read.records);
    case TextDataRead::Status::WrongFormat:
        prompt().inform(parent, QString::fromLatin1(dataFormatWrongText),
                        QString::fromLatin1(dataFormatWrongCaption));
        break;
    case TextDataRead::Status::CannotOpen:
        prompt().inform(parent, QString::fromStdString(read.error), errorCaption,
                        Prompt::Icon::Warning);
        break;
    }
    return std::nullopt;
}

bool askAndSaveDataFile(QWidget* parent, const RecordList& series) {
    if (series.empty())
        return false;
    Prompt::FileRequest request;
    request.mode = Prompt::FileRequest::Mode::Save;
    request.initialName = QString::fromStdString(DefaultDataFileName(appClock(), "txt"));
    request.defaultSuffix = QStringLiteral("txt");
    request.filters = {dataFilter};
    const Prompt::FileChoice choice = prompt().file(parent, request);
    if (choice.path.isEmpty())
        return false;
    std::string error;
    if (!WriteTextDataFile(localPath(choice.path), series, &error)) {
        reportWriteFailure(parent, choice.path, error);
        return false;
    }
    return true;
}

bool askAndExport(QWidget* parent, const RecordList& series, const SeriesStats& stats,
                  ExportSource source) {
    if (series.empty())
        return false;
    Prompt::FileRequest request;
    request.mode = Prompt::FileRequest::Mode::Save;
    request.initialName = QString::fromStdString(DefaultDataFileName(appClock(), "xls"));
    request.defaultSuffix = QStringLiteral("xls");
    request.filters = {sheetFilter, workbookFilter()};
    const Prompt::FileChoice choice = prompt().file(parent, request);
    if (choice.path.isEmpty())
        return false;
    QString path = choice.path;
    const bool workbook =
        choice.filterIndex == 1 || path.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive);
    // The dialog adds the default suffix of the first filter to a bare name.
    if (workbook && path.endsWith(QStringLiteral(".xls"), Qt::CaseInsensitive))
        path += QLatin1Char('x');
    std::string error;
    bool written = false;
    {
        WaitCursor wait;
        written = workbook ? WriteSpreadsheetXlsx(localPath(path), series, stats, source, &error,
                                                  readLevelLimit(colorConfigPath()),
                                                  WindowReport::noiseSettings())
                           : WriteSpreadsheetText(localPath(path), series, stats, source, &error);
    }
    if (!written)
        reportWriteFailure(parent, path, error);
    return written;
}
