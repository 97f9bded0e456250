#include "app/MainFrame.h"
#include "app/MyVrelView.h"
#include "app/RecordingFeature.h"
#include "app/Translation.h"
#include "config/ColorConfig.h"
#include "config/ProfileFile.h"
#include "files/PrintRX.h"
#include "formats/FileWrite.h"
#include "graph/CGraphicsBtn.h"
#include "link/MeterLink.h"
#include "live/RecordingController.h"
#include "model/Clock.h"
#include "settings/DlgColorSet.h"
#include "ui/Prompt.h"
#include "ui/WindowReport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Runs f on the colour dialog once it is open.
void onColorDialog(std::function<void(CDlgColorSet&)> f) {
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, f] {
        if (auto* d = qobject_cast<CDlgColorSet*>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            f(*d);
        }
    });
    poll->start();
}

// The main window with a recording of three samples taken on a clock that
// stands still between them; no meter port is needed for that.
class MainViewFilesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setAppClock(&clock);
        setAppDataFolderOverride(std::filesystem::path(config.path().toStdString()));
        frame = std::make_unique<CMainFrame>();
        frame->resize(1100, 720);
        frame->show();
        feature = recordingFeature(*frame->view());
        RecordingController& c = feature->controller();
        // A meter that reads whatever the test puts in the decoder, no port needed.
        c.setLiveLookup([this] {
            const MeterLink::Snapshot s = frame->view()->link().snapshot();
            return LiveSample{s.state.level, true, false, true};
        });
        ASSERT_TRUE(c.start()); // the view's interval, 0.5 s
        for (double level : {55.2, 5.5, 101.3}) {
            frame->view()->link().withDecoder([level](MeterDecoder& d) { d.state.level = level; });
            c.tick();
            clock.advance(1);
        }
        c.stop();
        ASSERT_EQ(frame->view()->realTimeRecords().count(), 3);
    }
    void TearDown() override {
        frame.reset();
        setAppClock(nullptr);
    }
    bool command(CommandId id) { return frame->view()->command(id); }

    ManualClock clock{1796634000}; // 2026-12-07 09:00:00
    QTemporaryDir config;
    QTemporaryDir dir;
    ScriptedPrompt answers;
    ScopedPrompt scope{answers};
    std::unique_ptr<CMainFrame> frame;
    RecordingFeature* feature = nullptr;
};

TEST_F(MainViewFilesTest, SaveAsWritesTheDataFileByteForByte) {
    const QString path = dir.filePath("rec.txt");
    answers.fileNext(path);
    command(CommandId::SaveAs);
    ASSERT_EQ(answers.fileRequests().size(), 1u);
    const Prompt::FileRequest& r = answers.fileRequests()[0];
    EXPECT_EQ(r.mode, Prompt::FileRequest::Mode::Save);
    EXPECT_EQ(r.initialName, "2026-12-7 9-0.txt");
    EXPECT_EQ(r.defaultSuffix, "txt");
    EXPECT_EQ(r.filters, QStringList{"Data File (*.txt)"});
    EXPECT_EQ(readFile(path), QByteArray("Kovra Sound Level Meter SamplingRate:0.5;\r\n"
                                         "07-12-2026,09:00:00, 55.20, dBA\r\n"
                                         "07-12-2026,09:00:01,  5.50, dBA\r\n"
                                         "07-12-2026,09:00:02, 101.30, dBA\r\n"));
    EXPECT_TRUE(answers.messages().empty());
}

TEST_F(MainViewFilesTest, AFailedWriteLeavesTheOldFileAndNamesFileAndReason) {
    const QString path = dir.filePath("rec.txt");
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old contents");
    }
    // the file is written beside its place first; make that impossible
    ASSERT_TRUE(QDir(dir.path()).mkdir("rec.txt.part"));
    answers.fileNext(path);
    command(CommandId::SaveAs);
    ASSERT_EQ(answers.messages().size(), 1u);
    const QString text = answers.messages()[0].text;
    EXPECT_TRUE(text.contains(QDir::toNativeSeparators(path))) << text.toStdString();
    EXPECT_TRUE(text.contains("directory", Qt::CaseInsensitive)) << text.toStdString();
    EXPECT_EQ(readFile(path), QByteArray("old contents"));

    answers.fileNext(dir.filePath("x.xls"));
    ASSERT_TRUE(QDir(dir.path()).mkdir("x.xls.part"));
    command(CommandId::ExportToExcel);
    EXPECT_EQ(answers.messages().size(), 2u);
    EXPECT_FALSE(QFile::exists(dir.filePath("x.xls")));
}

