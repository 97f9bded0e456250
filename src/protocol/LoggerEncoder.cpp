#include "protocol/LoggerEncoder.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>
#include <tuple>

namespace {

std::uint8_t bcd(int v) {
    v = std::clamp(v, 0, 99);
    return static_cast<std::uint8_t>((v / 10) << 4 | v % 10);
}

// The meter codes hours as tens flags: 0x10 adds 10, 0x20 adds 12, both 22.
std::uint8_t hourByte(int hour) {
    hour = std::clamp(hour, 0, 23);
    if (hour >= 22)
        return static_cast<std::uint8_t>(0x30 | (hour - 22));
    if (hour >= 13)
        return static_cast<std::uint8_t>(0x20 | (hour - 12));
    if (hour >= 10)
        return static_cast<std::uint8_t>(0x10 | (hour - 10));
    return static_cast<std::uint8_t>(hour);
}

std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        std::size_t j = i;
        while (j < line.size() && line[j] != ' ' && line[j] != '\t')
            ++j;
        if (j > i)
            out.push_back(line.substr(i, j - i));
        i = j;
    }
    return out;
}

template <typename T> bool parseWhole(std::string_view text, T& value) {
    const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
    return r.ec == std::errc{} && r.ptr == text.data() + text.size();
}

// "yyyy-mm-dd" and "hh:mm:ss" into t; only real dates and times.
bool parseStart(std::string_view date, std::string_view time, LocalTime& t) {
    if (date.size() != 10 || date[4] != '-' || date[7] != '-' || time.size() != 8 ||
        time[2] != ':' || time[5] != ':')
        return false;
    if (!parseWhole(date.substr(0, 4), t.year) || !parseWhole(date.substr(5, 2), t.month) ||
        !parseWhole(date.substr(8, 2), t.day) || !parseWhole(time.substr(0, 2), t.hour) ||
        !parseWhole(time.substr(3, 2), t.minute) || !parseWhole(time.substr(6, 2), t.second))
        return false;
    static constexpr int days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = t.year % 4 == 0; // exact for 2000..2099
    return t.year >= 2000 && t.year <= 2099 && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
           t.day <= days[t.month - 1] - (t.month == 2 && !leap) && t.hour <= 23 && t.minute <= 59 &&
           t.second <= 59 && t.hour >= 0 && t.minute >= 0 && t.second >= 0;
}

} // namespace

bool LoggerSet::operator==(const LoggerSet& other) const {
    const auto key = [](const LoggerSet& s) {
        return std::tie(s.start.year, s.start.month, s.start.day, s.start.hour, s.start.minute,
                        s.start.second, s.weightingA, s.interval, s.tenths);
    };
    return key(*this) == key(other);
}

std::vector<std::uint8_t> EncodeLoggerDump(const std::vector<LoggerSet>& sets) {
    std::vector<std::uint8_t> body;
    for (const LoggerSet& set : sets) {
        body.push_back(set.weightingA ? 0xAA : 0xCC);
        body.push_back(bcd(set.start.year - 2000));
        body.push_back(bcd(set.start.month));
        body.push_back(bcd(set.start.day));
        body.push_back(hourByte(set.start.hour));
        body.push_back(bcd(set.start.minute));
        body.push_back(bcd(set.start.second));
        body.push_back(bcd(set.interval));
        body.push_back(0xAC);
        for (int t : set.tenths) {
            t = std::clamp(t, 0, 9999);
            body.push_back(bcd(t / 100));
            body.push_back(bcd(t % 100));
        }
    }
    // The length word counts 100 for an empty memory and then the body's bytes;
    // it only drives the progress bar, so a memory too big for it saturates.
    const int length =
        body.empty() ? 100 : static_cast<int>(std::min<std::size_t>(100 + body.size(), 0xFFFF));
    std::vector<std::uint8_t> dump;
    dump.reserve(body.size() + 4);
    dump.push_back(0xBB);
    dump.push_back(static_cast<std::uint8_t>(length >> 8));
    dump.push_back(static_cast<std::uint8_t>(length & 0xFF));
    if (body.empty())
        return dump;
    for (const std::uint8_t b : body)
        dump.push_back(b);
    dump.push_back(0xDD);
    return dump;
}

bool ParseLoggerMemory(std::string_view text, std::vector<LoggerSet>& sets, std::string& error) {
    std::vector<LoggerSet> parsed;
    int lineNumber = 0;
    auto fail = [&](const std::string& why) {
        error = "line " + std::to_string(lineNumber) + ": " + why;
        return false;
    };
    while (!text.empty()) {
        ++lineNumber;
        const std::size_t eol = text.find('\n');
        std::string_view line = text.substr(0, eol);
        text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
        if (const std::size_t hash = line.find('#'); hash != std::string_view::npos)
            line = line.substr(0, hash);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const auto w = words(line);
        if (w.empty())
            continue;
        if (w[0] == "set") {
            LoggerSet set;
            if (w.size() != 5)
                return fail("expected: set yyyy-mm-dd hh:mm:ss A|C interval");
            if (!parseStart(w[1], w[2], set.start))
                return fail("no date and time from 2000 to 2099: " + std::string(w[1]) + " " +
                            std::string(w[2]));
            if (w[3] == "A" || w[3] == "dBA")
                set.weightingA = true;
            else if (w[3] == "C" || w[3] == "dBC")
                set.weightingA = false;
            else
                return fail("weighting must be A or C: " + std::string(w[3]));
            if (!parseWhole(w[4], set.interval) || set.interval < 0 || set.interval > 99)
                return fail("interval must be 0 to 99 seconds: " + std::string(w[4]));
            parsed.push_back(std::move(set));
            continue;
        }
        if (parsed.empty())
            return fail("levels before the first set line");
        for (const std::string_view word : w) {
            double dB = 0.0;
            if (!parseWhole(word, dB) || !(dB >= 0.0 && dB <= 999.9))
                return fail("level must be 0 to 999.9 dB: " + std::string(word));
            parsed.back().tenths.push_back(static_cast<int>(std::lround(dB * 10.0)));
        }
    }
    sets = std::move(parsed);
    return true;
}

bool ReadLoggerMemoryFile(const std::string& path, std::vector<LoggerSet>& sets,
                          std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path;
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (!ParseLoggerMemory(text.str(), sets, error)) {
        error = path + ", " + error;
        return false;
    }
    return true;
}

std::vector<LoggerSet> DemoLoggerMemory() {
    std::vector<LoggerSet> sets(3);

    // An office morning: a quiet hum with a few louder moments.
    sets[0].start = {2026, 12, 7, 9, 0, 0};
    sets[0].weightingA = true;
    sets[0].interval = 1;
    for (int i = 0; i < 60; ++i)
        sets[0].tenths.push_back(452 + (i * 37) % 41 + (i % 15 == 7 ? 180 : 0));

    // A street at noon, C weighted: traffic swelling and ebbing.
    sets[1].start = {2026, 12, 7, 12, 30, 0};
    sets[1].weightingA = false;
    sets[1].interval = 2;
    for (int i = 0; i < 40; ++i)
        sets[1].tenths.push_back(640 + 12 * (i % 10 < 5 ? i % 10 : 10 - i % 10) + (i * 7) % 9);

    // A night recording across midnight.
    sets[2].start = {2026, 12, 7, 23, 58, 30};
    sets[2].weightingA = true;
    sets[2].interval = 10;
    for (int i = 0; i < 20; ++i)
        sets[2].tenths.push_back(318 + (i * 13) % 17);

    return sets;
}
