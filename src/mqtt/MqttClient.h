#pragma once

// A connection to an MQTT broker through libmosquitto, kept up by a network
// thread of its own: it connects, and after any failure or loss tries again
// (after 1 s, then up to every 10 s) until stopped. libmosquitto's own loop
// thread gives up for good after a TLS or name-resolution failure, which a
// survey left alone for weeks cannot afford; this one never does.
//
// TLS verifies the broker's certificate and host name, always.

#include "MqttProtocol.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

struct mosquitto;

struct MqttSettings {
    BrokerUrl broker;
    std::string user;     // none when empty
    std::string password; // with the user
    std::string caFile;   // the system's trusted certificates when empty
    std::string certFile; // a client certificate, with keyFile
    std::string keyFile;
    std::string clientId;
    // A session the broker keeps while the client is away (clean start off,
    // kept for a week), so QoS 1 messages wait for it.
    bool persistentSession = false;
    std::string willTopic; // a retained QoS 1 last will when set
    std::string willPayload;
};

class MqttClient {
  public:
    explicit MqttClient(MqttSettings settings);
    ~MqttClient();
    MqttClient(const MqttClient&) = delete;
    MqttClient& operator=(const MqttClient&) = delete;

    // All called on the network thread. onDown: a try to connect failed or the
    // connection was lost, with the reason; once per try.
    std::function<void(bool sessionPresent)> onConnected;
    std::function<void(const std::string& reason)> onDown;
    // The broker's MQTT 5 reason code when it refused the connection, before onDown.
    std::function<void(int reasonCode)> onRefused;
    std::function<void(int mid)> onAcknowledged; // a QoS 1 message's PUBACK
    std::function<void(const std::string& topic, std::string_view payload)> onMessage;

    // Checks the settings (certificate files) and starts the network thread;
    // false with the reason when it cannot.
    bool start(std::string& error);
    // Disconnects cleanly (no last will) and ends the thread.
    void stop();

    // The message id, or nothing when the client has no connection.
    std::optional<int> publish(const std::string& topic, std::string_view payload, int qos,
                               bool retain);
    bool subscribe(const std::string& pattern, int qos);
    bool connected() const { return connected_; }
    const MqttSettings& settings() const { return settings_; }

  private:
    void run();
    bool waitStopping(int seconds);
    std::string failure(int rc);

    MqttSettings settings_;
    mosquitto* mosq_ = nullptr;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::atomic<bool> connected_{false};
    bool refused_ = false; // this try was answered with a refusal, already told
    std::string lastLogError_;
};
