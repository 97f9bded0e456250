#pragma once

// The archive of every meter that publishes to a broker: the subscription,
// what comes handed over from the network thread, and each meter's folder
// written through MqttArchive, a database through PgArchive, or both. A
// command runs one; it only reads its options and says what the collector
// reports.

#include "model/Clock.h"
#include "mqtt/FleetModel.h"
#include "mqtt/MqttArchive.h"
#include "mqtt/MqttClient.h"
#include "pgarchive/PgArchive.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct CollectorArchives {
    std::string dir; // the folders' archive; empty: none
    std::optional<PgSettings> db;
    // The group whose collectors split the meters through the broker's
    // shared subscription; they report under its name what the database
    // committed, whichever of them wrote it.
    std::optional<std::string> share;
};

class Collector {
  public:
    // site: only that site's meters; all of them without. name: the
    // collector's own, which the surveys that wait for its archive know it
    // by. The client id is the same at every start, so the broker keeps a
    // session (and what comes meanwhile) for this collector; one of a group
    // keeps none, so what was on its way to it when it stopped is asked for
    // again by the others.
    Collector(MqttSettings settings, CollectorArchives archives, std::optional<std::string> site,
              const std::string& name, const Clock& clock);
    ~Collector();
    Collector(const Collector&) = delete;
    Collector& operator=(const Collector&) = delete;

    // Connections, outages and the archive's words, for the user.
    std::function<void(const std::string&)> say;

    // Checks the settings and starts the connection; false with the reason.
    bool start(std::string& error);
    // Archives what has come, waiting at most wait for something first;
    // once a second tells each meter what its archive holds.
    void poll(std::chrono::milliseconds wait);
    // Ends the connection, archives what came before it ended and closes
    // the archive's files.
    void stop();

    // "3 meters, 12 rows, 0 duplicates left out, …"
    std::string countsText() const;

  private:
    void note(std::string text);
    void tellNotes();
    void tellHoldings(bool everyFolder);
    void keepDatabase();
    void receiveIntoDatabase(const std::string& topic, std::string_view payload);
    // What is published under the collector's (or its group's) name.
    std::string reportedName() const;

    MqttClient client_;
    std::unique_ptr<MqttArchive> archive_;
    std::unique_ptr<PgArchive> db_;
    std::string dbUrl_;
    std::optional<std::string> share_;
    std::chrono::steady_clock::time_point lastConnect_;
    std::string dbReason_;       // why the database cannot be reached, as said last
    bool dbWasUp_ = false;       // it was connected once
    bool askEveryMeter_ = false; // once the database is back
    const Clock& clock_;
    std::string url_;
    std::string dir_;
    std::string scope_;
    std::string name_;
    std::atomic<bool> connectedAgain_{false}; // set on the network thread
    std::chrono::steady_clock::time_point lastSync_;
    FleetInbox inbox_;
    std::mutex notesMutex_;
    std::vector<std::string> notes_; // from the network thread
    bool away_ = false;              // on the network thread
    std::string lastReason_;
    bool stopped_ = false;
};
