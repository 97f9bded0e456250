#include "session/Collector.h"

#include "model/TextFormat.h"

namespace {

MqttSettings collectorClient(MqttSettings settings, const std::optional<std::string>& site,
                             const std::string& hostName) {
    settings.clientId =
        "vrel-collect-" + meterIdFromHostName(hostName) + "-" + (site ? *site : "all");
    settings.persistentSession = true;
    return settings;
}

} // namespace

Collector::Collector(MqttSettings settings, const std::string& dir, std::optional<std::string> site,
                     const std::string& hostName, const Clock& clock)
    : client_(collectorClient(std::move(settings), site, hostName)), archive_(dir), clock_(clock),
      url_(brokerUrlText(client_.settings().broker)), dir_(dir), scope_(site ? *site : "+") {
    archive_.report = [this](const std::string& text) {
        if (say)
            say(text);
    };
    client_.onConnected = [this](bool sessionPresent) {
        for (const char* leaf : {"summary", "event", "level"})
            client_.subscribe(std::string(mqttTopicRoot) + scope_ + "/+/" + leaf, 1);
        note((away_ ? "the broker at " + url_ + " is back"
                    : "collecting from " + url_ + " into " + dir_) +
             (sessionPresent ? " (its session kept what came meanwhile)" : ""));
        away_ = false;
        lastReason_.clear();
    };
    client_.onDown = [this](const std::string& reason, MqttFailure kind) {
        if (!away_ || reason != lastReason_)
            note(brokerDownText(url_, reason, kind) + "; trying again");
        away_ = true;
        lastReason_ = reason;
    };
    client_.onMessage = [this](const std::string& topic, std::string_view payload) {
        inbox_.push(topic, payload, 0);
    };
}

Collector::~Collector() {
    stop();
}

bool Collector::start(std::string& error) {
    return client_.start(error);
}

void Collector::note(std::string text) {
    const std::lock_guard lock(notesMutex_);
    notes_.push_back(std::move(text));
}

void Collector::tellNotes() {
    std::vector<std::string> notes;
    {
        const std::lock_guard lock(notesMutex_);
        notes.swap(notes_);
    }
    if (say)
        for (const std::string& n : notes)
            say(n);
}

void Collector::poll(std::chrono::milliseconds wait) {
    const auto batch = inbox_.takeAll(wait);
    tellNotes();
    for (const FleetInbox::Message& m : batch)
        archive_.receive(m.topic, m.payload);
    archive_.flush(clock_.nowMs());
}

void Collector::stop() {
    if (stopped_)
        return;
    stopped_ = true;
    client_.stop();
    // What arrived before the disconnect is archived too.
    for (const FleetInbox::Message& m : inbox_.takeAll())
        archive_.receive(m.topic, m.payload);
    tellNotes();
    archive_.close();
}

std::string Collector::countsText() const {
    const MqttArchive::Counts& c = archive_.counts();
    return countOf(c.meters, "meter", "meters") + ", " + countOf(c.rows, "row", "rows") + ", " +
           countOf(c.duplicates, "duplicate", "duplicates") + " left out, " +
           countOf(c.levels, "level", "levels") + ", " + std::to_string(c.malformed) + " malformed";
}
