#include "app/DataLoggerCommands.h"
#include "app/MyVrelView.h"
#include "config/ColorConfig.h"
#include "formats/SpreadsheetExport.h"
#include "formats/TextDataFile.h"
#include "graph/CGraphicsBtn.h"
#include "logger/DataLogDlg.h"
#include "logger/DataLogForm.h"
#include "model/Clock.h"
#include "surveywindow/SurveyWindow.h"
#include "ui/Prompt.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

// 2026-12-07 09:05:00 UTC
constexpr std::time_t testTime = 1796634300;

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

const QByteArray dataFile = "Kovra Sound Level Meter SamplingRate:0.5;\r\n"
                            "07-12-2026,09:05:01, 55.20, dBA\r\n"
                            "07-12-2026,09:05:01,  5.50, dBA\r\n"
                            "07-12-2026,09:05:02, 101.30, dBA\r\n";

class LoggerFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        setAppClock(&clock);
        setAppDataFolderOverride(std::filesystem::path(dir.path().toStdString()));
    }
    void TearDown() override {
        window.reset();
        setAppDataFolderOverride(std::nullopt);
        setAppClock(nullptr);
    }
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    void downloadedSets() {
        records.append(CObjData(45.6, "07-12-2026,9:00:00", "dBA", 1, 1.0));
        records.append(CObjData(46.2, "07-12-2026,9:00:01", "dBA", 1, 1.0));
        records.append(CObjData(70.0, "07-12-2026,12:30:00", "dBC", 2, 2.0));
        window = std::make_unique<CDataLogDlg>(records);
    }
    int rows() const { return window->dataSetList()->model()->rowCount(); }

    ManualClock clock{testTime};
    QTemporaryDir dir;
    ScriptedPrompt answers;
    ScopedPrompt scope{answers};
    RecordList records;
    std::unique_ptr<CDataLogDlg> window;
};

} // namespace

TEST_F(LoggerFiles, ImportReplacesTheSetsAndAWrongFileChangesNothing) {
    downloadedSets();
    window->chooseRow(0);
    writeFile(path("in.txt"), dataFile);
    writeFile(path("wrong.txt"), "Kovra Sound Level Meter\r\n07-12-2026,09:05:01, 55.20, dBA\r\n");

    answers.fileNext(path("wrong.txt"));
    window->command(CommandId::ImportLoggerData);
    ASSERT_EQ(answers.messages().size(), 1u);
    EXPECT_EQ(answers.messages()[0].text, "Data Format is wrong!");
    EXPECT_EQ(answers.messages()[0].caption, "ERROR");
    EXPECT_EQ(records.size(), 3u);
    EXPECT_EQ(window->selection().size(), 2u);
    EXPECT_EQ(rows(), 2);

    answers.clear();
    answers.fileNext(path("missing.txt"));
    window->command(CommandId::ImportLoggerData);
    ASSERT_EQ(answers.messages().size(), 1u);
    EXPECT_TRUE(answers.messages()[0].text.contains("missing.txt"));
    EXPECT_TRUE(answers.messages()[0].text.contains("No such file"));
    EXPECT_EQ(records.size(), 3u);

    answers.clear();
    answers.fileNext(path("in.txt"));
    window->command(CommandId::ImportLoggerData);
    EXPECT_TRUE(answers.messages().empty());
    const Prompt::FileRequest& asked = answers.fileRequests().back();
    EXPECT_EQ(asked.mode, Prompt::FileRequest::Mode::Open);
    EXPECT_EQ(asked.filters.value(0), "Data File(*.txt)");
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[1], CObjData(5.5, "07-12-2026,09:05:01", "dBA", 0, 0.5));
    EXPECT_TRUE(window->selection().empty());
    ASSERT_EQ(rows(), 1);
    EXPECT_EQ(window->dataSetList()->model()->index(0, 0).data().toString(), "0");
    EXPECT_EQ(window->dataSetList()->model()->index(0, 4).data().toString(), "3");

    // Cancel changes nothing and says nothing.
    answers.clear();
    window->command(CommandId::ImportLoggerData);
    EXPECT_TRUE(answers.messages().empty());
    EXPECT_EQ(records.size(), 3u);
}

