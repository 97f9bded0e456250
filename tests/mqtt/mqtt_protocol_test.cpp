// The names, topics and payloads a survey and the collector agree on.
#include "mqtt/MqttProtocol.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

QJsonObject json(const std::string& payload) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(payload)).object();
}

TEST(MqttNames, BrokerUrlsTakeTheSchemeHostAndPortAndNothingElse) {
    const auto plain = parseBrokerUrl("mqtt://broker.example");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->host, "broker.example");
    EXPECT_EQ(plain->port, 1883);
    EXPECT_FALSE(plain->tls);
    const auto tls = parseBrokerUrl("mqtts://10.0.0.2");
    ASSERT_TRUE(tls);
    EXPECT_EQ(tls->port, 8883);
    EXPECT_TRUE(tls->tls);
    const auto port = parseBrokerUrl("mqtt://pi-4:11883");
    ASSERT_TRUE(port);
    EXPECT_EQ(port->port, 11883);
    const auto v6 = parseBrokerUrl("mqtts://[::1]:8884");
    ASSERT_TRUE(v6);
    EXPECT_EQ(v6->host, "::1");
    EXPECT_EQ(brokerUrlText(*v6), "mqtts://[::1]:8884");

    for (const char* wrong :
         {"", "broker", "http://broker", "mqtt://", "mqtt://:1883", "mqtt://host:", "mqtt://host:0",
          "mqtt://host:65536", "mqtt://host:12x", "mqtt://host/path", "mqtt://user@host",
          "mqtts://[::1", "mqtts://[::1]x", "MQTT://host"})
        EXPECT_FALSE(parseBrokerUrl(wrong)) << wrong;
}

TEST(MqttNames, IdsAreShortLowerCaseAndSafeAndTheHostNameGivesOne) {
    for (const char* good : {"a", "site-1", "north_wall", "0123456789abcdefghijklmnopqrstuv"})
        EXPECT_TRUE(isValidMqttId(good)) << good;
    for (const char* bad :
         {"", "Site", "a b", "a/b", "a+", "#", "é", "0123456789abcdefghijklmnopqrstuvw"})
        EXPECT_FALSE(isValidMqttId(bad)) << bad;
    EXPECT_EQ(meterIdFromHostName("Pi-Garden.local"), "pi-garden-local");
    EXPECT_EQ(meterIdFromHostName(""), "meter");
    EXPECT_TRUE(isValidMqttId(meterIdFromHostName(std::string(80, 'X'))));
}

TEST(MqttNames, TopicsReadBackAndOthersAreRefused) {
    for (const MqttTopic kind :
         {MqttTopic::Status, MqttTopic::Info, MqttTopic::Level, MqttTopic::Summary,
          MqttTopic::SummaryLatest, MqttTopic::Event, MqttTopic::Exceedance}) {
        const std::string topic = mqttTopic("site", "m-1", kind);
        const auto name = parseMqttTopic(topic);
        ASSERT_TRUE(name) << topic;
        EXPECT_EQ(name->site, "site");
        EXPECT_EQ(name->meter, "m-1");
        EXPECT_EQ(name->kind, kind);
    }
    EXPECT_EQ(mqttTopic("s", "m", MqttTopic::SummaryLatest), "vrel/v1/s/m/summary/latest");
    for (const char* wrong : {"vrel/v1/s/m", "vrel/v1/s/m/other", "vrel/v2/s/m/level",
                              "vrel/v1/S/m/level", "vrel/v1/s/m/level/x", "vrel/v1//m/level"})
        EXPECT_FALSE(parseMqttTopic(wrong)) << wrong;
}

