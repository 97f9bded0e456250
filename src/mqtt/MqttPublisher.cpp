#include "MqttPublisher.h"

#include <QFile>
#include <QSaveFile>

#include <cmath>
#include <sstream>

namespace {

// Rows on their way at once, and read ahead of the acknowledged ones.
constexpr std::size_t sendWindow = 32;
constexpr std::size_t readAhead = 1000;
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
      settings_(std::move(settings)), clock_(clock),
      url_(brokerUrlText(client_.settings().broker)) {
    boxes_.push_back({summaryFileName, MqttTopic::Summary, 0, 0, 0, {}});
    boxes_.push_back({eventsFileName, MqttTopic::Event, 0, 0, 0, {}});

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
        for (Outbox& box : boxes_)
            for (Row& r : box.rows)
                r.sent = false;
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

std::string MqttPublisher::destination() const {
    return url_ + " " + mqttTopicBase(settings_.site, settings_.meter);
}

bool MqttPublisher::start(std::string& error) {
    loadCursor();
    if (!client_.start(error))
        return false;
    lastCursorWrite_ = std::chrono::steady_clock::now();
    worker_ = std::thread([this] { work(); });
    return true;
}

void MqttPublisher::loadCursor() {
    QFile f(QString::fromStdString(settings_.dir + "/" + mqttCursorFileName));
    if (!f.open(QIODevice::ReadOnly))
        return;
    std::istringstream in(f.readAll().toStdString());
    std::string line;
    std::getline(in, line);
    if (line != "to " + destination()) {
        say("the outbox was sent to another broker or under another name; sending it all to " +
            destination());
        return;
    }
    std::string name;
    long long rows = 0;
    std::int64_t offset = 0;
    while (in >> name >> rows >> offset)
        for (Outbox& box : boxes_)
            if (box.file == name && rows >= 0 && offset >= 0 &&
                QFile(QString::fromStdString(settings_.dir + "/" + name)).size() >= offset) {
                box.ackedRows = rows;
                box.ackedOffset = box.readOffset = offset;
            }
}

void MqttPublisher::writeCursor() {
    std::string text = "to " + destination() + "\n";
    for (const Outbox& box : boxes_)
        text += box.file + " " + std::to_string(box.ackedRows) + " " +
                std::to_string(box.ackedOffset) + "\n";
    // A sibling written whole, then renamed over the old one: a power cut
    // leaves the old cursor or the new, and an old one only repeats rows.
    QSaveFile f(QString::fromStdString(settings_.dir + "/" + mqttCursorFileName));
    if (f.open(QIODevice::WriteOnly) &&
        f.write(text.data(), static_cast<qint64>(text.size())) == qint64(text.size()) &&
        f.commit()) {
        cursorDirty_ = false;
        return;
    }
    say("cannot write " + std::string(mqttCursorFileName) + ": " + f.errorString().toStdString() +
        "; rows already sent may go out again");
}

void MqttPublisher::say(std::string text) {
    messages_.push_back(std::move(text));
}

std::vector<std::string> MqttPublisher::takeMessages() {
    std::lock_guard lock(mutex_);
    return std::exchange(messages_, {});
}

long long MqttPublisher::unsentLocked() const {
    long long n = 0;
    for (const Outbox& box : boxes_)
        for (const Row& r : box.rows)
            n += !r.acked;
    return n;
}

MqttPublisher::State MqttPublisher::state() const {
    std::lock_guard lock(mutex_);
    return {client_.connected(), unsentLocked(), refused_};
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
    backlogAtReturn_ = unsentLocked();
    onlineSince_ = isoLocalTime(clock_, clock_.nowMs());
    say((back ? "the broker at " + url_ + " is back" : "publishing to " + url_) + " as " +
        mqttTopicBase(settings_.site, settings_.meter));
    client_.publish(mqttTopic(settings_.site, settings_.meter, MqttTopic::Status), statusOnline, 1,
                    true);
    if (settings_.discovery)
        client_.subscribe(homeAssistantStatusTopic, 1);
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

void MqttPublisher::readOutbox(Outbox& box) {
    if (box.rows.size() >= readAhead)
        return;
    QFile f(QString::fromStdString(settings_.dir + "/" + box.file));
    if (!f.open(QIODevice::ReadOnly) || f.size() <= box.readOffset || !f.seek(box.readOffset))
        return;
    const QByteArray bytes = f.read(256 * 1024);
    qsizetype at = 0;
    while (box.rows.size() < readAhead) {
        const qsizetype eol = bytes.indexOf("\r\n", at);
        if (eol < 0)
            break; // a row still being written
        const std::string line = bytes.mid(at, eol - at).toStdString();
        const std::int64_t end = box.readOffset + (eol + 2 - at);
        at = eol + 2;
        if (box.readOffset == 0) { // the header
            box.readOffset = box.ackedOffset = end;
            continue;
        }
        box.readOffset = end;
        const long long seq = box.ackedRows + static_cast<long long>(box.rows.size()) + 1;
        const auto payload = box.topic == MqttTopic::Summary ? encodeSummaryRow(seq, line)
                                                             : encodeEventRow(seq, line);
        if (!payload) {
            say(box.file + " row " + std::to_string(seq) +
                " is not one the survey writes; left out");
            box.rows.push_back({seq, end, {}, true, true});
            continue;
        }
        box.rows.push_back({seq, end, *payload});
    }
}

void MqttPublisher::sendOutbox(Outbox& box) {
    if (std::chrono::steady_clock::now() < sendAgainAt_)
        return;
    const std::size_t index = static_cast<std::size_t>(&box - boxes_.data());
    bool latestChanged = false;
    for (Row& r : box.rows) {
        if (inFlight_.size() >= sendWindow)
            break;
        if (r.sent || r.acked)
            continue;
        const auto mid = client_.publish(mqttTopic(settings_.site, settings_.meter, box.topic),
                                         r.payload, 1, false);
        if (!mid)
            break;
        r.sent = true;
        inFlight_[*mid] = {index, r.seq};
        if (box.topic == MqttTopic::Summary && r.seq > latestSummarySeq_) {
            latestSummarySeq_ = r.seq;
            latestSummary_ = r.payload;
            latestChanged = true;
        }
    }
    // Once for the newest row, not for every row of a backlog.
    if (latestChanged)
        client_.publish(mqttTopic(settings_.site, settings_.meter, MqttTopic::SummaryLatest),
                        latestSummary_, 1, true);
}

void MqttPublisher::acknowledged(int mid, int reasonCode) {
    if (offlineMid_ && *offlineMid_ == mid) {
        offlineMid_.reset();
        return;
    }
    const auto it = inFlight_.find(mid);
    if (it == inFlight_.end())
        return; // sent before an outage; its row went out again
    Outbox& box = boxes_[it->second.first];
    const long long seq = it->second.second;
    inFlight_.erase(it);
    const long long index = seq - box.ackedRows - 1;
    if (index < 0 || index >= static_cast<long long>(box.rows.size()))
        return;
    Row& row = box.rows[static_cast<std::size_t>(index)];
    // A broker acknowledges a message it refused (MQTT 3.1.1 cannot even say
    // so): only a reason code below 128 means the row is with it.
    if (reasonCode >= 128) {
        row.sent = false;
        sendAgainAt_ = std::chrono::steady_clock::now() + refusedRetry;
        if (!refused_) {
            const std::string topic = mqttTopic(settings_.site, settings_.meter, box.topic);
            say((reasonCode == notAuthorized
                     ? "not authorized to publish to " + topic + " on " + url_
                     : "the broker at " + url_ + " refused the rows for " + topic + ": " +
                           MqttClient::reasonText(reasonCode)) +
                "; the rows wait in the survey's folder and go out once the broker takes them");
            refused_ = true;
        }
        return;
    }
    if (refused_) {
        refused_ = false;
        say("the broker at " + url_ + " takes the rows again");
    }
    row.acked = true;
    while (!box.rows.empty() && box.rows.front().acked) {
        box.ackedRows = box.rows.front().seq;
        box.ackedOffset = box.rows.front().end;
        box.rows.pop_front();
        cursorDirty_ = true;
    }
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
        for (Outbox& box : boxes_) {
            readOutbox(box);
            if (client_.connected())
                sendOutbox(box);
        }
        if (backlogAtReturn_ && unsentLocked() == 0) {
            say(backlogAtReturn_ == 1
                    ? std::string("sent the row that waited")
                    : "sent the " + std::to_string(backlogAtReturn_) + " rows that waited");
            backlogAtReturn_ = 0;
        }
        if (cursorDirty_ && std::chrono::steady_clock::now() - lastCursorWrite_ >= cursorPeriod) {
            lastCursorWrite_ = std::chrono::steady_clock::now();
            writeCursor();
        }
    }
}

void MqttPublisher::finish(std::chrono::milliseconds grace) {
    const auto deadline = std::chrono::steady_clock::now() + grace;
    std::unique_lock lock(mutex_);
    // The rows the survey wrote last go out before the cursor is read again.
    for (Outbox& box : boxes_)
        readOutbox(box);
    wake_.notify_all();
    wake_.wait_until(lock, deadline,
                     [this] { return !client_.connected() || unsentLocked() == 0; });
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
    if (cursorDirty_)
        writeCursor();
    lock.unlock();
    client_.stop();
}
