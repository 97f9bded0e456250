#pragma once

// A survey on the broker. summary.csv and events.csv in the survey's folder
// are the outbox: their rows go out in order as QoS 1 messages, and a cursor
// file beside them remembers how far the broker has acknowledged them, so
// after an outage of any length, a restart of the broker or of the survey the
// rest follows. A row may reach a receiver twice, never not at all.
//
// The sampling side only hands readings over (addReading); everything that
// touches the network or the cursor runs on threads of the publisher's own.

#include "MqttClient.h"

#include "model/Clock.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

struct PublisherSettings {
    std::string site;
    std::string meter;
    std::string dir; // the survey's folder
    double interval = 1;
    int summarySeconds = 900;
    bool discovery = true;
    std::string version;
};

inline constexpr const char* mqttCursorFileName = "mqtt-outbox.txt";

class MqttPublisher {
  public:
    // The client's will and id are set here; the rest of settings as given.
    MqttPublisher(MqttSettings client, PublisherSettings settings, const Clock& clock);
    ~MqttPublisher();
    MqttPublisher(const MqttPublisher&) = delete;
    MqttPublisher& operator=(const MqttPublisher&) = delete;

    // Reads the cursor and starts; false with the reason when it cannot.
    bool start(std::string& error);
    // A sample taken at t; never waits for the network.
    void addReading(SurveyMs t, double level, const std::string& unit);
    // What happened since the last call (connections, outages), for the user.
    std::vector<std::string> takeMessages();

    struct State {
        bool connected = false;
        long long unsent = 0; // rows of the outbox not acknowledged yet
        // The broker acknowledged the newest row but refused it (its access
        // list, say): the rows wait and go again every little while.
        bool refused = false;
    };
    State state() const;

    // Sends what waits for at most grace while connected, then says offline
    // and disconnects.
    void finish(std::chrono::milliseconds grace);

  private:
    struct Row {
        long long seq = 0;
        std::int64_t end = 0; // the offset after its line
        std::string payload;
        bool sent = false;
        bool acked = false;
    };
    struct Outbox {
        std::string file;
        MqttTopic topic;
        long long ackedRows = 0;
        std::int64_t ackedOffset = 0;
        std::int64_t readOffset = 0;
        std::deque<Row> rows; // read, not acknowledged yet, from ackedRows + 1
    };

    void work();
    void connected();
    void readOutbox(Outbox& box);
    void sendOutbox(Outbox& box);
    void acknowledged(int mid, int reasonCode);
    void flushLevel(SurveyMs now);
    void sendAnnouncements();
    void loadCursor();
    void writeCursor();
    std::string destination() const;
    void say(std::string text);
    long long unsentLocked() const;

    MqttClient client_;
    PublisherSettings settings_;
    const Clock& clock_;
    std::string url_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::thread worker_;
    bool stopping_ = false;
    bool justConnected_ = false;
    bool announce_ = false;
    bool cursorDirty_ = false;
    bool everConnected_ = false;
    bool away_ = false;
    bool refused_ = false;
    std::chrono::steady_clock::time_point sendAgainAt_; // after a refusal
    std::string lastDownReason_;
    std::vector<Outbox> boxes_;
    std::map<int, std::pair<std::size_t, long long>> inFlight_; // mid: box, seq
    std::optional<int> offlineMid_;
    std::string weighting_;
    std::string announcedWeighting_;
    std::string onlineSince_; // of this connection
    std::string latestSummary_;
    long long latestSummarySeq_ = 0;
    long long backlogAtReturn_ = 0;
    std::vector<std::string> messages_;

    // The second being averaged and the seconds waiting to go out.
    std::int64_t second_ = 0;
    double energy_ = 0;
    int readings_ = 0;
    std::string secondUnit_;
    std::deque<LevelMessage> levels_;
    std::chrono::steady_clock::time_point lastCursorWrite_;
};
