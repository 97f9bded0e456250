#include "app/MainForm.h"
#include "app/MainFrame.h"
#include "app/MyVrelView.h"
#include "app/RecordingFeature.h"
#include "app/Translation.h"
#include "formats/TextDataFile.h"
#include "graph/CGraphicsBtn.h"
#include "link/MeterLink.h"
#include "link/MeterSimulator.h"
#include "live/RecordingController.h"
#include "live/RtSetupDlg.h"
#include "model/Clock.h"
#include "ui/AcousticGroup.h"
#include "ui/Prompt.h"
#include "ui/WindowReport.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

constexpr int generousMs = 15000;

bool waitFor(const std::function<bool()>& condition, int timeoutMs = generousMs) {
    return QTest::qWaitFor(condition, timeoutMs);
}

// Runs f on the next modal dialog once it is open (the caller then opens it).
template <class Dialog> void onNextDialog(std::function<void(Dialog&)> f) {
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, f] {
        if (auto* d = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            f(*d);
        }
    });
    poll->start();
}

QString text(QWidget* form, int id) {
    return form->findChild<QLineEdit*>(QString::number(id))->text();
}

// The main window against the simulated meter on a pseudo-terminal.
class RecordingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        QString error;
        if (!sim.start(&error))
            GTEST_SKIP() << "no pseudo-terminal: " << error.toStdString();
        sim.setPattern(MeterSimulator::Pattern::Constant);
        sim.setConstantLevel(72.4);
        openWindow();
    }
    void TearDown() override {
        frame.reset();
        useLanguage(Language::Turkish);
    }

    // A main window (in the language chosen last) on the simulated meter.
    void openWindow() {
        frame.reset();
        frame = std::make_unique<CMainFrame>();
        view()->setPortEnumerator([] { return std::vector<SSerInfo>{}; });
        view()->initialUpdate();
        frame->resize(1100, 720);
        frame->show();
        ASSERT_TRUE(view()->useFixedPort(sim.devicePath()));
        ASSERT_TRUE(waitFor([this] { return snap().connected && snap().state.range != 0; }));
        feature = recordingFeature(*view());
        ASSERT_NE(feature, nullptr);
    }
    QString stopNote() { return view()->form().get<QLabel>(MainFormId::stopNote)->text(); }

    CMyVrelView* view() { return frame->view(); }
    MeterLink::Snapshot snap() { return view()->link().snapshot(); }
    const RecordList& records() { return view()->realTimeRecords(); }
    QComboBox* intervalBox() { return view()->form().get<QComboBox>(MainFormId::interval); }

    // Records at 0.1 s until at least n samples are there.
    void recordAtLeast(int n) {
        intervalBox()->setCurrentIndex(0);
        view()->command(CommandId::StartRecording);
        ASSERT_TRUE(feature->recording());
        ASSERT_TRUE(waitFor([&] { return records().count() >= n; }));
    }

    ScriptedPrompt answers;
    ScopedPrompt scope{answers};
    MeterSimulator sim;
    std::unique_ptr<CMainFrame> frame;
    RecordingFeature* feature = nullptr;
};

