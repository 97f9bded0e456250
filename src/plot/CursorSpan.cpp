#include "plot/CursorSpan.h"

std::optional<CursorSpan> cursorSpan(const RecordList& series, int from, int to) {
    if (from < 0 || to < from || to >= series.count())
        return std::nullopt;
    CursorSpan span;
    double max = 0;
    double min = 150;
    double sum = 0;
    for (int i = from; i <= to; ++i) {
        const double v = series[i].value();
        if (v > max) {
            max = v;
            span.maxIndex = i;
        }
        if (v < min) {
            min = v;
            span.minIndex = i;
        }
        sum += v;
    }
    span.count = to - from + 1;
    span.average = sum / span.count;
    return span;
}
