#include "PgSeries.h"

#include "mqtt/MqttProtocol.h"
#include "survey/Survey.h"

#include <algorithm>
#include <map>
#include <tuple>

namespace {

// A meter's clock is within this of UTC: the range asked of the index is
// widened by it, and the series then cut exactly by the tools.
constexpr std::int64_t widestUtcOffset = 15 * 3600;

std::uint32_t bigEndian32(std::string_view b) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v = v << 8 | static_cast<unsigned char>(b[static_cast<std::size_t>(i)]);
    return v;
}

std::int64_t bigEndian64(std::string_view b) {
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i)
        v = v << 8 | static_cast<unsigned char>(b[static_cast<std::size_t>(i)]);
    return static_cast<std::int64_t>(v);
}

std::optional<std::string> tableText(PgArchive& db, const PgSeriesSource& source,
                                     const std::string& file, std::string& error) {
    const auto lines =
        db.query("SELECT l.line FROM vrel_line l JOIN vrel_file f ON f.id = l.file_id"
                 " JOIN vrel_meter m ON m.id = f.meter_id"
                 " WHERE m.site = $1 AND m.name = $2 AND f.name = $3 ORDER BY l.at",
                 {source.site, source.meter, file}, false, error);
    if (!lines)
        return std::nullopt;
    std::string text;
    for (int row = 0; row < lines->count(); ++row)
        (text += lines->value(row, 0)) += '\n';
    return text;
}

} // namespace

std::optional<std::string> readDatabaseTable(const PgSeriesSource& source, const std::string& file,
                                             std::string& error) {
    PgArchive db(source.settings);
    if (!db.connect(error)) {
        error = source.settings.url + ": " + error;
        return std::nullopt;
    }
    return tableText(db, source, file, error);
}

bool isDatabaseUrl(std::string_view text) {
    return text.starts_with("postgresql://") || text.starts_with("postgres://");
}

std::optional<PgSeriesSource> parseDatabaseInput(const std::string& url, std::string& error) {
    PgSeriesSource source;
    const std::size_t question = url.find('?');
    std::string kept = url.substr(0, question);
    std::string rest;
    for (std::size_t at = question; at != std::string::npos && at < url.size();) {
        const std::size_t next = url.find('&', at + 1);
        const std::string pair =
            url.substr(at + 1, next == std::string::npos ? next : next - at - 1);
        if (pair.starts_with("site="))
            source.site = pair.substr(5);
        else if (pair.starts_with("meter="))
            source.meter = pair.substr(6);
        else if (!pair.empty())
            rest += (rest.empty() ? "?" : "&") + pair;
        at = next;
    }
    if (!isValidMqttId(source.site) || !isValidMqttId(source.meter)) {
        error = "a database wants ?site=S&meter=M after its name, each 1 to 32 of a-z, 0-9, _ "
                "and -";
        return std::nullopt;
    }
    source.settings.url = kept + rest;
    return source;
}

SeriesRead readDatabaseSeries(const PgSeriesSource& source, std::optional<std::int64_t> fromLocal,
                              std::optional<std::int64_t> toLocal) {
    SeriesRead read;
    auto failed = [&](const std::string& error) {
        read.status = SeriesRead::Status::CannotList;
        read.error = error;
        return std::move(read);
    };
    PgArchive db(source.settings);
    std::string error;
    if (!db.connect(error))
        return failed(source.settings.url + ": " + error);
    const auto files = db.query("SELECT f.id, f.name, coalesce(f.interval_ms, 0), m.id"
                                " FROM vrel_file f JOIN vrel_meter m ON m.id = f.meter_id"
                                " WHERE m.site = $1 AND m.name = $2",
                                {source.site, source.meter}, false, error);
    if (!files)
        return failed(error);
    if (files->count() == 0)
        return failed("the database holds no meter " + source.site + "/" + source.meter);
    std::map<std::string, std::pair<std::string, std::int32_t>> fileOf; // id → name, interval
    std::vector<std::string> dataNames;
    for (int row = 0; row < files->count(); ++row) {
        const std::string name(files->value(row, 1));
        const std::string id(files->value(row, 0));
        fileOf[id] = {name, std::stoi(std::string(files->value(row, 2)))};
        if (isSurveyDataFileName(name))
            dataNames.push_back(name);
    }
    const std::string meterId(files->value(0, 3));
    std::vector<std::string> params{meterId};
    std::string range;
    if (fromLocal) {
        params.push_back(std::to_string(*fromLocal - widestUtcOffset - 60));
        range += " AND minute >= $2";
    }
    if (toLocal) {
        params.push_back(std::to_string(*toLocal + widestUtcOffset));
        range += " AND minute < $" + std::to_string(params.size());
    }
    const auto rows = db.query("SELECT file_id, minute, weighting, seconds, levels"
                               " FROM vrel_reading WHERE meter_id = $1" +
                                   range + " ORDER BY minute, file_id, weighting",
                               params, true, error);
    if (!rows)
        return failed(error);

    struct Reading {
        std::int64_t second;
        char weighting;
        Centibel level;
    };
    // Each file's readings, a minute at a time; a minute's rows of both
    // weightings merged back in time order.
    std::map<std::string, std::vector<Reading>> byFile;
    for (int row = 0; row < rows->count(); ++row) {
        const std::string file = std::to_string(bigEndian32(rows->value(row, 0)));
        const std::int64_t minute = bigEndian64(rows->value(row, 1));
        const char weighting = rows->value(row, 2)[0];
        const std::string_view seconds = rows->value(row, 3);
        const std::string_view levels = rows->value(row, 4);
        std::vector<Reading>& out = byFile[file];
        // The minute's row of the other weighting came before this one.
        const bool merge = !out.empty() && out.back().second >= minute;
        const auto minuteStart =
            merge ? std::partition_point(out.begin(), out.end(),
                                         [&](const Reading& r) { return r.second < minute; }) -
                        out.begin()
                  : 0;
        for (std::size_t i = 0; i < seconds.size() && 2 * i + 1 < levels.size(); ++i)
            out.push_back(
                {minute + static_cast<unsigned char>(seconds[i]), weighting,
                 static_cast<Centibel>(static_cast<unsigned char>(levels[2 * i]) |
                                       static_cast<unsigned char>(levels[2 * i + 1]) << 8)});
        if (merge)
            std::stable_sort(
                out.begin() + minuteStart, out.end(),
                [](const Reading& a, const Reading& b) { return a.second < b.second; });
    }
    std::map<std::string, std::string> idOfName;
    for (const auto& [id, file] : fileOf)
        idOfName[file.first] = id;
    std::vector<SeriesFilePart> parts;
    for (const std::string& name : surveyDataFiles(dataNames)) {
        const std::string& id = idOfName[name];
        const auto it = byFile.find(id);
        if (it == byFile.end())
            continue;
        SeriesFilePart part;
        part.header = true;
        part.intervalMs = fileOf[id].second;
        for (const Reading& r : it->second) {
            part.levels.push_back(r.level);
            if (part.stamps.empty() || part.stamps.back().localSecond != r.second ||
                part.stamps.back().weighting != r.weighting)
                part.stamps.push_back({r.second, 0, r.weighting});
            ++part.stamps.back().count;
        }
        read.files.push_back(source.site + "/" + source.meter + "/" + name);
        parts.push_back(std::move(part));
    }
    const auto events = tableText(db, source, eventsFileName, error);
    if (!events)
        return failed(error);
    SeriesRead assembled = assembleSeries(parts, *events);
    assembled.files = std::move(read.files);
    return assembled;
}
