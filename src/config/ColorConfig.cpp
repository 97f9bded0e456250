#include "config/ColorConfig.h"

#include "config/ProfileFile.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace {

struct ColorKey {
    const char* section;
    Rgb GraphColors::*field;
};

constexpr ColorKey colorKeys[] = {
    {"Vrel_BKCOLOR", &GraphColors::backColor},
    {"Vrel_GRIDCOLOR", &GraphColors::gridColor},
    {"Vrel_LINECOLOR", &GraphColors::lineColor},
};

std::mutex overrideMutex;
std::optional<std::filesystem::path> folderOverride;

std::filesystem::path fromEnv(const char* name) {
    const char* v = std::getenv(name);
    return v && *v ? std::filesystem::path(v) : std::filesystem::path();
}

} // namespace

void setAppDataFolderOverride(std::optional<std::filesystem::path> folder) {
    std::lock_guard lock(overrideMutex);
    folderOverride = std::move(folder);
}

std::filesystem::path appDataFolder() {
    {
        std::lock_guard lock(overrideMutex);
        if (folderOverride)
            return *folderOverride;
    }
    if (auto dir = fromEnv("VREL_CONFIG_DIR"); !dir.empty())
        return dir;
#if defined(_WIN32)
    return fromEnv("APPDATA");
#elif defined(__APPLE__)
    const auto home = fromEnv("HOME");
    return home.empty() ? home : home / "Library" / "Application Support";
#else
    if (auto dir = fromEnv("XDG_CONFIG_HOME"); !dir.empty())
        return dir;
    const auto home = fromEnv("HOME");
    return home.empty() ? home : home / ".config";
#endif
}

std::filesystem::path programFolder() {
    const auto folder = appDataFolder();
    return folder.empty() ? folder : folder / "Vrel";
}

std::filesystem::path colorConfigPath() {
#if defined(_WIN32)
    const auto folder = appDataFolder();
#else
    const auto folder = programFolder();
#endif
    return folder.empty() ? std::filesystem::path(colorConfigFileName)
                          : folder / colorConfigFileName;
}

std::filesystem::path besideColorConfig(const char* fileName) {
    return colorConfigPath().parent_path() / fileName;
}

std::filesystem::path programSettingsPath() {
    const auto folder = programFolder();
    return folder.empty() ? std::filesystem::path("Vrel.ini") : folder / "Vrel.ini";
}

GraphColors readColorConfig(const std::filesystem::path& file) {
    const ProfileFile profile = ProfileFile::load(file);
    GraphColors colors;
    for (const auto& key : colorKeys) {
        const Rgb def = colors.*key.field;
        const auto component = [&](const char* name, int fallback) {
            return static_cast<int>(profile.intValue(key.section, name, fallback) & 0xff);
        };
        colors.*key.field = rgb(component("RVALUE", redOf(def)), component("GVALUE", greenOf(def)),
                                component("BVALUE", blueOf(def)));
    }
    return colors;
}

namespace {
constexpr const char* limitSection = "Vrel_LIMIT";
constexpr const char* languageSection = "Interface";
// Where versions before the program's own settings file kept the language.
constexpr const char* earlierLanguageSection = "Vrel_LANGUAGE";

bool saveProfile(const std::filesystem::path& file, const ProfileFile& profile,
                 std::string* error) {
    if (file.has_parent_path()) {
        std::error_code ec;
        std::filesystem::create_directories(file.parent_path(), ec);
    }
    return profile.save(file, error);
}
} // namespace

std::optional<double> readLevelLimit(const std::filesystem::path& file) {
    const ProfileFile profile = ProfileFile::load(file);
    if (profile.intValue(limitSection, "ENABLED", 0) == 0)
        return std::nullopt;
    const auto text = profile.value(limitSection, "VALUE");
    if (!text)
        return std::nullopt;
    char* end = nullptr;
    const double v = std::strtod(text->c_str(), &end);
    if (end == text->c_str() || !std::isfinite(v) || v < 0.0 || v > 999.9)
        return std::nullopt;
    return v;
}

bool writeLevelLimit(const std::filesystem::path& file, std::optional<double> limit,
                     std::string* error) {
    ProfileFile profile = ProfileFile::load(file);
    profile.setValue(limitSection, "ENABLED", limit ? "1" : "0");
    if (limit) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.1f", *limit);
        profile.setValue(limitSection, "VALUE", buf);
    }
    return saveProfile(file, profile, error);
}

bool writeColorConfig(const std::filesystem::path& file, const GraphColors& colors,
                      std::string* error) {
    ProfileFile profile = ProfileFile::load(file);
    for (const auto& key : colorKeys) {
        const Rgb c = colors.*key.field;
        profile.setValue(key.section, "RVALUE", std::to_string(redOf(c)));
        profile.setValue(key.section, "GVALUE", std::to_string(greenOf(c)));
        profile.setValue(key.section, "BVALUE", std::to_string(blueOf(c)));
    }
    return saveProfile(file, profile, error);
}

std::optional<Language> readLanguage(const std::filesystem::path& file) {
    const auto code = ProfileFile::load(file).value(languageSection, "Language");
    return code ? parseLanguage(*code) : std::nullopt;
}

bool writeLanguage(const std::filesystem::path& file, Language language) {
    ProfileFile profile = ProfileFile::load(file);
    profile.setValue(languageSection, "Language", languageCode(language));
    return saveProfile(file, profile, nullptr);
}

namespace {

// A file of ours is known by its sections, so another program's file of the
// same name stays where it is.
bool isColorFile(const ProfileFile& p) {
    for (const auto& key : colorKeys)
        if (p.hasSection(key.section))
            return true;
    return p.hasSection(limitSection) || p.hasSection(earlierLanguageSection);
}

bool isReportFile(const ProfileFile& p) {
    return p.hasSection("Title") && p.value("Figures", "IntervalSeconds").has_value();
}

void moveOnce(const std::filesystem::path& from, const std::filesystem::path& to,
              bool (*recognised)(const ProfileFile&)) {
    std::error_code ec;
    if (from == to || !std::filesystem::is_regular_file(from, ec) ||
        std::filesystem::exists(to, ec) || !recognised(ProfileFile::load(from)))
        return;
    std::filesystem::create_directories(to.parent_path(), ec);
    std::filesystem::rename(from, to, ec);
    if (ec && std::filesystem::copy_file(from, to, ec))
        std::filesystem::remove(from, ec);
}

} // namespace

void moveEarlierSettings() {
    if (const auto base = appDataFolder(); !base.empty()) {
        moveOnce(base / colorConfigFileName, colorConfigPath(), isColorFile);
        moveOnce(base / "Report.ini", besideColorConfig("Report.ini"), isReportFile);
    }
    // The colour file's sections are the original program's; the language leaves it.
    ProfileFile colours = ProfileFile::load(colorConfigPath());
    if (!colours.hasSection(earlierLanguageSection))
        return;
    const auto code = colours.value(earlierLanguageSection, "LANGUAGE");
    const auto language = code ? parseLanguage(*code) : std::nullopt;
    if (language && !readLanguage(programSettingsPath()) &&
        !writeLanguage(programSettingsPath(), *language))
        return;
    colours.removeSection(earlierLanguageSection);
    saveProfile(colorConfigPath(), colours, nullptr);
}
