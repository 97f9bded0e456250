#pragma once

#include "protocol/LiveEncoder.h"
#include "protocol/LoggerEncoder.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// Plays the meter on a pseudo-terminal: streams live frames, answers the key
// bytes by changing its state and injects faults on request. Runs on a thread
// of its own; every member is safe to call from any thread.
class MeterSimulator {
  public:
    enum class Pattern { Constant, Sine, RandomWalk, File };

    MeterSimulator();
    ~MeterSimulator(); // stops and closes the pseudo-terminal

    // Opens the pseudo-terminal and starts streaming. False with a reason when
    // the platform has no pseudo-terminals or opening fails.
    bool start(QString* error = nullptr);
    void stop();
    // The device path a program opens to talk to the simulated meter.
    QString devicePath() const;
    // A symbolic link to the device that start() makes (replacing an older
    // link there) and stop() removes; empty for none. Set before start().
    void setLinkPath(const QString& path);

    // Unpaced (as fast as the reader takes it) instead of the 9600-baud line rate.
    void setFast(bool fast);
    void setPattern(Pattern pattern);
    void setConstantLevel(double dB);
    // Levels in dB, played one per frame pair, round and round (Pattern::File).
    void setLevels(std::vector<double> levels);

    MeterReading reading() const; // the state being sent
    void setReading(const MeterReading& reading);
    bool hold() const;

    // The data sets the meter sends when asked for its memory (0x5A 0xAC); the
    // demo memory until told otherwise, none for an empty memory.
    void setMemory(std::vector<LoggerSet> sets);
    // Memory dumps sent so far.
    int dumpsSent() const;

    // Faults.
    void injectGarbage(int bytes);
    void silence(double seconds);
    void setHold(bool on);
    // Closes the line as an unplugged cable does; the device path goes away.
    void hangUp();

    // Acts on a key byte as if the program had sent it (not kept in received()).
    void pressKey(std::uint8_t byte);

    // Bytes received from the program (the key bytes), in order; for tests.
    QByteArray received() const;
    // Bytes written to the line since start().
    std::uint64_t bytesSent() const;
    // Called on the simulator's thread right after each write to the line with
    // the bytes written (measurements); set before start().
    using SendObserver = std::function<void(const std::uint8_t* bytes, std::size_t count)>;
    void setSendObserver(SendObserver observer);

  private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
