#include "protocol/MeterKeys.h"

#include <array>

namespace {
constexpr std::array<MeterKey, meterKeyCount> keys{{
    {0, 0x33, 600},
    {1, 0x55, 600},
    {2, 0x11, 600},
    {3, 0x77, 600},
    {4, 0x88, 500},
    {5, 0x99, 600},
}};
} // namespace

std::optional<MeterKey> meterKey(int code) {
    if (code < 0 || code >= meterKeyCount)
        return std::nullopt;
    return keys[static_cast<std::size_t>(code)];
}

WatchedField watchedField(int code, const LiveState& atStart) {
    switch (code) {
    case 0:
        // The meter answers its hold key by sending the hold marker instead of
        // frames, so hold is what changes.
        return WatchedField::Hold;
    case 1:
        return WatchedField::MeterRec;
    case 2:
        return atStart.minMode ? WatchedField::MinMode : WatchedField::MaxMode;
    case 3:
        return WatchedField::Fast;
    case 4:
        return WatchedField::Range;
    default:
        return WatchedField::WeightingA;
    }
}

int fieldValue(WatchedField field, const LiveState& s) {
    switch (field) {
    case WatchedField::Hold:
        return s.hold;
    case WatchedField::MeterRec:
        return s.meterRec;
    case WatchedField::MinMode:
        return s.minMode;
    case WatchedField::MaxMode:
        return s.maxMode;
    case WatchedField::Fast:
        return s.fast;
    case WatchedField::Range:
        return s.range;
    case WatchedField::WeightingA:
        break;
    }
    return s.weightingA;
}
