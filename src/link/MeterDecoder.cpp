#include "link/MeterDecoder.h"

#include "model/Clock.h"

#include <charconv>
#include <cstdio>

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

// Reads a leading decimal number as C's atof does; no locale, so a program
// running under a decimal-comma locale reads the same levels.
double leadingDecimal(std::string_view text) {
    double v = 0.0;
    auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    return r.ec == std::errc{} ? v : 0.0;
}

} // namespace

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
}

ReceiveEvents MeterDecoder::OnMeterData(const std::uint8_t* bytes, std::size_t count) {
    ReceiveEvents events;
    rxByteCount += static_cast<int>(count);
    const std::string chunk = toHexText(bytes, count);
    lastReceiveTime = clock_.now();
    connected = true;

    if (loggerBusy)
        return events;

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
        const char hi = charAt(frame, m + 4);
        const char lo = charAt(frame, m + 5);
        long hour = (lo >= '0' && lo <= '9') ? lo - '0' : 0;
        if (hi & 1)
            hour += 10;
        if (hi & 2)
            hour += 12;
        if (hour == 24)
            hour = 12;
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
