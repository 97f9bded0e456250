#include "recording/TickRule.h"

const char* gapCauseName(GapCause cause) {
    switch (cause) {
    case GapCause::Hold:
        return "hold";
    case GapCause::Silence:
        return "silence";
    case GapCause::Disconnected:
        return "disconnected";
    case GapCause::None:
    case GapCause::Pending:
        break;
    }
    return "";
}

TickVerdict judgeTick(const MeterView& meter) {
    if (!meter.portOpen)
        return {GapCause::Disconnected, "the meter's port is not open"};
    if (meter.silent)
        return {GapCause::Silence, "no data from the meter for 2 seconds"};
    if (meter.hold)
        return {GapCause::Hold, "the meter is on HOLD"};
    if (!meter.hasReading)
        return {GapCause::Pending, {}};
    // Frames stopped but the watchdog has not said so yet: the level is the
    // last one the meter sent, not what it measures now.
    if (meter.levelAgeMs > maxLevelAgeMs)
        return {GapCause::Silence, "no data from the meter for 2 seconds"};
    return {};
}
