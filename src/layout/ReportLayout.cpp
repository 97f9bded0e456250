#include "layout/ReportLayout.h"

#include "model/TextFormat.h"
#include "model/TimeLabels.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

using Op = ReportOp;
using Style = ReportOp::Style;
using Align = ReportOp::Align;

constexpr double left = 20.0;
constexpr double right = reportPageWidth - 20.0;
constexpr double contentWidth = right - left;
constexpr double top = 22.0;     // below the running head
constexpr double bottom = 278.0; // above the footer
constexpr double rowHeight = 5.2;
constexpr double lineHeight = 4.6; // body text
constexpr std::uint32_t rule = 0x808080;
constexpr std::uint32_t shade = 0xE8ECF2;
constexpr std::uint32_t curveColour = 0x1F4E9A;
constexpr std::uint32_t limitColour = 0xC00000;
constexpr std::uint32_t gridColour = 0xC8C8C8;

std::string level(double v) {
    return formatFixed(v, 1);
}
std::string percent(double fraction) {
    return formatFixed(100.0 * fraction, 1) + " %";
}

std::string duration(double seconds) {
    const auto s = static_cast<long long>(std::llround(seconds));
    char buf[48];
    std::snprintf(buf, sizeof buf, "%lld:%.2lld:%.2lld", s / 3600, s / 60 % 60, s % 60);
    return buf;
}

std::string localTimeText(const LocalTime& t) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.2d-%.2d-%d %.2d:%.2d", t.day, t.month, t.year, t.hour,
                  t.minute);
    return buf;
}

std::string hours(int h) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%.2d:00", h);
    return buf;
}

// Places blocks down the pages, starting a new page when a block does not fit.
class Flow {
  public:
    explicit Flow(std::vector<ReportPage>& pages) : pages_(pages) { newPage(); }

    double y() const { return y_; }
    void advance(double h) { y_ += h; }
    // Room for h more millimetres, on a new page if need be.
    void need(double h) {
        if (y_ + h > bottom)
            newPage();
    }
    void newPage() {
        pages_.emplace_back();
        y_ = top;
    }
    std::vector<Op>& ops() { return pages_.back().ops; }

    void text(double x, double w, const std::string& s, Style style = Style::Body,
              Align align = Align::Left, double h = lineHeight) {
        Op op;
        op.kind = Op::Kind::Text;
        op.x = x;
        op.y = y_;
        op.w = w;
        op.h = h;
        op.text = s;
        op.style = style;
        op.align = align;
        ops().push_back(std::move(op));
    }
    void line(double x1, double y1, double x2, double y2, double pen = 0.2,
              std::uint32_t colour = rule, bool dashed = false) {
        Op op;
        op.kind = Op::Kind::Line;
        op.x = x1;
        op.y = y1;
        op.w = x2 - x1;
        op.h = y2 - y1;
        op.pen = pen;
        op.color = colour;
        op.dashed = dashed;
        ops().push_back(std::move(op));
    }
    void rect(double x, double y, double w, double h, std::optional<std::uint32_t> fill,
              double pen = 0.0) {
        Op op;
        op.kind = Op::Kind::Rect;
        op.x = x;
        op.y = y;
        op.w = w;
        op.h = h;
        op.fill = fill;
        op.pen = pen;
        op.color = rule;
        ops().push_back(std::move(op));
    }

    // A numbered heading, kept with at least `keep` millimetres of what follows.
    void heading(const std::string& s, double keep = 20.0) {
        need(9.0 + keep);
        if (y_ > top)
            advance(3.0);
        text(left, contentWidth, s, Style::Heading, Align::Left, 6.0);
        advance(6.2);
        line(left, y_, right, y_, 0.3, 0x1F4E9A);
        advance(2.0);
    }
    void paragraph(const std::string& s, Style style = Style::Body) {
        need(lineHeight);
        text(left, contentWidth, s, style);
        advance(lineHeight);
    }

  private:
    std::vector<ReportPage>& pages_;
    double y_ = top;
};

// A table: column widths in millimetres, first row optionally a heading row.
struct Column {
    const char* title;
    double width;
    Align align;
};

void tableRow(Flow& f, const std::vector<Column>& cols, const std::vector<std::string>& cells,
              bool head, bool shaded) {
    if (head || shaded)
        f.rect(left, f.y(), contentWidth, rowHeight, head ? 0xD5DCE8 : shade);
    double x = left;
    for (std::size_t i = 0; i < cols.size(); ++i) {
        const std::string& s = head ? std::string(cols[i].title) : cells[i];
        f.text(x + 1.2, cols[i].width - 2.4, s, head ? Style::Bold : Style::Body,
               head ? (cols[i].align == Align::Left ? Align::Left : Align::Right) : cols[i].align,
               rowHeight);
        x += cols[i].width;
    }
    f.advance(rowHeight);
}

// At least this many rows of a table go onto a page it runs onto, so that
// no page holds a lone row.
constexpr std::size_t carriedRows = 3;

