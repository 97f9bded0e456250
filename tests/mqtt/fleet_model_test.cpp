// The fleet as the network window sees it, fed message by message.
#include "mqtt/FleetModel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <thread>

namespace {

// Seconds after 2026-12-08T14:00:00+01:00 as the survey writes them.
std::string isoAt(int second) {
    char text[40];
    std::snprintf(text, sizeof text, "2026-12-08T%02d:%02d:%02d+01:00", 14 + second / 3600,
                  second / 60 % 60, second % 60);
    return text;
}
SurveyMs msAt(int second) {
    return parseIsoTime(isoAt(second))->ms;
}

std::string level(int second, std::optional<double> db) {
    return encodeLevel({isoAt(second), db, "dBA"});
}

std::string summary(long long seq, int startSecond, int endSecond, double coverage, double leq) {
    char number[64];
    std::snprintf(number, sizeof number, "%.4f", coverage);
    const std::string cov = number;
    std::snprintf(number, sizeof number, "%.2f", leq);
    const std::string row = isoAt(startSecond) + "," + isoAt(endSecond) + ",900," + cov + "," +
                            number + "," + number + "," + number + "," + number + "," + number +
                            "," + number + ",dBA";
    return *encodeSummaryRow(seq, row);
}

const std::string statusA = mqttTopic("north", "m1", MqttTopic::Status);
const std::string levelA = mqttTopic("north", "m1", MqttTopic::Level);
const std::string latestA = mqttTopic("north", "m1", MqttTopic::SummaryLatest);
const std::string summaryA = mqttTopic("north", "m1", MqttTopic::Summary);

std::size_t eventsOf(const FleetUpdate& u, FleetEventKind kind) {
    return static_cast<std::size_t>(std::count_if(u.events.begin(), u.events.end(),
                                                  [&](const auto& e) { return e.kind == kind; }));
}

TEST(FleetModel, MetersAppearWithTheirSiteNameAndLevel) {
    FleetModel fleet;
    const SurveyMs now = msAt(10);
    fleet.take(statusA, "online", now);
    fleet.take(levelA, level(9, 61.25), now);
    fleet.take(mqttTopic("south", "m2", MqttTopic::Info), R"({"version":"1"})", now);
    const auto u = fleet.update(now);
    ASSERT_TRUE(u);
    EXPECT_TRUE(u->added);
    ASSERT_EQ(fleet.meters().size(), 2u);
    const FleetMeter* m = fleet.find("north", "m1");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->online, true);
    EXPECT_EQ(m->statusSince, now);
    ASSERT_TRUE(m->level);
    EXPECT_DOUBLE_EQ(*m->level, 61.25);
    EXPECT_EQ(m->weighting, "dBA");
    EXPECT_EQ(m->levelTime, msAt(9));
    EXPECT_FALSE(fleet.find("south", "m2")->online);
    EXPECT_EQ(u->changed.size(), 2u);
}

TEST(FleetModel, ChangesAreCoalescedIntoAFewUpdatesASecond) {
    FleetModel fleet;
    SurveyMs now = msAt(0);
    fleet.take(levelA, level(0, 50), now);
    ASSERT_TRUE(fleet.update(now));
    // Ten levels within the refresh period make one update naming the row once.
    for (int i = 1; i <= 10; ++i)
        fleet.take(levelA, level(i, 50 + i), now + i * 10);
    EXPECT_FALSE(fleet.update(now + 100));
    const auto u = fleet.update(now + FleetModel::refreshEveryMs);
    ASSERT_TRUE(u);
    EXPECT_EQ(u->changed, std::vector<std::size_t>{0});
    EXPECT_FALSE(u->added);
    EXPECT_DOUBLE_EQ(*fleet.meters()[0].level, 60);
    // Nothing new, nothing to draw.
    EXPECT_FALSE(fleet.update(now + 3 * FleetModel::refreshEveryMs));
}

