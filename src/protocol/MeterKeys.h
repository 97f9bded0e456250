#pragma once

#include "protocol/LiveState.h"

#include <cstdint>
#include <optional>

// The field of the live state that tells a key sender the meter took its key.
enum class WatchedField { Hold, MeterRec, MinMode, MaxMode, Fast, Range, WeightingA };

// One of the six keys of the meter: the byte that presses it and how often it
// is sent until the meter reacts.
struct MeterKey {
    int code;
    std::uint8_t byte;
    int periodMs;
};

inline constexpr int meterKeyCount = 6;
// Codes 0..5: hold ("Durdur"), REC, MAX/MIN, FAST/SLOW, range, A/C.
std::optional<MeterKey> meterKey(int code);

// The field the sender of this key watches, chosen from the state when the
// sender starts (MAX/MIN watches the mode that is on, MAX when neither is).
WatchedField watchedField(int code, const LiveState& atStart);

// The field's value as a number, so that any change can be seen.
int fieldValue(WatchedField field, const LiveState& state);

// A sender gives up after this many sends without the meter reacting.
inline constexpr int maxKeySends = 10;