// A table that runs over pages, repeating its heading row on each.
void table(Flow& f, const std::vector<Column>& cols,
           const std::vector<std::vector<std::string>>& rows) {
    f.need(2 * rowHeight);
    tableRow(f, cols, {}, true, false);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const std::size_t rest = rows.size() - r;
        const auto fit = static_cast<std::size_t>(std::max(0.0, (bottom - f.y()) / rowHeight));
        // The last few rows go over together rather than the last one alone.
        const bool keepTogether = r > 0 && rest == carriedRows && fit < rest;
        if (f.y() + rowHeight > bottom || keepTogether) {
            f.line(left, f.y(), right, f.y());
            f.newPage();
            tableRow(f, cols, {}, true, false);
        }
        tableRow(f, cols, rows[r], false, r % 2 == 1);
    }
    f.line(left, f.y(), right, f.y());
    f.advance(1.5);
}

// Label / value pairs in two columns of pairs.
void pairs(Flow& f, const std::vector<std::pair<std::string, std::string>>& items) {
    const double labelW = 38.0, valueW = contentWidth / 2 - labelW;
    for (std::size_t i = 0; i < items.size(); i += 2) {
        f.need(rowHeight);
        if (i / 2 % 2 == 1)
            f.rect(left, f.y(), contentWidth, rowHeight, shade);
        for (std::size_t k = 0; k < 2 && i + k < items.size(); ++k) {
            const double x = left + k * contentWidth / 2;
            f.text(x + 1.2, labelW - 1.2, items[i + k].first, Style::Bold, Align::Left, rowHeight);
            f.text(x + labelW, valueW - 2.4, items[i + k].second, Style::Body, Align::Left,
                   rowHeight);
        }
        f.advance(rowHeight);
    }
    f.advance(1.5);
}

// ---- the curve

struct Tick {
    double seconds;
    const char* format; // how the labels read
};

double niceTimeStep(double span) {
    static constexpr double steps[] = {10,   30,   60,    120,   300,   600,   900,    1800,
                                       3600, 7200, 10800, 21600, 43200, 86400, 172800, 604800};
    for (double s : steps)
        if (span / s <= 8)
            return s;
    return 604800;
}

