#pragma once

// What a survey says on an MQTT broker: the broker's address, the names of the
// site and the meter, the topics under vrel/v1/<site>/<meter>/ and their JSON
// payloads. Plain functions, so the collector reads exactly what the survey
// writes and a fuzzer can feed the decoders anything.

#include "survey/Survey.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct BrokerUrl {
    std::string host;
    int port = 1883;
    bool tls = false;
};

// mqtt://host[:port] (1883) or mqtts://host[:port] (8883); an IPv6 address in
// brackets. Nothing for anything else.
std::optional<BrokerUrl> parseBrokerUrl(std::string_view url);
std::string brokerUrlText(const BrokerUrl& url);

// A site or meter name: [a-z0-9_-]{1,32}, safe in a topic, a file name and
// a Home Assistant id alike.
bool isValidMqttId(std::string_view id);
// The meter's name when none is given: the host name in lower case, other
// characters as '-', cut to 32; "meter" when nothing is left.
std::string meterIdFromHostName(std::string_view hostName);

inline constexpr const char* defaultSiteId = "default";

enum class MqttTopic { Status, Info, Level, Summary, SummaryLatest, Event, Exceedance };

// What every topic of this program begins with.
inline constexpr std::string_view mqttTopicRoot = "vrel/v1/";

// "vrel/v1/<site>/<meter>" and the topics below it.
std::string mqttTopicBase(const std::string& site, const std::string& meter);
std::string mqttTopic(const std::string& site, const std::string& meter, MqttTopic kind);

struct MqttTopicName {
    std::string site;
    std::string meter;
    MqttTopic kind = MqttTopic::Status;
};
std::optional<MqttTopicName> parseMqttTopic(std::string_view topic);

inline constexpr const char* statusOnline = "online";
inline constexpr const char* statusOffline = "offline";

// The level of one second: t the start of that second (ISO 8601 local time
// with its offset), db the energy average of its readings.
struct LevelMessage {
    std::string time;
    std::optional<double> db;
    std::string weighting;
};
std::string encodeLevel(const LevelMessage& level);
std::optional<LevelMessage> decodeLevel(std::string_view payload);

// The n-th row of summary.csv or events.csv (n from 1) as a message, and the
// message as the row it came from (with its CR LF), byte for byte. Nothing for
// a row or message that is not one the survey writes.
std::optional<std::string> encodeSummaryRow(long long seq, std::string_view csvRow);
std::optional<std::string> encodeEventRow(long long seq, std::string_view csvRow);
struct DecodedRow {
    long long seq = 0;
    std::string start; // the key that makes a row unique for its meter
    std::string csvRow;
};
std::optional<DecodedRow> decodeSummary(std::string_view payload);
std::optional<DecodedRow> decodeEvent(std::string_view payload);

// A noise event over the survey's threshold. "ended": the n-th row of
// exceedances.csv (seq = n), once the event is over; "started": an event
// that has gone on for over a minute, its figures as far as it has come.
// Home Assistant reads the kind from event_type.
struct ExceedanceMessage {
    bool started = false;
    long long seq = 0; // 0 for a started one
    std::string start, end;
    double seconds = 0;
    double lmax = 0;
    std::string timeOfLmax;
    double leq = 0;
    double sel = 0;
};
// An event's time as exceedances.csv writes it, tenths of a second and the
// offset ("2026-11-02T07:13:05.0+01:00").
std::optional<IsoTime> parseEventTime(std::string_view text);
// csvRow: a row as exceedances.csv holds it; a started one's n is not sent.
std::optional<std::string> encodeExceedanceRow(long long seq, std::string_view csvRow);
std::optional<std::string> encodeExceedanceStarted(std::string_view csvRow);
std::optional<ExceedanceMessage> decodeExceedance(std::string_view payload);

// A piece of a file of the survey's folder, whole lines from offset on: the
// archive writes the folder's files byte for byte from these. The payload is
// "<file> <offset>\n" and the bytes.
struct FilePiece {
    std::string file;
    std::int64_t offset = 0;
    std::string bytes;
};
std::string filePieceTopic(const std::string& site, const std::string& meter);
// The site and meter of a piece's topic; nothing for any other topic.
std::optional<std::pair<std::string, std::string>> filePieceTopicMeter(std::string_view topic);
std::string encodeFilePiece(const FilePiece& piece);
// Nothing for a payload that is not a piece of a survey folder's file.
std::optional<FilePiece> decodeFilePiece(std::string_view payload);

// What a collector holds of a meter's folder on its disk (synced): the size of
// files it wrote to lately, and whether it missed pieces and wants what
// follows its sizes again (after its own restart or the broker's loss). A
// retained message per collector: "again\n" when it wants them, then
// "<file> <size>\n" lines.
struct ArchivedFiles {
    bool again = false;
    std::map<std::string, std::int64_t> sizes;
};
std::string archivedTopic(const std::string& site, const std::string& meter,
                          const std::string& collector);
// The collector's name in an archived topic of that meter; nothing for any other topic.
std::optional<std::string> archivedTopicCollector(std::string_view topic, const std::string& site,
                                                  const std::string& meter);
std::string encodeArchived(const ArchivedFiles& archived);
// "NAME[,NAME…]", the collectors a survey waits for; nothing when a name is
// not one (the user's text as given, for the message).
std::optional<std::vector<std::string>> parseCollectorNames(std::string_view text);
std::optional<ArchivedFiles> decodeArchived(std::string_view payload);

struct SurveyInfo {
    std::string version;
    double interval = 1;
    std::string weighting; // empty until the first sample
    int summarySeconds = 900;
    // When this connection to the broker began (ISO local time): the status
    // message itself is a bare word that a receiver may see much later.
    std::string onlineSince;
};
std::string encodeInfo(const SurveyInfo& info);

// Home Assistant's discovery messages for a meter: the level and the interval
// Leq as sound pressure sensors, and the exceedances as an event entity. Weighting "dBC" names the
// weighting and uses the unit dB, as Home Assistant knows no dBC.
struct DiscoveryMessage {
    std::string topic;
    std::string payload;
};
std::vector<DiscoveryMessage> discoveryMessages(const std::string& site, const std::string& meter,
                                                const std::string& weighting,
                                                const std::string& version);
inline constexpr const char* homeAssistantStatusTopic = "homeassistant/status";

// The time an info message says its survey came online; nothing when it does not.
std::optional<IsoTime> infoOnlineSince(std::string_view payload);
