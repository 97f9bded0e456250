#pragma once

// Every meter seen under vrel/v1/ as the network window shows it, built from
// the messages alone: plain C++ so that a thousand meters can be fed, aged
// and checked in a test without a broker or a window. Times are the
// receiver's milliseconds except where a message carries its own.

#include "MqttProtocol.h"
#include "survey/SeriesStore.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

// One hour of second levels in 0.01 dB steps, two bytes a second, so memory
// stays the same however long a meter publishes.
class LevelHour {
  public:
    static constexpr int seconds = 3600;
    void add(SurveyMs t, double db);
    struct Point {
        SurveyMs t;
        double db;
    };
    // The levels of the hour up to the newest, oldest first.
    std::vector<Point> points() const;
    bool empty() const { return ring_.empty(); }

  private:
    std::vector<std::int16_t> ring_; // allocated with the first level
    long long newest_ = 0;           // seconds since 1970
};

struct FleetInterval {
    std::string start;
    std::string end;
    SurveyMs endMs = 0;
    double coverage = 0;
    std::optional<double> leq;
};

// A noise event over the meter's threshold as its messages tell it: while
// it goes on (started, the figures so far) and once it has ended.
struct FleetExceedance {
    std::string start; // as the meter wrote it: the event's key
    SurveyMs startMs = 0, endMs = 0;
    double seconds = 0;
    double lmax = 0;
    double sel = 0;
    bool ended = false;
};

struct FleetMeter {
    std::string site;
    std::string meter;
    std::optional<bool> online; // unknown until a status comes
    SurveyMs statusSince = 0;   // when the receiver saw it change
    // When the survey says it came online (its info message), which a
    // receiver that looks later cannot see from the status alone.
    std::optional<SurveyMs> onlineSince;
    std::optional<double> level;
    std::string weighting;
    SurveyMs levelTime = 0;                // the second it measured
    SurveyMs levelReceived = 0;            // when it came
    int utcOffsetSeconds = 0;              // of the meter's clock, from its newest level
    std::optional<FleetInterval> interval; // the newest
    bool overLimit = false;
    LevelHour hour;
    std::deque<FleetInterval> hourIntervals; // those ending in the last hour
    std::deque<FleetExceedance> exceedances; // ending in the last hour, by start
};

// A meter's hour of levels on its own wall clock, a reading a second, with a
// gap wherever seconds brought nothing; and its intervals' Leq over the same
// clock. What its curve shows.
SeriesStore levelSeries(const FleetMeter& m);
std::vector<SeriesStep> intervalSteps(const FleetMeter& m);
// A receiver's instant on the meter's wall clock, as the series counts it.
SeriesMs meterClock(const FleetMeter& m, SurveyMs instant);

enum class FleetEventKind { WentOffline, WentOverLimit };

struct FleetEvent {
    FleetEventKind kind;
    std::string site;
    std::string meter;
};

// What changed since the last update: the rows to draw again, and each
// event and each malformed topic once.
struct FleetUpdate {
    std::vector<std::size_t> changed; // indices into meters()
    std::vector<FleetEvent> events;
    std::vector<std::string> malformed;
    bool added = false; // a meter came that was not there before
    // Events over a meter's threshold, each told once: with its first
    // message, which for one that lasts is the started one.
    struct Exceeded {
        std::string site;
        std::string meter;
        FleetExceedance exceedance;
    };
    std::vector<Exceeded> exceeded;
};

class FleetModel {
  public:
    static constexpr SurveyMs staleAfterMs = 5000;
    static constexpr SurveyMs refreshEveryMs = 250;
    // A meter going offline is told this long later, if the broker is still
    // there: a broker that shuts down sends every meter's last will just
    // before it drops the window's own connection.
    static constexpr SurveyMs offlineHoldMs = 3000;
    // After the broker's return the meters get this long to come back (their
    // publishers try again at least every 10 s) before one still offline is
    // told; meanwhile an offline state may be an old last will.
    static constexpr SurveyMs settleMs = 15000;

    // The window's own connection to the broker. While it is down nothing is
    // known of the meters; no going offline is told for its outage.
    void setLink(bool up, SurveyMs now);
    bool linkUp() const { return linkUp_; }
    // The meter's state as it can be known now: nothing while the broker is
    // away, and for an offline state while the meters are coming back.
    std::optional<bool> shownOnline(const FleetMeter& m) const;

    void setLimit(std::optional<double> db, SurveyMs now);
    std::optional<double> limit() const { return limit_; }

    // One message as it came off the broker, received at now.
    void take(std::string_view topic, std::string_view payload, SurveyMs now);

    // At most one update every refreshEveryMs, and only when something
    // changed: a message, or a level that went stale since the last one.
    std::optional<FleetUpdate> update(SurveyMs now);

    const std::vector<FleetMeter>& meters() const { return meters_; }
    const FleetMeter* find(const std::string& site, const std::string& meter) const;
    static bool stale(const FleetMeter& m, SurveyMs now);

  private:
    FleetMeter& meterOf(const MqttTopicName& name);
    void malformed(std::string_view topic);
    void judge(std::size_t index, SurveyMs now);
    void touch(std::size_t index);
    void exceedance(const MqttTopicName& name, const ExceedanceMessage& e, SurveyMs now);

    std::optional<double> limit_;
    std::vector<FleetMeter> meters_;
    std::map<std::pair<std::string, std::string>, std::size_t> index_;
    std::vector<char> dirty_;
    std::vector<char> freshAtLastUpdate_;
    std::vector<std::size_t> changed_;
    std::vector<FleetEvent> events_;
    std::vector<FleetUpdate::Exceeded> exceeded_;
    std::vector<std::string> malformedNew_;
    std::set<std::string> malformedSeen_;
    bool added_ = false;
    std::optional<SurveyMs> lastUpdate_;
    bool linkUp_ = true;
    bool everUp_ = false;
    std::optional<SurveyMs> settleUntil_;
    std::vector<std::pair<std::size_t, SurveyMs>> heldOffline_; // meter, since
    std::vector<char> onlineAtLoss_;
};

// Messages handed over from the network thread: a lock and a push there, the
// whole batch taken at once on the window's thread.
class FleetInbox {
  public:
    struct Message {
        std::string topic;
        std::string payload;
        SurveyMs received;
    };
    void push(std::string topic, std::string_view payload, SurveyMs received);
    std::vector<Message> takeAll();
    // The same, waiting at most wait for a first message.
    std::vector<Message> takeAll(std::chrono::milliseconds wait);

  private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<Message> messages_;
};