TEST_F(MainViewFilesTest, ExportWritesTabSeparatedTextOrAWorkbook) {
    const QString xls = dir.filePath("rec.xls");
    answers.fileNext(xls);
    command(CommandId::ExportToExcel);
    const Prompt::FileRequest& r = answers.fileRequests().at(0);
    EXPECT_EQ(r.initialName, "2026-12-7 9-0.xls");
    EXPECT_EQ(r.filters, (QStringList{"Data File (*.xls)", "Excel çalışma kitabı (*.xlsx)"}));
    EXPECT_EQ(readFile(xls), QByteArray("StartTime\t07-12-2026,09:00:00\t\r\n"
                                        "Max\t101.30 @ 07-12-2026,09:00:02  dBA\t\r\n"
                                        "Min\t5.50 @ 07-12-2026,09:00:01  dBA\t\r\n"
                                        "Average\t54.00\t\r\n"
                                        "SampleRate\t0.50\t\r\n"
                                        "ID\tUnit\tValue\tDateTime\t\r\n"
                                        "1\tdBA\t55.20\t07-12-2026,09:00:00\t\r\n"
                                        "2\tdBA\t5.50\t07-12-2026,09:00:01\t\r\n"
                                        "3\tdBA\t101.30\t07-12-2026,09:00:02\t\r\n"));

    // the workbook filter with the proposed ".xls" name writes "...xlsx"
    answers.fileNext(dir.filePath("book.xls"), 1);
    command(CommandId::ExportToExcel);
    EXPECT_FALSE(QFile::exists(dir.filePath("book.xls")));
    const QByteArray book = readFile(dir.filePath("book.xlsx"));
    ASSERT_TRUE(book.startsWith("PK")) << "a zip container";
    QProcess unzip;
    unzip.start("unzip", {"-p", dir.filePath("book.xlsx"), "xl/worksheets/sheet1.xml"});
    if (unzip.waitForFinished(10000) && unzip.exitCode() == 0) {
        EXPECT_TRUE(unzip.readAllStandardOutput().contains("<v>101.3"));
    }
}

TEST_F(MainViewFilesTest, NothingIsAskedForAnEmptySeries) {
    answers.answerNext(Prompt::Answer::Ok);
    command(CommandId::ClearRecording);
    ASSERT_TRUE(frame->view()->realTimeRecords().empty());
    for (CommandId id : {CommandId::SaveAs, CommandId::ExportToExcel, CommandId::PrintDiagram,
                         CommandId::PrintData})
        command(id);
    EXPECT_TRUE(answers.fileRequests().empty());
    EXPECT_EQ(answers.printDialogs(), 0);
}

TEST_F(MainViewFilesTest, BothPrintoutsGoToThePrinter) {
    const QString diagram = dir.filePath("diagram.pdf");
    const QString data = dir.filePath("data.pdf");
    // cancelled: nothing printed
    command(CommandId::PrintDiagram);
    EXPECT_EQ(answers.printDialogs(), 1);
    answers.printToPdfNext(diagram);
    command(CommandId::PrintDiagram);
    answers.printToPdfNext(data);
    command(CommandId::PrintData);
    EXPECT_EQ(answers.printDialogs(), 3);
    EXPECT_TRUE(answers.messages().empty());
    for (const QString& pdf : {diagram, data}) {
        EXPECT_TRUE(readFile(pdf).startsWith("%PDF")) << pdf.toStdString();
        QProcess info;
        info.start("pdfinfo", {pdf});
        ASSERT_TRUE(info.waitForFinished(10000));
        EXPECT_TRUE(QString::fromLatin1(info.readAllStandardOutput())
                        .contains(QRegularExpression("Pages:\\s+1\\n")));
    }
    // the diagram printout shows the curve: look at its page
    QProcess::execute("pdftoppm",
                      {"-png", "-r", "50", "-singlefile", diagram, VREL_TEST_OUT "/main_diagram"});

    // Copies and a page range left chosen in the dialog are not used.
    QPrinter printer;
    printer.setCopyCount(3);
    printer.setPrintRange(QPrinter::PageRange);
    printer.setFromTo(2, 3);
    printOnceWhole(printer);
    EXPECT_EQ(printer.copyCount(), 1);
    EXPECT_EQ(printer.printRange(), QPrinter::AllPages);
    EXPECT_TRUE(printer.pageRanges().isEmpty());
}

