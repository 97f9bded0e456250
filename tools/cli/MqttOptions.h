#pragma once

// The options of the commands that talk to an MQTT broker: its address, the
// site, and how to prove who we are. The password never comes from the
// command line, where every user of the computer could read it.

#include "CliCommon.h"

#include "mqtt/MqttClient.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The valued options below, for parseCommandLine.
extern const std::vector<std::string_view> mqttOptionNames;

// The help text of the options, for a command's usage.
extern const char* const mqttOptionsHelp;

// The broker's settings from --mqtt URL, --mqtt-user, --mqtt-password-file
// (else VREL_MQTT_PASSWORD), --mqtt-ca, --mqtt-cert and --mqtt-key, and the
// site from --site. Nothing, with the reason, for anything wrong.
struct MqttCommandLine {
    MqttSettings settings;
    std::string site = defaultSiteId;
    bool siteGiven = false;
};
std::optional<MqttCommandLine> mqttCommandLine(const CommandLine& line, std::string& error);

// A --mqtt-password given on the command line, to refuse it by name.
bool hasPasswordArgument(const std::vector<std::string>& args);