TEST(MqttRows, SummaryAndEventRowsComeBackByteForByte) {
    const std::string rows[] = {
        csvRow({"2026-12-08T14:15:00+01:00", "2026-12-08T14:30:00+01:00", "8994", "0.9993", "63.41",
                "88.20", "41.00", "67.10", "61.90", "48.30", "dBA"}),
        csvRow({"2026-12-08T14:15:00-05:30", "2026-12-08T14:30:00-05:30", "12", "0.0013", "-3.50",
                "0.00", "-10.00", "1.00", "0.50", "0.10", "mixed"}),
    };
    for (const std::string& row : rows) {
        const auto payload = encodeSummaryRow(7, row.substr(0, row.size() - 2));
        ASSERT_TRUE(payload) << row;
        const auto back = decodeSummary(*payload);
        ASSERT_TRUE(back) << *payload;
        EXPECT_EQ(back->csvRow, row);
        EXPECT_EQ(back->seq, 7);
        EXPECT_EQ(back->start, row.substr(0, row.find(',')));
    }

    // An interval without samples has no levels: null, never NaN.
    const std::string empty = csvRow({"2026-12-08T14:15:00Z", "2026-12-08T14:30:00Z", "0", "0.0000",
                                      "", "", "", "", "", "", ""});
    const auto payload = encodeSummaryRow(1, empty.substr(0, empty.size() - 2));
    ASSERT_TRUE(payload);
    EXPECT_TRUE(json(*payload)["leq"].isNull()) << *payload;
    EXPECT_TRUE(json(*payload)["weighting"].isNull()) << *payload;
    EXPECT_EQ(decodeSummary(*payload)->csvRow, empty);

    const std::string event =
        csvRow({"2026-12-08T14:03:05.300+01:00", "2026-12-08T14:03:11.400+01:00", "6.1",
                "disconnected", "the device \"ttyUSB0\" went away, unplugged"});
    const auto e = encodeEventRow(3, event.substr(0, event.size() - 2));
    ASSERT_TRUE(e);
    EXPECT_EQ(json(*e)["detail"].toString(), "the device \"ttyUSB0\" went away, unplugged");
    EXPECT_EQ(decodeEvent(*e)->csvRow, event);

    EXPECT_FALSE(encodeSummaryRow(1, "start,end,samples,coverage,Leq,Lmax,Lmin,L10,L50,L90,w"));
    EXPECT_FALSE(encodeEventRow(1, "2026-12-08T14:03:05Z,2026-12-08T14:03:06Z,1.0,Gap,x"));
    EXPECT_FALSE(splitCsvRow("a,\"b"));
    EXPECT_FALSE(splitCsvRow("a,\"b\"c"));
}

TEST(MqttRows, DecodersRefuseWhatTheSurveyNeverSends) {
    const std::string good = *encodeSummaryRow(
        1, "2026-12-08T14:15:00Z,2026-12-08T14:30:00Z,10,0.0111,60.00,61.00,59.00,61.00,60.00,"
           "59.00,dBA");
    ASSERT_TRUE(decodeSummary(good));
    auto changed = [&](const char* key, const QJsonValue& value) {
        QJsonObject o = json(good);
        o[key] = value;
        return QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString();
    };
    auto without = [&](const char* key) {
        QJsonObject o = json(good);
        o.remove(key);
        return QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString();
    };
    const std::string wrong[] = {
        "",
        "[]",
        "{\"seq\":1",
        std::string(good).replace(good.find("60"), 2, "NaN"),
        std::string(good).replace(good.find("60"), 2, "1e999"),
        changed("seq", 0),
        changed("seq", 1.5),
        changed("seq", "1"),
        changed("start", "2026-12-08 14:15:00"),
        changed("start", "2026-12-08T14:15:00"),
        changed("end", "2026-02-30T14:15:00Z"),
        changed("samples", -1),
        changed("coverage", 1.5),
        changed("leq", "60"),
        changed("weighting", "dBZ"),
        without("l90"),
        without("samples"),
    };
    for (const std::string& payload : wrong)
        EXPECT_FALSE(decodeSummary(payload)) << payload;
    EXPECT_FALSE(decodeEvent(good)) << "a summary is not an event";
}

TEST(MqttRows, LevelsAreNullRatherThanNotANumber) {
    const std::string nan =
        encodeLevel({"2026-12-08T14:03:05+01:00", std::numeric_limits<double>::quiet_NaN(), "dBA"});
    EXPECT_TRUE(json(nan)["db"].isNull()) << nan;
    const auto back = decodeLevel(nan);
    ASSERT_TRUE(back);
    EXPECT_FALSE(back->db);
    const auto level = decodeLevel(encodeLevel({"2026-12-08T14:03:05+01:00", 63.456, "dBC"}));
    ASSERT_TRUE(level);
    EXPECT_DOUBLE_EQ(*level->db, 63.46);
    EXPECT_EQ(level->weighting, "dBC");
    EXPECT_FALSE(decodeLevel("{\"t\":\"2026-12-08T14:03:05+01:00\",\"db\":60}"));
}

TEST(MqttRows, IsoTimesCarryTheirOffsetToTheInstant) {
    const auto t = parseIsoTime("2026-12-08T14:03:05.300+01:00");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->ms, 1796734985300); // 13:03:05.300 UTC
    EXPECT_EQ(t->offsetSeconds, 3600);
    EXPECT_EQ(t->local.hour, 14);
    EXPECT_EQ(parseIsoTime("2026-12-08T13:03:05.300Z")->ms, t->ms);
    EXPECT_EQ(parseIsoTime("2026-12-08T07:33:05.300-05:30")->ms, t->ms);
    for (const char* wrong :
         {"2026-12-08T14:03:05", "2026-12-08T24:00:00Z", "2026-12-08T14:03:05+1:00",
          "2026-12-08T14:03:05.3Z", "2026-12-08T14:03:05Z ", "2025-02-29T00:00:00Z"})
        EXPECT_FALSE(parseIsoTime(wrong)) << wrong;
}

