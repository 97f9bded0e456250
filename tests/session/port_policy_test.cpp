// The port policy both programs follow, driven directly on the meter
// simulator's pseudo-terminal: a changed port list opens the meter only under
// automatic detection, a quiet meter gets the watchdog's verdicts on the
// program's clock, and a port that comes back is opened again and told once.
#include "SimulatedMeterTest.h"
#include "model/Clock.h"
#include "session/PortPolicy.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

constexpr int waitMs = 20000;
constexpr std::time_t testTime = 1796634000; // 2026-12-07 09:00:00 UTC
// Quick enough for a test; the programs' own timings only differ in length.
constexpr PortPolicy::Timing quick{100, 100};

class PortPolicyTest : public SimulatedMeterTest {
  protected:
    // A policy of its own for each case, on the test's clock. The meter's
    // bridge is listed while its device exists, as the system lists a USB port.
    std::unique_ptr<PortPolicy> policy() {
        auto ports = std::make_unique<PortPolicy>(clock, quick);
        const std::string path = linkPath.toStdString();
        ports->setEnumerator([this, path] {
            std::vector<SSerInfo> list;
            if (listed && QFileInfo::exists(QString::fromStdString(path))) {
                SSerInfo s;
                s.devicePath = path;
                s.portName = "ttyUSB0";
                s.usb = true;
                s.vendorId = 0x10c4;
                s.productId = 0xea60;
                list.push_back(s);
            }
            return list;
        });
        return ports;
    }

    static bool waitFor(const std::function<bool()>& condition) {
        return QTest::qWaitFor(condition, waitMs);
    }

    bool listed = true;
    ManualClock clock{testTime};
};

bool connected(PortPolicy& ports) {
    return ports.link().snapshot().connected;
}

TEST_F(PortPolicyTest, APortListChangeOpensTheMeterOnlyUnderAutomaticDetection) {
    for (const bool automatic : {true, false}) {
        SCOPED_TRACE(automatic ? "automatic" : "chosen");
        listed = false;
        const auto owned = policy();
        PortPolicy& ports = *owned;
        ports.setAutomatic(automatic);
        QSignalSpy reopened(&ports, &PortPolicy::reopened);
        QSignalSpy failed(&ports, &PortPolicy::openFailed);
        ports.detectAndOpen();
        EXPECT_FALSE(ports.meter().portOpen()) << "nothing listed, nothing opened";

        listed = true;
        if (automatic) {
            // The session's look at the list finds the bridge, detection
            // opens it after the settling delay and says the meter is back.
            ASSERT_TRUE(waitFor([&] { return reopened.count() == 1; }));
            EXPECT_EQ(ports.meter().portPath(), linkPath);
            ASSERT_TRUE(waitFor([&] { return connected(ports); }));
            EXPECT_TRUE(ports.watchdogTimer().isActive());
        } else {
            ports.redetect();
            EXPECT_FALSE(ports.redetectTimer().isActive());
            QTest::qWait(3 * quick.redetectDelayMs);
            EXPECT_EQ(reopened.count(), 0);
        }
        EXPECT_EQ(failed.count(), 0);
    }
}

TEST_F(PortPolicyTest, AQuietMeterGetsTheWatchdogsVerdict) {
    struct Case {
        const char* name;
        bool pull;        // the cable is pulled rather than the meter falling silent
        bool recording;   // a recording runs on the meter
        bool downloading; // a logger download is in progress
        GapCause ends;    // why the recording ends
    };
    const Case cases[] = {
        {"silent while recording", false, true, false, GapCause::Silence},
        {"silent while downloading", false, false, true, GapCause::None},
        // last: the simulator stays away
        {"pulled while recording", true, true, false, GapCause::Disconnected},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto owned = policy();
        PortPolicy& ports = *owned;
        QString error;
        ASSERT_TRUE(ports.open(linkPath, -1, &error)) << error.toStdString();
        ASSERT_TRUE(waitFor([&] { return connected(ports); }));
        ports.link().withDecoder([&c](MeterDecoder& d) {
            d.recording = c.recording;
            d.loggerBusy = c.downloading;
        });
        QSignalSpy silenced(&ports, &PortPolicy::silenced);
        QSignalSpy resumed(&ports, &PortPolicy::resumed);
        QSignalSpy ends(&ports, &PortPolicy::recordingEnds);
        QSignalSpy quiet(&ports, &PortPolicy::quiet);
        QSignalSpy stopped(&ports, &PortPolicy::downloadStopped);
        QSignalSpy lost(&ports, &PortPolicy::portLost);
        if (c.pull) {
            sim.hangUp();
            ASSERT_TRUE(waitFor([&] { return lost.count() == 1; }));
        } else {
            sim.silence(2);
            // what was on its way before the silence is in
            QTest::qWait(300);
        }
        // On the program's clock nothing is quiet until two seconds pass.
        EXPECT_EQ(quiet.count(), 0);
        clock.advance(2);
        ASSERT_TRUE(waitFor([&] { return quiet.count() >= 2; }));
        EXPECT_FALSE(connected(ports));
        EXPECT_FALSE(ports.link().snapshot().loggerBusy);
        EXPECT_EQ(stopped.count(), c.downloading ? 1 : 0) << "a failed download is told once";
        if (c.recording) {
            ASSERT_GE(ends.count(), 1);
            EXPECT_EQ(ends.first().at(0).value<GapCause>(), c.ends);
        } else {
            EXPECT_EQ(ends.count(), 0);
        }
        if (c.pull) {
            EXPECT_EQ(silenced.count(), 0) << "a port that is away waits; it is not silent";
        } else {
            EXPECT_EQ(silenced.count(), 1) << "the silence is told once";
            // the meter's silence ends and it sends again
            ASSERT_TRUE(waitFor([&] { return resumed.count() == 1; }));
            ASSERT_TRUE(waitFor([&] { return connected(ports); }));
        }
    }
}

