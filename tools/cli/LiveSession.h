#pragma once

#include "link/MeterLink.h"
#include "link/MeterSession.h"
#include "link/PortMatch.h"
#include "model/Clock.h"
#include "session/PortPolicy.h"

#include <QCoreApplication>
#include <QString>
#include <QTimer>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The ports the companion sees: the system's, enumerated as the desktop
// program does, then the entries of the test hook VREL_CLI_EXTRA_PORTS.
//
// The hook lets a test present a pseudo-terminal (the meter simulator) as the
// meter's USB bridge, which a pseudo-terminal cannot do by itself. It holds
// entries separated by ';', each PATH=VVVV:PPPP with the USB vendor and
// product ids in hex, optionally followed by =DESCRIPTION. Nothing but this
// function reads it.
std::vector<SSerInfo> companionSerialPorts();

// The test hook's entries; a malformed one is left out and named in error.
std::vector<SSerInfo> parseExtraPorts(std::string_view spec, std::string& error);

// Whether the decoder has read a whole frame of the meter's yet: before that its
// state is its default, no reading (every frame pair names the range).
inline bool hasReading(const LiveState& state) {
    return state.range != 0;
}

// What the live commands share: the event loop the meter link's signals need,
// the port policy of the session layer (the port given, or the one automatic
// detection finds, followed through pulls and replugs; the silence watchdog),
// the words for what it reports, and Ctrl+C.
class LiveSession {
  public:
    explicit LiveSession(std::string command);
    ~LiveSession();
    LiveSession(const LiveSession&) = delete;
    LiveSession& operator=(const LiveSession&) = delete;

    // Opens the port named (a path, a COM name or a port number), or the one
    // automatic detection chooses. On failure tells why on standard error and
    // returns false.
    bool open(const std::optional<std::string>& port);
    QString portPath() const { return ports_.meter().portLabel(); }
    MeterLink& link() { return ports_.link(); }
    MeterSession& meter() { return ports_.meter(); }
    // "vrel-cli record: " and so on, for messages.
    std::string prefix() const { return "vrel-cli " + command_ + ": "; }

    // Called on the event loop, each at most once per occurrence: the meter has
    // sent nothing for two seconds (connected is cleared first, by the same
    // watchdog as the desktop program's); data flows again after that; Ctrl+C,
    // SIGTERM or SIGHUP; the device went away; it came back and its port is
    // open again.
    std::function<void()> onSilence;
    std::function<void()> onResumed;
    std::function<void()> onInterrupt;
    std::function<void(const QString& reason)> onPortLost;
    std::function<void()> onReopened;
    // Called a few times a second.
    std::function<void(const MeterLink::Snapshot&)> onWatch;

    // Runs the event loop until end() and returns its status.
    int run();
    void end(int status);

  private:
    bool openPort(const std::optional<std::string>& port, std::string& error);
    void look();

    int argc_ = 1;
    char name_[9] = "vrel-cli";
    char* argv_[2] = {name_, nullptr};
    QCoreApplication app_;
    std::string command_;
    PortPolicy ports_;
    QTimer lookTimer_;
};