TEST_F(LoggerFiles, ASurveyFolderOpensAsOneSetPerFileInTimeOrder) {
    const QString survey = path("survey");
    ASSERT_TRUE(QDir().mkpath(survey));
    const auto file = [&](const char* name, const QByteArray& bytes) {
        writeFile(survey + QLatin1Char('/') + QLatin1String(name), bytes);
    };
    const QByteArray header = "Kovra Sound Level Meter SamplingRate:0.1;\r\n";
    file("survey-2026-12-08T15.txt", header + "08-12-2026,15:00:00, 61.00, dBA\r\n");
    file("survey-2026-12-08T14-2.txt",
         header + "08-12-2026,14:40:00, 52.00, dBA\r\n" + "08-12-2026,14:40:00, 53.00, dBA\r\n");
    file("survey-2026-12-08T14.txt", header + "08-12-2026,14:10:00, 50.00, dBA\r\n");
    file("survey-2026-12-08T16.txt", header); // stopped as its hour began
    file("summary.csv", "start,end\r\n");
    file("notes.txt", "not a data file");

    downloadedSets();
    answers.fileNext(survey);
    window->command(CommandId::ImportLoggerData);
    EXPECT_TRUE(answers.messages().empty());
    EXPECT_EQ(answers.fileRequests().back().filters.size(), 2);
    ASSERT_EQ(rows(), 3);
    QAbstractItemModel* list = window->dataSetList()->model();
    const char* firsts[] = {"08-12-2026,14:10:00", "08-12-2026,14:40:00", "08-12-2026,15:00:00"};
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(list->index(row, 0).data().toString(), QString::number(row + 1));
        EXPECT_EQ(list->index(row, 1).data().toString(), firsts[row]);
        EXPECT_EQ(list->index(row, 4).data().toString(), row == 1 ? "2" : "1");
    }
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[2], CObjData(53.0, "08-12-2026,14:40:00", "dBA", 2, 0.1));

    // One broken file: named, and nothing changes.
    file("survey-2026-12-08T17.txt", "Kovra\r\n");
    answers.fileNext(survey);
    window->command(CommandId::ImportLoggerData);
    ASSERT_EQ(answers.messages().size(), 1u);
    EXPECT_TRUE(answers.messages()[0].text.startsWith("Data Format is wrong!"));
    EXPECT_TRUE(answers.messages()[0].text.contains("survey-2026-12-08T17.txt"));
    EXPECT_EQ(rows(), 3);
    QFile::remove(survey + QStringLiteral("/survey-2026-12-08T17.txt"));
    answers.clear();

    // With the main window, "Aç" on the folder (here by a file of it under the
    // survey filter) opens the whole survey as one measurement in its window.
    {
        CMyVrelView view;
        attachDataLogger(view);
        answers.fileNext(survey + QStringLiteral("/summary.csv"), 1);
        view.command(CommandId::OpenDataFile);
        CSurveyWnd* surveyWindow = nullptr;
        ASSERT_TRUE(QTest::qWaitFor([&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* s = qobject_cast<CSurveyWnd*>(w); s && s->loaded())
                    surveyWindow = s;
            return surveyWindow != nullptr;
        }));
        EXPECT_EQ(surveyWindow->series().size(), 4u);
        EXPECT_TRUE(answers.messages().empty());
        EXPECT_TRUE(view.loggerRecords().empty()) << "the DATALOGGER's list is left alone";
        delete surveyWindow;
    }
}