TEST(MqttDiscovery, SensorsNameTheirWeightingAndStayTheSameDevice) {
    const auto a = discoveryMessages("site", "m1", "dBA", "1.0");
    const auto c = discoveryMessages("site", "m1", "dBC", "1.0");
    ASSERT_EQ(a.size(), 3u);
    ASSERT_EQ(c.size(), 3u);
    for (std::size_t i = 0; i < 2; ++i) { // the sensors
        const QJsonObject oa = json(a[i].payload), oc = json(c[i].payload);
        EXPECT_EQ(a[i].topic, c[i].topic) << "a new weighting replaces the sensor";
        EXPECT_TRUE(a[i].topic.starts_with("homeassistant/sensor/vrel_site_m1_"));
        EXPECT_EQ(oa["unique_id"], oc["unique_id"]);
        EXPECT_EQ(oa["device_class"].toString(), "sound_pressure");
        EXPECT_EQ(oa["state_class"].toString(), "measurement");
        EXPECT_EQ(oa["unit_of_measurement"].toString(), "dBA");
        EXPECT_EQ(oc["unit_of_measurement"].toString(), "dB");
        EXPECT_TRUE(oc["name"].toString().contains("C-weighted"));
        EXPECT_EQ(oa["availability_topic"].toString(), "vrel/v1/site/m1/status");
        EXPECT_EQ(oa["device"].toObject()["identifiers"].toArray().at(0).toString(),
                  "vrel_site_m1");
    }
    EXPECT_EQ(json(a[0].payload)["state_topic"].toString(), "vrel/v1/site/m1/level");
    EXPECT_EQ(json(a[1].payload)["state_topic"].toString(), "vrel/v1/site/m1/summary/latest");
}

// Home Assistant stopped honouring object_id; the entity id it should take comes from
// default_entity_id, which allows no '-' though our names do.
TEST(MqttDiscovery, SensorsProposeTheirEntityIdWithoutTheRetiredObjectId) {
    const auto plain = discoveryMessages("north", "m1", "dBA", "1.0");
    ASSERT_EQ(plain.size(), 3u);
    EXPECT_EQ(json(plain[0].payload)["default_entity_id"].toString(), "sensor.vrel_north_m1_level");
    EXPECT_EQ(json(plain[1].payload)["default_entity_id"].toString(), "sensor.vrel_north_m1_leq");
    const auto dashed = discoveryMessages("north-yard", "m-1", "dBA", "1.0");
    ASSERT_EQ(dashed.size(), 3u);
    EXPECT_EQ(json(dashed[0].payload)["default_entity_id"].toString(),
              "sensor.vrel_north_yard_m_1_level");
    EXPECT_EQ(json(dashed[0].payload)["unique_id"].toString(), "vrel_north-yard_m-1_level")
        << "the unique id stays what Home Assistant already registered";
    for (const auto& m : {plain[0], plain[1], dashed[0], dashed[1]})
        EXPECT_FALSE(json(m.payload).contains("object_id")) << m.payload;
}

TEST(MqttDiscovery, ExceedancesAreAnEventEntityOfTheSameDevice) {
    const auto messages = discoveryMessages("north-yard", "m-1", "dBA", "1.0");
    ASSERT_EQ(messages.size(), 3u);
    const DiscoveryMessage& m = messages[2];
    EXPECT_EQ(m.topic, "homeassistant/event/vrel_north-yard_m-1_exceedance/config");
    const QJsonObject o = json(m.payload);
    EXPECT_EQ(o["state_topic"].toString(), "vrel/v1/north-yard/m-1/exceedance");
    EXPECT_EQ(o["event_types"].toArray(), (QJsonArray{"started", "ended"}));
    EXPECT_EQ(o["default_entity_id"].toString(), "event.vrel_north_yard_m_1_exceedance");
    EXPECT_EQ(o["unique_id"].toString(), "vrel_north-yard_m-1_exceedance");
    EXPECT_EQ(o["availability_topic"].toString(), "vrel/v1/north-yard/m-1/status");
    EXPECT_EQ(o["device"], json(messages[0].payload)["device"]);
    EXPECT_FALSE(o.contains("unit_of_measurement"));
}