void curve(Flow& f, const ReportInput& in, const std::vector<double>& starts, double end) {
    const RecordList& s = *in.series;
    const double boxH = 78.0;
    f.need(boxH + 12.0);
    const double x0 = left + 12.0, x1 = right - 2.0;
    const double y0 = f.y() + 6.0, y1 = y0 + boxH - 14.0;

    double lo = s.values().front(), hi = lo;
    for (double v : s.values()) {
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    if (in.limit) {
        lo = std::min(lo, *in.limit);
        hi = std::max(hi, *in.limit);
    }
    double yLo = std::floor(lo / 10.0) * 10.0, yHi = std::ceil(hi / 10.0) * 10.0;
    if (yHi - yLo < 20.0)
        yHi = yLo + 20.0;
    const double yStep = yHi - yLo > 60.0 ? 20.0 : 10.0;
    auto yOf = [&](double v) { return y1 - (v - yLo) / (yHi - yLo) * (y1 - y0); };

    const double t0 = starts.front();
    const double span = std::max(end - t0, 1.0);
    auto xOf = [&](double t) { return x0 + (t - t0) / span * (x1 - x0); };

    f.rect(x0, y0, x1 - x0, y1 - y0, 0xFFFFFF, 0.25);
    for (double v = yLo; v <= yHi + 1e-9; v += yStep) {
        const double y = yOf(v);
        if (v > yLo && v < yHi)
            f.line(x0, y, x1, y, 0.1, gridColour);
        Op label;
        label.kind = Op::Kind::Text;
        label.x = left - 2.0;
        label.y = y - 2.0;
        label.w = 12.5;
        label.h = 4.0;
        label.text = formatFixed(v, 0);
        label.style = Style::Small;
        label.align = Align::Right;
        f.ops().push_back(label);
    }
    {
        Op unit;
        unit.kind = Op::Kind::Text;
        unit.x = left - 2.0;
        unit.y = y0 - 5.5;
        unit.w = 12.5;
        unit.h = 4.0;
        unit.text = "dB";
        unit.style = Style::Small;
        unit.align = Align::Right;
        f.ops().push_back(unit);
    }
    const double step = niceTimeStep(span);
    const double firstTick = std::ceil(t0 / step) * step;
    const bool seconds = step < 60;
    const bool days = span > 86400;
    for (double t = firstTick; t <= end + 1e-9; t += step) {
        const double x = xOf(t);
        f.line(x, y0, x, y1, 0.1, gridColour);
        f.line(x, y1, x, y1 + 1.2, 0.2, 0x000000);
        const DateTime c = addSeconds(DateTime{}, static_cast<std::int64_t>(t));
        char buf[32];
        if (days)
            std::snprintf(buf, sizeof buf, "%.2d.%.2d %.2d:%.2d", c.day, c.month, c.hour, c.minute);
        else if (seconds)
            std::snprintf(buf, sizeof buf, "%.2d:%.2d:%.2d", c.hour, c.minute, c.second);
        else
            std::snprintf(buf, sizeof buf, "%.2d:%.2d", c.hour, c.minute);
        Op label;
        label.kind = Op::Kind::Text;
        label.x = x - 12.0;
        label.y = y1 + 1.5;
        label.w = 24.0;
        label.h = 4.0;
        label.text = buf;
        label.style = Style::Small;
        label.align = Align::Center;
        f.ops().push_back(label);
    }

    // The levels, a column of min and max per 0.25 mm; broken where the readings have a gap.
    const int columns = static_cast<int>((x1 - x0) * 4.0);
    Op poly;
    poly.kind = Op::Kind::Polyline;
    poly.pen = 0.18;
    poly.color = curveColour;
    auto flush = [&] {
        if (poly.points.size() > 1)
            f.ops().push_back(poly);
        poly.points.clear();
    };
    int column = -1;
    double cMin = 0, cMax = 0;
    double prevEnd = t0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = starts[i];
        const int c = std::clamp(static_cast<int>((t - t0) / span * columns), 0, columns - 1);
        const double v = s[i].value();
        const bool gap = i > 0 && t > prevEnd + 1.0;
        if (c != column || gap) {
            if (column >= 0) {
                const double x = x0 + (column + 0.5) * (x1 - x0) / columns;
                poly.points.emplace_back(x, yOf(cMax));
                if (cMin != cMax)
                    poly.points.emplace_back(x, yOf(cMin));
            }
            if (gap)
                flush();
            column = c;
            cMin = cMax = v;
        } else {
            cMin = std::min(cMin, v);
            cMax = std::max(cMax, v);
        }
        prevEnd = t + s[i].samplingRate();
    }
    const double x = x0 + (column + 0.5) * (x1 - x0) / columns;
    poly.points.emplace_back(x, yOf(cMax));
    if (cMin != cMax)
        poly.points.emplace_back(x, yOf(cMin));
    if (poly.points.size() == 1) // a single reading: a short level mark
        poly.points.emplace_back(x + 0.5, yOf(cMax));
    flush();

    if (in.limit) {
        const double y = yOf(*in.limit);
        f.line(x0, y, x1, y, 0.35, limitColour, true);
        Op label;
        label.kind = Op::Kind::Text;
        label.x = x1 - 60.0;
        label.y = y - 4.6;
        label.w = 59.0;
        label.h = 4.0;
        label.text = fillIn(in.texts.limitLine, {level(*in.limit)});
        label.style = Style::Small;
        label.align = Align::Right;
        label.color = limitColour;
        f.ops().push_back(label);
    }
    f.advance(boxH);
}

// A paragraph wrapped over at most `lines` lines of body text.
void wrapped(Flow& f, const std::string& s, Style style, int lines = 2) {
    const double h = lines * lineHeight;
    f.need(h);
    Op op;
    op.kind = Op::Kind::Text;
    op.x = left;
    op.y = f.y();
    op.w = contentWidth;
    op.h = h;
    op.text = s;
    op.style = style;
    op.wrap = true;
    f.ops().push_back(op);
    f.advance(h);
}

// The notes the user typed, wrapped in a box of three lines.
void notesBlock(Flow& f, const ReportTexts& t, const std::string& notes) {
    if (notes.empty())
        return;
    f.need(3 * lineHeight + 2);
    f.text(left + 1.2, 36.8, t.notes, Style::Bold, Align::Left, rowHeight);
    Op op;
    op.kind = Op::Kind::Text;
    op.x = left + 38.0;
    op.y = f.y() + 0.4;
    op.w = contentWidth - 39.0;
    op.h = 3 * lineHeight;
    op.text = notes;
    op.wrap = true;
    f.ops().push_back(op);
    f.advance(3 * lineHeight + 2);
}

// The report's title and its block: what was measured where, by whom and
// when, then the user's notes; the same at the top of every kind of report.
void titleBlock(Flow& f, const ReportTexts& t, const ReportTitle& title, const LocalTime& now,
                const std::string& start, const std::string& end, const std::string& readings,
                const std::string& rate) {
    f.text(left, contentWidth, t.title, Style::Title, Align::Left, 9.0);
    f.advance(11.0);
    const std::string dash = "–";
    auto orDash = [&](const std::string& typed) { return typed.empty() ? dash : typed; };
    pairs(f, {{t.site, orDash(title.site)},
              {t.reportDate, localTimeText(now)},
              {t.operatorName, orDash(title.operatorName)},
              {t.meter, orDash(title.meter)},
              {t.start, start},
              {t.end, end},
              {t.readings, readings},
              {t.samplingRate, rate}});
    notesBlock(f, t, title.notes);
}

