#pragma once

// A survey on the broker: the survey's outbox (summary.csv, events.csv and
// exceedances.csv, SurveyOutbox) carried as QoS 1 messages, a row confirmed when the broker
// acknowledged it without refusing it; the folder's files for the archives
// (FolderOutbox) as pieces of whole lines once a second, confirmed by the
// broker or, when named, by the collectors that archive them; the level a
// second, the status with its last will, the info and Home Assistant's
// discovery.
//
// The sampling side only hands readings over (addReading); everything that
// touches the network or the cursor runs on threads of the publisher's own.

#include "MqttClient.h"

#include "model/Clock.h"
#include "survey/FolderOutbox.h"
#include "survey/SeriesEvents.h"
#include "survey/SurveyOutbox.h"

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
    // The collectors whose archives must hold the folder before it counts as
    // sent; none: the broker's acknowledgement.
    std::vector<std::string> archivedBy;
};

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
    // An event has gone on for over a minute: told as it is so far. Live
    // news, kept in memory while the broker is away (the event's row in
    // exceedances.csv is what must arrive).
    void exceedanceGoesOn(const SeriesEvent& event);
    // What happened since the last call (connections, outages), for the user.
    std::vector<std::string> takeMessages();

    struct State {
        bool connected = false;
        long long unsent = 0; // rows of the outbox not acknowledged yet
        // Bytes of the folder's files not confirmed yet (by the broker, or by
        // the named archives).
        long long unarchived = 0;
        // The broker acknowledged the newest row but refused it (its access
        // list, say): the rows wait and go again every little while.
        bool refused = false;
    };
    State state() const;

    // Sends what waits for at most grace while connected, then says offline
    // and disconnects.
    void finish(std::chrono::milliseconds grace);

  private:
    void work();
    void connected();
    void sendOutbox();
    void sendPieces();
    void archived(const std::string& collector, const ArchivedFiles& files);
    void acknowledged(int mid, int reasonCode);
    void refusedBy(int reasonCode, const std::string& topic);
    void flushLevel(SurveyMs now);
    void sendAnnouncements();
    void writeCursor();
    void say(std::string text);

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
    bool everConnected_ = false;
    bool away_ = false;
    bool refused_ = false;
    std::chrono::steady_clock::time_point sendAgainAt_; // after a refusal
    std::string lastDownReason_;
    SurveyOutbox outbox_;
    std::map<int, std::pair<SurveyOutbox::Box, long long>> inFlight_; // mid: box, seq
    FolderOutbox folder_;
    std::map<int, std::pair<std::string, std::int64_t>> piecesInFlight_; // mid: file, offset
    // What each collector said it holds, by file.
    std::map<std::string, std::map<std::string, std::int64_t>> holdings_;
    std::chrono::steady_clock::time_point lastPieceRound_;
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
    std::deque<std::string> startedWaiting_; // payloads
    std::chrono::steady_clock::time_point lastCursorWrite_;
};
