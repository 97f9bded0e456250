#include "MqttPublisher.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// Rows on their way at once.
constexpr std::size_t sendWindow = 32;
constexpr auto wakePeriod = std::chrono::milliseconds(250);
// The cursor is put on the disk at most this often while rows are acknowledged.
constexpr auto cursorPeriod = std::chrono::seconds(1);
// A second's level goes out this long after its end when no later reading closed it.
constexpr SurveyMs levelLateMs = 300;
constexpr std::size_t maxWaitingLevels = 10;
// A refused row goes again after this long: the broker's access list may be
// put right while the survey runs.
constexpr auto refusedRetry = std::chrono::seconds(10);
constexpr int notAuthorized = 135;
// Pieces of the folder's files on their way at once, and the bytes of each.
constexpr std::size_t pieceWindow = 16;
constexpr std::size_t pieceBytes = 64 * 1024;
// The files' new lines go out together this often: a message a second
// carries that second's readings; a backlog goes in full pieces meanwhile.
constexpr auto pieceRound = std::chrono::seconds(1);

// The rows of each file: their topic, how they are worded, the file's name.
struct BoxKind {
    MqttTopic topic;
    std::optional<std::string> (*encode)(long long, std::string_view);
    const char* file;
};
BoxKind kindOf(SurveyOutbox::Box box) {
    switch (box) {
    case SurveyOutbox::Box::Summary:
        return {MqttTopic::Summary, encodeSummaryRow, summaryFileName};
    case SurveyOutbox::Box::Events:
        return {MqttTopic::Event, encodeEventRow, eventsFileName};
    case SurveyOutbox::Box::Exceedances:
        return {MqttTopic::Exceedance, encodeExceedanceRow, exceedancesFileName};
    }
    return {MqttTopic::Event, encodeEventRow, eventsFileName};
}

MqttTopic topicOf(SurveyOutbox::Box box) {
    return kindOf(box).topic;
}

// Live news of events still going on, kept while the broker is away.
constexpr std::size_t maxWaitingStarted = 100;

// The named archives in the folder's cursor: another set of them starts afresh.
std::string archivedByText(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& n : names)
        text += (text.empty() ? " archived by " : ",") + n;
    return text;
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

} // namespace

MqttPublisher::MqttPublisher(MqttSettings client, PublisherSettings settings, const Clock& clock)
    : client_([&] {
          client.clientId = "vrel-" + settings.site + "-" + settings.meter;
          client.willTopic = mqttTopic(settings.site, settings.meter, MqttTopic::Status);
          client.willPayload = statusOffline;
          return client;
      }()),
      settings_(std::move(settings)), clock_(clock), url_(brokerUrlText(client_.settings().broker)),
      outbox_(settings_.dir, url_ + " " + mqttTopicBase(settings_.site, settings_.meter)),
      folder_(settings_.dir,
              url_ + " " + mqttTopicBase(settings_.site, settings_.meter) +
                  archivedByText(settings_.archivedBy),
              settings_.archivedBy.empty() ? FolderOutbox::Confirm::Delivered
                                           : FolderOutbox::Confirm::Held) {

    client_.onConnected = [this](bool) {
        {
            std::lock_guard lock(mutex_);
            justConnected_ = true;
        }
        wake_.notify_all();
    };
    client_.onDown = [this](const std::string& reason, MqttFailure kind) {
        std::lock_guard lock(mutex_);
        inFlight_.clear();
        outbox_.handBackAll();
        piecesInFlight_.clear();
        folder_.handBackAll();
        if (!away_ || reason != lastDownReason_)
            say(brokerDownText(url_, reason, kind) +
                "; sampling goes on and the rows wait in the survey's folder");
        away_ = true;
        lastDownReason_ = reason;
    };
    client_.onAcknowledged = [this](int mid, int reasonCode) {
        {
            std::lock_guard lock(mutex_);
            acknowledged(mid, reasonCode);
        }
        wake_.notify_all();
    };
    client_.onMessage = [this](const std::string& topic, std::string_view payload) {
        if (const auto collector = archivedTopicCollector(topic, settings_.site, settings_.meter)) {
            if (const auto files = decodeArchived(payload)) {
                {
                    std::lock_guard lock(mutex_);
                    archived(*collector, *files);
                }
                wake_.notify_all();
            }
            return;
        }
        if (topic == homeAssistantStatusTopic && payload == statusOnline) {
            {
                std::lock_guard lock(mutex_);
                announce_ = true;
            }
            wake_.notify_all();
        }
    };
}

