#include "MqttProtocol.h"

#include "survey/FolderOutbox.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

QString qs(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

std::string compact(const QJsonObject& o) {
    return QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString();
}

std::optional<QJsonObject> parseObject(std::string_view payload) {
    const QJsonDocument doc =
        QJsonDocument::fromJson(QByteArray(payload.data(), static_cast<qsizetype>(payload.size())));
    if (!doc.isObject())
        return std::nullopt;
    return doc.object();
}

std::optional<long long> number(std::string_view text) {
    if (text.empty() || text.size() > 18)
        return std::nullopt;
    long long v = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return v;
}

std::optional<double> decimal(std::string_view text) {
    // The survey writes fixed decimals: digits, an optional sign and one point.
    if (text.empty() || text.size() > 24)
        return std::nullopt;
    std::size_t i = text[0] == '-' ? 1 : 0;
    bool point = false, digit = false;
    for (; i < text.size(); ++i) {
        if (text[i] == '.' && !point)
            point = true;
        else if (std::isdigit(static_cast<unsigned char>(text[i])))
            digit = true;
        else
            return std::nullopt;
    }
    if (!digit)
        return std::nullopt;
    return std::stod(std::string(text));
}

std::string fixed(double v, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

// Levels and shares that fit the survey's own rows; anything else is not one.
bool plausible(double v) {
    return std::isfinite(v) && std::abs(v) < 1e6;
}

QJsonValue levelOrNull(std::string_view field) {
    const auto v = decimal(field);
    return v ? QJsonValue(*v) : QJsonValue(QJsonValue::Null);
}

bool isWeighting(std::string_view w) {
    return w == "dBA" || w == "dBC" || w == "mixed";
}

bool isCause(std::string_view c) {
    return !c.empty() && c.size() <= 32 && std::all_of(c.begin(), c.end(), [](char ch) {
        return (ch >= 'a' && ch <= 'z') || ch == '-';
    });
}

std::optional<long long> seqOf(const QJsonObject& o) {
    const QJsonValue v = o.value("seq");
    if (!v.isDouble())
        return std::nullopt;
    const double d = v.toDouble();
    if (!(d >= 1 && d <= 1e15) || d != std::floor(d))
        return std::nullopt;
    return static_cast<long long>(d);
}

std::optional<std::string> timeField(const QJsonObject& o, const char* name) {
    const QJsonValue v = o.value(name);
    if (!v.isString())
        return std::nullopt;
    std::string s = v.toString().toStdString();
    if (!parseIsoTime(s))
        return std::nullopt;
    return s;
}

// What every row's payload begins with: its number and its span.
struct RowHead {
    QJsonObject o;
    long long seq;
    std::string start;
    std::string end;
};
std::optional<RowHead> rowHead(std::string_view payload) {
    auto o = parseObject(payload);
    if (!o)
        return std::nullopt;
    const auto seq = seqOf(*o);
    auto start = timeField(*o, "start");
    auto end = timeField(*o, "end");
    if (!seq || !start || !end)
        return std::nullopt;
    return RowHead{std::move(*o), *seq, std::move(*start), std::move(*end)};
}

// A level field: a finite number, or null (nothing measured). Nothing when it is neither.
std::optional<std::string> levelField(const QJsonObject& o, const char* name) {
    const QJsonValue v = o.value(name);
    if (v.isNull())
        return std::string();
    if (!v.isDouble() || !plausible(v.toDouble()))
        return std::nullopt;
    return fixed(v.toDouble(), 2);
}

// Home Assistant's entity ids take [a-z0-9_] alone, so the '-' our names allow
// becomes '_'; a name that never holds one keeps the id it always had.
std::string entityId(const char* domain, std::string name) {
    std::replace(name.begin(), name.end(), '-', '_');
    return domain + ("." + name);
}

} // namespace

std::optional<BrokerUrl> parseBrokerUrl(std::string_view url) {
    BrokerUrl b;
    if (url.starts_with("mqtt://")) {
        url.remove_prefix(7);
    } else if (url.starts_with("mqtts://")) {
        url.remove_prefix(8);
        b.tls = true;
        b.port = 8883;
    } else {
        return std::nullopt;
    }
    std::string_view host = url;
    std::string_view port;
    if (url.starts_with('[')) {
        const std::size_t close = url.find(']');
        if (close == std::string_view::npos)
            return std::nullopt;
        host = url.substr(1, close - 1);
        const std::string_view rest = url.substr(close + 1);
        if (!rest.empty()) {
            if (rest[0] != ':')
                return std::nullopt;
            port = rest.substr(1);
            if (port.empty())
                return std::nullopt;
        }
        if (host.empty() || host.find_first_not_of("0123456789abcdefABCDEF:.") != host.npos)
            return std::nullopt;
    } else {
        const std::size_t colon = url.find(':');
        if (colon != std::string_view::npos) {
            host = url.substr(0, colon);
            port = url.substr(colon + 1);
            if (port.empty())
                return std::nullopt;
        }
        if (host.empty() || std::any_of(host.begin(), host.end(), [](char c) {
                return !(std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.' ||
                         c == '_');
            }))
            return std::nullopt;
    }
    if (!port.empty()) {
        const auto p = number(port);
        if (!p || *p < 1 || *p > 65535)
            return std::nullopt;
        b.port = static_cast<int>(*p);
    }
    b.host = std::string(host);
    return b;
}

std::string brokerUrlText(const BrokerUrl& url) {
    const bool v6 = url.host.find(':') != std::string::npos;
    return std::string(url.tls ? "mqtts://" : "mqtt://") + (v6 ? "[" + url.host + "]" : url.host) +
           ":" + std::to_string(url.port);
}

bool isValidMqttId(std::string_view id) {
    return !id.empty() && id.size() <= 32 && std::all_of(id.begin(), id.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
    });
}

