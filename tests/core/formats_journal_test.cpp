#include "formats/RecordingJournal.h"
#include "formats/TextDataFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

class JournalTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("vrel-journal-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    static CObjData sample(int i) {
        return CObjData(50.0 + i / 10.0,
                        "08-12-2026,10:00:" + std::string(i < 10 ? "0" : "") + std::to_string(i),
                        "dBA", 0, 0.1);
    }
    static std::string slurp(const fs::path& p) {
        std::ifstream f(p, std::ios::binary);
        std::stringstream ss;
        ss << f.rdbuf();
        return ss.str();
    }

    fs::path dir;
};

TEST_F(JournalTest, KeepsEverySampleInTheDataFileFormatUntilDiscarded) {
    RecordingJournal journal(RecordingJournal::defaultPath(dir));
    ASSERT_TRUE(journal.start(0.1));
    RecordList series;
    for (int i = 0; i < 12; ++i) {
        series.append(sample(i));
        ASSERT_TRUE(journal.append(series.back()));
        // Each sample is in the file as soon as it is taken, not at the end.
        EXPECT_EQ(slurp(journal.path()), FormatTextData(series));
    }
    journal.stop();
    EXPECT_FALSE(journal.writing());
    const auto restored = RecordingJournal::recover(journal.path());
    ASSERT_TRUE(restored);
    ASSERT_EQ(restored->size(), 12u);
    EXPECT_EQ((*restored)[11].value(), 51.1);
    EXPECT_EQ((*restored)[11].dateTime(), "08-12-2026,10:00:11");

    journal.discard();
    EXPECT_FALSE(fs::exists(journal.path()));
    EXPECT_FALSE(RecordingJournal::recover(journal.path()));
}

TEST_F(JournalTest, ALastLineCutShortIsDroppedNotFatal) {
    fs::create_directories(dir);
    const fs::path p = dir / "j.txt";
    RecordList series;
    series.append(sample(1));
    series.append(sample(2));
    std::ofstream(p, std::ios::binary) << FormatTextData(series) << "08-12-2026,10:0";
    const auto restored = RecordingJournal::recover(p);
    ASSERT_TRUE(restored);
    EXPECT_EQ(restored->size(), 2u);
    // Cut inside the header: nothing to restore.
    std::ofstream(p, std::ios::binary) << "Kovra Sound Level";
    EXPECT_FALSE(RecordingJournal::recover(p));
}

TEST_F(JournalTest, ANewRecordingStartsTheJournalOver) {
    RecordingJournal journal(dir / "j.txt");
    ASSERT_TRUE(journal.start(1.0));
    journal.append(sample(1));
    ASSERT_TRUE(journal.start(0.5));
    journal.append(sample(2));
    journal.stop();
    const auto restored = RecordingJournal::recover(journal.path());
    ASSERT_TRUE(restored);
    ASSERT_EQ(restored->size(), 1u);
    EXPECT_EQ((*restored)[0].samplingRate(), 0.5);
}

TEST_F(JournalTest, AJournalThatCannotBeWrittenReportsOnceAndStops) {
    fs::create_directories(dir);
    // A folder where the file should be: the journal cannot be created.
    fs::create_directories(dir / "j.txt");
    RecordingJournal journal(dir / "j.txt");
    EXPECT_FALSE(journal.start(0.1));
    ASSERT_TRUE(journal.error());
    EXPECT_FALSE(journal.writing());
    EXPECT_FALSE(journal.append(sample(1)));
    journal.stop();
}

TEST_F(JournalTest, KeptAsideUnderADatedNameBesideIt) {
    fs::create_directories(dir);
    const fs::path p = dir / "recording-journal.txt";
    std::ofstream(p) << "x";
    ManualClock clock(1796724305); // 2026-12-08 10:05:05 UTC
    const auto first = RecordingJournal::keepAside(p, clock);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->filename(), "recording-2026-12-08-100505.txt");
    EXPECT_FALSE(fs::exists(p));
    std::ofstream(p) << "y";
    const auto second = RecordingJournal::keepAside(p, clock);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->filename(), "recording-2026-12-08-100505-2.txt");
    EXPECT_EQ(slurp(*first), "x");
    EXPECT_FALSE(RecordingJournal::keepAside(dir / "missing.txt", clock));
}

} // namespace
