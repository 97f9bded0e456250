#include "FleetModel.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace {

constexpr std::int16_t noLevel = std::numeric_limits<std::int16_t>::min();
constexpr SurveyMs hourMs = 3600 * 1000;

long long floorDiv(long long a, long long b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

std::size_t slotOf(long long second) {
    const long long m = second % LevelHour::seconds;
    return static_cast<std::size_t>(m < 0 ? m + LevelHour::seconds : m);
}

std::optional<double> number(const std::string& text) {
    if (text.empty())
        return std::nullopt;
    try {
        std::size_t used = 0;
        const double v = std::stod(text, &used);
        if (used != text.size() || !std::isfinite(v))
            return std::nullopt;
        return v;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

} // namespace

void LevelHour::add(SurveyMs t, double db) {
    const long long second = floorDiv(t, 1000);
    if (ring_.empty()) {
        ring_.assign(seconds, noLevel);
        newest_ = second;
    }
    if (second <= newest_ - seconds)
        return;
    if (second > newest_) {
        // Seconds that brought nothing are holes, not the level of an hour ago.
        const long long clear = std::min<long long>(second - newest_, seconds);
        for (long long s = second - clear + 1; s <= second; ++s)
            ring_[slotOf(s)] = noLevel;
        newest_ = second;
    }
    const double centi = std::round(std::clamp(db, -327.0, 327.0) * 100);
    ring_[slotOf(second)] = static_cast<std::int16_t>(centi);
}

std::vector<LevelHour::Point> LevelHour::points() const {
    std::vector<Point> out;
    if (ring_.empty())
        return out;
    for (long long s = newest_ - seconds + 1; s <= newest_; ++s) {
        const std::int16_t v = ring_[slotOf(s)];
        if (v != noLevel)
            out.push_back({s * 1000, v / 100.0});
    }
    return out;
}

SeriesMs meterClock(const FleetMeter& m, SurveyMs instant) {
    return instant + static_cast<SeriesMs>(m.utcOffsetSeconds) * 1000;
}

SeriesStore levelSeries(const FleetMeter& m) {
    SeriesStore series;
    const char weighting = m.weighting.find('C') != std::string::npos ? 'C' : 'A';
    for (const LevelHour::Point& p : m.hour.points()) {
        const double centi = std::round(std::clamp(p.db, 0.0, 655.0) * centibelsPerDb);
        series.append(meterClock(m, p.t), static_cast<Centibel>(centi), 1000, weighting);
    }
    series.finish();
    return series;
}

std::vector<SeriesStep> intervalSteps(const FleetMeter& m) {
    std::vector<SeriesStep> steps;
    for (const FleetInterval& i : m.hourIntervals) {
        const auto start = parseIsoTime(i.start);
        const auto end = parseIsoTime(i.end);
        if (!i.leq || !start || !end || end->ms <= start->ms)
            continue;
        // Each row carries its own offset: the meter's clock as it was then.
        steps.push_back({start->ms + start->offsetSeconds * 1000LL,
                         end->ms + end->offsetSeconds * 1000LL, *i.leq});
    }
    return steps;
}

void FleetModel::setLimit(std::optional<double> db, SurveyMs now) {
    limit_ = db;
    for (std::size_t i = 0; i < meters_.size(); ++i)
        judge(i, now);
}

const FleetMeter* FleetModel::find(const std::string& site, const std::string& meter) const {
    const auto it = index_.find({site, meter});
    return it == index_.end() ? nullptr : &meters_[it->second];
}

bool FleetModel::stale(const FleetMeter& m, SurveyMs now) {
    return !m.level || now - m.levelReceived >= staleAfterMs;
}

FleetMeter& FleetModel::meterOf(const MqttTopicName& name) {
    const auto [it, inserted] = index_.try_emplace({name.site, name.meter}, meters_.size());
    if (inserted) {
        FleetMeter m;
        m.site = name.site;
        m.meter = name.meter;
        meters_.push_back(std::move(m));
        dirty_.push_back(0);
        freshAtLastUpdate_.push_back(0);
        onlineAtLoss_.push_back(0);
        added_ = true;
        touch(it->second);
    }
    return meters_[it->second];
}

void FleetModel::touch(std::size_t index) {
    if (!dirty_[index]) {
        dirty_[index] = 1;
        changed_.push_back(index);
    }
}

void FleetModel::malformed(std::string_view topic) {
    if (malformedSeen_.insert(std::string(topic)).second)
        malformedNew_.emplace_back(topic);
}

void FleetModel::judge(std::size_t index, SurveyMs now) {
    FleetMeter& m = meters_[index];
    bool over = false;
    if (limit_) {
        over = (!stale(m, now) && *m.level > *limit_) ||
               (m.interval && m.interval->leq && *m.interval->leq > *limit_);
    }
    if (over != m.overLimit) {
        m.overLimit = over;
        touch(index);
        if (over)
            events_.push_back({FleetEventKind::WentOverLimit, m.site, m.meter});
    }
}

void FleetModel::take(std::string_view topic, std::string_view payload, SurveyMs now) {
    const auto name = parseMqttTopic(topic);
    if (!name) {
        malformed(topic);
        return;
    }
    switch (name->kind) {
    case MqttTopic::Status: {
        if (payload != statusOnline && payload != statusOffline) {
            malformed(topic);
            return;
        }
        FleetMeter& m = meterOf(*name);
        const bool online = payload == statusOnline;
        if (m.online != online) {
            const std::size_t i = index_.at({name->site, name->meter});
            // While the meters come back after an outage, the end of it judges.
            if (m.online.value_or(false) && !online && linkUp_ && !settleUntil_)
                heldOffline_.emplace_back(i, now);
            m.online = online;
            m.statusSince = now;
            touch(i);
        }
        return;
    }
    case MqttTopic::Level: {
        const auto level = decodeLevel(payload);
        const auto time = level ? parseIsoTime(level->time) : std::nullopt;
        if (!time) {
            malformed(topic);
            return;
        }
        FleetMeter& m = meterOf(*name);
        if (level->db)
            m.hour.add(time->ms, *level->db);
        // A late datagram adds to the hour but does not undo a newer level.
        if (time->ms >= m.levelTime || !m.level) {
            m.level = level->db;
            m.weighting = level->weighting;
            m.levelTime = time->ms;
            m.levelReceived = now;
            m.utcOffsetSeconds = time->offsetSeconds;
        }
        const std::size_t i = index_.at({name->site, name->meter});
        touch(i);
        judge(i, now);
        return;
    }
    case MqttTopic::Summary:
    case MqttTopic::SummaryLatest: {
        const auto row = decodeSummary(payload);
        const auto fields =
            row ? splitCsvRow(row->csvRow.substr(0, row->csvRow.find('\r'))) : std::nullopt;
        const auto end = fields && fields->size() >= 5 ? parseIsoTime((*fields)[1]) : std::nullopt;
        const auto coverage = end ? number((*fields)[3]) : std::nullopt;
        if (!coverage) {
            malformed(topic);
            return;
        }
        FleetInterval interval{(*fields)[0], (*fields)[1], end->ms, *coverage,
                               number((*fields)[4])};
        FleetMeter& m = meterOf(*name);
        // The retained newest row comes first and a replay after an outage
        // brings older ones, each perhaps twice: keep them once, by their end.
        const SurveyMs keepFrom =
            std::max(m.interval ? m.interval->endMs : interval.endMs, interval.endMs) - hourMs;
        const bool known =
            std::any_of(m.hourIntervals.begin(), m.hourIntervals.end(),
                        [&](const FleetInterval& seen) { return seen.start == interval.start; });
        const bool kept = !known && interval.endMs > keepFrom;
        if (kept) {
            const auto at = std::find_if(
                m.hourIntervals.begin(), m.hourIntervals.end(),
                [&](const FleetInterval& seen) { return seen.endMs > interval.endMs; });
            m.hourIntervals.insert(at, interval);
        }
        while (!m.hourIntervals.empty() && m.hourIntervals.front().endMs <= keepFrom)
            m.hourIntervals.pop_front();
        const std::size_t i = index_.at({name->site, name->meter});
        if (kept)
            touch(i);
        if (!m.interval || interval.endMs > m.interval->endMs) {
            m.interval = std::move(interval);
            touch(i);
        }
        judge(i, now);
        return;
    }
    case MqttTopic::Event:
        if (!decodeEvent(payload))
            malformed(topic);
        return;
    case MqttTopic::Exceedance:
        if (const auto e = decodeExceedance(payload))
            exceedance(*name, *e, now);
        else
            malformed(topic);
        return;
    case MqttTopic::Info: {
        FleetMeter& m = meterOf(*name);
        if (const auto since = infoOnlineSince(payload); since && since->ms != m.onlineSince) {
            m.onlineSince = since->ms;
            touch(index_.at({name->site, name->meter}));
        }
        return;
    }
    }
}

void FleetModel::exceedance(const MqttTopicName& name, const ExceedanceMessage& e, SurveyMs now) {
    const auto start = parseEventTime(e.start);
    const auto end = parseEventTime(e.end);
    if (!start || !end)
        return;
    FleetMeter& m = meterOf(name);
    const std::size_t i = index_.at({name.site, name.meter});
    std::erase_if(m.exceedances, [&](const FleetExceedance& x) { return x.endMs <= now - hourMs; });
    // An old event a replay brings after a long outage is no news.
    if (end->ms <= now - hourMs)
        return;
    const FleetExceedance x{e.start, start->ms, end->ms, e.seconds, e.lmax, e.sel, !e.started};
    const auto seen = std::find_if(m.exceedances.begin(), m.exceedances.end(),
                                   [&](const FleetExceedance& y) { return y.start == e.start; });
    if (seen != m.exceedances.end()) {
        // At least once: the same event again, or its end after its start.
        if (!seen->ended && (x.ended || x.endMs > seen->endMs)) {
            *seen = x;
            touch(i);
        }
        return;
    }
    m.exceedances.insert(
        std::find_if(m.exceedances.begin(), m.exceedances.end(),
                     [&](const FleetExceedance& y) { return y.startMs > x.startMs; }),
        x);
    exceeded_.push_back({m.site, m.meter, x});
    touch(i);
}

void FleetModel::setLink(bool up, SurveyMs now) {
    if (up == linkUp_) {
        // The window may first look when its connection is up already.
        everUp_ = everUp_ || up;
        return;
    }
    linkUp_ = up;
    if (!up && everUp_) {
        for (std::size_t i = 0; i < meters_.size(); ++i)
            onlineAtLoss_[i] = onlineAtLoss_[i] || meters_[i].online.value_or(false);
        // Last wills the broker sent as it went: the meters were online.
        for (const auto& [i, since] : heldOffline_)
            onlineAtLoss_[i] = 1;
        heldOffline_.clear();
    }
    if (up) {
        if (everUp_)
            settleUntil_ = now + settleMs;
        everUp_ = true;
    }
    for (std::size_t i = 0; i < meters_.size(); ++i)
        touch(i);
}

std::optional<bool> FleetModel::shownOnline(const FleetMeter& m) const {
    if (!linkUp_ || (settleUntil_ && m.online == false))
        return std::nullopt;
    return m.online;
}

std::optional<FleetUpdate> FleetModel::update(SurveyMs now) {
    if (lastUpdate_ && now - *lastUpdate_ < refreshEveryMs)
        return std::nullopt;
    std::erase_if(heldOffline_, [&](const std::pair<std::size_t, SurveyMs>& held) {
        if (now - held.second < offlineHoldMs)
            return false;
        const FleetMeter& m = meters_[held.first];
        if (linkUp_ && m.online == false)
            events_.push_back({FleetEventKind::WentOffline, m.site, m.meter});
        return true;
    });
    if (settleUntil_ && now >= *settleUntil_) {
        settleUntil_.reset();
        for (std::size_t i = 0; i < meters_.size(); ++i) {
            if (onlineAtLoss_[i] && meters_[i].online == false)
                events_.push_back({FleetEventKind::WentOffline, meters_[i].site, meters_[i].meter});
            onlineAtLoss_[i] = 0;
            touch(i);
        }
    }
    for (std::size_t i = 0; i < meters_.size(); ++i) {
        const char fresh = stale(meters_[i], now) ? 0 : 1;
        if (fresh != freshAtLastUpdate_[i]) {
            freshAtLastUpdate_[i] = fresh;
            touch(i);
            judge(i, now);
        }
    }
    if (changed_.empty() && events_.empty() && malformedNew_.empty() && exceeded_.empty())
        return std::nullopt;
    FleetUpdate u;
    u.changed = std::exchange(changed_, {});
    u.events = std::exchange(events_, {});
    u.malformed = std::exchange(malformedNew_, {});
    u.exceeded = std::exchange(exceeded_, {});
    u.added = std::exchange(added_, false);
    for (const std::size_t i : u.changed)
        dirty_[i] = 0;
    lastUpdate_ = now;
    return u;
}

void FleetInbox::push(std::string topic, std::string_view payload, SurveyMs received) {
    {
        const std::lock_guard lock(mutex_);
        messages_.push_back({std::move(topic), std::string(payload), received});
    }
    arrived_.notify_one();
}

std::vector<FleetInbox::Message> FleetInbox::takeAll(std::chrono::milliseconds wait) {
    std::vector<Message> out;
    std::unique_lock lock(mutex_);
    arrived_.wait_for(lock, wait, [this] { return !messages_.empty(); });
    out.swap(messages_);
    return out;
}

std::vector<FleetInbox::Message> FleetInbox::takeAll() {
    std::vector<Message> out;
    const std::lock_guard lock(mutex_);
    out.swap(messages_);
    return out;
}
