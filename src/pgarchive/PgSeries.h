#pragma once

// A meter's survey read back from the database archive as from its folder:
// the same SeriesStore, so every figure is the same, built from the minutes
// of a time range found through the readings' index.

#include "pgarchive/PgArchive.h"
#include "survey/SeriesReader.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// "postgresql://USER@HOST[:PORT]/DB?site=S&meter=M[&sslmode=…]" as a tool's input.
struct PgSeriesSource {
    PgSettings settings; // the URL without site and meter
    std::string site;
    std::string meter;
};
bool isDatabaseUrl(std::string_view text);
// Nothing, with the reason, when site or meter is missing or not a name.
std::optional<PgSeriesSource> parseDatabaseInput(const std::string& url, std::string& error);

// The text of one of the meter's tables (markers.csv, …), its lines joined
// again; empty when the database holds none; nothing, with the reason, when
// it cannot be read.
std::optional<std::string> readDatabaseTable(const PgSeriesSource& source, const std::string& file,
                                             std::string& error);

// The readings between two wall-clock times (seconds since 1970 on the
// meter's clock; none: from the first, to the last) and the meter's events.
// CannotList with the reason when the database cannot be read.
SeriesRead readDatabaseSeries(const PgSeriesSource& source, std::optional<std::int64_t> fromLocal,
                              std::optional<std::int64_t> toLocal);