MqttPublisher::~MqttPublisher() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (worker_.joinable())
        worker_.join();
    client_.stop();
}

bool MqttPublisher::start(std::string& error) {
    if (auto note = outbox_.load())
        say(std::move(*note));
    if (auto note = folder_.load())
        say(std::move(*note));
    folder_.scan();
    if (!client_.start(error))
        return false;
    lastCursorWrite_ = std::chrono::steady_clock::now();
    worker_ = std::thread([this] { work(); });
    return true;
}

void MqttPublisher::writeCursor() {
    std::string error;
    if (outbox_.cursorChanged() && !outbox_.writeCursor(error))
        say("cannot write " + std::string(outboxCursorFileName) + ": " + error +
            "; rows already sent may go out again");
    if (folder_.cursorChanged() && !folder_.writeCursor(error))
        say("cannot write " + std::string(folderCursorFileName) + ": " + error +
            "; lines already sent may go out again");
}

void MqttPublisher::say(std::string text) {
    messages_.push_back(std::move(text));
}

std::vector<std::string> MqttPublisher::takeMessages() {
    std::lock_guard lock(mutex_);
    return std::exchange(messages_, {});
}

MqttPublisher::State MqttPublisher::state() const {
    std::lock_guard lock(mutex_);
    return {client_.connected(), outbox_.unconfirmed(), folder_.unconfirmed(), refused_};
}

void MqttPublisher::addReading(SurveyMs t, double level, const std::string& unit) {
    std::lock_guard lock(mutex_);
    const std::int64_t second = floorDiv(t, 1000);
    if (readings_ && second != second_)
        flushLevel(t);
    if (!readings_) {
        second_ = second;
        secondUnit_ = unit;
    }
    energy_ += std::pow(10.0, level / 10);
    ++readings_;
    if (unit != secondUnit_)
        secondUnit_ = "mixed";
    weighting_ = unit;
}

void MqttPublisher::exceedanceGoesOn(const SeriesEvent& event) {
    std::string row = csvRow(eventFields(clock_, 0, event));
    row.resize(row.size() - 2); // its CR LF
    auto payload = encodeExceedanceStarted(row);
    if (!payload)
        return;
    {
        std::lock_guard lock(mutex_);
        startedWaiting_.push_back(std::move(*payload));
        if (startedWaiting_.size() > maxWaitingStarted)
            startedWaiting_.pop_front();
    }
    wake_.notify_all();
}

void MqttPublisher::flushLevel(SurveyMs now) {
    if (!readings_ || now < (second_ + 1) * 1000)
        return;
    levels_.push_back(
        {isoLocalTime(clock_, second_ * 1000), 10 * std::log10(energy_ / readings_), secondUnit_});
    if (levels_.size() > maxWaitingLevels)
        levels_.pop_front(); // the level is live news: only the latest matter
    readings_ = 0;
    energy_ = 0;
}

void MqttPublisher::connected() {
    const bool back = everConnected_;
    everConnected_ = true;
    away_ = false;
    lastDownReason_.clear();
    sendAgainAt_ = {};
    backlogAtReturn_ = outbox_.unconfirmed();
    onlineSince_ = isoLocalTime(clock_, clock_.nowMs());
    say((back ? "the broker at " + url_ + " is back" : "publishing to " + url_) + " as " +
        mqttTopicBase(settings_.site, settings_.meter));
    client_.publish(mqttTopic(settings_.site, settings_.meter, MqttTopic::Status), statusOnline, 1,
                    true);
    if (settings_.discovery)
        client_.subscribe(homeAssistantStatusTopic, 1);
    client_.subscribe(archivedTopic(settings_.site, settings_.meter, "+"), 1);
    sendAnnouncements();
    if (!latestSummary_.empty())
        client_.publish(mqttTopic(settings_.site, settings_.meter, MqttTopic::SummaryLatest),
                        latestSummary_, 1, true);
}