// Running head and footer on every page, once the count is known.
void furnish(std::vector<ReportPage>& pages, const ReportTexts& t, const ReportTitle& title,
             const LocalTime& now) {
    const std::string head = t.title + (title.site.empty() ? std::string() : " – " + title.site);
    for (std::size_t p = 0; p < pages.size(); ++p) {
        auto& ops = pages[p].ops;
        auto put = [&](double y, double wBox, double xBox, const std::string& words, Align a) {
            Op op;
            op.kind = Op::Kind::Text;
            op.x = xBox;
            op.y = y;
            op.w = wBox;
            op.h = 4.0;
            op.text = words;
            op.style = Style::Small;
            op.align = a;
            op.color = 0x505050;
            ops.push_back(op);
        };
        if (p > 0)
            put(12.0, contentWidth - 32.0, left, head, Align::Left);
        put(12.0, contentWidth, left, localTimeText(now), Align::Right);
        Op l;
        l.kind = Op::Kind::Line;
        l.x = left;
        l.y = 17.0;
        l.w = contentWidth;
        l.color = rule;
        ops.push_back(l);
        l.y = 283.0;
        ops.push_back(l);
        put(285.0, contentWidth, left, "Vrel", Align::Left);
        put(285.0, contentWidth, left,
            fillIn(t.page, {std::to_string(p + 1), std::to_string(pages.size())}), Align::Center);
    }
}

constexpr std::size_t maxListedExceedances = 40;

} // namespace

std::string notApplicableText(const ReportTexts& t, NotApplicable why) {
    switch (why) {
    case NotApplicable::None:
        return {};
    case NotApplicable::NoReadings:
        return t.noReadings;
    case NotApplicable::NotAWeighted:
        return t.notAWeighted;
    case NotApplicable::MixedWeighting:
        return t.mixedWeighting;
    case NotApplicable::NoTimeStamps:
        return t.noTimeStamps;
    }
    return {};
}

std::string euValueName(const ReportTexts& t, EuActionValue v) {
    switch (v) {
    case EuActionValue::None:
        return t.euNone;
    case EuActionValue::Lower:
        return t.euLower;
    case EuActionValue::Upper:
        return t.euUpper;
    case EuActionValue::Limit:
        return t.euLimit;
    }
    return {};
}

std::string fillIn(const std::string& text, const std::vector<std::string>& args) {
    // One pass, so a figure that itself holds "%2" is never replaced again.
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool mark = text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' &&
                          static_cast<std::size_t>(text[i + 1] - '1') < args.size();
        if (mark)
            out += args[static_cast<std::size_t>(text[++i] - '1')];
        else
            out += text[i];
    }
    return out;
}

std::vector<Exceedance> findExceedances(const RecordList& series, double limit) {
    std::vector<Exceedance> out;
    for (std::size_t i = 0; i < series.size(); ++i) {
        const double v = series.values()[i];
        if (v <= limit)
            continue;
        if (out.empty() || out.back().first + out.back().count != i)
            out.push_back({i, 0, v});
        ++out.back().count;
        out.back().lmax = std::max(out.back().lmax, v);
    }
    return out;
}

