#pragma once

#include "model/Clock.h"

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

// The rules of the real-time settings dialog, apart from its widgets.

// The count field: an integer from 1 to 40000. On failure, message holds the
// text to show.
struct SampleCountCheck {
    std::optional<int> value;
    std::string message;
};
SampleCountCheck validateSampleCount(std::string_view text);

// How long a recording of count samples at the interval takes, and when it
// would end if started at start.
struct RecordCycle {
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
    std::time_t start = 0;
    std::time_t stop = 0; // start + the whole seconds of the duration
};
RecordCycle recordCycle(int count, double interval, std::time_t start);

// "%d hour %d minute %d second", as first shown when the dialog opens.
std::string cycleTextLong(const RecordCycle& cycle);
// "%d:%d:%d", as shown after every recomputation.
std::string cycleTextShort(const RecordCycle& cycle);
// "%d-%d-%d,%d:%d:%d": year, month, day, hour, minute, second without padding.
std::string setupTimeText(const LocalTime& t);
