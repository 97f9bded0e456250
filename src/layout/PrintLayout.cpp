#include "layout/PrintLayout.h"

#include "model/TextFormat.h"
#include "model/TimeLabels.h"
#include "plot/PlotView.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <utility>

namespace {

constexpr std::uint32_t black = 0x000000;
constexpr std::uint32_t blue = 0x0000FF;

std::string fmt2(double v) {
    return formatFixed(v, 2);
}

PrintOp text(int x, int y, std::string s) {
    PrintOp op;
    op.kind = PrintOp::Kind::Text;
    op.x = x;
    op.y = y;
    op.text = std::move(s);
    return op;
}

PrintOp line(int x1, int y1, int x2, int y2, int pen = 1, std::uint32_t color = black) {
    PrintOp op;
    op.kind = PrintOp::Kind::Line;
    op.x = x1;
    op.y = y1;
    op.x2 = x2;
    op.y2 = y2;
    op.penWidth = pen;
    op.color = color;
    return op;
}

std::string stamp(const char* format, const LocalTime& now) {
    char buf[96];
    std::snprintf(buf, sizeof buf, format, now.year, now.month, now.day, now.hour, now.minute,
                  now.second);
    return buf;
}

std::string stampWith(const char* label, const LocalTime& now) {
    char buf[128];
    std::snprintf(buf, sizeof buf, "%s: %d-%d-%d  %d:%d:%d", label, now.year, now.month, now.day,
                  now.hour, now.minute, now.second);
    return buf;
}

} // namespace

PrintPlotView printPlotView(const PlotView& view, int windowWidth) {
    PrintPlotView v;
    v.plotWidth = view.plotWidth;
    v.plotHeight = view.plotHeight;
    v.xScale = view.xScale;
    v.yScale = view.yScale;
    v.xMin = view.xMin;
    v.xOrigin = view.xOrigin;
    v.yOrigin = view.yOrigin;
    v.windowWidth = windowWidth;
    return v;
}

