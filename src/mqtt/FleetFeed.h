#pragma once

// The network window's connection: a client that subscribes to every meter
// under mqttTopicRoot and leaves what arrives in an inbox, so the network thread
// never waits for the window and the window takes a whole batch at a time.

#include "FleetModel.h"
#include "MqttClient.h"
#include "model/Clock.h"

#include <mutex>
#include <string>

struct FleetLink {
    enum class State { Connecting, Connected, Refused, Away };
    State state = State::Connecting;
    // Refused: the broker's reason code (134: wrong user name or password).
    int reasonCode = 0;
    std::string reason;                       // libmosquitto's words, for the details
    MqttFailure failure = MqttFailure::Other; // Away: why
};

class FleetFeed {
  public:
    static constexpr int badUserNameOrPassword = 134;
    static constexpr int notAuthorized = 135;

    FleetFeed(MqttSettings settings, const Clock& clock);
    ~FleetFeed();
    FleetFeed(const FleetFeed&) = delete;
    FleetFeed& operator=(const FleetFeed&) = delete;

    // Checks the settings and starts the network thread; false with the reason.
    bool start(std::string& error);
    // Ends the connection and its tries; the link keeps its last state.
    void stop();

    // Hands what came since the last call to the model, in order; the count.
    std::size_t drain(FleetModel& model);
    FleetLink link() const;

  private:
    MqttClient client_;
    const Clock& clock_;
    FleetInbox inbox_;
    mutable std::mutex mutex_;
    FleetLink link_;
    bool refusedThisTry_ = false; // onDown follows onRefused on the network thread
};