void MqttPublisher::sendAnnouncements() {
    announcedWeighting_ = weighting_;
    client_.publish(mqttTopic(settings_.site, settings_.meter, MqttTopic::Info),
                    encodeInfo({settings_.version, settings_.interval, weighting_,
                                settings_.summarySeconds, onlineSince_}),
                    1, true);
    if (!settings_.discovery || weighting_.empty())
        return;
    for (const DiscoveryMessage& m :
         discoveryMessages(settings_.site, settings_.meter, weighting_, settings_.version))
        client_.publish(m.topic, m.payload, 1, true);
}

void MqttPublisher::sendOutbox() {
    if (std::chrono::steady_clock::now() < sendAgainAt_ || inFlight_.size() >= sendWindow)
        return;
    bool latestChanged = false;
    for (const SurveyOutbox::Row& r : outbox_.take(sendWindow - inFlight_.size())) {
        const bool summary = r.box == SurveyOutbox::Box::Summary;
        const BoxKind kind = kindOf(r.box);
        const auto payload = kind.encode(r.seq, r.csv);
        if (!payload) {
            say(std::string(kind.file) + " row " + std::to_string(r.seq) +
                " is not one the survey writes; left out");
            outbox_.confirmed(r.box, r.seq);
            continue;
        }
        const auto mid = client_.publish(mqttTopic(settings_.site, settings_.meter, topicOf(r.box)),
                                         *payload, 1, false);
        if (!mid) {
            outbox_.refused(r.box, r.seq); // the connection went: offered again
            continue;
        }
        inFlight_[*mid] = {r.box, r.seq};
        if (summary && r.seq > latestSummarySeq_) {
            latestSummarySeq_ = r.seq;
            latestSummary_ = *payload;
            latestChanged = true;
        }
    }
    // Once for the newest row, not for every row of a backlog.
    if (latestChanged)
        client_.publish(mqttTopic(settings_.site, settings_.meter, MqttTopic::SummaryLatest),
                        latestSummary_, 1, true);
}

void MqttPublisher::sendPieces() {
    const auto now = std::chrono::steady_clock::now();
    if (now < sendAgainAt_)
        return;
    const bool round = now - lastPieceRound_ >= pieceRound;
    if (round) {
        lastPieceRound_ = now;
        folder_.scan();
    }
    while (piecesInFlight_.size() < pieceWindow) {
        auto piece = folder_.take(pieceBytes, !round);
        if (!piece)
            return;
        const auto mid =
            client_.publish(filePieceTopic(settings_.site, settings_.meter),
                            encodeFilePiece({piece->file, piece->offset, piece->bytes}), 1, false);
        if (!mid) {
            folder_.sendAgainFrom(piece->file, piece->offset); // the connection went
            return;
        }
        piecesInFlight_[*mid] = {std::move(piece->file), piece->offset};
    }
}

void MqttPublisher::archived(const std::string& collector, const ArchivedFiles& files) {
    auto& holds = holdings_[collector];
    for (const auto& [file, size] : files.sizes)
        holds[file] = std::max(holds[file], size);
    const bool named = std::find(settings_.archivedBy.begin(), settings_.archivedBy.end(),
                                 collector) != settings_.archivedBy.end();
    for (const auto& [file, size] : folder_.sizes()) {
        const auto it = holds.find(file);
        // A file a collector never named: a named one has what is confirmed of
        // it (what all of them hold); any other is taken to have it all.
        if (files.again)
            folder_.sendAgainFrom(file, it != holds.end() ? it->second
                                        : named           ? folder_.confirmedSize(file)
                                                          : size);
        if (!named)
            continue;
        std::int64_t least = size;
        for (const std::string& name : settings_.archivedBy) {
            const auto& theirs = holdings_[name];
            const auto held = theirs.find(file);
            least =
                std::min(least, held != theirs.end() ? held->second : folder_.confirmedSize(file));
        }
        folder_.held(file, least);
    }
}

void MqttPublisher::refusedBy(int reasonCode, const std::string& topic) {
    sendAgainAt_ = std::chrono::steady_clock::now() + refusedRetry;
    if (refused_)
        return;
    say((reasonCode == notAuthorized ? "not authorized to publish to " + topic + " on " + url_
                                     : "the broker at " + url_ + " refused the rows for " + topic +
                                           ": " + MqttClient::reasonText(reasonCode)) +
        "; the rows wait in the survey's folder and go out once the broker takes them");
    refused_ = true;
}

