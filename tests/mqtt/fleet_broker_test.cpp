// The network window's feed against Debian's real mosquitto: meters played
// by clients of the test, the fleet as the window would draw it.
#include "BrokerTest.h"
#include "ToolRunner.h"
#include "mqtt/FleetFeed.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

std::string levelNow(const Clock& clock, double db) {
    return encodeLevel({isoLocalTime(clock, clock.nowMs()), db, "dBA"});
}

class FleetBroker : public BrokerTest {
  protected:
    void SetUp() override { startBroker("fleet-"); }

    // A meter's publishing side: a plain client of the test.
    std::unique_ptr<MqttClient> meter(const std::string& id) {
        auto c = std::make_unique<MqttClient>(settingsFor(*broker_, id));
        std::string error;
        EXPECT_TRUE(c->start(error)) << error;
        EXPECT_TRUE(waitFor([&] { return c->connected(); }));
        return c;
    }

    // Feeds the model until the condition holds, as the window's timer does.
    bool until(FleetFeed& feed, const std::function<bool()>& condition) {
        return waitFor([&] {
            feed.drain(fleet_);
            if (auto u = fleet_.update(clock_.nowMs())) {
                for (const FleetEvent& e : u->events)
                    events_.push_back(e);
                for (const std::string& topic : u->malformed)
                    malformed_.push_back(topic);
            }
            return condition();
        });
    }

    SystemClock clock_;
    FleetModel fleet_;
    std::vector<FleetEvent> events_;
    std::vector<std::string> malformed_;
};

TEST_F(FleetBroker, MetersAppearGoOfflineByTheirLastWillAndComeBack) {
    FleetFeed feed(settingsFor(*broker_, "viewer"), clock_);
    std::string error;
    ASSERT_TRUE(feed.start(error)) << error;

    const std::string status = mqttTopic("north", "m1", MqttTopic::Status);
    auto m1 = meter("m1");
    m1->publish(status, statusOnline, 1, true);
    auto m2 = meter("m2");
    m2->publish(mqttTopic("south", "m2", MqttTopic::Status), statusOnline, 1, true);
    // A level is news at QoS 0, lost to a viewer not subscribed yet: a meter
    // sends one every second, and so does this one until it is seen.
    ASSERT_TRUE(until(feed, [&] {
        const FleetMeter* a = fleet_.find("north", "m1");
        const FleetMeter* b = fleet_.find("south", "m2");
        if (!a || !a->level)
            m1->publish(mqttTopic("north", "m1", MqttTopic::Level), levelNow(clock_, 58.4), 0,
                        false);
        return a && a->online == true && a->level && b && b->online == true;
    }));
    EXPECT_EQ(feed.link().state, FleetLink::State::Connected);
    EXPECT_NEAR(*fleet_.find("north", "m1")->level, 58.4, 1e-9);

    // A meter that dies without a word: the broker says its last will.
    ChildProcess dying({MOSQUITTO_SUB,
                        "-h",
                        "127.0.0.1",
                        "-p",
                        std::to_string(broker_->port()),
                        "-u",
                        Broker::user,
                        "-P",
                        Broker::password,
                        "-i",
                        "m3",
                        "-t",
                        "vrel-test/ping",
                        "--will-topic",
                        mqttTopic("north", "m3", MqttTopic::Status),
                        "--will-payload",
                        statusOffline,
                        "--will-qos",
                        "1",
                        "--will-retain"});
    m1->publish(mqttTopic("north", "m3", MqttTopic::Status), statusOnline, 1, true);
    ASSERT_TRUE(waitFor([&] {
        m1->publish("vrel-test/ping", "ping", 0, false);
        return !dying.out().empty();
    }));
    ASSERT_TRUE(until(feed, [&] {
        const FleetMeter* m = fleet_.find("north", "m3");
        return m && m->online == true;
    }));
    dying.signal(SIGKILL);
    ASSERT_TRUE(until(feed, [&] { return fleet_.find("north", "m3")->online == false; }));
    ASSERT_TRUE(until(feed, [&] { return !events_.empty(); }));
    ASSERT_EQ(events_.size(), 1u);
    EXPECT_EQ(events_[0].kind, FleetEventKind::WentOffline);
    EXPECT_EQ(events_[0].meter, "m3");

    m1->publish(mqttTopic("north", "m3", MqttTopic::Status), statusOnline, 1, true);
    ASSERT_TRUE(until(feed, [&] { return fleet_.find("north", "m3")->online == true; }));
    EXPECT_EQ(events_.size(), 1u);
}

TEST_F(FleetBroker, ALevelOverTheLimitMarksTheMeterAndAMalformedPayloadIsNamedOnce) {
    fleet_.setLimit(70, clock_.nowMs());
    FleetFeed feed(settingsFor(*broker_, "viewer"), clock_);
    std::string error;
    ASSERT_TRUE(feed.start(error)) << error;
    ASSERT_TRUE(waitFor([&] { return feed.link().state == FleetLink::State::Connected; }));

    auto m1 = meter("m1");
    const std::string level = mqttTopic("north", "m1", MqttTopic::Level);
    // Sent again until seen: the subscription may still be on its way.
    ASSERT_TRUE(until(feed, [&] {
        if (fleet_.find("north", "m1"))
            return true;
        m1->publish(level, levelNow(clock_, 65), 0, false);
        return false;
    }));
    EXPECT_FALSE(fleet_.find("north", "m1")->overLimit);

    m1->publish(level, "{\"t\":", 1, false);
    m1->publish(level, "{\"t\":", 1, false);
    m1->publish(level, levelNow(clock_, 74.5), 1, false);
    ASSERT_TRUE(until(feed, [&] {
        return fleet_.find("north", "m1")->overLimit && !events_.empty() && !malformed_.empty();
    }));
    EXPECT_EQ(malformed_, std::vector<std::string>{level});
    ASSERT_EQ(events_.size(), 1u);
    EXPECT_EQ(events_[0].kind, FleetEventKind::WentOverLimit);
    EXPECT_NEAR(*fleet_.find("north", "m1")->level, 74.5, 1e-9);
}

TEST_F(FleetBroker, AWrongPasswordIsToldAsSuchAndTheRightOneConnects) {
    {
        FleetFeed wrong(settingsFor(*broker_, "viewer", "not it"), clock_);
        std::string error;
        ASSERT_TRUE(wrong.start(error)) << error;
        ASSERT_TRUE(waitFor([&] { return wrong.link().state == FleetLink::State::Refused; }));
        const FleetLink link = wrong.link();
        EXPECT_TRUE(link.reasonCode == FleetFeed::badUserNameOrPassword ||
                    link.reasonCode == FleetFeed::notAuthorized)
            << link.reasonCode << " " << link.reason;
        EXPECT_FALSE(link.reason.empty());
    }
    FleetFeed right(settingsFor(*broker_, "viewer"), clock_);
    std::string error;
    ASSERT_TRUE(right.start(error)) << error;
    ASSERT_TRUE(waitFor([&] { return right.link().state == FleetLink::State::Connected; }));
}

} // namespace