TEST_F(RecordingTest, TheSettingsDialogStartsThreeSamplesAndEqualMaximaKeepTheFirstTime) {
    EXPECT_FALSE(frame->action(CommandId::StopRecording)->isEnabled());
    onNextDialog<CRTSetup>([](CRTSetup& d) {
        auto* count = d.form().get<QLineEdit>(1044);
        count->selectAll();
        QTest::keyClicks(count, "3");
        d.form().get<QComboBox>(1007)->setCurrentIndex(4); // 1.5 s: no two samples share a second
        QTest::mouseClick(d.form().get<QPushButton>(1), Qt::LeftButton);
    });
    view()->command(CommandId::RecordingSettings);
    ASSERT_TRUE(feature->recording());
    EXPECT_EQ(feature->controller().sampleLimit(), 3);
    EXPECT_EQ(intervalBox()->currentIndex(), 4);
    EXPECT_EQ(feature->controller().timer().interval(), 1500);
    // while recording: start, clear, settings and the interval are greyed
    EXPECT_FALSE(frame->action(CommandId::StartRecording)->isEnabled());
    EXPECT_TRUE(frame->action(CommandId::StopRecording)->isEnabled());
    EXPECT_FALSE(frame->action(CommandId::ClearRecording)->isEnabled());
    EXPECT_FALSE(frame->action(CommandId::RecordingSettings)->isEnabled());
    EXPECT_FALSE(intervalBox()->isEnabled());
    EXPECT_TRUE(snap().recording);

    ASSERT_TRUE(waitFor([this] { return !feature->recording(); }));
    ASSERT_EQ(records().count(), 3);
    EXPECT_FALSE(snap().recording);
    EXPECT_TRUE(frame->action(CommandId::StartRecording)->isEnabled());
    EXPECT_FALSE(frame->action(CommandId::StopRecording)->isEnabled());
    EXPECT_TRUE(intervalBox()->isEnabled());

    // the meter's level never changed: the first sample keeps both extremes
    ASSERT_NE(records()[0].dateTime(), records()[2].dateTime());
    EXPECT_EQ(text(view(), 1009), "3");
    EXPECT_EQ(text(view(), 1002), "72.4");
    EXPECT_EQ(text(view(), 1003), QString::fromLatin1(records()[0].dateTime()));
    EXPECT_EQ(text(view(), 1006), QString::fromLatin1(records()[0].dateTime()));
    EXPECT_EQ(feature->stats().maxTime, records()[0].dateTime());
    EXPECT_EQ(&view()->realTimeStats(), &feature->stats());
    EXPECT_EQ(text(view(), 1001), QString::fromLatin1(records()[0].dateTime()));
    EXPECT_EQ(records()[0].samplingRate(), 1.5);
    EXPECT_TRUE(answers.messages().empty());
}

TEST_F(RecordingTest, HoldFromTheMeterStopsAtOnceAndKeepsTheSamples) {
    recordAtLeast(3);
    sim.setHold(true);
    ASSERT_TRUE(waitFor([this] { return !feature->recording(); }));
    const int kept = records().count();
    EXPECT_GE(kept, 3);
    EXPECT_FALSE(feature->controller().timer().isActive());
    EXPECT_FALSE(snap().recording);
    EXPECT_TRUE(stopNote().contains(QStringLiteral("HOLD"))) << stopNote().toStdString();
    // a held meter goes on sending; nothing more is sampled
    QSignalSpy watchdog(&view()->timer(2), &QTimer::timeout);
    ASSERT_TRUE(waitFor([&] { return watchdog.count() >= 1; }));
    EXPECT_EQ(records().count(), kept);
    EXPECT_EQ(feature->controller().model()->rowCount(), kept);
}

// The watchdog's stop is said once, in the status bar and beside the curve,
// in the interface's language; the note stays until the next start.
TEST_F(RecordingTest, SilenceFromTheMeterStopsTheRecordingKeepsTheSamplesAndSaysWhy) {
    for (const Language language : {Language::Turkish, Language::English}) {
        SCOPED_TRACE(static_cast<int>(language));
        if (language == Language::English) {
            sim.silence(0);
            ASSERT_TRUE(useLanguage(language));
            openWindow();
        }
        const bool turkish = language == Language::Turkish;
        EXPECT_TRUE(stopNote().isEmpty());
        recordAtLeast(2);
        QStatusBar* status = frame->statusBar();
        QStringList said;
        QObject::connect(status, &QStatusBar::messageChanged,
                         [&said](const QString& m) { said << m; });
        sim.silence(60);
        ASSERT_TRUE(waitFor([this] { return !feature->recording(); }));
        EXPECT_FALSE(snap().connected);
        EXPECT_GE(records().count(), 2);
        EXPECT_TRUE(intervalBox()->isEnabled());
        EXPECT_TRUE(answers.messages().empty());
        const QString note = stopNote();
        EXPECT_TRUE(note.startsWith(turkish ? QStringLiteral("Kayıt durdu")
                                            : QStringLiteral("Recording stopped")))
            << note.toStdString();
        EXPECT_TRUE(note.contains(turkish ? QStringLiteral("2 saniyedir sessiz")
                                          : QStringLiteral("silent for 2 seconds")))
            << note.toStdString();
        EXPECT_EQ(status->currentMessage(), note);
        EXPECT_TRUE(
            frame->grab().save(QStringLiteral(VREL_TEST_OUT "/main_window_silent-%1.png")
                                   .arg(turkish ? QStringLiteral("tr") : QStringLiteral("en")),
                               "PNG"));
        // the watchdog keeps finding the meter silent: nothing more is said
        QSignalSpy watchdog(&view()->timer(2), &QTimer::timeout);
        ASSERT_TRUE(waitFor([&] { return watchdog.count() >= 2; }));
        EXPECT_EQ(said.count(note), 1) << said.join(QLatin1Char('|')).toStdString();
        EXPECT_EQ(stopNote(), note);
        // not connected: start and settings do nothing
        view()->command(CommandId::StartRecording);
        view()->command(CommandId::RecordingSettings);
        EXPECT_FALSE(feature->recording());
        EXPECT_EQ(stopNote(), note);
    }
}

