#include "surveywindow/SurveyPlot.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

constexpr int leftMargin = 48;
constexpr int rightMargin = 12;
constexpr int topMargin = 24;
constexpr int bottomMargin = 26;
// A drag shorter than this is a click.
constexpr int clickSlop = 4;

const QColor bandColour(170, 190, 230);
const QColor lineColour(20, 50, 140);
const QColor gapColour(236, 236, 236);
const QColor gapTextColour(120, 120, 120);
const QColor gridColour(225, 225, 232);
const QColor limitColour(255, 60, 0);
const QColor cursorAColour(110, 30, 200);
const QColor cursorBColour(0, 160, 0);
const QColor stepColour(230, 120, 0);
// Events in red, apart from the marks' colours and the steps' orange.
const QColor eventColour(200, 20, 60);
const QColor eventTint(200, 20, 60, 28);
constexpr int eventBarHeight = 6;
constexpr int dotRadius = 2;

// A mark's band, behind the curve, and over it for the readings left out.
QColor bandOf(MarkKind kind) {
    switch (kind) {
    case MarkKind::Exclude:
        return QColor(150, 150, 150, 110);
    case MarkKind::Residual:
        return QColor(90, 170, 90, 60);
    case MarkKind::Event:
        return QColor(230, 150, 40, 60);
    case MarkKind::Note:
        break;
    }
    return QColor(120, 120, 220, 45);
}
QColor markTextOf(MarkKind kind) {
    switch (kind) {
    case MarkKind::Exclude:
        return QColor(70, 70, 70);
    case MarkKind::Residual:
        return QColor(30, 110, 30);
    case MarkKind::Event:
        return QColor(160, 90, 0);
    case MarkKind::Note:
        break;
    }
    return QColor(60, 60, 160);
}

} // namespace

QString gapCauseText(const std::string& cause) {
    if (cause.empty())
        return SurveyPlot::tr("boşluk");
    if (cause == "disconnected")
        return SurveyPlot::tr("bağlantı koptu");
    if (cause == "silence")
        return SurveyPlot::tr("ölçer sessiz");
    if (cause == "hold")
        return SurveyPlot::tr("HOLD");
    if (cause == "restart")
        return SurveyPlot::tr("ölçüm durmuştu");
    if (cause == "write-failure")
        return SurveyPlot::tr("yazılamadı");
    return QString::fromStdString(cause);
}

SurveyPlot::SurveyPlot(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(false);
    setMinimumSize(320, 180);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
}

void SurveyPlot::setSeries(const SeriesStore* series) {
    series_ = series;
    tailGap_.reset();
    cursorA_.reset();
    cursorB_.reset();
    axisSet_ = series_ && !series_->empty();
    if (axisSet_)
        span_.setWhole(series_->start(), series_->end());
    fitLevels();
    spanMoved();
    emit cursorsChanged();
}

void SurveyPlot::followSeries(const SeriesStore* series, SeriesMs wholeStart, SeriesMs wholeEnd) {
    series_ = series;
    span_.moveWhole(wholeStart, wholeEnd);
    fitLevels();
    spanMoved();
    emit cursorsChanged();
}

void SurveyPlot::setJoinLoneReadings(bool on) {
    joinLoneReadings_ = on;
    update();
}

void SurveyPlot::setSteps(std::vector<SeriesStep> steps) {
    steps_ = std::move(steps);
    update();
}

void SurveyPlot::setTailGap(std::optional<SeriesGap> gap) {
    tailGap_ = std::move(gap);
    if (tailGap_ && axisSet_)
        span_.extendWhole(tailGap_->end);
    spanMoved();
}

void SurveyPlot::seriesGrew() {
    if (!series_ || series_->empty())
        return;
    if (!axisSet_)
        span_.setWhole(series_->start(), series_->end());
    else
        span_.extendWhole(series_->end());
    axisSet_ = true;
    fitLevels();
    spanMoved();
}