std::string meterIdFromHostName(std::string_view hostName) {
    std::string id;
    for (char c : hostName.substr(0, 32)) {
        const char l = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        id += isValidMqttId(std::string_view(&l, 1)) ? l : '-';
    }
    return id.empty() ? "meter" : id;
}

std::string mqttTopicBase(const std::string& site, const std::string& meter) {
    return std::string(mqttTopicRoot) + site + "/" + meter;
}

std::string mqttTopic(const std::string& site, const std::string& meter, MqttTopic kind) {
    static const char* const leaf[] = {"status",         "info",  "level",     "summary",
                                       "summary/latest", "event", "exceedance"};
    return mqttTopicBase(site, meter) + "/" + leaf[static_cast<int>(kind)];
}

std::optional<MqttTopicName> parseMqttTopic(std::string_view topic) {
    if (!topic.starts_with(mqttTopicRoot))
        return std::nullopt;
    topic.remove_prefix(mqttTopicRoot.size());
    std::vector<std::string_view> parts;
    for (std::size_t at = 0;;) {
        const std::size_t slash = topic.find('/', at);
        parts.push_back(topic.substr(at, slash == topic.npos ? topic.npos : slash - at));
        if (slash == topic.npos)
            break;
        at = slash + 1;
    }
    if (parts.size() < 3 || !isValidMqttId(parts[0]) || !isValidMqttId(parts[1]))
        return std::nullopt;
    MqttTopicName name{std::string(parts[0]), std::string(parts[1])};
    const std::string leaf = std::string(topic.substr(parts[0].size() + parts[1].size() + 2));
    for (const MqttTopic kind :
         {MqttTopic::Status, MqttTopic::Info, MqttTopic::Level, MqttTopic::Summary,
          MqttTopic::SummaryLatest, MqttTopic::Event, MqttTopic::Exceedance})
        if (mqttTopic("s", "m", kind) == mqttTopicBase("s", "m") + "/" + leaf) {
            name.kind = kind;
            return name;
        }
    return std::nullopt;
}

