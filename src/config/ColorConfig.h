#pragma once

#include "config/Language.h"
#include "plot/PlotView.h"

#include <filesystem>
#include <optional>

// The three graph colours as kept in ColorConfig.ini.
struct GraphColors {
    Rgb backColor = rgb(0, 100, 100);
    Rgb gridColor = rgb(255, 0, 255);
    Rgb lineColor = rgb(0, 0, 255);
    bool operator==(const GraphColors&) const = default;
};

inline constexpr const char* colorConfigFileName = "ColorConfig.ini";

// The per-user folder the colour file lives in: the override when one is set,
// else $VREL_CONFIG_DIR, else the platform's per-user (roaming) configuration
// folder: %APPDATA% on Windows, ~/Library/Application Support on macOS,
// $XDG_CONFIG_HOME or ~/.config elsewhere. Empty when none can be determined.
std::filesystem::path appDataFolder();
// Points appDataFolder() somewhere else (tests); nullopt restores the default.
void setAppDataFolderOverride(std::optional<std::filesystem::path> folder);
// The colour file in appDataFolder(), or the bare file name without a folder.
std::filesystem::path colorConfigPath();

// Reads the nine keys; a missing file, section or key gives the default, and
// only the low eight bits of each number count.
GraphColors readColorConfig(const std::filesystem::path& file);
// Writes all nine keys, keeping whatever else the file holds. False, with the
// reason in *error, when the file could not be written; it is then as it was.
bool writeColorConfig(const std::filesystem::path& file, const GraphColors& colors,
                      std::string* error = nullptr);

// The exceedance limit the graphs draw and the statistics count against, kept
// in the colour file's section "Vrel_LIMIT" (ENABLED=0/1, VALUE in dB). Off
// when the file, section or key is missing, or the value is no level the meter
// can show (0 to 999.9 dB).
std::optional<double> readLevelLimit(const std::filesystem::path& file);
// Writes both keys (off keeps the last value), keeping whatever else the file holds.
bool writeLevelLimit(const std::filesystem::path& file, std::optional<double> limit,
                     std::string* error = nullptr);

// The interface language chosen with --lang, kept in the colour file's section
// "Vrel_LANGUAGE" (LANGUAGE=tr or en); nullopt when none was chosen.
std::optional<Language> readLanguage(const std::filesystem::path& file);
bool writeLanguage(const std::filesystem::path& file, Language language);