TEST_F(MainViewFilesTest, ColourSettingsWriteAllKeysOnOkAndNothingOnCancel) {
    CGraphicsBtn* graph = frame->view()->graph();
    const std::filesystem::path file = colorConfigPath();
    ASSERT_FALSE(std::filesystem::exists(file));

    // Cancel, after choosing a colour: neither the graph nor the file changes
    answers.colorNext(QColor(1, 2, 3));
    onColorDialog([](CDlgColorSet& d) {
        QTest::mouseClick(d.form().get<QPushButton>(1068), Qt::LeftButton);
        EXPECT_EQ(d.colors().gridColor, rgb(1, 2, 3));
        d.reject();
    });
    command(CommandId::ColourSettings);
    EXPECT_EQ(graph->gridColor, rgb(255, 0, 255));
    EXPECT_FALSE(std::filesystem::exists(file));

    // OK without a change writes all nine keys
    onColorDialog([](CDlgColorSet& d) { d.accept(); });
    command(CommandId::ColourSettings);
    QFile f(QString::fromStdString(file.string()));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray ini = f.readAll();
    for (const char* section : {"[Vrel_BKCOLOR]", "[Vrel_GRIDCOLOR]", "[Vrel_LINECOLOR]"})
        EXPECT_TRUE(ini.contains(section)) << section;
    EXPECT_EQ(ini.count("RVALUE="), 3);
    EXPECT_EQ(ini.count("GVALUE="), 3);
    EXPECT_EQ(ini.count("BVALUE="), 3);
    EXPECT_EQ(readColorConfig(file), GraphColors{});

    // a chosen background reaches the graph at once, its swatch and the file;
    // a cancelled chooser keeps its row
    answers.colorNext(QColor(10, 20, 30));
    answers.colorNext(std::nullopt);
    onColorDialog([](CDlgColorSet& d) {
        QTest::mouseClick(d.form().get<QPushButton>(1070), Qt::LeftButton);
        QTest::mouseClick(d.form().get<QPushButton>(1069), Qt::LeftButton);
        EXPECT_EQ(d.form().control(1067)->palette().color(QPalette::Window), QColor(10, 20, 30));
        d.accept();
    });
    command(CommandId::ColourSettings);
    EXPECT_EQ(graph->backColor, rgb(10, 20, 30));
    EXPECT_EQ(graph->lineColor, rgb(0, 0, 255));
    EXPECT_EQ(readColorConfig(file).backColor, rgb(10, 20, 30));
    const QImage shown = graph->grab().toImage();
    EXPECT_EQ(shown.pixelColor(PlotView::leftMargin + 3, PlotView::topMargin + 3),
              QColor(10, 20, 30));
    // Every chooser starts from black, not from the row's colour.
    ASSERT_EQ(answers.colorStarts().size(), 3u);
    for (const QColor& c : answers.colorStarts())
        EXPECT_EQ(c, QColor(Qt::black));
}

TEST_F(MainViewFilesTest, TheColourFileIsReplacedWholeOrLeftAsItWas) {
    const std::filesystem::path file = colorConfigPath();
    std::filesystem::create_directories(file.parent_path());
    {
        QFile f(QString::fromStdString(file.string()));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Other]\r\nKEEP=1\r\n[Vrel_LIMIT]\r\nENABLED=1\r\nVALUE=85.0\r\n");
    }
    const QByteArray before = readFile(QString::fromStdString(file.string()));

    // A folder standing where the temporary file goes makes the write fail:
    // the user is told which file and why, and the file keeps every setting.
    const QString part = QString::fromStdString(PartFilePath(file.string()));
    ASSERT_TRUE(QDir().mkpath(part));
    onColorDialog([](CDlgColorSet& d) { d.accept(); });
    command(CommandId::ColourSettings);
    ASSERT_EQ(answers.messages().size(), 1u);
    EXPECT_EQ(answers.messages()[0].caption, "ERROR");
    EXPECT_TRUE(answers.messages()[0].text.contains("ColorConfig.ini"));
    EXPECT_EQ(readFile(QString::fromStdString(file.string())), before);
    EXPECT_EQ(readLevelLimit(file), 85.0);

    // Written, it keeps the sections and keys it does not own.
    QDir(part).removeRecursively();
    onColorDialog([](CDlgColorSet& d) { d.accept(); });
    command(CommandId::ColourSettings);
    EXPECT_EQ(answers.messages().size(), 1u);
    const QByteArray after = readFile(QString::fromStdString(file.string()));
    EXPECT_TRUE(after.contains("[Other]\r\nKEEP=1\r\n"));
    EXPECT_EQ(readLevelLimit(file), 85.0);
    EXPECT_EQ(after.count("RVALUE="), 3);
}