TEST_F(PortPolicyTest, APortThatComesBackIsOpenedAgainAndToldOnce) {
    for (const bool automatic : {true, false}) {
        SCOPED_TRACE(automatic ? "automatic" : "chosen");
        const auto owned = policy();
        PortPolicy& ports = *owned;
        QString error;
        ports.setAutomatic(automatic);
        ASSERT_TRUE(ports.open(linkPath, -1, &error)) << error.toStdString();
        ASSERT_TRUE(waitFor([&] { return connected(ports); }));
        QSignalSpy lost(&ports, &PortPolicy::portLost);
        QSignalSpy reopened(&ports, &PortPolicy::reopened);
        QSignalSpy opening(&ports, &PortPolicy::opening);

        // The system's list loses the bridge with its device and has it back
        // with it.
        QSignalSpy listChanged(&ports.meter(), &MeterSession::portListChanged);
        listed = false;
        sim.hangUp();
        ASSERT_TRUE(waitFor([&] { return lost.count() == 1; }));
        EXPECT_TRUE(ports.meter().waiting());
        EXPECT_FALSE(connected(ports));
        if (automatic) {
            ASSERT_TRUE(waitFor([&] { return listChanged.count() == 1; }));
        }

        sim.setConstantLevel(automatic ? 48.8 : 55.5);
        ASSERT_TRUE(sim.start(&error)) << error.toStdString();
        listed = true;
        // A meter slow to speak after its return: its first frame comes
        // after detection has looked at the changed list.
        sim.silence(1);
        ASSERT_TRUE(waitFor([&] { return reopened.count() == 1; }));
        EXPECT_EQ(ports.meter().portPath(), linkPath);
        ASSERT_TRUE(waitFor([&] {
            const MeterLink::Snapshot s = ports.link().snapshot();
            return s.connected && s.state.level == (automatic ? 48.8 : 55.5);
        }));
        // In automatic mode detection looks at the changed list before the
        // meter speaks; the port it came back on is not opened a second time.
        QTest::qWait(3 * quick.redetectDelayMs);
        EXPECT_EQ(reopened.count(), 1);
        EXPECT_EQ(opening.count(), 0);
        EXPECT_EQ(lost.count(), 1);
    }
}

TEST_F(PortPolicyTest, ThePortGivenOrTheOneFoundIsOpenedOrWhyNotIsSaid) {
    using Outcome = PortOpening::Outcome;
    const std::string simPath = linkPath.toStdString();
    const std::string missing = dir.filePath(QStringLiteral("gone")).toStdString();
    const std::string notAPort = dir.path().toStdString(); // a folder
    struct Case {
        const char* name;
        bool listed;
        std::optional<PortChoice> given;
        Outcome outcome;
        bool automatic; // how the port is followed after
    };
    const Case cases[] = {
        {"found", true, std::nullopt, Outcome::Opened, true},
        {"nothing found", false, std::nullopt, Outcome::NoMeter, true},
        {"given", false, PortChoice{std::nullopt, simPath}, Outcome::Opened, false},
        {"given, missing", true, PortChoice{std::nullopt, missing}, Outcome::NoSuchPort, true},
        {"given, not a port", true, PortChoice{std::nullopt, notAPort}, Outcome::Refused, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        listed = c.listed;
        const auto owned = policy();
        PortPolicy& ports = *owned;
        QSignalSpy failed(&ports, &PortPolicy::openFailed);
        const PortOpening o = ports.openGiven(c.given);
        EXPECT_EQ(o.outcome, c.outcome);
        EXPECT_EQ(ports.automatic(), c.automatic);
        EXPECT_EQ(ports.meter().portOpen(), c.outcome == Outcome::Opened);
        EXPECT_EQ(ports.watchdogTimer().isActive(), c.outcome == Outcome::Opened);
        if (c.outcome == Outcome::Opened || c.outcome == Outcome::NoSuchPort) {
            EXPECT_EQ(o.path.toStdString(), c.given ? c.given->path : simPath);
        }
        EXPECT_EQ(failed.count(), c.outcome == Outcome::Refused ? 1 : 0);
        EXPECT_EQ(o.reason.isEmpty(), c.outcome != Outcome::Refused);
    }
}

} // namespace