std::string encodeLevel(const LevelMessage& level) {
    QJsonObject o;
    o["t"] = qs(level.time);
    o["db"] = level.db && std::isfinite(*level.db) ? QJsonValue(std::round(*level.db * 100) / 100)
                                                   : QJsonValue(QJsonValue::Null);
    o["weighting"] = qs(level.weighting);
    return compact(o);
}

std::optional<LevelMessage> decodeLevel(std::string_view payload) {
    const auto o = parseObject(payload);
    if (!o)
        return std::nullopt;
    const auto t = timeField(*o, "t");
    const QJsonValue db = o->value("db");
    const QJsonValue w = o->value("weighting");
    if (!t || !w.isString() || !isWeighting(w.toString().toStdString()) ||
        !(db.isNull() || (db.isDouble() && plausible(db.toDouble()))))
        return std::nullopt;
    LevelMessage m{*t, std::nullopt, w.toString().toStdString()};
    if (db.isDouble())
        m.db = db.toDouble();
    return m;
}

std::optional<std::string> encodeSummaryRow(long long seq, std::string_view csvRow) {
    const auto f = splitCsvRow(csvRow);
    if (!f || f->size() != 11 || !parseIsoTime((*f)[0]) || !parseIsoTime((*f)[1]))
        return std::nullopt;
    const auto samples = number((*f)[2]);
    const auto coverage = decimal((*f)[3]);
    if (!samples || !coverage)
        return std::nullopt;
    QJsonObject o;
    o["seq"] = static_cast<double>(seq);
    o["start"] = qs((*f)[0]);
    o["end"] = qs((*f)[1]);
    o["samples"] = static_cast<double>(*samples);
    o["coverage"] = *coverage;
    const char* const names[] = {"leq", "lmax", "lmin", "l10", "l50", "l90"};
    for (int i = 0; i < 6; ++i)
        o[names[i]] = levelOrNull((*f)[4 + i]);
    o["weighting"] = (*f)[10].empty() ? QJsonValue(QJsonValue::Null) : QJsonValue(qs((*f)[10]));
    return compact(o);
}

std::optional<DecodedRow> decodeSummary(std::string_view payload) {
    const auto head = rowHead(payload);
    if (!head)
        return std::nullopt;
    const QJsonObject& o = head->o;
    const QJsonValue samples = o.value("samples");
    const QJsonValue coverage = o.value("coverage");
    const QJsonValue weighting = o.value("weighting");
    if (!samples.isDouble() || !coverage.isDouble())
        return std::nullopt;
    const double n = samples.toDouble();
    const double share = coverage.toDouble();
    if (!(n >= 0 && n <= 1e15) || n != std::floor(n) || !(share >= 0 && share <= 1))
        return std::nullopt;
    if (!(weighting.isNull() ||
          (weighting.isString() && isWeighting(weighting.toString().toStdString()))))
        return std::nullopt;
    std::vector<std::string> fields = {head->start, head->end,
                                       std::to_string(static_cast<long long>(n)), fixed(share, 4)};
    for (const char* name : {"leq", "lmax", "lmin", "l10", "l50", "l90"}) {
        auto level = levelField(o, name);
        if (!level)
            return std::nullopt;
        fields.push_back(std::move(*level));
    }
    fields.push_back(weighting.toString().toStdString());
    return DecodedRow{head->seq, head->start, csvRow(fields)};
}

