// The meter session through a real pseudo-terminal: a pulled cable counts at
// once, the chosen port comes back by itself, and a tick never takes a level
// the meter stopped sending.
#include "SimulatedMeterTest.h"
#include "link/MeterSession.h"
#include "model/Clock.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

constexpr int waitMs = 20000;
constexpr std::time_t testTime = 1796634000; // 2026-12-07 09:00:00 UTC

class SessionTest : public SimulatedMeterTest {
  protected:
    bool waitForCause(GapCause cause) {
        return QTest::qWaitFor([&] { return session.tickView().verdict.cause == cause; }, waitMs);
    }

    ManualClock clock{testTime};
    MeterSession session{clock};
};

TEST_F(SessionTest, AChosenPortIsLostAtOnceAndOpenedAgainWhenItsDeviceReturns) {
    QSignalSpy lost(&session, &MeterSession::portLost);
    QSignalSpy reopened(&session, &MeterSession::portReopened);
    ASSERT_TRUE(session.openChosen(linkPath, -1));
    EXPECT_EQ(session.mode(), MeterSession::Mode::Chosen);
    ASSERT_TRUE(waitForCause(GapCause::None));
    EXPECT_DOUBLE_EQ(session.tickView().snapshot.state.level, 61.5);

    sim.hangUp();
    ASSERT_TRUE(QTest::qWaitFor([&] { return lost.count() == 1; }, waitMs));
    // No watchdog has run, and the clock has not moved: the loss alone counts.
    const MeterSession::TickView view = session.tickView();
    EXPECT_EQ(view.verdict.cause, GapCause::Disconnected);
    EXPECT_FALSE(view.snapshot.connected);
    EXPECT_TRUE(session.waiting());
    EXPECT_FALSE(session.checkSilence()) << "a port that is away waits; it is not silent";

    sim.setConstantLevel(72.3);
    QString error;
    ASSERT_TRUE(sim.start(&error)) << error.toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return reopened.count() == 1; }, waitMs));
    EXPECT_FALSE(session.waiting());
    ASSERT_TRUE(waitForCause(GapCause::None));
    EXPECT_DOUBLE_EQ(session.tickView().snapshot.state.level, 72.3)
        << "nothing from before the pull is read as the meter's now";
    EXPECT_EQ(lost.count(), 1);
}

TEST_F(SessionTest, ALevelOlderThanASecondIsNotTakenBeforeTheWatchdogSpeaks) {
    ASSERT_TRUE(session.openChosen(linkPath, -1));
    ASSERT_TRUE(waitForCause(GapCause::None));
    sim.silence(600);
    // Let every frame on its way land: the line has been still for a while.
    std::uint64_t sent = sim.bytesSent();
    for (int still = 0; still < 3;) {
        QTest::qWait(150);
        still = sim.bytesSent() == sent ? still + 1 : 0;
        sent = sim.bytesSent();
    }
    clock.advance(1);
    EXPECT_EQ(session.tickView().verdict.cause, GapCause::None) << "a second old is still fresh";
    clock.advance(1);
    EXPECT_EQ(session.tickView().verdict.cause, GapCause::Silence);
    EXPECT_TRUE(session.checkSilence()) << "two seconds: the watchdog speaks once";
    EXPECT_FALSE(session.checkSilence());
    EXPECT_FALSE(session.tickView().snapshot.connected);
    EXPECT_EQ(session.tickView().verdict.cause, GapCause::Silence);
}

TEST_F(SessionTest, AutomaticDetectionReopensTheSamePathAndAnnouncesListChanges) {
    const std::string path = linkPath.toStdString();
    bool present = true;
    session.setEnumerator([&] {
        std::vector<SSerInfo> ports;
        if (present) {
            SSerInfo s;
            s.devicePath = path;
            s.portName = "meter";
            s.usb = true;
            s.vendorId = 0x10c4;
            s.productId = 0xea60;
            ports.push_back(s);
        }
        return ports;
    });
    QSignalSpy changed(&session, &MeterSession::portListChanged);
    QSignalSpy reopened(&session, &MeterSession::portReopened);
    const auto found = session.findMeter();
    ASSERT_TRUE(found);
    ASSERT_TRUE(session.openFound(*found));
    EXPECT_EQ(session.mode(), MeterSession::Mode::Automatic);
    ASSERT_TRUE(waitForCause(GapCause::None));

    present = false;
    sim.hangUp();
    ASSERT_TRUE(waitForCause(GapCause::Disconnected));
    ASSERT_TRUE(QTest::qWaitFor([&] { return changed.count() >= 1; }, waitMs));

    present = true;
    QString error;
    ASSERT_TRUE(sim.start(&error)) << error.toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return reopened.count() == 1; }, waitMs));
    ASSERT_TRUE(waitForCause(GapCause::None));
    EXPECT_GE(changed.count(), 2);
}

} // namespace
