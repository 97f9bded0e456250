#include "app/MainFrame.h"
#include "app/MyVrelView.h"
#include "app/RecordingFeature.h"
#include "config/ColorConfig.h"
#include "formats/RecordingJournal.h"
#include "formats/TextDataFile.h"
#include "ui/Prompt.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>

namespace {

namespace fs = std::filesystem;

// The journal's folder for one test; the folder the other tests use is put back after.
class JournalRestoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        previous = appDataFolder();
        setAppDataFolderOverride(fs::path(dir.path().toStdString()));
    }
    void TearDown() override { setAppDataFolderOverride(previous); }

    fs::path journalPath() const { return RecordingJournal::defaultPath(appDataFolder()); }

    std::unique_ptr<CMainFrame> startProgram() {
        auto frame = std::make_unique<CMainFrame>();
        frame->view()->setPortEnumerator([] { return std::vector<SSerInfo>{}; });
        frame->view()->initialUpdate();
        return frame;
    }

    QTemporaryDir dir;
    fs::path previous;
};

TEST_F(JournalRestoreTest, ARecordingKilledMidwayIsRestoredOnTheNextStart) {
    QProcess child;
    child.start(QStringLiteral(VREL_JOURNAL_CHILD), {dir.path()});
    ASSERT_TRUE(child.waitForStarted());
    QStringList lines;
    const int wanted = 40; // four seconds at 0.1 s
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            while (child.canReadLine())
                lines << QString::fromLatin1(child.readLine()).trimmed();
            return lines.size() >= wanted || child.state() == QProcess::NotRunning;
        },
        60000));
    ASSERT_GE(lines.size(), wanted) << child.readAllStandardError().toStdString();
    child.kill(); // SIGKILL: no destructor, no clean-up
    ASSERT_TRUE(child.waitForFinished());
    while (child.canReadLine())
        lines << QString::fromLatin1(child.readLine()).trimmed();
    ASSERT_TRUE(fs::exists(journalPath()));

    ScriptedPrompt answers;
    ScopedPrompt scoped(answers);
    answers.answerNext(Prompt::Answer::Yes);
    auto frame = startProgram();
    recordingFeature(*frame->view())->offerJournal();
    ASSERT_EQ(answers.messages().size(), 1u);
    EXPECT_TRUE(answers.messages()[0].text.contains(QStringLiteral("Geri yüklensin mi?")));

    const RecordList& restored = frame->view()->realTimeRecords();
    // At most the last second's samples may be lost, and every restored
    // sample is the one recorded.
    EXPECT_GE(restored.count(), lines.size() - 10);
    ASSERT_LE(restored.count(), lines.size());
    for (int i = 0; i < restored.count(); ++i)
        ASSERT_EQ(QString::fromStdString(TextDataLine(restored[static_cast<std::size_t>(i)])),
                  lines[i])
            << i;
    EXPECT_EQ(recordingFeature(*frame->view())->stats().samplingRate, 0.1);
    std::printf("samples recorded before the kill: %lld, restored: %d\n",
                static_cast<long long>(lines.size()), restored.count());

    // Restored but still unsaved: the journal stays until a clean end.
    EXPECT_TRUE(fs::exists(journalPath()));
    frame.reset();
    EXPECT_FALSE(fs::exists(journalPath())) << "a clean exit leaves no journal";
}

TEST_F(JournalRestoreTest, NoKeepsTheJournalAsideUnderADatedName) {
    fs::create_directories(journalPath().parent_path());
    RecordList series;
    series.append(CObjData(61.5, "08-12-2026,10:00:00", "dBA", 0, 0.5));
    std::ofstream(journalPath(), std::ios::binary) << FormatTextData(series);

    ScriptedPrompt answers;
    ScopedPrompt scoped(answers);
    answers.answerNext(Prompt::Answer::No);
    auto frame = startProgram();
    recordingFeature(*frame->view())->offerJournal();
    EXPECT_TRUE(frame->view()->realTimeRecords().empty());
    EXPECT_FALSE(fs::exists(journalPath()));
    const QStringList kept = QDir(QString::fromStdString(journalPath().parent_path().string()))
                                 .entryList({QStringLiteral("recording-*.txt")});
    ASSERT_EQ(kept.size(), 1);
    EXPECT_NE(kept[0], QStringLiteral("recording-journal.txt"));
}

TEST_F(JournalRestoreTest, NothingIsAskedWithoutAJournalOrForAnEmptyOne) {
    ScriptedPrompt answers;
    ScopedPrompt scoped(answers);
    auto frame = startProgram();
    recordingFeature(*frame->view())->offerJournal();
    fs::create_directories(journalPath().parent_path());
    std::ofstream(journalPath(), std::ios::binary) << TextDataHeader(0.1) << "\r\n";
    recordingFeature(*frame->view())->offerJournal();
    EXPECT_TRUE(answers.messages().empty());
    EXPECT_FALSE(fs::exists(journalPath()));
}

} // namespace
