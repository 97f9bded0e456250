#include "protocol/MeterDecoder.h"

#include "model/Calendar.h"
#include "model/Clock.h"
#include "model/TextFormat.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <utility>

namespace {

constexpr std::size_t frameLength = 40;

char charAt(std::string_view s, std::size_t i) {
    return i < s.size() ? s[i] : '\0';
}

std::string_view sub(std::string_view s, std::size_t pos, std::size_t n) {
    return pos < s.size() ? s.substr(pos, n) : std::string_view{};
}

bool has(std::string_view s, std::string_view token) {
    return s.find(token) != std::string_view::npos;
}

// The meter's hour byte as two hex characters: the low two bits of the first
// character's code add 10 and 12 (PM), the second is the units digit.
int meterHour(char hi, char lo) {
    int hour = (lo >= '0' && lo <= '9') ? lo - '0' : 0;
    if (hi & 1)
        hour += 10;
    if (hi & 2)
        hour += 12;
    return hour == 24 ? 12 : hour;
}

// Two hex characters of a BCD byte read as decimal text.
int bcdField(std::string_view text, std::size_t pos) {
    return static_cast<int>(leadingInteger(sub(text, pos, 2)));
}

bool isLeapYear(long long y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysInMonth(long long year, int month) {
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

} // namespace

bool SetClock::valid() const {
    return month >= 1 && month <= 12 && day >= 1 && day <= daysInMonth(year, month) && hour >= 0 &&
           hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 59;
}

void SetClock::advance(long seconds) {
    constexpr long long secondsPerDay = 86400;
    long long t = daysFromCivil(year, month, day) * secondsPerDay + hour * 3600LL + minute * 60LL +
                  second + seconds;
    long long days = t / secondsPerDay;
    long long rest = t % secondsPerDay;
    if (rest < 0) {
        rest += secondsPerDay;
        --days;
    }
    const CivilDate date = civilFromDays(days);
    year = static_cast<int>(date.year);
    month = date.month;
    day = date.day;
    hour = static_cast<int>(rest / 3600);
    minute = static_cast<int>(rest / 60 % 60);
    second = static_cast<int>(rest % 60);
}

std::string SetClock::dateTimeText() const {
    char buf[96];
    std::snprintf(buf, sizeof buf, "%.2d-%.2d-%d,%d:%.2d:%.2d", day, month, year, hour, minute,
                  second);
    return buf;
}

std::string toHexText(const std::uint8_t* bytes, std::size_t count) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(count * 2);
    for (std::size_t i = 0; i < count; ++i) {
        text.push_back(digits[bytes[i] >> 4]);
        text.push_back(digits[bytes[i] & 0x0f]);
    }
    return text;
}

MeterDecoder::MeterDecoder(const Clock& clock) : clock_(clock) {}

void MeterDecoder::reset() {
    state = LiveState{};
    recvText.clear();
    connected = false;
    rxByteCount = 0;
    loggerBusy = false;
    recording = false;
    clearLoggerDump();
}

void MeterDecoder::clearLoggerDump() {
    loggerHeaderSeen = false;
    expectedLength = 0;
    setCounter = 0;
    setClock = SetClock{};
    loggerRecords.clear();
    endSearchFrom_ = 0;
}

void MeterDecoder::beginLoggerDownload() {
    loggerBusy = true;
    clearLoggerDump();
    // Whatever arrived before the request is live data and cannot be the answer;
    // a stray "bb" in it would be read as the dump's header.
    recvText.clear();
}

bool MeterDecoder::abortLoggerDownload() {
    return std::exchange(loggerBusy, false);
}

RecordList MeterDecoder::takeLoggerRecords() {
    return std::exchange(loggerRecords, RecordList{});
}

ReceiveEvents MeterDecoder::OnMeterData(const std::uint8_t* bytes, std::size_t count) {
    ReceiveEvents events;
    rxByteCount += static_cast<int>(count);
    const std::string chunk = toHexText(bytes, count);
    lastReceiveTime = clock_.now();
    connected = true;

    if (loggerBusy) {
        onLoggerChunk(chunk, events);
        state.stopKeyFlag = false;
        return events;
    }

    if (has(chunk, "ff")) {
        state.hold = true;
        events.stopRecording = recording;
        state.stopKeyFlag = false;
        return events;
    }

    recvText += chunk;
    if (recvText.size() < frameLength)
        return events;
    state.hold = false;
    events.redraw = DecodeLiveFrame(chunk);
    rxByteCount = 0;
    state.stopKeyFlag = false;
    if (recvText.size() > maxLiveText)
        recvText.erase(0, recvText.size() - maxLiveText);
    return events;
}

void MeterDecoder::onLoggerChunk(std::string_view chunk, ReceiveEvents& events) {
    recvText += chunk;
    if (!loggerHeaderSeen) {
        const std::size_t p = recvText.find("bb");
        if (p == std::string::npos) {
            // The meter streams live frames until it takes the request.
            if (recvText.size() > maxLiveText)
                recvText.erase(0, recvText.size() - maxLiveText);
            return;
        }
        recvText.erase(0, p);
        if (recvText.size() < 6)
            return;
        int h = 0;
        std::from_chars(recvText.data() + 2, recvText.data() + 6, h, 16);
        recvText.erase(0, 6);
        // A length below the empty memory's cannot hold a set: a damaged header
        // ends the download as an empty memory would, never with a negative length.
        expectedLength = std::max(0, h - 98);
        rxByteCount = static_cast<int>(recvText.size() / 2);
        loggerHeaderSeen = true;
        endSearchFrom_ = 0;
        if (h - 98 <= 2) {
            loggerBusy = false;
            events.loggerEnded = true;
            return;
        }
    }
    events.loggerProgress = true;
    events.progressMaximum = expectedLength;
    events.progressValue = std::min(rxByteCount, expectedLength);
    // The text is searched from where the last search stopped, less one
    // character, so an end marker split over two chunks is seen and a long
    // dump is not searched again from its start with every chunk.
    const std::size_t end = recvText.find("dd", endSearchFrom_);
    if (end == std::string::npos) {
        endSearchFrom_ = recvText.empty() ? 0 : recvText.size() - 1;
        return;
    }
    endSearchFrom_ = 0;
    const std::string dump = recvText.substr(0, end + 2);
    recvText.erase(0, end + 2);
    rxByteCount = 0;
    DecodeLoggerDump(dump);
    events.loggerEnded = true;
}

void MeterDecoder::DecodeLoggerDump(std::string_view text) {
    constexpr std::size_t headerLength = 16;
    constexpr std::size_t readingLength = 4;
    std::string_view rest = text;
    // Four characters a reading at most: the list is not moved again while it fills.
    loggerRecords.reserve(loggerRecords.size() + text.size() / readingLength);
    // Each set marker closes a set header; the readings in front of that header
    // belong to the set decoded in the pass before.
    for (std::size_t q = rest.find("ac"); q != std::string_view::npos; q = rest.find("ac")) {
        const std::size_t headerStart = q >= headerLength ? q - headerLength : 0;
        const std::string_view readings = rest.substr(0, headerStart);
        const std::string_view header = rest.substr(headerStart, q - headerStart);
        rest.remove_prefix(q + 2);
        for (std::size_t i = 0; i + readingLength <= readings.size(); i += readingLength)
            appendLoggerReading(readings.substr(i, readingLength));
        ++setCounter;
        readSetHeader(header);
    }
    if (const std::size_t end = rest.find("dd"); end != std::string_view::npos) {
        const std::string_view readings = rest.substr(0, end);
        for (std::size_t i = 0; i + readingLength <= readings.size(); i += readingLength)
            appendLoggerReading(readings.substr(i, readingLength));
    }
    loggerBusy = false;
}

void MeterDecoder::appendLoggerReading(std::string_view digits) {
    // A dump starts with a set header; anything ahead of the first belongs to
    // no set and has neither time nor weighting.
    if (setCounter == 0)
        return;
    setClock.value = static_cast<double>(leadingInteger(digits)) / 10.0;
    loggerRecords.append(CObjData(setClock.value, setClock.dateTimeText(), setClock.unit,
                                  setCounter, setClock.interval));
    // A set whose header names no real date-time keeps its readings, stamped
    // with the header's fields as they stand: counting on from an impossible
    // time would only invent a false one.
    if (setClock.valid())
        setClock.advance(static_cast<long>(setClock.interval));
}

void MeterDecoder::readSetHeader(std::string_view header) {
    setClock.year = static_cast<int>(leadingInteger("20" + std::string(sub(header, 2, 2))));
    setClock.month = bcdField(header, 4);
    setClock.hour = meterHour(charAt(header, 8), charAt(header, 9));
    setClock.unit = sub(header, 0, 2) == "aa" ? "dBA" : "dBC";
    setClock.day = bcdField(header, 6);
    setClock.minute = bcdField(header, 10);
    setClock.second = bcdField(header, 12);
    setClock.interval = bcdField(header, 14);
}

bool MeterDecoder::DecodeLiveFrame(std::string_view chunkText) {
    if (recvText.size() < frameLength)
        return false;
    const std::size_t p = recvText.find("a50d");
    if (p == std::string::npos)
        return false;
    if (p > 0) {
        recvText.erase(0, p);
        return recvText.size() >= frameLength;
    }
    if (recvText.size() == frameLength) {
        recvText.assign(chunkText);
        return true;
    }
    const std::string frame = recvText.substr(0, frameLength);
    recvText.erase(0, frameLength);
    DecodeFrame(frame);
    return true;
}

void MeterDecoder::DecodeFrame(std::string_view frame) {
    // Reading: four BCD digits, tenths of a dB; a leading zero is left out.
    std::string text(sub(frame, 4, 3));
    if (!text.empty() && text[0] == '0')
        text = std::string(sub(frame, 5, 2));
    text += '.';
    if (const char c = charAt(frame, 7))
        text += c;
    state.level = leadingDecimal(std::string_view(text).substr(0, 5));

    const std::string_view weighting = sub(frame, 14, 2);
    if (weighting == "1b")
        state.weightingA = true;
    else if (weighting == "1c")
        state.weightingA = false;

    if (const std::size_t m = frame.find("a506"); m != std::string_view::npos) {
        const long hour = meterHour(charAt(frame, m + 4), charAt(frame, m + 5));
        const LocalTime today = clock_.localNow();
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.2d-%.2d-%d,%.2ld:%.*s:%.*s", today.day, today.month,
                      today.year, hour, static_cast<int>(sub(frame, m + 6, 2).size()),
                      sub(frame, m + 6, 2).data(), static_cast<int>(sub(frame, m + 8, 2).size()),
                      sub(frame, m + 8, 2).data());
        state.meterTime = buf;
    }

    if (has(frame, "a502"))
        state.fast = true;
    if (has(frame, "a503"))
        state.fast = false;
    if (has(frame, "a504")) {
        state.maxMode = true;
        state.minMode = false;
    }
    if (has(frame, "a505")) {
        state.minMode = true;
        state.maxMode = false;
    }
    if (has(frame, "a50e")) {
        state.maxMode = false;
        state.minMode = false;
    }
    if (has(frame, "a508"))
        state.under = true;
    if (has(frame, "a511")) {
        state.under = false;
        state.over = false;
    }
    if (has(frame, "a507"))
        state.over = true;
    if (has(frame, "a50a"))
        state.meterRec = true;
    if (has(frame, "a51a"))
        state.meterRec = false;
    state.barFrozen = has(frame, "a50b");
    state.digitsFrozen = has(frame, "a50c");
    if (has(frame, "a530"))
        state.range = 1;
    if (has(frame, "a54b"))
        state.range = 2;
    if (has(frame, "a54c"))
        state.range = 3;
    if (has(frame, "a540"))
        state.range = 4;
}
