#pragma once

// When a sampling tick takes the meter's level, and when it takes nothing and
// why: one rule for the window's recording, the companion's record and the
// survey.

#include <cstdint>
#include <string>

// Why a tick took no sample. Pending: no reading yet and no cause known (the
// first frames after the port opened are on their way).
enum class GapCause { None, Pending, Hold, Silence, Disconnected };
// The name events.csv gives a cause; empty for None and Pending.
const char* gapCauseName(GapCause cause);

// A level is taken only while it is this fresh: the meter sends many frames a
// second, so an older one means frames stopped coming.
inline constexpr std::int64_t maxLevelAgeMs = 1000;
// A meter whose port is open but that sends nothing this long counts as not
// connected (the watchdog of both programs).
inline constexpr int silenceSeconds = 2;

// What a tick sees of the meter, taken at one instant.
struct MeterView {
    bool portOpen = false;   // false once the device went away, until it is opened again
    bool silent = false;     // the silence watchdog has fired and no byte came since
    bool hasReading = false; // a whole frame was decoded since the port opened
    bool hold = false;
    std::int64_t levelAgeMs = 0; // since the frame that brought the level
};

// The events.csv detail of a gap after the device of an open port went away
// (a pulled USB cable): the system's words for it name a failed ioctl.
inline constexpr const char* portGoneDetail = "the meter's port went away";

struct TickVerdict {
    GapCause cause = GapCause::None;
    std::string detail; // for events.csv; empty when there is nothing to add
};

TickVerdict judgeTick(const MeterView& meter);