std::vector<ReportPage> layoutReport(const ReportInput& in) {
    std::vector<ReportPage> pages;
    if (!in.series || in.series->empty())
        return pages;
    const RecordList& s = *in.series;
    const NoiseFigures figures = computeNoiseFigures(s, 0, s.size(), in.settings);
    // The readings' own interval when the summary carries none (a recording's first moments).
    const double rate = in.stats.samplingRate > 0 ? in.stats.samplingRate : s[0].samplingRate();
    const AcousticSummary acoustic = summarize(s, 0, s.size(), rate, in.limit);
    const ExposureFigures& x = figures.exposure;
    EnvironmentFigures env = figures.environment;
    if (in.span) {
        // What the readings do not cover of the span is a gap, at its ends too.
        env.spanSeconds = in.span->end - in.span->start;
        env.gapSeconds = std::max(0.0, env.spanSeconds - env.coveredSeconds);
    }
    // Readings stamped to the second may run past the last stamp: the
    // measured time is never less than the time they cover.
    env.spanSeconds = std::max(env.spanSeconds, env.coveredSeconds);

    // Each reading's place on the clock, or its place in the series when a stamp is unreadable.
    std::vector<double> starts(s.size());
    ReadingClock clock;
    bool clockKnown = true;
    for (std::size_t i = 0; i < s.size() && clockKnown; ++i) {
        const auto t = clock.place(s[i]);
        clockKnown = t.has_value();
        starts[i] = t.value_or(0.0);
    }
    double end = clock.end();
    if (!clockKnown) {
        double t = 0.0;
        for (std::size_t i = 0; i < s.size(); ++i) {
            starts[i] = t;
            t += s[i].samplingRate();
        }
        end = t;
    }
    auto clockPart = [](const std::string& dateTime) {
        const auto comma = dateTime.find(',');
        return comma == std::string::npos ? dateTime : dateTime.substr(comma + 1);
    };
    auto timeOf = [&](double t) {
        return clockKnown ? formatDateTime(addSeconds(DateTime{}, std::llround(t)))
                          : duration(t - starts.front());
    };

    const ReportTexts& t = in.texts;
    Flow f(pages);
    const std::string dash = "–";
    const bool spanKnown = in.span && clockKnown;
    titleBlock(f, t, in.title, in.now, timeOf(spanKnown ? in.span->start : starts.front()),
               timeOf(spanKnown ? in.span->end : end), std::to_string(s.size()),
               formatFixed(rate, 1) + " s");

    f.heading(t.curve, 80.0);
    curve(f, in, starts, end);

    f.heading(t.summary, 40.0);
    const std::string w = acoustic.weighting == "dBA"   ? "dB(A)"
                          : acoustic.weighting == "dBC" ? "dB(C)"
                                                        : "dB";
    pairs(f, {{"Leq", level(acoustic.leq) + " " + w},
              {"SEL", level(acoustic.sel) + " " + w},
              {"Lmax", level(acoustic.lmax) + " " + w + "  (" + clockPart(in.stats.maxTime) + ")"},
              {"Lmin", level(acoustic.lmin) + " " + w + "  (" + clockPart(in.stats.minTime) + ")"},
              {"L5 / L10", level(acoustic.ln[0]) + " / " + level(acoustic.ln[1]) + " " + w},
              {"L50", level(acoustic.ln[2]) + " " + w},
              {"L90 / L95", level(acoustic.ln[3]) + " / " + level(acoustic.ln[4]) + " " + w},
              {t.average, fillIn(t.averageValue, {level(in.stats.average)})},
              {t.unit, acoustic.weighting},
              {t.limit, in.limit ? level(*in.limit) + " dB" : t.noLimit}});

    // Exposure.
    f.heading(t.exposure, 30.0);
    if (x.notApplicable != NotApplicable::None) {
        f.paragraph(fillIn(t.notApplicable, {notApplicableText(t, x.notApplicable)}));
    } else {
        const std::string te = duration(x.shiftSeconds) + " (" +
                               (x.shiftGiven ? t.enteredShift : t.measuredDuration) + ")";
        auto twa = [&](const std::optional<double>& v) {
            return v ? level(*v) + " dB(A)" : "– (" + t.zeroDose + ")";
        };
        pairs(f, {{t.measured, duration(x.measuredSeconds)},
                  {"Te", te},
                  {"LAeq,Te", level(x.laeq) + " dB(A)"},
                  {"LEX,8h", level(x.lex8h) + " dB(A)"},
                  {t.oshaDose, formatFixed(x.oshaDose, 1) + " %"},
                  {"OSHA TWA", twa(x.oshaTwa)},
                  {t.nioshDose, formatFixed(x.nioshDose, 1) + " %"},
                  {"NIOSH TWA", twa(x.nioshTwa)}});
        const std::vector<Column> cols = {{t.euColumn.c_str(), 70, Align::Left},
                                          {"LEX,8h", 40, Align::Right},
                                          {t.status.c_str(), 60, Align::Right}};
        std::vector<std::vector<std::string>> rows;
        struct EuRow {
            EuActionValue value;
            const std::string& name;
            double lex;
        };
        for (const EuRow& r : {EuRow{EuActionValue::Lower, t.lowerAction, euLowerActionValue},
                               EuRow{EuActionValue::Upper, t.upperAction, euUpperActionValue},
                               EuRow{EuActionValue::Limit, t.limitValue, euLimitValue}})
            rows.push_back(
                {r.name, level(r.lex) + " dB(A)", x.reached >= r.value ? t.reached : t.notReached});
        table(f, cols, rows);
        f.paragraph(fillIn(t.highestReached, {euValueName(t, x.reached)}), Style::Bold);
    }

    // Environment.
    f.heading(t.environment, 40.0);
    if (env.notApplicable != NotApplicable::None) {
        f.paragraph(fillIn(t.notApplicable, {notApplicableText(t, env.notApplicable)}));
    } else {
        const PeriodBounds b = in.settings.bounds.valid() ? in.settings.bounds : PeriodBounds{};
        pairs(f, {{t.span, duration(env.spanSeconds)},
                  {t.covered, duration(env.coveredSeconds)},
                  {t.gap, duration(env.gapSeconds)},
                  {t.days, std::to_string(env.days)}});
        const std::vector<Column> cols = {{t.indicator.c_str(), 40, Align::Left},
                                          {t.hours.c_str(), 35, Align::Left},
                                          {t.level.c_str(), 30, Align::Right},
                                          {t.coverage.c_str(), 30, Align::Right},
                                          {t.status.c_str(), 35, Align::Right}};
        auto row = [&](const std::string& name, int from, int to, const PeriodFigures& p) {
            return std::vector<std::string>{name, hours(from) + "–" + hours(to),
                                            p.present ? level(p.level) + " dB" : dash,
                                            p.present ? percent(p.coverage) : dash,
                                            !p.present       ? t.noReading
                                            : p.incomplete() ? t.incomplete
                                                             : t.complete};
        };
        std::vector<std::vector<std::string>> rows = {
            row(t.lday, b.dayStart, b.eveningStart, env.day),
            row(t.levening, b.eveningStart, b.nightStart, env.evening),
            row(t.lnight, b.nightStart, b.dayStart, env.night),
        };
        rows.push_back({"Lden", t.allDay, env.lden ? level(*env.lden) + " dB" : dash, dash,
                        !env.lden              ? t.periodMissing
                        : env.ldenIncomplete() ? t.incomplete
                                               : t.complete});
        table(f, cols, rows);
    }

    // Limit exceedances.
    f.heading(t.exceedances, 20.0);
    if (!in.limit) {
        f.paragraph(t.noLimitSet);
    } else {
        const auto runs = findExceedances(s, *in.limit);
        f.paragraph(
            fillIn(t.aboveSummary, {level(*in.limit), std::to_string(acoustic.aboveCount),
                                    duration(acoustic.aboveSeconds), std::to_string(runs.size())}));
        if (!runs.empty()) {
            // The longest runs, in time order, so a noisy day keeps to a page.
            std::vector<std::size_t> listed(runs.size());
            for (std::size_t i = 0; i < listed.size(); ++i)
                listed[i] = i;
            if (listed.size() > maxListedExceedances) {
                std::stable_sort(listed.begin(), listed.end(), [&](std::size_t a, std::size_t b) {
                    return runs[a].count > runs[b].count;
                });
                listed.resize(maxListedExceedances);
                std::sort(listed.begin(), listed.end());
            }
            const std::vector<Column> cols = {{t.number.c_str(), 15, Align::Right},
                                              {t.start.c_str(), 50, Align::Left},
                                              {t.end.c_str(), 50, Align::Left},
                                              {t.duration.c_str(), 25, Align::Right},
                                              {"Lmax", 30, Align::Right}};
            std::vector<std::vector<std::string>> rows;
            for (const std::size_t i : listed) {
                const Exceedance& r = runs[i];
                const std::size_t lastIndex = r.first + r.count - 1;
                rows.push_back({std::to_string(i + 1), timeOf(starts[r.first]),
                                timeOf(starts[lastIndex] + s[lastIndex].samplingRate()),
                                duration(static_cast<double>(r.count) * rate),
                                level(r.lmax) + " dB"});
            }
            table(f, cols, rows);
            if (listed.size() < runs.size())
                f.paragraph(fillIn(t.longestListed, {std::to_string(listed.size()),
                                                     std::to_string(runs.size() - listed.size())}),
                            Style::Small);
        }
    }

    // Interval table.
    if (env.notApplicable == NotApplicable::None && !env.intervals.empty()) {
        f.heading(fillIn(t.intervals, {intervalName(env.intervalSeconds)}), 30.0);
        const std::vector<Column> cols = {{t.start.c_str(), 40, Align::Left},
                                          {"Leq", 21, Align::Right},
                                          {"Lmax", 21, Align::Right},
                                          {"Lmin", 21, Align::Right},
                                          {"L10", 21, Align::Right},
                                          {"L90", 21, Align::Right},
                                          {t.coverage.c_str(), 25, Align::Right}};
        std::vector<std::vector<std::string>> rows;
        rows.reserve(env.intervals.size());
        for (const IntervalFigures& i : env.intervals)
            rows.push_back({dateClockOfSeconds(i.start), level(i.leq), level(i.lmax), level(i.lmin),
                            level(i.l10), level(i.l90), percent(i.coverage)});
        table(f, cols, rows);
    }

    furnish(pages, in.texts, in.title, in.now);
    return pages;
}

