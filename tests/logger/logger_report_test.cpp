// The Akustik group's second page and the "Rapor" command, in the DATALOGGER window.
#include "app/Translation.h"
#include "config/ColorConfig.h"
#include "graph/CGraphicsBtn.h"
#include "logger/DataLogDlg.h"
#include "model/TimeLabels.h"
#include "ui/AcousticGroup.h"
#include "ui/LevelLimit.h"
#include "ui/Prompt.h"
#include "ui/WindowReport.h"
#include "ui/ReportDlg.h"

#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

class DataLogReport : public ::testing::Test {
  protected:
    void SetUp() override {
        setAppDataFolderOverride(std::filesystem::path(configDir.path().toStdString()));
        levelLimit().set(std::nullopt);
        WindowReport::remember({}); // the defaults, whatever an earlier test stored
        // Two hours at 85 dB(A), then two at 90, a reading every 10 s.
        const DateTime start{7, 12, 2026, 8, 0, 0};
        for (int i = 0; i < 1440; ++i)
            records.append(CObjData(i < 720 ? 85.0 : 90.0,
                                    formatDateTime(addSeconds(start, i * 10)), "dBA", 1, 10.0));
        window = std::make_unique<CDataLogDlg>(records);
        window->rebuild();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        QTableView* list = window->dataSetList();
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                           list->visualRect(list->model()->index(0, 1)).center());
    }
    void TearDown() override {
        window.reset();
        setAppDataFolderOverride(std::nullopt);
    }
    QLineEdit* rules(int row, AcousticGroup::Column c) const {
        return window->findChild<QLineEdit*>(QString::number(AcousticGroup::rulesFieldId(row, c)));
    }

    QTemporaryDir configDir;
    RecordList records;
    std::unique_ptr<CDataLogDlg> window;
};

} // namespace

TEST_F(DataLogReport, SecondPageShowsExposureInThePlacesOfTheFirst) {
    using namespace AcousticGroup;
    QAbstractButton* page = pageButton(window.get());
    ASSERT_NE(page, nullptr);
    QLineEdit* leq = window->findChild<QLineEdit*>(QString::number(fieldId(Leq, Whole)));
    ASSERT_TRUE(leq->isVisible());
    ASSERT_FALSE(rules(Lex, Whole)->isVisible());
    EXPECT_EQ(rules(Lex, Whole)->geometry(), leq->geometry());

    QTest::mouseClick(page, Qt::LeftButton);
    EXPECT_TRUE(rules(Lex, Whole)->isVisible());
    EXPECT_FALSE(leq->isVisible());
    // 2 h at 85 and 2 h at 90 dB(A): LAeq 88.2, LEX,8h 85.2; OSHA 2/16 + 2/8 = 37.5 %.
    EXPECT_EQ(rules(Lex, Whole)->text(), "85.2");
    EXPECT_EQ(rules(EuValue, Whole)->text(), "üst");
    EXPECT_EQ(rules(OshaDose, Whole)->text(), "37.5");
    EXPECT_EQ(rules(Lday, Whole)->text(), "88.2*") << "four of the day's twelve hours";
    EXPECT_EQ(rules(Lden, Whole)->text(), "–");

    // The span between the cursors: the first hour alone.
    emit window->graph()->cursorChanged(cursorWhichA, 0);
    emit window->graph()->cursorChanged(cursorWhichB, 359);
    EXPECT_EQ(rules(Lex, Span)->text(), "76.0"); // 85 + 10 lg(1 / 8)
    window->graph()->cursorA = 0;
    window->graph()->cursorB = 359;
    QCoreApplication::processEvents();
    QDir().mkpath(VREL_SCREENSHOT_DIR);
    EXPECT_TRUE(window->grab().toImage().save(VREL_SCREENSHOT_DIR "/datalogger-rules.png"));

    QTest::mouseClick(page, Qt::LeftButton);
    EXPECT_TRUE(leq->isVisible());
    EXPECT_FALSE(rules(Lex, Whole)->isVisible());
}

