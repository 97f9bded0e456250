#include "MqttClient.h"

#include <mosquitto.h>
#include <mqtt_protocol.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <mutex>

namespace {

constexpr int keepAliveSeconds = 30;
constexpr int maxRetrySeconds = 10;
// How long the broker keeps a persistent session while its client is away.
constexpr int sessionExpirySeconds = 7 * 86400;

void initLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

bool readable(const std::string& path) {
    return std::ifstream(path).good();
}

} // namespace

MqttClient::MqttClient(MqttSettings settings) : settings_(std::move(settings)) {
    initLibrary();
    mosq_ = mosquitto_new(settings_.clientId.empty() ? nullptr : settings_.clientId.c_str(),
                          !settings_.persistentSession, this);
    mosquitto_int_option(mosq_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V5);
    mosquitto_threaded_set(mosq_, true);

    mosquitto_connect_v5_callback_set(
        mosq_, [](mosquitto*, void* self, int rc, int flags, const mosquitto_property*) {
            auto* c = static_cast<MqttClient*>(self);
            if (rc != 0) {
                c->refused_ = true;
                if (c->onRefused)
                    c->onRefused(rc);
                if (c->onDown)
                    c->onDown(rc == MQTT_RC_BAD_USERNAME_OR_PASSWORD || rc == MQTT_RC_NOT_AUTHORIZED
                                  ? std::string("refused the user name or password (") +
                                        mosquitto_reason_string(rc) + ")"
                                  : std::string("refused the connection: ") +
                                        mosquitto_reason_string(rc),
                              MqttFailure::Refused);
                return;
            }
            c->connected_ = true;
            if (c->onConnected)
                c->onConnected((flags & 1) != 0);
        });
    mosquitto_publish_v5_callback_set(
        mosq_, [](mosquitto*, void* self, int mid, int reasonCode, const mosquitto_property*) {
            auto* c = static_cast<MqttClient*>(self);
            if (c->onAcknowledged)
                c->onAcknowledged(mid, reasonCode);
        });
    mosquitto_message_callback_set(mosq_, [](mosquitto*, void* self, const mosquitto_message* m) {
        auto* c = static_cast<MqttClient*>(self);
        if (c->onMessage)
            c->onMessage(m->topic, std::string_view(static_cast<const char*>(m->payload),
                                                    static_cast<std::size_t>(m->payloadlen)));
    });
    mosquitto_log_callback_set(mosq_, [](mosquitto*, void* self, int level, const char* text) {
        // libmosquitto names the TLS fault (an untrusted certificate) only here.
        if (level & MOSQ_LOG_ERR)
            static_cast<MqttClient*>(self)->lastLogError_ = text;
    });
}

MqttClient::~MqttClient() {
    stop();
    mosquitto_destroy(mosq_);
}

