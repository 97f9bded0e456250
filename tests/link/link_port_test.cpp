#include "PtyPair.h"

#include "link/ComPort.h"

#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <numeric>
#include <thread>

namespace {

constexpr int waitMs = 20000;

// Collects what the reader delivers.
class Reads {
  public:
    CComPort::ReceiveCallback callback() {
        return [this](const std::uint8_t* bytes, std::size_t count) {
            std::lock_guard lock(mutex_);
            chunks_.emplace_back(bytes, bytes + count);
        };
    }
    std::vector<std::vector<std::uint8_t>> chunks() const {
        std::lock_guard lock(mutex_);
        return chunks_;
    }
    std::size_t total() const {
        std::lock_guard lock(mutex_);
        std::size_t n = 0;
        for (const auto& c : chunks_)
            n += c.size();
        return n;
    }

  private:
    mutable std::mutex mutex_;
    std::vector<std::vector<std::uint8_t>> chunks_;
};

std::vector<std::uint8_t> sequence(std::size_t n, int seed = 0) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i)
        v[i] = static_cast<std::uint8_t>((i + static_cast<std::size_t>(seed)) % 251);
    return v;
}

std::vector<std::uint8_t> joined(const std::vector<std::vector<std::uint8_t>>& chunks) {
    std::vector<std::uint8_t> all;
    for (const auto& c : chunks)
        all.insert(all.end(), c.begin(), c.end());
    return all;
}

class PortTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(pty.ok());
        port.SetReceiveCallback(reads.callback());
    }
    bool waitForTotal(std::size_t n) {
        return QTest::qWaitFor([&] { return reads.total() >= n; }, waitMs);
    }

    PtyPair pty;
    Reads reads;
    CComPort port;
};

TEST_F(PortTest, DeliversEveryByteInOrderInReadsOfAtMostTwenty) {
    QString error;
    ASSERT_TRUE(port.Open(pty.path(), meterLine, &error)) << error.toStdString();
    EXPECT_TRUE(port.IsOpen());
    const auto bytes = sequence(3000);
    for (std::size_t at = 0; at < bytes.size(); at += 700)
        pty.send({bytes.begin() + at, bytes.begin() + std::min(at + 700, bytes.size())});
    ASSERT_TRUE(waitForTotal(bytes.size()));
    const auto chunks = reads.chunks();
    for (const auto& c : chunks) {
        EXPECT_GE(c.size(), 1u);
        EXPECT_LE(c.size(), 20u);
    }
    EXPECT_EQ(joined(chunks), bytes);
}

TEST_F(PortTest, AReadCollectsTwentyBytesUnlessTheLinePauses) {
    // With a read time-out too long to matter, only the count ends a read.
    LineSettings patient = meterLine;
    patient.interCharTimeoutMs = 600000;
    ASSERT_TRUE(port.Open(pty.path(), patient));
    pty.send(sequence(7));
    pty.send(sequence(13, 7));
    ASSERT_TRUE(waitForTotal(20));
    EXPECT_EQ(reads.chunks(), (std::vector<std::vector<std::uint8_t>>{sequence(20)}));

    // At the meter's setting a pause ends a short read with what has come.
    Reads shortReads;
    port.Close();
    port.SetReceiveCallback(shortReads.callback());
    ASSERT_TRUE(port.Open(pty.path()));
    pty.send(sequence(5, 40));
    ASSERT_TRUE(QTest::qWaitFor([&] { return shortReads.total() >= 5; }, waitMs));
    pty.send(sequence(3, 50));
    ASSERT_TRUE(QTest::qWaitFor([&] { return shortReads.total() >= 8; }, waitMs));
    EXPECT_EQ(shortReads.chunks(),
              (std::vector<std::vector<std::uint8_t>>{sequence(5, 40), sequence(3, 50)}));
}

TEST_F(PortTest, ConcurrentWritesArriveWholeAndInTheirOwnOrder) {
    ASSERT_TRUE(port.Open(pty.path()));
    constexpr int writers = 4;
    constexpr int writesEach = 60;
    constexpr std::size_t size = 12;
    std::atomic<int> shortWrites{0};
    std::vector<std::thread> threads;
    for (int w = 0; w < writers; ++w) {
        threads.emplace_back([&, w] {
            for (int i = 0; i < writesEach; ++i) {
                // Each message: writer number, then its sequence number repeated.
                std::vector<std::uint8_t> message(size, static_cast<std::uint8_t>(i));
                message[0] = static_cast<std::uint8_t>(0xE0 + w);
                if (port.Write(message.data(), message.size()) != static_cast<int>(size))
                    ++shortWrites;
            }
        });
    }
    const auto got = pty.receive(writers * writesEach * size);
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(shortWrites, 0);
    ASSERT_EQ(got.size(), writers * writesEach * size);
    std::vector<int> next(writers, 0);
    for (std::size_t at = 0; at < got.size(); at += size) {
        const int w = got[at] - 0xE0;
        ASSERT_TRUE(w >= 0 && w < writers) << "message torn at byte " << at;
        for (std::size_t k = 1; k < size; ++k)
            ASSERT_EQ(got[at + k], next[w]) << "message torn at byte " << at;
        ++next[w];
    }
    EXPECT_EQ(next, std::vector<int>(writers, writesEach));
}

