#include "MqttOptions.h"

#include <cstdlib>
#include <fstream>

const std::vector<std::string_view> mqttOptionNames = {
    "--mqtt",    "--site",      "--mqtt-user", "--mqtt-password-file",
    "--mqtt-ca", "--mqtt-cert", "--mqtt-key"};

const char* const mqttOptionsHelp =
    "  --mqtt URL         the broker: mqtt://host[:port] (1883) or\n"
    "                     mqtts://host[:port] (8883, TLS, the broker's\n"
    "                     certificate and host name always verified)\n"
    "  --site ID          the site's name in the topics (default: default)\n"
    "  --mqtt-user NAME   the user name on the broker\n"
    "  --mqtt-password-file FILE\n"
    "                     the password, the file's first line; else the\n"
    "                     environment's VREL_MQTT_PASSWORD\n"
    "  --mqtt-ca FILE     the certificate authority that signed the broker's\n"
    "                     certificate (default: the system's)\n"
    "  --mqtt-cert FILE --mqtt-key FILE\n"
    "                     a client certificate and its key\n"
    "Names (IDs) are 1 to 32 of a-z, 0-9, _ and -.\n";

bool hasPasswordArgument(const std::vector<std::string>& args) {
    for (const std::string& a : args)
        if (a == "--mqtt-password" || a.starts_with("--mqtt-password="))
            return true;
    return false;
}

std::optional<MqttCommandLine> mqttCommandLine(const CommandLine& line, std::string& error) {
    MqttCommandLine m;
    const std::string* url = line.option("--mqtt");
    const auto broker = url ? parseBrokerUrl(*url) : std::nullopt;
    if (!broker) {
        error = "--mqtt wants mqtt://host[:port] or mqtts://host[:port]" +
                (url ? ", not '" + *url + "'" : std::string());
        return std::nullopt;
    }
    m.settings.broker = *broker;
    if (const std::string* site = line.option("--site")) {
        if (!isValidMqttId(*site)) {
            error = "--site wants 1 to 32 of a-z, 0-9, _ and -, not '" + *site + "'";
            return std::nullopt;
        }
        m.site = *site;
        m.siteGiven = true;
    }
    if (const std::string* user = line.option("--mqtt-user"))
        m.settings.user = *user;
    if (const std::string* file = line.option("--mqtt-password-file")) {
        std::ifstream in(*file);
        if (!in) {
            error = "cannot read the password file " + *file;
            return std::nullopt;
        }
        std::getline(in, m.settings.password);
        if (!m.settings.password.empty() && m.settings.password.back() == '\r')
            m.settings.password.pop_back();
    } else if (const char* password = std::getenv("VREL_MQTT_PASSWORD")) {
        m.settings.password = password;
    }
    if (m.settings.user.empty() && !m.settings.password.empty()) {
        error = "a password needs --mqtt-user";
        return std::nullopt;
    }
    const std::string* ca = line.option("--mqtt-ca");
    const std::string* cert = line.option("--mqtt-cert");
    const std::string* key = line.option("--mqtt-key");
    if ((ca || cert || key) && !broker->tls) {
        error = "--mqtt-ca, --mqtt-cert and --mqtt-key are for an mqtts:// broker";
        return std::nullopt;
    }
    if (!cert != !key) {
        error = "--mqtt-cert and --mqtt-key go together";
        return std::nullopt;
    }
    for (const std::string* f : {ca, cert, key})
        if (f && !std::ifstream(*f)) {
            error = "cannot read " + *f;
            return std::nullopt;
        }
    m.settings.caFile = ca ? *ca : std::string();
    m.settings.certFile = cert ? *cert : std::string();
    m.settings.keyFile = key ? *key : std::string();
    return m;
}
