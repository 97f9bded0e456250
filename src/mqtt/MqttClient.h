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

// What went wrong with a try to connect, for words in the user's language.
enum class MqttFailure {
    Lost,        // the connection was up and went
    NoHost,      // the host name is not known
    Unreachable, // nothing takes connections there, or no route
    NotTls,      // mqtts:// to a port that does not speak TLS
    Untrusted,   // the broker's certificate is not trusted or not for this host
    Tls,         // another TLS fault
    Refused,     // the broker refused the connection (onRefused has its code)
    Other,
};

// A failed try as a command tells it: "the broker at URL is away: REASON", or
// for a refusal "the broker at URL refused …".
std::string brokerDownText(const std::string& url, const std::string& reason, MqttFailure kind);

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
    // connection was lost, with the reason (a refusal's starts with
    // "refused"); once per try.
    std::function<void(bool sessionPresent)> onConnected;
    std::function<void(const std::string& reason, MqttFailure kind)> onDown;
    // The broker's MQTT 5 reason code when it refused the connection, before onDown.
    std::function<void(int reasonCode)> onRefused;
    // A QoS 1 message's PUBACK with the broker's MQTT 5 reason code: from 128
    // on the broker refused the message (135: not authorized), though it
    // acknowledged it.
    std::function<void(int mid, int reasonCode)> onAcknowledged;
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

    // The words for an MQTT 5 reason code.
    static std::string reasonText(int reasonCode);

  private:
    void run();
    bool waitStopping(int seconds);
    std::string failure(int rc, MqttFailure& kind);

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