std::optional<std::string> encodeEventRow(long long seq, std::string_view csvRow) {
    const auto f = splitCsvRow(csvRow);
    if (!f || f->size() != 5 || !parseIsoTime((*f)[0]) || !parseIsoTime((*f)[1]) ||
        !isCause((*f)[3]))
        return std::nullopt;
    const auto seconds = decimal((*f)[2]);
    if (!seconds)
        return std::nullopt;
    QJsonObject o;
    o["seq"] = static_cast<double>(seq);
    o["start"] = qs((*f)[0]);
    o["end"] = qs((*f)[1]);
    o["seconds"] = *seconds;
    o["cause"] = qs((*f)[3]);
    o["detail"] = qs((*f)[4]);
    return compact(o);
}

std::optional<DecodedRow> decodeEvent(std::string_view payload) {
    const auto head = rowHead(payload);
    if (!head)
        return std::nullopt;
    const QJsonValue seconds = head->o.value("seconds");
    const QJsonValue cause = head->o.value("cause");
    const QJsonValue detail = head->o.value("detail");
    if (!seconds.isDouble() || !(seconds.toDouble() >= 0) || !plausible(seconds.toDouble()) ||
        !cause.isString() || !isCause(cause.toString().toStdString()) || !detail.isString())
        return std::nullopt;
    return DecodedRow{head->seq, head->start,
                      csvRow({head->start, head->end, fixed(seconds.toDouble(), 1),
                              cause.toString().toStdString(), detail.toString().toStdString()})};
}

std::optional<IsoTime> parseEventTime(std::string_view text) {
    if (text.size() != 27 || text[19] != '.' || !std::isdigit(static_cast<unsigned char>(text[20])))
        return std::nullopt;
    return parseIsoTime(std::string(text.substr(0, 21)) + "00" + std::string(text.substr(21)));
}

namespace {

std::optional<std::string> eventTimeField(const QJsonObject& o, const char* name) {
    const QJsonValue v = o.value(name);
    if (!v.isString())
        return std::nullopt;
    std::string s = v.toString().toStdString();
    if (!parseEventTime(s))
        return std::nullopt;
    return s;
}

std::optional<std::string> encodeExceedance(long long seq, std::string_view csvRow) {
    const auto f = splitCsvRow(csvRow);
    if (!f || f->size() != 8 || !number((*f)[0]) || !parseEventTime((*f)[1]) ||
        !parseEventTime((*f)[2]) || !parseEventTime((*f)[5]))
        return std::nullopt;
    const auto seconds = decimal((*f)[3]);
    const auto lmax = decimal((*f)[4]);
    const auto leq = decimal((*f)[6]);
    const auto sel = decimal((*f)[7]);
    if (!seconds || !lmax || !leq || !sel)
        return std::nullopt;
    QJsonObject o;
    o["event_type"] = seq ? "ended" : "started";
    if (seq)
        o["seq"] = static_cast<double>(seq);
    o["start"] = qs((*f)[1]);
    o["end"] = qs((*f)[2]);
    o["seconds"] = *seconds;
    o["lmax"] = *lmax;
    o["time_of_lmax"] = qs((*f)[5]);
    o["leq"] = *leq;
    o["sel"] = *sel;
    return compact(o);
}

} // namespace

std::optional<std::string> encodeExceedanceRow(long long seq, std::string_view csvRow) {
    return seq >= 1 ? encodeExceedance(seq, csvRow) : std::nullopt;
}

std::optional<std::string> encodeExceedanceStarted(std::string_view csvRow) {
    return encodeExceedance(0, csvRow);
}