TEST_F(LoggerFiles, AFileOrFolderHandedOverOpensAsAcDoesWithoutAsking) {
    // a file: the DATALOGGER window with its set, no dialog
    writeFile(path("given.txt"), dataFile);
    CMyVrelView view;
    attachDataLogger(view);
    ASSERT_TRUE(dataLoggerOf(view)->openPath(path("given.txt")));
    EXPECT_TRUE(answers.fileRequests().empty());
    EXPECT_TRUE(answers.messages().empty());
    CDataLogDlg* shown = dataLoggerOf(view)->window();
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->isVisible());
    QAbstractItemModel* list = shown->dataSetList()->model();
    ASSERT_EQ(list->rowCount(), 1);
    EXPECT_EQ(list->index(0, 1).data().toString(), "07-12-2026,09:05:01");
    EXPECT_EQ(list->index(0, 4).data().toString(), "3");
    ASSERT_EQ(view.loggerRecords().size(), 3u);
    EXPECT_EQ(view.loggerRecords()[2].value(), 101.3);
    // shown at once, as a double click on its row shows it
    EXPECT_EQ(shown->selection().size(), 3u);
    EXPECT_EQ(shown->stats().maxValue, 101.3);
    EXPECT_EQ(shown->dataSetList()->selectionModel()->selectedRows().value(0).row(), 0);
    ASSERT_NE(shown->control(DataLogId::dataCount), nullptr);
    EXPECT_EQ(shown->control(DataLogId::dataCount)->property("text").toString(), "3");

    // a survey folder: its own window, as "Aç" opens it
    const QString survey = path("survey");
    ASSERT_TRUE(QDir().mkpath(survey));
    const QByteArray header = "Kovra Sound Level Meter SamplingRate:0.1;\r\n";
    writeFile(survey + "/survey-2026-12-08T14.txt", header + "08-12-2026,14:10:00, 50.00, dBA\r\n");
    writeFile(survey + "/survey-2026-12-08T15.txt", header + "08-12-2026,15:00:00, 61.00, dBA\r\n");
    EXPECT_FALSE(dataLoggerOf(view)->openPath(survey)) << "not the DATALOGGER window's";
    std::unique_ptr<CSurveyWnd> surveyWindow;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* found = qobject_cast<CSurveyWnd*>(w))
            surveyWindow.reset(found);
    ASSERT_NE(surveyWindow, nullptr);
    EXPECT_EQ(surveyWindow->folder(), survey);
    EXPECT_TRUE(QTest::qWaitFor([&] { return surveyWindow->loaded(); }, 30000));
    EXPECT_TRUE(answers.messages().empty());
    EXPECT_EQ(list->rowCount(), 1) << "the DATALOGGER window keeps its file";

    // a file that is none of ours: told as "Aç" tells it, and nothing changes
    writeFile(path("other.txt"), "hello\r\n");
    EXPECT_FALSE(dataLoggerOf(view)->openPath(path("other.txt")));
    ASSERT_EQ(answers.messages().size(), 1u);
    EXPECT_EQ(answers.messages()[0].text, "Data Format is wrong!");
    EXPECT_EQ(list->rowCount(), 1);
    EXPECT_FALSE(dataLoggerOf(view)->openPath(path("missing.txt")));
    EXPECT_EQ(answers.messages().size(), 2u);
}

// Each main window hands survey folders to its own survey window: the
// DATALOGGER window it made does so on import too, whatever other main
// windows came and went meanwhile.
TEST_F(LoggerFiles, TheMainWindowsDataloggerImportsASurveyFolderIntoTheSurveyWindow) {
    writeFile(path("given.txt"), dataFile);
    const QString survey = path("survey");
    ASSERT_TRUE(QDir().mkpath(survey));
    writeFile(survey + "/survey-2026-12-08T14.txt",
              "Kovra Sound Level Meter SamplingRate:0.1;\r\n08-12-2026,14:10:00, 50.00, dBA\r\n");
    CMyVrelView view;
    attachDataLogger(view);
    ASSERT_TRUE(dataLoggerOf(view)->openPath(path("given.txt")));
    CDataLogDlg* shown = dataLoggerOf(view)->window();
    {
        CMyVrelView other;
        attachDataLogger(other);
    }
    answers.fileNext(survey);
    shown->command(CommandId::ImportLoggerData);
    std::unique_ptr<CSurveyWnd> surveyWindow;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* found = qobject_cast<CSurveyWnd*>(w))
            surveyWindow.reset(found);
    ASSERT_NE(surveyWindow, nullptr);
    EXPECT_EQ(surveyWindow->folder(), survey);
    EXPECT_TRUE(answers.messages().empty());
    EXPECT_EQ(shown->dataSetList()->model()->rowCount(), 1) << "the DATALOGGER keeps its file";
    EXPECT_EQ(view.loggerRecords().size(), 3u);
}

