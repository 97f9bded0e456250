#include "CliCommon.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <iostream>

std::string jsonString(std::string_view s) {
    std::string out = "\"";
    for (const char c : s) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

std::string jsonNumber(double v) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

namespace {
int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}
bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}
} // namespace

std::optional<std::vector<std::uint8_t>> parseHexLine(std::string_view line, std::string& error) {
    std::vector<std::uint8_t> bytes;
    std::size_t i = 0;
    while (i < line.size()) {
        if (isBlank(line[i])) {
            ++i;
            continue;
        }
        const int hi = hexValue(line[i]);
        if (hi < 0) {
            error = std::string("not a hex digit: '") + line[i] + "'";
            return std::nullopt;
        }
        if (i + 1 >= line.size() || isBlank(line[i + 1])) {
            error = "odd number of hex digits";
            return std::nullopt;
        }
        const int lo = hexValue(line[i + 1]);
        if (lo < 0) {
            error = std::string("not a hex digit: '") + line[i + 1] + "'";
            return std::nullopt;
        }
        bytes.push_back(static_cast<std::uint8_t>(hi << 4 | lo));
        i += 2;
    }
    return bytes;
}

int forEachCaptureChunk(std::istream& in,
                        const std::function<void(const std::vector<std::uint8_t>&)>& chunk) {
    std::string line;
    int lineNumber = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        const auto first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#')
            continue;
        std::string error;
        const auto bytes = parseHexLine(line, error);
        if (!bytes) {
            std::cout.flush();
            std::cerr << "vrel-cli: line " << lineNumber << ": " << error << "\n";
            return exitUsage;
        }
        chunk(*bytes);
    }
    return exitOk;
}

const std::string* CommandLine::option(std::string_view name) const {
    const std::string* found = nullptr;
    for (const auto& [key, value] : options)
        if (key == name)
            found = &value; // the last one counts
    return found;
}

bool CommandLine::flag(std::string_view name) const {
    return std::find(flags.begin(), flags.end(), name) != flags.end();
}

bool parseCommandLine(const std::vector<std::string>& args,
                      const std::vector<std::string_view>& valued, CommandLine& line,
                      std::string& error, const std::vector<std::string_view>& flags) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            line.help = true;
        } else if (std::find(flags.begin(), flags.end(), a) != flags.end()) {
            line.flags.push_back(a);
        } else if (a.size() > 1 && a[0] == '-') {
            bool known = false;
            for (const std::string_view name : valued)
                known = known || a == name;
            if (!known) {
                error = "unknown option '" + a + "'";
                return false;
            }
            if (i + 1 >= args.size()) {
                error = a + " needs a value";
                return false;
            }
            line.options.emplace_back(a, args[++i]);
        } else {
            line.positional.push_back(a);
        }
    }
    return true;
}