std::optional<ExceedanceMessage> decodeExceedance(std::string_view payload) {
    const auto o = parseObject(payload);
    if (!o)
        return std::nullopt;
    const QString type = o->value("event_type").toString();
    ExceedanceMessage m;
    m.started = type == "started";
    if (!m.started && type != "ended")
        return std::nullopt;
    if (!m.started) {
        const auto seq = seqOf(*o);
        if (!seq)
            return std::nullopt;
        m.seq = *seq;
    }
    auto start = eventTimeField(*o, "start");
    auto end = eventTimeField(*o, "end");
    auto atLmax = eventTimeField(*o, "time_of_lmax");
    if (!start || !end || !atLmax)
        return std::nullopt;
    m.start = std::move(*start);
    m.end = std::move(*end);
    m.timeOfLmax = std::move(*atLmax);
    const std::pair<const char*, double*> numbers[] = {
        {"seconds", &m.seconds}, {"lmax", &m.lmax}, {"leq", &m.leq}, {"sel", &m.sel}};
    for (const auto& [name, to] : numbers) {
        const QJsonValue v = o->value(name);
        if (!v.isDouble() || !plausible(v.toDouble()))
            return std::nullopt;
        *to = v.toDouble();
    }
    if (m.seconds < 0)
        return std::nullopt;
    return m;
}

std::string encodeInfo(const SurveyInfo& info) {
    QJsonObject o;
    o["version"] = qs(info.version);
    o["interval"] = info.interval;
    o["weighting"] =
        info.weighting.empty() ? QJsonValue(QJsonValue::Null) : QJsonValue(qs(info.weighting));
    o["summary"] = info.summarySeconds;
    if (!info.onlineSince.empty())
        o["online_since"] = qs(info.onlineSince);
    return compact(o);
}

std::optional<IsoTime> infoOnlineSince(std::string_view payload) {
    const auto o = parseObject(payload);
    const auto since = o ? timeField(*o, "online_since") : std::nullopt;
    return since ? parseIsoTime(*since) : std::nullopt;
}

std::vector<DiscoveryMessage> discoveryMessages(const std::string& site, const std::string& meter,
                                                const std::string& weighting,
                                                const std::string& version) {
    const std::string id = "vrel_" + site + "_" + meter;
    const bool c = weighting == "dBC";
    QJsonObject device;
    device["identifiers"] = QJsonArray{qs(id)};
    device["name"] = qs("Vrel " + site + " " + meter);
    device["manufacturer"] = "Vrel";
    device["model"] = "Noise survey";
    device["sw_version"] = qs(version);
    const struct {
        const char* key;
        const char* name;
        MqttTopic topic;
        const char* value;
    } sensors[] = {{"level", "Level", MqttTopic::Level, "{{ value_json.db }}"},
                   {"leq", "Interval Leq", MqttTopic::SummaryLatest, "{{ value_json.leq }}"}};
    std::vector<DiscoveryMessage> out;
    for (const auto& s : sensors) {
        QJsonObject o;
        o["name"] = qs(std::string(s.name) + (c ? " (C-weighted)" : ""));
        o["unique_id"] = qs(id + "_" + s.key);
        o["default_entity_id"] = qs(entityId("sensor", id + "_" + s.key));
        o["state_topic"] = qs(mqttTopic(site, meter, s.topic));
        o["value_template"] = s.value;
        o["device_class"] = "sound_pressure";
        o["unit_of_measurement"] = c ? "dB" : "dBA";
        o["state_class"] = "measurement";
        o["availability_topic"] = qs(mqttTopic(site, meter, MqttTopic::Status));
        o["payload_available"] = statusOnline;
        o["payload_not_available"] = statusOffline;
        o["device"] = device;
        out.push_back({"homeassistant/sensor/" + id + "_" + s.key + "/config", compact(o)});
    }
    QJsonObject o;
    o["name"] = "Exceedance";
    o["unique_id"] = qs(id + "_exceedance");
    o["default_entity_id"] = qs(entityId("event", id + "_exceedance"));
    o["state_topic"] = qs(mqttTopic(site, meter, MqttTopic::Exceedance));
    o["event_types"] = QJsonArray{"started", "ended"};
    o["availability_topic"] = qs(mqttTopic(site, meter, MqttTopic::Status));
    o["payload_available"] = statusOnline;
    o["payload_not_available"] = statusOffline;
    o["device"] = device;
    out.push_back({"homeassistant/event/" + id + "_exceedance/config", compact(o)});
    return out;
}