TEST(MqttRows, ExceedancesCarryTheirKindAndFiguresAndStrangeOnesAreRefused) {
    const std::string row = "3,2026-11-02T07:13:05.0+01:00,2026-11-02T07:13:17.0+01:00,12.0,"
                            "92.30,2026-11-02T07:13:09.4+01:00,88.41,99.20";
    const auto ended = encodeExceedanceRow(3, row);
    ASSERT_TRUE(ended);
    EXPECT_EQ(json(*ended)["event_type"].toString(), "ended") << "Home Assistant's event type";
    const auto e = decodeExceedance(*ended);
    ASSERT_TRUE(e);
    EXPECT_FALSE(e->started);
    EXPECT_EQ(e->seq, 3);
    EXPECT_EQ(e->start, "2026-11-02T07:13:05.0+01:00");
    EXPECT_EQ(e->timeOfLmax, "2026-11-02T07:13:09.4+01:00");
    EXPECT_DOUBLE_EQ(e->seconds, 12.0);
    EXPECT_DOUBLE_EQ(e->lmax, 92.3);
    EXPECT_DOUBLE_EQ(e->leq, 88.41);
    EXPECT_DOUBLE_EQ(e->sel, 99.2);
    EXPECT_EQ(parseEventTime(e->end)->ms - parseEventTime(e->start)->ms, 12000);

    const auto started = encodeExceedanceStarted(row);
    ASSERT_TRUE(started);
    EXPECT_FALSE(json(*started).contains("seq"));
    const auto s = decodeExceedance(*started);
    ASSERT_TRUE(s);
    EXPECT_TRUE(s->started);
    EXPECT_EQ(s->start, e->start);

    for (const char* wrong :
         {"3,2026-11-02T07:13:05+01:00,2026-11-02T07:13:17.0+01:00,12.0,92.30,"
          "2026-11-02T07:13:09.4+01:00,88.41,99.20",
          "3,2026-11-02T07:13:05.0+01:00,2026-11-02T07:13:17.0+01:00,12.0,92.30,"
          "2026-11-02T07:13:09.4+01:00,88.41",
          "3,2026-11-02T07:13:05.0+01:00,2026-11-02T07:13:17.0+01:00,x,92.30,"
          "2026-11-02T07:13:09.4+01:00,88.41,99.20"})
        EXPECT_FALSE(encodeExceedanceRow(1, wrong)) << wrong;
    EXPECT_FALSE(encodeExceedanceRow(0, row)) << "rows count from 1";
    auto changed = [&](const char* key, const QJsonValue& value) {
        QJsonObject o = json(*ended);
        o[key] = value;
        return QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString();
    };
    for (const std::string& payload :
         {changed("event_type", "begun"), changed("seq", 0), changed("lmax", "92.3"),
          changed("seconds", -1), changed("start", "2026-11-02T07:13:05.000+01:00")})
        EXPECT_FALSE(decodeExceedance(payload)) << payload;
    EXPECT_FALSE(decodeEvent(*ended)) << "an exceedance is not a gap event";
}

TEST(MqttArchiveMessages, PiecesAndHoldingsComeBackAndStrangeOnesAreRefused) {
    const FilePiece piece{"survey-2026-12-09T02.txt", 42, "a\r\nb, \"c\"\r\n"};
    const auto back = decodeFilePiece(encodeFilePiece(piece));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->file, piece.file);
    EXPECT_EQ(back->offset, 42);
    EXPECT_EQ(back->bytes, piece.bytes);
    for (const char* bad : {"", "summary.csv 1", "summary.csv -1\nx", "../summary.csv 0\nx",
                            "mqtt-outbox.txt 0\nx", "summary.csv 1x\nx"})
        EXPECT_FALSE(decodeFilePiece(bad)) << bad;

    const ArchivedFiles held{true, {{"events.csv", 0}, {"summary.csv", 120}}};
    const auto heldBack = decodeArchived(encodeArchived(held));
    ASSERT_TRUE(heldBack);
    EXPECT_TRUE(heldBack->again);
    EXPECT_EQ(heldBack->sizes, held.sizes);
    for (const char* bad : {"summary.csv 1", "summary.csv\n", "x.txt 1\n"})
        EXPECT_FALSE(decodeArchived(bad)) << bad;

    EXPECT_EQ(archivedTopicCollector(archivedTopic("s", "m", "north-1"), "s", "m"), "north-1");
    EXPECT_FALSE(archivedTopicCollector(archivedTopic("s", "m2", "n"), "s", "m"));
    EXPECT_FALSE(archivedTopicCollector("vrel/v1/s/m/archived/a/b", "s", "m"));
    EXPECT_EQ(parseCollectorNames("a,b-2,a"), (std::vector<std::string>{"a", "b-2"}));
    for (const char* bad : {"", "a,", "A", "a b"})
        EXPECT_FALSE(parseCollectorNames(bad)) << bad;
}

} // namespace
