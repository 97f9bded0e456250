#pragma once

// The archive of every meter that publishes to a broker: the subscription,
// what comes handed over from the network thread, and each meter's folder
// written through MqttArchive. A command runs one; it only reads its options
// and says what the collector reports.

#include "model/Clock.h"
#include "mqtt/FleetModel.h"
#include "mqtt/MqttArchive.h"
#include "mqtt/MqttClient.h"

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class Collector {
  public:
    // site: only that site's meters; all of them without. The client id is
    // the same at every start, so the broker keeps a session (and what comes
    // meanwhile) for this collector.
    Collector(MqttSettings settings, const std::string& dir, std::optional<std::string> site,
              const std::string& hostName, const Clock& clock);
    ~Collector();
    Collector(const Collector&) = delete;
    Collector& operator=(const Collector&) = delete;

    // Connections, outages and the archive's words, for the user.
    std::function<void(const std::string&)> say;

    // Checks the settings and starts the connection; false with the reason.
    bool start(std::string& error);
    // Archives what has come, waiting at most wait for something first.
    void poll(std::chrono::milliseconds wait);
    // Ends the connection, archives what came before it ended and closes
    // the archive's files.
    void stop();

    // "3 meters, 12 rows, 0 duplicates left out, …"
    std::string countsText() const;

  private:
    void note(std::string text);
    void tellNotes();

    MqttClient client_;
    MqttArchive archive_;
    const Clock& clock_;
    std::string url_;
    std::string dir_;
    std::string scope_;
    FleetInbox inbox_;
    std::mutex notesMutex_;
    std::vector<std::string> notes_; // from the network thread
    bool away_ = false;              // on the network thread
    std::string lastReason_;
    bool stopped_ = false;
};
