#include "config/ProfileFile.h"

#include "formats/FileWrite.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>

namespace {

std::string trim(const std::string& s) {
    const auto notSpace = [](unsigned char c) { return !std::isspace(c); };
    const auto b = std::find_if(s.begin(), s.end(), notSpace);
    const auto e = std::find_if(s.rbegin(), s.rend(), notSpace).base();
    return b < e ? std::string(b, e) : std::string();
}

bool sameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

ProfileFile ProfileFile::load(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return {};
    std::ostringstream text;
    text << in.rdbuf();
    return parse(text.str());
}

ProfileFile ProfileFile::parse(const std::string& text) {
    ProfileFile profile;
    profile.sections_.push_back({});
    std::istringstream in(text);
    std::string raw;
    while (std::getline(in, raw)) {
        if (!raw.empty() && raw.back() == '\r')
            raw.pop_back();
        const std::string line = trim(raw);
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            profile.sections_.push_back({trim(line.substr(1, line.size() - 2)), {}});
            continue;
        }
        Line l{raw, {}, {}};
        const auto eq = line.find('=');
        if (eq != std::string::npos && line.front() != ';') {
            l.key = trim(line.substr(0, eq));
            l.value = trim(line.substr(eq + 1));
        }
        profile.sections_.back().lines.push_back(std::move(l));
    }
    return profile;
}

ProfileFile::Section* ProfileFile::find(const std::string& name) {
    for (auto& s : sections_)
        if (!s.name.empty() && sameName(s.name, name))
            return &s;
    return nullptr;
}

const ProfileFile::Section* ProfileFile::find(const std::string& name) const {
    return const_cast<ProfileFile*>(this)->find(name);
}

std::optional<std::string> ProfileFile::value(const std::string& section,
                                              const std::string& key) const {
    if (const Section* s = find(section))
        for (const auto& l : s->lines)
            if (!l.key.empty() && sameName(l.key, key))
                return l.value;
    return std::nullopt;
}

long long ProfileFile::intValue(const std::string& section, const std::string& key,
                                long long def) const {
    const auto v = value(section, key);
    if (!v)
        return def;
    std::size_t i = 0;
    bool negative = false;
    if (i < v->size() && ((*v)[i] == '-' || (*v)[i] == '+'))
        negative = (*v)[i++] == '-';
    unsigned long long magnitude = 0;
    // Past 19 digits the number wraps like the 32-bit original; only low bits matter.
    for (; i < v->size() && std::isdigit(static_cast<unsigned char>((*v)[i])); ++i)
        magnitude = magnitude * 10 + static_cast<unsigned>((*v)[i] - '0');
    return static_cast<long long>(negative ? 0ULL - magnitude : magnitude);
}

void ProfileFile::setValue(const std::string& section, const std::string& key,
                           const std::string& value) {
    Section* s = find(section);
    if (!s) {
        sections_.push_back({section, {}});
        s = &sections_.back();
    }
    for (auto& l : s->lines) {
        if (!l.key.empty() && sameName(l.key, key)) {
            l.value = value;
            l.raw = l.key + "=" + value;
            return;
        }
    }
    // New keys go after the section's last key, before any trailing blank lines.
    auto pos = s->lines.end();
    while (pos != s->lines.begin() && trim(std::prev(pos)->raw).empty())
        --pos;
    s->lines.insert(pos, Line{key + "=" + value, key, value});
}

bool ProfileFile::hasSection(const std::string& section) const {
    return find(section) != nullptr;
}

void ProfileFile::removeSection(const std::string& section) {
    std::erase_if(sections_,
                  [&](const Section& s) { return !s.name.empty() && sameName(s.name, section); });
}

std::string ProfileFile::text() const {
    std::string out;
    for (const auto& s : sections_) {
        if (!s.name.empty())
            out += "[" + s.name + "]\r\n";
        for (const auto& l : s.lines)
            out += l.raw + "\r\n";
    }
    return out;
}

bool ProfileFile::save(const std::filesystem::path& file, std::string* error) const {
    return WriteWholeFile(file.string(), text(), error);
}