std::string filePieceTopic(const std::string& site, const std::string& meter) {
    return mqttTopicBase(site, meter) + "/file";
}

std::optional<std::pair<std::string, std::string>> filePieceTopicMeter(std::string_view topic) {
    constexpr std::string_view leaf = "/file";
    if (!topic.starts_with(mqttTopicRoot) || !topic.ends_with(leaf))
        return std::nullopt;
    topic = topic.substr(mqttTopicRoot.size(), topic.size() - mqttTopicRoot.size() - leaf.size());
    const std::size_t slash = topic.find('/');
    std::string site(topic.substr(0, slash));
    std::string meter = slash == topic.npos ? std::string() : std::string(topic.substr(slash + 1));
    if (!isValidMqttId(site) || !isValidMqttId(meter))
        return std::nullopt;
    return std::pair{std::move(site), std::move(meter)};
}

std::string encodeFilePiece(const FilePiece& piece) {
    std::string payload = piece.file + " " + std::to_string(piece.offset) + "\n";
    payload += piece.bytes;
    return payload;
}

namespace {

std::optional<std::int64_t> parseOffset(std::string_view text) {
    std::int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 0)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<FilePiece> decodeFilePiece(std::string_view payload) {
    const std::size_t eol = payload.find('\n');
    if (eol == payload.npos)
        return std::nullopt;
    const std::string_view head = payload.substr(0, eol);
    const std::size_t space = head.find(' ');
    if (space == head.npos)
        return std::nullopt;
    const std::string_view file = head.substr(0, space);
    const auto offset = parseOffset(head.substr(space + 1));
    if (!isSurveyFolderFileName(file) || !offset)
        return std::nullopt;
    return FilePiece{std::string(file), *offset, std::string(payload.substr(eol + 1))};
}

std::string archivedTopic(const std::string& site, const std::string& meter,
                          const std::string& collector) {
    return mqttTopicBase(site, meter) + "/archived/" + collector;
}

std::optional<std::string> archivedTopicCollector(std::string_view topic, const std::string& site,
                                                  const std::string& meter) {
    const std::string prefix = mqttTopicBase(site, meter) + "/archived/";
    if (!topic.starts_with(prefix) || !isValidMqttId(topic.substr(prefix.size())))
        return std::nullopt;
    return std::string(topic.substr(prefix.size()));
}

std::string encodeArchived(const ArchivedFiles& archived) {
    std::string payload = archived.again ? "again\n" : "";
    for (const auto& [file, size] : archived.sizes)
        payload += file + " " + std::to_string(size) + "\n";
    return payload;
}

std::optional<ArchivedFiles> decodeArchived(std::string_view payload) {
    ArchivedFiles archived;
    for (std::size_t at = 0; at < payload.size();) {
        const std::size_t eol = payload.find('\n', at);
        if (eol == payload.npos)
            return std::nullopt;
        const std::string_view line = payload.substr(at, eol - at);
        at = eol + 1;
        if (line == "again") {
            archived.again = true;
            continue;
        }
        const std::size_t space = line.find(' ');
        if (space == line.npos)
            return std::nullopt;
        const auto size = parseOffset(line.substr(space + 1));
        if (!isSurveyFolderFileName(line.substr(0, space)) || !size)
            return std::nullopt;
        archived.sizes[std::string(line.substr(0, space))] = *size;
    }
    return archived;
}

std::optional<std::vector<std::string>> parseCollectorNames(std::string_view text) {
    std::vector<std::string> names;
    for (std::size_t at = 0;;) {
        const std::size_t comma = text.find(',', at);
        const std::string_view name = text.substr(at, comma == text.npos ? text.npos : comma - at);
        if (!isValidMqttId(name))
            return std::nullopt;
        if (std::find(names.begin(), names.end(), name) == names.end())
            names.emplace_back(name);
        if (comma == text.npos)
            return names;
        at = comma + 1;
    }
}
