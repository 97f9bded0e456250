#include "PtyPair.h"

#include "link/MeterLink.h"
#include "link/MeterSimulator.h"
#include "model/Clock.h"
#include "protocol/LoggerEncoder.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

constexpr int waitMs = 20000;

// 2026-12-07 09:00:00 UTC
constexpr std::time_t testTime = 1796634000;

class MeterTest : public ::testing::Test {
  protected:
    void SetUp() override { setAppClock(&clock); }
    void TearDown() override {
        link.close();
        sim.stop();
        setAppClock(nullptr);
    }

    void startAndConnect() {
        QString error;
        ASSERT_TRUE(sim.start(&error)) << error.toStdString();
        ASSERT_TRUE(link.open(sim.devicePath(), &error)) << error.toStdString();
    }
    template <typename Pred> bool waitForState(Pred pred) {
        return QTest::qWaitFor([&] { return pred(link.snapshot().state); }, waitMs);
    }

    ManualClock clock{testTime};
    MeterSimulator sim;
    MeterLink link{clock};
};

TEST_F(MeterTest, TheDecodedStateFollowsTheSimulatedMeter) {
    MeterReading r;
    r.tenths = 634;
    r.range = 2;
    r.weightingA = false;
    r.minMode = true;
    r.meterRec = true;
    sim.setReading(r);
    startAndConnect();
    // The link may join the stream between the two frames of a state, so the
    // whole state is there once a frame of each kind has been decoded.
    ASSERT_TRUE(waitForState([](const LiveState& s) { return s.level == 63.4 && s.range != 0; }));
    const MeterLink::Snapshot snap = link.snapshot();
    EXPECT_EQ(snap.state.range, 2);
    EXPECT_FALSE(snap.state.weightingA);
    EXPECT_TRUE(snap.state.minMode);
    EXPECT_FALSE(snap.state.maxMode);
    EXPECT_TRUE(snap.state.meterRec);
    EXPECT_FALSE(snap.state.fast);
    EXPECT_TRUE(snap.connected);
    EXPECT_EQ(snap.lastReceiveTime, testTime);
    // The meter's clock follows the PC's; the date is the PC's.
    ASSERT_TRUE(waitForState([](const LiveState& s) { return !s.meterTime.empty(); }));
    EXPECT_EQ(link.snapshot().state.meterTime, "07-12-2026,09:00:00");

    sim.setConstantLevel(101.7);
    clock.advance(3723);
    ASSERT_TRUE(waitForState([](const LiveState& s) { return s.level == 101.7; }));
    ASSERT_TRUE(
        waitForState([](const LiveState& s) { return s.meterTime == "07-12-2026,10:02:03"; }));

    // Line noise between frames is skipped.
    sim.injectGarbage(37);
    sim.setConstantLevel(88.8);
    ASSERT_TRUE(waitForState([](const LiveState& s) { return s.level == 88.8; }));
    EXPECT_FALSE(link.snapshot().state.hold);

    // Levels from a list, one per frame pair.
    sim.setLevels({40.0, 41.0});
    sim.setPattern(MeterSimulator::Pattern::File);
    ASSERT_TRUE(waitForState([](const LiveState& s) { return s.level == 40.0; }));
    ASSERT_TRUE(waitForState([](const LiveState& s) { return s.level == 41.0; }));
}

TEST_F(MeterTest, KeyBytesWrittenThroughTheLinkChangeTheMetersState) {
    startAndConnect();
    ASSERT_TRUE(waitForState([](const LiveState& s) { return s.range == 1; }));
    const LiveState before = link.snapshot().state;

    EXPECT_EQ(link.write(QByteArray(1, '\x77')), 1);
    ASSERT_TRUE(waitForState([&](const LiveState& s) { return s.fast != before.fast; }));
    EXPECT_EQ(sim.reading().fast, !before.fast);

    EXPECT_EQ(link.write(QByteArray("\x88\x88", 2)), 2);
    ASSERT_TRUE(waitForState([](const LiveState& s) { return s.range == 3; }));

    link.write(QByteArray(1, '\x11'));
    ASSERT_TRUE(waitForState([](const LiveState& s) { return s.maxMode; }));
    link.write(QByteArray(1, '\x11'));
    ASSERT_TRUE(waitForState([](const LiveState& s) { return s.minMode && !s.maxMode; }));
    link.write(QByteArray(1, '\x11'));
    ASSERT_TRUE(waitForState([](const LiveState& s) { return !s.minMode && !s.maxMode; }));

    link.write(QByteArray(1, '\x99'));
    ASSERT_TRUE(
        waitForState([&](const LiveState& s) { return s.weightingA != before.weightingA; }));
    link.write(QByteArray(1, '\x55'));
    ASSERT_TRUE(waitForState([&](const LiveState& s) { return s.meterRec != before.meterRec; }));

    link.write(QByteArray(1, '\x33'));
    ASSERT_TRUE(waitForState([](const LiveState& s) { return s.hold; }));
    EXPECT_TRUE(sim.hold());
    link.write(QByteArray(1, '\x33'));
    ASSERT_TRUE(waitForState([](const LiveState& s) { return !s.hold; }));

    EXPECT_EQ(sim.received(), QByteArray("\x77\x88\x88\x11\x11\x11\x99\x55\x33\x33"));
}

