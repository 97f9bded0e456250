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

// The platform's per-user (roaming) configuration folder: the override when
// one is set, else $VREL_CONFIG_DIR, else %APPDATA% on Windows, ~/Library/
// Application Support on macOS, $XDG_CONFIG_HOME or ~/.config elsewhere. Empty
// when none can be determined.
std::filesystem::path appDataFolder();
// Points appDataFolder() somewhere else (tests); nullopt restores the default.
void setAppDataFolderOverride(std::optional<std::filesystem::path> folder);
// The program's own folder in appDataFolder(), "Vrel": the journal, the
// program's settings file and, except on Windows, the colour and report files,
// so the program keeps nothing loose beside other programs' files.
std::filesystem::path programFolder();
// The colour file: in programFolder(), or on Windows straight in the
// application-data folder, where the program has always kept it. The bare
// file name when no folder can be determined.
std::filesystem::path colorConfigPath();
// A file beside the colour file.
std::filesystem::path besideColorConfig(const char* fileName);
// The program's own settings (the interface language), in programFolder().
std::filesystem::path programSettingsPath();

// Moves the colour and report files an earlier version left straight in the
// application-data folder into the program's folder, once: only files
// recognised by their sections, and only while the program's folder has none
// of its own. The language an earlier version kept in the colour file goes to
// the program's settings file. Nothing on Windows, where the files stay put.
void moveEarlierSettings();

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

// The interface language chosen with --lang, kept in the program's settings
// file (section "Interface", Language=tr or en); nullopt when none was chosen.
std::optional<Language> readLanguage(const std::filesystem::path& file);
bool writeLanguage(const std::filesystem::path& file, Language language);