TEST_F(RecordingTest, ANewRecordingOffersToSaveAndDiscardsOnlyWhatIsSafe) {
    recordAtLeast(3);
    view()->command(CommandId::StopRecording);
    const RecordList old = records();
    const std::string oldBytes = FormatTextData(old);
    QTemporaryDir dir;

    // Cancel: nothing happens
    answers.answerNext(Prompt::Answer::Cancel);
    view()->command(CommandId::StartRecording);
    ASSERT_EQ(answers.messages().size(), 1u);
    EXPECT_EQ(answers.messages()[0].text, "Geçerli verileri kaydetmek ister misiniz?");
    EXPECT_EQ(answers.messages()[0].caption, "Kaydedilmemiş veriler");
    EXPECT_EQ(answers.messages()[0].buttons, Prompt::Buttons::YesNoCancel);
    EXPECT_FALSE(feature->recording());
    EXPECT_EQ(records(), old);

    // Yes, but the save dialog is cancelled: kept, not started
    answers.answerNext(Prompt::Answer::Yes);
    view()->command(CommandId::StartRecording);
    EXPECT_EQ(answers.fileRequests().size(), 1u);
    EXPECT_FALSE(feature->recording());
    EXPECT_EQ(records(), old);

    // Yes, and the file cannot be written: reported, kept, not started
    answers.clear();
    answers.answerNext(Prompt::Answer::Yes);
    answers.fileNext(dir.filePath("no-such-folder/a.txt"));
    view()->command(CommandId::StartRecording);
    ASSERT_EQ(answers.messages().size(), 2u);
    EXPECT_TRUE(answers.messages()[1].text.contains("no-such-folder"));
    EXPECT_EQ(answers.messages()[1].caption, "ERROR");
    EXPECT_FALSE(feature->recording());
    EXPECT_EQ(records(), old);

    // Yes and written: the file holds the old series, the new recording starts empty
    const QString saved = dir.filePath("old.txt");
    answers.answerNext(Prompt::Answer::Yes);
    answers.fileNext(saved);
    view()->command(CommandId::StartRecording);
    EXPECT_TRUE(feature->recording());
    QFile f(saved);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll().toStdString(), oldBytes);
    ASSERT_TRUE(waitFor([this] { return records().count() >= 2; }));
    view()->command(CommandId::StopRecording);

    // No: discarded without a file, started
    const int requests = static_cast<int>(answers.fileRequests().size());
    answers.answerNext(Prompt::Answer::No);
    view()->command(CommandId::StartRecording);
    EXPECT_TRUE(feature->recording());
    EXPECT_EQ(static_cast<int>(answers.fileRequests().size()), requests);
    EXPECT_LE(records().count(), 1);
}