TEST(FleetModel, ALevelGoesStaleAfterFiveSecondsAndTheRowIsDrawnAgain) {
    FleetModel fleet;
    const SurveyMs now = msAt(0);
    fleet.take(levelA, level(0, 50), now);
    ASSERT_TRUE(fleet.update(now));
    EXPECT_FALSE(FleetModel::stale(fleet.meters()[0], now + FleetModel::staleAfterMs - 1));
    EXPECT_FALSE(fleet.update(now + FleetModel::staleAfterMs - 1));
    const auto u = fleet.update(now + FleetModel::staleAfterMs);
    ASSERT_TRUE(u);
    EXPECT_EQ(u->changed, std::vector<std::size_t>{0});
    EXPECT_TRUE(FleetModel::stale(fleet.meters()[0], now + FleetModel::staleAfterMs));
    EXPECT_FALSE(fleet.update(now + 2 * FleetModel::staleAfterMs));
    // A second without a level is no level.
    fleet.take(levelA, level(20, std::nullopt), now + 20'000);
    EXPECT_TRUE(FleetModel::stale(fleet.meters()[0], now + 20'000));
}

TEST(FleetModel, GoingOfflineIsOneEventHoweverOftenItIsSaid) {
    FleetModel fleet;
    SurveyMs now = msAt(0);
    // Retained offline at first sight: it was away before the window looked.
    fleet.take(mqttTopic("north", "m2", MqttTopic::Status), "offline", now);
    fleet.take(statusA, "online", now);
    auto u = fleet.update(now);
    ASSERT_TRUE(u);
    EXPECT_TRUE(u->events.empty());

    now += 1000;
    fleet.take(statusA, "offline", now); // the last will
    fleet.take(statusA, "offline", now + 10);
    u = fleet.update(now + 10);
    ASSERT_TRUE(u);
    EXPECT_TRUE(u->events.empty()) << "told once the broker is seen to stay";
    EXPECT_EQ(fleet.shownOnline(*fleet.find("north", "m1")), false);
    u = fleet.update(now + FleetModel::offlineHoldMs);
    ASSERT_TRUE(u);
    ASSERT_EQ(u->events.size(), 1u);
    EXPECT_EQ(u->events[0].kind, FleetEventKind::WentOffline);
    EXPECT_EQ(u->events[0].site, "north");
    EXPECT_EQ(u->events[0].meter, "m1");
    EXPECT_EQ(fleet.find("north", "m1")->statusSince, now);

    now += 10'000;
    fleet.take(statusA, "offline", now);
    EXPECT_FALSE(fleet.update(now));
    fleet.take(statusA, "online", now + 500);
    u = fleet.update(now + 500);
    ASSERT_TRUE(u);
    EXPECT_TRUE(u->events.empty());
    EXPECT_EQ(fleet.find("north", "m1")->online, true);
    EXPECT_EQ(fleet.find("north", "m1")->statusSince, now + 500);
    // Gone and back within the hold: nothing to tell.
    fleet.take(statusA, "offline", now + 1000);
    fleet.take(statusA, "online", now + 2000);
    u = fleet.update(now + 1000 + FleetModel::offlineHoldMs);
    ASSERT_TRUE(u);
    EXPECT_EQ(eventsOf(*u, FleetEventKind::WentOffline), 0u);
    fleet.take(statusA, "offline", now + 5000);
    fleet.update(now + 5000);
    u = fleet.update(now + 5000 + FleetModel::offlineHoldMs);
    ASSERT_TRUE(u);
    EXPECT_EQ(eventsOf(*u, FleetEventKind::WentOffline), 1u);
}

TEST(FleetModel, ABrokerOutageLeavesTheMetersUnknownAndTellsNoneOffline) {
    const std::string statusB = mqttTopic("north", "m2", MqttTopic::Status);
    const std::string statusC = mqttTopic("north", "m3", MqttTopic::Status);
    FleetModel fleet;
    SurveyMs now = msAt(0);
    fleet.setLink(true, now); // the first look finds the connection up
    for (const std::string& s : {statusA, statusB, statusC})
        fleet.take(s, "online", now);
    fleet.update(now);
    const auto shown = [&](const char* meter) {
        return fleet.shownOnline(*fleet.find("north", meter));
    };
    EXPECT_EQ(shown("m1"), true);

    // A broker shutting down sends the last wills, then drops the window.
    now += 1000;
    for (const std::string& s : {statusA, statusB, statusC})
        fleet.take(s, "offline", now);
    fleet.setLink(false, now + 200);
    auto u = fleet.update(now + 200);
    ASSERT_TRUE(u);
    EXPECT_EQ(u->changed.size(), 3u) << "every row shows the state unknown";
    EXPECT_EQ(shown("m1"), std::nullopt);
    u = fleet.update(now + 60'000);
    EXPECT_TRUE(!u || u->events.empty()) << "no going offline while the broker is away";

    // Back: the retained wills come first, then two meters reconnect; the
    // third does not come back within the settling time and is told, once.
    now += 120'000;
    fleet.setLink(true, now);
    for (const std::string& s : {statusA, statusB, statusC})
        fleet.take(s, "offline", now);
    u = fleet.update(now);
    ASSERT_TRUE(u);
    EXPECT_TRUE(u->events.empty());
    EXPECT_EQ(shown("m1"), std::nullopt) << "an old last will, perhaps";
    fleet.take(statusA, "online", now + 4000);
    fleet.take(statusB, "online", now + 9000);
    u = fleet.update(now + 9000);
    ASSERT_TRUE(u);
    EXPECT_TRUE(u->events.empty());
    EXPECT_EQ(shown("m1"), true);
    EXPECT_EQ(shown("m3"), std::nullopt);
    u = fleet.update(now + FleetModel::settleMs);
    ASSERT_TRUE(u);
    ASSERT_EQ(eventsOf(*u, FleetEventKind::WentOffline), 1u);
    EXPECT_EQ(u->events[0].meter, "m3");
    EXPECT_EQ(shown("m3"), false);
    EXPECT_EQ(shown("m2"), true);
    EXPECT_FALSE(fleet.update(now + FleetModel::settleMs + 60'000));
}

TEST(FleetModel, ALevelOrIntervalAboveTheLimitMarksTheMeterOncePerCrossing) {
    FleetModel fleet;
    SurveyMs now = msAt(0);
    fleet.setLimit(70, now);
    fleet.take(levelA, level(0, 69.9), now);
    auto u = fleet.update(now);
    ASSERT_TRUE(u);
    EXPECT_FALSE(fleet.meters()[0].overLimit);

    for (int i = 1; i <= 5; ++i)
        fleet.take(levelA, level(i, 75), now + i);
    u = fleet.update(now + 300);
    ASSERT_TRUE(u);
    EXPECT_TRUE(fleet.meters()[0].overLimit);
    EXPECT_EQ(eventsOf(*u, FleetEventKind::WentOverLimit), 1u);
    fleet.take(levelA, level(6, 76), now + 400);
    u = fleet.update(now + 600);
    ASSERT_TRUE(u);
    EXPECT_TRUE(u->events.empty());

    // Back under it, then above again: a second event.
    fleet.take(levelA, level(7, 60), now + 700);
    ASSERT_TRUE(fleet.update(now + 900));
    EXPECT_FALSE(fleet.meters()[0].overLimit);
    fleet.take(levelA, level(8, 80), now + 1000);
    u = fleet.update(now + 1200);
    ASSERT_TRUE(u);
    EXPECT_EQ(eventsOf(*u, FleetEventKind::WentOverLimit), 1u);

    // A stale level no longer counts; the interval's Leq does.
    u = fleet.update(now + 1000 + FleetModel::staleAfterMs);
    ASSERT_TRUE(u);
    EXPECT_FALSE(fleet.meters()[0].overLimit);
    fleet.take(latestA, summary(3, 0, 900, 0.99, 71.5), now + 7000);
    u = fleet.update(now + 7000);
    ASSERT_TRUE(u);
    EXPECT_TRUE(fleet.meters()[0].overLimit);
    EXPECT_EQ(eventsOf(*u, FleetEventKind::WentOverLimit), 1u);

    // Without a limit nothing is over it.
    fleet.setLimit(std::nullopt, now + 8000);
    EXPECT_FALSE(fleet.meters()[0].overLimit);
}

TEST(FleetModel, AMalformedPayloadIsSkippedAndNamedOncePerTopic) {
    FleetModel fleet;
    const SurveyMs now = msAt(0);
    fleet.take(levelA, level(0, 55), now);
    fleet.take(levelA, "{not json", now);
    fleet.take(levelA, R"({"t":"yesterday","db":50,"weighting":"dBA"})", now);
    fleet.take(statusA, "maybe", now);
    fleet.take(latestA, R"({"seq":1})", now);
    fleet.take(mqttTopic("north", "m1", MqttTopic::Event), "[]", now);
    fleet.take("vrel/v1/North/m1/level", level(0, 55), now);
    auto u = fleet.update(now);
    ASSERT_TRUE(u);
    EXPECT_EQ(u->malformed, (std::vector<std::string>{levelA, statusA, latestA,
                                                      mqttTopic("north", "m1", MqttTopic::Event),
                                                      "vrel/v1/North/m1/level"}));
    EXPECT_DOUBLE_EQ(*fleet.meters()[0].level, 55);
    EXPECT_FALSE(fleet.meters()[0].online);
    EXPECT_FALSE(fleet.meters()[0].interval);
    EXPECT_EQ(fleet.meters().size(), 1u);

    fleet.take(levelA, "{not json", now + 1000);
    EXPECT_FALSE(fleet.update(now + 1000));
}

TEST(FleetModel, TheNewestIntervalIsShownAndTheLastHourOfThemKeptOnce) {
    FleetModel fleet;
    SurveyMs now = msAt(0);
    fleet.take(latestA, summary(8, 6300, 7200, 0.5, 64), now);
    // An outage replayed: older rows, one of them twice, then the newest again.
    for (int seq = 1; seq <= 8; ++seq)
        fleet.take(summaryA, summary(seq, (seq - 1) * 900, seq * 900, 1, 60 + seq), now);
    fleet.take(summaryA, summary(7, 5400, 6300, 1, 67), now);
    fleet.take(summaryA, summary(8, 6300, 7200, 0.5, 64), now);
    const FleetMeter& m = fleet.meters()[0];
    ASSERT_TRUE(m.interval);
    EXPECT_EQ(m.interval->end, isoAt(7200));
    EXPECT_EQ(m.interval->endMs, msAt(7200));
    EXPECT_DOUBLE_EQ(m.interval->coverage, 0.5);
    EXPECT_DOUBLE_EQ(*m.interval->leq, 64);
    std::vector<std::string> ends;
    for (const FleetInterval& i : m.hourIntervals)
        ends.push_back(i.end);
    EXPECT_EQ(ends, (std::vector<std::string>{isoAt(4500), isoAt(5400), isoAt(6300), isoAt(7200)}));
}

TEST(FleetModel, AnHourOfLevelsIsKeptAndNothingOlder) {
    LevelHour hour;
    EXPECT_TRUE(hour.points().empty());
    const SurveyMs start = msAt(0);
    for (int s = 0; s < 2 * LevelHour::seconds; ++s)
        if (s % 100 != 7) // a few seconds lost on the way
            hour.add(start + s * 1000LL + 400, 40 + (s % 50) * 0.01);
    const auto points = hour.points();
    ASSERT_EQ(points.size(), 3600u - 36u);
    EXPECT_EQ(points.front().t, start + 3600'000LL);
    EXPECT_EQ(points.back().t, start + 7199'000LL);
    EXPECT_NEAR(points.back().db, 40 + (7199 % 50) * 0.01, 1e-9);
    // Too old for the hour: left out. A hole of more than an hour clears it.
    hour.add(start + 1000, 99);
    EXPECT_EQ(hour.points().size(), points.size());
    hour.add(start + 20'000'000LL, 50);
    ASSERT_EQ(hour.points().size(), 1u);
    EXPECT_DOUBLE_EQ(hour.points()[0].db, 50);
}

TEST(FleetModel, AMetersCurveIsItsHourOnItsOwnClockWithTheGapsAndTheIntervals) {
    FleetModel fleet;
    // Ten minutes of levels with a two-minute silence, then two intervals.
    for (int s = 0; s < 600; ++s)
        if (s < 200 || s >= 320)
            fleet.take(levelA, level(s, 50 + (s % 10)), msAt(s));
    fleet.take(summaryA, summary(1, 0, 300, 0.8, 57.5), msAt(300));
    fleet.take(summaryA, summary(2, 300, 600, 1.0, 56.25), msAt(600));
    const FleetMeter& m = *fleet.find("north", "m1");

    const SeriesStore series = levelSeries(m);
    ASSERT_EQ(series.size(), 480u);
    // The wall clock of the meter (+01:00): 14:00:00 is 14 hours into its day.
    const SeriesMs first = series.start();
    EXPECT_EQ(series.localOf(first) % (24 * 3600'000LL), 14 * 3600'000LL);
    EXPECT_EQ(meterClock(m, msAt(0)), first);
    ASSERT_EQ(series.gaps().size(), 1u);
    EXPECT_EQ(series.gaps()[0].start, first + 200'000);
    EXPECT_EQ(series.gaps()[0].end, first + 320'000);
    // The figures of the curve are those of the levels sent.
    double energy = 0;
    for (int s = 0; s < 600; ++s)
        if (s < 200 || s >= 320)
            energy += std::pow(10.0, (50 + (s % 10)) / 10.0);
    EXPECT_NEAR(*series.sumOf(0, series.size()).leq(), 10 * std::log10(energy / 480), 1e-9);
    EXPECT_NEAR(*series.sumOf(0, series.size()).lmax(), 59, 1e-9);

    const auto steps = intervalSteps(m);
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_EQ(steps[0].start, first);
    EXPECT_EQ(steps[0].end, first + 300'000);
    EXPECT_DOUBLE_EQ(steps[0].db, 57.5);
    EXPECT_EQ(steps[1].end, first + 600'000);
    EXPECT_DOUBLE_EQ(steps[1].db, 56.25);
}

TEST(FleetModel, AThousandMetersAreOneUpdate) {
    FleetModel fleet;
    const SurveyMs now = msAt(0);
    for (int i = 0; i < 1000; ++i) {
        const std::string base =
            mqttTopicBase("site-" + std::to_string(i % 10), "m" + std::to_string(i));
        fleet.take(base + "/status", "online", now);
        fleet.take(base + "/level", level(0, 40 + i % 30), now);
    }
    const auto u = fleet.update(now);
    ASSERT_TRUE(u);
    EXPECT_EQ(u->changed.size(), 1000u);
    EXPECT_EQ(fleet.meters().size(), 1000u);
    EXPECT_TRUE(fleet.find("site-3", "m993"));
}

TEST(FleetInbox, MessagesFromTheNetworkThreadAreTakenInOneBatch) {
    FleetInbox inbox;
    std::thread network([&] {
        for (int i = 0; i < 500; ++i)
            inbox.push(levelA, level(i, 50), i);
    });
    network.join();
    const auto batch = inbox.takeAll();
    ASSERT_EQ(batch.size(), 500u);
    EXPECT_EQ(batch[499].received, 499);
    EXPECT_EQ(batch[0].topic, levelA);
    EXPECT_TRUE(inbox.takeAll().empty());
}

} // namespace

TEST(FleetModel, OnlineSinceIsTheSurveysOwnWordNotWhenTheWindowLooked) {
    FleetModel fleet;
    const SurveyMs looked = msAt(3600);
    SurveyInfo info;
    info.onlineSince = isoAt(60);
    fleet.take(mqttTopic("north", "m1", MqttTopic::Info), encodeInfo(info), looked);
    fleet.take(statusA, "online", looked);
    const FleetMeter* m = fleet.find("north", "m1");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->onlineSince, msAt(60));
    EXPECT_EQ(m->statusSince, looked);
    // An older survey's info without it, or a malformed one, says nothing.
    EXPECT_FALSE(infoOnlineSince(encodeInfo(SurveyInfo{})));
    EXPECT_FALSE(infoOnlineSince("{\"online_since\": \"yesterday\"}"));
}

namespace {

// An event of m1 from second start, lasting seconds, as its messages say it.
std::string exceedance(int start, int seconds, double lmax, double sel, long long seq) {
    char tail[96];
    std::snprintf(tail, sizeof tail, ",%d.0,%.2f,", seconds, lmax);
    const auto at = [](int second) {
        std::string t = isoAt(second);
        return t.insert(19, ".0");
    };
    const std::string row = std::to_string(seq) + "," + at(start) + "," + at(start + seconds) +
                            tail + at(start) + ",88.00," + std::to_string(sel);
    return *(seq ? encodeExceedanceRow(seq, row) : encodeExceedanceStarted(row));
}

TEST(FleetModel, EachExceedanceIsToldOnceAndTheLastHourOfThemKept) {
    const std::string topic = mqttTopic("north", "m1", MqttTopic::Exceedance);
    FleetModel fleet;
    SurveyMs now = msAt(7200);
    struct Step {
        std::string payload;
        std::vector<double> told; // the Lmax of each event told
        std::vector<bool> kept;   // each kept event: has it ended?
    } steps[] = {
        {exceedance(6600, 12, 92.3, 101.2, 1), {92.3}, {true}},
        {exceedance(6600, 12, 92.3, 101.2, 1), {}, {true}}, // at least once: again
        {exceedance(6900, 61, 80.0, 98.0, 0), {80.0}, {true, false}},
        {exceedance(6900, 75, 81.5, 99.0, 2), {}, {true, true}},
        {exceedance(6900, 61, 80.0, 98.0, 0), {}, {true, true}}, // a late started one
        {exceedance(100, 5, 99.0, 106.0, 3), {}, {true, true}},  // over an hour ago
    };
    for (const Step& s : steps) {
        fleet.take(topic, s.payload, now);
        now += FleetModel::refreshEveryMs;
        const auto u = fleet.update(now);
        std::vector<double> told;
        for (const auto& e : u ? u->exceeded : std::vector<FleetUpdate::Exceeded>{}) {
            EXPECT_EQ(e.meter, "m1");
            told.push_back(e.exceedance.lmax);
        }
        EXPECT_EQ(told, s.told) << s.payload;
        std::vector<bool> kept;
        for (const FleetExceedance& e : fleet.meters().at(0).exceedances)
            kept.push_back(e.ended);
        EXPECT_EQ(kept, s.kept) << s.payload;
    }
    EXPECT_DOUBLE_EQ(fleet.meters()[0].exceedances[1].seconds, 75);
}

} // namespace
