#pragma once

#include "link/LiveEncoder.h"

#include <QString>

#include <memory>

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

    // Unpaced (as fast as the reader takes it) instead of the 9600-baud line rate.
    void setFast(bool fast);
    void setPattern(Pattern pattern);
    void setConstantLevel(double dB);
    // Levels in dB, played one per frame pair, round and round (Pattern::File).
    void setLevels(std::vector<double> levels);

    MeterReading reading() const; // the state being sent
    void setReading(const MeterReading& reading);
    bool hold() const;

    // Faults.
    void injectGarbage(int bytes);
    void silence(double seconds);
    void setHold(bool on);
    // Closes the line as an unplugged cable does; the device path goes away.
    void hangUp();

    // Bytes received from the program (the key bytes), in order; for tests.
    QByteArray received() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
