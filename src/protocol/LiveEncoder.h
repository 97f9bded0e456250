#pragma once

#include <cstdint>
#include <vector>

// A state of the meter as its firmware would send it: what the simulator plays
// and what the round-trip tests feed the decoder.
struct MeterReading {
    int tenths = 500; // level in tenths of a dB, 0..9999
    int hour = 0;     // 0..23
    int minute = 0;   // 0..59
    int second = 0;   // 0..59
    int range = 1;    // 1..4 (4 = AUTO)
    bool fast = false;
    bool meterRec = false;
    bool weightingA = true;
    bool maxMode = false; // at most one of maxMode and minMode
    bool minMode = false;
    bool under = false;
    bool over = false;
    bool barFrozen = false;
    bool digitsFrozen = false;

    bool operator==(const MeterReading&) const = default;
};

// A live frame is 20 bytes starting with 0xA5 0x0D; a whole state does not fit
// into one (the clock alone takes five bytes), so a state goes out as a pair of
// frames. Whatever the decoder held before, after both frames (and one byte
// behind them, since a frame is decoded only when data follows it) it holds the
// state. The first frame carries the annunciators, the second the clock and
// the flags the first had to clear.
inline constexpr int liveFrameBytes = 20;
std::vector<std::uint8_t> EncodeLiveFrames(const MeterReading& reading);

// The byte the meter sends in place of frames while HOLD is on.
inline constexpr std::uint8_t holdMarker = 0xFF;
