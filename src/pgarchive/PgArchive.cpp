#include "PgArchive.h"

#include "survey/FolderOutbox.h"
#include "survey/SeriesReader.h"
#include "survey/Survey.h"

#include <libpq-fe.h>

#include <algorithm>
#include <fstream>
#include <optional>
#include <utility>

namespace {

// The newest data files a meter names when it asks again, as the folder
// archive does: the survey takes what it does not name as held.
constexpr std::size_t namedDataFiles = 3;
// How long a piece beyond what its file holds waits for the pieces before it
// to come through another collector of the group.
constexpr auto earlyPieceWait = std::chrono::seconds(3);
// Lines of a table written by one statement.
constexpr std::size_t linesPerInsert = 400;

// Each step takes the schema from the version before it to its own.
const char* const upgradeSteps[pgSchemaVersion] = {
    // 1: meters, their files with what each holds, readings by the minute
    // and the lines of the tables. A minute's row grows as its readings
    // come; the room left in each page lets that happen in place.
    "CREATE TABLE vrel_meter (id serial PRIMARY KEY, site text NOT NULL, name text NOT NULL,"
    " UNIQUE (site, name));"
    "CREATE TABLE vrel_file (id serial PRIMARY KEY,"
    " meter_id int NOT NULL REFERENCES vrel_meter (id), name text NOT NULL,"
    " size bigint NOT NULL DEFAULT 0, header text, interval_ms int,"
    " UNIQUE (meter_id, name));"
    "CREATE TABLE vrel_reading (meter_id int NOT NULL, file_id int NOT NULL,"
    " minute bigint NOT NULL, weighting \"char\" NOT NULL, seconds bytea NOT NULL,"
    " levels bytea NOT NULL, PRIMARY KEY (meter_id, minute, file_id, weighting))"
    " WITH (fillfactor = 70);"
    "CREATE TABLE vrel_line (file_id int NOT NULL REFERENCES vrel_file (id),"
    " at bigint NOT NULL, line text NOT NULL, PRIMARY KEY (file_id, at));",
    // 2: one reading a row, for dashboards and people's own queries.
    "CREATE VIEW vrel_level AS"
    " SELECT m.site, m.name AS meter, r.weighting,"
    " to_timestamp(r.minute + get_byte(r.seconds, i)) AT TIME ZONE 'UTC' AS local_time,"
    " ((get_byte(r.levels, 2 * i) + 256 * get_byte(r.levels, 2 * i + 1)) / 100.0)::numeric(7, 2)"
    " AS level"
    " FROM vrel_reading r JOIN vrel_meter m ON m.id = r.meter_id,"
    " generate_series(0, length(r.seconds) - 1) AS i;",
};

struct ResultDeleter {
    void operator()(PGresult* r) const { PQclear(r); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

std::string firstLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

std::string meterKey(const std::string& site, const std::string& meter) {
    return site + "/" + meter;
}

void putLevel(std::string& out, Centibel level) {
    out.push_back(static_cast<char>(level & 0xFF));
    out.push_back(static_cast<char>(level >> 8));
}

} // namespace

struct PgArchive::Connection {
    PGconn* conn = nullptr;
    ~Connection() { PQfinish(conn); }

    std::string error() const {
        std::string e = PQerrorMessage(conn);
        while (!e.empty() && (e.back() == '\n' || e.back() == ' '))
            e.pop_back();
        return e;
    }

    // Runs sql with its parameters (nothing for NULL; binary ones as bytes);
    // nothing with the reason in error when it failed.
    std::optional<Result> run(const std::string& sql,
                              const std::vector<std::optional<std::string>>& params,
                              const std::vector<bool>& binary, std::string& error) {
        std::vector<const char*> values;
        std::vector<int> lengths;
        std::vector<int> formats;
        for (std::size_t i = 0; i < params.size(); ++i) {
            values.push_back(params[i] ? params[i]->data() : nullptr);
            lengths.push_back(params[i] ? static_cast<int>(params[i]->size()) : 0);
            formats.push_back(i < binary.size() && binary[i] ? 1 : 0);
        }
        // Without parameters, several statements may go at once.
        Result r(params.empty()
                     ? PQexec(conn, sql.c_str())
                     : PQexecParams(conn, sql.c_str(), static_cast<int>(params.size()), nullptr,
                                    values.data(), lengths.data(), formats.data(), 0));
        const ExecStatusType s = r ? PQresultStatus(r.get()) : PGRES_FATAL_ERROR;
        if (s != PGRES_COMMAND_OK && s != PGRES_TUPLES_OK) {
            error = r ? PQresultErrorMessage(r.get()) : error_();
            while (!error.empty() && (error.back() == '\n' || error.back() == ' '))
                error.pop_back();
            return std::nullopt;
        }
        return r;
    }
    std::optional<Result> run(const std::string& sql, std::string& error) {
        return run(sql, {}, {}, error);
    }
    // The first column of the first row, or nothing.
    static std::optional<std::string> value(const Result& r, int row = 0, int column = 0) {
        if (PQntuples(r.get()) <= row || PQgetisnull(r.get(), row, column))
            return std::nullopt;
        return std::string(PQgetvalue(r.get(), row, column));
    }

