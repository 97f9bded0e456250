#include "app/MainForm.h"
#include "app/MainFrame.h"
#include "app/MyVrelView.h"
#include "app/PortDlg.h"
#include "config/ColorConfig.h"
#include "ui/LevelLimit.h"
#include "ui/Prompt.h"

#include <QAction>
#include <QMenuBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

#include <gtest/gtest.h>

namespace {

class FrameTest : public ::testing::Test {
  protected:
    FrameTest() : scope(answers) {
        frame.view()->setPortEnumerator([] { return std::vector<SSerInfo>{}; });
        frame.view()->initialUpdate();
    }

    ScriptedPrompt answers;
    ScopedPrompt scope;
    CMainFrame frame;
};

QStringList captions(const QList<QAction*>& actions) {
    QStringList out;
    for (QAction* a : actions)
        if (!a->isSeparator())
            out << a->text();
    return out;
}

} // namespace

TEST_F(FrameTest, TitleMenusAndToolbar) {
    EXPECT_EQ(frame.windowTitle(), QStringLiteral("Kovra Sound Level Meter"));
    EXPECT_EQ(captions(frame.menuBar()->actions()),
              (QStringList{"Dosya(&F)", "Gerçek zaman(&R)", "DataLogger(&D)", "COM portu(&C)",
                           "Görünüm(&V)", "Ağ(&N)", "Yardım(&H)"}));
    QMenu* network = frame.menuBar()->actions().at(5)->menu();
    ASSERT_NE(network, nullptr);
    EXPECT_EQ(captions(network->actions()), QStringList{"Ölçüm ağı…"});
    QMenu* realTime = frame.menuBar()->actions().at(1)->menu();
    ASSERT_NE(realTime, nullptr);
    EXPECT_EQ(captions(realTime->actions()),
              (QStringList{"Kayıt(&R)", "Stop(&S)", "Verileri sil(C)", "Ayarlar(&U)"}));
    EXPECT_EQ(frame.action(CommandId::StartRecording)->statusTip(),
              QStringLiteral("Gerçek zamanlı kaydı başlat"));
    EXPECT_EQ(frame.action(CommandId::ClearRecording)->statusTip(),
              QStringLiteral("Clean Real Time Data"));
    EXPECT_EQ(frame.action(CommandId::About)->statusTip(),
              QStringLiteral("Program bilgisini ve sürüm numarasını göster"));
    for (CommandId id : {CommandId::OpenDataFile,
                         CommandId::StartSurvey,
                         CommandId::SaveAs,
                         CommandId::ExportToExcel,
                         CommandId::PrintDiagram,
                         CommandId::PrintData,
                         CommandId::Exit,
                         CommandId::StartRecording,
                         CommandId::StopRecording,
                         CommandId::ClearRecording,
                         CommandId::RecordingSettings,
                         CommandId::DownloadLogger,
                         CommandId::ManualPort,
                         CommandId::AutomaticPort,
                         CommandId::ToggleToolBar,
                         CommandId::ToggleStatusBar,
                         CommandId::ColourSettings,
                         CommandId::OpenNetwork,
                         CommandId::HelpContents,
                         CommandId::About})
        EXPECT_NE(frame.action(id), nullptr) << commandNumber(id);

    const auto* bar = frame.findChild<QToolBar*>(QStringLiteral("128"));
    ASSERT_NE(bar, nullptr);
    QList<QAction*> expected{frame.action(CommandId::OpenDataFile),
                             nullptr,
                             frame.action(CommandId::SaveAs),
                             frame.action(CommandId::ExportToExcel),
                             frame.action(CommandId::StartRecording),
                             frame.action(CommandId::StopRecording),
                             nullptr,
                             frame.action(CommandId::PrintDiagram),
                             frame.action(CommandId::About)};
    const QList<QAction*> shown = bar->actions();
    ASSERT_EQ(shown.size(), expected.size());
    for (int i = 0; i < shown.size(); ++i)
        EXPECT_TRUE(expected[i] ? shown[i] == expected[i] : shown[i]->isSeparator()) << i;

    // automatic port choice is checked from the start
    EXPECT_TRUE(frame.action(CommandId::AutomaticPort)->isChecked());
    EXPECT_FALSE(frame.action(CommandId::ManualPort)->isChecked());
}

