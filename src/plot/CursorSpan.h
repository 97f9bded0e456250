#pragma once

#include "model/RecordList.h"

#include <cstddef>
#include <optional>

// The read-out between cursor A and cursor B, both inclusive.
struct CursorSpan {
    // The first sample above 0 dB with the highest level; none when no level
    // in the span is above 0 (the read-out then keeps its previous text).
    std::optional<std::size_t> maxIndex;
    // The first sample below 150 dB with the lowest level, likewise.
    std::optional<std::size_t> minIndex;
    double average = 0;
    int count = 0;
};

// Nothing when the indices do not describe a span inside the series
// (from < 0, to < from or to past the end): a parent may still hold an index
// from a series that has since been cleared or replaced.
std::optional<CursorSpan> cursorSpan(const RecordList& series, int from, int to);