  private:
    std::string error_() const { return error(); }
};

PgArchive::PgArchive(PgSettings settings) : settings_(std::move(settings)) {}

PgArchive::~PgArchive() = default;

bool PgArchive::connected() const {
    return db_ && PQstatus(db_->conn) == CONNECTION_OK;
}

bool PgArchive::connect(std::string& error, int upTo) {
    db_.reset();
    std::vector<const char*> keys{"dbname", "connect_timeout", "application_name"};
    std::vector<const char*> values{settings_.url.c_str(), "10", "vrel-collect"};
    std::string password;
    if (!settings_.passwordFile.empty()) {
        if (!std::ifstream(settings_.passwordFile)) {
            error = "cannot read the password file " + settings_.passwordFile;
            return false;
        }
        password = firstLine(settings_.passwordFile);
        keys.push_back("password");
        values.push_back(password.c_str());
    }
    keys.push_back(nullptr);
    values.push_back(nullptr);
    auto db = std::make_unique<Connection>();
    db->conn = PQconnectdbParams(keys.data(), values.data(), 1);
    if (!db->conn || PQstatus(db->conn) != CONNECTION_OK) {
        error = db->conn ? db->error() : "out of memory";
        return false;
    }
    db_ = std::move(db);
    if (!db_->run("SET client_min_messages = warning;"
                  "CREATE TABLE IF NOT EXISTS vrel_schema (version int NOT NULL)",
                  error))
        return false;
    if (!db_->run("BEGIN; LOCK TABLE vrel_schema IN EXCLUSIVE MODE", error))
        return false;
    const auto found = db_->run("SELECT max(version) FROM vrel_schema", error);
    const int at = found ? std::stoi(Connection::value(*found).value_or("0")) : 0;
    if (!found || !upgrade(at, upTo, error) || !db_->run("COMMIT", error)) {
        std::string ignored;
        db_->run("ROLLBACK", ignored);
        return false;
    }
    return true;
}

bool PgArchive::upgrade(int from, int upTo, std::string& error) {
    if (from > pgSchemaVersion) {
        error = "the database's schema is version " + std::to_string(from) +
                ", newer than this program's " + std::to_string(pgSchemaVersion);
        return false;
    }
    for (int v = from + 1; v <= upTo; ++v)
        if (!db_->run(upgradeSteps[v - 1], error))
            return false;
    if (from >= upTo)
        return true;
    return db_->run("DELETE FROM vrel_schema", error) &&
           db_->run("INSERT INTO vrel_schema VALUES (" + std::to_string(upTo) + ")", error);
}

int PgArchive::schemaVersion() {
    std::string error;
    const auto r =
        connected() ? db_->run("SELECT max(version) FROM vrel_schema", error) : std::nullopt;
    return r ? std::stoi(Connection::value(*r).value_or("0")) : 0;
}

void PgArchive::receive(const std::string& site, const std::string& meter, const FilePiece& piece) {
    pending_.push_back({site, meter, piece, std::chrono::steady_clock::now()});
}

bool PgArchive::commit(std::string& error) {
    if (pending_.empty() && early_.empty())
        return true;
    pending_.insert(pending_.begin(), std::make_move_iterator(early_.begin()),
                    std::make_move_iterator(early_.end()));
    early_.clear();
    writing_.clear();
    missing_.clear();
    const std::size_t duplicates = counts_.duplicates, missed = counts_.missed;
    const std::size_t pieces = counts_.pieces, readings = counts_.readings, lines = counts_.lines;
    bool ok = connected() && db_->run("BEGIN", error);
    if (!connected())
        error = "not connected to the database";
    for (std::size_t i = 0; ok && i < pending_.size(); ++i)
        ok = write(pending_[i], error);
    ok = ok && db_->run("COMMIT", error);
    pending_.clear();
    if (!ok) {
        early_.clear();
        if (connected()) {
            std::string ignored;
            db_->run("ROLLBACK", ignored);
        }
        counts_.duplicates = duplicates;
        counts_.missed = missed;
        counts_.pieces = pieces;
        counts_.readings = readings;
        counts_.lines = lines;
        lostPieces_ = true;
        return false;
    }
    for (auto& [key, files] : writing_)
        for (auto& [file, size] : files)
            grown_[key][file] = size;
    missed_.insert(missing_.begin(), missing_.end());
    return true;
}

bool PgArchive::write(const Piece& p, std::string& error) {
    const std::string key = meterKey(p.site, p.meter);
    std::optional<Result> r =
        db_->run("INSERT INTO vrel_meter (site, name) VALUES ($1, $2) ON CONFLICT DO NOTHING",
                 {p.site, p.meter}, {}, error);
    if (r)
        r = db_->run("SELECT id FROM vrel_meter WHERE site = $1 AND name = $2", {p.site, p.meter},
                     {}, error);
    if (!r)
        return false;
    const std::string meterId = Connection::value(*r).value_or("");
    const FilePiece& piece = p.piece;
    r = db_->run("INSERT INTO vrel_file (meter_id, name) VALUES ($1, $2) ON CONFLICT DO NOTHING",
                 {meterId, piece.file}, {}, error);
    if (r)
        // Locked: a collector of the same group writing the same file waits,
        // then sees what this one committed.
        r = db_->run("SELECT id, size, header FROM vrel_file WHERE meter_id = $1 AND name = $2"
                     " FOR UPDATE",
                     {meterId, piece.file}, {}, error);
    if (!r)
        return false;
    const std::string fileId = Connection::value(*r, 0, 0).value_or("");
    const std::int64_t size = std::stoll(Connection::value(*r, 0, 1).value_or("0"));
    const std::optional<std::string> header = Connection::value(*r, 0, 2);
    const std::int64_t end = piece.offset + static_cast<std::int64_t>(piece.bytes.size());
    if (end <= size) {
        ++counts_.duplicates;
        return true;
    }
    if (piece.offset > size) {
        if (std::chrono::steady_clock::now() - p.came < earlyPieceWait) {
            early_.push_back(p);
            return true;
        }
        ++counts_.missed;
        missing_.insert(key);
        return true;
    }
    std::string_view rest =
        std::string_view(piece.bytes).substr(static_cast<std::size_t>(size - piece.offset));
    // Whole lines only, so what a file holds always ends at a line's end.
    rest = rest.substr(0, rest.rfind('\n') + 1);
    if (rest.empty())
        return true;
    ++counts_.pieces;
    std::optional<std::string> newHeader = header;
    std::optional<std::string> intervalMs;
    if (isSurveyDataFileName(piece.file)) {
        if (size == 0)
            newHeader = std::string(rest.substr(0, rest.find('\n')));
        const SeriesFilePart part = parseSeriesFile(
            size == 0 ? std::string(rest) : newHeader.value_or("") + "\n" + std::string(rest));
        if (size == 0 && part.header)
            intervalMs = std::to_string(part.intervalMs);
        // The readings by minute and weighting, in the order they came.
        std::vector<std::pair<std::pair<std::int64_t, char>, std::pair<std::string, std::string>>>
            minutes;
        const Centibel* level = part.levels.data();
        for (const SeriesFilePart::Stamp& s : part.stamps) {
            const std::int64_t minute = s.localSecond - ((s.localSecond % 60) + 60) % 60;
            const std::pair<std::int64_t, char> at{minute, s.weighting};
            auto it = std::find_if(minutes.begin(), minutes.end(),
                                   [&](const auto& m) { return m.first == at; });
            if (it == minutes.end())
                it = minutes.insert(minutes.end(), {at, {}});
            for (std::uint32_t i = 0; i < s.count; ++i) {
                it->second.first.push_back(static_cast<char>(s.localSecond - minute));
                putLevel(it->second.second, *level++);
            }
            counts_.readings += s.count;
        }
        for (const auto& [at, data] : minutes)
            if (!db_->run("INSERT INTO vrel_reading AS r"
                          " (meter_id, file_id, minute, weighting, seconds, levels)"
                          " VALUES ($1, $2, $3, $4, $5, $6)"
                          " ON CONFLICT (meter_id, minute, file_id, weighting) DO UPDATE"
                          " SET seconds = r.seconds || excluded.seconds,"
                          " levels = r.levels || excluded.levels",
                          {meterId, fileId, std::to_string(at.first), std::string(1, at.second),
                           data.first, data.second},
                          {false, false, false, false, true, true}, error))
                return false;
    } else {
        std::vector<std::optional<std::string>> params{fileId};
        std::string sql;
        auto flush = [&] {
            if (params.size() == 1)
                return true;
            const bool done = db_->run("INSERT INTO vrel_line (file_id, at, line) VALUES " + sql +
                                           " ON CONFLICT DO NOTHING",
                                       params, {}, error)
                                  .has_value();
            params.resize(1);
            sql.clear();
            return done;
        };
        std::int64_t at = size;
        for (std::size_t from = 0; from < rest.size();) {
            const std::size_t eol = rest.find('\n', from);
            params.push_back(std::to_string(at));
            params.push_back(std::string(rest.substr(from, eol - from)));
            sql += (sql.empty() ? "" : ",") + std::string("($1, $") +
                   std::to_string(params.size() - 1) + ", $" + std::to_string(params.size()) + ")";
            at += static_cast<std::int64_t>(eol + 1 - from);
            from = eol + 1;
            ++counts_.lines;
            if (params.size() > 2 * linesPerInsert && !flush())
                return false;
        }
        if (!flush())
            return false;
    }
    const std::int64_t newSize = size + static_cast<std::int64_t>(rest.size());
    if (!db_->run("UPDATE vrel_file SET size = $2, header = $3,"
                  " interval_ms = coalesce($4::int, interval_ms) WHERE id = $1",
                  {fileId, std::to_string(newSize), newHeader, intervalMs}, {}, error))
        return false;
    writing_[key][piece.file] = newSize;
    return true;
}

std::vector<PgArchive::Holding> PgArchive::holdings(bool everyMeter, std::string& error) {
    std::vector<Holding> out;
    std::set<std::string> told;
    if (everyMeter || lostPieces_) {
        if (!connected()) {
            error = "not connected to the database";
            return out;
        }
        const auto r = db_->run("SELECT m.site, m.name, f.name, f.size FROM vrel_file f"
                                " JOIN vrel_meter m ON m.id = f.meter_id ORDER BY 1, 2",
                                error);
        if (!r)
            return out;
        std::map<std::string, std::pair<Holding, std::vector<std::string>>> meters;
        std::map<std::string, std::int64_t> dataSizes;
        for (int row = 0; row < PQntuples(r->get()); ++row) {
            const std::string site = PQgetvalue(r->get(), row, 0);
            const std::string meter = PQgetvalue(r->get(), row, 1);
            const std::string file = PQgetvalue(r->get(), row, 2);
            const std::int64_t size = std::stoll(PQgetvalue(r->get(), row, 3));
            auto& [h, data] = meters[meterKey(site, meter)];
            h.site = site;
            h.meter = meter;
            h.files.again = true;
            if (isSurveyDataFileName(file)) {
                data.push_back(file);
                dataSizes[meterKey(site, meter) + "/" + file] = size;
            } else {
                h.files.sizes[file] = size;
            }
        }
        for (auto& [key, m] : meters) {
            auto& [h, data] = m;
            data = surveyDataFiles(data);
            for (std::size_t i = data.size() > namedDataFiles ? data.size() - namedDataFiles : 0;
                 i < data.size(); ++i)
                h.files.sizes[data[i]] = dataSizes[key + "/" + data[i]];
            for (const auto& [file, size] : grown_[key])
                h.files.sizes[file] = size;
            told.insert(key);
            out.push_back(std::move(h));
        }
        lostPieces_ = false;
    }
    for (const auto& [key, files] : grown_) {
        if (told.count(key) || files.empty())
            continue;
        const std::size_t slash = key.find('/');
        Holding h{key.substr(0, slash), key.substr(slash + 1), {missed_.count(key) > 0, files}};
        told.insert(key);
        out.push_back(std::move(h));
    }
    for (const std::string& key : missed_)
        if (!told.count(key)) {
            const std::size_t slash = key.find('/');
            out.push_back({key.substr(0, slash), key.substr(slash + 1), {true, {}}});
        }
    grown_.clear();
    missed_.clear();
    return out;
}

int PgArchive::Rows::count() const {
    return PQntuples(result.get());
}

bool PgArchive::Rows::null(int row, int column) const {
    return PQgetisnull(result.get(), row, column);
}

std::string_view PgArchive::Rows::value(int row, int column) const {
    return {PQgetvalue(result.get(), row, column),
            static_cast<std::size_t>(PQgetlength(result.get(), row, column))};
}

std::optional<PgArchive::Rows> PgArchive::query(const std::string& sql,
                                                const std::vector<std::string>& params,
                                                bool binaryResult, std::string& error) {
    if (!connected()) {
        error = "not connected to the database";
        return std::nullopt;
    }
    std::vector<const char*> values;
    for (const std::string& p : params)
        values.push_back(p.c_str());
    std::shared_ptr<pg_result> r(PQexecParams(db_->conn, sql.c_str(),
                                              static_cast<int>(values.size()), nullptr,
                                              values.data(), nullptr, nullptr, binaryResult),
                                 PQclear);
    if (!r || PQresultStatus(r.get()) != PGRES_TUPLES_OK) {
        error = r ? PQresultErrorMessage(r.get()) : db_->error();
        while (!error.empty() && (error.back() == '\n' || error.back() == ' '))
            error.pop_back();
        return std::nullopt;
    }
    return Rows{std::move(r)};
}