TEST_F(FrameTest, TheViewMenuSetsAndClearsTheLevelLimit) {
    QTemporaryDir config;
    setAppDataFolderOverride(std::filesystem::path(config.path().toStdString()));
    QMenu* view = frame.menuBar()->actions().at(4)->menu();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(captions(view->actions()),
              (QStringList{"Menü çubuğu(&T)", "Durum satırı(&S)", "Renk ayarları",
                           "Sınır seviyesi…", "Sınırı kaldır"}));

    answers.numberNext(std::nullopt); // cancelled
    frame.action(CommandId::SetLevelLimit)->trigger();
    ASSERT_EQ(answers.numberRequests().size(), 1u);
    EXPECT_EQ(answers.numberRequests()[0].value, 85.0) << "a level to start from";
    EXPECT_FALSE(levelLimit().value());

    answers.numberNext(72.5);
    frame.action(CommandId::SetLevelLimit)->trigger();
    EXPECT_EQ(levelLimit().value(), 72.5);
    EXPECT_EQ(readLevelLimit(colorConfigPath()), 72.5);
    frame.action(CommandId::SetLevelLimit)->trigger(); // unanswered: cancelled
    EXPECT_EQ(answers.numberRequests().back().value, 72.5) << "starts from the current limit";
    EXPECT_EQ(levelLimit().value(), 72.5);

    frame.action(CommandId::ClearLevelLimit)->trigger();
    EXPECT_FALSE(levelLimit().value());
    EXPECT_FALSE(readLevelLimit(colorConfigPath()));
    setAppDataFolderOverride(std::nullopt);
}

TEST_F(FrameTest, CommandsReachTheirHandlersById) {
    int recorded = 0;
    frame.view()->onCommand(CommandId::StartRecording, [&recorded] { ++recorded; });
    frame.action(CommandId::StartRecording)->trigger();
    EXPECT_EQ(recorded, 1);
    EXPECT_TRUE(frame.view()->command(CommandId::DownloadLogger)); // not connected: it does nothing
    EXPECT_FALSE(frame.view()->command(static_cast<CommandId>(40000))); // no such command
}

TEST_F(FrameTest, ClosingWithoutDataDoesNotAsk) {
    frame.show();
    EXPECT_TRUE(frame.close());
    EXPECT_TRUE(answers.messages().empty());
}

TEST_F(FrameTest, ClosingWithDataAsksAndStaysOnCancel) {
    frame.show();
    frame.view()->realTimeRecords().append(CObjData(65.3, "07-12-2026,09:05:03", "dBA", 0, 0.5));
    answers.answerNext(Prompt::Answer::Cancel);
    EXPECT_FALSE(frame.close());
    EXPECT_TRUE(frame.isVisible());
    ASSERT_EQ(answers.messages().size(), 1u);
    EXPECT_EQ(answers.messages()[0].text, QStringLiteral("Close Window?"));
    EXPECT_EQ(answers.messages()[0].caption, CMainFrame::appTitle());
    EXPECT_EQ(answers.messages()[0].buttons, Prompt::Buttons::OkCancel);

    // "Bitir" takes the same road; logger data counts as well
    frame.view()->realTimeRecords().clear();
    frame.view()->loggerRecords().append(CObjData(70.0, "07-12-2026,9:05:03", "dBC", 1, 1.0));
    answers.answerNext(Prompt::Answer::Cancel);
    frame.action(CommandId::Exit)->trigger();
    EXPECT_TRUE(frame.isVisible());
    EXPECT_EQ(answers.messages().size(), 2u);

    answers.answerNext(Prompt::Answer::Ok);
    frame.action(CommandId::Exit)->trigger();
    EXPECT_FALSE(frame.isVisible());
}

