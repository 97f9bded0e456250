#include "FleetFeed.h"

FleetFeed::FleetFeed(MqttSettings settings, const Clock& clock)
    : client_(std::move(settings)), clock_(clock) {
    client_.onConnected = [this](bool) {
        // Not the pieces of the surveys' files: those are the archives' business.
        for (const MqttTopic kind :
             {MqttTopic::Status, MqttTopic::Info, MqttTopic::Level, MqttTopic::Summary,
              MqttTopic::SummaryLatest, MqttTopic::Event, MqttTopic::Exceedance})
            client_.subscribe(mqttTopic("+", "+", kind), 1);
        const std::lock_guard lock(mutex_);
        link_ = {FleetLink::State::Connected, 0, {}};
    };
    client_.onRefused = [this](int code) {
        const std::lock_guard lock(mutex_);
        link_.state = FleetLink::State::Refused;
        link_.reasonCode = code;
        refusedThisTry_ = true;
    };
    client_.onDown = [this](const std::string& reason, MqttFailure kind) {
        const std::lock_guard lock(mutex_);
        if (!refusedThisTry_)
            link_ = {FleetLink::State::Away, 0, {}, kind};
        refusedThisTry_ = false;
        link_.reason = reason;
    };
    client_.onMessage = [this](const std::string& topic, std::string_view payload) {
        inbox_.push(topic, payload, clock_.nowMs());
    };
}

FleetFeed::~FleetFeed() {
    stop();
}

bool FleetFeed::start(std::string& error) {
    return client_.start(error);
}

void FleetFeed::stop() {
    client_.stop();
}

std::size_t FleetFeed::drain(FleetModel& model) {
    const auto batch = inbox_.takeAll();
    for (const FleetInbox::Message& m : batch)
        model.take(m.topic, m.payload, m.received);
    return batch.size();
}

FleetLink FleetFeed::link() const {
    const std::lock_guard lock(mutex_);
    return link_;
}