void SurveyPlot::fitLevels() {
    yMin_ = 30;
    yMax_ = 110;
    if (!series_ || series_->empty())
        return;
    const LevelSum all = series_->sumOf(0, series_->size());
    // The limit stays in sight, so that a curve far below it shows how far.
    double lo = all.lmin().value_or(yMin_);
    double hi = all.lmax().value_or(yMax_);
    if (limit_) {
        lo = std::min(lo, *limit_);
        hi = std::max(hi, *limit_);
    }
    yMin_ = std::floor(lo / 10) * 10;
    // A level on a multiple of 10 (the limit, often) is not hidden in the frame.
    yMax_ = std::floor(hi / 10) * 10 + 10;
}

void SurveyPlot::showSpan(SeriesMs a, SeriesMs b) {
    span_.show(a, b);
    spanMoved();
}

void SurveyPlot::back() {
    if (span_.back())
        spanMoved();
}

void SurveyPlot::showWhole() {
    span_.showWhole();
    spanMoved();
}

void SurveyPlot::spanMoved() {
    update();
    emit spanChanged();
}

void SurveyPlot::setLimit(std::optional<double> dB) {
    limit_ = dB;
    fitLevels();
    update();
}

void SurveyPlot::setCursors(std::optional<SeriesMs> a, std::optional<SeriesMs> b) {
    cursorA_ = a;
    cursorB_ = b;
    update();
    emit cursorsChanged();
}

void SurveyPlot::setMarks(std::vector<ShownMark> marks) {
    marks_ = std::move(marks);
    update();
}

void SurveyPlot::setEvents(std::vector<SeriesEvent> events) {
    events_ = std::move(events);
    update();
}

QRect SurveyPlot::plotArea() const {
    return QRect(leftMargin, topMargin, std::max(1, width() - leftMargin - rightMargin),
                 std::max(1, height() - topMargin - bottomMargin));
}

SeriesMs SurveyPlot::timeAt(int x) const {
    const QRect a = plotArea();
    const double share = std::clamp(static_cast<double>(x - a.left()) / a.width(), 0.0, 1.0);
    return span_.t0() + static_cast<SeriesMs>(
                            std::llround(share * static_cast<double>(span_.t1() - span_.t0())));
}

int SurveyPlot::xOf(SeriesMs t) const {
    const QRect a = plotArea();
    const double share =
        static_cast<double>(t - span_.t0()) / static_cast<double>(span_.t1() - span_.t0());
    return a.left() + static_cast<int>(std::lround(share * a.width()));
}

