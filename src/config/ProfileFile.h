#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// A small reader and writer of Windows profile (INI) files: "[section]" lines
// and "key=value" lines. Section and key names compare without regard to case.
// Lines it does not understand are kept as they are when the file is written.
class ProfileFile {
  public:
    // An empty profile when the file is missing or unreadable.
    static ProfileFile load(const std::filesystem::path& file);
    static ProfileFile parse(const std::string& text);

    std::optional<std::string> value(const std::string& section, const std::string& key) const;
    // An integer as GetPrivateProfileInt reads it: optional blanks and sign,
    // then decimal digits; a value without digits reads as 0, a missing key as def.
    long long intValue(const std::string& section, const std::string& key, long long def) const;
    void setValue(const std::string& section, const std::string& key, const std::string& value);
    bool hasSection(const std::string& section) const;
    void removeSection(const std::string& section);

    // The text with CR LF line ends.
    std::string text() const;
    // Replaces the file whole or not at all, so a failed write never costs the
    // settings already there. On failure, false and the reason in *error.
    bool save(const std::filesystem::path& file, std::string* error = nullptr) const;

  private:
    struct Line {
        std::string raw; // kept verbatim unless it is a key line that was set
        std::string key; // empty for section headers, comments and blank lines
        std::string value;
    };
    struct Section {
        std::string name; // empty for lines before the first header
        std::vector<Line> lines;
    };
    Section* find(const std::string& name);
    const Section* find(const std::string& name) const;

    std::vector<Section> sections_;
};