bool MqttClient::start(std::string& error) {
    for (const std::string* f : {&settings_.caFile, &settings_.certFile, &settings_.keyFile})
        if (!f->empty() && !readable(*f)) {
            error = "cannot read " + *f;
            return false;
        }
    if (settings_.certFile.empty() != settings_.keyFile.empty()) {
        error = "a client certificate needs its key, and a key its certificate";
        return false;
    }
    if (!settings_.user.empty())
        mosquitto_username_pw_set(mosq_, settings_.user.c_str(), settings_.password.c_str());
    if (!settings_.willTopic.empty())
        mosquitto_will_set(mosq_, settings_.willTopic.c_str(),
                           static_cast<int>(settings_.willPayload.size()),
                           settings_.willPayload.data(), 1, true);
    if (settings_.broker.tls) {
        const char* cert = settings_.certFile.empty() ? nullptr : settings_.certFile.c_str();
        const char* key = settings_.keyFile.empty() ? nullptr : settings_.keyFile.c_str();
        int rc = MOSQ_ERR_SUCCESS;
        if (!settings_.caFile.empty()) {
            rc = mosquitto_tls_set(mosq_, settings_.caFile.c_str(), nullptr, cert, key, nullptr);
        } else {
            mosquitto_int_option(mosq_, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
            if (cert)
                rc = mosquitto_tls_set(mosq_, nullptr, "/etc/ssl/certs", cert, key, nullptr);
        }
        if (rc != MOSQ_ERR_SUCCESS) {
            error = std::string("cannot set up TLS: ") + mosquitto_strerror(rc);
            return false;
        }
    }
    thread_ = std::thread([this] { run(); });
    return true;
}

void MqttClient::stop() {
    {
        std::lock_guard lock(mutex_);
        if (stopping_ || !thread_.joinable())
            return;
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

bool MqttClient::waitStopping(int seconds) {
    std::unique_lock lock(mutex_);
    return wake_.wait_for(lock, std::chrono::seconds(seconds), [this] { return stopping_; });
}

std::string brokerDownText(const std::string& url, const std::string& reason, MqttFailure kind) {
    return kind == MqttFailure::Refused ? "the broker at " + url + " " + reason
                                        : "the broker at " + url + " is away: " + reason;
}

std::string MqttClient::reasonText(int reasonCode) {
    return mosquitto_reason_string(reasonCode);
}

std::string MqttClient::failure(int rc, MqttFailure& kind) {
    kind = MqttFailure::Other;
    if (rc == MOSQ_ERR_ERRNO) {
        const int e = errno;
        if (e == ECONNREFUSED || e == EHOSTUNREACH || e == ENETUNREACH || e == ETIMEDOUT)
            kind = MqttFailure::Unreachable;
        return std::strerror(e);
    }
    if (rc == MOSQ_ERR_TLS) {
        const std::string& why = lastLogError_;
        const auto says = [&](const char* part) { return why.find(part) != std::string::npos; };
        const std::string port =
            settings_.broker.host + ":" + std::to_string(settings_.broker.port);
        if (says("certificate verify failed")) {
            kind = MqttFailure::Untrusted;
            return "the broker's certificate is not trusted or not made out to this host name "
                   "(" +
                   why + ")";
        }
        // What OpenSSL says when the other end answers in plain MQTT, or not at all.
        if (says("wrong version number") || says("unexpected eof") ||
            says("packet length too long") || says("record layer failure") ||
            says("http request")) {
            kind = MqttFailure::NotTls;
            return "the broker at " + port +
                   " does not speak TLS on this port; try mqtt:// or the broker's TLS port";
        }
        kind = MqttFailure::Tls;
        return "TLS failed (" + why + ")";
    }
    if (rc == MOSQ_ERR_EAI) {
        kind = MqttFailure::NoHost;
        return "cannot find the host " + settings_.broker.host;
    }
    return mosquitto_strerror(rc);
}

void MqttClient::run() {
    mosquitto_property* props = nullptr;
    if (settings_.persistentSession)
        mosquitto_property_add_int32(&props, MQTT_PROP_SESSION_EXPIRY_INTERVAL,
                                     sessionExpirySeconds);
    bool first = true;
    int retry = 1;
    while (true) {
        {
            std::lock_guard lock(mutex_);
            if (stopping_)
                break;
        }
        refused_ = false;
        lastLogError_.clear();
        int rc = first ? mosquitto_connect_bind_v5(mosq_, settings_.broker.host.c_str(),
                                                   settings_.broker.port, keepAliveSeconds, nullptr,
                                                   props)
                       : mosquitto_reconnect(mosq_);
        first = first && rc != MOSQ_ERR_SUCCESS;
        if (rc == MOSQ_ERR_SUCCESS) {
            while ((rc = mosquitto_loop(mosq_, 100, 1)) == MOSQ_ERR_SUCCESS) {
                std::lock_guard lock(mutex_);
                if (stopping_)
                    break;
            }
        }
        const bool wasUp = connected_.exchange(false);
        {
            std::lock_guard lock(mutex_);
            if (stopping_) {
                connected_ = wasUp && rc == MOSQ_ERR_SUCCESS;
                break;
            }
        }
        if (!refused_ && onDown) {
            MqttFailure kind = MqttFailure::Other;
            const std::string why = rc == MOSQ_ERR_CONN_LOST ? std::string() : failure(rc, kind);
            if (!wasUp)
                onDown(why, kind);
            else
                onDown(why.empty() ? std::string("the connection was lost")
                                   : "the connection was lost: " + why,
                       MqttFailure::Lost);
        }
        // A try that failed half way (a TLS handshake, say) leaves nothing
        // that mosquitto_reconnect could take up again: start anew.
        first = first || !wasUp;
        retry = wasUp ? 1 : std::min(retry * 2, maxRetrySeconds);
        if (waitStopping(retry))
            break;
    }
    if (connected_) {
        // A clean end: the broker keeps the last will to itself.
        mosquitto_disconnect(mosq_);
        for (int i = 0; i < 20 && mosquitto_loop(mosq_, 50, 1) == MOSQ_ERR_SUCCESS; ++i) {
        }
        connected_ = false;
    }
    mosquitto_property_free_all(&props);
}

std::optional<int> MqttClient::publish(const std::string& topic, std::string_view payload, int qos,
                                       bool retain) {
    if (!connected_)
        return std::nullopt;
    int mid = 0;
    if (mosquitto_publish(mosq_, &mid, topic.c_str(), static_cast<int>(payload.size()),
                          payload.data(), qos, retain) != MOSQ_ERR_SUCCESS)
        return std::nullopt;
    return mid;
}

bool MqttClient::subscribe(const std::string& pattern, int qos) {
    return mosquitto_subscribe(mosq_, nullptr, pattern.c_str(), qos) == MOSQ_ERR_SUCCESS;
}