TEST_F(DataLogReport, RaporWritesThePdfAndRemembersTheTitleBlock) {
    ScriptedPrompt answers;
    ScopedPrompt scoped(answers);
    Prompt::ReportRequest r;
    r.site = QStringLiteral("Atölye 2");
    r.operatorName = QStringLiteral("Ayşe Yılmaz");
    r.shiftHours = 8;
    r.intervalSeconds = 3600;
    answers.reportNext(r);
    const QString pdf = configDir.filePath(QStringLiteral("rapor.pdf"));
    answers.fileNext(pdf);
    ASSERT_TRUE(window->command(CommandId::Report));
    ASSERT_EQ(answers.reportRequests().size(), 1u);
    EXPECT_TRUE(answers.reportRequests()[0].site.isEmpty()) << "nothing remembered yet";
    EXPECT_EQ(answers.fileRequests().at(0).initialName, "Rapor.pdf");
    EXPECT_TRUE(answers.messages().empty());
    EXPECT_GT(QFileInfo(pdf).size(), 1000);

    // The next report starts from what was typed; a cancel writes nothing.
    ASSERT_TRUE(window->command(CommandId::Report));
    ASSERT_EQ(answers.reportRequests().size(), 2u);
    EXPECT_EQ(answers.reportRequests()[1].site, QStringLiteral("Atölye 2"));
    EXPECT_EQ(answers.reportRequests()[1].operatorName, QStringLiteral("Ayşe Yılmaz"));
    EXPECT_EQ(answers.reportRequests()[1].intervalSeconds, 3600);
    EXPECT_EQ(WindowReport::noiseSettings().shiftHours, 8.0);
    EXPECT_EQ(answers.fileRequests().size(), 1u);
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(configDir.path().toStdString()) /
                                        "Vrel" / "Report.ini"));
}

TEST_F(DataLogReport, TheReportSpeaksTheInterfacesLanguage) {
    ASSERT_TRUE(useLanguage(Language::English));
    ScriptedPrompt answers;
    ScopedPrompt scoped(answers);
    answers.reportNext({});
    const QString pdf = configDir.filePath(QStringLiteral("english.pdf"));
    answers.fileNext(pdf);
    const bool ran = window->command(CommandId::Report);
    useLanguage(Language::Turkish);
    ASSERT_TRUE(ran);
    EXPECT_EQ(answers.fileRequests().at(0).initialName, "Report.pdf");
    EXPECT_EQ(answers.fileRequests().at(0).filters, QStringList{"PDF file (*.pdf)"});
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(60000));
    const QString words = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(words.contains(QStringLiteral("Noise Measurement Report"))) << words.toStdString();
    EXPECT_TRUE(words.contains(QStringLiteral("Occupational noise exposure")));
    EXPECT_FALSE(words.contains(QStringLiteral("Gürültü")));
    EXPECT_FALSE(words.contains(QStringLiteral("Sayfa")));
}

TEST(ReportDialog, GivesBackWhatWasTypedAndRefusesPeriodsOutOfOrder) {
    Prompt::ReportRequest r;
    r.site = QStringLiteral("Depo");
    r.notes = QStringLiteral("İki satır\nnot");
    r.shiftHours = 7.5;
    r.intervalSeconds = 300;
    r.toPrinter = true;
    ReportDlg dlg(nullptr, r);
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    QDir().mkpath(VREL_SCREENSHOT_DIR);
    EXPECT_TRUE(dlg.grab().toImage().save(VREL_SCREENSHOT_DIR "/report-dialog.png"));
    const Prompt::ReportRequest back = dlg.request();
    EXPECT_EQ(back.site, r.site);
    EXPECT_EQ(back.notes, r.notes);
    EXPECT_EQ(back.shiftHours, 7.5);
    EXPECT_EQ(back.intervalSeconds, 300);
    EXPECT_TRUE(back.toPrinter);
    EXPECT_EQ(back.dayStart, 7);

    QPushButton* ok = dlg.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    ASSERT_TRUE(ok->isEnabled());
    const auto hours = dlg.findChildren<QSpinBox*>();
    ASSERT_EQ(hours.size(), 3);
    hours[1]->setValue(6); // the evening before the day
    EXPECT_FALSE(ok->isEnabled());
    hours[1]->setValue(19);
    EXPECT_TRUE(ok->isEnabled());
}
