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

namespace {

constexpr std::int64_t dayOfMinutes = 24 * 3600;

void appendReading(SeriesFilePart& part, std::int64_t second, char weighting, Centibel level) {
    part.levels.push_back(level);
    if (part.stamps.empty() || part.stamps.back().localSecond != second ||
        part.stamps.back().weighting != weighting)
        part.stamps.push_back({second, 0, weighting});
    ++part.stamps.back().count;
}

// Adds a row's readings to its file's part; when the minute's row of the
// other weighting came before it, the minute's readings are merged back in
// time order.
void addMinute(SeriesFilePart& part, std::int64_t minute, char weighting, std::string_view seconds,
               std::string_view levels) {
    struct Reading {
        std::int64_t second;
        char weighting;
        Centibel level;
    };
    std::vector<Reading> merged;
    std::size_t stamp = part.stamps.size();
    std::size_t level = part.levels.size();
    while (stamp > 0 && part.stamps[stamp - 1].localSecond >= minute)
        level -= part.stamps[--stamp].count;
    for (std::size_t s = stamp, l = level; s < part.stamps.size(); ++s)
        for (std::uint32_t k = 0; k < part.stamps[s].count; ++k)
            merged.push_back(
                {part.stamps[s].localSecond, part.stamps[s].weighting, part.levels[l++]});
    part.stamps.resize(stamp);
    part.levels.resize(level);
    const bool merge = !merged.empty();
    for (std::size_t i = 0; i < seconds.size() && 2 * i + 1 < levels.size(); ++i) {
        const auto centibels =
            static_cast<Centibel>(static_cast<unsigned char>(levels[2 * i]) |
                                  static_cast<unsigned char>(levels[2 * i + 1]) << 8);
        const std::int64_t second = minute + static_cast<unsigned char>(seconds[i]);
        if (merge)
            merged.push_back({second, weighting, centibels});
        else
            appendReading(part, second, weighting, centibels);
    }
    std::stable_sort(merged.begin(), merged.end(),
                     [](const Reading& a, const Reading& b) { return a.second < b.second; });
    for (const Reading& r : merged)
        appendReading(part, r.second, r.weighting, r.level);
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
    // The span asked, a day of minutes a query, so only one day's rows are
    // in memory beside the compact parts.
    const auto span = db.query("SELECT min(minute), max(minute) FROM vrel_reading"
                               " WHERE meter_id = $1",
                               {meterId}, false, error);
    if (!span)
        return failed(error);
    std::map<std::string, SeriesFilePart> byFile;
    if (!span->null(0, 0)) {
        std::int64_t first = std::stoll(std::string(span->value(0, 0)));
        std::int64_t last = std::stoll(std::string(span->value(0, 1)));
        if (fromLocal)
            first = std::max(first, *fromLocal - widestUtcOffset - 60);
        if (toLocal)
            last = std::min(last, *toLocal + widestUtcOffset);
        for (std::int64_t day = first; day <= last; day += dayOfMinutes) {
            const auto rows =
                db.query("SELECT file_id, minute, weighting, seconds, levels FROM vrel_reading"
                         " WHERE meter_id = $1 AND minute >= $2 AND minute < $3"
                         " ORDER BY minute, file_id, weighting",
                         {meterId, std::to_string(day),
                          std::to_string(std::min(day + dayOfMinutes, last + 1))},
                         true, error);
            if (!rows)
                return failed(error);
            for (int row = 0; row < rows->count(); ++row)
                addMinute(byFile[std::to_string(bigEndian32(rows->value(row, 0)))],
                          bigEndian64(rows->value(row, 1)), rows->value(row, 2)[0],
                          rows->value(row, 3), rows->value(row, 4));
        }
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
        it->second.header = true;
        it->second.intervalMs = fileOf[id].second;
        read.files.push_back(source.site + "/" + source.meter + "/" + name);
        parts.push_back(std::move(it->second));
    }
    const auto events = tableText(db, source, eventsFileName, error);
    if (!events)
        return failed(error);
    SeriesRead assembled = assembleSeries(parts, *events);
    assembled.files = std::move(read.files);
    return assembled;
}
