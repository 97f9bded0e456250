#pragma once

// A case with a broker of its own, started in a scratch folder named for the
// case, which the case may use too.

#include "Broker.h"
#include "ToolRunner.h"
#include "mqtt/MqttClient.h"
#include "mqtt/MqttProtocol.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

// A client's settings for the broker as its user, under the client id.
inline MqttSettings settingsFor(const Broker& broker, const std::string& id,
                                const std::string& password = Broker::password) {
    MqttSettings s;
    s.broker = *parseBrokerUrl(broker.url());
    s.user = Broker::user;
    s.password = password;
    s.clientId = id;
    return s;
}

class BrokerTest : public ::testing::Test {
  protected:
    // The folder is the prefix and the case's name, under the program's
    // scratch folder.
    void startBroker(const std::string& prefix) {
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        dir_ = emptyFolder(std::filesystem::path(VREL_TEST_TMP) / (prefix + name));
        broker_ = std::make_unique<Broker>(dir_ / "broker");
        ASSERT_TRUE(broker_->ready()) << "mosquitto_passwd or openssl failed";
        ASSERT_TRUE(broker_->start()) << broker_->log();
    }

    std::filesystem::path dir_;
    std::unique_ptr<Broker> broker_;
};