TEST_F(LoggerFiles, SaveSelectionAndExportWriteTheChosenSet) {
    downloadedSets();
    // Nothing chosen yet: no dialog at all.
    for (CommandId id : {CommandId::SaveLoggerSelection, CommandId::ExportLoggerSelection,
                         CommandId::PrintLoggerData, CommandId::PrintLoggerDiagram})
        window->command(id);
    EXPECT_TRUE(answers.fileRequests().empty());
    EXPECT_EQ(answers.printDialogs(), 0);

    window->chooseRow(0);
    answers.fileNext(path("set.txt"));
    window->command(CommandId::SaveLoggerSelection);
    const Prompt::FileRequest& save = answers.fileRequests().back();
    EXPECT_EQ(save.mode, Prompt::FileRequest::Mode::Save);
    EXPECT_EQ(save.initialName, "2026-12-7 9-5.txt");
    EXPECT_EQ(save.defaultSuffix, "txt");
    EXPECT_EQ(readAll(path("set.txt")), "Kovra Sound Level Meter SamplingRate:1.0;\r\n"
                                        "07-12-2026,9:00:00, 45.60, dBA\r\n"
                                        "07-12-2026,9:00:01, 46.20, dBA\r\n");

    answers.fileNext(path("set.xls"));
    window->command(CommandId::ExportLoggerSelection);
    const Prompt::FileRequest& exported = answers.fileRequests().back();
    EXPECT_EQ(exported.initialName, "2026-12-7 9-5.xls");
    EXPECT_EQ(exported.filters, QStringList({"Data File(*.xls)", "Excel çalışma kitabı (*.xlsx)"}));
    const QByteArray sheet = readAll(path("set.xls"));
    EXPECT_TRUE(sheet.startsWith("StartTime\t07-12-2026,9:00:00\t\r\n"
                                 "Max\t46.20 @ 07-12-2026,9:00:01  dBA \t\r\n"
                                 "Min\t45.60 @ 07-12-2026,9:00:00  dBA\t\r\n"))
        << sheet.toStdString();
    EXPECT_EQ(sheet.toStdString(), FormatSpreadsheetText(window->selection(), window->stats(),
                                                         ExportSource::DataLogger));

    // The workbook by its filter; a bare name gets its own extension.
    answers.fileNext(path("book.xls"), 1);
    window->command(CommandId::ExportLoggerSelection);
    EXPECT_TRUE(readAll(path("book.xlsx")).startsWith("PK"));
    EXPECT_FALSE(QFile::exists(path("book.xls")));
    EXPECT_TRUE(answers.messages().empty());
}

TEST_F(LoggerFiles, AFailedSaveOrExportSaysWhichFileAndWhy) {
    downloadedSets();
    window->chooseRow(1);
    const QString target = path("missing/set.txt");
    answers.fileNext(target);
    window->command(CommandId::SaveLoggerSelection);
    answers.fileNext(path("missing/set.xls"));
    window->command(CommandId::ExportLoggerSelection);
    ASSERT_EQ(answers.messages().size(), 2u);
    EXPECT_TRUE(answers.messages()[0].text.contains(target));
    EXPECT_TRUE(answers.messages()[0].text.contains("No such file"));
    EXPECT_TRUE(answers.messages()[1].text.contains(path("missing/set.xls")));
    EXPECT_FALSE(QFile::exists(target));
}

