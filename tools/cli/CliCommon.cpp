#include "CliCommon.h"

#include "model/SeriesStats.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <locale>
#include <sstream>

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

std::optional<double> parseNumber(const std::string& text) {
    std::istringstream in(text);
    in.imbue(std::locale::classic());
    double v = 0;
    char rest = 0;
    if (!(in >> v) || in >> rest || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<double> readSamplingInterval(std::string_view command, const std::string& text) {
    if (const auto v = parseNumber(text))
        for (const double allowed : sampleIntervals)
            if (std::abs(*v - allowed) < 1e-9)
                return allowed;
    usageError(command, "the interval must be one of 0.1, 0.2, 0.5, 1, 1.5, 2, 2.5, 3, 5, 10 "
                        "(seconds), not '" +
                            text + "'");
    return std::nullopt;
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

int usageError(std::string_view command, std::string_view fault) {
    std::cerr << "vrel-cli " << command << ": " << fault << "\nvrel-cli " << command
              << " --help shows the options\n";
    return exitUsage;
}

int readCommandLine(std::string_view command, std::string_view usage,
                    const std::vector<std::string>& args,
                    const std::vector<std::string_view>& valued, CommandLine& line,
                    const std::vector<std::string_view>& flags) {
    std::string error;
    if (!parseCommandLine(args, valued, line, error, flags))
        return usageError(command, error);
    if (line.help) {
        std::cout << usage;
        return exitOk;
    }
    return -1;
}