TEST_F(RecordingTest, TheTableListsTheSamplesAndTheSwitchShowsEitherView) {
    recordAtLeast(4);
    view()->command(CommandId::StopRecording);
    const Form& form = view()->form();
    auto* table = form.get<QTableView>(MainFormId::table);
    QWidget* graph = form.control(MainFormId::graph);
    EXPECT_FALSE(table->isVisible());
    EXPECT_TRUE(graph->isVisible());

    QTest::mouseClick(form.get<QPushButton>(MainFormId::showTable), Qt::LeftButton);
    EXPECT_TRUE(feature->tableMode());
    EXPECT_TRUE(table->isVisible());
    EXPECT_FALSE(graph->isVisible());
    EXPECT_FALSE(form.control(MainFormId::hScroll)->isVisible());
    EXPECT_FALSE(form.control(MainFormId::vScroll)->isVisible());
    QAbstractItemModel* model = table->model();
    ASSERT_EQ(model->rowCount(), records().count());
    EXPECT_EQ(model->headerData(3, Qt::Horizontal).toString(), "Değer");
    EXPECT_EQ(model->index(1, 0).data().toString(), "2");
    EXPECT_EQ(model->index(1, 2).data().toString(), "dBA");
    EXPECT_EQ(model->index(1, 3).data().toString(), "72.40");
    const QString shot = QStringLiteral(VREL_TEST_OUT "/main_window_table.png");
    EXPECT_TRUE(frame->grab().save(shot, "PNG"));

    QTest::mouseClick(form.get<QPushButton>(MainFormId::showCurve), Qt::LeftButton);
    EXPECT_FALSE(feature->tableMode());
    EXPECT_FALSE(table->isVisible());
    EXPECT_TRUE(graph->isVisible());
    EXPECT_TRUE(form.control(MainFormId::hScroll)->isVisible());

    // clear asks first; Cancel keeps, OK empties series, table and count
    answers.answerNext(Prompt::Answer::Cancel);
    view()->command(CommandId::ClearRecording);
    EXPECT_FALSE(records().empty());
    EXPECT_EQ(answers.messages().back().text, "Verileri sil");
    EXPECT_EQ(answers.messages().back().caption, "Gerçek zamanlı veriler");
    answers.answerNext(Prompt::Answer::Ok);
    view()->command(CommandId::ClearRecording);
    EXPECT_TRUE(records().empty());
    EXPECT_EQ(model->rowCount(), 0);
    EXPECT_EQ(text(view(), 1009), "");
    EXPECT_EQ(text(view(), 1002), "72.4") << "kept until the next sample";
}

TEST_F(RecordingTest, AnUnreadableTimeIsReportedOnceAndNeverFromARedraw) {
    RecordList bad;
    bad.append(CObjData(60, "no time", "dBA", 0, 0.5));
    CGraphicsBtn* graph = view()->graph();
    ASSERT_NE(graph, nullptr);
    graph->Redraw(bad);
    EXPECT_TRUE(answers.messages().empty()) << "not from inside the redraw";
    for (int i = 0; i < 5; ++i) {
        graph->Redraw(bad);
        QTest::mouseMove(graph, QPoint(100 + i * 10, 100));
    }
    ASSERT_TRUE(waitFor([this] { return !answers.messages().empty(); }));
    QApplication::processEvents();
    graph->repaint();
    ASSERT_EQ(answers.messages().size(), 1u);
    EXPECT_EQ(answers.messages()[0].text, "Time Format is wrong!");
    EXPECT_EQ(answers.messages()[0].caption, "Vrel");
    graph->Redraw(records());
}

TEST_F(RecordingTest, AScreenshotDuringARecordingWithBothCursors) {
    sim.setPattern(MeterSimulator::Pattern::Sine);
    recordAtLeast(60);
    CGraphicsBtn* graph = view()->graph();
    const auto at = [graph](int k) { return QPoint(graph->cursorX(k), graph->height() / 2); };
    QTest::mouseDClick(graph, Qt::LeftButton, {}, at(10));
    QTest::mouseClick(graph, Qt::LeftButton, {}, at(15));
    QTest::mouseClick(graph, Qt::LeftButton, {}, at(45));
    EXPECT_EQ(graph->cursorA, 15);
    EXPECT_EQ(graph->cursorB, 45);
    const int placed = records().count();
    ASSERT_TRUE(waitFor([&] { return records().count() >= placed + 20; }));
    QTest::mouseMove(graph, at(30));
    ASSERT_TRUE(feature->recording());
    EXPECT_EQ(text(view(), 1004), QString::asprintf("%.1f", records()[15].value()));
    EXPECT_EQ(text(view(), 1032), "31");
    EXPECT_FALSE(view()->findChild<QLabel*>("1033")->text().isEmpty());
    // the "Akustik" strip: the whole recording as it runs, and the A-B span
    using AcousticGroup::fieldId;
    EXPECT_EQ(text(view(), fieldId(AcousticGroup::Lmax, AcousticGroup::Whole)), text(view(), 1002));
    const AcousticSummary span = summarize(records(), 15, 46, records()[0].samplingRate(), {});
    EXPECT_EQ(text(view(), fieldId(AcousticGroup::Leq, AcousticGroup::Span)),
              QString::asprintf("%.1f", span.leq));
    EXPECT_EQ(text(view(), fieldId(AcousticGroup::L90, AcousticGroup::Span)),
              QString::asprintf("%.1f", span.ln[3]));
    const QString file = QStringLiteral(VREL_TEST_OUT "/main_window_recording.png");
    EXPECT_TRUE(frame->grab().save(file, "PNG"));
}