void MqttPublisher::acknowledged(int mid, int reasonCode) {
    if (offlineMid_ && *offlineMid_ == mid) {
        offlineMid_.reset();
        return;
    }
    if (const auto piece = piecesInFlight_.find(mid); piece != piecesInFlight_.end()) {
        const auto [file, offset] = piece->second;
        piecesInFlight_.erase(piece);
        if (reasonCode >= 128) {
            folder_.sendAgainFrom(file, offset);
            refusedBy(reasonCode, filePieceTopic(settings_.site, settings_.meter));
        } else {
            folder_.delivered(file, offset);
        }
        return;
    }
    const auto it = inFlight_.find(mid);
    if (it == inFlight_.end())
        return; // sent before an outage; its row went out again
    const auto [box, seq] = it->second;
    inFlight_.erase(it);
    // A broker acknowledges a message it refused (MQTT 3.1.1 cannot even say
    // so): only a reason code below 128 means the row is with it.
    if (reasonCode >= 128) {
        outbox_.refused(box, seq);
        refusedBy(reasonCode, mqttTopic(settings_.site, settings_.meter, topicOf(box)));
        return;
    }
    if (refused_) {
        refused_ = false;
        say("the broker at " + url_ + " takes the rows again");
    }
    outbox_.confirmed(box, seq);
}

void MqttPublisher::work() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        wake_.wait_for(lock, wakePeriod);
        if (stopping_)
            break;
        if (justConnected_) {
            justConnected_ = false;
            connected();
        }
        if (client_.connected() && (announce_ || weighting_ != announcedWeighting_)) {
            announce_ = false;
            sendAnnouncements();
        }
        flushLevel(clock_.nowMs() - levelLateMs);
        while (!levels_.empty()) {
            if (client_.connected())
                client_.publish(mqttTopic(settings_.site, settings_.meter, MqttTopic::Level),
                                encodeLevel(levels_.front()), 0, false);
            levels_.pop_front();
        }
        outbox_.read();
        while (client_.connected() && !startedWaiting_.empty() &&
               client_.publish(mqttTopic(settings_.site, settings_.meter, MqttTopic::Exceedance),
                               startedWaiting_.front(), 1, false))
            startedWaiting_.pop_front();
        if (client_.connected()) {
            sendOutbox();
            sendPieces();
        }
        if (backlogAtReturn_ && outbox_.unconfirmed() == 0) {
            say(backlogAtReturn_ == 1
                    ? std::string("sent the row that waited")
                    : "sent the " + std::to_string(backlogAtReturn_) + " rows that waited");
            backlogAtReturn_ = 0;
        }
        if ((outbox_.cursorChanged() || folder_.cursorChanged()) &&
            std::chrono::steady_clock::now() - lastCursorWrite_ >= cursorPeriod) {
            lastCursorWrite_ = std::chrono::steady_clock::now();
            writeCursor();
        }
    }
}

void MqttPublisher::finish(std::chrono::milliseconds grace) {
    const auto deadline = std::chrono::steady_clock::now() + grace;
    std::unique_lock lock(mutex_);
    // The rows and lines the survey wrote last go out before the cursor is read again.
    outbox_.read();
    folder_.scan();
    lastPieceRound_ = {};
    wake_.notify_all();
    wake_.wait_until(lock, deadline, [this] {
        return !client_.connected() || (outbox_.unconfirmed() == 0 && folder_.unconfirmed() == 0);
    });
    stopping_ = true;
    lock.unlock();
    wake_.notify_all();
    if (worker_.joinable())
        worker_.join();
    lock.lock();
    if (client_.connected()) {
        offlineMid_ = client_.publish(mqttTopic(settings_.site, settings_.meter, MqttTopic::Status),
                                      statusOffline, 1, true);
        wake_.wait_for(lock, std::chrono::seconds(2),
                       [this] { return !offlineMid_ || !client_.connected(); });
    }
    if (outbox_.cursorChanged() || folder_.cursorChanged())
        writeCursor();
    lock.unlock();
    client_.stop();
}
