#include "protocol/LiveEncoder.h"

#include <algorithm>
#include <array>

namespace {

std::uint8_t bcd(int v) {
    return static_cast<std::uint8_t>(((v / 10) % 10) << 4 | (v % 10));
}

// The clock's hour byte: the high nibble's bit 0 adds 10 hours, bit 1 adds 12.
std::uint8_t hourByte(int hour) {
    if (hour < 10)
        return static_cast<std::uint8_t>(hour);
    if (hour < 20)
        return static_cast<std::uint8_t>(0x10 | (hour - 10));
    if (hour < 22)
        return static_cast<std::uint8_t>(0x20 | (hour - 12));
    return static_cast<std::uint8_t>(0x30 | (hour - 22));
}

using Frame = std::array<std::uint8_t, liveFrameBytes>;

Frame frameHead(const MeterReading& r) {
    Frame f{}; // zero bytes are neutral filler: they form no token
    f[0] = 0xA5;
    f[1] = 0x0D;
    f[2] = bcd(r.tenths / 100);
    f[3] = bcd(r.tenths % 100);
    f[7] = r.weightingA ? 0x1B : 0x1C;
    return f;
}

void token(Frame& f, int at, std::uint8_t code) {
    f[at] = 0xA5;
    f[at + 1] = code;
}

std::uint8_t rangeCode(int range) {
    switch (range) {
    case 1:
        return 0x30;
    case 2:
        return 0x4B;
    case 3:
        return 0x4C;
    default:
        return 0x40;
    }
}

} // namespace

std::vector<std::uint8_t> EncodeLiveFrames(const MeterReading& r) {
    Frame a = frameHead(r);
    token(a, 5, r.fast ? 0x02 : 0x03);
    token(a, 8, r.maxMode ? 0x04 : r.minMode ? 0x05 : 0x0E);
    token(a, 10, 0x11); // clears UNDER and OVER; the second frame sets them
    token(a, 12, r.meterRec ? 0x0A : 0x1A);
    token(a, 14, rangeCode(r.range));
    if (r.barFrozen)
        token(a, 16, 0x0B);
    if (r.digitsFrozen)
        token(a, 18, 0x0C);

    Frame b = frameHead(r);
    b[8] = 0xA5;
    b[9] = 0x06;
    b[10] = hourByte(r.hour);
    b[11] = bcd(r.minute);
    b[12] = bcd(r.second);
    const std::array<int, 4> slots = {4, 13, 15, 17};
    std::size_t next = 0;
    auto put = [&](bool on, std::uint8_t code) {
        if (on)
            token(b, slots[next++], code);
    };
    put(r.barFrozen, 0x0B);
    put(r.digitsFrozen, 0x0C);
    put(r.under, 0x08);
    put(r.over, 0x07);

    std::vector<std::uint8_t> bytes(2 * liveFrameBytes);
    std::copy(a.begin(), a.end(), bytes.begin());
    std::copy(b.begin(), b.end(), bytes.begin() + liveFrameBytes);
    return bytes;
}