TEST_F(MeterTest, HoldWhileRecordingAsksForTheRecordingToStop) {
    QSignalSpy stops(&link, &MeterLink::stopRecordingRequested);
    startAndConnect();
    ASSERT_TRUE(waitForState([](const LiveState& s) { return s.range != 0; }));
    sim.setHold(true);
    ASSERT_TRUE(waitForState([](const LiveState& s) { return s.hold; }));
    EXPECT_EQ(stops.count(), 0); // not recording

    sim.setHold(false);
    ASSERT_TRUE(waitForState([](const LiveState& s) { return !s.hold; }));
    link.withDecoder([](MeterDecoder& d) { d.recording = true; });
    sim.setHold(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return stops.count() > 0; }, waitMs));
    EXPECT_TRUE(link.snapshot().recording);
}

TEST_F(MeterTest, APulledCableIsReportedAsPortLost) {
    QSignalSpy lost(&link, &MeterLink::portLost);
    startAndConnect();
    ASSERT_TRUE(waitForState([](const LiveState& s) { return s.range != 0; }));
    const QString device = sim.devicePath();
    sim.hangUp();
    ASSERT_TRUE(QTest::qWaitFor([&] { return lost.count() > 0; }, waitMs));
    EXPECT_EQ(lost.count(), 1);
    EXPECT_TRUE(lost.at(0).at(0).toString().contains(device));
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(link.write(QByteArray(1, '\x77')), 0);

    // The same link connects again to a meter that comes back.
    startAndConnect();
    EXPECT_TRUE(link.isOpen());
    sim.setConstantLevel(77.7);
    ASSERT_TRUE(waitForState([](const LiveState& s) { return s.level == 77.7; }));
    link.close();
    QCoreApplication::processEvents();
    EXPECT_EQ(lost.count(), 1); // closing is not a loss
}