TEST(MainView, CurveAreaIsNotShrunkBelow800By550) {
    CMyVrelView view;
    view.setMinimumSize(0, 0); // as if the window were made smaller than the form
    view.show();
    view.resize(800, 550);
    const QRect plotAtMin = view.control(MainFormId::graph)->geometry();
    const QRect scrollAtMin = view.control(MainFormId::hScroll)->geometry();
    view.resize(600, 400);
    EXPECT_EQ(view.control(MainFormId::graph)->geometry(), plotAtMin);
    EXPECT_EQ(view.control(MainFormId::table)->geometry(), plotAtMin);
    EXPECT_EQ(view.control(MainFormId::hScroll)->geometry(), scrollAtMin);
    view.resize(1200, 800);
    EXPECT_EQ(view.control(MainFormId::graph)->width(), plotAtMin.width() + 400);
    EXPECT_EQ(view.control(MainFormId::graph)->height(), plotAtMin.height() + 250);
    EXPECT_EQ(view.control(MainFormId::vScroll)->x(), 1200 - 42);
}

TEST(MainView, TheGraphWidgetTakesThePlaceholdersPlace) {
    CMyVrelView view;
    view.show();
    view.resize(1000, 700);
    const QRect where = view.control(MainFormId::graph)->geometry();
    auto* graph = new QWidget;
    view.setGraphWidget(graph);
    EXPECT_EQ(view.control(MainFormId::graph), graph);
    EXPECT_EQ(graph->objectName(), QStringLiteral("1010"));
    EXPECT_EQ(graph->geometry(), where);
    EXPECT_EQ(view.findChildren<QWidget*>(QStringLiteral("1010")).size(), 1);
}

TEST_F(FrameTest, TheTableWaitsHiddenForItsModel) {
    auto* table = frame.view()->form().get<QTableView>(MainFormId::table);
    ASSERT_NE(table, nullptr);
    EXPECT_TRUE(table->isHidden());
}

TEST_F(FrameTest, APortChangeRedetectsOnlyInAutomaticMode) {
    CMyVrelView* view = frame.view();
    view->setPortEnumerator([] {
        SSerInfo bridge;
        bridge.devicePath = "/dev/vrel-no-such-port";
        bridge.portName = "COM12";
        bridge.friendlyName = "Silicon Labs CP210x USB to UART Bridge (COM12)";
        return std::vector<SSerInfo>{bridge};
    });
    view->Redetect();
    EXPECT_TRUE(view->timer(1).isActive());
    EXPECT_EQ(view->comPortNumber(), 12);
    view->timer(1).stop();

    EXPECT_FALSE(view->useFixedPort(QStringLiteral("/dev/vrel-no-such-port")));
    ASSERT_EQ(answers.messages().size(), 1u);
    EXPECT_TRUE(answers.messages()[0].text.startsWith(QStringLiteral("Warning:Can't open ")));
    EXPECT_FALSE(view->autoPort());
    EXPECT_TRUE(frame.action(CommandId::ManualPort)->isChecked());
    view->Redetect();
    EXPECT_FALSE(view->timer(1).isActive());
}

TEST_F(FrameTest, ThePortDialogTakesNumbersInRangeOrPaths) {
    CPort dialog(&frame);
    dialog.setText(QStringLiteral("257"));
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    ASSERT_EQ(answers.messages().size(), 1u);
    EXPECT_TRUE(answers.messages()[0].text.contains(QStringLiteral("0 ile 256")));

    dialog.setText(QStringLiteral("5"));
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.choice().number, 5);

    dialog.setText(QStringLiteral("/dev/ttyACM0"));
    dialog.accept();
    EXPECT_EQ(dialog.choice().path, "/dev/ttyACM0");
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Port"));
    EXPECT_NE(dialog.findChild<QWidget*>(QStringLiteral("1063")), nullptr);
}