TEST_F(MainViewFilesTest, EveryFileTheProgramKeepsLivesInItsOwnFolder) {
    // colours, a report's settings and the language, beside the journal
    onColorDialog([](CDlgColorSet& d) { d.accept(); });
    command(CommandId::ColourSettings);
    Prompt::ReportRequest r;
    r.site = QStringLiteral("Avlu");
    answers.reportNext(r);
    answers.fileNext(dir.filePath(QStringLiteral("report.pdf")));
    command(CommandId::Report);
    ASSERT_TRUE(writeLanguage(programSettingsPath(), Language::English));
    EXPECT_TRUE(answers.messages().empty());

    const std::filesystem::path top(config.path().toStdString());
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(top))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"Vrel"});
    for (const char* name : {"ColorConfig.ini", "Report.ini", "Vrel.ini"})
        EXPECT_TRUE(std::filesystem::exists(top / "Vrel" / name)) << name;
    EXPECT_FALSE(ProfileFile::load(top / "Vrel" / "ColorConfig.ini").hasSection("Interface"));
}

} // namespace

// The folder question takes a folder typed in new once the user agrees to
// make it; anything else leaves the question open and makes nothing.
TEST(FolderQuestion, ATypedNewFolderIsMadeAfterAYes) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ScriptedPrompt answers;
    ScopedPrompt scope(answers);

    EXPECT_TRUE(acceptFolder(nullptr, dir.path()));
    EXPECT_TRUE(answers.messages().empty()) << "a folder that is there is not asked about";

    const QString fresh = dir.filePath(QStringLiteral("site/north"));
    answers.answerNext(Prompt::Answer::No);
    EXPECT_FALSE(acceptFolder(nullptr, fresh));
    EXPECT_FALSE(QFileInfo::exists(fresh));
    ASSERT_EQ(answers.messages().size(), 1u);
    EXPECT_EQ(answers.messages()[0].buttons, Prompt::Buttons::YesNo);
    EXPECT_TRUE(answers.messages()[0].text.contains(QDir::toNativeSeparators(fresh)));
    answers.answerNext(Prompt::Answer::Yes);
    EXPECT_TRUE(acceptFolder(nullptr, fresh));
    EXPECT_TRUE(QFileInfo(fresh).isDir());

    // under a file no folder can be made: said, and the question stays
    QFile file(dir.filePath(QStringLiteral("plain")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    answers.clear();
    answers.answerNext(Prompt::Answer::Yes);
    EXPECT_FALSE(acceptFolder(nullptr, dir.filePath(QStringLiteral("plain/sub"))));
    ASSERT_EQ(answers.messages().size(), 2u);
    EXPECT_EQ(answers.messages()[1].icon, Prompt::Icon::Warning);

    // the real dialog, with Qt's own texts in Turkish where installed: a new
    // folder's path typed and Enter pressed
    ASSERT_TRUE(useLanguage(Language::Turkish));
    const QString typed = dir.filePath(QStringLiteral("survey-2"));
    answers.clear();
    answers.answerNext(Prompt::Answer::Yes);
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, typed] {
        auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        auto* name = d ? d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")) : nullptr;
        if (!name)
            return;
        poll->stop();
        poll->deleteLater();
        d->grab().save(QStringLiteral(VREL_TEST_OUT "/folder-question.png"));
        name->setText(typed);
        QTest::keyClick(name, Qt::Key_Return);
        // not taken: closed, so the test ends instead of waiting on the dialog
        if (d->isVisible())
            d->reject();
    });
    poll->start();
    QtPrompt real;
    Prompt::FileRequest request;
    request.mode = Prompt::FileRequest::Mode::Folder;
    request.caption = QStringLiteral("Ölçüm klasörü");
    request.initialName = dir.path();
    const Prompt::FileChoice choice = real.file(nullptr, request);
    EXPECT_EQ(choice.path, typed);
    EXPECT_TRUE(QFileInfo(typed).isDir());
    EXPECT_EQ(answers.messages().size(), 1u);
}