TEST_F(RecordingTest, TheSecondAkustikPageFollowsTheRecordingWhileShown) {
    using namespace AcousticGroup;
    recordAtLeast(20);
    QAbstractButton* page = pageButton(view());
    ASSERT_NE(page, nullptr);
    auto lex = [this] {
        return view()->findChild<QLineEdit*>(QString::number(rulesFieldId(Lex, Whole)));
    };
    ASSERT_NE(lex(), nullptr);
    EXPECT_FALSE(lex()->isVisible());
    QTest::mouseClick(page, Qt::LeftButton);
    EXPECT_TRUE(lex()->isVisible());
    EXPECT_FALSE(lex()->text().isEmpty()) << "filled as soon as it is shown";
    const int shown = records().count();
    ASSERT_TRUE(waitFor([&] { return records().count() >= shown + 10; }));
    view()->command(CommandId::StopRecording);
    ASSERT_FALSE(feature->recording());
    const NoiseFigures f =
        computeNoiseFigures(records(), 0, records().size(), WindowReport::noiseSettings());
    EXPECT_EQ(lex()->text(), QString::asprintf("%.1f", f.exposure.lex8h)) << "the last reading";
    EXPECT_TRUE(frame->grab().save(QStringLiteral(VREL_TEST_OUT "/main_window_rules.png"), "PNG"));
}

} // namespace

// The settings dialog on its own, with the program's clock standing still.
TEST(RtSetupDialog, ShowsTheCycleAndTheStopTimeAndValidatesTheCount) {
    ManualClock clock(1796634000); // 2026-12-07 09:00:00
    setAppClock(&clock);
    ScriptedPrompt answers;
    ScopedPrompt scope(answers);
    {
        CRTSetup d(40000);
        const auto field = [&d](int id) { return d.form().get<QLineEdit>(id)->text(); };
        EXPECT_EQ(field(1044), "40000");
        EXPECT_EQ(field(1046), "5 hour 33 minute 20 second");
        EXPECT_EQ(field(1047), "2026-12-7,9:0:0");
        EXPECT_EQ(field(1048), "2026-12-7,14:33:20");
        EXPECT_EQ(d.form().get<QComboBox>(1007)->currentText(), "0.5");
        EXPECT_EQ(d.form().get<QComboBox>(1007)->itemText(3), "1.0");

        // a second later the dialog refreshes itself, in the short form
        d.show();
        clock.advance(1);
        ASSERT_TRUE(waitFor([&] { return field(1046) == "5:33:20"; }));
        EXPECT_EQ(field(1047), "2026-12-7,9:0:1");
        EXPECT_EQ(field(1048), "2026-12-7,14:33:21");

        auto* count = d.form().get<QLineEdit>(1044);
        count->selectAll();
        QTest::keyClicks(count, "3");
        d.form().get<QComboBox>(1007)->setCurrentIndex(6); // 2.5 s
        EXPECT_EQ(field(1046), "0:0:7");
        EXPECT_EQ(field(1048), "2026-12-7,9:0:8");
        EXPECT_TRUE(answers.messages().empty());

        // out of range, then no number: the standard messages, the count stays 3
        count->selectAll();
        QTest::keyClicks(count, "0");
        ASSERT_EQ(answers.messages().size(), 1u);
        EXPECT_EQ(answers.messages()[0].text, "Enter an integer between 1 and 40000.");
        EXPECT_EQ(field(1044), "3");
        count->setText("x");
        ASSERT_EQ(answers.messages().size(), 2u);
        EXPECT_EQ(answers.messages()[1].text, "Please enter an integer.");
        EXPECT_EQ(d.dataSetCount(), 3);
        EXPECT_EQ(d.rateIndex(), 0) << "taken only by Başlat";
        d.accept();
        EXPECT_EQ(d.result(), QDialog::Accepted);
        EXPECT_EQ(d.rateIndex(), 6);
    }
    setAppClock(nullptr);
}