TEST_F(LoggerFiles, PrintsTheChosenSetIntoPdfs) {
    downloadedSets();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    window->chooseRow(0);
    answers.printToPdfNext(path("diagram.pdf"));
    window->command(CommandId::PrintLoggerDiagram);
    answers.printToPdfNext(path("data.pdf"));
    window->command(CommandId::PrintLoggerData);
    EXPECT_EQ(answers.printDialogs(), 2);
    EXPECT_TRUE(answers.messages().empty());
    for (const char* name : {"diagram.pdf", "data.pdf"}) {
        const QByteArray pdf = readAll(path(name));
        EXPECT_TRUE(pdf.startsWith("%PDF")) << name;
        EXPECT_GT(pdf.size(), 1000) << name;
    }
    // Cancelled: nothing printed, nothing said.
    window->command(CommandId::PrintLoggerData);
    EXPECT_EQ(answers.printDialogs(), 3);
    EXPECT_TRUE(answers.messages().empty());
}

TEST_F(LoggerFiles, OpenOnTheMainViewShowsTheFilesSetInTheWindow) {
    GraphColors first;
    first.backColor = rgb(10, 20, 30);
    ASSERT_TRUE(writeColorConfig(colorConfigPath(), first));
    CMyVrelView view;
    attachDataLogger(view);
    DataLoggerCommands* logger = dataLoggerOf(view);
    ASSERT_NE(logger, nullptr);
    view.loggerRecords().append(CObjData(45.6, "07-12-2026,9:00:00", "dBA", 1, 1.0));

    // A wrong header changes nothing and opens nothing.
    writeFile(path("wrong.txt"), "Kovra Sound Level Meter Samplingrate:1.0;\r\n");
    answers.fileNext(path("wrong.txt"));
    EXPECT_TRUE(view.command(CommandId::OpenDataFile));
    ASSERT_EQ(answers.messages().size(), 1u);
    EXPECT_EQ(answers.messages()[0].text, "Data Format is wrong!");
    EXPECT_EQ(view.loggerRecords().size(), 1u);
    EXPECT_EQ(logger->window(), nullptr);

    // A file that cannot be opened names its reason; nothing changes.
    answers.clear();
    answers.fileNext(dir.path());
    view.command(CommandId::OpenDataFile);
    ASSERT_EQ(answers.messages().size(), 1u);
    EXPECT_EQ(answers.messages()[0].caption, "ERROR");
    EXPECT_EQ(view.loggerRecords().size(), 1u);
    EXPECT_EQ(logger->window(), nullptr);

    answers.clear();
    writeFile(path("in.txt"), dataFile);
    answers.fileNext(path("in.txt"));
    view.command(CommandId::OpenDataFile);
    EXPECT_TRUE(answers.messages().empty());
    ASSERT_EQ(view.loggerRecords().size(), 3u);
    CDataLogDlg* shown = logger->window();
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->isVisible());
    QAbstractItemModel* list = shown->dataSetList()->model();
    ASSERT_EQ(list->rowCount(), 1);
    EXPECT_EQ(list->index(0, 1).data().toString(), "07-12-2026,09:05:01");
    EXPECT_EQ(list->index(0, 3).data().toString(), "0.50");
    // The window's graph takes the colours of the file when it is first made.
    EXPECT_EQ(shown->graph()->backColor, rgb(10, 20, 30));

    // Opened again: the same window, made anew with no selection.
    // Colours changed since keep to the first ones until the program starts again.
    GraphColors later;
    later.backColor = rgb(200, 0, 0);
    ASSERT_TRUE(writeColorConfig(colorConfigPath(), later));
    shown->chooseRow(0);
    EXPECT_EQ(shown->selection().size(), 3u);
    answers.fileNext(path("in.txt"));
    view.command(CommandId::OpenDataFile);
    EXPECT_EQ(logger->window(), shown);
    EXPECT_TRUE(shown->selection().empty());
    EXPECT_EQ(list->rowCount(), 1);
    EXPECT_EQ(shown->graph()->backColor, rgb(10, 20, 30));
}