int textLength(const std::string& utf8) {
    return static_cast<int>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

int dataLinesPerPage(const PrintMetrics& m) {
    const int f = m.height / 80;
    const int lines = m.lineHeight > 0 ? (m.height - 4 * f) / m.lineHeight : 0;
    return std::max(lines, 8);
}

std::vector<PrintPage> layoutDataPrintout(const RecordList& series, const SeriesStats& stats,
                                          const PrintMetrics& m, const LocalTime& now) {
    std::vector<PrintPage> pages;
    if (series.empty())
        return pages;
    const int B = m.height;
    const int D = m.width;
    const int F = B / 80;
    const int G = B / 130;
    const int L = m.lineHeight;
    const int P = dataLinesPerPage(m);

    using namespace printText;
    const int V = (textLength(interval) + 4) * G;
    const int C1 = 4 * G;
    const int C2 = 11 * G;
    const int C3 = (textLength(dateTime) + 19) * G;
    const int C4 = (textLength(unit) + textLength(dateTime) + 21) * G;
    const int R = (textLength(value) + textLength(unit) + textLength(dateTime) + 23) * G;

    auto headings = [&](PrintPage& page, int y) {
        page.push_back(text(C1, y, "ID"));
        page.push_back(text(C2, y, dateTime));
        page.push_back(text(C3, y, unit));
        page.push_back(text(C4, y, value));
    };
    auto footer = [&](PrintPage& page) {
        const int y = B - F;
        const std::string time = stamp("Time: %d-%d-%d  %d:%d:%d", now);
        page.push_back(text(D / 3 - textLength(time) * G, y, time));
        char buf[32];
        std::snprintf(buf, sizeof buf, "Page -%d-", static_cast<int>(pages.size()));
        page.push_back(text(D / 3 + G, y, buf));
    };

    pages.emplace_back();
    PrintPage* page = &pages.back();
    page->push_back(text(D / 4 - 5 * G, F, table));
    const std::pair<const char*, std::string> summary[] = {
        {startTime, stats.startTime},
        {maximum, fmt2(stats.maxValue) + "   " + stats.maxTime},
        {minimum, fmt2(stats.minValue) + "   " + stats.minTime},
        {average, fmt2(stats.average)},
        {interval, fmt2(stats.samplingRate)},
    };
    for (int s = 0; s < 5; ++s) {
        page->push_back(text(4 * G, F + (s + 1) * L, summary[s].first));
        page->push_back(text(V, F + (s + 1) * L, summary[s].second));
    }
    headings(*page, F + 7 * L);

    for (std::size_t n = 1; n <= series.size(); ++n) {
        const CObjData& r = series[n - 1];
        const std::size_t k = n + 6;
        const int mPos = k % P == 0 ? P : static_cast<int>(k % P);
        const int y = F + L + mPos * L;
        page->push_back(text(C1, y, std::to_string(n)));
        page->push_back(text(C2, y, std::string(r.dateTime())));
        page->push_back(text(C3, y, std::string(r.unit())));
        page->push_back(text(C4, y, fmt2(r.value())));
        page->push_back(line(C1, y, R, y));
        if (k % P == 0) {
            footer(*page);
            pages.emplace_back();
            page = &pages.back();
            page->push_back(text(D / 4 - 4 * G, F, table));
            headings(*page, F + L);
        }
    }
    footer(*page);
    return pages;
}

PrintPage layoutDiagramPrintout(const RecordList& series, const SeriesStats& stats,
                                const PrintPlotView& v, const PrintMetrics& m, const LocalTime& now,
                                bool* timeFormatError) {
    if (timeFormatError)
        *timeFormatError = false;
    PrintPage page;
    if (series.empty() || v.plotWidth <= 0 || v.plotHeight <= 0 || v.xScale <= 0 || v.yScale <= 0)
        return page;
    const int B = m.height;
    const int D = m.width;
    const int L = m.lineHeight;
    const int d = B / 130;
    const int w = 8 * d;
    const int u = 4 * (B / 80);
    const int o = D / 130;
    const double H = v.plotWidth / static_cast<double>(std::max(D - 16 * d, 1));
    const double Vr = v.plotHeight / static_cast<double>(std::max(B / 2 - u, 1));
    const auto n = static_cast<long long>(series.size());

    auto px = [&](long long i) {
        return static_cast<int>(w + ((i - (v.xOrigin - v.xMin)) / v.xScale) / H);
    };
    auto py = [&](long long i) {
        return static_cast<int>(
            u +
            (v.plotHeight - (series[static_cast<std::size_t>(i)].value() - v.yOrigin) / v.yScale) /
                Vr);
    };

    // The curve, then white over everything outside the plot: that is its clipping.
    const double last = std::min(static_cast<double>(n), v.plotWidth * v.xScale + v.xOrigin + 2);
    const long long first = std::max(0LL, static_cast<long long>(v.xOrigin));
    for (long long i = first; i + 1 < last; ++i)
        page.push_back(line(px(i), py(i), px(i + 1), py(i + 1), 1, blue));
    if (2.0 / v.xScale > 6.0) {
        for (long long i = first; i + 1 < last; ++i) {
            PrintOp c;
            c.kind = PrintOp::Kind::Circle;
            c.x = px(i) - 2;
            c.y = py(i) - 2;
            c.x2 = px(i) + 2;
            c.y2 = py(i) + 2;
            c.penWidth = 4;
            page.push_back(c);
        }
    }
    const int plotRight = static_cast<int>(w + v.windowWidth / H);
    const int rects[4][4] = {
        {0, 0, plotRight, u}, {0, 0, w, B}, {w, B / 2, plotRight, B}, {plotRight, 0, D, B}};
    for (const auto& r : rects) {
        PrintOp op;
        op.kind = PrintOp::Kind::WhiteRect;
        op.x = r[0];
        op.y = r[1];
        op.x2 = r[2];
        op.y2 = r[3];
        page.push_back(op);
    }

    // Y grid with its labels, and the Y axis.
    const int plotBottom = static_cast<int>(u + v.plotHeight / Vr);
    for (int h = 10; h >= 0; --h) {
        const std::string label =
            formatFixed(v.yOrigin + (v.plotHeight * (10 - h) / 10) * v.yScale, 1);
        const int y = static_cast<int>(u + (v.plotHeight * h / 10) / Vr);
        page.push_back(text(w - 5 * o, y - L / 2, label));
        page.push_back(line(w, y, static_cast<int>(w + v.plotWidth / H), y));
    }
    page.push_back(line(w, u, w, plotBottom));

    // X grid and time labels.
    const TickLabels labels = computeTickLabels(series, v.plotWidth, v.xScale, v.xOrigin, v.xMin);
    for (int j = 0; j <= 5; ++j) {
        const int xj = static_cast<int>(w + (j * v.plotWidth / 5) / H);
        page.push_back(line(xj, u, xj, plotBottom));
        if (j < labels.count) {
            const int width = m.textWidth ? m.textWidth(labels.text[j]) : 0;
            page.push_back(text(xj - width / 2, plotBottom + L / 2, labels.text[j]));
        }
    }
    if (timeFormatError)
        *timeFormatError = labels.timeFormatError;

    // Heading and summary.
    using namespace printText;
    page.push_back(text(D / 2 - (textLength(curve) / 2) * o, B / 80, curve));
    const std::string when = stampWith(printText::time, now);
    page.push_back(text(D / 2 - (textLength(when) / 2) * o, 2 * (B / 80), when));
    const int top = B / 2 + u;
    // Each text of a summary line at its column, but never closer than a blank
    // to the text before it: the columns are counted in characters of a fixed
    // width, and a long label or a level of 100 dB and more would run on.
    const int blank = m.textWidth ? m.textWidth(" ") : 0;
    auto summaryLine = [&](int s, std::initializer_list<std::pair<int, std::string>> texts) {
        int end = 0;
        for (const auto& [x, t] : texts) {
            const int at = std::max(w + x * o, end > 0 ? end + blank : 0);
            page.push_back(text(at, top + s * L, t));
            end = at + (m.textWidth ? m.textWidth(t) : 0);
        }
    };
    summaryLine(0, {{0, startTime}, {textLength(startTime), stats.startTime}});
    summaryLine(1, {{0, maximum},
                    {textLength(maximum) + 4, fmt2(stats.maxValue)},
                    {textLength(maximum) + 10, stats.maxTime}});
    summaryLine(2, {{0, minimum},
                    {textLength(minimum) + 4, fmt2(stats.minValue)},
                    {textLength(minimum) + 10, stats.minTime}});
    summaryLine(3, {{0, interval}, {textLength(interval) + 4, fmt2(stats.samplingRate)}});
    summaryLine(4, {{0, average}, {textLength(average) + 4, fmt2(stats.average)}});
    return page;
}
