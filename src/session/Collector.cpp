#include "session/Collector.h"

#include "model/TextFormat.h"

namespace {

// What the archive holds goes to the surveys this often, synced to the disk first.
constexpr auto syncPeriod = std::chrono::seconds(1);

MqttSettings collectorClient(MqttSettings settings, const std::optional<std::string>& site,
                             const std::string& name) {
    settings.clientId = "vrel-collect-" + name + "-" + (site ? *site : "all");
    settings.persistentSession = true;
    return settings;
}

} // namespace

Collector::Collector(MqttSettings settings, const std::string& dir, std::optional<std::string> site,
                     const std::string& name, const Clock& clock)
    : client_(collectorClient(std::move(settings), site, name)), archive_(dir), clock_(clock),
      url_(brokerUrlText(client_.settings().broker)), dir_(dir), scope_(site ? *site : "+"),
      name_(name) {
    archive_.report = [this](const std::string& text) {
        if (say)
            say(text);
    };
    client_.onConnected = [this](bool sessionPresent) {
        client_.subscribe(filePieceTopic(scope_, "+"), 1);
        // Pieces on their way when the collector or the broker went may be
        // lost: every meter is asked for what follows what the archive holds.
        connectedAgain_ = true;
        note((away_ ? "the broker at " + url_ + " is back"
                    : "collecting from " + url_ + " into " + dir_ + " as " + name_) +
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
    const bool everyFolder = connectedAgain_.exchange(false);
    if (everyFolder || std::chrono::steady_clock::now() - lastSync_ >= syncPeriod)
        tellHoldings(everyFolder);
}

void Collector::tellHoldings(bool everyFolder) {
    lastSync_ = std::chrono::steady_clock::now();
    for (const MqttArchive::Holding& h : archive_.sync(everyFolder))
        client_.publish(archivedTopic(h.site, h.meter, name_), encodeArchived(h.files), 1, true);
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
    // Told at the next start: every folder asks again then.
    archive_.close();
}

std::string Collector::countsText() const {
    const MqttArchive::Counts& c = archive_.counts();
    return countOf(c.meters, "meter", "meters") + ", " + countOf(c.pieces, "piece", "pieces") +
           " of " + countOf(c.bytes, "byte", "bytes") + ", " +
           countOf(c.duplicates, "duplicate", "duplicates") + " left out, " +
           std::to_string(c.missed) + " to be sent again, " + std::to_string(c.malformed) +
           " malformed";
}