void SurveyPlot::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect area = plotArea();
    p.fillRect(area, Qt::white);
    const auto yOf = [&](double dB) {
        const double share = (dB - yMin_) / (yMax_ - yMin_);
        return area.bottom() - share * (area.height() - 1);
    };

    // Level grid every 10 dB.
    p.setFont(font());
    const QFontMetrics fm = p.fontMetrics();
    for (double dB = yMin_; dB <= yMax_ + 0.01; dB += 10) {
        const int y = static_cast<int>(std::lround(yOf(dB)));
        p.setPen(gridColour);
        p.drawLine(area.left(), y, area.right(), y);
        p.setPen(Qt::black);
        p.drawText(QRect(0, y - fm.height() / 2, leftMargin - 6, fm.height()),
                   Qt::AlignRight | Qt::AlignVCenter, QString::number(dB, 'f', 0));
    }
    p.drawText(QRect(4, 0, leftMargin, fm.height()), Qt::AlignLeft | Qt::AlignTop,
               QStringLiteral("dB"));

    if (!series_ || series_->empty()) {
        p.setPen(Qt::gray);
        p.drawRect(area.adjusted(0, 0, -1, -1));
        return;
    }

    // Time grid and labels on the wall clock.
    const auto ticks = timeTicks(
        span_.t0(), span_.t1(), std::max(2, area.width() / 90),
        [this](TimeMs t) { return series_->localOf(t); },
        [this](std::int64_t l) { return series_->seriesOfLocal(l); });
    for (const TimeTick& t : ticks) {
        const int x = xOf(t.t);
        p.setPen(t.dayStart ? QColor(180, 180, 200) : gridColour);
        p.drawLine(x, area.top(), x, area.bottom());
        p.setPen(Qt::black);
        QFont f = font();
        f.setBold(t.dayStart);
        p.setFont(f);
        p.drawText(QRect(x - 45, area.bottom() + 4, 90, bottomMargin - 4),
                   Qt::AlignHCenter | Qt::AlignTop, QString::fromStdString(t.label));
    }
    p.setFont(font());

    // Gaps: shaded, their cause written where there is room.
    const auto drawGap = [&](const SeriesGap& g) {
        if (g.end <= span_.t0() || g.start >= span_.t1())
            return;
        const int x0 = std::max(area.left(), xOf(g.start));
        const int x1 = std::min(area.right(), xOf(g.end));
        p.fillRect(QRect(x0, area.top(), std::max(1, x1 - x0), area.height()), gapColour);
        const QString cause = gapCauseText(g.cause);
        p.setPen(gapTextColour);
        if (x1 - x0 > fm.horizontalAdvance(cause) + 6)
            p.drawText(QRect(x0, area.top() + 2, x1 - x0, fm.height()), Qt::AlignCenter, cause);
        else // too narrow for a word: a mark at the top says something is there
            p.drawLine(x0, area.top(), x0, area.top() + 6);
    };
    for (const SeriesGap& g : series_->gaps())
        drawGap(g);
    if (tailGap_)
        drawGap(*tailGap_);

    // Marks: bands behind the curve, labelled at the top where they have room.
    bands_ = markBands(marks_, span_.t0(), span_.t1(), area.left(), area.width(),
                       [&fm](const std::string& label) {
                           return fm.horizontalAdvance(QString::fromStdString(label));
                       });
    for (const MarkBand& b : bands_) {
        const QRect r(b.x0, area.top(), b.x1 - b.x0, area.height());
        if (b.kind != MarkKind::Exclude)
            p.fillRect(r, bandOf(b.kind));
        p.setPen(markTextOf(b.kind));
        if (b.labelled)
            p.drawText(QRect(b.x0, area.top() + 2, b.x1 - b.x0, fm.height()), Qt::AlignCenter,
                       QString::fromStdString(b.label));
        else
            p.drawLine(b.x0, area.top(), b.x0, area.top() + 6);
    }

    // One column per pixel: the band of the levels and the line of their Leq,
    // broken only where the survey has a gap (a zoom below one reading a
    // pixel leaves empty columns between readings, which the line bridges).
    // Drawn as whole-pixel lines in two calls: a frame of the whole month
    // stays well under a screen refresh.
    const int n = area.width();
    const std::vector<LevelSum> columns = series_->columns(span_.t0(), span_.t1(), n);
    std::vector<std::pair<int, int>> gapPixels;
    for (const SeriesGap& g : series_->gaps())
        if (g.end > span_.t0() && g.start < span_.t1())
            gapPixels.emplace_back(xOf(g.start), xOf(g.end));
    const auto gapBetween = [&gapPixels](int x0, int x1) {
        for (const auto& [a, b] : gapPixels)
            if (a < x1 && b > x0)
                return true;
        return false;
    };
    const auto pixelY = [&](double dB) { return static_cast<int>(std::lround(yOf(dB))); };
    QVector<QLine> bands;
    std::vector<QPolygon> lines(1);
    std::optional<int> lastX;
    for (int i = 0; i < n && i < static_cast<int>(columns.size()); ++i) {
        const LevelSum& c = columns[static_cast<std::size_t>(i)];
        const auto leq = c.leq();
        if (!leq)
            continue;
        const int x = area.left() + i;
        const int yLo = pixelY(*c.lmin());
        const int yHi = pixelY(*c.lmax());
        if (yLo > yHi)
            bands.append(QLine(x, yHi, x, yLo));
        if (lastX && gapBetween(*lastX, x) && !lines.back().isEmpty())
            lines.emplace_back();
        lines.back() << QPoint(x, pixelY(*leq));
        lastX = x;
    }
    // A reading alone between gaps would be a single pixel: it gets a dot.
    QPolygon dots;
    std::vector<QPolygon> joined;
    bool lastAlone = false;
    for (QPolygon& l : lines) {
        const bool alone = l.size() == 1;
        if (alone)
            dots << l.front();
        if (alone && lastAlone && joinLoneReadings_)
            joined.back() << l.front();
        else
            joined.push_back(std::move(l));
        lastAlone = alone;
    }
    p.setPen(QPen(bandColour, 0));
    p.drawLines(bands);
    p.setPen(QPen(lineColour, 0));
    for (const QPolygon& l : joined)
        if (l.size() > 1)
            p.drawPolyline(l);
    p.setBrush(lineColour);
    for (const QPoint& dot : dots)
        p.drawEllipse(dot, dotRadius, dotRadius);
    p.setBrush(Qt::NoBrush);

    // Events: their spans tinted, and a bar along the bottom that stays in
    // sight when an event is narrower than a pixel.
    eventMarkers_ = eventMarkers(events_, span_.t0(), span_.t1(), area.left(), area.width());
    for (const EventMarker& m : eventMarkers_) {
        if (m.x1 - m.x0 > 2)
            p.fillRect(QRect(m.x0, area.top(), m.x1 - m.x0, area.height()), eventTint);
        p.fillRect(QRect(m.x0, area.bottom() - eventBarHeight + 1, std::max(2, m.x1 - m.x0),
                         eventBarHeight),
                   eventColour);
    }

    // The readings left out stay in sight, dimmed by a veil over them.
    for (const MarkBand& b : bands_)
        if (b.kind == MarkKind::Exclude)
            p.fillRect(QRect(b.x0, area.top() + fm.height() + 4, b.x1 - b.x0,
                             area.height() - fm.height() - 4),
                       bandOf(b.kind));

    if (!steps_.empty()) {
        p.setPen(QPen(stepColour, 2));
        for (const SeriesStep& step : steps_) {
            if (step.end <= span_.t0() || step.start >= span_.t1() || step.db < yMin_ ||
                step.db > yMax_)
                continue;
            const int y = pixelY(step.db);
            p.drawLine(std::max(area.left(), xOf(step.start)), y,
                       std::min(area.right(), xOf(step.end)), y);
        }
        // The key sits in the plot's top left corner, clear of the cursors' names, and names
        // both lines: beside the intervals' steps the level line is not self-evident.
        const std::pair<QString, QPen> entries[] = {{tr("Seviye"), QPen(lineColour, 0)},
                                                    {tr("Aralık Leq"), QPen(stepColour, 2)}};
        int nameWidth = 0;
        for (const auto& entry : entries)
            nameWidth = std::max(nameWidth, fm.horizontalAdvance(entry.first));
        const int row = fm.height() + 2;
        const QRect key(area.left() + 6, area.top() + 4, nameWidth + 34, 2 * row + 2);
        p.fillRect(key, QColor(255, 255, 255, 220));
        for (int i = 0; i < 2; ++i) {
            const QRect line(key.left(), key.top() + 1 + i * row, key.width(), row);
            const int y = line.center().y();
            p.setPen(entries[i].second);
            p.drawLine(line.left() + 4, y, line.left() + 22, y);
            p.drawText(line.adjusted(28, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                       entries[i].first);
        }
    }

    if (limit_ && *limit_ >= yMin_ && *limit_ <= yMax_) {
        QPen pen(limitColour, 1, Qt::DashLine);
        p.setPen(pen);
        const int y = static_cast<int>(std::lround(yOf(*limit_)));
        p.drawLine(area.left(), y, area.right(), y);
    }
    if (dragFrom_ && !panning_) {
        const int a = std::min(*dragFrom_, dragTo_);
        const int b = std::max(*dragFrom_, dragTo_);
        p.fillRect(QRect(a, area.top(), b - a, area.height()), QColor(60, 90, 200, 50));
    }
    p.setPen(Qt::gray);
    p.drawRect(area.adjusted(0, 0, -1, -1));

    // Over the frame, so that a cursor at either end of the view shows its
    // line inside it, and its name on the side where there is room.
    const auto drawCursor = [&](const std::optional<SeriesMs>& t, const QColor& colour,
                                const QString& name) {
        if (!t || *t < span_.t0() || *t > span_.t1())
            return;
        const int x = std::clamp(xOf(*t), area.left() + 1, area.right() - 1);
        p.setPen(QPen(colour, 1));
        p.drawLine(x, area.top(), x, area.bottom());
        const int w = fm.horizontalAdvance(name) + 3;
        const bool right = x + 3 + w <= width();
        p.drawText(QRect(right ? x + 3 : x - 3 - w, 0, w, topMargin),
                   (right ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter, name);
    };
    drawCursor(cursorA_, cursorAColour, QStringLiteral("A"));
    drawCursor(cursorB_, cursorBColour, QStringLiteral("B"));
}

void SurveyPlot::wheelEvent(QWheelEvent* event) {
    if (!series_ || series_->empty())
        return;
    const int steps = event->angleDelta().y() / 120;
    if (steps == 0)
        return;
    const double factor = std::pow(0.8, steps);
    span_.zoomAt(timeAt(static_cast<int>(event->position().x())), factor);
    spanMoved();
    event->accept();
}

void SurveyPlot::mousePressEvent(QMouseEvent* event) {
    if (!series_ || series_->empty())
        return;
    const int x = static_cast<int>(event->position().x());
    if (event->button() == Qt::RightButton && (event->modifiers() & Qt::ControlModifier)) {
        if (const auto index = markAt(bands_, x))
            emit markMenuAsked(*index, event->globalPosition().toPoint());
        return;
    }
    if (event->button() == Qt::RightButton) {
        cursorB_ = timeAt(x);
        update();
        emit cursorsChanged();
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    const QRect area = plotArea();
    const int y = static_cast<int>(event->position().y());
    if (event->modifiers() == Qt::NoModifier && y > area.bottom() - eventBarHeight - 2 &&
        y <= area.bottom() + 2) {
        if (const auto index = eventMarkerAt(eventMarkers_, x)) {
            emit eventClicked(*index);
            return;
        }
    }
    dragFrom_ = x;
    dragTo_ = x;
    panning_ = event->modifiers() & Qt::ShiftModifier;
    marking_ = !panning_ && (event->modifiers() & Qt::ControlModifier);
    panOrigin_ = span_.t0();
}

void SurveyPlot::mouseMoveEvent(QMouseEvent* event) {
    if (!dragFrom_)
        return;
    dragTo_ = static_cast<int>(event->position().x());
    if (panning_) {
        const SeriesMs delta = timeAt(*dragFrom_) - timeAt(dragTo_);
        span_.pan(panOrigin_ + delta - span_.t0());
        spanMoved();
    } else {
        update();
    }
}

void SurveyPlot::mouseReleaseEvent(QMouseEvent* event) {
    if (!dragFrom_ || event->button() != Qt::LeftButton)
        return;
    const int from = *dragFrom_;
    dragFrom_.reset();
    dragTo_ = static_cast<int>(event->position().x());
    if (panning_) {
        panning_ = false;
        return;
    }
    if (std::abs(dragTo_ - from) <= clickSlop) {
        cursorA_ = timeAt(from);
        update();
        emit cursorsChanged();
        return;
    }
    const SeriesMs a = timeAt(std::min(from, dragTo_)), b = timeAt(std::max(from, dragTo_));
    if (marking_) {
        marking_ = false;
        update();
        emit spanToMark(a, b);
        return;
    }
    showSpan(a, b);
}

void SurveyPlot::keyPressEvent(QKeyEvent* event) {
    if (!series_ || series_->empty()) {
        QWidget::keyPressEvent(event);
        return;
    }
    const SeriesMs width = span_.t1() - span_.t0();
    const SeriesMs middle = span_.t0() + width / 2;
    switch (event->key()) {
    case Qt::Key_Left:
        span_.pan(-width / 4);
        spanMoved();
        break;
    case Qt::Key_Right:
        span_.pan(width / 4);
        spanMoved();
        break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        span_.zoomAt(middle, 0.5);
        spanMoved();
        break;
    case Qt::Key_Minus:
        span_.zoomAt(middle, 2);
        spanMoved();
        break;
    case Qt::Key_Home:
        showWhole();
        break;
    case Qt::Key_Backspace:
        back();
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}