TEST_F(PortTest, CloseJoinsTheReaderAndTheSamePortOpensAgain) {
    CComPort idle;
    idle.Close(); // never opened: nothing to do
    EXPECT_FALSE(idle.IsOpen());

    ASSERT_TRUE(port.Open(pty.path()));
    pty.send(sequence(50));
    ASSERT_TRUE(waitForTotal(50));
    {
        // A reader still running after Close would call into this dead object;
        // the sanitizer builds catch that.
        auto doomed = std::make_unique<Reads>();
        CComPort streaming;
        streaming.SetReceiveCallback(doomed->callback());
        PtyPair other;
        ASSERT_TRUE(streaming.Open(other.path()));
        std::atomic<bool> feeding{true};
        std::thread feeder([&] {
            while (feeding)
                other.trySend(sequence(20));
        });
        ASSERT_TRUE(QTest::qWaitFor([&] { return doomed->total() > 100; }, waitMs));
        streaming.Close();
        EXPECT_FALSE(streaming.IsOpen());
        doomed.reset();
        feeding = false;
        feeder.join();
    }

    port.Close();
    EXPECT_FALSE(port.IsOpen());
    const std::uint8_t key = 0x77;
    EXPECT_EQ(port.Write(&key, 1), 0);
    port.Close();

    // Open on an open port closes it first; the new line delivers.
    PtyPair second;
    ASSERT_TRUE(port.Open(pty.path()));
    ASSERT_TRUE(port.Open(second.path()));
    second.send(sequence(30, 9));
    ASSERT_TRUE(waitForTotal(80));
    const auto all = joined(reads.chunks());
    EXPECT_EQ(std::vector<std::uint8_t>(all.begin() + 50, all.end()), sequence(30, 9));
    EXPECT_EQ(port.Write(&key, 1), 1);
    EXPECT_EQ(second.receive(1), std::vector<std::uint8_t>{0x77});
}

TEST_F(PortTest, AFarEndThatGoesAwayEndsTheReaderAndIsReportedOnce) {
    std::mutex mutex;
    QStringList losses;
    port.SetLossCallback([&](const QString& reason) {
        std::lock_guard lock(mutex);
        losses << reason;
    });
    ASSERT_TRUE(port.Open(pty.path()));
    pty.send(sequence(8));
    ASSERT_TRUE(waitForTotal(8));
    pty.closeMaster();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !port.IsOpen(); }, waitMs));
    {
        std::lock_guard lock(mutex);
        ASSERT_EQ(losses.size(), 1);
        EXPECT_TRUE(losses[0].contains(pty.path())) << losses[0].toStdString();
    }
    const std::uint8_t key = 0x55;
    EXPECT_EQ(port.Write(&key, 1), 0);
    port.Close();
    std::lock_guard lock(mutex);
    EXPECT_EQ(losses.size(), 1); // Close is not a loss
}

TEST(PortOpen, AMissingDeviceFailsWithTheSystemsReason) {
    CComPort port;
    QString error;
    EXPECT_FALSE(port.Open(QStringLiteral("/dev/vrel-no-such-meter"), meterLine, &error));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_TRUE(error.contains(QStringLiteral("/dev/vrel-no-such-meter"))) << error.toStdString();
    EXPECT_GT(error.size(), QStringLiteral("Cannot open /dev/vrel-no-such-meter: ").size());
    error.clear();
    EXPECT_FALSE(port.Open(3, meterLine, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("COM3"))) << error.toStdString();
}

TEST(PortOpen, LineCodesMapOntoTheSerialPortOrAreRefused) {
    QtLineSettings qt;
    ASSERT_TRUE(toQtLineSettings(meterLine, &qt, nullptr));
    EXPECT_EQ(qt.baud, 9600);
    EXPECT_EQ(qt.dataBits, QSerialPort::Data8);
    EXPECT_EQ(qt.parity, QSerialPort::NoParity);
    EXPECT_EQ(qt.stopBits, QSerialPort::OneStop);
    EXPECT_EQ(qt.flowControl, QSerialPort::NoFlowControl);

    const std::vector<std::pair<int, QSerialPort::Parity>> parities = {{0, QSerialPort::EvenParity},
                                                                       {3, QSerialPort::OddParity}};
    for (const auto& [code, parity] : parities) {
        LineSettings s = meterLine;
        s.parity = code;
        ASSERT_TRUE(toQtLineSettings(s, &qt, nullptr));
        EXPECT_EQ(qt.parity, parity);
    }
    LineSettings s = meterLine;
    s.stopBits = 2;
    s.flowControl = 1;
    ASSERT_TRUE(toQtLineSettings(s, &qt, nullptr));
    EXPECT_EQ(qt.stopBits, QSerialPort::TwoStop);
    EXPECT_EQ(qt.flowControl, QSerialPort::HardwareControl);
    s.flowControl = 5;
    ASSERT_TRUE(toQtLineSettings(s, &qt, nullptr));
    EXPECT_EQ(qt.flowControl, QSerialPort::SoftwareControl);

    // Refused before the device is touched, each with a reason.
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    std::vector<LineSettings> refused;
    for (int flow : {2, 3, 4, 6, -1}) {
        refused.push_back(meterLine);
        refused.back().flowControl = flow;
    }
    for (int parity : {5, -1}) {
        refused.push_back(meterLine);
        refused.back().parity = parity;
    }
    refused.push_back(meterLine);
    refused.back().stopBits = 3;
    refused.push_back(meterLine);
    refused.back().dataBits = 9;
    refused.push_back(meterLine);
    refused.back().bytesPerRead = 0;
#ifndef Q_OS_WIN
    refused.push_back(meterLine);
    refused.back().stopBits = 1; // termios has no one and a half stop bits
#endif
    for (const LineSettings& bad : refused) {
        CComPort port;
        QString error;
        EXPECT_FALSE(port.Open(pty.path(), bad, &error));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_FALSE(port.IsOpen());
    }
}

} // namespace
