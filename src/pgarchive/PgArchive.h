#pragma once

// A site's archive in PostgreSQL, fed by the same pieces of the survey
// folders' files that the collector writes folders from. The readings of the
// data files become rows of a meter's minute (a byte for each reading's
// second and two for its level, in centibels); the lines of the tables
// (summary.csv, events.csv, markers.csv, …) rows of their own, keyed by where
// they start in their file. What each file holds is kept beside them, in the
// same transaction, so a piece that comes again writes nothing twice and the
// position a collector reports is what the database committed.

#include "mqtt/MqttProtocol.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

struct PgSettings {
    // postgresql://USER@HOST[:PORT]/DB[?sslmode=…], as libpq takes it.
    std::string url;
    // A file whose first line is the password; none: libpq's own
    // (PGPASSFILE, ~/.pgpass).
    std::string passwordFile;
};

// The schema's versions: 1 the tables, 2 the vrel_level view of one reading a row.
constexpr int pgSchemaVersion = 2;

struct pg_result;

class PgArchive {
  public:
    explicit PgArchive(PgSettings settings);
    ~PgArchive();
    PgArchive(const PgArchive&) = delete;
    PgArchive& operator=(const PgArchive&) = delete;

    // Connects (again, when the connection was lost) and brings the schema
    // up to version upTo in a transaction; false with the reason.
    bool connect(std::string& error, int upTo = pgSchemaVersion);
    bool connected() const;
    // The version the database's schema is at; 0 when none.
    int schemaVersion();

    // Keeps a piece for the next commit.
    void receive(const std::string& site, const std::string& meter, const FilePiece& piece);
    // Writes what came since the last commit in one transaction. False with
    // the reason when it failed: nothing of it is written, the pieces are
    // dropped and the next holdings ask the surveys for them again.
    bool commit(std::string& error);
    std::size_t pending() const { return pending_.size() + early_.size(); }

    struct Holding {
        std::string site;
        std::string meter;
        ArchivedFiles files;
    };
    // What each meter whose files grew in a commit, or that lost pieces,
    // holds in the database now. everyMeter: every meter of the database
    // (with its tables and newest data files), as after a restart.
    std::vector<Holding> holdings(bool everyMeter, std::string& error);

    struct Counts {
        std::size_t pieces = 0;     // pieces that brought lines not held yet
        std::size_t duplicates = 0; // pieces held already
        std::size_t missed = 0;     // pieces beyond what a file holds
        std::size_t readings = 0;
        std::size_t lines = 0; // of the tables
    };
    const Counts& counts() const { return counts_; }

    // A query's rows, for the archive's readers; nothing, with the reason,
    // when it failed. binaryResult: the columns as libpq's binary format.
    struct Rows {
        std::shared_ptr<pg_result> result;
        int count() const;
        bool null(int row, int column) const;
        std::string_view value(int row, int column) const;
    };
    std::optional<Rows> query(const std::string& sql, const std::vector<std::string>& params,
                              bool binaryResult, std::string& error);

  private:
    struct Piece {
        std::string site;
        std::string meter;
        FilePiece piece;
        std::chrono::steady_clock::time_point came;
    };
    struct Connection;
    bool write(const Piece& p, std::string& error);
    bool upgrade(int from, int upTo, std::string& error);

    PgSettings settings_;
    std::unique_ptr<Connection> db_;
    std::vector<Piece> pending_;
    // Pieces beyond what their file holds, kept a while: in a group, the
    // piece before may be on its way into the database through another
    // collector.
    std::vector<Piece> early_;
    // Since the last holdings: "site/meter" → the files grown, with their sizes.
    std::map<std::string, std::map<std::string, std::int64_t>> grown_;
    std::set<std::string> missed_;                                       // "site/meter"
    std::map<std::string, std::map<std::string, std::int64_t>> writing_; // this commit's
    std::set<std::string> missing_;                                      // this commit's
    bool lostPieces_ = false; // a commit failed: every meter is asked again
    Counts counts_;
};