namespace {

constexpr std::uint32_t bandColour = 0xB4C6E7;
constexpr std::uint32_t gapColour = 0xEDEDED;
constexpr std::uint32_t excludedColour = 0xF6D5D5;
constexpr std::uint32_t residualColour = 0xFBEBC3;
// A curve with its title line and clock labels; reportCurvesPerPage of them fill a page.
constexpr double curveBlock = 84.0;

Op smallText(double x, double y, double w, const std::string& s, Align align,
             std::uint32_t colour = 0x000000) {
    Op op;
    op.kind = Op::Kind::Text;
    op.x = x;
    op.y = y;
    op.w = w;
    op.h = 4.0;
    op.text = s;
    op.style = Style::Small;
    op.align = align;
    op.color = colour;
    return op;
}

// One curve of min/max/Leq columns: the range as a light band, the energy
// average as the line, a gap left without either on a grey ground, so that
// an outage reads as one at a glance.
void columnCurve(Flow& f, const ReportTexts& texts, const ReportCurve& c, double yLo, double yHi,
                 const std::optional<double>& limit) {
    f.need(curveBlock);
    f.text(left, contentWidth, c.title, Style::Bold, Align::Left, rowHeight);
    const double x0 = reportCurveLeft, x1 = x0 + reportCurveWidth;
    const double y0 = f.y() + rowHeight + 5.0, y1 = f.y() + curveBlock - 10.0;
    auto yOf = [&](double v) {
        return y1 - (std::clamp(v, yLo, yHi) - yLo) / (yHi - yLo) * (y1 - y0);
    };

    f.rect(x0, y0, x1 - x0, y1 - y0, 0xFFFFFF, 0.25);
    // What the marks left out, behind the readings that are still drawn.
    for (const auto& [bands, colour] :
         {std::pair{&c.excluded, excludedColour}, std::pair{&c.residual, residualColour}})
        for (const ReportBand& band : *bands)
            f.rect(x0 + band.from * (x1 - x0), y0, std::max((band.to - band.from) * (x1 - x0), 0.2),
                   y1 - y0, colour);
    if (!c.excluded.empty() || !c.residual.empty()) {
        // The key, right of the title.
        double x = x1;
        for (const auto& [word, colour] : {std::pair{&texts.residual, residualColour},
                                           std::pair{&texts.excluded, excludedColour}}) {
            x -= 30.0;
            f.rect(x, f.y() + 1.2, 3.0, 3.0, colour, 0.1);
            f.ops().push_back(smallText(x + 4.0, f.y() + 0.6, 26.0, *word, Align::Left));
        }
    }
    const std::size_t n = c.columns.size();
    const double w = n ? (x1 - x0) / static_cast<double>(n) : 0.0;
    for (std::size_t i = 0; i < n;) {
        if (!c.columns[i].empty) {
            ++i;
            continue;
        }
        std::size_t j = i;
        while (j < n && c.columns[j].empty)
            ++j;
        f.rect(x0 + i * w, y0, (j - i) * w, y1 - y0, gapColour);
        i = j;
    }
    const double yStep = yHi - yLo > 60.0 ? 20.0 : 10.0;
    for (double v = yLo; v <= yHi + 1e-9; v += yStep) {
        const double y = yOf(v);
        if (v > yLo && v < yHi)
            f.line(x0, y, x1, y, 0.1, gridColour);
        f.ops().push_back(smallText(left - 2.0, y - 2.0, 12.5, formatFixed(v, 0), Align::Right));
    }
    f.ops().push_back(smallText(left - 2.0, y0 - 5.5, 12.5, "dB", Align::Right));
    for (const ReportTick& t : c.ticks) {
        const double x = x0 + t.at * (x1 - x0);
        f.line(x, y0, x, y1, 0.1, gridColour);
        f.line(x, y1, x, y1 + 1.2, 0.2, 0x000000);
        if (!t.label.empty())
            f.ops().push_back(smallText(x - 12.0, y1 + 1.5, 24.0, t.label, Align::Center));
    }

    Op line;
    line.kind = Op::Kind::Polyline;
    line.pen = 0.2;
    line.color = curveColour;
    auto flush = [&] {
        if (line.points.size() == 1) // a column alone between gaps: a short level mark
            line.points.emplace_back(line.points.front().first + w, line.points.front().second);
        if (!line.points.empty())
            f.ops().push_back(line);
        line.points.clear();
    };
    for (std::size_t i = 0; i < n; ++i) {
        const ReportColumn& col = c.columns[i];
        if (col.empty) {
            flush();
            continue;
        }
        const double high = yOf(col.max), low = yOf(col.min);
        f.rect(x0 + i * w, high, w, std::max(low - high, 0.15), bandColour);
        line.points.emplace_back(x0 + (i + 0.5) * w, yOf(col.leq));
    }
    flush();

    if (limit) {
        const double y = yOf(*limit);
        f.line(x0, y, x1, y, 0.35, limitColour, true);
        f.ops().push_back(smallText(x1 - 60.0, y - 4.6, 59.0,
                                    fillIn(texts.limitLine, {level(*limit)}), Align::Right,
                                    limitColour));
    }
    f.advance(curveBlock);
}

} // namespace

