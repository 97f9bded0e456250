#include "link/Download.h"
#include "link/MeterLink.h"
#include "link/MeterSimulator.h"
#include "model/Clock.h"
#include "model/DataSets.h"
#include "protocol/LoggerEncoder.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

// A program without windows downloading through the shared download: the real
// clock, since the silence it watches for is real.
class MemoryDownload : public ::testing::Test {
  protected:
    void TearDown() override {
        link.close();
        sim.stop();
    }
    void start() {
        QString error;
        ASSERT_TRUE(sim.start(&error)) << error.toStdString();
        ASSERT_TRUE(link.open(sim.devicePath(), &error)) << error.toStdString();
    }

    SystemClock clock;
    MeterSimulator sim;
    MeterLink link{clock};
};

} // namespace

TEST_F(MemoryDownload, TheDemoMemoryComesInItsSets) {
    start();
    const LoggerDownloadResult result = downloadLoggerMemory(link, clock);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    const std::vector<DataSetRow> rows = GroupDataSets(result.records);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].cells(),
              (std::array<std::string, 5>{"1", "07-12-2026,9:00:00", "dBA", "1.00", "60"}));
    EXPECT_EQ(rows[2].cells(),
              (std::array<std::string, 5>{"3", "07-12-2026,23:58:30", "dBA", "10.00", "20"}));
    EXPECT_EQ(sim.dumpsSent(), 1);
    EXPECT_FALSE(link.snapshot().loggerBusy);
    // The link goes back to live frames.
    link.withDecoder([](MeterDecoder& d) { d.state.range = 0; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return link.snapshot().state.range != 0; }, 20000));
}

TEST_F(MemoryDownload, AnEmptyMemoryIsASuccessWithoutRecords) {
    sim.setMemory({});
    start();
    const LoggerDownloadResult result = downloadLoggerMemory(link, clock);
    EXPECT_TRUE(result.ok);
    EXPECT_TRUE(result.records.empty());
}

TEST_F(MemoryDownload, AMeterThatNeverSpeaksFails) {
    sim.silence(600);
    start();
    const LoggerDownloadResult result = downloadLoggerMemory(link, clock, 1);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, "the meter did not answer");
    EXPECT_TRUE(result.records.empty());
    EXPECT_FALSE(link.snapshot().loggerBusy);
}

TEST_F(MemoryDownload, ADumpThatBreaksOffFailsWithoutRecords) {
    LoggerSet set;
    set.start = {2026, 12, 7, 9, 0, 0};
    for (int i = 0; i < 3000; ++i)
        set.tenths.push_back(500);
    sim.setMemory({set});
    start();
    // The meter falls silent as soon as its dump has begun.
    QObject::connect(&link, &MeterLink::loggerProgress, &link, [this] { sim.silence(600); });
    const LoggerDownloadResult result = downloadLoggerMemory(link, clock, 1);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, "the download broke off");
    EXPECT_TRUE(result.records.empty());
}

TEST_F(MemoryDownload, AClosedPortFailsAtOnce) {
    const LoggerDownloadResult result = downloadLoggerMemory(link, clock);
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.error.isEmpty());
}
