#include "session/Collector.h"

#include "model/TextFormat.h"

namespace {

// What the archive holds goes to the surveys this often, synced to the disk first.
constexpr auto syncPeriod = std::chrono::seconds(1);
// A database that cannot be reached is tried again this often.
constexpr auto reconnectPeriod = std::chrono::seconds(5);

MqttSettings collectorClient(MqttSettings settings, const std::optional<std::string>& site,
                             const std::string& name, bool shared) {
    settings.clientId = "vrel-collect-" + name + "-" + (site ? *site : "all");
    settings.persistentSession = !shared;
    return settings;
}

} // namespace

Collector::Collector(MqttSettings settings, CollectorArchives archives,
                     std::optional<std::string> site, const std::string& name, const Clock& clock)
    : client_(collectorClient(std::move(settings), site, name, archives.share.has_value())),
      dbUrl_(archives.db ? archives.db->url : std::string()), share_(archives.share), clock_(clock),
      url_(brokerUrlText(client_.settings().broker)), dir_(archives.dir),
      scope_(site ? *site : "+"), name_(name) {
    if (!dir_.empty()) {
        archive_ = std::make_unique<MqttArchive>(dir_);
        archive_->report = [this](const std::string& text) {
            if (say)
                say(text);
        };
    }
    if (archives.db)
        db_ = std::make_unique<PgArchive>(*archives.db);
    client_.onConnected = [this](bool sessionPresent) {
        const std::string topic = filePieceTopic(scope_, "+");
        client_.subscribe(share_ ? "$share/" + *share_ + "/" + topic : topic, 1);
        // Pieces on their way when the collector or the broker went may be
        // lost: every meter is asked for what follows what the archive holds.
        connectedAgain_ = true;
        const std::string into = dir_.empty()     ? dbUrl_
                                 : dbUrl_.empty() ? dir_
                                                  : dir_ + " and " + dbUrl_;
        note((away_ ? "the broker at " + url_ + " is back"
                    : "collecting from " + url_ + " into " + into + " as " + name_ +
                          (share_ ? " in the group " + *share_ : "")) +
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
    keepDatabase();
    return client_.start(error);
}

std::string Collector::reportedName() const {
    return share_ ? *share_ : name_;
}

void Collector::keepDatabase() {
    if (!db_ || db_->connected())
        return;
    const auto now = std::chrono::steady_clock::now();
    if (lastConnect_ != std::chrono::steady_clock::time_point() &&
        now - lastConnect_ < reconnectPeriod)
        return;
    lastConnect_ = now;
    std::string error;
    if (!db_->connect(error)) {
        if (error != dbReason_ && say)
            say("the database at " + dbUrl_ + " cannot be used: " + error +
                "; nothing is confirmed to the surveys until it can, trying again every " +
                std::to_string(reconnectPeriod.count()) + " s");
        dbReason_ = error;
        return;
    }
    if (say)
        say(dbWasUp_ ? "the database at " + dbUrl_ + " is back"
                     : "writing into the database at " + dbUrl_);
    dbWasUp_ = true;
    dbReason_.clear();
    // What was on its way meanwhile is not in it: every meter is asked again.
    askEveryMeter_ = true;
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
    for (const FleetInbox::Message& m : batch) {
        if (archive_)
            archive_->receive(m.topic, m.payload);
        if (db_)
            receiveIntoDatabase(m.topic, m.payload);
    }
    if (db_) {
        keepDatabase();
        std::string error;
        if (!db_->commit(error)) {
            if (say && error != dbReason_)
                say("the database at " + dbUrl_ + " cannot be written: " + error +
                    "; what it missed is asked for again");
            dbReason_ = error;
        }
    }
    const bool everyFolder = connectedAgain_.exchange(false);
    if (everyFolder || std::chrono::steady_clock::now() - lastSync_ >= syncPeriod)
        tellHoldings(everyFolder);
}

void Collector::receiveIntoDatabase(const std::string& topic, std::string_view payload) {
    const auto meter = filePieceTopicMeter(topic);
    const auto piece = meter ? decodeFilePiece(payload) : std::nullopt;
    if (piece)
        db_->receive(meter->first, meter->second, *piece);
}

void Collector::tellHoldings(bool everyFolder) {
    lastSync_ = std::chrono::steady_clock::now();
    // The folders are put on the disk either way; with a database, what the
    // surveys are told is what it committed.
    std::vector<MqttArchive::Holding> held =
        archive_ ? archive_->sync(everyFolder) : std::vector<MqttArchive::Holding>();
    if (db_) {
        held.clear();
        if (!db_->connected())
            return;
        std::string error;
        const bool everyMeter = everyFolder || askEveryMeter_;
        // The database may hold other sites' meters too, which other collectors serve.
        for (PgArchive::Holding& h : db_->holdings(everyMeter, error))
            if (scope_ == "+" || h.site == scope_)
                held.push_back({h.site, h.meter, std::move(h.files)});
        if (!error.empty())
            return;
        askEveryMeter_ = false;
    }
    for (const MqttArchive::Holding& h : held)
        client_.publish(archivedTopic(h.site, h.meter, reportedName()), encodeArchived(h.files), 1,
                        true);
}

void Collector::stop() {
    if (stopped_)
        return;
    stopped_ = true;
    client_.stop();
    // What arrived before the disconnect is archived too.
    for (const FleetInbox::Message& m : inbox_.takeAll()) {
        if (archive_)
            archive_->receive(m.topic, m.payload);
        if (db_)
            receiveIntoDatabase(m.topic, m.payload);
    }
    tellNotes();
    // Synced, but no longer told: the surveys hear it at the next start,
    // when every folder says what it holds.
    if (archive_)
        archive_->close();
    if (db_) {
        std::string error;
        db_->commit(error);
    }
}

std::string Collector::countsText() const {
    std::string text;
    if (archive_) {
        const MqttArchive::Counts& c = archive_->counts();
        text = countOf(c.meters, "meter", "meters") + ", " + countOf(c.pieces, "piece", "pieces") +
               " of " + countOf(c.bytes, "byte", "bytes") + ", " +
               countOf(c.duplicates, "duplicate", "duplicates") + " left out, " +
               std::to_string(c.missed) + " to be sent again, " + std::to_string(c.malformed) +
               " malformed";
    }
    if (db_) {
        const PgArchive::Counts& c = db_->counts();
        text += std::string(text.empty() ? "" : "; ") +
                "the database: " + countOf(c.pieces, "piece", "pieces") + " (" +
                countOf(c.readings, "reading", "readings") + ", " +
                countOf(c.lines, "line", "lines") + " of tables), " +
                countOf(c.duplicates, "duplicate", "duplicates") + " left out, " +
                std::to_string(c.missed) + " to be sent again";
    }
    return text;
}