std::vector<ReportPage> layoutSeriesReport(const SeriesReportInput& in) {
    std::vector<ReportPage> pages;
    if (in.readings == 0)
        return pages;
    const ReportTexts& t = in.texts;
    Flow f(pages);
    titleBlock(f, t, in.title, in.now, in.start, in.end, std::to_string(in.readings), in.intervals);

    f.heading(t.summary, 40.0);
    std::vector<std::pair<std::string, std::string>> figures;
    if (in.allReadings) {
        // What the marks left out changes the figures: the assessed ones
        // beside those of all readings.
        std::vector<std::vector<std::string>> rows;
        for (const SeriesReportFigure& x : in.figures)
            rows.push_back({x.name, x.assessed, x.all});
        rows.push_back({t.covered, duration(in.assessed.coveredSeconds),
                        duration(in.allReadings->coveredSeconds)});
        rows.push_back({t.readings, std::to_string(in.assessed.readings),
                        std::to_string(in.allReadings->readings)});
        const double first = 34.0, rest = (contentWidth - first) / 2;
        table(f,
              {{t.indicator.c_str(), first, Align::Left},
               {t.assessed.c_str(), rest, Align::Right},
               {t.allReadings.c_str(), rest, Align::Right}},
              rows);
        f.advance(1.5);
    } else {
        for (const SeriesReportFigure& x : in.figures)
            figures.emplace_back(x.name, x.assessed);
        figures.emplace_back(t.covered, duration(in.assessed.coveredSeconds));
    }
    figures.emplace_back(t.span, duration(in.spanSeconds));
    figures.emplace_back(t.gapCount, std::to_string(in.gaps));
    // What the marks left out, the residual sound's level beside the
    // source's corrected for it.
    if (in.allReadings || !in.marks.rows.empty()) {
        figures.emplace_back(t.excluded, fillIn(t.leftOut, {std::to_string(in.excluded.readings),
                                                            duration(in.excluded.seconds)}));
        figures.emplace_back(t.residual, fillIn(t.leftOut, {std::to_string(in.residual.readings),
                                                            duration(in.residual.seconds)}));
    }
    figures.insert(figures.end(), in.residualFigures.begin(), in.residualFigures.end());
    figures.emplace_back(t.limit, in.limit ? level(*in.limit) + " dB" : t.noLimit);
    // Each value carries its weighting; only a mix of them needs saying, and
    // a month's daily table keeps to the first page.
    if (in.weighting == "mixed")
        figures.emplace_back(t.unit, in.weighting);
    pairs(f, figures);
    if (in.allReadings || !in.marks.rows.empty())
        wrapped(f, t.marksNote, Style::Small);

    const PeriodBounds& b = in.bounds;
    f.heading(fillIn(t.dailyTable, {hours(b.dayStart)}), 30.0);
    std::vector<Column> cols;
    for (const ReportTable::Column& c : in.days.columns)
        cols.push_back({c.heading.c_str(), c.width, cols.empty() ? Align::Left : Align::Right});
    f.paragraph(
        fillIn(t.periodsNote, {hours(b.dayStart), hours(b.eveningStart), hours(b.nightStart)}),
        Style::Small);
    table(f, cols, in.days.rows);

    if (!in.marks.rows.empty()) {
        f.heading(t.marks, 2 * rowHeight);
        std::vector<Column> markCols;
        for (const ReportTable::Column& c : in.marks.columns)
            markCols.push_back({c.heading.c_str(), c.width, Align::Left});
        table(f, markCols, in.marks.rows);
    }
    if (!in.events.columns.empty()) {
        f.heading(t.events, 2 * rowHeight);
        std::vector<Column> dayCols;
        for (const ReportTable::Column& c : in.eventDays.columns)
            dayCols.push_back(
                {c.heading.c_str(), c.width, dayCols.empty() ? Align::Left : Align::Right});
        table(f, dayCols, in.eventDays.rows);
        if (in.eventCount > in.events.rows.size())
            f.paragraph(fillIn(t.eventsMore, {std::to_string(in.events.rows.size()),
                                              std::to_string(in.eventCount)}),
                        Style::Small);
        std::vector<Column> eventCols;
        for (const ReportTable::Column& c : in.events.columns)
            eventCols.push_back({c.heading.c_str(), c.width, Align::Right});
        table(f, eventCols, in.events.rows);
    }
    if (!in.background.rows.empty()) {
        f.heading(t.background, 2 * rowHeight);
        f.paragraph(t.backgroundNote, Style::Small);
        std::vector<Column> backgroundCols;
        for (const ReportTable::Column& c : in.background.columns)
            backgroundCols.push_back({c.heading.c_str(), c.width,
                                      backgroundCols.size() < 2 ? Align::Left : Align::Right});
        table(f, backgroundCols, in.background.rows);
    }

    // One scale for every curve, so that the days compare at a glance.
    double lo = 0, hi = 0;
    bool any = false;
    for (const ReportCurve& c : in.curves)
        for (const ReportColumn& col : c.columns)
            if (!col.empty) {
                lo = any ? std::min(lo, col.min) : col.min;
                hi = any ? std::max(hi, col.max) : col.max;
                any = true;
            }
    if (in.limit) {
        lo = any ? std::min(lo, *in.limit) : *in.limit;
        hi = any ? std::max(hi, *in.limit) : *in.limit;
    }
    double yLo = std::floor(lo / 10.0) * 10.0, yHi = std::ceil(hi / 10.0) * 10.0;
    if (yHi - yLo < 20.0)
        yHi = yLo + 20.0;
    // The curves start a page of their own, or share the one the tables ran
    // onto: a month's last days alone on a page would waste it.
    if (!in.curves.empty() && pages.size() == 1)
        f.newPage();
    for (const ReportCurve& c : in.curves)
        columnCurve(f, in.texts, c, yLo, yHi, in.limit);

    furnish(pages, in.texts, in.title, in.now);
    return pages;
}