TEST_F(MeterTest, OpeningAMissingDeviceFailsWithAReason) {
    QString error;
    EXPECT_FALSE(link.open(QStringLiteral("/dev/vrel-no-such-meter"), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(link.isOpen());
}

// Frames fed straight from the far end of a pseudo-terminal, so the test knows
// when the reader has taken them all.
TEST(MeterLinkRedraw, BurstsOfFramesAskForOneRedrawAtMostEveryHoldOff) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    ManualClock clock{testTime};
    MeterLink link{clock};
    QSignalSpy redraws(&link, &MeterLink::redrawNeeded);
    ASSERT_TRUE(link.open(pty.path()));

    auto feedAndWait = [&](int firstTenths, int states) {
        std::vector<std::uint8_t> bytes;
        MeterReading r;
        for (int i = 0; i < states; ++i) {
            r.tenths = firstTenths + i;
            const auto f = EncodeLiveFrames(r);
            bytes.insert(bytes.end(), f.begin(), f.end());
        }
        bytes.push_back(0x00); // the last frame is decoded once data follows it
        pty.send(bytes);
        const double last = (firstTenths + states - 1) / 10.0;
        // Without pumping events: the redraws stay queued meanwhile.
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
        while (link.snapshot().state.level != last && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return link.snapshot().state.level == last;
    };

    ASSERT_TRUE(feedAndWait(400, 50));
    EXPECT_EQ(redraws.count(), 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(redraws.count(), 1);

    // A burst within the hold-off after a redraw is shown when the hold-off
    // ends, once: the panel never waits long, and never paints every frame.
    ASSERT_TRUE(feedAndWait(600, 5));
    ASSERT_TRUE(QTest::qWaitFor([&] { return redraws.count() == 2; }, waitMs));
    QTest::qWait(3 * MeterLink::redrawPeriodMs);
    EXPECT_EQ(redraws.count(), 2) << "nothing new came: no further redraw";
}

TEST(MeterLinkLogger, ADumpIsReportedWithItsProgressAndItsEnd) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    ManualClock clock{testTime};
    MeterLink link{clock};
    QSignalSpy progress(&link, &MeterLink::loggerProgress);
    QSignalSpy ended(&link, &MeterLink::loggerEnded);
    ASSERT_TRUE(link.open(pty.path()));

    link.withDecoder([](MeterDecoder& d) { d.beginLoggerDownload(); });
    const auto sets = DemoLoggerMemory();
    pty.send(EncodeLoggerDump(sets));
    ASSERT_TRUE(QTest::qWaitFor([&] { return ended.count() > 0; }, waitMs));
    EXPECT_EQ(ended.count(), 1);

    std::size_t readings = 0;
    for (const auto& set : sets)
        readings += set.tenths.size();
    RecordList records;
    link.withDecoder([&](MeterDecoder& d) { records = d.takeLoggerRecords(); });
    EXPECT_EQ(records.size(), readings);
    ASSERT_GT(progress.count(), 0);
    for (const auto& args : progress) {
        EXPECT_GE(args.at(0).toInt(), 0);
        EXPECT_LE(args.at(0).toInt(), args.at(1).toInt());
    }
}

} // namespace

namespace {

// Asks the simulated meter for its memory as the download command does:
// the request again and again until the dump's header has been seen.
RecordList downloadMemory(MeterLink& link, bool* ended) {
    QSignalSpy endedSpy(&link, &MeterLink::loggerEnded);
    link.withDecoder([](MeterDecoder& d) { d.beginLoggerDownload(); });
    const QByteArray request(reinterpret_cast<const char*>(loggerRequest), 2);
    bool headerSeen = false;
    for (int i = 0; i < 200 && !headerSeen; ++i) {
        link.write(request);
        headerSeen = QTest::qWaitFor(
            [&] {
                bool seen = false;
                link.withDecoder([&](MeterDecoder& d) { seen = d.loggerHeaderSeen; });
                return seen;
            },
            100);
    }
    *ended = headerSeen && (endedSpy.count() > 0 || endedSpy.wait(waitMs));
    RecordList records;
    link.withDecoder([&](MeterDecoder& d) { records = d.takeLoggerRecords(); });
    return records;
}

TEST_F(MeterTest, TheMeterAnswersTheMemoryRequestWithItsDump) {
    LoggerSet set;
    set.start = {2026, 12, 7, 14, 30, 0};
    set.interval = 2;
    set.tenths = {456, 512, 1203};
    LoggerSet second = set;
    second.weightingA = false;
    second.tenths = {700};
    sim.setMemory({set, second});
    startAndConnect();
    ASSERT_TRUE(waitForState([](const LiveState& s) { return s.range != 0; }));

    bool ended = false;
    const RecordList records = downloadMemory(link, &ended);
    ASSERT_TRUE(ended);
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0], CObjData(45.6, "07-12-2026,14:30:00", "dBA", 1, 2.0));
    EXPECT_EQ(records[2], CObjData(120.3, "07-12-2026,14:30:04", "dBA", 1, 2.0));
    EXPECT_EQ(records[3], CObjData(70.0, "07-12-2026,14:30:00", "dBC", 2, 2.0));
    EXPECT_EQ(sim.dumpsSent(), 1) << "repeated requests are answered once";

    // Live frames follow the dump again.
    link.withDecoder([](MeterDecoder& d) { d.state.range = 0; });
    ASSERT_TRUE(waitForState([](const LiveState& s) { return s.range != 0; }));
}

TEST_F(MeterTest, AnEmptyMemoryEndsTheDownloadAtOnce) {
    sim.setMemory({});
    startAndConnect();
    bool ended = false;
    EXPECT_TRUE(downloadMemory(link, &ended).empty());
    EXPECT_TRUE(ended);
}

} // namespace
